// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What the SD card command and its dialog work with: a header of its own,
// so the dialog and the command that creates it need not include each
// other.
#include <QString>
#include <functional>

class QWidget;

namespace sdcard {

// What the command and its dialog work with; the caller owns all of it.
struct CardCommandContext {
    // The dialog's parent and the owner of the command's boxes; it shows
    // the hourglass while the dialog is open.
    QWidget* owner = nullptr;
    // Whether the meter answered at the last look at the link.
    bool connected = false;
    // Whether a recording is running: "Open Select File" is refused then.
    bool recording = false;
    // The working folder: copies to be loaded land here, and the wait
    // window finds its clip under it.
    QString startFolder;
    // The name of the file to open, emptied once the card is to be shown
    // (or the meter is found missing), so no earlier name is taken for the
    // card's copy.
    QString& openFileName;
    // Loads the whole copy at `path` into the table and the chart; called
    // after the dialog has closed, only when "Open Select File" copied a
    // file whole.
    std::function<void(const QString& path)> loadFile;
};

}  // namespace sdcard
