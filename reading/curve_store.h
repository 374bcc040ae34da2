// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The points of the three curves (the level, the running maximum and the
// running minimum), one point per reading that has a level, point i at
// horizontal position i. The one copy of them: the chart draws from here.
//
// Memory: a level is a float (4 bytes a point). The extremes only ever step
// (up for the maximum, down for the minimum, or to a new seed), so they are
// kept as steps: a one-month recording holds a few hundred. Colours are
// kept as runs: a point takes the colour its curve had when it was added,
// and colours change only when the user picks new ones.
#include <array>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <vector>

namespace reading {

// A colour as 0xAARRGGBB (QRgb's layout), so this folder needs no Qt GUI.
using Argb = std::uint32_t;

enum class Curve : int { Level = 0, Max = 1, Min = 2 };
inline constexpr int CurveCount = 3;

class CurveStore {
public:
    // Where a value or a colour starts to hold: from point `first` on.
    struct Step {
        std::size_t first;
        float value;
    };
    struct ColourRun {
        std::size_t first;
        Argb colour;
    };

    std::size_t Count() const { return levels_.size(); }
    bool Empty() const { return levels_.empty(); }

    // The value of point i of a curve (i < Count()).
    float Value(Curve curve, std::size_t i) const;
    float Level(std::size_t i) const { return levels_[i]; }
    // The colour point i of a curve was drawn with.
    Argb Colour(Curve curve, std::size_t i) const;

    // The runs of one colour of a curve, in order; the first starts at 0.
    const std::vector<ColourRun>& ColourRuns(Curve curve) const { return colours_[std::size_t(curve)]; }
    // The steps of an extreme curve (Max or Min), in order.
    const std::vector<Step>& Steps(Curve curve) const;

    // The smallest and largest value of a curve over points [first, last].
    struct Span {
        float low;
        float high;
    };
    Span ValueSpan(Curve curve, std::size_t first, std::size_t last) const;

    // Adds one point to each curve.
    void Append(float level, float max, float min, const std::array<Argb, CurveCount>& colours);
    // Drops every point.
    void Clear();

    // Bytes held for the points, steps and runs.
    std::size_t BytesUsed() const;

private:
    static std::size_t StepIndex(const std::vector<Step>& steps, std::size_t i);

    std::deque<float> levels_;
    std::vector<Step> maxSteps_;
    std::vector<Step> minSteps_;
    std::array<std::vector<ColourRun>, CurveCount> colours_;
};

}  // namespace reading
