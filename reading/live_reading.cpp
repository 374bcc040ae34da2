// SPDX-License-Identifier: GPL-3.0-or-later
#include "reading/live_reading.h"

#include <cmath>

namespace live {

std::optional<std::uint32_t> LiveWordFromReply(int transferResult, const std::uint8_t reply[4]) {
    if (transferResult < 2) return std::nullopt;
    return std::uint32_t(reply[0]) | (std::uint32_t(reply[1]) << 8);
}

void UpdateExtremes(std::uint32_t readingNumber, float level, float& runningMax, float& runningMin) {
    if (readingNumber == 1) {
        runningMax = level;
        runningMin = level;
        return;
    }
    if (level > runningMax) runningMax = level;
    if (level < runningMin) runningMin = level;
}

static QString Truncated(float value) {
    return QString::number(static_cast<long long>(std::trunc(double(value))));
}

QString SummaryLine(const reading::ReadingTexts& t, float runningMax, float runningMin) {
    return QStringLiteral("Date: ") + t.Date + QStringLiteral("  Time: ") + t.Time +
           QStringLiteral("  Value: ") + t.Value + QStringLiteral(" dB") + QStringLiteral("  Max: ") +
           Truncated(runningMax) + QStringLiteral(" dB") + QStringLiteral("  Min: ") +
           Truncated(runningMin) + QStringLiteral(" dB");
}

}  // namespace live
