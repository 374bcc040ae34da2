// SPDX-License-Identifier: GPL-3.0-or-later
// The pictures and clips that a build draws: present, of the sizes the
// windows are laid out for, in the formats the program loads, and not blank.

#include "ico/avi_clip.h"

#include <QFile>
#include <QImage>
#include <QSet>
#include <QXmlStreamReader>

#include <gtest/gtest.h>

namespace {

const QString ArtDir = QStringLiteral(QV_BINARY_DIR "/generated/art/");
const QString IcoDir = QStringLiteral(QV_RUN_DIR "/ico/");

// Pixels that differ from the picture's bottom-left pixel (its background).
int DrawnPixels(const QImage& image) {
    const QRgb background = image.pixel(0, image.height() - 1);
    int drawn = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) drawn += image.pixel(x, y) != background;
    return drawn;
}

struct Picture {
    QString path;
    QSize size;
};

class GeneratedPicture : public testing::TestWithParam<Picture> {};

TEST_P(GeneratedPicture, HasItsSizeAndSomethingDrawn) {
    const QImage image(GetParam().path);
    ASSERT_FALSE(image.isNull()) << qPrintable(GetParam().path);
    EXPECT_EQ(image.size(), GetParam().size);
    EXPECT_GE(DrawnPixels(image), 20);
}

std::vector<Picture> AllPictures() {
    std::vector<Picture> pictures;
    for (int i = 0; i < 9; ++i) pictures.push_back({ArtDir + QStringLiteral("toolbar%1.png").arg(i), {72, 72}});
    pictures.push_back({ArtDir + "arc.png", {230, 110}});
    pictures.push_back({ArtDir + "close.png", {35, 22}});
    pictures.push_back({ArtDir + "minimise.png", {35, 22}});
    pictures.push_back({ArtDir + "banner.png", {433, 193}});
    for (int side : {16, 32, 48, 64, 128, 256})
        pictures.push_back({ArtDir + QStringLiteral("app-icon-%1.png").arg(side), {side, side}});
    pictures.push_back({IcoDir + "min.bmp", {35, 22}});
    pictures.push_back({IcoDir + "max.bmp", {35, 22}});
    return pictures;
}

INSTANTIATE_TEST_SUITE_P(Build, GeneratedPicture, testing::ValuesIn(AllPictures()),
                         [](const auto& info) {
                             std::string name = info.param.path.section('/', -1).toStdString();
                             for (char& c : name)
                                 if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
                             return name;
                         });

TEST(GeneratedPictures, ToolbarPicturesAreNineDifferentOnes) {
    QSet<QByteArray> distinct;
    for (int i = 0; i < 9; ++i) {
        const QImage image(ArtDir + QStringLiteral("toolbar%1.png").arg(i));
        ASSERT_FALSE(image.isNull());
        const QImage argb = image.convertToFormat(QImage::Format_ARGB32);
        distinct.insert(QByteArray(reinterpret_cast<const char*>(argb.constBits()), argb.sizeInBytes()));
    }
    EXPECT_EQ(distinct.size(), 9);
}

TEST(GeneratedPictures, ButtonBitmapsAre24BitAndShowDifferentStates) {
    QImage pictures[2];
    const char* names[] = {"min.bmp", "max.bmp"};
    for (int i = 0; i < 2; ++i) {
        QFile file(IcoDir + names[i]);
        ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << names[i];
        const QByteArray header = file.read(54);
        ASSERT_EQ(header.size(), 54);
        EXPECT_TRUE(header.startsWith("BM")) << names[i];
        EXPECT_EQ(quint8(header[28]) | quint8(header[29]) << 8, 24) << names[i] << " bits per pixel";
        EXPECT_EQ(quint8(header[30]), 0) << names[i] << " is compressed";
        pictures[i] = QImage(IcoDir + names[i]);
    }
    EXPECT_NE(pictures[0], pictures[1]);
}

TEST(GeneratedPictures, IconSvgIsWellFormedAt256) {
    QFile file(ArtDir + "app-icon.svg");
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    QXmlStreamReader xml(&file);
    ASSERT_TRUE(xml.readNextStartElement());
    EXPECT_EQ(xml.name(), QStringLiteral("svg"));
    EXPECT_EQ(xml.attributes().value("viewBox"), QStringLiteral("0 0 256 256"));
    int shapes = 0;
    while (xml.readNextStartElement()) {
        ++shapes;
        xml.skipCurrentElement();
    }
    EXPECT_FALSE(xml.hasError()) << qPrintable(xml.errorString());
    EXPECT_GE(shapes, 4);
}

struct Clip {
    const char* name;
    int frames;
    QSize size;
};

class GeneratedClip : public testing::TestWithParam<Clip> {};

TEST_P(GeneratedClip, PlaysItsFramesAtTwelvePerSecond) {
    const Clip& c = GetParam();
    AviClip clip;
    ASSERT_TRUE(clip.Load(IcoDir + c.name)) << qPrintable(clip.Error());
    EXPECT_EQ(clip.FrameCount(), c.frames);
    EXPECT_EQ(clip.FrameSize(), c.size);
    EXPECT_EQ(clip.FrameIntervalMs(), 83);
    // Something moves: most frames differ from the one before.
    int changes = 0;
    for (int f = 1; f < clip.FrameCount(); ++f) changes += clip.Frame(f) != clip.Frame(f - 1);
    EXPECT_GE(changes, clip.FrameCount() / 2);
}

// The windows play Open.avi up to frame 16, exchange.avi up to 24 and
// palmpilot.avi from 1 to 19.
INSTANTIATE_TEST_SUITE_P(Build, GeneratedClip,
                         testing::Values(Clip{"Open.avi", 16, {260, 40}}, Clip{"exchange.avi", 24, {272, 60}},
                                         Clip{"palmpilot.avi", 19, {272, 60}}),
                         [](const auto& info) { return QString(info.param.name).section('.', 0, 0).toStdString(); });

}  // namespace
