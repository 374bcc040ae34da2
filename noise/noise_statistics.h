// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The noise statistics of a stream of one-second readings, per clock
// interval and for the whole data, kept apart by frequency weighting.
//
// Intervals follow the local clock: a 15-minute interval starts at :00, :15,
// :30 or :45 of the reading's local time (epoch + its UTC offset), a 60-minute
// one at a whole hour, so intervals line up across midnight and across
// recordings. An interval is known by its local start and UTC offset. When the
// offset changes (daylight saving), the open interval ends and one at the new
// offset begins: after the clock goes back, the repeated hour's intervals
// appear a second time with the other offset; when it goes forward, the
// skipped hour has no interval and no missing seconds (no real time passed).
//
// Each reading stands for one second. Seconds between two readings that are
// more than a second apart (the meter unplugged, a paused recording) count
// as missing, in the interval they fall in, never as a low level. Seconds
// before the first reading and after the last are outside the data, not
// missing. An interval that would hold no reading at all is not listed; its
// seconds count as missing in the whole data. A reading earlier than the one
// before (a clock set back) starts a new interval and adds no missing seconds.
//
// Adding a reading costs constant time. Memory: the results of the closed
// intervals (a few hundred bytes each) plus two fixed histograms per
// weighting (the open interval's and the whole data's).
#include "noise/level_accumulator.h"
#include "noise/reading_sample.h"
#include <cstdint>
#include <optional>
#include <vector>

namespace noisestats {

enum class IntervalLength : int {
    Minutes1 = 60, Minutes5 = 300, Minutes15 = 900, Minutes30 = 1800, Minutes60 = 3600
};

struct PeriodResult {
    std::int64_t startEpoch = 0;      // first second of the period, UTC
    std::int32_t utcOffsetSeconds = 0;
    std::int64_t lengthSeconds = 0;   // the interval's length; for the whole data, first to last reading
    std::int64_t coveredSeconds = 0;  // seconds with a reading
    std::int64_t missingSeconds = 0;  // seconds without one, between readings
    std::optional<LevelSummary> a, c; // each only when the period holds readings of that weighting
};

class NoiseStatistics {
public:
    explicit NoiseStatistics(IntervalLength length = IntervalLength::Minutes1);

    // Adds one reading, in time order. False (and nothing changes but the
    // refused count) for a level outside 0.0..199.9 dB.
    bool Add(const Reading& r);

    // Forgets everything and starts over with another interval length; the
    // caller then adds its readings again (one pass), or uses Recompute.
    void Restart(IntervalLength length);
    template <class Readings>
    void Recompute(IntervalLength length, const Readings& readings) {
        Restart(length);
        for (const Reading& r : readings) Add(r);
    }

    IntervalLength Length() const { return length_; }
    const std::vector<PeriodResult>& ClosedIntervals() const { return closed_; }
    // The interval the latest reading fell in, as far as it goes.
    std::optional<PeriodResult> OpenInterval() const;
    // Closed intervals followed by the open one.
    std::vector<PeriodResult> AllIntervals() const;
    // All readings added since the start.
    PeriodResult Whole() const;
    std::int64_t RefusedReadings() const { return refused_; }

private:
    struct Period {
        std::int64_t startEpoch = 0;
        std::int32_t utcOffsetSeconds = 0;
        std::int64_t lengthSeconds = 0;
        std::int64_t covered = 0, missing = 0;
        LevelAccumulator a, c;
        void Add(const Reading& r);
        void Clear();
        PeriodResult Result() const;
    };
    void CloseOpen();

    IntervalLength length_;
    std::vector<PeriodResult> closed_;
    Period open_, whole_;
    bool hasOpen_ = false;
    std::optional<std::int64_t> last_;  // epoch of the latest reading
    std::int64_t refused_ = 0;
};

}  // namespace noisestats
