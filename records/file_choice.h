// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Which loader a file name picks, and where a save goes: the small naming
// rules of the open and save commands, in plain code.
#include <QString>

namespace records {

// The file dialogs' filter lists, "label|pattern" pairs. The open list keeps
// the wide gap after "Text File" that the program has always shown.
inline constexpr const char* OpenFilter =
    "Record File [*.qzx]|*.qzx|Text File        [*.txt]|*.txt|Excel File [*.xls]|*.xls|"
    "Excel Workbook [*.xlsx]|*.xlsx";
inline constexpr const char* SaveFilter =
    "Record File [*.qzx]|*.qzx|Text File [*.txt]|*.txt|Excel File [*.xls]|*.xls|Excel Workbook [*.xlsx]|*.xlsx";

// Removes leading and trailing blanks and control characters (every
// character up to U+0020), as names typed or copied from the card may carry.
QString TrimFileName(const QString& name);

enum class LoadKind { None, Record, Text, Spreadsheet, Workbook };

// The loader for a file name: the first three characters after the dot
// that begins the file name's extension, lower-cased: "qzx", "txt" or
// "xls" (so NGFO0509.QZX and data.qzx1 are record files), except that an
// extension beginning with "xlsx" is a workbook (.xlsx). A dot inside a
// folder name does not count; no extension gives None.
LoadKind LoadKindOf(const QString& path);

// The save dialog's filter index (1-based) picks the form.
enum class SaveForm { None, Record, Text, Spreadsheet, Workbook };
SaveForm SaveFormOf(int filterIndex);
// "qzx", "txt", "xls", "xlsx"; empty for None.
QString SaveExtension(SaveForm form);

// The dialog's file name with the form's extension, so the form alone
// decides the format and the name says it: an extension typed that is the
// form's own (in any case) is kept as typed (data.txt stays data.txt,
// DATA.TXT stays DATA.TXT), one that is another form's is replaced (data.txt
// saved as a record file is data.qzx), and any other name gets the form's
// extension appended (data.2024 becomes data.2024.txt). Empty for
// SaveForm::None.
QString SaveTargetPath(const QString& dialogName, SaveForm form);

}  // namespace records
