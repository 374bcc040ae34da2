// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Time and memory of this process, for the spreadsheet benches: the machine
// may be shared, so each figure comes with the process's own processor time.
#include <sys/resource.h>

#include <chrono>
#include <ctime>

namespace benchtimes {

inline double PeakRssMb() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_maxrss) / 1024.0;
}

inline double CpuSeconds() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return double(t.tv_sec) + double(t.tv_nsec) * 1e-9;
}

// Wall time of f; its processor time goes to *cpu when given.
template <class F>
double Seconds(F&& f, double* cpu = nullptr) {
    const double cpuStart = CpuSeconds();
    const auto start = std::chrono::steady_clock::now();
    f();
    if (cpu) *cpu = CpuSeconds() - cpuStart;
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

}  // namespace benchtimes
