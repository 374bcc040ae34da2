// SPDX-License-Identifier: GPL-3.0-or-later
// The report chart's time axis: ticks at round local times (whole seconds,
// minutes, hours or days, whichever step keeps them few enough not to
// touch), each labelled with exactly the time it stands at, so "09:17" is
// never drawn at 09:17:30. Plain code (Qt Core).
#pragma once
#include <QString>
#include <cstdint>
#include <vector>

namespace noisestats {

struct TimeTick {
    std::int64_t epoch = 0;  // the second the tick stands at, UTC
    QString label;           // its local time: "09:17:30", "09:17", "06-03\n09:00" or "2026-06-03"
};

// The ticks of the axis [firstEpoch, endEpoch] at the UTC offset given:
// the smallest step of 1, 2, 5, 10, 15 or 30 seconds, 1, 2, 5, 10, 15 or
// 30 minutes, 1, 2, 3, 6 or 12 hours, or 1, 2 or 7 days that gives at most
// `maxTicks` ticks. Seconds are shown only for steps under a minute; the
// day (month-day) is added to the labels when the axis spans more than
// one local day, and day steps show the date alone.
std::vector<TimeTick> ReportTimeTicks(std::int64_t firstEpoch, std::int64_t endEpoch, std::int32_t utcOffsetSeconds,
                                      int maxTicks);

}  // namespace noisestats
