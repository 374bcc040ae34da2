// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Frames with a pattern that differs along x, along y and from frame to frame,
// so a reader that flips rows, swaps colour channels, drops row padding or
// mixes frames up shows a pixel difference.

#include <QImage>
#include <QSize>

#include <vector>

namespace clip_test {

// Many colours: for 24-bit clips.
inline std::vector<QImage> RichFrames(QSize size, int count) {
    std::vector<QImage> frames;
    for (int f = 0; f < count; ++f) {
        QImage image(size, QImage::Format_RGB32);
        for (int y = 0; y < size.height(); ++y)
            for (int x = 0; x < size.width(); ++x)
                image.setPixel(x, y, qRgb((x * 37 + f * 50) % 256, (y * 71 + f * 13) % 256, (x * y + f * 90) % 256));
        frames.push_back(image);
    }
    return frames;
}

// At most 4 x 4 x count colours: for 8-bit clips with one palette.
inline std::vector<QImage> FewColourFrames(QSize size, int count) {
    std::vector<QImage> frames;
    for (int f = 0; f < count; ++f) {
        QImage image(size, QImage::Format_RGB32);
        for (int y = 0; y < size.height(); ++y)
            for (int x = 0; x < size.width(); ++x)
                image.setPixel(x, y, qRgb(((x + f) % 4) * 80, (y % 4) * 80, (f * 60) % 256));
        frames.push_back(image);
    }
    return frames;
}

}  // namespace clip_test
