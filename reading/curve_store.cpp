// SPDX-License-Identifier: GPL-3.0-or-later
#include "reading/curve_store.h"

#include <algorithm>

namespace reading {

std::size_t CurveStore::StepIndex(const std::vector<Step>& steps, std::size_t i) {
    // The last step that starts at or before i.
    const auto after = std::upper_bound(steps.begin(), steps.end(), i,
                                        [](std::size_t point, const Step& s) { return point < s.first; });
    return std::size_t(after - steps.begin()) - 1;
}

const std::vector<CurveStore::Step>& CurveStore::Steps(Curve curve) const {
    return curve == Curve::Min ? minSteps_ : maxSteps_;
}

float CurveStore::Value(Curve curve, std::size_t i) const {
    if (curve == Curve::Level) return levels_[i];
    const std::vector<Step>& steps = Steps(curve);
    return steps[StepIndex(steps, i)].value;
}

Argb CurveStore::Colour(Curve curve, std::size_t i) const {
    const auto& runs = colours_[std::size_t(curve)];
    const auto after = std::upper_bound(runs.begin(), runs.end(), i,
                                        [](std::size_t point, const ColourRun& r) { return point < r.first; });
    return (after - 1)->colour;
}

CurveStore::Span CurveStore::ValueSpan(Curve curve, std::size_t first, std::size_t last) const {
    if (curve == Curve::Level) {
        const auto begin = levels_.begin() + std::ptrdiff_t(first);
        const auto end = levels_.begin() + std::ptrdiff_t(last) + 1;
        const auto [low, high] = std::minmax_element(begin, end);
        return {*low, *high};
    }
    const std::vector<Step>& steps = Steps(curve);
    Span span{steps[StepIndex(steps, first)].value, steps[StepIndex(steps, first)].value};
    for (std::size_t s = StepIndex(steps, first) + 1; s < steps.size() && steps[s].first <= last; ++s) {
        span.low = std::min(span.low, steps[s].value);
        span.high = std::max(span.high, steps[s].value);
    }
    return span;
}

void CurveStore::Append(float level, float max, float min, const std::array<Argb, CurveCount>& colours) {
    const std::size_t i = levels_.size();
    levels_.push_back(level);
    if (maxSteps_.empty() || maxSteps_.back().value != max) maxSteps_.push_back({i, max});
    if (minSteps_.empty() || minSteps_.back().value != min) minSteps_.push_back({i, min});
    for (std::size_t c = 0; c < colours.size(); ++c) {
        auto& runs = colours_[c];
        if (runs.empty() || runs.back().colour != colours[c]) runs.push_back({i, colours[c]});
    }
}

void CurveStore::Clear() {
    std::deque<float>().swap(levels_);
    std::vector<Step>().swap(maxSteps_);
    std::vector<Step>().swap(minSteps_);
    for (auto& runs : colours_) std::vector<ColourRun>().swap(runs);
}

std::size_t CurveStore::BytesUsed() const {
    // A deque holds its values in 512-byte blocks plus a map of block pointers.
    constexpr std::size_t perBlock = 512 / sizeof(float);
    const std::size_t blocks = (levels_.size() + perBlock - 1) / perBlock;
    std::size_t bytes = blocks * 512 + blocks * sizeof(float*);
    bytes += (maxSteps_.capacity() + minSteps_.capacity()) * sizeof(Step);
    for (const auto& runs : colours_) bytes += runs.capacity() * sizeof(ColourRun);
    return bytes;
}

}  // namespace reading
