// SPDX-License-Identifier: GPL-3.0-or-later
// The table of readings: cells of live, file and text rows, growth and
// shrinking as a model, and its memory per reading.
#include "reading/reading_table.h"

#include <QAbstractItemModelTester>
#include <QLocale>
#include <QSignalSpy>
#include <gtest/gtest.h>

#include <memory>

namespace {

std::uint32_t Word(int code, bool c, int h, int m, int s) {
    return std::uint32_t(code) | (c ? 1u << 13 : 0u) | (std::uint32_t((h << 12) | (m << 6) | s) << 15);
}

class ReadingTableTest : public ::testing::Test {
protected:
    void SetUp() override {
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
        // The tester checks every signal the model sends against its state.
        tester = std::make_unique<QAbstractItemModelTester>(
            &table, QAbstractItemModelTester::FailureReportingMode::Fatal);
    }
    void TearDown() override {
        tester.reset();
        QLocale::setDefault(QLocale::system());
    }

    std::vector<QString> RowTexts(int row) const {
        std::vector<QString> texts;
        for (int c = 0; c < ReadingTable::Columns; ++c)
            texts.push_back(table.Cell(c, row));
        return texts;
    }

    ReadingTable table;
    std::unique_ptr<QAbstractItemModelTester> tester;
};

using Texts = std::vector<QString>;

}  // namespace

TEST_F(ReadingTableTest, StartsWithAnEmptyHeaderAndFourteenEmptyRows) {
    EXPECT_EQ(table.RowCount(), 15);
    EXPECT_EQ(table.rowCount(), 14);
    EXPECT_EQ(table.columnCount(), 5);
    for (int row = 0; row < 16; ++row)
        EXPECT_EQ(RowTexts(row), Texts(5)) << row;

    const char* header[] = {"REC", "dB", "A/C", "Time", "Date"};
    QSignalSpy headerChanged(&table, &QAbstractItemModel::headerDataChanged);
    for (int c = 0; c < 5; ++c)
        table.SetCell(c, 0, header[c]);
    EXPECT_EQ(headerChanged.count(), 5);
    for (int c = 0; c < 5; ++c) {
        EXPECT_EQ(table.Cell(c, 0), header[c]);
        EXPECT_EQ(table.headerData(c, Qt::Horizontal, Qt::DisplayRole).toString(), header[c]);
    }
    // The header survives shrinking to it.
    table.SetRowCount(1);
    EXPECT_EQ(table.Cell(3, 0), "Time");
}

TEST_F(ReadingTableTest, LiveFileAndTextRowsShowTheirCells) {
    table.SetRowCount(1);
    const QDate start(2023, 7, 15);
    // A live row shows the time and date the clock gave, a second after the
    // time in its word.
    table.SetLiveRow(1, Word(523, false, 14, 3, 7), QDate(2024, 3, 5), QTime(14, 3, 8));
    table.SetFileRow(2, Word(1023, true, 31, 63, 63), start);
    table.SetFileRow(3, Word(0, false, 0, 0, 1), start);
    table.SetCell(0, 4, "17");
    table.SetCell(1, 4, "65,3");
    table.SetCell(4, 4, "05.03.24");
    table.SetRowCount(5);

    EXPECT_EQ(RowTexts(1), (Texts{"1", "82,3", "A", "14:03:08", "05.03.24"}));
    EXPECT_EQ(RowTexts(2), (Texts{"2", "132,3", "C", "23:59:59", "15.07.23"}));
    EXPECT_EQ(RowTexts(3), (Texts{"3", "30,0", "A", "00:00:01", "15.07.23"}));
    EXPECT_EQ(RowTexts(4), (Texts{"17", "65,3", "", "", "05.03.24"}));
    // The model shows the same cells, data row 1 as model row 0.
    EXPECT_EQ(table.data(table.index(1, 1), Qt::DisplayRole).toString(), "132,3");
    EXPECT_EQ(table.data(table.index(3, 0), Qt::DisplayRole).toString(), "17");

    // Setting one cell of a reading keeps its other cells; clearing empties all.
    table.SetCell(2, 1, "X");
    EXPECT_EQ(RowTexts(1), (Texts{"1", "82,3", "X", "14:03:08", "05.03.24"}));
    table.ClearRow(2);
    EXPECT_EQ(RowTexts(2), Texts(5));
    // A reading written over a text row replaces its texts.
    table.SetFileRow(4, Word(100, false, 1, 2, 3), start);
    EXPECT_EQ(RowTexts(4), (Texts{"4", "40,0", "A", "01:02:03", "15.07.23"}));
}

