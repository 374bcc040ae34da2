// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Shared colours and drawing pieces of the program's pictures, so the toolbar,
// the banner and the clips speak one visual language.

#include <QColor>
#include <QFont>
#include <QImage>
#include <QPainter>
#include <QRectF>
#include <QSize>

namespace artgen {

namespace ink {
inline const QColor Outline{0x24, 0x32, 0x3f};
inline const QColor Slate{0x2b, 0x3a, 0x4a};
inline const QColor Blue{0x2f, 0x7f, 0xd0};
inline const QColor BlueDark{0x1f, 0x5c, 0x9e};
inline const QColor Teal{0x12, 0x9c, 0x9c};
inline const QColor Green{0x3c, 0xb0, 0x5a};
inline const QColor Yellow{0xf5, 0xc3, 0x3b};
inline const QColor Orange{0xf0, 0x8a, 0x24};
inline const QColor Red{0xe0, 0x39, 0x3e};
inline const QColor FolderLight{0xf8, 0xc8, 0x5a};
inline const QColor FolderDark{0xdc, 0x9a, 0x22};
inline const QColor Grey{0x8a, 0x96, 0xa3};
inline const QColor LightGrey{0xdd, 0xe3, 0xea};
inline const QColor Paper{0xff, 0xff, 0xff};
inline const QColor Lcd{0xcf, 0xe8, 0xd2};
inline const QColor ClipBackground{0xf3, 0xf5, 0xf8};
}  // namespace ink

// A picture of `size`, cleared to `fill` (transparent by default).
QImage NewPicture(QSize size, QColor fill = Qt::transparent);

// Turns on antialiasing for a painter on `picture`.
void Smooth(QPainter& p);

// The bundled sans-serif face, so pictures look the same on every build host.
QFont SansFont(double pixelSize, int weight = QFont::Normal);

// A page with a folded top-right corner and a few text lines.
void DrawDocument(QPainter& p, const QRectF& r, QColor lines = ink::Blue);
// A closed folder (tab at the top left).
void DrawFolder(QPainter& p, const QRectF& r);
// The front flap of an open folder, drawn over what has gone in.
void DrawFolderFront(QPainter& p, const QRectF& r);
// A flat-screen PC monitor on a stand; the screen shows a small chart.
void DrawMonitor(QPainter& p, const QRectF& r);
// A storage disk as a stack of platters.
void DrawDisk(QPainter& p, const QRectF& r);
// A hand-held sound level meter standing upright, microphone at the top;
// `reading` is shown on its display when not empty.
void DrawMeter(QPainter& p, const QRectF& r, const QString& reading = QString());

}  // namespace artgen
