// SPDX-License-Identifier: GPL-3.0-or-later
// The text export's bytes and the tab-driven parser that reads them back.
#include "reading/reading_table.h"
#include "records/text_export.h"

#include <gtest/gtest.h>

using namespace records;

namespace {

const RowCells kRows[] = {
    {"1", "65,3", "A", "14:07:09", "05.03.2024"},
    {"2", "70,1", "C", "14:07:10", "05.03.2024"},
    {"3", "60,0", "A", "14:07:11", "05.03.2024"},
};

void Fill(ReadingTable& table, const std::vector<RowCells>& rows) {
    table.SetRowCount(int(rows.size()) + 1);
    for (int r = 1; r <= int(rows.size()); ++r)
        for (int k = 0; k < 5; ++k) table.SetCell(k, r, rows[std::size_t(r - 1)][std::size_t(k)]);
}

std::vector<RowCells> Rows(std::initializer_list<RowCells> rows) { return rows; }

}  // namespace

TEST(TextExport, ThreeRowsGiveFourLinesTheLastFiveTabsAlone) {
    ReadingTable table;
    Fill(table, {std::begin(kRows), std::end(kRows)});
    const QByteArray bytes = TextExportBytes(table, 3 + 1);
    EXPECT_EQ(bytes,
              "1\t65,3\tA\t14:07:09\t05.03.2024\t\r\n"
              "2\t70,1\tC\t14:07:10\t05.03.2024\t\r\n"
              "3\t60,0\tA\t14:07:11\t05.03.2024\t\r\n"
              "\t\t\t\t\t\r\n");
}

TEST(TextExport, WrittenRowsReadBackWithTheirCellsCountAndCurves) {
    ReadingTable table;
    // A date in a locale that writes letters outside ASCII survives too.
    std::vector<RowCells> rows(std::begin(kRows), std::end(kRows));
    rows[2][4] = QStringLiteral("5 März 2024");
    Fill(table, rows);
    const ImportedRows back = ParseTextExport(TextExportBytes(table, 4), 0, 0);
    EXPECT_FALSE(back.Failed());
    EXPECT_EQ(back.rows, rows);
    EXPECT_EQ(back.readingCount, 3);
    EXPECT_EQ(back.levels.Maxima(), (std::vector<double>{65.3f, 70.1f, 70.1f}));
    EXPECT_EQ(back.levels.Minima(), (std::vector<double>{65.3f, 65.3f, 60.0f}));
}

TEST(TextParser, OddLinesFollowTheTabs) {
    const struct {
        const char* name;
        QByteArray text;
        std::vector<RowCells> rows;
        int readingCount;
    } cases[] = {
        {"empty fields are skipped",
         QByteArray("1\t\t65,3\t\tA\t14:07:09\t\t\t05.03.2024\t\r\n"),
         Rows({{"1", "65,3", "A", "14:07:09", "05.03.2024"}}), 1},
        {"a line without a tab after its fifth field runs on into the next",
         QByteArray("1\t65,3\tA\t14:07:09\t05.03.2024\r\n2\t70,1\tC\t14:07:10\t05.03.2024\t\r\n"),
         Rows({{"05.03.20242", "70,1", "C", "14:07:10", "05.03.2024"}}), 1},
        {"a line break puts the field back to column 0",
         QByteArray("x\ty\t\r\n1\t65,3\tA\t14:07:09\t05.03.2024\t\r\n"),
         Rows({{"1", "65,3", "A", "14:07:09", "05.03.2024"}}), 1},
        {"a sixth field on a line starts the next row",
         QByteArray("1\t65,3\tA\t14:07:09\t05.03.2024\t2\t70,1\tC\tt\td\t\n"),
         Rows({{"1", "65,3", "A", "14:07:09", "05.03.2024"}, {"2", "70,1", "C", "t", "d"}}), 2},
        {"a NUL ends the text",
         QByteArray("1\t65,3\tA\tt\td\t\r\n\0" "2\t70,1\tC\tt\td\t\r\n", 31),
         Rows({{"1", "65,3", "A", "t", "d"}}), 1},
        {"bare LF and CR line ends", QByteArray("1\t65,3\tA\tt\td\t\n2\t70,1\tC\tt\td\t\r"),
         Rows({{"1", "65,3", "A", "t", "d"}, {"2", "70,1", "C", "t", "d"}}), 2},
        {"no final tab: the last row is not complete", QByteArray("1\t65,3\tA\tt\td"), Rows({}), 0},
        {"empty text", QByteArray(), Rows({}), 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const ImportedRows back = ParseTextExport(c.text, 0, 0);
        EXPECT_FALSE(back.Failed());
        EXPECT_EQ(back.rows, c.rows);
        EXPECT_EQ(back.readingCount, c.readingCount);
        EXPECT_EQ(back.levels.Count(), std::size_t(c.readingCount));
    }
}

TEST(TextParser, ALevelThatIsNoNumberStopsAtItsRowKeepingTheRowsBefore) {
    const QByteArray text("1\t65,3\tA\tt\td\t\r\n2\t70.1\tA\tt\td\t\r\n3\tloud\tA\tt\td\t\r\n4\t60,0\tA\tt\td\t\r\n");
    const ImportedRows back = ParseTextExport(text, 0, 0);
    EXPECT_TRUE(back.Failed());
    EXPECT_EQ(back.badLevelRow, 3);
    EXPECT_EQ(back.badLevel, QStringLiteral("loud"));
    ASSERT_EQ(back.rows.size(), 2u);
    EXPECT_EQ(back.readingCount, 2);
    // A full stop is read as the decimal mark as well.
    EXPECT_EQ(back.levels.Levels(), (std::vector<double>{65.3f, 70.1f}));
}
