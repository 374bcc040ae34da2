// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The open progress window: a small fixed-size window, centred on the
// desktop, that plays the open clip while a spreadsheet is read.
// Modeless; the open command creates it and destroys it when done.
#include <QDialog>

class AnimateWidget;

class TForm_MOpen : public QDialog {
    Q_OBJECT
public:
    // Loads StartFolder + "/ico/Open.avi"; a missing clip leaves the
    // animation empty.
    TForm_MOpen(const QString& startFolder, QWidget* owner);

    // Plays frames 1 to LastFrame over and over.
    void StartAnimation();
    void StopAnimation();

    static constexpr int LastFrame = 16;

    AnimateWidget* Animate1;
};
