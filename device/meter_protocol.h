// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The meter's operations, by name: the level word, the setup byte, the
// clock, and the card's sector requests. This is the one place that knows
// the request codes, the shape of each request's parameter block, its
// length and its direction; the windows and the card layer call these and
// never build a request themselves. Every operation is one transfer over
// Appusb::VendorRequest, so a failure is reported and closes the link as
// described there; none of them waits (the callers' pacing waits stay with
// the callers).
#include "device/appusb.h"

#include <array>
#include <cstdint>
#include <optional>

namespace device {

// Bit 6 of the setup byte: the meter holds a card. The meter reports it;
// the program never sets it.
constexpr std::uint8_t CardPresentBit = 0x40;

constexpr bool CardPresent(std::uint8_t setupByte) { return (setupByte & CardPresentBit) != 0; }

// ---- The level.

// The reply to the level request: the transfer's result (as
// Appusb::VendorRequest returns it) and the four bytes, of which only as
// many as arrived are filled (the rest stay 0).
struct LevelReply {
    int result = 0;
    std::array<std::uint8_t, 4> bytes{0, 0, 0, 0};
};

// Asks the meter for its live reading (bytes 0..1 are the reading word).
LevelReply ReadLevelWord();
// The same over a link of its own (several meters in one process).
class MeterLink;
LevelReply ReadLevelWord(MeterLink& link);

// ---- The setup byte.

// The meter's setup byte; none when the transfer failed, found no link or
// came back empty.
std::optional<std::uint8_t> ReadSetupByte();

// Sends a new setup byte; returns the transfer's result. (The meter
// replies with the byte it now holds; nobody needs it.)
int WriteSetupByte(std::uint8_t setupByte);

// ---- The clock.

// Binary-coded decimal of 0..99: tens in the high nibble, units in the low.
// Values outside 0..99 are clamped into it.
constexpr std::uint8_t Bcd(int value) {
    value = value < 0 ? 0 : value > 99 ? 99 : value;
    return std::uint8_t(((value / 10) << 4) | (value % 10));
}

// The two blocks that set the meter's clock. Each travels in one request:
// selector, then three BCD bytes (wValue high byte, wIndex low, wIndex
// high). The year is its last two digits.
struct ClockDate {
    int year = 0;
    int month = 0;
    int day = 0;
};
struct ClockTime {
    int hour = 0;
    int minute = 0;
    int second = 0;
};
// (Inline, so the plain setup code can show a block without the link.)
inline Appusb::ParameterBlock DateBlock(const ClockDate& date) {
    Appusb::ParameterBlock block;
    block.b[0] = 0x00;
    block.b[1] = Bcd(date.year);
    block.b[2] = Bcd(date.month);
    block.b[3] = Bcd(date.day);
    return block;
}
inline Appusb::ParameterBlock TimeBlock(const ClockTime& time) {
    Appusb::ParameterBlock block;
    block.b[0] = 0x01;
    block.b[1] = Bcd(time.hour);
    block.b[2] = Bcd(time.minute);
    block.b[3] = Bcd(time.second);
    return block;
}

// Send one clock block; each returns the transfer's result. The meter
// wants a pause between the date and the time; the caller keeps it.
int SetClockDate(const ClockDate& date);
int SetClockTime(const ClockTime& time);

// ---- The card's sectors. The meter keeps a 512-byte sector buffer: a
// sector is selected, a command moves it between the card and the buffer,
// and pieces of at most 128 bytes move the buffer to and from the PC.

constexpr std::uint32_t MaxPieceLength = 128;

enum class SectorCommand : std::uint8_t { Read = 0, Write = 1 };

// Each of these is done only when every byte asked for moved (a short
// transfer leaves the link open, a failed one closes it).

// Selects card sector `sector` (absolute on the card).
bool SelectSector(std::uint32_t sector);

// Reads the selected sector into the buffer, or writes the buffer to it.
// `sector` must be the one selected: the meter checks that the request
// repeats its bits 8..31.
bool SendSectorCommand(std::uint32_t sector, SectorCommand command);

// One piece of the buffer: `length` (1..MaxPieceLength) bytes at `offset` (0, 128,
// 256 or 384). `first` is the first byte of the piece's parameter block
// (the card layer passes 0).
//
// FetchBufferPiece returns the bytes that arrived (copied to `piece`; the
// rest of `piece` is left as it was), or the transfer's result when it
// failed (negative) or found no link (0).
int FetchBufferPiece(std::uint8_t first, std::uint32_t length, std::uint32_t offset, std::uint8_t* piece);
bool StoreBufferPiece(std::uint8_t first, std::uint32_t length, std::uint32_t offset, const std::uint8_t* piece);

}  // namespace device
