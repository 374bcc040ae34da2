// SPDX-License-Identifier: GPL-3.0-or-later
#include "device/meter_use.h"

#include <algorithm>
#include <vector>

namespace device {
namespace {

int holds = 0;

std::vector<MeterUseListener*>& Listeners() {
    static std::vector<MeterUseListener*> listeners;
    return listeners;
}

}  // namespace

void MeterUse::Tell(bool inUse) {
    // Walked over a copy, and each looked up again before it is told: a
    // listener may register or unregister another.
    const std::vector<MeterUseListener*> snapshot = Listeners();
    for (MeterUseListener* listener : snapshot) {
        const auto& now = Listeners();
        if (std::find(now.begin(), now.end(), listener) == now.end()) continue;
        if (listener->onChange_) listener->onChange_(inUse);
    }
}

MeterUse::MeterUse() {
    if (++holds == 1) Tell(true);
}

MeterUse::~MeterUse() {
    if (--holds == 0) Tell(false);
}

int MeterUse::HoldCount() { return holds; }

MeterUseListener::MeterUseListener(Callback onChange) : onChange_(std::move(onChange)) {
    Listeners().push_back(this);
}

MeterUseListener::~MeterUseListener() {
    auto& listeners = Listeners();
    listeners.erase(std::remove(listeners.begin(), listeners.end(), this), listeners.end());
}

}  // namespace device
