// SPDX-License-Identifier: GPL-3.0-or-later
// Which loader a name picks, where a save goes, and the level rule.
#include "records/file_choice.h"
#include "reading/level_rule.h"

#include <gtest/gtest.h>

using namespace records;

TEST(FileNames, TrimRemovesBlanksAndControlCharactersAtBothEnds) {
    const struct { QString in, out; } cases[] = {
        {"/tmp/a.qzx", "/tmp/a.qzx"},
        {"  /tmp/a.qzx \t", "/tmp/a.qzx"},
        {QStringLiteral("\r\n/tmp/my file.txt\x01\x1f"), "/tmp/my file.txt"},
        {"/tmp/a b.xls", "/tmp/a b.xls"},  // blanks inside stay
        {" \t ", ""},
    };
    for (const auto& c : cases) EXPECT_EQ(TrimFileName(c.in), c.out) << c.in.toStdString();
}

TEST(FileNames, LoaderFollowsFirstThreeCharactersOfTheExtensionInAnyCase) {
    const struct { const char* path; LoadKind kind; } cases[] = {
        {"/card/NGFO0509.qzx", LoadKind::Record},
        {"/card/NGFO0509.QZX", LoadKind::Record},
        {"/card/NGFO0509.qzx1", LoadKind::Record},
        {"/home/u/data.txt", LoadKind::Text},
        {"/home/u/DATA.Txt", LoadKind::Text},
        {"/home/u/data.txt.txt", LoadKind::Text},
        {"/home/u/sheet.xls", LoadKind::Spreadsheet},
        {"/home/u/sheet.xlsx", LoadKind::Workbook},
        {"/home/u/SHEET.XLSX", LoadKind::Workbook},
        {"/home/u/sheet.xlsm", LoadKind::Spreadsheet},  // only "xlsx" picks the workbook reader
        {"/home/u/sheet.xls1", LoadKind::Spreadsheet},
        {"/home/u/sheet.XLS", LoadKind::Spreadsheet},
        {"/home/u/log.dat", LoadKind::None},
        {"/home/u/qzx", LoadKind::None},            // no extension
        {"/home/u.qzx/readme", LoadKind::None},     // a dot in a folder's name
        {"/home/u/data.tx", LoadKind::None},
        {"/home/u/data.", LoadKind::None},
        {"", LoadKind::None},
    };
    for (const auto& c : cases) EXPECT_EQ(LoadKindOf(QString::fromUtf8(c.path)), c.kind) << c.path;
}

// The form decides the format, and the name says it once: never doubled
// (withext.qzx.qzx) or naming another form (typed.txt.qzx).
TEST(FileNames, SaveGivesTheNameTheExtensionOfTheChosenFormOnce) {
    const struct { const char* name; int index; const char* target; } cases[] = {
        {"/home/u/data", 2, "/home/u/data.txt"},
        {"/home/u/data.txt", 2, "/home/u/data.txt"},
        {"/home/u/DATA.TXT", 2, "/home/u/DATA.TXT"},    // kept as typed
        {"/home/u/data.txt", 1, "/home/u/data.qzx"},    // another form's extension is replaced
        {"/home/u/withext.qzx", 1, "/home/u/withext.qzx"},
        {"/home/u/run", 1, "/home/u/run.qzx"},
        {"/home/u/run.xls", 3, "/home/u/run.xls"},
        {"/home/u/run.xlsx", 3, "/home/u/run.xls"},
        {"/home/u/run.xls", 4, "/home/u/run.xlsx"},
        {"/home/u/run", 0, ""},
        {"/home/u/run", 4, "/home/u/run.xlsx"},
        {"/home/u/run.xlsx", 4, "/home/u/run.xlsx"},
        {"/home/u/run.2024", 2, "/home/u/run.2024.txt"},  // not an extension of ours: appended
        {"/home/u.txt/run", 2, "/home/u.txt/run.txt"},     // a dot in a folder's name
        {"/home/u/run.", 2, "/home/u/run..txt"},
        {"/home/u/run", 5, ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(SaveTargetPath(QString::fromUtf8(c.name), SaveFormOf(c.index)), QString::fromUtf8(c.target))
            << c.name << " " << c.index;
}

TEST(LevelRuleTest, CurvesFollowTheRunningExtremesSeededByRowOne) {
    LevelRule rule(99.0f, 11.0f);  // extremes of an earlier run
    rule.Apply(1, 65.3f);
    rule.Apply(2, 70.1f);
    rule.Apply(3, 60.0f);
    const std::vector<double> levels{65.3f, 70.1f, 60.0f};
    const std::vector<double> maxima{65.3f, 70.1f, 70.1f};
    const std::vector<double> minima{65.3f, 65.3f, 60.0f};
    EXPECT_EQ(rule.Levels(), levels);
    EXPECT_EQ(rule.Maxima(), maxima);
    EXPECT_EQ(rule.Minima(), minima);
    EXPECT_EQ(rule.RunningMax(), 70.1f);
    EXPECT_EQ(rule.RunningMin(), 60.0f);
}

TEST(LevelRuleTest, WithoutALevelInRowOneTheEarlierExtremesOnlyMoveByComparison) {
    LevelRule rule(68.0f, 62.0f);
    rule.Apply(2, 65.0f);  // inside the earlier extremes: they stay
    rule.Apply(3, 70.0f);
    rule.Apply(4, 61.5f);
    const std::vector<double> maxima{68.0, 70.0, 70.0};
    const std::vector<double> minima{62.0, 62.0, 61.5};
    EXPECT_EQ(rule.Maxima(), maxima);
    EXPECT_EQ(rule.Minima(), minima);
}

TEST(LevelRuleTest, RecordWordLevelReadsOnlyTheLevelCode) {
    // Code 353 is 65,3 dB; range, weightings and time of day don't matter.
    const std::uint32_t other = (5u << 10) | (1u << 13) | (1u << 14) | (23u << 27) | (59u << 21) | (59u << 15);
    EXPECT_EQ(RecordWordLevel(353), 65.3f);
    EXPECT_EQ(RecordWordLevel(353 | other), 65.3f);
    EXPECT_EQ(RecordWordLevel(0 | other), 30.0f);
    EXPECT_EQ(RecordWordLevel(1023), 132.3f);
}
