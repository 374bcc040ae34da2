// SPDX-License-Identifier: GPL-3.0-or-later
// The recorder without a window, under a plain QCoreApplication, against the
// simulated meter in virtual time: a day of readings with an unplug, a
// replug, a stalled transfer, a transfer that times out and ones that take
// longer than a second. The record file's words, the table's rows, the
// statistics' readings and the alarms agree second by second, because each
// tick stamps all of them with its one clock sample.
#include "device/appusb.h"
#include "device/meter_lock.h"
#include "device/meter_use.h"
#include "platform/clock.h"
#include "platform/testing/seam_doubles.h"
#include "reading/readings_session.h"
#include "reading/record_file.h"
#include "recording/recorder.h"
#include "sim/metersim.h"
#include "statistics/noise_stream.h"
#include "statistics/session_feed.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTimeZone>
#include <QTimer>

namespace {

using namespace noisestats;

const QTimeZone Zone(3600);
const QDateTime Start(QDate(2026, 12, 11), QTime(0, 0, 2), Zone);

// The local clock is the simulator's: a transfer that takes time moves it.
class MeterClock final : public platform::Clock {
public:
    QDateTime Now() const override { return Start.addMSecs(metersim_now_ms()); }
};

class RecorderDay : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(folder.isValid());
        Appusb::CloseMeter();
        metersim_reset();
        ASSERT_EQ(metersim_configure("virtual_time = 1\nsetup_byte = 0x16\n"), 0);
        platform::SetClock(&clock);
        recorder = std::make_unique<recording::Recorder>(session, folder.path());
        recorder->Timer().stop();  // the test drives the ticks
        stream.SetAlarms(true, [] {
            AlarmSettings s;
            s.thresholdTenths = 680;
            s.minimumSeconds = 10;
            return s;
        }());
    }
    void TearDown() override {
        recorder.reset();
        platform::SetClock(nullptr);
        Appusb::CloseMeter();
    }
    void Tick(int count = 1) {
        for (int i = 0; i < count; ++i) {
            metersim_advance_ms(1000);
            recorder->Tick();
        }
    }

    QTemporaryDir folder;
    platform::testing::SeamDoubles seams;  // boxes and notices; the clock is replaced below
    MeterClock clock;
    reading::ReadingsSession session;
    NoiseStream stream{session, Zone};
    std::unique_ptr<recording::Recorder> recorder;
};

TEST_F(RecorderDay, FileTableStatisticsAndAlarmsAgreeSecondBySecond) {
    ASSERT_NE(QCoreApplication::instance(), nullptr);
    int missed = 0, linkChanges = 0;
    QObject::connect(recorder.get(), &recording::Recorder::SecondMissed, [&] { ++missed; });
    QObject::connect(recorder.get(), &recording::Recorder::LinkChanged, [&] { ++linkChanges; });
    Tick();
    ASSERT_TRUE(recorder->StartRecording());
    const QString file = session.RecordingFileName;

    // A day, less what the faults take: every hour something goes wrong.
    int faults = 0;
    for (int tick = 0; platform::LocalNow() < Start.addDays(1).addSecs(-10); ++tick) {
        switch (tick % 3600) {
        case 600:  // the meter is pulled out for 30 s
            metersim_command("unplug");
            break;
        case 630:
            metersim_command("replug");
            break;
        case 1200:  // a stalled transfer
            metersim_command("fault 4 stall");
            ++faults;
            break;
        case 1800:  // a transfer that times out: the clock moves on 5 s inside it
            metersim_command("fault 4 timeout");
            ++faults;
            break;
        case 2400:  // transfers that take longer than a second
            metersim_configure("latency_ms = 1400");
            break;
        case 2403:
            metersim_configure("latency_ms = 0");
            break;
        }
        Tick();
    }
    recorder->StopRecording();
    EXPECT_GT(missed, 24 * 30) << "the unplugged seconds are missed";
    EXPECT_GE(linkChanges, 48);
    EXPECT_EQ(metersim_violations(), 0) << metersim_last_violation();
    EXPECT_TRUE(seams.messages.shown.empty()) << "a recording never waits for a click";

    // The file: every reading, in order.
    const std::vector<std::uint32_t> words = records::ReadRecordWords(file);
    ASSERT_EQ(words.size(), std::size_t(session.ReadingCount));
    ASSERT_GT(words.size(), 80000u);
    // The statistics' readings, as the stream took them.
    const std::vector<Reading> readings = stream.Feed().AllReadings();
    ASSERT_EQ(readings.size(), words.size());
    const std::int64_t dayStart = QDateTime(Start.date(), QTime(0, 0), Zone).toSecsSinceEpoch();
    std::vector<Reading> fromFile;
    for (std::size_t i = 0; i < words.size(); ++i) {
        const int row = int(i) + 1;
        const QTime wordTime = reading::WordTime(words[i]);
        const auto stored = session.ReadingAt(row);
        ASSERT_TRUE(stored.word);
        ASSERT_EQ(*stored.word, words[i]) << "row " << row;
        ASSERT_EQ(stored.time.toString(Qt::ISODate), wordTime.toString(Qt::ISODate)) << "row " << row;
        ASSERT_EQ(session.Table().Cell(3, row), reading::FormatLongTime(wordTime)) << "row " << row;
        ASSERT_EQ(readings[i].epochSeconds, dayStart + wordTime.msecsSinceStartOfDay() / 1000) << "row " << row;
        ASSERT_EQ(readings[i].tenths, reading::LevelTenths(words[i])) << "row " << row;
        Reading r;
        r.epochSeconds = dayStart + wordTime.msecsSinceStartOfDay() / 1000;
        r.utcOffsetSeconds = 3600;
        r.tenths = reading::LevelTenths(words[i]);
        r.weighting = reading::IsCWeighted(words[i]) ? Weighting::C : Weighting::A;
        r.timeWeighting = reading::IsSlow(words[i]) ? TimeWeighting::Slow : TimeWeighting::Fast;
        fromFile.push_back(r);
    }
    // Seconds are never stamped twice, and the slow transfers left holes.
    std::int64_t holes = 0;
    for (std::size_t i = 1; i < readings.size(); ++i) {
        ASSERT_GT(readings[i].epochSeconds, readings[i - 1].epochSeconds) << "reading " << i;
        holes += readings[i].epochSeconds - readings[i - 1].epochSeconds - 1;
    }
    EXPECT_GT(holes, std::int64_t(missed));
    EXPECT_EQ(stream.Statistics().Whole().coveredSeconds, std::int64_t(words.size()));

    // The alarms found live are the alarms of the file's readings.
    const std::vector<AlarmRow> live = stream.AlarmsForReport();
    const std::vector<AlarmRow> again = FindAlarms(stream.Alarms().Settings(), fromFile);
    ASSERT_GT(live.size(), 100u);
    ASSERT_EQ(live.size(), again.size());
    for (std::size_t i = 0; i < live.size(); ++i) {
        EXPECT_EQ(live[i].startEpoch, again[i].startEpoch) << "alarm " << i;
        EXPECT_EQ(live[i].endEpoch, again[i].endEpoch) << "alarm " << i;
        EXPECT_EQ(live[i].peakTenths, again[i].peakTenths) << "alarm " << i;
    }
    EXPECT_GE(faults, 48);
}

