// SPDX-License-Identifier: GPL-3.0-or-later
#include "records/xls/workbook.h"

#include "records/xls/document.h"
#include "records/xls/number_text.h"

#include <QFile>
#include <QSaveFile>

#include <algorithm>

namespace xls {

using detail::Cell;
using detail::Document;

void CheckExportRowCount(int dataRows) {
    if (dataRows > MaxDataRows) throw Error(TooManyRowsText);
}

Workbook::Workbook(QString path, std::unique_ptr<Document> doc) : path_(std::move(path)), doc_(std::move(doc)) {}
Workbook::Workbook(Workbook&&) noexcept = default;
Workbook& Workbook::operator=(Workbook&&) noexcept = default;
Workbook::~Workbook() = default;

Workbook Workbook::Open(const QString& path) {
    if (!QFile::exists(path)) throw Error("The workbook file does not exist: " + path.toStdString());
    detail::CompoundFile container = detail::ReadCompoundFile(QFile::encodeName(path).toStdString());
    std::string streamName = "Workbook";
    detail::StorageEntry* stream = container.FindStream(streamName);
    if (!stream) {
        streamName = "Book";
        stream = container.FindStream(streamName);
    }
    if (!stream) throw Error("The file is not a spreadsheet workbook: it has no workbook stream.");
    auto doc = std::make_unique<Document>(detail::ParseWorkbookStream(stream->data));
    stream->data.clear();  // rebuilt from the document when saved
    stream->data.shrink_to_fit();
    doc->streamName = streamName;
    doc->container = std::move(container);
    return Workbook(path, std::move(doc));
}

Document& Workbook::Doc() const {
    if (!doc_) throw Error("The workbook is closed.");
    return *doc_;
}

Sheet Workbook::ActiveSheet() {
    Doc();
    return Sheet(this);
}

void Workbook::Save() {
    Document& doc = Doc();
    detail::StorageEntry* stream = doc.container.FindStream(doc.streamName);
    if (!stream) throw Error("The workbook has lost its workbook stream.");
    stream->data = detail::SerializeWorkbookStream(doc);
    detail::Bytes file;
    try {
        file = detail::WriteCompoundFile(doc.container);
    } catch (...) {
        stream->data.clear();
        throw;
    }
    stream->data.clear();
    stream->data.shrink_to_fit();

    QSaveFile out(path_);
    if (!out.open(QIODevice::WriteOnly))
        throw Error("The workbook cannot be saved to " + path_.toStdString() + ": " + out.errorString().toStdString());
    if (out.write(reinterpret_cast<const char*>(file.data()), qint64(file.size())) != qint64(file.size()) ||
        !out.commit())
        throw Error("The workbook cannot be saved to " + path_.toStdString() + ": " + out.errorString().toStdString());
}

void Workbook::Close() { doc_.reset(); }

namespace {

void CheckCell(int row, int column) {
    if (row < 1 || row > MaxSheetRows || column < 1 || column > detail::kSheetColumns)
        throw Error("The cell (" + std::to_string(row) + ", " + std::to_string(column) +
                    ") lies outside a spreadsheet sheet (rows 1 to 65536, columns 1 to 256).");
}

}  // namespace

QString Sheet::Name() const {
    const Document& doc = book_->Doc();
    return doc.sheets[doc.active].name;
}

int Sheet::UsedRowCount() const { return book_->Doc().activeSheet.UsedRowCount(); }

QString Sheet::CellText(int row, int column) const {
    const detail::ActiveSheet& s = book_->Doc().activeSheet;
    if (row < 1 || column < 1 || column > detail::kSheetColumns) return QString();
    auto found = s.rows.find(row - 1);
    if (found == s.rows.end()) return QString();
    auto& cells = found->second.cells;
    auto at = std::find_if(cells.begin(), cells.end(), [&](const Cell& c) { return c.column == column - 1; });
    return at == cells.end() ? QString() : at->text;
}

CellValue Sheet::Value(int row, int column) const {
    const Document& doc = book_->Doc();
    const detail::ActiveSheet& s = doc.activeSheet;
    CellValue value;
    if (row < 1 || column < 1 || column > detail::kSheetColumns) return value;
    auto found = s.rows.find(row - 1);
    if (found == s.rows.end()) return value;
    auto& cells = found->second.cells;
    auto at = std::find_if(cells.begin(), cells.end(), [&](const Cell& c) { return c.column == column - 1; });
    if (at == cells.end()) return value;
    value.text = at->text;
    value.format = detail::FormatOfXf(doc, at->xf);
    if (!at->isNumber) {
        value.kind = at->text.isEmpty() ? CellKind::Empty : CellKind::Text;
        return value;
    }
    value.number = at->number;
    const std::uint16_t number = at->xf < doc.xfFormat.size() ? doc.xfFormat[at->xf] : 0;
    const FormatKind kind = doc.formats.count(number) ? ClassifyNumberFormat(value.format) : BuiltInFormatKind(number);
    switch (kind) {
    case FormatKind::Number: value.kind = CellKind::Number; break;
    case FormatKind::Date: value.kind = CellKind::Date; break;
    case FormatKind::Time: value.kind = CellKind::Time; break;
    case FormatKind::DateTime: value.kind = CellKind::DateTime; break;
    }
    return value;
}

bool Sheet::DatesFrom1904() const { return book_->Doc().dates1904; }

void Sheet::SetCellNumber(int row, int column, double value, const QString& format) {
    CheckCell(row, column);
    Document& doc = book_->Doc();
    detail::ActiveSheet& s = doc.activeSheet;
    detail::Row& target = s.rows[row - 1];
    auto col = std::uint16_t(column - 1);
    std::uint16_t base = detail::kDefaultCellXf;
    if (const Cell* old = target.Find(col)) {
        base = old->xf;
    } else if (auto columnFormat = s.columnXf.find(col); columnFormat != s.columnXf.end()) {
        base = columnFormat->second;
    }
    Cell cell;
    cell.column = col;
    cell.fresh = true;
    cell.isNumber = true;
    cell.number = value;
    cell.text = detail::GeneralNumberText(value);
    cell.xf = detail::DerivedXf(doc, base, format);
    target.Put(std::move(cell));
}

void Sheet::ClearRow(int row) {
    CheckCell(row, 1);
    detail::ActiveSheet& s = book_->Doc().activeSheet;
    s.rows.erase(row - 1);
    // A merged range that reaches into the cleared row would span cells that are gone.
    std::erase_if(s.merges, [&](const detail::MergedRange& m) { return m.firstRow <= row - 1 && row - 1 <= m.lastRow; });
}

void Sheet::SetCellText(int row, int column, const QString& text) {
    CheckCell(row, column);
    if (text.size() > 32767) throw Error("A spreadsheet cell holds at most 32767 characters.");
    detail::ActiveSheet& s = book_->Doc().activeSheet;
    detail::Row& target = s.rows[row - 1];
    auto col = std::uint16_t(column - 1);
    Cell cell;
    cell.column = col;
    cell.fresh = true;
    cell.text = text;
    if (const Cell* old = target.Find(col)) {
        cell.xf = old->xf;
    } else if (auto format = s.columnXf.find(col); format != s.columnXf.end()) {
        cell.xf = format->second;
    }
    target.Put(std::move(cell));
}

}  // namespace xls
