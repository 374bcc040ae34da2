// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The device link: finds the meter on the USB buses, opens it and carries
// every exchange with it as a vendor control request on the default pipe.
// Written against the libusb 0.1 interface; the program links Debian's
// libusb, tests link the simulated meter (sim/) in its place.
#include <cstdint>
#include <functional>

namespace Appusb {

constexpr int MeterVendorId = 0x16C0;   // 5824
constexpr int MeterProductId = 0x05DC;  // 1500
constexpr int TransferTimeoutMs = 5000;

// Direction byte of VendorRequest.
constexpr std::uint8_t DirIn = 0x80;    // device to host
constexpr std::uint8_t DirOut = 0x00;   // host to device
constexpr std::uint8_t VendorDeviceRequest = 0x40;

// The request catalogue.
enum RequestCode : std::uint8_t {
    ReqReadSetup = 2,       // in:  wValue 1, 1 byte: the setup byte
    ReqWriteSetup = 3,      // in:  wValue = new setup byte, 1 byte reply (unused)
    ReqReadLevel = 4,       // in:  wValue 1, 4 bytes: bytes 0..1 the live reading
    ReqSetClock = 5,        // out: date or time block in wValue/wIndex, no data
    ReqSectorData = 80,     // in/out: one piece of the meter's 512-byte sector buffer
    ReqSectorAddress = 81,  // out: select the card sector
    ReqSectorCommand = 83,  // out: read (0) or write (1) the selected sector
};

// Four bytes passed with every request: bytes 0,1 form wValue (low, high),
// bytes 2,3 form wIndex (low, high). Unset bytes are 0.
struct ParameterBlock {
    std::uint8_t b[4] = {0, 0, 0, 0};
    std::uint16_t Value() const { return std::uint16_t(b[0] | (b[1] << 8)); }
    std::uint16_t Index() const { return std::uint16_t(b[2] | (b[3] << 8)); }
};

// OpenMeter results.
enum OpenResult : int { Opened = 0, NoMeter = 1, OpenFailed = 2 };

// Closes a held handle, enumerates the buses afresh and opens the first
// meter in bus order, then device order. Returns 0, 1 (none) or 2 (found,
// could not be opened).
int OpenMeter();

// The same, but the first meter is opened only when `mayOpen` agrees,
// given libusb 0.1's names of its bus and device (usb_bus::dirname,
// usb_device::filename); refused, it is left alone and the result is
// NoMeter. (How the desktop program leaves a meter to the program that
// holds its lock.)
using OpenVeto = std::function<bool(const char* busDirname, const char* deviceFilename)>;
int OpenMeter(const OpenVeto& mayOpen);

// Closes the handle if one is held.
void CloseMeter();

// One control transfer. Returns the bytes moved, a negative value on
// failure (after reporting it once, see FailureReporter, and closing the
// handle), or 0 without a transfer when no handle is held.
int VendorRequest(std::uint8_t direction, std::uint8_t request, const ParameterBlock& params,
                  void* data, int length);

// True while a handle is held.
bool HasHandle();

// One vendor control transfer on an open libusb handle (a usb_dev_handle*):
// the reply lands in a scratch buffer and only the bytes that arrived reach
// `data`. Reports nothing and closes nothing: the callers decide.
int ControlTransfer(void* handle, std::uint8_t direction, std::uint8_t request, const ParameterBlock& params,
                    void* data, int length);

// The disconnect message shown once per failed transfer.
inline constexpr const char* DisconnectedMessage =
    "The USB device has been disconnected, can not connect to the device!";

// What a failed transfer tells the user; called with the transfer's
// negative result. By default it is ShowDisconnectedBox: the commands that
// talk to the meter end after a failure anyway, so a box that waits for OK
// costs nothing there. A caller that must not wait for anybody (the tick of
// a running recording) puts its own in place while it sends.
using FailureReporter = std::function<void(int result)>;

// The default report: DisconnectedMessage in a plain box with OK and no
// owner, waiting until it is answered.
void ShowDisconnectedBox(int result);

// Puts `reporter` in place of the current report for its own lifetime and
// the previous one back afterwards. An empty reporter reports nothing.
class ScopedFailureReporter {
public:
    explicit ScopedFailureReporter(FailureReporter reporter);
    ~ScopedFailureReporter();
    ScopedFailureReporter(const ScopedFailureReporter&) = delete;
    ScopedFailureReporter& operator=(const ScopedFailureReporter&) = delete;

private:
    FailureReporter previous_;
};

}  // namespace Appusb
