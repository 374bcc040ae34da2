// SPDX-License-Identifier: GPL-3.0-or-later
#include "station/station_recorder.h"

#include "platform/service_notify.h"

namespace station {

namespace {

constexpr int kTickMs = 1000;

}  // namespace

StationRecorder::StationRecorder(StationLog& log, QObject* parent) : QObject(parent), log_(log) {
    pulse_.setInterval(kTickMs);
    connect(&pulse_, &QTimer::timeout, this, &StationRecorder::Beat);
}

void StationRecorder::Start(const StationConfig& config) {
    config_ = config;
    log_.Warning(QStringLiteral("this build of the station records nothing: its recorder is not built in yet"));
    Beat();
    pulse_.start();
}

void StationRecorder::Reconfigure(const StationConfig& config) {
    config_ = config;
    Beat();
}

void StationRecorder::Stop() { pulse_.stop(); }

void StationRecorder::Beat() {
    platform::NotifyServiceWatchdog();
    platform::NotifyServiceStatus(StatusText().toStdString());
}

QString StationRecorder::StatusText() const {
    return QStringLiteral("station \"%1\": not recording (no recorder in this build)").arg(config_.station.name);
}

}  // namespace station
