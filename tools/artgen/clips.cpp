// SPDX-License-Identifier: GPL-3.0-or-later
#include "clips.h"

#include "paint_kit.h"

#include <QPainterPath>

#include <algorithm>
#include <cmath>

namespace artgen {
namespace {

double Ease(double t) { return t * t * (3 - 2 * t); }

// A dotted track showing where things travel.
void DrawTrack(QPainter& p, const QPainterPath& track) {
    QPen dots(QColor(0xa9, 0xb6, 0xc4), 2, Qt::DotLine, Qt::RoundCap);
    p.setPen(dots);
    p.setBrush(Qt::NoBrush);
    p.drawPath(track);
}

}  // namespace

std::vector<QImage> OpenClipFrames() {
    constexpr int Frames = 16;
    constexpr int Flight = 12;  // frames in the air; the rest show it landing
    const QRectF folder(206, 5, 42, 32);
    QPainterPath track;
    track.moveTo(26, 22);
    track.cubicTo(80, 6, 160, 6, 224, 20);

    std::vector<QImage> frames;
    for (int i = 0; i < Frames; ++i) {
        QImage frame = NewPicture(QSize(260, 40), ink::ClipBackground);
        QPainter p(&frame);
        Smooth(p);
        DrawTrack(p, track);
        // Folder back, then the document, then the folder's front flap.
        QPainterPath back;
        back.addRoundedRect(QRectF(folder.x(), folder.y() + 3, folder.width(), folder.height() - 3), 3, 3);
        p.setPen(QPen(ink::Outline, 1.6));
        p.setBrush(ink::FolderDark);
        p.drawRoundedRect(QRectF(folder.x(), folder.y(), folder.width() * 0.4, 8), 2, 2);
        p.drawPath(back);

        const double t = std::min(1.0, double(i) / (Flight - 1));
        const double along = Ease(t);
        const QPointF at = track.pointAtPercent(along);
        const double scale = 1.0 - 0.3 * along;
        const double sinkInto = i >= Flight ? (i - Flight + 1) * 4.0 : 0.0;
        p.save();
        // Once in the folder the document sinks out of sight behind the flap.
        p.setClipRect(QRectF(0, 0, 260, folder.bottom() - 3));
        p.translate(at.x(), at.y() + sinkInto);
        p.rotate(-25 + 50 * along);
        p.scale(scale, scale);
        DrawDocument(p, QRectF(-8, -10.5, 16, 21));
        p.restore();

        DrawFolderFront(p, QRectF(folder.x(), folder.y() + 6, folder.width(), folder.height() - 6));
        frames.push_back(frame.convertToFormat(QImage::Format_RGB32));
    }
    return frames;
}

std::vector<QImage> ExchangeClipFrames() {
    constexpr int Frames = 24;
    const QRectF monitor(10, 5, 62, 52);
    const QRectF disk(214, 10, 44, 44);
    QPainterPath track;
    track.moveTo(64, 30);
    track.cubicTo(110, 14, 170, 14, 230, 30);

    std::vector<QImage> frames;
    for (int i = 0; i < Frames; ++i) {
        QImage frame = NewPicture(QSize(272, 60), ink::ClipBackground);
        QPainter p(&frame);
        Smooth(p);
        DrawTrack(p, track);
        // The document travels behind both ends, so it leaves the PC and
        // disappears into the disk. Frames 20..23 show the disk taking it in.
        const double t = std::min(1.0, double(i) / 19.0);
        const QPointF at = track.pointAtPercent(Ease(t));
        if (i < 21) {
            p.save();
            p.translate(at);
            p.rotate(-12 + 24 * t);
            DrawDocument(p, QRectF(-12, -15, 24, 30));
            p.restore();
        }
        DrawMonitor(p, monitor);
        DrawDisk(p, disk);
        if (i >= 20) {
            // The disk's light blinks while it writes.
            p.setPen(Qt::NoPen);
            p.setBrush(i % 2 == 0 ? QColor(0xff, 0xd4, 0x4a) : ink::Green.lighter(120));
            p.drawEllipse(QPointF(disk.x() + disk.width() * 0.78, disk.y() + disk.height() * 0.86), 2.6, 2.6);
        }
        frames.push_back(frame.convertToFormat(QImage::Format_RGB32));
    }
    return frames;
}

std::vector<QImage> MeterLinkClipFrames() {
    constexpr int Frames = 19;
    constexpr int Packets = 4;
    const QRectF meter(16, 2, 28, 56);
    const QRectF monitor(198, 5, 64, 52);
    const double laneStart = 56, laneEnd = 188;
    const double span = laneEnd - laneStart;

    std::vector<QImage> frames;
    for (int i = 0; i < Frames; ++i) {
        QImage frame = NewPicture(QSize(272, 60), ink::ClipBackground);
        QPainter p(&frame);
        Smooth(p);
        // The cable.
        p.setPen(QPen(QColor(0xc3, 0xcd, 0xd8), 3, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(laneStart - 8, 30), QPointF(laneEnd + 8, 30));
        DrawMeter(p, meter);
        DrawMonitor(p, monitor);

        // Readings travel to the PC on the upper lane, requests back on the lower one.
        const double phase = double(i) / Frames;
        for (int lane = 0; lane < 2; ++lane) {
            const double y = lane == 0 ? 21 : 39;
            const QColor colour = lane == 0 ? ink::Teal : ink::Orange;
            const double side = lane == 0 ? 8 : 6;
            for (int k = 0; k < Packets; ++k) {
                const double u = std::fmod(phase + double(k) / Packets, 1.0);
                const double x = lane == 0 ? laneStart + span * u : laneEnd - span * u;
                const double fade = std::clamp(std::min(u, 1.0 - u) / 0.12, 0.0, 1.0);
                QColor c = colour;
                c.setAlphaF(float(fade));
                QColor edge = ink::Outline;
                edge.setAlphaF(float(fade * 0.8));
                p.setPen(QPen(edge, 1.2));
                p.setBrush(c);
                p.drawRoundedRect(QRectF(x - side / 2, y - side / 2, side, side), 2, 2);
            }
        }
        frames.push_back(frame.convertToFormat(QImage::Format_RGB32));
    }
    return frames;
}

}  // namespace artgen
