// SPDX-License-Identifier: GPL-3.0-or-later
// The simulator's clock, and the process's sleeps taken over for virtual
// time. With virtual time on, nanosleep, usleep and relative
// clock_nanosleep return at once and move the simulator's clock on by the
// time asked; otherwise they sleep for real (straight system calls, so no
// other library's symbol lookup is involved).
#include "sim_state.h"

#include <atomic>
#include <cerrno>
#include <ctime>
#include <mutex>
#include <sys/syscall.h>
#include <unistd.h>

namespace metersim {
namespace {

// Read by sleeps from any thread, so kept apart from the single-threaded state.
std::atomic<bool> virtualOn{false};
std::atomic<long long> virtualNs{0};

long long MonotonicNs() {
    timespec t{};
    ::clock_gettime(CLOCK_MONOTONIC, &t);
    return (long long)t.tv_sec * 1000000000LL + t.tv_nsec;
}

bool ValidInterval(const timespec* t) {
    return t && t->tv_sec >= 0 && t->tv_nsec >= 0 && t->tv_nsec < 1000000000L;
}

long long ToNs(const timespec* t) { return (long long)t->tv_sec * 1000000000LL + t->tv_nsec; }

// Virtual time is on: the first use of the simulator may come from a sleep,
// so make sure the environment has been read. Cheap after the first call.
bool VirtualSleeps() {
    static std::once_flag ready;
    std::call_once(ready, [] { (void)S(); });
    return virtualOn.load(std::memory_order_relaxed);
}

}  // namespace

long long NowNs(const State& s) {
    if (virtualOn.load()) return virtualNs.load() + s.offsetNs;
    return MonotonicNs() - s.realBaseNs + s.offsetNs;
}

void AdvanceNs(State& s, long long ns) {
    if (ns <= 0) return;
    if (virtualOn.load()) virtualNs.fetch_add(ns);
    else s.offsetNs += ns;
}

bool VirtualTimeOn() { return virtualOn.load(); }

void PassTime(State& s, int ms) {
    if (ms <= 0) return;
    if (virtualOn.load()) {
        AdvanceNs(s, (long long)ms * 1000000LL);
        return;
    }
    timespec t{ms / 1000, (ms % 1000) * 1000000L};
    while (::syscall(SYS_nanosleep, &t, &t) != 0 && errno == EINTR) {
    }
}

void RestartClock(State& s) {
    virtualOn.store(false);
    virtualNs.store(0);
    s.offsetNs = 0;
    s.realBaseNs = MonotonicNs();
}

void SetVirtualTime(State& s, bool on) {
    // Both clocks start from the moment of the switch at the reading the
    // log showed last, so t_ms never jumps back.
    const long long now = NowNs(s);
    virtualOn.store(on);
    s.offsetNs = 0;
    if (on) {
        virtualNs.store(now);
    } else {
        s.realBaseNs = MonotonicNs() - now;
    }
}

}  // namespace metersim

// Shared by the three sleeps: true when the sleep was taken virtually.
static bool SleepVirtually(const timespec* request, int& error) {
    if (!metersim::VirtualSleeps()) return false;
    if (!metersim::ValidInterval(request)) {
        error = EINVAL;
        return true;
    }
    metersim::virtualNs.fetch_add(metersim::ToNs(request));
    error = 0;
    return true;
}

extern "C" {

SIM_EXPORT int nanosleep(const struct timespec* request, struct timespec* remaining) {
    int error = 0;
    if (SleepVirtually(request, error)) {
        if (error) {
            errno = error;
            return -1;
        }
        if (remaining) *remaining = timespec{0, 0};
        return 0;
    }
    return int(::syscall(SYS_nanosleep, request, remaining));
}

SIM_EXPORT int usleep(useconds_t microseconds) {
    const timespec request{time_t(microseconds / 1000000), long(microseconds % 1000000) * 1000L};
    int error = 0;
    if (SleepVirtually(&request, error)) return 0;
    timespec left = request;
    // Like glibc's usleep: -1 with EINTR when a signal cuts the sleep short.
    return int(::syscall(SYS_nanosleep, &left, &left));
}

SIM_EXPORT int clock_nanosleep(clockid_t clock, int flags, const struct timespec* request,
                               struct timespec* remaining) {
    int error = 0;
    if (!(flags & TIMER_ABSTIME) && SleepVirtually(request, error)) {
        if (!error && remaining) *remaining = timespec{0, 0};
        return error;
    }
    // clock_nanosleep reports its error as the result, not in errno.
    const int saved = errno;
    const long r = ::syscall(SYS_clock_nanosleep, clock, flags, request, remaining);
    const int result = r == 0 ? 0 : errno;
    errno = saved;
    return result;
}

}  // extern "C"
