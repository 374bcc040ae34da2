// SPDX-License-Identifier: GPL-3.0-or-later
#include "device/usb_port.h"

#include <algorithm>
#include <charconv>
#include <fstream>
#include <system_error>

namespace device {
namespace {

namespace fs = std::filesystem;

constexpr int kMostPorts = 7;  // USB allows at most seven tiers below the root hub

// A decimal number from 1 without a sign or leading zero, as sysfs writes
// the parts of a port path.
std::optional<int> PortNumber(std::string_view text) {
    if (text.empty() || text.size() > 3 || text[0] == '0') return std::nullopt;
    int value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size()) return std::nullopt;
    return value;
}

// The numbers of a port path, {bus, port, port, ...}; empty when it is none.
std::vector<int> PortNumbers(std::string_view text) {
    const std::size_t dash = text.find('-');
    if (dash == std::string_view::npos) return {};
    std::vector<int> numbers;
    const auto bus = PortNumber(text.substr(0, dash));
    if (!bus) return {};
    numbers.push_back(*bus);
    std::string_view ports = text.substr(dash + 1);
    while (true) {
        const std::size_t dot = ports.find('.');
        const auto port = PortNumber(ports.substr(0, dot));
        if (!port) return {};
        numbers.push_back(*port);
        if (dot == std::string_view::npos) break;
        ports = ports.substr(dot + 1);
    }
    if (int(numbers.size()) - 1 > kMostPorts) return {};
    return numbers;
}

// A decimal number with leading zeros allowed ("007"), as libusb 0.1 names
// buses and devices and as sysfs writes busnum and devnum.
std::optional<int> Decimal(std::string_view text) {
    if (text.empty() || text.size() > 9) return std::nullopt;
    int value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size()) return std::nullopt;
    return value;
}

// The first line of a small sysfs attribute file, without its line break.
std::optional<std::string> Attribute(const fs::path& file) {
    std::ifstream in(file);
    std::string line;
    if (!in || !std::getline(in, line)) return std::nullopt;
    while (!line.empty() && (line.back() == '\r' || line.back() == ' ' || line.back() == '\t')) line.pop_back();
    return line;
}

std::optional<int> DecimalAttribute(const fs::path& file) {
    const auto text = Attribute(file);
    return text ? Decimal(*text) : std::nullopt;
}

std::optional<int> HexAttribute(const fs::path& file) {
    const auto text = Attribute(file);
    if (!text || text->empty() || text->size() > 4) return std::nullopt;
    int value = 0;
    const auto [end, error] = std::from_chars(text->data(), text->data() + text->size(), value, 16);
    if (error != std::errc() || end != text->data() + text->size()) return std::nullopt;
    return value;
}

// Every device folder with a port path as its name, in no particular order.
std::vector<fs::path> PortFolders(const fs::path& sysRoot) {
    std::vector<fs::path> folders;
    std::error_code error;
    fs::directory_iterator it(sysRoot / "bus/usb/devices", error);
    if (error) return folders;
    for (const fs::directory_entry& entry : it) {
        // The entries are links into the device tree; is_directory follows them.
        if (IsUsbPortPath(entry.path().filename().string()) && entry.is_directory(error))
            folders.push_back(entry.path());
    }
    return folders;
}

}  // namespace

bool IsUsbPortPath(std::string_view text) { return !PortNumbers(text).empty(); }

std::optional<std::string> UsbPortPath(int busNumber, int deviceNumber, const fs::path& sysRoot) {
    for (const fs::path& folder : PortFolders(sysRoot)) {
        if (DecimalAttribute(folder / "busnum") == busNumber && DecimalAttribute(folder / "devnum") == deviceNumber)
            return folder.filename().string();
    }
    return std::nullopt;
}

std::optional<std::string> UsbPortPathOf(std::string_view busDirname, std::string_view deviceFilename,
                                         const fs::path& sysRoot) {
    const auto bus = Decimal(busDirname);
    const auto device = Decimal(deviceFilename);
    if (!bus || !device) return std::nullopt;
    return UsbPortPath(*bus, *device, sysRoot);
}

std::vector<std::string> UsbPortsOf(int vendorId, int productId, const fs::path& sysRoot) {
    std::vector<std::string> ports;
    for (const fs::path& folder : PortFolders(sysRoot)) {
        if (HexAttribute(folder / "idVendor") == vendorId && HexAttribute(folder / "idProduct") == productId)
            ports.push_back(folder.filename().string());
    }
    std::sort(ports.begin(), ports.end(),
              [](const std::string& a, const std::string& b) { return PortNumbers(a) < PortNumbers(b); });
    return ports;
}

}  // namespace device
