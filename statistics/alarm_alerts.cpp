// SPDX-License-Identifier: GPL-3.0-or-later
#include "statistics/alarm_alerts.h"

#include "platform/desktop_notify.h"

namespace noisestats {

void ForwardAlarmStep(const AlarmWatch& watch, const AlarmStep& step, const AlarmOutlets& outlets) {
    // An end comes first: a gap can end one alarm and the reading after it
    // start the next.
    if (step.ended) {
        if (outlets.strip) outlets.strip(QString());
        if (outlets.ended) outlets.ended(*step.ended);
    }
    if (step.started) {
        const AlarmSettings& s = watch.Settings();
        platform::DesktopNotification n;
        n.summary = AlarmNotificationSummary(s);
        n.body = AlarmNotificationBody(s, *step.started, watch.ActiveOffset());
        n.urgency = platform::DesktopNotification::Urgency::Critical;
        platform::NotifyDesktop(n);
        if (outlets.strip) outlets.strip(AlarmStripText(s, *step.started, watch.ActiveOffset()));
        if (outlets.bandStarted) outlets.bandStarted(*step.started);
    }
}

}  // namespace noisestats
