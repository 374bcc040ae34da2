// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Reader of the uncompressed AVI clips that the progress windows play.
//
// Only the simplest kind of clip is understood: one video stream of
// uncompressed device-independent bitmaps (BI_RGB), 8 bits per pixel with a
// palette or 24 bits per pixel. Anything else is refused with an error text.
// The clips sit in the user's working folder and may be replaced by anything,
// so every size, count and offset read from the file is checked against the
// data actually present and against fixed limits before it is used.

#include <QByteArray>
#include <QImage>
#include <QSize>
#include <QString>

#include <vector>

class AviClip {
public:
    // Limits on what a clip may ask for; larger clips are refused.
    static constexpr qint64 MaxFileBytes = 32 * 1024 * 1024;
    static constexpr int MaxSide = 4096;
    static constexpr int MaxFrames = 10000;

    // Reads the clip at `path`. On failure the clip is empty and Error()
    // says why.
    bool Load(const QString& path);
    // The same from bytes already in memory.
    bool LoadFromData(const QByteArray& data);

    const QString& Error() const { return error_; }
    bool IsEmpty() const { return frames_.empty(); }
    int FrameCount() const { return int(frames_.size()); }
    QSize FrameSize() const { return frameSize_; }
    // Time between two frames, from the stream's rate (10..1000 ms).
    int FrameIntervalMs() const { return frameIntervalMs_; }
    // Frame 0 .. FrameCount()-1, as opaque RGB32 pictures.
    const QImage& Frame(int index) const { return frames_.at(std::size_t(index)); }

private:
    bool Fail(const QString& why);
    void Clear();

    std::vector<QImage> frames_;
    QSize frameSize_;
    int frameIntervalMs_ = 0;
    QString error_;
};
