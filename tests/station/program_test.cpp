// SPDX-License-Identifier: GPL-3.0-or-later
// quorvane-station as a program: its command line, --check-config on good
// and bad files (with a sysfs tree and a lock folder of the test's own),
// and a run as the service manager sees it: READY, WATCHDOG and STATUS on a
// notification socket of the test's own, SIGHUP with a good and with a bad
// file, SIGTERM ending with status 0. And that it links no Qt Gui or Widgets.
#include "device/meter_lock.h"
#include "reading/record_file.h"
#include "notify_socket.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <signal.h>

#include <functional>

namespace {

const QString kProgram = QStringLiteral(QV_STATION_PROGRAM);
constexpr int kConfigFault = 78;

class StationProgram : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir_.isValid());
        ASSERT_TRUE(QDir(dir_.path()).mkpath(QStringLiteral("locks")));
        env_.insert(QStringLiteral("QUORVANE_SYSFS_ROOT"), dir_.filePath(QStringLiteral("sys")));
        env_.insert(QStringLiteral("QUORVANE_LOCK_DIR"), dir_.filePath(QStringLiteral("locks")));
        env_.remove(QStringLiteral("NOTIFY_SOCKET"));
        env_.remove(QStringLiteral("WATCHDOG_USEC"));
    }
    QString Path(const char* name) const { return dir_.filePath(QLatin1String(name)); }
    void Write(const char* name, const QByteArray& text) const {
        QFile file(Path(name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(text);
    }
    // A meter plugged in at `port`, as sysfs shows it.
    void PlugMeter(const char* port, int bus, int device) const {
        const QString folder = Path("sys/bus/usb/devices/") + QLatin1String(port);
        ASSERT_TRUE(QDir().mkpath(folder));
        const std::pair<const char*, QByteArray> attributes[] = {
            {"busnum", QByteArray::number(bus)}, {"devnum", QByteArray::number(device)},
            {"idVendor", "16c0"}, {"idProduct", "05dc"}};
        for (const auto& [name, value] : attributes) {
            QFile f(folder + QLatin1Char('/') + QLatin1String(name));
            ASSERT_TRUE(f.open(QIODevice::WriteOnly));
            f.write(value + '\n');
        }
    }
    struct Finished {
        int status = -1;
        QProcess::ExitStatus how = QProcess::CrashExit;
        QString out, err;
    };
    Finished RunToEnd(const QStringList& arguments) {
        QProcess p;
        p.setProcessEnvironment(env_);
        p.start(kProgram, arguments);
        Finished f;
        if (!p.waitForFinished(30000)) {
            p.kill();
            p.waitForFinished();
            ADD_FAILURE() << "did not end: " << arguments.join(' ').toStdString();
        }
        f.status = p.exitCode();
        f.how = p.exitStatus();
        f.out = QString::fromUtf8(p.readAllStandardOutput());
        f.err = QString::fromUtf8(p.readAllStandardError());
        return f;
    }

    QTemporaryDir dir_;
    QProcessEnvironment env_ = QProcessEnvironment::systemEnvironment();
};

TEST_F(StationProgram, HelpAndVersion) {
    const Finished help = RunToEnd({QStringLiteral("--help")});
    EXPECT_EQ(help.status, 0);
    EXPECT_TRUE(help.out.startsWith(QStringLiteral("Usage: quorvane-station"))) << help.out.toStdString();
    const Finished version = RunToEnd({QStringLiteral("--version")});
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.out, QStringLiteral("quorvane-station " QV_PROJECT_VERSION "\n"));
    const Finished wrong = RunToEnd({QStringLiteral("--frobnicate")});
    EXPECT_EQ(wrong.status, 2);
    EXPECT_TRUE(wrong.err.contains(QStringLiteral("unknown option --frobnicate")));
}

