// SPDX-License-Identifier: GPL-3.0-or-later
// A recording's table saved in each form and opened again gives back the
// same rows, count and curves; an existing target is replaced once the
// user says so.
#include "files_fixture.h"

#include <QFileInfo>

namespace {

struct Form {
    const char* name;
    int filterIndex;
    const char* extension;
};

class RoundTrip : public FilesFixture, public ::testing::WithParamInterface<Form> {};

}  // namespace

TEST_P(RoundTrip, SavedAndOpenedAgainGivesTheSameRows) {
    const Form form = GetParam();
    Record(7);
    window->ToolButton3Click();
    const auto rows = TableRows();
    const auto levels = Values(window->Series_rec);
    const auto maxima = Values(window->Series_max);
    const auto minima = Values(window->Series_min);
    ASSERT_EQ(rows.size(), 7u);

    // The record form keeps the date in the name: save under the
    // recording's own name, in another folder.
    ASSERT_TRUE(QDir(folder.path()).mkdir("saved"));
    const QString stem = Path("saved/") + QFileInfo(window->Session().RecordingFileName).completeBaseName();
    const QString target = stem + "." + form.extension;
    WriteFile(target, "an older file of the same name");
    AnswerFileDialog(stem, form.filterIndex);
    window->ToolButton2Click();  // answered Yes
    ASSERT_EQ(seams.messages.Texts(), QStringList{QStringLiteral("The file %1 already exists. Replace it?").arg(target)});
    seams.messages.shown.clear();

    window->ClearTable();
    window->Session().RunningMax = window->Session().RunningMin = 0;
    Open(target);
    EXPECT_TRUE(seams.messages.shown.empty()) << seams.messages.Texts().join("; ").toStdString();
    EXPECT_EQ(window->Session().ReadingCount, 7u);
    EXPECT_EQ(TableRows(), rows);
    EXPECT_EQ(Values(window->Series_rec), levels);
    EXPECT_EQ(Values(window->Series_max), maxima);
    EXPECT_EQ(Values(window->Series_min), minima);
}

INSTANTIATE_TEST_SUITE_P(Forms, RoundTrip,
                         ::testing::Values(Form{"record", 1, "qzx"}, Form{"text", 2, "txt"},
                                           Form{"spreadsheet", 3, "xls"}, Form{"workbook", 4, "xlsx"}),
                         [](const auto& info) { return std::string(info.param.name); });
