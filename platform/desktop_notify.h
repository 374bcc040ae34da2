// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The one place the program tells the desktop something: a notification
// in the desktop's own corner (an alarm went off while nobody watched the
// window). It returns at once and asks nothing. The system version
// (desktop_notifier.h, in the window library) sends a freedesktop
// notification over D-Bus and falls back to the tray icon's message where
// no notification service answers; tests install a recorder
// (platform/testing/).
#include <QString>

namespace platform {

struct DesktopNotification {
    enum class Urgency { Low, Normal, Critical };
    QString summary;   // one line ("Alarm: LAS at or above 65.0 dB")
    QString body;      // details, plain text
    Urgency urgency = Urgency::Normal;
};

class DesktopNotifier {
public:
    virtual ~DesktopNotifier() = default;
    virtual void Notify(const DesktopNotification& notification) = 0;
};

void NotifyDesktop(const DesktopNotification& notification);

// Installs the notifier; nullptr puts back the fallback, which writes the
// text to standard error. Not owned.
void SetDesktopNotifier(DesktopNotifier* notifier);

}  // namespace platform
