// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Names of the statistics: the frequency weighting goes into the name
// (LAeq, LCmax, LA90, LAE for the sound exposure level), the time weighting
// into the basis ("from 1 s SLOW readings"), because these levels are
// energetic means of once-a-second time-weighted readings, not the
// integrated levels of an integrating meter.
#include "noise/level_accumulator.h"
#include "noise/reading_sample.h"
#include <QString>
#include <cstdint>

namespace noisestats {

enum class Quantity { Leq, Max, Min, L10, L50, L90, Exposure };

QString QuantityName(Weighting w, Quantity q);
// "SLOW", "FAST", "FAST and SLOW"; "unknown" for readings of text rows
// only; empty for no bits.
QString ResponsesText(std::uint8_t responses);
// "from 1 s SLOW readings"; "from 1 s readings, time weighting unknown".
QString BasisText(std::uint8_t responses);
// "LAeq from 1 s SLOW readings".
QString LabelledName(Weighting w, Quantity q, std::uint8_t responses);

// The mark of a figure that readings beyond their range make a bound,
// with a blank after it: "≥ " (at least), "≤ " (at most), "≷ " (either
// way); empty for an exact figure.
QString BoundMark(Bound b);
// The mark and the bound of each figure, said in words for the notes under
// a table: "≥: a reading over its range ...".
QString BoundLegend();

// A level or a difference of levels with one decimal (the meter's
// resolution) and "," as decimal mark, as every level text of the program:
// "65,3" for 65.26 dB.
QString LevelText(double db);
// Any other figure shown beside levels: "12,35" for 12.345 with two decimals.
QString CommaDecimal(double value, int decimals);

}  // namespace noisestats
