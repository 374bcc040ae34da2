// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The wait window: a small fixed-size window, centred on the screen, that
// plays the card clip while the card is read or written. Modeless; every
// card operation of the card dialog runs inside one (see WaitWindow).
#include <QDialog>

#include <memory>

class AnimateWidget;

class TForm_await : public QDialog {
    Q_OBJECT
public:
    // Loads StartFolder + "/ico/palmpilot.avi"; a missing clip leaves the
    // animation empty.
    TForm_await(const QString& startFolder, QWidget* owner);

    // Plays frames 1 to LastFrame over and over.
    void StartAnimation();

    static constexpr int LastFrame = 19;
    static constexpr int OuterWidth = 296;
    static constexpr int OuterHeight = 109;

    AnimateWidget* Animate1;
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
