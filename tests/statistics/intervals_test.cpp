// SPDX-License-Identifier: GPL-3.0-or-later
// Clock intervals, gaps, weightings kept apart and range ends.
#include "noise/noise_statistics.h"
#include "tests/statistics/readings.h"
#include <QDate>
#include <QTime>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace noisestats {
namespace {

using testing::At;
using testing::EpochOf;

constexpr int kCet = 3600, kCest = 7200;
const QDate kDay(2026, 3, 14);

// Local start ("hh:mm" on which day) of each interval.
struct Start { QDate day; std::string time; int offset; };
std::vector<Start> Starts(const std::vector<PeriodResult>& periods) {
    std::vector<Start> out;
    for (const PeriodResult& p : periods) {
        const QDateTime local = QDateTime::fromSecsSinceEpoch(p.startEpoch + p.utcOffsetSeconds, QTimeZone::utc());
        out.push_back({local.date(), local.time().toString(QStringLiteral("HH:mm:ss")).toStdString(),
                       p.utcOffsetSeconds});
    }
    return out;
}

TEST(StatisticsIntervals, FollowTheLocalClockAcrossMidnight) {
    struct Case {
        const char* name; IntervalLength length; QTime first; int seconds; int offset;
        std::vector<const char*> starts; int daysOfLast;  // the last interval's day after kDay
    };
    const Case cases[] = {
        {"1 min from 23:58:30", IntervalLength::Minutes1, QTime(23, 58, 30), 240, kCet,
         {"23:58:00", "23:59:00", "00:00:00", "00:01:00", "00:02:00"}, 1},
        {"5 min from 23:58:30", IntervalLength::Minutes5, QTime(23, 58, 30), 240, kCet,
         {"23:55:00", "00:00:00"}, 1},
        {"15 min from 23:50:00", IntervalLength::Minutes15, QTime(23, 50, 0), 1800, kCet,
         {"23:45:00", "00:00:00", "00:15:00"}, 1},
        {"30 min from 23:29:59, India", IntervalLength::Minutes30, QTime(23, 29, 59), 3602, 19800,
         {"23:00:00", "23:30:00", "00:00:00", "00:30:00"}, 1},
        {"60 min from 22:59:59, India", IntervalLength::Minutes60, QTime(22, 59, 59), 3602, 19800,
         {"22:00:00", "23:00:00", "00:00:00"}, 1},
        {"60 min from 23:00 UTC-3", IntervalLength::Minutes60, QTime(23, 0, 0), 3600, -10800,
         {"23:00:00"}, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        NoiseStatistics s(c.length);
        const std::int64_t t0 = EpochOf(kDay, c.first, c.offset);
        for (int i = 0; i < c.seconds; ++i) s.Add(At(t0 + i, 600, Weighting::A, TimeWeighting::Slow, false, c.offset));
        const std::vector<Start> starts = Starts(s.AllIntervals());
        ASSERT_EQ(starts.size(), c.starts.size());
        std::int64_t covered = 0;
        for (size_t i = 0; i < starts.size(); ++i) {
            EXPECT_EQ(starts[i].time, c.starts[i]) << "interval " << i;
            EXPECT_EQ(starts[i].offset, c.offset);
            covered += s.AllIntervals()[i].coveredSeconds;
            EXPECT_EQ(s.AllIntervals()[i].lengthSeconds, int(c.length));
        }
        EXPECT_EQ(starts.back().day, kDay.addDays(c.daysOfLast));
        EXPECT_EQ(covered, c.seconds);
        EXPECT_EQ(s.Whole().missingSeconds, 0);
    }
}

// When the clock goes back the repeated hour's intervals appear again with
// the new offset; when it goes forward the skipped hour holds nothing and
// no second is missing.
TEST(StatisticsIntervals, DaylightSavingChangesStartNewIntervals) {
    struct Case {
        const char* name; QDate day; QTime lastBefore; int offsetBefore; QTime firstAfter; int offsetAfter;
        std::vector<std::pair<const char*, int>> starts;
    };
    const Case cases[] = {
        {"clock back 03:00 CEST to 02:00 CET", QDate(2026, 10, 25), QTime(2, 59, 58), kCest, QTime(2, 0, 0), kCet,
         {{"02:00:00", kCest}, {"02:00:00", kCet}}},
        {"clock forward 02:00 CET to 03:00 CEST", QDate(2026, 3, 29), QTime(1, 59, 58), kCet, QTime(3, 0, 0), kCest,
         {{"01:00:00", kCet}, {"03:00:00", kCest}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        NoiseStatistics s(IntervalLength::Minutes60);
        const std::int64_t before = EpochOf(c.day, c.lastBefore, c.offsetBefore);
        const std::int64_t after = EpochOf(c.day, c.firstAfter, c.offsetAfter);
        ASSERT_EQ(after, before + 2);  // real time runs on without a gap
        s.Add(At(before, 600, Weighting::A, TimeWeighting::Slow, false, c.offsetBefore));
        s.Add(At(before + 1, 610, Weighting::A, TimeWeighting::Slow, false, c.offsetBefore));
        s.Add(At(after, 700, Weighting::A, TimeWeighting::Slow, false, c.offsetAfter));
        const std::vector<Start> starts = Starts(s.AllIntervals());
        ASSERT_EQ(starts.size(), c.starts.size());
        for (size_t i = 0; i < starts.size(); ++i) {
            EXPECT_EQ(starts[i].time, c.starts[i].first);
            EXPECT_EQ(starts[i].offset, c.starts[i].second);
        }
        EXPECT_EQ(s.AllIntervals().back().a->maxTenths, 700);
        EXPECT_EQ(s.AllIntervals().back().coveredSeconds, 1);
        EXPECT_EQ(s.Whole().missingSeconds, 0);
        EXPECT_EQ(s.Whole().coveredSeconds, 3);
    }
}

// Readings (second offset from 10:00:00, level) in one-minute intervals.
struct GapCase {
    const char* name;
    std::vector<std::pair<int, int>> readings;
    std::vector<std::pair<int, int>> perInterval;  // (covered, missing) of each listed interval
    int wholeMissing;
    int wholeCovered;
};

TEST(StatisticsIntervals, GapsCountAsMissingNeverAsLowLevels) {
    const GapCase cases[] = {
        {"a gap inside one minute", {{0, 700}, {1, 700}, {11, 700}, {12, 700}}, {{4, 9}}, 9, 4},
        {"a gap across a minute boundary", {{50, 700}, {70, 700}}, {{1, 9}, {1, 10}}, 19, 2},
        {"an unplugged hour between minutes", {{30, 700}, {3630, 700}}, {{1, 29}, {1, 30}}, 3599, 2},
        {"the seconds before the first and after the last reading", {{20, 700}, {21, 700}}, {{2, 0}}, 0, 2},
        // The first reading of a second counts; the later one (90 dB) is skipped.
        {"a second read twice", {{5, 700}, {5, 900}, {6, 700}}, {{2, 0}}, 0, 2},
        {"a second read three times after a gap", {{5, 700}, {9, 700}, {9, 900}, {9, 900}}, {{2, 3}}, 3, 2},
    };
    const std::int64_t t0 = EpochOf(kDay, QTime(10, 0, 0), kCet);
    for (const GapCase& c : cases) {
        SCOPED_TRACE(c.name);
        NoiseStatistics s(IntervalLength::Minutes1);
        for (auto [second, tenths] : c.readings) s.Add(At(t0 + second, tenths, Weighting::A, TimeWeighting::Slow, false, kCet));
        const std::vector<PeriodResult> all = s.AllIntervals();
        ASSERT_EQ(all.size(), c.perInterval.size());
        for (size_t i = 0; i < all.size(); ++i) {
            EXPECT_EQ(all[i].coveredSeconds, c.perInterval[i].first) << "interval " << i;
            EXPECT_EQ(all[i].missingSeconds, c.perInterval[i].second) << "interval " << i;
            // Missing seconds never lower the levels: all readings are 70 dB.
            EXPECT_NEAR(all[i].a->leq, 70.0, 1e-9);
            EXPECT_EQ(all[i].a->l90Tenths, 700);
        }
        EXPECT_EQ(s.Whole().missingSeconds, c.wholeMissing);
        EXPECT_EQ(s.Whole().coveredSeconds, c.wholeCovered);
        EXPECT_EQ(s.RepeatedReadings(), std::int64_t(c.readings.size()) - c.wholeCovered);
        EXPECT_NEAR(s.Whole().a->leq, 70.0, 1e-9);
        EXPECT_EQ(s.Whole().a->maxTenths, 700);
    }
}

TEST(StatisticsIntervals, AAndCAreNeverPooled) {
    NoiseStatistics s(IntervalLength::Minutes1);
    const std::int64_t t0 = EpochOf(kDay, QTime(9, 0, 0), kCet);
    // Minute 1: A at 60 dB FAST, C at 80 dB SLOW. Minute 2: C only, 70 and 90 dB.
    for (int i = 0; i < 30; ++i) s.Add(At(t0 + i, 600, Weighting::A, TimeWeighting::Fast, false, kCet));
    for (int i = 30; i < 60; ++i) s.Add(At(t0 + i, 800, Weighting::C, TimeWeighting::Slow, false, kCet));
    for (int i = 60; i < 90; ++i) s.Add(At(t0 + i, i % 2 ? 700 : 900, Weighting::C, TimeWeighting::Slow, false, kCet));

    const std::vector<PeriodResult> all = s.AllIntervals();
    ASSERT_EQ(all.size(), 2u);
    ASSERT_TRUE(all[0].a && all[0].c);
    EXPECT_EQ(all[0].a->readings, 30);
    EXPECT_EQ(all[0].c->readings, 30);
    EXPECT_NEAR(all[0].a->leq, 60.0, 1e-9);
    EXPECT_NEAR(all[0].c->leq, 80.0, 1e-9);
    EXPECT_EQ(all[0].a->maxTenths, 600);
    EXPECT_EQ(all[0].c->minTenths, 800);
    EXPECT_EQ(all[0].a->responses, SeenFast);
    EXPECT_EQ(all[0].c->responses, SeenSlow);
    EXPECT_EQ(all[0].coveredSeconds, 60);
    EXPECT_FALSE(all[1].a.has_value());
    ASSERT_TRUE(all[1].c);
    // The second minute's histogram holds none of the first minute's readings.
    EXPECT_EQ(all[1].c->l10Tenths, 900);
    EXPECT_EQ(all[1].c->l50Tenths, 700);
    EXPECT_EQ(all[1].c->minTenths, 700);

    const PeriodResult whole = s.Whole();
    EXPECT_NEAR(whole.a->leq, 60.0, 1e-9);
    EXPECT_EQ(whole.a->readings, 30);
    EXPECT_EQ(whole.c->readings, 60);
    EXPECT_EQ(whole.c->l50Tenths, 800);
    EXPECT_EQ(whole.c->maxTenths, 900);
    // C-weighted readings add no noise dose.
    EXPECT_EQ(whole.a->oshaDosePercent, 0.0);
    EXPECT_GT(whole.c->oshaDosePercent, 0.0);  // kept, but only A's is ever shown
}

TEST(StatisticsIntervals, RangeEndMarksOnlyItsPeriodAndWeighting) {
    NoiseStatistics s(IntervalLength::Minutes1);
    const std::int64_t t0 = EpochOf(kDay, QTime(9, 0, 0), kCet);
    s.Add(At(t0, 600, Weighting::A, TimeWeighting::Slow, false, kCet));
    s.Add(At(t0 + 1, 1300, Weighting::A, TimeWeighting::Slow, true, kCet));  // the meter's top: a bound
    s.Add(At(t0 + 2, 700, Weighting::C, TimeWeighting::Slow, false, kCet));
    s.Add(At(t0 + 60, 600, Weighting::A, TimeWeighting::Slow, false, kCet));
    const std::vector<PeriodResult> all = s.AllIntervals();
    ASSERT_EQ(all.size(), 2u);
    EXPECT_TRUE(all[0].a->BeyondRange());
    EXPECT_FALSE(all[0].c->BeyondRange());
    EXPECT_FALSE(all[1].a->BeyondRange());
    EXPECT_TRUE(s.Whole().a->BeyondRange());
    EXPECT_FALSE(s.Whole().c->BeyondRange());
}

// A reading over its range stands for a level at least as high, one under
// it for one at most as low: a figure is a bound exactly when such a
// reading can move it, and in the direction it can.
TEST(StatisticsIntervals, OnlyFiguresAReadingBeyondItsRangeCanMoveAreBounds) {
    using B = Bound;
    constexpr RangeEnd In = RangeEnd::Inside, Over = RangeEnd::Over, Under = RangeEnd::Under;
    struct Case {
        const char* name;
        std::vector<std::pair<int, RangeEnd>> readings;  // tenths and range end, a second apart
        FigureBounds expected;                           // leq, max, min, l10, l50, l90, dose
    };
    auto times = [](int n, int tenths, RangeEnd end) { return std::vector<std::pair<int, RangeEnd>>(n, {tenths, end}); };
    auto join = [](std::vector<std::pair<int, RangeEnd>> a, const std::vector<std::pair<int, RangeEnd>>& b) {
        a.insert(a.end(), b.begin(), b.end());
        return a;
    };
    std::vector<std::pair<int, RangeEnd>> ramp;  // 55,0 .. 64,9 dB
    for (int i = 0; i < 100; ++i) ramp.push_back({550 + i, In});
    const Case cases[] = {
        {"inside", ramp, {}},
        {"one loud second over the range", join(ramp, {{850, Over}}),
         {B::AtLeast, B::AtLeast, B::Exact, B::Exact, B::Exact, B::Exact, B::AtLeast}},
        {"one quiet second under it", join({{290, Under}}, ramp),
         {B::AtMost, B::Exact, B::AtMost, B::Exact, B::Exact, B::Exact, B::Exact}},
        {"under the range all along", times(40, 290, Under),
         {B::AtMost, B::AtMost, B::AtMost, B::AtMost, B::AtMost, B::AtMost, B::Exact}},
        {"over and under", join(join({{290, Under}}, ramp), {{850, Over}}),
         {B::Either, B::AtLeast, B::AtMost, B::Exact, B::Exact, B::Exact, B::AtLeast}},
        // Over a low range (30-80) below readings of a higher one: every
        // rank at or above them can rise.
        {"over a low range under higher levels", join(times(50, 850, Over), times(50, 1000, In)),
         {B::AtLeast, B::AtLeast, B::AtLeast, B::AtLeast, B::AtLeast, B::AtLeast, B::AtLeast}},
        // The maximum is held by a reading inside the range as well: it
        // stays; the reading under the range may still be the lowest.
        {"under the range at the maximum, shared", join(times(5, 600, In), {{650, In}, {650, Under}}),
         {B::AtMost, B::Exact, B::AtMost, B::Exact, B::Exact, B::AtMost, B::Exact}},
        {"under the range at the maximum alone", join(times(5, 600, In), {{650, Under}}),
         {B::AtMost, B::AtMost, B::AtMost, B::AtMost, B::Exact, B::AtMost, B::Exact}},
        // Under a top range (80-130): a level that adds dose may be lower;
        // L90, the second lowest of eleven, stays.
        {"under a range whose readings add dose", join(times(10, 900, In), {{820, Under}}),
         {B::AtMost, B::Exact, B::AtMost, B::Exact, B::Exact, B::Exact, B::AtMost}},
    };
    const auto name = [](B b) { return b == B::Exact ? "exact" : b == B::AtLeast ? "at least" : b == B::AtMost ? "at most" : "either"; };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        NoiseStatistics s(IntervalLength::Minutes60);
        const std::int64_t t0 = EpochOf(kDay, QTime(9, 0, 0), kCet);
        for (std::size_t i = 0; i < c.readings.size(); ++i)
            s.Add(At(t0 + std::int64_t(i), c.readings[i].first, Weighting::A, TimeWeighting::Slow, c.readings[i].second,
                     kCet));
        const PeriodResult whole = s.Whole();
        ASSERT_TRUE(whole.a);
        const FigureBounds& b = whole.a->bounds;
        const std::pair<B, B> figures[] = {{b.leq, c.expected.leq}, {b.max, c.expected.max}, {b.min, c.expected.min},
                                           {b.l10, c.expected.l10}, {b.l50, c.expected.l50}, {b.l90, c.expected.l90},
                                           {b.dose, c.expected.dose}};
        const char* names[] = {"Leq", "max", "min", "L10", "L50", "L90", "dose"};
        for (int i = 0; i < 7; ++i) EXPECT_STREQ(name(figures[i].first), name(figures[i].second)) << names[i];
        // The interval holds the same readings: the same bounds.
        const std::vector<PeriodResult> intervals = s.AllIntervals();  // a copy: the bounds below point into it
        ASSERT_FALSE(intervals.empty());
        ASSERT_TRUE(intervals[0].a);
        const FigureBounds& ib = intervals[0].a->bounds;
        EXPECT_EQ(ib.l90, b.l90);
        EXPECT_EQ(ib.max, b.max);
    }
}

TEST(StatisticsIntervals, ChangingTheLengthRecomputesFromTheReadings) {
    std::vector<Reading> readings;
    const std::int64_t t0 = EpochOf(kDay, QTime(8, 57, 13), kCet);
    for (int i = 0; i < 7200; ++i)
        if (i % 97 != 5)  // a few missing seconds
            readings.push_back(At(t0 + i, 400 + (i * 7919) % 600, i % 3 ? Weighting::A : Weighting::C,
                                  TimeWeighting::Slow, i == 4000, kCet));
    NoiseStatistics s(IntervalLength::Minutes1);
    s.Recompute(IntervalLength::Minutes1, readings);
    ASSERT_EQ(s.AllIntervals().size(), 121u);
    const PeriodResult wholeBefore = s.Whole();

    s.Recompute(IntervalLength::Minutes15, readings);
    NoiseStatistics fresh(IntervalLength::Minutes15);
    for (const Reading& r : readings) fresh.Add(r);
    const std::vector<PeriodResult> got = s.AllIntervals(), want = fresh.AllIntervals();
    ASSERT_EQ(got.size(), 9u);  // 08:45 .. 10:45
    ASSERT_EQ(got.size(), want.size());
    std::int64_t covered = 0, missing = 0;
    for (size_t i = 0; i < got.size(); ++i) {
        EXPECT_EQ(got[i].startEpoch, want[i].startEpoch);
        EXPECT_EQ(got[i].coveredSeconds, want[i].coveredSeconds);
        EXPECT_EQ(got[i].missingSeconds, want[i].missingSeconds);
        EXPECT_EQ(got[i].a->l50Tenths, want[i].a->l50Tenths);
        EXPECT_DOUBLE_EQ(got[i].c->leq, want[i].c->leq);
        covered += got[i].coveredSeconds;
        missing += got[i].missingSeconds;
    }
    // The intervals split the whole data's seconds exactly.
    EXPECT_EQ(covered, s.Whole().coveredSeconds);
    EXPECT_EQ(missing, s.Whole().missingSeconds);
    EXPECT_EQ(covered + missing, 7200);
    EXPECT_EQ(s.Whole().coveredSeconds, wholeBefore.coveredSeconds);
    EXPECT_DOUBLE_EQ(s.Whole().a->leq, wholeBefore.a->leq);
    EXPECT_EQ(s.Whole().a->l10Tenths, wholeBefore.a->l10Tenths);
}

TEST(StatisticsIntervals, LevelsOutsideTheClassesAreRefused) {
    NoiseStatistics s;
    const std::int64_t t0 = EpochOf(kDay, QTime(9, 0, 0), kCet);
    const int refused[] = {-1, 2000, 65535};
    for (int tenths : refused) EXPECT_FALSE(s.Add(At(t0, tenths)));
    EXPECT_TRUE(s.Add(At(t0 + 1, 1999)));
    EXPECT_EQ(s.RefusedReadings(), 3);
    EXPECT_EQ(s.Whole().coveredSeconds, 1);
    EXPECT_EQ(s.Whole().a->minTenths, 1999);
}

TEST(StatisticsIntervals, AClockSetBackStartsANewIntervalWithoutMissingSeconds) {
    NoiseStatistics s(IntervalLength::Minutes1);
    const std::int64_t t0 = EpochOf(kDay, QTime(9, 5, 0), kCet);
    s.Add(At(t0, 600, Weighting::A, TimeWeighting::Slow, false, kCet));
    s.Add(At(t0 - 120, 700, Weighting::A, TimeWeighting::Slow, false, kCet));
    s.Add(At(t0 - 119, 700, Weighting::A, TimeWeighting::Slow, false, kCet));
    const std::vector<PeriodResult> all = s.AllIntervals();
    ASSERT_EQ(all.size(), 2u);
    EXPECT_EQ(all[1].startEpoch, t0 - 120);
    EXPECT_EQ(all[1].coveredSeconds, 2);
    EXPECT_EQ(s.Whole().missingSeconds, 0);
    EXPECT_EQ(s.Whole().coveredSeconds, 3);
    // The span runs from the earliest second to the latest, and names the jump.
    EXPECT_EQ(s.Whole().startEpoch, t0 - 120);
    EXPECT_EQ(s.Whole().lengthSeconds, 121);
    ASSERT_EQ(s.SetBacks().size(), 1u);
    EXPECT_EQ(s.SetBacks()[0].fromEpoch, t0);
    EXPECT_EQ(s.SetBacks()[0].toEpoch, t0 - 120);
    EXPECT_EQ(s.SetBacks()[0].Seconds(), 121);
}

// Runs of readings one second apart, from 10:00:00 plus `from`, the clock
// set back between runs; each interval by its start (seconds after 10:00),
// covered and missing seconds.
TEST(StatisticsIntervals, AClockSetBackCountsNoSecondTwice) {
    struct Run { int from, count; };
    struct Interval { int start, covered, missing; };
    struct Case {
        const char* name;
        std::vector<Run> runs;
        std::vector<Interval> intervals;
        int covered, missing, spanFrom, span, setBacks, repeated;
    };
    const Case cases[] = {
        // 40 distinct seconds: the ten read again are skipped.
        {"10 s back within one interval", {{0, 30}, {20, 20}}, {{0, 30, 0}, {0, 10, 0}}, 40, 0, 0, 40, 1, 10},
        {"into an earlier interval and on past the first reading", {{60, 10}, {0, 80}},
         {{60, 10, 0}, {0, 60, 0}, {60, 10, 0}}, 80, 0, 0, 80, 1, 10},
        // Seconds found missing before the jump stay missing, never covered later.
        {"back into a gap", {{0, 10}, {30, 10}, {20, 25}}, {{0, 20, 20}, {0, 5, 0}}, 25, 20, 0, 45, 1, 20},
        // A gap after the jump counts only the seconds not gone through before.
        {"a gap after the jump across the first run", {{100, 100}, {50, 11}, {250, 1}},
         {{60, 20, 0}, {120, 60, 0}, {180, 20, 0}, {0, 10, 0}, {60, 1, 39}, {240, 1, 10}}, 112, 89, 50, 201, 1, 0},
        // The third run fills 5..9 and goes on after 19; 2..4 and 10..19 were read before.
        {"twice back into the same minute", {{10, 10}, {0, 5}, {2, 20}}, {{0, 10, 0}, {0, 5, 0}, {0, 7, 0}}, 22, 0, 0,
         22, 2, 13},
    };
    const std::int64_t t0 = EpochOf(kDay, QTime(10, 0, 0), kCet);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        NoiseStatistics s(IntervalLength::Minutes1);
        for (const Run& run : c.runs)
            for (int i = 0; i < run.count; ++i)
                s.Add(At(t0 + run.from + i, 600 + i, Weighting::A, TimeWeighting::Slow, false, kCet));
        const std::vector<PeriodResult> all = s.AllIntervals();
        ASSERT_EQ(all.size(), c.intervals.size());
        std::int64_t covered = 0;
        for (size_t i = 0; i < all.size(); ++i) {
            SCOPED_TRACE(i);
            EXPECT_EQ(all[i].startEpoch, t0 + c.intervals[i].start);
            EXPECT_EQ(all[i].coveredSeconds, c.intervals[i].covered);
            EXPECT_EQ(all[i].missingSeconds, c.intervals[i].missing);
            EXPECT_EQ(all[i].a->readings, c.intervals[i].covered);
            covered += all[i].coveredSeconds;
        }
        const PeriodResult whole = s.Whole();
        EXPECT_EQ(covered, whole.coveredSeconds);
        EXPECT_EQ(whole.coveredSeconds, c.covered);
        EXPECT_EQ(whole.a->readings, c.covered);
        EXPECT_EQ(whole.missingSeconds, c.missing);
        EXPECT_EQ(whole.startEpoch, t0 + c.spanFrom);
        EXPECT_EQ(whole.lengthSeconds, c.span);
        EXPECT_EQ(std::int64_t(s.SetBacks().size()), c.setBacks);
        EXPECT_EQ(s.RepeatedReadings(), c.repeated);
    }
}

}  // namespace
}  // namespace noisestats
