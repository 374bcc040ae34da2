// SPDX-License-Identifier: GPL-3.0-or-later
#include "tools/xlstemplate/export_template.h"

#include "records/xls/workbook_builder.h"

namespace xlstemplate {

void WriteExportTemplate(const QString& path) {
    xls::WorkbookBuilder book(QStringLiteral("Recording"));

    int titleFont = book.AddFont({QStringLiteral("Arial"), 280, true, false, 0x7FFF});
    int noteFont = book.AddFont({QStringLiteral("Arial"), 180, false, true, 23});
    int headerFont = book.AddFont({QStringLiteral("Arial"), 200, true, false, 0x7FFF});
    constexpr std::uint8_t kPaleBlue = 44;

    int title = book.AddStyle({titleFont, xls::HAlign::Left, 0, false});
    int note = book.AddStyle({noteFont, xls::HAlign::Left, 0, false});
    int header = book.AddStyle({headerFont, xls::HAlign::Center, kPaleBlue, true});
    int data = book.AddStyle({0, xls::HAlign::Center, 0, false});

    // REC, dB, A/C, Time, Date; the data cells take their column's centred style.
    const int widths[] = {8, 8, 6, 12, 12};
    for (int column = 1; column <= 5; ++column) book.SetColumn(column, widths[column - 1] * 256 + 200, data);

    book.SetRowHeight(1, 400);
    book.SetCell(1, 1, QStringLiteral("Quorvane \u2014 sound level recording"), title);
    book.Merge(1, 1, 1, 5);
    book.SetCell(2, 1, QStringLiteral("One reading per row from row 5: level in dB, weighting, time and date."), note);
    book.Merge(2, 1, 2, 5);
    const char* names[] = {"REC", "dB", "A/C", "Time", "Date"};
    for (int column = 1; column <= 5; ++column) book.SetCell(4, column, QString::fromLatin1(names[column - 1]), header);
    book.FreezeRowsAbove(5);

    book.Save(path);
}

}  // namespace xlstemplate
