// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Reading the Date and Time texts of rows opened from a text file or a
// spreadsheet, in the forms the program writes them in
// (reading::FormatShortDate and reading::FormatLongTime): the user's
// locale's, or another's for a file written with other settings.
#include <QDate>
#include <QLocale>
#include <QString>
#include <QStringList>
#include <QTime>
#include <optional>
#include <vector>

namespace noisestats {

// A date in the locale's short or long format (or in `format`). A four-digit year is taken
// as it stands; a two-digit year (most short formats) gets the century that
// brings the date nearest to `today` (Qt alone would give 19xx).
std::optional<QDate> ReadRowDate(const QString& text, const QLocale& locale, QDate today);
std::optional<QDate> ReadRowDate(const QString& text, const QLocale& locale, const QString& format, QDate today);

// A time of day with seconds in the locale's long format without its time
// zone (as the program writes it), else "HH:mm:ss" or the short format.
std::optional<QTime> ReadRowTime(const QString& text, const QLocale& locale);
// The same with the formats worked out once (RowTimeFormats), for many rows.
QStringList RowTimeFormats(const QLocale& locale);
std::optional<QTime> ReadRowTime(const QString& text, const QLocale& locale, const QStringList& formats);

// The Date and Time texts of the rows of one file, read in the forms the
// program writes them in, whatever the language settings it ran with: a
// file written with other settings than the user's now (LANG=C, read with
// de_DE) is read in the form it was written in, never in a wrong one that
// happens to fit part of a text. Dates: the user's short or long form when
// it reads every date text of the file, else the short form that reads the
// most of them, the first of the C locale, American English, then every
// other locale Qt knows (one form for the whole file, so no day is read one
// way here and another there). Times: the user's forms, else the first
// other locale's long form that reads the text, kept for the rows that
// follow. A text no form reads gives nothing: no time is made up.
class RowDateTimeReader {
public:
    explicit RowDateTimeReader(const QLocale& user = QLocale(), QDate today = QDate::currentDate());

    // Chooses the date form from the file's date texts (each once is enough).
    void ChooseDateForm(const QStringList& dateTexts);
    bool DateFormChosen() const { return dateChosen_; }
    // A date in the chosen form (the user's before any is chosen); nothing
    // when it does not read the text.
    std::optional<QDate> Date(const QString& text) const;
    std::optional<QTime> Time(const QString& text);

    // The forms used when they are not the user's, as Qt writes a format
    // ("d MMM yyyy", "h:mm:ss AP"); empty while the user's serve.
    QString DateForm() const { return otherDateForm_; }
    QString TimeForm() const { return otherTimeForm_; }
    // Another form that read every date text as well, giving other days for
    // some: the file alone can't tell which the program wrote. Empty when
    // there is none.
    QString RivalDateForm() const { return rivalDateForm_; }

private:
    struct LocaleDate {
        QLocale locale;
        QString format;
    };
    struct LocaleTimes {
        QLocale locale;
        QStringList formats;
    };
    static const std::vector<LocaleDate>& OtherDateForms();
    static const std::vector<LocaleTimes>& OtherTimeForms();
    std::optional<QDate> DateIn(const LocaleDate& form, const QString& text) const;

    std::vector<LocaleDate> userDates_;
    LocaleDate chosenDate_;
    bool dateChosen_ = false;
    LocaleTimes userTimes_;
    std::optional<LocaleTimes> otherTimes_;
    int failedSearches_ = 0;  // whole searches for a time form in a row that found none
    QDate today_;
    QString otherDateForm_, otherTimeForm_, rivalDateForm_;
};

}  // namespace noisestats
