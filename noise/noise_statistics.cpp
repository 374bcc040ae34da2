// SPDX-License-Identifier: GPL-3.0-or-later
#include "noise/noise_statistics.h"
#include <algorithm>
#include <iterator>

namespace noisestats {

namespace {

std::int64_t FloorTo(std::int64_t value, std::int64_t step) {
    std::int64_t q = value / step;
    if (value % step != 0 && value < 0) --q;  // floor, also before 1970
    return q * step;
}

}  // namespace

bool NoiseStatistics::PassedSeconds::Contains(std::int64_t t) const {
    // Nearly always: time order, past the last run's start.
    if (runs_.empty()) return false;
    if (t >= runs_.back().from) return t < runs_.back().to;
    const auto it = std::upper_bound(runs_.begin(), runs_.end(), t, [](std::int64_t v, const Run& r) { return v < r.from; });
    return it != runs_.begin() && t < std::prev(it)->to;
}

std::int64_t NoiseStatistics::PassedSeconds::NotIn(std::int64_t from, std::int64_t to) const {
    if (to <= from) return 0;
    std::int64_t free = to - from;
    // The first run that ends after `from`; runs are apart, so their ends are sorted too.
    auto it = std::upper_bound(runs_.begin(), runs_.end(), from, [](std::int64_t v, const Run& r) { return v < r.to; });
    for (; it != runs_.end() && it->from < to; ++it) free -= std::min(to, it->to) - std::max(from, it->from);
    return free;
}

void NoiseStatistics::PassedSeconds::Add(std::int64_t from, std::int64_t to) {
    if (to <= from) return;
    // The first run that ends at or after `from` (touching runs merge).
    auto it = std::lower_bound(runs_.begin(), runs_.end(), from, [](const Run& r, std::int64_t v) { return r.to < v; });
    if (it == runs_.end() || it->from > to) {
        runs_.insert(it, Run{from, to});
        return;
    }
    it->from = std::min(it->from, from);
    it->to = std::max(it->to, to);
    auto next = std::next(it);
    while (next != runs_.end() && next->from <= it->to) {
        it->to = std::max(it->to, next->to);
        ++next;
    }
    runs_.erase(std::next(it), next);
}

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
    latest_ = 0;
    passed_.Clear();
    setBacks_.clear();
    lastOffset_ = 0;
    refused_ = repeated_ = 0;
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
    const std::int64_t t = r.epochSeconds;
    // First second of the gap before this reading, if there is one.
    std::optional<std::int64_t> gapFrom;
    if (last_) {
        switch (StepBetween(*last_, t)) {
        case ReadingStep::Repeated:
            ++repeated_;
            return false;
        case ReadingStep::SetBack:
            setBacks_.push_back({*last_, lastOffset_, t, r.utcOffsetSeconds});
            if (hasOpen_) CloseOpen();
            break;
        case ReadingStep::Next:
        case ReadingStep::Gap:
            if (t > *last_ + 1) gapFrom = *last_ + 1;
            break;
        }
    }
    const bool firstReading = !last_;
    last_ = t;
    lastOffset_ = r.utcOffsetSeconds;

    const std::int64_t len = std::int64_t(length_);
    const std::int64_t start = FloorTo(t + r.utcOffsetSeconds, len) - r.utcOffsetSeconds;
    // Seconds the readings went through before a clock set back are not counted again.
    const bool counted = !passed_.Contains(t);
    const bool otherInterval =
        hasOpen_ && (start != open_.startEpoch || r.utcOffsetSeconds != open_.utcOffsetSeconds);
    std::int64_t missingInNew = 0;
    if (gapFrom) {
        whole_.missing += passed_.NotIn(*gapFrom, t);
        if (hasOpen_) open_.missing += passed_.NotIn(*gapFrom, std::min(t, open_.startEpoch + len));
        if (counted && (otherInterval || !hasOpen_)) missingInNew = passed_.NotIn(std::max(*gapFrom, start), t);
    }
    passed_.Add(gapFrom.value_or(t), t + 1);
    if (!counted) {
        ++repeated_;
        return false;
    }

    if (otherInterval) CloseOpen();
    if (!hasOpen_) {
        open_.startEpoch = start;
        open_.utcOffsetSeconds = r.utcOffsetSeconds;
        open_.lengthSeconds = len;
        open_.missing = missingInNew;
        hasOpen_ = true;
    }
    open_.Add(r);

    if (firstReading || t < whole_.startEpoch) {
        whole_.startEpoch = t;
        whole_.utcOffsetSeconds = r.utcOffsetSeconds;
    }
    latest_ = firstReading ? t : std::max(latest_, t);
    whole_.lengthSeconds = latest_ - whole_.startEpoch + 1;
    whole_.Add(r);
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
