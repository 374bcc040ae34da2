// SPDX-License-Identifier: GPL-3.0-or-later
#include "records/sheet_values.h"

#include "reading/reading_word.h"

#include <QLocale>
#include <QRegularExpression>

#include <cmath>

namespace records {

namespace {

QDate Epoch(bool dates1904) { return dates1904 ? QDate(1904, 1, 1) : QDate(1899, 12, 30); }

// "-12", "65,4", "100,05": a number with an optional decimal comma.
const QRegularExpression& CommaNumber() {
    static const QRegularExpression re(QStringLiteral("^-?[0-9]{1,12}(,[0-9]{1,9})?$"));
    return re;
}

QString WithDecimals(double v, int decimals) { return QString::number(v, 'f', decimals); }

QString NumberText(int column, const xls::CellValue& value, int decimals) {
    QString text = decimals >= 0 ? WithDecimals(value.number, decimals) : value.text;
    // Levels carry a decimal comma, as the table shows them.
    if (column == 1) text.replace(QLatin1Char('.'), QLatin1Char(','));
    return text;
}

}  // namespace

double DateSerial(const QDate& date, bool dates1904) { return double(Epoch(dates1904).daysTo(date)); }

QDate SerialDate(long long days, bool dates1904) { return Epoch(dates1904).addDays(days); }

std::optional<QTime> TableTime(const QString& text) {
    // Hours, minutes and seconds are the first three digit groups in every
    // locale's long time; a PM marker moves the hours of a 12-hour clock.
    static const QRegularExpression digits(QStringLiteral("[0-9]+"));
    int parts[3];
    int n = 0;
    for (auto it = digits.globalMatch(text); it.hasNext() && n < 3;) parts[n++] = it.next().captured().toInt();
    if (n < 3) return std::nullopt;
    for (int hour : {parts[0], parts[0] % 12 + 12, parts[0] % 12}) {
        const QTime t(hour, parts[1], parts[2]);
        if (t.isValid() && reading::FormatLongTime(t) == text) return t;
    }
    return std::nullopt;
}

std::optional<QDate> TableDate(const QString& text) {
    const QLocale locale;
    QDate date = locale.toDate(text, QLocale::ShortFormat);
    if (!date.isValid()) return std::nullopt;
    // A two-digit year is read as 19yy; recordings are younger than 1970.
    if (!locale.dateFormat(QLocale::ShortFormat).contains(QLatin1String("yyyy")) && date.year() < 1970)
        date = date.addYears(100);
    if (reading::FormatShortDate(date) != text) return std::nullopt;
    return date;
}

SheetValue ExportValue(int column, const QString& text, bool dates1904) {
    SheetValue v;
    v.text = text;
    switch (column) {
    case 0:
        if (static const QRegularExpression whole(QStringLiteral("^-?[1-9][0-9]{0,14}$|^0$"));
            whole.match(text).hasMatch()) {
            v.kind = SheetValue::Kind::Number;
            v.number = text.toDouble();
            v.format = QStringLiteral("General");
        }
        break;
    case 1:
        if (CommaNumber().match(text).hasMatch()) {
            QString point = text;
            point.replace(QLatin1Char(','), QLatin1Char('.'));
            const qsizetype comma = text.indexOf(QLatin1Char(','));
            const int decimals = comma < 0 ? 0 : int(text.size() - comma - 1);
            v.kind = SheetValue::Kind::Number;
            v.number = point.toDouble();
            v.format = decimals == 0 ? QStringLiteral("0") : QStringLiteral("0.") + QString(decimals, QLatin1Char('0'));
            // "-0,0" would come back as "0,0": kept as text.
            if (WithDecimals(v.number, decimals).replace(QLatin1Char('.'), QLatin1Char(',')) != text)
                v.kind = SheetValue::Kind::Text;
        }
        break;
    case 3:
        if (const auto t = TableTime(text)) {
            v.kind = SheetValue::Kind::Time;
            v.number = t->msecsSinceStartOfDay() / 1000 / 86400.0;
            v.format = QString::fromLatin1(SheetTimeFormat);
        }
        break;
    case 4:
        if (const auto d = TableDate(text); d && DateSerial(*d, dates1904) >= 1) {
            v.kind = SheetValue::Kind::Date;
            v.number = DateSerial(*d, dates1904);
            v.format = QString::fromLatin1(SheetDateFormat);
        }
        break;
    default: break;
    }
    return v;
}

QString ImportText(int column, const xls::CellValue& value, bool dates1904) {
    using xls::CellKind;
    switch (value.kind) {
    case CellKind::Empty:
    case CellKind::Text: return value.text;
    case CellKind::Number: return NumberText(column, value, xls::FixedDecimals(value.format));
    case CellKind::Date:
    case CellKind::Time:
    case CellKind::DateTime: break;
    }
    // Whole seconds; a serial outside the calendar shows as the number.
    if (!std::isfinite(value.number) || value.number < 0 || value.number > 2958466.0) return value.text;
    const long long seconds = std::llround(value.number * 86400.0);
    const long long days = seconds / 86400;
    const QTime time = QTime::fromMSecsSinceStartOfDay(int(seconds % 86400) * 1000);
    const QString dateText = reading::FormatShortDate(SerialDate(days, dates1904));
    const QString timeText = reading::FormatLongTime(time);
    if (value.kind == CellKind::Date) return dateText;
    if (value.kind == CellKind::Time) return timeText;
    return dateText + QLatin1Char(' ') + timeText;
}

const SheetValue& ExportValues::Of(int column, const QString& text) {
    const auto k = std::size_t(column);
    if (k >= 5) {
        value_[0] = ExportValue(column, text, dates1904_);
        known_[0] = false;
        return value_[0];
    }
    if (!known_[k] || last_[k] != text) {
        value_[k] = ExportValue(column, text, dates1904_);
        last_[k] = text;
        known_[k] = true;
    }
    return value_[k];
}

QString ImportTexts::Of(int column, const xls::CellValue& value) {
    using xls::CellKind;
    const auto k = std::size_t(column);
    if (value.kind == CellKind::Number) {
        // The decimals of the format, found once for a run of equal formats.
        if (value.format != lastFormat_) {
            lastFormat_ = value.format;
            decimals_ = xls::FixedDecimals(value.format);
        }
        return NumberText(column, value, decimals_);
    }
    const bool dated = value.kind == CellKind::Date || value.kind == CellKind::DateTime;
    if (k >= 5 || !dated) return ImportText(column, value, dates1904_);
    if (lastKind_[k] != value.kind || lastNumber_[k] != value.number) {
        text_[k] = ImportText(column, value, dates1904_);
        lastKind_[k] = value.kind;
        lastNumber_[k] = value.number;
    }
    return text_[k];
}

}  // namespace records
