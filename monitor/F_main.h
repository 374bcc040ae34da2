// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The main window: a borderless window with its own title strip, a toolbar
// of nine commands, two pages (chart page PanelA, big-digit page PanelB)
// and a status strip. It holds the program's plain parts and shows what
// they tell it: the readings session (reading/), which owns the readings on
// show; the recorder (recording/), whose one-second tick takes them and
// composes the strip; the stream of readings (statistics/), which feeds the
// noise statistics and the alarms. The window itself only shows, asks and
// forwards. Window code: lives in the qv_ui library.
//
// The toolbar commands are defined beside their modules (records/, setup/,
// sdcard/, statistics/ and the recording and printing code of monitor/).
#include "monitor/big_digits.h"
#include "monitor/level_chart.h"
#include "reading/reading_table.h"
#include "reading/readings_session.h"
#include "recording/recorder.h"
#include "statistics/noise_stream.h"

#include <QColor>
#include <QDateTime>
#include <QString>
#include <QWidget>
#include <memory>

class QFrame;
class QLabel;
class QToolBar;
class QToolButton;
class QPushButton;
class ReadingGrid;
class TFormNoiseStatistics;

namespace records {
struct FileCommandContext;
}
namespace recording {
struct StripTexts;
}

class TFormMain : public QWidget {
    Q_OBJECT
public:
    // Builds the window and the recorder (which samples the clock and opens
    // the meter once) and loads the restore picture from StartFolder +
    // "/ico/min.bmp"; throws std::runtime_error when that picture cannot be
    // loaded.
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
    void ToolButton3Click();      // online recording: starts or stops the recorder's recording
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

    // Empties the table's data rows and the three curves; the extremes stay.
    void ClearTable() { session_.ClearTable(); }

    // The shape the window is drawn in: its rectangle with 15 x 15 corner
    // ellipses. Re-applied whenever the size changes.
    void ApplyRoundedShape();

    // ---- The readings on show: the session owns them (the readings, the
    // extremes, the curve colours, the recording and its file); the window
    // observes it.
    reading::ReadingsSession& Session() { return session_; }
    const reading::ReadingsSession& Session() const { return session_; }

    // The one-second tick, the link and the recording.
    recording::Recorder& Recorder() { return *recorder_; }
    // The stream of readings into the statistics and the alarms.
    noisestats::NoiseStream& Stream() { return stream_; }

    // ---- The program's state beside the readings.
    QString StartFolder;
    QString OpenFileName;
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

    // Texts of the status strip for the link state (17 characters each).
    static constexpr const char* UsbConnectedText = live::UsbConnectText;
    static constexpr const char* UsbDisconnectedText = live::UsbDisconnectText;
    static constexpr const char* UsbNoAccessText = live::UsbNoAccessText;

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

    // What the file commands of records/ get to work with.
    records::FileCommandContext FileCommands();
    // After a load: clears the summary line when nothing was loaded.
    void AfterLoad(bool loaded);
    // What the window shows of the session's changes.
    void ShowAppendedPoints(int firstRow, int count);
    void ShowLiveReading(float level);
    void ShowDataReset();
    // The recorder's strip texts, as they come.
    void ShowStrip(const recording::StripTexts& strip);
    // Running alarms marked on the live chart (a band a running alarm).
    void MarkAlarmsOnChart();

    // The readings on show. The window's destructor deletes the controls
    // that observe it before the session goes.
    reading::ReadingsSession session_;
    // Fed from the session's readings from the start; the statistics window
    // is a view of it.
    noisestats::NoiseStream stream_;
    std::unique_ptr<recording::Recorder> recorder_;
    // Whether the grid showed its newest row before a live row was added.
    bool gridFollowing_ = true;

    // Fallback drag of the title strip when the window system cannot move
    // the window itself: the offset of the press inside the window.
    bool manualDrag_ = false;
    bool maximised_ = false;
    QPoint restoredPosition_;
    QPoint dragOffset_;
};
