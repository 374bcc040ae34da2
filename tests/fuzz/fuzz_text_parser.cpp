// SPDX-License-Identifier: GPL-3.0-or-later
// A text export, or any file the user opens as one: the tab-driven parser
// with the level rule behind it.
#include "platform/testing/seam_doubles.h"
#include "records/text_export.h"
#include "tests/fuzz/fuzz_support.h"

#include <QByteArray>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    platform::testing::SeamDoubles seams;
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    const records::ImportedRows result = records::ParseTextExport(bytes, 0, 0);
    // Every curve has one point per level, and the reading count names a row that exists.
    const records::LevelRule& levels = result.levels;
    if (levels.Maxima().size() != levels.Count() || levels.Minima().size() != levels.Count())
        fuzz::Fail("curves of different lengths");
    if (levels.Count() > result.rows.size()) fuzz::Fail("more levels than rows");
    if (result.readingCount < 0 || std::size_t(result.readingCount) > result.rows.size())
        fuzz::Fail("reading count beyond the rows read");
    return 0;
}
