// SPDX-License-Identifier: GPL-3.0-or-later
#include "device/meter_link.h"

#include "device/usb_port.h"

#include <usb.h>

#include <cstring>
#include <vector>

namespace device {
namespace {

bool IsMeter(const struct usb_device* dev) {
    return dev->descriptor.idVendor == Appusb::MeterVendorId && dev->descriptor.idProduct == Appusb::MeterProductId;
}

void Enumerate() {
    usb_init();
    usb_find_busses();
    usb_find_devices();
}

template <class Visit>
void ForEachMeter(Visit visit) {
    for (struct usb_bus* bus = usb_get_busses(); bus; bus = bus->next)
        for (struct usb_device* dev = bus->devices; dev; dev = dev->next)
            if (IsMeter(dev) && !visit(bus, dev)) return;
}

}  // namespace

MeterLink::MeterLink(std::string port, std::filesystem::path sysRoot)
    : port_(std::move(port)), sysRoot_(std::move(sysRoot)) {}

MeterLink::~MeterLink() { Close(); }

int MeterLink::Open() {
    if (handle_) return Appusb::Opened;
    Enumerate();
    struct usb_device* found = nullptr;
    ForEachMeter([&](struct usb_bus* bus, struct usb_device* dev) {
        if (UsbPortPathOf(bus->dirname, dev->filename, sysRoot_) != port_) return true;
        found = dev;
        return false;
    });
    if (!found) return Appusb::NoMeter;
    handle_ = usb_open(found);
    return handle_ ? Appusb::Opened : Appusb::OpenFailed;
}

void MeterLink::Close() {
    if (!handle_) return;
    usb_close(handle_);
    handle_ = nullptr;
}

int MeterLink::VendorRequest(std::uint8_t direction, std::uint8_t request, const Appusb::ParameterBlock& params,
                             void* data, int length) {
    if (!handle_) return 0;
    const int result = Appusb::ControlTransfer(handle_, direction, request, params, data, length);
    if (result < 0) Close();
    return result;
}

std::vector<std::string> MeterPortsOnBus(const std::filesystem::path& sysRoot, int* unnamed) {
    Enumerate();
    std::vector<std::string> ports;
    int without = 0;
    ForEachMeter([&](struct usb_bus* bus, struct usb_device* dev) {
        if (auto port = UsbPortPathOf(bus->dirname, dev->filename, sysRoot); port && IsUsbPortPath(*port))
            ports.push_back(*port);
        else
            ++without;
        return true;
    });
    if (unnamed) *unnamed = without;
    return ports;
}

}  // namespace device
