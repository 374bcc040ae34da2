// SPDX-License-Identifier: GPL-3.0-or-later
#include "statistics/row_date_time.h"

#include <QCalendar>
#include <QStringList>
#include <cstdlib>

namespace noisestats {

namespace {

// Letters of a Qt date/time format outside quoted literal text.
bool HasUnquoted(const QString& format, QChar letter) {
    bool quoted = false;
    for (const QChar c : format) {
        if (c == u'\'')
            quoted = !quoted;
        else if (!quoted && c == letter)
            return true;
    }
    return false;
}

// Removes the time-zone token ("t", "tt", ...) and the blanks before it,
// leaving quoted text alone: the program writes its times without the zone.
QString WithoutZone(const QString& format) {
    QString out;
    bool quoted = false;
    for (int i = 0; i < format.size(); ++i) {
        const QChar c = format.at(i);
        if (c == u'\'') quoted = !quoted;
        if (!quoted && c == u't') {
            while (i + 1 < format.size() && format.at(i + 1) == u't') ++i;
            while (!out.isEmpty() && out.back().isSpace()) out.chop(1);
            continue;
        }
        out += c;
    }
    return out.trimmed();
}

// Widens every unquoted run of exactly two 'y' to four.
QString WithFourDigitYear(const QString& format) {
    QString out;
    bool quoted = false;
    for (int i = 0; i < format.size(); ++i) {
        const QChar c = format.at(i);
        if (c == u'\'') quoted = !quoted;
        if (!quoted && c == u'y') {
            int run = 1;
            while (i + run < format.size() && format.at(i + run) == u'y') ++run;
            out += QString(run == 2 ? 4 : run, u'y');
            i += run - 1;
            continue;
        }
        out += c;
    }
    return out;
}

bool HasTwoDigitYear(const QString& format) { return WithFourDigitYear(format) != format; }

// The day and month of `parts` in the century nearest to `today`.
QDate NearestCentury(const QCalendar::YearMonthDay& parts, QDate today) {
    const int yy = ((parts.year % 100) + 100) % 100;
    const int base = today.year() - ((today.year() % 100) + 100) % 100;
    QDate best;
    for (int century : {base - 100, base, base + 100}) {
        const QDate candidate(century + yy, parts.month, parts.day);
        if (!candidate.isValid()) continue;  // 29 February in a century year that is not leap
        if (!best.isValid() || std::llabs(candidate.daysTo(today)) < std::llabs(best.daysTo(today)))
            best = candidate;
    }
    return best;
}

// Reads a date whose format has a two-digit year. Qt puts such a year in
// 1900..1999, where "2/29/00" would not exist (1900 is no leap year); the
// Julian calendar has 29 February in every fourth year, so it reads every
// day and month that some century holds, and only the parts are kept.
std::optional<QCalendar::YearMonthDay> TwoDigitYearParts(const QString& text, const QLocale& locale,
                                                         const QString& format) {
    const QCalendar julian(QCalendar::System::Julian);
    const QDate d = locale.toDate(text, format, julian);
    if (!d.isValid()) return std::nullopt;
    return julian.partsFromDate(d);
}

}  // namespace

std::optional<QDate> ReadRowDate(const QString& text, const QLocale& locale, QDate today) {
    const QString t = text.trimmed();
    if (t.isEmpty()) return std::nullopt;
    for (const QString& format : {locale.dateFormat(QLocale::ShortFormat), locale.dateFormat(QLocale::LongFormat)}) {
        if (HasTwoDigitYear(format)) {
            // A two-digit year first: "yyyy" would also read "26" as the year 26.
            if (const auto parts = TwoDigitYearParts(t, locale, format)) {
                const QDate d = NearestCentury(*parts, today);
                if (d.isValid()) return d;
            }
            const QDate full = locale.toDate(t, WithFourDigitYear(format));
            if (full.isValid()) return full;
        } else {
            const QDate d = locale.toDate(t, format);
            if (d.isValid()) return d;
        }
    }
    return std::nullopt;
}

QStringList RowTimeFormats(const QLocale& locale) {
    QStringList formats;
    const QString longFormat = WithoutZone(locale.timeFormat(QLocale::LongFormat));
    if (HasUnquoted(longFormat, u's')) formats << longFormat;
    formats << QStringLiteral("HH:mm:ss") << QStringLiteral("H:mm:ss") << locale.timeFormat(QLocale::ShortFormat);
    return formats;
}

std::optional<QTime> ReadRowTime(const QString& text, const QLocale& locale, const QStringList& formats) {
    const QString t = text.trimmed();
    if (t.isEmpty()) return std::nullopt;
    for (const QString& format : formats) {
        const QTime time = locale.toTime(t, format);
        if (time.isValid()) return time;
    }
    return std::nullopt;
}

std::optional<QTime> ReadRowTime(const QString& text, const QLocale& locale) {
    return ReadRowTime(text, locale, RowTimeFormats(locale));
}

}  // namespace noisestats
