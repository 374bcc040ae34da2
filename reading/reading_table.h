// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The table of readings behind the main window's grid: a header row (row 0)
// and data rows 1.. . A row holds a reading (its word, date and time of day)
// rather than five texts; a cell's text is formatted only when it is asked
// for, so a recording of a week costs a few bytes per reading. Rows loaded
// from text files or spreadsheets hold their five texts as they were read.
//
// Row numbers follow the grid the table stands for: RowCount() counts the
// header row too, and a cell may be set in the row just past the end before
// the count grows to show it.
#include <QAbstractTableModel>
#include <QDate>
#include <QString>
#include <QStringList>
#include <QTime>
#include <cstdint>
#include <optional>

class ReadingTable : public QAbstractTableModel {
    Q_OBJECT
public:
    static constexpr int Columns = 5;  // "REC", "dB", "A/C", "Time", "Date"
    static constexpr int InitialRowCount = 15;  // the header row and 14 empty rows

    explicit ReadingTable(QObject* parent = nullptr);
    ~ReadingTable() override;

    // Rows of the grid, the header row included (at least 1).
    int RowCount() const;
    // Adds empty rows or drops rows from the end; the header row stays.
    void SetRowCount(int rows);

    // The text of a cell; row 0 is the header. Rows that were never set,
    // and rows past the end, read as empty texts.
    QString Cell(int column, int row) const;
    // Stores a text in a cell (row >= 0; row 0 sets a header text).
    void SetCell(int column, int row, const QString& text);
    // Empties the five cells of a data row.
    void ClearRow(int row);

    // A live reading: column 0 the row number, 1 the level text of the
    // word, 2 its weighting, 3 the time of day, 4 the date (both as the PC
    // clock gave them when the reading was decoded).
    void SetLiveRow(int row, std::uint32_t recordWord, const QDate& date, const QTime& time);
    // A word from a record file: column 0 the row number, 1 and 2 as above,
    // 3 the word's own time of day, 4 the file's start date.
    void SetFileRow(int row, std::uint32_t word, const QDate& date);

    // The reading a row holds as a word (live and record-file rows): the
    // word, its date and its time of day as the row shows them. Nothing for
    // rows of texts, empty rows and rows past the end.
    struct WordRow {
        std::uint32_t word;
        QDate date;
        QTime time;
    };
    std::optional<WordRow> WordAt(int row) const;
    // Record-file rows in bulk: copies the words of the consecutive
    // record-file rows from `firstRow` on that share its date, at most
    // `maxRows`, to `words`, sets `date`, and returns how many. 0 when
    // `firstRow` holds no record-file word (a live, text or empty row).
    int FileWordRun(int firstRow, int maxRows, std::uint32_t* words, QDate* date) const;

    // Texts among which is the widest a column shows for a reading, in the
    // user's locale: row numbers up to 9,999,999, every level text (30,0 to
    // 132,3), the long time of every minute of the day, the short date of
    // every day of a year, the weightings. The grid sizes its columns by them.
    static QStringList ColumnSampleTexts(int column);

    // Bytes of memory held for all data rows (rows, side store of text rows),
    // for the memory budget per reading.
    std::size_t BytesUsed() const;

    // QAbstractTableModel: data rows 1.. become model rows 0..; the header
    // row is the horizontal header.
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    struct Impl;
    Impl* d;
};