TEST_F(StationProgram, CheckConfigSaysWhatWouldBeRecorded) {
    PlugMeter("1-1.2", 1, 5);
    PlugMeter("1-1.4", 1, 6);
    Write("station.conf", "[station]\nname = garden\ndata = " + Path("data").toUtf8() +
                              "\n[meter.street]\nport = 1-1.2\n[alarm.loud]\nthreshold = 70\n");
    // The desktop program has the meter at 1-1.2 now.
    device::MeterLockAttempt held =
        device::TryTakeMeterLock("1-1.2", "quorvane", Path("locks").toStdString());
    ASSERT_EQ(held.outcome, device::MeterLockOutcome::Taken) << held.error;

    const Finished f = RunToEnd({QStringLiteral("--check-config"), QStringLiteral("--config"), Path("station.conf")});
    EXPECT_EQ(f.status, 0) << f.err.toStdString();
    EXPECT_EQ(f.err, QString());
    const QString pid = QString::number(::getpid());
    for (const QString& expected :
         {Path("station.conf") + QStringLiteral(": the configuration is good."),
          QStringLiteral("Station \"garden\", files in %1 (it does not exist yet)").arg(Path("data")),
          QStringLiteral("\"street\" at USB port 1-1.2: plugged in now; in use by quorvane (pid %1) now").arg(pid),
          QStringLiteral("not recorded (no [meter.NAME] for its port): 1-1.4"),
          QStringLiteral("\"loud\": the A-weighted level at or above 70.0 dB for 1 min"),
          QStringLiteral("Publishing: none")})
        EXPECT_TRUE(f.out.contains(expected)) << expected.toStdString() << "\nin:\n" << f.out.toStdString();
    EXPECT_FALSE(QFileInfo::exists(Path("data")));  // a check writes nothing
}

TEST_F(StationProgram, CheckConfigNamesEveryFault) {
    Write("station.conf", "[station]\nname = garden\nintervals = 1, 2\n\n[mqtt]\nhots = broker\n");
    const Finished f = RunToEnd({QStringLiteral("--check-config"), QStringLiteral("--config=") + Path("station.conf")});
    EXPECT_EQ(f.status, kConfigFault);
    EXPECT_EQ(f.out, QString());
    const QString file = Path("station.conf");
    EXPECT_TRUE(f.err.contains(file + QStringLiteral(":3: [station] intervals: \"2\" is no interval length")))
        << f.err.toStdString();
    EXPECT_TRUE(f.err.contains(file + QStringLiteral(":6: [mqtt] hots: unknown key"))) << f.err.toStdString();
    EXPECT_TRUE(f.err.contains(file + QStringLiteral(":5: [mqtt] host: missing"))) << f.err.toStdString();
    EXPECT_TRUE(f.err.contains(QStringLiteral("has 3 faults"))) << f.err.toStdString();

    const Finished missing = RunToEnd({QStringLiteral("--check-config"), QStringLiteral("-c"), Path("none.conf")});
    EXPECT_EQ(missing.status, kConfigFault);
    EXPECT_TRUE(missing.err.startsWith(Path("none.conf") + QStringLiteral(": cannot be read"))) << missing.err.toStdString();
}

// The running station, as systemd runs it: with NOTIFY_SOCKET set.
class RunningStation : public StationProgram {
protected:
    void SetUp() override {
        StationProgram::SetUp();
        socket_.emplace(Path("notify").toStdString());
        env_.insert(QStringLiteral("NOTIFY_SOCKET"), QString::fromStdString(socket_->Path()));
    }
    void TearDown() override {
        if (process_.state() != QProcess::NotRunning) {
            process_.kill();
            process_.waitForFinished();
        }
    }
    void Start() {
        process_.setProcessEnvironment(env_);
        process_.start(kProgram, {QStringLiteral("--config"), Path("station.conf")});
        ASSERT_TRUE(process_.waitForStarted());
    }
    // Waits up to 20 s (a loaded machine) for the condition, reading the
    // program's log and the socket meanwhile.
    bool WaitFor(const std::function<bool()>& condition) {
        QElapsedTimer waited;
        waited.start();
        while (waited.elapsed() < 20000) {
            process_.waitForReadyRead(20);
            log_ += QString::fromUtf8(process_.readAllStandardError());
            socket_->Drain();
            if (condition()) return true;
            if (process_.state() == QProcess::NotRunning) {
                log_ += QString::fromUtf8(process_.readAllStandardError());
                return condition();
            }
            socket_->Receive(20);
        }
        return false;
    }
    bool LogHas(const QString& text) const { return log_.contains(text); }
    int Count(const std::string& message) const {
        return int(std::count(socket_->received.begin(), socket_->received.end(), message));
    }
    void Signal(int signalNumber) { ::kill(pid_t(process_.processId()), signalNumber); }

