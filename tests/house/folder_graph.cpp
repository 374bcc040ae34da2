// SPDX-License-Identifier: GPL-3.0-or-later
#include "folder_graph.h"

#include <algorithm>
#include <deque>
#include <fstream>
#include <ostream>
#include <regex>
#include <stdexcept>

namespace fs = std::filesystem;

namespace house {

namespace {

bool IsSource(const fs::path& p) {
    static const std::set<std::string> kinds = {".h", ".hpp", ".c", ".cc", ".cpp", ".cxx", ".inc", ".in"};
    return kinds.count(p.extension().string()) != 0;
}

// The first part of a path relative to the root, or "" when it leaves it.
std::string TopFolder(const fs::path& relative) {
    if (relative.empty() || relative.is_absolute()) return {};
    const std::string first = relative.begin()->string();
    return first == ".." || first == "." ? std::string() : first;
}

// The folder an include points at, or "" for none of ours.
std::string IncludedFolder(const std::string& header, const fs::path& fileFolder,
                           const std::set<std::string>& folders) {
    const fs::path path(header);
    if (path.empty() || path.is_absolute()) return {};
    std::string top;
    if (header.rfind("./", 0) == 0 || header.rfind("../", 0) == 0) {
        top = TopFolder((fileFolder / path).lexically_normal());
    } else if (header.find('/') != std::string::npos) {
        top = path.begin()->string();
    }
    return folders.count(top) ? top : std::string();
}

void ScanFile(const fs::path& root, const fs::path& file, const std::string& folder,
              const std::set<std::string>& folders, FolderGraph& graph) {
    static const std::regex include(R"(^\s*#\s*include\s*\"([^\"]+)\")");
    std::ifstream in(file);
    if (!in) throw std::runtime_error("cannot read " + file.string());
    const fs::path relative = file.lexically_relative(root);
    std::string line;
    std::smatch m;
    while (std::getline(in, line)) {
        if (line.find("include") == std::string::npos || !std::regex_search(line, m, include)) continue;
        const std::string to = IncludedFolder(m[1].str(), relative.parent_path(), folders);
        if (to.empty() || to == folder) continue;
        graph[folder][to].insert({relative.generic_string(), m[1].str()});
    }
}

// Tarjan's strongly connected components: the folders that reach each other.
class Components {
public:
    explicit Components(const FolderGraph& g) : graph_(g) {
        for (const auto& [folder, edges] : graph_)
            if (!index_.count(folder)) Visit(folder);
    }
    std::vector<std::set<std::string>> list;

private:
    void Visit(const std::string& v) {
        index_[v] = low_[v] = next_++;
        stack_.push_back(v);
        onStack_.insert(v);
        const auto it = graph_.find(v);
        if (it != graph_.end()) {
            for (const auto& [w, includes] : it->second) {
                if (!index_.count(w)) {
                    Visit(w);
                    low_[v] = std::min(low_[v], low_[w]);
                } else if (onStack_.count(w)) {
                    low_[v] = std::min(low_[v], index_[w]);
                }
            }
        }
        if (low_[v] != index_[v]) return;
        std::set<std::string> component;
        std::string w;
        do {
            w = stack_.back();
            stack_.pop_back();
            onStack_.erase(w);
            component.insert(w);
        } while (w != v);
        list.push_back(std::move(component));
    }

