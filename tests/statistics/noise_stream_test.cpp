// SPDX-License-Identifier: GPL-3.0-or-later
// The program's stream of readings: the statistics and the alarms fed from
// the readings session, live and from a file; another interval length that
// leaves a running alarm alone; new alarm settings; a reset.
#include "platform/testing/seam_doubles.h"
#include "reading/readings_session.h"
#include "reading/reading_word.h"
#include "statistics/noise_stream.h"
#include "statistics/session_feed.h"

#include <gtest/gtest.h>

#include <QDateTime>
#include <QTimeZone>

namespace {

using namespace noisestats;

constexpr std::uint32_t SlowBit = 1u << 14;
// A word of range 6 holding `tenths` (300 = 30.0 dB and up).
std::uint32_t Word(int tenths) { return std::uint32_t(tenths - 300) | (6u << 10) | SlowBit; }
std::uint32_t WithTime(std::uint32_t w, QTime t) {
    return w | (std::uint32_t((t.hour() << 12) | (t.minute() << 6) | t.second()) << 15);
}

const QTimeZone Zone(3600);
const QDate Day(2026, 12, 11);
std::int64_t Epoch(QTime t) { return QDateTime(Day, t, Zone).toSecsSinceEpoch(); }

AlarmSettings At65For10s() {
    AlarmSettings s;
    s.thresholdTenths = 650;
    s.minimumSeconds = 10;
    return s;
}

class Stream : public testing::Test {
protected:
    void SetUp() override {
        seams.time.Set(QDateTime(Day, QTime(10, 0), Zone));
        connect();
    }
    void connect() {
        QObject::connect(&stream, &NoiseStream::AlarmTextChanged, [this](const QString& t) { strip.push_back(t); });
        QObject::connect(&stream, &NoiseStream::LiveAlarmStep, [this](std::int64_t, const AlarmStep& step) {
            if (step.started) started.push_back(*step.started);
            if (step.ended) ended.push_back(*step.ended);
        });
        QObject::connect(&stream, &NoiseStream::AlarmBandsCleared, [this] { ++cleared; });
    }
    // `seconds` live readings of `tenths` from `start`, one a second.
    void Live(QTime start, int seconds, int tenths) {
        session.Recording = true;
        for (int i = 0; i < seconds; ++i) {
            const QDateTime now(Day, start.addSecs(i), Zone);
            session.AppendLive(Word(tenths), reading::ClockTexts::From(now), now);
        }
    }

