// SPDX-License-Identifier: GPL-3.0-or-later
// The feed from the readings session to the statistics: record-file rows,
// live rows, text rows with readable and unreadable dates, midnight, A and C
// apart, gaps, resets.
#include "platform/testing/seam_doubles.h"
#include "reading/level_rule.h"
#include "reading/readings_session.h"
#include "reading/reading_word.h"
#include "noise/labels.h"
#include "statistics/row_date_time.h"
#include "statistics/session_feed.h"

#include <gtest/gtest.h>

#include <QDateTime>
#include <QLocale>
#include <QTimeZone>

#include <functional>

namespace {

using namespace noisestats;

constexpr std::uint32_t CBit = 1u << 13, SlowBit = 1u << 14;

// A word of range `range` (0..6) holding `tenths` (300 = 30.0 dB and up).
std::uint32_t Word(int tenths, int range = 6, std::uint32_t flags = SlowBit) {
    return std::uint32_t(tenths - 300) | (std::uint32_t(range) << 10) | flags;
}
std::uint32_t WithTime(std::uint32_t w, int h, int m, int s) {
    return w | (std::uint32_t((h << 12) | (m << 6) | s) << 15);
}

const QTimeZone Zone(3600);  // a fixed offset: no daylight saving in the way

std::int64_t Epoch(QDate d, QTime t) { return QDateTime(d, t, Zone).toSecsSinceEpoch(); }

class Feed : public testing::Test {
protected:
    void SetUp() override {
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
        seams.time.Set(QDateTime(QDate(2026, 12, 10), QTime(12, 0)));
    }
    void TearDown() override { QLocale::setDefault(QLocale::c()); }

    void AppendText(const std::vector<std::array<QString, 5>>& rows) {
        records::LevelRule rule;
        int row = 0;
        for (const auto& r : rows)
            if (const auto level = reading::LevelNumber(r[1])) rule.Apply(++row, *level);
        session.AppendTextRows(rows, rule, quint32(rows.size()));
    }
    void AppendLive(std::uint32_t liveWord, const QDateTime& now) {
        session.AppendLive(liveWord, reading::ClockTexts::From(now), now);
    }