    const FolderGraph& graph_;
    std::map<std::string, int> index_, low_;
    std::vector<std::string> stack_;
    std::set<std::string> onStack_;
    int next_ = 0;
};

// The shortest way from `start` back to itself inside one component.
Cycle ShortestCycle(const FolderGraph& graph, const std::string& start, const std::set<std::string>& within) {
    std::map<std::string, std::string> cameFrom;
    std::deque<std::string> queue{start};
    while (!queue.empty()) {
        const std::string v = queue.front();
        queue.pop_front();
        const auto it = graph.find(v);
        if (it == graph.end()) continue;
        for (const auto& [w, includes] : it->second) {
            if (!within.count(w)) continue;
            if (w == start) {
                Cycle back{start};
                for (std::string u = v; u != start; u = cameFrom[u]) back.push_back(u);
                back.push_back(start);
                std::reverse(back.begin(), back.end());
                return back;
            }
            if (cameFrom.count(w)) continue;
            cameFrom[w] = v;
            queue.push_back(w);
        }
    }
    return {};
}

// Rotates a cycle to start at its alphabetically first folder.
Cycle Normalised(Cycle cycle) {
    cycle.pop_back();
    std::rotate(cycle.begin(), std::min_element(cycle.begin(), cycle.end()), cycle.end());
    cycle.push_back(cycle.front());
    return cycle;
}

std::vector<std::string> Split(const std::string& text, char sep) {
    std::vector<std::string> parts;
    std::string part;
    for (char c : text) {
        if (c == sep) {
            parts.push_back(part);
            part.clear();
        } else {
            part += c;
        }
    }
    parts.push_back(part);
    return parts;
}

}  // namespace

const std::vector<std::string>& ProgramFolders() {
    static const std::vector<std::string> folders = {
        "device", "reading", "recording", "monitor",       "records", "setup", "sdcard", "noise",
        "statistics", "report", "noise_windows", "platform", "ico", "sim", "tools", "station"};
    return folders;
}

namespace {

std::vector<fs::path> SourcesUnder(const fs::path& dir) {
    std::vector<fs::path> files;
    for (const auto& entry : fs::recursive_directory_iterator(dir))
        if (entry.is_regular_file() && IsSource(entry.path())) files.push_back(entry.path());
    std::sort(files.begin(), files.end());
    return files;
}

// A file's unit: its path below the folder without the extension.
std::string UnitOf(const fs::path& relativeToFolder) {
    fs::path unit = relativeToFolder;
    unit.replace_extension();
    return unit.generic_string();
}

}  // namespace

FolderGraph ScanUnits(const fs::path& root, const std::string& folder) {
    static const std::regex include(R"(^\s*#\s*include\s*\"([^\"]+)\")");
    const fs::path dir = root / folder;
    if (!fs::is_directory(dir)) throw std::runtime_error("no folder " + dir.string());
    const std::vector<fs::path> files = SourcesUnder(dir);
    FolderGraph graph;
    std::set<std::string> headers;  // the folder's headers, relative to it
    for (const fs::path& file : files) {
        graph[UnitOf(file.lexically_relative(dir))];
        if (file.extension() == ".h" || file.extension() == ".hpp") headers.insert(file.lexically_relative(dir).generic_string());
    }
    for (const fs::path& file : files) {
        std::ifstream in(file);
        if (!in) throw std::runtime_error("cannot read " + file.string());
        const fs::path own = file.lexically_relative(dir);
        const std::string from = UnitOf(own);
        std::string line;
        std::smatch m;
        while (std::getline(in, line)) {
            if (line.find("include") == std::string::npos || !std::regex_search(line, m, include)) continue;
            const std::string header = m[1].str();
            std::string inFolder;
            if (header.rfind(folder + "/", 0) == 0) inFolder = header.substr(folder.size() + 1);
            else inFolder = (own.parent_path() / header).lexically_normal().generic_string();
            if (!headers.count(inFolder)) continue;
            const std::string to = UnitOf(inFolder);
            if (to == from) continue;
            graph[from][to].insert({(fs::path(folder) / own).generic_string(), header});
        }
    }
    return graph;
}

std::vector<Include> GuiIncludes(const fs::path& root, const std::vector<std::string>& folders,
                                 const std::vector<fs::path>& guiHeaderDirs) {
    static const std::regex include(R"(^\s*#\s*include\s*[<\"]([^>\"]+)[>\"])");
    std::vector<Include> found;
    for (const std::string& folder : folders) {
        const fs::path dir = root / folder;
        if (!fs::is_directory(dir)) throw std::runtime_error("no folder " + dir.string());
        for (const fs::path& file : SourcesUnder(dir)) {
            std::ifstream in(file);
            std::string line;
            std::smatch m;
            while (std::getline(in, line)) {
                if (line.find("include") == std::string::npos || !std::regex_search(line, m, include)) continue;
                const std::string header = m[1].str();
                bool gui = header == "qcustomplot.h" || header.rfind("QtGui/", 0) == 0 ||
                           header.rfind("QtWidgets/", 0) == 0 || header.rfind("QtPrintSupport/", 0) == 0;
                for (const fs::path& guiDir : guiHeaderDirs)
                    if (!gui && header.find('/') == std::string::npos && fs::exists(guiDir / header)) gui = true;
                if (gui) found.push_back({file.lexically_relative(root).generic_string(), header});
            }
        }
    }
    return found;
}

FolderGraph ScanFolders(const fs::path& root, const std::vector<std::string>& folders) {
    const std::set<std::string> known(folders.begin(), folders.end());
    FolderGraph graph;
    for (const std::string& folder : folders) {
        const fs::path dir = root / folder;
        if (!fs::is_directory(dir)) throw std::runtime_error("no folder " + dir.string());
        graph[folder];
        std::vector<fs::path> files;
        for (const auto& entry : fs::recursive_directory_iterator(dir))
            if (entry.is_regular_file() && IsSource(entry.path())) files.push_back(entry.path());
        std::sort(files.begin(), files.end());
        for (const fs::path& file : files) ScanFile(root, file, folder, known, graph);
    }
    return graph;
}

std::vector<Cycle> FindCycles(const FolderGraph& graph) {
    std::set<Cycle> cycles;
    for (const auto& component : Components(graph).list) {
        if (component.size() < 2) continue;  // a folder including itself makes no edge
        for (const std::string& folder : component) {
            const Cycle c = ShortestCycle(graph, folder, component);
            if (!c.empty()) cycles.insert(Normalised(c));
        }
    }
    return {cycles.begin(), cycles.end()};
}

std::string CycleText(const Cycle& cycle) {
    std::string text;
    for (const std::string& folder : cycle) text += (text.empty() ? "" : " -> ") + folder;
    return text;
}

void PrintGraph(const FolderGraph& graph, std::ostream& out) {
    for (const auto& [folder, edges] : graph) {
        out << folder << " ->";
        if (edges.empty()) out << " (nothing)";
        for (const auto& [to, includes] : edges) out << ' ' << to;
        out << '\n';
    }
}

int RunCheck(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    const char* usage = "usage: folder_cycles ROOT [--folders a,b,...] [--edge FROM:TO]... [--graph]\n";
    std::string root;
    std::vector<std::string> folders = ProgramFolders();
    std::vector<std::pair<std::string, std::string>> extra;
    bool printGraph = false;
    std::vector<std::string> plain;
    std::vector<fs::path> guiDirs;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a == "--graph") {
            printGraph = true;
        } else if ((a == "--plain" || a == "--gui-headers") && i + 1 < args.size()) {
            const std::string value = args[++i];
            if (a == "--plain") plain = Split(value, ',');
            else
                for (const std::string& d : Split(value, ':'))
                    if (!d.empty()) guiDirs.emplace_back(d);
        } else if ((a == "--folders" || a == "--edge") && i + 1 < args.size()) {
            const std::string value = args[++i];
            if (a == "--folders") {
                folders = Split(value, ',');
                continue;
            }
            const std::vector<std::string> ends = Split(value, ':');
            if (ends.size() != 2 || ends[0].empty() || ends[1].empty()) {
                err << "--edge wants FROM:TO, not " << value << '\n' << usage;
                return 2;
            }
            extra.emplace_back(ends[0], ends[1]);
        } else if (root.empty() && !a.empty() && a[0] != '-') {
            root = a;
        } else {
            err << usage;
            return 2;
        }
    }
    if (root.empty()) {
        err << usage;
        return 2;
    }
    FolderGraph graph;
    std::map<std::string, FolderGraph> units;
    std::vector<Include> gui;
    try {
        graph = ScanFolders(root, folders);
        for (const std::string& folder : folders) units[folder] = ScanUnits(root, folder);
        gui = GuiIncludes(root, plain, guiDirs);
    } catch (const std::exception& e) {
        err << e.what() << '\n';
        return 2;
    }
    for (const auto& [from, to] : extra) {
        if (!graph.count(from) || !graph.count(to)) {
            err << "--edge " << from << ':' << to << ": not a scanned folder\n";
            return 2;
        }
        if (from != to) graph[from][to].insert({"(--edge)", to + "/..."});
    }
    if (printGraph) PrintGraph(graph, out);
    const std::vector<Cycle> cycles = FindCycles(graph);
    for (const Cycle& cycle : cycles) {
        out << "cycle: " << CycleText(cycle) << '\n';
        for (size_t i = 0; i + 1 < cycle.size(); ++i)
        {
            // A few of the includes that make each edge, enough to find the place.
            const std::set<Include>& includes = graph.at(cycle[i]).at(cycle[i + 1]);
            size_t shown = 0;
            for (const Include& inc : includes) {
                if (shown++ == 3) {
                    out << "  ... and " << includes.size() - 3 << " more\n";
                    break;
                }
                out << "  " << inc.file << " includes \"" << inc.header << "\"\n";
            }
        }
    }
    if (cycles.empty()) out << "no cycle between the " << graph.size() << " folders\n";
    std::size_t fileCycles = 0;
    for (const auto& [folder, unitGraph] : units) {
        for (const Cycle& cycle : FindCycles(unitGraph)) {
            ++fileCycles;
            out << "cycle in " << folder << "/: " << CycleText(cycle) << '\n';
            for (size_t i = 0; i + 1 < cycle.size(); ++i)
                for (const Include& inc : unitGraph.at(cycle[i]).at(cycle[i + 1]))
                    out << "  " << inc.file << " includes \"" << inc.header << "\"\n";
        }
    }
    if (fileCycles == 0) out << "no cycle between the files of any folder\n";
    for (const Include& inc : gui)
        out << "GUI header in a plain folder: " << inc.file << " includes " << inc.header << '\n';
    if (!plain.empty() && gui.empty()) out << "no GUI header in the plain folders\n";
    return cycles.empty() && fileCycles == 0 && gui.empty() ? 0 : 1;
}

}  // namespace house
