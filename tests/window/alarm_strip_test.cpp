// SPDX-License-Identifier: GPL-3.0-or-later
// The alarm's text in the status strip outlives the ticks that redraw the
// strip, comes before the strip's other parts, and goes when cleared.
#include "monitor/F_main.h"
#include "tests/window/window_fixture.h"

#include <QLabel>
#include <QTimer>

namespace {

class AlarmStrip : public WindowFixture {
protected:
    void SetUp() override {
        WindowFixture::SetUp();
        WriteBothPictures();
        BuildWindow();
        window->Recorder().Timer().stop();
    }
    void Tick() {
        seams.time.Advance(1000);
        window->Recorder().Tick();
    }
};

TEST_F(AlarmStrip, StaysThroughTicksBeforeTheMissedReadingsUntilCleared) {
    Tick();
    window->ToolButton3Click();  // a recording, so missed readings are told
    Tick();
    EXPECT_TRUE(window->Label5->text().isEmpty());
    const QString alarm = QStringLiteral("Alarm since 10:00:00: LA \u2265 65,0 dB for 5 min 00 s");
    window->Recorder().SetAlarmText(alarm);
    EXPECT_EQ(window->Label5->text(), alarm);
    Tick();
    EXPECT_EQ(window->Label5->text(), alarm);
    // The meter unplugged: the strip gains the missed readings after the alarm.
    metersim_command("unplug");
    Tick();
    Tick();
    const QString both = window->Label5->text();
    EXPECT_TRUE(both.startsWith(alarm + QStringLiteral("   "))) << both.toStdString();
    const QString missed = both.mid(alarm.size() + 3);
    EXPECT_FALSE(missed.isEmpty());
    window->Recorder().SetAlarmText(QString());
    EXPECT_EQ(window->Label5->text(), missed);
}

}  // namespace
