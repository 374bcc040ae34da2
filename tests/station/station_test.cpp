// SPDX-License-Identifier: GPL-3.0-or-later
// The station's life without its recording: start on a good file (and not
// on a bad one), reread on request (a bad new file refused, the settings in
// use kept), stop; what the service manager and the log are told. Also the
// signals as events, the log's priorities, the command line and what
// --check-config says.
#include "platform/testing/service_recorder.h"
#include "station/command_line.h"
#include "station/config_summary.h"
#include "station/signal_pipe.h"
#include "station/station.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <csignal>

namespace {

using namespace station;

class RecordingDouble final : public RecordingHook {
public:
    void Start(const StationConfig& c) override { calls.push_back("start " + c.station.name.toStdString()); }
    void Reconfigure(const StationConfig& c) override { calls.push_back("reconfigure " + c.station.name.toStdString()); }
    void Stop() override { calls.push_back("stop"); }
    std::vector<std::string> calls;
};

class StationLife : public ::testing::Test {
protected:
    void Write(const char* text) {
        QFile file(path_);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(text);
    }
    // The log lines with this priority prefix.
    std::vector<std::string> Lines(const char* prefix) const {
        std::vector<std::string> found;
        for (const std::string& l : logLines_)
            if (l.rfind(prefix, 0) == 0) found.push_back(l);
        return found;
    }
    QTemporaryDir dir_;
    QString path_ = dir_.filePath(QStringLiteral("station.conf"));
    std::vector<std::string> logLines_;
    StationLog log_{[this](const QByteArray& line) { logLines_.push_back(line.toStdString()); }};
    platform::testing::ServiceRecorder manager_;
    RecordingDouble recording_;
    Station station_{path_, recording_, log_};
};

TEST_F(StationLife, StartsOnAGoodFileAndTellsReady) {
    Write("[station]\nname = garden\n[meter.street]\nport = 1-1.2\n");
    ASSERT_TRUE(station_.Start());
    EXPECT_TRUE(station_.Running());
    EXPECT_EQ(recording_.calls, (std::vector<std::string>{"start garden"}));
    EXPECT_EQ(manager_.Count("READY=1"), 1);
    ASSERT_EQ(Lines("<6>read").size(), 1u);
    EXPECT_NE(Lines("<6>read")[0].find("station \"garden\""), std::string::npos) << Lines("<6>read")[0];
    EXPECT_NE(Lines("<6>read")[0].find("1 meter,"), std::string::npos) << Lines("<6>read")[0];
    EXPECT_TRUE(Lines("<3>").empty());
}

TEST_F(StationLife, ABadFileStartsNothing) {
    Write("[station]\nname = garden\n[alarm.loud]\nthreshold = loud\n");
    EXPECT_FALSE(station_.Start());
    EXPECT_FALSE(station_.Running());
    EXPECT_TRUE(recording_.calls.empty());
    EXPECT_EQ(manager_.Count("READY=1"), 0);
    const auto errors = Lines("<3>");
    ASSERT_EQ(errors.size(), 2u);
    EXPECT_EQ(errors[0].rfind("<3>" + path_.toStdString() + ":4: [alarm.loud] threshold: ", 0), 0u) << errors[0];
    EXPECT_NE(errors[1].find("nothing was started"), std::string::npos);
    EXPECT_NE(manager_.LastStatus().find(":4: [alarm.loud] threshold"), std::string::npos) << manager_.LastStatus();
    // Nothing to reread or stop.
    EXPECT_FALSE(station_.Reload());
    station_.Stop();
    EXPECT_TRUE(recording_.calls.empty());
}

TEST_F(StationLife, AFileThatCannotBeReadStartsNothing) {
    EXPECT_FALSE(station_.Start());  // never written
    ASSERT_FALSE(Lines("<3>").empty());
    EXPECT_NE(Lines("<3>")[0].find("cannot be read"), std::string::npos);
}

TEST_F(StationLife, ARereadGoodFileReachesTheRecording) {
    Write("[station]\nname = garden\n");
    ASSERT_TRUE(station_.Start());
    Write("[station]\nname = orchard\nintervals = 5\n");
    EXPECT_TRUE(station_.Reload());
    EXPECT_EQ(recording_.calls, (std::vector<std::string>{"start garden", "reconfigure orchard"}));
    EXPECT_EQ(station_.Config()->station.name, QStringLiteral("orchard"));
    EXPECT_EQ(station_.Config()->station.intervalMinutes, std::vector<int>{5});
    // The manager hears the reload begin and end.
    const auto& sent = manager_.sent;
    const auto reloading = std::find(sent.begin(), sent.end(), "RELOADING=1");
    ASSERT_NE(reloading, sent.end());
    EXPECT_NE(std::find(reloading, sent.end(), "READY=1"), sent.end());
    ASSERT_EQ(Lines("<5>new settings").size(), 1u);
    EXPECT_NE(Lines("<5>new settings")[0].find("orchard"), std::string::npos);
}

TEST_F(StationLife, AnUnchangedFileIsNoNewStart) {
    Write("[station]\nname = garden\n[meter.street]\nport = 1-1.2\n[alarm.loud]\nthreshold = 65\n");
    ASSERT_TRUE(station_.Start());
    Write("; the same, said differently\n\n[station]\nname = garden ; still\n"
          "[meter.street]\nport = \"1-1.2\"\n[alarm.loud]\nthreshold = 65.0\n");
    EXPECT_TRUE(station_.Reload());
    EXPECT_EQ(recording_.calls, (std::vector<std::string>{"start garden"}));
    EXPECT_EQ(station_.Config()->meters[0].line, 3);  // the settings in use are still the first file's
    ASSERT_EQ(Lines("<6>").size(), 3u);
    EXPECT_NE(Lines("<6>")[2].find("is unchanged"), std::string::npos) << Lines("<6>")[2];
}

TEST_F(StationLife, ABadRereadFileIsRefusedAndTheSettingsGoOn) {
    Write("[station]\nname = garden\n[alarm.loud]\nthreshold = 65\n");
    ASSERT_TRUE(station_.Start());
    const StationConfig before = *station_.Config();
    Write("[station]\nname = orchard\n[alarm.loud]\nthreshold = 65\nwatch = leq 7\n");
    EXPECT_FALSE(station_.Reload());
    EXPECT_EQ(recording_.calls, (std::vector<std::string>{"start garden"}));
    EXPECT_EQ(*station_.Config(), before);
    EXPECT_TRUE(station_.Running());
    const auto errors = Lines("<3>");
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_EQ(errors[0].rfind("<3>" + path_.toStdString() + ":5: [alarm.loud] watch: ", 0), 0u) << errors[0];
    ASSERT_EQ(Lines("<4>").size(), 1u);
    EXPECT_NE(Lines("<4>")[0].find("refused: the settings in use go on"), std::string::npos);
    EXPECT_EQ(manager_.sent.back(), "READY=1");  // the reload is over for the manager too

    // A file that went missing is refused the same way; the next good one is taken.
    QFile::remove(path_);
    EXPECT_FALSE(station_.Reload());
    Write("[station]\nname = orchard\n");
    EXPECT_TRUE(station_.Reload());
    EXPECT_EQ(recording_.calls.back(), "reconfigure orchard");
}

TEST_F(StationLife, StopTellsTheManagerAndStopsTheRecordingOnce) {
    Write("[station]\nname = garden\n");
    ASSERT_TRUE(station_.Start());
    station_.Stop();
    station_.Stop();
    EXPECT_FALSE(station_.Running());
    EXPECT_EQ(recording_.calls, (std::vector<std::string>{"start garden", "stop"}));
    EXPECT_EQ(manager_.Count("STOPPING=1"), 1);
    EXPECT_FALSE(station_.Reload());
}

// --- signals, log -------------------------------------------------------------

TEST(SignalPipe, SignalsArriveAsEventsInOrder) {
    SignalPipe pipe({SIGHUP, SIGUSR1});
    ASSERT_TRUE(pipe.Ok());
    std::vector<int> received;
    QObject::connect(&pipe, &SignalPipe::Received, [&](int s) { received.push_back(s); });
    ::raise(SIGHUP);
    ::raise(SIGUSR1);
    ::raise(SIGHUP);
    EXPECT_TRUE(received.empty());  // nothing runs inside the handler
    QElapsedTimer waited;
    waited.start();
    while (received.size() < 3 && waited.elapsed() < 5000) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    EXPECT_EQ(received, (std::vector<int>{SIGHUP, SIGUSR1, SIGHUP}));
}

TEST(StationLog, EveryLineCarriesItsJournalPriority) {
    std::vector<std::string> lines;
    StationLog log([&](const QByteArray& l) { lines.push_back(l.toStdString()); });
    log.Error(QStringLiteral("disk full"));
    log.Warning(QStringLiteral("two\nlines\n"));
    log.Notice(QStringLiteral("n"));
    log.Info(QStringLiteral("i"));
    log.InstallAsQtMessageHandler();
    qWarning("from Qt");
    qDebug("debug");
    EXPECT_EQ(lines, (std::vector<std::string>{"<3>disk full\n", "<4>two\n", "<4>lines\n", "<5>n\n", "<6>i\n",
                                               "<4>from Qt\n", "<7>debug\n"}));
}

// --- the command line -----------------------------------------------------------

TEST(StationCommandLine, Forms) {
    struct Case { QStringList args; StationAction action; const char* config; };
    const Case cases[] = {
        {{}, StationAction::Run, "/etc/quorvane/station.conf"},
        {{"--check-config"}, StationAction::CheckConfig, "/etc/quorvane/station.conf"},
        {{"--config", "/tmp/s.conf"}, StationAction::Run, "/tmp/s.conf"},
        {{"-c", "s.conf", "--check-config"}, StationAction::CheckConfig, "s.conf"},
        {{"--check-config", "--config=/x/s.conf"}, StationAction::CheckConfig, "/x/s.conf"},
        {{"--help"}, StationAction::Help, ""},
        {{"-h"}, StationAction::Help, ""},
        {{"--bogus", "--version"}, StationAction::Version, ""},
        {{"-V"}, StationAction::Version, ""},
        {{"--config"}, StationAction::Fail, ""},
        {{"--config="}, StationAction::Fail, ""},
        {{"-c", "a", "-c", "b"}, StationAction::Fail, ""},
        {{"s.conf"}, StationAction::Fail, ""},
        {{"--check"}, StationAction::Fail, ""},
    };
    for (const Case& c : cases) {
        const StationCommand command = ParseStationCommandLine(c.args);
        const std::string shown = c.args.join(QLatin1Char(' ')).toStdString();
        EXPECT_EQ(command.action, c.action) << shown;
        if (c.action == StationAction::Run || c.action == StationAction::CheckConfig) {
            EXPECT_EQ(command.configPath, QString::fromUtf8(c.config)) << shown;
        }
        EXPECT_EQ(command.error.isEmpty(), c.action != StationAction::Fail) << shown;
    }
    EXPECT_EQ(StationVersionText(), QStringLiteral("quorvane-station " QV_PROJECT_VERSION));
    for (const char* word : {"--config FILE", "--check-config", "/etc/quorvane/station.conf", "SIGHUP", "SIGTERM"})
        EXPECT_TRUE(StationHelpText().contains(QLatin1String(word))) << word;
}

// --- what --check-config says ------------------------------------------------------

StationConfig ConfigOf(const char* text) {
    ConfigReadResult r = ConfigFromIni(ParseIni(QByteArray(text), QStringLiteral("/etc/quorvane/station.conf")));
    EXPECT_TRUE(r.config) << (r.problems.empty() ? "" : r.problems[0].Text().toStdString());
    return r.config.value_or(StationConfig{});
}

HostView Host(std::vector<std::string> plugged, std::map<std::string, device::MeterLockHolder> held = {}) {
    HostView host;
    host.metersPluggedIn = std::move(plugged);
    host.holderOf = [held](const std::string& port) -> std::optional<device::MeterLockHolder> {
        const auto it = held.find(port);
        if (it == held.end()) return std::nullopt;
        return it->second;
    };
    host.folderState = [](const QString&) { return QString(); };
    return host;
}

TEST(ConfigSummary, NamedMetersAlarmsAndPublishing) {
    const StationConfig c = ConfigOf("[station]\nname = garden\nintervals = 1, 15\n"
                                     "[meter.street]\nport = 1-1.2\n[meter.yard]\nport = 1-1.3\n"
                                     "[alarm.loud]\nthreshold = 65\nwatch = leq 15\nminimum = 5 min\nhysteresis = 3\n"
                                     "exec = /bin/true\n"
                                     "[alarm.night]\nthreshold = 45.5\nweighting = C\nminimum = 90\nmeters = yard\n"
                                     "[mqtt]\nhost = broker\nusername = u\ndiscovery = homeassistant\n"
                                     "[influxdb]\nurl = http://db:8086\ndatabase = noise\n");
    const QString text = ConfigSummary(c, Host({"1-1.2", "1-4"}, {{"1-1.2", {4711, "quorvane"}}}));
    EXPECT_EQ(text.toStdString(),
              "/etc/quorvane/station.conf: the configuration is good.\n"
              "Station \"garden\", files in /var/lib/quorvane\n"
              "Interval results of 1 and 15 min\n"
              "Meters:\n"
              "  \"street\" at USB port 1-1.2: plugged in now; in use by quorvane (pid 4711) now: it is recorded once "
              "that program lets go\n"
              "  \"yard\" at USB port 1-1.3: not plugged in now\n"
              "  not recorded (no [meter.NAME] for its port): 1-4\n"
              "Alarms:\n"
              "  \"loud\": the LAeq over 15 min at or above 65.0 dB for 5 min, ends after 5 min below 62.0 dB, on every "
              "meter; runs /bin/true at its start and end\n"
              "  \"night\": the C-weighted level at or above 45.5 dB for 90 s, ends after 90 s below 45.5 dB, on yard\n"
              "Publishing (settings checked; this version does not send yet):\n"
              "  MQTT to broker:1883, as user \"u\", client id \"quorvane-garden\", topics quorvane/garden/METER/..., "
              "with Home Assistant discovery\n"
              "  InfluxDB 1.x at http://db:8086, database \"noise\"\n"
              "  results wait up to 30 days on disk for a destination that is away\n");
}

TEST(ConfigSummary, EveryMeterFound) {
    const StationConfig c = ConfigOf("[station]\nname = box\nintervals = 60\n");
    HostView host = Host({"1-1.2", "3-1"}, {{"3-1", {0, ""}}});
    host.folderState = [](const QString&) { return QStringLiteral("does not exist yet"); };
    const QString text = ConfigSummary(c, host);
    EXPECT_TRUE(text.contains(QStringLiteral("files in /var/lib/quorvane (it does not exist yet)\n")));
    EXPECT_TRUE(text.contains(QStringLiteral("Interval results of 60 min\n")));
    EXPECT_TRUE(text.contains(QStringLiteral("  every meter found, each named by its USB port; plugged in now: 1-1.2, 3-1\n"
                                             "  3-1; in use by another program now\n")))
        << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("Alarms: none\nPublishing: none\n")));
    EXPECT_TRUE(ConfigSummary(c, Host({})).contains(QStringLiteral("none is plugged in now")));
}

}  // namespace