    platform::testing::SeamDoubles seams;
    reading::ReadingsSession session;
    SessionFeed feed{session, IntervalLength::Minutes1, Zone};
};

TEST_F(Feed, RecordFileRowsRunPastMidnightIntoTheNextDay) {
    const QDate start(2026, 3, 10);
    session.AppendFileWords({WithTime(Word(600), 23, 59, 58), WithTime(Word(620), 23, 59, 59),
                             WithTime(Word(640), 0, 0, 0), WithTime(Word(660), 0, 0, 1)},
                            start);
    const auto intervals = feed.Statistics().AllIntervals();
    ASSERT_EQ(intervals.size(), 2u);
    EXPECT_EQ(intervals[0].startEpoch, Epoch(start, QTime(23, 59)));
    EXPECT_EQ(intervals[1].startEpoch, Epoch(start.addDays(1), QTime(0, 0)));
    EXPECT_EQ(intervals[1].utcOffsetSeconds, 3600);
    ASSERT_TRUE(intervals[0].a && intervals[1].a);
    EXPECT_EQ(intervals[0].a->maxTenths, 620);
    EXPECT_EQ(intervals[1].a->minTenths, 640);
    EXPECT_EQ(intervals[1].a->responses, SeenSlow);
    EXPECT_EQ(feed.Statistics().Whole().missingSeconds, 0);
}

TEST_F(Feed, GapsInARecordFileAreMissingSecondsNotLowLevels) {
    session.AppendFileWords({WithTime(Word(700), 10, 0, 0), WithTime(Word(700), 10, 0, 1),
                             WithTime(Word(700), 10, 0, 5)},
                            QDate(2026, 3, 10));
    const PeriodResult whole = feed.Statistics().Whole();
    EXPECT_EQ(whole.coveredSeconds, 3);
    EXPECT_EQ(whole.missingSeconds, 3);
    ASSERT_TRUE(whole.a);
    EXPECT_EQ(whole.a->minTenths, 700);
    EXPECT_NEAR(whole.a->leq, 70.0, 1e-9);
}

TEST_F(Feed, LiveRowsAreFedOneTickAtATimeWithWeightingsApartAndRangeEnds) {
    const QDateTime t0(QDate(2026, 3, 10), QTime(9, 59, 59), Zone);
    // The table starts with empty rows; each tick adds only its own row,
    // never starting over (which would cost the whole recording per tick).
    ASSERT_GT(session.Table().RowCount(), 2);
    const std::uint64_t generation = feed.Generation();
    // Range 0 spans 30..80 dB: 80,5 dB is over its upper end.
    AppendLive(Word(805, 0, SlowBit), t0);
    EXPECT_EQ(feed.Readings(), 1);
    AppendLive(Word(650, 0, CBit), t0.addSecs(1));
    AppendLive(Word(500, 0, SlowBit), t0.addSecs(2));
    EXPECT_EQ(feed.Readings(), 3);
    EXPECT_EQ(feed.Generation(), generation);

    const auto intervals = feed.Statistics().AllIntervals();
    ASSERT_EQ(intervals.size(), 2u);
    ASSERT_TRUE(intervals[0].a);
    EXPECT_FALSE(intervals[0].c);
    EXPECT_EQ(intervals[0].a->overRange, 1);
    EXPECT_EQ(intervals[0].a->bounds.max, Bound::AtLeast);
    ASSERT_TRUE(intervals[1].a && intervals[1].c);
    EXPECT_EQ(intervals[1].a->readings, 1);
    EXPECT_EQ(intervals[1].c->readings, 1);
    EXPECT_EQ(intervals[1].c->maxTenths, 650);
    EXPECT_EQ(intervals[1].c->responses, SeenFast);
    EXPECT_FALSE(intervals[1].a->BeyondRange());
    EXPECT_FALSE(intervals[1].c->BeyondRange());
}

TEST_F(Feed, LiveRowsAcrossMidnightTakeThePcDate) {
    const QDateTime t0(QDate(2026, 3, 10), QTime(23, 59, 59), Zone);
    AppendLive(Word(600), t0);
    AppendLive(Word(600), t0.addSecs(1));
    AppendLive(Word(600), t0.addSecs(3));  // one tick missed
    const auto intervals = feed.Statistics().AllIntervals();
    ASSERT_EQ(intervals.size(), 2u);
    EXPECT_EQ(intervals[1].startEpoch, Epoch(QDate(2026, 3, 11), QTime(0, 0)));
    EXPECT_EQ(intervals[1].coveredSeconds, 2);
    EXPECT_EQ(intervals[1].missingSeconds, 1);
}

TEST_F(Feed, ListenersGetEveryReadingInOrderInBatches) {
    struct Batch {
        std::vector<Reading> readings;
        bool live;
    };
    std::vector<Batch> batches;
    QObject::connect(&feed, &SessionFeed::ReadingsFed,
                     [&](const std::vector<Reading>& r, bool live) { batches.push_back({r, live}); });
    // Three hours of a record file: more than one run of words.
    std::vector<std::uint32_t> words;
    for (int s = 0; s < 3 * 3600; ++s) words.push_back(WithTime(Word(500 + s % 100), s / 3600, s / 60 % 60, s % 60));
    const QDate day(2026, 3, 10);
    session.AppendFileWords(words, day);
    ASSERT_GT(batches.size(), 1u);
    std::vector<Reading> all;
    for (const Batch& b : batches) {
        EXPECT_FALSE(b.live);
        all.insert(all.end(), b.readings.begin(), b.readings.end());
    }
    ASSERT_EQ(all.size(), words.size());
    for (std::size_t i = 0; i < all.size(); ++i) {
        ASSERT_EQ(all[i].epochSeconds, Epoch(day, QTime(0, 0)) + std::int64_t(i)) << i;
        ASSERT_EQ(all[i].tenths, 500 + int(i % 100)) << i;
    }

    // A tick of a recording after the table was cleared: one batch of its
    // one reading, told as live.
    session.ClearTable();
    session.Recording = true;
    batches.clear();
    AppendLive(Word(600), QDateTime(day, QTime(12, 0), Zone));
    ASSERT_EQ(batches.size(), 1u);
    EXPECT_TRUE(batches[0].live);
    ASSERT_EQ(batches[0].readings.size(), 1u);
    EXPECT_EQ(batches[0].readings[0].tenths, 600);
}

// The statistics write their levels themselves (their engine links Qt Core
// only); they must read as the table's do.
TEST(LevelTexts, TheStatisticsWriteLevelsAsTheTableDoes) {
    for (int tenths = -25; tenths <= 2000; ++tenths)
        ASSERT_EQ(LevelText(tenths / 10.0), reading::FormatLevel(tenths)) << tenths;
    EXPECT_EQ(LevelText(65.26), "65,3");
    EXPECT_EQ(LevelText(67.449), "67,4");
    EXPECT_EQ(CommaDecimal(12.345, 2), "12,35");
}

// The scale labels lie inside their range: 80,0 dB is a level the 30-80 dB
// range shows and 80,1 dB lies over it; 59,9 dB lies under the 60-110 dB
// range (no word holds a level under 30,0 dB).
TEST(RangeEndTest, LevelsBeyondTheScaleLabelsAreOverOrUnder) {
    struct Case {
        int tenths, range;
        RangeEnd end;
    } cases[] = {
        {300, 0, RangeEnd::Inside}, {799, 0, RangeEnd::Inside},
        {800, 0, RangeEnd::Inside}, {801, 0, RangeEnd::Over},   {850, 0, RangeEnd::Over},
        {599, 3, RangeEnd::Under}, {600, 3, RangeEnd::Inside}, {1100, 3, RangeEnd::Inside},
        {1101, 3, RangeEnd::Over}, {1300, 6, RangeEnd::Inside}, {1310, 6, RangeEnd::Over},
        {300, 7, RangeEnd::Inside},  // range 7 names no range
    };
    for (const Case& c : cases)
        EXPECT_EQ(RangeEndOf(Word(c.tenths, c.range)), c.end) << c.tenths << " range " << c.range;
}

TEST_F(Feed, TextRowsTakeTheirLocaleDateAndTime) {
    const QDate day(2026, 3, 10);
    auto row = [&](const char* level, const char* weighting, QTime t) {
        return std::array<QString, 5>{QString(), QString::fromLatin1(level), QString::fromLatin1(weighting),
                                      reading::FormatLongTime(t), reading::FormatShortDate(day)};
    };
    // The program writes short dates with a two-digit year here ("3/10/26").
    ASSERT_EQ(reading::FormatShortDate(day), QStringLiteral("3/10/26"));
    AppendText({row("60,0", "A", QTime(8, 14, 59)), row("70,0", "A", QTime(8, 15, 0)),
                row("55,5", "C", QTime(8, 15, 2)), {}});
    EXPECT_EQ(feed.UnreadRows(), 0);
    EXPECT_EQ(feed.TextReadings(), 3);
    const auto intervals = feed.Statistics().AllIntervals();
    ASSERT_EQ(intervals.size(), 2u);
    EXPECT_EQ(intervals[0].startEpoch, Epoch(day, QTime(8, 14)));
    EXPECT_EQ(intervals[1].startEpoch, Epoch(day, QTime(8, 15)));
    EXPECT_EQ(intervals[1].missingSeconds, 1);
    ASSERT_TRUE(intervals[1].c);
    EXPECT_EQ(intervals[1].c->maxTenths, 555);
    EXPECT_EQ(intervals[1].a->responses, SeenUnknown);
    EXPECT_FALSE(intervals[1].a->BeyondRange());
    EXPECT_EQ(BasisText(intervals[1].a->responses), QStringLiteral("from 1 s readings, time weighting unknown"));
}

// A text row's level is rounded to the nearest tenth, not cut: most
// decimals are not exact in binary ("65,2" reads as 65.1999...).
TEST_F(Feed, TextLevelsRoundToTheNearestTenth) {
    const QDate day(2026, 3, 10);
    const struct { const char* text; int tenths; } levels[] = {
        {"65,3", 653}, {"65,2", 652}, {"64,7", 647}, {"65,7", 657}, {"30,3", 303}, {"120,1", 1201}, {"61,25", 613},
    };
    std::vector<Reading> fed;
    QObject::connect(&feed, &SessionFeed::ReadingsFed, [&](const std::vector<Reading>& r, bool) {
        fed.insert(fed.end(), r.begin(), r.end());
    });
    std::vector<std::array<QString, 5>> rows;
    for (const auto& l : levels)
        rows.push_back({QString::number(rows.size() + 1), QString::fromLatin1(l.text), "A",
                        reading::FormatLongTime(QTime(9, 0, 0).addSecs(int(rows.size()))), reading::FormatShortDate(day)});
    AppendText(rows);
    ASSERT_EQ(fed.size(), std::size(levels));
    for (std::size_t i = 0; i < fed.size(); ++i) EXPECT_EQ(fed[i].tenths, levels[i].tenths) << levels[i].text;
}

// Two ticks within one second, a word or a row written twice: the first
// reading of the second counts, whether the rows are live, from a record
// file or from a text file; the listeners (alarms, report) get both, to
// apply the same rule.
TEST_F(Feed, ASecondReadTwiceCountsOnceWhereverTheRowsComeFrom) {
    const QDate day(2026, 3, 10);
    const QDateTime t0(day, QTime(10, 0, 0), Zone);
    auto textRow = [&](const char* level, QTime t) {
        return std::array<QString, 5>{"1", QString::fromLatin1(level), "A", reading::FormatLongTime(t),
                                      reading::FormatShortDate(day)};
    };
    const struct {
        const char* name;
        std::function<void()> append;
    } sources[] = {
        {"live rows", [&] {
             AppendLive(Word(700), t0.addMSecs(20));
             AppendLive(Word(900), t0.addMSecs(990));
             AppendLive(Word(700), t0.addMSecs(2010));
         }},
        {"record file", [&] {
             session.AppendFileWords({WithTime(Word(700), 10, 0, 0), WithTime(Word(900), 10, 0, 0),
                                      WithTime(Word(700), 10, 0, 2)},
                                     day);
         }},
        {"text rows", [&] {
             AppendText({textRow("70,0", QTime(10, 0, 0)), textRow("90,0", QTime(10, 0, 0)),
                         textRow("70,0", QTime(10, 0, 2))});
         }},
    };
    std::size_t fed = 0;
    QObject::connect(&feed, &SessionFeed::ReadingsFed, [&](const std::vector<Reading>& r, bool) { fed += r.size(); });
    for (const auto& source : sources) {
        SCOPED_TRACE(source.name);
        session.ClearTable();
        fed = 0;
        source.append();
        const PeriodResult whole = feed.Statistics().Whole();
        EXPECT_EQ(whole.coveredSeconds, 2);
        EXPECT_EQ(whole.missingSeconds, 1);
        ASSERT_TRUE(whole.a);
        EXPECT_EQ(whole.a->readings, 2);
        EXPECT_EQ(whole.a->maxTenths, 700);
        EXPECT_EQ(feed.Statistics().RepeatedReadings(), 1);
        EXPECT_EQ(feed.Readings(), 2);
        EXPECT_EQ(fed, 3u);
    }
}

// A row whose date or time no form reads gets no made-up time: it is left
// out of the statistics, and counted.
TEST_F(Feed, TextRowsWhoseDatesNoFormReadsAreLeftOut) {
    AppendText({{"1", "60,0", "A", "soon", "someday"},
                {"2", "62,0", "A", "later", "someday"},
                {"3", "64,0", "A", "", ""},
                {"4", "66,0", "A", "12:00:00", "3/10/26"}});
    EXPECT_EQ(feed.UnreadRows(), 3);
    EXPECT_EQ(feed.TextReadings(), 1);
    const PeriodResult whole = feed.Statistics().Whole();
    EXPECT_EQ(whole.coveredSeconds, 1);
    EXPECT_EQ(whole.startEpoch, Epoch(QDate(2026, 3, 10), QTime(12, 0)));
}

// A text export read with other language settings than it was written
// with: every row is read in the form it was written in, at its own time,
// and the gap stays a gap.
TEST_F(Feed, AnExportWrittenWithOtherLanguageSettingsKeepsItsTimesAndGaps) {
    const QDate day(2026, 12, 11);
    struct Case {
        const char* name;
        QLocale written, read;
        const char* dateForm;  // the forms of other settings that read it; "": the reader's own
        const char* timeForm;
    } cases[] = {
        {"C read with de_DE", QLocale::c(), QLocale(QLocale::German, QLocale::Germany), "d MMM yyyy", ""},
        {"en_US read with de_DE", QLocale(QLocale::English, QLocale::UnitedStates), QLocale(QLocale::German, QLocale::Germany),
         "M/d/yy", "h:mm:ss AP"},
        {"de_DE read with C", QLocale(QLocale::German, QLocale::Germany), QLocale::c(), "dd.MM.yy", ""},
        {"ja_JP read with en_US", QLocale(QLocale::Japanese, QLocale::Japan), QLocale(QLocale::English, QLocale::UnitedStates),
         "yyyy/MM/dd", "H\u6642mm\u5206ss\u79d2"},
        {"en_US read with en_US", QLocale(QLocale::English, QLocale::UnitedStates),
         QLocale(QLocale::English, QLocale::UnitedStates), "", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        session.ClearTable();
        // 13:40:00 to 13:44:59 with 13:42:00 to 13:42:59 missing, as the
        // program writes the rows with the writer's settings.
        QLocale::setDefault(c.written);
        std::vector<std::array<QString, 5>> rows;
        for (int s = 0; s < 300; ++s) {
            if (s >= 120 && s < 180) continue;
            const QTime t = QTime(13, 40).addSecs(s);
            rows.push_back({QString::number(rows.size() + 1), reading::FormatLevel(600 + s % 50), "A",
                            reading::FormatLongTime(t), reading::FormatShortDate(day)});
        }
        QLocale::setDefault(c.read);
        AppendText(rows);
        EXPECT_EQ(feed.UnreadRows(), 0);
        EXPECT_EQ(feed.TextReadings(), 240);
        // The forms named: exactly for the first that Qt lists, else one as
        // good (Qt reads "11.12.26" in the form d.M.yy as in dd.MM.yy).
        for (const auto& [named, expected] : {std::pair{feed.RowTimes().DateForm(), QString::fromLatin1(c.dateForm)},
                                              std::pair{feed.RowTimes().TimeForm(), QString::fromUtf8(c.timeForm)}}) {
            EXPECT_EQ(named.isEmpty(), expected.isEmpty()) << named.toStdString();
            if (c.written == QLocale::c() || c.written == QLocale(QLocale::English, QLocale::UnitedStates))
                EXPECT_EQ(named, expected);
        }
        const PeriodResult whole = feed.Statistics().Whole();
        EXPECT_EQ(whole.startEpoch, Epoch(day, QTime(13, 40)));
        EXPECT_EQ(whole.lengthSeconds, 300);
        EXPECT_EQ(whole.missingSeconds, 60);
        const auto intervals = feed.Statistics().AllIntervals();
        ASSERT_EQ(intervals.size(), 4u);  // 13:42 has no reading
        EXPECT_EQ(intervals[2].startEpoch, Epoch(day, QTime(13, 43)));
    }
}

// Dates a file alone can't place: "12/11/26" is 11 December as American
// English writes it and 12 November in other forms. Read in the first form
// that reads every date, and the other reading is said.
TEST_F(Feed, DatesTwoFormsReadAsOtherDaysAreSaid) {
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    AppendText({{"1", "60,0", "A", "1:44:54 PM", "12/11/26"}, {"2", "60,0", "A", "1:44:55 PM", "12/11/26"}});
    EXPECT_EQ(feed.UnreadRows(), 0);
    EXPECT_EQ(feed.RowTimes().DateForm(), QStringLiteral("M/d/yy"));
    EXPECT_FALSE(feed.RowTimes().RivalDateForm().isEmpty());  // d/M/yy, or another reading 12 as the year
    EXPECT_EQ(feed.Statistics().Whole().startEpoch, Epoch(QDate(2026, 12, 11), QTime(13, 44, 54)));
}

TEST_F(Feed, AResetEmptiesTheStatisticsAndANewFileIsComputedAfresh) {
    session.AppendFileWords({WithTime(Word(700), 10, 0, 0), WithTime(Word(710), 10, 0, 1)}, QDate(2026, 3, 10));
    int changes = 0;
    QObject::connect(&feed, &SessionFeed::Changed, [&] { ++changes; });
    session.ClearTable();
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(feed.Readings(), 0);
    EXPECT_TRUE(feed.Statistics().AllIntervals().empty());
    session.AppendFileWords({WithTime(Word(500), 11, 0, 0)}, QDate(2026, 3, 11));
    EXPECT_EQ(changes, 2);
    ASSERT_EQ(feed.Statistics().AllIntervals().size(), 1u);
    EXPECT_EQ(feed.Statistics().Whole().a->maxTenths, 500);
    EXPECT_EQ(feed.Statistics().Whole().startEpoch, Epoch(QDate(2026, 3, 11), QTime(11, 0)));
}

TEST_F(Feed, AnotherIntervalLengthRecomputesFromTheRows) {
    std::vector<std::uint32_t> words;
    for (int s = 0; s < 600; ++s) words.push_back(WithTime(Word(500 + s % 100), 10, 2 + s / 60, s % 60));
    session.AppendFileWords(words, QDate(2026, 3, 10));
    EXPECT_EQ(feed.Statistics().AllIntervals().size(), 10u);
    feed.SetLength(IntervalLength::Minutes5);
    const auto five = feed.Statistics().AllIntervals();
    ASSERT_EQ(five.size(), 3u);  // 10:00 (from 10:02), 10:05, 10:10 (to 10:11:59)
    EXPECT_EQ(five[0].startEpoch, Epoch(QDate(2026, 3, 10), QTime(10, 0)));
    EXPECT_EQ(five[0].coveredSeconds, 180);
    EXPECT_EQ(five[1].coveredSeconds, 300);
    EXPECT_EQ(five[2].coveredSeconds, 120);
    EXPECT_EQ(feed.Readings(), 600);
}

TEST(RowDate, LocaleDatesWithTwoAndFourDigitYears) {
    const QLocale us(QLocale::English, QLocale::UnitedStates);
    const QLocale de(QLocale::German, QLocale::Germany);
    const QDate today(2026, 12, 10);
    struct Case {
        QLocale locale;
        const char* text;
        QDate expected;  // invalid: unreadable
    } cases[] = {
        {us, "3/10/26", QDate(2026, 3, 10)},
        {us, " 3/10/2026 ", QDate(2026, 3, 10)},
        {us, "12/31/99", QDate(1999, 12, 31)},  // nearer to today than 2099
        {us, "1/2/75", QDate(2075, 1, 2)},      // 2075 is nearer than 1975
        {us, "2/29/00", QDate(2000, 2, 29)},
        {de, "10.03.26", QDate(2026, 3, 10)},
        {de, "10.03.2026", QDate(2026, 3, 10)},
        {us, "13/45/26", QDate()},
        {us, "someday", QDate()},
        {us, "", QDate()},
    };
    for (const Case& c : cases) {
        const auto d = ReadRowDate(QString::fromLatin1(c.text), c.locale, today);
        if (c.expected.isValid()) {
            ASSERT_TRUE(d) << c.text;
            EXPECT_EQ(*d, c.expected) << c.text;
        } else {
            EXPECT_FALSE(d) << c.text;
        }
    }
}

TEST(RowTime, TheProgramsOwnLongTimesReadBack) {
    for (const QLocale& locale : {QLocale(QLocale::English, QLocale::UnitedStates), QLocale(QLocale::German),
                                  QLocale(QLocale::Japanese)}) {
        QLocale::setDefault(locale);
        for (const QTime t : {QTime(0, 0, 0), QTime(12, 30, 5), QTime(23, 59, 59), QTime(13, 0, 1)}) {
            const auto read = ReadRowTime(reading::FormatLongTime(t), locale);
            ASSERT_TRUE(read) << qPrintable(reading::FormatLongTime(t));
            EXPECT_EQ(*read, t) << qPrintable(reading::FormatLongTime(t));
        }
    }
    QLocale::setDefault(QLocale::c());
    EXPECT_FALSE(ReadRowTime(QStringLiteral("later"), QLocale::c()));
    EXPECT_EQ(ReadRowTime(QStringLiteral("07:08:09"), QLocale::c()), QTime(7, 8, 9));
}

}  // namespace
