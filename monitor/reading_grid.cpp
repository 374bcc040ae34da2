// SPDX-License-Identifier: GPL-3.0-or-later
#include "monitor/reading_grid.h"

#include <QHelpEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QScrollBar>
#include <QStyle>
#include <QStyleOptionHeader>
#include <QToolTip>
#include <algorithm>
#include <cstdlib>
#include <numeric>

namespace {

constexpr int EdgeGrip = 3;    // how near a header edge a drag resizes
constexpr int NarrowestColumn = 8;

}  // namespace

ReadingGrid::ReadingGrid(ReadingTable* table, QWidget* parent) : QAbstractScrollArea(parent), table_(table) {
    widths_.fill(60);
    setFocusPolicy(Qt::StrongFocus);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    viewport()->setBackgroundRole(QPalette::Base);
    viewport()->setAutoFillBackground(true);
    viewport()->setMouseTracking(true);  // the resize cursor over header edges
    verticalScrollBar()->setSingleStep(1);
    horizontalScrollBar()->setSingleStep(RowHeight);

    // Rows come and go at the end; cells change in place. Each repaints only
    // what it touched.
    auto rowsChanged = [this] {
        if (current_ >= DataRowCount())
            current_ = -1;
        UpdateScrollBars();
        viewport()->update(BodyRect());
    };
    connect(table_, &ReadingTable::rowsInserted, this, [this](const QModelIndex&, int first, int last) {
        UpdateScrollBars();
        UpdateRows(first, last);
    });
    connect(table_, &ReadingTable::rowsRemoved, this, rowsChanged);
    connect(table_, &ReadingTable::modelReset, this, rowsChanged);
    connect(table_, &ReadingTable::dataChanged, this,
            [this](const QModelIndex& topLeft, const QModelIndex& bottomRight) {
                UpdateRows(topLeft.row(), bottomRight.row());
            });
    connect(table_, &ReadingTable::headerDataChanged, this,
            [this] { viewport()->update(0, 0, viewport()->width(), HeaderHeight); });
    UpdateScrollBars();
}

void ReadingGrid::FitColumnsToTexts() {
    fitted_ = true;
    const QFontMetrics metrics = fontMetrics();
    // The header's text sits between the style's margins.
    QStyleOptionHeader option;
    option.initFrom(this);
    const int headerMargin = style()->pixelMetric(QStyle::PM_HeaderMargin, &option, this);
    for (int column = 0; column < int(widths_.size()); ++column) {
        int widest = 0;
        for (const QString& text : ReadingTable::ColumnSampleTexts(column))
            widest = std::max(widest, metrics.horizontalAdvance(text));
        const int header = metrics.horizontalAdvance(table_->Cell(column, 0)) + 2 * headerMargin;
        widths_[std::size_t(column)] =
            std::max({LeastColumnWidths[std::size_t(column)], widest + 2 * TextMargin, header});
    }
    UpdateScrollBars();
    viewport()->update();
}

void ReadingGrid::changeEvent(QEvent* event) {
    QAbstractScrollArea::changeEvent(event);
    if (event->type() == QEvent::FontChange && fitted_)
        FitColumnsToTexts();
}

void ReadingGrid::setColumnWidth(int column, int width) {
    if (column < 0 || column >= int(widths_.size()))
        return;
    widths_[std::size_t(column)] = std::max(0, width);
    UpdateScrollBars();
    viewport()->update();
}

int ReadingGrid::columnWidth(int column) const {
    return column >= 0 && column < int(widths_.size()) ? widths_[std::size_t(column)] : 0;
}

void ReadingGrid::setCurrentRow(int row) {
    if (row < -1 || row >= DataRowCount())
        row = -1;
    if (row == current_)
        return;
    const int old = current_;
    current_ = row;
    if (old >= 0)
        UpdateRows(old, old);
    if (row >= 0) {
        UpdateRows(row, row);
        scrollToRow(row);
    }
}

int ReadingGrid::rowAt(int y) const {
    if (y < HeaderHeight)
        return -1;
    const int row = firstVisibleRow() + (y - HeaderHeight) / RowHeight;
    return row < DataRowCount() ? row : -1;
}

int ReadingGrid::columnAt(int x) const {
    int right = -horizontalScrollBar()->value();
    for (int column = 0; column < int(widths_.size()); ++column) {
        const int left = right;
        right += widths_[std::size_t(column)];
        if (x >= left && x < right)
            return column;
    }
    return -1;
}

int ReadingGrid::firstVisibleRow() const { return verticalScrollBar()->value(); }

int ReadingGrid::visibleRowCount() const {
    return std::max(1, (viewport()->height() - HeaderHeight) / RowHeight);
}

void ReadingGrid::scrollToBottom() { verticalScrollBar()->setValue(verticalScrollBar()->maximum()); }

