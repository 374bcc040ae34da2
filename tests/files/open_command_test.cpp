// SPDX-License-Identifier: GPL-3.0-or-later
// The open command and LoadFile: the refusal during a recording, choosing
// the loader by extension, record files of every size, the curves, and
// files that can't be read.
#include "files_fixture.h"
#include "records/F_open.h"
#include "records/file_choice.h"
#include "records/load_report.h"

#include <QRandomGenerator>

#include "ico/animate_widget.h"

namespace {

// Word with level code `code` (level (code + 300) / 10 dB), C weighting when
// asked, at 23:59:58 + i seconds (wrapping at midnight).
std::uint32_t Word(int code, int i = 0, bool c = false) {
    const int t = (23 * 3600 + 59 * 60 + 58 + i) % 86400;
    return std::uint32_t(code) | (c ? 1u << 13 : 0u) | std::uint32_t(t % 60) << 15 |
           std::uint32_t(t / 60 % 60) << 21 | std::uint32_t(t / 3600) << 27;
}

using OpenCommand = FilesFixture;

}  // namespace

TEST_F(OpenCommand, DuringARecordingItRefusesWithAWarningAndShowsNoDialog) {
    Record(2);
    window->ToolButton1Click();
    ASSERT_EQ(seams.messages.shown.size(), 1u);
    const platform::Message& m = seams.messages.shown[0];
    EXPECT_EQ(m.text, QStringLiteral("Record data, please stop recording!"));
    EXPECT_EQ(m.icon, platform::MessageIcon::Warning);
    EXPECT_EQ(m.buttons, int(platform::Cancel));
    EXPECT_TRUE(seams.fileDialogs.asked.empty());
    EXPECT_EQ(window->Session().ReadingCount, 2u);
    EXPECT_TRUE(window->Session().Recording);
}

TEST_F(OpenCommand, AsksWithTheOpenFilterListAndACancelChangesNothing) {
    Record(3);
    window->ToolButton3Click();  // stop
    window->ToolButton1Click();  // the scripted dialog cancels
    ASSERT_EQ(seams.fileDialogs.asked.size(), 1u);
    EXPECT_FALSE(seams.fileDialogs.asked[0].save);
    EXPECT_EQ(seams.fileDialogs.asked[0].filter,
              QStringLiteral("Record File [*.qzx]|*.qzx|Text File        [*.txt]|*.txt|Excel File [*.xls]|*.xls|"
                             "Excel Workbook [*.xlsx]|*.xlsx"));
    EXPECT_EQ(window->Session().ReadingCount, 3u);
    EXPECT_EQ(window->Table->RowCount(), 4);
}

TEST_F(OpenCommand, RecordFileShowsNumberedRowsUnderTheStartDateOfItsName) {
    const QString path = records::MakeRecordFileName(folder.path(), 2024, 3, 5, 23, 59, 58);
    // A recording that ran past midnight: times wrap, the date stays.
    WriteWords(path, {Word(353, 0), Word(401, 1, true), Word(300, 2)});
    QFile::rename(path, path.left(path.size() - 4) + ".QZX");  // as copied from the card
    Open("  " + path.left(path.size() - 4) + ".QZX ");
    EXPECT_EQ(window->OpenFileName, path.left(path.size() - 4) + ".QZX");  // blanks removed
    const QString date = records::StartDateFromName(path).text;
    ASSERT_EQ(window->Session().ReadingCount, 3u);
    const auto rows = TableRows();
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[0], (Row{"1", "65,3", "A", reading::FormatLongTime(QTime(23, 59, 58)), date}));
    EXPECT_EQ(rows[1], (Row{"2", "70,1", "C", reading::FormatLongTime(QTime(23, 59, 59)), date}));
    EXPECT_EQ(rows[2], (Row{"3", "60,0", "A", reading::FormatLongTime(QTime(0, 0, 0)), date}));
    EXPECT_EQ(Values(window->Series_rec), (std::vector<double>{65.3f, 70.1f, 60.0f}));
    EXPECT_EQ(Values(window->Series_max), (std::vector<double>{65.3f, 70.1f, 70.1f}));
    EXPECT_EQ(Values(window->Series_min), (std::vector<double>{65.3f, 65.3f, 60.0f}));
    for (int i = 0; i < 3; ++i) EXPECT_EQ(window->Series_min->KeyAt(i), i);  // points at their index
    EXPECT_EQ(window->Series_rec->ColourAt(2), QColor::fromRgba(window->Session().RecColour));
    EXPECT_EQ(window->Series_max->ColourAt(2), QColor::fromRgba(window->Session().MaxColour));
    EXPECT_EQ(window->Series_min->ColourAt(2), QColor::fromRgba(window->Session().MinColour));
    const auto strokes = window->Series_rec->Plottable()->Strokes();
    ASSERT_EQ(strokes.size(), 1);
    EXPECT_EQ(strokes[0].points.size(), 3);  // drawn as well as kept
    EXPECT_EQ(window->Session().RunningMax, 70.1f);
    EXPECT_EQ(window->Session().RunningMin, 60.0f);
    EXPECT_EQ(window->Session().FileTexts.Value, QStringLiteral("60,0"));
    EXPECT_TRUE(seams.messages.shown.empty());
}

