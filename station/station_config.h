// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The station's settings, read from its INI file (ini_file.h), every value
// checked; a file with any fault gives no settings at all, only its
// problems, so nothing starts on a half-understood file.
//
//   [station]        name, data, intervals, spool_days
//   [meter.NAME]     port               (none: every meter found, named by its port)
//   [alarm.NAME]     threshold, watch, weighting, minimum, hysteresis, meters, exec
//   [mqtt]           host, port, username, password, tls_ca, tls_cert, tls_key,
//                    client_id, prefix, discovery
//   [influxdb]       url, database, username, password (1.x), org, bucket, token (2.x)
//
// packaging/station.conf is the commented example of every key; the manual
// page quorvane-station(1) says the same.
#include "station/config_problem.h"
#include "station/ini_file.h"

#include <QString>
#include <QStringList>
#include <optional>
#include <utility>
#include <vector>

namespace station {

inline constexpr const char* DefaultConfigPath = "/etc/quorvane/station.conf";
inline constexpr const char* DefaultDataFolder = "/var/lib/quorvane";
inline constexpr int DefaultSpoolDays = 30;

struct StationSettings {
    QString name;                             // names the station in file names and published data
    QString data = QString::fromLatin1(DefaultDataFolder);
    std::vector<int> intervalMinutes{1, 15, 60};  // ascending, each 1, 5, 15, 30 or 60
    int spoolDays = DefaultSpoolDays;         // how long results wait on disk for publishing
    bool operator==(const StationSettings&) const = default;
};

struct MeterSettings {
    QString name;
    QString port;  // USB port path, "1-1.2"
    int line = 0;  // of its section header
    bool operator==(const MeterSettings&) const = default;
};

// The alarm rule's settings, field by field as the statistics engine's
// AlarmSettings holds them (same units), so the recorder hands them on
// one to one.
enum class AlarmWeighting { A, C };
enum class AlarmMode { Level, SlidingLeq };

struct AlarmSettings {
    QString name;
    AlarmWeighting weighting = AlarmWeighting::A;
    AlarmMode mode = AlarmMode::Level;
    int thresholdTenths = 0;     // required: 0..1999 (0.0 to 199.9 dB)
    int hysteresisTenths = 0;    // 0..300
    int minimumSeconds = 60;     // 1..86400
    int windowSeconds = 300;     // the sliding Leq's span: 60, 300, 900, 1800 or 3600 (SlidingLeq only)
    QStringList meters;          // the meters it watches, by name; empty: every meter
    QString exec;                // run at the alarm's start and end; empty: none
    int line = 0;
    bool operator==(const AlarmSettings&) const = default;
};

enum class MqttDiscovery { Off, HomeAssistant };

struct MqttSettings {
    QString host;
    int port = 1883;             // 8883 when TLS (tls_ca) is set and no port is given
    QString username, password;  // password only with a username
    QString tlsCa, tlsCert, tlsKey;  // TLS with tls_ca; a client certificate needs both cert and key
    QString clientId;            // default "quorvane-" and the station's name
    QString prefix = QStringLiteral("quorvane");  // topics PREFIX/STATION/METER/...
    MqttDiscovery discovery = MqttDiscovery::Off;
    bool Tls() const { return !tlsCa.isEmpty(); }
    bool operator==(const MqttSettings&) const = default;
};

enum class InfluxApi { V1, V2 };  // 1.x: /write with database; 2.x: /api/v2/write with org, bucket, token

struct InfluxSettings {
    QString url;                 // http:// or https://, the server's base address
    InfluxApi api = InfluxApi::V1;
    QString database, username, password;  // 1.x
    QString org, bucket, token;            // 2.x
    bool operator==(const InfluxSettings&) const = default;
};

struct StationConfig {
    QString file;
    StationSettings station;
    std::vector<MeterSettings> meters;  // in the file's order; empty: every meter found
    std::vector<AlarmSettings> alarms;
    std::optional<MqttSettings> mqtt;
    std::optional<InfluxSettings> influxdb;

    bool RecordsEveryMeter() const { return meters.empty(); }
    bool operator==(const StationConfig&) const = default;
};

// The same settings, wherever in the file they stand (line numbers aside).
bool SameSettings(StationConfig a, StationConfig b);

struct ConfigReadResult {
    std::optional<StationConfig> config;  // none when there is any problem
    ConfigProblems problems;
};

// The settings of a file that was read (its syntax may have had problems:
// they are kept, and the settings are then none).
ConfigReadResult ConfigFromIni(const IniReadResult& ini);

// Reads and checks the file.
ConfigReadResult ReadStationConfig(const QString& path);

// The station's name when the file gives none: the host's name up to its
// first dot, as far as it is a valid name; "station" otherwise.
QString DefaultStationName();

// Every section and its keys, as the reader takes them: "station",
// "meter.NAME", "alarm.NAME", "mqtt", "influxdb" (so the documentation can
// be checked against it).
std::vector<std::pair<QString, QStringList>> ConfigKeys();

// A name of the station, a meter or an alarm: 1 to 64 letters, digits, '-'
// and '_' (it becomes part of file names and topics).
bool IsValidName(const QString& name);

}  // namespace station
