// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// One meter's recording in the station: its own link, lock, readings
// session, recorder, statistics streams (one per interval length), alarms
// and day files. The recorder's tick does the recording exactly as in the
// desktop program; this only decides which file it goes to and writes the
// results beside it.
//
// - Files per local day (day_files.h). A new day starts when a tick's clock
//   sample has another date than the file's, before that tick's reading is
//   taken, so the last second of a day and the first of the next each land
//   in their own file and none is lost. The session is cleared then, which
//   keeps memory to one day of readings.
// - Started again on a day that has a record file already (a restart, a
//   crash, new settings), the recording carries on in that file: it is read
//   whole, its readings go through the statistics and alarms as an opened
//   file's, and the next reading is appended after its last whole word (a
//   word cut by a crash is written over). The CSV files are derived from the
//   record file: they are rewritten whole from it then (beside the target,
//   renamed over it when complete), so nothing is counted twice.
// - The interval CSVs grow by a row as each interval closes; the interval
//   under way and a running alarm are written when the day ends or the
//   recording stops, so a day's files are what the desktop program's
//   statistics give for its record file.
// - The meter's lock (device/meter_lock.h) is taken before the meter is
//   opened and held while the recording runs; while another program holds
//   it, the meter is left alone and the log says who has it, once.
#include "device/meter_link.h"
#include "device/meter_lock.h"
#include "noise/alarm_csv.h"
#include "station/day_files.h"
#include "station/station_config.h"
#include "station/station_log.h"

#include <QDateTime>
#include <QFile>
#include <QObject>
#include <QTimeZone>

#include <deque>
#include <filesystem>
#include <memory>
#include <optional>
#include <vector>

namespace reading {
class ReadingsSession;
}
namespace records {
class RecordFileWriter;
}
namespace recording {
class Recorder;
}
namespace noisestats {
class NoiseStream;
class AlarmWatch;
}  // namespace noisestats

namespace station {

struct MeterPlace {
    QString name;   // names the meter in file names
    QString port;   // USB port path
};

struct HostFolders {
    std::filesystem::path sysfsRoot;
    std::filesystem::path lockFolder;
};

class MeterRecording : public QObject {
    Q_OBJECT
public:
    MeterRecording(const MeterPlace& place, const StationConfig& config, const HostFolders& host, StationLog& log,
                   QTimeZone zone = QTimeZone::systemTimeZone(), QObject* parent = nullptr);
    ~MeterRecording() override;

    // One tick (what the recorder's timer runs every second).
    void Tick();
    // Stops the tick, writes the interval under way and a running alarm,
    // closes every file and lets go of the meter. Nothing runs after it.
    void Finish();

    const MeterPlace& Place() const { return place_; }
    recording::Recorder& Recorder() { return *recorder_; }
    const reading::ReadingsSession& Session() const { return *session_; }
    bool Connected() const;
    // The last reading taken, if any: when and its level.
    std::optional<std::pair<QDateTime, float>> LastReading() const { return last_; }
    // The record file in use ("" before the first tick).
    QString RecordFile() const;
    // Readings kept in memory because the record file could not take them.
    std::size_t Backlog() const { return backlog_.size(); }
    // At most this many readings wait in memory (a day's); later ones are
    // lost (a gap) until the file takes words again.
    static constexpr std::size_t BacklogLimit = 86400;

signals:
    // A tick sampled the clock (the station feeds the watchdog from it).
    void Ticked();

private:
    struct Results;
    void OnClock(const QDateTime& now);
    bool ClockStepped(const QDateTime& now);
    void OpenDay(const QDateTime& now);
    void FinishDay();
    int OpenLink();
    void AlarmReadings(const std::vector<noisestats::Reading>& readings, bool live);
    void WriteNewIntervals();
    void RewriteResults();
    void OpenResultFiles();
    void AppendAlarmRows(const std::vector<noisestats::NamedAlarmRow>& rows);
    void KeepWord(quint32 index, quint32 word);
    bool WriteBacklog();
    void DropBacklog(const QString& why);
    void ResultWriteFailed(const QString& path, const QString& error);

    MeterPlace place_;
    StationConfig config_;
    HostFolders host_;
    StationLog& log_;
    QTimeZone zone_;
    device::MeterLink link_;
    device::MeterLock lock_;
    bool lockRefusalTold_ = false;
    std::unique_ptr<reading::ReadingsSession> session_;
    std::vector<std::unique_ptr<noisestats::NoiseStream>> streams_;  // one per interval length, in order
    struct Alarm {
        QString name;
        std::unique_ptr<noisestats::AlarmWatch> watch;
    };
    std::vector<Alarm> alarms_;
    std::unique_ptr<recording::Recorder> recorder_;
    DayFiles day_;
    bool dayOpen_ = false;
    std::vector<std::unique_ptr<QFile>> intervalFiles_;
    std::vector<std::size_t> intervalsWritten_;
    std::unique_ptr<QFile> alarmFile_;
    QString resultProblem_;  // said once per day
    bool resultsDirty_ = false;  // a CSV write failed: rewritten whole once they can be
    int ticksSinceRewrite_ = 0;
    // While words wait, the record file's writer is taken from the session,
    // so nothing lands after a word not yet written (no hole in the file);
    // the waiting words are written in order, then it is given back.
    std::unique_ptr<records::RecordFileWriter> parked_;
    std::deque<quint32> backlog_;
    quint32 backlogIndex_ = 0;   // the file index of the first waiting word
    bool dropped_ = false;       // words were lost: the file's indexes are the station's from here on
    bool diskTold_ = false;
    // The system clock: the latest second sampled, and while it was set back,
    // the second it must pass again before readings are taken.
    std::optional<QDateTime> lastSample_;
    std::optional<QDateTime> heldUntil_;
    // A day's file that could not be opened is tried again a minute later
    // (each try is told in the log).
    std::optional<QDateTime> openFailedAt_;
    std::optional<std::pair<QDateTime, float>> last_;
    bool finished_ = false;
};

}  // namespace station