TEST_F(OpenCommand, RecordFilesOfFewerThanFourBytesLoadAsAnEmptyTableAndSaySo) {
    const QString path = records::MakeRecordFileName(folder.path(), 2024, 3, 5, 8, 0, 0);
    for (int size : {0, 1, 3, 5}) {
        SCOPED_TRACE(size);
        Record(2);
        window->ToolButton3Click();
        QByteArray bytes("\x61\x01\x00\x00\x62", 5);
        WriteFile(path, bytes.left(size));
        Open(path);
        EXPECT_EQ(window->Session().ReadingCount, size / 4u);
        EXPECT_EQ(window->Table->RowCount(), size / 4 + 1);
        EXPECT_EQ(window->Series_rec->Count(), size / 4);
        EXPECT_EQ(window->Series_max->Count(), size / 4);
        EXPECT_EQ(window->Series_min->Count(), size / 4);
        if (size < 4) {
            ASSERT_EQ(seams.messages.shown.size(), 1u);
            EXPECT_EQ(seams.messages.shown[0].text, records::EmptyRecordFileText(path, size));
        } else {
            EXPECT_TRUE(seams.messages.shown.empty());
        }
        seams.messages.shown.clear();
    }
}

TEST_F(OpenCommand, OnlyQzxTxtAndXlsLoadAndOtherExtensionsChangeNothingButSaySo) {
    const QString record = Path("NGFA0000.qzx1");
    WriteWords(record, {Word(353), Word(354)});
    Open(record);
    EXPECT_EQ(window->Session().ReadingCount, 2u);
    for (const char* name : {"log.dat", "NGFA0000", "notes.tx"}) {
        SCOPED_TRACE(name);
        WriteWords(Path(name), {Word(500), Word(501), Word(502)});
        Open(Path(name));
        EXPECT_EQ(window->Session().ReadingCount, 2u);
        EXPECT_EQ(window->Table->Cell(1, 2), QStringLiteral("65,4"));
        EXPECT_EQ(window->Series_rec->Count(), 2);
        ASSERT_EQ(seams.messages.shown.size(), 1u);
        EXPECT_EQ(seams.messages.shown[0].text, records::UnknownKindText(Path(name)));
        seams.messages.shown.clear();
    }
}

TEST_F(OpenCommand, AFileThatCannotBeReadIsSaidSoAndLeavesTheTableEmpty) {
    QDir(folder.path()).mkdir("folder.txt");
    QDir(folder.path()).mkdir("NGFA0000.qzx");
    for (const QString& path : {records::MakeRecordFileName(folder.path(), 2024, 3, 5, 9, 0, 0),
                                Path("missing.txt"), Path("folder.txt"), Path("NGFA0000.qzx")}) {
        SCOPED_TRACE(path.toStdString());
        Record(2);
        window->ToolButton3Click();
        seams.messages.shown.clear();
        window->OpenFileName = path;
        window->LoadFile();
        EXPECT_EQ(window->Session().ReadingCount, 0u);
        EXPECT_EQ(window->Table->RowCount(), 1);
        EXPECT_EQ(window->Series_rec->Count(), 0);
        ASSERT_EQ(seams.messages.shown.size(), 1u);
        EXPECT_EQ(seams.messages.shown[0].caption, QStringLiteral("Information"));
        // Missing and a folder each in words of their own.
        EXPECT_EQ(seams.messages.shown[0].text, QFileInfo(path).isDir()
                                                    ? QStringLiteral("%1 is a folder, not a file.").arg(path)
                                                    : QStringLiteral("The file %1 does not exist.").arg(path));
    }
    EXPECT_TRUE(seams.dates.asked.empty());  // no day asked for a file that is not there
}

