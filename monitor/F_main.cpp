// SPDX-License-Identifier: GPL-3.0-or-later
#include "monitor/F_main.h"

#include "monitor/big_digits.h"
#include "monitor/error_guard.h"
#include "monitor/reading_grid.h"
#include "reading/record_file.h"
#include "report/alarm_bands.h"

#include <QDir>
#include <QFrame>
#include <QKeySequence>
#include <QGridLayout>
#include <QGuiApplication>
#include <QLabel>
#include <QLinearGradient>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QShortcut>
#include <QToolBar>
#include <QToolButton>
#include <QWindow>
#include <algorithm>
#include <stdexcept>

namespace {

constexpr int StartWidth = 857;
constexpr int StartHeight = 596;
constexpr int RestoredWidth = 865;
constexpr int RestoredHeight = 626;
constexpr int MaximisedHeightCut = 30;
constexpr int CornerEllipse = 15;
// The big digits' top left corner on their page, and the gap they keep
// from the page's right edge when the font has to shrink to fit.
constexpr int DigitsLeft = 104;
constexpr int DigitsTop = 56;
constexpr int DigitsRightGap = 10;

// The colour of the window's own surfaces (frame, toolbar, status strip).
QColor DesktopColour() { return QGuiApplication::palette().color(QPalette::Dark).darker(170); }
const QColor SkyBlue(166, 202, 240);
const QColor Teal(0, 128, 128);

QFont WindowFont(int pixels, bool bold = false) {
    QFont font(QStringLiteral("MS Sans Serif"));
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(pixels);
    font.setBold(bold);
    return font;
}

QFont DigitFont(int pixels, bool italic = false) {
    QFont font(QStringLiteral("Arial Black"));
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(std::max(1, pixels));
    font.setWeight(QFont::Black);
    font.setItalic(italic);
    return font;
}

void SetTextColour(QWidget* widget, const QColor& colour) {
    QPalette palette = widget->palette();
    palette.setColor(QPalette::WindowText, colour);
    widget->setPalette(palette);
}

QLabel* MakeLabel(QWidget* parent, const QString& text, const QFont& font, const QColor& colour) {
    auto* label = new QLabel(text, parent);
    label->setFont(font);
    SetTextColour(label, colour);
    return label;
}

QFrame* MakePanel(QWidget* parent) {
    auto* panel = new QFrame(parent);
    panel->setFrameShape(QFrame::NoFrame);
    panel->setAutoFillBackground(true);
    return panel;
}

void FillWith(QWidget* child) {
    auto* layout = new QGridLayout(child->parentWidget());
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(child, 0, 0);
}

// A picture shipped as a resource; a missing one leaves the button bare.
QIcon ResourceIcon(const QString& name) {
    const QPixmap picture(name);
    return picture.isNull() ? QIcon() : QIcon(picture);
}

}  // namespace

TFormMain::TFormMain(QWidget* parent) : QWidget(parent, Qt::Window | Qt::FramelessWindowHint), stream_(session_) {
    setWindowTitle(QStringLiteral(" Quorvane"));
    setFont(WindowFont(11));
    resize(StartWidth, StartHeight);
    if (const QScreen* desktop = QGuiApplication::primaryScreen())
        move(desktop->availableGeometry().center() - QPoint(StartWidth / 2, StartHeight / 2));

    BuildTitleStrip();
    BuildToolbar();
    BuildChartPage();
    BuildDigitPage();
    BuildStatusStrip();

    session_.RecordingFileName.clear();
    StartFolder = QDir::currentPath();
    // The tick: an error that escapes it is shown like a command's and ends
    // that tick only (the timer stays stopped, as the tick left it).
    recorder_ = std::make_unique<recording::Recorder>(session_, StartFolder, this);
    recorder_->SetBoxOwner(this);
    recorder_->SetTickRunner([](const std::function<void()>& tick) { RunCommand(tick); });
    connect(recorder_.get(), &recording::Recorder::StripChanged, this, &TFormMain::ShowStrip);
    connect(&stream_, &noisestats::NoiseStream::AlarmTextChanged, recorder_.get(),
            &recording::Recorder::SetAlarmText);
    connect(recorder_.get(), &recording::Recorder::RecordingStopped, &stream_,
            &noisestats::NoiseStream::RecordingStopped);
    MarkAlarmsOnChart();
    ChartPageShown = true;
    PanelA->setVisible(true);
    session_.RecColour = QColor(0, 0, 255).rgba();
    session_.MaxColour = QColor(255, 0, 0).rgba();
    session_.MinColour = QColor(0, 128, 0).rgba();
    Series_rec->SetColour(QColor::fromRgba(session_.RecColour));
    Series_max->SetColour(QColor::fromRgba(session_.MaxColour));
    Series_min->SetColour(QColor::fromRgba(session_.MinColour));
    connect(&session_, &reading::ReadingsSession::ReadingsAppended, this, &TFormMain::ShowAppendedPoints);
    connect(&session_, &reading::ReadingsSession::LiveReadingTaken, this, &TFormMain::ShowLiveReading);
    connect(&session_, &reading::ReadingsSession::DataReset, this, &TFormMain::ShowDataReset);
    Chart1->SetBottomMaximum(300);
    Chart1->SetBottomMinimum(0);
    LoadMaxMinPicture(QStringLiteral("/ico/min.bmp"));
    RecomputeLayout();
}