TEST_F(RecorderDay, HoldingTheMeterStopsTheTickAndTheStripTellsWhatWasMissed) {
    std::vector<recording::StripTexts> strips;
    QObject::connect(recorder.get(), &recording::Recorder::StripChanged,
                     [&](const recording::StripTexts& s) { strips.push_back(s); });
    recorder->Timer().start();
    {
        const device::MeterUse hold;
        EXPECT_FALSE(recorder->Timer().isActive());
        recorder->Tick();  // one comes all the same: it leaves the link alone
        EXPECT_TRUE(strips.empty());
    }
    EXPECT_TRUE(recorder->Timer().isActive());
    EXPECT_EQ(recorder->Timer().interval(), 1000);
    recorder->Timer().stop();

    Tick();
    ASSERT_EQ(strips.size(), 1u);
    EXPECT_EQ(strips[0].link, " USB Connect     ");
    ASSERT_TRUE(recorder->StartRecording());
    metersim_command("unplug");
    Tick(3);
    EXPECT_EQ(recorder->Strip().link, " USB Disconnect  ");
    EXPECT_TRUE(recorder->Strip().message.startsWith(QStringLiteral("3 readings missed since")))
        << recorder->Strip().message.toStdString();
    recorder->SetAlarmText(QStringLiteral("Alarm since 10:00:00: LA \u2265 65,0 dB for 10 s"));
    EXPECT_TRUE(recorder->Strip().message.startsWith(QStringLiteral("Alarm since 10:00:00")));
    EXPECT_TRUE(recorder->Strip().message.contains(QStringLiteral("   3 readings missed")));
    metersim_command("replug");
    Tick();
    EXPECT_EQ(recorder->Strip().link, " USB Connect     ");
    EXPECT_TRUE(recorder->Strip().message.contains(QStringLiteral("Readings again since")));
    EXPECT_EQ(session.ReadingCount, 1u);
}

// The station holds the meter's lock: the recorder leaves the meter alone
// (not even opened) and the strip says plainly who records it, until the
// lock is free again.
TEST_F(RecorderDay, AMeterTheStationHoldsIsLeftAloneAndTheStripSaysWhy) {
    const QString port = folder.filePath(QStringLiteral("sys/bus/usb/devices/1-1"));
    ASSERT_TRUE(QDir().mkpath(port));
    for (const auto& [name, value] : {std::pair{"busnum", "1"}, {"devnum", "2"}}) {
        QFile f(port + QLatin1Char('/') + QLatin1String(name));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(QByteArray(value) + '\n');
    }
    qputenv("QUORVANE_SYSFS_ROOT", folder.filePath(QStringLiteral("sys")).toUtf8());
    qputenv("QUORVANE_LOCK_DIR", folder.filePath(QStringLiteral("locks")).toUtf8());
    auto held = device::TryTakeMeterLock("1-1", "quorvane-station", folder.filePath(QStringLiteral("locks")).toStdString());
    ASSERT_EQ(held.outcome, device::MeterLockOutcome::Taken);
    Appusb::CloseMeter();
    metersim_log_clear();
    Tick(3);
    EXPECT_FALSE(recorder->Connected);
    EXPECT_EQ(metersim_log_count(), 0) << "no request to a meter another program records";
    EXPECT_EQ(metersim_open_handles(), 0);
    EXPECT_TRUE(recorder->Strip().message.startsWith(QStringLiteral("The station is recording this meter (quorvane-station, pid ")))
        << recorder->Strip().message.toStdString();
    EXPECT_TRUE(seams.notices.shown.empty()) << "said in the strip, not in a notice every second";

    held.lock.Release();
    Tick();
    EXPECT_TRUE(recorder->Connected);
    EXPECT_TRUE(recorder->MeterHeldElsewhere().isEmpty());
    EXPECT_FALSE(recorder->Strip().message.contains(QStringLiteral("station")));
    qunsetenv("QUORVANE_SYSFS_ROOT");
    qunsetenv("QUORVANE_LOCK_DIR");
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);  // no display, no Gui: what a station runs
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