void ReadingGrid::scrollToRow(int row) {
    const int first = firstVisibleRow();
    if (row < first)
        verticalScrollBar()->setValue(row);
    else if (row >= first + visibleRowCount())
        verticalScrollBar()->setValue(row - visibleRowCount() + 1);
}

int ReadingGrid::DataRowCount() const { return table_->rowCount(); }

int ReadingGrid::ContentWidth() const { return std::accumulate(widths_.begin(), widths_.end(), 0); }

QRect ReadingGrid::BodyRect() const {
    return QRect(0, HeaderHeight, viewport()->width(), std::max(0, viewport()->height() - HeaderHeight));
}

QRect ReadingGrid::RowRect(int row) const {
    return QRect(0, HeaderHeight + (row - firstVisibleRow()) * RowHeight, viewport()->width(), RowHeight);
}

void ReadingGrid::UpdateScrollBars() {
    QScrollBar* vertical = verticalScrollBar();
    const int page = visibleRowCount();
    vertical->setPageStep(page);
    vertical->setRange(0, std::max(0, DataRowCount() - page));
    QScrollBar* horizontal = horizontalScrollBar();
    horizontal->setPageStep(viewport()->width());
    horizontal->setRange(0, std::max(0, ContentWidth() - viewport()->width()));
}

void ReadingGrid::UpdateRows(int first, int last) {
    const int top = std::max(first, firstVisibleRow());
    const int bottom = std::min(last, firstVisibleRow() + visibleRowCount());
    if (top > bottom)
        return;
    viewport()->update(RowRect(top).united(RowRect(bottom)));
}

void ReadingGrid::resizeEvent(QResizeEvent* event) {
    QAbstractScrollArea::resizeEvent(event);
    UpdateScrollBars();
}

void ReadingGrid::scrollContentsBy(int dx, int dy) {
    // The header moves sideways with the columns but never up or down; the
    // body's pixels are shifted so only the rows that came into view paint.
    if (dx != 0) {
        viewport()->scroll(dx, 0);
        return;
    }
    viewport()->scroll(0, dy * RowHeight, BodyRect());
}

void ReadingGrid::paintEvent(QPaintEvent* event) {
    QPainter painter(viewport());
    const QRect dirty = event->rect();
    if (dirty.top() < HeaderHeight) {
        // The style may leave a clip or pen behind on the painter.
        painter.save();
        PaintHeader(painter, dirty);
        painter.restore();
    }
    if (dirty.bottom() < HeaderHeight)
        return;
    const int first = firstVisibleRow() + std::max(0, dirty.top() - HeaderHeight) / RowHeight;
    const int last = std::min(DataRowCount() - 1, firstVisibleRow() + (dirty.bottom() - HeaderHeight) / RowHeight);
    for (int row = first; row <= last; ++row)
        PaintRow(painter, row, dirty);
}

void ReadingGrid::PaintHeader(QPainter& painter, const QRect& dirty) {
    const int offset = horizontalScrollBar()->value();
    QStyleOptionHeader option;
    option.initFrom(this);
    option.orientation = Qt::Horizontal;
    option.textAlignment = Qt::AlignCenter;
    int left = -offset;
    for (int column = 0; column < int(widths_.size()); ++column) {
        const int width = widths_[std::size_t(column)];
        option.rect = QRect(left, 0, width, HeaderHeight);
        left += width;
        if (!option.rect.intersects(dirty))
            continue;
        option.section = column;
        option.text = table_->Cell(column, 0);
        option.position = column == 0 ? QStyleOptionHeader::Beginning
                          : column + 1 == int(widths_.size()) ? QStyleOptionHeader::End
                                                                : QStyleOptionHeader::Middle;
        style()->drawControl(QStyle::CE_Header, &option, &painter, this);
    }
    // Past the last column the header strip is plain.
    if (left < viewport()->width()) {
        option.rect = QRect(left, 0, viewport()->width() - left, HeaderHeight);
        option.text.clear();
        option.section = -1;
        option.position = QStyleOptionHeader::End;
        style()->drawControl(QStyle::CE_HeaderEmptyArea, &option, &painter, this);
    }
}

