// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Writes uncompressed AVI clips: a RIFF 'AVI ' file with one video stream of
// device-independent bitmaps ('DIB '), frames stored bottom-up in '00db'
// chunks and an 'idx1' index, so that ordinary players and our own reader
// (ico/avi_clip.h) both play it.

#include <QByteArray>
#include <QImage>
#include <QString>

#include <vector>

namespace artgen {

enum class AviPixels {
    Rgb24,     // 24 bits per pixel, BI_RGB
    Indexed8,  // 8 bits per pixel with one palette for the whole clip
};

// All frames must have the same size. For Indexed8 the palette is taken from
// the frames' colours (at most 256 distinct colours are kept exactly).
QByteArray EncodeAvi(const std::vector<QImage>& frames, int framesPerSecond,
                     AviPixels pixels = AviPixels::Rgb24);

// Encodes and writes the clip; false (with *error) when the file cannot be written.
bool WriteAvi(const QString& path, const std::vector<QImage>& frames, int framesPerSecond,
              QString* error);

}  // namespace artgen
