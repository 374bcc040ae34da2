// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The meter's one-byte setup and the two clock blocks that set its clock.
// Plain code (Qt Core only): the setup dialog and its command build on it.
//
//   bit 0-2  measuring range, a LevelRange index 0..6
//   bit 3    frequency weighting: 1 = C, 0 = A
//   bit 4    time weighting: 1 = SLOW, 0 = FAST
//   bit 5    maximum hold
//   bit 6    SD card present (reported by the meter, never set by us)
//   bit 7    not interpreted; written as 0
#include "device/appusb.h"
#include "device/meter_protocol.h"
#include "reading/reading_word.h"

#include <cstdint>

namespace setup {

constexpr std::uint8_t RangeBits = 0x07;
constexpr std::uint8_t CWeightingBit = 0x08;
constexpr std::uint8_t SlowBit = 0x10;
constexpr std::uint8_t MaxHoldBit = 0x20;
constexpr std::uint8_t CardPresentBit = device::CardPresentBit;

// Range index that selects no entry of the range list.
constexpr int NoRange = -1;

// The state of the dialog's controls.
struct SetupControls {
    int rangeIndex = NoRange;  // selected range entry 0..6, or NoRange
    bool cWeighting = false;   // C chosen (else A)
    bool slow = false;         // Slow chosen (else Fast)
    bool maxHold = false;      // MAX ticked
    bool operator==(const SetupControls&) const = default;
};

// The controls a setup byte shows; range 7 selects no entry.
SetupControls ControlsFor(std::uint8_t setupByte);

// The byte the controls stand for: range, C, SLOW and MAX hold from the
// controls; bits 6 and 7 are 0. When no range entry is selected the range
// bits of `readByte` (the byte the dialog was opened with) are kept, so a
// missing selection never turns into a byte with every bit set.
std::uint8_t BuildSetupByte(const SetupControls& controls, std::uint8_t readByte);

// Whether the setup command writes the byte back: any of the eight bits
// differs. (A meter with a card reports bit 6, which apply clears, so it is
// written on every apply.)
constexpr bool NeedsWrite(std::uint8_t readByte, std::uint8_t currentByte) {
    return readByte != currentByte;
}

// Binary-coded decimal of 0..99 (device::Bcd): tens in the high nibble,
// units in the low. Values outside 0..99 are clamped into it.
std::uint8_t BCD(int value);

// The clock's date and time as the meter takes them, from the clock
// texts: the year's last two characters, month, day; hour, minute, second.
// A text that is not a number counts as 0.
device::ClockDate ClockDateOf(const reading::ClockTexts& clock);
device::ClockTime ClockTimeOf(const reading::ClockTexts& clock);

// The clock blocks those make (device::DateBlock, device::TimeBlock):
//   date: 00, BCD(last two digits of the year), BCD(month), BCD(day)
//   time: 01, BCD(hour), BCD(minute), BCD(second)
Appusb::ParameterBlock DateBlock(const reading::ClockTexts& clock);
Appusb::ParameterBlock TimeBlock(const reading::ClockTexts& clock);

}  // namespace setup
