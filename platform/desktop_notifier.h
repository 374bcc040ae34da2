// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The desktop's notifications: a freedesktop Notify call over D-Bus, sent
// without waiting for the answer (a busy or missing service never holds up
// a tick). When the call fails (no session bus, no notification service)
// the notification goes to the fallback instead: by default the tray icon's
// message where there is a tray, else a notice.
#include "desktop_notify.h"

#include <QDBusConnection>
#include <QObject>
#include <functional>

class QSystemTrayIcon;

namespace platform {

class DBusDesktopNotifier final : public QObject, public DesktopNotifier {
    Q_OBJECT
public:
    using Fallback = std::function<void(const DesktopNotification&)>;
    // `bus`: the session bus in the program, a private bus in tests.
    // `fallback`: empty for the tray icon (or a notice without a tray).
    explicit DBusDesktopNotifier(QDBusConnection bus = QDBusConnection::sessionBus(), Fallback fallback = {});
    ~DBusDesktopNotifier() override;

    void Notify(const DesktopNotification& notification) override;

    static constexpr const char* Service = "org.freedesktop.Notifications";
    static constexpr const char* Path = "/org/freedesktop/Notifications";

private:
    void ShowInTray(const DesktopNotification& notification);

    QDBusConnection bus_;
    Fallback fallback_;
    QSystemTrayIcon* tray_ = nullptr;
};

// Installs the D-Bus notifier on the session bus (once, at start-up).
void InstallDesktopNotifier();

}  // namespace platform
