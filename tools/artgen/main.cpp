// SPDX-License-Identifier: GPL-3.0-or-later
// qv_artgen <art folder> <ico folder>
// Draws the program's pictures and clips. The art folder receives the PNG and
// SVG pictures that are compiled into the program; the ico folder receives the
// files the program loads from its working folder at run time.

#include "avi_writer.h"
#include "clips.h"
#include "toolbar_icons.h"
#include "window_pictures.h"

#include <QDir>
#include <QFile>
#include <QGuiApplication>

#include <cstdio>

namespace {

bool failed = false;

void Report(const QString& what) {
    std::fprintf(stderr, "qv_artgen: %s\n", qPrintable(what));
    failed = true;
}

void SavePng(const QImage& image, const QString& path) {
    if (!image.save(path, "PNG")) Report(QStringLiteral("cannot write %1").arg(path));
}

void SaveBmp24(const QImage& image, const QString& path) {
    if (!image.convertToFormat(QImage::Format_RGB888).save(path, "BMP"))
        Report(QStringLiteral("cannot write %1").arg(path));
}

void SaveText(const QByteArray& text, const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(text) != text.size())
        Report(QStringLiteral("cannot write %1").arg(path));
}

void SaveClip(const std::vector<QImage>& frames, const QString& path) {
    QString error;
    if (!artgen::WriteAvi(path, frames, artgen::ClipFramesPerSecond, &error)) Report(error);
}

}  // namespace

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    if (argc != 3) {
        std::fprintf(stderr, "usage: qv_artgen <art folder> <ico folder>\n");
        return 2;
    }
    const QDir art(QString::fromLocal8Bit(argv[1]));
    const QDir ico(QString::fromLocal8Bit(argv[2]));
    if (!QDir().mkpath(art.path()) || !QDir().mkpath(ico.path())) {
        std::fprintf(stderr, "qv_artgen: cannot create the output folders\n");
        return 1;
    }

    for (int i = 0; i < artgen::ToolbarIconCount; ++i)
        SavePng(artgen::DrawToolbarIcon(i), art.filePath(QStringLiteral("toolbar%1.png").arg(i)));
    SavePng(artgen::DrawArcScale(), art.filePath(QStringLiteral("arc.png")));
    SavePng(artgen::DrawCloseButton(), art.filePath(QStringLiteral("close.png")));
    SavePng(artgen::DrawMinimiseButton(), art.filePath(QStringLiteral("minimise.png")));
    SavePng(artgen::DrawBanner(), art.filePath(QStringLiteral("banner.png")));
    for (int side : {16, 32, 48, 64, 128, 256})
        SavePng(artgen::DrawAppIcon(side), art.filePath(QStringLiteral("app-icon-%1.png").arg(side)));
    SaveText(artgen::AppIconSvg(), art.filePath(QStringLiteral("app-icon.svg")));

    SaveBmp24(artgen::DrawMaximiseButton(), ico.filePath(QStringLiteral("min.bmp")));
    SaveBmp24(artgen::DrawRestoreButton(), ico.filePath(QStringLiteral("max.bmp")));
    SaveClip(artgen::OpenClipFrames(), ico.filePath(QStringLiteral("Open.avi")));
    SaveClip(artgen::ExchangeClipFrames(), ico.filePath(QStringLiteral("exchange.avi")));
    SaveClip(artgen::MeterLinkClipFrames(), ico.filePath(QStringLiteral("palmpilot.avi")));
    return failed ? 1 : 0;
}
