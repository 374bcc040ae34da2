// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The station's life, apart from the recording itself: read the settings
// at start (a bad file starts nothing), reread them on request (a bad new
// file is refused in the log and the settings in use go on), stop on
// request; tell the service manager READY, RELOADING, STOPPING and a status
// line, and the log what happened. main.cpp joins it to the signals.
#include "station/recording_hook.h"
#include "station/station_config.h"
#include "station/station_log.h"

#include <optional>

namespace station {

// The exit status for a configuration the station refuses (sysexits'
// EX_CONFIG): the unit does not restart the service for it
// (RestartPreventExitStatus=), as a restart would only refuse it again.
inline constexpr int ConfigFaultExitStatus = 78;

class Station {
public:
    Station(QString configPath, RecordingHook& recording, StationLog& log);

    // Reads the file and starts the recording. False when the file has a
    // fault: every problem is logged and nothing is started.
    bool Start();
    // Rereads the file (SIGHUP). A good file whose settings differ goes to
    // the recording; a bad one is refused and the settings in use stay.
    // True when the settings in use are those of the file now.
    bool Reload();
    // Stops the recording (SIGTERM). Nothing is started again.
    void Stop();

    const std::optional<StationConfig>& Config() const { return config_; }
    bool Running() const { return running_; }

private:
    void LogProblems(const ConfigProblems& problems);

    QString path_;
    RecordingHook& recording_;
    StationLog& log_;
    std::optional<StationConfig> config_;
    bool running_ = false;
};

// One line for the log: "station \"garden\": 2 meters, 1 alarm, intervals of 1, 15 and 60 min".
QString ConfigLine(const StationConfig& config);

}  // namespace station
