// SPDX-License-Identifier: GPL-3.0-or-later
// Level texts keep their decimal comma under every locale; dates and times
// follow the user's locale.
#include "reading/reading_word.h"

#include <QLocale>
#include <gtest/gtest.h>

#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <string>

using namespace reading;

namespace {

// Switches the whole process to a locale: the C library (what printf and
// strtod use) and Qt's default locale (what a user's LC_TIME gives).
class ScopedProcessLocale {
public:
    explicit ScopedProcessLocale(const char* name) {
        ::setenv("LC_ALL", name, 1);
        ok_ = std::setlocale(LC_ALL, "") != nullptr;
        QLocale::setDefault(QLocale(QString::fromLatin1(name).section('.', 0, 0)));
    }
    ~ScopedProcessLocale() {
        ::unsetenv("LC_ALL");
        std::setlocale(LC_ALL, "C");
        QLocale::setDefault(QLocale::system());
    }
    bool ok() const { return ok_; }

private:
    bool ok_ = false;
};

struct LocaleCase {
    const char* name;
    char cDecimalPoint;  // what the C library writes under this locale
    const char* shortDate;  // 5 March 2024
    const char* longTime;   // 14:03:07
};

const LocaleCase kLocales[] = {
    {"en_US.UTF-8", '.', "3/5/24", "2:03:07 PM"},
    {"de_DE.UTF-8", ',', "05.03.24", "14:03:07"},
};

}  // namespace

TEST(ReadingLocale, NumbersIgnoreTheLocaleWhileDatesFollowIt) {
    for (const LocaleCase& c : kLocales) {
        SCOPED_TRACE(c.name);
        ScopedProcessLocale locale(c.name);
        ASSERT_TRUE(locale.ok()) << "locale " << c.name << " missing: run scripts/deps";
        // The C library really is switched, so a formatter that went through
        // it would be caught.
        char probe[16];
        std::snprintf(probe, sizeof probe, "%.1f", 1.5);
        ASSERT_EQ(probe[1], c.cDecimalPoint);

        EXPECT_EQ(FormatLevel(523), "52,3");
        EXPECT_EQ(FormatLevel(1000), "100,0");
        EXPECT_EQ(FormatCutDecimals(3.7f, 2), "3,70");
        EXPECT_EQ(FormatCutDecimals(float(123456789.0 / 1024.0), 3), "120563,273");
        for (const char* text : {"52,3", "52.3"}) {
            const auto number = LevelNumber(QString::fromLatin1(text));
            ASSERT_TRUE(number.has_value()) << text;
            EXPECT_FLOAT_EQ(*number, 52.3f) << text;
        }
        EXPECT_FALSE(LevelNumber("1.234,5").has_value());

        ReadingTexts texts;
        DecodeFile(0x7063CA0Bu, texts);
        EXPECT_EQ(texts.Value, "82,3");
        EXPECT_EQ(texts.Time, c.longTime);
        EXPECT_EQ(FormatShortDate(QDate(2024, 3, 5)), c.shortDate);
        EXPECT_EQ(FormatLongTime(QTime(14, 3, 7)), c.longTime);
    }
}

// Run by CTest a second time under LC_ALL=de_DE.UTF-8 and en_US.UTF-8 (see
// CMakeLists.txt): there no default locale is installed, so the texts must
// come from the system locale the environment names.
TEST(SystemLocale, DatesAndTimesFollowTheEnvironment) {
    const char* env = std::getenv("QV_EXPECT_LOCALE");
    if (!env)
        GTEST_SKIP() << "runs only under QV_EXPECT_LOCALE";
    const std::string expected = env;
    for (const LocaleCase& c : kLocales) {
        if (expected != c.name)
            continue;
        EXPECT_EQ(FormatShortDate(QDate(2024, 3, 5)), c.shortDate);
        EXPECT_EQ(FormatLongTime(QTime(14, 3, 7)), c.longTime);
        EXPECT_EQ(FormatLevel(523), "52,3");
        return;
    }
    FAIL() << "no expectations for " << expected;
}
