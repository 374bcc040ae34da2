// SPDX-License-Identifier: GPL-3.0-or-later
#include "sdcard/sector_device.h"
#include "sdcard/sector_transfer.h"

namespace Fat32 {

int UsbSectorDevice::Read(std::uint32_t sector, std::uint8_t* buffer512) {
    return ReadSector(sector, buffer512);
}

int UsbSectorDevice::Write(std::uint32_t sector, const std::uint8_t* buffer512) {
    return WriteSector(sector, buffer512);
}

}  // namespace Fat32
