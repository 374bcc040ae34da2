// SPDX-License-Identifier: GPL-3.0-or-later
// Workbook (.xlsx) export and import of one day of readings (86,400 rows),
// beside ssconvert converting the same file to CSV in the same run. Prints
// processor and wall times and the peak resident memory after the export.
#include "bench/xls/process_times.h"
#include "reading/reading_table.h"
#include "reading/reading_word.h"
#include "records/sheet_rows.h"
#include "records/xlsx/workbook_reader.h"
#include "records/xlsx_export.h"
#include "tests/xls/xls_test_support.h"
#include "tools/xlstemplate/export_template.h"

#include <QTemporaryDir>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>

using namespace benchtimes;

int main() {
    QTemporaryDir dir;
    const QString templatePath = dir.filePath("Export.vornic");
    const QString target = dir.filePath("day.xlsx");
    xlstemplate::WriteExportTemplate(templatePath);
    constexpr int rows = 86400;
    ReadingTable table;
    table.SetRowCount(rows + 2);
    const QString date = reading::FormatShortDate(QDate(2026, 12, 9));
    for (int i = 1; i <= rows; ++i) {
        table.SetCell(0, i, QString::number(i));
        table.SetCell(1, i, reading::FormatLevel(300 + (i * 37) % 900));
        table.SetCell(2, i, i % 3 ? QStringLiteral("A") : QStringLiteral("C"));
        table.SetCell(3, i, reading::FormatLongTime(QTime(0, 0).addSecs(i)));
        table.SetCell(4, i, date);
    }
    const double rssBefore = PeakRssMb();
    double exportCpu = 0, importCpu = 0;
    const double exportSeconds = Seconds(
        [&] { records::WriteWorkbookExport(target, records::ReadTemplateHead(templatePath), table, rows + 1); }, &exportCpu);
    const double rssAfterExport = PeakRssMb();
    int imported = 0;
    const double importStart = CpuSeconds();
    const double importSeconds = Seconds(
        [&] {
            const xlsx::Sheet sheet = xlsx::Sheet::Open(target);
            if (std::getenv("XLSX_BENCH_SPLIT"))
                std::printf("open: %.3f s processor (cells read by the %s)\n", CpuSeconds() - importStart,
                            sheet.ReadQuickly() ? "quick scanner" : "XML reader");
            imported = records::ReadImportRows(sheet, records::ImportRowCount(sheet), 0, 0).readingCount;
        },
        &importCpu);

    std::printf("rows exported:          %d (%d read back)\n", rows, imported);
    std::printf("xlsx export:            %.3f s wall, %.3f s processor   (budget 2 s)\n", exportSeconds, exportCpu);
    std::printf("xlsx import:            %.3f s wall, %.3f s processor   (budget 1 s)\n", importSeconds, importCpu);
    std::printf("peak RSS:               %.1f MB before export (the table), %.1f MB after (budget 200 MB)\n", rssBefore,
                rssAfterExport);
    if (xlstest::SsconvertPath().isEmpty()) {
        std::printf("ssconvert:              not installed, no comparison\n");
    } else {
        int code = 0;
        double unused = 0;
        const double ssconvertSeconds = Seconds(
            [&] { code = xlstest::RunSsconvert({"-T", "Gnumeric_stf:stf_csv", target, dir.filePath("day.csv")}); }, &unused);
        std::printf("ssconvert to CSV:       %.3f s wall (exit %d)\n", ssconvertSeconds, code);
        std::printf("import / ssconvert:     %.2f (wall)\n", importSeconds / ssconvertSeconds);
        std::printf("export / ssconvert:     %.2f (wall)\n", exportSeconds / ssconvertSeconds);
    }
    const bool ok = exportCpu <= 2.0 && importCpu <= 1.0 && rssAfterExport <= 200.0 && imported == rows;
    double load[1] = {0};
    getloadavg(load, 1);
    std::printf("load average:           %.1f\n", load[0]);
    std::printf("%s (processor time and memory)\n", ok ? "within budget" : "OVER BUDGET");
    return ok ? 0 : 1;
}
