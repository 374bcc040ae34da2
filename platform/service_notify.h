// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The one place a program tells the service manager how it is doing: ready,
// still alive (the watchdog), stopping, reloading, and a one-line status.
// The system version sends them with libsystemd's sd_notify(3) to the socket
// systemd names in NOTIFY_SOCKET; without that variable (started by hand, or
// as a unit of another Type) every message goes nowhere, at no cost. Tests
// install a recorder (platform/testing/service_recorder.h), or point
// NOTIFY_SOCKET at a socket of their own.
//
// Plain C++ and libsystemd, no Qt: the station links it without Qt Gui.
#include <chrono>
#include <string>
#include <string_view>

namespace platform {

class ServiceManager {
public:
    virtual ~ServiceManager() = default;
    // One message of newline-separated assignments ("READY=1",
    // "STATUS=recording"). True when it was sent.
    virtual bool Notify(std::string_view assignments) = 0;
    // How often the manager wants to hear WATCHDOG=1 at the latest; zero
    // when no watchdog watches this process.
    virtual std::chrono::microseconds WatchdogTimeout() const = 0;
};

// READY=1: started (recording, or waiting for a meter).
bool NotifyServiceReady();
// WATCHDOG=1: still alive. Send it from the work that must not hang.
bool NotifyServiceWatchdog();
// STOPPING=1: shutting down on request.
bool NotifyServiceStopping();
// RELOADING=1: rereading the configuration; send NotifyServiceReady after.
bool NotifyServiceReloading();
// STATUS=text: the line `systemctl status` shows. A line break in `text`
// would start a new assignment, so breaks become spaces.
bool NotifyServiceStatus(std::string_view text);

// The watchdog's timeout, zero when there is none (sd_watchdog_enabled(3)).
// Feed it well within the timeout: half of it is the usual period.
std::chrono::microseconds ServiceWatchdogTimeout();

// The STATUS assignment as sent: "STATUS=" and `text` with line breaks as spaces.
std::string StatusAssignment(std::string_view text);

// Installs a service manager; nullptr puts the system one back. Not owned.
void SetServiceManager(ServiceManager* manager);

}  // namespace platform
