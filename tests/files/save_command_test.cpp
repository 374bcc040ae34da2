// SPDX-License-Identifier: GPL-3.0-or-later
// The save command: its guards, the dialog, the three forms, their failure
// boxes and the tick that is off while it runs and back on however it ends.
#include "files_fixture.h"
#include "records/F_save.h"
#include "records/sheet_values.h"
#include "records/xls/workbook.h"

#include "ico/animate_widget.h"

namespace {

const QString kSaveFilter = QStringLiteral(
    "Record File [*.qzx]|*.qzx|Text File [*.txt]|*.txt|Excel File [*.xls]|*.xls|Excel Workbook [*.xlsx]|*.xlsx");

class SaveCommand : public FilesFixture {
protected:
    // Records n readings and stops the recording.
    void RecordAndStop(int n) {
        Record(n);
        window->ToolButton3Click();
        ASSERT_FALSE(window->Session().Recording);
    }
    QStringList Files() const { return QDir(folder.path()).entryList(QDir::Files, QDir::Name); }
    static QString ReplaceQuestion(const QString& path) {
        return QStringLiteral("The file %1 already exists. Replace it?").arg(path);
    }
    // Checks, while each box is open, that the tick is off.
    void ExpectTickOffInBoxes() {
        seams.messages.onShow = [this](const platform::Message&) { EXPECT_FALSE(window->Recorder().Timer().isActive()); };
    }
};

}  // namespace

TEST_F(SaveCommand, WithoutReadingsItSaysSoAndAsksNothing) {
    for (bool recording : {false, true}) {
        SCOPED_TRACE(recording);
        if (recording) {
            window->Recorder().Tick();
            window->ToolButton3Click();  // started, no reading yet
        }
        seams.messages.shown.clear();
        window->ToolButton2Click();
        ASSERT_EQ(seams.messages.shown.size(), 1u);
        EXPECT_EQ(seams.messages.shown[0].text, QStringLiteral("No data you want to save!"));
        EXPECT_EQ(seams.messages.shown[0].caption, QString());  // the application's title
        EXPECT_EQ(seams.messages.shown[0].buttons, int(platform::Ok));
        EXPECT_TRUE(seams.fileDialogs.asked.empty());
        EXPECT_EQ(window->Session().Recording, recording);
    }
}

TEST_F(SaveCommand, NoToStoppingTheRecordingLeavesItRunningWithoutADialog) {
    Record(2);
    seams.messages.answers = {platform::No};
    window->ToolButton2Click();
    ASSERT_EQ(seams.messages.shown.size(), 1u);
    EXPECT_EQ(seams.messages.shown[0].text, QStringLiteral("Save the file will stop recording?"));
    EXPECT_EQ(seams.messages.shown[0].buttons, platform::Yes | platform::No);
    EXPECT_TRUE(seams.fileDialogs.asked.empty());
    EXPECT_TRUE(window->Session().Recording);
    EXPECT_TRUE(TickRunsEverySecond());
    seams.time.Advance(1000);
    window->Recorder().Tick();
    EXPECT_EQ(window->Session().ReadingCount, 3u);  // the recording goes on
}

TEST_F(SaveCommand, YesThenCancelStopsTheRecordingAndWritesNothing) {
    Record(2);
    const QStringList before = Files();
    seams.messages.answers = {platform::Yes};
    window->ToolButton2Click();  // the scripted dialog cancels
    ASSERT_EQ(seams.fileDialogs.asked.size(), 1u);
    EXPECT_TRUE(seams.fileDialogs.asked[0].save);
    EXPECT_EQ(seams.fileDialogs.asked[0].filter, kSaveFilter);
    EXPECT_EQ(seams.fileDialogs.asked[0].filterIndex, 1);
    EXPECT_FALSE(window->Session().Recording);
    EXPECT_EQ(Files(), before);
    EXPECT_TRUE(TickRunsEverySecond());
    seams.time.Advance(1000);
    window->Recorder().Tick();
    EXPECT_EQ(window->Session().ReadingCount, 2u);  // stopped for good
}

