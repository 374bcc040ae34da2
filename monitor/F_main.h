// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The main window: a borderless window with its own title strip, a toolbar
// of nine commands, two pages (chart page PanelA, big-digit page PanelB)
// and a status strip. It holds the readings session (reading/), which owns
// the readings on show, and shows what the session tells it; it keeps the
// program's own state (working folder, clock sample, link). Window code:
// lives in the qv_ui library.
//
// The toolbar commands are defined beside their modules (records/, setup/,
// sdcard/, statistics/ and the recording and printing code of monitor/).
#include "device/meter_use.h"
#include "monitor/big_digits.h"
#include "monitor/level_chart.h"
#include "monitor/link_watch.h"
#include "reading/reading_table.h"
#include "reading/reading_word.h"
#include "reading/readings_session.h"

#include <QColor>
#include <QDateTime>
#include <QString>
#include <QWidget>
#include <memory>

class QFrame;
class QLabel;
class QPlainTextEdit;
class QTimer;
class QToolBar;
class QToolButton;
class QPushButton;
class ReadingGrid;
class TFormNoiseStatistics;

namespace records {
struct FileCommandContext;
}

class TFormMain : public QWidget {
    Q_OBJECT
public:
    // Builds the window, samples the clock, opens the meter once and loads
    // the restore picture from StartFolder + "/ico/min.bmp"; throws
    // std::runtime_error when that picture cannot be loaded.
    explicit TFormMain(QWidget* parent = nullptr);
    ~TFormMain() override;

    // Runs once after construction: rounded shape and table header.
    void FormCreate();
    // Sizes and places the controls from the window's current size.
    void RecomputeLayout();

    // Title strip.
    void ImageTopMouseDown(Qt::MouseButton button);
    void SpeedButtonCloseClick();
    void SpeedButtonMaxMinClick();
    void SpeedButtonMinimClick();
    // True in the maximised state that SpeedButtonMaxMin switches to.
    bool IsMaximised() const { return maximised_; }

    // Toolbar commands, left to right.
    void ToolButton1Click();      // open a file
    void ToolButton2Click();      // save the data
    void ToolButton3Click();      // online recording
    void ToolButton_AtoBClick();  // switch between the pages
    void ToolButton5Click();      // instrument setup
    void ToolButton6Click();      // SD card
    void ToolButton4Click();      // print the chart
    void ToolButton7Click();      // about box
    void ToolButton8Click();      // noise statistics (F_main_statistics_command.cpp)

    // Fills the table and the three curves from the file named by
    // OpenFileName (a record, text or spreadsheet file, told apart by its
    // extension); the open command and the SD card command call it.
    void LoadFile();

    // The one-second tick, every TickIntervalMs.
    void Timer1STimer();
    static constexpr int TickIntervalMs = device::TickIntervalMs;

    // Online recording (F_main_recording.cpp).
    // Empties the table's data rows and the three curves; the extremes stay.
    void ClearTable() { session_.ClearTable(); }
    // Names, creates and opens the file of a new recording in StartFolder;
    // false (after an error box) when it can't.
    bool CreateRecordingFile();
    // Whether each appended word is also forced to the disk: it costs several
    // milliseconds a reading here, so a word is handed to the operating
    // system at once (safe from a crash of the program) but not synced.
    static constexpr bool RecordToDisk = false;

    // The shape the window is drawn in: its rectangle with 15 x 15 corner
    // ellipses. Re-applied whenever the size changes.
    void ApplyRoundedShape();

    // ---- The readings on show: the session owns them (the readings, the
    // extremes, the curve colours, the recording and its file); the window
    // observes it.
    reading::ReadingsSession& Session() { return session_; }
    const reading::ReadingsSession& Session() const { return session_; }

    // The status strip's alarm text ("Alarm since 10:00:00: ..."), shown
    // before the strip's other parts until an empty text clears it
    // (monitor/alarm_strip.cpp).
    void SetAlarmStrip(const QString& text);

    // ---- The program's state beside the readings.
    QString StartFolder;
    QString OpenFileName;
    QDateTime ClockReading;
    reading::ClockTexts ClockTexts;
    bool Connected = false;
    bool ChartPageShown = true;
    quint8 CurrentSetup = 0;

