// SPDX-License-Identifier: GPL-3.0-or-later
// The setup command: read, dialog, write only when changed, curve colours
// and the timer on every path.
#include "meter_window.h"
#include "device/meter_use.h"
#include "setup/F_sermeter.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <optional>

namespace {

using Act = std::function<void(TForm_SetupMeter&)>;

class SetupCommand : public MeterWindowTest {
protected:
    // Runs the command with `act` done in the open dialog.
    void RunSetup(const Act& act) {
        WhenOpen<TForm_SetupMeter>(act);
        window->ToolButton5Click();
    }
    // The byte of the one write, or nothing when none was sent.
    static std::optional<int> WrittenByte() {
        const auto writes = Requests(Appusb::ReqWriteSetup);
        EXPECT_LE(writes.size(), 1u);
        if (writes.empty()) return std::nullopt;
        EXPECT_EQ(writes[0].requesttype, 0xC0);
        EXPECT_EQ(writes[0].index, 0);
        EXPECT_EQ(writes[0].size, 1);
        return writes[0].value;
    }
    void ExpectRestored() {
        EXPECT_TRUE(window->Recorder().Timer().isActive());
        EXPECT_EQ(window->Series_rec->Colour(), QColor::fromRgba(window->Session().RecColour));
        EXPECT_EQ(window->Series_max->Colour(), QColor::fromRgba(window->Session().MaxColour));
        EXPECT_EQ(window->Series_min->Colour(), QColor::fromRgba(window->Session().MinColour));
        EXPECT_EQ(window->findChild<TForm_SetupMeter*>(), nullptr);  // destroyed
    }
};

TEST_F(SetupCommand, WritesOnlyWhenTheBuiltByteDiffersFromTheOneRead) {
    const Act applyUnchanged = [](TForm_SetupMeter& d) { d.SpeedButton1->click(); };
    struct Case {
        const char* name;
        std::string meter;  // the simulated meter's settings
        Act act;
        std::optional<int> written;
        int meterAfter;
    };
    const Case cases[] = {
        {"apply unchanged", "setup_byte = 0x3B", applyUnchanged, std::nullopt, 0x3B},
        {"apply unchanged, card in the meter", "setup_byte = 0x3B\ncard_present = 1", applyUnchanged, 0x3B, 0x7B},
        {"apply after changes", "setup_byte = 0x3B",
         [](TForm_SetupMeter& d) {
             d.ComboBox1->setCurrentIndex(1);
             d.RadioButton_A->click();
             d.CheckBox_Max->click();
             d.SpeedButton1->click();
         },
         0x11, 0x11},
        {"quit after changes", "setup_byte = 0x3B",
         [](TForm_SetupMeter& d) {
             d.ComboBox1->setCurrentIndex(0);
             d.RadioButton_F->click();
             d.SpeedButton2->click();
         },
         std::nullopt, 0x3B},
        {"closed by its title bar after changes", "setup_byte = 0x3B",
         [](TForm_SetupMeter& d) {
             d.RadioButton_A->click();
             d.close();
         },
         std::nullopt, 0x3B},
        // No range entry selected: the range bits stay as read, the rest
        // comes from the controls; never a byte with all eight bits set.
        {"meter range 7, apply unchanged", "setup_byte = 0x3F", applyUnchanged, std::nullopt, 0x3F},
        {"typed character in the range field", "setup_byte = 0x3B",
         [](TForm_SetupMeter& d) {
             d.ComboBox1->lineEdit()->selectAll();
             QTest::keyClicks(d.ComboBox1->lineEdit(), QStringLiteral("9"));
             d.CheckBox_Max->click();
             d.SpeedButton1->click();
         },
         0x1B, 0x1B},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        StartWindow(c.meter);
        RunSetup(c.act);
        EXPECT_EQ(dialogsOpened, 1);
        ASSERT_EQ(Requests(Appusb::ReqReadSetup).size(), 1u);
        EXPECT_EQ(WrittenByte(), c.written);
        EXPECT_EQ(metersim_setup_byte(), c.meterAfter);
        EXPECT_EQ(metersim_violations(), 0) << metersim_last_violation();
        ExpectRestored();
        dialogsOpened = 0;
        TearDown();
    }
}

TEST_F(SetupCommand, DialogShowsTheByteJustRead) {
    StartWindow("setup_byte = 0x3B");
    window->CurrentSetup = 0;  // stale: the command reads afresh
    RunSetup([](TForm_SetupMeter& d) {
        EXPECT_EQ(d.ComboBox1->currentText(), QStringLiteral("4. 60-----110 DB"));
        EXPECT_TRUE(d.RadioButton_C->isChecked());
        EXPECT_TRUE(d.RadioButton_S->isChecked());
        EXPECT_TRUE(d.CheckBox_Max->isChecked());
        EXPECT_TRUE(d.isModal());
        EXPECT_EQ(d.geometry().center(), d.parentWidget()->geometry().center());
        d.SpeedButton2->click();
    });
    EXPECT_EQ(dialogsOpened, 1);
    EXPECT_EQ(window->CurrentSetup, 0x3B);
}

TEST_F(SetupCommand, TimerStaysStoppedWhileTheDialogIsOpen) {
    StartWindow();
    bool runningInside = true;
    RunSetup([&](TForm_SetupMeter& d) {
        runningInside = window->Recorder().Timer().isActive();
        d.SpeedButton2->click();
    });
    EXPECT_FALSE(runningInside);
    ExpectRestored();
}

TEST_F(SetupCommand, DuringARecordingTheTickAsksNothingWhileTheDialogIsOpen) {
    StartWindow("setup_byte = 0x3B");
    window->Recorder().Tick();      // the clock sample that names the recording's file
    window->ToolButton3Click();  // recording: each tick asks for the level
    ASSERT_TRUE(window->Session().Recording);
    seams.time.Advance(1000);
    window->Recorder().Tick();
    ASSERT_EQ(Requests(Appusb::ReqReadLevel).size(), 1u);
    metersim_log_clear();

    bool runningInside = true;
    bool heldInside = false;
    QDateTime sampleInside;
    RunSetup([&](TForm_SetupMeter& d) {
        runningInside = window->Recorder().Timer().isActive();
        heldInside = device::MeterUse::Held();
        // A tick that comes all the same leaves the link and the clock
        // sample alone.
        const QDateTime before = window->Recorder().ClockReading;
        seams.time.Advance(1000);
        window->Recorder().Tick();
        sampleInside = window->Recorder().ClockReading;
        EXPECT_EQ(sampleInside, before);
        d.SpeedButton2->click();
    });
    EXPECT_EQ(dialogsOpened, 1);
    EXPECT_FALSE(runningInside);
    EXPECT_TRUE(heldInside);
    EXPECT_TRUE(Requests(Appusb::ReqReadLevel).empty());
    EXPECT_EQ(metersim_log_count(), 1);  // the setup read, nothing else
    EXPECT_FALSE(device::MeterUse::Held());
    EXPECT_TRUE(window->Recorder().Timer().isActive());
    EXPECT_EQ(window->Recorder().Timer().interval(), 1000);

    // The next tick takes its reading again.
    seams.time.Advance(1000);
    window->Recorder().Tick();
    EXPECT_EQ(Requests(Appusb::ReqReadLevel).size(), 1u);
    EXPECT_GT(window->Recorder().ClockReading, sampleInside);
}

TEST_F(SetupCommand, ColourChosenThenQuitRecoloursOnlyTheNextPoints) {
    StartWindow("setup_byte = 0x3B");
    // Two points of a recording so far, in the start colours.
    const QDate date(2024, 3, 4);
    window->Session().AppendFileWords({300, 310}, date);  // 60,0 and 61,0 dB
    const QColor orange(255, 128, 0);
    seams.colors.answers = {orange};
    RunSetup([](TForm_SetupMeter& d) {
        QTest::mouseClick(d.Shape1, Qt::LeftButton);
        d.SpeedButton2->click();
    });
    EXPECT_FALSE(WrittenByte().has_value());
    EXPECT_EQ(QColor::fromRgba(window->Session().RecColour), orange);
    ExpectRestored();
    // A reading taken after the command: its point has the new colour, the
    // points before keep theirs; the other curves are untouched.
    window->Session().AppendFileWords({330}, date);
    EXPECT_EQ(window->Series_rec->ColourAt(0), QColor(0, 0, 255));
    EXPECT_EQ(window->Series_rec->ColourAt(1), QColor(0, 0, 255));
    EXPECT_EQ(window->Series_rec->ColourAt(2), orange);
    EXPECT_EQ(window->Series_min->ColourAt(2), QColor(0, 128, 0));
}

TEST_F(SetupCommand, NotConnectedShowsTheMessageAndNoDialog) {
    StartWindow("devices = none");
    ASSERT_FALSE(window->Recorder().Connected);
    RunSetup([](TForm_SetupMeter& d) { d.SpeedButton1->click(); });
    EXPECT_EQ(dialogsOpened, 0);
    ASSERT_EQ(seams.messages.shown.size(), 1u);
    EXPECT_EQ(seams.messages.shown[0].text, QStringLiteral("The instrument is not connected to the computer! "));
    EXPECT_EQ(metersim_log_count(), 0);
    ExpectRestored();
}

TEST_F(SetupCommand, FailedReadOpensNoDialogAndWritesNothing) {
    struct Case {
        const char* fault;
        int disconnectMessages;  // the link reports a failed transfer itself
    };
    const Case cases[] = {{"fault 2 stall", 1}, {"fault 2 short", 0}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.fault);
        StartWindow("setup_byte = 0x3B\ncard_present = 1");
        window->CurrentSetup = 0x55;
        ASSERT_EQ(metersim_command(c.fault), 0);
        RunSetup([](TForm_SetupMeter& d) { d.SpeedButton1->click(); });
        EXPECT_EQ(dialogsOpened, 0);
        EXPECT_EQ(Requests(Appusb::ReqReadSetup).size(), 1u);
        EXPECT_TRUE(Requests(Appusb::ReqWriteSetup).empty());
        EXPECT_EQ(seams.messages.Count(QString::fromLatin1(Appusb::DisconnectedMessage)), c.disconnectMessages);
        EXPECT_EQ(int(seams.messages.shown.size()), c.disconnectMessages);
        EXPECT_EQ(window->CurrentSetup, 0x55);
        EXPECT_EQ(metersim_setup_byte(), 0x7B);
        ExpectRestored();
        seams.messages.shown.clear();
        TearDown();
    }
}

}  // namespace
