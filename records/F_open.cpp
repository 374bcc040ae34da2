// SPDX-License-Identifier: GPL-3.0-or-later
#include "records/F_open.h"

namespace {

ClipWindowLook OpenLook() {
    return {.objectName = QStringLiteral("Form_MOpen"),
            .caption = QStringLiteral("Open File"),
            .clipFile = QStringLiteral("Open.avi"),
            .lastFrame = TForm_MOpen::LastFrame,
            .clientSize = QSize(275, 67),
            .clipPlace = QRect(8, 16, 260, 40),
            .centredSize = QSize(275, 67)};
}

}  // namespace

TForm_MOpen::TForm_MOpen(const QString& startFolder, QWidget* owner) : ClipWindow(OpenLook(), startFolder, owner) {}
