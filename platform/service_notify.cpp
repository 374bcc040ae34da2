// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/service_notify.h"

#include <systemd/sd-daemon.h>

#include <cstdint>

namespace platform {
namespace {

class SystemdManager final : public ServiceManager {
public:
    bool Notify(std::string_view assignments) override {
        const std::string state(assignments);
        // 0: keep NOTIFY_SOCKET, so later messages (the watchdog) still
        // reach the manager. sd_notify returns 0 when there is no socket.
        return sd_notify(0, state.c_str()) > 0;
    }
    std::chrono::microseconds WatchdogTimeout() const override {
        std::uint64_t usec = 0;
        // Also checks WATCHDOG_PID, so a child that inherited the variables
        // does not think the watchdog is its own.
        if (sd_watchdog_enabled(0, &usec) <= 0) return std::chrono::microseconds(0);
        return std::chrono::microseconds(std::int64_t(usec));
    }
};

SystemdManager systemdManager;
ServiceManager* currentManager = &systemdManager;

}  // namespace

std::string StatusAssignment(std::string_view text) {
    std::string state = "STATUS=";
    state.reserve(state.size() + text.size());
    for (char c : text) state += (c == '\n' || c == '\r') ? ' ' : c;
    return state;
}

bool NotifyServiceReady() { return currentManager->Notify("READY=1"); }
bool NotifyServiceWatchdog() { return currentManager->Notify("WATCHDOG=1"); }
bool NotifyServiceStopping() { return currentManager->Notify("STOPPING=1"); }
bool NotifyServiceReloading() { return currentManager->Notify("RELOADING=1"); }
bool NotifyServiceStatus(std::string_view text) { return currentManager->Notify(StatusAssignment(text)); }

std::chrono::microseconds ServiceWatchdogTimeout() { return currentManager->WatchdogTimeout(); }

void SetServiceManager(ServiceManager* manager) { currentManager = manager ? manager : &systemdManager; }

}  // namespace platform
