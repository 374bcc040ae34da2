// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What --check-config says about a good file: what the station would
// record (the station, its folder, intervals, the meters and whether they
// are plugged in or held by another program, the alarms) and where it
// would publish. Plain text for a person at a terminal; numbers are
// written as in the file ('.' as decimal mark).
#include "device/meter_lock.h"
#include "station/host_paths.h"
#include "station/station_config.h"

#include <QString>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace station {

// What the host shows now, as far as the summary needs it.
struct HostView {
    std::vector<std::string> metersPluggedIn;  // USB port paths of the meters found
    std::function<std::optional<device::MeterLockHolder>(const std::string& port)> holderOf;
    // "does not exist", "is not writable by this user", or empty when the
    // station can write there.
    std::function<QString(const QString& folder)> folderState;
};

// The host as it is: meters in sysfs, their locks, the data folder.
HostView LookAtHost(const HostPaths& paths);

QString ConfigSummary(const StationConfig& config, const HostView& host);

// "65.0 dB", "5 min", "90 s", "1 h": the summary's words, also for the log.
QString LevelText(int tenths);
QString DurationText(int seconds);
// "the LAeq over 15 min" / "the A-weighted level"
QString WatchText(const AlarmSettings& alarm);

}  // namespace station