TFormMain::~TFormMain() {
    // The controls go first: the grid and the chart hold pointers into the
    // session, which goes with the members after this body.
    recorder_->Timer().stop();
    qDeleteAll(findChildren<QWidget*>(Qt::FindDirectChildrenOnly));
}

void TFormMain::BuildTitleStrip() {
    ImageTop = new QLabel(this);
    ImageTop->installEventFilter(this);

    Label1 = MakeLabel(this, QStringLiteral(" Quorvane"), WindowFont(16, true), Qt::white);
    Label1->move(17, 2);
    Label1->adjustSize();
    // Dragging the title text moves the window like the rest of the strip.
    Label1->setAttribute(Qt::WA_TransparentForMouseEvents);

    auto titleButton = [this](const QIcon& icon) {
        auto* button = new QPushButton(this);
        button->setFlat(true);
        button->setFocusPolicy(Qt::NoFocus);
        button->setIcon(icon);
        button->setIconSize(QSize(33, 20));
        button->resize(35, 22);
        return button;
    };
    SpeedButtonClose = titleButton(ResourceIcon(QStringLiteral(":/art/close.png")));
    SpeedButtonMaxMin = titleButton(QIcon());
    SpeedButtonMinim = titleButton(ResourceIcon(QStringLiteral(":/art/minimise.png")));
    SpeedButtonClose->setToolTip(QStringLiteral("Close"));
    SpeedButtonMinim->setToolTip(QStringLiteral("Minimise"));
    connect(SpeedButtonClose, &QPushButton::clicked, this,
            [this] { RunCommand([this] { SpeedButtonCloseClick(); }); });
    connect(SpeedButtonMaxMin, &QPushButton::clicked, this,
            [this] { RunCommand([this] { SpeedButtonMaxMinClick(); }); });
    connect(SpeedButtonMinim, &QPushButton::clicked, this,
            [this] { RunCommand([this] { SpeedButtonMinimClick(); }); });
}

