// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The program's one stream of readings: every reading the readings session
// holds, in order, goes to the noise statistics and to the alarms, from the
// program's start, whether or not a window shows them. The statistics
// window and the alarms panel are views of it.
//
// - A live reading goes through the alarm rule at once: a desktop
//   notification and the strip's text when an alarm starts, the list when
//   it ends (LiveAlarmStep tells a chart where to draw its band).
// - The readings of an opened file run through the rule as they come, so
//   the list fills at once and nobody is notified.
// - New alarm settings start a live recording's alarms over from the next
//   reading; the readings of a file are run again.
// - Another interval length recomputes the statistics from the readings the
//   session keeps and never touches a running alarm.
//
// The alarms keep no copy of the readings: what needs them all at once (the
// report, a file run again) reads them from the session. Plain code (Qt
// Core).
#include "noise/alarm_watch.h"
#include "noise/noise_statistics.h"
#include "noise/report.h"

#include <QObject>
#include <QTimeZone>
#include <memory>
#include <vector>

namespace reading {
class ReadingsSession;
}

namespace noisestats {

class SessionFeed;

class NoiseStream : public QObject {
    Q_OBJECT
public:
    explicit NoiseStream(const reading::ReadingsSession& session,
                         QTimeZone zone = QTimeZone::systemTimeZone(), QObject* parent = nullptr);
    ~NoiseStream() override;

    // ---- The statistics.
    SessionFeed& Feed() { return *feed_; }
    const SessionFeed& Feed() const { return *feed_; }
    const NoiseStatistics& Statistics() const;
    // Another interval length for the statistics; the alarms go on as they are.
    void SetLength(IntervalLength length);

    // ---- The alarms.
    const AlarmWatch& Alarms() const { return watch_; }
    void SetAlarms(bool enabled, const AlarmSettings& settings);
    // The recording stopped: a running alarm ends at its last reading, as
    // "recording stopped" (the strip clears, a chart's band ends there).
    void RecordingStopped();
    // The alarms of the data on show for a report: those that ended, and a
    // running one listed as still on.
    std::vector<AlarmRow> AlarmsForReport() const;

    // Where alarms lie in the table: the first and the last row of each
    // alarm's readings (1-based; the chart's points are one a row).
    struct RowSpan {
        int first = 0, last = 0;
    };
    std::vector<RowSpan> RowsOf(const std::vector<AlarmRow>& alarms) const;

    // The report of the data on show, with the statistics' interval length.
    MeasurementReport Report(const QString& note) const;

signals:
    // The statistics changed (readings came, a reset, a recomputation).
    void StatisticsChanged();
    // The strip's alarm text ("" when none is running).
    void AlarmTextChanged(const QString& text);
    // The list of alarms or the running one changed.
    void AlarmsChanged();
    // Every band of the data on show is to go (a reset, new settings, a
    // file run again).
    void AlarmBandsCleared();
    // A live reading went through the rule (alarms on): the step says what
    // started or ended; `readingEpoch` is the reading's second.
    void LiveAlarmStep(std::int64_t readingEpoch, const noisestats::AlarmStep& step);
    // The alarms of an opened file, once its readings are in.
    void FileAlarmsFound(const std::vector<noisestats::AlarmRow>& rows);

private:
    void Restarted();
    void Take(const std::vector<Reading>& readings, bool live);
    void BatchDone();
    void RunAgain();
    void SetText(const QString& text);

    const reading::ReadingsSession& session_;
    std::unique_ptr<SessionFeed> feed_;
    AlarmWatch watch_;
    QString text_;
    std::int64_t lastLiveEpoch_ = 0;  // the second of the latest live reading
    bool fileDirty_ = false;  // a file's readings came since the list was last shown
};

}  // namespace noisestats
