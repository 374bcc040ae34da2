// SPDX-License-Identifier: GPL-3.0-or-later
// The one-second tick: clock, link state and, while recording, one reading.
#include "device/appusb.h"
#include "device/meter_use.h"
#include "monitor/F_main.h"
#include "platform/clock.h"
#include "platform/notices.h"

#include <QLabel>
#include <QTimer>

void TFormMain::Timer1STimer() {
    // Stopped while the tick runs, so nothing inside it can let another
    // tick in; restarted at the end, so ticks count from the end of the
    // previous one. An error that ends the tick early leaves it stopped.
    // While a command holds the meter the tick is stopped (tick_pause.h);
    // should one come all the same, it leaves the link and the timer alone.
    if (device::MeterUse::Held()) return;
    Timer1S->stop();
    ClockReading = platform::LocalNow();
    ClockTexts = reading::ClockTexts::From(ClockReading);
    const int opened = Appusb::OpenMeter();
    Connected = (opened == 0);
    std::optional<int> transfer;
    if (Connected && session_.Recording) transfer = TakeReading();
    ShowLinkReport(linkWatch_.Tick({opened, session_.Recording, transfer, ClockReading}));
    Timer1S->start(TickIntervalMs);
}

void TFormMain::ShowLinkReport(const live::TickReport& report) {
    LabelUSBState->setText(report.linkText);
    ShowStripMessage();
    // Notices don't wait for an answer: the next tick comes on time whether
    // or not anybody is at the screen.
    platform::Notice notice;
    notice.owner = this;
    switch (report.notice) {
    case live::NoticeToShow::None: return;
    case live::NoticeToShow::Disconnected:
        notice.text = QString::fromUtf8(Appusb::DisconnectedMessage);
        break;
    case live::NoticeToShow::NoAccess:
        notice.caption = QStringLiteral("No access to the meter");
        notice.text = live::NoAccessHelpText();
        notice.icon = platform::MessageIcon::Information;
        break;
    }
    platform::ShowNotice(notice);
}

void TFormMain::ShowStripMessage() {
    QStringList parts;
    if (!alarmStrip_.isEmpty()) parts << alarmStrip_;
    if (!appendProblem_.isEmpty()) parts << appendProblem_;
    if (const QString readings = linkWatch_.ReadingsText(); !readings.isEmpty()) parts << readings;
    Label5->setText(parts.join(QStringLiteral("   ")));
}
