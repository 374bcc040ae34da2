// SPDX-License-Identifier: GPL-3.0-or-later
#include "records/F_save.h"

#include "ico/animate_widget.h"

#include <QDir>
#include <QGuiApplication>
#include <QScreen>

TFormSave::TFormSave(const QString& startFolder, QWidget* owner) : QDialog(owner) {
    setObjectName(QStringLiteral("FormSave"));
    setWindowTitle(QStringLiteral("Save File"));
    setModal(false);
    setFixedSize(290, 77);
    Animate1 = new AnimateWidget(this);
    Animate1->setObjectName(QStringLiteral("Animate1"));
    Animate1->setGeometry(8, 8, 272, 60);
    Animate1->Open(startFolder + QDir::separator() + QStringLiteral("ico") + QDir::separator() +
                   QStringLiteral("exchange.avi"));
    if (QScreen* screen = QGuiApplication::primaryScreen()) {
        QRect frame(QPoint(), size());
        frame.moveCenter(screen->availableGeometry().center());
        move(frame.topLeft());
    }
}

void TFormSave::StartAnimation() { Animate1->Play(1, LastFrame, 0); }

void TFormSave::StopAnimation() { Animate1->Stop(); }
