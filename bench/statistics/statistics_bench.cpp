// SPDX-License-Identifier: GPL-3.0-or-later
// What the noise statistics cost: a whole month of one-second readings
// (2,592,000) computed in one pass with one-minute intervals (43,200 of
// them) or with hour intervals, and one live tick (add a reading, then take
// the open interval's and the whole data's figures, as a view would), and
// placing a month of a record file's times of day on the time line.
// Goal: the month in at most 100 ms of CPU; a tick in constant time.
#include "noise/local_timeline.h"
#include "noise/noise_statistics.h"

#include <QDate>
#include <QTime>
#include <QTimeZone>

#include <benchmark/benchmark.h>

#include <cstdint>
#include <vector>

namespace {

using namespace noisestats;

constexpr int kMonth = 30 * 24 * 3600;
constexpr std::int64_t kStart = 1'790'000'000;  // 2026-09-21, a Monday
constexpr int kOffset = 7200;

// Levels wander between 35 and 105 dB; C weighting one hour in twelve;
// the meter unplugged for ten minutes every day.
std::vector<Reading> Month() {
    std::vector<Reading> out;
    out.reserve(kMonth);
    std::uint32_t seed = 12345;
    int level = 600;
    for (int i = 0; int(out.size()) < kMonth; ++i) {  // 2,592,000 readings, spread over a bit more than a month
        if (i % 86400 >= 3600 && i % 86400 < 4200) continue;
        seed = seed * 1664525u + 1013904223u;
        level += int(seed >> 29) - 3;  // -3..+4 tenths
        if (level < 350) level = 350;
        if (level > 1050) level = 1050;
        Reading r;
        r.epochSeconds = kStart + i;
        r.utcOffsetSeconds = kOffset;
        r.tenths = level;
        r.weighting = (i / 3600) % 12 == 11 ? Weighting::C : Weighting::A;
        r.timeWeighting = TimeWeighting::Slow;
        r.rangeEnd = level == 1050 ? RangeEnd::Over : RangeEnd::Inside;
        out.push_back(r);
    }
    return out;
}

const std::vector<Reading>& MonthReadings() {
    static const std::vector<Reading> readings = Month();
    return readings;
}

void BM_MonthWhole(benchmark::State& state) {
    const std::vector<Reading>& readings = MonthReadings();
    NoiseStatistics s;
    for (auto _ : state) {
        s.Recompute(IntervalLength(state.range(0)), readings);
        benchmark::DoNotOptimize(s.Whole());
        benchmark::DoNotOptimize(s.OpenInterval());
        benchmark::DoNotOptimize(s.ClosedIntervals().data());
    }
    state.counters["readings"] = double(readings.size());
    state.counters["intervals"] = double(s.ClosedIntervals().size() + 1);
    state.counters["per_reading"] =
        benchmark::Counter(double(readings.size()), benchmark::Counter::kIsIterationInvariantRate |
                                                        benchmark::Counter::kInvert);
}
BENCHMARK(BM_MonthWhole)->Arg(60)->Arg(3600)->Unit(benchmark::kMillisecond);

// A live tick late in a month-long recording.
void BM_Tick(benchmark::State& state) {
    const std::vector<Reading>& readings = MonthReadings();
    NoiseStatistics s;
    s.Recompute(IntervalLength::Minutes1, readings);
    Reading r = readings.back();
    for (auto _ : state) {
        ++r.epochSeconds;
        r.tenths = 500 + int(r.epochSeconds % 300);
        s.Add(r);
        benchmark::DoNotOptimize(s.OpenInterval());
        benchmark::DoNotOptimize(s.Whole());
    }
}
BENCHMARK(BM_Tick);

// Adding one reading alone, without asking for figures.
void BM_AddOnly(benchmark::State& state) {
    NoiseStatistics s;
    Reading r = MonthReadings().front();
    for (auto _ : state) {
        ++r.epochSeconds;
        r.tenths = 500 + int(r.epochSeconds % 300);
        benchmark::DoNotOptimize(s.Add(r));
    }
}
BENCHMARK(BM_AddOnly);

// A record file's times of day (a month through the October clock change)
// turned into epoch seconds and offsets.
void BM_StampMonthOfTimesOfDay(benchmark::State& state) {
    const QTimeZone zone("Europe/Berlin");
    if (!zone.isValid()) {
        state.SkipWithError("no time zone database");
        return;
    }
    std::vector<QTime> times;
    times.reserve(kMonth);
    for (int i = 0; i < kMonth; ++i) times.push_back(QTime::fromMSecsSinceStartOfDay((i % 86400) * 1000));
    for (auto _ : state) {
        LocalTimeline line(zone);
        line.StartDay(QDate(2026, 10, 10));
        Reading r;
        for (const QTime& t : times) r = line.StampTimeOfDay(t, r);
        benchmark::DoNotOptimize(r);
    }
    state.counters["per_reading"] =
        benchmark::Counter(double(kMonth), benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_StampMonthOfTimesOfDay)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
