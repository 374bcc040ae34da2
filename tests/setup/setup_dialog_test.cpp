// SPDX-License-Identifier: GPL-3.0-or-later
// The setup dialog on its own: its controls, what a setup byte shows, the
// range field, the colour swatches and the clock update.
#include "meter_window.h"
#include "setup/F_sermeter.h"
#include "setup/setup_command.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

namespace {

class SetupDialog : public MeterWindowTest {
protected:
    void SetUp() override {
        StartWindow();
        // What the setup command hands the dialog: the main window's state.
        context = std::make_unique<setup::SetupCommandContext>(setup::SetupCommandContext{
            window.get(), window->Recorder().Connected, window->CurrentSetup, window->Session(), window->Recorder().ClockReading,
            window->Recorder().ClockTexts});
        dialog = std::make_unique<TForm_SetupMeter>(*context);
    }
    void TearDown() override {
        dialog.reset();
        MeterWindowTest::TearDown();
    }
    std::unique_ptr<setup::SetupCommandContext> context;
    std::unique_ptr<TForm_SetupMeter> dialog;
};

TEST_F(SetupDialog, ControlsStandAtTheirPlacesWithTheirTexts) {
    EXPECT_EQ(dialog->windowTitle(), QStringLiteral("Setup"));
    EXPECT_EQ(dialog->size(), QSize(296, 262));
    EXPECT_EQ(dialog->minimumSize(), dialog->maximumSize());
    EXPECT_EQ(dialog->geometry().center(), window->geometry().center());

    struct Place {
        QWidget* control;
        QWidget* parent;
        QString text;
        QRect where;  // an empty size: only the position is fixed
    };
    const TForm_SetupMeter& d = *dialog;
    const Place places[] = {
        {d.GroupBox1, dialog.get(), " Setup instrument ", {8, 5, 281, 137}},
        {d.Label4, d.GroupBox1, "LEVEL : ", {16, 32, 0, 0}},
        {d.ComboBox1, d.GroupBox1, "", {80, 29, 108, 21}},
        {d.SpeedButton_Clock, d.GroupBox1, "Update clock", {200, 16, 72, 41}},
        {d.GroupBox3, d.GroupBox1, "", {16, 57, 185, 33}},
        {d.Label5, d.GroupBox3, "Weighted mode:", {4, 10, 0, 0}},
        {d.RadioButton_A, d.GroupBox3, "A", {89, 9, 0, 0}},
        {d.RadioButton_C, d.GroupBox3, "C", {144, 10, 0, 0}},
        {d.GroupBox4, d.GroupBox1, "", {16, 94, 185, 32}},
        {d.Label6, d.GroupBox4, "speed   :", {8, 13, 0, 0}},
        {d.RadioButton_F, d.GroupBox4, "Fast", {77, 10, 0, 0}},
        {d.RadioButton_S, d.GroupBox4, "Slow", {132, 10, 0, 0}},
        {d.GroupBox5, d.GroupBox1, "   MAX ", {208, 78, 65, 48}},
        {d.CheckBox_Max, d.GroupBox5, "", {24, 20, 0, 0}},
        {d.GroupBox2, dialog.get(), " Curve settings ", {8, 148, 281, 81}},
        {d.Label1, d.GroupBox2, "Measured values", {13, 24, 0, 0}},
        {d.Label2, d.GroupBox2, "Max", {132, 24, 0, 0}},
        {d.Label3, d.GroupBox2, "Min", {224, 24, 0, 0}},
        {d.Shape1, d.GroupBox2, "", {16, 48, 57, 17}},
        {d.Shape2, d.GroupBox2, "", {112, 48, 57, 17}},
        {d.Shape3, d.GroupBox2, "", {204, 48, 57, 17}},
        {d.SpeedButton1, dialog.get(), "Apply   Quit", {32, 235, 73, 22}},
        {d.SpeedButton2, dialog.get(), " Quit", {192, 235, 73, 22}},
    };
    for (const Place& p : places) {
        const QString name = p.control->metaObject()->className() + QStringLiteral(" ") + p.text;
        SCOPED_TRACE(name.toStdString());
        EXPECT_EQ(p.control->parentWidget(), p.parent);
        if (p.where.isEmpty()) EXPECT_EQ(p.control->pos(), p.where.topLeft());
        else EXPECT_EQ(p.control->geometry(), p.where);
        QString text;
        if (auto* l = qobject_cast<QLabel*>(p.control)) text = l->text();
        if (auto* b = qobject_cast<QAbstractButton*>(p.control)) text = b->text();
        if (auto* g = qobject_cast<QGroupBox*>(p.control)) text = g->title();
        EXPECT_EQ(text, p.text);
    }
    ASSERT_EQ(d.ComboBox1->count(), 7);
    for (int i = 0; i < 7; ++i)
        EXPECT_EQ(d.ComboBox1->itemText(i), QString::fromLatin1(reading::LevelRange[std::size_t(i)].setupEntry));
}

TEST_F(SetupDialog, ShowsASetupByteAndTheCurveColours) {
    window->Session().RecColour = QColor(10, 20, 30).rgba();
    dialog->ShowSetupByte(0x3B);
    EXPECT_EQ(dialog->ComboBox1->currentText(), QStringLiteral("4. 60-----110 DB"));
    EXPECT_TRUE(dialog->RadioButton_C->isChecked());
    EXPECT_FALSE(dialog->RadioButton_A->isChecked());
    EXPECT_TRUE(dialog->RadioButton_S->isChecked());
    EXPECT_FALSE(dialog->RadioButton_F->isChecked());
    EXPECT_TRUE(dialog->CheckBox_Max->isChecked());
    EXPECT_EQ(dialog->Shape1->Colour(), QColor(10, 20, 30));
    EXPECT_EQ(dialog->Shape2->Colour(), QColor::fromRgba(window->Session().MaxColour));
    EXPECT_EQ(dialog->Shape3->Colour(), QColor::fromRgba(window->Session().MinColour));

    dialog->ShowSetupByte(0x07);  // range 7: no entry, A, Fast, no hold
    EXPECT_EQ(dialog->ComboBox1->currentIndex(), -1);
    EXPECT_EQ(dialog->ComboBox1->currentText(), QString());
    EXPECT_TRUE(dialog->RadioButton_A->isChecked());
    EXPECT_TRUE(dialog->RadioButton_F->isChecked());
    EXPECT_FALSE(dialog->CheckBox_Max->isChecked());
    EXPECT_EQ(dialog->Controls().rangeIndex, setup::NoRange);
}

TEST_F(SetupDialog, WeightingAndSpeedAreChosenIndependently) {
    dialog->ShowSetupByte(0x00);
    dialog->RadioButton_C->click();
    dialog->RadioButton_S->click();
    EXPECT_TRUE(dialog->RadioButton_C->isChecked());
    EXPECT_TRUE(dialog->RadioButton_S->isChecked());
    EXPECT_FALSE(dialog->RadioButton_A->isChecked());
    EXPECT_FALSE(dialog->RadioButton_F->isChecked());
    dialog->RadioButton_A->click();
    EXPECT_TRUE(dialog->RadioButton_S->isChecked());
    EXPECT_EQ(dialog->Controls(), (setup::SetupControls{0, false, true, false}));
}

TEST_F(SetupDialog, RangeFieldTakesOneTypedCharacterWhichSelectsNoEntry) {
    dialog->ShowSetupByte(0x02);
    QLineEdit* field = dialog->ComboBox1->lineEdit();
    field->selectAll();
    QTest::keyClicks(field, QStringLiteral("xy"));
    EXPECT_EQ(field->text(), QStringLiteral("x"));
    EXPECT_EQ(dialog->Controls().rangeIndex, setup::NoRange);

    dialog->ComboBox1->setCurrentIndex(5);  // picked from the list
    EXPECT_EQ(dialog->Controls().rangeIndex, 5);
}

TEST_F(SetupDialog, SwatchesChooseCurveColoursStartingOnTheLastChosen) {
    seams.colors.answers = {QColor(200, 100, 0), std::nullopt, QColor(1, 2, 3)};
    QTest::mouseClick(dialog->Shape2, Qt::RightButton);  // any button
    QTest::mouseClick(dialog->Shape3, Qt::LeftButton);   // cancelled
    QTest::mouseClick(dialog->Shape1, Qt::LeftButton);

    ASSERT_EQ(seams.colors.initials.size(), 3u);
    EXPECT_EQ(seams.colors.initials[0], QColor(Qt::black));
    EXPECT_EQ(seams.colors.initials[1], QColor(200, 100, 0));
    EXPECT_EQ(seams.colors.initials[2], QColor(200, 100, 0));  // a cancel leaves it
    EXPECT_EQ(QColor::fromRgba(window->Session().MaxColour), QColor(200, 100, 0));
    EXPECT_EQ(QColor::fromRgba(window->Session().MinColour), QColor(0, 128, 0));
    EXPECT_EQ(QColor::fromRgba(window->Session().RecColour), QColor(1, 2, 3));
    EXPECT_EQ(dialog->Shape1->Colour(), QColor(1, 2, 3));
    EXPECT_EQ(dialog->Shape2->Colour(), QColor(200, 100, 0));
    EXPECT_EQ(dialog->Shape3->Colour(), QColor(0, 128, 0));
}

TEST_F(SetupDialog, ClockPressesSendDateThenTimeHalfASecondApart) {
    seams.time.Set(QDateTime(QDate(2023, 12, 31), QTime(23, 59, 59)));
    dialog->SpeedButton_Clock->click();
    seams.time.Advance(1000);  // the second press a second later: midnight of the new year
    dialog->SpeedButton_Clock->click();

    const auto sent = Requests(Appusb::ReqSetClock);
    ASSERT_EQ(sent.size(), 4u);
    EXPECT_EQ(sent[1].t_ms - sent[0].t_ms, 500);
    EXPECT_EQ(sent[3].t_ms - sent[2].t_ms, 500);
    struct Expected {
        int value, index;
    };
    const Expected expected[] = {{0x2300, 0x3112}, {0x2301, 0x5959}, {0x2400, 0x0101}, {0x0001, 0x0000}};
    for (std::size_t i = 0; i < 4; ++i) {
        EXPECT_EQ(sent[i].requesttype, 0x40) << i;
        EXPECT_EQ(sent[i].size, 0) << i;
        EXPECT_EQ(sent[i].value, expected[i].value) << i;
        EXPECT_EQ(sent[i].index, expected[i].index) << i;
    }
    EXPECT_EQ(metersim_violations(), 0) << metersim_last_violation();
    int clock[6];
    metersim_clock(clock);
    EXPECT_EQ(std::vector<int>(clock, clock + 6), (std::vector<int>{2024, 1, 1, 0, 0, 0}));
    // The sample both blocks came from is the main window's clock sample.
    EXPECT_EQ(window->Recorder().ClockTexts.Year, QStringLiteral("2024"));
    EXPECT_EQ(window->Recorder().ClockTexts.Second, QStringLiteral("0"));
    EXPECT_EQ(window->Recorder().ClockReading, QDateTime(QDate(2024, 1, 1), QTime(0, 0, 0, 500)));
}

TEST_F(SetupDialog, ClockPressWhileNotConnectedOnlyTakesTheClockSample) {
    context->connected = false;
    seams.time.Set(QDateTime(QDate(2025, 6, 1), QTime(8, 0, 0)));
    dialog->SpeedButton_Clock->click();
    EXPECT_TRUE(Requests(Appusb::ReqSetClock).empty());
    EXPECT_TRUE(seams.time.sleeps.empty());
    EXPECT_EQ(window->Recorder().ClockTexts.Year, QStringLiteral("2025"));
    EXPECT_TRUE(seams.messages.shown.empty());
}

}  // namespace
