// SPDX-License-Identifier: GPL-3.0-or-later
// The USB port path of a device, read from a sysfs tree made by the test:
// device folders in the device tree, linked from bus/usb/devices as the
// kernel does, with their busnum, devnum, idVendor and idProduct files.
#include "device/usb_port.h"
#include "temp_folder.h"

#include <gtest/gtest.h>

#include <fstream>

namespace {

namespace fs = std::filesystem;

struct FakeDevice {
    std::string port;  // the folder's name ("usb1" for a root hub)
    int bus, device;
    const char* vendor;
    const char* product;
};

// Writes `devices` the way sysfs shows them: the folders nested under a
// controller in devices/, and bus/usb/devices/<name> a link to each. An
// interface folder ("1-1.2:1.0") sits beside the meter, with no numbers.
class FakeSysfs {
public:
    explicit FakeSysfs(const std::vector<FakeDevice>& devices) {
        const fs::path tree = root_.Path() / "devices/pci0000:00/0000:00:14.0";
        fs::create_directories(links());
        for (const FakeDevice& d : devices) {
            const fs::path folder = tree / d.port;
            fs::create_directories(folder);
            Write(folder / "busnum", std::to_string(d.bus));
            Write(folder / "devnum", std::to_string(d.device));
            Write(folder / "idVendor", d.vendor);
            Write(folder / "idProduct", d.product);
            fs::create_directory_symlink(folder, links() / d.port);
        }
        fs::create_directories(tree / "1-1.2:1.0");
        Write(tree / "1-1.2:1.0/bInterfaceClass", "ff");
        fs::create_directory_symlink(tree / "1-1.2:1.0", links() / "1-1.2:1.0");
    }
    const fs::path& Root() const { return root_.Path(); }
    fs::path links() const { return root_.Path() / "bus/usb/devices"; }
    static void Write(const fs::path& file, const std::string& text) { std::ofstream(file) << text << '\n'; }

private:
    TempFolder root_;
};

const std::vector<FakeDevice> kBoxWithTwoMetersOnAHub = {
    {"usb1", 1, 1, "1d6b", "0002"},    // root hub
    {"1-1", 1, 2, "05e3", "0610"},     // a hub
    {"1-1.2", 1, 5, "16c0", "05dc"},   // meter
    {"1-1.10", 1, 7, "16c0", "05dc"},  // meter on the hub's tenth port
    {"usb2", 2, 1, "1d6b", "0003"},
    {"2-1", 2, 3, "046d", "c077"},     // a mouse
    {"3-2", 3, 4, "16C0", "05DC"},     // meter on a third bus, ids in capitals
};

TEST(UsbPortPath, NamesOnlyDevicesBehindARootHub) {
    struct Case { const char* text; bool port; };
    const Case cases[] = {
        {"1-1", true}, {"1-1.2", true}, {"12-3.10.4", true}, {"3-4.1.2.3.4.5.6", true},
        {"3-4.1.2.3.4.5.6.7", false},  // an eighth tier
        {"usb1", false}, {"1-1.2:1.0", false}, {"0-1", false}, {"1-0", false}, {"01-1", false},
        {"1-01", false}, {"1-", false}, {"-1", false}, {"1-1.", false}, {"1-1..2", false},
        {"", false}, {"../1-1", false}, {"1-1/x", false}, {"1-1 ", false}, {"1-1000", false},
        {"1-+1", false},
    };
    for (const Case& c : cases) EXPECT_EQ(device::IsUsbPortPath(c.text), c.port) << '"' << c.text << '"';
}

TEST(UsbPortPath, FoundByBusAndDeviceNumber) {
    const FakeSysfs sysfs(kBoxWithTwoMetersOnAHub);
    EXPECT_EQ(device::UsbPortPath(1, 5, sysfs.Root()), "1-1.2");
    EXPECT_EQ(device::UsbPortPath(1, 7, sysfs.Root()), "1-1.10");
    EXPECT_EQ(device::UsbPortPath(2, 3, sysfs.Root()), "2-1");
    EXPECT_EQ(device::UsbPortPath(3, 4, sysfs.Root()), "3-2");
    // A root hub has no port path; numbers nobody has find nothing.
    EXPECT_EQ(device::UsbPortPath(1, 1, sysfs.Root()), std::nullopt);
    EXPECT_EQ(device::UsbPortPath(2, 5, sysfs.Root()), std::nullopt);
    EXPECT_EQ(device::UsbPortPath(4, 4, sysfs.Root()), std::nullopt);
}

TEST(UsbPortPath, FoundFromLibusbNames) {
    const FakeSysfs sysfs(kBoxWithTwoMetersOnAHub);
    // libusb 0.1 names buses and devices with three digits; "007" is seven,
    // not an octal number.
    EXPECT_EQ(device::UsbPortPathOf("001", "005", sysfs.Root()), "1-1.2");
    EXPECT_EQ(device::UsbPortPathOf("001", "007", sysfs.Root()), "1-1.10");
    EXPECT_EQ(device::UsbPortPathOf("3", "4", sysfs.Root()), "3-2");
    for (auto [bus, dev] : {std::pair{"", "005"}, {"001", ""}, {"0x1", "005"}, {"001", "5a"}, {"-1", "005"}})
        EXPECT_EQ(device::UsbPortPathOf(bus, dev, sysfs.Root()), std::nullopt) << bus << '/' << dev;
}

TEST(UsbPortPath, AReplugKeepsThePortAndChangesTheNumber) {
    const FakeSysfs sysfs(kBoxWithTwoMetersOnAHub);
    // The kernel gives a replugged device the next free address.
    FakeSysfs::Write(sysfs.links() / "1-1.2/devnum", "9");
    EXPECT_EQ(device::UsbPortPath(1, 5, sysfs.Root()), std::nullopt);
    EXPECT_EQ(device::UsbPortPath(1, 9, sysfs.Root()), "1-1.2");
}

TEST(UsbPortPath, MetersListedInBusThenPortOrder) {
    const FakeSysfs sysfs(kBoxWithTwoMetersOnAHub);
    EXPECT_EQ(device::UsbPortsOf(0x16C0, 0x05DC, sysfs.Root()),
              (std::vector<std::string>{"1-1.2", "1-1.10", "3-2"}));
    EXPECT_EQ(device::UsbPortsOf(0x046D, 0xC077, sysfs.Root()), (std::vector<std::string>{"2-1"}));
    EXPECT_TRUE(device::UsbPortsOf(0x16C0, 0x05DD, sysfs.Root()).empty());
}

TEST(UsbPortPath, ATreeWithoutUsbFindsNothing) {
    TempFolder empty;
    EXPECT_TRUE(device::UsbPortsOf(0x16C0, 0x05DC, empty.Path()).empty());
    EXPECT_EQ(device::UsbPortPath(1, 5, empty.Path()), std::nullopt);
    EXPECT_TRUE(device::UsbPortsOf(0x16C0, 0x05DC, empty.Path() / "missing").empty());
}

TEST(UsbPortPath, UnreadableNumbersAreNoMatch) {
    const FakeSysfs sysfs(kBoxWithTwoMetersOnAHub);
    FakeSysfs::Write(sysfs.links() / "1-1.2/busnum", "one");
    fs::remove(sysfs.links() / "1-1.10/devnum");
    FakeSysfs::Write(sysfs.links() / "3-2/idVendor", "");
    EXPECT_EQ(device::UsbPortPath(1, 5, sysfs.Root()), std::nullopt);
    EXPECT_EQ(device::UsbPortPath(1, 7, sysfs.Root()), std::nullopt);
    EXPECT_EQ(device::UsbPortsOf(0x16C0, 0x05DC, sysfs.Root()), (std::vector<std::string>{"1-1.2", "1-1.10"}));
}

}  // namespace
