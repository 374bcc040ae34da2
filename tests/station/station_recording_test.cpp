// SPDX-License-Identifier: GPL-3.0-or-later
// The station's recording in this process, against the simulated meter in
// virtual time: day files that are complete and rotate at midnight without
// losing a second, interval CSVs equal to what the desktop program's
// statistics give for the same record files, an unplug and a replug, two
// meters at once, a restart on the same day (after a clean stop and after a
// word cut by a kill), the meter lock and the watchdog fed from the ticks.
#include "device/meter_lock.h"
#include "noise/interval_csv.h"
#include "platform/clock.h"
#include "platform/testing/service_recorder.h"
#include "reading/readings_session.h"
#include "reading/record_file.h"
#include "reading/reading_word.h"
#include "recording/recorder.h"
#include "sim/metersim.h"
#include "station/station_recorder.h"
#include "statistics/noise_stream.h"

#include <gtest/gtest.h>

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <QTemporaryDir>

#include <map>

#include <csignal>
#include <sys/resource.h>

namespace {

using namespace noisestats;

const QTimeZone Zone(3600);
// Two hours before midnight: the first day is short, the next ones whole.
const QDateTime Start(QDate(2026, 12, 10), QTime(22, 0, 0), Zone);

class MeterClock final : public platform::Clock {
public:
    QDateTime Now() const override { return Start.addMSecs(metersim_now_ms() + setBy); }
    qint64 setBy = 0;  // the system clock set back or forward, in ms
};

QByteArray FileBytes(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// The interval table the desktop program's statistics give for a record
// file opened on its own: the file's words into a session, the stream over
// it, every interval written as the statistics window's export writes it.
QByteArray DesktopIntervalCsv(const QString& recordFile, int minutes) {
    reading::ReadingsSession session;
    NoiseStream stream(session, Zone);
    stream.SetLength(IntervalLength(minutes * 60));
    session.AppendFileWords(records::ReadRecordWords(recordFile), records::StartDateFromName(recordFile).date);
    QBuffer out;
    out.open(QIODevice::WriteOnly);
    WriteIntervalCsv(out, stream.Statistics().AllIntervals());
    return out.data();
}

bool Insert(QSet<QByteArray>& set, const QByteArray& value) {
    if (set.contains(value)) return false;
    set.insert(value);
    return true;
}

class StationRecording : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        metersim_reset();
        ASSERT_EQ(metersim_configure("virtual_time = 1\nsetup_byte = 0x14\n"), 0);
        platform::SetClock(&clock);
        qputenv("QUORVANE_SYSFS_ROOT", dir.filePath(QStringLiteral("sys")).toUtf8());
        qputenv("QUORVANE_LOCK_DIR", dir.filePath(QStringLiteral("locks")).toUtf8());
        PlugInSysfs("1-1", 1, 2);
        PlugInSysfs("2-1", 2, 3);
        config.file = dir.filePath(QStringLiteral("station.conf"));
        config.station.name = QStringLiteral("garden");
        config.station.data = Data();
        config.station.intervalMinutes = {1, 15, 60};
        AlarmSettings loud;
        loud.name = QStringLiteral("loud");
        loud.thresholdTenths = 1000;
        loud.minimumSeconds = 10;
        config.alarms.push_back(loud);
    }
    void TearDown() override {
        station.reset();
        platform::SetClock(nullptr);
        qunsetenv("QUORVANE_SYSFS_ROOT");
        qunsetenv("QUORVANE_LOCK_DIR");
    }
    using AlarmSettings = station::AlarmSettings;

