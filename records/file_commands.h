// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The open and save commands of the main window's toolbar, as functions of
// this module: they read and fill the readings session and ask and tell
// through the platform seams. The main window's handlers only forward.
// Window code: lives in the qv_ui library.
#include <QString>

#include <functional>

class QWidget;

namespace reading {
class ReadingsSession;
}

namespace records {

struct FileCommandContext {
    QWidget* owner = nullptr;                   // owner of boxes, dialogs and progress windows
    reading::ReadingsSession* session = nullptr;
    QString startFolder;                        // the template and the clips come from here
    // Holds (true) or lets go (false) the one-second tick, while a save
    // writes the data out.
    std::function<void(bool held)> holdTick;
};

// Fills the session from the file `fileName` (trimmed first; a record,
// text or spreadsheet file, told apart by its extension). Returns the
// trimmed name and whether it loaded readings without a failure; a file
// that loads none says why. A file the program does not read changes
// nothing and says so (loaded stays false, ignored true); so does a record
// file whose name gives no date when the user does not say the day asked for.
struct LoadOutcome {
    QString fileName;
    bool loaded = false;
    bool ignored = false;
};
LoadOutcome LoadFile(const FileCommandContext& context, const QString& fileName);

// "Open": refused while recording; asks for a file and loads it. The
// outcome's name is empty when no file was chosen.
LoadOutcome RunOpenCommand(const FileCommandContext& context);

// "Save": the data on show as a copy of the last recording's file, a text
// export or a spreadsheet.
void RunSaveCommand(const FileCommandContext& context);

}  // namespace records
