// SPDX-License-Identifier: GPL-3.0-or-later
// The save command: the current data as a copy of the last recording's
// record file, as a text export or as a spreadsheet filled from the
// export template. The one-second tick is off while it runs. An existing
// file is replaced only when the user says so, and a record file's name
// keeps the day its recording started.
#include "platform/file_dialogs.h"
#include "platform/messages.h"
#include "platform/sleep.h"
#include "reading/reading_word.h"
#include "reading/readings_session.h"
#include "reading/record_file.h"
#include "records/F_save.h"
#include "records/file_commands.h"
#include "records/file_choice.h"
#include "records/file_io.h"
#include "records/sheet_rows.h"
#include "records/text_export.h"
#include "records/xlsx_export.h"
#include "records/xls/workbook.h"

#include <QDir>
#include <QFileInfo>
#include <QWidget>

#include <QScopeGuard>

#include <exception>
#include <memory>
#include <optional>

namespace {

using platform::ShowBox;

using records::FileCommandContext;

void ShowNoRecordFile(const FileCommandContext& w) {
    ShowBox(w.owner, QStringLiteral("Information"), QStringLiteral("The File does not exist \uFF01"),
            platform::MessageIcon::None);
}

void SaveRecordFile(const FileCommandContext& w, const QString& target) {
    // Only a copy that worked counts: an older file of the target's name,
    // or no recording since start-up, is no success.
    if (!records::CopyFileReplacing(w.session->RecordingFileName, target)) ShowNoRecordFile(w);
}

bool SameFile(const QString& a, const QString& b) {
    const QFileInfo x(a), y(b);
    return x.exists() && y.exists() && x.canonicalFilePath() == y.canonicalFilePath();
}

// A record file keeps the date its recording started only in its name. A
// target whose name would give another day (or none) is offered the
// recording's own stem after the typed name, which keeps both; the user may
// still keep the typed name, or save nothing. Returns the path to write, or
// nothing.
std::optional<QString> RecordTargetKeepingTheDate(const FileCommandContext& w, const QString& target) {
    const QString& recording = w.session->RecordingFileName;
    std::optional<QDate> start;
    try {
        start = records::StartDateFromName(recording).date;
    } catch (const std::exception&) {
        return target;  // the recording's own name gives no date: no name could
    }
    try {
        if (records::StartDateFromName(target).date == *start) return target;
    } catch (const std::exception&) {
        // no calendar date at all: ask as for a wrong one
    }
    const QFileInfo typed(target);
    const QString stem = QFileInfo(recording).completeBaseName();
    const QString keeping =
        typed.path() + QLatin1Char('/') + typed.completeBaseName() + QLatin1Char('_') + stem + QStringLiteral(".qzx");
    const int answer = ShowBox(
        w.owner, QStringLiteral("Information"),
        QStringLiteral("A record file keeps the day its recording started only in its name, and the name %1 "
                       "does not give %2.\n\nYes: save it as %3, which does.\nNo: save it as %1 all the same; "
                       "opened again, it will show another day or ask for it.\nCancel: save nothing.")
            .arg(typed.fileName(), reading::FormatShortDate(*start), QFileInfo(keeping).fileName()),
        platform::MessageIcon::Question, platform::Yes | platform::No | platform::Cancel);
    if (answer == platform::Yes) return keeping;
    if (answer == platform::No) return target;
    return std::nullopt;
}

// An existing file is replaced only when the user says so.
bool MayWrite(const FileCommandContext& w, const QString& target) {
    if (!QFileInfo::exists(target)) return true;
    return ShowBox(w.owner, QStringLiteral("Information"),
                   QStringLiteral("The file %1 already exists. Replace it?").arg(target),
                   platform::MessageIcon::Question, platform::Yes | platform::No) == platform::Yes;
}

void SaveTextFile(const FileCommandContext& w, const QString& target) {
    auto progress = std::make_unique<TFormSave>(w.startFolder, w.owner);
    progress->show();
    progress->StartAnimation();
    platform::SleepMs(1000);
    const QByteArray text = records::TextExportBytes(w.session->Table(), int(w.session->ReadingCount) + 1);
    if (!records::WriteFileReplacing(target, text)) {
        ShowBox(nullptr, QStringLiteral("Information"), QStringLiteral("File already exists!"),
                platform::MessageIcon::None);
        progress->StopAnimation();
        return;
    }
    platform::SleepMs(1000);
    progress->StopAnimation();
}

// Runs build, which fills the file beside the target and calls showProgress
// once its input has been read; then puts the file in the target's place.
// Any failure is told in one box, and the target stays as it was.
template <class Build>
void BuildBesideTarget(const FileCommandContext& w, records::FileBeside& file, const QString& target, Build&& build) {
    std::unique_ptr<TFormSave> progress;
    const auto showProgress = [&] {
        progress = std::make_unique<TFormSave>(w.startFolder, w.owner);
        progress->show();
        progress->StartAnimation();
        platform::SleepMs(1000);
    };
    QString failure;
    try {
        build(showProgress);
        if (!file.Commit()) failure = QStringLiteral("The workbook cannot be saved to %1.").arg(target);
    } catch (const std::exception& error) {
        failure = QString::fromLocal8Bit(error.what());
    }
    if (progress) {
        progress->StopAnimation();
        progress.reset();
    }
    if (!failure.isEmpty()) ShowBox(w.owner, QString(), failure, platform::MessageIcon::Error);
}

void SaveSpreadsheet(const FileCommandContext& w, const QString& target) {
    try {
        // Refused before anything is written: the rows must fit one sheet.
        xls::CheckExportRowCount(int(w.session->ReadingCount));
    } catch (const std::exception& error) {
        ShowBox(w.owner, QStringLiteral("Information"), QString::fromLocal8Bit(error.what()),
                platform::MessageIcon::Error);
        return;
    }
    const QString exportTemplate = w.startFolder + QDir::separator() + QStringLiteral("Export.vornic");
    // The workbook is built in a new file beside the target, which takes the
    // target's place only once it is saved whole: a damaged template or any
    // later failure leaves the user's older file as it was.
    records::FileBeside file(target);
    if (!file.Ok() || !records::CopyFileReplacing(exportTemplate, file.Path())) {
        ShowBox(w.owner, QStringLiteral("Information"), QStringLiteral("The Excel File does not exist \uFF01"),
                platform::MessageIcon::None);
        return;
    }
    BuildBesideTarget(w, file, target, [&](const auto& showProgress) {
        // A failure closes the workbook unsaved as it leaves this scope.
        xls::Workbook book = xls::Workbook::Open(file.Path());
        xls::Sheet sheet = book.ActiveSheet();
        records::ClearExportRows(sheet);
        showProgress();
        records::WriteExportRows(sheet, w.session->Table(), int(w.session->ReadingCount) + 1);
        book.Save();
        book.Close();
    });
}

// The workbook form: the template's head and the rows written into a new
// file beside the target, which replaces the target once it is complete.
void SaveWorkbook(const FileCommandContext& w, const QString& target) {
    if (int(w.session->ReadingCount) > records::MaxWorkbookDataRows) {
        ShowBox(w.owner, QStringLiteral("Information"), QString::fromLatin1(records::TooManyWorkbookRowsText),
                platform::MessageIcon::Error);
        return;
    }
    const QString exportTemplate = w.startFolder + QDir::separator() + QStringLiteral("Export.vornic");
    records::FileBeside file(target);
    if (!file.Ok() || !QFileInfo::exists(exportTemplate)) {
        ShowBox(w.owner, QStringLiteral("Information"), QStringLiteral("The Excel File does not exist \uFF01"),
                platform::MessageIcon::None);
        return;
    }
    BuildBesideTarget(w, file, target, [&](const auto& showProgress) {
        const records::WorkbookHead head = records::ReadTemplateHead(exportTemplate);
        showProgress();
        records::WriteWorkbookExport(file.Path(), head, w.session->Table(), int(w.session->ReadingCount) + 1);
    });
}

}  // namespace