    QString Data() const { return dir.filePath(QStringLiteral("data")); }
    // sysfs as the kernel shows a meter at `port`: the simulator numbers
    // bus b's first device b + 1 (device numbers start at 2).
    void PlugInSysfs(const char* port, int bus, int device) {
        const QString folder = dir.filePath(QStringLiteral("sys/bus/usb/devices/") + QLatin1String(port));
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
    void StartStation() {
        station = std::make_unique<station::StationRecorder>(log, Zone);
        station->SetDrivenByCaller(true);
        station->Start(config);
    }
    void Seconds(int count) {
        for (int i = 0; i < count; ++i) {
            metersim_advance_ms(1000);
            station->TickAll();
        }
    }
    QStringList Files(const QString& pattern) const {
        return QDir(Data()).entryList({pattern}, QDir::Files, QDir::Name);
    }
    QString DataFile(const QString& name) const { return QDir(Data()).filePath(name); }
    // Every day record file's interval CSVs are the desktop program's.
    void ExpectCsvsEqualDesktop() {
        for (const QString& record : Files(QStringLiteral("*.qzx"))) {
            const QString prefix = record.left(record.size() - QStringLiteral("-XXXXXXXX.qzx").size());
            for (int minutes : config.station.intervalMinutes) {
                const QString csv = DataFile(prefix + QStringLiteral("-intervals-%1min.csv").arg(minutes));
                const QByteArray desktop = DesktopIntervalCsv(DataFile(record), minutes);
                EXPECT_GT(desktop.count('\n'), 1) << record.toStdString();
                EXPECT_EQ(FileBytes(csv), desktop) << csv.toStdString();
            }
        }
    }

    QTemporaryDir dir;
    MeterClock clock;
    std::vector<QString> lines;
    station::StationLog log{[this](const QByteArray& line) { lines.push_back(QString::fromUtf8(line)); }};
    station::StationConfig config;
    std::unique_ptr<station::StationRecorder> station;
};

TEST_F(StationRecording, DaysRotateAtMidnightCompleteAndEqualToTheDesktopStatistics) {
    // Half a minute loud (105 dB), half a minute quieter (95 dB): an alarm a minute.
    std::string levels = "level list:";
    for (int i = 0; i < 60; ++i) levels += (i ? "," : "") + std::to_string(i < 30 ? 750 : 650);
    ASSERT_EQ(metersim_command(levels.c_str()), 0);
    StartStation();
    const int days = 4;  // what runs in seconds, sanitizers included
    Seconds(2 * 3600 + (days - 1) * 86400 + 600);  // to 00:10 of the last day
    station->Stop();

    const QStringList records = Files(QStringLiteral("*.qzx"));
    ASSERT_EQ(records.size(), days + 1) << records.join(' ').toStdString();
    // The first day from 22:00:01, every whole day from 00:00:00, none lost
    // around midnight: each word's time of day is that of its second.
    EXPECT_TRUE(records[0].startsWith(QStringLiteral("garden-1-1-2026-12-10-")));
    EXPECT_EQ(records::ReadRecordWords(DataFile(records[0])).size(), 2u * 3600 - 1);
    for (int d = 1; d < days; ++d) {
        EXPECT_EQ(records::ReadRecordWords(DataFile(records[d])).size(), 86400u) << records[d].toStdString();
        EXPECT_EQ(records::StartDateFromName(DataFile(records[d])).date, Start.date().addDays(d));
    }
    EXPECT_EQ(records::ReadRecordWords(DataFile(records[days])).size(), 600u + 1);
    ExpectCsvsEqualDesktop();

    // The alarms of each day: rows that ended and, at a day's end, the one
    // still on; the level list is loud for long stretches, so there are some.
    const QStringList alarms = Files(QStringLiteral("*-alarms.csv"));
    ASSERT_EQ(alarms.size(), days + 1);
    const QByteArray day2 = FileBytes(DataFile(alarms[1]));
    EXPECT_TRUE(day2.startsWith("Alarm,Start,End,"));
    EXPECT_GT(day2.count('\n'), 10);
    EXPECT_TRUE(day2.contains("loud,2026-12-11T"));
}

TEST_F(StationRecording, AnUnpluggedMeterLeavesAGapAndGoesOnWhenReplugged) {
    StartStation();
    Seconds(100);
    metersim_command("unplug 1");
    Seconds(50);
    metersim_command("replug 1");
    Seconds(50);
    station->Stop();
    const QStringList records = Files(QStringLiteral("*.qzx"));
    ASSERT_EQ(records.size(), 1);
    const auto words = records::ReadRecordWords(DataFile(records[0]));
    // Nothing invented for the 50 seconds out; a tick or two at each edge
    // may go to finding the meter again.
    EXPECT_GE(words.size(), 100u + 50u - 2u);
    EXPECT_LE(words.size(), 100u + 50u);
    ExpectCsvsEqualDesktop();
    // The gap counts as missing seconds of its quarter of an hour.
    const QByteArray quarter = FileBytes(DataFile(Files(QStringLiteral("*-intervals-15min.csv")).front()));
    const QList<QByteArray> row = quarter.split('\n').value(1).split(',');
    ASSERT_GT(row.size(), 4);
    EXPECT_EQ(row[2].toInt() + row[3].toInt(), 200);
    EXPECT_GE(row[3].toInt(), 50);
    EXPECT_LE(row[3].toInt(), 52);
    bool toldGap = false;
    for (const QString& l : lines) toldGap = toldGap || l.contains(QStringLiteral("does not answer"));
    EXPECT_TRUE(toldGap);
}

TEST_F(StationRecording, TwoMetersEachWithItsOwnFiles) {
    ASSERT_EQ(metersim_configure("devices = meter:0x11,meter:0x22\n"), 0);
    StartStation();
    Seconds(200);
    ASSERT_EQ(station->Meters().size(), 2u);
    station->Stop();
    const QStringList first = Files(QStringLiteral("garden-1-1-*.qzx"));
    const QStringList second = Files(QStringLiteral("garden-2-1-*.qzx"));
    ASSERT_EQ(first.size(), 1);
    ASSERT_EQ(second.size(), 1);
    const auto a = records::ReadRecordWords(DataFile(first[0]));
    const auto b = records::ReadRecordWords(DataFile(second[0]));
    EXPECT_EQ(a.size(), 200u);
    EXPECT_EQ(b.size(), 200u);
    // Each meter's own words: the setup bytes' ranges differ (bits 10-12).
    EXPECT_EQ((a[0] >> 10) & 7, 1u);
    EXPECT_EQ((b[0] >> 10) & 7, 2u);
    EXPECT_EQ(Files(QStringLiteral("*-intervals-15min.csv")).size(), 2);
    ExpectCsvsEqualDesktop();
}

// Without [meter.NAME] sections, a meter plugged in later is found (within
// ten seconds) and recorded under its port's name.
TEST_F(StationRecording, AMeterPluggedInLaterIsFoundAndRecorded) {
    ASSERT_EQ(metersim_configure("devices = meter,meter\n"), 0);
    metersim_command("unplug 2");
    StartStation();
    Seconds(30);
    ASSERT_EQ(station->Meters().size(), 1u);
    metersim_command("replug 2");
    Seconds(11);
    ASSERT_EQ(station->Meters().size(), 2u);
    EXPECT_EQ(station->Meters()[1]->Place().name, QStringLiteral("2-1"));
    Seconds(20);
    station->Stop();
    const auto words = records::ReadRecordWords(DataFile(Files(QStringLiteral("garden-2-1-*.qzx")).value(0)));
    EXPECT_GE(words.size(), 20u);
    EXPECT_LE(words.size(), 31u);
}

TEST_F(StationRecording, ARestartOnTheSameDayCarriesOnInTheDaysFiles) {
    StartStation();
    Seconds(3 * 3600);  // past midnight, to 01:00
    station->Stop();
    station.reset();
    const QStringList before = Files(QStringLiteral("*2026-12-11-*.qzx"));
    ASSERT_EQ(before.size(), 1);
    const QString record = DataFile(before[0]);
    const auto wordsBefore = records::ReadRecordWords(record);
    ASSERT_EQ(wordsBefore.size(), 3601u);

    metersim_advance_ms(30'000);  // half a minute down
    StartStation();
    Seconds(600);
    station->Stop();
    EXPECT_EQ(Files(QStringLiteral("*2026-12-11-*.qzx")), before) << "no second record file for the day";
    const auto wordsAfter = records::ReadRecordWords(record);
    ASSERT_EQ(wordsAfter.size(), 3601u + 600u);
    EXPECT_TRUE(std::equal(wordsBefore.begin(), wordsBefore.end(), wordsAfter.begin())) << "nothing overwritten";
    ExpectCsvsEqualDesktop();
}

TEST_F(StationRecording, AWordCutByAKillIsWrittenOverAndTheRestKept) {
    StartStation();
    Seconds(2 * 3600 + 100);
    station->Stop();
    station.reset();
    const QString record = DataFile(Files(QStringLiteral("*2026-12-11-*.qzx")).front());
    // What a kill in the middle of a write leaves: the last word cut short.
    {
        QFile f(record);
        ASSERT_TRUE(f.resize(f.size() - 2));
    }
    const auto kept = records::ReadRecordWords(record);
    ASSERT_EQ(kept.size(), 100u);

    StartStation();
    Seconds(50);
    station->Stop();
    const auto words = records::ReadRecordWords(record);
    ASSERT_EQ(words.size(), 100u + 50u);
    EXPECT_EQ(QFileInfo(record).size(), qint64(4 * words.size())) << "the cut word's bytes were written over";
    EXPECT_TRUE(std::equal(kept.begin(), kept.end(), words.begin()));
    ExpectCsvsEqualDesktop();
}

// A file that can't grow (the disk full; here a file size limit): told once
// in the log, the readings kept in memory and written in order when it can
// grow again, every file whole and in order.
TEST_F(StationRecording, AFullDiskKeepsTheReadingsUntilThereIsSpace) {
    struct rlimit saved{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
    const auto previous = std::signal(SIGXFSZ, SIG_IGN);
    platform::testing::ServiceRecorder service;
    StartStation();
    Seconds(100);
    struct rlimit full = saved;
    full.rlim_cur = 4096;  // the record file's first block, the CSVs' first lines
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &full), 0);
    Seconds(2000);
    const std::size_t waiting = station->Meters().front()->Backlog();
    const QString status = QString::fromStdString(service.LastStatus());
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &saved), 0);
    std::signal(SIGXFSZ, previous);
    EXPECT_GT(waiting, 900u);
    // The status of this second's beat, sent before its reading.
    EXPECT_TRUE(status.contains(QStringLiteral("backlog %1 readings").arg(waiting - 1))) << status.toStdString();
    Seconds(100);
    EXPECT_EQ(station->Meters().front()->Backlog(), 0u);
    station->Stop();

    int told = 0;
    for (const QString& l : lines) told += l.contains(QStringLiteral("is the disk full?")) ? 1 : 0;
    EXPECT_EQ(told, 1);
    const QString record = DataFile(Files(QStringLiteral("*.qzx")).front());
    const auto words = records::ReadRecordWords(record);
    ASSERT_EQ(words.size(), 2200u) << "every reading, none lost, none twice";
    QTime expected(22, 0, 1);
    for (std::size_t i = 0; i < words.size(); ++i, expected = expected.addSecs(1))
        ASSERT_EQ(reading::WordTime(words[i]), expected) << "word " << i;
    ExpectCsvsEqualDesktop();
}

