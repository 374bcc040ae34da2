// SPDX-License-Identifier: GPL-3.0-or-later
// The cost of going through the clock seam, which every tick does.
#include "platform/clock.h"

#include <benchmark/benchmark.h>

static void BM_LocalNow(benchmark::State& state) {
    for (auto _ : state) benchmark::DoNotOptimize(platform::LocalNow());
}
BENCHMARK(BM_LocalNow);

BENCHMARK_MAIN();
