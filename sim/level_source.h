// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Where the meter's live readings come from: a list of values, a file of
// values, or a deterministic synthetic pattern. Values 0..1023 are level
// codes (tenths of a dB above 30.0 dB); the meter adds its range and
// weighting bits from the setup byte. Values 1024..65535 are whole 16-bit
// reading words and are sent as they stand.
#include <cstdint>
#include <string>
#include <vector>

namespace metersim {

class LevelSource {
public:
    // "list:523,700", "file:PATH", "pattern:sine", "sine", or one number
    // (a fixed reading). False with error set when the text is not understood.
    bool Set(const std::string& text, std::string& error);
    void Reset();  // back to pattern:sine, sequence restarted

    // The next 16-bit reading; setupByte supplies range and weightings to
    // level codes.
    std::uint16_t Next(int setupByte);

private:
    int NextValue();
    std::vector<int> values_;   // empty: the synthetic pattern
    std::size_t position_ = 0;
    std::uint64_t step_ = 0;
    std::uint32_t noise_ = 0;
};

// Parses a decimal or 0x-hex integer with nothing after it.
bool ParseInt(const std::string& text, long long& out);

}  // namespace metersim
