// SPDX-License-Identifier: GPL-3.0-or-later
// The station's configuration: the INI syntax, a table of bad files (each
// fault named by file, line, section and key, and no settings at all), good
// files read in full, and the shipped example and manual page against the
// keys the reader knows.
#include "station/ini_file.h"
#include "station/station_config.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>

namespace {

using namespace station;

QByteArray Utf8(const char* text) { return QByteArray(text); }

// --- the syntax -----------------------------------------------------------

TEST(IniFile, ValuesCommentsAndQuotes) {
    const IniReadResult r = ParseIni(Utf8("\xEF\xBB\xBF"
                                          "; a comment\r\n"
                                          "# another\n"
                                          "\n"
                                          "  [station]   ; trailing comment\n"
                                          "name = garden              ; names the station\n"
                                          "data=/var/lib/quorvane\n"
                                          "note = a;b#c               # kept: no space before ; and #\n"
                                          "[mqtt]\n"
                                          "password = \"se;cret # \\\"q\\\" \\\\\"  ; quoted\n"
                                          "empty = \"\"\n"
                                          "bare =\n"),
                                     QStringLiteral("s.conf"));
    ASSERT_TRUE(r.problems.empty()) << r.problems.front().Text().toStdString();
    ASSERT_EQ(r.file.sections.size(), 2u);
    const IniSection& station = r.file.sections[0];
    EXPECT_EQ(station.name, QStringLiteral("station"));
    EXPECT_EQ(station.line, 4);
    ASSERT_EQ(station.entries.size(), 3u);
    EXPECT_EQ(station.entries[0].value, QStringLiteral("garden"));
    EXPECT_EQ(station.entries[0].line, 5);
    EXPECT_EQ(station.entries[1].value, QStringLiteral("/var/lib/quorvane"));
    EXPECT_EQ(station.entries[2].value, QStringLiteral("a;b#c"));
    const IniSection& mqtt = r.file.sections[1];
    EXPECT_EQ(mqtt.entries[0].value, QStringLiteral("se;cret # \"q\" \\"));
    EXPECT_TRUE(mqtt.entries[0].quoted);
    EXPECT_EQ(mqtt.entries[1].value, QString());
    EXPECT_TRUE(mqtt.entries[1].quoted);
    EXPECT_EQ(mqtt.entries[2].value, QString());
    EXPECT_FALSE(mqtt.entries[2].quoted);
}

struct SyntaxCase {
    const char* name;
    const char* text;
    int line;
    const char* key;
    const char* says;
};

void PrintTo(const SyntaxCase& c, std::ostream* os) { *os << c.name; }

class IniSyntaxFault : public ::testing::TestWithParam<SyntaxCase> {};

TEST_P(IniSyntaxFault, IsNamedByLineAndKey) {
    const SyntaxCase& c = GetParam();
    const IniReadResult r = ParseIni(Utf8(c.text), QStringLiteral("x.conf"));
    ASSERT_EQ(r.problems.size(), 1u);
    EXPECT_EQ(r.problems[0].file, QStringLiteral("x.conf"));
    EXPECT_EQ(r.problems[0].line, c.line);
    EXPECT_EQ(r.problems[0].key, QString::fromUtf8(c.key));
    EXPECT_TRUE(r.problems[0].message.contains(QString::fromUtf8(c.says))) << r.problems[0].Text().toStdString();
}

INSTANTIATE_TEST_SUITE_P(
    Table, IniSyntaxFault,
    ::testing::Values(
        SyntaxCase{"no_equals", "[station]\nname garden\n", 2, "", "neither"},
        SyntaxCase{"key_outside_a_section", "; top\nname = garden\n[station]\n", 2, "name", "outside any section"},
        SyntaxCase{"header_not_closed", "[station\nname = x\n", 1, "", "section header"},
        SyntaxCase{"text_after_header", "[station] x\n", 1, "", "section header"},
        SyntaxCase{"empty_header", "[ ]\n", 1, "", "section name"},
        SyntaxCase{"blank_in_header", "[meter.my meter]\nport = 1-1\n", 1, "", "section name"},
        SyntaxCase{"section_twice", "[station]\n[mqtt]\nhost = h\n[station]\nname = b\n", 4, "", "given twice (first on line 1)"},
        SyntaxCase{"key_twice", "[station]\nname = a\nname = b\n", 3, "name", "given twice in this section (first on line 2)"},
        SyntaxCase{"no_key", "[station]\n = b\n", 2, "", "no key"},
        SyntaxCase{"blank_in_key", "[station]\nnew name = b\n", 2, "", "no key"},
        SyntaxCase{"quote_not_closed", "[mqtt]\npassword = \"abc\n", 2, "password", "quote is not closed"},
        SyntaxCase{"text_after_quote", "[mqtt]\npassword = \"abc\" d\n", 2, "password", "after the closing quote"},
        SyntaxCase{"not_utf8", "[station]\nname = ok\nname2 = caf\xE9\n", 3, "", "not UTF-8"},
        SyntaxCase{"cut_utf8_at_the_end", "[station]\nname = caf\xC3", 2, "", "not UTF-8"}),
    [](const ::testing::TestParamInfo<SyntaxCase>& info) { return std::string(info.param.name); });

TEST(IniFile, FileThatCannotBeReadOrIsTooBig) {
    QTemporaryDir dir;
    const QString missing = dir.filePath(QStringLiteral("missing.conf"));
    IniReadResult r = ReadIniFile(missing);
    ASSERT_EQ(r.problems.size(), 1u);
    EXPECT_EQ(r.problems[0].Text(), missing + QStringLiteral(": cannot be read: No such file or directory"));

    r = ReadIniFile(dir.path());  // a folder
    ASSERT_EQ(r.problems.size(), 1u);
    EXPECT_EQ(r.problems[0].line, 0);
    EXPECT_TRUE(r.problems[0].message.startsWith(QStringLiteral("cannot be read"))) << r.problems[0].Text().toStdString();

    const QString big = dir.filePath(QStringLiteral("big.conf"));
    QFile file(big);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(QByteArray(kMostIniBytes + 1, '#'));
    file.close();
    r = ReadIniFile(big);
    ASSERT_EQ(r.problems.size(), 1u);
    EXPECT_TRUE(r.problems[0].message.contains(QStringLiteral("bigger than 1 MiB")));
}

TEST(ConfigProblem, TextIsFileLineSectionKeyMessage) {
    EXPECT_EQ((ConfigProblem{"/etc/q.conf", 12, "alarm.loud", "threshold", "too loud"}).Text(),
              QStringLiteral("/etc/q.conf:12: [alarm.loud] threshold: too loud"));
    EXPECT_EQ((ConfigProblem{"q.conf", 3, "bogus", "", "unknown section"}).Text(),
              QStringLiteral("q.conf:3: [bogus] unknown section"));
    EXPECT_EQ((ConfigProblem{"q.conf", 0, "", "", "cannot be read: x"}).Text(), QStringLiteral("q.conf: cannot be read: x"));
}

// --- bad configurations ---------------------------------------------------

struct BadCase {
    const char* name;
    const char* text;
    int line;
    const char* section;
    const char* key;
    const char* says;  // a part of the message
};

void PrintTo(const BadCase& c, std::ostream* os) { *os << c.name; }

class BadConfiguration : public ::testing::TestWithParam<BadCase> {};

// A file with one fault gives that one problem, placed, and no settings.
TEST_P(BadConfiguration, GivesNoSettingsAndOnePlacedProblem) {
    const BadCase& c = GetParam();
    const ConfigReadResult r = ConfigFromIni(ParseIni(Utf8(c.text), QStringLiteral("/etc/quorvane/station.conf")));
    EXPECT_FALSE(r.config.has_value());
    ASSERT_EQ(r.problems.size(), 1u) << (r.problems.empty() ? "" : r.problems.back().Text().toStdString());
    const ConfigProblem& p = r.problems[0];
    EXPECT_EQ(p.file, QStringLiteral("/etc/quorvane/station.conf"));
    EXPECT_EQ(p.line, c.line) << p.Text().toStdString();
    EXPECT_EQ(p.section, QString::fromUtf8(c.section)) << p.Text().toStdString();
    EXPECT_EQ(p.key, QString::fromUtf8(c.key)) << p.Text().toStdString();
    EXPECT_TRUE(p.message.contains(QString::fromUtf8(c.says))) << p.Text().toStdString();
}

INSTANTIATE_TEST_SUITE_P(
    Table, BadConfiguration,
    ::testing::Values(
        // sections
        BadCase{"unknown_section", "[station]\n[stations]\n", 2, "stations", "", "unknown section"},
        BadCase{"named_station", "[station.x]\n", 1, "station.x", "", "unknown section"},
        BadCase{"meter_without_name", "[meter]\nport = 1-1\n", 1, "meter", "", "needs a name: [meter.NAME]"},
        BadCase{"alarm_without_name", "[alarm]\nthreshold = 60\n", 1, "alarm", "", "needs a name"},
        BadCase{"empty_meter_name", "[meter.]\nport = 1-1\n", 1, "meter.", "", "no meter name"},
        BadCase{"long_alarm_name", "[alarm.aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa]\nthreshold = 60\n",
                1, "alarm.aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa", "", "no alarm name"},
        BadCase{"meter_named_like_a_port", "[meter.1-1]\nport = 1-2\n", 1, "meter.1-1", "", "named like a USB port"},
        // [station]
        BadCase{"unknown_key", "[station]\nname = a\nfolder = /x\n", 3, "station", "folder",
                "unknown key; the keys of [station] are name, data, intervals and spool_days"},
        BadCase{"empty_value", "[station]\nname =\n", 2, "station", "name", "no value"},
        BadCase{"bad_station_name", "[station]\nname = my garden\n", 2, "station", "name", "no station name"},
        BadCase{"slash_in_station_name", "[station]\nname = a/b\n", 2, "station", "name", "no station name"},
        BadCase{"relative_data", "[station]\ndata = data\n", 2, "station", "data", "no absolute path"},
        BadCase{"interval_not_a_length", "[station]\nintervals = 1, 10, 60\n", 2, "station", "intervals",
                "\"10\" is no interval length: 1, 5, 15, 30 or 60"},
        BadCase{"interval_not_a_number", "[station]\nintervals = 1 min\n", 2, "station", "intervals", "no interval length"},
        BadCase{"interval_empty_item", "[station]\nintervals = 1,,60\n", 2, "station", "intervals", "no interval length"},
        BadCase{"interval_twice", "[station]\nintervals = 15, 1, 15\n", 2, "station", "intervals", "15 is listed twice"},
        BadCase{"spool_days_zero", "[station]\nspool_days = 0\n", 2, "station", "spool_days", "from 1 to 3650"},
        BadCase{"spool_days_negative", "[station]\nspool_days = -3\n", 2, "station", "spool_days", "from 1 to 3650"},
        // [meter.NAME]
        BadCase{"meter_without_port", "[meter.street]\n", 1, "meter.street", "port", "missing"},
        BadCase{"bad_port", "[meter.street]\nport = 1.2\n", 2, "meter.street", "port", "no USB port path"},
        BadCase{"root_hub_port", "[meter.street]\nport = usb1\n", 2, "meter.street", "port", "no USB port path"},
        BadCase{"unknown_meter_key", "[meter.street]\nport = 1-1\nbus = 1\n", 3, "meter.street", "bus",
                "the key of [meter.NAME] is port"},
        BadCase{"two_meters_one_port", "[meter.a]\nport = 1-1.2\n[meter.b]\nport = 1-1.2\n", 3, "meter.b", "port",
                "port 1-1.2 is meter.a's already (line 1)"},
        // [alarm.NAME]
        BadCase{"alarm_without_threshold", "[alarm.loud]\nwatch = level\n", 1, "alarm.loud", "threshold", "missing"},
        BadCase{"threshold_too_high", "[alarm.loud]\nthreshold = 200\n", 2, "alarm.loud", "threshold", "0.0 to 199.9"},
        BadCase{"threshold_two_decimals", "[alarm.loud]\nthreshold = 65.25\n", 2, "alarm.loud", "threshold", "one decimal"},
        BadCase{"threshold_comma", "[alarm.loud]\nthreshold = 65,5\n", 2, "alarm.loud", "threshold", "'.' as mark"},
        BadCase{"threshold_unit", "[alarm.loud]\nthreshold = 65 dB\n", 2, "alarm.loud", "threshold", "no level"},
        BadCase{"threshold_negative", "[alarm.loud]\nthreshold = -1\n", 2, "alarm.loud", "threshold", "no level"},
        BadCase{"watch_unknown", "[alarm.loud]\nthreshold = 65\nwatch = peak\n", 3, "alarm.loud", "watch", "\"leq N\""},
        BadCase{"watch_odd_window", "[alarm.loud]\nthreshold = 65\nwatch = leq 10\n", 3, "alarm.loud", "watch",
                "1, 5, 15, 30 or 60"},
        BadCase{"watch_leq_without_window", "[alarm.loud]\nthreshold = 65\nwatch = leq\n", 3, "alarm.loud", "watch", "leq N"},
        BadCase{"weighting_z", "[alarm.loud]\nthreshold = 65\nweighting = Z\n", 3, "alarm.loud", "weighting", "A or C"},
        BadCase{"minimum_zero", "[alarm.loud]\nthreshold = 65\nminimum = 0\n", 3, "alarm.loud", "minimum", "from 1 s to 24 h"},
        BadCase{"minimum_too_long", "[alarm.loud]\nthreshold = 65\nminimum = 25 h\n", 3, "alarm.loud", "minimum", "24 h"},
        BadCase{"minimum_unit", "[alarm.loud]\nthreshold = 65\nminimum = 5 days\n", 3, "alarm.loud", "minimum", "no duration"},
        BadCase{"hysteresis_too_big", "[alarm.loud]\nthreshold = 65\nhysteresis = 30.5\n", 3, "alarm.loud", "hysteresis",
                "0.0 to 30.0"},
        BadCase{"exec_relative", "[alarm.loud]\nthreshold = 65\nexec = notify.sh\n", 3, "alarm.loud", "exec",
                "no absolute path"},
        BadCase{"exec_missing", "[alarm.loud]\nthreshold = 65\nexec = /nonexistent/notify\n", 3, "alarm.loud", "exec",
                "no program that can be run"},
        BadCase{"exec_not_executable", "[alarm.loud]\nthreshold = 65\nexec = /etc/passwd\n", 3, "alarm.loud", "exec",
                "no program that can be run"},
        BadCase{"alarm_meter_unknown", "[meter.street]\nport = 1-1\n[alarm.loud]\nthreshold = 65\nmeters = street, yard\n",
                5, "alarm.loud", "meters", "\"yard\" is no meter of this file: street"},
        BadCase{"alarm_meter_no_port", "[alarm.loud]\nthreshold = 65\nmeters = street\n", 3, "alarm.loud", "meters",
                "named by their USB port"},
        BadCase{"alarm_meter_twice", "[alarm.loud]\nthreshold = 65\nmeters = 1-1, 1-1\n", 3, "alarm.loud", "meters",
                "listed twice"},
        // [mqtt]
        BadCase{"mqtt_without_host", "[mqtt]\nport = 1883\n", 1, "mqtt", "host", "missing"},
        BadCase{"mqtt_bad_host", "[mqtt]\nhost = a b\n", 2, "mqtt", "host", "no host name"},
        BadCase{"mqtt_port_zero", "[mqtt]\nhost = h\nport = 0\n", 3, "mqtt", "port", "1 to 65535"},
        BadCase{"mqtt_port_too_big", "[mqtt]\nhost = h\nport = 65536\n", 3, "mqtt", "port", "1 to 65535"},
        BadCase{"mqtt_password_alone", "[mqtt]\nhost = h\npassword = x\n", 3, "mqtt", "password", "needs a username"},
        BadCase{"mqtt_tls_ca_missing_file", "[mqtt]\nhost = h\ntls_ca = /nonexistent/ca.crt\n", 3, "mqtt", "tls_ca",
                "no such file"},
        BadCase{"mqtt_cert_without_key", "[mqtt]\nhost = h\ntls_ca = /etc/passwd\ntls_cert = /etc/passwd\n", 4, "mqtt",
                "tls_cert", "both tls_cert and tls_key"},
        BadCase{"mqtt_key_without_ca", "[mqtt]\nhost = h\ntls_cert = /etc/passwd\ntls_key = /etc/passwd\n", 3, "mqtt",
                "tls_cert", "needs tls_ca"},
        BadCase{"mqtt_wildcard_prefix", "[mqtt]\nhost = h\nprefix = noise/#\n", 3, "mqtt", "prefix", "no topic prefix"},
        BadCase{"mqtt_empty_level", "[mqtt]\nhost = h\nprefix = a//b\n", 3, "mqtt", "prefix", "no topic prefix"},
        BadCase{"mqtt_bad_client_id", "[mqtt]\nhost = h\nclient_id = a b\n", 3, "mqtt", "client_id", "no client id"},
        BadCase{"mqtt_bad_discovery", "[mqtt]\nhost = h\ndiscovery = yes\n", 3, "mqtt", "discovery", "\"homeassistant\" or \"off\""},
        BadCase{"mqtt_unknown_key", "[mqtt]\nhost = h\nqos = 1\n", 3, "mqtt", "qos", "unknown key"},
        // [influxdb]
        BadCase{"influx_without_url", "[influxdb]\ndatabase = noise\n", 1, "influxdb", "url", "missing"},
        BadCase{"influx_bad_scheme", "[influxdb]\nurl = ftp://h\ndatabase = noise\n", 2, "influxdb", "url", "no server address"},
        BadCase{"influx_no_host", "[influxdb]\nurl = http://\ndatabase = noise\n", 2, "influxdb", "url", "no server address"},
        BadCase{"influx_url_query", "[influxdb]\nurl = http://h:8086/?db=x\ndatabase = noise\n", 2, "influxdb", "url",
                "no server address"},
        BadCase{"influx_neither", "[influxdb]\nurl = http://h:8086\n", 1, "influxdb", "database", "database (InfluxDB 1.x) or"},
        BadCase{"influx_both", "[influxdb]\nurl = http://h\ndatabase = noise\nbucket = noise\n", 4, "influxdb", "bucket",
                "not both"},
        BadCase{"influx_v2_without_token", "[influxdb]\nurl = http://h\norg = home\nbucket = noise\n", 1, "influxdb", "token",
                "needs org, bucket and token"},
        BadCase{"influx_v2_with_password", "[influxdb]\nurl = http://h\norg = o\nbucket = b\ntoken = t\npassword = p\n", 6,
                "influxdb", "password", "takes a token"},
        BadCase{"influx_v1_password_alone", "[influxdb]\nurl = http://h\ndatabase = d\npassword = p\n", 4, "influxdb",
                "password", "needs a username"}),
    [](const ::testing::TestParamInfo<BadCase>& info) { return std::string(info.param.name); });

TEST(BadConfiguration, EveryFaultOfAFileIsTold) {
    const ConfigReadResult r = ConfigFromIni(ParseIni(Utf8("[station]\n"
                                                            "name = a b\n"
                                                            "[bogus]\n"
                                                            "x = 1\n"            // not told again: its section is refused
                                                            "[alarm.loud]\n"
                                                            "threshold = 300\n"
                                                            "weighting = Z\n"),
                                                       QStringLiteral("s.conf")));
    EXPECT_FALSE(r.config);
    std::vector<int> lines;
    for (const ConfigProblem& p : r.problems) lines.push_back(p.line);
    EXPECT_EQ(lines, (std::vector<int>{2, 3, 6, 7}));
}

// --- good configurations ---------------------------------------------------

TEST(StationConfig, AnEmptyFileRecordsEveryMeterWithTheDefaults) {
    const ConfigReadResult r = ConfigFromIni(ParseIni(Utf8("; nothing set\n"), QStringLiteral("s.conf")));
    ASSERT_TRUE(r.config) << r.problems.front().Text().toStdString();
    const StationConfig& c = *r.config;
    EXPECT_EQ(c.file, QStringLiteral("s.conf"));
    EXPECT_EQ(c.station.name, DefaultStationName());
    EXPECT_TRUE(IsValidName(c.station.name));
    EXPECT_EQ(c.station.data, QStringLiteral("/var/lib/quorvane"));
    EXPECT_EQ(c.station.intervalMinutes, (std::vector<int>{1, 15, 60}));
    EXPECT_EQ(c.station.spoolDays, 30);
    EXPECT_TRUE(c.RecordsEveryMeter());
    EXPECT_TRUE(c.alarms.empty());
    EXPECT_FALSE(c.mqtt);
    EXPECT_FALSE(c.influxdb);
}

TEST(StationConfig, EverySettingIsRead) {
    const ConfigReadResult r = ConfigFromIni(ParseIni(Utf8("[station]\n"
                                                            "name = garden\n"
                                                            "data = /srv/noise/\n"
                                                            "intervals = 60, 5,1\n"
                                                            "spool_days = 90\n"
                                                            "[meter.street]\n"
                                                            "port = 1-1.2\n"
                                                            "[meter.yard]\n"
                                                            "port = 3-4.1\n"
                                                            "[alarm.loud]\n"
                                                            "threshold = 65.5\n"
                                                            "watch = LEQ 15 min\n"
                                                            "weighting = c\n"
                                                            "minimum = 5 min\n"
                                                            "hysteresis = 3\n"
                                                            "meters = yard\n"
                                                            "exec = /bin/true\n"
                                                            "[alarm.night]\n"
                                                            "threshold = 45\n"
                                                            "minimum = 1 h\n"
                                                            "[mqtt]\n"
                                                            "host = broker.local\n"
                                                            "username = noise\n"
                                                            "password = \"a;b\"\n"
                                                            "tls_ca = /etc/passwd\n"
                                                            "prefix = site/noise\n"
                                                            "discovery = homeassistant\n"
                                                            "[influxdb]\n"
                                                            "url = https://influx.local:8086/base\n"
                                                            "database = noise\n"
                                                            "username = writer\n"
                                                            "password = pw\n"),
                                                       QStringLiteral("s.conf")));
    ASSERT_TRUE(r.config) << r.problems.front().Text().toStdString();
    const StationConfig& c = *r.config;
    EXPECT_EQ(c.station.name, QStringLiteral("garden"));
    EXPECT_EQ(c.station.data, QStringLiteral("/srv/noise"));
    EXPECT_EQ(c.station.intervalMinutes, (std::vector<int>{1, 5, 60}));
    EXPECT_EQ(c.station.spoolDays, 90);
    ASSERT_EQ(c.meters.size(), 2u);
    EXPECT_EQ(c.meters[0], (MeterSettings{"street", "1-1.2", 6}));
    EXPECT_EQ(c.meters[1], (MeterSettings{"yard", "3-4.1", 8}));
    ASSERT_EQ(c.alarms.size(), 2u);
    const AlarmSettings& loud = c.alarms[0];
    EXPECT_EQ(loud.name, QStringLiteral("loud"));
    EXPECT_EQ(loud.thresholdTenths, 655);
    EXPECT_EQ(loud.mode, AlarmMode::SlidingLeq);
    EXPECT_EQ(loud.windowSeconds, 900);
    EXPECT_EQ(loud.weighting, AlarmWeighting::C);
    EXPECT_EQ(loud.minimumSeconds, 300);
    EXPECT_EQ(loud.hysteresisTenths, 30);
    EXPECT_EQ(loud.meters, QStringList{QStringLiteral("yard")});
    EXPECT_EQ(loud.exec, QStringLiteral("/bin/true"));
    const AlarmSettings& night = c.alarms[1];
    EXPECT_EQ(night.thresholdTenths, 450);
    EXPECT_EQ(night.mode, AlarmMode::Level);
    EXPECT_EQ(night.weighting, AlarmWeighting::A);
    EXPECT_EQ(night.minimumSeconds, 3600);
    EXPECT_EQ(night.hysteresisTenths, 0);
    EXPECT_TRUE(night.meters.isEmpty());
    ASSERT_TRUE(c.mqtt);
    EXPECT_EQ(c.mqtt->host, QStringLiteral("broker.local"));
    EXPECT_EQ(c.mqtt->port, 8883);  // TLS without a port
    EXPECT_EQ(c.mqtt->password, QStringLiteral("a;b"));
    EXPECT_EQ(c.mqtt->clientId, QStringLiteral("quorvane-garden"));
    EXPECT_EQ(c.mqtt->prefix, QStringLiteral("site/noise"));
    EXPECT_EQ(c.mqtt->discovery, MqttDiscovery::HomeAssistant);
    ASSERT_TRUE(c.influxdb);
    EXPECT_EQ(c.influxdb->api, InfluxApi::V1);
    EXPECT_EQ(c.influxdb->url, QStringLiteral("https://influx.local:8086/base"));
    EXPECT_EQ(c.influxdb->database, QStringLiteral("noise"));
    EXPECT_EQ(c.influxdb->username, QStringLiteral("writer"));
}

TEST(StationConfig, PublishingDefaults) {
    const ConfigReadResult r = ConfigFromIni(ParseIni(Utf8("[station]\nname = yard\n"
                                                            "[mqtt]\nhost = 192.168.1.5\n"
                                                            "[influxdb]\nurl = http://localhost:8086\n"
                                                            "org = home\nbucket = noise\ntoken = t0k\n"),
                                                       QStringLiteral("s.conf")));
    ASSERT_TRUE(r.config) << r.problems.front().Text().toStdString();
    EXPECT_EQ(r.config->mqtt->port, 1883);
    EXPECT_EQ(r.config->mqtt->clientId, QStringLiteral("quorvane-yard"));
    EXPECT_EQ(r.config->mqtt->prefix, QStringLiteral("quorvane"));
    EXPECT_EQ(r.config->mqtt->discovery, MqttDiscovery::Off);
    EXPECT_FALSE(r.config->mqtt->Tls());
    EXPECT_EQ(r.config->influxdb->api, InfluxApi::V2);
    EXPECT_EQ(r.config->influxdb->token, QStringLiteral("t0k"));
}

TEST(StationConfig, AlarmMetersByPortWhenNoMeterIsNamed) {
    const ConfigReadResult r = ConfigFromIni(
        ParseIni(Utf8("[alarm.loud]\nthreshold = 70\nmeters = 1-1.2, 1-1.3\n"), QStringLiteral("s.conf")));
    ASSERT_TRUE(r.config) << r.problems.front().Text().toStdString();
    EXPECT_EQ(r.config->alarms[0].meters, (QStringList{QStringLiteral("1-1.2"), QStringLiteral("1-1.3")}));
}

// --- the example file and the manual page ----------------------------------

QString SourceText(const char* relative) {
    QFile file(QStringLiteral(QV_SOURCE_DIR "/") + QLatin1String(relative));
    if (!file.open(QIODevice::ReadOnly)) return {};
    return QString::fromUtf8(file.readAll());
}

TEST(ExampleConfiguration, AsShippedItIsGoodAndGivesTheDefaults) {
    const QString path = QStringLiteral(QV_SOURCE_DIR "/packaging/station.conf");
    const ConfigReadResult r = ReadStationConfig(path);
    ASSERT_TRUE(r.config) << r.problems.front().Text().toStdString();
    EXPECT_TRUE(r.config->RecordsEveryMeter());
    EXPECT_EQ(r.config->station.data, QStringLiteral("/var/lib/quorvane"));
}

// With every ";key = value" and ";[section]" line switched on, every value
// shown is one the reader takes; what remains are the files the examples
// name (not on this machine) and InfluxDB's 1.x and 2.x keys side by side.
TEST(ExampleConfiguration, EveryExampleValueIsUnderstood) {
    QString text = SourceText("packaging/station.conf");
    ASSERT_FALSE(text.isEmpty());
    text.replace(QRegularExpression(QStringLiteral("^;(?=\\[|[a-z_]+ =)"), QRegularExpression::MultilineOption),
                 QString());
    const ConfigReadResult r = ConfigFromIni(ParseIni(text.toUtf8(), QStringLiteral("example")));
    QStringList left;
    for (const ConfigProblem& p : r.problems) {
        const bool absentFile = p.message.contains(QStringLiteral("no such file")) ||
                                p.message.contains(QStringLiteral("no program that can be run"));
        const bool bothInflux = p.section == QLatin1String("influxdb") && p.message.contains(QStringLiteral("not both"));
        if (!absentFile && !bothInflux) left << p.Text();
    }
    EXPECT_TRUE(left.isEmpty()) << left.join(QLatin1Char('\n')).toStdString();
    EXPECT_GE(r.problems.size(), 3u);  // exec, tls_ca, tls_cert/key: the switch-on did happen
}

TEST(ExampleConfiguration, ExampleAndManualPageDocumentEveryKey) {
    const QString example = SourceText("packaging/station.conf");
    const QString manual = SourceText("packaging/man/quorvane-station.1.in");
    ASSERT_FALSE(example.isEmpty());
    ASSERT_FALSE(manual.isEmpty());
    for (const auto& [section, keys] : ConfigKeys()) {
        const QString header = QStringLiteral("[%1]").arg(QString(section).replace(QStringLiteral(".NAME"), QString()));
        const QString shown = section.endsWith(QLatin1String(".NAME"))
                                  ? QStringLiteral("^;\\[%1\\.[a-z]+\\]$").arg(section.section(QLatin1Char('.'), 0, 0))
                                  : QStringLiteral("^;\\[%1\\]$").arg(section);
        EXPECT_TRUE(example.contains(QRegularExpression(shown, QRegularExpression::MultilineOption))) << header.toStdString();
        EXPECT_TRUE(manual.contains(QStringLiteral("[%1]").arg(section))) << section.toStdString();
        for (const QString& key : keys) {
            EXPECT_TRUE(example.contains(QRegularExpression(QStringLiteral("^;%1 = ").arg(key),
                                                            QRegularExpression::MultilineOption)))
                << section.toStdString() << " " << key.toStdString() << " in the example";
            // Each key is an entry of the manual page's section list: ".TP" then ".B key".
            EXPECT_TRUE(manual.contains(QRegularExpression(QStringLiteral("^\\.B %1( |$)").arg(key),
                                                           QRegularExpression::MultilineOption)))
                << section.toStdString() << " " << key.toStdString() << " in the manual page";
        }
    }
}

}  // namespace
