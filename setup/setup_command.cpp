// SPDX-License-Identifier: GPL-3.0-or-later
// The main window's setup command: read the meter's setup byte, let the
// user change it in the setup dialog, write it back when it changed, and
// give the chart's curves the colours chosen.
#include "device/appusb.h"
#include "monitor/F_main.h"
#include "platform/messages.h"
#include "setup/F_sermeter.h"
#include "setup/setup_byte.h"

#include <QScopeGuard>
#include <QTimer>

namespace {

constexpr const char* NotConnectedMessage = "The instrument is not connected to the computer! ";

}  // namespace

void TFormMain::ToolButton5Click() {
    Timer1S->stop();
    // Whatever way the command ends, the curves take the colours chosen (the
    // points already drawn keep theirs; the next ones take the new colour) and
    // the one-second tick starts again.
    const auto restore = qScopeGuard([this] {
        Series_rec->SetColour(QColor::fromRgba(session_.RecColour));
        Series_max->SetColour(QColor::fromRgba(session_.MaxColour));
        Series_min->SetColour(QColor::fromRgba(session_.MinColour));
        Timer1S->start();
    });

    if (!Connected) {
        platform::ShowPlainMessage(QString::fromLatin1(NotConnectedMessage), this);
        return;
    }

    Appusb::ParameterBlock readSetup;
    readSetup.b[0] = 1;
    std::uint8_t reply = 0;
    // A failed read has been reported by the link; a dialog on a byte that
    // never came would show, and could write back, settings the meter
    // doesn't have.
    if (Appusb::VendorRequest(Appusb::DirIn, Appusb::ReqReadSetup, readSetup, &reply, 1) < 1) return;
    CurrentSetup = reply;
    const std::uint8_t readByte = CurrentSetup;

    {
        TForm_SetupMeter dialog(*this);
        dialog.exec();
    }

    if (setup::NeedsWrite(readByte, CurrentSetup)) {
        Appusb::ParameterBlock writeSetup;
        writeSetup.b[0] = CurrentSetup;
        std::uint8_t ignored = 0;
        Appusb::VendorRequest(Appusb::DirIn, Appusb::ReqWriteSetup, writeSetup, &ignored, 1);
    }
}
