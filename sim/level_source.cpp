// SPDX-License-Identifier: GPL-3.0-or-later
#include "level_source.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <fstream>
#include <sstream>

namespace metersim {
namespace {

constexpr std::uint32_t NoiseSeed = 0x2545F491u;

std::string Trim(const std::string& s) {
    auto b = s.find_first_not_of(" \t\r\n");
    if (b == std::string::npos) return {};
    auto e = s.find_last_not_of(" \t\r\n");
    return s.substr(b, e - b + 1);
}

bool ParseValue(const std::string& text, int& out, std::string& error) {
    long long v = 0;
    if (!ParseInt(Trim(text), v) || v < 0 || v > 0xFFFF) {
        error = "not a level code or reading word: '" + Trim(text) + "'";
        return false;
    }
    out = int(v);
    return true;
}

}  // namespace

bool ParseInt(const std::string& text, long long& out) {
    if (text.empty()) return false;
    char* end = nullptr;
    errno = 0;
    long long v = std::strtoll(text.c_str(), &end, 0);
    if (errno != 0 || end == text.c_str() || *end != '\0') return false;
    out = v;
    return true;
}

void LevelSource::Reset() {
    values_.clear();
    position_ = 0;
    step_ = 0;
    noise_ = NoiseSeed;
}

bool LevelSource::Set(const std::string& textIn, std::string& error) {
    const std::string text = Trim(textIn);
    std::vector<int> values;
    if (text == "sine" || text == "pattern:sine") {
        Reset();
        return true;
    }
    if (text.rfind("list:", 0) == 0) {
        std::stringstream items(text.substr(5));
        std::string item;
        while (std::getline(items, item, ',')) {
            int v = 0;
            if (!ParseValue(item, v, error)) return false;
            values.push_back(v);
        }
    } else if (text.rfind("file:", 0) == 0) {
        const std::string path = Trim(text.substr(5));
        std::ifstream in(path);
        if (!in) {
            error = "cannot read level file " + path;
            return false;
        }
        std::string line;
        while (std::getline(in, line)) {
            line = Trim(line.substr(0, line.find('#')));
            if (line.empty()) continue;
            int v = 0;
            if (!ParseValue(line, v, error)) return false;
            values.push_back(v);
        }
    } else {
        int v = 0;
        if (!ParseValue(text, v, error)) {
            error = "levels: expected list:..., file:PATH, pattern:sine or a number, got '" + text + "'";
            return false;
        }
        values.push_back(v);
    }
    if (values.empty()) {
        error = "levels: no values in '" + text + "'";
        return false;
    }
    Reset();
    values_ = std::move(values);
    return true;
}

int LevelSource::NextValue() {
    if (!values_.empty()) {
        int v = values_[position_];
        position_ = (position_ + 1) % values_.size();
        return v;
    }
    // A slow swing of +-6 dB around 65 dB over two minutes of readings,
    // with up to +-0.5 dB of noise from a fixed-seed generator, so every
    // run sees the same sequence.
    const double pi = 3.14159265358979323846;
    noise_ = noise_ * 1664525u + 1013904223u;
    const double noise = (double(noise_ >> 8) / double(1u << 24)) - 0.5;
    const double db = 65.0 + 6.0 * std::sin(2.0 * pi * double(step_) / 120.0) + noise;
    ++step_;
    int code = int(std::lround(db * 10.0)) - 300;
    if (code < 0) code = 0;
    if (code > 1023) code = 1023;
    return code;
}

std::uint16_t LevelSource::Next(int setupByte) {
    const int v = NextValue();
    if (v > 1023) return std::uint16_t(v);
    const int range = setupByte & 0x07;
    const int cWeighting = (setupByte >> 3) & 1;
    const int slow = (setupByte >> 4) & 1;
    return std::uint16_t(v | (range << 10) | (cWeighting << 13) | (slow << 14));
}

}  // namespace metersim
