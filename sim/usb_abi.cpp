// SPDX-License-Identifier: GPL-3.0-or-later
// The libusb 0.1 functions, with Debian's struct layouts, answered by the
// simulated devices. Bus and device lists follow libusb 0.1: nothing is
// listed before usb_find_busses, and a bus's devices are those present at
// the last usb_find_devices.
#include "sim_state.h"

#include <algorithm>
#include <cstring>
#include <string>

SIM_EXPORT struct usb_bus* usb_busses = nullptr;

namespace metersim {
namespace {

void Publish(State& s, bool takeDeviceSnapshot) {
    usb_bus* previousBus = nullptr;
    for (std::size_t b = 0; b < s.buses.size(); ++b) {
        usb_bus* bus = s.buses[b];
        bus->prev = previousBus;
        bus->next = nullptr;
        if (previousBus) previousBus->next = bus;
        previousBus = bus;
        if (!takeDeviceSnapshot) continue;
        struct usb_device* previous = nullptr;
        bus->devices = nullptr;
        for (auto& d : s.devices) {
            if (d.bus != int(b) || !d.plugged) continue;
            d.abi->prev = previous;
            d.abi->next = nullptr;
            if (previous) previous->next = d.abi;
            else bus->devices = d.abi;
            previous = d.abi;
        }
    }
    usb_busses = (s.busesFound && !s.buses.empty()) ? s.buses.front() : nullptr;
}

Handle* FindHandle(State& s, usb_dev_handle* raw) {
    if (!raw) return nullptr;
    // Newest first: the program opens a handle a second, so a day's run
    // holds tens of thousands and the one in use is nearly always the last.
    for (auto it = s.handles.rbegin(); it != s.handles.rend(); ++it)
        if (reinterpret_cast<void*>(*it) == reinterpret_cast<void*>(raw)) return *it;
    return nullptr;
}

}  // namespace
}  // namespace metersim

using namespace metersim;

extern "C" {

SIM_EXPORT void usb_init(void) { PollControlFile(S()); }

SIM_EXPORT void usb_set_debug(int) {}

SIM_EXPORT int usb_find_busses(void) {
    State& s = S();
    PollControlFile(s);
    const bool first = !s.busesFound;
    s.busesFound = true;
    Publish(s, false);
    return first ? int(s.buses.size()) : 0;
}

SIM_EXPORT int usb_find_devices(void) {
    State& s = S();
    PollControlFile(s);
    if (!s.busesFound) return 0;   // libusb 0.1 looks only on the buses it knows
    s.devicesFound = true;
    Publish(s, true);
    return 0;
}

SIM_EXPORT struct usb_bus* usb_get_busses(void) {
    (void)S();
    return usb_busses;
}

SIM_EXPORT usb_dev_handle* usb_open(struct usb_device* dev) {
    State& s = S();
    PollControlFile(s);
    auto it = std::find_if(s.devices.begin(), s.devices.end(), [&](const Device& d) { return dev && d.abi == dev; });
    if (it == s.devices.end()) {
        Violation(s, "usb_open of a device that is not in the bus list");
        return nullptr;
    }
    const int device = int(it - s.devices.begin()) + 1;
    if (!it->plugged || s.openMode == OpenMode::Null) {
        Note(s, "# t_ms=" + std::to_string(NowNs(s) / 1000000) + " usb_open dev=" + std::to_string(device) + " failed");
        return nullptr;
    }
    auto* h = new Handle();
    h->device = int(it - s.devices.begin());
    h->generation = it->generation;
    h->layout = s.layoutGeneration;
    h->badFd = s.openMode == OpenMode::Ebadf;
    s.handles.push_back(h);
    h->number = int(s.handles.size());
    Note(s, "# t_ms=" + std::to_string(NowNs(s) / 1000000) + " usb_open dev=" + std::to_string(device) +
                " handle=" + std::to_string(s.handles.size()) + (h->badFd ? " (transfers fail: EBADF)" : ""));
    return reinterpret_cast<usb_dev_handle*>(h);
}

SIM_EXPORT int usb_close(usb_dev_handle* raw) {
    State& s = S();
    Handle* h = FindHandle(s, raw);
    if (!h) {
        Violation(s, "usb_close of an unknown handle");
        return ResultBadHandle;
    }
    if (!h->open) {
        Violation(s, "usb_close of a handle already closed");
        return ResultBadHandle;
    }
    h->open = false;
    Note(s, "# t_ms=" + std::to_string(NowNs(s) / 1000000) + " usb_close handle=" + std::to_string(h->number));
    return 0;
}

SIM_EXPORT int usb_control_msg(usb_dev_handle* raw, int requesttype, int request, int value, int index,
                               char* bytes, int size, int timeout) {
    State& s = S();
    PollControlFile(s);
    int device = 0;
    return Transfer(s, FindHandle(s, raw), requesttype, request, value, index, bytes, size, timeout, device);
}

SIM_EXPORT struct usb_device* usb_device(usb_dev_handle* raw) {
    State& s = S();
    Handle* h = FindHandle(s, raw);
    if (!h || h->layout != s.layoutGeneration) return nullptr;
    return s.devices[std::size_t(h->device)].abi;
}

SIM_EXPORT char* usb_strerror(void) {
    static char text[] = "simulated meter: see the request log";
    return text;
}

}  // extern "C"
