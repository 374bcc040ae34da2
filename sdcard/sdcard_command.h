// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The SD card command: check that the meter holds a card, show the card
// dialog, and hand the file its "Open Select File" copied into the working
// folder to the caller to load. It holds the meter for its whole run
// (device::MeterUse), so no level request falls between its sector
// requests. Window code: lives in the qv_ui library.
#include "sdcard/card_context.h"

namespace sdcard {


// Runs the command: "Failed to detect the SD card! " when the meter holds
// none, "USB does not properly connected! " when not connected, else the
// dialog and the load of the file it copied.
void RunCardCommand(CardCommandContext& context);

}  // namespace sdcard
