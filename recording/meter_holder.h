// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Whether another program holds the meter's lock (device/meter_lock.h):
// the station recording it. The desktop program then leaves the meter
// alone and says so, instead of fighting for it. The meter is named by its
// USB port from sysfs; the folders are the system's unless the
// environment names others (QUORVANE_SYSFS_ROOT, QUORVANE_LOCK_DIR, as
// for the station), which is how tests and the demo give their own.
#include "device/meter_lock.h"

#include <QString>
#include <optional>

namespace recording {

// The holder of the lock of the meter on this bus and device (libusb 0.1's
// names), if anybody holds it.
std::optional<device::MeterLockHolder> MeterHolder(const char* busDirname, const char* deviceFilename);

// The strip's text while it is held: "The station is recording this meter
// (quorvane-station, pid 4711): Quorvane leaves it alone while it does."
QString MeterHeldText(const device::MeterLockHolder& holder);

}  // namespace recording
