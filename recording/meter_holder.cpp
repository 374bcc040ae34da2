// SPDX-License-Identifier: GPL-3.0-or-later
#include "recording/meter_holder.h"

#include "device/usb_port.h"

#include <cstdlib>
#include <filesystem>

namespace recording {
namespace {

std::filesystem::path FromEnvironment(const char* name, const char* fallback) {
    const char* value = std::getenv(name);
    return (value && *value) ? std::filesystem::path(value) : std::filesystem::path(fallback);
}

}  // namespace

std::optional<device::MeterLockHolder> MeterHolder(const char* busDirname, const char* deviceFilename) {
    const auto port = device::UsbPortPathOf(busDirname, deviceFilename,
                                            FromEnvironment("QUORVANE_SYSFS_ROOT", device::DefaultSysfsRoot));
    if (!port || !device::IsUsbPortPath(*port)) return std::nullopt;  // no port, no lock: as before
    return device::MeterLockHolderOf(*port, FromEnvironment("QUORVANE_LOCK_DIR", device::DefaultMeterLockFolder));
}

QString MeterHeldText(const device::MeterLockHolder& holder) {
    const QString program = holder.program.empty() ? QStringLiteral("another program")
                                                   : QString::fromStdString(holder.program);
    const QString who = holder.pid > 0 ? QStringLiteral("%1, pid %2").arg(program).arg(holder.pid) : program;
    const bool station = holder.program == "quorvane-station";
    return (station ? QStringLiteral("The station is recording this meter (%1): ")
                    : QStringLiteral("This meter is in use by %1: "))
               .arg(who) +
           QStringLiteral("Quorvane leaves it alone while it does.");
}

}  // namespace recording
