// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Helpers shared by the spreadsheet tests and bench: a scratch folder, the
// export as the save command runs it, ssconvert and a small CSV reader.
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <vector>

namespace xlstest {

using Table = std::vector<QStringList>;  // rows of five cells

// Rows as the main table holds them: REC, dB, A/C, Time, Date.
Table SampleRows(int count);

// Copies the template to `target` and writes `rows` the way the save command
// does: clear rows 5 to used + 1, then write every row plus an empty one.
void ExportRows(const QString& templatePath, const QString& target, const Table& rows);

// Reads sheet rows 5 to used - 1, columns 1 to 5, as the open command does.
Table ImportRows(const QString& path);

// Path of ssconvert, or empty when it is not installed.
QString SsconvertPath();
// Runs ssconvert with the arguments; returns its exit code (-1 if it did not run).
int RunSsconvert(const QStringList& arguments, QString* errors = nullptr);

// Parses CSV as ssconvert writes it (quotes, doubled quotes, LF line ends).
Table ParseCsv(const QString& text);
QString ReadUtf8(const QString& path);
void WriteUtf8(const QString& path, const QString& text);

}  // namespace xlstest
