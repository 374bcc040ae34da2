// SPDX-License-Identifier: GPL-3.0-or-later
#include "reading/reading_word.h"

#include <QLocale>

#include <charconv>
#include <cmath>
#include <cstdlib>
#include <string>

namespace reading {

namespace {

// Parses a clock text ("7", "23") as a non-negative decimal number; a text
// that is no number counts as 0 so that a broken sample can never put stray
// bits into the recorded word.
int ClockField(const QString& text) {
    bool ok = false;
    const int value = text.trimmed().toInt(&ok, 10);
    return ok && value > 0 ? value : 0;
}

int ClampTo(int value, int high) { return value > high ? high : value; }

// Decimal digits of an integer, built by hand: no locale can add group
// separators or other digits.
std::string Decimal(long long value) {
    char buffer[32];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    return std::string(buffer, result.ptr);
}

// Removes the time-zone token ("t", "tt", ...) from a Qt time format, with
// the blanks that separated it, and leaves quoted literal text alone.
QString WithoutTimeZone(const QString& format) {
    QString out;
    bool quoted = false;
    for (int i = 0; i < format.size(); ++i) {
        const QChar c = format.at(i);
        if (c == u'\'') {
            quoted = !quoted;
            out += c;
            continue;
        }
        if (!quoted && c == u't') {
            while (i + 1 < format.size() && format.at(i + 1) == u't')
                ++i;
            while (!out.isEmpty() && out.back().isSpace())
                out.chop(1);
            continue;
        }
        out += c;
    }
    return out.trimmed();
}

bool HasUnquotedSeconds(const QString& format) {
    bool quoted = false;
    for (const QChar c : format) {
        if (c == u'\'')
            quoted = !quoted;
        else if (!quoted && c == u's')
            return true;
    }
    return false;
}

}  // namespace

const std::array<LevelRangeEntry, 7> LevelRange = {{
    {"30", " 80", "1. 30----- 80 DB"},
    {"40", " 90", "2. 40----- 90 DB"},
    {"50", "100", "3. 50-----100 DB"},
    {"60", "110", "4. 60-----110 DB"},
    {"70", "120", "5. 70-----120 DB"},
    {"80", "130", "6. 80-----130 DB"},
    {"30", "130", "7. 30-----130 DB"},
}};

ClockTexts ClockTexts::From(const QDateTime& t) {
    const QDate d = t.date();
    const QTime tm = t.time();
    auto text = [](int v) { return QString::fromStdString(Decimal(v)); };
    return {text(d.year()), text(d.month()), text(d.day()),
            text(tm.hour()), text(tm.minute()), text(tm.second())};
}

std::optional<LevelRangeEntry> ScaleLabels(int rangeIndex) {
    if (rangeIndex < 0 || rangeIndex >= int(LevelRange.size()))
        return std::nullopt;
    return LevelRange[std::size_t(rangeIndex)];
}

QTime WordTime(std::uint32_t w) { return QTime::fromMSecsSinceStartOfDay(WordSecondOfDay(w) * 1000); }

QString FormatLevel(int tenths) {
    const bool negative = tenths < 0;
    std::string digits = Decimal(std::llabs(static_cast<long long>(tenths)));
    if (digits.size() < 2)
        digits.insert(0, 1, '0');
    digits.insert(digits.size() - 1, 1, ',');
    if (negative)
        digits.insert(0, 1, '-');
    return QString::fromLatin1(digits.data(), qsizetype(digits.size()));
}

std::optional<float> LevelNumber(const QString& text) {
    QByteArray latin = text.trimmed().toLatin1();
    if (latin.isEmpty())
        return std::nullopt;
    for (char& c : latin) {
        if (c == ',')
            c = '.';
    }
    const char* begin = latin.constData();
    const char* end = begin + latin.size();
    if (*begin == '+')  // from_chars takes no plus sign
        ++begin;
    float value = 0;
    const auto result = std::from_chars(begin, end, value, std::chars_format::general);
    if (result.ec != std::errc() || result.ptr != end || !std::isfinite(value))
        return std::nullopt;
    return value;
}

QString DigitText(const QString& value) {
    return value.size() == 4 ? QStringLiteral(" ") + value : value;
}

QString FormatShortDate(const QDate& date) {
    // QLocale() is the system locale (LC_TIME on Unix) unless a test has
    // installed a default locale of its own.
    return QLocale().toString(date, QLocale::ShortFormat);
}

QString FormatLongTime(const QTime& time) {
    QString format = WithoutTimeZone(QLocale().timeFormat(QLocale::LongFormat));
    if (!HasUnquotedSeconds(format))
        format = QStringLiteral("HH:mm:ss");
    return QLocale().toString(time, format);
}

namespace {

void DecodeCommon(std::uint32_t word, ReadingTexts& texts) {
    texts.Value = FormatLevel(LevelTenths(word));
    texts.Range = QString(QChar(u'0' + RangeIndex(word)));
    texts.Weighting = IsCWeighted(word) ? QStringLiteral("C") : QStringLiteral("A");
    texts.Response = IsSlow(word) ? QStringLiteral("SLOW") : QStringLiteral("FAST");
}

}  // namespace

std::uint32_t DecodeLive(std::uint32_t liveWord, const ClockTexts& clock, const QDateTime& now,
                         ReadingTexts& texts) {
    DecodeCommon(liveWord, texts);
    const std::uint32_t h = std::uint32_t(ClampTo(ClockField(clock.Hour), 23));
    const std::uint32_t m = std::uint32_t(ClampTo(ClockField(clock.Minute), 59));
    const std::uint32_t s = std::uint32_t(ClampTo(ClockField(clock.Second), 59));
    const std::uint32_t recordWord = (liveWord & 0x7FFFu) | (((h << 12) | (m << 6) | s) << 15);
    texts.Time = FormatLongTime(now.time());
    texts.Date = FormatShortDate(now.date());
    return recordWord;
}

void DecodeFile(std::uint32_t word, ReadingTexts& texts) {
    DecodeCommon(word, texts);
    texts.Time = FormatLongTime(WordTime(word));
}

QString FormatCutDecimals(float value, int digits) {
    if (digits < 0)
        digits = 0;
    const double wide = value;  // exact: every float is a double
    if (!std::isfinite(wide))
        return wide != wide ? QStringLiteral("NAN") : (wide < 0 ? QStringLiteral("-INF") : QStringLiteral("INF"));

    // 15 significant digits, rounded, as "d.dddddddddddddde+XX".
    char buffer[64];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, wide, std::chars_format::scientific, 14);
    std::string sci(buffer, result.ptr);
    const bool negative = !sci.empty() && sci[0] == '-';
    if (negative)
        sci.erase(0, 1);
    const auto ePos = sci.find('e');
    std::string mantissa = sci.substr(0, ePos);
    mantissa.erase(1, 1);  // the '.' after the first digit
    int exponent = std::atoi(sci.c_str() + ePos + 1);
    while (mantissa.size() > 1 && mantissa.back() == '0')
        mantissa.pop_back();
    if (mantissa == "0")
        return QStringLiteral("0");

    // Always fixed notation: a tiny size must never read as its mantissa.
    std::string integer, fraction;
    if (exponent >= 0) {
        const std::size_t intDigits = std::size_t(exponent) + 1;
        if (mantissa.size() <= intDigits) {
            integer = mantissa + std::string(intDigits - mantissa.size(), '0');
        } else {
            integer = mantissa.substr(0, intDigits);
            fraction = mantissa.substr(intDigits);
        }
    } else {
        integer = "0";
        fraction = std::string(std::size_t(-exponent - 1), '0') + mantissa;
    }

    std::string text = (negative ? "-" : "") + integer;
    if (!fraction.empty())
        text += ',' + fraction.substr(0, std::size_t(digits));
    return QString::fromLatin1(text.data(), qsizetype(text.size()));
}

}  // namespace reading
