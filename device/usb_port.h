// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Where a USB device is plugged in, as the kernel names it: its port path,
// "1-1.2" for bus 1, port 1 of the root hub, port 2 of the hub there. The
// path stays the same when the device is unplugged and plugged into the
// same socket again, while its device number changes, so a meter keeps its
// name across a replug.
//
// Everything is read from sysfs (bus/usb/devices/<port path>/busnum,
// devnum, idVendor, idProduct) under a root folder, "/sys" unless a test
// points it at a tree of its own. Plain C++, no Qt and no libusb: libusb
// 0.1 hands out the bus's dirname and the device's filename, which
// UsbPortPathOf turns into the port path.
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace device {

inline constexpr const char* DefaultSysfsRoot = "/sys";

// True for the port path of a device behind a root hub: bus and ports are
// decimal numbers from 1, at most seven ports ("1-1.2", "3-4"). False for a
// root hub ("usb1"), an interface ("1-1.2:1.0") and anything else, so a port
// path can safely name a file.
bool IsUsbPortPath(std::string_view text);

// The port path of the device with this bus number and device number (its
// address on the bus), or none when no device folder says so.
std::optional<std::string> UsbPortPath(int busNumber, int deviceNumber,
                                       const std::filesystem::path& sysRoot = DefaultSysfsRoot);

// The same from libusb 0.1's names of them: usb_bus::dirname ("003") and
// usb_device::filename ("007"), decimal with leading zeros. None when either
// is not a number.
std::optional<std::string> UsbPortPathOf(std::string_view busDirname, std::string_view deviceFilename,
                                         const std::filesystem::path& sysRoot = DefaultSysfsRoot);

// The port paths of every device with this vendor and product id, in bus
// order, then port by port ("1-1.2" before "1-1.10").
std::vector<std::string> UsbPortsOf(int vendorId, int productId,
                                    const std::filesystem::path& sysRoot = DefaultSysfsRoot);

}  // namespace device
