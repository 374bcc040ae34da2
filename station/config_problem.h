// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// One fault of a configuration file, placed so that a person finds it: the
// file, the line, the section and the key.
#include <QString>
#include <vector>

namespace station {

struct ConfigProblem {
    QString file;
    int line = 0;     // from 1; 0 for the file as a whole (it cannot be read)
    QString section;  // "station", "alarm.loud"; empty for a line outside any section
    QString key;      // empty for a fault of a section header or a line
    QString message;

    // "/etc/quorvane/station.conf:12: [alarm.loud] threshold: ..." (the
    // "file:line:" of compilers, so editors can jump to it).
    QString Text() const;
    bool operator==(const ConfigProblem&) const = default;
};

using ConfigProblems = std::vector<ConfigProblem>;

}  // namespace station
