// SPDX-License-Identifier: GPL-3.0-or-later
#include "monitor/F_help.h"

#include "monitor/F_main.h"

#include <QFrame>
#include <QLabel>
#include <QPixmap>

#ifndef QUORVANE_VERSION
#error "QUORVANE_VERSION is not defined"
#endif

const char* const TF_Help::FooterText = "Quorvane " QUORVANE_VERSION " \u2014 sound level meter";

namespace {

QLabel* MakeLabel(QWidget* parent, const QString& text, int pixels, const QColor& colour, const QPoint& at) {
    auto* label = new QLabel(text, parent);
    QFont font = label->font();
    font.setPixelSize(pixels);
    font.setBold(true);
    label->setFont(font);
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, colour);
    label->setPalette(palette);
    label->setAttribute(Qt::WA_TranslucentBackground);  // transparent over the banner
    label->move(at);
    label->adjustSize();
    return label;
}

}  // namespace

TF_Help::TF_Help(QWidget* owner)
    : QDialog(owner, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                         Qt::MSWindowsFixedSizeDialogHint) {
    setWindowTitle(QStringLiteral("About"));
    setFixedSize(ClientWidth, ClientHeight);

    Image1 = new QLabel(this);
    Image1->setGeometry(0, 0, 433, 193);
    Image1->setPixmap(QPixmap(QStringLiteral(":/art/banner.png")));
    Image1->setScaledContents(true);

    const QColor navy(0, 0, 128);
    Label2 = MakeLabel(this, QStringLiteral("型号: "), 16, navy, QPoint(24, 120));
    Label_Mode = MakeLabel(this, QStringLiteral("KT-5072(C)"), 16, navy, QPoint(88, 120));

    Bevel1 = new QFrame(this);
    Bevel1->setGeometry(0, 200, 441, 2);
    Bevel1->setFrameShape(QFrame::HLine);
    Bevel1->setFrameShadow(QFrame::Sunken);

    Label1 = MakeLabel(this, QString::fromUtf8(FooterText), 12, Qt::black, QPoint(136, 210));

    // The client area, not the frame, is centred: frames differ between window systems.
    if (owner) setGeometry(QRect(owner->geometry().center() - rect().center(), size()));
}

void TFormMain::ToolButton7Click() {
    TF_Help box(this);
    box.exec();
}
