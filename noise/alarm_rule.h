// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The threshold alarm: "tell me when it stayed above 65 dB for 5 minutes".
//
// The rule watches the readings of one frequency weighting (readings of the
// other are ignored) and compares either the once-a-second level or the
// sliding Leq of the last `windowSeconds` seconds with the threshold:
//
//   on     the watched value is at or above the threshold;
//   off    it is below threshold − hysteresis (with no hysteresis: below
//          the threshold). Between the two the alarm keeps its state.
//
// The alarm starts once "on" has held for `minimumSeconds` seconds; its
// start is the first second of that stretch (so an alarm reported after 5
// minutes starts 5 minutes back). It ends once "off" has held for the same
// time; its end is the first second of that stretch, so the quiet seconds
// that ended it are not part of it. Seconds count by the readings' clock,
// with the rule of StepBetween (reading_sample.h) that the statistics and
// the report follow too: a second read twice counts once (its first
// reading, of either weighting); one missing second between two readings
// is tolerated (a live tick can slip); two or more missing seconds, a clock
// set back or an explicit Gap() are a gap.
//
// A gap (the meter unplugged, a pause, a change of weighting) ends a running
// alarm at the end of the last reading before it and forgets any stretch
// being counted and the sliding Leq's readings: nothing is known of the
// missing time, so an alarm never spans it and a new one needs the full
// minimum duration after it. After a clock set back the rule watches every
// reading again, also one on a second the statistics counted before the jump
// (they skip it): the alarm follows the levels as they came.
//
// The sliding Leq is the energetic mean of the readings of the last
// `windowSeconds` seconds, as far as they go (after the start or a gap it
// covers the readings since then).
//
// Peak and Leq of an alarm are taken over its own readings (start to end).
// Each reading costs constant time (amortised: the sliding Leq's sum is
// refreshed once per window length to keep rounding from drifting); memory
// is one entry per second of the sliding window at most.
#include "noise/reading_sample.h"

#include <cstdint>
#include <deque>
#include <optional>
#include <vector>

namespace noisestats {

enum class AlarmMode : std::uint8_t { Level, SlidingLeq };

struct AlarmSettings {
    Weighting weighting = Weighting::A;
    AlarmMode mode = AlarmMode::Level;
    int thresholdTenths = 650;     // 65.0 dB
    int hysteresisTenths = 0;      // dB below the threshold to end (tenths, not negative)
    int minimumSeconds = 60;       // how long a state must hold (at least 1)
    int windowSeconds = 300;       // the sliding Leq's span (AlarmMode::SlidingLeq)
};

enum class AlarmEnd : std::uint8_t {
    Released,   // the level stayed low for the minimum duration
    Gap,        // readings stopped (meter unplugged, paused, weighting changed)
    EndOfData,  // the data ended while the alarm was on (Finish)
    Stopped,    // the recording was stopped while the alarm was on (Stop)
};

struct AlarmRow {
    std::int64_t startEpoch = 0;       // first second of the alarm, UTC
    std::int32_t utcOffsetSeconds = 0; // of the start's reading
    std::int64_t endEpoch = 0;         // first second after it
    std::int64_t readings = 0;         // readings in [start, end)
    int peakTenths = 0;
    double leqDb = 0;
    Weighting weighting = Weighting::A;
    AlarmEnd end = AlarmEnd::Released;
    std::int64_t DurationSeconds() const { return endEpoch - startEpoch; }
};

struct AlarmStep {
    std::optional<AlarmRow> ended;          // an alarm ended (by a gap before this reading, or by release)
    std::optional<std::int64_t> started;    // an alarm started at this epoch second
};

class AlarmRule {
public:
    explicit AlarmRule(AlarmSettings settings = {});

    const AlarmSettings& Settings() const { return settings_; }
    // New settings: forgets everything, as after a gap.
    void Reset(AlarmSettings settings);

    // One reading, in time order. Readings of the other weighting and
    // levels outside 0.0..199.9 dB are ignored.
    AlarmStep Add(const Reading& r);
    // The readings stopped: ends a running alarm at the last reading.
    std::optional<AlarmRow> Gap();
    // The data ended (the last reading of an opened file): the same as a
    // gap, but the row says the alarm was still on.
    std::optional<AlarmRow> Finish();
    // The recording stopped: the same as a gap, and the row says so.
    std::optional<AlarmRow> Stop();

    bool Active() const { return active_; }
    // Start of the running alarm (when Active()).
    std::int64_t ActiveSince() const { return span_.start; }
    // The watched value after the latest reading, in dB (level or sliding Leq).
    std::optional<double> Watched() const { return watched_; }

private:
    // Readings of one stretch: their start, count, peak and energy.
    struct Span {
        std::int64_t start = 0;
        std::int32_t offset = 0;
        std::int64_t count = 0;
        int peak = -1;
        double energy = 0;
        void Begin(const Reading& r);
        void Add(const Reading& r);
        void Merge(const Span& later);
        bool Empty() const { return count == 0; }
    };
    struct WindowEntry { std::int64_t epoch; double energy; };

    std::optional<AlarmRow> EndAt(std::int64_t endEpoch, AlarmEnd why);
    void Forget();
    double SlidingLeq(const Reading& r);

    AlarmSettings settings_;
    bool active_ = false;
    Span span_;        // the running alarm's readings, up to the quiet stretch
    Span pending_;     // the stretch being counted: loud while idle, quiet while active
    std::optional<std::int64_t> last_;  // epoch of the latest watched reading
    std::optional<std::int64_t> lastSecond_;  // epoch of the latest reading of either weighting
    std::optional<double> watched_;
    std::deque<WindowEntry> window_;
    double windowEnergy_ = 0;
    std::int64_t popsSinceRefresh_ = 0;
};

// The same rule over a whole set of readings (an opened file): every alarm,
// including one still on at the end.
template <class Readings>
std::vector<AlarmRow> FindAlarms(const AlarmSettings& settings, const Readings& readings) {
    std::vector<AlarmRow> rows;
    AlarmRule rule(settings);
    for (const Reading& r : readings)
        if (auto step = rule.Add(r); step.ended) rows.push_back(*step.ended);
    if (auto last = rule.Finish()) rows.push_back(*last);
    return rows;
}

double EnergyOfTenths(int tenths);
double LevelOfMeanEnergy(double energy, std::int64_t count);

}  // namespace noisestats
