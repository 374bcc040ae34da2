// SPDX-License-Identifier: GPL-3.0-or-later
// The station's configuration file, as an administrator (or a broken disk)
// may leave it: the INI reader and the settings behind it.
#include "station/ini_file.h"
#include "station/station_config.h"
#include "tests/fuzz/fuzz_support.h"

#include <QByteArray>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    const station::IniReadResult ini = station::ParseIni(bytes, QStringLiteral("station.conf"));
    const station::ConfigReadResult result = station::ConfigFromIni(ini);
    // Settings exactly when nothing is wrong, and every problem placed.
    if (result.config.has_value() == !result.problems.empty()) fuzz::Fail("settings and problems together");
    const int lines = int(bytes.count('\n')) + 1;
    for (const station::ConfigProblem& p : result.problems) {
        if (p.file != QLatin1String("station.conf") || p.message.isEmpty()) fuzz::Fail("a problem without file or message");
        if (p.line < 0 || p.line > lines) fuzz::Fail("a problem on a line the file does not have");
    }
    if (!result.config) return 0;
    // What the recorder will trust without checking again.
    const station::StationConfig& c = *result.config;
    if (!station::IsValidName(c.station.name) || c.station.intervalMinutes.empty()) fuzz::Fail("station settings");
    for (const station::AlarmSettings& a : c.alarms) {
        if (a.thresholdTenths < 0 || a.thresholdTenths > 1999 || a.hysteresisTenths < 0 || a.hysteresisTenths > 300 ||
            a.minimumSeconds < 1 || a.minimumSeconds > 86400 || a.windowSeconds < 60 || a.windowSeconds > 3600)
            fuzz::Fail("an alarm setting out of its range");
    }
    for (std::size_t i = 0; i < c.meters.size(); ++i)
        for (std::size_t j = 0; j < i; ++j)
            if (c.meters[i].port == c.meters[j].port || c.meters[i].name == c.meters[j].name) fuzz::Fail("two meters alike");
    return 0;
}