void TFormMain::BuildToolbar() {
    ImageToole = new QLabel(this);

    ToolBar1 = new QToolBar(this);
    ToolBar1->setMovable(false);
    ToolBar1->setFloatable(false);
    ToolBar1->setIconSize(QSize(72, 72));
    ToolBar1->setStyleSheet(
        QStringLiteral("QToolBar { background: transparent; border: 0px; padding: 0px; spacing: 0px; }"));

    struct Command {
        QToolButton*& button;
        const char* hint;
        void (TFormMain::*handler)();
        QKeySequence shortcut;  // the usual key of the command, if it has one
    };
    const Command commands[] = {
        {ToolButton1, "Open file", &TFormMain::ToolButton1Click, QKeySequence(Qt::CTRL | Qt::Key_O)},
        {ToolButton2, "Save  file", &TFormMain::ToolButton2Click, QKeySequence(Qt::CTRL | Qt::Key_S)},
        {ToolButton3, "Online records", &TFormMain::ToolButton3Click, {}},
        {ToolButton_AtoB, "Switch between pages", &TFormMain::ToolButton_AtoBClick, {}},
        {ToolButton5, "Set up the instrument", &TFormMain::ToolButton5Click, {}},
        {ToolButton6, "SD card operation", &TFormMain::ToolButton6Click, {}},
        {ToolButton4, "Print the chart", &TFormMain::ToolButton4Click, QKeySequence(Qt::CTRL | Qt::Key_P)},
        {ToolButton7, "about", &TFormMain::ToolButton7Click, QKeySequence(Qt::Key_F1)},
        {ToolButton8, "Noise statistics", &TFormMain::ToolButton8Click, {}},
    };
    // The buttons show only their pictures: the hint is their name for the
    // tooltip and for assistive tools. Tooltips show even while the window
    // is not the active one (a borderless window that no window manager
    // has activated, or one behind the statistics window).
    setAttribute(Qt::WA_AlwaysShowToolTips);
    int picture = 0;
    for (const Command& command : commands) {
        auto* button = new QToolButton(ToolBar1);
        button->setFixedSize(79, 79);
        button->setIconSize(QSize(72, 72));
        button->setAutoRaise(true);
        button->setFocusPolicy(Qt::NoFocus);
        button->setToolButtonStyle(Qt::ToolButtonIconOnly);
        const QString hint = QString::fromUtf8(command.hint);
        button->setText(hint);
        button->setToolTip(hint);
        button->setAccessibleName(hint);
        button->setIcon(ResourceIcon(QStringLiteral(":/art/toolbar%1.png").arg(picture++)));
        ToolBar1->addWidget(button);
        const auto handler = command.handler;
        const auto run = [this, handler] { RunCommand([this, handler] { (this->*handler)(); }); };
        connect(button, &QToolButton::clicked, this, run);
        if (!command.shortcut.isEmpty()) {
            // The key does what a click does, with the button's own guards.
            auto* key = new QShortcut(command.shortcut, this);
            key->setObjectName(hint + QStringLiteral(" key"));
            connect(key, &QShortcut::activated, this, run);
        }
        command.button = button;
    }
}

void TFormMain::BuildChartPage() {
    PanelMain = new QFrame(this);
    PanelMain->setFrameShape(QFrame::NoFrame);
    PanelA = MakePanel(PanelMain);

    // Meter face.
    PanelA_LU = MakePanel(PanelA);
    QPalette face = PanelA_LU->palette();
    face.setColor(QPalette::Window, SkyBlue);
    PanelA_LU->setPalette(face);
    Image1 = new QLabel(PanelA_LU);
    Image1->setScaledContents(true);
    Image1->setPixmap(QPixmap(QStringLiteral(":/art/arc.png")));
    Image1->setGeometry(20, 6, 210, 66);
    Label_LcdStart = MakeLabel(PanelA_LU, QStringLiteral("30"), WindowFont(12, true), Qt::black);
    Label_LcdStart->setGeometry(12, 70, 40, 16);
    Label_LcdEnd = MakeLabel(PanelA_LU, QStringLiteral("130"), WindowFont(12, true), Qt::black);
    Label_LcdEnd->setGeometry(198, 70, 40, 16);
    Label_LcdEnd->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    Label_DB = MakeLabel(PanelA_LU, QStringLiteral(" 30.0"), DigitFont(60), Teal);
    Label_DB->setGeometry(0, 82, 210, 76);
    Label_DB->setAlignment(Qt::AlignCenter);
    Label2 = MakeLabel(PanelA_LU, QStringLiteral("dB"), WindowFont(20, true), Qt::black);
    Label2->setGeometry(208, 118, 40, 24);
    Label3 = MakeLabel(PanelA_LU, QStringLiteral("SPL"), WindowFont(14, true), Qt::black);
    Label3->setGeometry(10, 160, 40, 18);
    LabelAC = MakeLabel(PanelA_LU, QStringLiteral("A"), WindowFont(14, true), Qt::black);
    LabelAC->setGeometry(58, 160, 20, 18);
    LabelFS = MakeLabel(PanelA_LU, QString(), WindowFont(14, true), Qt::black);
    LabelFS->setGeometry(84, 160, 60, 18);
    LabelMAX = MakeLabel(PanelA_LU, QString(), WindowFont(14, true), Qt::red);
    LabelMAX->setGeometry(160, 160, 80, 18);

    // Table of readings.
    PanelA_LD = MakePanel(PanelA);
    Table = &session_.Table();
    StringGrid = new ReadingGrid(Table, PanelA_LD);
    // A live row keeps the grid on the newest row if it showed it before.
    connect(Table, &ReadingTable::rowsAboutToBeInserted, this, [this] {
        const QScrollBar* scroll = StringGrid->verticalScrollBar();
        gridFollowing_ = scroll->value() >= scroll->maximum();
    });
    // Measured in the font the grid really gets (the fallback for the
    // window's font); the panel keeps its width and the grid scrolls
    // sideways when the columns need more.
    StringGrid->FitColumnsToTexts();
    FillWith(StringGrid);

    // Line chart.
    PanelA_R = MakePanel(PanelA);
    Chart1 = new LevelChart(PanelA_R);
    FillWith(Chart1);
    Series_rec = &Chart1->Series_rec;
    Series_max = &Chart1->Series_max;
    Series_min = &Chart1->Series_min;
    Chart1->ShowStore(&session_.Curves());
    ChartTool1 = Chart1->ChartTool1;
    ChartTool_Txt = &Chart1->ChartTool_Txt;
}

