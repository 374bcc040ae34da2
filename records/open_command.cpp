// SPDX-License-Identifier: GPL-3.0-or-later
// The open command and LoadFile: a record file, a text export or a
// spreadsheet export fills the readings session.
#include "platform/date_question.h"
#include "platform/file_dialogs.h"
#include "platform/messages.h"
#include "platform/sleep.h"
#include "records/F_open.h"
#include "records/file_choice.h"
#include "records/file_io.h"
#include "records/load_report.h"
#include "reading/level_rule.h"
#include "reading/readings_session.h"
#include "reading/record_file.h"
#include "records/file_commands.h"
#include "records/sheet_rows.h"
#include "records/text_export.h"
#include "records/xls/workbook.h"
#include "records/xlsx/workbook_reader.h"

#include <QFile>
#include <QFileInfo>
#include <QWidget>

#include <exception>
#include <memory>
#include <optional>

namespace {

using platform::ShowBox;

// An error that ends a load, shown the way the program shows any error that
// ends a command: an error box with its text.
void ShowErrorText(QObject* owner, const QString& text) {
    ShowBox(owner, QString(), text, platform::MessageIcon::Error);
}

void ShowUnreadable(QObject* owner, const QString& path) {
    ShowBox(owner, QStringLiteral("Information"), records::UnreadableFileText(path), platform::MessageIcon::Error);
}

// A file that loaded no readings says so, or the user would take the empty
// table for a fault of the program.
void ShowNothingLoaded(QObject* owner, const QString& text) {
    ShowBox(owner, QStringLiteral("Information"), text, platform::MessageIcon::Information);
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

// The day a record file's recording started: its name's, or, when the name
// gives none (a name of the user's choice), the day the user says. Nothing
// when the user cancels.
std::optional<QDate> RecordStartDate(const Load& l) {
    try {
        return records::StartDateFromName(l.path).date;
    } catch (const std::exception&) {
    }
    platform::DateRequest request;
    request.caption = QStringLiteral("Start date");
    request.text = QStringLiteral("The name of the record file %1 gives no calendar date, and a record file keeps "
                                  "the day its recording started only in its name. On which day did the "
                                  "recording start?")
                       .arg(l.path);
    // The file was last written when the recording ended, mostly the day
    // it started.
    request.initial = QFileInfo(l.path).lastModified().date();
    request.owner = l.owner;
    return platform::AskForDate(request);
}

// Loads a record file; `cancelled` is set (and nothing changed) when the
// user did not say the day of a name that gives none.
bool LoadRecordFile(const Load& l, bool& cancelled) {
    // Loading a record file ends the last recording's hold on its file; the
    // name stays, so the save command still copies that recording.
    const auto startOver = [&] {
        if (l.session.RecordingFile) l.session.RecordingFile->Close();
        l.session.ClearTable();
    };
    const std::optional<QByteArray> bytes = records::ReadWholeFile(l.path);
    if (!bytes) {
        startOver();
        ShowUnreadable(l.owner, l.path);
        return false;
    }
    const std::optional<QDate> start = RecordStartDate(l);
    if (!start) {
        cancelled = true;
        return false;
    }
    startOver();
    const std::vector<std::uint32_t> words = records::RecordWordsFromBytes(*bytes);
    l.session.AppendFileWords(words, *start);
    if (words.empty()) {
        ShowNothingLoaded(l.owner, records::EmptyRecordFileText(l.path, bytes->size()));
        return false;
    }
    if (const records::WordTimeCheck check = records::CheckWordTimes(words); check.Doubtful())
        ShowBox(l.owner, QStringLiteral("Information"), records::DoubtfulTimesText(l.path, check),
                platform::MessageIcon::Warning);
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
    if (imported.Failed()) {
        ShowReadFailure(l.owner);
        return false;
    }
    if (imported.readingCount == 0) {
        ShowNothingLoaded(l.owner, records::EmptyTextFileText(l.path, bytes->size()));
        return false;
    }
    return true;
}

// Both spreadsheet forms: the .xls engine's active sheet or the .xlsx reader's.
template <class Book, class SheetOf>
bool LoadSpreadsheet(const Load& l, Book (*open)(const QString&), SheetOf sheetOf) {
    l.session.ClearTable();
    const QFileInfo info(l.path);
    if (!info.exists()) {
        ShowBox(l.owner, QStringLiteral("Information"),
                QStringLiteral("Applications are modified or lost, you can not operate\uFF01"),
                platform::MessageIcon::Error);
        return false;
    }
    if (QFile readable(l.path); info.isDir() || !readable.open(QIODevice::ReadOnly)) {
        ShowUnreadable(l.owner, l.path);
        return false;
    }
    if (info.size() == 0) {
        // Said as empty, not as a file of another format.
        ShowNothingLoaded(l.owner, records::EmptySpreadsheetText(l.path));
        return false;
    }
    std::unique_ptr<TForm_MOpen> progress;
    QString failure;
    bool noRows = false;
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
        if (!imported.Failed() && n <= 0) noRows = true;
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
    if (noRows) ShowNothingLoaded(l.owner, records::SpreadsheetWithoutRowsText(l.path));
    return failure.isEmpty() && !noRows;
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
    case records::LoadKind::Record: {
        bool cancelled = false;
        outcome.loaded = LoadRecordFile(l, cancelled);
        outcome.ignored = cancelled;  // the user said no day: nothing changed
        break;
    }
    case records::LoadKind::Text: outcome.loaded = LoadTextFile(l); break;
    case records::LoadKind::Spreadsheet:
        outcome.loaded = LoadSpreadsheet(l, &xls::Workbook::Open, [](xls::Workbook& book) { return book.ActiveSheet(); });
        break;
    case records::LoadKind::Workbook:
        outcome.loaded = LoadSpreadsheet(l, &xlsx::Sheet::Open, [](const xlsx::Sheet& s) -> const xlsx::Sheet& { return s; });
        break;
    case records::LoadKind::None:
        // Not a file the program reads: nothing changes, and the user is told.
        outcome.ignored = true;
        ShowBox(l.owner, QStringLiteral("Information"), records::UnknownKindText(outcome.fileName),
                platform::MessageIcon::Information);
        break;
    }
    return outcome;
}

}  // namespace records
