// SPDX-License-Identifier: GPL-3.0-or-later
// The cell index of an export: every DBCELL record must lead a reader that
// trusts it from the block's first ROW record to the first cell of each row.
// Our own reader and Gnumeric ignore DBCELL, other spreadsheet programs
// follow it, so a wrong offset is only seen here.
#include "records/xls/biff_records.h"
#include "records/xls/compound_file.h"
#include "tests/xls/xls_test_support.h"
#include "tools/xlstemplate/export_template.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <map>

namespace {

using namespace xls::detail;

xls::detail::Bytes WorkbookStream(const QString& path) {
    CompoundFile file = ReadCompoundFile(QFile::encodeName(path).toStdString());
    StorageEntry* stream = file.FindStream("Workbook");
    if (!stream) throw xls::Error("no workbook stream");
    return stream->data;
}

struct Walk {
    int blocks = 0;
    int rowsChecked = 0;
};

// Follows every DBCELL as a reader would and checks where each step lands.
Walk WalkCellIndex(const Bytes& stream) {
    const std::vector<RecordRef> records = IndexRecords(stream);
    std::map<std::size_t, RecordRef> at;
    for (const RecordRef& r : records) at[r.offset] = r;
    Walk walk;
    for (const RecordRef& db : records) {
        if (db.type != rt::DbCell) continue;
        ++walk.blocks;
        SCOPED_TRACE("DBCELL at " + std::to_string(db.offset));
        const std::uint8_t* d = db.Data(stream);
        EXPECT_GE(db.size, 4);
        EXPECT_EQ((db.size - 4) % 2, 0);
        const std::uint32_t back = std::uint32_t(d[0] | d[1] << 8 | d[2] << 16 | d[3] << 24);
        const std::size_t firstRowAt = db.offset - back;
        auto first = at.find(firstRowAt);
        if (first == at.end() || first->second.type != rt::Row) {
            ADD_FAILURE() << "the DBCELL does not lead back to a ROW record";
            continue;
        }
        // The block's ROW records, in order, then the cells.
        std::vector<RecordRef> rows;
        for (auto it = first; it != at.end() && it->second.type == rt::Row; ++it) rows.push_back(it->second);
        const std::size_t offsets = (db.size - 4u) / 2u;
        EXPECT_EQ(offsets, rows.size());
        // The first step counts from the second ROW record (from the end of
        // the first when it is alone), each next one from the row before.
        std::size_t cursor = firstRowAt + 4 + rows.front().size;
        for (std::size_t i = 0; i < offsets && i < rows.size(); ++i) {
            cursor += std::size_t(d[4 + 2 * i] | d[5 + 2 * i] << 8);
            const std::uint8_t* row = rows[i].Data(stream);
            const int rowNumber = row[0] | row[1] << 8;
            const bool hasCells = (row[2] | row[3] << 8) < (row[4] | row[5] << 8);
            if (!hasCells) continue;
            auto cell = at.find(cursor);
            if (cell == at.end() || !IsCellRecord(cell->second.type)) {
                ADD_FAILURE() << "row " << rowNumber << ": the offset lands on no cell record";
                continue;
            }
            const std::uint8_t* c = cell->second.Data(stream);
            EXPECT_EQ(c[0] | c[1] << 8, rowNumber) << "the offset lands on a cell of another row";
            ++walk.rowsChecked;
        }
    }
    return walk;
}

TEST(CellIndex, EveryDbCellOffsetLandsOnTheFirstCellOfItsRow) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString templatePath = dir.filePath("Export.vornic");
    xlstemplate::WriteExportTemplate(templatePath);
    // 92 rows leave the last block with one row; 100 fill three blocks and part of a fourth.
    const struct { int rows; int blocks; } cases[] = {{0, 1}, {1, 1}, {27, 1}, {28, 2}, {92, 4}, {100, 4}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.rows);
        const QString target = dir.filePath(QStringLiteral("out%1.xls").arg(c.rows));
        xlstest::ExportRows(templatePath, target, xlstest::SampleRows(c.rows));
        const Walk walk = WalkCellIndex(WorkbookStream(target));
        EXPECT_EQ(walk.blocks, c.blocks);
        // The head's rows with cells, the data and the empty row after it.
        EXPECT_GE(walk.rowsChecked, c.rows + 1 + 2);
    }
}

}  // namespace
