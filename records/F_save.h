// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The save progress window: the exchange clip while a text or spreadsheet
// export runs (a ClipWindow, 290 x 77). The save command creates it and
// destroys it when done.
#include "ico/clip_window.h"

class TFormSave : public ClipWindow {
    Q_OBJECT
public:
    // Loads StartFolder + "/ico/exchange.avi".
    TFormSave(const QString& startFolder, QWidget* owner);

    static constexpr int LastFrame = 24;
};
