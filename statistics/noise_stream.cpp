// SPDX-License-Identifier: GPL-3.0-or-later
#include "statistics/noise_stream.h"

#include "reading/readings_session.h"
#include "statistics/alarm_alerts.h"
#include "statistics/session_feed.h"

namespace noisestats {

NoiseStream::NoiseStream(const reading::ReadingsSession& session, QTimeZone zone, QObject* parent)
    : QObject(parent), session_(session) {
    feed_ = std::make_unique<SessionFeed>(session, IntervalLength::Minutes1, zone);
    connect(feed_.get(), &SessionFeed::Restarted, this, &NoiseStream::Restarted);
    connect(feed_.get(), &SessionFeed::ReadingsFed, this, &NoiseStream::Take);
    connect(feed_.get(), &SessionFeed::Changed, this, [this] {
        BatchDone();
        emit StatisticsChanged();
    });
    // Rows already in the session when the stream begins (none in the
    // program, which starts it with the session).
    if (session.Table().RowCount() > 1) feed_->Recompute();
}

NoiseStream::~NoiseStream() = default;

const NoiseStatistics& NoiseStream::Statistics() const { return feed_->Statistics(); }

void NoiseStream::SetLength(IntervalLength length) { feed_->SetLength(length); }

void NoiseStream::Restarted() {
    // The data on show was dropped (a new recording, another file): the
    // list starts over with the same settings.
    watch_.Configure(watch_.Enabled(), watch_.Settings());
    fileDirty_ = false;
    emit AlarmBandsCleared();
    SetText(QString());
    emit AlarmsChanged();
}

void NoiseStream::Take(const std::vector<Reading>& readings, bool live) {
    if (!watch_.Enabled()) return;
    if (!live) {
        // A file's readings (or ones read again): the list fills, quietly.
        for (const Reading& r : readings) watch_.Add(r);
        fileDirty_ = true;
        return;
    }
    for (const Reading& r : readings) {
        const AlarmStep step = watch_.Add(r);
        AlarmOutlets out;
        out.strip = [this](const QString& text) { SetText(text); };
        ForwardAlarmStep(watch_, step, out);
        lastLiveEpoch_ = r.epochSeconds;
        emit LiveAlarmStep(r.epochSeconds, step);
        if (step.started || step.ended) emit AlarmsChanged();
    }
}

void NoiseStream::RecordingStopped() {
    const std::optional<AlarmRow> row = watch_.Stop();
    if (!row) return;
    AlarmStep step;
    step.ended = row;
    SetText(QString());
    emit LiveAlarmStep(lastLiveEpoch_, step);
    emit AlarmsChanged();
}

void NoiseStream::BatchDone() {
    if (!fileDirty_) return;
    fileDirty_ = false;
    watch_.EndOfData();
    SetText(QString());
    emit AlarmsChanged();
    emit FileAlarmsFound(watch_.Rows());
}

void NoiseStream::SetAlarms(bool enabled, const AlarmSettings& settings) {
    watch_.Configure(enabled, settings);
    emit AlarmBandsCleared();
    SetText(QString());
    // A live recording starts over with the new settings from its next
    // reading; the readings on show otherwise are run again at once.
    if (!session_.Recording) RunAgain();
    emit AlarmsChanged();
}

void NoiseStream::RunAgain() {
    if (!watch_.Enabled() || session_.Table().RowCount() <= 1) return;
    watch_.RunOver(feed_->AllReadings());
    emit FileAlarmsFound(watch_.Rows());
}

std::vector<NoiseStream::RowSpan> NoiseStream::RowsOf(const std::vector<AlarmRow>& alarms) const {
    std::vector<RowSpan> spans;
    if (alarms.empty()) return spans;
    std::vector<int> rows;
    const std::vector<Reading> readings = feed_->AllReadings(rows);
    // Alarms come in time order, as the readings do: one pass over both.
    std::size_t i = 0;
    for (const AlarmRow& a : alarms) {
        while (i < readings.size() && (readings[i].epochSeconds != a.startEpoch || readings[i].weighting != a.weighting))
            ++i;
        if (i == readings.size()) break;
        RowSpan span{rows[i], rows[i]};
        for (std::size_t j = i; j < readings.size() && readings[j].epochSeconds < a.endEpoch &&
                                readings[j].epochSeconds >= a.startEpoch;
             ++j)
            span.last = rows[j];
        spans.push_back(span);
    }
    return spans;
}

std::vector<AlarmRow> NoiseStream::AlarmsForReport() const { return watch_.RowsWithRunning(); }

MeasurementReport NoiseStream::Report(const QString& note) const {
    MeasurementReport report = BuildReport(feed_->AllReadings(), Statistics().Length(), AlarmsForReport(), note);
    if (watch_.Enabled()) report.alarmRule = watch_.Settings();  // the report states it
    return report;
}

void NoiseStream::SetText(const QString& text) {
    if (text_ == text) return;
    text_ = text;
    emit AlarmTextChanged(text_);
}

}  // namespace noisestats
