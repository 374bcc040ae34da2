// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The one place the program shows a message box. The window toolkit's
// version is installed by the program at start-up (platform/widgets_seams.h);
// tests install a recorder with scripted answers (platform/testing/).
#include <QObject>
#include <QString>

namespace platform {

enum class MessageIcon { None, Information, Warning, Error, Question };

// Buttons, combinable as flags; Show returns one of them.
enum MessageButton : int { Ok = 1, Cancel = 2, Yes = 4, No = 8 };

struct Message {
    QString caption;            // empty: the application's title
    QString text;
    MessageIcon icon = MessageIcon::None;
    int buttons = Ok;
    QObject* owner = nullptr;   // the window that owns the box; nullptr: none
};

class MessageBoxes {
public:
    virtual ~MessageBoxes() = default;
    // Shows the box modally and returns the button pressed (Cancel when
    // the box was closed without a button, if it has Cancel; else the
    // first button it has).
    virtual int Show(const Message& message) = 0;
};

int ShowMessage(const Message& message);

// Shorthand for a plain box with one OK button.
void ShowPlainMessage(const QString& text, QObject* owner = nullptr);

// Shorthand for a box with a caption (empty: the application's title), an
// icon and buttons; returns the button pressed.
int ShowBox(QObject* owner, const QString& caption, const QString& text, MessageIcon icon = MessageIcon::None,
            int buttons = Ok);

// Installs the message boxes; nullptr puts back the fallback, which writes
// the text to standard error and answers with the box's first button.
void SetMessageBoxes(MessageBoxes* boxes);

}  // namespace platform
