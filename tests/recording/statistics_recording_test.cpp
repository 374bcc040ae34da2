// SPDX-License-Identifier: GPL-3.0-or-later
// The "Noise statistics" command over an online recording against the
// simulated meter, in virtual time: the interval rows of a known level
// pattern, and the same figures from the record file that recording made.
#include "noise_windows/F_statistics.h"
#include "statistics/interval_table_model.h"
#include "tests/recording/recording_fixture.h"

#include <QCoreApplication>
#include <QLabel>
#include <QToolButton>

namespace {

std::vector<std::vector<QString>> Cells(noisestats::IntervalTableModel& m) {
    std::vector<std::vector<QString>> rows;
    for (int r = 0; r < m.rowCount(); ++r) {
        rows.emplace_back();
        for (int c = 0; c < m.columnCount(); ++c) rows.back().push_back(m.ColumnTitle(c) + '=' + m.CellText(r, c));
    }
    return rows;
}

class RecordingStatistics : public OnlineRecording {};

TEST_F(RecordingStatistics, OfARecordingAndOfItsFileAreTheSame) {
    // Range 7 (30..130 dB), A, SLOW; 60,0 and 70,0 dB in turn.
    ASSERT_EQ(metersim_configure("setup_byte = 0x16\nlevels = list:300,400\n"), 0);
    window->ToolButton8->click();
    TFormNoiseStatistics* stats = window->FormNoiseStatistics;
    ASSERT_NE(stats, nullptr);
    EXPECT_TRUE(stats->isVisible());
    EXPECT_FALSE(stats->isModal());

    Tick();  // 14:07:10
    window->ToolButton3Click();
    Tick(170);  // readings 14:07:11 to 14:10:00
    QCoreApplication::processEvents();
    noisestats::IntervalTableModel& model = stats->Model();
    ASSERT_EQ(model.rowCount(), 4);
    const auto live = Cells(model);
    auto cell = [&](int row, const char* title) {
        for (int c = 0; c < model.columnCount(); ++c)
            if (model.ColumnTitle(c) == QLatin1String(title)) return model.CellText(row, c);
        return QStringLiteral("no column ") + title;
    };
    const char* covered[] = {"49", "60", "60", "1"};
    for (int r = 0; r < 4; ++r) {
        SCOPED_TRACE(r);
        EXPECT_EQ(cell(r, "Seconds covered"), covered[r]);
        EXPECT_EQ(cell(r, "Seconds missing"), "0");
    }
    // The whole minutes hold 30 readings of each level.
    for (int r : {1, 2}) {
        EXPECT_EQ(cell(r, "LAeq"), "67,4");
        EXPECT_EQ(cell(r, "LAmax"), "70,0");
        EXPECT_EQ(cell(r, "LAmin"), "60,0");
        EXPECT_EQ(cell(r, "LA10"), "70,0");
        EXPECT_EQ(cell(r, "LA90"), "60,0");
        EXPECT_EQ(cell(r, "LAE"), "85,2");
        EXPECT_EQ(cell(r, "Mark"), "");
    }
    EXPECT_TRUE(stats->Summary->text().contains("LAeq from 1 s SLOW readings: 67,4 dB"))
        << stats->Summary->text().toStdString();
    const QString liveSummary = stats->Summary->text(), liveDose = stats->Dose->text();

    window->ToolButton3Click();  // stop
    window->OpenFileName = window->Session().RecordingFileName;
    window->LoadFile();
    QCoreApplication::processEvents();
    EXPECT_EQ(Cells(model), live);
    EXPECT_EQ(stats->Summary->text(), liveSummary);
    EXPECT_EQ(stats->Dose->text(), liveDose);
    EXPECT_TRUE(seams.messages.shown.empty());

    // The command again brings the same window back.
    stats->close();
    window->ToolButton8->click();
    EXPECT_EQ(window->FormNoiseStatistics, stats);
    EXPECT_TRUE(stats->isVisible());
}

}  // namespace
