// SPDX-License-Identifier: GPL-3.0-or-later
#include "statistics/noise_statistics.h"
#include <algorithm>

namespace noisestats {

namespace {

std::int64_t FloorTo(std::int64_t value, std::int64_t step) {
    std::int64_t q = value / step;
    if (value % step != 0 && value < 0) --q;  // floor, also before 1970
    return q * step;
}

}  // namespace

void NoiseStatistics::Period::Add(const Reading& r) {
    ++covered;
    (r.weighting == Weighting::C ? c : a).Add(r.tenths, r.timeWeighting, r.rangeEnd);
}

void NoiseStatistics::Period::Clear() {
    startEpoch = 0;
    utcOffsetSeconds = 0;
    lengthSeconds = 0;
    covered = missing = 0;
    a.Clear();
    c.Clear();
}

PeriodResult NoiseStatistics::Period::Result() const {
    PeriodResult r;
    r.startEpoch = startEpoch;
    r.utcOffsetSeconds = utcOffsetSeconds;
    r.lengthSeconds = lengthSeconds;
    r.coveredSeconds = covered;
    r.missingSeconds = missing;
    if (!a.IsEmpty()) r.a = a.Summary();
    if (!c.IsEmpty()) r.c = c.Summary();
    return r;
}

NoiseStatistics::NoiseStatistics(IntervalLength length) : length_(length) {}

void NoiseStatistics::Restart(IntervalLength length) {
    length_ = length;
    closed_.clear();
    open_.Clear();
    whole_.Clear();
    hasOpen_ = false;
    last_.reset();
    refused_ = 0;
}

void NoiseStatistics::CloseOpen() {
    closed_.push_back(open_.Result());
    open_.Clear();
    hasOpen_ = false;
}

bool NoiseStatistics::Add(const Reading& r) {
    if (!IsClassedLevel(r.tenths)) {
        ++refused_;
        return false;
    }
    const std::int64_t len = std::int64_t(length_);
    const std::int64_t start = FloorTo(r.epochSeconds + r.utcOffsetSeconds, len) - r.utcOffsetSeconds;
    const std::int64_t t = r.epochSeconds;
    // First second of the gap before this reading, if there is one.
    const std::optional<std::int64_t> gapFrom =
        last_ && t > *last_ + 1 ? std::optional<std::int64_t>(*last_ + 1) : std::nullopt;

    if (hasOpen_ && (start != open_.startEpoch || r.utcOffsetSeconds != open_.utcOffsetSeconds)) {
        if (gapFrom) open_.missing += std::max<std::int64_t>(0, std::min(t, open_.startEpoch + len) - *gapFrom);
        CloseOpen();
        if (gapFrom) open_.missing += std::max<std::int64_t>(0, t - std::max(*gapFrom, start));
    } else if (hasOpen_) {
        if (gapFrom) open_.missing += t - *gapFrom;
    }
    if (!hasOpen_) {
        open_.startEpoch = start;
        open_.utcOffsetSeconds = r.utcOffsetSeconds;
        open_.lengthSeconds = len;
        hasOpen_ = true;
    }
    open_.Add(r);

    if (!last_) {
        whole_.startEpoch = t;
        whole_.utcOffsetSeconds = r.utcOffsetSeconds;
    }
    if (gapFrom) whole_.missing += t - *gapFrom;
    whole_.lengthSeconds = std::max(whole_.lengthSeconds, t - whole_.startEpoch + 1);
    whole_.Add(r);
    last_ = t;
    return true;
}

std::optional<PeriodResult> NoiseStatistics::OpenInterval() const {
    if (!hasOpen_) return std::nullopt;
    return open_.Result();
}

std::vector<PeriodResult> NoiseStatistics::AllIntervals() const {
    std::vector<PeriodResult> all = closed_;
    if (hasOpen_) all.push_back(open_.Result());
    return all;
}

PeriodResult NoiseStatistics::Whole() const { return whole_.Result(); }

}  // namespace noisestats
