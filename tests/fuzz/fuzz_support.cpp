// SPDX-License-Identifier: GPL-3.0-or-later
#include "tests/fuzz/fuzz_support.h"

#include <QFile>
#include <QTemporaryDir>
#include <cstdio>
#include <cstdlib>

namespace fuzz {

const QString& ScratchFolder() {
    static QTemporaryDir folder;
    static const QString path = [] {
        if (!folder.isValid()) Fail("no scratch folder");
        return folder.path();
    }();
    return path;
}

void WriteBytes(const QString& path, const std::uint8_t* data, std::size_t size) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) Fail("can't write a scratch file");
    if (size > 0 && file.write(reinterpret_cast<const char*>(data), qint64(size)) != qint64(size))
        Fail("short write of a scratch file");
}

void Fail(const char* what) {
    std::fprintf(stderr, "fuzz invariant broken: %s\n", what);
    std::abort();
}

}  // namespace fuzz
