// SPDX-License-Identifier: GPL-3.0-or-later
// Desktop notifications over D-Bus, against a notification service of our
// own on a private bus (a dbus-daemon started for the test), so no desktop
// is needed: what the service receives, and the fallback when there is no
// service or no bus.
#include "platform/desktop_notifier.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QProcess>
#include <QTest>
#include <QVariantMap>
#include <gtest/gtest.h>

#include <vector>

namespace {

using platform::DesktopNotification;

class FakeNotificationService : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")
public:
    struct Call { QString app, summary, body; QVariantMap hints; int timeout; };
    std::vector<Call> calls;

public slots:
    uint Notify(const QString& app, uint, const QString&, const QString& summary, const QString& body,
                const QStringList&, const QVariantMap& hints, int timeout) {
        calls.push_back({app, summary, body, hints, timeout});
        return uint(calls.size());
    }
};

class DesktopNotifierOverDBus : public ::testing::Test {
protected:
    void SetUp() override {
        daemon.start(QStringLiteral("dbus-daemon"),
                     {QStringLiteral("--session"), QStringLiteral("--nofork"), QStringLiteral("--print-address=1")});
        ASSERT_TRUE(daemon.waitForStarted(10000)) << "dbus-daemon is missing (scripts/deps installs it)";
        ASSERT_TRUE(QTest::qWaitFor([&] { return daemon.canReadLine(); }, 10000));
        address = QString::fromLatin1(daemon.readLine()).trimmed();
        ASSERT_FALSE(address.isEmpty());
    }
    void TearDown() override {
        for (const char* name : {"qv-service", "qv-client"}) QDBusConnection::disconnectFromBus(QString::fromLatin1(name));
        daemon.kill();
        daemon.waitForFinished(5000);
    }
    QDBusConnection Connect(const char* name) { return QDBusConnection::connectToBus(address, QString::fromLatin1(name)); }

    QProcess daemon;
    QString address;
    std::vector<DesktopNotification> fellBack;
    platform::DBusDesktopNotifier::Fallback fallback = [this](const DesktopNotification& n) { fellBack.push_back(n); };
};

TEST_F(DesktopNotifierOverDBus, TheServiceReceivesSummaryBodyAndUrgency) {
    QDBusConnection service = Connect("qv-service");
    ASSERT_TRUE(service.isConnected());
    FakeNotificationService fake;
    ASSERT_TRUE(service.registerObject(platform::DBusDesktopNotifier::Path, &fake, QDBusConnection::ExportAllSlots));
    ASSERT_TRUE(service.registerService(platform::DBusDesktopNotifier::Service));

    platform::DBusDesktopNotifier notifier(Connect("qv-client"), fallback);
    notifier.Notify({QStringLiteral("Alarm: LA at or above 65.0 dB"), QStringLiteral("since 10:00:00"),
                     DesktopNotification::Urgency::Critical});
    notifier.Notify({QStringLiteral("Alarm over"), QString(), DesktopNotification::Urgency::Low});
    ASSERT_TRUE(QTest::qWaitFor([&] { return fake.calls.size() == 2; }, 10000));
    EXPECT_EQ(fake.calls[0].app, "Quorvane");
    EXPECT_EQ(fake.calls[0].summary, "Alarm: LA at or above 65.0 dB");
    EXPECT_EQ(fake.calls[0].body, "since 10:00:00");
    EXPECT_EQ(fake.calls[0].hints.value(QStringLiteral("urgency")).toInt(), 2);
    EXPECT_EQ(fake.calls[0].timeout, -1);
    EXPECT_EQ(fake.calls[1].summary, "Alarm over");
    EXPECT_EQ(fake.calls[1].hints.value(QStringLiteral("urgency")).toInt(), 0);
    QTest::qWait(50);  // the replies come back: no fallback
    EXPECT_TRUE(fellBack.empty());
}

TEST_F(DesktopNotifierOverDBus, NoServiceOnTheBusFallsBack) {
    platform::DBusDesktopNotifier notifier(Connect("qv-client"), fallback);
    notifier.Notify({QStringLiteral("Alarm"), QStringLiteral("body"), DesktopNotification::Urgency::Normal});
    ASSERT_TRUE(QTest::qWaitFor([&] { return !fellBack.empty(); }, 10000));
    ASSERT_EQ(fellBack.size(), 1u);
    EXPECT_EQ(fellBack[0].summary, "Alarm");
    EXPECT_EQ(fellBack[0].body, "body");
}

TEST(DesktopNotifierWithoutBus, FallsBackAtOnce) {
    std::vector<DesktopNotification> fellBack;
    platform::DBusDesktopNotifier notifier(QDBusConnection(QStringLiteral("qv-never-connected")),
                                           [&](const DesktopNotification& n) { fellBack.push_back(n); });
    notifier.Notify({QStringLiteral("Alarm"), QString(), DesktopNotification::Urgency::Normal});
    ASSERT_EQ(fellBack.size(), 1u);
    EXPECT_EQ(fellBack[0].summary, "Alarm");
}

}  // namespace

#include "notifier_test.moc"
