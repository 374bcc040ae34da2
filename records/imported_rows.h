// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The rows a text file or a spreadsheet gives the table, with the curve
// points and extremes the level rule made of them, and where a level that
// is not a number ended the reading.
#include "reading/level_rule.h"

#include <QString>

#include <array>
#include <vector>

namespace records {

using RowCells = std::array<QString, 5>;  // "REC", "dB", "A/C", "Time", "Date"

struct ImportedRows {
    explicit ImportedRows(float runningMax = 0, float runningMin = 0) : levels(runningMax, runningMin) {}

    std::vector<RowCells> rows;  // table rows 1, 2, ... in order
    LevelRule levels;
    // The number of the last row that received a level (text files), or
    // the number of rows read (spreadsheets).
    int readingCount = 0;
    // Set when a level was not a number: the reading stopped at that row,
    // which is not among `rows`; the rows before it stay.
    QString badLevel;
    int badLevelRow = 0;
    bool Failed() const { return badLevelRow > 0; }
};

}  // namespace records
