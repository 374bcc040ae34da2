// SPDX-License-Identifier: GPL-3.0-or-later
// The open command and LoadFile: a record file, a text export or a
// spreadsheet export fills the main window's table and its three curves.
#include "monitor/F_main.h"
#include "platform/file_dialogs.h"
#include "platform/messages.h"
#include "platform/sleep.h"
#include "records/F_open.h"
#include "records/file_choice.h"
#include "records/file_io.h"
#include "reading/level_rule.h"
#include "reading/record_file.h"
#include "records/sheet_rows.h"
#include "records/text_export.h"
#include "records/xls/workbook.h"
#include "records/xlsx/workbook_reader.h"

#include <QFileInfo>

#include <exception>
#include <memory>

namespace {

using platform::ShowBox;

// An error that ends a load, shown the way the program shows any error that
// ends a command: an error box with its text.
void ShowErrorText(QObject* owner, const QString& text) {
    ShowBox(owner, QString(), text, platform::MessageIcon::Error);
}

void ShowUnreadable(QObject* owner, const QString& path) {
    ShowBox(owner, QStringLiteral("Information"),
            QStringLiteral("The file %1 can not be read.").arg(path), platform::MessageIcon::Error);
}

// A level of a text file that is not a number.
void ShowReadFailure(QObject* owner) {
    ShowBox(owner, QStringLiteral("Alert"), QStringLiteral("Can't perform one of the  file read operation"),
            platform::MessageIcon::None, platform::Ok | platform::Cancel);
}

// The curve points of the level rule, appended in one go, and the extremes
// they end on.
void ShowLevels(TFormMain& w, const records::LevelRule& levels) {
    const auto colours = w.CurveColours();
    for (std::size_t i = 0; i < levels.Count(); ++i)
        w.ChartPoints.Append(float(levels.Levels()[i]), float(levels.Maxima()[i]), float(levels.Minima()[i]), colours);
    w.RunningMax = levels.RunningMax();
    w.RunningMin = levels.RunningMin();
    w.Chart1->replot(QCustomPlot::rpQueuedReplot);
}

// Rows read as texts go into table rows 1, 2, ...; the table then shows
// them all at once.
void ShowImportedRows(TFormMain& w, const records::ImportedRows& imported) {
    int r = 0;
    for (const records::RowCells& cells : imported.rows) {
        ++r;
        for (int k = 0; k < ReadingTable::Columns; ++k) w.Table->SetCell(k, r, cells[std::size_t(k)]);
    }
    w.Table->SetRowCount(r + 1);
    ShowLevels(w, imported.levels);
}

// Each loader says whether the file loaded without a failure.
bool LoadRecordFile(TFormMain& w) {
    // Loading a record file ends the last recording's hold on its file; the
    // name stays, so the save command still copies that recording.
    if (w.RecordingFile) w.RecordingFile->Close();
    w.ClearTable();
    records::StartDate start;
    try {
        start = records::StartDateFromName(w.OpenFileName);
    } catch (const std::exception& error) {
        ShowErrorText(&w, QString::fromLocal8Bit(error.what()));
        return false;
    }
    const std::optional<QByteArray> bytes = records::ReadWholeFile(w.OpenFileName);
    if (!bytes) {
        ShowUnreadable(&w, w.OpenFileName);
        return false;
    }
    const std::vector<std::uint32_t> words = records::RecordWordsFromBytes(*bytes);
    records::LevelRule levels(w.RunningMax, w.RunningMin);
    levels.Reserve(words.size());
    // Rows are stored compactly (the word and the date) and formatted only
    // when shown; the table grows once, after the last row.
    for (std::size_t i = 0; i < words.size(); ++i) {
        w.Table->SetFileRow(int(i) + 1, words[i], start.date);
        levels.Apply(int(i) + 1, records::RecordWordLevel(words[i]));
    }
    if (!words.empty()) reading::DecodeFile(words.back(), w.FileTexts);
    w.ReadingCount = quint32(words.size());
    w.Table->SetRowCount(int(words.size()) + 1);
    ShowLevels(w, levels);
    return true;
}

bool LoadTextFile(TFormMain& w) {
    w.ClearTable();
    const std::optional<QByteArray> bytes = records::ReadWholeFile(w.OpenFileName);
    if (!bytes) {
        ShowUnreadable(&w, w.OpenFileName);
        return false;
    }
    const records::ImportedRows imported = records::ParseTextExport(*bytes, w.RunningMax, w.RunningMin);
    ShowImportedRows(w, imported);
    w.ReadingCount = quint32(imported.readingCount);
    if (imported.Failed()) ShowReadFailure(&w);
    return !imported.Failed();
}

// Both spreadsheet forms: the .xls engine's active sheet or the .xlsx reader's.
template <class Book, class SheetOf>
bool LoadSpreadsheet(TFormMain& w, Book (*open)(const QString&), SheetOf sheetOf) {
    w.ClearTable();
    if (!QFileInfo::exists(w.OpenFileName)) {
        ShowBox(&w, QStringLiteral("Information"),
                QStringLiteral("Applications are modified or lost, you can not operate\uFF01"),
                platform::MessageIcon::Error);
        return false;
    }
    std::unique_ptr<TForm_MOpen> progress;
    QString failure;
    try {
        Book book = open(w.OpenFileName);
        decltype(auto) sheet = sheetOf(book);
        const int n = records::ImportRowCount(sheet);
        w.ReadingCount = quint32(n);
        progress = std::make_unique<TForm_MOpen>(w.StartFolder, &w);
        progress->show();
        progress->StartAnimation();
        platform::SleepMs(10);
        const records::ImportedRows imported = records::ReadImportRows(sheet, n, w.RunningMax, w.RunningMin);
        ShowImportedRows(w, imported);
        // After a level that is not a number only the rows read before it
        // are in the table, and the count says so.
        w.ReadingCount = quint32(imported.readingCount);
        if (imported.Failed())
            failure = QStringLiteral("The level \"%1\" in row %2 of the spreadsheet %3 is not a number.")
                          .arg(imported.badLevel)
                          .arg(imported.badLevelRow + records::FirstDataSheetRow - 1)
                          .arg(w.OpenFileName);
    } catch (const std::exception& error) {
        // The workbook is closed as the error leaves its scope.
        failure = QString::fromLocal8Bit(error.what());
    }
    if (progress) {
        progress->StopAnimation();
        progress.reset();
    }
    if (!failure.isEmpty()) ShowErrorText(&w, failure);
    return failure.isEmpty();
}

}  // namespace

