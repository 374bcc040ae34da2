#include "records/text_export.h"

#include "monitor/reading_table.h"
#include "monitor/reading_word.h"

namespace records {

QByteArray TextExportBytes(const ReadingTable& table, int lastRow) {
    QByteArray out;
    out.reserve(qsizetype(lastRow < 0 ? 0 : lastRow) * 48);
    for (int r = 1; r <= lastRow; ++r) {
        for (int k = 0; k < ReadingTable::Columns; ++k) {
            out += table.Cell(k, r).toLocal8Bit();
            out += '\t';
        }
        out += "\r\n";
    }
    return out;
}

ImportedRows ParseTextExport(const QByteArray& bytes, float runningMax, float runningMin) {
    ImportedRows result(runningMax, runningMin);
    RowCells row;  // the cells of row r stored so far
    int r = 1;
    int k = 0;
    QByteArray field;  // F
    field.reserve(64);
    for (const char c : bytes) {
        if (c == '\0') break;
        if (c == '\r' || c == '\n') {
            k = 0;  // F is kept: it runs on into the next line
            continue;
        }
        if (c != '\t') {
            field += c;
            continue;
        }
        if (field.isEmpty()) continue;  // empty fields do not count
        row[std::size_t(k)] = QString::fromLocal8Bit(field);
        field.clear();
        if (k >= 4) {
            const QString& level = row[1];
            if (!level.isEmpty()) {
                const std::optional<float> v = reading::LevelNumber(level);
                if (!v) {
                    result.badLevel = level;
                    result.badLevelRow = r;
                    return result;
                }
                result.levels.Apply(r, *v);
                result.readingCount = r;
            }
            result.rows.push_back(std::move(row));
            row = RowCells{};
            ++r;
            k = -1;
        }
        ++k;
    }
    return result;
}

}  // namespace records
