// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The level rule of every loader: each data row that has a level, in row
// order, adds one point to each of the three curves (the level, the running
// maximum and the running minimum after that row). Row 1 seeds both
// extremes; later rows move them only by strictly greater or smaller levels,
// so a file whose row 1 has no level keeps the extremes it started with
// until later rows move them.
#include <cstdint>
#include <vector>

namespace records {

class LevelRule {
public:
    LevelRule(float runningMax = 0, float runningMin = 0) : max_(runningMax), min_(runningMin) {}

    // The level of table row `row` (1-based).
    void Apply(int row, float level);
    void Reserve(std::size_t points);

    float RunningMax() const { return max_; }
    float RunningMin() const { return min_; }
    // The points, in order; point i sits at horizontal position i.
    const std::vector<double>& Levels() const { return levels_; }
    const std::vector<double>& Maxima() const { return maxima_; }
    const std::vector<double>& Minima() const { return minima_; }
    std::size_t Count() const { return levels_.size(); }

private:
    float max_;
    float min_;
    std::vector<double> levels_;
    std::vector<double> maxima_;
    std::vector<double> minima_;
};

// The level number of a record word's level text (its tenths of a dB with a
// decimal comma), exactly as reading that text back gives it.
float RecordWordLevel(std::uint32_t word);

}  // namespace records
