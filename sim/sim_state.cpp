// SPDX-License-Identifier: GPL-3.0-or-later
#include "sim_state.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>

namespace metersim {
namespace {

void FreeLayout(State& s) {
    for (auto& d : s.devices) std::free(d.abi);
    for (auto* b : s.buses) std::free(b);
    s.devices.clear();
    s.buses.clear();
    usb_busses = nullptr;
}

}  // namespace

void ResetState(State& s) {
    FreeLayout(s);
    CloseCardImage(s);
    for (auto* h : s.handles) delete h;
    s.handles.clear();
    s.layoutGeneration++;
    s.busesFound = false;
    s.devicesFound = false;
    s.openMode = OpenMode::Ok;
    s.defaultSetupByte = 0;
    s.cardPresent = -1;
    s.levels.Reset();
    s.latencyMs = 0;
    s.cardImagePath.clear();
    s.controlPath.clear();
    s.controlDone.clear();
    s.logPath.clear();
    s.faults.clear();
    s.log.clear();
    s.violations = 0;
    s.lastViolation.clear();
    RestartClock(s);
    std::string ignored;
    SetLayout(s, "meter", ignored);
}

State& S() {
    // Created on first use and never destroyed: a late call during process
    // exit (after static destructors) still finds it.
    static State* state = nullptr;
    static std::once_flag once;
    std::call_once(once, [] {
        state = new State();
        ResetState(*state);
        std::string error;
        if (!LoadEnvironment(*state, error)) std::fprintf(stderr, "metersim: %s\n", error.c_str());
    });
    return *state;
}

bool SetLayout(State& s, const std::string& layoutIn, std::string& error) {
    // Buses are separated by ',', devices on one bus by '+'.
    // Device words: meter[:setupbyte], other, impostor. "none": one empty
    // bus; "nobus": no bus at all.
    std::string layout;
    for (char c : layoutIn)
        if (c != ' ' && c != '\t') layout += c;
    struct Planned { DeviceKind kind; int bus; int setup; };
    std::vector<Planned> planned;
    int busCount = 0;
    if (layout == "nobus") {
        busCount = 0;
    } else if (layout == "none" || layout.empty()) {
        busCount = 1;
    } else {
        std::size_t start = 0;
        while (start <= layout.size()) {
            std::size_t end = layout.find(',', start);
            if (end == std::string::npos) end = layout.size();
            std::string busText = layout.substr(start, end - start);
            std::size_t ds = 0;
            while (ds <= busText.size()) {
                std::size_t de = busText.find('+', ds);
                if (de == std::string::npos) de = busText.size();
                std::string word = busText.substr(ds, de - ds);
                Planned p{DeviceKind::Meter, busCount, -1};
                std::string setupText;
                if (auto colon = word.find(':'); colon != std::string::npos) {
                    setupText = word.substr(colon + 1);
                    word = word.substr(0, colon);
                }
                if (word == "meter") p.kind = DeviceKind::Meter;
                else if (word == "other") p.kind = DeviceKind::Other;
                else if (word == "impostor") p.kind = DeviceKind::Impostor;
                else if (word == "none" && busText == "none") { ds = de + 1; continue; }
                else {
                    error = "devices: unknown device '" + word + "'";
                    return false;
                }
                if (!setupText.empty()) {
                    long long v = 0;
                    if (p.kind != DeviceKind::Meter || !ParseInt(setupText, v) || v < 0 || v > 255) {
                        error = "devices: bad setup byte in '" + busText + "'";
                        return false;
                    }
                    p.setup = int(v);
                }
                planned.push_back(p);
                ds = de + 1;
            }
            busCount++;
            start = end + 1;
        }
    }

    FreeLayout(s);
    s.layoutGeneration++;
    s.busesFound = false;
    s.devicesFound = false;
    for (int b = 0; b < busCount; ++b) {
        auto* bus = static_cast<usb_bus*>(std::calloc(1, sizeof(usb_bus)));
        std::snprintf(bus->dirname, sizeof bus->dirname, "%03d", b + 1);
        bus->location = std::uint32_t(b + 1);
        s.buses.push_back(bus);
    }
    for (const auto& p : planned) {
        Device d;
        d.kind = p.kind;
        d.bus = p.bus;
        d.setupByte = p.setup >= 0 ? p.setup : s.defaultSetupByte;
        auto* dev = static_cast<struct usb_device*>(std::calloc(1, sizeof(struct usb_device)));
        dev->devnum = std::uint8_t(s.devices.size() + 2);  // 1 is the root hub
        std::snprintf(dev->filename, sizeof dev->filename, "%03d", int(dev->devnum));
        dev->bus = s.buses[std::size_t(p.bus)];
        auto& desc = dev->descriptor;
        desc.bLength = USB_DT_DEVICE_SIZE;
        desc.bDescriptorType = USB_DT_DEVICE;
        desc.bcdUSB = 0x0110;
        desc.bMaxPacketSize0 = 8;
        desc.bcdDevice = 0x0100;
        desc.bNumConfigurations = 1;
        if (p.kind == DeviceKind::Other) {
            desc.bDeviceClass = 0;
            desc.idVendor = 0x046D;   // some other maker's mouse
            desc.idProduct = 0xC077;
        } else {
            desc.bDeviceClass = USB_CLASS_VENDOR_SPEC;
            desc.idVendor = 0x16C0;
            desc.idProduct = 0x05DC;
        }
        d.abi = dev;
        s.devices.push_back(d);
    }
    return true;
}

int ReportedSetupByte(const State& s, const Device& d) {
    const bool card = s.cardPresent >= 0 ? s.cardPresent != 0 : !s.cardImagePath.empty();
    return (d.setupByte & ~0x40) | (card ? 0x40 : 0);
}

void Note(const State& s, const std::string& line) {
    if (s.logPath.empty()) return;
    if (FILE* f = std::fopen(s.logPath.c_str(), "a")) {
        std::fprintf(f, "%s\n", line.c_str());
        std::fclose(f);
    }
}

void Violation(State& s, const std::string& text) {
    s.violations++;
    s.lastViolation = text;
    Note(s, "# violation: " + text);
}

}  // namespace metersim
