// SPDX-License-Identifier: GPL-3.0-or-later
// The grid of readings: what it shows after rows come in one at a time (the
// pixels it shifts must match a full repaint), following the newest row, and
// whole-row selection.
#include "monitor/reading_grid.h"
#include "reading/reading_table.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QScreen>
#include <QScrollBar>
#include <QTest>
#include <memory>

namespace {

class Grid : public ::testing::Test {
protected:
    void SetUp() override {
        table = std::make_unique<ReadingTable>();
        const char* header[] = {"REC", "dB", "A/C", "Time", "Date"};
        for (int column = 0; column < ReadingTable::Columns; ++column)
            table->SetCell(column, 0, QString::fromLatin1(header[column]));
        grid = std::make_unique<ReadingGrid>(table.get());
        const int widths[] = {42, 35, 29, 54, 60};
        for (int column = 0; column < ReadingTable::Columns; ++column)
            grid->setColumnWidth(column, widths[column]);
        table->SetRowCount(1);
        grid->resize(260, 220);
        grid->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(grid.get()));
    }

    // Appends data row n (1-based) the way the tick does: set, grow, and
    // follow when the view showed the newest row.
    void AppendRow(int n) {
        QScrollBar* scroll = grid->verticalScrollBar();
        const bool following = scroll->value() >= scroll->maximum();
        table->SetCell(0, n, QString::number(n));
        table->SetCell(1, n, QStringLiteral("%1,%2").arg(40 + n % 50).arg(n % 10));
        table->SetCell(2, n, n % 2 ? QStringLiteral("A") : QStringLiteral("C"));
        table->SetCell(3, n, QStringLiteral("12:%1:%2").arg(n / 60 % 60, 2, 10, QChar('0')).arg(n % 60, 2, 10, QChar('0')));
        table->SetCell(4, n, QStringLiteral("10.12.2026"));
        table->SetRowCount(table->RowCount() + 1);
        if (following)
            grid->scrollToBottom();
    }

    // What the window shows on screen now, after pending paints.
    QImage OnScreen() {
        QApplication::processEvents();
        return grid->screen()->grabWindow(grid->winId()).toImage();
    }

    std::unique_ptr<ReadingTable> table;
    std::unique_ptr<ReadingGrid> grid;
};

TEST_F(Grid, RowsAddedOneAtATimeShowTheSameAsAFullRepaint) {
    // Fewer rows than fit, then enough to scroll for a while: the view
    // paints new rows into empty space first, then shifts its pixels.
    for (int n = 1; n <= 40; ++n) {
        AppendRow(n);
        OnScreen();
    }
    const QImage incremental = OnScreen();
    grid->viewport()->repaint();
    const QImage full = OnScreen();
    ASSERT_FALSE(full.isNull());
    EXPECT_TRUE(incremental == full);
    EXPECT_EQ(grid->firstVisibleRow(), 40 - grid->visibleRowCount());
    EXPECT_EQ(grid->rowAt(ReadingGrid::HeaderHeight + (grid->visibleRowCount() - 1) * ReadingGrid::RowHeight), 39);
}

TEST_F(Grid, FollowsTheNewestRowOnlyWhileShowingIt) {
    for (int n = 1; n <= 100; ++n)
        AppendRow(n);
    const int page = grid->visibleRowCount();
    EXPECT_EQ(grid->firstVisibleRow(), 100 - page);

    grid->verticalScrollBar()->setValue(10);  // the user looks back
    AppendRow(101);
    EXPECT_EQ(grid->firstVisibleRow(), 10);
    EXPECT_EQ(grid->verticalScrollBar()->maximum(), 101 - page);

    grid->scrollToBottom();
    AppendRow(102);
    EXPECT_EQ(grid->firstVisibleRow(), 102 - page);
}

TEST_F(Grid, ClickAndKeysSelectWholeRowsPaintedInTheHighlight) {
    for (int n = 1; n <= 30; ++n)
        AppendRow(n);
    grid->verticalScrollBar()->setValue(5);
    const QPoint inThirdRow(100, ReadingGrid::HeaderHeight + 2 * ReadingGrid::RowHeight + 8);
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, Qt::NoModifier, inThirdRow);
    EXPECT_EQ(grid->currentRow(), 7);

    // The selected row is filled with the highlight across every column.
    const QImage shown = OnScreen();
    const QPoint origin = grid->viewport()->mapTo(grid.get(), QPoint(0, 0));
    const QColor highlight = grid->palette().color(QPalette::Highlight);
    for (int x : {2, 60, 215})
        EXPECT_EQ(shown.pixelColor(origin + QPoint(x, inThirdRow.y() - 6)), highlight) << "x " << x;

    QTest::keyClick(grid.get(), Qt::Key_Down);
    EXPECT_EQ(grid->currentRow(), 8);
    QTest::keyClick(grid.get(), Qt::Key_End);
    EXPECT_EQ(grid->currentRow(), 29);
    EXPECT_EQ(grid->firstVisibleRow(), 30 - grid->visibleRowCount());  // scrolled into view
    QTest::keyClick(grid.get(), Qt::Key_Home);
    EXPECT_EQ(grid->currentRow(), 0);
    EXPECT_EQ(grid->firstVisibleRow(), 0);

    // A click on the header or below the last row selects nothing new.
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, Qt::NoModifier, QPoint(20, 5));
    EXPECT_EQ(grid->currentRow(), 0);

    // Emptying the table drops the selection with the rows.
    grid->setCurrentRow(20);
    table->SetRowCount(1);
    EXPECT_EQ(grid->currentRow(), -1);
    EXPECT_EQ(grid->verticalScrollBar()->maximum(), 0);
}

TEST_F(Grid, DraggingAHeaderEdgeWidensItsColumnWithoutSelecting) {
    for (int n = 1; n <= 5; ++n)
        AppendRow(n);
    const int timeRightEdge = 42 + 35 + 29 + 54;
    QTest::mousePress(grid->viewport(), Qt::LeftButton, Qt::NoModifier, QPoint(timeRightEdge - 1, 8));
    QTest::mouseMove(grid->viewport(), QPoint(timeRightEdge + 30, 8));
    QTest::mouseRelease(grid->viewport(), Qt::LeftButton, Qt::NoModifier, QPoint(timeRightEdge + 30, 8));
    EXPECT_EQ(grid->columnWidth(3), 54 + 31);
    EXPECT_EQ(grid->columnAt(timeRightEdge + 25), 3);
    EXPECT_EQ(grid->columnAt(timeRightEdge + 35), 4);
    EXPECT_EQ(grid->currentRow(), -1);

    // Dragged past the column's left edge it keeps a narrow width.
    const int timeLeftEdge = 42 + 35 + 29;
    QTest::mousePress(grid->viewport(), Qt::LeftButton, Qt::NoModifier, QPoint(timeRightEdge + 30, 8));
    QTest::mouseMove(grid->viewport(), QPoint(timeLeftEdge - 20, 8));
    QTest::mouseRelease(grid->viewport(), Qt::LeftButton, Qt::NoModifier, QPoint(timeLeftEdge - 20, 8));
    EXPECT_EQ(grid->columnWidth(3), 8);
}

}  // namespace
