// SPDX-License-Identifier: GPL-3.0-or-later
#include "monitor/error_guard.h"

#include "platform/messages.h"

#include <QApplication>
#include <QString>
#include <QWidget>
#include <stdexcept>

void ShowCurrentError() {
    QString text;
    try {
        throw;
    } catch (const std::exception& error) {
        text = QString::fromLocal8Bit(error.what());
    } catch (...) {
        // An error without a text still gets its (empty) box.
    }
    platform::Message message;
    message.text = text;
    message.icon = platform::MessageIcon::Error;
    // The window in front: the one whose command failed.
    message.owner = QApplication::activeWindow();
    platform::ShowMessage(message);
}