TEST_F(SaveCommand, TextFormKeepsATypedTxtAndWritesOneLineMoreThanThereAreRows) {
    RecordAndStop(3);
    std::vector<QSize> formSizes;
    seams.time.onAdvance = [&](int) {
        if (TFormSave* form = window->findChild<TFormSave*>()) {
            EXPECT_TRUE(form->isVisible());
            EXPECT_EQ(form->windowTitle(), QStringLiteral("Save File"));
            EXPECT_EQ(form->Animate1->geometry(), QRect(8, 8, 272, 60));
            EXPECT_FALSE(window->Recorder().Timer().isActive());
            formSizes.push_back(form->size());
        }
    };
    seams.time.sleeps.clear();
    for (const char* name : {"data", "data.txt"}) {
        AnswerFileDialog(Path(name), 2);
        window->ToolButton2Click();
    }
    EXPECT_EQ(seams.time.sleeps, (std::vector<int>{1000, 1000, 1000, 1000}));
    EXPECT_EQ(formSizes, std::vector<QSize>(4, QSize(290, 77)));
    EXPECT_EQ(window->findChild<TFormSave*>(), nullptr);
    EXPECT_TRUE(TickRunsEverySecond());
    // The second save is to the file the first wrote, replaced when asked.
    EXPECT_EQ(seams.messages.Texts(), QStringList{ReplaceQuestion(Path("data.txt"))});

    QByteArray expected;
    for (const Row& row : TableRows())
        expected += (QStringList(row.begin(), row.end()).join(QLatin1Char('\t')) + QStringLiteral("\t\r\n")).toLocal8Bit();
    expected += "\t\t\t\t\t\r\n";
    EXPECT_EQ(ReadFile(Path("data.txt")), expected);
    EXPECT_FALSE(QFile::exists(Path("data.txt.txt")));
    EXPECT_EQ(expected.count("\r\n"), 4);
}

TEST_F(SaveCommand, ATextFileThatCannotBeWrittenIsReportedAndEverythingIsPutBack) {
    RecordAndStop(2);
    ExpectTickOffInBoxes();
    AnswerFileDialog(Path("no/such/folder/data"), 2);
    window->ToolButton2Click();
    ASSERT_EQ(seams.messages.shown.size(), 1u);
    EXPECT_EQ(seams.messages.shown[0].text, QStringLiteral("File already exists!"));
    EXPECT_EQ(seams.messages.shown[0].caption, QStringLiteral("Information"));
    EXPECT_EQ(seams.messages.shown[0].owner, nullptr);
    EXPECT_EQ(window->findChild<TFormSave*>(), nullptr);
    EXPECT_TRUE(TickRunsEverySecond());
}

TEST_F(SaveCommand, RecordFormCopiesTheLastRecordingEvenAfterAnotherFileWasLoaded) {
    RecordAndStop(3);
    const QByteArray recorded = ReadFile(window->Session().RecordingFileName);
    ASSERT_EQ(recorded.size(), 12);
    const QString other = records::MakeRecordFileName(folder.path(), 2023, 1, 2, 3, 4, 5);
    WriteWords(other, {1, 2, 3, 4, 5});
    Open(other);
    ASSERT_EQ(window->Session().ReadingCount, 5u);
    WriteFile(Path("copy.qzx"), "an older file");
    AnswerFileDialog(Path("copy"), 1);
    // The name keeps no date: saved as typed all the same, over the older file.
    seams.messages.answers = {platform::No, platform::Yes};
    window->ToolButton2Click();
    EXPECT_EQ(ReadFile(Path("copy.qzx")), recorded);
    ASSERT_EQ(seams.messages.shown.size(), 2u);
    EXPECT_EQ(seams.messages.shown[1].text, ReplaceQuestion(Path("copy.qzx")));
    EXPECT_TRUE(TickRunsEverySecond());
}

TEST_F(SaveCommand, RecordFormBeforeAnyRecordingFailsEvenOverAnOlderFile) {
    // A loaded file gives readings, but there is no recording to copy.
    WriteWords(records::MakeRecordFileName(folder.path(), 2023, 1, 2, 3, 4, 5), {1, 2});
    Open(records::MakeRecordFileName(folder.path(), 2023, 1, 2, 3, 4, 5));
    ASSERT_EQ(window->Session().ReadingCount, 2u);
    ExpectTickOffInBoxes();
    for (bool olderFile : {false, true}) {
        SCOPED_TRACE(olderFile);
        seams.messages.shown.clear();
        if (olderFile) WriteFile(Path("copy.qzx"), "an older file");
        AnswerFileDialog(Path("copy"), 1);
        window->ToolButton2Click();
        ASSERT_EQ(seams.messages.shown.size(), 1u);
        EXPECT_EQ(seams.messages.shown[0].text, QStringLiteral("The File does not exist \uFF01"));
        EXPECT_EQ(seams.messages.shown[0].caption, QStringLiteral("Information"));
        EXPECT_EQ(seams.messages.shown[0].icon, platform::MessageIcon::None);
        EXPECT_EQ(seams.messages.shown[0].owner, window.get());
        EXPECT_EQ(QFile::exists(Path("copy.qzx")), olderFile);
        if (olderFile) {
            EXPECT_EQ(ReadFile(Path("copy.qzx")), "an older file");
        }
        EXPECT_TRUE(TickRunsEverySecond());
    }
}

