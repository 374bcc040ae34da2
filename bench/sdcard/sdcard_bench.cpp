// SPDX-License-Identifier: GPL-3.0-or-later
// Listing the card and copying a 64 KB file through the simulated meter in
// real time. The waits between the requests pace the meter and are the
// expected cost; everything above them is overhead of the program and the
// link. Reported: wall time, the sum of the waits the sectors moved call
// for, and the overhead in percent of the waits.
#include "card_image.h"

#include "device/appusb.h"
#include "platform/messages.h"
#include "sdcard/fat32.h"
#include "sdcard/sector_device.h"
#include "sdcard/sector_transfer.h"

#include <QBuffer>

#include <metersim.h>

#include <benchmark/benchmark.h>

#include <chrono>
#include <memory>

namespace {

constexpr int FileSize = 64 * 1024;

cardtest::CardImage& Card() {
    // 4 KB clusters, as on a typical card; a root directory of a few files.
    static std::unique_ptr<cardtest::CardImage> card = [] {
        auto image = std::make_unique<cardtest::CardImage>(
            cardtest::ImageOptions{.kib = 300000, .sectorsPerCluster = 8, .label = "BENCH"});
        for (int i = 0; i < 8; ++i) image->PutFile(QString("2024030%1.QZX").arg(i), cardtest::Pattern(3000, i));
        image->PutFile("BIG.QZX", cardtest::Pattern(FileSize, 99));
        return image;
    }();
    return *card;
}

void ConnectMeter() {
    Appusb::CloseMeter();
    metersim_reset();
    metersim_configure(("card_image = " + Card().Path().toStdString() + "\n").c_str());
    Appusb::OpenMeter();
    metersim_log_clear();
}

// Runs one operation and reports it against its waits.
template <typename Operation>
void Measure(benchmark::State& state, Operation operation) {
    for (auto _ : state) {
        ConnectMeter();
        Fat32::UsbSectorDevice usb;
        Fat32::Volume volume(usb);
        const auto begin = std::chrono::steady_clock::now();
        operation(volume);
        const double wallMs =
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - begin).count();
        const int sectors = metersim_log_count() / 6;
        const double waitsMs = double(sectors) * Fat32::SectorWaitMs;
        state.SetIterationTime(wallMs / 1000.0);
        state.counters["sectors"] = sectors;
        state.counters["waits_ms"] = waitsMs;
        state.counters["wall_ms"] = wallMs;
        state.counters["overhead_pct"] = waitsMs > 0 ? 100.0 * (wallMs - waitsMs) / waitsMs : 0;
        state.counters["violations"] = metersim_violations();
    }
}

void BM_MountAndList(benchmark::State& state) {
    Measure(state, [](Fat32::Volume& volume) {
        volume.MountVolume();
        volume.ScanRootDirectory(Fat32::ScanList, nullptr);
    });
}
BENCHMARK(BM_MountAndList)->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond);

void BM_Copy64K(benchmark::State& state) {
    Measure(state, [](Fat32::Volume& volume) {
        volume.MountVolume();
        QBuffer destination;
        destination.open(QIODevice::WriteOnly);
        volume.Destination = &destination;
        volume.WritePosition = 0;
        Fat32::ShortNameKey key = Fat32::MakeShortNameKey("BIG.QZX");
        volume.CopyCardFile(key);
        if (destination.data() != cardtest::Pattern(FileSize, 99)) std::abort();
    });
}
BENCHMARK(BM_Copy64K)->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
