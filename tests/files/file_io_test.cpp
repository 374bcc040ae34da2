// SPDX-License-Identifier: GPL-3.0-or-later
// Whole-file reads, record words from bytes, and writes and copies that
// replace a target only when they work.
#include "records/file_io.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

using namespace records;

namespace {

void Write(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    ASSERT_EQ(f.write(bytes), bytes.size());
}

QByteArray Read(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<unreadable>");
}

}  // namespace

TEST(FileIo, ReadingTellsAnEmptyFileFromOneThatCannotBeRead) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    Write(dir.filePath("empty.qzx"), {});
    EXPECT_EQ(ReadWholeFile(dir.filePath("empty.qzx")), QByteArray());
    EXPECT_EQ(ReadWholeFile(dir.filePath("missing.qzx")), std::nullopt);
    EXPECT_EQ(ReadWholeFile(dir.path()), std::nullopt);
    EXPECT_EQ(ReadWholeFile(QString()), std::nullopt);
}

TEST(FileIo, AFileWithoutReadPermissionCannotBeRead) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    Write(dir.filePath("locked.qzx"), "abcd");
    QFile::setPermissions(dir.filePath("locked.qzx"), QFileDevice::WriteOwner);
    if (QFile(dir.filePath("locked.qzx")).open(QIODevice::ReadOnly)) GTEST_SKIP() << "permissions don't bind (root)";
    EXPECT_EQ(ReadWholeFile(dir.filePath("locked.qzx")), std::nullopt);
}

TEST(FileIo, RecordWordsAreLittleEndianAndTrailingBytesAreIgnored) {
    const QByteArray eight("\x01\x02\x03\x04\xff\xfe\xfd\xfc", 8);
    const struct { int size; std::vector<std::uint32_t> words; } cases[] = {
        {0, {}}, {1, {}}, {3, {}}, {4, {0x04030201u}}, {7, {0x04030201u}}, {8, {0x04030201u, 0xfcfdfeffu}},
    };
    for (const auto& c : cases) EXPECT_EQ(RecordWordsFromBytes(eight.left(c.size)), c.words) << c.size;
}

TEST(FileIo, CopyReplacesTheTargetAndFailsWithoutASource) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString source = dir.filePath("NGFO0509.qzx");
    const QString target = dir.filePath("copy.qzx");
    Write(source, "new words");
    Write(target, "an older file of the same name");

    EXPECT_TRUE(CopyFileReplacing(source, target));
    EXPECT_EQ(Read(target), "new words");

    Write(target, "an older file of the same name");
    EXPECT_FALSE(CopyFileReplacing(dir.filePath("missing.qzx"), target));
    EXPECT_FALSE(CopyFileReplacing(QString(), target));  // no recording yet
    EXPECT_EQ(Read(target), "an older file of the same name");  // left as it was

    EXPECT_FALSE(CopyFileReplacing(source, dir.filePath("no/such/folder/copy.qzx")));
    EXPECT_FALSE(CopyFileReplacing(source, dir.path()));  // a folder is no file
}

TEST(FileIo, WriteReplacesAnExistingFileWhole) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath("data.txt");
    Write(path, QByteArray(1000, 'x'));
    EXPECT_TRUE(WriteFileReplacing(path, "short"));
    EXPECT_EQ(Read(path), "short");
    EXPECT_FALSE(WriteFileReplacing(dir.filePath("missing/data.txt"), "x"));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{"data.txt"});  // no temporary left
}

TEST(FileIo, AFileBesideTheTargetReplacesItOnlyWhenCommitted) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString target = dir.filePath("run.xls");
    const auto filesIn = [&] { return QDir(dir.path()).entryList(QDir::Files | QDir::Hidden, QDir::Name); };
    for (bool commit : {false, true}) {
        SCOPED_TRACE(commit);
        Write(target, "the older file");
        {
            FileBeside file(target);
            ASSERT_TRUE(file.Ok());
            EXPECT_EQ(QFileInfo(file.Path()).absolutePath(), QFileInfo(target).absolutePath());
            Write(file.Path(), "the new file");
            EXPECT_EQ(Read(target), "the older file");  // untouched while it is built
            if (commit) EXPECT_TRUE(file.Commit());
        }
        EXPECT_EQ(Read(target), commit ? "the new file" : "the older file");
        EXPECT_EQ(filesIn(), QStringList{"run.xls"});  // no temporary file left either way
    }
    FileBeside nowhere(dir.filePath("no/such/folder/run.xls"));
    EXPECT_FALSE(nowhere.Ok());
    EXPECT_FALSE(nowhere.Commit());
}
