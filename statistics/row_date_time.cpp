// SPDX-License-Identifier: GPL-3.0-or-later
#include "statistics/row_date_time.h"

#include <QCalendar>
#include <QList>
#include <QSet>
#include <QStringList>
#include <algorithm>
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

std::optional<QDate> ReadRowDate(const QString& text, const QLocale& locale, const QString& format, QDate today) {
    const QString t = text.trimmed();
    if (t.isEmpty() || format.isEmpty()) return std::nullopt;
    if (HasTwoDigitYear(format)) {
        // A two-digit year first: "yyyy" would also read "26" as the year 26.
        if (const auto parts = TwoDigitYearParts(t, locale, format)) {
            const QDate d = NearestCentury(*parts, today);
            if (d.isValid()) return d;
        }
        const QDate full = locale.toDate(t, WithFourDigitYear(format));
        if (full.isValid()) return full;
        return std::nullopt;
    }
    const QDate d = locale.toDate(t, format);
    if (d.isValid()) return d;
    return std::nullopt;
}

std::optional<QDate> ReadRowDate(const QString& text, const QLocale& locale, QDate today) {
    for (const QString& format : {locale.dateFormat(QLocale::ShortFormat), locale.dateFormat(QLocale::LongFormat)})
        if (const auto d = ReadRowDate(text, locale, format, today)) return d;
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

namespace {

// The locales whose forms a file may have been written in: C and American
// English first (the settings of a bare system and the commonest ones),
// then every other locale Qt knows, in Qt's order.
QList<QLocale> WritingLocales() {
    QList<QLocale> all{QLocale::c(), QLocale(QLocale::English, QLocale::UnitedStates)};
    for (const QLocale& l : QLocale::matchingLocales(QLocale::AnyLanguage, QLocale::AnyScript, QLocale::AnyTerritory))
        all << l;
    return all;
}

// What of a locale a format reads with: the names it spells out and its digits.
QString FormKey(const QLocale& l, const QString& format) {
    QString key = format + u'|' + l.zeroDigit();
    if (HasUnquoted(format, u'M') && format.contains(QLatin1String("MMM")))
        for (int m = 1; m <= 12; ++m) key += u'|' + l.monthName(m, QLocale::ShortFormat) + u'|' + l.monthName(m);
    if (HasUnquoted(format, u'd') && format.contains(QLatin1String("ddd")))
        for (int d = 1; d <= 7; ++d) key += u'|' + l.dayName(d, QLocale::ShortFormat) + u'|' + l.dayName(d);
    if (HasUnquoted(format, u'A') || HasUnquoted(format, u'a')) key += u'|' + l.amText() + u'|' + l.pmText();
    return key;
}

// A time of a locale's long form as the program writes it: without its
// zone, with seconds (a form without them is written as "HH:mm:ss").
QString WrittenTimeFormat(const QLocale& l) {
    const QString format = WithoutZone(l.timeFormat(QLocale::LongFormat));
    return HasUnquoted(format, u's') ? format : QStringLiteral("HH:mm:ss");
}

}  // namespace

RowDateTimeReader::RowDateTimeReader(const QLocale& user, QDate today) : today_(today) {
    for (const QString& format : {user.dateFormat(QLocale::ShortFormat), user.dateFormat(QLocale::LongFormat)})
        userDates_.push_back({user, format});
    chosenDate_ = userDates_.front();
    userTimes_ = {user, RowTimeFormats(user)};
}

const std::vector<RowDateTimeReader::LocaleDate>& RowDateTimeReader::OtherDateForms() {
    static const std::vector<LocaleDate> forms = [] {
        std::vector<LocaleDate> out;
        QSet<QString> seen;
        for (const QLocale& l : WritingLocales()) {
            const QString format = l.dateFormat(QLocale::ShortFormat);
            if (seen.contains(FormKey(l, format))) continue;
            seen.insert(FormKey(l, format));
            out.push_back({l, format});
        }
        return out;
    }();
    return forms;
}

const std::vector<RowDateTimeReader::LocaleTimes>& RowDateTimeReader::OtherTimeForms() {
    static const std::vector<LocaleTimes> forms = [] {
        std::vector<LocaleTimes> out;
        QSet<QString> seen;
        for (const QLocale& l : WritingLocales()) {
            const QString format = WrittenTimeFormat(l);
            if (seen.contains(FormKey(l, format))) continue;
            seen.insert(FormKey(l, format));
            out.push_back({l, {format}});
        }
        return out;
    }();
    return forms;
}

std::optional<QDate> RowDateTimeReader::DateIn(const LocaleDate& form, const QString& text) const {
    return ReadRowDate(text, form.locale, form.format, today_);
}

void RowDateTimeReader::ChooseDateForm(const QStringList& dateTexts) {
    QStringList texts;
    for (const QString& t : dateTexts)
        if (!t.trimmed().isEmpty()) texts << t;
    if (texts.isEmpty()) return;
    const auto readCount = [&](const LocaleDate& form) {
        int n = 0;
        for (const QString& t : texts) n += DateIn(form, t).has_value();
        return n;
    };
    dateChosen_ = true;
    // The user's own form (short or long) when it reads every date; else
    // the form that reads the most of them, the first listed of those. The
    // dates no form reads (text typed by hand) leave their rows out.
    int best = 0;
    for (const LocaleDate& form : userDates_) best = std::max(best, readCount(form));
    if (best == texts.size()) return;
    const std::vector<LocaleDate>& others = OtherDateForms();
    std::size_t chosen = others.size();
    for (std::size_t i = 0; i < others.size() && best < texts.size(); ++i) {
        const int n = readCount(others[i]);
        if (n > best) best = n, chosen = i;
    }
    if (chosen == others.size()) return;  // none reads more than the user's
    chosenDate_ = others[chosen];
    otherDateForm_ = others[chosen].format;
    // Does a later form read as many, some as other days?
    for (std::size_t j = chosen + 1; j < others.size() && rivalDateForm_.isEmpty(); ++j) {
        if (readCount(others[j]) < best) continue;
        for (const QString& t : texts)
            if (DateIn(others[j], t) != DateIn(others[chosen], t)) {
                rivalDateForm_ = others[j].format;
                break;
            }
    }
}

std::optional<QDate> RowDateTimeReader::Date(const QString& text) const {
    if (!dateChosen_) {
        for (const LocaleDate& form : userDates_)
            if (const auto d = DateIn(form, text)) return d;
        return std::nullopt;
    }
    if (otherDateForm_.isEmpty()) {
        // The user's form chosen: short or long, as before.
        for (const LocaleDate& form : userDates_)
            if (const auto d = DateIn(form, text)) return d;
        return std::nullopt;
    }
    return DateIn(chosenDate_, text);
}

std::optional<QTime> RowDateTimeReader::Time(const QString& text) {
    const LocaleTimes& current = otherTimes_ ? *otherTimes_ : userTimes_;
    if (const auto t = ReadRowTime(text, current.locale, current.formats)) return t;
    if (text.trimmed().isEmpty()) return std::nullopt;
    if (otherTimes_)
        if (const auto t = ReadRowTime(text, userTimes_.locale, userTimes_.formats)) return t;
    // A file of texts no form reads stops the searches soon: each costs a
    // try of every locale's form.
    if (failedSearches_ >= 100) return std::nullopt;
    for (const LocaleTimes& form : OtherTimeForms()) {
        if (const auto t = ReadRowTime(text, form.locale, form.formats)) {
            otherTimes_ = form;
            otherTimeForm_ = form.formats.front();
            failedSearches_ = 0;
            return t;
        }
    }
    ++failedSearches_;
    return std::nullopt;
}

}  // namespace noisestats
