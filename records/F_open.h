// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The open progress window: the open clip while a spreadsheet is read (a
// ClipWindow, 275 x 67). The open command creates it and destroys it when
// done.
#include "ico/clip_window.h"

class TForm_MOpen : public ClipWindow {
    Q_OBJECT
public:
    // Loads StartFolder + "/ico/Open.avi".
    TForm_MOpen(const QString& startFolder, QWidget* owner);

    static constexpr int LastFrame = 16;
};