void TFormMain::BuildDigitPage() {
    PanelB = MakePanel(PanelMain);
    // The active-caption gradient behind the page.
    const QColor caption = QGuiApplication::palette().color(QPalette::Highlight);
    QLinearGradient gradient(0, 0, 1, 0);
    gradient.setCoordinateMode(QGradient::ObjectMode);
    gradient.setColorAt(0, caption.darker(150));
    gradient.setColorAt(1, caption.lighter(130));
    QPalette page = PanelB->palette();
    page.setBrush(QPalette::Window, gradient);
    PanelB->setPalette(page);

    Chart2 = new GaugeChart(PanelB);
    Chart2->move(0, 0);
    Series1 = Chart2->Series1;
    Chart2->ShowBar(120);

    Label4 = new BigDigitLabel(QStringLiteral("129.9"), DigitFont(228), PanelB);
    SetTextColour(Label4, Qt::white);
    Label4->move(DigitsLeft, DigitsTop);
    Label6 = MakeLabel(PanelB, QStringLiteral("dB"), DigitFont(64, true), Qt::white);
    Label6->resize(200, 90);
    Label6->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    PanelB->hide();
}

void TFormMain::BuildStatusStrip() {
    Panel_Stat = new QFrame(this);
    Panel_Stat->setFrameShape(QFrame::NoFrame);
    LabelUSBState = MakeLabel(Panel_Stat, QStringLiteral("USB LINK"), WindowFont(12, true), Qt::white);
    LabelUSBState->setGeometry(12, 6, 160, 18);
    Label5 = MakeLabel(Panel_Stat, QString(), WindowFont(12), Qt::white);
    Label5->setGeometry(190, 6, 400, 18);
}

void TFormMain::LoadMaxMinPicture(const QString& relative) {
    const QString path = StartFolder + relative;
    QPixmap picture;
    if (!picture.load(path))
        throw std::runtime_error(
            QStringLiteral("Cannot open file \"%1\": the picture is missing or unreadable.")
                .arg(QDir::toNativeSeparators(path))
                .toStdString());
    SpeedButtonMaxMin->setIcon(QIcon(picture));
}

void TFormMain::FormCreate() {
    RecomputeLayout();
    ApplyRoundedShape();
    update();
    RecomputeLayout();
    const char* header[ReadingTable::Columns] = {"REC", "dB", "A/C", "Time", "Date"};
    for (int column = 0; column < ReadingTable::Columns; ++column)
        Table->SetCell(column, 0, QString::fromLatin1(header[column]));
    StringGrid->FitColumnsToTexts();  // the header texts count too
}

