// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The main window's grid of readings: a fixed header row over the data rows
// of a ReadingTable, one text line per row, the whole row selected by a
// click or the arrow keys, a column widened by dragging its header edge.
//
// Why not a QTableView: a recording of a week has 604,800 rows, and the item
// view keeps per-row bookkeeping in its headers that it walks again after
// every inserted row; the tick then spends milliseconds on a grid that shows
// twenty rows. This view knows that every row is RowHeight high, asks the
// table only for the cells it paints, and when it follows the newest row it
// shifts the pixels already on screen and paints just the row that came in.
#include "reading/reading_table.h"

#include <QAbstractScrollArea>
#include <array>

class ReadingGrid : public QAbstractScrollArea {
    Q_OBJECT
public:
    static constexpr int RowHeight = 17;
    static constexpr int HeaderHeight = 17;
    // Between a cell's edges and its text.
    static constexpr int TextMargin = 3;
    // The widths the columns started with before they were measured in the
    // font at hand; measuring never makes a column narrower.
    static constexpr std::array<int, ReadingTable::Columns> LeastColumnWidths{42, 35, 29, 54, 60};

    explicit ReadingGrid(ReadingTable* table, QWidget* parent = nullptr);

    ReadingTable* model() const { return table_; }

    // Sizes every column to show whole, in the grid's font and the user's
    // locale, each text it can hold (ReadingTable::ColumnSampleTexts) and
    // its header, never narrower than LeastColumnWidths. Runs again when the
    // font changes. When the columns need more room than the view has, it
    // scrolls sideways.
    void FitColumnsToTexts();
    void setColumnWidth(int column, int width);
    int columnWidth(int column) const;
    int rowHeight(int /*row*/) const { return RowHeight; }

    // Data rows are counted from 0 (the table's row 1); -1 means none.
    int currentRow() const { return current_; }
    void setCurrentRow(int row);
    // The data row under a point of the viewport, or -1 (the header, or
    // below the last row).
    int rowAt(int y) const;
    int columnAt(int x) const;
    // The first data row at the top of the view.
    int firstVisibleRow() const;
    // Whole data rows the view has room for below the header.
    int visibleRowCount() const;

    void scrollToBottom();
    void scrollToRow(int row);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool viewportEvent(QEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    int DataRowCount() const;
    int ContentWidth() const;
    QRect BodyRect() const;            // the viewport below the header
    QRect RowRect(int row) const;      // a data row in viewport coordinates
    void UpdateScrollBars();
    void UpdateRows(int first, int last);
    // The column whose right edge in the header is under x, or -1.
    int ColumnEdgeAt(const QPoint& at) const;
    void PaintHeader(QPainter& painter, const QRect& dirty);
    void PaintRow(QPainter& painter, int row, const QRect& dirty);

    ReadingTable* table_;
    std::array<int, ReadingTable::Columns> widths_{};
    int current_ = -1;
    bool fitted_ = false;  // the widths follow the font
    int resizing_ = -1;  // the column being widened by a drag of its header edge
    int resizeFromX_ = 0;
    int resizeFromWidth_ = 0;
};
