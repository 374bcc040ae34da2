// SPDX-License-Identifier: GPL-3.0-or-later
#include "setup/setup_byte.h"

#include <algorithm>

namespace setup {

SetupControls ControlsFor(std::uint8_t setupByte) {
    SetupControls controls;
    const int range = setupByte & RangeBits;
    controls.rangeIndex = range < int(reading::LevelRange.size()) ? range : NoRange;
    controls.cWeighting = setupByte & CWeightingBit;
    controls.slow = setupByte & SlowBit;
    controls.maxHold = setupByte & MaxHoldBit;
    return controls;
}

std::uint8_t BuildSetupByte(const SetupControls& controls, std::uint8_t readByte) {
    const bool rangeSelected =
        controls.rangeIndex >= 0 && controls.rangeIndex < int(reading::LevelRange.size());
    std::uint8_t result = rangeSelected ? std::uint8_t(controls.rangeIndex) : (readByte & RangeBits);
    if (controls.cWeighting) result |= CWeightingBit;
    if (controls.slow) result |= SlowBit;
    if (controls.maxHold) result |= MaxHoldBit;
    return result;
}

std::uint8_t BCD(int value) {
    value = std::clamp(value, 0, 99);
    return std::uint8_t(((value / 10) << 4) | (value % 10));
}

namespace {

std::uint8_t BcdOfText(const QString& text) { return BCD(text.trimmed().toInt()); }

}  // namespace

Appusb::ParameterBlock DateBlock(const reading::ClockTexts& clock) {
    Appusb::ParameterBlock block;
    block.b[0] = 0x00;
    block.b[1] = BcdOfText(clock.Year.right(2));
    block.b[2] = BcdOfText(clock.Month);
    block.b[3] = BcdOfText(clock.Day);
    return block;
}

Appusb::ParameterBlock TimeBlock(const reading::ClockTexts& clock) {
    Appusb::ParameterBlock block;
    block.b[0] = 0x01;
    block.b[1] = BcdOfText(clock.Hour);
    block.b[2] = BcdOfText(clock.Minute);
    block.b[3] = BcdOfText(clock.Second);
    return block;
}

}  // namespace setup
