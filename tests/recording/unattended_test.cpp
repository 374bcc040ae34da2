// SPDX-License-Identifier: GPL-3.0-or-later
// A recording nobody watches: a failed transfer costs one second's reading
// and is told without a box, the status strip keeps count, a meter the user
// may not open is explained once, and the commands that talk to the meter
// keep the link's box.
#include "tests/recording/recording_fixture.h"

#include <QLabel>
#include <QLocale>

#include <csignal>
#include <sys/resource.h>

namespace {

const QString Disconnected = QString::fromUtf8(Appusb::DisconnectedMessage);

class Unattended : public OnlineRecording {
protected:
    void SetUp() override {
        QLocale::setDefault(QLocale::c());  // times in the strip as hh:mm:ss
        OnlineRecording::SetUp();
    }
    void TearDown() override {
        OnlineRecording::TearDown();
        QLocale::setDefault(QLocale::system());
    }
    QString Strip() const { return window->Label5->text(); }
};

TEST_F(Unattended, FailuresAreToldOncePerEpisodeAndTheStripCountsEveryMissedSecond) {
    ASSERT_EQ(metersim_configure("levels = 500\n"), 0);
    Tick();  // 14:07:10
    window->ToolButton3Click();
    Tick();  // 14:07:11, reading 1
    EXPECT_TRUE(Strip().isEmpty());

    metersim_command("fault 4 stall");
    Tick();  // 14:07:12
    EXPECT_EQ(seams.notices.shown.size(), 1u);
    EXPECT_EQ(seams.notices.Count(Disconnected), 1);
    EXPECT_EQ(seams.notices.shown.back().owner, window.get());
    EXPECT_EQ(Strip(), "1 reading missed since 14:07:12, the last at 14:07:12");
    EXPECT_EQ(window->LabelUSBState->text(), " USB Connect     ");

    // The same episode goes on: timeouts, then the meter leaves the bus.
    metersim_command("fault 4 timeout 2");
    Tick(2);  // 14:07:13, 14:07:14
    metersim_command("unplug");
    Tick();   // 14:07:15
    EXPECT_EQ(window->LabelUSBState->text(), " USB Disconnect  ");
    EXPECT_EQ(seams.notices.shown.size(), 1u);
    EXPECT_EQ(Strip(), "4 readings missed since 14:07:12, the last at 14:07:15");

    metersim_command("replug");
    Tick();  // 14:07:16, reading 2
    EXPECT_EQ(window->LabelUSBState->text(), " USB Connect     ");
    EXPECT_EQ(Strip(), "Readings again since 14:07:16; 4 readings missed since 14:07:12, the last at 14:07:15");
    EXPECT_EQ(window->Session().ReadingCount, 2u);

    // Nobody has closed the notice; a new episode puts its text in the same one.
    metersim_command("fault 4 nodev");
    Tick();  // 14:07:17
    EXPECT_EQ(seams.notices.shown.size(), 2u);
    EXPECT_EQ(seams.notices.opened, 1);
    EXPECT_EQ(Strip(), "5 readings missed since 14:07:12, the last at 14:07:17");

    // Every tick ran and restarted the timer; no box was ever shown; the file
    // holds the two readings only.
    EXPECT_TRUE(window->Recorder().Timer().isActive());
    EXPECT_TRUE(seams.messages.shown.empty());
    EXPECT_EQ(FileBytes(window->Session().RecordingFileName).size(), 8);
    EXPECT_EQ(window->Recorder().Link().Missed(), 5u);

    // The next recording starts with a clean strip.
    Tick();
    window->ToolButton3Click();
    window->ToolButton3Click();
    EXPECT_TRUE(Strip().isEmpty());
}

TEST_F(Unattended, StoppingKeepsTheCountAndIdleTicksAddNothing) {
    ASSERT_EQ(metersim_configure("levels = 500\n"), 0);
    Tick();
    window->ToolButton3Click();
    metersim_command("fault 4 stall");
    Tick();
    window->ToolButton3Click();  // stop
    metersim_command("unplug");
    Tick(3);
    EXPECT_EQ(window->Recorder().Link().Missed(), 1u);
    EXPECT_TRUE(Strip().startsWith("1 reading missed")) << Strip().toStdString();
    EXPECT_EQ(seams.notices.shown.size(), 1u);
}

TEST_F(Unattended, AFileThatCannotBeWrittenStaysToldBesideTheMissedReadings) {
    ASSERT_EQ(metersim_configure("levels = 500\n"), 0);
    Tick();
    window->ToolButton3Click();
    Tick();
    // The disk is full for one reading: no file may grow beyond 4 bytes.
    std::signal(SIGXFSZ, SIG_IGN);
    rlimit before{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &before), 0);
    rlimit tight = before;
    tight.rlim_cur = 4;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &tight), 0);
    Tick();
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &before), 0);
    const QString fileProblem = Strip();
    ASSERT_FALSE(fileProblem.isEmpty());

    metersim_command("fault 4 stall");
    Tick();  // 14:07:13
    EXPECT_EQ(Strip(), fileProblem + "   1 reading missed since 14:07:13, the last at 14:07:13");
    Tick();
    EXPECT_TRUE(Strip().startsWith(fileProblem + "   Readings again since 14:07:14;")) << Strip().toStdString();
}

