// SPDX-License-Identifier: GPL-3.0-or-later
#include "desktop_notifier.h"
#include "notices.h"

#include <QApplication>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QSystemTrayIcon>
#include <QVariantMap>

namespace platform {

DBusDesktopNotifier::DBusDesktopNotifier(QDBusConnection bus, Fallback fallback)
    : bus_(std::move(bus)), fallback_(std::move(fallback)) {}

DBusDesktopNotifier::~DBusDesktopNotifier() { delete tray_; }

void DBusDesktopNotifier::Notify(const DesktopNotification& n) {
    if (!bus_.isConnected()) {
        fallback_ ? fallback_(n) : ShowInTray(n);
        return;
    }
    QDBusMessage call = QDBusMessage::createMethodCall(Service, Path, Service, QStringLiteral("Notify"));
    QVariantMap hints;
    // The urgency hint is a byte: 0 low, 1 normal, 2 critical.
    hints.insert(QStringLiteral("urgency"), QVariant::fromValue(uchar(n.urgency)));
    const QString app = QApplication::applicationName();
    call << app << uint(0) << QString() << n.summary << n.body << QStringList() << hints << int(-1);
    QDBusPendingCallWatcher* watcher = new QDBusPendingCallWatcher(bus_.asyncCall(call), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this, n](QDBusPendingCallWatcher* w) {
        w->deleteLater();
        if (!w->isError()) return;
        fallback_ ? fallback_(n) : ShowInTray(n);
    });
}

void DBusDesktopNotifier::ShowInTray(const DesktopNotification& n) {
    if (!QSystemTrayIcon::isSystemTrayAvailable()) {
        Notice notice;
        notice.caption = n.summary;
        notice.text = n.body.isEmpty() ? n.summary : n.body;
        notice.icon = n.urgency == DesktopNotification::Urgency::Critical ? MessageIcon::Warning
                                                                          : MessageIcon::Information;
        ShowNotice(notice);
        return;
    }
    if (!tray_) {
        tray_ = new QSystemTrayIcon(QApplication::windowIcon());
        tray_->setToolTip(QApplication::applicationName());
    }
    tray_->show();
    tray_->showMessage(n.summary, n.body,
                       n.urgency == DesktopNotification::Urgency::Critical ? QSystemTrayIcon::Warning
                                                                           : QSystemTrayIcon::Information);
}

void InstallDesktopNotifier() {
    static DBusDesktopNotifier* notifier = new DBusDesktopNotifier();  // lives as long as the program
    SetDesktopNotifier(notifier);
}

}  // namespace platform
