// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The workbook the spreadsheet export fills: a title, a note, the column
// header in row 4 and the data area from row 5 on.
#include <QString>

namespace xlstemplate {

// Writes the export template to `path`. Throws xls::Error.
void WriteExportTemplate(const QString& path);

}  // namespace xlstemplate
