// SPDX-License-Identifier: GPL-3.0-or-later
#include "station/config_summary.h"

#include "device/appusb.h"  // the meter's USB ids only (constants: nothing of the link is linked)
#include "device/usb_port.h"

#include <QFileInfo>

#include <algorithm>

namespace station {

namespace {

QString Quoted(const QString& s) { return QLatin1Char('"') + s + QLatin1Char('"'); }

// "1, 15 and 60 min"
QString IntervalsText(const std::vector<int>& minutes) {
    QStringList items;
    for (int m : minutes) items << QString::number(m);
    if (items.size() == 1) return items[0] + QStringLiteral(" min");
    const QString last = items.takeLast();
    return items.join(QStringLiteral(", ")) + QStringLiteral(" and ") + last + QStringLiteral(" min");
}

QString PortsText(const std::vector<std::string>& ports) {
    QStringList items;
    for (const std::string& p : ports) items << QString::fromStdString(p);
    return items.join(QStringLiteral(", "));
}

QString HolderText(const std::optional<device::MeterLockHolder>& holder) {
    if (!holder) return {};
    if (holder->program.empty()) return QStringLiteral("; in use by another program now");
    return QStringLiteral("; in use by %1 (pid %2) now: it is recorded once that program lets go")
        .arg(QString::fromStdString(holder->program))
        .arg(holder->pid);
}

bool PluggedIn(const HostView& host, const QString& port) {
    const std::string p = port.toStdString();
    return std::find(host.metersPluggedIn.begin(), host.metersPluggedIn.end(), p) != host.metersPluggedIn.end();
}

QString MetersText(const StationConfig& c, const HostView& host) {
    QString text = QStringLiteral("Meters:\n");
    if (c.RecordsEveryMeter()) {
        text += QStringLiteral("  every meter found, each named by its USB port; ");
        if (host.metersPluggedIn.empty()) return text + QStringLiteral("none is plugged in now\n");
        text += QStringLiteral("plugged in now: %1\n").arg(PortsText(host.metersPluggedIn));
        for (const std::string& port : host.metersPluggedIn) {
            const QString held = HolderText(host.holderOf ? host.holderOf(port) : std::nullopt);
            if (!held.isEmpty()) text += QStringLiteral("  %1%2\n").arg(QString::fromStdString(port), held);
        }
        return text;
    }
    for (const MeterSettings& m : c.meters) {
        text += QStringLiteral("  %1 at USB port %2: %3%4\n")
                    .arg(Quoted(m.name), m.port,
                         PluggedIn(host, m.port) ? QStringLiteral("plugged in now") : QStringLiteral("not plugged in now"),
                         host.holderOf ? HolderText(host.holderOf(m.port.toStdString())) : QString());
    }
    std::vector<std::string> others;
    for (const std::string& port : host.metersPluggedIn) {
        const bool configured = std::any_of(c.meters.begin(), c.meters.end(),
                                            [&](const MeterSettings& m) { return m.port.toStdString() == port; });
        if (!configured) others.push_back(port);
    }
    if (!others.empty()) text += QStringLiteral("  not recorded (no [meter.NAME] for its port): %1\n").arg(PortsText(others));
    return text;
}

QString AlarmText(const AlarmSettings& a) {
    QString text = QStringLiteral("  %1: %2 at or above %3 for %4")
                       .arg(Quoted(a.name), WatchText(a), LevelText(a.thresholdTenths), DurationText(a.minimumSeconds));
    // "Off" is below threshold - hysteresis, and must hold as long as "on" had to.
    text += QStringLiteral(", ends after %1 below %2")
                .arg(DurationText(a.minimumSeconds), LevelText(a.thresholdTenths - a.hysteresisTenths));
    text += a.meters.isEmpty() ? QStringLiteral(", on every meter")
                               : QStringLiteral(", on %1").arg(a.meters.join(QStringLiteral(", ")));
    if (!a.exec.isEmpty()) text += QStringLiteral("; runs %1 at its start and end").arg(a.exec);
    return text + QLatin1Char('\n');
}

QString PublishingText(const StationConfig& c) {
    if (!c.mqtt && !c.influxdb) return QStringLiteral("Publishing: none\n");
    QString text = QStringLiteral("Publishing (settings checked; this version does not send yet):\n");
    if (c.mqtt) {
        const MqttSettings& m = *c.mqtt;
        text += QStringLiteral("  MQTT to %1:%2%3").arg(m.host).arg(m.port).arg(m.Tls() ? QStringLiteral(" with TLS") : QString());
        if (!m.tlsCert.isEmpty()) text += QStringLiteral(" and a client certificate");
        if (!m.username.isEmpty()) text += QStringLiteral(", as user %1").arg(Quoted(m.username));
        text += QStringLiteral(", client id %1, topics %2/%3/METER/...")
                    .arg(Quoted(m.clientId), m.prefix, c.station.name);
        if (m.discovery == MqttDiscovery::HomeAssistant) text += QStringLiteral(", with Home Assistant discovery");
        text += QLatin1Char('\n');
    }
    if (c.influxdb) {
        const InfluxSettings& s = *c.influxdb;
        if (s.api == InfluxApi::V1) {
            text += QStringLiteral("  InfluxDB 1.x at %1, database %2").arg(s.url, Quoted(s.database));
            if (!s.username.isEmpty()) text += QStringLiteral(", as user %1").arg(Quoted(s.username));
        } else {
            text += QStringLiteral("  InfluxDB 2.x at %1, org %2, bucket %3").arg(s.url, Quoted(s.org), Quoted(s.bucket));
        }
        text += QLatin1Char('\n');
    }
    return text + QStringLiteral("  results wait up to %1 days on disk for a destination that is away\n")
                      .arg(c.station.spoolDays);
}

}  // namespace

QString LevelText(int tenths) { return QString::number(tenths / 10.0, 'f', 1) + QStringLiteral(" dB"); }

QString DurationText(int seconds) {
    if (seconds % 3600 == 0) return QString::number(seconds / 3600) + QStringLiteral(" h");
    if (seconds % 60 == 0) return QString::number(seconds / 60) + QStringLiteral(" min");
    return QString::number(seconds) + QStringLiteral(" s");
}

QString WatchText(const AlarmSettings& a) {
    const QString w = a.weighting == AlarmWeighting::A ? QStringLiteral("A") : QStringLiteral("C");
    if (a.mode == AlarmMode::Level) return QStringLiteral("the %1-weighted level").arg(w);
    return QStringLiteral("the L%1eq over %2").arg(w, DurationText(a.windowSeconds));
}

HostView LookAtHost(const HostPaths& paths) {
    HostView host;
    host.metersPluggedIn = device::UsbPortsOf(Appusb::MeterVendorId, Appusb::MeterProductId, paths.sysfsRoot);
    host.holderOf = [folder = paths.lockFolder](const std::string& port) {
        return device::MeterLockHolderOf(port, folder);
    };
    host.folderState = [](const QString& folder) -> QString {
        const QFileInfo info(folder);
        if (!info.exists()) return QStringLiteral("does not exist yet");
        if (!info.isDir()) return QStringLiteral("is no folder");
        if (!info.isWritable()) return QStringLiteral("is not writable by this user");
        return {};
    };
    return host;
}

QString ConfigSummary(const StationConfig& c, const HostView& host) {
    QString text = QStringLiteral("%1: the configuration is good.\n").arg(c.file);
    text += QStringLiteral("Station %1, files in %2").arg(Quoted(c.station.name), c.station.data);
    const QString state = host.folderState ? host.folderState(c.station.data) : QString();
    text += state.isEmpty() ? QStringLiteral("\n") : QStringLiteral(" (it %1)\n").arg(state);
    text += QStringLiteral("Interval results of %1\n").arg(IntervalsText(c.station.intervalMinutes));
    text += MetersText(c, host);
    if (c.alarms.empty()) {
        text += QStringLiteral("Alarms: none\n");
    } else {
        text += QStringLiteral("Alarms:\n");
        for (const AlarmSettings& a : c.alarms) text += AlarmText(a);
    }
    return text + PublishingText(c);
}

}  // namespace station
