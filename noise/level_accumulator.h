// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The running sums of one frequency weighting over one period: energy,
// extremes, a histogram of 0.1 dB classes, noise dose and the time
// weightings seen, and the readings beyond their range's ends that make
// figures bounds. Memory is fixed whatever the period's length.
#include "noise/reading_sample.h"
#include <array>
#include <cstdint>
#include <vector>

namespace noisestats {

// Levels the histogram holds: 0.0 to 199.9 dB in 0.1 dB classes (the
// meter's resolution, so no reading loses anything by being classed).
constexpr int kLevelClasses = 2000;
constexpr bool IsClassedLevel(int tenths) { return tenths >= 0 && tenths < kLevelClasses; }

// How far a figure can be trusted when readings lie beyond their range's
// ends: exact; a lower bound ("≥", a reading over the range could have been
// higher); an upper bound ("≤", one under the range could have been lower);
// or either way, when readings over and under the range could both move it.
enum class Bound : std::uint8_t { Exact, AtLeast, AtMost, Either };

// The bound of each figure. A figure is marked only when a reading beyond
// its range can move it: one loud second over the range makes the Leq, the
// SEL, the maximum and the dose lower bounds, but leaves L90 exact.
struct FigureBounds {
    Bound leq = Bound::Exact;  // the Leq and the SEL
    Bound max = Bound::Exact, min = Bound::Exact;
    Bound l10 = Bound::Exact, l50 = Bound::Exact, l90 = Bound::Exact;
    Bound dose = Bound::Exact;  // OSHA and NIOSH dose (and TWA)
};

// What a period's readings of one weighting give.
struct LevelSummary {
    std::int64_t readings = 0;   // one-second readings
    double leq = 0;              // dB: 10·log10(mean of 10^(L/10))
    double sel = 0;              // dB: 10·log10(sum of 10^(L/10)), i.e. over one-second readings
    int maxTenths = 0, minTenths = 0;
    int l10Tenths = 0, l50Tenths = 0, l90Tenths = 0;
    std::uint8_t responses = 0;  // ResponseBits seen
    std::int64_t overRange = 0;    // readings over their range's upper end
    std::int64_t underRange = 0;   // readings under its lower end
    FigureBounds bounds;           // what those readings make of each figure
    bool BeyondRange() const { return overRange + underRange > 0; }
    double oshaDosePercent = 0;    // dose so far (meaningful for A-weighted readings only)
    double nioshDosePercent = 0;
};

class LevelAccumulator {
public:
    // `tenths` must satisfy IsClassedLevel.
    void Add(int tenths, TimeWeighting response, RangeEnd end = RangeEnd::Inside);
    void Clear();
    bool IsEmpty() const { return count_ == 0; }
    std::int64_t Count() const { return count_; }
    // Walks the histogram once: constant time (at most kLevelClasses classes).
    LevelSummary Summary() const;

private:
    // Whether the readings beyond the range could move the level of class
    // `c`, the k-th lowest reading (k = 1 the minimum, k = N the maximum).
    Bound RankBound(int c, std::int64_t k) const;

    std::array<std::uint32_t, kLevelClasses> histogram_{};
    // The readings over and under their range per class, made only when
    // the first such reading comes (most data has none).
    std::vector<std::uint32_t> over_, under_;
    std::int64_t overCount_ = 0, underCount_ = 0;
    double energy_ = 0;  // sum of 10^(L/10)
    double oshaDose_ = 0, nioshDose_ = 0;
    std::int64_t count_ = 0;
    int min_ = kLevelClasses, max_ = -1;
    std::uint8_t responses_ = 0;
};

// The level exceeded n % of the time (0 < n < 100), taken from a histogram
// of counts per 0.1 dB class. Convention, without interpolation (nearest
// rank): with N readings sorted upwards, Ln is the k-th, k = ceil((100 - n)·N / 100),
// at least 1. So Ln is always a level that was read; at most n % of the
// readings lie above it and at least n % at or above it. ({40, 50, 60, 70} dB:
// L50 = 50 dB, where an interpolating percentile would give 55 dB.)
std::int64_t PercentileRank(std::int64_t readings, int n);

}  // namespace noisestats
