// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A main window left alone with a recording: nobody is at the screen, so a
// message box would never be answered. The test plays the event loop one
// virtual second at a time; the timer fires only while the tick left it
// running and no box holds the loop.
#include "device/appusb.h"
#include "monitor/F_main.h"
#include "tests/window/window_fixture.h"

#include <QTimer>

namespace {

class UnattendedWindow : public WindowFixture {
protected:
    void SetUp() override {
        ASSERT_NO_FATAL_FAILURE(WindowFixture::SetUp());
        ASSERT_NO_FATAL_FAILURE(WriteBothPictures());
        MeterFollowsVirtualTime();
        platform::SetMessageBoxes(&nobody);
        BuildWindow();
        window->Recorder().Timer().stop();
    }
    void TearDown() override {
        window.reset();
        Appusb::CloseMeter();  // before the next test's meter forgets the handle
        platform::SetMessageBoxes(&seams.messages);
        WindowFixture::TearDown();
    }
    // The first tick fills the clock texts, then the recording starts with
    // the timer running, as in the program.
    void StartRecording() {
        seams.time.Advance(1000);
        window->Recorder().Tick();
        window->ToolButton3Click();
        ASSERT_TRUE(window->Session().Recording);
        window->Recorder().Timer().start(1000);
    }
    // One second of the event loop; false when the tick could not come.
    bool SecondPasses() {
        seams.time.Advance(1000);
        if (nobody.held || !window->Recorder().Timer().isActive()) return false;
        window->Recorder().Tick();
        return true;
    }
    static std::uint32_t TimeBits(const QTime& t) {
        return std::uint32_t((t.hour() << 12) | (t.minute() << 6) | t.second()) << 15;
    }

    platform::testing::NeverAnsweringBoxes nobody;
};

}  // namespace
