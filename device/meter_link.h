// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A link to one meter, chosen by the USB port it is plugged into: a handle
// of its own, so one process can record several meters at once. Appusb
// keeps the desktop program's one link to the first meter found; the
// station keeps one MeterLink per meter.
//
// The handle is kept from tick to tick while the meter answers; a failed
// transfer closes it (the meter was unplugged, or is stuck), and the next
// Open enumerates the buses afresh and finds the meter again at its port,
// under whatever device number it now has. A failure reports nothing: the
// one who asked tells the user (the recorder's link watch).
#include "device/appusb.h"

#include <filesystem>
#include <string>
#include <vector>

struct usb_dev_handle;

namespace device {

class MeterLink {
public:
    // The meter at USB port `port` ("1-1.2"), named through sysfs under `sysRoot`.
    MeterLink(std::string port, std::filesystem::path sysRoot);
    ~MeterLink();
    MeterLink(const MeterLink&) = delete;
    MeterLink& operator=(const MeterLink&) = delete;

    // Keeps a held handle; otherwise enumerates and opens the meter at the
    // port. Appusb's results: Opened, NoMeter, OpenFailed.
    int Open();
    void Close();
    bool HasHandle() const { return handle_ != nullptr; }
    const std::string& Port() const { return port_; }

    // One control transfer, as Appusb::VendorRequest, on this link's handle
    // (0 without one; a negative result closes it).
    int VendorRequest(std::uint8_t direction, std::uint8_t request, const Appusb::ParameterBlock& params,
                      void* data, int length);

private:
    std::string port_;
    std::filesystem::path sysRoot_;
    usb_dev_handle* handle_ = nullptr;
};

// The USB ports of the meters on the buses now (a fresh enumeration), in
// bus and device order. A meter that sysfs names no port for is counted in
// `unnamed` (if given) and left out: without a port it has no lock.
std::vector<std::string> MeterPortsOnBus(const std::filesystem::path& sysRoot, int* unnamed = nullptr);

}  // namespace device
