// SPDX-License-Identifier: GPL-3.0-or-later
#include "ico/clip_window.h"

#include "ico/animate_widget.h"

#include <QDir>
#include <QGuiApplication>
#include <QScreen>

ClipWindow::ClipWindow(const ClipWindowLook& look, const QString& startFolder, QWidget* owner)
    : QDialog(owner), lastFrame_(look.lastFrame) {
    setObjectName(look.objectName);
    setWindowTitle(look.caption);
    setModal(false);
    setFixedSize(look.clientSize);
    Animate1 = new AnimateWidget(this);
    Animate1->setObjectName(QStringLiteral("Animate1"));
    Animate1->setGeometry(look.clipPlace);
    Animate1->Open(startFolder + QDir::separator() + QStringLiteral("ico") + QDir::separator() + look.clipFile);
    if (QScreen* screen = QGuiApplication::primaryScreen()) {
        QRect frame(QPoint(), look.centredSize);
        frame.moveCenter(screen->availableGeometry().center());
        move(frame.topLeft());
    }
}

void ClipWindow::StartAnimation() { Animate1->Play(1, lastFrame_, 0); }

void ClipWindow::StopAnimation() { Animate1->Stop(); }