TEST_F(Unattended, CommandsThatTalkToTheMeterStillShowTheLinksBox) {
    struct Case {
        const char* name;
        void (TFormMain::*command)();
        bool recording;
    };
    const Case cases[] = {
        {"setup while recording", &TFormMain::ToolButton5Click, true},
        {"setup", &TFormMain::ToolButton5Click, false},
        {"card while recording", &TFormMain::ToolButton6Click, true},
        {"card", &TFormMain::ToolButton6Click, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_EQ(metersim_configure("levels = 500\n"), 0);
        Tick();
        if (c.recording != window->Session().Recording) window->ToolButton3Click();
        Tick();
        seams.messages.shown.clear();
        seams.notices.shown.clear();

        metersim_command("fault 2 stall");  // the setup byte the command reads first
        (window.get()->*c.command)();
        EXPECT_EQ(seams.messages.Count(Disconnected), 1);
        EXPECT_TRUE(seams.notices.shown.empty());
        EXPECT_TRUE(window->Recorder().Timer().isActive());

        // The tick after the command takes its reading again, with no box.
        const quint32 before = window->Session().ReadingCount;
        Tick();
        EXPECT_EQ(window->Session().ReadingCount, before + (c.recording ? 1 : 0));
        EXPECT_EQ(seams.messages.Count(Disconnected), 1);
    }
}

TEST_F(Unattended, AMeterTheUserMayNotOpenIsShownAsSuchAndExplainedOnce) {
    struct Case {
        const char* meter;  // how the node refuses us
        bool recording;
    };
    const Case cases[] = {
        {"open = null", false},   // usb_open gives no handle
        {"open = null", true},
        {"open = ebadf", true},   // a handle whose every transfer fails with -9
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.meter) + (c.recording ? ", recording" : ""));
        window.reset();
        Appusb::CloseMeter();  // the last start's handle, before the meter forgets it
        metersim_reset();
        ASSERT_EQ(metersim_configure((std::string(c.meter) + "\nlevels = 500\n").c_str()), 0);
        seams.notices = {};
        seams.messages.shown.clear();
        window = std::make_unique<TFormMain>();  // a new start of the program
        window->FormCreate();
        window->Recorder().Timer().stop();
        Tick();
        if (c.recording) window->ToolButton3Click();

        for (int i = 0; i < 10; ++i) {
            Tick();
            ASSERT_EQ(window->LabelUSBState->text(), " USB No access   ") << "tick " << i;
        }
        ASSERT_EQ(seams.notices.shown.size(), 1u);
        EXPECT_TRUE(seams.notices.shown[0].text.contains("udev rule"));
        EXPECT_TRUE(seams.notices.shown[0].text.contains("packaging/README.md"));
        EXPECT_TRUE(seams.messages.shown.empty());
        EXPECT_EQ(window->Session().ReadingCount, 0u);
        EXPECT_EQ(window->Recorder().Link().Missed(), c.recording ? 10u : 0u);
        EXPECT_TRUE(window->Recorder().Timer().isActive());

        // The rule is installed: the next tick opens the meter for real.
        metersim_command("open ok");
        Tick();
        EXPECT_EQ(window->LabelUSBState->text(), " USB Connect     ");
        EXPECT_EQ(window->Session().ReadingCount, c.recording ? 1u : 0u);

        // Refused again: the strip says so, the help is not given twice.
        ASSERT_EQ(metersim_configure(c.meter), 0);
        Tick(3);
        EXPECT_EQ(window->LabelUSBState->text(), " USB No access   ");
        EXPECT_EQ(seams.notices.shown.size(), 1u);
        EXPECT_EQ(metersim_violations(), 0) << metersim_last_violation();
    }
}

}  // namespace