// The system clock set back ten minutes, then forward an hour: no second is
// recorded twice (readings wait until the clock has passed the last one),
// the forward jump is a gap, and the log says what happened each time.
TEST_F(StationRecording, AClockSetBackOrForwardCountsNoIntervalTwice) {
    StartStation();
    Seconds(300);
    clock.setBy = -600'000;
    Seconds(900);  // 600 held, then 300 more
    clock.setBy += 3600'000;
    Seconds(100);
    station->Stop();
    const auto words = records::ReadRecordWords(DataFile(Files(QStringLiteral("*.qzx")).front()));
    ASSERT_GE(words.size(), 300u + 299u + 100u);
    ASSERT_LE(words.size(), 300u + 301u + 100u);
    for (std::size_t i = 1; i < words.size(); ++i)
        ASSERT_LT(reading::WordTime(words[i - 1]), reading::WordTime(words[i])) << "word " << i;
    const QList<QByteArray> rows = FileBytes(DataFile(Files(QStringLiteral("*-intervals-1min.csv")).front())).split('\n');
    QSet<QByteArray> starts;
    for (int r = 1; r < rows.size(); ++r)
        if (!rows[r].isEmpty()) EXPECT_TRUE(Insert(starts, rows[r].split(',').front())) << rows[r].toStdString();
    ExpectCsvsEqualDesktop();
    int back = 0, forward = 0;
    for (const QString& l : lines) {
        back += l.contains(QStringLiteral("the system clock was set back from 2026-12-10T22:05:00")) ? 1 : 0;
        forward += l.contains(QStringLiteral("the system clock jumped forward 3601 s")) ? 1 : 0;
    }
    EXPECT_EQ(back, 1);
    EXPECT_EQ(forward, 1);
}

