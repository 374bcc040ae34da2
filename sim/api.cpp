// SPDX-License-Identifier: GPL-3.0-or-later
// The test-side interface of sim/metersim.h.
#include "sim_state.h"

#include <algorithm>
#include <cstdio>

using namespace metersim;

extern "C" {

SIM_EXPORT void metersim_reset(void) { ResetState(S()); }

SIM_EXPORT int metersim_configure(const char* text) {
    std::string error;
    if (ApplyConfigText(S(), text ? text : "", error)) return 0;
    std::fprintf(stderr, "metersim: %s\n", error.c_str());
    return -1;
}

SIM_EXPORT int metersim_load_environment(void) {
    std::string error;
    if (LoadEnvironment(S(), error)) return 0;
    std::fprintf(stderr, "metersim: %s\n", error.c_str());
    return -1;
}

SIM_EXPORT int metersim_command(const char* line) {
    std::string error;
    if (RunCommand(S(), line ? line : "", error)) return 0;
    std::fprintf(stderr, "metersim: %s\n", error.c_str());
    return -1;
}

SIM_EXPORT int metersim_log_count(void) { return int(S().log.size()); }

SIM_EXPORT int metersim_log_get(int i, metersim_request* out) {
    const State& s = S();
    if (i < 0 || i >= int(s.log.size()) || !out) return -1;
    *out = s.log[std::size_t(i)].r;
    return 0;
}

SIM_EXPORT int metersim_log_device(int i) {
    const State& s = S();
    if (i < 0 || i >= int(s.log.size())) return -1;
    return s.log[std::size_t(i)].device;
}

SIM_EXPORT void metersim_log_clear(void) { S().log.clear(); }

SIM_EXPORT int metersim_violations(void) { return S().violations; }

SIM_EXPORT const char* metersim_last_violation(void) { return S().lastViolation.c_str(); }

SIM_EXPORT int metersim_open_handles(void) {
    const State& s = S();
    return int(std::count_if(s.handles.begin(), s.handles.end(), [](const Handle* h) { return h->open; }));
}

SIM_EXPORT long long metersim_now_ms(void) {
    const State& s = S();
    return NowNs(s) / 1000000;
}

SIM_EXPORT void metersim_advance_ms(long long ms) { AdvanceNs(S(), ms * 1000000LL); }

SIM_EXPORT int metersim_setup_byte_of(int device) {
    const State& s = S();
    if (device < 1 || device > int(s.devices.size())) return -1;
    const Device& d = s.devices[std::size_t(device - 1)];
    if (d.kind != DeviceKind::Meter) return -1;
    return ReportedSetupByte(s, d);
}

SIM_EXPORT int metersim_setup_byte(void) {
    const State& s = S();
    for (std::size_t i = 0; i < s.devices.size(); ++i)
        if (s.devices[i].kind == DeviceKind::Meter) return metersim_setup_byte_of(int(i + 1));
    return -1;
}

SIM_EXPORT void metersim_clock(int out[6]) {
    const State& s = S();
    for (int i = 0; i < 6; ++i) out[i] = -1;
    for (const auto& d : s.devices) {
        if (d.kind != DeviceKind::Meter) continue;
        for (int i = 0; i < 6; ++i) out[i] = d.clock[i];
        return;
    }
}

}  // extern "C"
