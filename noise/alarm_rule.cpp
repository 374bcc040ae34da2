// SPDX-License-Identifier: GPL-3.0-or-later
#include "noise/alarm_rule.h"
#include "noise/level_accumulator.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace noisestats {

namespace {

// The sliding Leq is a rounded sum; a level exactly at the threshold must
// still count as reaching it.
constexpr double kLeqTolerance = 1e-6;

}  // namespace

double EnergyOfTenths(int tenths) {
    static const auto table = [] {
        std::array<double, kLevelClasses> t{};
        for (int i = 0; i < kLevelClasses; ++i) t[i] = std::pow(10.0, i / 100.0);
        return t;
    }();
    return table[std::clamp(tenths, 0, kLevelClasses - 1)];
}

double LevelOfMeanEnergy(double energy, std::int64_t count) {
    if (count <= 0 || energy <= 0) return 0;
    return 10.0 * std::log10(energy / double(count));
}

void AlarmRule::Span::Begin(const Reading& r) {
    *this = {};
    start = r.epochSeconds;
    offset = r.utcOffsetSeconds;
    Add(r);
}

void AlarmRule::Span::Add(const Reading& r) {
    ++count;
    peak = std::max(peak, int(r.tenths));
    energy += EnergyOfTenths(r.tenths);
}

void AlarmRule::Span::Merge(const Span& later) {
    if (later.Empty()) return;
    if (Empty()) {
        *this = later;
        return;
    }
    count += later.count;
    peak = std::max(peak, later.peak);
    energy += later.energy;
}

AlarmRule::AlarmRule(AlarmSettings settings) { Reset(settings); }

void AlarmRule::Reset(AlarmSettings settings) {
    settings.minimumSeconds = std::max(settings.minimumSeconds, 1);
    settings.windowSeconds = std::max(settings.windowSeconds, 1);
    settings.hysteresisTenths = std::max(settings.hysteresisTenths, 0);
    settings_ = settings;
    active_ = false;
    span_ = {};
    lastSecond_.reset();
    Forget();
}

void AlarmRule::Forget() {
    pending_ = {};
    last_.reset();
    watched_.reset();
    window_.clear();
    windowEnergy_ = 0;
    popsSinceRefresh_ = 0;
}

double AlarmRule::SlidingLeq(const Reading& r) {
    const double e = EnergyOfTenths(r.tenths);
    window_.push_back({r.epochSeconds, e});
    windowEnergy_ += e;
    while (window_.front().epoch <= r.epochSeconds - settings_.windowSeconds) {
        windowEnergy_ -= window_.front().energy;
        window_.pop_front();
        ++popsSinceRefresh_;
    }
    // Subtracting leaves rounding behind; add the window up afresh once per
    // window length (amortised constant time).
    if (popsSinceRefresh_ >= settings_.windowSeconds || windowEnergy_ <= 0) {
        windowEnergy_ = 0;
        for (const WindowEntry& w : window_) windowEnergy_ += w.energy;
        popsSinceRefresh_ = 0;
    }
    return LevelOfMeanEnergy(windowEnergy_, std::int64_t(window_.size()));
}

AlarmStep AlarmRule::Add(const Reading& r) {
    AlarmStep step;
    if (!IsClassedLevel(r.tenths)) return step;
    // A second read twice counts once, by its first reading of either
    // weighting, as in the statistics.
    if (lastSecond_ && StepBetween(*lastSecond_, r.epochSeconds) == ReadingStep::Repeated) return step;
    lastSecond_ = r.epochSeconds;
    if (r.weighting != settings_.weighting) return step;
    if (last_) {
        const ReadingStep s = StepBetween(*last_, r.epochSeconds);
        if (s == ReadingStep::Gap || s == ReadingStep::SetBack) step.ended = Gap();
    }
    last_ = r.epochSeconds;

    bool on, off;
    if (settings_.mode == AlarmMode::Level) {
        watched_ = r.tenths / 10.0;
        on = r.tenths >= settings_.thresholdTenths;
        off = r.tenths < settings_.thresholdTenths - settings_.hysteresisTenths;
    } else {
        const double leq = SlidingLeq(r);
        watched_ = leq;
        on = leq >= settings_.thresholdTenths / 10.0 - kLeqTolerance;
        off = leq < (settings_.thresholdTenths - settings_.hysteresisTenths) / 10.0 - kLeqTolerance;
    }

    auto held = [&](const Span& s) { return r.epochSeconds - s.start + 1 >= settings_.minimumSeconds; };
    auto extend = [&](Span& s) { s.Empty() ? s.Begin(r) : s.Add(r); };

    if (!active_) {
        if (!on) {
            pending_ = {};  // the loud stretch is broken
            return step;
        }
        extend(pending_);
        if (held(pending_)) {
            active_ = true;
            span_ = pending_;
            pending_ = {};
            step.started = span_.start;
        }
        return step;
    }
    if (off) {
        extend(pending_);
        if (held(pending_)) step.ended = EndAt(pending_.start, AlarmEnd::Released);
        return step;
    }
    // Not quiet enough: the quiet stretch so far belongs to the alarm.
    span_.Merge(pending_);
    pending_ = {};
    span_.Add(r);
    return step;
}

std::optional<AlarmRow> AlarmRule::EndAt(std::int64_t endEpoch, AlarmEnd why) {
    if (!active_) return std::nullopt;
    AlarmRow row;
    row.startEpoch = span_.start;
    row.utcOffsetSeconds = span_.offset;
    row.endEpoch = endEpoch;
    row.readings = span_.count;
    row.peakTenths = span_.peak;
    row.leqDb = LevelOfMeanEnergy(span_.energy, span_.count);
    row.weighting = settings_.weighting;
    row.end = why;
    active_ = false;
    span_ = {};
    pending_ = {};
    return row;
}

std::optional<AlarmRow> AlarmRule::Gap() {
    std::optional<AlarmRow> row;
    if (active_ && last_) {
        // Quiet seconds being counted were still part of the alarm.
        span_.Merge(pending_);
        row = EndAt(*last_ + 1, AlarmEnd::Gap);
    }
    Forget();
    return row;
}

std::optional<AlarmRow> AlarmRule::Finish() {
    std::optional<AlarmRow> row = Gap();
    if (row) row->end = AlarmEnd::EndOfData;
    return row;
}

std::optional<AlarmRow> AlarmRule::Stop() {
    std::optional<AlarmRow> row = Gap();
    if (row) row->end = AlarmEnd::Stopped;
    return row;
}

}  // namespace noisestats