    platform::testing::SeamDoubles seams;
    reading::ReadingsSession session;
    NoiseStream stream{session, Zone};
    std::vector<QString> strip;
    std::vector<std::int64_t> started;
    std::vector<AlarmRow> ended;
    int cleared = 0;
};

TEST_F(Stream, LiveReadingsNotifyFillTheStripAndTheListAndTellWhereTheBandLies) {
    stream.SetAlarms(true, At65For10s());
    Live(QTime(10, 0), 5, 550);
    Live(QTime(10, 0, 5), 30, 700);
    Live(QTime(10, 0, 35), 20, 550);
    ASSERT_EQ(seams.notifications.sent.size(), 1u);
    EXPECT_EQ(seams.notifications.sent[0].summary, "Noise alarm: LA at or above 65,0 dB");
    ASSERT_EQ(strip.size(), 2u);
    EXPECT_EQ(strip[0], QStringLiteral("Alarm since 10:00:05: LA \u2265 65,0 dB for 10 s"));
    EXPECT_TRUE(strip[1].isEmpty());
    ASSERT_EQ(started.size(), 1u);
    EXPECT_EQ(started[0], Epoch(QTime(10, 0, 5)));
    ASSERT_EQ(ended.size(), 1u);
    EXPECT_EQ(ended[0].endEpoch, Epoch(QTime(10, 0, 35)));
    ASSERT_EQ(stream.Alarms().Rows().size(), 1u);
    EXPECT_EQ(stream.Alarms().Rows()[0].DurationSeconds(), 30);
    // The statistics took the same readings.
    EXPECT_EQ(stream.Statistics().Whole().coveredSeconds, 55);
}

// 30 s at 70 dB with an alarm at 65 dB for 10 s, the interval length changed
// from 1 to 5 min, then 30 s more: one alarm from 10:00:00, told once.
TEST_F(Stream, AnotherIntervalLengthLeavesARunningAlarmAlone) {
    stream.SetAlarms(true, At65For10s());
    Live(QTime(10, 0), 30, 700);
    ASSERT_TRUE(stream.Alarms().Active());
    ASSERT_EQ(strip.size(), 1u);
    const int clearedBefore = cleared;

    stream.SetLength(IntervalLength::Minutes5);
    EXPECT_EQ(stream.Statistics().Length(), IntervalLength::Minutes5);
    ASSERT_EQ(stream.Statistics().AllIntervals().size(), 1u);
    EXPECT_EQ(stream.Statistics().AllIntervals()[0].coveredSeconds, 30);
    EXPECT_TRUE(stream.Alarms().Active());
    EXPECT_EQ(cleared, clearedBefore) << "the live chart's band stays";

    Live(QTime(10, 0, 30), 30, 700);
    EXPECT_EQ(seams.notifications.sent.size(), 1u);
    EXPECT_EQ(strip.size(), 1u) << "the strip was never cleared nor told again";
    EXPECT_EQ(strip[0], QStringLiteral("Alarm since 10:00:00: LA \u2265 65,0 dB for 10 s"));
    EXPECT_TRUE(stream.Alarms().Rows().empty()) << "no alarm ended";
    EXPECT_EQ(stream.Alarms().ActiveSince(), Epoch(QTime(10, 0)));
    const std::vector<AlarmRow> report = stream.AlarmsForReport();
    ASSERT_EQ(report.size(), 1u);
    EXPECT_EQ(report[0].startEpoch, Epoch(QTime(10, 0)));
    EXPECT_EQ(report[0].end, AlarmEnd::EndOfData);
    EXPECT_EQ(stream.Statistics().Whole().coveredSeconds, 60);
}

TEST_F(Stream, AFileFillsTheListQuietlyNewSettingsRunItAgainAndAResetDropsIt) {
    stream.SetAlarms(true, At65For10s());
    std::vector<std::uint32_t> words;
    for (int s = 0; s < 55; ++s) words.push_back(WithTime(Word(s >= 5 && s < 35 ? 700 : 550), QTime(9, 0).addSecs(s)));
    std::vector<std::vector<AlarmRow>> found;
    QObject::connect(&stream, &NoiseStream::FileAlarmsFound,
                     [&](const std::vector<AlarmRow>& rows) { found.push_back(rows); });
    session.AppendFileWords(words, Day);
    EXPECT_TRUE(seams.notifications.sent.empty());
    EXPECT_TRUE(started.empty());
    ASSERT_EQ(stream.Alarms().Rows().size(), 1u);
    EXPECT_EQ(stream.Alarms().Rows()[0].startEpoch, Epoch(QTime(9, 0, 5)));
    ASSERT_EQ(found.size(), 1u);
    EXPECT_EQ(found[0].size(), 1u);

    stream.SetAlarms(true, [] { auto s = At65For10s(); s.thresholdTenths = 750; return s; }());
    EXPECT_TRUE(stream.Alarms().Rows().empty()) << "the file never reaches 75 dB";
    stream.SetAlarms(true, [] { auto s = At65For10s(); s.thresholdTenths = 695; return s; }());
    EXPECT_EQ(stream.Alarms().Rows().size(), 1u);
    EXPECT_TRUE(seams.notifications.sent.empty());

    // An alarm still on at the file's end is listed as such.
    std::vector<std::uint32_t> loudEnd;
    for (int s = 0; s < 20; ++s) loudEnd.push_back(WithTime(Word(700), QTime(11, 0).addSecs(s)));
    session.ClearTable();
    EXPECT_TRUE(stream.Alarms().Rows().empty());
    session.AppendFileWords(loudEnd, Day);
    ASSERT_EQ(stream.Alarms().Rows().size(), 1u);
    EXPECT_EQ(stream.Alarms().Rows()[0].end, AlarmEnd::EndOfData);
    EXPECT_FALSE(stream.Alarms().Active()) << "nothing runs in a file";
}

// Stopping the recording ends a running alarm at its last reading, as
// "recording stopped": the strip clears and the report's band ends there.
TEST_F(Stream, StoppingTheRecordingEndsARunningAlarm) {
    stream.SetAlarms(true, At65For10s());
    Live(QTime(10, 0), 20, 700);
    ASSERT_TRUE(stream.Alarms().Active());
    session.Recording = false;
    stream.RecordingStopped();
    EXPECT_FALSE(stream.Alarms().Active());
    ASSERT_EQ(strip.size(), 2u);
    EXPECT_TRUE(strip[1].isEmpty());
    ASSERT_EQ(ended.size(), 1u) << "the chart's band ends";
    ASSERT_EQ(stream.Alarms().Rows().size(), 1u);
    const AlarmRow& row = stream.Alarms().Rows()[0];
    EXPECT_EQ(row.end, AlarmEnd::Stopped);
    EXPECT_EQ(AlarmEndText(row.end), QStringLiteral("recording stopped"));
    EXPECT_EQ(row.endEpoch, Epoch(QTime(10, 0, 20)));
    EXPECT_EQ(stream.AlarmsForReport().size(), 1u) << "listed once, not also as still on";
    stream.RecordingStopped();  // again: nothing more
    EXPECT_EQ(stream.Alarms().Rows().size(), 1u);
}

// An opened file's alarms, as rows of the table (its chart has a point a row).
TEST_F(Stream, AFilesAlarmsAreFoundByTheirRows) {
    stream.SetAlarms(true, At65For10s());
    std::vector<std::uint32_t> words;
    for (int s = 0; s < 120; ++s)
        words.push_back(WithTime(Word((s >= 10 && s < 40) || s >= 100 ? 700 : 550), QTime(9, 0).addSecs(s)));
    session.AppendFileWords(words, Day);
    const auto spans = stream.RowsOf(stream.Alarms().Rows());
    ASSERT_EQ(spans.size(), 2u);
    EXPECT_EQ(spans[0].first, 11);
    EXPECT_EQ(spans[0].last, 40);
    EXPECT_EQ(spans[1].first, 101);
    EXPECT_EQ(spans[1].last, 120) << "still on at the file's end";
}

TEST_F(Stream, TheReportReadsTheSessionsReadings) {
    Live(QTime(10, 0), 90, 600);
    const MeasurementReport report = stream.Report(QStringLiteral("garden"));
    EXPECT_EQ(report.whole.coveredSeconds, 90);
    EXPECT_EQ(stream.Feed().AllReadings().size(), 90u);
}

}  // namespace