namespace records {

void RunSaveCommand(const FileCommandContext& context) {
    reading::ReadingsSession& session = *context.session;
    if (session.ReadingCount == 0) {
        platform::ShowPlainMessage(QStringLiteral("No data you want to save!"), context.owner);
        return;
    }
    if (session.Recording) {
        const int answer = ShowBox(context.owner, QStringLiteral("Information"),
                                   QStringLiteral("Save the file will stop recording?"),
                                   platform::MessageIcon::Question, platform::Yes | platform::No);
        if (answer == platform::No) return;
        // Saving ends the recording; its file stays open until the next one
        // starts or a record file is loaded.
        session.Recording = false;
    }
    // The tick stays off while the data is written out and starts again
    // however the command ends.
    if (context.holdTick) context.holdTick(true);
    const auto restartTick = qScopeGuard([&] {
        if (context.holdTick) context.holdTick(false);
    });
    platform::FileDialogRequest request;
    request.save = true;
    request.filter = QString::fromLatin1(records::SaveFilter);
    request.filterIndex = 1;
    request.owner = context.owner;
    // The recording's own name is proposed: saved under it, a record file
    // opens again with the day it was recorded.
    if (!session.RecordingFileName.isEmpty()) {
        request.proposedName = QFileInfo(session.RecordingFileName).completeBaseName();
        request.directory = QFileInfo(session.RecordingFileName).absolutePath();
    }
    const platform::FileDialogAnswer answer = platform::AskForFile(request);
    if (!answer.accepted) return;
    const records::SaveForm form = records::SaveFormOf(answer.filterIndex);
    QString target = records::SaveTargetPath(answer.path, form);
    if (form == records::SaveForm::Record) {
        if (!QFileInfo(session.RecordingFileName).isFile()) {
            ShowNoRecordFile(context);  // no recording since start-up: nothing to copy
            return;
        }
        const std::optional<QString> keeping = RecordTargetKeepingTheDate(context, target);
        if (!keeping) return;
        target = *keeping;
        // The recording's own file already holds every word.
        if (SameFile(target, session.RecordingFileName)) return;
    }
    if (form == records::SaveForm::None || !MayWrite(context, target)) return;
    switch (form) {
    case records::SaveForm::Record: SaveRecordFile(context, target); break;
    case records::SaveForm::Text: SaveTextFile(context, target); break;
    case records::SaveForm::Spreadsheet: SaveSpreadsheet(context, target); break;
    case records::SaveForm::Workbook: SaveWorkbook(context, target); break;
    case records::SaveForm::None: break;
    }
}

}  // namespace records
