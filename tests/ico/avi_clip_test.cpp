// SPDX-License-Identifier: GPL-3.0-or-later
// AviClip against the AVI writer of the picture generator, and against files
// that are damaged or lie about their sizes.

#include "clip_frames.h"
#include "ico/avi_clip.h"
#include "tools/artgen/avi_writer.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <climits>
#include <functional>
#include <random>

namespace {

using artgen::AviPixels;

void ExpectSameFrames(const std::vector<QImage>& written, const AviClip& clip) {
    ASSERT_EQ(clip.FrameCount(), int(written.size()));
    for (int f = 0; f < clip.FrameCount(); ++f) {
        const QImage& read = clip.Frame(f);
        ASSERT_EQ(read.size(), written[f].size());
        for (int y = 0; y < read.height(); ++y)
            for (int x = 0; x < read.width(); ++x)
                ASSERT_EQ(read.pixel(x, y), written[f].pixel(x, y)) << "frame " << f << " at " << x << "," << y;
    }
}

struct RoundTrip {
    const char* name;
    AviPixels pixels;
    QSize size;
    int framesPerSecond;
    int intervalMs;
};

class AviRoundTrip : public testing::TestWithParam<RoundTrip> {};

TEST_P(AviRoundTrip, ReadsBackEveryPixelOfEveryFrame) {
    const RoundTrip& c = GetParam();
    const auto frames = c.pixels == AviPixels::Rgb24 ? clip_test::RichFrames(c.size, 4)
                                                     : clip_test::FewColourFrames(c.size, 4);
    AviClip clip;
    ASSERT_TRUE(clip.LoadFromData(artgen::EncodeAvi(frames, c.framesPerSecond, c.pixels))) << qPrintable(clip.Error());
    EXPECT_EQ(clip.FrameSize(), c.size);
    EXPECT_EQ(clip.FrameIntervalMs(), c.intervalMs);
    ExpectSameFrames(frames, clip);
}

// Odd widths need row padding (13 x 3 bytes = 39, padded to 40; 13 bytes to 16).
INSTANTIATE_TEST_SUITE_P(Formats, AviRoundTrip,
                         testing::Values(RoundTrip{"rgb24_odd_width", AviPixels::Rgb24, {13, 7}, 12, 83},
                                         RoundTrip{"rgb24_clip_size", AviPixels::Rgb24, {272, 60}, 25, 40},
                                         RoundTrip{"indexed8_odd_width", AviPixels::Indexed8, {13, 7}, 15, 67},
                                         RoundTrip{"indexed8_one_pixel", AviPixels::Indexed8, {1, 1}, 12, 83}),
                         [](const auto& info) { return std::string(info.param.name); });

// Players seek through the 'idx1' index, which our reader does not use: its
// offsets count from the 'movi' list type and must land on each frame chunk.
TEST(AviWriter, IndexEntriesPointAtTheFrameChunks) {
    const QByteArray bytes = artgen::EncodeAvi(clip_test::RichFrames({13, 7}, 3), 12);
    auto u32 = [&](qsizetype at) {
        return quint32(quint8(bytes[at])) | quint32(quint8(bytes[at + 1])) << 8 |
               quint32(quint8(bytes[at + 2])) << 16 | quint32(quint8(bytes[at + 3])) << 24;
    };
    EXPECT_EQ(u32(4), quint32(bytes.size() - 8));
    const qsizetype moviType = bytes.indexOf("movi");
    const qsizetype idx1 = bytes.indexOf("idx1", moviType);
    ASSERT_GT(moviType, 0);
    ASSERT_GT(idx1, moviType);
    ASSERT_EQ(u32(idx1 + 4), 3u * 16u);
    for (int i = 0; i < 3; ++i) {
        const qsizetype entry = idx1 + 8 + 16 * i;
        EXPECT_EQ(bytes.mid(entry, 4), QByteArray("00db"));
        EXPECT_EQ(u32(entry + 4), 0x10u);  // key frame
        const qsizetype chunk = moviType + u32(entry + 8);
        EXPECT_EQ(bytes.mid(chunk, 4), QByteArray("00db")) << "entry " << i;
        EXPECT_EQ(u32(chunk + 4), u32(entry + 12));
        EXPECT_EQ(u32(entry + 12), 40u * 7u);  // 13 pixels x 3 bytes, padded to 40
    }
}

TEST(AviClipFile, LoadsAWrittenFileAndRefusesMissingOrHugeOnes) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const auto frames = clip_test::RichFrames({20, 10}, 3);
    const QString path = dir.filePath("clip.avi");
    QString error;
    ASSERT_TRUE(artgen::WriteAvi(path, frames, 12, &error)) << qPrintable(error);
    AviClip clip;
    ASSERT_TRUE(clip.Load(path)) << qPrintable(clip.Error());
    ExpectSameFrames(frames, clip);

