// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The setup command: read the meter's setup byte, let the user change it in
// the setup dialog, and write it back when it changed. It holds the meter
// for its whole run (device::MeterUse), so the tick asks nothing in between.
// Window code: lives in the qv_ui library.
#include "reading/reading_word.h"

#include <QDateTime>
#include <cstdint>

class QWidget;

namespace reading {
class ReadingsSession;
}

namespace setup {

// What the command and its dialog work with; the caller owns all of it.
struct SetupCommandContext {
    // The dialog's parent, which it is centred on, and the owner of the
    // command's boxes.
    QWidget* owner = nullptr;
    // Whether the meter answered at the last look at the link.
    bool connected = false;
    // The setup byte: set to the byte read, then to the byte the dialog
    // built when it was applied; left alone when the read failed.
    std::uint8_t& setupByte;
    // The session whose curve colours the dialog shows and sets (the
    // colours the next points take).
    reading::ReadingsSession& session;
    // The clock sample; "Update clock" takes a new one here and sets the
    // meter's clock from it.
    QDateTime& clockReading;
    reading::ClockTexts& clockTexts;
};

// Runs the command: "The instrument is not connected to the computer! "
// when not connected; after a failed read (reported by the link) nothing
// more; else the dialog, then the write when the byte changed.
void RunSetupCommand(SetupCommandContext& context);

}  // namespace setup