TEST_F(ReadingTableTest, FileWordRunsStopAtAnotherDateOrKindOfRow) {
    table.SetRowCount(1);
    const QDate first(2023, 7, 15), second(2023, 7, 16);
    for (int row = 1; row <= 3; ++row)
        table.SetFileRow(row, Word(row, false, 0, 0, row), first);
    table.SetFileRow(4, Word(4, false, 0, 0, 4), second);
    table.SetLiveRow(5, Word(5, false, 0, 0, 5), second, QTime(0, 0, 5));
    table.SetCell(1, 6, "65,3");
    table.SetFileRow(7, Word(7, false, 0, 0, 7), second);
    table.SetFileRow(8, Word(8, false, 0, 0, 8), second);
    table.SetFileRow(9, Word(9, false, 0, 0, 9), second);
    table.SetCell(2, 9, "X");  // an edited cell: the row is texts now
    table.SetRowCount(10);

    struct Case {
        int firstRow, maxRows;
        std::vector<std::uint32_t> words;
        QDate date;
    };
    const Case cases[] = {
        {1, 100, {Word(1, false, 0, 0, 1), Word(2, false, 0, 0, 2), Word(3, false, 0, 0, 3)}, first},
        {2, 1, {Word(2, false, 0, 0, 2)}, first},     // at most maxRows
        {4, 100, {Word(4, false, 0, 0, 4)}, second},  // stops before the live row
        {5, 100, {}, {}},                              // a live row is no file row
        {6, 100, {}, {}},                              // nor are texts
        {7, 100, {Word(7, false, 0, 0, 7), Word(8, false, 0, 0, 8)}, second},
        {10, 100, {}, {}},  // an empty row
        {99, 100, {}, {}},  // past the end
    };
    for (const Case& c : cases) {
        std::uint32_t words[100] = {};
        QDate date;
        const int n = table.FileWordRun(c.firstRow, c.maxRows, words, &date);
        EXPECT_EQ(std::vector<std::uint32_t>(words, words + n), c.words) << c.firstRow;
        if (n > 0) EXPECT_EQ(date, c.date) << c.firstRow;
    }
}

TEST_F(ReadingTableTest, RowsSetPastTheEndShowOnceTheCountGrows) {
    table.SetRowCount(1);
    table.SetLiveRow(1, Word(523, false, 1, 2, 3), QDate(2024, 3, 5), QTime(1, 2, 3));
    EXPECT_EQ(table.Cell(1, 1), "");
    QSignalSpy inserted(&table, &QAbstractItemModel::rowsInserted);
    table.SetRowCount(2);
    ASSERT_EQ(inserted.count(), 1);
    EXPECT_EQ(inserted[0][1].toInt(), 0);
    EXPECT_EQ(inserted[0][2].toInt(), 0);
    EXPECT_EQ(table.Cell(1, 1), "82,3");
}

TEST_F(ReadingTableTest, GrowsOneRowAtATimeAndShrinksToTheHeader) {
    table.SetRowCount(1);
    QSignalSpy inserted(&table, &QAbstractItemModel::rowsInserted);
    QSignalSpy removed(&table, &QAbstractItemModel::rowsRemoved);
    const int readings = 300;
    for (int i = 1; i <= readings; ++i) {
        table.SetFileRow(i, Word(i % 1024, false, 12, 0, i % 60), QDate(2024, 3, 5));
        table.SetRowCount(table.RowCount() + 1);
    }
    ASSERT_EQ(inserted.count(), readings);
    for (int i = 0; i < readings; i += 97) {
        EXPECT_EQ(inserted[i][1].toInt(), i);
        EXPECT_EQ(inserted[i][2].toInt(), i);
    }
    EXPECT_EQ(table.rowCount(), readings);
    EXPECT_EQ(table.Cell(0, readings), QString::number(readings));

    table.SetRowCount(1);
    ASSERT_EQ(removed.count(), 1);
    EXPECT_EQ(removed[0][1].toInt(), 0);
    EXPECT_EQ(removed[0][2].toInt(), readings - 1);
    EXPECT_EQ(table.rowCount(), 0);
    EXPECT_EQ(table.BytesUsed(), 0u);
    // Growing again gives empty rows, not the old readings.
    table.SetRowCount(3);
    EXPECT_EQ(RowTexts(1), Texts(5));
    EXPECT_EQ(RowTexts(2), Texts(5));
    // Counts below the header row keep the header row.
    table.SetRowCount(0);
    EXPECT_EQ(table.RowCount(), 1);
}

TEST(ReadingTableMemory, AReadingCostsAtMostSixtyFourBytes) {
    // A week of one reading per second, each kind of reading row.
    const int readings = 604800;
    ReadingTable table;
    table.SetRowCount(1);
    for (int i = 1; i <= readings; ++i) {
        if (i % 2)
            table.SetFileRow(i, Word(i % 1024, false, 1, 2, 3), QDate(2024, 3, 5));
        else
            table.SetLiveRow(i, Word(i % 1024, false, 1, 2, 3), QDate(2024, 3, 5), QTime(1, 2, 3));
        table.SetRowCount(i + 1);
    }
    const double perReading = double(table.BytesUsed()) / readings;
    EXPECT_LE(perReading, 64.0);
    EXPECT_GE(perReading, 4.0);  // the word itself is held
    std::printf("memory per reading: %.1f bytes\n", perReading);
}
