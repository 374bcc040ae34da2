// SPDX-License-Identifier: GPL-3.0-or-later
// The main window's SD card command: check that the meter holds a card,
// show the card dialog, and load the file it copied into the working folder.
#include "device/appusb.h"
#include "monitor/F_main.h"
#include "monitor/startup.h"
#include "platform/messages.h"
#include "sdcard/F_sdcard.h"
#include "sdcard/sector_device.h"

#include <QScopeGuard>
#include <QTimer>

namespace {

constexpr const char* NoCardMessage = "Failed to detect the SD card! ";
constexpr const char* NotConnectedMessage = "USB does not properly connected! ";
constexpr std::uint8_t CardPresentBit = 0x40;

}  // namespace

void TFormMain::ToolButton6Click() {
    // No live request may come between the sector requests of the card.
    Timer1S->stop();
    // Whatever way the command ends (a load that fails included), the main
    // window gets its cursor back and the one-second tick starts again.
    const auto restore = qScopeGuard([this] {
        unsetCursor();
        Timer1S->start();
    });

    if (Connected) {
        Appusb::ParameterBlock readSetup;
        readSetup.b[0] = 1;
        std::uint8_t setup = 0;
        Appusb::VendorRequest(Appusb::DirIn, Appusb::ReqReadSetup, readSetup, &setup, 1);
        if (!(setup & CardPresentBit)) {
            platform::ShowPlainMessage(QString::fromLatin1(NoCardMessage), this);
            return;
        }
    }
    OpenFileName.clear();
    if (!Connected) {
        platform::ShowPlainMessage(QString::fromLatin1(NotConnectedMessage), this);
        return;
    }

    setCursor(Qt::WaitCursor);
    {
        static Fat32::UsbSectorDevice card;
        TForm_sd dialog(*this, card);
        dialog.exec();
    }
    if (!OpenFileName.isEmpty()) {
        try {
            LoadFile();
        } catch (...) {
            ShowCurrentError();
        }
    }
}
