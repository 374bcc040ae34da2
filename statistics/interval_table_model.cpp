// SPDX-License-Identifier: GPL-3.0-or-later
#include "statistics/interval_table_model.h"

#include "reading/reading_word.h"
#include "noise/labels.h"

#include <QDateTime>
#include <QStringList>
#include <QTimeZone>
#include <cmath>

namespace noisestats {

namespace {

constexpr Quantity kQuantities[] = {Quantity::Leq, Quantity::Max, Quantity::Min, Quantity::L10,
                                    Quantity::L50, Quantity::L90, Quantity::Exposure};

QString TenthsText(int tenths) { return reading::FormatLevel(tenths); }

// The figure, marked when readings beyond their range make it a bound.
QString QuantityText(const LevelSummary& s, Quantity q) {
    const FigureBounds& b = s.bounds;
    switch (q) {
    case Quantity::Leq: return BoundMark(b.leq) + LevelText(s.leq);
    case Quantity::Max: return BoundMark(b.max) + TenthsText(s.maxTenths);
    case Quantity::Min: return BoundMark(b.min) + TenthsText(s.minTenths);
    case Quantity::L10: return BoundMark(b.l10) + TenthsText(s.l10Tenths);
    case Quantity::L50: return BoundMark(b.l50) + TenthsText(s.l50Tenths);
    case Quantity::L90: return BoundMark(b.l90) + TenthsText(s.l90Tenths);
    case Quantity::Exposure: return BoundMark(b.leq) + LevelText(s.sel);
    }
    return {};
}

// "over the range: A; under the range: A, C"
QString RangeMark(const PeriodResult& p) {
    QStringList over, under;
    for (const auto& [letter, s] : {std::pair{QStringLiteral("A"), &p.a}, std::pair{QStringLiteral("C"), &p.c}}) {
        if (!*s) continue;
        if ((*s)->overRange > 0) over << letter;
        if ((*s)->underRange > 0) under << letter;
    }
    QStringList marks;
    if (!over.isEmpty()) marks << QStringLiteral("over the range: ") + over.join(QStringLiteral(", "));
    if (!under.isEmpty()) marks << QStringLiteral("under the range: ") + under.join(QStringLiteral(", "));
    return marks.join(QStringLiteral("; "));
}

}  // namespace

QString LocalStartText(const PeriodResult& p) {
    const QDateTime local =
        QDateTime::fromSecsSinceEpoch(p.startEpoch + p.utcOffsetSeconds, QTimeZone::utc());
    return reading::FormatShortDate(local.date()) + u' ' + reading::FormatLongTime(local.time());
}

IntervalTableModel::IntervalTableModel(QObject* parent) : QAbstractTableModel(parent) { BuildColumns(); }

void IntervalTableModel::BuildColumns() {
    columns_.clear();
    // The coverage and the mark first: with A and C levels side by side the
    // table is wider than the window, and these must not scroll out of view.
    columns_.push_back({Fixed::Start});
    columns_.push_back({Fixed::Covered});
    columns_.push_back({Fixed::Missing});
    columns_.push_back({Fixed::RangeEnd});
    for (Weighting w : {Weighting::A, Weighting::C}) {
        if (!(w == Weighting::A ? hasA_ : hasC_)) continue;
        for (int q = 0; q < int(std::size(kQuantities)); ++q) columns_.push_back({std::nullopt, w, q});
    }
}

void IntervalTableModel::Update(const NoiseStatistics& stats, std::uint64_t generation) {
    const PeriodResult whole = stats.Whole();
    const bool hasA = whole.a.has_value(), hasC = whole.c.has_value();
    const std::size_t closed = stats.ClosedIntervals().size();
    const auto open = stats.OpenInterval();
    // Rows are read from the statistics when shown, but the view repaints only
    // rows it is told of: after a start over every row may differ.
    const bool sameShape = stats_ == &stats && generation == generation_ && hasA == hasA_ && hasC == hasC_ &&
                           closed >= closedShown_ && (open.has_value() || !open_.has_value() || closed > closedShown_);
    if (!sameShape) {
        beginResetModel();
        stats_ = &stats;
        hasA_ = hasA;
        hasC_ = hasC;
        generation_ = generation;
        closedShown_ = closed;
        open_ = open;
        BuildColumns();
        endResetModel();
        return;
    }
    // Rows so far: the closed ones shown and the open one, if any. The open
    // row becomes the first of the newly closed ones.
    const int before = int(closedShown_) + (open_ ? 1 : 0);
    const int after = int(closed) + (open ? 1 : 0);
    if (after > before) {
        beginInsertRows({}, before, after - 1);
        closedShown_ = closed;
        open_ = open;
        endInsertRows();
    } else {
        closedShown_ = closed;
        open_ = open;
    }
    // The row that was open may have closed, and the open one has moved on.
    const int firstChanged = std::max(0, std::min(before, after) - 1);
    if (after > 0) emit dataChanged(index(firstChanged, 0), index(after - 1, columnCount() - 1));
}

const PeriodResult* IntervalTableModel::Row(int row) const {
    if (!stats_ || row < 0) return nullptr;
    const auto& closed = stats_->ClosedIntervals();
    if (std::size_t(row) < closedShown_ && std::size_t(row) < closed.size()) return &closed[std::size_t(row)];
    if (std::size_t(row) == closedShown_ && open_) return &*open_;
    return nullptr;
}

QString IntervalTableModel::CellText(int row, int column) const {
    const PeriodResult* p = Row(row);
    if (!p || column < 0 || column >= int(columns_.size())) return {};
    const Column& c = columns_[std::size_t(column)];
    if (c.fixed) {
        switch (*c.fixed) {
        case Fixed::Start: return LocalStartText(*p);
        case Fixed::Covered: return QString::number(p->coveredSeconds);
        case Fixed::Missing: return QString::number(p->missingSeconds);
        case Fixed::RangeEnd: return RangeMark(*p);
        }
    }
    const auto& s = c.weighting == Weighting::A ? p->a : p->c;
    return s ? QuantityText(*s, kQuantities[c.quantity]) : QString();
}

QString IntervalTableModel::ColumnTitle(int column) const {
    if (column < 0 || column >= int(columns_.size())) return {};
    const Column& c = columns_[std::size_t(column)];
    if (c.fixed) {
        switch (*c.fixed) {
        case Fixed::Start: return QStringLiteral("Start");
        case Fixed::Covered: return QStringLiteral("Seconds covered");
        case Fixed::Missing: return QStringLiteral("Seconds missing");
        case Fixed::RangeEnd: return QStringLiteral("Mark");
        }
    }
    return QuantityName(c.weighting, kQuantities[c.quantity]);
}

int IntervalTableModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(closedShown_) + (open_ ? 1 : 0);
}

int IntervalTableModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(columns_.size());
}

QVariant IntervalTableModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid()) return {};
    if (role == Qt::DisplayRole) return CellText(index.row(), index.column());
    if (role == Qt::TextAlignmentRole)
        return index.column() == 0 ? QVariant(Qt::AlignLeft | Qt::AlignVCenter)
                                   : QVariant(Qt::AlignRight | Qt::AlignVCenter);
    if (role == Qt::ToolTipRole && columns_[std::size_t(index.column())].fixed == Fixed::RangeEnd &&
        !CellText(index.row(), index.column()).isEmpty())
        return QStringLiteral("Readings beyond their range's end: the meter could not show their true "
                              "levels. ") + BoundLegend();
    return {};
}

QVariant IntervalTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (role != Qt::DisplayRole) return {};
    if (orientation == Qt::Horizontal) return ColumnTitle(section);
    return section + 1;
}

}  // namespace noisestats
