// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The station's recording: one MeterRecording (meter_recording.h) per
// meter, each the desktop program's recorder with a link, a lock, a
// session, statistics, alarms and day files of its own.
//
//   Start        the meters of the file (by port), or every meter found on
//                the buses, named by its port (looked for again every ten
//                seconds, so one plugged in later is recorded too);
//   Reconfigure  every meter finishes its files and starts again with the
//                new settings, carrying on in the day's files;
//   Stop         every meter finishes the second under way, writes its
//                results and closes its files.
//
// The service watchdog is fed from the ticks: once every meter's tick has
// run since the last feed (with no meter, from the search for one), so a
// tick that hangs, or a meter's tick that stopped, gets the service
// restarted. The status line then says what each meter does.
#include "station/log_seams.h"
#include "station/meter_recording.h"
#include "station/recording_hook.h"
#include "station/station_log.h"

#include <QObject>
#include <QTimer>
#include <QTimeZone>

#include <map>
#include <memory>
#include <set>
#include <vector>

namespace station {

class StationRecorder final : public QObject, public RecordingHook {
    Q_OBJECT
public:
    // `zone`: the local time of the files (the system's; tests give one).
    explicit StationRecorder(StationLog& log, QTimeZone zone = QTimeZone::systemTimeZone(),
                             QObject* parent = nullptr);
    ~StationRecorder() override;

    void Start(const StationConfig& config) override;
    void Reconfigure(const StationConfig& config) override;
    void Stop() override;

    // For tests that drive time themselves: no timers run; TickAll is one
    // second of every meter (and the search for new ones).
    void SetDrivenByCaller(bool driven) { driven_ = driven; }
    void TickAll();
    const std::vector<std::unique_ptr<MeterRecording>>& Meters() const { return meters_; }
    QString StatusText() const;

private:
    void StartMeters();
    void FinishMeters();
    void LookForMeters();
    void Second();
    void AddMeter(const MeterPlace& place);
    void MeterTicked(const MeterRecording* meter);
    void Beat();

    StationLog& log_;
    LogSeams seams_;
    QTimeZone zone_;
    StationConfig config_;
    HostFolders host_;
    bool running_ = false;
    bool driven_ = false;
    int unnamedTold_ = 0;
    int secondsSinceSearch_ = 0;
    std::vector<std::unique_ptr<MeterRecording>> meters_;
    std::set<const MeterRecording*> tickedSinceBeat_;
    QTimer search_;  // every second: meters plugged in, and the watchdog while there are none
};

}  // namespace station
