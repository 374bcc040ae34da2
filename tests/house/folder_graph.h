// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The program's folders as a graph: folder A points at folder B when a
// source file under A includes "B/...". The house rule is that this graph
// has no cycle: a folder may include its own headers, and those of folders
// below it, never those of a folder that (directly or through others)
// includes its own.
#include <filesystem>
#include <iosfwd>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace house {

// One include that makes an edge: "records/open_command.cpp" includes
// "monitor/F_main.h" (paths relative to the source root).
struct Include {
    std::string file;
    std::string header;
    bool operator<(const Include& o) const { return file != o.file ? file < o.file : header < o.header; }
};

// from -> to -> the includes that make the edge. Every scanned folder is a
// key, with an empty map when it includes no other folder.
using FolderGraph = std::map<std::string, std::map<std::string, std::set<Include>>>;

// A cycle as the folders it passes, first folder repeated at the end:
// {"monitor", "records", "monitor"}. It starts at its alphabetically first
// folder, so the same cycle always reads the same.
using Cycle = std::vector<std::string>;

// Reads every C/C++ source and header under root/<folder> for each folder
// (sub-folders included). A quoted include counts when its first path part
// is one of the folders ("monitor/F_main.h"), or when it is relative
// ("../monitor/F_main.h") and lands in one; an include of the file's own
// folder makes no edge. Throws std::runtime_error for a folder that is not
// there, so a renamed folder is never silently left out.
FolderGraph ScanFolders(const std::filesystem::path& root, const std::vector<std::string>& folders);

// The cycles of the graph: for every folder on a cycle, the shortest cycle
// through it; each cycle once, sorted. Empty when the house is sound.
std::vector<Cycle> FindCycles(const FolderGraph& graph);

// "monitor -> records -> monitor"
std::string CycleText(const Cycle& cycle);

// One line per folder: "records -> ico monitor platform reading", or
// "device -> (nothing)".
void PrintGraph(const FolderGraph& graph, std::ostream& out);

// The whole check as the command line runs it:
//   folder_cycles ROOT [--folders a,b,...] [--edge FROM:TO]... [--graph]
//                 [--plain a,b,... --gui-headers DIR[:DIR...]]
// --edge adds an edge as if FROM included a header of TO (to show that the
// check catches a cycle); --graph prints the graph first. Prints every cycle
// with the includes that make its edges, between folders and between the
// files of one folder; with --plain, every include of a GUI header in those
// folders. Returns 0 without a fault, 1 with one, 2 for a wrong command
// line or a missing folder.
int RunCheck(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

// The program's source folders; tests/ and bench/ stand above them all.
const std::vector<std::string>& ProgramFolders();

// ---- Inside one folder: its files, as units of a header and its source
// ("F_sermeter" for F_sermeter.h and F_sermeter.cpp). Unit A points at unit
// B of the same folder when a file of A includes B's header, by the
// folder's path ("setup/setup_command.h") or by its own name
// ("setup_command.h"). The same rule holds there: no cycle, so a window and
// its command never include each other.
FolderGraph ScanUnits(const std::filesystem::path& root, const std::string& folder);

// ---- Plain folders: those whose code is Qt Core only. A header of Qt Gui,
// Qt Widgets or Qt Print Support (found in `guiHeaderDirs`, the include
// folders of those modules), one named Qt<Gui|Widgets|PrintSupport>/..., or
// the chart library's, included by a file of such a folder.
std::vector<Include> GuiIncludes(const std::filesystem::path& root, const std::vector<std::string>& folders,
                                 const std::vector<std::filesystem::path>& guiHeaderDirs);

}  // namespace house
