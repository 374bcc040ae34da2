// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The interval table as the statistics window shows it: one row per clock
// interval (the closed ones and the open one), with the start time, seconds
// covered and missing, the levels of each weighting present in the data and
// a range-end mark. Level texts carry "," as decimal mark, like every level
// text of the program. Plain code (Qt Core): the window only shows it.
#include "noise/noise_statistics.h"

#include <QAbstractTableModel>
#include <QString>
#include <optional>
#include <vector>

namespace noisestats {

// The local start of a period in the user's locale: short date and long time.
QString LocalStartText(const PeriodResult& p);

class IntervalTableModel : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit IntervalTableModel(QObject* parent = nullptr);

    // Takes the statistics as they stand now (kept by reference until the
    // next Update): new closed intervals become new rows, the open one is
    // refreshed. Another `generation` (the statistics started over: a reset,
    // a new file, another length) resets the model, whatever the row counts.
    void Update(const NoiseStatistics& stats, std::uint64_t generation);

    // The text of a cell and the header of a column, as shown.
    QString CellText(int row, int column) const;
    QString ColumnTitle(int column) const;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    enum class Fixed { Start, Covered, Missing, RangeEnd };
    struct Column {
        std::optional<Fixed> fixed;
        Weighting weighting = Weighting::A;
        int quantity = 0;  // index into the level quantities
    };
    void BuildColumns();
    const PeriodResult* Row(int row) const;

    const NoiseStatistics* stats_ = nullptr;
    std::size_t closedShown_ = 0;
    std::optional<PeriodResult> open_;
    std::uint64_t generation_ = 0;
    bool hasA_ = false, hasC_ = false;
    std::vector<Column> columns_;
};

}  // namespace noisestats