TEST_F(SaveCommand, SpreadsheetFormWithoutTheTemplateFailsAndLeavesAnOlderFile) {
    RecordAndStop(2);
    ASSERT_TRUE(QFile::remove(Path("Export.vornic")));
    WriteFile(Path("run.xls"), "an older file");
    ExpectTickOffInBoxes();
    AnswerFileDialog(Path("run"), 3);
    window->ToolButton2Click();
    ASSERT_EQ(seams.messages.shown.size(), 2u);
    EXPECT_EQ(seams.messages.shown[0].text, ReplaceQuestion(Path("run.xls")));
    EXPECT_EQ(seams.messages.shown[1].text, QStringLiteral("The Excel File does not exist \uFF01"));
    EXPECT_EQ(seams.messages.shown[1].caption, QStringLiteral("Information"));
    EXPECT_EQ(ReadFile(Path("run.xls")), "an older file");
    EXPECT_TRUE(TickRunsEverySecond());
}

TEST_F(SaveCommand, SpreadsheetFormRefusesMoreRowsThanASheetHoldsBeforeWritingAnything) {
    RecordAndStop(2);
    window->Session().ReadingCount = xls::MaxDataRows + 1;
    ExpectTickOffInBoxes();
    AnswerFileDialog(Path("run"), 3);
    window->ToolButton2Click();
    ASSERT_EQ(seams.messages.shown.size(), 1u);
    EXPECT_EQ(seams.messages.shown[0].text, QString::fromUtf8(xls::TooManyRowsText));
    EXPECT_TRUE(seams.messages.shown[0].text.contains(QStringLiteral("text file")));
    EXPECT_FALSE(QFile::exists(Path("run.xls")));
    EXPECT_TRUE(TickRunsEverySecond());
}

TEST_F(SaveCommand, ASpreadsheetFailureAfterTheCopyClosesEverythingAndShowsTheError) {
    RecordAndStop(2);
    WriteFile(Path("Export.vornic"), QByteArray(4096, 'x'));  // not a workbook
    ExpectTickOffInBoxes();
    AnswerFileDialog(Path("run"), 3);
    window->ToolButton2Click();
    ASSERT_EQ(seams.messages.shown.size(), 1u);
    EXPECT_EQ(seams.messages.shown[0].icon, platform::MessageIcon::Error);
    EXPECT_FALSE(seams.messages.shown[0].text.isEmpty());
    EXPECT_EQ(window->findChild<TFormSave*>(), nullptr);
    EXPECT_TRUE(TickRunsEverySecond());
}

TEST_F(SaveCommand, SpreadsheetFormPausesOnceWithItsProgressWindow) {
    RecordAndStop(3);
    int shown = 0;
    seams.time.onAdvance = [&](int) { shown += window->findChild<TFormSave*>() != nullptr; };
    seams.time.sleeps.clear();
    AnswerFileDialog(Path("run"), 3);
    window->ToolButton2Click();
    EXPECT_EQ(seams.time.sleeps, std::vector<int>{1000});
    EXPECT_EQ(shown, 1);
    EXPECT_EQ(window->findChild<TFormSave*>(), nullptr);
    xls::Workbook book = xls::Workbook::Open(Path("run.xls"));
    EXPECT_EQ(book.ActiveSheet().UsedRowCount(), 3 + 5);  // the data and the empty row after it
    // The level is stored as a number that reads back as the table's text.
    EXPECT_EQ(book.ActiveSheet().Value(5, 2).kind, xls::CellKind::Number);
    EXPECT_EQ(records::ImportText(1, book.ActiveSheet().Value(5, 2)), window->Table->Cell(1, 1));
    EXPECT_TRUE(seams.messages.shown.empty());
}