// A record file of a name of the user's choice (or 30 February) is not
// refused: the day is asked for, and a cancel changes nothing.
TEST_F(OpenCommand, ARecordNameWithoutACalendarDateAsksForTheDay) {
    Record(2);
    window->ToolButton3Click();
    for (const char* name : {"NBUA0000.qzx", "ZBTM1230.QZX"}) {  // 30 February 2023, 29 February 2035
        SCOPED_TRACE(name);
        const auto before = TableRows();
        const QString path = Path(name);
        WriteWords(path, {Word(353), Word(354, 1)});
        {
            QFile file(path);
            ASSERT_TRUE(file.open(QIODevice::ReadWrite));
            ASSERT_TRUE(file.setFileTime(QDateTime(QDate(2025, 4, 6), QTime(10, 0)), QFileDevice::FileModificationTime));
        }
        seams.dates.asked.clear();
        seams.messages.shown.clear();
        Open(path);  // cancelled
        ASSERT_EQ(seams.dates.asked.size(), 1u);
        EXPECT_TRUE(seams.dates.asked[0].text.contains(path)) << seams.dates.asked[0].text.toStdString();
        EXPECT_EQ(seams.dates.asked[0].initial, QDate(2025, 4, 6));  // the day the file was last written
        EXPECT_EQ(seams.dates.asked[0].owner, window.get());
        EXPECT_EQ(TableRows(), before);
        EXPECT_TRUE(seams.messages.shown.empty());

        seams.dates.answers = {QDate(2025, 4, 5)};
        Open(path);
        ASSERT_EQ(window->Session().ReadingCount, 2u);
        for (const Row& row : TableRows()) EXPECT_EQ(row[4], reading::FormatShortDate(QDate(2025, 4, 5)));
        EXPECT_TRUE(seams.messages.shown.empty());
    }
}

