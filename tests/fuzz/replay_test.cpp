// SPDX-License-Identifier: GPL-3.0-or-later
// Replays a fuzz target's seed corpus and its regression cases through the
// target's entry point, without libFuzzer, so every build checks them. A
// crash, a sanitizer report or a broken invariant fails the test. The suite
// is named after the target (QV_FUZZ_SUITE), so CTest names stay unique.
#include "tests/fuzz/fuzz_support.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>

// In sanitizer builds: the leak inside libgsf that lsan.supp describes is
// not ours to free. Its suppression names a libgsf function, which only a
// full unwind reaches (glib has no frame pointers). Both hooks are read by
// the sanitizer runtime only; other builds ignore them.
extern "C" const char* __asan_default_options() { return "fast_unwind_on_malloc=0"; }
extern "C" const char* __lsan_default_suppressions() { return "leak:gsf_infile_msole_new\n"; }

namespace {

const QString SourceFolder = QStringLiteral(QV_SOURCE_DIR "/tests/fuzz");

// Feeds every file of the folders to the target; returns how many it fed.
int ReplayFolders(const QStringList& folders) {
    int fed = 0;
    for (const QString& folder : folders) {
        const QDir dir(folder);
        for (const QString& name : dir.entryList(QDir::Files, QDir::Name)) {
            QFile file(dir.filePath(name));
            EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << file.fileName().toStdString();
            const QByteArray bytes = file.readAll();
            SCOPED_TRACE(file.fileName().toStdString());
            LLVMFuzzerTestOneInput(reinterpret_cast<const std::uint8_t*>(bytes.constData()), std::size_t(bytes.size()));
            ++fed;
        }
    }
    return fed;
}

TEST(QV_FUZZ_SUITE, SeedCorpusRunsClean) {
    const int fed = ReplayFolders({SourceFolder + QStringLiteral("/corpus/" QV_FUZZ_TARGET)});
    EXPECT_GT(fed, 0) << "the committed seed corpus of " QV_FUZZ_TARGET " is missing";
}

// Built only for a target with findings kept (see CMakeLists.txt).
#ifdef QV_FUZZ_HAS_REGRESSIONS
TEST(QV_FUZZ_SUITE, RegressionCasesRunClean) {
    EXPECT_GT(ReplayFolders({SourceFolder + QStringLiteral("/regressions/" QV_FUZZ_TARGET)}), 0);
}
#endif

}  // namespace