TEST_F(SaveCommand, ASpreadsheetSaveThatFailsLeavesTheOlderTargetByteEqualAndNoStrayFile) {
    RecordAndStop(2);
    const QByteArray goodTemplate = ReadFile(Path("Export.vornic"));
    ASSERT_GT(goodTemplate.size(), 2048);
    QByteArray flippedHeader = goodTemplate;
    for (int i = 0x30; i < 0x50; ++i) flippedHeader[i] = char(~flippedHeader[i]);  // sector tables' places
    const struct {
        const char* name;
        QByteArray templateBytes;
    } cases[] = {
        {"not a workbook", QByteArray(4096, 'x')},
        {"cut after its header", goodTemplate.left(1024)},
        {"header tables flipped", flippedHeader},
        {"empty", QByteArray()},
    };
    // An earlier export of the same name: a real workbook the user keeps.
    AnswerFileDialog(Path("run"), 3);
    window->ToolButton2Click();
    ASSERT_TRUE(seams.messages.shown.empty());
    const QByteArray older = ReadFile(Path("run.xls"));
    ASSERT_EQ(older.left(4), QByteArray("\xD0\xCF\x11\xE0", 4));
    const QStringList before = QDir(folder.path()).entryList(QDir::Files | QDir::Hidden, QDir::Name);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        WriteFile(Path("Export.vornic"), c.templateBytes);
        seams.messages.shown.clear();
        AnswerFileDialog(Path("run"), 3);
        window->ToolButton2Click();
        ASSERT_EQ(seams.messages.shown.size(), 2u);
        EXPECT_EQ(seams.messages.shown[0].text, ReplaceQuestion(Path("run.xls")));
        EXPECT_EQ(seams.messages.shown[1].icon, platform::MessageIcon::Error);
        EXPECT_EQ(ReadFile(Path("run.xls")), older);
        EXPECT_EQ(QDir(folder.path()).entryList(QDir::Files | QDir::Hidden, QDir::Name), before);
        EXPECT_TRUE(TickRunsEverySecond());
    }
}

