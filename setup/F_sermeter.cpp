// SPDX-License-Identifier: GPL-3.0-or-later
#include "setup/F_sermeter.h"

#include "device/meter_protocol.h"
#include "reading/readings_session.h"
#include "reading/reading_word.h"
#include "platform/clock.h"
#include "platform/color_chooser.h"
#include "platform/sleep.h"

#include <QAbstractItemView>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QValidator>

// ------------------------------------------------------------------ swatch

ColourSwatch::ColourSwatch(QWidget* parent) : QFrame(parent) {
    setCursor(Qt::PointingHandCursor);
}

void ColourSwatch::SetColour(const QColor& colour) {
    colour_ = colour;
    update();
}

void ColourSwatch::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setPen(Qt::black);
    painter.setBrush(colour_);
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
}

void ColourSwatch::mousePressEvent(QMouseEvent* event) {
    emit pressed(event->button());
    event->accept();
}

// ------------------------------------------------------------------ dialog

namespace {

// The range field takes one typed character at most; a whole entry gets
// there only by picking it from the list.
class RangeFieldValidator : public QValidator {
public:
    RangeFieldValidator(const QComboBox* list, QObject* parent) : QValidator(parent), list_(list) {}
    State validate(QString& input, int&) const override {
        if (input.size() <= 1 || list_->findText(input, Qt::MatchExactly) >= 0) return Acceptable;
        return Invalid;
    }

private:
    const QComboBox* list_;
};

QLabel* MakeLabel(QWidget* parent, const char* text, int left, int top) {
    auto* label = new QLabel(QString::fromLatin1(text), parent);
    label->move(left, top);
    label->adjustSize();
    return label;
}

QGroupBox* MakeGroup(QWidget* parent, const char* title, const QRect& place) {
    auto* group = new QGroupBox(QString::fromLatin1(title), parent);
    group->setGeometry(place);
    return group;
}

template <class Button>
Button* MakeChoice(QWidget* parent, const char* text, int left, int top) {
    auto* button = new Button(QString::fromLatin1(text), parent);
    button->move(left, top);
    button->adjustSize();
    return button;
}

QPushButton* MakeButton(QWidget* parent, const char* text, const QRect& place) {
    auto* button = new QPushButton(QString::fromLatin1(text), parent);
    button->setGeometry(place);
    button->setAutoDefault(false);
    return button;
}

}  // namespace

TForm_SetupMeter::TForm_SetupMeter(setup::SetupCommandContext& context)
    : QDialog(context.owner, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                          Qt::MSWindowsFixedSizeDialogHint),
      context_(context) {
    setWindowTitle(QStringLiteral("Setup"));
    QFont dialogFont = font();
    // Small enough that "Weighted mode:" ends before the A button and a
    // range entry fits its field.
    dialogFont.setPixelSize(10);
    setFont(dialogFont);
    setFixedSize(ClientWidth, ClientHeight);

    GroupBox1 = MakeGroup(this, " Setup instrument ", QRect(8, 5, 281, 137));
    Label4 = MakeLabel(GroupBox1, "LEVEL : ", 16, 32);
    ComboBox1 = new QComboBox(GroupBox1);
    ComboBox1->setGeometry(80, 29, 108, 21);
    ComboBox1->setEditable(true);
    ComboBox1->setInsertPolicy(QComboBox::NoInsert);
    ComboBox1->setCompleter(nullptr);
    for (const auto& range : reading::LevelRange) ComboBox1->addItem(QString::fromLatin1(range.setupEntry));
    ComboBox1->lineEdit()->setValidator(new RangeFieldValidator(ComboBox1, ComboBox1));
    // The list is wider than the field so that the entries can be read.
    ComboBox1->view()->setMinimumWidth(150);
    // Show an entry from its start (the field is narrower than some entries).
    connect(ComboBox1, &QComboBox::currentIndexChanged, this, [this] { ComboBox1->lineEdit()->home(false); });
    SpeedButton_Clock = MakeButton(GroupBox1, "Update clock", QRect(200, 16, 72, 41));

    GroupBox3 = MakeGroup(GroupBox1, "", QRect(16, 57, 185, 33));
    Label5 = MakeLabel(GroupBox3, "Weighted mode:", 4, 10);
    RadioButton_A = MakeChoice<QRadioButton>(GroupBox3, "A", 89, 9);
    RadioButton_C = MakeChoice<QRadioButton>(GroupBox3, "C", 144, 10);

    GroupBox4 = MakeGroup(GroupBox1, "", QRect(16, 94, 185, 32));
    Label6 = MakeLabel(GroupBox4, "speed   :", 8, 13);
    RadioButton_F = MakeChoice<QRadioButton>(GroupBox4, "Fast", 77, 10);
    RadioButton_S = MakeChoice<QRadioButton>(GroupBox4, "Slow", 132, 10);

    GroupBox5 = MakeGroup(GroupBox1, "   MAX ", QRect(208, 78, 65, 48));
    CheckBox_Max = MakeChoice<QCheckBox>(GroupBox5, "", 24, 20);

    GroupBox2 = MakeGroup(this, " Curve settings ", QRect(8, 148, 281, 81));
    Label1 = MakeLabel(GroupBox2, "Measured values", 13, 24);
    Label2 = MakeLabel(GroupBox2, "Max", 132, 24);
    Label3 = MakeLabel(GroupBox2, "Min", 224, 24);
    Shape1 = new ColourSwatch(GroupBox2);
    Shape2 = new ColourSwatch(GroupBox2);
    Shape3 = new ColourSwatch(GroupBox2);
    Shape1->setGeometry(16, 48, 57, 17);
    Shape2->setGeometry(112, 48, 57, 17);
    Shape3->setGeometry(204, 48, 57, 17);

    SpeedButton1 = MakeButton(this, "Apply   Quit", QRect(32, 235, 73, 22));
    SpeedButton2 = MakeButton(this, " Quit", QRect(192, 235, 73, 22));

    connect(SpeedButton1, &QPushButton::clicked, this, [this] { SpeedButton1Click(); });
    connect(SpeedButton2, &QPushButton::clicked, this, [this] { SpeedButton2Click(); });
    connect(SpeedButton_Clock, &QPushButton::clicked, this, [this] { SpeedButton_ClockClick(); });
    connect(Shape1, &ColourSwatch::pressed, this, [this](Qt::MouseButton b) { Shape1MouseDown(b); });
    connect(Shape2, &ColourSwatch::pressed, this, [this](Qt::MouseButton b) { Shape2MouseDown(b); });
    connect(Shape3, &ColourSwatch::pressed, this, [this](Qt::MouseButton b) { Shape3MouseDown(b); });

    // Centred on the main window.
    if (context.owner) setGeometry(QRect(context.owner->geometry().center() - rect().center(), size()));
    ShowSetupByte(context.setupByte);
}

