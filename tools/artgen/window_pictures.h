// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The main window's and the about box's pictures, and the program icon.

#include <QByteArray>
#include <QImage>

namespace artgen {

// The meter face's segmented arc scale, 230 x 110, transparent around it.
QImage DrawArcScale();

// Title strip buttons, 35 x 22: white glyphs on transparent.
QImage DrawCloseButton();
QImage DrawMinimiseButton();

// The maximise / restore button pictures. They are opaque (they are saved as
// 24-bit BMP files) on the title strip colour `TitleStripColour`; their
// bottom-left pixel has that colour, so a button may treat it as transparent.
QImage DrawMaximiseButton();  // one square: "maximise"
QImage DrawRestoreButton();   // two squares: "restore"
QColor TitleStripColour();

// The about box's banner, 433 x 193. The band (24..300, 110..140) is left
// plain: the about box draws its model line over it.
QImage DrawBanner();

// The program icon at `side` x `side` pixels, and the same drawing as SVG text.
QImage DrawAppIcon(int side);
QByteArray AppIconSvg();

}  // namespace artgen
