// SPDX-License-Identifier: GPL-3.0-or-later
// Writes the spreadsheet export template: xlstemplate <output file>.
#include "records/xls/error.h"
#include "tools/xlstemplate/export_template.h"

#include <QString>

#include <cstdio>

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <output file>\n", argv[0]);
        return 2;
    }
    try {
        xlstemplate::WriteExportTemplate(QString::fromLocal8Bit(argv[1]));
    } catch (const xls::Error& e) {
        std::fprintf(stderr, "xlstemplate: %s\n", e.what());
        return 1;
    }
    return 0;
}
