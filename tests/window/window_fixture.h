// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A working folder with the two pictures the main window loads, the seam
// doubles, and a freshly reset simulated meter.
#include "platform/testing/seam_doubles.h"
#include "sim/metersim.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QImage>
#include <QTemporaryDir>

class WindowFixture : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(folder.isValid());
        previousFolder = QDir::currentPath();
        ASSERT_TRUE(QDir::setCurrent(folder.path()));
        metersim_reset();
    }
    void TearDown() override { QDir::setCurrent(previousFolder); }

    // Writes ico/<name> as a small picture into the working folder.
    void WritePicture(const QString& name) {
        ASSERT_TRUE(QDir(folder.path()).mkpath(QStringLiteral("ico")));
        QImage picture(33, 20, QImage::Format_RGB32);
        picture.fill(Qt::gray);
        ASSERT_TRUE(picture.save(folder.path() + QStringLiteral("/ico/") + name, "BMP"));
    }
    void WriteBothPictures() {
        WritePicture(QStringLiteral("min.bmp"));
        WritePicture(QStringLiteral("max.bmp"));
    }

    QTemporaryDir folder;
    QString previousFolder;
    platform::testing::SeamDoubles seams;
};
