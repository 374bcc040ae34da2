// SPDX-License-Identifier: GPL-3.0-or-later
#include "records/F_open.h"

namespace {

ClipWindowLook OpenLook() {
    return {QStringLiteral("Form_MOpen"), QStringLiteral("Open File"), QStringLiteral("Open.avi"),
            TForm_MOpen::LastFrame,       QSize(275, 67),              QRect(8, 16, 260, 40),
            QSize(275, 67)};
}

}  // namespace

TForm_MOpen::TForm_MOpen(const QString& startFolder, QWidget* owner) : ClipWindow(OpenLook(), startFolder, owner) {}
