// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The about box: the banner, the meter model and a footer line. It has no
// buttons and is closed by its title bar. Window code: lives in the qv_ui
// library.
#include <QDialog>

class QFrame;
class QLabel;

class TF_Help : public QDialog {
    Q_OBJECT
public:
    // Builds the box centred on `owner` (or where the window system puts
    // it when there is none).
    explicit TF_Help(QWidget* owner = nullptr);

    QLabel* Image1;
    QLabel* Label2;
    QLabel* Label_Mode;
    QFrame* Bevel1;
    QLabel* Label1;

    static constexpr int ClientWidth = 433;
    static constexpr int ClientHeight = 235;
    // "Quorvane <version> — sound level meter", the version from the build.
    static const char* const FooterText;
};
