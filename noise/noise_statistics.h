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
// Each reading stands for one second, and every second of the time line is
// counted at most once. Seconds between two readings that are more than a
// second apart (the meter unplugged, a paused recording, a slipped tick)
// count as missing, in the interval they fall in, never as a low level.
// Seconds before the first reading and after the last are outside the data,
// not missing. An interval that would hold no reading at all is not listed;
// its seconds count as missing in the whole data.
//
// A second read twice (two ticks within one second, a row repeated in a
// file): the first reading of the second counts, a later one is skipped
// (RepeatedReadings counts them).
//
// A reading earlier than the one before (a clock set back, within the open
// interval or into an earlier one) ends the open interval; the readings
// after it go into intervals of their own (a minute already listed may be
// listed again) and add no missing seconds for the jump. Seconds the
// readings already went through, with a reading or missing, are not
// counted again: a reading on such a second is skipped like a repeated one.
// So the whole data's covered and missing seconds add up to the time the
// readings went through; its span (earliest to latest second) is longer
// when the clock jumped back past seconds nobody went through. SetBacks()
// names each jump back.
//
// Adding a reading costs constant time (after a clock set back, a search
// among the stretches between set-backs). Memory: the results of the closed
// intervals (a few hundred bytes each), one entry per clock set back, plus
// two fixed histograms per weighting (the open interval's and the whole
// data's).
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
    // The interval's length; for the whole data its span, from the earliest
    // to the latest second with a reading (startEpoch is the earliest).
    std::int64_t lengthSeconds = 0;
    std::int64_t coveredSeconds = 0;  // seconds with a reading
    std::int64_t missingSeconds = 0;  // seconds without one, between readings
    std::optional<LevelSummary> a, c; // each only when the period holds readings of that weighting
};

// The clock set back: the reading at `toEpoch` came right after the one at
// `fromEpoch`, which is later.
struct ClockSetBack {
    std::int64_t fromEpoch = 0;
    std::int32_t fromOffset = 0;
    std::int64_t toEpoch = 0;
    std::int32_t toOffset = 0;
    // How far back: the clock showed `toEpoch` where `fromEpoch` + 1 was due.
    std::int64_t Seconds() const { return fromEpoch + 1 - toEpoch; }
};

class NoiseStatistics {
public:
    explicit NoiseStatistics(IntervalLength length = IntervalLength::Minutes1);

    // Adds one reading, in time order. True when it counted; false (and
    // nothing changes but a count) for a level outside 0.0..199.9 dB
    // (RefusedReadings) or a second counted already (RepeatedReadings).
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
    // Readings skipped because their second was counted already.
    std::int64_t RepeatedReadings() const { return repeated_; }
    // Every clock set back, in the order of the readings.
    const std::vector<ClockSetBack>& SetBacks() const { return setBacks_; }

private:
    // The seconds [from, to) the readings went through, with a reading or
    // missing: one run per stretch between clock set-backs, sorted, apart.
    class PassedSeconds {
    public:
        bool Contains(std::int64_t t) const;
        // Seconds of [from, to) that no run holds.
        std::int64_t NotIn(std::int64_t from, std::int64_t to) const;
        void Add(std::int64_t from, std::int64_t to);
        void Clear() { runs_.clear(); }

    private:
        struct Run { std::int64_t from, to; };
        std::vector<Run> runs_;
    };

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
    std::optional<std::int64_t> last_;  // epoch of the latest reading, counted or skipped
    std::int64_t latest_ = 0;           // the latest second counted
    PassedSeconds passed_;
    std::vector<ClockSetBack> setBacks_;
    std::int32_t lastOffset_ = 0;
    std::int64_t refused_ = 0, repeated_ = 0;
};

}  // namespace noisestats
