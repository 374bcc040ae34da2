// SPDX-License-Identifier: GPL-3.0-or-later
#include "noise/local_timeline.h"
#include <QDateTime>
#include <algorithm>
#include <limits>

namespace noisestats {

namespace {
// The local clock reading as seconds since 1970-01-01 00:00 on that clock
// (plain arithmetic: a QDateTime per reading would cost most of the time).
std::int64_t LocalMidnight(QDate date) {
    constexpr std::int64_t kJulianDay1970 = 2440588;
    return (date.toJulianDay() - kJulianDay1970) * 86400;
}
std::int64_t LocalSeconds(QDate date, QTime time) { return LocalMidnight(date) + time.msecsSinceStartOfDay() / 1000; }
}  // namespace

LocalTimeline::LocalTimeline(QTimeZone zone) : zone_(std::move(zone)) {}

LocalTimeline::Span LocalTimeline::SpanAt(std::int64_t epoch) const {
    const QDateTime at = QDateTime::fromSecsSinceEpoch(epoch, QTimeZone::utc());
    const int offset = zone_.offsetFromUtc(at);
    Span s{std::numeric_limits<std::int64_t>::min(), std::numeric_limits<std::int64_t>::max(), offset, offset,
           offset};
    if (zone_.hasTransitions()) {
        const QTimeZone::OffsetData before = zone_.previousTransition(at.addSecs(1));
        const QTimeZone::OffsetData after = zone_.nextTransition(at);
        if (before.atUtc.isValid()) {
            s.from = before.atUtc.toSecsSinceEpoch();
            s.offsetBefore = zone_.offsetFromUtc(before.atUtc.addSecs(-1));
        }
        if (after.atUtc.isValid()) {
            s.to = after.atUtc.toSecsSinceEpoch();
            s.offsetAfter = after.offsetFromUtc;
        }
    }
    return s;
}

const LocalTimeline::Span& LocalTimeline::SpanOf(std::int64_t epoch) {
    if (!span_ || epoch < span_->from || epoch >= span_->to) span_ = SpanAt(epoch);
    return *span_;
}

Reading LocalTimeline::Stamp(QDate date, QTime time, Reading r) { return StampLocal(LocalSeconds(date, time), r); }

Reading LocalTimeline::StampNearChange(std::int64_t local, Reading r) {
    // The span whose offset reads this local time; most readings fall in the cached one.
    Span s = span_ ? *span_ : SpanOf(local);
    std::int64_t e = local - s.offset;
    if (e < s.from || e >= s.to) {
        s = SpanOf(e);
        e = local - s.offset;
    }
    if (e < s.from || e >= s.to) {
        // The clock skipped this local time: read it with the offset before the change.
        const std::int64_t skipped = local - (e < s.from ? s.offsetBefore : s.offset);
        return Placed(skipped, OffsetAt(skipped), r);
    }
    // The neighbouring spans may show the same local time (the hour repeated
    // when the clock goes back).
    std::int64_t candidates[3] = {e, e, e};
    int n = 1;
    if (const std::int64_t b = local - s.offsetBefore; b < s.from) candidates[n++] = b;
    if (const std::int64_t a = local - s.offsetAfter; a >= s.to) candidates[n++] = a;
    std::optional<std::int64_t> chosen;
    std::int64_t earliest = e, latest = e;
    for (int i = 0; i < n; ++i) {
        const std::int64_t c = candidates[i];
        earliest = std::min(earliest, c);
        latest = std::max(latest, c);
        if (lastEpoch_ && c >= *lastEpoch_ && (!chosen || c < *chosen)) chosen = c;
    }
    const std::int64_t pick = chosen ? *chosen : lastEpoch_ ? latest : earliest;
    return Placed(pick, OffsetAt(pick), r);
}

void LocalTimeline::StartDay(QDate startDate) {
    dayStart_ = startDate.isValid() ? LocalMidnight(startDate) : 0;  // no date: 1970-01-01
    lastSecondOfDay_.reset();
}

Reading LocalTimeline::StampTimeOfDay(QTime time, Reading r) {
    return StampSecondOfDay(time.msecsSinceStartOfDay() / 1000, r);
}

Reading LocalTimeline::StampNextSecond(Reading r) {
    if (!lastEpoch_) return StampLocal(dayStart_, r);
    const std::int64_t e = *lastEpoch_ + 1;
    return Placed(e, OffsetAt(e), r);
}

}  // namespace noisestats