void TFormMain::RecomputeLayout() {
    const int W = width();
    const int H = height();
    ImageTop->setGeometry(0, 0, W, 25);
    // Nine buttons of 79 pixels and the bar's margins.
    ImageToole->setGeometry(10, 25, 731, 75);
    ToolBar1->setGeometry(10, 25, 726, 79);
    Panel_Stat->setGeometry(0, H - 30, W, 30);
    // The strip's message runs to the window's right edge: missed readings
    // and a file that can't be written may both have to be told.
    Label5->setGeometry(190, 6, std::max(0, W - 202), 18);
    PanelMain->setGeometry(2, 110, std::max(0, W - 5), std::max(0, H - 140));
    // Both pages fill the main area.
    PanelA->setGeometry(PanelMain->rect());
    PanelB->setGeometry(PanelMain->rect());
    SpeedButtonClose->setGeometry(W - 50, 2, 35, 22);
    SpeedButtonMaxMin->setGeometry(W - 85, 2, 35, 22);
    SpeedButtonMinim->setGeometry(W - 120, 2, 35, 22);

    const QSize pa = PanelA->size();
    const QSize pb = PanelB->size();
    PanelA_LU->setGeometry(0, 0, 250, 185);
    PanelA_LD->setGeometry(0, 185, 250, std::max(0, pa.height() - 185));
    PanelA_R->setGeometry(250, 0, std::max(0, pa.width() - 250), pa.height());
    Chart2->resize(105, pb.height());
    // (PB width - 180) * 0.34 with the fraction dropped, in whole numbers so
    // that no rounding of 0.34 can tip the result; smaller when the text
    // would not fit the page at that size (the label keeps fitting itself
    // whenever its text changes).
    Label4->SetRoom((pb.width() - 180) * 34 / 100,
                    QSize(pb.width() - DigitsLeft - DigitsRightGap, pb.height() - DigitsTop));
    const int unitLeft = pb.width() - 150;
    Label6->move(unitLeft, pb.height() - 137);
    // The unit's box is 200 wide; where that would run past the page, it
    // ends at the page's edge so the right-aligned "dB" stays whole.
    Label6->resize(std::clamp(pb.width() - unitLeft, 0, 200), 90);

    // Keep the title strip's controls above the strip itself.
    Label1->raise();
    SpeedButtonClose->raise();
    SpeedButtonMaxMin->raise();
    SpeedButtonMinim->raise();
}

void TFormMain::ApplyRoundedShape() {
    QPainterPath shape;
    shape.addRoundedRect(QRectF(0, 0, width(), height()), CornerEllipse / 2.0, CornerEllipse / 2.0);
    setMask(QRegion(shape.toFillPolygon().toPolygon()));
}

void TFormMain::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    // The window system may change the size on its own (after a maximise,
    // for instance); shape and layout follow it.
    ApplyRoundedShape();
    RecomputeLayout();
}

void TFormMain::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), DesktopColour());
}

// ---------------------------------------------------------------- title strip

bool TFormMain::BeginSystemMove() {
    QWindow* window = windowHandle();
    return window && window->startSystemMove();
}

void TFormMain::ImageTopMouseDown(Qt::MouseButton button) {
    if (button != Qt::LeftButton) return;
    if (BeginSystemMove()) return;
    manualDrag_ = true;
    dragOffset_ = QCursor::pos() - frameGeometry().topLeft();
}

bool TFormMain::eventFilter(QObject* watched, QEvent* event) {
    if (watched != ImageTop) return QWidget::eventFilter(watched, event);
    switch (event->type()) {
    case QEvent::MouseButtonPress:
        ImageTopMouseDown(static_cast<QMouseEvent*>(event)->button());
        return true;
    case QEvent::MouseMove:
        if (manualDrag_) move(static_cast<QMouseEvent*>(event)->globalPosition().toPoint() - dragOffset_);
        return manualDrag_;
    case QEvent::MouseButtonRelease:
        manualDrag_ = false;
        return false;
    default:
        return false;
    }
}

void TFormMain::SpeedButtonCloseClick() { close(); }

void TFormMain::SpeedButtonMinimClick() { showMinimized(); }

void TFormMain::SpeedButtonMaxMinClick() {
    // The maximised state is the window's own: the screen's available area
    // less 30 pixels of height. A window manager's maximise would impose its
    // own size (or, for a borderless window, none at all), and Qt drops its
    // maximised flag as soon as the size is changed.
    QString picture;
    if (maximised_) {
        maximised_ = false;
        setGeometry(QRect(restoredPosition_, QSize(RestoredWidth, RestoredHeight)));
        picture = QStringLiteral("/ico/min.bmp");
    } else {
        maximised_ = true;
        restoredPosition_ = pos();
        const QScreen* desktop = screen() ? screen() : QGuiApplication::primaryScreen();
        const QRect area = desktop ? desktop->availableGeometry() : geometry();
        setGeometry(area.x(), area.y(), area.width(), area.height() - MaximisedHeightCut);
        picture = QStringLiteral("/ico/max.bmp");
    }
    try {
        LoadMaxMinPicture(picture);
    } catch (...) {
        ShowCurrentError();
    }
    ApplyRoundedShape();
    RecomputeLayout();
}

// ---------------------------------------------------------------- page switch

void TFormMain::ToolButton_AtoBClick() {
    ChartPageShown = !ChartPageShown;
    PanelA->setVisible(ChartPageShown);
    PanelB->setVisible(!ChartPageShown);
    RecomputeLayout();
}
