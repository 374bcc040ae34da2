// SPDX-License-Identifier: GPL-3.0-or-later
#include "sdcard/sector_transfer.h"

#include "device/appusb.h"
#include "platform/sleep.h"

#include <algorithm>
#include <cstring>

namespace Fat32 {
namespace {

enum SectorCommand : std::uint8_t { CommandRead = 0, CommandWrite = 1 };

// The sector number, least significant byte first: wValue carries bits
// 0-15, wIndex bits 16-31.
Appusb::ParameterBlock SectorBlock(std::uint32_t sector) {
    Appusb::ParameterBlock block;
    for (int i = 0; i < 4; ++i) block.b[i] = std::uint8_t(sector >> (8 * i));
    return block;
}

// One transfer of the sequences: done only when every byte asked for
// moved. A failed transfer has already closed the link (and shown the
// disconnect box); a short one leaves it open.
bool Moved(std::uint8_t direction, std::uint8_t request, const Appusb::ParameterBlock& block, void* data, int length) {
    return Appusb::VendorRequest(direction, request, block, data, length) == length;
}

// Selects the sector; the data stage is four zero bytes.
bool SelectSector(const Appusb::ParameterBlock& block) {
    std::uint8_t zeros[4] = {0, 0, 0, 0};
    return Moved(Appusb::DirOut, Appusb::ReqSectorAddress, block, zeros, 4);
}

// The command reuses the select block with only its first byte replaced,
// so wValue's high byte and wIndex still carry bits 8-31 of the sector.
bool SendCommand(Appusb::ParameterBlock block, SectorCommand command) {
    block.b[0] = command;
    std::uint8_t zeros[4] = {0, 0, 0, 0};
    return Moved(Appusb::DirOut, Appusb::ReqSectorCommand, block, zeros, 4);
}

Appusb::ParameterBlock PieceBlock(std::uint8_t first, std::uint32_t length, std::uint32_t offset) {
    Appusb::ParameterBlock block;
    block.b[0] = first;
    block.b[1] = std::uint8_t(length);
    block.b[2] = std::uint8_t(offset);
    block.b[3] = std::uint8_t(offset >> 8);
    return block;
}

// One pass of the read sequence. Every step that was sent keeps its wait,
// so the meter is paced the same way before a retry; after a failed step
// nothing more of the sector is sent.
int ReadSectorOnce(std::uint32_t sector, std::uint8_t* buffer) {
    const Appusb::ParameterBlock block = SectorBlock(sector);
    const bool selected = SelectSector(block);
    platform::SleepMs(SelectWaitMs);
    if (!selected) return 1;
    const bool commanded = SendCommand(block, CommandRead);
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
        // Received into a scratch piece and copied only as far as bytes
        // arrived, so a short or failed fetch leaves the rest as it was.
        std::uint8_t piece[PieceSize];
        const int received = Appusb::VendorRequest(Appusb::DirIn, Appusb::ReqSectorData,
                                                   PieceBlock(first, pieceLength, offset), piece,
                                                   int(pieceLength));
        if (received > 0)
            std::memcpy(buffer + offset, piece, std::min<std::uint32_t>(std::uint32_t(received), pieceLength));
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
        std::uint8_t piece[PieceSize];
        std::memcpy(piece, buffer + offset, pieceLength);
        const bool moved =
            Moved(Appusb::DirOut, Appusb::ReqSectorData, PieceBlock(first, pieceLength, offset), piece, int(pieceLength));
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
    const Appusb::ParameterBlock block = SectorBlock(sector);
    const bool selected = SelectSector(block);
    platform::SleepMs(SelectWaitMs);
    if (!selected) return 1;
    // Only a buffer that arrived whole is written to the card.
    const int pieces = WriteSectorBuffer(0, SectorSize, buffer);
    platform::SleepMs(BufferWaitMs);
    if (pieces != 0) return 1;
    const bool commanded = SendCommand(block, CommandWrite);
    platform::SleepMs(CommandWaitMs);
    return commanded ? 0 : 1;
}

}  // namespace Fat32
