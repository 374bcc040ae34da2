// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What the setup command and its dialog work with: a header of its own, so
// the dialog and the command that creates it need not include each other.
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

}  // namespace setup
