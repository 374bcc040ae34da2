// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The simulator's whole state and the operations the ABI files share.
// One process-wide instance, created on first use (never at static
// initialisation: under LD_PRELOAD the first call may come before any of our
// own constructors could be relied on).
#pragma GCC visibility push(default)
#include <usb.h>
#pragma GCC visibility pop

#include "level_source.h"
#include "metersim.h"

#include <cstdint>
#include <string>
#include <sys/types.h>
#include <vector>

#define SIM_EXPORT __attribute__((visibility("default")))

namespace metersim {

enum class DeviceKind { Meter, Other, Impostor };
enum class OpenMode { Ok, Null, Ebadf };
enum class FaultKind { Timeout, Stall, Short, NoDevice };

// Transfer results, as libusb 0.1 reports them (negative errno).
constexpr int ResultBadHandle = -9;     // EBADF
constexpr int ResultNoDevice = -19;     // ENODEV
constexpr int ResultStall = -32;        // EPIPE
constexpr int ResultTimeout = -110;     // ETIMEDOUT

struct Device {
    DeviceKind kind = DeviceKind::Meter;
    int bus = 0;                  // index into State::buses
    int setupByte = 0;            // as written; bit 6 is replaced by the card state
    int clock[6] = {-1, -1, -1, -1, -1, -1};
    unsigned char sectorBuffer[512] = {};
    std::uint32_t selectedSector = 0;
    bool sectorSelected = false;
    bool plugged = true;
    int generation = 0;           // bumped on every replug; old handles stay dead
    struct usb_device* abi = nullptr;    // the struct handed out through the bus list
};

struct Handle {
    int device = -1;              // index into State::devices
    int generation = 0;
    int layout = 0;               // State::layoutGeneration when opened
    bool open = true;
    bool badFd = false;           // Debian's handle whose device node could not be opened
    int number = 0;               // 1-based position in State::handles, as the log names it
};

struct Fault {
    int code = -1;                // request code, or -1 for any
    FaultKind kind = FaultKind::Stall;
    int remaining = 1;            // -1: until cleared
    int skip = 0;                 // matching requests still let through before the first failure
};

struct LoggedRequest {
    metersim_request r{};
    int device = 0;               // 1-based, 0 none
};

struct State {
    // Layout.
    std::vector<usb_bus*> buses;
    std::vector<Device> devices;
    int layoutGeneration = 0;
    bool busesFound = false;      // usb_find_busses ran since the layout was made
    bool devicesFound = false;

    OpenMode openMode = OpenMode::Ok;
    int defaultSetupByte = 0;
    int cardPresent = -1;         // -1: present exactly when a card image is set
    LevelSource levels;
    int latencyMs = 0;

    std::string cardImagePath;
    int cardFd = -1;

    std::string controlPath;
    std::string controlDone;      // the file's lines already run

    std::string logPath;

    std::vector<Handle*> handles; // every handle ever handed out since reset
    std::vector<Fault> faults;
    std::vector<LoggedRequest> log;
    int violations = 0;
    std::string lastViolation;

    bool virtualTime = false;
    long long realBaseNs = 0;     // monotonic time at reset
    long long offsetNs = 0;       // metersim_advance_ms in real-time mode
};

State& S();              // the instance; initialised (environment read) on first use
void ResetState(State& s);

// Configuration and commands (sim_config.cpp). Return false on a bad line;
// error receives the reason.
bool ApplySetting(State& s, const std::string& key, const std::string& value, std::string& error);
bool ApplyConfigText(State& s, const std::string& text, std::string& error);
bool LoadEnvironment(State& s, std::string& error);  // METERSIM_CONFIG, then METERSIM_<KEY>
bool RunCommand(State& s, const std::string& line, std::string& error);
void PollControlFile(State& s);
bool SetLayout(State& s, const std::string& layout, std::string& error);

// Clock (virtual_time.cpp).
long long NowNs(const State& s);
void AdvanceNs(State& s, long long ns);
void SetVirtualTime(State& s, bool on);   // keeps the reading continuous
void RestartClock(State& s);              // real time, 0 now
bool VirtualTimeOn();
void PassTime(State& s, int ms);          // virtual: moves the clock; real: sleeps

// The meter's answers (meter_requests.cpp).
int ReportedSetupByte(const State& s, const Device& d);
void Violation(State& s, const std::string& text);
int Transfer(State& s, Handle* h, int requesttype, int request, int value, int index,
             char* bytes, int size, int timeout, int& deviceOut);

// Card image (card_image.cpp).
bool OpenCardImage(State& s, const std::string& path, std::string& error);
void CloseCardImage(State& s);
bool ReadCardSector(State& s, std::uint32_t sector, unsigned char* out);   // false: no card
int WriteCardSector(State& s, std::uint32_t sector, const unsigned char* in); // 0 ok, else result

void Note(const State& s, const std::string& line);  // one line to the log file, if any

}  // namespace metersim
