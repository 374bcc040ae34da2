// SPDX-License-Identifier: GPL-3.0-or-later
#include "sdcard/Await.h"

#include "ico/animate_widget.h"

#include <QDir>
#include <QGuiApplication>
#include <QScreen>

namespace {

// The frame the window system adds around the client area of a dialog
// (borders and caption), so the whole window comes to its outer size.
constexpr int FrameWidth = 16;
constexpr int FrameHeight = 39;

}  // namespace

TForm_await::TForm_await(const QString& startFolder, QWidget* owner) : QDialog(owner) {
    setObjectName(QStringLiteral("Form_await"));
    setWindowTitle(QStringLiteral("please wait."));
    setModal(false);
    setFixedSize(OuterWidth - FrameWidth, OuterHeight - FrameHeight);
    Animate1 = new AnimateWidget(this);
    Animate1->setObjectName(QStringLiteral("Animate1"));
    Animate1->setGeometry(8, 8, 272, 60);
    Animate1->Open(startFolder + QDir::separator() + QStringLiteral("ico") + QDir::separator() +
                   QStringLiteral("palmpilot.avi"));
    if (QScreen* screen = QGuiApplication::primaryScreen()) {
        QRect frame(QPoint(), QSize(OuterWidth, OuterHeight));
        frame.moveCenter(screen->availableGeometry().center());
        move(frame.topLeft());
    }
}

void TForm_await::StartAnimation() { Animate1->Play(1, LastFrame, 0); }

WaitWindow::WaitWindow(const QString& startFolder, QWidget* owner)
    : window_(std::make_unique<TForm_await>(startFolder, owner)) {
    window_->show();
    window_->StartAnimation();
}

WaitWindow::~WaitWindow() {
    window_->Animate1->Stop();
}