    EXPECT_FALSE(clip.Load(dir.filePath("absent.avi")));
    EXPECT_TRUE(clip.IsEmpty());
    EXPECT_FALSE(clip.Error().isEmpty());

    QFile huge(dir.filePath("huge.avi"));
    ASSERT_TRUE(huge.open(QIODevice::WriteOnly));
    ASSERT_TRUE(huge.resize(AviClip::MaxFileBytes + 1));
    huge.close();
    EXPECT_FALSE(clip.Load(huge.fileName()));
    EXPECT_TRUE(clip.IsEmpty());
}

// --- damaged and lying files -------------------------------------------------

void PutU32(QByteArray& b, qsizetype at, quint32 v) {
    for (int i = 0; i < 4; ++i) b[at + i] = char((v >> (8 * i)) & 0xFF);
}
void PutU16(QByteArray& b, qsizetype at, quint16 v) {
    b[at] = char(v & 0xFF);
    b[at + 1] = char(v >> 8);
}
// Offset of the body of the first chunk with this id (after `from`).
qsizetype BodyOf(const QByteArray& b, const char* id, qsizetype from = 0) {
    const qsizetype at = b.indexOf(QByteArray(id, 4), from);
    EXPECT_GE(at, 0) << id;
    return at + 8;
}
qsizetype FirstFrameChunk(const QByteArray& b) { return b.indexOf("00db", b.indexOf("movi")); }

QByteArray SmallClip(AviPixels pixels) {
    const QSize size(13, 7);
    return artgen::EncodeAvi(pixels == AviPixels::Rgb24 ? clip_test::RichFrames(size, 3)
                                                        : clip_test::FewColourFrames(size, 3),
                             12, pixels);
}

struct Damage {
    const char* name;
    AviPixels base;
    std::function<void(QByteArray&)> apply;
    const char* reason;  // a piece of the expected error text
};

class DamagedAvi : public testing::TestWithParam<Damage> {};

TEST_P(DamagedAvi, IsRefusedWithAReason) {
    QByteArray bytes = SmallClip(GetParam().base);
    GetParam().apply(bytes);
    AviClip clip;
    EXPECT_FALSE(clip.LoadFromData(bytes));
    EXPECT_TRUE(clip.IsEmpty());
    EXPECT_EQ(clip.FrameCount(), 0);
    EXPECT_TRUE(clip.Error().contains(GetParam().reason)) << qPrintable(clip.Error());
}

