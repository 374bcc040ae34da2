// SPDX-License-Identifier: GPL-3.0-or-later
#include "reading/reading_table.h"

#include "reading/reading_word.h"

#include <algorithm>
#include <array>
#include <climits>
#include <memory>
#include <vector>

namespace {

// What a stored data row holds.
enum class RowKind : std::uint8_t {
    Empty,  // five empty cells
    Live,   // a live reading: word, date, time of day from the PC clock
    File,   // a word from a record file: word, the file's start date
    Text,   // five texts, kept in the side store
};

// One data row in 16 bytes. Dates are Julian day numbers; for live rows
// `aux` is the time of day in milliseconds, for text rows the slot of the
// row's texts in the side store.
struct Row {
    std::uint32_t word = 0;
    std::int32_t day = INT32_MIN;  // INT32_MIN: no valid date
    std::uint32_t aux = 0;
    RowKind kind = RowKind::Empty;
};
static_assert(sizeof(Row) <= 16);

std::int32_t DayOf(const QDate& date) {
    if (!date.isValid())
        return INT32_MIN;
    const qint64 jd = date.toJulianDay();
    return jd > INT32_MIN && jd <= INT32_MAX ? std::int32_t(jd) : INT32_MIN;
}

QDate DateOf(std::int32_t day) {
    return day == INT32_MIN ? QDate() : QDate::fromJulianDay(day);
}

// Data rows in blocks of fixed size: growing never moves a row, and the
// memory held stays within one block of what the rows need.
class RowStore {
public:
    static constexpr std::size_t BlockRows = 4096;  // 64 KiB per block

    std::size_t size() const { return size_; }
    Row& operator[](std::size_t i) { return blocks_[i / BlockRows][i % BlockRows]; }
    const Row& operator[](std::size_t i) const { return blocks_[i / BlockRows][i % BlockRows]; }

    // Grows to n rows; new rows are empty.
    void Grow(std::size_t n) {
        while (blocks_.size() * BlockRows < n)
            blocks_.push_back(std::make_unique<Row[]>(BlockRows));
        size_ = std::max(size_, n);
    }
    // Shrinks to n rows; the rows dropped are reset and whole blocks freed.
    void Shrink(std::size_t n) {
        for (std::size_t i = n; i < size_; ++i)
            (*this)[i] = Row{};
        size_ = std::min(size_, n);
        blocks_.resize((size_ + BlockRows - 1) / BlockRows);
        if (blocks_.empty())
            std::vector<std::unique_ptr<Row[]>>().swap(blocks_);
    }
    std::size_t BytesHeld() const {
        return blocks_.size() * BlockRows * sizeof(Row) + blocks_.capacity() * sizeof(blocks_[0]);
    }

private:
    std::vector<std::unique_ptr<Row[]>> blocks_;
    std::size_t size_ = 0;
};

}  // namespace

struct ReadingTable::Impl {
    std::array<QString, Columns> header;
    int rowCount = InitialRowCount;  // grid rows, header included
    // rows[i] is grid row i + 1; it may reach one or more rows past the end,
    // where cells are set before the count grows to show them.
    RowStore rows;
    std::vector<std::array<QString, Columns>> texts;  // side store of text rows
    std::vector<std::uint32_t> freeTextSlots;

    Row* Find(int row) {
        return row >= 1 && std::size_t(row) <= rows.size() ? &rows[std::size_t(row - 1)] : nullptr;
    }
    const Row* Find(int row) const {
        return row >= 1 && std::size_t(row) <= rows.size() ? &rows[std::size_t(row - 1)] : nullptr;
    }
    Row& Ensure(int row) {
        rows.Grow(std::size_t(row));
        return rows[std::size_t(row - 1)];
    }

    void ReleaseText(Row& r) {
        if (r.kind == RowKind::Text) {
            texts[r.aux] = {};
            freeTextSlots.push_back(r.aux);
        }
        r = Row{};
    }

    std::uint32_t NewTextSlot() {
        if (!freeTextSlots.empty()) {
            const std::uint32_t slot = freeTextSlots.back();
            freeTextSlots.pop_back();
            return slot;
        }
        texts.emplace_back();
        return std::uint32_t(texts.size() - 1);
    }

