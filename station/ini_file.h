// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Our own reader of INI files, so that every fault names its file, line and
// key (QSettings reads INI files too, but says neither where nor what).
//
// The syntax:
//   [section]              a section; "[meter.street]" is one name
//   key = value            within a section; spaces around both are dropped
//   ; comment, # comment   whole lines, or after a value when a space
//                          comes before the ';' or '#'
//   key = "a ; b"          a value in double quotes keeps everything in
//                          them; \" and \\ stand for " and \ there
// Empty lines are ignored. The file is UTF-8 (a byte order mark is
// skipped), lines end in LF or CRLF, and it is at most 1 MiB.
//
// Faults of the syntax: a line that is neither, a key outside any section,
// a section or a key given twice, a quote that is not closed, bytes that
// are no UTF-8. What sections and keys mean is for the reader of the
// settings (station_config.h).
#include "station/config_problem.h"

#include <QByteArray>
#include <QString>
#include <vector>

namespace station {

struct IniEntry {
    QString key;
    QString value;
    bool quoted = false;  // written in double quotes (so "" is an empty value given on purpose)
    int line = 0;
};

struct IniSection {
    QString name;
    int line = 0;  // of its header
    std::vector<IniEntry> entries;
};

struct IniFile {
    QString path;
    std::vector<IniSection> sections;
};

struct IniReadResult {
    IniFile file;
    ConfigProblems problems;  // empty: the syntax is sound
};

inline constexpr qint64 kMostIniBytes = 1 << 20;

// `path` only names the file in problems.
IniReadResult ParseIni(const QByteArray& bytes, const QString& path);

// Reads the file; one that cannot be read, or is too big, is one problem at line 0.
IniReadResult ReadIniFile(const QString& path);

}  // namespace station
