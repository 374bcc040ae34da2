// SPDX-License-Identifier: GPL-3.0-or-later
#include "appusb.h"

#include "platform/messages.h"

#include <usb.h>

#include <cstring>
#include <utility>
#include <vector>

namespace Appusb {
namespace {

// The one open device handle of the process, or none.
usb_dev_handle* deviceHandle = nullptr;

struct usb_device* FirstMeter(struct usb_bus** onBus) {
    for (struct usb_bus* bus = usb_get_busses(); bus; bus = bus->next) {
        for (struct usb_device* dev = bus->devices; dev; dev = dev->next) {
            if (dev->descriptor.idVendor == MeterVendorId && dev->descriptor.idProduct == MeterProductId) {
                *onBus = bus;
                return dev;
            }
        }
    }
    return nullptr;
}

FailureReporter& CurrentReporter() {
    static FailureReporter reporter = ShowDisconnectedBox;
    return reporter;
}

}  // namespace

void ShowDisconnectedBox(int) {
    platform::Message m;
    m.text = QString::fromUtf8(DisconnectedMessage);
    m.buttons = platform::Ok;
    m.owner = nullptr;
    platform::ShowMessage(m);
}

ScopedFailureReporter::ScopedFailureReporter(FailureReporter reporter)
    : previous_(std::exchange(CurrentReporter(), std::move(reporter))) {}

ScopedFailureReporter::~ScopedFailureReporter() { CurrentReporter() = std::move(previous_); }

int OpenMeter() { return OpenMeter(OpenVeto()); }

int OpenMeter(const OpenVeto& mayOpen) {
    if (deviceHandle) CloseMeter();
    // A full enumeration every time, so a meter plugged in or out since the
    // last call is seen. The results say nothing the bus list doesn't.
    usb_init();
    usb_find_busses();
    usb_find_devices();
    struct usb_bus* bus = nullptr;
    struct usb_device* meter = FirstMeter(&bus);
    if (!meter) return NoMeter;
    if (mayOpen && !mayOpen(bus->dirname, meter->filename)) return NoMeter;
    deviceHandle = usb_open(meter);
    return deviceHandle ? Opened : OpenFailed;
}

void CloseMeter() {
    if (!deviceHandle) return;
    usb_close(deviceHandle);
    deviceHandle = nullptr;
}

bool HasHandle() { return deviceHandle != nullptr; }

int ControlTransfer(void* handle, std::uint8_t direction, std::uint8_t request, const ParameterBlock& params,
                    void* data, int length) {
    const bool toHost = (direction & DirIn) != 0;
    if (length < 0) length = 0;
    // Replies land in a scratch buffer first and only the bytes that
    // arrived are copied out, so a failed or short transfer leaves the
    // caller's buffer as it was wherever no data came.
    std::vector<char> reply;
    char* bytes = static_cast<char*>(data);
    if (toHost && length > 0) {
        reply.assign(std::size_t(length), 0);
        bytes = reply.data();
    }
    const int result = usb_control_msg(static_cast<usb_dev_handle*>(handle), (direction | VendorDeviceRequest) & 0xFF,
                                       request, params.Value(), params.Index(), bytes, length, TransferTimeoutMs);
    if (toHost && result > 0 && data) std::memcpy(data, reply.data(), std::size_t(result < length ? result : length));
    return result;
}

int VendorRequest(std::uint8_t direction, std::uint8_t request, const ParameterBlock& params, void* data,
                  int length) {
    if (!deviceHandle) return 0;
    const int result = ControlTransfer(deviceHandle, direction, request, params, data, length);
    if (result < 0) {
        if (const FailureReporter report = CurrentReporter()) report(result);
        CloseMeter();
    }
    return result;
}

}  // namespace Appusb
