// SPDX-License-Identifier: GPL-3.0-or-later
#include "station/station.h"

#include "platform/service_notify.h"

namespace station {

namespace {

QString Counted(std::size_t n, const char* one, const char* many) {
    return QString::number(n) + QLatin1Char(' ') + QLatin1String(n == 1 ? one : many);
}

}  // namespace

QString ConfigLine(const StationConfig& c) {
    QStringList minutes;
    for (int m : c.station.intervalMinutes) minutes << QString::number(m);
    const QString meters = c.RecordsEveryMeter() ? QStringLiteral("every meter found")
                                                 : Counted(c.meters.size(), "meter", "meters");
    QStringList publishing;
    if (c.mqtt) publishing << QStringLiteral("MQTT");
    if (c.influxdb) publishing << QStringLiteral("InfluxDB");
    return QStringLiteral("station \"%1\", files in %2: %3, %4, intervals of %5 min%6")
        .arg(c.station.name, c.station.data, meters, Counted(c.alarms.size(), "alarm", "alarms"),
             minutes.join(QStringLiteral(", ")),
             publishing.isEmpty() ? QString() : QStringLiteral(", publishing to ") + publishing.join(QStringLiteral(" and ")));
}

Station::Station(QString configPath, RecordingHook& recording, StationLog& log)
    : path_(std::move(configPath)), recording_(recording), log_(log) {}

void Station::LogProblems(const ConfigProblems& problems) {
    for (const ConfigProblem& p : problems) log_.Error(p.Text());
}

bool Station::Start() {
    platform::NotifyServiceStatus("reading " + path_.toStdString());
    ConfigReadResult read = ReadStationConfig(path_);
    if (!read.config) {
        LogProblems(read.problems);
        log_.Error(QStringLiteral("nothing was started: mend %1 and start again").arg(path_));
        platform::NotifyServiceStatus("refused " + path_.toStdString() + ": " +
                                      read.problems.front().Text().toStdString());
        return false;
    }
    config_ = std::move(read.config);
    log_.Info(QStringLiteral("read %1: %2").arg(path_, ConfigLine(*config_)));
    recording_.Start(*config_);
    running_ = true;
    platform::NotifyServiceReady();
    return true;
}

bool Station::Reload() {
    if (!running_) return false;
    platform::NotifyServiceReloading();
    log_.Info(QStringLiteral("rereading %1").arg(path_));
    ConfigReadResult read = ReadStationConfig(path_);
    bool taken = false;
    if (!read.config) {
        LogProblems(read.problems);
        log_.Warning(QStringLiteral("%1 was refused: the settings in use go on").arg(path_));
    } else if (SameSettings(*read.config, *config_)) {
        log_.Info(QStringLiteral("%1 is unchanged").arg(path_));
        taken = true;
    } else {
        config_ = std::move(read.config);
        log_.Notice(QStringLiteral("new settings from %1: %2").arg(path_, ConfigLine(*config_)));
        recording_.Reconfigure(*config_);
        taken = true;
    }
    // READY=1 ends the reload for the service manager, whatever its outcome.
    platform::NotifyServiceReady();
    return taken;
}

void Station::Stop() {
    if (!running_) return;
    running_ = false;
    platform::NotifyServiceStopping();
    log_.Info(QStringLiteral("stopping"));
    recording_.Stop();
    log_.Info(QStringLiteral("stopped"));
}

}  // namespace station