    // ---- Controls.
    QLabel* ImageTop;
    QLabel* Label1;
    QPushButton* SpeedButtonClose;
    QPushButton* SpeedButtonMaxMin;
    QPushButton* SpeedButtonMinim;
    QLabel* ImageToole;
    QToolBar* ToolBar1;
    QToolButton* ToolButton1;
    QToolButton* ToolButton2;
    QToolButton* ToolButton3;
    QToolButton* ToolButton_AtoB;
    QToolButton* ToolButton5;
    QToolButton* ToolButton6;
    QToolButton* ToolButton4;
    QToolButton* ToolButton7;
    QToolButton* ToolButton8;
    // The noise statistics window, once opened (a child window, so it goes
    // with the other controls before the session it observes).
    TFormNoiseStatistics* FormNoiseStatistics = nullptr;

    QFrame* PanelMain;
    QFrame* PanelA;
    QFrame* PanelA_LU;
    QLabel* Image1;
    QLabel* Label_LcdStart;
    QLabel* Label_LcdEnd;
    QLabel* Label_DB;
    QLabel* Label3;
    QLabel* Label2;
    QLabel* LabelAC;
    QLabel* LabelFS;
    QLabel* LabelMAX;
    QFrame* PanelA_LD;
    ReadingTable* Table;
    ReadingGrid* StringGrid;
    QFrame* PanelA_R;
    LevelChart* Chart1;
    ColouredCurve* Series_rec;
    ColouredCurve* Series_max;
    ColouredCurve* Series_min;
    CrossHairTool* ChartTool1;
    ChartTextTool* ChartTool_Txt;

    QFrame* PanelB;
    BigDigitLabel* Label4;  // fits its font and size to its text and the page
    QLabel* Label6;
    GaugeChart* Chart2;
    QCPBars* Series1;

    QFrame* Panel_Stat;
    QLabel* LabelUSBState;
    QLabel* Label5;

    QTimer* Timer1S;
    QPlainTextEdit* Memo1;

    // Texts of the status strip for the link state (17 characters each).
    static constexpr const char* UsbConnectedText = live::UsbConnectText;
    static constexpr const char* UsbDisconnectedText = live::UsbDisconnectText;
    static constexpr const char* UsbNoAccessText = live::UsbNoAccessText;

    // The link as the ticks saw it: its state and the readings missed.
    const live::LinkWatch& Link() const { return linkWatch_; }

protected:
    // Hands the window to the window system to be moved, as if its caption
    // had been grabbed; returns false when the window system cannot, in
    // which case the title strip moves the window itself.
    virtual bool BeginSystemMove();

    bool eventFilter(QObject* watched, QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    void BuildTitleStrip();
    void BuildToolbar();
    void BuildChartPage();
    void BuildDigitPage();
    void BuildStatusStrip();
    // Loads the picture of SpeedButtonMaxMin from StartFolder + relative;
    // throws std::runtime_error when it cannot.
    void LoadMaxMinPicture(const QString& relative);

    // One reading of an online recording (tick steps 6 to 22); returns the
    // level request's result.
    int TakeReading();
    // What the file commands of records/ get to work with.
    records::FileCommandContext FileCommands();
    // After a load: clears the summary line when nothing was loaded.
    void AfterLoad(bool loaded);
    // What the window shows of the session's changes.
    void ShowAppendedPoints(int firstRow, int count);
    void ShowLiveReading(float level);
    void ShowDataReset();
    // Shows what the tick found on the link: strip texts and a notice.
    void ShowLinkReport(const live::TickReport& report);
    // The strip's message: the record file's trouble, then missed readings.
    void ShowStripMessage();

    // The readings on show. The window's destructor deletes the controls
    // that observe it before the session goes.
    reading::ReadingsSession session_;
    // Whether the grid showed its newest row before a live row was added.
    bool gridFollowing_ = true;

    // What the current recording's file can't do; said once per recording.
    QString appendProblem_;
    QString alarmStrip_;
    live::LinkWatch linkWatch_;

    // Fallback drag of the title strip when the window system cannot move
    // the window itself: the offset of the press inside the window.
    bool manualDrag_ = false;
    bool maximised_ = false;
    QPoint restoredPosition_;
    QPoint dragOffset_;
};

// The program's one main window; set while it exists.
extern TFormMain* FormMain;
