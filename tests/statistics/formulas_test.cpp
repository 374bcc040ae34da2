// SPDX-License-Identifier: GPL-3.0-or-later
// The formulas against values worked out by hand.
#include "noise/dose.h"
#include "noise/labels.h"
#include "noise/noise_statistics.h"
#include "tests/statistics/readings.h"
#include <gtest/gtest.h>
#include <utility>
#include <vector>

namespace noisestats {
namespace {

using testing::At;

constexpr std::int64_t kT0 = 1'790'000'000;  // some second in 2026

// Readings given as (level in tenths, how many seconds), one after another.
LevelSummary WholeA(const std::vector<std::pair<int, int>>& runs) {
    NoiseStatistics s;
    std::int64_t t = kT0;
    for (auto [tenths, seconds] : runs)
        for (int i = 0; i < seconds; ++i) EXPECT_TRUE(s.Add(At(t++, tenths)));
    const PeriodResult whole = s.Whole();
    EXPECT_FALSE(whole.c.has_value());
    return whole.a.value();
}

TEST(StatisticsFormulas, EnergyLevelsMatchHandWorkedValues) {
    struct Case { const char* name; std::vector<std::pair<int, int>> runs; double leq, sel; };
    const Case cases[] = {
        {"Leq of 60 and 70 dB", {{600, 1}, {700, 1}}, 67.40, 70.41},
        {"60 s at 80 dB", {{800, 60}}, 80.0, 97.78},
        {"one second at 94 dB", {{940, 1}}, 94.0, 94.0},
        {"an hour at 50 then 10 s at 90 dB", {{500, 3600}, {900, 10}}, 64.58, 100.15},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const LevelSummary s = WholeA(c.runs);
        EXPECT_NEAR(s.leq, c.leq, 0.005);
        EXPECT_NEAR(s.sel, c.sel, 0.005);
    }
}

// L10/L50/L90 without interpolation: the k-th lowest reading, k = ceil((100 - n)·N / 100).
TEST(StatisticsFormulas, PercentilesOfKnownDistributions) {
    struct Case { const char* name; std::vector<std::pair<int, int>> runs; int l10, l50, l90, max, min; };
    std::vector<std::pair<int, int>> ramp;  // 50.0, 50.1, ... 59.9 dB, once each, shuffled order
    for (int i = 0; i < 100; ++i) ramp.push_back({500 + (i * 37) % 100, 1});
    const Case cases[] = {
        {"100 levels 50.0..59.9", ramp, 589, 549, 509, 599, 500},
        // An interpolating percentile would give L50 = 55.0 here.
        {"40 50 60 70", {{700, 1}, {400, 1}, {600, 1}, {500, 1}}, 700, 500, 400, 700, 400},
        {"30 % at 60, 70 % at 70", {{600, 30}, {700, 70}}, 700, 700, 600, 700, 600},
        {"90 % at 40, 10 % at 80", {{400, 90}, {800, 10}}, 400, 400, 400, 800, 400},
        {"89 % at 40, 11 % at 80", {{400, 89}, {800, 11}}, 800, 400, 400, 800, 400},
        {"a single reading", {{654, 1}}, 654, 654, 654, 654, 654},
        {"the lowest and highest classes", {{0, 1}, {1999, 1}}, 1999, 0, 0, 1999, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const LevelSummary s = WholeA(c.runs);
        EXPECT_EQ(s.l10Tenths, c.l10);
        EXPECT_EQ(s.l50Tenths, c.l50);
        EXPECT_EQ(s.l90Tenths, c.l90);
        EXPECT_EQ(s.maxTenths, c.max);
        EXPECT_EQ(s.minTenths, c.min);
    }
}

TEST(StatisticsFormulas, DoseAndTwaMatchHandWorkedValues) {
    struct Case {
        const char* name; const DoseCriterion* criterion; bool osha; int tenths; int seconds;
        double dose; std::optional<double> twa; std::optional<double> projected;
    };
    constexpr int h = 3600;
    const Case cases[] = {
        {"OSHA 92 dBA for 8 h", &kOsha, true, 920, 8 * h, 131.95, 92.0, std::nullopt},
        {"OSHA 90 dBA for 4 h", &kOsha, true, 900, 4 * h, 50.0, 85.0, 100.0},
        {"OSHA 80 dBA for 8 h (threshold counts)", &kOsha, true, 800, 8 * h, 25.0, 80.0, std::nullopt},
        {"OSHA 79.9 dBA for 8 h (below threshold)", &kOsha, true, 799, 8 * h, 0.0, std::nullopt, std::nullopt},
        {"NIOSH 88 dBA for 4 h", &kNiosh, false, 880, 4 * h, 100.0, 85.0, 200.0},
        {"NIOSH 85 dBA for 8 h", &kNiosh, false, 850, 8 * h, 100.0, 85.0, std::nullopt},
        {"NIOSH 94 dBA for 15 min", &kNiosh, false, 940, 900, 25.0, 79.0, 800.0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const LevelSummary s = WholeA({{c.tenths, c.seconds}});
        const double dose = c.osha ? s.oshaDosePercent : s.nioshDosePercent;
        const DoseReport r = ReportDose(*c.criterion, dose, s.readings);
        EXPECT_NEAR(r.dosePercent, c.dose, 0.01);
        ASSERT_EQ(r.twa.has_value(), c.twa.has_value());
        if (c.twa) {
            EXPECT_NEAR(*r.twa, *c.twa, 0.05);
        }
        ASSERT_EQ(r.projected8hPercent.has_value(), c.projected.has_value());
        if (c.projected) {
            EXPECT_NEAR(*r.projected8hPercent, *c.projected, 0.01);
        }
    }
}

TEST(StatisticsLabels, WeightingInTheNameTimeWeightingInTheBasis) {
    struct Case { Weighting w; Quantity q; std::uint8_t responses; const char* text; };
    const Case cases[] = {
        {Weighting::A, Quantity::Leq, SeenSlow, "LAeq from 1 s SLOW readings"},
        {Weighting::C, Quantity::Leq, SeenFast, "LCeq from 1 s FAST readings"},
        {Weighting::A, Quantity::Max, SeenFast | SeenSlow, "LAmax from 1 s FAST and SLOW readings"},
        {Weighting::C, Quantity::Min, SeenSlow, "LCmin from 1 s SLOW readings"},
        {Weighting::A, Quantity::L10, SeenSlow, "LA10 from 1 s SLOW readings"},
        {Weighting::C, Quantity::L50, SeenSlow, "LC50 from 1 s SLOW readings"},
        {Weighting::A, Quantity::L90, SeenSlow, "LA90 from 1 s SLOW readings"},
        {Weighting::C, Quantity::Exposure, SeenSlow, "LCE from 1 s SLOW readings"},
    };
    for (const Case& c : cases) EXPECT_EQ(LabelledName(c.w, c.q, c.responses), QString::fromUtf8(c.text));
}

}  // namespace
}  // namespace noisestats
