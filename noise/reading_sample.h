// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// One reading as the statistics see it: a plain value the caller fills from
// whatever it holds (a live word, a record file, a text or spreadsheet row).
#include <QDateTime>
#include <cstdint>

namespace noisestats {

enum class Weighting : std::uint8_t { A, C };
// Unknown: a reading from a text or spreadsheet row, which holds no time weighting.
enum class TimeWeighting : std::uint8_t { Fast, Slow, Unknown };

// Time weightings seen in a period, as a set of bits.
enum ResponseBits : std::uint8_t { SeenFast = 1, SeenSlow = 2, SeenUnknown = 4 };

// Where a reading lies against its measuring range. The meter cannot show
// a level beyond its range's ends: a reading over the range stands for a
// level at least as high, one under it for a level at most as low.
enum class RangeEnd : std::uint8_t { Inside, Under, Over };

struct Reading {
    std::int64_t epochSeconds = 0;      // the second the reading stands for, UTC
    std::int32_t utcOffsetSeconds = 0;  // local time = epochSeconds + utcOffsetSeconds
    std::int32_t tenths = 0;            // level in tenths of a dB (652 = 65.2 dB)
    Weighting weighting = Weighting::A;
    TimeWeighting timeWeighting = TimeWeighting::Fast;
    RangeEnd rangeEnd = RangeEnd::Inside;  // beyond an end of its measuring range (set by the caller)
};

// How a reading follows the one before it on the readings' clock: one rule
// for everything that looks at the stream of readings (the statistics, the
// alarms, the report's gap list, its chart and its range-end stretches).
//   Repeated  the same second again (two ticks within one second, a row
//             written twice): the first reading of a second counts, any
//             later one of that second is skipped;
//   Next      one or two seconds later: one missing second between two
//             readings is a slipped tick, not a gap (it still counts as a
//             missing second in the statistics);
//   Gap       more than two seconds later: the readings stopped in between;
//   SetBack   earlier than the one before: the clock was set back.
enum class ReadingStep : std::uint8_t { Repeated, Next, Gap, SetBack };
constexpr std::int64_t kLongestStepSeconds = 2;
constexpr ReadingStep StepBetween(std::int64_t previousEpoch, std::int64_t epoch) {
    if (epoch == previousEpoch) return ReadingStep::Repeated;
    if (epoch < previousEpoch) return ReadingStep::SetBack;
    return epoch - previousEpoch > kLongestStepSeconds ? ReadingStep::Gap : ReadingStep::Next;
}

// Epoch seconds and UTC offset of a local (or any) date-time.
inline Reading StampedAt(const QDateTime& when, Reading r = {}) {
    r.epochSeconds = when.toSecsSinceEpoch();
    r.utcOffsetSeconds = when.offsetFromUtc();
    return r;
}

}  // namespace noisestats
