// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The meter's 32-bit reading word and the texts the program shows for it.
//
//   bits  0-9   level code: level = (code + 300) / 10 dB
//   bits 10-12  range index 0..6 (7 names no range)
//   bit  13     frequency weighting: 1 = C, 0 = A
//   bit  14     time weighting: 1 = SLOW, 0 = FAST
//   bits 15-20  seconds, 21-26 minutes, 27-31 hours (time of day; no date)
//
// Level texts always carry "," before their last digit, whatever the
// user's locale; dates and times follow the user's locale.
#include <QDate>
#include <QDateTime>
#include <QString>
#include <QTime>
#include <array>
#include <cstdint>
#include <optional>

namespace reading {

// The six display texts of one reading.
struct ReadingTexts {
    QString Value;      // level text, e.g. "65,3"
    QString Range;      // "0".."7"
    QString Weighting;  // "A" or "C"
    QString Response;   // "FAST" or "SLOW"
    QString Date;       // short date, user's locale
    QString Time;       // long time with seconds, user's locale
};

// Decimal texts, without leading zeros, of the latest clock sample.
struct ClockTexts {
    QString Year, Month, Day, Hour, Minute, Second;
    bool IsEmpty() const { return Year.isEmpty(); }
    static ClockTexts From(const QDateTime& t);
};

// One of the meter's measuring ranges.
struct LevelRangeEntry {
    const char* lower;       // scale label at the left end, e.g. "30"
    const char* upper;       // scale label at the right end, three characters, e.g. " 80"
    const char* setupEntry;  // entry of the setup dialog's range list
};
extern const std::array<LevelRangeEntry, 7> LevelRange;

// Scale labels of a range index; nothing for an index outside 0..6.
std::optional<LevelRangeEntry> ScaleLabels(int rangeIndex);

// Field access.
constexpr int LevelCode(std::uint32_t w) { return int(w & 0x3FF); }
constexpr int LevelTenths(std::uint32_t w) { return LevelCode(w) + 300; }
constexpr int RangeIndex(std::uint32_t w) { return int((w >> 10) & 7); }
constexpr bool IsCWeighted(std::uint32_t w) { return (w >> 13) & 1; }
constexpr bool IsSlow(std::uint32_t w) { return (w >> 14) & 1; }
// The word's time of day, hours above 23 taken as 23, minutes and seconds above 59 as 59.
QTime WordTime(std::uint32_t w);
// The same time of day as seconds since midnight (0..86399), for code that
// goes through millions of words.
constexpr int WordSecondOfDay(std::uint32_t w) {
    const int h = int((w >> 27) & 0x1F), m = int((w >> 21) & 0x3F), s = int((w >> 15) & 0x3F);
    return (h > 23 ? 23 : h) * 3600 + (m > 59 ? 59 : m) * 60 + (s > 59 ? 59 : s);
}

// "52,3" for 523; "100,0" for 1000.
QString FormatLevel(int tenths);
// The level of a level text: "," (or ".") is the decimal mark, blanks around
// are ignored. Nothing when the text is not a number.
std::optional<float> LevelNumber(const QString& text);
// The text of the big digits: a four-character level text gets one leading blank.
QString DigitText(const QString& value);

// The user's short date and long time (with seconds, without a time zone).
QString FormatShortDate(const QDate& date);
QString FormatLongTime(const QTime& time);

// Live decode: fills all six texts from the live word and the PC clock
// (now), and returns the word to record: bits 0-14 of the live word with
// the time of day of the clock sample `clock` in bits 15-31.
std::uint32_t DecodeLive(std::uint32_t liveWord, const ClockTexts& clock, const QDateTime& now,
                         ReadingTexts& texts);
// File decode: fills Value, Range, Weighting, Response and Time; leaves Date.
void DecodeFile(std::uint32_t word, ReadingTexts& texts);

// Sizes with a decimal comma, cut (not rounded) after `digits` decimals.
QString FormatCutDecimals(float value, int digits);

}  // namespace reading
