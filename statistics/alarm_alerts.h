// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What a live alarm step tells the user: when an alarm starts, a desktop
// notification (platform/desktop_notify.h) and the status strip's text;
// when it ends, the strip is cleared and the list has a new row. The
// window hands its outlets (the strip, the chart's band, the list).
#include "noise/alarm_watch.h"

#include <functional>

namespace noisestats {

struct AlarmOutlets {
    std::function<void(const QString&)> strip;                    // the status strip's alarm text ("" clears)
    std::function<void(std::int64_t startEpoch)> bandStarted;     // the chart marks a running alarm
    std::function<void(const AlarmRow& row)> ended;               // the band ends, the list gains the row
};

void ForwardAlarmStep(const AlarmWatch& watch, const AlarmStep& step, const AlarmOutlets& outlets);

}  // namespace noisestats
