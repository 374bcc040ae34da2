// SPDX-License-Identifier: GPL-3.0-or-later
// What feeding the statistics from the readings session costs: a month of a
// record file's words (2,592,000 rows) read from the session's table and
// placed on the time line, without and with a listener keeping every
// reading; a day of text rows whose texts are read; and one live tick a day
// into a recording (the session's append, with its texts, and the feed's one
// new row).
// Goal: an opened month, feed and engine together, in at most 100 ms of
// CPU; a tick in constant time.
#include "reading/level_rule.h"
#include "reading/readings_session.h"
#include "reading/reading_word.h"
#include "statistics/session_feed.h"

#include <QDate>
#include <QDateTime>
#include <QTimeZone>

#include <benchmark/benchmark.h>

#include <array>
#include <cstdint>
#include <vector>

namespace {

using namespace noisestats;

constexpr int kMonth = 30 * 24 * 3600;

std::vector<std::uint32_t> MonthOfWords() {
    std::vector<std::uint32_t> words;
    words.reserve(kMonth);
    std::uint32_t seed = 12345;
    int code = 300;
    for (int i = 0; i < kMonth; ++i) {
        seed = seed * 1664525u + 1013904223u;
        code = std::clamp(code + int(seed >> 29) - 3, 50, 750);
        const int s = i % 86400;
        words.push_back(std::uint32_t(code) | (6u << 10) | (1u << 14) |
                        (std::uint32_t(((s / 3600) << 12) | ((s / 60 % 60) << 6) | (s % 60)) << 15));
    }
    return words;
}

void BM_FeedMonthOfRecordFile(benchmark::State& state) {
    reading::ReadingsSession session;
    session.AppendFileWords(MonthOfWords(), QDate(2026, 9, 21));
    SessionFeed feed(session, IntervalLength(state.range(0)), QTimeZone(7200));
    for (auto _ : state) {
        feed.Recompute();
        benchmark::DoNotOptimize(feed.Statistics().Whole());
    }
    state.counters["readings"] = double(feed.Readings());
}
BENCHMARK(BM_FeedMonthOfRecordFile)->Arg(60)->Arg(3600)->Unit(benchmark::kMillisecond);

// The same with a listener keeping every reading, as the alarms do while
// the statistics window is open: the batches' cost on top.
void BM_FeedMonthOfRecordFileToAListener(benchmark::State& state) {
    reading::ReadingsSession session;
    session.AppendFileWords(MonthOfWords(), QDate(2026, 9, 21));
    SessionFeed feed(session, IntervalLength(state.range(0)), QTimeZone(7200));
    std::vector<Reading> kept;
    QObject::connect(&feed, &SessionFeed::Restarted, [&] { kept.clear(); });
    QObject::connect(&feed, &SessionFeed::ReadingsFed,
                     [&](const std::vector<Reading>& r, bool) { kept.insert(kept.end(), r.begin(), r.end()); });
    for (auto _ : state) {
        feed.Recompute();
        benchmark::DoNotOptimize(kept.data());
    }
    state.counters["kept"] = double(kept.size());
}
BENCHMARK(BM_FeedMonthOfRecordFileToAListener)->Arg(60)->Unit(benchmark::kMillisecond);

// A day of rows of a text file (86,400), their Date and Time texts read in
// the user's locale.
void BM_FeedDayOfTextRows(benchmark::State& state) {
    std::vector<std::array<QString, ReadingTable::Columns>> rows;
    records::LevelRule rule;
    const QDate day(2026, 9, 21);
    const QString date = reading::FormatShortDate(day);
    for (int i = 0; i < 86400; ++i) {
        const int tenths = 500 + i % 300;
        rows.push_back({QString::number(i + 1), reading::FormatLevel(tenths), QStringLiteral("A"),
                        reading::FormatLongTime(QTime::fromMSecsSinceStartOfDay(i * 1000)), date});
        rule.Apply(i + 1, float(tenths) / 10.0f);
    }
    reading::ReadingsSession session;
    session.AppendTextRows(rows, rule, quint32(rows.size()));
    SessionFeed feed(session, IntervalLength::Minutes1, QTimeZone(7200));
    for (auto _ : state) {
        feed.Recompute();
        benchmark::DoNotOptimize(feed.Statistics().Whole());
    }
    state.counters["unread"] = double(feed.UnreadRows());
}
BENCHMARK(BM_FeedDayOfTextRows)->Unit(benchmark::kMillisecond);

void BM_FeedLiveTick(benchmark::State& state) {
    reading::ReadingsSession session;
    SessionFeed feed(session, IntervalLength::Minutes1, QTimeZone(7200));
    QDateTime now(QDate(2026, 9, 21), QTime(0, 0), QTimeZone(7200));
    for (int i = 0; i < 86400; ++i) {  // a day into the recording
        now = now.addSecs(1);
        session.AppendLive(300 | (6u << 10), reading::ClockTexts::From(now), now);
    }
    for (auto _ : state) {
        now = now.addSecs(1);
        session.AppendLive(300 | (6u << 10), reading::ClockTexts::From(now), now);
        benchmark::DoNotOptimize(feed.Statistics().OpenInterval());
    }
}
BENCHMARK(BM_FeedLiveTick);

}  // namespace

BENCHMARK_MAIN();
