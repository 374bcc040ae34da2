// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The wait window: the card clip while the card is read or written (a
// ClipWindow). Every card operation of the card dialog runs inside one
// (see WaitWindow).
#include "ico/clip_window.h"

#include <memory>

class TForm_await : public ClipWindow {
    Q_OBJECT
public:
    // Loads StartFolder + "/ico/palmpilot.avi".
    TForm_await(const QString& startFolder, QWidget* owner);

    static constexpr int LastFrame = 19;
    // The whole window with the frame a window system adds; the client area
    // is smaller by that frame, and the outer size is what is centred.
    static constexpr int OuterWidth = 296;
    static constexpr int OuterHeight = 109;
};

// One card operation's wait window: shown and playing while it lives,
// destroyed with it, on every way out of the operation.
class WaitWindow {
public:
    WaitWindow(const QString& startFolder, QWidget* owner);
    ~WaitWindow();
    WaitWindow(const WaitWindow&) = delete;
    WaitWindow& operator=(const WaitWindow&) = delete;

private:
    std::unique_ptr<TForm_await> window_;
};
