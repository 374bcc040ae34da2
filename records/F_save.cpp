// SPDX-License-Identifier: GPL-3.0-or-later
#include "records/F_save.h"

namespace {

ClipWindowLook SaveLook() {
    return {QStringLiteral("FormSave"), QStringLiteral("Save File"), QStringLiteral("exchange.avi"),
            TFormSave::LastFrame,       QSize(290, 77),              QRect(8, 8, 272, 60),
            QSize(290, 77)};
}

}  // namespace

TFormSave::TFormSave(const QString& startFolder, QWidget* owner) : ClipWindow(SaveLook(), startFolder, owner) {}
