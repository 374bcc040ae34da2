// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The one place the program tells the user something without waiting for
// an answer: a notice stays on screen while the program goes on (a running
// recording keeps taking its readings under it). At most one notice is on
// screen at a time; showing another replaces the text of the one there.
// The window toolkit's version is installed with the other seams
// (platform/widgets_seams.h); tests install a recorder (platform/testing/).
#include "messages.h"

#include <QObject>
#include <QString>

namespace platform {

struct Notice {
    QString caption;            // empty: the application's title
    QString text;
    MessageIcon icon = MessageIcon::None;
    QObject* owner = nullptr;   // the window it stands in front of; nullptr: none
};

class Notices {
public:
    virtual ~Notices() = default;
    // Shows the notice, or puts its text into the one already on screen,
    // and returns at once.
    virtual void Show(const Notice& notice) = 0;
    // True while a notice is on screen (the user has not closed it yet).
    virtual bool OnScreen() const = 0;
};

void ShowNotice(const Notice& notice);
bool NoticeOnScreen();

// Installs the notices; nullptr puts back the fallback, which writes the
// text to standard error and keeps nothing on screen. Not owned.
void SetNotices(Notices* notices);

}  // namespace platform
