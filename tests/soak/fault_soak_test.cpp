// SPDX-License-Identifier: GPL-3.0-or-later
// 10,000 ticks of an online recording while the simulated meter is pulled
// out, put back, times out, stalls and cuts its replies short at random.
// Nobody is at the screen: a message box would never be answered. The
// recording must never open one; each run of seconds without a reading
// that holds a failed transfer is told by one notice, which nobody closes.
// Afterwards the record file must hold exactly the readings the meter
// delivered whole, each at its own offset, and the table and the curves
// must agree with the file.
#include "reading/reading_word.h"
#include "reading/record_file.h"
#include "tests/soak/unattended_window.h"

#include <QFile>
#include <random>

namespace {

using FaultSoak = UnattendedWindow;

struct LogCount {
    int requests = 0;
    int failed = 0;           // negative results: each one is a lost link
    int wholeLevelReplies = 0;
};

LogCount CountLog(int from) {
    LogCount c;
    for (int i = from; i < metersim_log_count(); ++i) {
        metersim_request r;
        metersim_log_get(i, &r);
        ++c.requests;
        if (r.result < 0) ++c.failed;
        if (r.request == Appusb::ReqReadLevel && r.result == 4) ++c.wholeLevelReplies;
    }
    return c;
}

TEST_F(FaultSoak, TenThousandTicksKeepFileTableAndCurvesInStep) {
    constexpr int Ticks = 10000;
    std::mt19937 random(20241205);
    std::uniform_int_distribution<int> percent(0, 99);
    std::uniform_int_distribution<int> levelCode(0, 1023);

    StartRecording();

    std::vector<std::uint32_t> expected;  // the words the file must hold
    int unpluggedFor = 0;
    int failedTransfers = 0;
    int missed = 0;
    bool inEpisode = false, episodeTold = false;
    std::size_t notices = 0;
    for (int tick = 0; tick < Ticks; ++tick) {
        // What the meter will say this second, and what goes wrong.
        const int code = levelCode(random);
        metersim_command(QStringLiteral("level %1").arg(code).toLatin1().constData());
        if (unpluggedFor > 0 && --unpluggedFor == 0) metersim_command("replug");
        const int dice = percent(random);
        if (unpluggedFor == 0) {
            if (dice < 2) {
                metersim_command("unplug");
                unpluggedFor = 1 + percent(random) % 10;
            } else if (dice < 5) {
                metersim_command("fault 4 timeout");
            } else if (dice < 8) {
                metersim_command("fault 4 stall");
            } else if (dice < 11) {
                metersim_command("fault 4 short");
            } else if (dice < 12) {
                metersim_command("fault 4 nodev");
            }
        }

        const int logBefore = metersim_log_count();
        ASSERT_TRUE(SecondPasses()) << "tick " << tick << ": the tick did not come";
        const QDateTime sample = seams.time.Now();
        const LogCount log = CountLog(logBefore);

        failedTransfers += log.failed;
        ASSERT_LE(log.wholeLevelReplies, 1);
        if (log.wholeLevelReplies == 1) {
            expected.push_back(std::uint32_t(code) | TimeBits(sample.time()));
            inEpisode = false;
        } else {
            ++missed;
            if (!inEpisode) episodeTold = false;
            inEpisode = true;
            if (log.failed > 0 && !episodeTold) {
                ++notices;
                episodeTold = true;
            }
        }
        ASSERT_EQ(window->Session().ReadingCount, expected.size()) << "tick " << tick;
        // One notice per episode with a failed transfer, only the lost-link text.
        ASSERT_EQ(seams.notices.shown.size(), notices) << "tick " << tick;
        ASSERT_EQ(window->Recorder().Link().Missed(), std::uint32_t(missed)) << "tick " << tick;
        // Keep a fault armed for a request that never came from turning up later.
        metersim_command("fault 4 off");
    }
    EXPECT_TRUE(nobody.shown.empty());
    EXPECT_EQ(seams.notices.Count(Appusb::DisconnectedMessage), int(notices));
    EXPECT_EQ(seams.notices.opened, 1);  // nobody closed the first one
    EXPECT_GT(failedTransfers, 100);
    EXPECT_GT(expected.size(), std::size_t(Ticks * 3 / 4));
    EXPECT_EQ(metersim_violations(), 0) << metersim_last_violation();

    // The file: exactly the whole readings, each at its own offset.
    const std::vector<std::uint32_t> words = records::ReadRecordWords(window->Session().RecordingFileName);
    ASSERT_EQ(words.size(), expected.size());
    for (std::size_t i = 0; i < words.size(); ++i) ASSERT_EQ(words[i], expected[i]) << "word " << i;
    EXPECT_EQ(QFile(window->Session().RecordingFileName).size(), qint64(4 * expected.size()));

    // The table and the curves agree with the file.
    ASSERT_EQ(window->Table->RowCount(), int(expected.size()) + 1);
    ASSERT_EQ(window->Series_rec->Count(), int(expected.size()));
    ASSERT_EQ(window->Series_max->Count(), int(expected.size()));
    ASSERT_EQ(window->Series_min->Count(), int(expected.size()));
    float runningMax = 0, runningMin = 0;
    for (std::size_t i = 0; i < expected.size(); ++i) {
        const int row = int(i) + 1;
        const QString level = reading::FormatLevel(reading::LevelTenths(expected[i]));
        ASSERT_EQ(window->Table->Cell(0, row), QString::number(row));
        ASSERT_EQ(window->Table->Cell(1, row), level);
        ASSERT_EQ(window->Table->Cell(2, row), "A");
        const float v = *reading::LevelNumber(level);
        if (i == 0) runningMax = runningMin = v;
        runningMax = std::max(runningMax, v);
        runningMin = std::min(runningMin, v);
        ASSERT_FLOAT_EQ(float(window->Series_rec->ValueAt(int(i))), v) << "point " << i;
        ASSERT_FLOAT_EQ(float(window->Series_max->ValueAt(int(i))), runningMax) << "point " << i;
        ASSERT_FLOAT_EQ(float(window->Series_min->ValueAt(int(i))), runningMin) << "point " << i;
    }
}

}  // namespace
