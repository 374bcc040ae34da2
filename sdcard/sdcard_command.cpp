// SPDX-License-Identifier: GPL-3.0-or-later
#include "sdcard/sdcard_command.h"

#include "device/meter_protocol.h"
#include "device/meter_use.h"
#include "platform/messages.h"
#include "sdcard/F_sdcard.h"
#include "sdcard/sector_device.h"

#include <QScopeGuard>
#include <QWidget>

namespace sdcard {
namespace {

constexpr const char* NoCardMessage = "Failed to detect the SD card! ";
constexpr const char* NotConnectedMessage = "USB does not properly connected! ";

}  // namespace

void RunCardCommand(CardCommandContext& context) {
    // No live request may come between the sector requests of the card:
    // the tick leaves the meter alone until the command ends, whichever way.
    const device::MeterUse meterUse;
    // Whatever way the command ends (a load that fails included), the owner
    // gets its cursor back.
    const auto restore = qScopeGuard([&context] {
        if (context.owner) context.owner->unsetCursor();
    });

    if (context.connected) {
        // A failed read (reported by the link) counts as no card.
        const std::optional<std::uint8_t> setup = device::ReadSetupByte();
        if (!setup || !device::CardPresent(*setup)) {
            platform::ShowPlainMessage(QString::fromLatin1(NoCardMessage), context.owner);
            return;
        }
    }
    context.openFileName.clear();
    if (!context.connected) {
        platform::ShowPlainMessage(QString::fromLatin1(NotConnectedMessage), context.owner);
        return;
    }

    if (context.owner) context.owner->setCursor(Qt::WaitCursor);
    QString copied;
    {
        static Fat32::UsbSectorDevice card;
        TForm_sd dialog(context, card);
        dialog.exec();
        copied = dialog.FileToOpen();
    }
    if (!copied.isEmpty() && context.loadFile) context.loadFile(copied);
}

}  // namespace sdcard
