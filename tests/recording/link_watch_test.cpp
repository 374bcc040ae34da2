// SPDX-License-Identifier: GPL-3.0-or-later
// The link's state across ticks: the status strip's texts, the readings a
// recording missed, and when the user is told with a notice.
#include "recording/link_watch.h"

#include <gtest/gtest.h>

#include <QLocale>
#include <vector>

namespace {

using live::NoticeToShow;

constexpr int Opened = 0, NoMeter = 1, OpenFailed = 2;
constexpr int Whole = 4, Cut = 1, Stall = -32, TimedOut = -110, Gone = -19, ReadOnly = -9;
constexpr int NoTransfer = 999;  // the tick sent no level request

const QString Connect = " USB Connect     ", Disconnect = " USB Disconnect  ", NoAccess = " USB No access   ";

struct Step {
    int open;
    bool recording;
    int transfer;
    // What the tick must report.
    QString link;
    NoticeToShow notice;
    std::uint32_t missed;
};

struct Scenario {
    const char* name;
    std::vector<Step> steps;
};

class LinkWatchTest : public ::testing::Test {
protected:
    void SetUp() override { QLocale::setDefault(QLocale::c()); }
    void TearDown() override { QLocale::setDefault(QLocale::system()); }

    const QDateTime start{QDate(2024, 3, 5), QTime(23, 59, 58)};
};

TEST_F(LinkWatchTest, EachEpisodeIsToldOnceAndEveryMissedSecondIsCounted) {
    const auto N = NoticeToShow::None;
    const auto D = NoticeToShow::Disconnected;
    const auto A = NoticeToShow::NoAccess;
    const Scenario scenarios[] = {
        {"readings only",
         {{Opened, true, Whole, Connect, N, 0}, {Opened, true, Whole, Connect, N, 0}}},
        {"one stall, then a long run of timeouts: one notice each",
         {{Opened, true, Whole, Connect, N, 0},
          {Opened, true, Stall, Connect, D, 1},
          {Opened, true, Whole, Connect, N, 1},
          {Opened, true, TimedOut, Connect, D, 2},
          {Opened, true, TimedOut, Connect, N, 3},
          {Opened, true, Gone, Connect, N, 4},
          {Opened, true, Whole, Connect, N, 4}}},
        {"a cut reply and an absent meter are counted but not told",
         {{Opened, true, Cut, Connect, N, 1},
          {NoMeter, true, NoTransfer, Disconnect, N, 2},
          {NoMeter, true, NoTransfer, Disconnect, N, 3},
          {Opened, true, Whole, Connect, N, 3}}},
        {"a failure after the meter left is still one episode's first failure",
         {{NoMeter, true, NoTransfer, Disconnect, N, 1},
          {Opened, true, Gone, Connect, D, 2},
          {NoMeter, true, NoTransfer, Disconnect, N, 3}}},
        {"no recording: nothing is missed, nothing told",
         {{Opened, false, NoTransfer, Connect, N, 0},
          {NoMeter, false, NoTransfer, Disconnect, N, 0}}},
        {"node that can't be opened: help once per start, however long",
         {{OpenFailed, false, NoTransfer, NoAccess, A, 0},
          {OpenFailed, false, NoTransfer, NoAccess, N, 0},
          {OpenFailed, true, NoTransfer, NoAccess, N, 1},
          {OpenFailed, true, NoTransfer, NoAccess, N, 2},
          {Opened, false, NoTransfer, Connect, N, 2}}},  // opening is the proof in this build
        {"handle that can't transfer: the help stands for the episode",
         {{Opened, true, ReadOnly, NoAccess, A, 1},
          {Opened, true, ReadOnly, NoAccess, N, 2},
          {Opened, false, NoTransfer, NoAccess, N, 2},  // still no access while nothing is tried
          {Opened, true, ReadOnly, NoAccess, N, 3}}},
        {"access given: the strip says so at the first reading",
         {{Opened, true, ReadOnly, NoAccess, A, 1},
          {Opened, true, Whole, Connect, N, 1},
          {Opened, true, ReadOnly, NoAccess, N, 2},  // told once per start of the program
          {NoMeter, true, NoTransfer, Disconnect, N, 3},
          {Opened, false, NoTransfer, Connect, N, 3}}},
    };
    for (const Scenario& s : scenarios) {
        SCOPED_TRACE(s.name);
        live::LinkWatch watch;
        watch.StartRecording();
        QDateTime when = start;
        int i = 0;
        for (const Step& step : s.steps) {
            SCOPED_TRACE(i++);
            when = when.addSecs(1);
            live::TickFacts facts{step.open, step.recording, std::nullopt, when};
            if (step.transfer != NoTransfer) facts.transfer = step.transfer;
            const live::TickReport r = watch.Tick(facts);
            EXPECT_EQ(r.linkText.toStdString(), step.link.toStdString());
            EXPECT_EQ(r.linkText.size(), 17);
            EXPECT_EQ(r.notice, step.notice);
            EXPECT_EQ(watch.Missed(), step.missed);
            EXPECT_EQ(r.readingTaken, step.transfer == Whole);
        }
    }
}

TEST_F(LinkWatchTest, TheStripSaysHowManySinceWhenTheLastAndWhenReadingsCameBack) {
    live::LinkWatch watch;
    watch.StartRecording();
    QDateTime when = start;  // 23:59:58
    auto tick = [&](int open, std::optional<int> transfer) {
        when = when.addSecs(1);
        return watch.Tick({open, true, transfer, when}).readingsText.toStdString();
    };
    EXPECT_EQ(tick(Opened, Whole), "");                                            // 23:59:59
    EXPECT_EQ(tick(Opened, Stall), "1 reading missed since 00:00:00, the last at 00:00:00");
    EXPECT_EQ(tick(NoMeter, std::nullopt), "2 readings missed since 00:00:00, the last at 00:00:01");
    EXPECT_EQ(tick(Opened, Whole),
              "Readings again since 00:00:02; 2 readings missed since 00:00:00, the last at 00:00:01");
    EXPECT_EQ(watch.ReadingsText().toStdString(),
              "Readings again since 00:00:02; 2 readings missed since 00:00:00, the last at 00:00:01");
    // A day later the times name their date.
    when = when.addDays(1);
    EXPECT_EQ(tick(Opened, Cut), "3 readings missed since 6 Mar 2024 00:00:00, the last at 00:00:03");
    EXPECT_EQ(watch.FirstMissed(), start.addSecs(2));
    EXPECT_EQ(watch.LastMissed(), when);

    // A new recording starts with a clean strip.
    watch.StartRecording();
    EXPECT_EQ(watch.Missed(), 0u);
    EXPECT_TRUE(watch.ReadingsText().isEmpty());
    EXPECT_EQ(tick(Opened, Whole), "");
}

}  // namespace
