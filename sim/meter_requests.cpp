// SPDX-License-Identifier: GPL-3.0-or-later
// What the meter does with each vendor request, what it counts as a
// protocol violation, and the injected faults.
#include "sim_state.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace metersim {
namespace {

constexpr int TypeIn = 0xC0;   // vendor, device recipient, device to host
constexpr int TypeOut = 0x40;  // vendor, device recipient, host to device
constexpr int ExpectedTimeoutMs = 5000;

std::string Describe(int type, int request, int value, int index, int size, int timeout) {
    char text[160];
    std::snprintf(text, sizeof text, "type 0x%02X request %d value 0x%04X index 0x%04X size %d timeout %d",
                  type & 0xFF, request, value & 0xFFFF, index & 0xFFFF, size, timeout);
    return text;
}

// Every way this request departs from the catalogue; each one counts.
void CheckProtocol(State& s, int type, int request, int value, int index, int size, int timeout) {
    const std::string what = Describe(type, request, value, index, size, timeout);
    auto violation = [&](const std::string& why) { Violation(s, why + " (" + what + ")"); };
    if (timeout != ExpectedTimeoutMs) violation("timeout is not 5000 ms");
    auto wantType = [&](int expected) {
        if (type != expected) {
            char t[64];
            std::snprintf(t, sizeof t, "request type must be 0x%02X", expected);
            violation(t);
        }
    };
    auto wantSize = [&](int expected) {
        if (size != expected) violation("length must be " + std::to_string(expected));
    };
    switch (request) {
    case 2:
    case 4:
        wantType(TypeIn);
        wantSize(request == 2 ? 1 : 4);
        if (value != 1 || index != 0) violation("value must be 1 and index 0");
        break;
    case 3:
        wantType(TypeIn);
        wantSize(1);
        if ((value & 0xFF00) != 0 || index != 0) violation("value must be the byte alone and index 0");
        break;
    case 5:
        wantType(TypeOut);
        wantSize(0);
        break;
    case 80: {
        if (type != TypeIn && type != TypeOut) violation("request type must be 0xC0 or 0x40");
        if (size < 1 || size > 128) violation("piece length must be 1..128");
        if (index != 0 && index != 128 && index != 256 && index != 384)
            violation("offset must be 0, 128, 256 or 384");
        if (index + size > 512) violation("piece runs past the 512-byte buffer");
        if (((value >> 8) & 0xFF) != size) violation("value high byte must be the piece length");
        break;
    }
    case 81:
    case 83:
        wantType(TypeOut);
        wantSize(4);
        break;
    default:
        violation("unknown request code");
    }
}

int FromBcd(int b) {
    const int hi = (b >> 4) & 0x0F, lo = b & 0x0F;
    if (hi > 9 || lo > 9) return -1;
    return hi * 10 + lo;
}

int SetClock(State& s, Device& d, int value, int index) {
    const int selector = value & 0xFF;
    const int raw[3] = {(value >> 8) & 0xFF, index & 0xFF, (index >> 8) & 0xFF};
    int v[3];
    for (int i = 0; i < 3; ++i) v[i] = FromBcd(raw[i]);
    static const char* const names[2][3] = {{"year", "month", "day"}, {"hour", "minute", "second"}};
    static const int lows[2][3] = {{0, 1, 1}, {0, 0, 0}};
    static const int highs[2][3] = {{99, 12, 31}, {23, 59, 59}};
    if (selector != 0 && selector != 1) {
        Violation(s, "clock block selector must be 0 (date) or 1 (time), got " + std::to_string(selector));
        return ResultStall;
    }
    for (int i = 0; i < 3; ++i) {
        if (v[i] < lows[selector][i] || v[i] > highs[selector][i]) {
            char t[96];
            std::snprintf(t, sizeof t, "clock %s 0x%02X is not valid BCD in range", names[selector][i], raw[i]);
            Violation(s, t);
            return ResultStall;   // the meter keeps its clock
        }
    }
    int* c = d.clock + 3 * selector;
    c[0] = selector == 0 ? 2000 + v[0] : v[0];
    c[1] = v[1];
    c[2] = v[2];
    return 0;
}

// The meter's answer to a request that got through. reply has room for 512
// bytes; in-requests return the bytes available there.
int Answer(State& s, Device& d, int type, int request, int value, int index, int size,
           const char* outData, unsigned char* reply) {
    const bool in = (type & 0x80) != 0;
    switch (request) {
    case 2:
        reply[0] = std::uint8_t(ReportedSetupByte(s, d));
        return std::min(size, 1);
    case 3:
        d.setupByte = value & 0xFF;
        reply[0] = std::uint8_t(ReportedSetupByte(s, d));
        return std::min(size, 1);
    case 4: {
        const std::uint16_t word = s.levels.Next(ReportedSetupByte(s, d));
        reply[0] = std::uint8_t(word & 0xFF);
        reply[1] = std::uint8_t(word >> 8);
        reply[2] = reply[3] = 0;
        return std::min(size, 4);
    }
    case 5: {
        const int r = SetClock(s, d, value, index);
        return r < 0 ? r : size;
    }
    case 80: {
        const int offset = index & 0xFFFF;
        if (offset >= 512) return ResultStall;
        const int n = std::min(size, 512 - offset);
        if (in) std::memcpy(reply, d.sectorBuffer + offset, std::size_t(n));
        else if (outData) std::memcpy(d.sectorBuffer + offset, outData, std::size_t(n));
        return n;
    }
    case 81:
        d.selectedSector = std::uint32_t(value & 0xFFFF) | (std::uint32_t(index & 0xFFFF) << 16);
        d.sectorSelected = true;
        return size;
    case 83: {
        const int command = value & 0xFF;
        if (!d.sectorSelected) {
            Violation(s, "sector command without a selected sector");
            return ResultStall;
        }
        const std::uint32_t bits8to31 = (std::uint32_t(value >> 8) & 0xFF) | (std::uint32_t(index & 0xFFFF) << 8);
        if (bits8to31 != (d.selectedSector >> 8)) {
            char t[96];
            std::snprintf(t, sizeof t, "sector command does not repeat the selected sector 0x%08X",
                          d.selectedSector);
            Violation(s, t);
        }
        if (command == 0) {
            if (!ReadCardSector(s, d.selectedSector, d.sectorBuffer)) return ResultStall;  // no card
            return size;
        }
        if (command == 1) {
            const int r = WriteCardSector(s, d.selectedSector, d.sectorBuffer);
            return r < 0 ? r : size;
        }
        Violation(s, "sector command must be 0 (read) or 1 (write), got " + std::to_string(command));
        return ResultStall;
    }
    default:
        return ResultStall;
    }
}

// The first armed fault for this request code, used up by one; nullptr if none.
bool TakeFault(State& s, int request, FaultKind& kind) {
    for (auto it = s.faults.begin(); it != s.faults.end(); ++it) {
        if (it->code != -1 && it->code != request) continue;
        if (it->skip > 0) {
            --it->skip;
            continue;
        }
        kind = it->kind;
        if (it->remaining > 0 && --it->remaining == 0) s.faults.erase(it);
        return true;
    }
    return false;
}

}  // namespace

