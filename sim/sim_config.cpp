// SPDX-License-Identifier: GPL-3.0-or-later
// Settings (config file, METERSIM_* variables, metersim_configure) and
// runtime commands (control file, metersim_command).
#include "sim_state.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <iterator>

namespace metersim {
namespace {

std::string Trim(const std::string& s) {
    auto b = s.find_first_not_of(" \t\r\n");
    if (b == std::string::npos) return {};
    auto e = s.find_last_not_of(" \t\r\n");
    return s.substr(b, e - b + 1);
}

std::string StripComment(const std::string& line) { return Trim(line.substr(0, line.find('#'))); }

bool ParseBool(const std::string& v, bool& out) {
    if (v == "1" || v == "on" || v == "yes" || v == "true") { out = true; return true; }
    if (v == "0" || v == "off" || v == "no" || v == "false") { out = false; return true; }
    return false;
}

bool ParseByte(const std::string& v, int& out) {
    long long n = 0;
    if (!ParseInt(v, n) || n < 0 || n > 255) return false;
    out = int(n);
    return true;
}

bool ParseOpenMode(const std::string& v, OpenMode& out) {
    if (v == "ok") out = OpenMode::Ok;
    else if (v == "null") out = OpenMode::Null;
    else if (v == "ebadf") out = OpenMode::Ebadf;
    else return false;
    return true;
}

// "<code|any> <timeout|stall|short|nodev> [count|forever] [after N]" or
// "<code|any> off". With "after N" the first N matching requests pass.
bool AddFault(State& s, const std::string& text, std::string& error) {
    std::istringstream in(text);
    std::vector<std::string> words;
    for (std::string word; in >> word;) words.push_back(word);
    error = "fault: expected '<code|any> <timeout|stall|short|nodev|off> [count|forever] [after N]', got '" + text +
            "'";
    if (words.size() < 2) return false;
    const std::string& codeText = words[0];
    const std::string& kindText = words[1];
    long long code = -1;
    if (codeText != "any" && (!ParseInt(codeText, code) || code < 0 || code > 255)) return false;
    if (kindText == "off") {
        if (words.size() != 2) return false;
        std::erase_if(s.faults, [&](const Fault& f) { return f.code == int(code); });
        error.clear();
        return true;
    }
    Fault f;
    f.code = int(code);
    if (kindText == "timeout") f.kind = FaultKind::Timeout;
    else if (kindText == "stall") f.kind = FaultKind::Stall;
    else if (kindText == "short") f.kind = FaultKind::Short;
    else if (kindText == "nodev") f.kind = FaultKind::NoDevice;
    else return false;
    std::size_t next = 2;
    if (next < words.size() && words[next] != "after") {
        if (words[next] == "forever") {
            f.remaining = -1;
        } else {
            long long n = 0;
            if (!ParseInt(words[next], n) || n < 1 || n > 1000000000) return false;
            f.remaining = int(n);
        }
        ++next;
    }
    if (next < words.size()) {
        long long n = 0;
        if (words[next] != "after" || next + 2 != words.size() || !ParseInt(words[next + 1], n) || n < 0 ||
            n > 1000000000)
            return false;
        f.skip = int(n);
        next += 2;
    }
    if (next != words.size()) return false;
    s.faults.push_back(f);
    error.clear();
    return true;
}

// Which devices a command acts on: every one (no argument), or the 1-based
// position given.
bool PickDevices(State& s, const std::string& arg, std::vector<Device*>& out, std::string& error) {
    if (arg.empty()) {
        for (auto& d : s.devices) out.push_back(&d);
        return true;
    }
    long long n = 0;
    if (!ParseInt(arg, n) || n < 1 || n > (long long)s.devices.size()) {
        error = "no device " + arg;
        return false;
    }
    out.push_back(&s.devices[std::size_t(n - 1)]);
    return true;
}

}  // namespace

bool ApplySetting(State& s, const std::string& keyIn, const std::string& valueIn, std::string& error) {
    const std::string key = Trim(keyIn);
    const std::string value = Trim(valueIn);
    auto bad = [&](const char* expected) {
        error = key + ": expected " + expected + ", got '" + value + "'";
        return false;
    };
    if (key == "devices") return SetLayout(s, value, error);
    if (key == "open") {
        if (!ParseOpenMode(value, s.openMode)) return bad("ok, null or ebadf");
        return true;
    }
    if (key == "setup_byte") {
        int b = 0;
        if (!ParseByte(value, b)) return bad("a byte");
        s.defaultSetupByte = b;
        for (auto& d : s.devices) d.setupByte = b;
        return true;
    }
    if (key == "card_present") {
        if (value == "auto") { s.cardPresent = -1; return true; }
        bool on = false;
        if (!ParseBool(value, on)) return bad("auto, 0 or 1");
        s.cardPresent = on ? 1 : 0;
        return true;
    }
    if (key == "levels") {
        if (!s.levels.Set(value, error)) return false;
        return true;
    }
    if (key == "card_image") {
        if (value.empty()) { CloseCardImage(s); return true; }
        return OpenCardImage(s, value, error);
    }
    if (key == "control_file") {
        s.controlPath = value;
        s.controlDone.clear();
        PollControlFile(s);
        return true;
    }
    if (key == "log_file") {
        s.logPath = value;
        return true;
    }
    if (key == "virtual_time") {
        bool on = false;
        if (!ParseBool(value, on)) return bad("0 or 1");
        SetVirtualTime(s, on);
        return true;
    }
    if (key == "latency_ms") {
        long long n = 0;
        if (!ParseInt(value, n) || n < 0 || n > 60000) return bad("0..60000");
        s.latencyMs = int(n);
        return true;
    }
    if (key == "fault") return AddFault(s, value, error);
    error = "unknown key '" + key + "'";
    return false;
}

bool ApplyConfigText(State& s, const std::string& text, std::string& error) {
    std::istringstream in(text);
    std::string raw;
    while (std::getline(in, raw)) {
        const std::string line = StripComment(raw);
        if (line.empty()) continue;
        auto eq = line.find('=');
        if (eq == std::string::npos) {
            error = "not a 'key = value' line: '" + line + "'";
            return false;
        }
        if (!ApplySetting(s, line.substr(0, eq), line.substr(eq + 1), error)) return false;
    }
    return true;
}

bool LoadEnvironment(State& s, std::string& error) {
    bool ok = true;
    if (const char* path = std::getenv("METERSIM_CONFIG"); path && *path) {
        std::ifstream in(path);
        if (!in) {
            error = std::string("cannot read METERSIM_CONFIG ") + path;
            ok = false;
        } else {
            std::stringstream text;
            text << in.rdbuf();
            if (!ApplyConfigText(s, text.str(), error)) ok = false;
        }
    }
    // A fixed order, so that e.g. SETUP_BYTE is the default for DEVICES and
    // the control file's commands act on the final layout.
    static const char* const keys[] = {"virtual_time", "log_file",  "setup_byte",   "devices",
                                       "open",         "card_image", "card_present", "levels",
                                       "latency_ms",   "fault",     "control_file"};
    for (const char* key : keys) {
        std::string name = "METERSIM_";
        for (const char* c = key; *c; ++c) name += char(std::toupper((unsigned char)*c));
        const char* value = std::getenv(name.c_str());
        if (!value) continue;
        std::string e;
        if (!ApplySetting(s, key, value, e)) {
            if (ok) error = name + ": " + e;
            ok = false;
        }
    }
    return ok;
}

bool RunCommand(State& s, const std::string& raw, std::string& error) {
    const std::string line = StripComment(raw);
    if (line.empty()) return true;
    std::istringstream in(line);
    std::string verb;
    in >> verb;
    std::string rest;
    std::getline(in, rest);
    rest = Trim(rest);
    Note(s, "# command: " + line);
    if (verb == "unplug" || verb == "replug") {
        std::vector<Device*> picked;
        if (!PickDevices(s, rest, picked, error)) return false;
        for (Device* d : picked) {
            if (verb == "unplug") {
                d->plugged = false;
            } else if (!d->plugged) {
                d->plugged = true;
                d->generation++;   // a new enumeration: handles of before stay dead
                d->sectorSelected = false;
            }
        }
        return true;
    }
    if (verb == "level") return ApplySetting(s, "levels", rest, error);
    if (verb == "setup") {
        int b = 0;
        if (!ParseByte(rest, b)) {
            error = "setup: expected a byte, got '" + rest + "'";
            return false;
        }
        for (auto& d : s.devices) d.setupByte = b;
        return true;
    }
    if (verb == "fault") return AddFault(s, rest, error);
    if (verb == "open") return ApplySetting(s, "open", rest, error);
    if (verb == "set") {
        // "set key value" or "set key = value": any setting at run time.
        std::string key, value;
        auto eq = rest.find('=');
        if (eq != std::string::npos) {
            key = rest.substr(0, eq);
            value = rest.substr(eq + 1);
        } else {
            std::istringstream kv(rest);
            kv >> key;
            std::getline(kv, value);
        }
        return ApplySetting(s, key, value, error);
    }
    error = "unknown command '" + line + "'";
    return false;
}

void PollControlFile(State& s) {
    if (s.controlPath.empty()) return;
    std::ifstream in(s.controlPath, std::ios::binary);
    if (!in) return;
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    // Lines appended after the ones already run are new; a file that no
    // longer begins with them was written anew, and all its lines are new.
    std::size_t from = 0;
    if (text.compare(0, s.controlDone.size(), s.controlDone) == 0) from = s.controlDone.size();
    // Only complete lines: a writer may be half-way through the last one.
    const std::size_t end = text.rfind('\n');
    if (end == std::string::npos || end + 1 <= from) {
        if (from == 0) s.controlDone.clear();
        return;
    }
    s.controlDone = text.substr(0, end + 1);
    std::istringstream lines(text.substr(from, end + 1 - from));
    std::string line;
    while (std::getline(lines, line)) {
        std::string error;
        if (!RunCommand(s, line, error)) {
            std::fprintf(stderr, "metersim: control file: %s\n", error.c_str());
            Note(s, "# control file: " + error);
        }
    }
}

}  // namespace metersim
