// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The station's recording: the one place where the recorder (the tick,
// the meters, the record files, the statistics and the alarms on one
// stream of readings) is joined to the station.
//
// Until the recorder is built in, this stands in for it: it says in the
// log and the status line that nothing is recorded, and beats the service
// watchdog once a second from the event loop, as the recorder's tick will.
// The recorder's work then replaces the bodies in station_recorder.cpp:
//   Start        open the meters of `config` (or every meter found), lock
//                each (device/meter_lock.h, port from device/usb_port.h,
//                folders from host_paths.h), start the tick;
//   Reconfigure  carry on with the new settings;
//   Stop         finish the second under way and close every file;
// and the tick calls platform::NotifyServiceWatchdog and
// platform::NotifyServiceStatus (meters, last reading, backlog).
#include "station/recording_hook.h"
#include "station/station_log.h"

#include <QObject>
#include <QTimer>

namespace station {

class StationRecorder final : public QObject, public RecordingHook {
    Q_OBJECT
public:
    explicit StationRecorder(StationLog& log, QObject* parent = nullptr);

    void Start(const StationConfig& config) override;
    void Reconfigure(const StationConfig& config) override;
    void Stop() override;

private:
    void Beat();
    QString StatusText() const;

    StationLog& log_;
    StationConfig config_;
    QTimer pulse_;  // stands in for the recorder's one-second tick
};

}  // namespace station
