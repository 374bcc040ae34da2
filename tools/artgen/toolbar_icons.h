// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The nine 72 x 72 toolbar pictures, in the toolbar's order.

#include <QImage>

namespace artgen {

inline constexpr int ToolbarIconCount = 9;
inline constexpr int ToolbarIconSide = 72;

// 0 open file, 1 save file, 2 online records, 3 switch between pages,
// 4 set up the instrument, 5 SD card operation, 6 print the chart, 7 about,
// 8 noise statistics.
QImage DrawToolbarIcon(int index);

}  // namespace artgen