// A data folder that can't be made: the log says so once a minute, the
// meter is left alone, and nothing stops.
TEST_F(StationRecording, ADataFolderThatCantBeWrittenIsToldOnceAMinute) {
    QFile blocker(Data());
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));  // a file where the folder should be
    blocker.close();
    StartStation();
    Seconds(150);
    int told = 0;
    for (const QString& l : lines) told += l.startsWith(QStringLiteral("<3>Can't create the record file")) ? 1 : 0;
    EXPECT_EQ(told, 3);
    EXPECT_FALSE(station->Meters().front()->Recorder().Recording());
    station->Stop();
}

TEST_F(StationRecording, AMeterHeldByAnotherProgramIsLeftAloneAndSaidOnce) {
    auto held = device::TryTakeMeterLock("1-1", "quorvane", dir.filePath(QStringLiteral("locks")).toStdString());
    ASSERT_EQ(held.outcome, device::MeterLockOutcome::Taken);
    StartStation();
    Seconds(20);
    ASSERT_EQ(station->Meters().size(), 1u);
    EXPECT_FALSE(station->Meters().front()->LastReading());
    int told = 0;
    for (const QString& l : lines) told += l.contains(QStringLiteral("is in use by quorvane")) ? 1 : 0;
    EXPECT_EQ(told, 1);
    held.lock.Release();
    Seconds(5);
    EXPECT_TRUE(station->Meters().front()->LastReading());
}

TEST_F(StationRecording, TheWatchdogIsFedFromTheTicksAndTheStatusNamesTheMeters) {
    platform::testing::ServiceRecorder service;
    ASSERT_EQ(metersim_configure("devices = meter,meter\n"), 0);
    StartStation();
    const int before = service.Count("WATCHDOG=1");
    Seconds(10);
    EXPECT_EQ(service.Count("WATCHDOG=1") - before, 10);
    const QString status = QString::fromStdString(service.LastStatus());
    EXPECT_TRUE(status.contains(QStringLiteral("2 meters"))) << status.toStdString();
    EXPECT_TRUE(status.contains(QStringLiteral("1-1: recording, last "))) << status.toStdString();
    EXPECT_TRUE(status.contains(QStringLiteral("backlog"))) << status.toStdString();
    // A meter whose tick no longer runs starves the watchdog, although the
    // other goes on.
    station->Meters().front()->Finish();
    const int fed = service.Count("WATCHDOG=1");
    Seconds(5);
    EXPECT_EQ(service.Count("WATCHDOG=1"), fed);
}

}  // namespace
