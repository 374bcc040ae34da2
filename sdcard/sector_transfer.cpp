// SPDX-License-Identifier: GPL-3.0-or-later
#include "sdcard/sector_transfer.h"

#include "device/appusb.h"
#include "device/meter_protocol.h"
#include "platform/sleep.h"

#include <algorithm>

namespace Fat32 {

static_assert(PieceSize <= int(device::MaxPieceLength), "a piece is one data request");

namespace {

// One pass of the read sequence. Every step that was sent keeps its wait,
// so the meter is paced the same way before a retry; after a failed step
// nothing more of the sector is sent.
int ReadSectorOnce(std::uint32_t sector, std::uint8_t* buffer) {
    const bool selected = device::SelectSector(sector);
    platform::SleepMs(SelectWaitMs);
    if (!selected) return 1;
    const bool commanded = device::SendSectorCommand(sector, device::SectorCommand::Read);
    platform::SleepMs(CommandWaitMs);
    if (!commanded) return 1;
    const int pieces = ReadSectorBuffer(0, SectorSize, buffer);
    platform::SleepMs(BufferWaitMs);
    return pieces;
}

}  // namespace

int ReadSectorBuffer(std::uint8_t first, std::uint32_t length, std::uint8_t* buffer) {
    std::uint32_t remaining = length;
    for (int k = 0; k < PieceCount && remaining > 0; ++k) {
        const std::uint32_t pieceLength = std::min<std::uint32_t>(remaining, PieceSize);
        const std::uint32_t offset = std::uint32_t(PieceSize) * k;
        // Only the bytes that arrived are copied, so a short or failed
        // fetch leaves the rest as it was.
        const int received = device::FetchBufferPiece(first, pieceLength, offset, buffer + offset);
        platform::SleepMs(PieceWaitMs);
        if (received != int(pieceLength)) return 1;
        remaining -= pieceLength;
    }
    return 0;
}

int WriteSectorBuffer(std::uint8_t first, std::uint32_t length, const std::uint8_t* buffer) {
    std::uint32_t remaining = length;
    for (int k = 0; k < PieceCount && remaining > 0; ++k) {
        const std::uint32_t pieceLength = std::min<std::uint32_t>(remaining, PieceSize);
        const std::uint32_t offset = std::uint32_t(PieceSize) * k;
        const bool moved = device::StoreBufferPiece(first, pieceLength, offset, buffer + offset);
        platform::SleepMs(PieceWaitMs);
        if (!moved) return 1;
        remaining -= pieceLength;
    }
    return 0;
}

int ReadSector(std::uint32_t sector, std::uint8_t* buffer) {
    // Without a link nothing is sent and nothing waited for.
    if (!Appusb::HasHandle()) return 1;
    // A short reply leaves the link open: the whole sequence is tried
    // again. A failed transfer closes the link, which ends the retries.
    for (int attempt = 0; attempt < SectorReadAttempts; ++attempt) {
        if (ReadSectorOnce(sector, buffer) == 0) return 0;
        if (!Appusb::HasHandle()) break;
    }
    return 1;
}

int WriteSector(std::uint32_t sector, const std::uint8_t* buffer) {
    if (!Appusb::HasHandle()) return 1;
    const bool selected = device::SelectSector(sector);
    platform::SleepMs(SelectWaitMs);
    if (!selected) return 1;
    // Only a buffer that arrived whole is written to the card.
    const int pieces = WriteSectorBuffer(0, SectorSize, buffer);
    platform::SleepMs(BufferWaitMs);
    if (pieces != 0) return 1;
    const bool commanded = device::SendSectorCommand(sector, device::SectorCommand::Write);
    platform::SleepMs(CommandWaitMs);
    return commanded ? 0 : 1;
}

}  // namespace Fat32
