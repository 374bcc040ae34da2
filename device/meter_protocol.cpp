// SPDX-License-Identifier: GPL-3.0-or-later
#include "device/meter_protocol.h"

#include "device/meter_link.h"

#include <algorithm>

namespace device {
namespace {

using Appusb::ParameterBlock;

ParameterBlock Block(std::uint8_t b0, std::uint8_t b1 = 0, std::uint8_t b2 = 0, std::uint8_t b3 = 0) {
    ParameterBlock block;
    block.b[0] = b0;
    block.b[1] = b1;
    block.b[2] = b2;
    block.b[3] = b3;
    return block;
}

// The level and setup reads carry wValue 1 and nothing else.
const ParameterBlock ReadBlock = Block(1);

// The sector number, least significant byte first: wValue carries bits
// 0-15, wIndex bits 16-31.
ParameterBlock SectorBlock(std::uint32_t sector) {
    return Block(std::uint8_t(sector), std::uint8_t(sector >> 8), std::uint8_t(sector >> 16),
                 std::uint8_t(sector >> 24));
}

// Select and command requests carry four zero bytes as their data stage.
bool MovedFourZeros(std::uint8_t request, const ParameterBlock& block) {
    std::uint8_t zeros[4] = {0, 0, 0, 0};
    return Appusb::VendorRequest(Appusb::DirOut, request, block, zeros, 4) == 4;
}

// A piece: `first`, its length in wValue's high byte, its offset in wIndex.
ParameterBlock PieceBlock(std::uint8_t first, std::uint32_t length, std::uint32_t offset) {
    return Block(first, std::uint8_t(length), std::uint8_t(offset), std::uint8_t(offset >> 8));
}

}  // namespace

LevelReply ReadLevelWord() {
    LevelReply reply;
    reply.result = Appusb::VendorRequest(Appusb::DirIn, Appusb::ReqReadLevel, ReadBlock, reply.bytes.data(),
                                         int(reply.bytes.size()));
    return reply;
}

LevelReply ReadLevelWord(MeterLink& link) {
    LevelReply reply;
    reply.result = link.VendorRequest(Appusb::DirIn, Appusb::ReqReadLevel, ReadBlock, reply.bytes.data(),
                                      int(reply.bytes.size()));
    return reply;
}

std::optional<std::uint8_t> ReadSetupByte() {
    std::uint8_t reply = 0;
    if (Appusb::VendorRequest(Appusb::DirIn, Appusb::ReqReadSetup, ReadBlock, &reply, 1) < 1) return std::nullopt;
    return reply;
}

int WriteSetupByte(std::uint8_t setupByte) {
    std::uint8_t ignored = 0;
    return Appusb::VendorRequest(Appusb::DirIn, Appusb::ReqWriteSetup, Block(setupByte), &ignored, 1);
}

int SetClockDate(const ClockDate& date) {
    return Appusb::VendorRequest(Appusb::DirOut, Appusb::ReqSetClock, DateBlock(date), nullptr, 0);
}

int SetClockTime(const ClockTime& time) {
    return Appusb::VendorRequest(Appusb::DirOut, Appusb::ReqSetClock, TimeBlock(time), nullptr, 0);
}

bool SelectSector(std::uint32_t sector) { return MovedFourZeros(Appusb::ReqSectorAddress, SectorBlock(sector)); }

bool SendSectorCommand(std::uint32_t sector, SectorCommand command) {
    // The select block with only its first byte replaced, so wValue's high
    // byte and wIndex still carry bits 8-31 of the sector.
    ParameterBlock block = SectorBlock(sector);
    block.b[0] = std::uint8_t(command);
    return MovedFourZeros(Appusb::ReqSectorCommand, block);
}

int FetchBufferPiece(std::uint8_t first, std::uint32_t length, std::uint32_t offset, std::uint8_t* piece) {
    // The link copies out only the bytes that arrived.
    return Appusb::VendorRequest(Appusb::DirIn, Appusb::ReqSectorData, PieceBlock(first, length, offset), piece,
                                 int(length));
}

bool StoreBufferPiece(std::uint8_t first, std::uint32_t length, std::uint32_t offset, const std::uint8_t* piece) {
    // Sent from a copy: the link takes a writable buffer (libusb 0.1 takes
    // char*), and the caller's bytes stay untouched whatever it does.
    std::uint8_t scratch[MaxPieceLength];
    length = std::min<std::uint32_t>(length, MaxPieceLength);
    std::copy(piece, piece + length, scratch);
    return Appusb::VendorRequest(Appusb::DirOut, Appusb::ReqSectorData, PieceBlock(first, length, offset), scratch,
                                 int(length)) == int(length);
}

}  // namespace device
