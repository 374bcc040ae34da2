// SPDX-License-Identifier: GPL-3.0-or-later
#include "noise/level_accumulator.h"
#include "noise/dose.h"
#include <algorithm>
#include <cmath>

namespace noisestats {

namespace {

// The lowest level that adds dose under either criterion (both have their
// threshold at 80 dBA).
constexpr int kDoseThresholdTenths = int(std::min(kOsha.thresholdDb, kNiosh.thresholdDb) * 10);

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

void LevelAccumulator::Add(int tenths, TimeWeighting response, RangeEnd end) {
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
    if (end != RangeEnd::Inside) {
        std::vector<std::uint32_t>& beyond = end == RangeEnd::Over ? over_ : under_;
        if (beyond.empty()) beyond.assign(kLevelClasses, 0);
        ++beyond[std::size_t(tenths)];
        ++(end == RangeEnd::Over ? overCount_ : underCount_);
    }
}

void LevelAccumulator::Clear() {
    // Only the classes between the extremes were touched: a one-minute
    // period clears a few classes, not the whole histogram.
    if (count_ > 0) {
        std::fill(histogram_.begin() + min_, histogram_.begin() + max_ + 1, 0u);
        for (std::vector<std::uint32_t>* beyond : {&over_, &under_})
            if (!beyond->empty()) std::fill(beyond->begin() + min_, beyond->begin() + max_ + 1, 0u);
    }
    overCount_ = underCount_ = 0;
    energy_ = oshaDose_ = nioshDose_ = 0;
    count_ = 0;
    min_ = kLevelClasses;
    max_ = -1;
    responses_ = 0;
}

Bound LevelAccumulator::RankBound(int c, std::int64_t k) const {
    // The k-th lowest level is c. Readings over the range may really lie
    // higher: it can rise when fewer than k readings at or below c are not
    // over the range. Readings under it may lie lower: it can fall when the
    // readings below c and those under the range at or above c reach k.
    std::int64_t below = 0, overAtOrBelow = 0, underBelow = 0;
    for (int i = min_; i < c; ++i) {
        below += histogram_[std::size_t(i)];
        if (!over_.empty()) overAtOrBelow += over_[std::size_t(i)];
        if (!under_.empty()) underBelow += under_[std::size_t(i)];
    }
    if (!over_.empty()) overAtOrBelow += over_[std::size_t(c)];
    const std::int64_t atOrBelow = below + histogram_[std::size_t(c)];
    const bool up = atOrBelow - overAtOrBelow < k;
    const bool down = below + (underCount_ - underBelow) >= k;
    return up && down ? Bound::Either : up ? Bound::AtLeast : down ? Bound::AtMost : Bound::Exact;
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
    s.overRange = overCount_;
    s.underRange = underCount_;
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

    if (overCount_ + underCount_ > 0) {
        FigureBounds& b = s.bounds;
        // Every reading adds to the energy: the Leq moves with any of them.
        b.leq = overCount_ && underCount_ ? Bound::Either : overCount_ ? Bound::AtLeast : Bound::AtMost;
        b.max = RankBound(max_, count_);
        b.min = RankBound(min_, 1);
        b.l90 = RankBound(s.l90Tenths, wants[0].rank);
        b.l50 = RankBound(s.l50Tenths, wants[1].rank);
        b.l10 = RankBound(s.l10Tenths, wants[2].rank);
        // Only levels at or above the threshold (80 dBA, above every range's
        // lower end but the top ranges') add dose.
        bool underWithDose = false;
        for (int c = std::max(min_, kDoseThresholdTenths); c <= max_ && !under_.empty() && !underWithDose; ++c)
            underWithDose = under_[std::size_t(c)] > 0;
        b.dose = overCount_ && underWithDose ? Bound::Either
                 : overCount_                ? Bound::AtLeast
                 : underWithDose             ? Bound::AtMost
                                             : Bound::Exact;
    }
    return s;
}

}  // namespace noisestats
