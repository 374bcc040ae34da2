// SPDX-License-Identifier: GPL-3.0-or-later
#include "setup/setup_byte.h"


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

std::uint8_t BCD(int value) { return device::Bcd(value); }

namespace {

int NumberOf(const QString& text) { return text.trimmed().toInt(); }

}  // namespace

device::ClockDate ClockDateOf(const reading::ClockTexts& clock) {
    return {NumberOf(clock.Year.right(2)), NumberOf(clock.Month), NumberOf(clock.Day)};
}

device::ClockTime ClockTimeOf(const reading::ClockTexts& clock) {
    return {NumberOf(clock.Hour), NumberOf(clock.Minute), NumberOf(clock.Second)};
}

Appusb::ParameterBlock DateBlock(const reading::ClockTexts& clock) { return device::DateBlock(ClockDateOf(clock)); }

Appusb::ParameterBlock TimeBlock(const reading::ClockTexts& clock) { return device::TimeBlock(ClockTimeOf(clock)); }

}  // namespace setup
