// SPDX-License-Identifier: GPL-3.0-or-later
#include "noise/level_accumulator.h"
#include "noise/dose.h"
#include <algorithm>
#include <cmath>

namespace noisestats {

namespace {

// Per-class constants, computed once: each reading then costs a few additions.
struct ClassTables {
    std::array<double, kLevelClasses> energy{};  // 10^(L/10)
    std::array<double, kLevelClasses> osha{};    // dose % per second
    std::array<double, kLevelClasses> niosh{};
    ClassTables() {
        for (int t = 0; t < kLevelClasses; ++t) {
            energy[t] = std::pow(10.0, t / 100.0);
            osha[t] = DosePerSecond(kOsha, t);
            niosh[t] = DosePerSecond(kNiosh, t);
        }
    }
};
const ClassTables& Tables() {
    static const ClassTables tables;
    return tables;
}

}  // namespace

std::int64_t PercentileRank(std::int64_t readings, int n) {
    const std::int64_t k = ((100 - n) * readings + 99) / 100;  // ceil((100 - n)·N / 100)
    return std::max<std::int64_t>(k, 1);
}

void LevelAccumulator::Add(int tenths, TimeWeighting response, bool atRangeEnd) {
    const ClassTables& t = Tables();
    ++histogram_[tenths];
    ++count_;
    energy_ += t.energy[tenths];
    oshaDose_ += t.osha[tenths];
    nioshDose_ += t.niosh[tenths];
    min_ = std::min(min_, tenths);
    max_ = std::max(max_, tenths);
    responses_ |= response == TimeWeighting::Slow   ? SeenSlow
                  : response == TimeWeighting::Fast ? SeenFast
                                                    : SeenUnknown;
    atRangeEnd_ = atRangeEnd_ || atRangeEnd;
}

void LevelAccumulator::Clear() {
    // Only the classes between the extremes were touched: a one-minute
    // period clears a few classes, not the whole histogram.
    if (count_ > 0) std::fill(histogram_.begin() + min_, histogram_.begin() + max_ + 1, 0u);
    energy_ = oshaDose_ = nioshDose_ = 0;
    count_ = 0;
    min_ = kLevelClasses;
    max_ = -1;
    responses_ = 0;
    atRangeEnd_ = false;
}

LevelSummary LevelAccumulator::Summary() const {
    LevelSummary s;
    s.readings = count_;
    if (count_ == 0) return s;
    s.sel = 10.0 * std::log10(energy_);
    s.leq = 10.0 * std::log10(energy_ / double(count_));
    s.minTenths = min_;
    s.maxTenths = max_;
    s.responses = responses_;
    s.reachesRangeEnd = atRangeEnd_;
    s.oshaDosePercent = oshaDose_;
    s.nioshDosePercent = nioshDose_;

    // One upward walk finds the three ranks (L90 lowest, then L50, L10).
    struct Want { std::int64_t rank; int* out; };
    Want wants[] = {{PercentileRank(count_, 90), &s.l90Tenths},
                    {PercentileRank(count_, 50), &s.l50Tenths},
                    {PercentileRank(count_, 10), &s.l10Tenths}};
    std::int64_t below = 0;
    int next = 0;
    for (int c = min_; c <= max_ && next < 3; ++c) {
        below += histogram_[c];
        while (next < 3 && below >= wants[next].rank) *wants[next++].out = c;
    }
    return s;
}

}  // namespace noisestats
