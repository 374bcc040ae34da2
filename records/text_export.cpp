// SPDX-License-Identifier: GPL-3.0-or-later
#include "records/text_export.h"

#include "reading/reading_table.h"
#include "reading/reading_word.h"

#include <algorithm>
#include <string>

namespace records {

QByteArray TextExportBytes(const ReadingTable& table, int lastRow) {
    // Built as one text and converted to 8 bits once.
    QString out;
    out.reserve(qsizetype(lastRow < 0 ? 0 : lastRow) * 48);
    for (int r = 1; r <= lastRow; ++r) {
        for (int k = 0; k < ReadingTable::Columns; ++k) {
            out += table.Cell(k, r);
            out += QLatin1Char('\t');
        }
        out += QLatin1String("\r\n");
    }
    return out.toLocal8Bit();
}

ImportedRows ParseTextExport(const QByteArray& bytes, float runningMax, float runningMin) {
    ImportedRows result(runningMax, runningMin);
    // The text ends at its first NUL; every line is at most one row.
    const char* const begin = bytes.constData();
    const char* const end = begin + bytes.size();
    const char* const stop = std::find(begin, end, '\0');
    const auto lines = std::size_t(std::count(begin, stop, '\n')) + 1;
    result.rows.reserve(lines);
    result.levels.Reserve(lines);

    RowCells row;  // the cells of row r stored so far
    int r = 1;
    int k = 0;
    std::string field;  // F
    field.reserve(64);
    for (const char* p = begin; p != stop; ++p) {
        const char c = *p;
        if (c == '\r' || c == '\n') {
            k = 0;  // F is kept: it runs on into the next line
            continue;
        }
        if (c != '\t') {
            field.push_back(c);
            continue;
        }
        if (field.empty()) continue;  // empty fields do not count
        row[std::size_t(k)] = QString::fromLocal8Bit(field.data(), qsizetype(field.size()));
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
