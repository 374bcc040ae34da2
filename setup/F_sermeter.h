// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The setup dialog: measuring range, frequency and time weighting, maximum
// hold, the meter's clock and the colours of the chart's three curves.
// Created by the setup command (setup::RunSetupCommand) after it has read
// the setup byte into its context; "Apply   Quit" leaves the byte built
// from the controls there, " Quit" leaves it as read.
// Window code: lives in the qv_ui library.
#include "reading/curve_store.h"
#include "setup/setup_byte.h"
#include "setup/setup_context.h"

#include <QColor>
#include <QDialog>
#include <QFrame>

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QPushButton;
class QRadioButton;

// A filled rectangle with a thin black outline; a press of any mouse button
// on it is reported.
class ColourSwatch : public QFrame {
    Q_OBJECT
public:
    explicit ColourSwatch(QWidget* parent = nullptr);
    void SetColour(const QColor& colour);
    QColor Colour() const { return colour_; }

signals:
    void pressed(Qt::MouseButton button);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    QColor colour_ = Qt::white;
};

class TForm_SetupMeter : public QDialog {
    Q_OBJECT
public:
    // Builds the dialog centred on the context's owner and shows its setup
    // byte and its session's curve colours.
    explicit TForm_SetupMeter(setup::SetupCommandContext& context);

    // Puts a setup byte into the controls and the three curve colours into
    // the swatches.
    void ShowSetupByte(std::uint8_t setupByte);

    // The controls' state; rangeIndex is NoRange when the range field
    // holds no entry of the list.
    setup::SetupControls Controls() const;

    void SpeedButton1Click();      // "Apply   Quit"
    void SpeedButton2Click();      // " Quit"
    void SpeedButton_ClockClick(); // "Update clock"
    void Shape1MouseDown(Qt::MouseButton button);
    void Shape2MouseDown(Qt::MouseButton button);
    void Shape3MouseDown(Qt::MouseButton button);

    // The colour the colour chooser starts on: the last one chosen in this
    // dialog, black at first.
    QColor LastChosenColour() const { return lastChosen_; }

    QGroupBox* GroupBox1;
    QLabel* Label4;
    QComboBox* ComboBox1;
    QPushButton* SpeedButton_Clock;
    QGroupBox* GroupBox3;
    QLabel* Label5;
    QRadioButton* RadioButton_A;
    QRadioButton* RadioButton_C;
    QGroupBox* GroupBox4;
    QLabel* Label6;
    QRadioButton* RadioButton_F;
    QRadioButton* RadioButton_S;
    QGroupBox* GroupBox5;
    QCheckBox* CheckBox_Max;
    QGroupBox* GroupBox2;
    QLabel* Label1;
    QLabel* Label2;
    QLabel* Label3;
    ColourSwatch* Shape1;
    ColourSwatch* Shape2;
    ColourSwatch* Shape3;
    QPushButton* SpeedButton1;
    QPushButton* SpeedButton2;

    static constexpr int ClientWidth = 296;
    static constexpr int ClientHeight = 262;
    // Pause between the date block and the time block of a clock update.
    static constexpr int ClockBlockPauseMs = 500;

private:
    // Opens the colour chooser; on a confirmed colour stores it in `target`
    // and fills `swatch` with it.
    void ChooseCurveColour(reading::Argb& target, ColourSwatch* swatch);

    setup::SetupCommandContext& context_;
    std::uint8_t shownByte_ = 0;  // the byte the controls were filled from
    QColor lastChosen_ = Qt::black;
};
