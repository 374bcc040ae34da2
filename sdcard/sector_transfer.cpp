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

// Selects the sector; the data stage is four zero bytes.
void SelectSector(const Appusb::ParameterBlock& block) {
    std::uint8_t zeros[4] = {0, 0, 0, 0};
    Appusb::VendorRequest(Appusb::DirOut, Appusb::ReqSectorAddress, block, zeros, 4);
}

// The command reuses the select block with only its first byte replaced,
// so wValue's high byte and wIndex still carry bits 8-31 of the sector.
void SendCommand(Appusb::ParameterBlock block, SectorCommand command) {
    block.b[0] = command;
    std::uint8_t zeros[4] = {0, 0, 0, 0};
    Appusb::VendorRequest(Appusb::DirOut, Appusb::ReqSectorCommand, block, zeros, 4);
}

Appusb::ParameterBlock PieceBlock(std::uint8_t first, std::uint32_t length, std::uint32_t offset) {
    Appusb::ParameterBlock block;
    block.b[0] = first;
    block.b[1] = std::uint8_t(length);
    block.b[2] = std::uint8_t(offset);
    block.b[3] = std::uint8_t(offset >> 8);
    return block;
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
        Appusb::VendorRequest(Appusb::DirOut, Appusb::ReqSectorData, PieceBlock(first, pieceLength, offset),
                              piece, int(pieceLength));
        platform::SleepMs(PieceWaitMs);
        remaining -= pieceLength;
    }
    return 0;
}

int ReadSector(std::uint32_t sector, std::uint8_t* buffer) {
    const Appusb::ParameterBlock block = SectorBlock(sector);
    SelectSector(block);
    platform::SleepMs(SelectWaitMs);
    SendCommand(block, CommandRead);
    platform::SleepMs(CommandWaitMs);
    ReadSectorBuffer(0, SectorSize, buffer);
    platform::SleepMs(BufferWaitMs);
    return 0;
}

int WriteSector(std::uint32_t sector, const std::uint8_t* buffer) {
    const Appusb::ParameterBlock block = SectorBlock(sector);
    SelectSector(block);
    platform::SleepMs(SelectWaitMs);
    WriteSectorBuffer(0, SectorSize, buffer);
    platform::SleepMs(BufferWaitMs);
    SendCommand(block, CommandWrite);
    platform::SleepMs(CommandWaitMs);
    return 0;
}

}  // namespace Fat32