void TFormMain::ToolButton1Click() {
    if (Recording) {
        ShowBox(this, QStringLiteral("Information"), QStringLiteral("Record data, please stop recording!"),
                platform::MessageIcon::Warning, platform::Cancel);
        return;
    }
    platform::FileDialogRequest request;
    request.save = false;
    request.filter = QString::fromLatin1(records::OpenFilter);
    request.filterIndex = 1;
    request.owner = this;
    const platform::FileDialogAnswer answer = platform::AskForFile(request);
    if (!answer.accepted) return;
    OpenFileName = answer.path;
    LoadFile();
}

void TFormMain::LoadFile() {
    OpenFileName = records::TrimFileName(OpenFileName);
    bool loaded = false;
    switch (records::LoadKindOf(OpenFileName)) {
    case records::LoadKind::Record: loaded = LoadRecordFile(*this); break;
    case records::LoadKind::Text: loaded = LoadTextFile(*this); break;
    case records::LoadKind::Spreadsheet:
        loaded = LoadSpreadsheet(*this, &xls::Workbook::Open, [](xls::Workbook& book) { return book.ActiveSheet(); });
        break;
    case records::LoadKind::Workbook:
        loaded = LoadSpreadsheet(*this, &xlsx::Sheet::Open, [](const xlsx::Sheet& s) -> const xlsx::Sheet& { return s; });
        break;
    case records::LoadKind::None: return;  // not a file the program reads: nothing changes
    }
    // The chart's summary line speaks of the last recording; over a chart
    // that a failed or empty load has emptied it would mislead.
    if (!loaded || ReadingCount == 0) ChartTool_Txt->SetText(QString());
}
