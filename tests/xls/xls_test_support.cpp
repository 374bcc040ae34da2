// SPDX-License-Identifier: GPL-3.0-or-later
#include "tests/xls/xls_test_support.h"

#include "records/xls/workbook.h"

#include <QFile>
#include <QProcess>
#include <QStandardPaths>

namespace xlstest {

Table SampleRows(int count) {
    Table rows;
    rows.reserve(std::size_t(count));
    for (int i = 1; i <= count; ++i) {
        int tenths = 300 + (i * 37) % 900;
        int seconds = i % 86400;
        rows.push_back({QString::number(i),
                        QString::number(tenths / 10) + "," + QString::number(tenths % 10),
                        i % 3 ? QStringLiteral("A") : QStringLiteral("C"),
                        QString::asprintf("%02d:%02d:%02d", seconds / 3600, seconds / 60 % 60, seconds % 60),
                        QStringLiteral("09.12.2026")});
    }
    return rows;
}

void ExportRows(const QString& templatePath, const QString& target, const Table& rows) {
    xls::CheckExportRowCount(int(rows.size()));
    QFile::remove(target);
    if (!QFile::copy(templatePath, target)) throw xls::Error("cannot copy the template");
    xls::Workbook book = xls::Workbook::Open(target);
    xls::Sheet sheet = book.ActiveSheet();
    int used = sheet.UsedRowCount();
    for (int r = 5; r <= used + 1; ++r) sheet.ClearRow(r);
    for (int r = 1; r <= int(rows.size()) + 1; ++r)
        for (int k = 1; k <= 5; ++k)
            sheet.SetCellText(r + 4, k, r <= int(rows.size()) ? rows[std::size_t(r - 1)][k - 1] : QString());
    book.Save();
    book.Close();
}

Table ImportRows(const QString& path) {
    xls::Workbook book = xls::Workbook::Open(path);
    xls::Sheet sheet = book.ActiveSheet();
    Table rows;
    int n = sheet.UsedRowCount() - 5;
    for (int i = 0; i < n; ++i) {
        QStringList row;
        for (int k = 1; k <= 5; ++k) row << sheet.CellText(i + 5, k);
        rows.push_back(row);
    }
    return rows;
}

QString SsconvertPath() { return QStandardPaths::findExecutable(QStringLiteral("ssconvert")); }

int RunSsconvert(const QStringList& arguments, QString* errors) {
    QString program = SsconvertPath();
    if (program.isEmpty()) return -1;
    QProcess p;
    p.start(program, arguments);
    if (!p.waitForFinished(120000)) return -1;
    if (errors) *errors = QString::fromLocal8Bit(p.readAllStandardError());
    return p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
}

Table ParseCsv(const QString& text) {
    Table rows;
    QStringList row;
    QString field;
    bool quoted = false, any = false;
    for (qsizetype i = 0; i < text.size(); ++i) {
        QChar c = text[i];
        if (quoted) {
            if (c == '"' && i + 1 < text.size() && text[i + 1] == '"') { field += '"'; ++i; }
            else if (c == '"') quoted = false;
            else field += c;
        } else if (c == '"') { quoted = true; any = true; }
        else if (c == ',') { row << field; field.clear(); any = true; }
        else if (c == '\n') { row << field; rows.push_back(row); row.clear(); field.clear(); any = false; }
        else if (c != '\r') { field += c; any = true; }
    }
    if (any) { row << field; rows.push_back(row); }
    return rows;
}

QString ReadUtf8(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return QString();
    return QString::fromUtf8(f.readAll());
}

void WriteUtf8(const QString& path, const QString& text) {
    QFile f(path);
    if (f.open(QIODevice::WriteOnly)) f.write(text.toUtf8());
}

}  // namespace xlstest
