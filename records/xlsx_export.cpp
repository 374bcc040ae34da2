// SPDX-License-Identifier: GPL-3.0-or-later
#include "records/xlsx_export.h"

#include "reading/reading_table.h"
#include "records/sheet_rows.h"
#include "records/sheet_values.h"
#include "records/xls/workbook.h"

#include <xlsxwriter.h>

#include <QFile>

#include <map>
#include <memory>

namespace records {

namespace {

struct BookCloser {
    void operator()(lxw_workbook* book) const {
        if (book) workbook_close(book);
    }
};

[[noreturn]] void Failed(const QString& path, const char* what) {
    throw xls::Error(QStringLiteral("The workbook cannot be saved to %1: %2").arg(path, QString::fromUtf8(what)).toStdString());
}

void Check(lxw_error error, const QString& path) {
    if (error != LXW_NO_ERROR) Failed(path, lxw_strerror(error));
}

}  // namespace

WorkbookHead ReadTemplateHead(const QString& templatePath) {
    xls::Workbook book = xls::Workbook::Open(templatePath);
    const xls::Sheet sheet = book.ActiveSheet();
    WorkbookHead head;
    for (int r = 1; r <= 4; ++r)
        for (int k = 1; k <= 5; ++k) head[std::size_t(r - 1)][std::size_t(k - 1)] = sheet.CellText(r, k);
    return head;
}

void WriteWorkbookExport(const QString& path, const WorkbookHead& head, const ReadingTable& table, int lastRow) {
    if (lastRow - 1 > MaxWorkbookDataRows) throw xls::Error(TooManyWorkbookRowsText);
    lxw_workbook_options options{};
    // Rows go out as they are written: memory stays flat however long the recording.
    options.constant_memory = LXW_TRUE;
    const QByteArray file = QFile::encodeName(path);
    std::unique_ptr<lxw_workbook, BookCloser> book(workbook_new_opt(file.constData(), &options));
    if (!book) Failed(path, "no workbook");
    lxw_worksheet* sheet = workbook_add_worksheet(book.get(), "Recording");
    if (!sheet) Failed(path, "no sheet");

    // The look of the export template.
    lxw_format* title = workbook_add_format(book.get());
    format_set_bold(title);
    format_set_font_size(title, 14);
    lxw_format* note = workbook_add_format(book.get());
    format_set_italic(note);
    format_set_font_size(note, 9);
    format_set_font_color(note, 0x808080);
    lxw_format* header = workbook_add_format(book.get());
    format_set_bold(header);
    format_set_align(header, LXW_ALIGN_CENTER);
    format_set_bg_color(header, 0x99CCFF);
    format_set_border(header, LXW_BORDER_THIN);
    lxw_format* data = workbook_add_format(book.get());
    format_set_align(data, LXW_ALIGN_CENTER);
    lxw_format* time = workbook_add_format(book.get());
    format_set_align(time, LXW_ALIGN_CENTER);
    format_set_num_format_index(time, SheetTimeFormatId);
    lxw_format* date = workbook_add_format(book.get());
    format_set_align(date, LXW_ALIGN_CENTER);
    format_set_num_format_index(date, SheetDateFormatId);
    std::map<QString, lxw_format*> numbers;  // one format per decimals count

    const double widths[] = {8.78, 8.78, 6.78, 12.78, 12.78};
    for (lxw_col_t c = 0; c < 5; ++c) Check(worksheet_set_column(sheet, c, c, widths[c], data), path);
    Check(worksheet_set_row(sheet, 0, 20, nullptr), path);
    worksheet_freeze_panes(sheet, 4, 0);

    for (lxw_row_t r = 0; r < 4; ++r) {
        for (lxw_col_t c = 0; c < 5; ++c) {
            const QString& text = head[r][c];
            lxw_format* look = r == 0 ? title : r == 1 ? note : r == 3 ? header : nullptr;
            if (r < 2 && c > 0) continue;  // the title and note span the five columns
            if (r < 2) {
                Check(worksheet_merge_range(sheet, r, 0, r, 4, text.toUtf8().constData(), look), path);
            } else if (!text.isEmpty()) {
                Check(worksheet_write_string(sheet, r, c, text.toUtf8().constData(), look), path);
            } else if (look) {
                Check(worksheet_write_blank(sheet, r, c, look), path);
            }
        }
    }

    ExportValues values(false);
    for (int r = 1; r <= lastRow; ++r) {
        const auto row = lxw_row_t(r + FirstDataSheetRow - 2);
        for (int k = 0; k < 5; ++k) {
            const SheetValue& v = values.Of(k, table.Cell(k, r));
            const auto c = lxw_col_t(k);
            switch (v.kind) {
            case SheetValue::Kind::Text:
                if (!v.text.isEmpty()) Check(worksheet_write_string(sheet, row, c, v.text.toUtf8().constData(), data), path);
                else Check(worksheet_write_blank(sheet, row, c, data), path);
                break;
            case SheetValue::Kind::Time: Check(worksheet_write_number(sheet, row, c, v.number, time), path); break;
            case SheetValue::Kind::Date: Check(worksheet_write_number(sheet, row, c, v.number, date), path); break;
            case SheetValue::Kind::Number: {
                lxw_format*& look = numbers[v.format];
                if (!look) {
                    look = workbook_add_format(book.get());
                    format_set_align(look, LXW_ALIGN_CENTER);
                    format_set_num_format(look, v.format.toUtf8().constData());
                }
                Check(worksheet_write_number(sheet, row, c, v.number, look), path);
                break;
            }
            }
        }
    }
    lxw_error closed = workbook_close(book.release());
    if (closed != LXW_NO_ERROR) Failed(path, lxw_strerror(closed));
}

}  // namespace records
