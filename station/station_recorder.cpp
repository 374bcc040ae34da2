// SPDX-License-Identifier: GPL-3.0-or-later
#include "station/station_recorder.h"

#include "device/meter_link.h"
#include "platform/service_notify.h"
#include "reading/readings_session.h"
#include "recording/recorder.h"
#include "station/host_paths.h"

#include <QLocale>

namespace station {

namespace {

constexpr int kTickMs = 1000;
// Meters plugged in later are looked for this often: a look reads sysfs for
// every device on the buses, which costs more than a second of recording.
constexpr int kSearchEverySeconds = 10;

}  // namespace

StationRecorder::StationRecorder(StationLog& log, QTimeZone zone, QObject* parent)
    : QObject(parent), log_(log), seams_(log), zone_(std::move(zone)) {
    search_.setInterval(kTickMs);
    connect(&search_, &QTimer::timeout, this, &StationRecorder::Second);
}

StationRecorder::~StationRecorder() { FinishMeters(); }

void StationRecorder::Start(const StationConfig& config) {
    config_ = config;
    const HostPaths paths = HostPathsFromEnvironment();
    host_ = HostFolders{paths.sysfsRoot, paths.lockFolder};
    running_ = true;
    StartMeters();
    Beat();
    if (!driven_) search_.start();
}

void StationRecorder::Reconfigure(const StationConfig& config) {
    FinishMeters();
    config_ = config;
    StartMeters();
    Beat();
}

void StationRecorder::Stop() {
    running_ = false;
    search_.stop();
    FinishMeters();
}

void StationRecorder::StartMeters() {
    if (config_.RecordsEveryMeter()) {
        log_.Info(QStringLiteral("recording every meter found, named by its USB port"));
        LookForMeters();
        return;
    }
    for (const MeterSettings& m : config_.meters) AddMeter({m.name, m.port});
}

void StationRecorder::FinishMeters() {
    for (auto& m : meters_) m->Finish();
    meters_.clear();
    tickedSinceBeat_.clear();
}

void StationRecorder::LookForMeters() {
    if (!running_ || !config_.RecordsEveryMeter()) return;
    int unnamed = 0;
    for (const std::string& port : device::MeterPortsOnBus(host_.sysfsRoot, &unnamed)) {
        const QString name = QString::fromStdString(port);
        bool known = false;
        for (const auto& m : meters_) known = known || m->Place().port == name;
        if (!known) AddMeter({name, name});
    }
    if (unnamed != unnamedTold_ && unnamed > 0)
        log_.Warning(QStringLiteral("%1 meter(s) found whose USB port sysfs does not name: not recorded (is %2 mounted?)")
                         .arg(unnamed)
                         .arg(QString::fromStdString(host_.sysfsRoot.string())));
    unnamedTold_ = unnamed;
}

void StationRecorder::AddMeter(const MeterPlace& place) {
    log_.Info(QStringLiteral("meter %1 at USB port %2").arg(place.name, place.port));
    auto meter = std::make_unique<MeterRecording>(place, config_, host_, log_, zone_);
    if (driven_) meter->Recorder().Timer().stop();
    const MeterRecording* key = meter.get();
    connect(meter.get(), &MeterRecording::Ticked, this, [this, key] { MeterTicked(key); });
    meters_.push_back(std::move(meter));
}

void StationRecorder::Second() {
    if (++secondsSinceSearch_ >= kSearchEverySeconds) {
        secondsSinceSearch_ = 0;
        LookForMeters();
    }
    if (meters_.empty()) Beat();
}

void StationRecorder::TickAll() {
    Second();
    for (auto& m : meters_) m->Tick();
}

void StationRecorder::MeterTicked(const MeterRecording* meter) {
    tickedSinceBeat_.insert(meter);
    if (tickedSinceBeat_.size() < meters_.size()) return;
    Beat();
}

void StationRecorder::Beat() {
    tickedSinceBeat_.clear();
    platform::NotifyServiceWatchdog();
    platform::NotifyServiceStatus(StatusText().toStdString());
}

QString StationRecorder::StatusText() const {
    if (!running_) return QStringLiteral("station \"%1\": stopped").arg(config_.station.name);
    if (meters_.empty())
        return QStringLiteral("station \"%1\": no meter yet, looking for one").arg(config_.station.name);
    QStringList parts;
    for (const auto& m : meters_) {
        QString part = m->Place().name + QStringLiteral(": ");
        if (!m->Connected()) part += QStringLiteral("no answer");
        else part += QStringLiteral("recording");
        if (const auto last = m->LastReading())
            part += QStringLiteral(", last %1 dB at %2")
                        .arg(QString::number(double(last->second), 'f', 1), last->first.toString(QStringLiteral("HH:mm:ss")));
        parts << part;
    }
    std::size_t backlog = 0;
    for (const auto& m : meters_) backlog += m->Backlog();
    return QStringLiteral("station \"%1\": %2 meter%3 (%4); backlog %5 readings")
        .arg(config_.station.name)
        .arg(meters_.size())
        .arg(meters_.size() == 1 ? QString() : QStringLiteral("s"))
        .arg(parts.join(QStringLiteral("; ")))
        .arg(backlog);
}

}  // namespace station
