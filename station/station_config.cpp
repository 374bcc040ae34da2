// SPDX-License-Identifier: GPL-3.0-or-later
#include "station/station_config.h"

#include "device/usb_port.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSet>
#include <QSysInfo>
#include <QUrl>

#include <algorithm>
#include <functional>
#include <set>

namespace station {

namespace {

constexpr int kLongestName = 64;
const int kIntervalLengths[] = {1, 5, 15, 30, 60};  // minutes, as the statistics engine has them

using Failure = std::optional<QString>;  // what is wrong with a value; none: it was taken
using KeyHandler = std::function<Failure(const IniEntry&)>;

struct KeyRule {
    const char* key;
    KeyHandler take;
};

QString Quoted(const QString& value) { return QLatin1Char('"') + value + QLatin1Char('"'); }

QString KeyList(const std::vector<KeyRule>& rules) {
    QStringList keys;
    for (const KeyRule& r : rules) keys << QString::fromLatin1(r.key);
    if (keys.size() == 1) return keys[0];
    const QString last = keys.takeLast();
    return keys.join(QStringLiteral(", ")) + QStringLiteral(" and ") + last;
}

// "1, 5, 15, 30 or 60"
QString IntervalChoices() {
    QStringList all;
    for (int m : kIntervalLengths) all << QString::number(m);
    const QString last = all.takeLast();
    return all.join(QStringLiteral(", ")) + QStringLiteral(" or ") + last;
}

bool IsIntervalLength(int minutes) {
    return std::find(std::begin(kIntervalLengths), std::end(kIntervalLengths), minutes) != std::end(kIntervalLengths);
}

// A whole number of at most `digits` digits, no sign.
std::optional<int> WholeNumber(const QString& text, int digits = 9) {
    if (text.isEmpty() || text.size() > digits) return std::nullopt;
    for (QChar c : text)
        if (!c.isDigit() || c.unicode() > '9') return std::nullopt;
    return text.toInt();
}

// "65", "65.0", "65.5" -> tenths of a dB; "." is the decimal mark, as in
// every other number of the file.
std::optional<int> Tenths(const QString& text) {
    static const QRegularExpression form(QStringLiteral("^(\\d{1,3})(?:\\.(\\d))?$"));
    const auto match = form.match(text);
    if (!match.hasMatch()) return std::nullopt;
    return match.captured(1).toInt() * 10 + (match.captured(2).isEmpty() ? 0 : match.captured(2).toInt());
}

// "90", "90 s", "5 min", "1 h" -> seconds.
std::optional<int> Seconds(const QString& text) {
    static const QRegularExpression form(QStringLiteral("^(\\d{1,6})\\s*(s|min|h)?$"));
    const auto match = form.match(text);
    if (!match.hasMatch()) return std::nullopt;
    const int n = match.captured(1).toInt();
    const QString unit = match.captured(2);
    return unit == QLatin1String("h") ? n * 3600 : unit == QLatin1String("min") ? n * 60 : n;
}

QStringList ListItems(const QString& text) {
    QStringList items;
    for (const QString& item : text.split(QLatin1Char(','))) items << item.trimmed();
    return items;
}

std::optional<QString> AbsolutePath(const QString& text) {
    if (!QDir::isAbsolutePath(text)) return std::nullopt;
    return QDir::cleanPath(text);
}

// A host name or address as the network libraries take it.
bool IsHostName(const QString& text) {
    static const QRegularExpression form(QStringLiteral("^[A-Za-z0-9._:\\[\\]-]{1,253}$"));
    return form.match(text).hasMatch();
}

// Topic levels of letters, digits, '-' and '_', joined by '/': no MQTT
// wildcard, no empty level, nothing the broker treats specially ('$').
bool IsTopicPrefix(const QString& text) {
    static const QRegularExpression form(QStringLiteral("^[A-Za-z0-9_-]+(/[A-Za-z0-9_-]+)*$"));
    return text.size() <= 200 && form.match(text).hasMatch();
}

bool IsClientId(const QString& text) {
    static const QRegularExpression form(QStringLiteral("^[A-Za-z0-9._:-]{1,128}$"));
    return form.match(text).hasMatch();
}

// Reads the entries of one section against its key rules.
class SectionReader {
public:
    SectionReader(const QString& file, const IniSection& section, ConfigProblems& problems)
        : file_(file), section_(section), problems_(problems) {}

