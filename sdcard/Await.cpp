// SPDX-License-Identifier: GPL-3.0-or-later
#include "sdcard/Await.h"

namespace {

// The frame the window system adds around the client area of a dialog
// (borders and caption), so the whole window comes to its outer size.
constexpr int FrameWidth = 16;
constexpr int FrameHeight = 39;

ClipWindowLook WaitLook() {
    const QSize outer(TForm_await::OuterWidth, TForm_await::OuterHeight);
    return {.objectName = QStringLiteral("Form_await"),
            .caption = QStringLiteral("please wait."),
            .clipFile = QStringLiteral("palmpilot.avi"),
            .lastFrame = TForm_await::LastFrame,
            .clientSize = outer - QSize(FrameWidth, FrameHeight),
            .clipPlace = QRect(8, 8, 272, 60),
            .centredSize = outer};
}

}  // namespace

TForm_await::TForm_await(const QString& startFolder, QWidget* owner) : ClipWindow(WaitLook(), startFolder, owner) {}

WaitWindow::WaitWindow(const QString& startFolder, QWidget* owner)
    : window_(std::make_unique<TForm_await>(startFolder, owner)) {
    window_->show();
    window_->StartAnimation();
}

WaitWindow::~WaitWindow() { window_->StopAnimation(); }
