// SPDX-License-Identifier: GPL-3.0-or-later
#include "records/xls/number_format.h"

namespace xls {

namespace {

// The first section of the format with quoted texts, escaped characters,
// fill and padding characters and non-elapsed brackets removed, lower-cased.
QString Tokens(const QString& format) {
    QString out;
    for (qsizetype i = 0; i < format.size(); ++i) {
        const QChar c = format[i];
        if (c == u';') break;
        if (c == u'"') {
            const qsizetype close = format.indexOf(u'"', i + 1);
            if (close < 0) break;
            i = close;
            continue;
        }
        if (c == u'\\' || c == u'_' || c == u'*') {
            ++i;  // the next character is shown as it is
            continue;
        }
        if (c == u'[') {
            const qsizetype close = format.indexOf(u']', i + 1);
            if (close < 0) break;
            const QString inside = format.mid(i + 1, close - i - 1).toLower();
            // [h], [hh], [mm], [ss]: elapsed time; anything else (colours,
            // conditions, [$-409] locales) is no token.
            if (!inside.isEmpty() && inside.count(inside[0]) == inside.size() &&
                (inside[0] == u'h' || inside[0] == u'm' || inside[0] == u's'))
                out += inside;
            i = close;
            continue;
        }
        out += c.toLower();
    }
    return out;
}

}  // namespace

FormatKind ClassifyNumberFormat(const QString& format) {
    const QString t = Tokens(format);
    if (t == QLatin1String("general")) return FormatKind::Number;
    bool date = false;
    bool time = false;
    if (t.contains(QLatin1String("am/pm")) || t.contains(QLatin1String("a/p"))) time = true;
    for (qsizetype i = 0; i < t.size(); ++i) {
        const QChar c = t[i];
        // "e" is an era year, unless it is the exponent of "0.00E+00".
        const bool exponent = c == u'e' && i + 1 < t.size() && (t[i + 1] == u'+' || t[i + 1] == u'-');
        if (c == u'y' || c == u'd' || (c == u'e' && !exponent)) date = true;
        if (c == u'h' || c == u's') time = true;
    }
    // "m" is a month beside date tokens, a minute beside time tokens and a
    // month when it stands alone ("mmm").
    if (!date && !time && t.contains(u'm')) date = true;
    if (date && time) return FormatKind::DateTime;
    if (date) return FormatKind::Date;
    if (time) return FormatKind::Time;
    return FormatKind::Number;
}

QString BuiltInNumberFormat(int id) {
    switch (id) {
    case 0: return QStringLiteral("General");
    case 1: return QStringLiteral("0");
    case 2: return QStringLiteral("0.00");
    case 3: return QStringLiteral("#,##0");
    case 4: return QStringLiteral("#,##0.00");
    case 9: return QStringLiteral("0%");
    case 10: return QStringLiteral("0.00%");
    case 11: return QStringLiteral("0.00E+00");
    case 12: return QStringLiteral("# ?/?");
    case 13: return QStringLiteral("# ?" "?/?" "?");  // split: no trigraph
    case 14: return QStringLiteral("m/d/yy");
    case 15: return QStringLiteral("d-mmm-yy");
    case 16: return QStringLiteral("d-mmm");
    case 17: return QStringLiteral("mmm-yy");
    case 18: return QStringLiteral("h:mm AM/PM");
    case 19: return QStringLiteral("h:mm:ss AM/PM");
    case 20: return QStringLiteral("h:mm");
    case 21: return QStringLiteral("h:mm:ss");
    case 22: return QStringLiteral("m/d/yy h:mm");
    case 37: return QStringLiteral("#,##0 ;(#,##0)");
    case 38: return QStringLiteral("#,##0 ;[Red](#,##0)");
    case 39: return QStringLiteral("#,##0.00;(#,##0.00)");
    case 40: return QStringLiteral("#,##0.00;[Red](#,##0.00)");
    case 45: return QStringLiteral("mm:ss");
    case 46: return QStringLiteral("[h]:mm:ss");
    case 47: return QStringLiteral("mm:ss.0");
    case 48: return QStringLiteral("##0.0E+0");
    case 49: return QStringLiteral("@");
    default: return {};
    }
}

FormatKind BuiltInFormatKind(int id) {
    if ((id >= 27 && id <= 36) || (id >= 50 && id <= 58)) return FormatKind::Date;
    const QString format = BuiltInNumberFormat(id);
    return format.isEmpty() ? FormatKind::Number : ClassifyNumberFormat(format);
}

int FixedDecimals(const QString& format) {
    const QString t = Tokens(format);
    const qsizetype dot = t.indexOf(u'.');
    if (dot < 0) return -1;
    int n = 0;
    while (dot + 1 + n < t.size() && (t[dot + 1 + n] == u'0' || t[dot + 1 + n] == u'#' || t[dot + 1 + n] == u'?')) ++n;
    return n;
}

}  // namespace xls
