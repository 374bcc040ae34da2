// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The alarms as the program keeps them while it runs: the settings (on or
// off, and the rule), the rule fed with live readings or run over a whole
// opened file, the list of alarms that ended, and the texts the user sees
// (status strip, desktop notification, list cells). Plain code; the panel
// shows it and the window forwards what it says.
#include "statistics/alarm_rule.h"

#include <QString>
#include <optional>
#include <vector>

namespace noisestats {

class AlarmWatch {
public:
    // Replaces the settings and starts over: the list empties, a running
    // alarm is dropped (the caller reruns an opened file's readings).
    void Configure(bool enabled, const AlarmSettings& settings);
    bool Enabled() const { return enabled_; }
    const AlarmSettings& Settings() const { return rule_.Settings(); }

    // A live reading; the step says what started or ended (an ended alarm
    // is already in the list). Nothing happens while alarms are off.
    AlarmStep Add(const Reading& r);
    // The readings stopped (meter unplugged): a running alarm ends.
    std::optional<AlarmRow> Gap();
    // The readings of an opened file: the list is filled at once (an alarm
    // still on at the file's end included).
    template <class Readings>
    void RunOver(const Readings& readings) {
        Configure(enabled_, rule_.Settings());
        if (!enabled_) return;
        rows_ = FindAlarms(rule_.Settings(), readings);
    }

    bool Active() const { return enabled_ && rule_.Active(); }
    std::int64_t ActiveSince() const { return rule_.ActiveSince(); }
    std::int32_t ActiveOffset() const { return activeOffset_; }
    const std::vector<AlarmRow>& Rows() const { return rows_; }

private:
    bool enabled_ = false;
    AlarmRule rule_;
    std::vector<AlarmRow> rows_;
    std::int32_t activeOffset_ = 0;
};

// "LA ≥ 65.0 dB for 5 min 00 s" / "LAeq 15 min ≥ 65.0 dB for 10 s, ends 3.0 dB below"
QString AlarmRuleText(const AlarmSettings& s);
// The status strip while an alarm is on: "Alarm since 10:00:00: LA ≥ 65.0 dB for 5 min 00 s"
QString AlarmStripText(const AlarmSettings& s, std::int64_t startEpoch, std::int32_t utcOffsetSeconds);
// The notification when an alarm starts: summary and body.
QString AlarmNotificationSummary(const AlarmSettings& s);
QString AlarmNotificationBody(const AlarmSettings& s, std::int64_t startEpoch, std::int32_t utcOffsetSeconds);
// How an alarm ended, for the list: "", "gap", "still on".
QString AlarmEndText(AlarmEnd end);

}  // namespace noisestats
