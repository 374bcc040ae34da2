// SPDX-License-Identifier: GPL-3.0-or-later
// The readings session: appends from the tick and the loaders, resets, the
// extremes rule shared by live and loaded data, and what observers are told.
#include "reading/readings_session.h"

#include <QSignalSpy>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

using reading::Curve;
using reading::ReadingsSession;

// A live word: level code `code` (level = (code + 300) / 10), range 2, A, FAST.
std::uint32_t LiveWord(int code, bool c = false) { return std::uint32_t(code) | (2u << 10) | (c ? 1u << 13 : 0u); }

reading::ClockTexts Clock() { return reading::ClockTexts::From(QDateTime(QDate(2026, 12, 10), QTime(14, 7, 12))); }

// Tenths of a dB as the level code of a word.
int Code(int tenths) { return tenths - 300; }

struct ExtremesCase {
    const char* name;
    float seedMax, seedMin;       // extremes before the data (an earlier run's)
    std::vector<int> tenths;      // the levels, in tenths of a dB
    std::vector<float> maxima;    // the max curve after each reading
    std::vector<float> minima;
};

const ExtremesCase kExtremes[] = {
    {"first reading seeds both", 99.0f, 11.0f, {653}, {65.3f}, {65.3f}},
    {"later readings move them strictly", 99.0f, 11.0f, {600, 701, 650, 550, 701}, {60.0f, 70.1f, 70.1f, 70.1f, 70.1f},
     {60.0f, 60.0f, 60.0f, 55.0f, 55.0f}},
    {"equal levels leave them", 0, 0, {600, 600, 600}, {60, 60, 60}, {60, 60, 60}},
};

TEST(ReadingsSession, OneExtremesRuleForLiveAndRecordFileData) {
    for (const auto& c : kExtremes) {
        SCOPED_TRACE(c.name);
        std::vector<std::uint32_t> words;
        for (int t : c.tenths) words.push_back(LiveWord(Code(t)));

        ReadingsSession live;
        live.RunningMax = c.seedMax;
        live.RunningMin = c.seedMin;
        for (std::uint32_t w : words) live.AppendLive(w, Clock(), QDateTime(QDate(2026, 12, 10), QTime(14, 7, 12)));

        ReadingsSession loaded;
        loaded.RunningMax = c.seedMax;
        loaded.RunningMin = c.seedMin;
        loaded.AppendFileWords(words, QDate(2026, 12, 10));

        for (const ReadingsSession* s : {&live, &loaded}) {
            ASSERT_EQ(s->Curves().Count(), c.tenths.size());
            for (std::size_t i = 0; i < c.tenths.size(); ++i) {
                EXPECT_FLOAT_EQ(s->Curves().Level(i), c.tenths[i] / 10.0f) << i;
                EXPECT_FLOAT_EQ(s->Curves().Value(Curve::Max, i), c.maxima[i]) << i;
                EXPECT_FLOAT_EQ(s->Curves().Value(Curve::Min, i), c.minima[i]) << i;
            }
            EXPECT_FLOAT_EQ(s->RunningMax, c.maxima.back());
            EXPECT_FLOAT_EQ(s->RunningMin, c.minima.back());
            EXPECT_EQ(s->ReadingCount, c.tenths.size());
        }
        // Rows carry the same level texts either way.
        for (int row = 1; row <= int(words.size()); ++row)
            EXPECT_EQ(live.Table().Cell(1, row), loaded.Table().Cell(1, row)) << row;
    }
}

TEST(ReadingsSession, ObserversAreToldOncePerChange) {
    ReadingsSession s;
    QSignalSpy appended(&s, &ReadingsSession::ReadingsAppended);
    QSignalSpy live(&s, &ReadingsSession::LiveReadingTaken);
    QSignalSpy reset(&s, &ReadingsSession::DataReset);

    const QDateTime now(QDate(2026, 12, 10), QTime(14, 7, 12));
    s.AppendLive(LiveWord(Code(650)), Clock(), now);
    s.AppendLive(LiveWord(Code(660)), Clock(), now);
    ASSERT_EQ(appended.count(), 2);
    EXPECT_EQ(appended.at(1).at(0).toInt(), 2);  // second reading in row 2
    EXPECT_EQ(appended.at(1).at(1).toInt(), 1);
    ASSERT_EQ(live.count(), 2);
    EXPECT_FLOAT_EQ(live.at(1).at(0).toFloat(), 66.0f);

    s.ClearTable();
    EXPECT_EQ(reset.count(), 1);
    EXPECT_EQ(s.ReadingCount, 0u);
    EXPECT_EQ(s.Curves().Count(), 0u);
    EXPECT_EQ(s.Table().RowCount(), 1);

    // A whole file is one change, however many readings it holds; an empty
    // one is none.
    appended.clear();
    s.AppendFileWords(std::vector<std::uint32_t>(1000, LiveWord(Code(500))), QDate(2026, 12, 10));
    s.AppendFileWords({}, QDate(2026, 12, 10));
    ASSERT_EQ(appended.count(), 1);
    EXPECT_EQ(appended.at(0).at(0).toInt(), 1);
    EXPECT_EQ(appended.at(0).at(1).toInt(), 1000);
    EXPECT_EQ(live.count(), 2);  // loading takes no live reading
}

