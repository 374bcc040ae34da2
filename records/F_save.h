// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The save progress window: a small fixed-size window, centred on the
// desktop, that plays the exchange clip while a text or spreadsheet export
// runs. Modeless; the save command creates it and destroys it when done.
#include <QDialog>

class AnimateWidget;

class TFormSave : public QDialog {
    Q_OBJECT
public:
    // Loads StartFolder + "/ico/exchange.avi"; a missing clip leaves the
    // animation empty.
    TFormSave(const QString& startFolder, QWidget* owner);

    // Plays frames 1 to LastFrame over and over.
    void StartAnimation();
    void StopAnimation();

    static constexpr int LastFrame = 24;

    AnimateWidget* Animate1;
};
