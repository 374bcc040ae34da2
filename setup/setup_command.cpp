// SPDX-License-Identifier: GPL-3.0-or-later
#include "setup/setup_command.h"

#include "device/meter_protocol.h"
#include "device/meter_use.h"
#include "platform/messages.h"
#include "setup/F_sermeter.h"
#include "setup/setup_byte.h"

namespace setup {
namespace {

constexpr const char* NotConnectedMessage = "The instrument is not connected to the computer! ";

}  // namespace

void RunSetupCommand(SetupCommandContext& context) {
    // The tick leaves the meter alone until the command ends, whichever way.
    const device::MeterUse meterUse;

    if (!context.connected) {
        platform::ShowPlainMessage(QString::fromLatin1(NotConnectedMessage), context.owner);
        return;
    }

    // A failed read has been reported by the link; a dialog on a byte that
    // never came would show, and could write back, settings the meter
    // doesn't have.
    const std::optional<std::uint8_t> read = device::ReadSetupByte();
    if (!read) return;
    context.setupByte = *read;

    {
        TForm_SetupMeter dialog(context);
        dialog.exec();
    }

    if (NeedsWrite(*read, context.setupByte)) device::WriteSetupByte(context.setupByte);
}

}  // namespace setup
