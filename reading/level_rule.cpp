// SPDX-License-Identifier: GPL-3.0-or-later
#include "reading/level_rule.h"

#include "reading/live_reading.h"
#include "reading/reading_word.h"

#include <array>

namespace records {

void LevelRule::Apply(int row, float level) {
    live::UpdateExtremes(std::uint32_t(row), level, max_, min_);
    levels_.push_back(level);
    maxima_.push_back(max_);
    minima_.push_back(min_);
}

void LevelRule::Reserve(std::size_t points) {
    levels_.reserve(points);
    maxima_.reserve(points);
    minima_.reserve(points);
}

float RecordWordLevel(std::uint32_t word) {
    // A word holds one of 1024 level codes; the text of each is read back
    // once, so a week of readings costs no text work for its curves.
    static const std::array<float, 1024> levels = [] {
        std::array<float, 1024> table{};
        for (std::uint32_t code = 0; code < table.size(); ++code)
            table[code] = reading::LevelNumber(reading::FormatLevel(reading::LevelTenths(code))).value_or(0.0f);
        return table;
    }();
    return levels[std::size_t(reading::LevelCode(word))];
}

}  // namespace records
