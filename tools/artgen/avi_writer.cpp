// SPDX-License-Identifier: GPL-3.0-or-later
#include "avi_writer.h"

#include <QFile>
#include <QHash>

#include <algorithm>

#include <stdexcept>

namespace artgen {
namespace {

class RiffBuffer {
public:
    void U32(quint32 v) {
        for (int i = 0; i < 4; ++i) bytes_.append(char((v >> (8 * i)) & 0xFF));
    }
    void U16(quint16 v) {
        bytes_.append(char(v & 0xFF));
        bytes_.append(char(v >> 8));
    }
    void FourCc(const char* id) { bytes_.append(id, 4); }
    void Raw(const uchar* data, qsizetype size) { bytes_.append(reinterpret_cast<const char*>(data), size); }

    // Opens a chunk (or a LIST/RIFF with its type); returns where its size goes.
    qsizetype Begin(const char* id, const char* listType = nullptr) {
        FourCc(id);
        const qsizetype sizeAt = bytes_.size();
        U32(0);
        if (listType) FourCc(listType);
        return sizeAt;
    }
    void End(qsizetype sizeAt) {
        const quint32 size = quint32(bytes_.size() - sizeAt - 4);
        for (int i = 0; i < 4; ++i) bytes_[sizeAt + i] = char((size >> (8 * i)) & 0xFF);
        if (size & 1) bytes_.append('\0');
    }
    qsizetype Size() const { return bytes_.size(); }
    QByteArray Take() { return std::move(bytes_); }

private:
    QByteArray bytes_;
};

// One palette for all frames: the distinct colours in order of appearance.
QList<QRgb> SharedPalette(const std::vector<QImage>& frames) {
    QList<QRgb> palette;
    QHash<QRgb, int> seen;
    for (const QImage& frame : frames) {
        const QImage rgb = frame.convertToFormat(QImage::Format_RGB32);
        for (int y = 0; y < rgb.height() && palette.size() < 256; ++y) {
            const auto* line = reinterpret_cast<const QRgb*>(rgb.constScanLine(y));
            for (int x = 0; x < rgb.width() && palette.size() < 256; ++x) {
                const QRgb c = line[x] | 0xFF000000u;
                if (!seen.contains(c)) {
                    seen.insert(c, int(palette.size()));
                    palette.append(c);
                }
            }
        }
    }
    return palette;
}

}  // namespace

QByteArray EncodeAvi(const std::vector<QImage>& frames, int framesPerSecond, AviPixels pixels) {
    if (frames.empty() || framesPerSecond < 1) throw std::invalid_argument("a clip needs frames and a rate");
    const int width = frames.front().width();
    const int height = frames.front().height();
    for (const QImage& f : frames)
        if (f.size() != frames.front().size()) throw std::invalid_argument("all frames must have one size");

    const int bitCount = pixels == AviPixels::Rgb24 ? 24 : 8;
    const quint32 stride = quint32(((width * bitCount + 31) / 32) * 4);
    const quint32 frameBytes = stride * quint32(height);
    const QList<QRgb> palette = pixels == AviPixels::Indexed8 ? SharedPalette(frames) : QList<QRgb>();
    const quint32 frameCount = quint32(frames.size());

    RiffBuffer b;
    const qsizetype riff = b.Begin("RIFF", "AVI ");

    const qsizetype hdrl = b.Begin("LIST", "hdrl");
    const qsizetype avih = b.Begin("avih");
    b.U32(quint32(1000000 / framesPerSecond));  // microseconds per frame
    b.U32(frameBytes * quint32(framesPerSecond));  // max bytes per second
    b.U32(0);                                    // padding granularity
    b.U32(0x10);                                 // AVIF_HASINDEX
    b.U32(frameCount);
    b.U32(0);  // initial frames
    b.U32(1);  // streams
    b.U32(frameBytes);
    b.U32(quint32(width));
    b.U32(quint32(height));
    for (int i = 0; i < 4; ++i) b.U32(0);
    b.End(avih);

    const qsizetype strl = b.Begin("LIST", "strl");
    const qsizetype strh = b.Begin("strh");
    b.FourCc("vids");
    b.FourCc("DIB ");
    b.U32(0);  // flags
    b.U16(0);  // priority
    b.U16(0);  // language
    b.U32(0);  // initial frames
    b.U32(1);  // scale
    b.U32(quint32(framesPerSecond));  // rate: frames per second = rate / scale
    b.U32(0);  // start
    b.U32(frameCount);
    b.U32(frameBytes);    // suggested buffer size
    b.U32(0xFFFFFFFFu);  // quality: default
    b.U32(0);             // sample size: frames vary in principle
    b.U16(0);
    b.U16(0);
    b.U16(quint16(width));
    b.U16(quint16(height));
    b.End(strh);

    const qsizetype strf = b.Begin("strf");
    b.U32(40);
    b.U32(quint32(width));
    b.U32(quint32(height));  // positive: rows are stored bottom-up
    b.U16(1);
    b.U16(quint16(bitCount));
    b.U32(0);  // BI_RGB
    b.U32(frameBytes);
    b.U32(0);
    b.U32(0);
    b.U32(quint32(palette.size()));
    b.U32(0);
    for (QRgb c : palette) {
        const uchar entry[4] = {uchar(qBlue(c)), uchar(qGreen(c)), uchar(qRed(c)), 0};
        b.Raw(entry, 4);
    }
    b.End(strf);
    b.End(strl);
    b.End(hdrl);

    const qsizetype movi = b.Begin("LIST", "movi");
    const qsizetype moviTypeAt = movi + 4;  // index offsets count from the 'movi' type
    std::vector<quint32> offsets;
    QByteArray row(qsizetype(stride), '\0');
    for (const QImage& frame : frames) {
        offsets.push_back(quint32(b.Size() - moviTypeAt));
        const qsizetype chunk = b.Begin("00db");
        const QImage source = pixels == AviPixels::Rgb24
                                  ? frame.convertToFormat(QImage::Format_RGB32)
                                  : frame.convertToFormat(QImage::Format_Indexed8, palette, Qt::ThresholdDither);
        for (int y = height - 1; y >= 0; --y) {
            auto* out = reinterpret_cast<uchar*>(row.data());
            if (pixels == AviPixels::Rgb24) {
                const auto* line = reinterpret_cast<const QRgb*>(source.constScanLine(y));
                for (int x = 0; x < width; ++x) {
                    out[3 * x] = uchar(qBlue(line[x]));
                    out[3 * x + 1] = uchar(qGreen(line[x]));
                    out[3 * x + 2] = uchar(qRed(line[x]));
                }
            } else {
                std::copy_n(source.constScanLine(y), width, out);
            }
            b.Raw(out, row.size());
        }
        b.End(chunk);
    }
    b.End(movi);

    const qsizetype idx1 = b.Begin("idx1");
    for (quint32 offset : offsets) {
        b.FourCc("00db");
        b.U32(0x10);  // AVIIF_KEYFRAME: every frame stands alone
        b.U32(offset);
        b.U32(frameBytes);
    }
    b.End(idx1);
    b.End(riff);
    return b.Take();
}

bool WriteAvi(const QString& path, const std::vector<QImage>& frames, int framesPerSecond, QString* error) {
    const QByteArray bytes = EncodeAvi(frames, framesPerSecond);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size()) {
        if (error) *error = QStringLiteral("cannot write %1: %2").arg(path, file.errorString());
        return false;
    }
    return true;
}

}  // namespace artgen
