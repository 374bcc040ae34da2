// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What the open command tells the user about a file that loads nothing or
// loads doubtful data: why it could not be read (missing, a folder, refused
// by the system), that it holds no readings, that its kind is not one the
// program reads, and whether a record file's times look like a recording's
// at all. Plain code (Qt Core); the command shows the texts.
#include <QString>

#include <cstdint>
#include <vector>

namespace records {

// Why `path` could not be read, in words of its own for each cause:
// "The file ... does not exist.", "... is a folder, not a file.", or "The
// file ... can not be read: <the system's reason>."
QString UnreadableFileText(const QString& path);

// A file of a kind the program does not read (no extension, or another
// one): nothing is loaded, and this says which kinds it reads.
QString UnknownKindText(const QString& path);

// A record file of fewer than four bytes holds no reading.
QString EmptyRecordFileText(const QString& path, qint64 size);
// A text file in which no line is a row with a level (empty, or text of
// another kind).
QString EmptyTextFileText(const QString& path, qint64 size);
// A spreadsheet file of no bytes, and one whose sheet holds no data rows.
QString EmptySpreadsheetText(const QString& path);
QString SpreadsheetWithoutRowsText(const QString& path);

// How the times of day of a record file's words run. A recording's words
// are a second apart, with a gap where the meter was unplugged and a step
// back of nearly a day at midnight; random bytes read as words jump back
// and forth and give impossible times (hour 24 to 31, minute or second 60
// to 63).
struct WordTimeCheck {
    std::int64_t steps = 0;       // pairs of neighbouring words
    std::int64_t backSteps = 0;   // steps whose time goes back by up to 12 hours (more has passed midnight)
    std::int64_t impossible = 0;  // words whose time of day no clock shows
    // A recording's clock may be set back once or twice; more than one step
    // in a hundred going back, or any impossible time, is not a recording.
    bool Doubtful() const { return impossible > 0 || backSteps * 100 > steps; }
};
WordTimeCheck CheckWordTimes(const std::vector<std::uint32_t>& words);
// The warning for a doubtful check: what was found and that the times may
// be wrong.
QString DoubtfulTimesText(const QString& path, const WordTimeCheck& check);

}  // namespace records
