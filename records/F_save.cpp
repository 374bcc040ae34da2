// SPDX-License-Identifier: GPL-3.0-or-later
#include "records/F_save.h"

namespace {

ClipWindowLook SaveLook() {
    return {.objectName = QStringLiteral("FormSave"),
            .caption = QStringLiteral("Save File"),
            .clipFile = QStringLiteral("exchange.avi"),
            .lastFrame = TFormSave::LastFrame,
            .clientSize = QSize(290, 77),
            .clipPlace = QRect(8, 8, 272, 60),
            .centredSize = QSize(290, 77)};
}

}  // namespace

TFormSave::TFormSave(const QString& startFolder, QWidget* owner) : ClipWindow(SaveLook(), startFolder, owner) {}
