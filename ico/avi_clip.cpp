// SPDX-License-Identifier: GPL-3.0-or-later
#include "avi_clip.h"

#include <QFile>

#include <algorithm>
#include <cmath>
#include <cstring>

namespace {

quint32 U32(const uchar* p) {
    return quint32(p[0]) | quint32(p[1]) << 8 | quint32(p[2]) << 16 | quint32(p[3]) << 24;
}
quint16 U16(const uchar* p) { return quint16(p[0] | p[1] << 8); }
bool Is(const uchar* p, const char* fourCc) { return std::memcmp(p, fourCc, 4) == 0; }

// A piece of the file whose size has been checked against the data present.
struct Span {
    const uchar* data = nullptr;
    qint64 size = 0;
};

struct Chunk {
    const uchar* id;  // four characters
    Span body;
    bool IsList(const char* type) const { return Is(id, "LIST") && body.size >= 4 && Is(body.data, type); }
    Span ListBody() const { return {body.data + 4, body.size - 4}; }
};

// Calls visit(chunk) for each chunk of a list body. A chunk whose declared
// size runs past its parent makes the walk fail: the file is truncated or
// lies about its sizes. visit returns false to stop with its own error.
template <typename Visit>
bool ForEachChunk(Span span, QString* error, Visit&& visit) {
    qint64 pos = 0;
    while (span.size - pos >= 8) {
        const uchar* header = span.data + pos;
        const qint64 size = U32(header + 4);
        if (size > span.size - pos - 8) {
            *error = QStringLiteral("a chunk runs past the end of its data (the file is truncated or damaged)");
            return false;
        }
        if (!visit(Chunk{header, {header + 8, size}})) return false;
        pos += 8 + size + (size & 1);  // chunks are padded to an even size
    }
    return true;
}

struct VideoFormat {
    bool found = false;
    int streamIndex = -1;
    quint32 scale = 0, rate = 0;
    bool haveBitmapInfo = false;
    qint64 width = 0, height = 0;
    bool bottomUp = true;
    int bitCount = 0;
    quint32 compression = 0;
    QList<QRgb> palette;
};

struct FrameChunk {
    int stream;  // from the chunk's two digits; -1 when not digits
    Span body;
};

int StreamOfChunk(const uchar* id) {
    const bool digits = id[0] >= '0' && id[0] <= '9' && id[1] >= '0' && id[1] <= '9';
    const bool video = (id[2] == 'd' && (id[3] == 'b' || id[3] == 'c'));
    if (!digits || !video) return -2;
    return (id[0] - '0') * 10 + (id[1] - '0');
}

}  // namespace

bool AviClip::Fail(const QString& why) {
    Clear();
    error_ = why;
    return false;
}

void AviClip::Clear() {
    frames_.clear();
    frameSize_ = QSize();
    frameIntervalMs_ = 0;
    error_.clear();
}

bool AviClip::Load(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return Fail(QStringLiteral("cannot open %1").arg(path));
    if (file.size() > MaxFileBytes) return Fail(QStringLiteral("%1 is too large for a clip").arg(path));
    return LoadFromData(file.read(MaxFileBytes + 1));
}