int Transfer(State& s, Handle* h, int type, int request, int value, int index, char* bytes, int size,
             int timeout, int& deviceOut) {
    value &= 0xFFFF;
    index &= 0xFFFF;
    deviceOut = 0;
    const long long startNs = NowNs(s);
    int result = 0;
    CheckProtocol(s, type, request, value, index, size, timeout);

    if (size < 0) {
        Violation(s, "negative length (" + Describe(type, request, value, index, size, timeout) + ")");
        result = -22;   // EINVAL, as libusb answers it
    } else if (!h) {
        Violation(s, "transfer on an unknown handle (" + Describe(type, request, value, index, size, timeout) + ")");
        result = ResultBadHandle;
    } else if (!h->open) {
        Violation(s, "transfer on a closed handle (" + Describe(type, request, value, index, size, timeout) + ")");
        result = ResultBadHandle;
    } else if (h->badFd) {
        result = ResultBadHandle;
    } else if (h->layout != s.layoutGeneration || h->device < 0 || h->device >= (int)s.devices.size()) {
        result = ResultNoDevice;
    } else {
        Device& d = s.devices[std::size_t(h->device)];
        deviceOut = h->device + 1;
        if (!d.plugged || d.generation != h->generation) {
            result = ResultNoDevice;
        } else {
            PassTime(s, s.latencyMs);
            FaultKind fault{};
            const bool faulted = TakeFault(s, request, fault);
            if (faulted && fault == FaultKind::Timeout) {
                // The host gives up after its timeout; only virtual time
                // shows that wait, real time returns at once.
                if (VirtualTimeOn()) AdvanceNs(s, (long long)std::max(timeout, 0) * 1000000LL);
                result = ResultTimeout;
            } else if (faulted && fault == FaultKind::Stall) {
                result = ResultStall;
            } else if (faulted && fault == FaultKind::NoDevice) {
                result = ResultNoDevice;
            } else if (d.kind != DeviceKind::Meter) {
                result = ResultStall;   // same IDs or not, it knows none of our requests
            } else {
                unsigned char reply[512] = {};
                result = Answer(s, d, type, request, value, index, size, bytes, reply);
                if (result > 0 && faulted && fault == FaultKind::Short) result = size > 1 ? 1 : 0;
                if (result > 0 && (type & 0x80) && bytes) std::memcpy(bytes, reply, std::size_t(result));
            }
        }
    }

    LoggedRequest entry;
    entry.r = metersim_request{startNs / 1000000, type, request, value, index, size, timeout, result};
    entry.device = deviceOut;
    s.log.push_back(entry);
    if (!s.logPath.empty()) {
        char line[200];
        std::snprintf(line, sizeof line,
                      "t_ms=%lld dev=%d type=0x%02X req=%d value=0x%04X index=0x%04X size=%d timeout=%d result=%d",
                      entry.r.t_ms, deviceOut, type & 0xFF, request, value, index, size, timeout, result);
        Note(s, line);
    }
    return result;
}

}  // namespace metersim
