// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What the station asks of its recording: start with the settings read at
// start, take new ones after a good reread (SIGHUP), and stop (SIGTERM).
// The station (station.h) owns the settings, the signals and the service
// manager's READY and STOPPING; the recording owns the meters, the tick and
// the files, and tells the service manager from its tick that it is alive
// (platform::NotifyServiceWatchdog) and what it is doing
// (platform::NotifyServiceStatus). StationRecorder (station_recorder.h) is
// the program's; tests put their own in its place.
#include "station/station_config.h"

namespace station {

class RecordingHook {
public:
    virtual ~RecordingHook() = default;
    // The settings of a good file, once at start. Returns at once; the
    // recording runs from the event loop.
    virtual void Start(const StationConfig& config) = 0;
    // Settings that differ from the ones in use, read from a good file.
    virtual void Reconfigure(const StationConfig& config) = 0;
    // Finish the second under way, close every file. Nothing runs after it.
    virtual void Stop() = 0;
};

}  // namespace station
