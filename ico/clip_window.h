// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A progress window: a small fixed-size modeless window, centred on the
// desktop, that plays one of the program's clips over and over while a
// long job runs (saving, opening, the card). The save, open and card wait
// windows are this window with their own look; whoever starts the job
// creates it and destroys it when done.
#include <QDialog>
#include <QRect>
#include <QSize>
#include <QString>

class AnimateWidget;

// What one progress window looks like.
struct ClipWindowLook {
    QString objectName;
    QString caption;
    QString clipFile;  // in the ico folder of the program's start folder
    int lastFrame;     // the clip plays frames 1 to lastFrame
    QSize clientSize;
    QRect clipPlace;  // the clip's place inside the window
    // The size that is centred on the desktop: the window's own size, or a
    // larger outer size that counts the frame a window system adds.
    QSize centredSize;
};

class ClipWindow : public QDialog {
    Q_OBJECT
public:
    // Loads StartFolder + "/ico/" + clipFile; a missing or unreadable clip
    // leaves the animation empty (no box: the window just shows no clip).
    ClipWindow(const ClipWindowLook& look, const QString& startFolder, QWidget* owner);

    // Plays frames 1 to the look's last frame over and over.
    void StartAnimation();
    void StopAnimation();

    AnimateWidget* Animate1;

private:
    int lastFrame_;
};