    void Take(const std::vector<KeyRule>& rules, const QString& kindText) {
        for (const IniEntry& entry : section_.entries) {
            const KeyRule* rule = nullptr;
            for (const KeyRule& r : rules)
                if (entry.key == QLatin1String(r.key)) rule = &r;
            if (!rule) {
                Problem(entry.line, entry.key,
                        (rules.size() == 1 ? QStringLiteral("unknown key; the key of %1 is %2") : QStringLiteral("unknown key; the keys of %1 are %2")).arg(kindText, KeyList(rules)));
                continue;
            }
            given_.insert(entry.key);
            if (entry.value.isEmpty() && !entry.quoted) {
                Problem(entry.line, entry.key, QStringLiteral("no value (leave the key out for its default)"));
                continue;
            }
            if (const Failure failure = rule->take(entry)) Problem(entry.line, entry.key, *failure);
        }
    }

    bool Given(const char* key) const { return given_.contains(QString::fromLatin1(key)); }
    int LineOf(const char* key) const {
        for (const IniEntry& e : section_.entries)
            if (e.key == QLatin1String(key)) return e.line;
        return section_.line;
    }
    // A fault of the section as a whole (a key that is missing, or keys
    // that do not go together), at the header or the named key's line.
    void Problem(int line, const QString& key, const QString& message) {
        problems_.push_back({file_, line, section_.name, key, message});
    }
    void ProblemAt(const char* key, const QString& message) {
        Problem(LineOf(key), QString::fromLatin1(key), message);
    }
    std::size_t Count() const { return problems_.size(); }

private:
    const QString& file_;
    const IniSection& section_;
    ConfigProblems& problems_;
    QSet<QString> given_;
};

KeyRule Text(const char* key, QString& into) {
    return {key, [&into](const IniEntry& e) -> Failure {
                into = e.value;
                return std::nullopt;
            }};
}

KeyRule Path(const char* key, QString& into, const char* what) {
    return {key, [&into, what](const IniEntry& e) -> Failure {
                const auto path = AbsolutePath(e.value);
                if (!path) return QStringLiteral("%1 is no absolute path (%2)").arg(Quoted(e.value), QLatin1String(what));
                into = *path;
                return std::nullopt;
            }};
}

// A file that must be there when the settings are read (TLS keys and
// certificates): a typo is found at start, not at the first connection.
KeyRule ExistingFile(const char* key, QString& into, const char* what) {
    return {key, [&into, what](const IniEntry& e) -> Failure {
                const auto path = AbsolutePath(e.value);
                if (!path) return QStringLiteral("%1 is no absolute path (%2)").arg(Quoted(e.value), QLatin1String(what));
                if (!QFileInfo(*path).isFile()) return QStringLiteral("%1: no such file").arg(*path);
                into = *path;
                return std::nullopt;
            }};
}

Failure NameFailure(const QString& name, const char* what) {
    if (IsValidName(name)) return std::nullopt;
    return QStringLiteral("%1 is no %2: 1 to 64 letters, digits, '-' and '_'").arg(Quoted(name), QLatin1String(what));
}

// [station]
std::vector<KeyRule> StationRules(StationSettings& s) {
    return {
        {"name", [&](const IniEntry& e) -> Failure {
             if (auto f = NameFailure(e.value, "station name")) return f;
             s.name = e.value;
             return std::nullopt;
         }},
        Path("data", s.data, "the folder the station's files go to"),
        {"intervals", [&](const IniEntry& e) -> Failure {
             std::set<int> lengths;
             for (const QString& item : ListItems(e.value)) {
                 const auto minutes = WholeNumber(item, 3);
                 if (!minutes || !IsIntervalLength(*minutes))
                     return QStringLiteral("%1 is no interval length: %2 (minutes)").arg(Quoted(item), IntervalChoices());
                 if (!lengths.insert(*minutes).second) return QStringLiteral("%1 is listed twice").arg(*minutes);
             }
             s.intervalMinutes.assign(lengths.begin(), lengths.end());
             return std::nullopt;
         }},
        {"spool_days", [&](const IniEntry& e) -> Failure {
             const auto days = WholeNumber(e.value, 4);
             if (!days || *days < 1 || *days > 3650)
                 return QStringLiteral("%1 is no number of days from 1 to 3650").arg(Quoted(e.value));
             s.spoolDays = *days;
             return std::nullopt;
         }},
    };
}

void ReadStation(SectionReader& reader, StationSettings& s) {
    reader.Take(StationRules(s), QStringLiteral("[station]"));
}

// [meter.NAME]
std::vector<KeyRule> MeterRules(MeterSettings& m) {
    return {
        {"port", [&](const IniEntry& e) -> Failure {
             if (!device::IsUsbPortPath(e.value.toStdString()))
                 return QStringLiteral("%1 is no USB port path such as 1-1.2 (see the manual: ls /sys/bus/usb/devices)")
                     .arg(Quoted(e.value));
             m.port = e.value;
             return std::nullopt;
         }},
    };
}

void ReadMeter(SectionReader& reader, MeterSettings& m) {
    reader.Take(MeterRules(m), QStringLiteral("[meter.NAME]"));
    if (!reader.Given("port")) reader.Problem(m.line, QStringLiteral("port"), QStringLiteral("missing: the meter's USB port path"));
}

// [alarm.NAME]
std::vector<KeyRule> AlarmRules(AlarmSettings& a) {
    return {
        {"threshold", [&](const IniEntry& e) -> Failure {
             const auto tenths = Tenths(e.value);
             if (!tenths || *tenths > 1999)
                 return QStringLiteral("%1 is no level in dB from 0.0 to 199.9 (one decimal at most, '.' as mark)")
                     .arg(Quoted(e.value));
             a.thresholdTenths = *tenths;
             return std::nullopt;
         }},
        {"watch", [&](const IniEntry& e) -> Failure {
             static const QRegularExpression leq(QStringLiteral("^leq\\s+(\\d{1,2})(?:\\s*min)?$"),
                                                 QRegularExpression::CaseInsensitiveOption);
             if (e.value.compare(QLatin1String("level"), Qt::CaseInsensitive) == 0) {
                 a.mode = AlarmMode::Level;
                 return std::nullopt;
             }
             const auto match = leq.match(e.value);
             if (match.hasMatch() && IsIntervalLength(match.captured(1).toInt())) {
                 a.mode = AlarmMode::SlidingLeq;
                 a.windowSeconds = match.captured(1).toInt() * 60;
                 return std::nullopt;
             }
             return QStringLiteral("%1: watch \"level\" (each second's reading) or \"leq N\", the Leq over the last "
                                   "N minutes, N %2")
                 .arg(Quoted(e.value), IntervalChoices());
         }},
        {"weighting", [&](const IniEntry& e) -> Failure {
             if (e.value.compare(QLatin1String("A"), Qt::CaseInsensitive) == 0) a.weighting = AlarmWeighting::A;
             else if (e.value.compare(QLatin1String("C"), Qt::CaseInsensitive) == 0) a.weighting = AlarmWeighting::C;
             else return QStringLiteral("%1 is no frequency weighting: A or C").arg(Quoted(e.value));
             return std::nullopt;
         }},
        {"minimum", [&](const IniEntry& e) -> Failure {
             const auto seconds = Seconds(e.value);
             if (!seconds || *seconds < 1 || *seconds > 86400)
                 return QStringLiteral("%1 is no duration from 1 s to 24 h (\"90\", \"90 s\", \"5 min\", \"1 h\")")
                     .arg(Quoted(e.value));
             a.minimumSeconds = *seconds;
             return std::nullopt;
         }},
        {"hysteresis", [&](const IniEntry& e) -> Failure {
             const auto tenths = Tenths(e.value);
             if (!tenths || *tenths > 300)
                 return QStringLiteral("%1 is no level difference in dB from 0.0 to 30.0").arg(Quoted(e.value));
             a.hysteresisTenths = *tenths;
             return std::nullopt;
         }},
        {"meters", [&](const IniEntry& e) -> Failure {
             QStringList names;
             for (const QString& item : ListItems(e.value)) {
                 if (item.isEmpty()) return QStringLiteral("an empty name in the list");
                 if (names.contains(item)) return QStringLiteral("%1 is listed twice").arg(Quoted(item));
                 names << item;
             }
             a.meters = names;  // checked against the meters once all sections are read
             return std::nullopt;
         }},
        {"exec", [&](const IniEntry& e) -> Failure {
             const auto path = AbsolutePath(e.value);
             if (!path) return QStringLiteral("%1 is no absolute path of a program").arg(Quoted(e.value));
             const QFileInfo program(*path);
             if (!program.isFile() || !program.isExecutable())
                 return QStringLiteral("%1 is no program that can be run").arg(*path);
             a.exec = *path;
             return std::nullopt;
         }},
    };
}

void ReadAlarm(SectionReader& reader, AlarmSettings& a) {
    reader.Take(AlarmRules(a), QStringLiteral("[alarm.NAME]"));
    if (!reader.Given("threshold"))
        reader.Problem(a.line, QStringLiteral("threshold"), QStringLiteral("missing: the level in dB the alarm is about"));
}

// [mqtt]
std::vector<KeyRule> MqttRules(MqttSettings& m) {
    return {
        {"host", [&](const IniEntry& e) -> Failure {
             if (!IsHostName(e.value)) return QStringLiteral("%1 is no host name or address").arg(Quoted(e.value));
             m.host = e.value;
             return std::nullopt;
         }},
        {"port", [&](const IniEntry& e) -> Failure {
             const auto port = WholeNumber(e.value, 5);
             if (!port || *port < 1 || *port > 65535) return QStringLiteral("%1 is no port from 1 to 65535").arg(Quoted(e.value));
             m.port = *port;
             return std::nullopt;
         }},
        Text("username", m.username),
        Text("password", m.password),
        ExistingFile("tls_ca", m.tlsCa, "the certificate authority that signed the broker's certificate"),
        ExistingFile("tls_cert", m.tlsCert, "the station's own certificate"),
        ExistingFile("tls_key", m.tlsKey, "the key of the station's certificate"),
        {"client_id", [&](const IniEntry& e) -> Failure {
             if (!IsClientId(e.value))
                 return QStringLiteral("%1 is no client id: 1 to 128 letters, digits and . _ : -").arg(Quoted(e.value));
             m.clientId = e.value;
             return std::nullopt;
         }},
        {"prefix", [&](const IniEntry& e) -> Failure {
             if (!IsTopicPrefix(e.value))
                 return QStringLiteral("%1 is no topic prefix: levels of letters, digits, '-' and '_' joined by '/'")
                     .arg(Quoted(e.value));
             m.prefix = e.value;
             return std::nullopt;
         }},
        {"discovery", [&](const IniEntry& e) -> Failure {
             if (e.value == QLatin1String("homeassistant")) m.discovery = MqttDiscovery::HomeAssistant;
             else if (e.value == QLatin1String("off")) m.discovery = MqttDiscovery::Off;
             else return QStringLiteral("%1: discovery is \"homeassistant\" or \"off\"").arg(Quoted(e.value));
             return std::nullopt;
         }},
    };
}

void ReadMqtt(SectionReader& reader, MqttSettings& m) {
    reader.Take(MqttRules(m), QStringLiteral("[mqtt]"));
    if (!reader.Given("host")) reader.Problem(reader.LineOf("host"), QStringLiteral("host"), QStringLiteral("missing: the broker's host name"));
    if (reader.Given("password") && !reader.Given("username"))
        reader.ProblemAt("password", QStringLiteral("a password needs a username"));
    if (reader.Given("tls_cert") != reader.Given("tls_key"))
        reader.ProblemAt(reader.Given("tls_cert") ? "tls_cert" : "tls_key",
                         QStringLiteral("a client certificate needs both tls_cert and tls_key"));
    if ((reader.Given("tls_cert") || reader.Given("tls_key")) && !reader.Given("tls_ca"))
        reader.ProblemAt(reader.Given("tls_cert") ? "tls_cert" : "tls_key",
                         QStringLiteral("TLS needs tls_ca, the certificate authority of the broker"));
    if (!reader.Given("port") && m.Tls()) m.port = 8883;
}

// [influxdb]
std::vector<KeyRule> InfluxRules(InfluxSettings& s) {
    return {
        {"url", [&](const IniEntry& e) -> Failure {
             const QUrl url(e.value, QUrl::StrictMode);
             const QString scheme = url.scheme();
             if (!url.isValid() || (scheme != QLatin1String("http") && scheme != QLatin1String("https")) ||
                 url.host().isEmpty() || url.hasQuery() || url.hasFragment())
                 return QStringLiteral("%1 is no server address such as http://localhost:8086").arg(Quoted(e.value));
             s.url = e.value;
             return std::nullopt;
         }},
        Text("database", s.database),
        Text("username", s.username),
        Text("password", s.password),
        Text("org", s.org),
        Text("bucket", s.bucket),
        Text("token", s.token),
    };
}

void ReadInflux(SectionReader& reader, InfluxSettings& s) {
    reader.Take(InfluxRules(s), QStringLiteral("[influxdb]"));
    if (!reader.Given("url"))
        reader.Problem(reader.LineOf("url"), QStringLiteral("url"), QStringLiteral("missing: the server's address"));
    const bool v1 = reader.Given("database");
    const bool v2 = reader.Given("org") || reader.Given("bucket") || reader.Given("token");
    if (v1 && v2) {
        reader.ProblemAt(reader.Given("org") ? "org" : reader.Given("bucket") ? "bucket" : "token",
                         QStringLiteral("either database (InfluxDB 1.x) or org, bucket and token (2.x), not both"));
        return;
    }
    if (!v1 && !v2) {
        reader.ProblemAt("database", QStringLiteral("missing: database (InfluxDB 1.x) or org, bucket and token (2.x)"));
        return;
    }
    if (v1) {
        s.api = InfluxApi::V1;
        if (reader.Given("password") && !reader.Given("username"))
            reader.ProblemAt("password", QStringLiteral("a password needs a username"));
        return;
    }
    s.api = InfluxApi::V2;
    for (const char* key : {"username", "password"})
        if (reader.Given(key)) reader.ProblemAt(key, QStringLiteral("InfluxDB 2.x takes a token, not %1").arg(QLatin1String(key)));
    for (const char* key : {"org", "bucket", "token"})
        if (!reader.Given(key)) reader.ProblemAt(key, QStringLiteral("missing: InfluxDB 2.x needs org, bucket and token"));
}

// The checks between sections: two meters on one port, alarms of meters that are not there.
void CheckAcross(const QString& file, StationConfig& c, const std::vector<const IniSection*>& alarmSections,
                 ConfigProblems& problems) {
    for (std::size_t i = 0; i < c.meters.size(); ++i) {
        for (std::size_t j = 0; j < i; ++j) {
            if (!c.meters[i].port.isEmpty() && c.meters[i].port == c.meters[j].port) {
                problems.push_back({file, c.meters[i].line, QStringLiteral("meter.") + c.meters[i].name,
                                    QStringLiteral("port"),
                                    QStringLiteral("port %1 is meter.%2's already (line %3)")
                                        .arg(c.meters[i].port, c.meters[j].name)
                                        .arg(c.meters[j].line)});
            }
        }
    }
    for (std::size_t i = 0; i < c.alarms.size(); ++i) {
        const AlarmSettings& a = c.alarms[i];
        int line = a.line;
        for (const IniEntry& e : alarmSections[i]->entries)
            if (e.key == QLatin1String("meters")) line = e.line;
        for (const QString& name : a.meters) {
            QString message;
            if (c.meters.empty()) {
                if (!device::IsUsbPortPath(name.toStdString()))
                    message = QStringLiteral("%1: with no [meter.NAME] sections the meters are named by their USB port "
                                             "(such as 1-1.2)")
                                  .arg(Quoted(name));
            } else if (std::none_of(c.meters.begin(), c.meters.end(),
                                    [&](const MeterSettings& m) { return m.name == name; })) {
                QStringList known;
                for (const MeterSettings& m : c.meters) known << m.name;
                message = QStringLiteral("%1 is no meter of this file: %2").arg(Quoted(name), known.join(QStringLiteral(", ")));
            }
            if (!message.isEmpty())
                problems.push_back({file, line, QStringLiteral("alarm.") + a.name, QStringLiteral("meters"), message});
        }
    }
}

}  // namespace

std::vector<std::pair<QString, QStringList>> ConfigKeys() {
    auto names = [](const std::vector<KeyRule>& rules) {
        QStringList keys;
        for (const KeyRule& r : rules) keys << QString::fromLatin1(r.key);
        return keys;
    };
    StationSettings station;
    MeterSettings meter;
    AlarmSettings alarm;
    MqttSettings mqtt;
    InfluxSettings influx;
    return {{QStringLiteral("station"), names(StationRules(station))},
            {QStringLiteral("meter.NAME"), names(MeterRules(meter))},
            {QStringLiteral("alarm.NAME"), names(AlarmRules(alarm))},
            {QStringLiteral("mqtt"), names(MqttRules(mqtt))},
            {QStringLiteral("influxdb"), names(InfluxRules(influx))}};
}

bool IsValidName(const QString& name) {
    static const QRegularExpression form(QStringLiteral("^[A-Za-z0-9_-]{1,64}$"));
    return name.size() <= kLongestName && form.match(name).hasMatch();
}

QString DefaultStationName() {
    const QString host = QSysInfo::machineHostName().section(QLatin1Char('.'), 0, 0);
    return IsValidName(host) ? host : QStringLiteral("station");
}

ConfigReadResult ConfigFromIni(const IniReadResult& ini) {
    ConfigReadResult result;
    result.problems = ini.problems;
    const QString& file = ini.file.path;
    StationConfig c;
    c.file = file;
    c.station.name = DefaultStationName();
    std::vector<const IniSection*> alarmSections;

    for (const IniSection& section : ini.file.sections) {
        SectionReader reader(file, section, result.problems);
        const QString kind = section.name.section(QLatin1Char('.'), 0, 0);
        const bool named = section.name.contains(QLatin1Char('.'));
        const QString name = section.name.section(QLatin1Char('.'), 1);
        if ((kind == QLatin1String("meter") || kind == QLatin1String("alarm")) && named) {
            if (auto f = NameFailure(name, kind == QLatin1String("meter") ? "meter name" : "alarm name")) {
                reader.Problem(section.line, {}, *f);
                continue;
            }
            if (kind == QLatin1String("meter") && device::IsUsbPortPath(name.toStdString())) {
                reader.Problem(section.line, {},
                               QStringLiteral("a meter named like a USB port would be taken for the meter of that port; "
                                              "give it a name such as \"street\""));
                continue;
            }
            if (kind == QLatin1String("meter")) {
                MeterSettings m;
                m.name = name;
                m.line = section.line;
                ReadMeter(reader, m);
                c.meters.push_back(m);
            } else {
                AlarmSettings a;
                a.name = name;
                a.line = section.line;
                ReadAlarm(reader, a);
                c.alarms.push_back(a);
                alarmSections.push_back(&section);
            }
        } else if (!named && kind == QLatin1String("station")) {
            ReadStation(reader, c.station);
        } else if (!named && kind == QLatin1String("mqtt")) {
            ReadMqtt(reader, c.mqtt.emplace());
        } else if (!named && kind == QLatin1String("influxdb")) {
            ReadInflux(reader, c.influxdb.emplace());
        } else if (!named && (kind == QLatin1String("meter") || kind == QLatin1String("alarm"))) {
            reader.Problem(section.line, {}, QStringLiteral("needs a name: [%1.NAME]").arg(kind));
        } else {
            reader.Problem(section.line, {},
                           QStringLiteral("unknown section; the sections are [station], [meter.NAME], [alarm.NAME], "
                                          "[mqtt] and [influxdb]"));
        }
    }
    CheckAcross(file, c, alarmSections, result.problems);
    if (c.mqtt && c.mqtt->clientId.isEmpty()) c.mqtt->clientId = QStringLiteral("quorvane-") + c.station.name;
    if (result.problems.empty()) result.config = std::move(c);
    return result;
}

bool SameSettings(StationConfig a, StationConfig b) {
    for (StationConfig* c : {&a, &b}) {
        for (MeterSettings& m : c->meters) m.line = 0;
        for (AlarmSettings& al : c->alarms) al.line = 0;
    }
    return a == b;
}

ConfigReadResult ReadStationConfig(const QString& path) { return ConfigFromIni(ReadIniFile(path)); }

}  // namespace station
