// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A service manager that keeps what it was told, for tests of the code that
// notifies (the station). Installs itself for its own lifetime.
#include "../service_notify.h"

#include <algorithm>
#include <string>
#include <vector>

namespace platform::testing {

class ServiceRecorder final : public ServiceManager {
public:
    ServiceRecorder() { SetServiceManager(this); }
    ~ServiceRecorder() override { SetServiceManager(nullptr); }
    ServiceRecorder(const ServiceRecorder&) = delete;
    ServiceRecorder& operator=(const ServiceRecorder&) = delete;

    bool Notify(std::string_view assignments) override {
        sent.emplace_back(assignments);
        return true;
    }
    std::chrono::microseconds WatchdogTimeout() const override { return watchdogTimeout; }

    int Count(const std::string& assignments) const {
        return int(std::count(sent.begin(), sent.end(), assignments));
    }
    // The text of the latest STATUS=, empty when none was sent.
    std::string LastStatus() const {
        for (auto it = sent.rbegin(); it != sent.rend(); ++it)
            if (it->rfind("STATUS=", 0) == 0) return it->substr(7);
        return {};
    }

    std::vector<std::string> sent;  // every message, in order
    std::chrono::microseconds watchdogTimeout{0};
};

}  // namespace platform::testing