    std::optional<NotifySocket> socket_;
    QProcess process_;
    QString log_;
};

TEST_F(RunningStation, ReadyWatchdogRereadAndStop) {
    Write("station.conf", "[station]\nname = garden\n[alarm.loud]\nthreshold = 65\n");
    Start();
    ASSERT_TRUE(WaitFor([&] { return socket_->Got("READY=1"); })) << log_.toStdString();
    ASSERT_TRUE(WaitFor([&] { return Count("WATCHDOG=1") >= 2; })) << log_.toStdString();  // beaten again and again
    EXPECT_TRUE(std::any_of(socket_->received.begin(), socket_->received.end(),
                            [](const std::string& m) { return m.rfind("STATUS=station \"garden\"", 0) == 0; }));
    EXPECT_TRUE(LogHas(QStringLiteral("<6>read %1: station \"garden\"").arg(Path("station.conf")))) << log_.toStdString();

    // SIGHUP with a good new file: taken.
    Write("station.conf", "[station]\nname = orchard\n[alarm.loud]\nthreshold = 65\n");
    Signal(SIGHUP);
    ASSERT_TRUE(WaitFor([&] { return LogHas(QStringLiteral("<5>new settings from")); })) << log_.toStdString();
    EXPECT_TRUE(LogHas(QStringLiteral("station \"orchard\""))) << log_.toStdString();
    EXPECT_TRUE(socket_->Got("RELOADING=1"));
    ASSERT_TRUE(WaitFor([&] {
        return std::any_of(socket_->received.begin(), socket_->received.end(),
                           [](const std::string& m) { return m.rfind("STATUS=station \"orchard\"", 0) == 0; });
    }));

    // SIGHUP with a bad one: refused in the log, and the station goes on.
    Write("station.conf", "[station]\nname = orchard\n[alarm.loud]\nthreshold = 65\nminimum = forever\n");
    Signal(SIGHUP);
    ASSERT_TRUE(WaitFor([&] { return LogHas(QStringLiteral("refused: the settings in use go on")); })) << log_.toStdString();
    EXPECT_TRUE(LogHas(QStringLiteral("<3>%1:5: [alarm.loud] minimum: ").arg(Path("station.conf")))) << log_.toStdString();
    const int beats = Count("WATCHDOG=1");
    ASSERT_TRUE(WaitFor([&] { return Count("WATCHDOG=1") > beats; }));
    EXPECT_EQ(process_.state(), QProcess::Running);

    // SIGTERM: stopping, exit status 0.
    Signal(SIGTERM);
    ASSERT_TRUE(process_.waitForFinished(20000));
    EXPECT_EQ(process_.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(process_.exitCode(), 0);
    WaitFor([] { return true; });
    socket_->Drain();
    EXPECT_TRUE(socket_->Got("STOPPING=1"));
    EXPECT_TRUE(LogHas(QStringLiteral("<6>SIGTERM received"))) << log_.toStdString();
    EXPECT_TRUE(LogHas(QStringLiteral("<6>stopped"))) << log_.toStdString();
    // Every line carries a journal priority.
    for (const QString& line : log_.split(QLatin1Char('\n'), Qt::SkipEmptyParts))
        EXPECT_TRUE(line.size() > 3 && line[0] == QLatin1Char('<') && line[2] == QLatin1Char('>')) << line.toStdString();
}

// The program with the simulated meter preloaded in place of libusb: a
// kill -9 mid-day loses at most the second under way, the restart carries
// on in the day's record file without overwriting a word, and SIGTERM
// ends with status 0, the files complete and the meter's lock free.
TEST_F(RunningStation, KilledThenRestartedCarriesOnAndStopsCleanly) {
    PlugMeter("1-1", 1, 2);
    Write("meter.conf", "devices = meter\nsetup_byte = 0x14\n");
    env_.insert(QStringLiteral("LD_PRELOAD"), QStringLiteral(QV_METERSIM_LIBRARY));
    env_.insert(QStringLiteral("METERSIM_CONFIG"), Path("meter.conf"));
    env_.insert(QStringLiteral("ASAN_OPTIONS"), QStringLiteral("verify_asan_link_order=0:detect_leaks=0"));
    Write("station.conf", "[station]\nname = garden\ndata = " + Path("data").toUtf8() + "\nintervals = 1\n");
    const QDir data(Path("data"));
    auto records = [&] { return data.entryList({QStringLiteral("garden-1-1-*.qzx")}, QDir::Files); };
    auto words = [&] {
        const QStringList found = records();
        return found.isEmpty() ? std::vector<std::uint32_t>() : records::ReadRecordWords(data.filePath(found.front()));
    };

    Start();
    ASSERT_TRUE(WaitFor([&] { return words().size() >= 3; })) << log_.toStdString();
    Signal(SIGKILL);
    ASSERT_TRUE(process_.waitForFinished(20000));
    const auto before = words();
    ASSERT_GE(before.size(), 3u);
    EXPECT_FALSE(device::MeterLockHolderOf("1-1", Path("locks").toStdString())) << "a dead holder's lock is free";

    log_.clear();
    Start();
    ASSERT_TRUE(WaitFor([&] { return words().size() >= before.size() + 3; })) << log_.toStdString();
    EXPECT_TRUE(LogHas(QStringLiteral("carrying on in"))) << log_.toStdString();
    EXPECT_TRUE(device::MeterLockHolderOf("1-1", Path("locks").toStdString()));
    Signal(SIGTERM);
    ASSERT_TRUE(process_.waitForFinished(20000));
    EXPECT_EQ(process_.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(process_.exitCode(), 0);
    const auto after = words();
    EXPECT_EQ(records().size(), 1) << "one record file for the day";
    ASSERT_GT(after.size(), before.size());
    EXPECT_TRUE(std::equal(before.begin(), before.end(), after.begin())) << "nothing overwritten";
    // Closed: the interval under way was written at the stop, the lock let go.
    QFile csv(data.filePath(records().front().replace(QRegularExpression(QStringLiteral("-[^-]*\\.qzx$")),
                                                      QStringLiteral("-intervals-1min.csv"))));
    ASSERT_TRUE(csv.open(QIODevice::ReadOnly)) << csv.fileName().toStdString();
    EXPECT_GE(csv.readAll().count('\n'), 2);
    EXPECT_FALSE(device::MeterLockHolderOf("1-1", Path("locks").toStdString()));
}

TEST_F(RunningStation, ABadFileAtStartStartsNothing) {
    Write("station.conf", "[station]\nname = garden\n[meter.street]\n");
    Start();
    ASSERT_TRUE(process_.waitForFinished(20000));
    EXPECT_EQ(process_.exitCode(), kConfigFault);
    log_ = QString::fromUtf8(process_.readAllStandardError());
    EXPECT_TRUE(LogHas(QStringLiteral("<3>%1:3: [meter.street] port: missing").arg(Path("station.conf"))))
        << log_.toStdString();
    socket_->Drain();
    EXPECT_FALSE(socket_->Got("READY=1"));
    EXPECT_EQ(Count("WATCHDOG=1"), 0);
}

TEST(StationLibraries, QtCoreOnly) {
    QProcess ldd;
    ldd.start(QStringLiteral("ldd"), {kProgram});
    if (!ldd.waitForStarted()) GTEST_SKIP() << "no ldd here";
    ASSERT_TRUE(ldd.waitForFinished(30000));
    const QString libraries = QString::fromUtf8(ldd.readAllStandardOutput());
    EXPECT_TRUE(libraries.contains(QStringLiteral("libQt6Core.so"))) << libraries.toStdString();
    for (const char* forbidden : {"libQt6Gui", "libQt6Widgets", "libQt6PrintSupport", "libQt6OpenGL"})
        EXPECT_FALSE(libraries.contains(QLatin1String(forbidden))) << forbidden << " in\n" << libraries.toStdString();
}

}  // namespace
