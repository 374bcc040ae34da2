// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A main window in a working folder of its own, its timer stopped so that
// the test drives the ticks, one per virtual second, against the simulated
// meter.
#include "device/appusb.h"
#include "monitor/F_main.h"
#include "tests/window/window_fixture.h"

#include <QDir>
#include <QFile>
#include <QTimer>

namespace {

constexpr std::uint32_t C = 1u << 13, Slow = 1u << 14;

std::uint32_t TimeBits(int h, int m, int s) { return std::uint32_t((h << 12) | (m << 6) | s) << 15; }

class OnlineRecording : public WindowFixture {
protected:
    void SetUp() override {
        ASSERT_NO_FATAL_FAILURE(WindowFixture::SetUp());
        ASSERT_NO_FATAL_FAILURE(WriteBothPictures());
        MeterFollowsVirtualTime();
        BuildWindow();
        window->Recorder().Timer().stop();  // the test drives the ticks
    }

    // One second passes, then the timer fires.
    void Tick(int count = 1) {
        for (int i = 0; i < count; ++i) {
            seams.time.Advance(1000);
            window->Recorder().Tick();
        }
    }
    QByteArray FileBytes(const QString& path) {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    static std::uint32_t WordAt(const QByteArray& bytes, int i) {
        const auto* b = reinterpret_cast<const unsigned char*>(bytes.constData()) + 4 * i;
        return b[0] | (b[1] << 8) | (b[2] << 16) | (std::uint32_t(b[3]) << 24);
    }
    int LevelRequests() {
        int n = 0;
        for (int i = 0; i < metersim_log_count(); ++i) {
            metersim_request r;
            metersim_log_get(i, &r);
            n += (r.request == Appusb::ReqReadLevel);
        }
        return n;
    }
    QStringList RecordFiles() {
        return QDir(folder.path()).entryList({QStringLiteral("*.qzx")}, QDir::Files);
    }
};

}  // namespace