TEST_F(SaveCommand, WorkbookFormWritesBesideTheTargetAndKeepsAnOlderFileWhenItFails) {
    RecordAndStop(3);
    WriteFile(Path("run.xlsx"), "an older file");
    const struct { const char* name; QByteArray templateBytes; bool saved; } cases[] = {
        {"a good template", ReadFile(Path("Export.vornic")), true},
        {"a damaged template", QByteArray(4096, 'x'), false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const QByteArray before = ReadFile(Path("run.xlsx"));
        WriteFile(Path("Export.vornic"), c.templateBytes);
        seams.messages.shown.clear();
        seams.time.sleeps.clear();
        AnswerFileDialog(Path("run"), 4);
        window->ToolButton2Click();
        ASSERT_EQ(seams.messages.shown.size(), c.saved ? 1u : 2u);
        EXPECT_EQ(seams.messages.shown[0].text, ReplaceQuestion(Path("run.xlsx")));
        if (c.saved) {
            EXPECT_EQ(ReadFile(Path("run.xlsx")).left(2), QByteArray("PK"));
            EXPECT_EQ(seams.time.sleeps, std::vector<int>{1000});
        } else {
            EXPECT_EQ(seams.messages.shown[1].icon, platform::MessageIcon::Error);
            EXPECT_EQ(ReadFile(Path("run.xlsx")), before);
        }
        EXPECT_EQ(QDir(folder.path()).entryList({"*.xlsx*", ".run*"}, QDir::Files | QDir::Hidden),
                  QStringList{"run.xlsx"});
        EXPECT_EQ(window->findChild<TFormSave*>(), nullptr);
        EXPECT_TRUE(TickRunsEverySecond());
    }
}

// An existing file is replaced only when the user says so, in every form;
// answered No, it stays byte for byte and nothing is written beside it.
TEST_F(SaveCommand, AnExistingFileIsReplacedOnlyWhenTheUserSaysSo) {
    RecordAndStop(3);
    const QString stem = QFileInfo(window->Session().RecordingFileName).completeBaseName();
    const struct { int index; QString typed, target; } forms[] = {
        {1, Path("copy_" + stem), Path("copy_" + stem + ".qzx")},  // a name that keeps the day
        {2, Path("run.txt"), Path("run.txt")},
        {3, Path("run"), Path("run.xls")},
        {4, Path("run.XLSX"), Path("run.XLSX")},
    };
    for (const auto& f : forms) {
        SCOPED_TRACE(f.index);
        const QString typed = f.typed;
        WriteFile(f.target, "an older file");
        const QStringList before = QDir(folder.path()).entryList(QDir::Files | QDir::Hidden, QDir::Name);
        for (int answer : {platform::No, platform::Yes}) {
            seams.messages.shown.clear();
            seams.messages.answers = {answer};
            AnswerFileDialog(typed, f.index);
            window->ToolButton2Click();
            ASSERT_GE(seams.messages.shown.size(), 1u) << "no question";
            EXPECT_EQ(seams.messages.shown[0].text, ReplaceQuestion(f.target));
            EXPECT_EQ(seams.messages.shown[0].buttons, platform::Yes | platform::No);
            EXPECT_EQ(ReadFile(f.target) == "an older file", answer == platform::No);
            EXPECT_EQ(QDir(folder.path()).entryList(QDir::Files | QDir::Hidden, QDir::Name), before);
            EXPECT_TRUE(TickRunsEverySecond());
        }
    }
}

// A record file keeps its recording's day only in its name: the dialog
// proposes the recording's own name, and a typed name that would give
// another day (or none) is offered the recording's stem after it.
TEST_F(SaveCommand, ARecordFileSavedUnderATypedNameOpensAgainWithItsDay) {
    seams.time.Set(QDateTime(QDate(2026, 12, 11), QTime(9, 17, 30)));
    RecordAndStop(3);
    const QString recording = window->Session().RecordingFileName;
    const QString stem = QFileInfo(recording).completeBaseName();
    const QString day = reading::FormatShortDate(QDate(2026, 12, 11));
    ASSERT_EQ(window->Table->Cell(4, 1), day);

    // The dialog starts on the recording's name and folder; saved there as
    // it stands, the recording's own file is left as it is.
    AnswerFileDialog(Path(stem), 1);
    window->ToolButton2Click();
    ASSERT_EQ(seams.fileDialogs.asked.size(), 1u);
    EXPECT_EQ(seams.fileDialogs.asked[0].proposedName, stem);
    EXPECT_EQ(seams.fileDialogs.asked[0].directory, folder.path());
    EXPECT_TRUE(seams.messages.shown.empty()) << seams.messages.Texts().join('|').toStdString();

    const struct {
        const char* typed;
        int answer;            // to the question about the day
        const char* written;   // nullptr: nothing
    } cases[] = {
        {"UPPER.QZX", platform::Yes, nullptr},            // gives no calendar date: the stem is added
        {"withext.qzx", platform::Yes, nullptr},
        {"typed.txt", platform::Yes, nullptr},             // another form's extension: replaced
        {"typed2", platform::No, "typed2.qzx"},            // kept as typed, at the user's word
        {"typed3", platform::Cancel, nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.typed);
        seams.messages.shown.clear();
        seams.messages.answers = {c.answer};
        const QStringList before = Files();
        AnswerFileDialog(Path(c.typed), 1);
        window->ToolButton2Click();
        ASSERT_EQ(seams.messages.shown.size(), 1u);
        const platform::Message& question = seams.messages.shown[0];
        EXPECT_EQ(question.buttons, platform::Yes | platform::No | platform::Cancel);
        EXPECT_TRUE(question.text.contains(day)) << question.text.toStdString();
        const QString base = QFileInfo(QString::fromLatin1(c.typed)).completeBaseName();
        const QString keeping = Path(base + "_" + stem + ".qzx");
        const QString written = c.written ? Path(c.written) : c.answer == platform::Yes ? keeping : QString();
        if (written.isEmpty()) {
            EXPECT_EQ(Files(), before);
            continue;
        }
        EXPECT_EQ(ReadFile(written), ReadFile(recording));
        if (c.answer != platform::Yes) continue;
        // Opened again, every row shows the day it was recorded.
        Open(written);
        ASSERT_EQ(window->Session().ReadingCount, 3u);
        for (const Row& row : TableRows()) EXPECT_EQ(row[4], day);
        EXPECT_TRUE(seams.dates.asked.empty());
    }
}