// Files that load nothing, or doubtful data, say so.
TEST_F(OpenCommand, FilesThatLoadNothingOrDoubtfulTimesSaySo) {
    QRandomGenerator random(7);
    QByteArray noise(4000, '\0');
    for (char& c : noise) c = char(random.bounded(256));
    WriteFile(Path("NGFA0000.qzx"), noise);
    WriteFile(Path("empty.txt"), "");
    WriteFile(Path("random.txt"), noise.left(700).replace('\0', 'x'));
    WriteFile(Path("empty.xls"), "");
    WriteFile(Path("empty.xlsx"), "");
    const struct {
        const char* name;
        QString text;        // what is said
        quint32 readings;    // what is shown
    } cases[] = {
        {"NGFA0000.qzx", QString(), 1000},  // loaded, with the warning below
        {"empty.txt", records::EmptyTextFileText(Path("empty.txt"), 0), 0},
        {"empty.xls", records::EmptySpreadsheetText(Path("empty.xls")), 0},
        {"empty.xlsx", records::EmptySpreadsheetText(Path("empty.xlsx")), 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        seams.messages.shown.clear();
        Open(Path(c.name));
        EXPECT_EQ(window->Session().ReadingCount, c.readings);
        ASSERT_EQ(seams.messages.shown.size(), 1u);
        const QString text = seams.messages.shown[0].text;
        if (c.text.isEmpty()) {
            EXPECT_TRUE(text.startsWith(QStringLiteral("The record file %1 may be damaged").arg(Path(c.name))))
                << text.toStdString();
            EXPECT_EQ(seams.messages.shown[0].icon, platform::MessageIcon::Warning);
        } else {
            EXPECT_EQ(text, c.text);
            EXPECT_FALSE(text.contains(QStringLiteral("OLE2")));
        }
    }
    // Random text: either no row at all, or a row whose level is no number;
    // never silence.
    seams.messages.shown.clear();
    Open(Path("random.txt"));
    EXPECT_EQ(window->Session().ReadingCount, 0u);
    EXPECT_EQ(seams.messages.shown.size(), 1u);
}

TEST_F(OpenCommand, ATextLevelThatIsNoNumberRaisesTheAlertAndKeepsTheRowsBefore) {
    WriteFile(Path("odd.txt"), "1\t65,3\tA\tt\td\t\r\n2\t70,1\tC\tt\td\t\r\n3\tloud\tA\tt\td\t\r\n");
    Open(Path("odd.txt"));
    ASSERT_EQ(seams.messages.shown.size(), 1u);
    const platform::Message& m = seams.messages.shown[0];
    EXPECT_EQ(m.caption, QStringLiteral("Alert"));
    EXPECT_EQ(m.text, QStringLiteral("Can't perform one of the  file read operation"));
    EXPECT_EQ(m.buttons, platform::Ok | platform::Cancel);
    EXPECT_EQ(window->Session().ReadingCount, 2u);
    EXPECT_EQ(TableRows(), (std::vector<Row>{{"1", "65,3", "A", "t", "d"}, {"2", "70,1", "C", "t", "d"}}));
    EXPECT_EQ(Values(window->Series_max), (std::vector<double>{65.3f, 70.1f}));
}

TEST_F(OpenCommand, LoadingARecordFileClosesTheStoppedRecordingsFile) {
    Record(3);
    window->ToolButton3Click();
    ASSERT_TRUE(window->Session().RecordingFile && window->Session().RecordingFile->IsOpen());
    const QString recording = window->Session().RecordingFileName;
    const QString other = records::MakeRecordFileName(folder.path(), 2023, 1, 2, 3, 4, 5);
    WriteWords(other, {Word(100), Word(101), Word(102), Word(103), Word(104)});
    Open(other);
    EXPECT_FALSE(window->Session().RecordingFile->IsOpen());
    EXPECT_EQ(window->Session().RecordingFileName, recording);
    EXPECT_FALSE(window->Session().Recording);
    EXPECT_EQ(window->Session().ReadingCount, 5u);
}

class BrokenSpreadsheet : public FilesFixture,
                          public ::testing::WithParamInterface<std::pair<const char*, int>> {};

TEST_P(BrokenSpreadsheet, GivesAnErrorBoxAndLeavesNothingOpen) {
    // A real export, then damaged: cut short or overwritten in its middle.
    Record(20);
    window->ToolButton3Click();
    AnswerFileDialog(Path("good"), 3);
    window->ToolButton2Click();
    QByteArray bytes = ReadFile(Path("good.xls"));
    ASSERT_GT(bytes.size(), 2048);
    const auto [how, at] = GetParam();
    if (QByteArray(how) == "cut") bytes.truncate(at);
    else bytes.replace(at, 512, QByteArray(512, '\xA5'));
    WriteFile(Path("bad.xls"), bytes);
    seams.messages.shown.clear();

    Open(Path("bad.xls"));
    ASSERT_EQ(seams.messages.shown.size(), 1u);
    if (bytes.isEmpty()) {
        // Cut to nothing: said to be empty, not a workbook of another kind.
        EXPECT_EQ(seams.messages.shown[0].text, records::EmptySpreadsheetText(Path("bad.xls")));
    } else {
        EXPECT_EQ(seams.messages.shown[0].icon, platform::MessageIcon::Error);
        EXPECT_FALSE(seams.messages.shown[0].text.isEmpty());
    }
    EXPECT_EQ(window->findChild<TForm_MOpen*>(), nullptr);
    EXPECT_EQ(window->Session().ReadingCount, 0u);
}

INSTANTIATE_TEST_SUITE_P(Damage, BrokenSpreadsheet,
                         ::testing::Values(std::pair<const char*, int>{"cut", 0}, std::pair<const char*, int>{"cut", 100},
                                           std::pair<const char*, int>{"cut", 1500},
                                           std::pair<const char*, int>{"overwrite", 0},
                                           std::pair<const char*, int>{"overwrite", 512}));

TEST_F(OpenCommand, AMissingSpreadsheetIsReportedAfterTheTableWasEmptied) {
    Record(2);
    window->ToolButton3Click();
    Open(Path("gone.xls"));
    ASSERT_EQ(seams.messages.shown.size(), 1u);
    EXPECT_EQ(seams.messages.shown[0].text, QStringLiteral("Applications are modified or lost, you can not operate\uFF01"));
    EXPECT_EQ(seams.messages.shown[0].caption, QStringLiteral("Information"));
    EXPECT_EQ(seams.messages.shown[0].icon, platform::MessageIcon::Error);
    EXPECT_EQ(window->Session().ReadingCount, 0u);
    EXPECT_EQ(window->Table->RowCount(), 1);
}

TEST_F(OpenCommand, TheOpenProgressWindowPlaysItsClipWhileASpreadsheetIsRead) {
    Record(4);
    window->ToolButton3Click();
    AnswerFileDialog(Path("run"), 3);
    window->ToolButton2Click();
    seams.messages.shown.clear();
    bool seen = false;
    seams.time.onAdvance = [&](int) {
        TForm_MOpen* form = window->findChild<TForm_MOpen*>();
        if (!form) return;
        seen = true;
        EXPECT_TRUE(form->isVisible());
        EXPECT_EQ(form->windowTitle(), QStringLiteral("Open File"));
        EXPECT_EQ(form->size(), QSize(275, 67));
        EXPECT_EQ(form->Animate1->geometry(), QRect(8, 16, 260, 40));
    };
    seams.time.sleeps.clear();
    Open(Path("run.xls"));
    EXPECT_TRUE(seen);
    EXPECT_EQ(seams.time.sleeps, std::vector<int>{10});
    EXPECT_EQ(window->findChild<TForm_MOpen*>(), nullptr);
    EXPECT_EQ(window->Session().ReadingCount, 4u);
    EXPECT_TRUE(seams.messages.shown.empty());
}

// The summary line speaks of the data on show: emptied by a load that
// fails or brings nothing, the file's last reading after one that loads,
// left alone by a file the program does not read.
TEST_F(OpenCommand, AFailedOrEmptyLoadEmptiesTheSummaryLineAndAGoodOneShowsTheFile) {
    WriteFile(Path("good.txt"), "1\t65,3\tA\t12:00:00\t01.05.2024\t\r\n");
    WriteFile(Path("bad.txt"), "1\tloud\tA\t12:00:00\t01.05.2024\t\r\n");
    WriteFile(Path("empty.txt"), "");
    WriteFile(Path("damaged.xls"), QByteArray(4096, 'x'));
    WriteWords(records::MakeRecordFileName(folder.path(), 2024, 3, 5, 1, 2, 3), {});
    enum Shown { Kept, Emptied, TheFile };
    const struct { const char* name; QString path; Shown shown; } cases[] = {
        {"a text file that loads", Path("good.txt"), TheFile},
        {"a file of no known kind", Path("notes.dat"), Kept},
        {"a level that is no number", Path("bad.txt"), Emptied},
        {"an empty text file", Path("empty.txt"), Emptied},
        {"an empty record file", records::MakeRecordFileName(folder.path(), 2024, 3, 5, 1, 2, 3), Emptied},
        {"a missing spreadsheet", Path("missing.xls"), Emptied},
        {"a damaged spreadsheet", Path("damaged.xls"), Emptied},
        {"a record file name without a date", Path("nodate.qzx"), Emptied},
    };
    Record(2);
    window->ToolButton3Click();  // stop
    const QString summary = window->ChartTool_Txt->Text();
    ASSERT_FALSE(summary.isEmpty());
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        window->ChartTool_Txt->SetText(summary);
        Open(c.path);
        const QString file = QStringLiteral("Date: ") + window->Table->Cell(4, 1) +
                             QStringLiteral("  Time: 12:00:00  Value: 65,3 dB  Max: 65 dB  Min: 65 dB");
        EXPECT_EQ(window->ChartTool_Txt->Text(), c.shown == Kept ? summary : c.shown == TheFile ? file : QString());
    }
}
