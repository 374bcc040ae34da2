// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The workbook export (.xlsx): the template's head (its texts in rows 1 to
// 4, the title and note rows, the styled header row, the column widths,
// rows above 5 frozen) and the table's rows from row 5 on as numbers, dates,
// times and texts (ExportValue), written with libxlsxwriter.
#include <QString>
#include <QStringList>

#include <array>
#include <map>

class ReadingTable;

namespace records {

// A sheet holds 1,048,576 rows: the head (4) and the empty row written after
// the data (1) leave this many for the data.
inline constexpr int MaxWorkbookDataRows = 1048576 - 4 - 1;
inline constexpr const char* TooManyWorkbookRowsText =
    "This recording has too many rows for an Excel Workbook [*.xlsx] (at most 1048571). Save it as a text file instead.";

// The texts of the head rows 1 to 4, columns 1 to 5.
using WorkbookHead = std::array<std::array<QString, 5>, 4>;

// The head of the export template (an .xls workbook): its active sheet's
// rows 1 to 4. Throws xls::Error.
WorkbookHead ReadTemplateHead(const QString& templatePath);

// Writes a new workbook at `path`: the head, then table rows 1 to lastRow
// in sheet rows 5 on. Throws xls::Error (too many rows, a write that fails).
void WriteWorkbookExport(const QString& path, const WorkbookHead& head, const ReadingTable& table, int lastRow);

}  // namespace records
