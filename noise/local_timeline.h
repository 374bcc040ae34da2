// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Places readings known by their local date and time (or time of day only)
// on the real time line: epoch seconds and the UTC offset of that moment.
//
// A local time that the clock showed twice (the hour repeated when daylight
// saving ends) is taken as the first moment at or after the previous
// reading, so a recording running through the change keeps its order; for
// the first reading it is the earlier moment. A local time the clock
// skipped (the hour lost when daylight saving starts) is read with the
// offset in force before the change.
#include "noise/reading_sample.h"
#include <QDate>
#include <QTime>
#include <QTimeZone>
#include <cstdint>
#include <optional>

namespace noisestats {

class LocalTimeline {
public:
    explicit LocalTimeline(QTimeZone zone = QTimeZone::systemTimeZone());

    // A reading with its full local date and time.
    Reading Stamp(QDate date, QTime time, Reading r);

    // Readings that carry only their time of day (a record file): the date
    // starts at `startDate` and moves on by a day whenever the time of day
    // goes back by more than 12 hours (midnight passed; the hour repeated
    // at the end of daylight saving goes back by one hour only).
    void StartDay(QDate startDate);
    Reading StampTimeOfDay(QTime time, Reading r);
    // The same with the time of day as seconds since midnight (0..86399).
    // Inline: an opened month runs it 2.6 million times.
    Reading StampSecondOfDay(int second, Reading r) {
        if (lastSecondOfDay_ && *lastSecondOfDay_ - second > 12 * 3600) dayStart_ += 86400;  // midnight passed
        lastSecondOfDay_ = second;
        return StampLocal(dayStart_ + second, r);
    }

    // One second after the previous reading (a row whose date or time could
    // not be read). With no previous reading: midnight of the start day.
    Reading StampNextSecond(Reading r);

private:
    struct Span {  // epochs [from, to) during which the zone keeps `offset`
        std::int64_t from, to;
        int offset;
        int offsetBefore, offsetAfter;  // in force before `from` and from `to` on
    };
    Span SpanAt(std::int64_t epoch) const;
    const Span& SpanOf(std::int64_t epoch);
    int OffsetAt(std::int64_t epoch) { return SpanOf(epoch).offset; }
    Reading Placed(std::int64_t epoch, int offset, Reading r) {
        r.epochSeconds = epoch;
        r.utcOffsetSeconds = offset;
        lastEpoch_ = epoch;
        return r;
    }
    // A reading at `local`: seconds since 1970-01-01 00:00 on the local clock.
    Reading StampLocal(std::int64_t local, Reading r) {
        if (span_) {
            // Nearly every reading: inside the cached span, and no
            // neighbouring span shows the same local time. What the full
            // reading would pick then is this moment with the span's offset.
            const Span& c = *span_;
            const std::int64_t e = local - c.offset;
            if (e >= c.from && e < c.to && local - c.offsetBefore >= c.from && local - c.offsetAfter < c.to)
                return Placed(e, c.offset, r);
        }
        return StampNearChange(local, r);
    }
    // The full reading: a new span, or a local time near a clock change.
    Reading StampNearChange(std::int64_t local, Reading r);

    QTimeZone zone_;
    std::optional<Span> span_;  // cached: most readings fall inside it
    std::int64_t dayStart_ = 0;  // midnight of the current day, as local seconds
    std::optional<int> lastSecondOfDay_;
    std::optional<std::int64_t> lastEpoch_;
};

}  // namespace noisestats
