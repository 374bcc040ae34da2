// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The frames of the progress windows' animation clips.

#include <QImage>

#include <vector>

namespace artgen {

inline constexpr int ClipFramesPerSecond = 12;

// 16 frames, 260 x 40: a document flies into a folder (opening a file).
std::vector<QImage> OpenClipFrames();
// 24 frames, 272 x 60: a document moves from the PC onto a disk (saving).
std::vector<QImage> ExchangeClipFrames();
// 19 frames, 272 x 60: data moves between the meter and the PC (card access).
// The motion repeats seamlessly over the 19 frames.
std::vector<QImage> MeterLinkClipFrames();

}  // namespace artgen