bool AviClip::LoadFromData(const QByteArray& bytes) {
    Clear();
    if (bytes.size() > MaxFileBytes) return Fail(QStringLiteral("the clip is too large"));
    const auto* data = reinterpret_cast<const uchar*>(bytes.constData());
    const qint64 size = bytes.size();
    if (size < 12 || !Is(data, "RIFF") || !Is(data + 8, "AVI "))
        return Fail(QStringLiteral("not an AVI file"));
    const qint64 riffSize = U32(data + 4);
    if (riffSize < 4 || riffSize > size - 8)
        return Fail(QStringLiteral("the file is shorter than its header says (truncated)"));

    quint32 microSecPerFrame = 0;
    VideoFormat video;
    std::vector<FrameChunk> chunks;
    bool sawMovi = false;
    QString error;

    auto readStreamList = [&](Span strl, int streamIndex) {
        bool isVideo = false;
        return ForEachChunk(strl, &error, [&](const Chunk& c) {
            if (Is(c.id, "strh")) {
                if (c.body.size < 28) {
                    error = QStringLiteral("stream header too short");
                    return false;
                }
                isVideo = !video.found && Is(c.body.data, "vids");
                if (isVideo) {
                    video.found = true;
                    video.streamIndex = streamIndex;
                    video.scale = U32(c.body.data + 20);
                    video.rate = U32(c.body.data + 24);
                }
            } else if (Is(c.id, "strf") && isVideo) {
                const Span f = c.body;
                if (f.size < 40) {
                    error = QStringLiteral("bitmap header too short");
                    return false;
                }
                const qint64 headerSize = U32(f.data);
                if (headerSize < 40 || headerSize > f.size) {
                    error = QStringLiteral("bitmap header size is wrong");
                    return false;
                }
                video.haveBitmapInfo = true;
                video.width = qint32(U32(f.data + 4));
                const qint64 height = qint32(U32(f.data + 8));
                video.bottomUp = height > 0;
                video.height = height < 0 ? -height : height;
                video.bitCount = U16(f.data + 14);
                video.compression = U32(f.data + 16);
                if (video.bitCount == 8) {
                    const qint64 used = U32(f.data + 32);
                    const qint64 entries = used == 0 ? 256 : used;
                    if (entries > 256 || headerSize + entries * 4 > f.size) {
                        error = QStringLiteral("the palette does not fit its header");
                        return false;
                    }
                    const uchar* p = f.data + headerSize;
                    for (qint64 i = 0; i < entries; ++i, p += 4) video.palette.append(qRgb(p[2], p[1], p[0]));
                }
            }
            return true;
        });
    };

    // Frames may sit in 'rec ' lists inside 'movi'; one level of them is
    // followed, deeper nesting is not part of the format.
    auto readFrames = [&](Span movi, bool insideRec, auto& self) -> bool {
        return ForEachChunk(movi, &error, [&](const Chunk& c) {
            if (c.IsList("rec ")) return insideRec ? true : self(c.ListBody(), true, self);
            const int stream = StreamOfChunk(c.id);
            if (stream < 0) return true;  // audio, text or padding: not ours
            if (chunks.size() >= std::size_t(MaxFrames)) {
                error = QStringLiteral("the clip has too many frames");
                return false;
            }
            chunks.push_back({stream, c.body});
            return true;
        });
    };

    const Span riffBody{data + 12, riffSize - 4};
    const bool walked = ForEachChunk(riffBody, &error, [&](const Chunk& c) {
        if (c.IsList("hdrl")) {
            int streamIndex = 0;
            return ForEachChunk(c.ListBody(), &error, [&](const Chunk& h) {
                if (Is(h.id, "avih") && h.body.size >= 4) microSecPerFrame = U32(h.body.data);
                if (h.IsList("strl")) return readStreamList(h.ListBody(), streamIndex++);
                return true;
            });
        }
        if (c.IsList("movi")) {
            sawMovi = true;
            return readFrames(c.ListBody(), false, readFrames);
        }
        return true;  // idx1 and anything else: the frames are read from 'movi'
    });
    if (!walked) return Fail(error);

    if (!video.found || !video.haveBitmapInfo) return Fail(QStringLiteral("the file holds no video stream"));
    if (video.compression != 0 || (video.bitCount != 8 && video.bitCount != 24))
        return Fail(QStringLiteral("only uncompressed 8-bit or 24-bit clips are supported"));
    if (video.width < 1 || video.width > MaxSide || video.height < 1 || video.height > MaxSide)
        return Fail(QStringLiteral("the frame size %1 x %2 is out of bounds").arg(video.width).arg(video.height));
    if (!sawMovi) return Fail(QStringLiteral("the file holds no frames"));

    const int width = int(video.width);
    const int height = int(video.height);
    const qint64 stride = ((video.width * video.bitCount + 31) / 32) * 4;
    const qint64 frameBytes = stride * video.height;

    for (const FrameChunk& chunk : chunks) {
        if (chunk.stream != video.streamIndex) continue;
        if (chunk.body.size == 0) {
            // An empty chunk repeats the previous frame.
            if (!frames_.empty()) frames_.push_back(frames_.back());
            continue;
        }
        if (chunk.body.size < frameBytes)
            return Fail(QStringLiteral("frame %1 is shorter than its picture").arg(frames_.size() + 1));
        QImage image(width, height, QImage::Format_RGB32);
        if (image.isNull()) return Fail(QStringLiteral("not enough memory for the clip"));
        for (int y = 0; y < height; ++y) {
            const uchar* src = chunk.body.data + stride * (video.bottomUp ? height - 1 - y : y);
            auto* dst = reinterpret_cast<QRgb*>(image.scanLine(y));
            if (video.bitCount == 24) {
                for (int x = 0; x < width; ++x, src += 3) dst[x] = qRgb(src[2], src[1], src[0]);
            } else {
                for (int x = 0; x < width; ++x) {
                    const int index = src[x];
                    dst[x] = index < video.palette.size() ? video.palette[index] : qRgb(0, 0, 0);
                }
            }
        }
        frames_.push_back(std::move(image));
    }
    if (frames_.empty()) return Fail(QStringLiteral("the file holds no frames"));

    double intervalMs = 0;
    if (video.scale > 0 && video.rate > 0)
        intervalMs = 1000.0 * video.scale / video.rate;
    else
        intervalMs = microSecPerFrame / 1000.0;
    if (intervalMs <= 0) intervalMs = 83;
    frameIntervalMs_ = std::clamp(int(std::lround(std::min(intervalMs, 1e6))), 10, 1000);
    frameSize_ = QSize(width, height);
    return true;
}
