// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Moving one 512-byte sector of the meter's SD card to or from the PC.
//
// The meter keeps a 512-byte buffer of its own: a command request fills it
// from the selected card sector (or writes it to that sector), and data
// requests move it to and from the PC in pieces of at most 128 bytes. Every
// step is followed by a fixed wait that paces the meter; the waits add up to
// 450 ms per sector in both directions and go through platform::SleepMs.
#include <cstdint>

namespace Fat32 {

constexpr int SectorSize = 512;
constexpr int PieceSize = 128;     // the most one data request moves
constexpr int PieceCount = 4;      // pieces per sector buffer

// Waits of the sequences, in milliseconds.
constexpr int SelectWaitMs = 50;   // after selecting the sector
constexpr int CommandWaitMs = 100; // after the read or write command
constexpr int PieceWaitMs = 50;    // after every piece
constexpr int BufferWaitMs = 100;  // after the whole buffer has moved
constexpr int SectorWaitMs = SelectWaitMs + CommandWaitMs + PieceCount * PieceWaitMs + BufferWaitMs;

// A sector read whose reply came back short while the link stayed open is
// sent again, whole, up to this many times in all.
constexpr int SectorReadAttempts = 3;

// A transfer of the sequences succeeds only when it moved every byte
// asked for. Once one has failed, the rest of that sector is not sent;
// the waits of the steps that were sent are kept. Every function returns
// 0 on success and 1 when a transfer failed, came back short, or there
// was no open link.

// Fills buffer with card sector `sector` (absolute on the card): select,
// read command, four fetches; tried again (SectorReadAttempts in all) while
// a reply comes back short and the link stays open. On failure the buffer
// may hold bytes of any sector: use it only after a 0.
int ReadSector(std::uint32_t sector, std::uint8_t* buffer);

// Writes buffer (512 bytes) to card sector `sector`: select, four stores,
// write command. The command is sent only after all four stores moved
// whole; a failed command leaves it unknown whether the card was written.
int WriteSector(std::uint32_t sector, const std::uint8_t* buffer);

// Move `length` bytes (at most 512) between the meter's sector buffer and
// buffer, in pieces of min(remaining, 128) bytes at offsets 0, 128, 256 and
// 384, each followed by a 50 ms wait, up to the first piece that failed.
// Bytes of a fetch that did not arrive keep their old values. `first` is
// the first byte of every piece's parameter block (the sector operations
// pass 0).
int ReadSectorBuffer(std::uint8_t first, std::uint32_t length, std::uint8_t* buffer);
int WriteSectorBuffer(std::uint8_t first, std::uint32_t length, const std::uint8_t* buffer);

// The unsigned value of `count` bytes stored least significant byte first
// (2 for the card's 16-bit fields, 4 for its 32-bit fields). Inline, so the
// FAT32 layer over an image file does not pull in the device link.
inline std::uint32_t LittleEndianValue(const std::uint8_t* bytes, std::uint8_t count) {
    std::uint32_t value = 0;
    // Bytes beyond the fourth would shift out of 32 bits; they add nothing.
    for (int i = (count < 4 ? count : 4) - 1; i >= 0; --i) value = (value << 8) | bytes[i];
    return value;
}

}  // namespace Fat32