    QString Format(const Row& r, int column, int row) const {
        switch (r.kind) {
        case RowKind::Empty:
            return {};
        case RowKind::Text:
            return texts[r.aux][std::size_t(column)];
        case RowKind::Live:
        case RowKind::File:
            break;
        }
        switch (column) {
        case 0:
            return QString::number(row);
        case 1:
            return reading::FormatLevel(reading::LevelTenths(r.word));
        case 2:
            return reading::IsCWeighted(r.word) ? QStringLiteral("C") : QStringLiteral("A");
        case 3:
            return reading::FormatLongTime(r.kind == RowKind::Live ? QTime::fromMSecsSinceStartOfDay(int(r.aux))
                                                                     : reading::WordTime(r.word));
        case 4:
            return reading::FormatShortDate(DateOf(r.day));
        default:
            return {};
        }
    }

    // Drops the rows from grid row `keep` on and gives their memory back.
    void Truncate(int keep) {
        const std::size_t kept = std::size_t(keep > 1 ? keep - 1 : 0);
        if (kept == 0) {
            rows.Shrink(0);
            std::vector<std::array<QString, Columns>>().swap(texts);
            std::vector<std::uint32_t>().swap(freeTextSlots);
            return;
        }
        for (std::size_t i = kept; i < rows.size(); ++i)
            ReleaseText(rows[i]);
        rows.Shrink(kept);
    }
};

ReadingTable::ReadingTable(QObject* parent) : QAbstractTableModel(parent), d(new Impl) {}

ReadingTable::~ReadingTable() { delete d; }

int ReadingTable::RowCount() const { return d->rowCount; }

void ReadingTable::SetRowCount(int rows) {
    if (rows < 1)
        rows = 1;
    const int old = d->rowCount;
    if (rows == old)
        return;
    if (rows > old) {
        beginInsertRows({}, old - 1, rows - 2);
        d->rowCount = rows;
        endInsertRows();
    } else {
        beginRemoveRows({}, rows - 1, old - 2);
        d->rowCount = rows;
        d->Truncate(rows);
        endRemoveRows();
    }
}

QStringList ReadingTable::ColumnSampleTexts(int column) {
    QStringList texts;
    switch (column) {
    case 0:
        // Seven digits (a week of readings is 604,800 rows); digits may
        // differ in width, so each one repeated.
        for (char digit = '0'; digit <= '9'; ++digit)
            texts << QString(7, QLatin1Char(digit));
        break;
    case 1:
        for (int code = 0; code <= 0x3FF; ++code)
            texts << reading::FormatLevel(reading::LevelTenths(std::uint32_t(code)));
        break;
    case 2:
        texts << QStringLiteral("A") << QStringLiteral("C");
        break;
    case 3:
        // Every hour (with its AM/PM marker where the locale has one) and
        // every two-digit minute and second.
        for (int hour = 0; hour < 24; ++hour)
            for (int minute = 0; minute < 60; ++minute)
                texts << reading::FormatLongTime(QTime(hour, minute, minute));
        break;
    case 4: {
        // Every month's name and every day's number, in a leap year.
        const QDate first(2028, 1, 1);
        for (int day = 0; day < first.daysInYear(); ++day)
            texts << reading::FormatShortDate(first.addDays(day));
        break;
    }
    default:
        break;
    }
    return texts;
}

QString ReadingTable::Cell(int column, int row) const {
    if (column < 0 || column >= Columns || row < 0 || row >= d->rowCount)
        return {};
    if (row == 0)
        return d->header[std::size_t(column)];
    const Row* r = d->Find(row);
    return r ? d->Format(*r, column, row) : QString();
}

