// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The meter's sector moves, sent through the device link in the order the
// card layer uses (select, command, four 128-byte pieces), without its
// pacing waits. Enough to drive the simulated card from these tests.
#include "device/appusb.h"

#include <cstdint>

namespace sector_test {

inline Appusb::ParameterBlock SectorBlock(std::uint32_t sector) {
    Appusb::ParameterBlock p;
    for (int i = 0; i < 4; ++i) p.b[i] = std::uint8_t(sector >> (8 * i));
    return p;
}

inline void MovePieces(std::uint8_t direction, unsigned char* buffer) {
    for (int k = 0; k < 4; ++k) {
        Appusb::ParameterBlock piece;
        piece.b[1] = 128;
        piece.b[2] = std::uint8_t((128 * k) & 0xFF);
        piece.b[3] = std::uint8_t((128 * k) >> 8);
        Appusb::VendorRequest(direction, Appusb::ReqSectorData, piece, buffer + 128 * k, 128);
    }
}

inline void ReadSector(std::uint32_t sector, unsigned char* buffer) {
    Appusb::ParameterBlock p = SectorBlock(sector);
    unsigned char zeros[4] = {};
    Appusb::VendorRequest(Appusb::DirOut, Appusb::ReqSectorAddress, p, zeros, 4);
    p.b[0] = 0;
    Appusb::VendorRequest(Appusb::DirOut, Appusb::ReqSectorCommand, p, zeros, 4);
    MovePieces(Appusb::DirIn, buffer);
}

inline void WriteSector(std::uint32_t sector, unsigned char* buffer) {
    Appusb::ParameterBlock p = SectorBlock(sector);
    unsigned char zeros[4] = {};
    Appusb::VendorRequest(Appusb::DirOut, Appusb::ReqSectorAddress, p, zeros, 4);
    MovePieces(Appusb::DirOut, buffer);
    p.b[0] = 1;
    Appusb::VendorRequest(Appusb::DirOut, Appusb::ReqSectorCommand, p, zeros, 4);
}

}  // namespace sector_test
