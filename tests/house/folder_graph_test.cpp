// SPDX-License-Identifier: GPL-3.0-or-later
// The folder-cycle check on small trees written into a temporary folder,
// and on the real source tree with a planted edge.
#include "folder_graph.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

namespace fs = std::filesystem;
using house::Cycle;

namespace {

// A source tree of a few folders, written file by file.
class Tree : public ::testing::Test {
protected:
    void SetUp() override {
        root = fs::path(::testing::TempDir()) /
               ("house_" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
        fs::remove_all(root);
        for (const char* f : {"low", "mid", "high", "side"}) fs::create_directories(root / f);
    }
    void TearDown() override { fs::remove_all(root); }

    void Write(const std::string& path, const std::string& text) {
        fs::create_directories((root / path).parent_path());
        std::ofstream(root / path) << text;
    }
    house::FolderGraph Scan() { return house::ScanFolders(root, {"low", "mid", "high", "side"}); }
    std::vector<std::string> CycleTexts() {
        std::vector<std::string> texts;
        for (const Cycle& c : house::FindCycles(Scan())) texts.push_back(house::CycleText(c));
        return texts;
    }
    int Run(std::vector<std::string> extra, std::string* output = nullptr) {
        std::vector<std::string> args = {root.string(), "--folders", "low,mid,high,side"};
        args.insert(args.end(), extra.begin(), extra.end());
        std::ostringstream out, err;
        const int result = house::RunCheck(args, out, err);
        if (output) *output = out.str() + err.str();
        return result;
    }

    fs::path root;
};

TEST_F(Tree, ALayeredTreeHasNoCycleAndItsEdgesAreTheIncludes) {
    Write("high/window.cpp", "#include \"high/window.h\"\n#include \"mid/rules.h\"\n#include <vector>\n");
    Write("high/window.h", "#pragma once\n  #  include \"low/word.h\"  // spaced out\n");
    Write("mid/rules.cpp", "#include \"mid/rules.h\"\n#include \"rules.h\"\n#include \"low/word.h\"\n");
    Write("low/word.cpp", "#include \"low/word.h\"\n#include <mid/not_ours.h>\n#include \"other/x.h\"\n");
    Write("low/notes.txt", "#include \"high/window.h\"\n");  // not a source file
    const house::FolderGraph graph = Scan();
    EXPECT_TRUE(house::FindCycles(graph).empty());
    std::ostringstream printed;
    house::PrintGraph(graph, printed);
    EXPECT_EQ(printed.str(),
              "high -> low mid\n"
              "low -> (nothing)\n"
              "mid -> low\n"
              "side -> (nothing)\n");
    EXPECT_EQ(graph.at("high").at("mid").size(), 1u);
    EXPECT_EQ(graph.at("high").at("mid").begin()->file, "high/window.cpp");
    EXPECT_EQ(Run({}), 0);
}

TEST_F(Tree, CyclesAreFoundDirectOrThroughOthersFromAnyDepth) {
    struct Case {
        const char* name;
        std::vector<std::pair<std::string, std::string>> files;
        std::vector<std::string> cycles;
    };
    const std::vector<Case> cases = {
        {"two folders",
         {{"low/a.cpp", "#include \"high/b.h\"\n"}, {"high/b.cpp", "#include \"low/a.h\"\n"}},
         {"high -> low -> high"}},
        {"three folders, one way round",
         {{"low/a.cpp", "#include \"high/b.h\"\n"},
          {"high/b.cpp", "#include \"mid/c.h\"\n"},
          {"mid/c.h", "#include \"low/a.h\"\n"}},
         {"high -> mid -> low -> high"}},
        {"from a sub-folder, and a relative include",
         {{"low/deep/er/a.cpp", "#include \"../../../mid/c.h\"\n"}, {"mid/c.cpp", "#include \"low/deep/a.h\"\n"}},
         {"low -> mid -> low"}},
        {"three folders each tied to one hub",
         {{"high/main.h", "#include \"low/a.h\"\n#include \"mid/b.h\"\n#include \"side/c.h\"\n"},
          {"low/a.cpp", "#include \"high/main.h\"\n"},
          {"mid/b.cpp", "#include \"high/main.h\"\n"},
          {"side/c.cpp", "#include \"high/main.h\"\n"}},
         {"high -> low -> high", "high -> mid -> high", "high -> side -> high"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        fs::remove_all(root);
        for (const char* f : {"low", "mid", "high", "side"}) fs::create_directories(root / f);
        for (const auto& [path, text] : c.files) Write(path, text);
        EXPECT_EQ(CycleTexts(), c.cycles);
        EXPECT_EQ(Run({}), 1);
    }
}

TEST_F(Tree, TheReportNamesTheCycleAndTheIncludesThatMakeIt) {
    Write("low/a.cpp", "#include \"low/a.h\"\n#include \"mid/b.h\"\n");
    Write("mid/b.cpp", "#include \"low/a.h\"\n");
    std::string report;
    EXPECT_EQ(Run({}, &report), 1);
    EXPECT_NE(report.find("cycle: low -> mid -> low\n"), std::string::npos) << report;
    EXPECT_NE(report.find("  low/a.cpp includes \"mid/b.h\"\n"), std::string::npos) << report;
    EXPECT_NE(report.find("  mid/b.cpp includes \"low/a.h\"\n"), std::string::npos) << report;
}

TEST_F(Tree, AnEdgeGivenOnTheCommandLineClosesACycle) {
    Write("high/a.cpp", "#include \"mid/b.h\"\n");
    Write("mid/b.cpp", "#include \"low/c.h\"\n");
    EXPECT_EQ(Run({}), 0);
    std::string report;
    EXPECT_EQ(Run({"--edge", "low:high"}, &report), 1);
    EXPECT_NE(report.find("cycle: high -> mid -> low -> high"), std::string::npos) << report;
    EXPECT_EQ(Run({"--edge", "low:low"}), 0);  // a folder including itself is fine
}

TEST_F(Tree, AWrongCommandLineOrAMissingFolderIsNoPass) {
    std::string report;
    EXPECT_EQ(Run({"--folders", "low,gone"}, &report), 2);
    EXPECT_NE(report.find("gone"), std::string::npos) << report;
    EXPECT_EQ(Run({"--edge", "low"}), 2);
    EXPECT_EQ(Run({"--edge", "low:gone"}), 2);
    EXPECT_EQ(Run({"--nonsense"}), 2);
    std::ostringstream out, err;
    EXPECT_EQ(house::RunCheck({}, out, err), 2);
}

// Inside a folder: a window and its command that include each other are a
// cycle, by the folder's path or by the bare name; a header and its own
// source are one unit, and a chain without a way back is fine.
TEST_F(Tree, FilesOfOneFolderThatIncludeEachOtherAreACycle) {
    Write("high/window.h", "#pragma once\n");
    Write("high/window.cpp", "#include \"high/window.h\"\n#include \"high/command.h\"\n");
    Write("high/command.h", "#pragma once\n");
    Write("high/command.cpp", "#include \"high/command.h\"\n#include \"high/helper.h\"\n");
    Write("high/helper.h", "#pragma once\n");
    std::string report;
    EXPECT_EQ(Run({}, &report), 0) << report;
    EXPECT_NE(report.find("no cycle between the files of any folder"), std::string::npos) << report;

    Write("high/helper.cpp", "#include \"helper.h\"\n#include \"window.h\"\n");  // helper -> window -> command -> helper
    EXPECT_EQ(Run({}, &report), 1) << report;
    EXPECT_NE(report.find("cycle in high/: command -> helper -> window -> command"), std::string::npos) << report;
    EXPECT_NE(report.find("high/helper.cpp includes \"window.h\""), std::string::npos) << report;
    const house::FolderGraph units = house::ScanUnits(root, "high");
    EXPECT_EQ(units.size(), 3u);
}

// A plain folder (Qt Core only) with a GUI header, found by the GUI
// modules' include folders, by its module's path or as the chart library.
TEST_F(Tree, APlainFolderWithAGuiHeaderIsNamed) {
    fs::create_directories(root / "qt/QtGui");
    std::ofstream(root / "qt/QtGui/QColor") << "";
    Write("low/word.cpp", "#include <QString>\n#include <QDateTime>\n");
    Write("mid/rules.cpp", "#include <QColor>\n#include <QtWidgets/QWidget>\n");
    Write("high/window.cpp", "#include <QColor>\n#include \"qcustomplot.h\"\n");
    const std::vector<std::string> args = {"--plain", "low,mid", "--gui-headers", (root / "qt/QtGui").string()};
    std::string report;
    EXPECT_EQ(Run(args, &report), 1) << report;
    EXPECT_NE(report.find("GUI header in a plain folder: mid/rules.cpp includes QColor"), std::string::npos) << report;
    EXPECT_NE(report.find("mid/rules.cpp includes QtWidgets/QWidget"), std::string::npos) << report;
    EXPECT_EQ(report.find("low/word.cpp"), std::string::npos) << report;
    EXPECT_EQ(report.find("high/window.cpp"), std::string::npos) << "high is not a plain folder: " << report;
    EXPECT_EQ(Run({"--plain", "low,high", "--gui-headers", (root / "qt/QtGui").string()}, &report), 1);
    EXPECT_NE(report.find("high/window.cpp includes qcustomplot.h"), std::string::npos) << report;
    Write("mid/rules.cpp", "#include <QString>\n");
    EXPECT_EQ(Run(args, &report), 0) << report;
}

// The real tree: whatever its state, one planted include from the lowest
// folder of the window side up to the main window's makes a cycle, and the
// report names it.
TEST(SourceTree, APlantedUpwardIncludeIsCaught) {
    std::ostringstream out, err;
    EXPECT_EQ(house::RunCheck({QV_SOURCE_DIR, "--edge", "device:monitor"}, out, err), 1) << out.str() << err.str();
    EXPECT_NE(out.str().find("cycle: device -> monitor -> device"), std::string::npos) << out.str();
    EXPECT_NE(out.str().find("  (--edge) includes \"monitor/...\""), std::string::npos) << out.str();
    EXPECT_NE(out.str().find("includes \"device/"), std::string::npos) << out.str();
}

}  // namespace