void ReadingGrid::PaintRow(QPainter& painter, int row, const QRect& dirty) {
    const QRect rect = RowRect(row);
    const bool selected = row == current_;
    const QPalette& colours = palette();
    if (selected)
        painter.fillRect(rect, colours.brush(QPalette::Highlight));
    // Styles derive the grid colour from the palette in the option they get.
    QStyleOption option;
    option.initFrom(this);
    const QColor gridLine = QColor::fromRgba(QRgb(style()->styleHint(QStyle::SH_Table_GridLineColor, &option, this)));
    const QFontMetrics metrics = fontMetrics();
    painter.setPen(colours.color(selected ? QPalette::HighlightedText : QPalette::Text));
    int left = -horizontalScrollBar()->value();
    for (int column = 0; column < int(widths_.size()); ++column) {
        const int width = widths_[std::size_t(column)];
        const QRect cell(left, rect.top(), width, RowHeight);
        left += width;
        if (!cell.intersects(dirty))
            continue;
        const QString text = table_->Cell(column, row + 1);
        if (text.isEmpty())
            continue;
        const QRect textArea = cell.adjusted(TextMargin, 0, -TextMargin, -1);
        // Most texts fit; eliding only those that don't keeps the paint cheap.
        const bool fits = metrics.horizontalAdvance(text) <= textArea.width();
        painter.drawText(textArea, Qt::AlignLeft | Qt::AlignVCenter,
                         fits ? text : metrics.elidedText(text, Qt::ElideRight, textArea.width()));
    }
    // The grid lines: under the row and right of each column.
    painter.setPen(gridLine);
    const int bottom = rect.bottom();
    left = -horizontalScrollBar()->value();
    for (int column = 0; column < int(widths_.size()); ++column) {
        left += widths_[std::size_t(column)];
        painter.drawLine(left - 1, rect.top(), left - 1, bottom);
    }
    painter.drawLine(-horizontalScrollBar()->value(), bottom, left - 1, bottom);
}

int ReadingGrid::ColumnEdgeAt(const QPoint& at) const {
    if (at.y() < 0 || at.y() >= HeaderHeight)
        return -1;
    int edge = -horizontalScrollBar()->value();
    for (int column = 0; column < int(widths_.size()); ++column) {
        edge += widths_[std::size_t(column)];
        if (std::abs(at.x() - edge) <= EdgeGrip)
            return column;
    }
    return -1;
}

void ReadingGrid::mousePressEvent(QMouseEvent* event) {
    // Mouse events reach this handler from the viewport, in its coordinates.
    if (event->button() != Qt::LeftButton) {
        event->ignore();
        return;
    }
    event->accept();
    const QPoint at = event->position().toPoint();
    resizing_ = ColumnEdgeAt(at);
    if (resizing_ >= 0) {
        resizeFromX_ = at.x();
        resizeFromWidth_ = widths_[std::size_t(resizing_)];
        return;
    }
    const int row = rowAt(at.y());
    if (row >= 0 && columnAt(at.x()) >= 0)
        setCurrentRow(row);
}

void ReadingGrid::mouseMoveEvent(QMouseEvent* event) {
    const QPoint at = event->position().toPoint();
    if (resizing_ >= 0) {
        // The edge follows the mouse by the distance moved, so a grip a pixel
        // off the edge does not make the column jump.
        setColumnWidth(resizing_, std::max(NarrowestColumn, resizeFromWidth_ + at.x() - resizeFromX_));
    } else if (ColumnEdgeAt(at) >= 0) {
        viewport()->setCursor(Qt::SplitHCursor);
    } else {
        viewport()->unsetCursor();
    }
    event->accept();
}

void ReadingGrid::mouseReleaseEvent(QMouseEvent* event) {
    resizing_ = -1;
    event->accept();
}

void ReadingGrid::keyPressEvent(QKeyEvent* event) {
    const int rows = DataRowCount();
    if (rows == 0) {
        QAbstractScrollArea::keyPressEvent(event);
        return;
    }
    const int from = current_ < 0 ? firstVisibleRow() : current_;
    int to = from;
    switch (event->key()) {
    case Qt::Key_Up: to = from - 1; break;
    case Qt::Key_Down: to = current_ < 0 ? from : from + 1; break;
    case Qt::Key_PageUp: to = from - visibleRowCount(); break;
    case Qt::Key_PageDown: to = from + visibleRowCount(); break;
    case Qt::Key_Home: to = 0; break;
    case Qt::Key_End: to = rows - 1; break;
    default: QAbstractScrollArea::keyPressEvent(event); return;
    }
    setCurrentRow(std::clamp(to, 0, rows - 1));
    event->accept();
}

bool ReadingGrid::viewportEvent(QEvent* event) {
    // The tool tip shows a cell's whole text, for a column the user has
    // dragged narrower than its texts.
    if (event->type() == QEvent::ToolTip) {
        auto* help = static_cast<QHelpEvent*>(event);
        const int row = rowAt(help->pos().y());
        const int column = columnAt(help->pos().x());
        const QString text = row >= 0 && column >= 0 ? table_->Cell(column, row + 1) : QString();
        if (text.isEmpty())
            QToolTip::hideText();
        else
            QToolTip::showText(help->globalPos(), text, viewport());
        return true;
    }
    return QAbstractScrollArea::viewportEvent(event);
}
