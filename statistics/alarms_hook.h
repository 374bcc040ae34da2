// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Alarms joined to the readings as they come: every reading the statistics
// are fed passes here too. A live reading goes through the rule at once
// (desktop notification, status strip, a band on the live chart, a row in
// the list when it ends); the readings of an opened file are run through
// the rule when the file is in, so the list fills at once and nobody is
// notified. The hook keeps the readings for the measurement report and
// makes the two panels (alarms, report) for the statistics window.
#include "statistics/alarm_watch.h"
#include "statistics/noise_statistics.h"

#include <QObject>
#include <functional>
#include <memory>
#include <vector>

class QCustomPlot;
class QWidget;

namespace noisestats {

class AlarmBands;
class AlarmsPanel;
class ReportPanel;

class AlarmsHook : public QObject {
    Q_OBJECT
public:
    struct Outlets {
        std::function<void(const QString&)> strip;  // the main window's status strip ("" clears)
        QCustomPlot* liveChart = nullptr;            // where running alarms are marked (x: one unit a reading)
        std::function<double()> liveChartX;          // the live chart's x of the newest reading
        std::function<bool()> recording;             // whether a recording runs now (empty: live readings came)
    };
    AlarmsHook(AlarmWatch& watch, Outlets outlets, QObject* parent = nullptr);
    ~AlarmsHook() override;

    // The readings stream.
    void Reset();                                // the data on show was dropped
    void Add(const Reading& r, bool live);       // one reading, in time order
    void AddAll(const std::vector<Reading>& readings, bool live);  // the same for each
    void BatchDone();                            // a batch is in: readings that were not live are run

    // The panels; the hook refreshes them. `length`: the statistics
    // window's interval length, for the report's table.
    AlarmsPanel* MakeAlarmsPanel(QWidget* parent);
    ReportPanel* MakeReportPanel(std::function<IntervalLength()> length, QWidget* parent);

    const std::vector<Reading>& Readings() const { return readings_; }
    AlarmBands* Bands() const { return bands_.get(); }

private:
    void Rerun();
    void RefreshPanel();

    AlarmWatch& watch_;
    Outlets outlets_;
    std::vector<Reading> readings_;
    std::unique_ptr<AlarmBands> bands_;
    AlarmsPanel* panel_ = nullptr;
    bool live_ = false;        // the data on show is a live recording
    bool fileDirty_ = false;   // file readings came since the last run
};

}  // namespace noisestats
