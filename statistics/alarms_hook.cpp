// SPDX-License-Identifier: GPL-3.0-or-later
#include "statistics/alarms_hook.h"
#include "statistics/alarm_alerts.h"
#include "statistics/alarm_bands.h"
#include "statistics/alarms_panel.h"
#include "statistics/report_panel.h"

#include <QPointer>
#include <qcustomplot.h>

namespace noisestats {

AlarmsHook::AlarmsHook(AlarmWatch& watch, Outlets outlets, QObject* parent)
    : QObject(parent), watch_(watch), outlets_(std::move(outlets)) {
    if (outlets_.liveChart) bands_ = std::make_unique<AlarmBands>(outlets_.liveChart);
}

AlarmsHook::~AlarmsHook() = default;

void AlarmsHook::Reset() {
    readings_.clear();
    live_ = false;
    fileDirty_ = false;
    watch_.Configure(watch_.Enabled(), watch_.Settings());
    if (bands_) bands_->Clear();
    if (outlets_.strip) outlets_.strip(QString());
    RefreshPanel();
}

void AlarmsHook::Add(const Reading& r, bool live) {
    readings_.push_back(r);
    if (!live) {
        fileDirty_ = true;
        return;
    }
    live_ = true;
    const AlarmStep step = watch_.Add(r);
    // The live chart has one point a second: an alarm's start lies as many
    // points back as seconds.
    const double x = outlets_.liveChartX ? outlets_.liveChartX() : 0;
    AlarmOutlets out;
    out.strip = outlets_.strip;
    out.bandStarted = [&](std::int64_t start) {
        if (bands_) bands_->Start(x - double(r.epochSeconds - start));
    };
    out.ended = [&](const AlarmRow& row) {
        if (bands_) bands_->End(x - double(r.epochSeconds - row.endEpoch) - 1);
    };
    ForwardAlarmStep(watch_, step, out);
    if (bands_ && bands_->Running()) bands_->Extend(x);
    if (step.started || step.ended) RefreshPanel();
}

void AlarmsHook::AddAll(const std::vector<Reading>& readings, bool live) {
    for (const Reading& r : readings) Add(r, live);
}

void AlarmsHook::BatchDone() {
    if (!fileDirty_) return;
    fileDirty_ = false;
    Rerun();
}

void AlarmsHook::Rerun() {
    // New settings or a file: the rule over every reading on show, quietly.
    watch_.RunOver(readings_);
    if (bands_) bands_->Clear();
    if (outlets_.strip) outlets_.strip(QString());
    RefreshPanel();
}

void AlarmsHook::RefreshPanel() {
    if (panel_) panel_->Refresh();
}

AlarmsPanel* AlarmsHook::MakeAlarmsPanel(QWidget* parent) {
    panel_ = new AlarmsPanel(watch_, parent);
    connect(panel_, &QObject::destroyed, this, [this] { panel_ = nullptr; });
    // A live recording starts over with the new settings; a file is run
    // again at once.
    connect(panel_, &AlarmsPanel::settingsChanged, this, [this] {
        if (outlets_.recording ? outlets_.recording() : live_) {
            if (bands_) bands_->Clear();
            if (outlets_.strip) outlets_.strip(QString());
            RefreshPanel();
        } else {
            Rerun();
        }
    });
    return panel_;
}

ReportPanel* AlarmsHook::MakeReportPanel(std::function<IntervalLength()> length, QWidget* parent) {
    return new ReportPanel(
        [this, length = std::move(length)](const QString& note) {
            std::vector<AlarmRow> alarms = watch_.Rows();
            // A live alarm still on is part of the evidence: listed as such.
            if (watch_.Active() && !readings_.empty()) {
                for (const AlarmRow& row : FindAlarms(watch_.Settings(), readings_))
                    if (row.end == AlarmEnd::EndOfData) alarms.push_back(row);
            }
            MeasurementReport report =
                BuildReport(readings_, length ? length() : IntervalLength::Minutes15, alarms, note);
            if (watch_.Enabled()) report.alarmRule = watch_.Settings();  // the report states it
            return report;
        },
        parent);
}

}  // namespace noisestats