INSTANTIATE_TEST_SUITE_P(
    Files, DamagedAvi,
    testing::Values(
        Damage{"empty", AviPixels::Rgb24, [](QByteArray& b) { b.clear(); }, "not an AVI"},
        Damage{"cut_inside_the_header", AviPixels::Rgb24, [](QByteArray& b) { b.truncate(11); }, "not an AVI"},
        Damage{"cut_after_the_headers", AviPixels::Rgb24, [](QByteArray& b) { b.truncate(b.indexOf("movi") + 20); }, "truncated"},
        Damage{"cut_in_the_last_frame", AviPixels::Rgb24, [](QByteArray& b) { b.truncate(b.indexOf("idx1") - 30); }, "truncated"},
        Damage{"cut_by_one_byte", AviPixels::Indexed8, [](QByteArray& b) { b.chop(1); }, "truncated"},
        Damage{"not_an_avi", AviPixels::Rgb24, [](QByteArray& b) { b.replace(8, 4, "WAVE"); }, "not an AVI"},
        Damage{"frame_chunk_size_runs_past_the_end", AviPixels::Rgb24,
               [](QByteArray& b) { PutU32(b, FirstFrameChunk(b) + 4, 0xFFFFFFF0u); }, "runs past the end"},
        Damage{"frame_chunk_shorter_than_its_picture", AviPixels::Rgb24,
               [](QByteArray& b) { PutU32(b, BodyOf(b, "strf") + 4, 64); }, "shorter than its picture"},  // width 64, data for 13
        Damage{"huge_width", AviPixels::Rgb24, [](QByteArray& b) { PutU32(b, BodyOf(b, "strf") + 4, 100000); }, "out of bounds"},
        Damage{"huge_width_and_height", AviPixels::Rgb24,
               [](QByteArray& b) {
                   PutU32(b, BodyOf(b, "strf") + 4, 0x7FFFFFFF);
                   PutU32(b, BodyOf(b, "strf") + 8, 0x7FFFFFFF);
               }, "out of bounds"},
        Damage{"negative_width", AviPixels::Rgb24, [](QByteArray& b) { PutU32(b, BodyOf(b, "strf") + 4, quint32(-13)); }, "out of bounds"},
        Damage{"most_negative_height", AviPixels::Rgb24,
               [](QByteArray& b) { PutU32(b, BodyOf(b, "strf") + 8, 0x80000000u); }, "out of bounds"},
        Damage{"zero_height", AviPixels::Rgb24, [](QByteArray& b) { PutU32(b, BodyOf(b, "strf") + 8, 0); }, "out of bounds"},
        Damage{"compressed_frames", AviPixels::Indexed8, [](QByteArray& b) { PutU32(b, BodyOf(b, "strf") + 16, 1); }, "only uncompressed"},
        Damage{"thirty_two_bits", AviPixels::Rgb24, [](QByteArray& b) { PutU16(b, BodyOf(b, "strf") + 14, 32); }, "only uncompressed"},
        Damage{"palette_larger_than_its_header", AviPixels::Indexed8,
               [](QByteArray& b) { PutU32(b, BodyOf(b, "strf") + 32, 100000); }, "palette"},
        Damage{"bitmap_header_size_lies", AviPixels::Rgb24, [](QByteArray& b) { PutU32(b, BodyOf(b, "strf"), 5000); }, "bitmap header size"},
        Damage{"no_video_stream", AviPixels::Rgb24, [](QByteArray& b) { b.replace(BodyOf(b, "strh"), 4, "auds"); }, "no video stream"},
        Damage{"no_frame_chunks", AviPixels::Rgb24,
               [](QByteArray& b) {
                   // Rename every frame chunk to an audio chunk.
                   for (qsizetype at = b.indexOf("00db"); at >= 0; at = b.indexOf("00db", at + 4)) b.replace(at, 4, "01wb");
               }, "no frames"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(AviClipLies, AFrameCountInTheHeaderIsNotTrusted) {
    QByteArray bytes = SmallClip(AviPixels::Rgb24);
    PutU32(bytes, BodyOf(bytes, "avih") + 16, 1000000);  // total frames
    PutU32(bytes, BodyOf(bytes, "strh") + 32, 1000000);  // stream length
    AviClip clip;
    ASSERT_TRUE(clip.LoadFromData(bytes)) << qPrintable(clip.Error());
    EXPECT_EQ(clip.FrameCount(), 3);
}

TEST(AviClipLies, DeeplyNestedListsDoNotExhaustTheStack) {
    // Valid headers, then a 'movi' list holding 100000 'rec ' lists one inside
    // the other and no frame.
    const QByteArray valid = SmallClip(AviPixels::Rgb24);
    QByteArray bytes = valid.left(valid.indexOf("movi") - 8);
    constexpr int Depth = 100000;
    auto u32 = [](quint32 v) {
        QByteArray out(4, '\0');
        PutU32(out, 0, v);
        return out;
    };
    bytes += "LIST" + u32(4 + 12 * Depth) + "movi";
    for (int i = 0; i < Depth; ++i) bytes += "LIST" + u32(4 + 12 * (Depth - 1 - i)) + "rec ";
    PutU32(bytes, 4, quint32(bytes.size() - 8));
    AviClip clip;
    EXPECT_FALSE(clip.LoadFromData(bytes));
    EXPECT_FALSE(clip.Error().isEmpty());
}

TEST(AviClipLies, RandomlyDamagedClipsNeverYieldBadFrames) {
    std::mt19937 random(20240601);
    const QByteArray bases[] = {SmallClip(AviPixels::Rgb24), SmallClip(AviPixels::Indexed8)};
    int loaded = 0, refused = 0;
    for (int round = 0; round < 3000; ++round) {
        QByteArray bytes = bases[round % 2];
        // Half the damage lands in the headers, where the sizes are.
        const qsizetype span = round % 4 < 2 ? std::min<qsizetype>(bytes.size(), 400) : bytes.size();
        const int hits = 1 + int(random() % 4);
        for (int h = 0; h < hits; ++h) bytes[qsizetype(random() % span)] = char(random() & 0xFF);
        if (random() % 8 == 0) bytes.truncate(qsizetype(random() % bytes.size()));
        AviClip clip;
        if (clip.LoadFromData(bytes)) {
            ++loaded;
            ASSERT_GE(clip.FrameCount(), 1);
            ASSERT_LE(clip.FrameSize().width(), AviClip::MaxSide);
            ASSERT_LE(clip.FrameSize().height(), AviClip::MaxSide);
            for (int f = 0; f < clip.FrameCount(); ++f) ASSERT_EQ(clip.Frame(f).size(), clip.FrameSize());
            ASSERT_GE(clip.FrameIntervalMs(), 10);
            ASSERT_LE(clip.FrameIntervalMs(), 1000);
        } else {
            ++refused;
            ASSERT_FALSE(clip.Error().isEmpty());
        }
    }
    // Both outcomes occur, so the damage reaches the checks and the decoder.
    EXPECT_GT(loaded, 0);
    EXPECT_GT(refused, 0);
}

}  // namespace
