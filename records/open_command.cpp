// SPDX-License-Identifier: GPL-3.0-or-later
// The open command and LoadFile: a record file, a text export or a
// spreadsheet export fills the readings session.
#include "platform/file_dialogs.h"
#include "platform/messages.h"
#include "platform/sleep.h"
#include "records/F_open.h"
#include "records/file_choice.h"
#include "records/file_io.h"
#include "reading/level_rule.h"
#include "reading/readings_session.h"
#include "reading/record_file.h"
#include "records/file_commands.h"
#include "records/sheet_rows.h"
#include "records/text_export.h"
#include "records/xls/workbook.h"
#include "records/xlsx/workbook_reader.h"

#include <QFileInfo>
#include <QWidget>

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

// Rows read as texts go into table rows 1, 2, ...; the table then shows
// them all at once, with the points and extremes the level rule made.
void ShowImportedRows(reading::ReadingsSession& session, const records::ImportedRows& imported) {
    session.AppendTextRows(imported.rows, imported.levels, quint32(imported.readingCount));
}

// Each loader says whether the file loaded without a failure.
// The file being loaded, and where it goes.
struct Load {
    QWidget* owner;
    reading::ReadingsSession& session;
    const QString& path;
    const QString& startFolder;
};

bool LoadRecordFile(const Load& l) {
    // Loading a record file ends the last recording's hold on its file; the
    // name stays, so the save command still copies that recording.
    if (l.session.RecordingFile) l.session.RecordingFile->Close();
    l.session.ClearTable();
    records::StartDate start;
    try {
        start = records::StartDateFromName(l.path);
    } catch (const std::exception& error) {
        ShowErrorText(l.owner, QString::fromLocal8Bit(error.what()));
        return false;
    }
    const std::optional<QByteArray> bytes = records::ReadWholeFile(l.path);
    if (!bytes) {
        ShowUnreadable(l.owner, l.path);
        return false;
    }
    l.session.AppendFileWords(records::RecordWordsFromBytes(*bytes), start.date);
    return true;
}

bool LoadTextFile(const Load& l) {
    l.session.ClearTable();
    const std::optional<QByteArray> bytes = records::ReadWholeFile(l.path);
    if (!bytes) {
        ShowUnreadable(l.owner, l.path);
        return false;
    }
    const records::ImportedRows imported =
        records::ParseTextExport(*bytes, l.session.RunningMax, l.session.RunningMin);
    ShowImportedRows(l.session, imported);
    if (imported.Failed()) ShowReadFailure(l.owner);
    return !imported.Failed();
}

// Both spreadsheet forms: the .xls engine's active sheet or the .xlsx reader's.
template <class Book, class SheetOf>
bool LoadSpreadsheet(const Load& l, Book (*open)(const QString&), SheetOf sheetOf) {
    l.session.ClearTable();
    if (!QFileInfo::exists(l.path)) {
        ShowBox(l.owner, QStringLiteral("Information"),
                QStringLiteral("Applications are modified or lost, you can not operate\uFF01"),
                platform::MessageIcon::Error);
        return false;
    }
    std::unique_ptr<TForm_MOpen> progress;
    QString failure;
    try {
        Book book = open(l.path);
        decltype(auto) sheet = sheetOf(book);
        const int n = records::ImportRowCount(sheet);
        l.session.ReadingCount = quint32(n);
        progress = std::make_unique<TForm_MOpen>(l.startFolder, l.owner);
        progress->show();
        progress->StartAnimation();
        platform::SleepMs(10);
        const records::ImportedRows imported =
            records::ReadImportRows(sheet, n, l.session.RunningMax, l.session.RunningMin);
        // After a level that is not a number only the rows read before it
        // are in the table, and the count says so.
        ShowImportedRows(l.session, imported);
        if (imported.Failed())
            failure = QStringLiteral("The level \"%1\" in row %2 of the spreadsheet %3 is not a number.")
                          .arg(imported.badLevel)
                          .arg(imported.badLevelRow + records::FirstDataSheetRow - 1)
                          .arg(l.path);
    } catch (const std::exception& error) {
        // The workbook is closed as the error leaves its scope.
        failure = QString::fromLocal8Bit(error.what());
    }
    if (progress) {
        progress->StopAnimation();
        progress.reset();
    }
    if (!failure.isEmpty()) ShowErrorText(l.owner, failure);
    return failure.isEmpty();
}

}  // namespace

namespace records {

LoadOutcome RunOpenCommand(const FileCommandContext& context) {
    if (context.session->Recording) {
        ShowBox(context.owner, QStringLiteral("Information"), QStringLiteral("Record data, please stop recording!"),
                platform::MessageIcon::Warning, platform::Cancel);
        return {};
    }
    platform::FileDialogRequest request;
    request.save = false;
    request.filter = QString::fromLatin1(records::OpenFilter);
    request.filterIndex = 1;
    request.owner = context.owner;
    const platform::FileDialogAnswer answer = platform::AskForFile(request);
    if (!answer.accepted) return {};
    return LoadFile(context, answer.path);
}

LoadOutcome LoadFile(const FileCommandContext& context, const QString& fileName) {
    LoadOutcome outcome;
    outcome.fileName = records::TrimFileName(fileName);
    const Load l{context.owner, *context.session, outcome.fileName, context.startFolder};
    switch (records::LoadKindOf(outcome.fileName)) {
    case records::LoadKind::Record: outcome.loaded = LoadRecordFile(l); break;
    case records::LoadKind::Text: outcome.loaded = LoadTextFile(l); break;
    case records::LoadKind::Spreadsheet:
        outcome.loaded = LoadSpreadsheet(l, &xls::Workbook::Open, [](xls::Workbook& book) { return book.ActiveSheet(); });
        break;
    case records::LoadKind::Workbook:
        outcome.loaded = LoadSpreadsheet(l, &xlsx::Sheet::Open, [](const xlsx::Sheet& s) -> const xlsx::Sheet& { return s; });
        break;
    case records::LoadKind::None: outcome.ignored = true; break;  // not a file the program reads: nothing changes
    }
    return outcome;
}

}  // namespace records
