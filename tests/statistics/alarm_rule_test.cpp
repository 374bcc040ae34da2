// SPDX-License-Identifier: GPL-3.0-or-later
// The threshold alarm against sequences of once-a-second levels.
#include "noise/alarm_rule.h"
#include "tests/statistics/readings.h"

#include <QString>
#include <QStringList>
#include <gtest/gtest.h>
#include <cmath>
#include <string>
#include <vector>

namespace noisestats {
namespace {

using testing::At;

constexpr std::int64_t kT0 = 1'780'000'000;

// "70 70 _ C80 65.5 | =90": one token a second from kT0. A number is an
// A-weighted level in dB, "C.." a C-weighted one, "_" a second without a
// reading, "|" an explicit gap (no time passes), "=.." a reading at the
// same second as the one before.
struct Item { bool gap = false; Reading reading; };
std::vector<Item> Sequence(const char* text) {
    std::vector<Item> out;
    std::int64_t t = kT0;
    for (const QString& token : QString::fromLatin1(text).split(' ', Qt::SkipEmptyParts)) {
        if (token == QLatin1String("|")) { out.push_back({true, {}}); continue; }
        if (token == QLatin1String("_")) { ++t; continue; }
        const bool again = token.startsWith('=');
        const QString level = token.mid(again ? 1 : 0);
        const bool c = level.startsWith('C');
        const int tenths = int(std::lround(level.mid(c ? 1 : 0).toDouble() * 10));
        if (again) --t;
        out.push_back({false, At(t++, tenths, c ? Weighting::C : Weighting::A)});
    }
    return out;
}

struct Expected { int start, end; AlarmEnd why; double peak; double leq; };

std::vector<AlarmRow> RunRule(const AlarmSettings& s, const char* text) {
    AlarmRule rule(s);
    std::vector<AlarmRow> rows;
    for (const Item& item : Sequence(text)) {
        if (item.gap) {
            if (auto row = rule.Gap()) rows.push_back(*row);
        } else if (auto step = rule.Add(item.reading); step.ended) {
            rows.push_back(*step.ended);
        }
    }
    if (auto row = rule.Finish()) rows.push_back(*row);
    return rows;
}

AlarmSettings Level(int threshold, int minimum, int hysteresis = 0, Weighting w = Weighting::A) {
    AlarmSettings s;
    s.thresholdTenths = threshold * 10;
    s.minimumSeconds = minimum;
    s.hysteresisTenths = hysteresis * 10;
    s.weighting = w;
    return s;
}

AlarmSettings Sliding(int threshold, int minimum, int window, int hysteresis = 0) {
    AlarmSettings s = Level(threshold, minimum, hysteresis);
    s.mode = AlarmMode::SlidingLeq;
    s.windowSeconds = window;
    return s;
}

TEST(AlarmRule, TableOfLevelSequences) {
    using enum AlarmEnd;
    struct Case { const char* name; AlarmSettings settings; const char* levels; std::vector<Expected> alarms; };
    const double leq7080 = 10 * std::log10((1e7 + 1e8) / 2);  // 77.40 dB
    const Case cases[] = {
        {"too short to trigger", Level(65, 3), "70 70 60 70 70 60 60 60", {}},
        {"exactly long enough", Level(65, 3), "60 70 70 70 60 60 60", {{1, 4, Released, 70, 70}}},
        {"at the threshold counts", Level(65, 2), "65 65 64.9 64.9", {{0, 2, Released, 65, 65}}},
        {"peak and Leq over the span", Level(65, 2), "70 80 60 60", {{0, 2, Released, 80, leq7080}}},
        {"quiet too short: one alarm", Level(65, 3), "70 70 70 60 60 70 60 60 60",
         {{0, 6, Released, 70, 10 * std::log10((4e7 + 2e6) / 6)}}},
        {"hysteresis holds above threshold - 3 dB", Level(65, 2, 3), "70 70 63 62 62 61.9 61.9",
         {{0, 5, Released, 70, 10 * std::log10((2e7 + std::pow(10, 6.3) + 2 * std::pow(10, 6.2)) / 5)}}},
        {"hysteresis releases after a broken quiet stretch", Level(65, 2, 3), "70 70 61 63 61 61",
         {{0, 4, Released, 70, 10 * std::log10((2e7 + std::pow(10, 6.1) + std::pow(10, 6.3)) / 4)}}},
        {"A threshold ignores C readings", Level(65, 2), "C80 C80 C80 60 C80 60", {}},
        {"C threshold ignores A readings", Level(65, 2, 0, Weighting::C), "80 80 C70 C70 80 C60 C60",
         {{2, 5, Released, 70, 70}}},
        {"A readings between C ones (one missing second) still count", Level(65, 5),
         "70 C80 70 C80 70 C60 60 C60 60 C60 60 C60 60", {{0, 6, Released, 70, 70}}},
        {"a gap ends the alarm at the last reading", Level(65, 2), "70 70 70 _ _ _ 70 60 60",
         {{0, 3, Gap, 70, 70}}},
        {"an unplugged meter ends the alarm", Level(65, 2), "70 70 | 70 60", {{0, 2, Gap, 70, 70}}},
        {"a gap breaks the loud stretch", Level(65, 3), "70 70 _ _ 70 70 60", {}},
        {"one missing second is not a gap", Level(65, 4), "70 70 _ 70 60 60 60 60", {{0, 4, Released, 70, 70}}},
        {"two missing seconds are a gap", Level(65, 2), "70 70 70 _ _ 70 60 60",
         {{0, 3, Gap, 70, 70}}},
        // The first reading of a second counts, in either weighting.
        {"a second read twice counts once", Level(65, 2), "70 =90 70 60 =80 60",
         {{0, 2, Released, 70, 70}}},
        {"a C reading at a second already read is skipped", Level(65, 2, 0, Weighting::C), "60 =C90 C90 C60 C60",
         {}},
        {"a gap while quiet seconds are counted keeps them", Level(65, 3), "70 70 70 60 | 60 60 60",
         {{0, 4, Gap, 70, 10 * std::log10((3e7 + 1e6) / 4)}}},
        {"still on at the end of the data", Level(65, 2), "60 70 70 70", {{1, 4, EndOfData, 70, 70}}},
        {"two alarms", Level(65, 2), "70 70 60 60 75 75 60 60", {{0, 2, Released, 70, 70}, {4, 6, Released, 75, 75}}},
        // 50, 80, then 50s: the 4 s Leq is 50, 77.0, 75.2, 74.0, 74.0, then 50.
        {"sliding Leq holds after a burst", Sliding(70, 3, 4), "50 80 50 50 50 50 50 50 50",
         {{1, 5, Released, 80, 10 * std::log10((1e8 + 3e5) / 4)}}},
        {"sliding Leq: a level alarm would not start", Level(70, 3), "50 80 50 50 50 50 50 50 50", {}},
        {"sliding Leq below the threshold", Sliding(70, 2, 4), "60 60 60 60 68 60 60", {}},
        // A sliding Leq held exactly at the threshold, or at threshold -
        // hysteresis, is not quiet: the alarm stays on.
        {"sliding Leq held at the threshold", Sliding(70, 2, 4), "70 70 70 70 70 70 70 70",
         {{0, 8, EndOfData, 70, 70}}},
        {"sliding Leq held at threshold - hysteresis", Sliding(70, 2, 4, 3), "75 75 67 67 67 67 67 67 67 67",
         {{0, 10, EndOfData, 75, 10 * std::log10((2 * std::pow(10, 7.5) + 8 * std::pow(10, 6.7)) / 10)}}},
        {"sliding Leq forgets readings before a gap", Sliding(70, 2, 10), "80 80 80 | 50 50 50",
         {{0, 3, Gap, 80, 80}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::vector<AlarmRow> rows = RunRule(c.settings, c.levels);
        ASSERT_EQ(rows.size(), c.alarms.size());
        for (size_t i = 0; i < rows.size(); ++i) {
            SCOPED_TRACE(i);
            EXPECT_EQ(rows[i].startEpoch, kT0 + c.alarms[i].start);
            EXPECT_EQ(rows[i].endEpoch, kT0 + c.alarms[i].end);
            EXPECT_EQ(rows[i].DurationSeconds(), c.alarms[i].end - c.alarms[i].start);
            EXPECT_EQ(rows[i].end, c.alarms[i].why);
            EXPECT_EQ(rows[i].peakTenths, int(std::lround(c.alarms[i].peak * 10)));
            EXPECT_NEAR(rows[i].leqDb, c.alarms[i].leq, 0.005);
            EXPECT_EQ(rows[i].weighting, c.settings.weighting);
        }
    }
}

// Live, the start is told on the reading that completes the minimum
// duration and dates back to the first loud second; the end on the reading
// that completes the quiet stretch.
TEST(AlarmRule, LiveStepsTellStartAndEndWhenTheyAreKnown) {
    AlarmRule rule(Level(65, 3));
    const std::vector<Item> items = Sequence("60 70 70 70 70 60 60 60");
    std::vector<int> startedAt, endedAt;
    for (size_t i = 0; i < items.size(); ++i) {
        const AlarmStep step = rule.Add(items[i].reading);
        if (step.started) {
            startedAt.push_back(int(i));
            EXPECT_EQ(*step.started, kT0 + 1);
            EXPECT_TRUE(rule.Active());
            EXPECT_EQ(rule.ActiveSince(), kT0 + 1);
        }
        if (step.ended) {
            endedAt.push_back(int(i));
            EXPECT_EQ(step.ended->endEpoch, kT0 + 5);
            EXPECT_EQ(step.ended->readings, 4);
        }
    }
    EXPECT_EQ(startedAt, std::vector<int>{3});
    EXPECT_EQ(endedAt, std::vector<int>{7});
    EXPECT_FALSE(rule.Active());
}

// A gap before a loud reading ends the old alarm and, with a minimum of one
// second, starts a new one in the same step.
TEST(AlarmRule, GapEndsAndTheNextReadingStartsInOneStep) {
    AlarmRule rule(Level(65, 1));
    EXPECT_TRUE(rule.Add(At(kT0, 700)).started);
    const AlarmStep step = rule.Add(At(kT0 + 60, 720));
    ASSERT_TRUE(step.ended);
    EXPECT_EQ(step.ended->end, AlarmEnd::Gap);
    EXPECT_EQ(step.ended->endEpoch, kT0 + 1);
    ASSERT_TRUE(step.started);
    EXPECT_EQ(*step.started, kT0 + 60);
}

// A clock set back is a gap too: an alarm never spans backwards.
TEST(AlarmRule, ClockSetBackIsAGap) {
    AlarmRule rule(Level(65, 2));
    rule.Add(At(kT0, 700));
    rule.Add(At(kT0 + 1, 700));
    ASSERT_TRUE(rule.Active());
    const AlarmStep step = rule.Add(At(kT0 - 3600, 700));
    ASSERT_TRUE(step.ended);
    EXPECT_EQ(step.ended->endEpoch, kT0 + 2);
    EXPECT_FALSE(rule.Active());
}

// A day of readings with a loud hour: the file search finds it once, and a
// long run keeps the sliding Leq exact (its sum is refreshed, not drifting).
TEST(AlarmRule, WholeFileFindsTheLoudHourWithBothModes) {
    std::vector<Reading> day;
    for (int s = 0; s < 86400; ++s) {
        const bool loud = s >= 36000 && s < 39600;
        day.push_back(At(kT0 + s, loud ? 720 : 500 + (s % 7) * 10));
    }
    for (AlarmMode mode : {AlarmMode::Level, AlarmMode::SlidingLeq}) {
        SCOPED_TRACE(int(mode));
        AlarmSettings s = Level(65, 300, 3);
        s.mode = mode;
        s.windowSeconds = 60;
        const std::vector<AlarmRow> rows = FindAlarms(s, day);
        ASSERT_EQ(rows.size(), 1u);
        // The sliding Leq reaches 65 dB a few seconds after the loud hour
        // begins and falls below 62 dB a few seconds after it ends.
        EXPECT_NEAR(double(rows[0].startEpoch - kT0), 36000, mode == AlarmMode::Level ? 0 : 60);
        EXPECT_NEAR(double(rows[0].endEpoch - kT0), 39600, mode == AlarmMode::Level ? 0 : 60);
        EXPECT_EQ(rows[0].peakTenths, 720);
        EXPECT_EQ(rows[0].end, AlarmEnd::Released);
    }
    // After the whole day the sliding Leq of the last 60 s matches a fresh sum.
    AlarmRule rule(Sliding(65, 10, 60));
    for (const Reading& r : day) rule.Add(r);
    double e = 0;
    for (size_t i = day.size() - 60; i < day.size(); ++i) e += EnergyOfTenths(day[i].tenths);
    ASSERT_TRUE(rule.Watched());
    EXPECT_NEAR(*rule.Watched(), LevelOfMeanEnergy(e, 60), 1e-9);
}

}  // namespace
}  // namespace noisestats
