// SPDX-License-Identifier: GPL-3.0-or-later
// A day of recording with nobody at the screen, in virtual time: the meter
// stalls a level request every 10 minutes, cuts a reply short every 17
// minutes and is pulled out for 30 minutes once. The box of an unattended
// machine is never answered, so one box would end the day's readings.
#include "reading/record_file.h"
#include "tests/soak/unattended_window.h"

#include <QFile>
#include <QLabel>

namespace {

using UnattendedDay = UnattendedWindow;

TEST_F(UnattendedDay, EverySecondTheMeterAnsweredIsInTheFileAndEveryMissedOneIsCounted) {
    constexpr int Seconds = 24 * 60 * 60;
    constexpr int UnplugAt = 40000, PlugBackAt = UnplugAt + 30 * 60;
    StartRecording();

    std::vector<std::uint32_t> expected;  // the words the file must hold
    int faults = 0, stalls = 0, shorts = 0, unpluggedSeconds = 0;
    int ticksUnderANotice = 0, levelRequests = 0;
    for (int second = 1; second <= Seconds; ++second) {
        const int code = (second * 7) % 1024;
        metersim_command(QStringLiteral("level %1").arg(code).toLatin1().constData());
        if (second == UnplugAt) metersim_command("unplug");
        if (second == PlugBackAt) metersim_command("replug");
        const bool unplugged = second >= UnplugAt && second < PlugBackAt;
        // 600 + 300 and 1020 + 7 never meet: one fault a second at most.
        bool fault = false;
        if (!unplugged && second % 600 == 300) {
            metersim_command("fault 4 stall");
            fault = true;
            ++stalls;
        } else if (!unplugged && second % 1020 == 7) {
            metersim_command("fault 4 short");
            fault = true;
            ++shorts;
        }
        if (unplugged) ++unpluggedSeconds;
        if (fault || unplugged) ++faults;

        const bool noticeStood = seams.notices.OnScreen();
        const int logBefore = metersim_log_count();
        ASSERT_TRUE(SecondPasses()) << "second " << second << ": the tick did not come";
        for (int i = logBefore; i < metersim_log_count(); ++i) {
            metersim_request r;
            metersim_log_get(i, &r);
            levelRequests += (r.request == Appusb::ReqReadLevel);
        }
        ticksUnderANotice += noticeStood;
        if (!fault && !unplugged) expected.push_back(std::uint32_t(code) | TimeBits(seams.time.Now().time()));
    }

    // The day as planned: 144 stalls, 85 short replies, 1800 seconds unplugged.
    EXPECT_EQ(stalls, 144 - 3);  // three fell into the unplugged half hour
    EXPECT_EQ(shorts, 85 - 1);
    EXPECT_EQ(unpluggedSeconds, 1800);

    // No box, and the ticks went on under the notice nobody closed.
    EXPECT_TRUE(nobody.shown.empty());
    EXPECT_EQ(seams.notices.opened, 1);
    EXPECT_GT(ticksUnderANotice, Seconds - 700);
    EXPECT_EQ(levelRequests, Seconds - unpluggedSeconds);

    // The file: one word for each second the meter answered whole, in order,
    // each at its own offset; nothing for the seconds it did not.
    const std::vector<std::uint32_t> words = records::ReadRecordWords(window->Session().RecordingFileName);
    ASSERT_EQ(words.size(), expected.size());
    EXPECT_EQ(words.size(), std::size_t(Seconds - faults));
    for (std::size_t i = 0; i < words.size(); ++i) ASSERT_EQ(words[i], expected[i]) << "word " << i;
    EXPECT_EQ(QFile(window->Session().RecordingFileName).size(), qint64(4 * expected.size()));
    EXPECT_EQ(window->Table->RowCount(), int(expected.size()) + 1);

    // The strip's count of missed readings is the count of faults.
    EXPECT_EQ(window->Recorder().Link().Missed(), std::uint32_t(faults));
    const QString strip = window->Label5->text();
    EXPECT_TRUE(strip.startsWith(QStringLiteral("Readings again since "))) << strip.toStdString();
    EXPECT_TRUE(strip.contains(QStringLiteral("; %1 readings missed since ").arg(faults))) << strip.toStdString();
    EXPECT_EQ(window->LabelUSBState->text(), " USB Connect     ");
    EXPECT_EQ(metersim_violations(), 0) << metersim_last_violation();
}

}  // namespace
