// SPDX-License-Identifier: GPL-3.0-or-later
// A file named on the command line is loaded once the window is up, as a
// pick in the Open dialog would load it; the window carries the program's
// icon and desktop name; the about box shows the build's version.
#include "monitor/F_help.h"
#include "monitor/F_main.h"
#include "monitor/startup.h"
#include "records/load_report.h"
#include "window_fixture.h"

#include <QApplication>
#include <QFile>
#include <QLabel>
#include <QTimer>

namespace {

using OpenAtStart = WindowFixture;

struct Seen {
    bool ran = false;
    unsigned count = 0;
    QString openFileName;
};

// Runs the program with `file`; once the loop has handled the load, notes
// what the window holds and closes it.
Seen RunWith(const QString& file) {
    Seen seen;
    auto* app = qobject_cast<QApplication*>(QCoreApplication::instance());
    QTimer::singleShot(0, [&] {
        // Queued behind the program's own zero-time load.
        QTimer::singleShot(0, [&] {
            TFormMain* main = nullptr;
            for (QWidget* widget : QApplication::topLevelWidgets())
                if (auto* w = qobject_cast<TFormMain*>(widget)) main = w;
            if (!main) return;
            seen.ran = true;
            seen.count = main->Session().ReadingCount;
            seen.openFileName = main->OpenFileName;
            main->SpeedButtonClose->click();
        });
    });
    EXPECT_EQ(RunProgram(*app, file), 0);
    return seen;
}

void WriteFile(const QString& path, const QByteArray& bytes) {
    QFile out(path);
    ASSERT_TRUE(out.open(QIODevice::WriteOnly));
    ASSERT_EQ(out.write(bytes), bytes.size());
}

struct FileCase {
    const char* name;
    QString file;        // as given on the command line, relative to the working folder
    QByteArray content;  // written to `file`
    unsigned rows;       // rows in the table after the load
    bool saysKind = false;  // the program says it does not read the file's kind
};

void PrintTo(const FileCase& c, std::ostream* os) { *os << c.name; }

class OpenAtStartCases : public OpenAtStart, public ::testing::WithParamInterface<FileCase> {};

TEST_P(OpenAtStartCases, LoadsTheFileAsTheOpenDialogWould) {
    const FileCase& c = GetParam();
    WriteBothPictures();
    WriteFile(folder.path() + QLatin1Char('/') + c.file, c.content);

    const Seen seen = RunWith(c.file);

    ASSERT_TRUE(seen.ran);
    EXPECT_EQ(seen.count, c.rows);
    // The dialog hands over a full path; so does the command line.
    EXPECT_EQ(seen.openFileName, folder.path() + QLatin1Char('/') + c.file);
    EXPECT_EQ(seams.messages.Texts(), c.saysKind ? QStringList{records::UnknownKindText(seen.openFileName)}
                                                 : QStringList());
}

QByteArray RecordWords(int count) {
    QByteArray bytes;
    for (int i = 0; i < count; ++i) bytes.append("\x50\x1a\x38\x70", 4);  // 60,0 dB, 14:00:00
    return bytes;
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, OpenAtStartCases,
    ::testing::Values(
        FileCase{"record", "NGFO0509.qzx", RecordWords(3), 3},
        FileCase{"text", "levels.txt", "1\t65,3\tA\t12:00:00\t10.12.2026\t\r\n2\t66,0\tA\t12:00:01\t10.12.2026\t\r\n", 2},
        FileCase{"other_kind_is_left_alone", "notes.doc", "not a recording", 0, true}),
    [](const ::testing::TestParamInfo<FileCase>& info) { return std::string(info.param.name); });

TEST_F(OpenAtStart, BareStartLoadsNothing) {
    WriteBothPictures();
    const Seen seen = RunWith(QString());
    ASSERT_TRUE(seen.ran);
    EXPECT_EQ(seen.count, 0u);
    EXPECT_TRUE(seen.openFileName.isEmpty());
}

struct BadCase {
    const char* name;
    QString file;
    bool exists;
    bool asksForTheDay;  // else an error box says what is wrong
};

void PrintTo(const BadCase& c, std::ostream* os) { *os << c.name; }

class OpenAtStartBad : public OpenAtStart, public ::testing::WithParamInterface<BadCase> {};

TEST_P(OpenAtStartBad, LoadsNothingSaysOrAsksWhyAndTheWindowStays) {
    const BadCase& c = GetParam();
    WriteBothPictures();
    if (c.exists) WriteFile(folder.path() + QLatin1Char('/') + c.file, RecordWords(2));
    const Seen seen = RunWith(c.file);
    ASSERT_TRUE(seen.ran);  // the window was still up after the load
    EXPECT_EQ(seen.count, 0u);  // the day asked for is not given
    EXPECT_EQ(seams.dates.asked.size(), c.asksForTheDay ? 1u : 0u);
    ASSERT_EQ(seams.messages.shown.size(), c.asksForTheDay ? 0u : 1u);
    if (!c.asksForTheDay) EXPECT_EQ(seams.messages.shown[0].icon, platform::MessageIcon::Error);
}

INSTANTIATE_TEST_SUITE_P(
    Files, OpenAtStartBad,
    ::testing::Values(
        // A record file's name carries its start date: N = 2023, B = February, V = 31st.
        BadCase{"name_without_a_calendar_date", "NBV01234.qzx", true, true},
        BadCase{"missing_file", "NGFO0509.qzx", false, false}),
    [](const ::testing::TestParamInfo<BadCase>& info) { return std::string(info.param.name); });

TEST_F(OpenAtStart, TheWindowCarriesTheProgramsIconAndDesktopName) {
    WriteBothPictures();
    ASSERT_TRUE(RunWith(QString()).ran);
    EXPECT_EQ(QGuiApplication::desktopFileName(), QStringLiteral("io.github.quorvane.Quorvane"));
    EXPECT_FALSE(QApplication::windowIcon().isNull());
    EXPECT_FALSE(QApplication::windowIcon().availableSizes().isEmpty());
    // The title keeps its trailing space after the window class was settled.
    EXPECT_EQ(QApplication::applicationName(), QStringLiteral("Quorvane "));
}

TEST_F(OpenAtStart, TheAboutBoxShowsTheBuildsVersion) {
    TF_Help box;
    EXPECT_EQ(box.Label1->text(), QString::fromUtf8("Quorvane " QV_PROJECT_VERSION " \u2014 sound level meter"));
}

}  // namespace