TEST(ReadingsSession, LiveReadingsAreWrittenToTheRecordingFileAtTheirOffsets) {
    QTemporaryDir dir;
    ReadingsSession s;
    const QDateTime now(QDate(2026, 12, 10), QTime(14, 7, 12));
    // No file: the reading is kept but not written.
    EXPECT_FALSE(s.AppendLive(LiveWord(Code(650)), Clock(), now).written);

    s.ClearTable();
    s.RecordingFile = std::make_unique<records::RecordFileWriter>();
    const QString path = dir.filePath(QStringLiteral("A.qzx"));
    ASSERT_TRUE(s.RecordingFile->Open(path));
    const auto first = s.AppendLive(LiveWord(Code(650)), Clock(), now);
    const auto second = s.AppendLive(LiveWord(Code(700), true), Clock(), now);
    EXPECT_TRUE(first.written);
    EXPECT_TRUE(second.written);
    EXPECT_FLOAT_EQ(second.level, 70.0f);
    s.RecordingFile->Close();

    const std::vector<std::uint32_t> words = records::ReadRecordWords(path);
    ASSERT_EQ(words.size(), 2u);
    EXPECT_EQ(words[1], s.RecordWord);
    EXPECT_EQ(reading::LevelCode(words[0]), Code(650));
    // The recorded word carries the clock sample's time of day.
    EXPECT_EQ(reading::WordTime(words[1]), QTime(14, 7, 12));
    EXPECT_EQ(s.LiveTexts.Weighting, QStringLiteral("C"));
}

TEST(ReadingsSession, ReadingAtGivesWordRowsAndTextRows) {
    ReadingsSession s;
    s.AppendFileWords({LiveWord(Code(612), true)}, QDate(2026, 12, 10));
    const auto fileRow = s.ReadingAt(1);
    ASSERT_TRUE(fileRow.word.has_value());
    EXPECT_EQ(fileRow.date, QDate(2026, 12, 10));
    EXPECT_TRUE(fileRow.cWeighted);
    EXPECT_FLOAT_EQ(*fileRow.level, 61.2f);

    s.ClearTable();
    records::LevelRule rule(s.RunningMax, s.RunningMin);
    rule.Apply(1, 55.5f);
    s.AppendTextRows({{QStringLiteral("1"), QStringLiteral("55,5"), QStringLiteral("A"), QStringLiteral("12:00:00"),
                       QStringLiteral("10.12.2026")}},
                     rule, 1);
    const auto textRow = s.ReadingAt(1);
    EXPECT_FALSE(textRow.word.has_value());
    EXPECT_FLOAT_EQ(*textRow.level, 55.5f);
    EXPECT_FALSE(textRow.cWeighted);
    EXPECT_EQ(s.ReadingCount, 1u);
    EXPECT_FLOAT_EQ(s.RunningMax, 55.5f);
    EXPECT_FALSE(s.ReadingAt(2).level.has_value());  // past the end
}

TEST(CurveStore, ColoursChangeOnlyForLaterPoints) {
    reading::CurveStore store;
    store.Append(60, 60, 60, {0xFF0000FF, 0xFFFF0000, 0xFF008000});
    store.Append(61, 61, 60, {0xFF0000FF, 0xFFFF0000, 0xFF008000});
    store.Append(62, 62, 60, {0xFFFFA500, 0xFFFF0000, 0xFF008000});
    EXPECT_EQ(store.Colour(Curve::Level, 1), 0xFF0000FFu);
    EXPECT_EQ(store.Colour(Curve::Level, 2), 0xFFFFA500u);
    EXPECT_EQ(store.ColourRuns(Curve::Level).size(), 2u);
    EXPECT_EQ(store.ColourRuns(Curve::Max).size(), 1u);
    // Extremes as steps: the max steps every point here, the min never after the first.
    EXPECT_EQ(store.Steps(Curve::Max).size(), 3u);
    EXPECT_EQ(store.Steps(Curve::Min).size(), 1u);
    const auto span = store.ValueSpan(Curve::Max, 0, 1);
    EXPECT_FLOAT_EQ(span.low, 60);
    EXPECT_FLOAT_EQ(span.high, 61);
    const auto levels = store.ValueSpan(Curve::Level, 1, 2);
    EXPECT_FLOAT_EQ(levels.low, 61);
    EXPECT_FLOAT_EQ(levels.high, 62);
}

}  // namespace
