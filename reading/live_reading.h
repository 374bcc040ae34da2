// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The arithmetic of the one-second tick, apart from the window that shows
// it: the reply of a level request, the running
// extremes, the scrolling of the chart's horizontal window and the summary
// line. Plain code.
#include "reading/reading_word.h"

#include <QString>
#include <cstdint>
#include <optional>

namespace live {

// The live word of a level request's reply: bytes 0 and 1, low first.
// Nothing when the request failed or delivered fewer than those two bytes:
// a reply buffer that was not filled is never taken for a reading.
std::optional<std::uint32_t> LiveWordFromReply(int transferResult, const std::uint8_t reply[4]);

// Running maximum and minimum of a recording: seeded by reading 1, then
// moved only by strictly greater or smaller levels.
void UpdateExtremes(std::uint32_t readingNumber, float level, float& runningMax, float& runningMin);

// Readings beyond this many move the chart's horizontal window by one each.
constexpr std::uint32_t ScrollAfterReadings = 290;
constexpr bool ScrollsWindow(std::uint32_t readingNumber) { return readingNumber > ScrollAfterReadings; }

// "Date: ...  Time: ...  Value: 65,3 dB  Max: 70 dB  Min: 60 dB"; the
// extremes are truncated toward zero.
QString SummaryLine(const reading::ReadingTexts& texts, float runningMax, float runningMin);

}  // namespace live
