// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The one place the program asks the user for a file name.
#include <QObject>
#include <QString>

namespace platform {

struct FileDialogRequest {
    bool save = false;          // save dialog, else open dialog
    QString filter;             // "Name [*.a]|*.a|Other|*.b": pairs of label and pattern
    int filterIndex = 1;        // 1-based, the filter shown first
    QString proposedName;       // file name shown at first (save dialogs)
    QString directory;          // folder shown at first; empty: the toolkit's choice
    QObject* owner = nullptr;
};

struct FileDialogAnswer {
    bool accepted = false;
    QString path;               // full path as the user chose it
    int filterIndex = 1;        // 1-based index of the filter picked
};

class FileDialogs {
public:
    virtual ~FileDialogs() = default;
    virtual FileDialogAnswer Ask(const FileDialogRequest& request) = 0;
};

FileDialogAnswer AskForFile(const FileDialogRequest& request);

// Installs the dialogs; nullptr puts back the fallback, which cancels.
void SetFileDialogs(FileDialogs* dialogs);

}  // namespace platform
