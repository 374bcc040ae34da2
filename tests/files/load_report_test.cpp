// SPDX-License-Identifier: GPL-3.0-or-later
// What the open command says of a file that loads nothing or doubtful data:
// each reason a file can't be read in words of its own, and the check of a
// record file's times that tells a recording from random bytes.
#include "records/load_report.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>

using namespace records;

namespace {

// A word at second `s` of the day (hour, minute and second fields only).
std::uint32_t At(int s) {
    return std::uint32_t(s % 60) << 15 | std::uint32_t(s / 60 % 60) << 21 | std::uint32_t(s / 3600) << 27;
}

}  // namespace

TEST(LoadReport, MissingFilesFoldersAndRefusedFilesEachHaveTheirOwnWords) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString missing = dir.filePath("gone.qzx");
    const QString texts[] = {UnreadableFileText(missing), UnreadableFileText(dir.path())};
    EXPECT_EQ(texts[0], QStringLiteral("The file %1 does not exist.").arg(missing));
    EXPECT_EQ(texts[1], QStringLiteral("%1 is a folder, not a file.").arg(dir.path()));
    ASSERT_TRUE(QFile::link(missing, dir.filePath("link.qzx")));
    EXPECT_EQ(UnreadableFileText(dir.filePath("link.qzx")),
              QStringLiteral("The file %1 can not be read: it is a link to a file that does not exist.")
                  .arg(dir.filePath("link.qzx")));
}

TEST(LoadReport, AFileTheSystemRefusesSaysTheSystemsReason) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    QFile locked(dir.filePath("locked.txt"));
    ASSERT_TRUE(locked.open(QIODevice::WriteOnly));
    locked.close();
    locked.setPermissions(QFileDevice::WriteOwner);
    if (QFile(locked.fileName()).open(QIODevice::ReadOnly)) GTEST_SKIP() << "permissions don't bind (root)";
    EXPECT_EQ(UnreadableFileText(locked.fileName()),
              QStringLiteral("The file %1 can not be read: Permission denied.").arg(locked.fileName()));
}

TEST(LoadReport, ARecordingsTimesPassButRandomBytesDoNot) {
    std::vector<std::uint32_t> recording;
    // An evening into the night: a second apart, an hour unplugged, past
    // midnight, and the clock set back ten seconds once.
    for (int s = 23 * 3600; s < 23 * 3600 + 600; ++s) recording.push_back(At(s) | 0x1A5u);
    for (int s = 0; s < 3600; ++s) recording.push_back(At(s) | 0x2B3u);
    for (int s = 3590; s < 7200; ++s) recording.push_back(At(s));
    const WordTimeCheck good = CheckWordTimes(recording);
    EXPECT_EQ(good.steps, std::int64_t(recording.size()) - 1);
    EXPECT_EQ(good.backSteps, 1);
    EXPECT_EQ(good.impossible, 0);
    EXPECT_FALSE(good.Doubtful());
    EXPECT_FALSE(CheckWordTimes({}).Doubtful());
    EXPECT_FALSE(CheckWordTimes({At(5)}).Doubtful());

    std::vector<std::uint32_t> noise(5000);
    QRandomGenerator random(31);
    for (std::uint32_t& w : noise) w = random.generate();
    const WordTimeCheck bad = CheckWordTimes(noise);
    EXPECT_GT(bad.backSteps, 1000);
    EXPECT_GT(bad.impossible, 1000);
    EXPECT_TRUE(bad.Doubtful());
    const QString text = DoubtfulTimesText("/x/NGFO0509.qzx", bad);
    EXPECT_TRUE(text.startsWith(QStringLiteral("The record file /x/NGFO0509.qzx may be damaged"))) << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("in %1 of its 4999 steps").arg(bad.backSteps))) << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("%1 of its 5000 readings").arg(bad.impossible))) << text.toStdString();

    // One impossible time is enough: no meter's clock shows 24:00:00.
    EXPECT_TRUE(CheckWordTimes({At(100), 24u << 27, At(102)}).Doubtful());
}

TEST(LoadReport, EmptyFilesSayWhatTheyLack) {
    EXPECT_EQ(EmptyRecordFileText("/a.qzx", 0), QStringLiteral("The record file /a.qzx is empty: it holds no readings."));
    EXPECT_EQ(EmptyRecordFileText("/a.qzx", 3),
              QStringLiteral("The record file /a.qzx holds no readings: it has 3 bytes, and each reading takes 4."));
    EXPECT_EQ(EmptyTextFileText("/a.txt", 0), QStringLiteral("The text file /a.txt is empty: it holds no readings."));
    EXPECT_TRUE(EmptyTextFileText("/a.txt", 20).startsWith(QStringLiteral("The text file /a.txt holds no readings")));
    EXPECT_EQ(EmptySpreadsheetText("/a.xls"), QStringLiteral("The spreadsheet /a.xls is empty: it holds no readings."));
    EXPECT_TRUE(UnknownKindText("/a").contains(QStringLiteral("(.qzx)")));
}
