// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The alarms as the program keeps them while it runs: the settings (on or
// off, and the rule), the rule fed with live readings or run over a whole
// opened file, the list of alarms that ended, and the texts the user sees
// (status strip, desktop notification, list cells). Plain code; the panel
// shows it and the window forwards what it says.
#include "noise/alarm_rule.h"

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
    // The recording was stopped: a running alarm ends at its last reading,
    // listed as "recording stopped".
    std::optional<AlarmRow> Stop();
    // The data ended (an opened file is in): an alarm still on is listed as
    // such, and is no longer running. Readings that follow (the same data
    // continued) take it out of the list again and go on.
    void EndOfData();
    // The readings of an opened file, all at once: the list is filled (an
    // alarm still on at the file's end included), as FindAlarms finds them.
    template <class Readings>
    void RunOver(const Readings& readings) {
        Configure(enabled_, rule_.Settings());
        if (!enabled_) return;
        for (const Reading& r : readings) Add(r);
        EndOfData();
    }

    bool Active() const { return enabled_ && rule_.Active() && !stillOnListed_; }
    std::int64_t ActiveSince() const { return rule_.ActiveSince(); }
    std::int32_t ActiveOffset() const { return activeOffset_; }
    const std::vector<AlarmRow>& Rows() const { return rows_; }
    // The list with a running alarm added as still on (a report made while
    // it runs).
    std::vector<AlarmRow> RowsWithRunning() const;

private:
    bool enabled_ = false;
    AlarmRule rule_;
    std::vector<AlarmRow> rows_;
    std::int32_t activeOffset_ = 0;
    bool stillOnListed_ = false;  // the list's last row is the alarm still on at the data's end
};

// "LA ≥ 65.0 dB for 5 min 00 s" / "LAeq 15 min ≥ 65.0 dB for 10 s, ends 3.0 dB below"
QString AlarmRuleText(const AlarmSettings& s);
// The status strip while an alarm is on: "Alarm since 10:00:00: LA ≥ 65.0 dB for 5 min 00 s"
QString AlarmStripText(const AlarmSettings& s, std::int64_t startEpoch, std::int32_t utcOffsetSeconds);
// The notification when an alarm starts: summary and body.
QString AlarmNotificationSummary(const AlarmSettings& s);
QString AlarmNotificationBody(const AlarmSettings& s, std::int64_t startEpoch, std::int32_t utcOffsetSeconds);
// How an alarm ended, for the list: "", "gap", "still on", "recording stopped".
QString AlarmEndText(AlarmEnd end);

}  // namespace noisestats
