// SPDX-License-Identifier: GPL-3.0-or-later
#include "records/F_open.h"

#include "ico/animate_widget.h"

#include <QDir>
#include <QGuiApplication>
#include <QScreen>

TForm_MOpen::TForm_MOpen(const QString& startFolder, QWidget* owner) : QDialog(owner) {
    setObjectName(QStringLiteral("Form_MOpen"));
    setWindowTitle(QStringLiteral("Open File"));
    setModal(false);
    setFixedSize(275, 67);
    Animate1 = new AnimateWidget(this);
    Animate1->setObjectName(QStringLiteral("Animate1"));
    Animate1->setGeometry(8, 16, 260, 40);
    Animate1->Open(startFolder + QDir::separator() + QStringLiteral("ico") + QDir::separator() +
                   QStringLiteral("Open.avi"));
    if (QScreen* screen = QGuiApplication::primaryScreen()) {
        QRect frame(QPoint(), size());
        frame.moveCenter(screen->availableGeometry().center());
        move(frame.topLeft());
    }
}

void TForm_MOpen::StartAnimation() { Animate1->Play(1, LastFrame, 0); }

void TForm_MOpen::StopAnimation() { Animate1->Stop(); }
