// SPDX-License-Identifier: GPL-3.0-or-later
// The table of readings shows every text whole: each cell's text, measured
// in the font the grid really paints with, fits between the cell's margins,
// in the locales whose times and dates differ in width.
#include "monitor/F_main.h"
#include "monitor/reading_grid.h"
#include "reading/reading_word.h"
#include "window_fixture.h"

#include <QFontMetrics>
#include <QLocale>
#include <QScrollBar>
#include <memory>
#include <numeric>

namespace {

class TableWidths : public WindowFixture {
protected:
    void SetUp() override {
        WindowFixture::SetUp();
        WriteBothPictures();
    }
    void TearDown() override {
        window.reset();
        QLocale::setDefault(QLocale::system());
        WindowFixture::TearDown();
    }

    // The texts a column can show, made here independently of the grid.
    static QStringList TextsOf(int column) {
        QStringList texts;
        switch (column) {
        case 0:  // row numbers up to 9,999,999
            for (int n : {1, 99, 100000, 1111111, 4444444, 7777777, 8888888, 9999999}) texts << QString::number(n);
            for (char d = '0'; d <= '9'; ++d) texts << QString(7, QLatin1Char(d == '0' ? '1' : d));
            break;
        case 1:  // 30,0 .. 132,3
            for (int tenths = 300; tenths <= 1323; ++tenths) texts << reading::FormatLevel(tenths);
            break;
        case 2:
            texts << QStringLiteral("A") << QStringLiteral("C");
            break;
        case 3:  // the day every 7 seconds, and its last second
            for (int s = 0; s < 86400; s += 7) texts << reading::FormatLongTime(QTime(0, 0).addSecs(s));
            texts << reading::FormatLongTime(QTime(23, 59, 59)) << reading::FormatLongTime(QTime(12, 59, 59));
            break;
        case 4:  // every day of two years
            for (QDate d(2026, 1, 1); d.year() < 2028; d = d.addDays(1)) texts << reading::FormatShortDate(d);
            break;
        }
        return texts;
    }

    // Every text of every column fits its cell in the grid's font.
    void ExpectEveryTextFits() {
        ReadingGrid* grid = window->StringGrid;
        const QFontMetrics metrics(grid->font());
        for (int column = 0; column < ReadingTable::Columns; ++column) {
            const int width = grid->columnWidth(column);
            SCOPED_TRACE(testing::Message() << "column " << column << " width " << width);
            EXPECT_GE(width, ReadingGrid::LeastColumnWidths[std::size_t(column)]);  // never narrower than before
            const int room = width - 2 * ReadingGrid::TextMargin;
            int failures = 0;
            for (const QString& text : TextsOf(column)) {
                if (metrics.horizontalAdvance(text) > room && failures++ < 3)
                    ADD_FAILURE() << "'" << text.toStdString() << "' needs " << metrics.horizontalAdvance(text)
                                  << " px, the cell gives " << room;
            }
            EXPECT_EQ(failures, 0);
        }
    }
};

TEST_F(TableWidths, EveryTextFitsItsCellInTheWindowFont) {
    struct Case {
        const char* locale;
        int fontPixels;  // 0: the window's own font
    };
    const Case cases[] = {{"C", 0}, {"en_US", 0}, {"de_DE", 0}, {"en_US", 16}, {"C", 20}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.locale << " " << c.fontPixels);
        QLocale::setDefault(QLocale(QString::fromLatin1(c.locale)));
        window = std::make_unique<TFormMain>();
        window->FormCreate();
        if (c.fontPixels > 0) {
            QFont bigger = window->StringGrid->font();
            bigger.setPixelSize(c.fontPixels);
            window->StringGrid->setFont(bigger);
        }
        ExpectEveryTextFits();

        // The panel keeps its place; what it can't show it scrolls to.
        EXPECT_EQ(window->PanelA_LD->geometry(), QRect(0, 185, 250, window->PanelA->height() - 185));
        ReadingGrid* grid = window->StringGrid;
        int content = 0;
        for (int column = 0; column < ReadingTable::Columns; ++column) content += grid->columnWidth(column);
        EXPECT_EQ(grid->horizontalScrollBar()->maximum(), std::max(0, content - grid->viewport()->width()));
        window.reset();
    }
}

// The level that used to read "10…": in the window's own font, "100,0" is
// wider than the 29 pixels the old column left it.
TEST_F(TableWidths, TheHighestLevelsNeedMoreThanTheOldColumn) {
    window = std::make_unique<TFormMain>();
    window->FormCreate();
    const QFontMetrics metrics(window->StringGrid->font());
    const int oldRoom = ReadingGrid::LeastColumnWidths[1] - 2 * ReadingGrid::TextMargin;
    EXPECT_GT(metrics.horizontalAdvance(QStringLiteral("100,0")), oldRoom);
    EXPECT_GT(window->StringGrid->columnWidth(1), ReadingGrid::LeastColumnWidths[1]);
}

}  // namespace
