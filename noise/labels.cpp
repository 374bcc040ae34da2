// SPDX-License-Identifier: GPL-3.0-or-later
#include "noise/labels.h"

#include <cmath>
#include <cstdlib>

namespace noisestats {

QString QuantityName(Weighting w, Quantity q) {
    const QString l = w == Weighting::C ? QStringLiteral("LC") : QStringLiteral("LA");
    switch (q) {
    case Quantity::Leq: return l + QStringLiteral("eq");
    case Quantity::Max: return l + QStringLiteral("max");
    case Quantity::Min: return l + QStringLiteral("min");
    case Quantity::L10: return l + QStringLiteral("10");
    case Quantity::L50: return l + QStringLiteral("50");
    case Quantity::L90: return l + QStringLiteral("90");
    case Quantity::Exposure: return l + QStringLiteral("E");
    }
    return l;
}

QString ResponsesText(std::uint8_t responses) {
    const bool fast = responses & SeenFast, slow = responses & SeenSlow;
    if (fast && slow) return QStringLiteral("FAST and SLOW");
    if (fast) return QStringLiteral("FAST");
    if (slow) return QStringLiteral("SLOW");
    if (responses & SeenUnknown) return QStringLiteral("unknown");
    return {};
}

QString BasisText(std::uint8_t responses) {
    // Rows of a text file hold no time weighting: the basis says so rather
    // than guessing one.
    if (!(responses & (SeenFast | SeenSlow)) && (responses & SeenUnknown))
        return QStringLiteral("from 1 s readings, time weighting unknown");
    return QStringLiteral("from 1 s %1 readings").arg(ResponsesText(responses));
}

QString LabelledName(Weighting w, Quantity q, std::uint8_t responses) {
    return QuantityName(w, q) + u' ' + BasisText(responses);
}

QString BoundMark(Bound b) {
    switch (b) {
    case Bound::Exact: break;
    case Bound::AtLeast: return QStringLiteral("\u2265 ");
    case Bound::AtMost: return QStringLiteral("\u2264 ");
    case Bound::Either: return QStringLiteral("\u2277 ");
    }
    return {};
}

QString BoundLegend() {
    return QStringLiteral("\u2265: a reading over its range may have been higher, so the figure is a lower bound; "
                          "\u2264: one under its range may have been lower, an upper bound; \u2277: readings over "
                          "and under the range, the figure may lie either way.");
}

QString LevelText(double db) {
    // The rule of reading::FormatLevel (the table's level texts) on the
    // level rounded to tenths; written here because this library links Qt
    // Core only. A test holds the two to the same texts.
    const long tenths = std::lround(db * 10.0);
    const QString digits = QStringLiteral("%1,%2").arg(std::labs(tenths) / 10).arg(std::labs(tenths) % 10);
    return tenths < 0 ? u'-' + digits : digits;
}

QString CommaDecimal(double value, int decimals) {
    return QString::number(value, 'f', decimals).replace(u'.', u',');
}

}  // namespace noisestats