void ReadingTable::SetCell(int column, int row, const QString& text) {
    if (column < 0 || column >= Columns || row < 0)
        return;
    if (row == 0) {
        d->header[std::size_t(column)] = text;
        emit headerDataChanged(Qt::Horizontal, column, column);
        return;
    }
    Row* existing = d->Find(row);
    if (text.isEmpty() && (!existing || existing->kind == RowKind::Empty))
        return;  // the cell already reads as empty
    Row& r = d->Ensure(row);
    if (r.kind != RowKind::Text) {
        // The row becomes a text row holding what it showed so far.
        std::array<QString, Columns> cells;
        for (int c = 0; c < Columns; ++c)
            cells[std::size_t(c)] = d->Format(r, c, row);
        const std::uint32_t slot = d->NewTextSlot();
        d->texts[slot] = std::move(cells);
        r = Row{};
        r.kind = RowKind::Text;
        r.aux = slot;
    }
    d->texts[r.aux][std::size_t(column)] = text;
    if (row < d->rowCount) {
        const QModelIndex at = index(row - 1, column);
        emit dataChanged(at, at);
    }
}

std::optional<ReadingTable::WordRow> ReadingTable::WordAt(int row) const {
    const Row* r = d->Find(row);
    if (!r || (r->kind != RowKind::Live && r->kind != RowKind::File)) return std::nullopt;
    const QTime time = r->kind == RowKind::Live ? QTime::fromMSecsSinceStartOfDay(int(r->aux)) : reading::WordTime(r->word);
    return WordRow{r->word, DateOf(r->day), time};
}

int ReadingTable::FileWordRun(int firstRow, int maxRows, std::uint32_t* words, QDate* date) const {
    const Row* first = d->Find(firstRow);
    if (!first || first->kind != RowKind::File)
        return 0;
    const std::size_t begin = std::size_t(firstRow - 1);
    const std::size_t end = std::min(d->rows.size(), begin + std::size_t(std::max(maxRows, 0)));
    std::size_t i = begin;
    for (; i < end && d->rows[i].kind == RowKind::File && d->rows[i].day == first->day; ++i)
        words[i - begin] = d->rows[i].word;
    *date = DateOf(first->day);
    return int(i - begin);
}

void ReadingTable::ClearRow(int row) {
    Row* r = d->Find(row);
    if (!r)
        return;
    d->ReleaseText(*r);
    if (row < d->rowCount)
        emit dataChanged(index(row - 1, 0), index(row - 1, Columns - 1));
}

void ReadingTable::SetLiveRow(int row, std::uint32_t recordWord, const QDate& date, const QTime& time) {
    if (row < 1)
        return;
    Row& r = d->Ensure(row);
    d->ReleaseText(r);
    r.kind = RowKind::Live;
    r.word = recordWord;
    r.day = DayOf(date);
    r.aux = std::uint32_t(time.isValid() ? time.msecsSinceStartOfDay() : 0);
    if (row < d->rowCount)
        emit dataChanged(index(row - 1, 0), index(row - 1, Columns - 1));
}

void ReadingTable::SetFileRow(int row, std::uint32_t word, const QDate& date) {
    if (row < 1)
        return;
    Row& r = d->Ensure(row);
    d->ReleaseText(r);
    r.kind = RowKind::File;
    r.word = word;
    r.day = DayOf(date);
    if (row < d->rowCount)
        emit dataChanged(index(row - 1, 0), index(row - 1, Columns - 1));
}

std::size_t ReadingTable::BytesUsed() const {
    std::size_t bytes = d->rows.BytesHeld();
    bytes += d->freeTextSlots.capacity() * sizeof(std::uint32_t);
    bytes += d->texts.capacity() * sizeof(std::array<QString, Columns>);
    for (const auto& cells : d->texts) {
        for (const QString& text : cells)
            bytes += std::size_t(text.capacity()) * sizeof(QChar);
    }
    return bytes;
}

int ReadingTable::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : d->rowCount - 1;
}

int ReadingTable::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : Columns;
}

QVariant ReadingTable::data(const QModelIndex& index, int role) const {
    if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid))
        return {};
    // The tool tip shows a cell's whole text: the grid's narrow columns cut
    // long times and dates short.
    if (role != Qt::DisplayRole && role != Qt::EditRole && role != Qt::ToolTipRole)
        return {};
    return Cell(index.column(), index.row() + 1);
}

QVariant ReadingTable::headerData(int section, Qt::Orientation orientation, int role) const {
    if (role != Qt::DisplayRole)
        return {};
    if (orientation == Qt::Horizontal)
        return section >= 0 && section < Columns ? QVariant(d->header[std::size_t(section)]) : QVariant();
    return QVariant(section + 1);
}
