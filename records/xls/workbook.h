// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A spreadsheet workbook in the Excel 97-2003 format (.xls, BIFF8), read and
// written by our own engine: what the spreadsheet export and import need.
//
// Rows and columns are 1-based, as a spreadsheet numbers them. Only the
// active sheet (the one selected when the workbook was saved) is read and
// changed; every other part of the workbook is written back as it was.
//
// Used rows: UsedRowCount() is the number of the last row that holds any
// cell, counted from row 1 (0 for a sheet without cells). A cell written with
// empty text is kept as an empty cell and counts as used; ClearRow removes
// cells, so a cleared row does not count. The export writes the row after
// its data with empty texts, so the used rows end there, and the import
// (rows 5 to UsedRowCount() - 1) gets back exactly the rows exported.
#include "records/xls/error.h"
#include "records/xls/number_format.h"

#include <QString>

#include <memory>

namespace xls {

namespace detail { struct Document; }

// Rows a BIFF8 sheet can hold.
inline constexpr int MaxSheetRows = 65536;
// The head of the export template: rows 1 to 4, never written by the export.
inline constexpr int HeadRows = 4;
// Table rows an export can hold: the head, the data and the empty row the
// export writes after the data must all fit in one sheet.
inline constexpr int MaxDataRows = MaxSheetRows - HeadRows - 1;

inline constexpr const char* TooManyRowsText =
    "This recording has too many rows for an Excel File [*.xls] (at most 65531). Save it as an Excel Workbook "
    "[*.xlsx] or a text file instead.";

// Throws Error(TooManyRowsText) when `dataRows` table rows cannot be exported
// into one sheet. Called before anything is written, so nothing is cut off.
void CheckExportRowCount(int dataRows);

class Workbook;

enum class CellKind { Empty, Text, Number, Date, Time, DateTime };

// A cell as its number format shows it. Dates and times are numbers: days
// since the workbook's epoch (1899-12-30, or 1904-01-01 for a workbook that
// counts from 1904), the time of day as the fraction of a day.
struct CellValue {
    CellKind kind = CellKind::Empty;
    double number = 0;                          // Number, Date, Time, DateTime
    QString text;                               // as CellText gives it
    QString format = QStringLiteral("General"); // the number format's text
};

// The active sheet of an open workbook; valid while that Workbook object is
// open and stays where it is (not moved from).
class Sheet {
public:
    QString Name() const;
    int UsedRowCount() const;
    // The text the cell shows: texts as they are, numbers in the general
    // format with "." (52.3, 7, 1E+20), TRUE/FALSE, error codes like #DIV/0!,
    // a formula's last result; "" for an empty or missing cell.
    QString CellText(int row, int column) const;
    // The cell with its kind: an empty text counts as Empty; a number (or a
    // formula's number result) is a Date, Time or DateTime when its format
    // says so (ClassifyNumberFormat).
    CellValue Value(int row, int column) const;
    // True when the workbook counts dates from 1904-01-01.
    bool DatesFrom1904() const;
    // Removes every cell of the row (its values and formats).
    void ClearRow(int row);
    // Stores text as a text value; an existing cell keeps its format, a new
    // one takes its column's format. Throws Error for a cell outside the
    // sheet (rows 1-65536, columns 1-256) or a text over 32767 characters.
    void SetCellText(int row, int column, const QString& text);
    // Stores a number shown in `format` ("0.0", "hh:mm:ss", "yyyy-mm-dd",
    // ...): the cell keeps its (or its column's) look with that format.
    // Throws Error as SetCellText does, or when no format can be added.
    void SetCellNumber(int row, int column, double value, const QString& format);

private:
    friend class Workbook;
    explicit Sheet(Workbook* book) : book_(book) {}
    Workbook* book_;
};

class Workbook {
public:
    // Opens and reads the workbook. Throws Error (missing file, not a
    // workbook, older format, damaged file).
    static Workbook Open(const QString& path);

    Workbook(Workbook&&) noexcept;
    Workbook& operator=(Workbook&&) noexcept;
    ~Workbook();

    QString Path() const { return path_; }
    bool IsOpen() const { return doc_ != nullptr; }
    Sheet ActiveSheet();
    // Writes the workbook back to its file: into a temporary file in the
    // same folder first, which then replaces the file, so a failed save
    // leaves the old file whole. Throws Error.
    void Save();
    // Forgets the workbook without saving; the sheet can no longer be used.
    void Close();

private:
    friend class Sheet;
    Workbook(QString path, std::unique_ptr<detail::Document> doc);
    detail::Document& Doc() const;

    QString path_;
    std::unique_ptr<detail::Document> doc_;
};

}  // namespace xls
