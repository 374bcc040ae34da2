// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The running sums of one frequency weighting over one period: energy,
// extremes, a histogram of 0.1 dB classes, noise dose and the time
// weightings seen. Memory is fixed whatever the period's length.
#include "noise/reading_sample.h"
#include <array>
#include <cstdint>

namespace noisestats {

// Levels the histogram holds: 0.0 to 199.9 dB in 0.1 dB classes (the
// meter's resolution, so no reading loses anything by being classed).
constexpr int kLevelClasses = 2000;
constexpr bool IsClassedLevel(int tenths) { return tenths >= 0 && tenths < kLevelClasses; }

// What a period's readings of one weighting give.
struct LevelSummary {
    std::int64_t readings = 0;   // one-second readings
    double leq = 0;              // dB: 10·log10(mean of 10^(L/10))
    double sel = 0;              // dB: 10·log10(sum of 10^(L/10)), i.e. over one-second readings
    int maxTenths = 0, minTenths = 0;
    int l10Tenths = 0, l50Tenths = 0, l90Tenths = 0;
    std::uint8_t responses = 0;  // ResponseBits seen
    bool reachesRangeEnd = false;  // a reading at or beyond its range's end: levels are bounds
    double oshaDosePercent = 0;    // dose so far (meaningful for A-weighted readings only)
    double nioshDosePercent = 0;
};

class LevelAccumulator {
public:
    // `tenths` must satisfy IsClassedLevel.
    void Add(int tenths, TimeWeighting response, bool atRangeEnd);
    void Clear();
    bool IsEmpty() const { return count_ == 0; }
    std::int64_t Count() const { return count_; }
    // Walks the histogram once: constant time (at most kLevelClasses classes).
    LevelSummary Summary() const;

private:
    std::array<std::uint32_t, kLevelClasses> histogram_{};
    double energy_ = 0;  // sum of 10^(L/10)
    double oshaDose_ = 0, nioshDose_ = 0;
    std::int64_t count_ = 0;
    int min_ = kLevelClasses, max_ = -1;
    std::uint8_t responses_ = 0;
    bool atRangeEnd_ = false;
};

// The level exceeded n % of the time (0 < n < 100), taken from a histogram
// of counts per 0.1 dB class. Convention, without interpolation (nearest
// rank): with N readings sorted upwards, Ln is the k-th, k = ceil((100 - n)·N / 100),
// at least 1. So Ln is always a level that was read; at most n % of the
// readings lie above it and at least n % at or above it. ({40, 50, 60, 70} dB:
// L50 = 50 dB, where an interpolating percentile would give 55 dB.)
std::int64_t PercentileRank(std::int64_t readings, int n);

}  // namespace noisestats
