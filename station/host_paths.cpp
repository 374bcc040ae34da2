// SPDX-License-Identifier: GPL-3.0-or-later
#include "station/host_paths.h"

#include "device/meter_lock.h"
#include "device/usb_port.h"

#include <cstdlib>

namespace station {

namespace {

std::filesystem::path FromEnvironment(const char* name, const char* otherwise) {
    const char* value = std::getenv(name);
    return (value && *value) ? std::filesystem::path(value) : std::filesystem::path(otherwise);
}

}  // namespace

HostPaths HostPathsFromEnvironment() {
    return {FromEnvironment("QUORVANE_SYSFS_ROOT", device::DefaultSysfsRoot),
            FromEnvironment("QUORVANE_LOCK_DIR", device::DefaultMeterLockFolder)};
}

}  // namespace station
