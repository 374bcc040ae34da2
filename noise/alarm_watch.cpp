// SPDX-License-Identifier: GPL-3.0-or-later
#include "noise/alarm_watch.h"

#include "noise/labels.h"
#include "noise/report.h"

namespace noisestats {

void AlarmWatch::Configure(bool enabled, const AlarmSettings& settings) {
    enabled_ = enabled;
    rule_.Reset(settings);
    rows_.clear();
    activeOffset_ = 0;
    stillOnListed_ = false;
}

AlarmStep AlarmWatch::Add(const Reading& r) {
    if (!enabled_) return {};
    if (stillOnListed_) {
        // The data goes on after all: the alarm is running again.
        rows_.pop_back();
        stillOnListed_ = false;
    }
    AlarmStep step = rule_.Add(r);
    if (step.ended) rows_.push_back(*step.ended);
    if (step.started) activeOffset_ = r.utcOffsetSeconds;
    return step;
}

std::optional<AlarmRow> AlarmWatch::Stop() {
    if (!enabled_ || stillOnListed_) return std::nullopt;
    std::optional<AlarmRow> row = rule_.Stop();
    if (row) rows_.push_back(*row);
    return row;
}

void AlarmWatch::EndOfData() {
    if (!enabled_ || stillOnListed_ || !rule_.Active()) return;
    AlarmRule copy = rule_;  // the rule goes on should more of the data come
    if (std::optional<AlarmRow> row = copy.Finish()) {
        rows_.push_back(*row);
        stillOnListed_ = true;
    }
}

std::vector<AlarmRow> AlarmWatch::RowsWithRunning() const {
    std::vector<AlarmRow> rows = rows_;
    if (Active()) {
        AlarmRule copy = rule_;
        if (std::optional<AlarmRow> row = copy.Finish()) rows.push_back(*row);
    }
    return rows;
}

std::optional<AlarmRow> AlarmWatch::Gap() {
    if (!enabled_ || stillOnListed_) return std::nullopt;
    std::optional<AlarmRow> row = rule_.Gap();
    if (row) rows_.push_back(*row);
    return row;
}

namespace {

QString Watched(const AlarmSettings& s) {
    const QString w = s.weighting == Weighting::A ? QStringLiteral("A") : QStringLiteral("C");
    if (s.mode == AlarmMode::Level) return QStringLiteral("L%1").arg(w);
    return QStringLiteral("L%1eq %2").arg(w, ReportDuration(s.windowSeconds));
}

QString Time(std::int64_t epoch, std::int32_t offset) { return ReportDateTime(epoch, offset).mid(11, 8); }

}  // namespace

QString AlarmRuleText(const AlarmSettings& s) {
    QString text = QStringLiteral("%1 \u2265 %2 dB for %3")
                       .arg(Watched(s))
                       .arg(LevelText(s.thresholdTenths / 10.0))
                       .arg(ReportDuration(s.minimumSeconds));
    if (s.hysteresisTenths > 0)
        text += QStringLiteral(", ends %1 dB below").arg(LevelText(s.hysteresisTenths / 10.0));
    return text;
}

QString AlarmStripText(const AlarmSettings& s, std::int64_t startEpoch, std::int32_t utcOffsetSeconds) {
    return QStringLiteral("Alarm since %1: %2").arg(Time(startEpoch, utcOffsetSeconds), AlarmRuleText(s));
}

QString AlarmNotificationSummary(const AlarmSettings& s) {
    return QStringLiteral("Noise alarm: %1 at or above %2 dB")
        .arg(Watched(s))
        .arg(LevelText(s.thresholdTenths / 10.0));
}

QString AlarmNotificationBody(const AlarmSettings& s, std::int64_t startEpoch, std::int32_t utcOffsetSeconds) {
    return QStringLiteral("Since %1 (%2).").arg(ReportDateTime(startEpoch, utcOffsetSeconds), AlarmRuleText(s));
}

QString AlarmEndText(AlarmEnd end) {
    switch (end) {
    case AlarmEnd::Released: return {};
    case AlarmEnd::Gap: return QStringLiteral("gap");
    case AlarmEnd::EndOfData: return QStringLiteral("still on");
    case AlarmEnd::Stopped: return QStringLiteral("recording stopped");
    }
    return {};
}

}  // namespace noisestats
