// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Building readings for the statistics tests.
#include "noise/reading_sample.h"
#include <QDate>
#include <QDateTime>
#include <QTime>
#include <QTimeZone>

namespace noisestats::testing {

// The epoch second of a local date-time at a fixed UTC offset.
inline std::int64_t EpochOf(QDate d, QTime t, int offsetSeconds) {
    return QDateTime(d, t, QTimeZone(offsetSeconds)).toSecsSinceEpoch();
}

inline Reading At(std::int64_t epoch, int tenths, Weighting w, TimeWeighting tw, RangeEnd end,
                  int offsetSeconds = 0) {
    Reading r;
    r.epochSeconds = epoch;
    r.utcOffsetSeconds = offsetSeconds;
    r.tenths = tenths;
    r.weighting = w;
    r.timeWeighting = tw;
    r.rangeEnd = end;
    return r;
}

// `overRange`: the reading lies over its range's upper end.
inline Reading At(std::int64_t epoch, int tenths, Weighting w = Weighting::A,
                  TimeWeighting tw = TimeWeighting::Slow, bool overRange = false, int offsetSeconds = 0) {
    return At(epoch, tenths, w, tw, overRange ? RangeEnd::Over : RangeEnd::Inside, offsetSeconds);
}

}  // namespace noisestats::testing
