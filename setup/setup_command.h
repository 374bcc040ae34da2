// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The setup command: read the meter's setup byte, let the user change it in
// the setup dialog, and write it back when it changed. It holds the meter
// for its whole run (device::MeterUse), so the tick asks nothing in between.
// Window code: lives in the qv_ui library.
#include "setup/setup_context.h"

namespace setup {


// Runs the command: "The instrument is not connected to the computer! "
// when not connected; after a failed read (reported by the link) nothing
// more; else the dialog, then the write when the byte changed.
void RunSetupCommand(SetupCommandContext& context);

}  // namespace setup