void TForm_SetupMeter::ShowSetupByte(std::uint8_t setupByte) {
    shownByte_ = setupByte;
    const setup::SetupControls controls = setup::ControlsFor(setupByte);
    CheckBox_Max->setChecked(controls.maxHold);
    RadioButton_S->setChecked(controls.slow);
    RadioButton_F->setChecked(!controls.slow);
    RadioButton_C->setChecked(controls.cWeighting);
    RadioButton_A->setChecked(!controls.cWeighting);
    ComboBox1->setCurrentIndex(controls.rangeIndex);
    if (controls.rangeIndex == setup::NoRange) ComboBox1->setEditText(QString());
    Shape1->SetColour(QColor::fromRgba(context_.session.RecColour));
    Shape2->SetColour(QColor::fromRgba(context_.session.MaxColour));
    Shape3->SetColour(QColor::fromRgba(context_.session.MinColour));
}

setup::SetupControls TForm_SetupMeter::Controls() const {
    setup::SetupControls controls;
    // The field may hold a typed character instead of an entry: only an
    // entry's exact text selects it.
    controls.rangeIndex = ComboBox1->findText(ComboBox1->currentText(), Qt::MatchExactly);
    if (controls.rangeIndex < 0) controls.rangeIndex = setup::NoRange;
    controls.cWeighting = RadioButton_C->isChecked();
    controls.slow = RadioButton_S->isChecked();
    controls.maxHold = CheckBox_Max->isChecked();
    return controls;
}

void TForm_SetupMeter::SpeedButton1Click() {
    context_.setupByte = setup::BuildSetupByte(Controls(), shownByte_);
    accept();
}

void TForm_SetupMeter::SpeedButton2Click() { reject(); }

void TForm_SetupMeter::SpeedButton_ClockClick() {
    context_.clockReading = platform::LocalNow();
    context_.clockTexts = reading::ClockTexts::From(context_.clockReading);
    if (!context_.connected) return;
    const reading::ClockTexts clock = context_.clockTexts;
    device::SetClockDate(setup::ClockDateOf(clock));
    platform::SleepMs(ClockBlockPauseMs);
    device::SetClockTime(setup::ClockTimeOf(clock));
}

void TForm_SetupMeter::ChooseCurveColour(reading::Argb& target, ColourSwatch* swatch) {
    const std::optional<QColor> chosen = platform::ChooseColor(lastChosen_, this);
    if (!chosen) return;
    lastChosen_ = *chosen;
    target = chosen->rgba();
    swatch->SetColour(*chosen);
}

void TForm_SetupMeter::Shape1MouseDown(Qt::MouseButton) { ChooseCurveColour(context_.session.RecColour, Shape1); }
void TForm_SetupMeter::Shape2MouseDown(Qt::MouseButton) { ChooseCurveColour(context_.session.MaxColour, Shape2); }
void TForm_SetupMeter::Shape3MouseDown(Qt::MouseButton) { ChooseCurveColour(context_.session.MinColour, Shape3); }
