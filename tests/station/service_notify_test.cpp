// SPDX-License-Identifier: GPL-3.0-or-later
// The service manager seam's system version, through libsystemd's
// sd_notify, into a notification socket of the test's own: READY, WATCHDOG,
// STOPPING, a status line; nothing without NOTIFY_SOCKET; the watchdog's
// timeout from WATCHDOG_USEC for this process only.
#include "notify_socket.h"
#include "platform/service_notify.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>

#include <cstdlib>

namespace {

class ServiceNotify : public ::testing::Test {
protected:
    void SetUp() override {
        socket_.emplace(dir_.filePath(QStringLiteral("notify")).toStdString());
        ::setenv("NOTIFY_SOCKET", socket_->Path().c_str(), 1);
    }
    void TearDown() override {
        ::unsetenv("NOTIFY_SOCKET");
        ::unsetenv("WATCHDOG_USEC");
        ::unsetenv("WATCHDOG_PID");
    }
    QTemporaryDir dir_;
    std::optional<NotifySocket> socket_;
};

TEST_F(ServiceNotify, TheSocketSeesReadyWatchdogStatusAndStopping) {
    EXPECT_TRUE(platform::NotifyServiceReady());
    EXPECT_EQ(socket_->Receive(2000), "READY=1");
    EXPECT_TRUE(platform::NotifyServiceWatchdog());
    EXPECT_EQ(socket_->Receive(2000), "WATCHDOG=1");
    EXPECT_TRUE(platform::NotifyServiceStatus("2 meters\nlast reading 65.2 dB"));
    EXPECT_EQ(socket_->Receive(2000), "STATUS=2 meters last reading 65.2 dB");
    EXPECT_TRUE(platform::NotifyServiceReloading());
    EXPECT_EQ(socket_->Receive(2000), "RELOADING=1");
    EXPECT_TRUE(platform::NotifyServiceStopping());
    EXPECT_EQ(socket_->Receive(2000), "STOPPING=1");
    // The variable stays for later messages (sd_notify is told not to unset it).
    EXPECT_NE(std::getenv("NOTIFY_SOCKET"), nullptr);
}

TEST_F(ServiceNotify, WithoutASocketNothingIsSentAndNothingFails) {
    ::unsetenv("NOTIFY_SOCKET");
    EXPECT_FALSE(platform::NotifyServiceReady());
    EXPECT_FALSE(platform::NotifyServiceWatchdog());
    EXPECT_EQ(socket_->Receive(100), std::nullopt);
}

TEST_F(ServiceNotify, WatchdogTimeoutIsThisProcesssOnly) {
    EXPECT_EQ(platform::ServiceWatchdogTimeout().count(), 0);
    ::setenv("WATCHDOG_USEC", "30000000", 1);
    EXPECT_EQ(platform::ServiceWatchdogTimeout(), std::chrono::seconds(30));
    ::setenv("WATCHDOG_PID", std::to_string(::getpid()).c_str(), 1);
    EXPECT_EQ(platform::ServiceWatchdogTimeout(), std::chrono::seconds(30));
    // Inherited from a parent that the watchdog watches: not ours.
    ::setenv("WATCHDOG_PID", std::to_string(::getppid()).c_str(), 1);
    EXPECT_EQ(platform::ServiceWatchdogTimeout().count(), 0);
}

TEST(ServiceStatus, LineBreaksCannotStartAnotherAssignment) {
    EXPECT_EQ(platform::StatusAssignment("ok\nREADY=1\r\n"), "STATUS=ok READY=1  ");
}

}  // namespace
