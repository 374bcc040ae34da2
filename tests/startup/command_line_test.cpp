// SPDX-License-Identifier: GPL-3.0-or-later
// The command line: what each form of it asks for.
#include "monitor/command_line.h"

#include <gtest/gtest.h>

namespace {

using startup::CommandAction;

struct LineCase {
    const char* name;
    QStringList arguments;
    CommandAction action;
    QString file;
};

void PrintTo(const LineCase& c, std::ostream* os) { *os << c.name; }

class CommandLine : public ::testing::TestWithParam<LineCase> {};

TEST_P(CommandLine, GivesTheActionAndTheFile) {
    const LineCase& c = GetParam();
    const startup::Command command = startup::ParseCommandLine(c.arguments);
    EXPECT_EQ(command.action, c.action);
    EXPECT_EQ(command.file, c.file);
    // A failure always says why; anything else carries no error.
    EXPECT_EQ(command.error.isEmpty(), c.action != CommandAction::Fail) << command.error.toStdString();
}

INSTANTIATE_TEST_SUITE_P(
    Forms, CommandLine,
    ::testing::Values(
        LineCase{"bare", {}, CommandAction::Run, {}},
        LineCase{"one_file", {"NGFO0509.qzx"}, CommandAction::Run, "NGFO0509.qzx"},
        LineCase{"absolute_file_with_blank", {"/home/a b/x.txt"}, CommandAction::Run, "/home/a b/x.txt"},
        LineCase{"help", {"--help"}, CommandAction::Help, {}},
        LineCase{"short_help", {"-h"}, CommandAction::Help, {}},
        LineCase{"version", {"--version"}, CommandAction::Version, {}},
        LineCase{"short_version", {"-V"}, CommandAction::Version, {}},
        LineCase{"help_wins_over_a_file", {"x.qzx", "--help"}, CommandAction::Help, {}},
        LineCase{"help_wins_over_a_bad_option", {"--bogus", "--help"}, CommandAction::Help, {}},
        LineCase{"first_of_help_and_version", {"--version", "--help"}, CommandAction::Version, {}},
        LineCase{"unknown_option", {"--bogus"}, CommandAction::Fail, {}},
        LineCase{"unknown_option_after_file", {"x.qzx", "-x"}, CommandAction::Fail, {}},
        LineCase{"two_files", {"a.qzx", "b.qzx"}, CommandAction::Fail, {}},
        LineCase{"empty_name", {""}, CommandAction::Fail, {}},
        LineCase{"dash_dash_then_dash_name", {"--", "-odd.qzx"}, CommandAction::Run, "-odd.qzx"},
        LineCase{"help_after_dash_dash_is_a_file", {"--", "--help"}, CommandAction::Run, "--help"},
        LineCase{"single_dash_is_a_name", {"-"}, CommandAction::Run, "-"}),
    [](const ::testing::TestParamInfo<LineCase>& info) { return std::string(info.param.name); });

TEST(CommandLineTexts, VersionIsTheBuildsVersion) {
    EXPECT_EQ(startup::VersionText(), QStringLiteral("quorvane " QV_PROJECT_VERSION));
}

TEST(CommandLineTexts, HelpNamesEveryOptionAndTheFile) {
    const QString help = startup::HelpText();
    for (const char* word : {"Usage: quorvane [FILE]", "--help", "--version", ".qzx", ".txt", ".xls"})
        EXPECT_TRUE(help.contains(QLatin1String(word))) << word;
}

// The toolkit's own options go before the line is read without a display;
// everything else stays, so an unknown option is still found.
TEST(CommandLineTexts, ToolkitOptionsAreLeftToTheToolkit) {
    const struct {
        QStringList arguments;
        QStringList ours;
    } cases[] = {
        {{"-platform", "offscreen", "x.qzx"}, {"x.qzx"}},
        {{"--display", ":1", "-reverse", "-style=fusion", "--qwindowgeometry", "10x10"}, {}},
        {{"-stylesheet", "a.qss", "--bogus"}, {"--bogus"}},
        {{"--bogus", "-platform"}, {"--bogus", "-platform"}},  // no value: not the toolkit's
        {{"--", "-platform", "x"}, {"--", "-platform", "x"}},
        {{"-platformx", "y"}, {"-platformx", "y"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.arguments.join(' ').toStdString());
        EXPECT_EQ(startup::WithoutToolkitOptions(c.arguments), c.ours);
    }
    EXPECT_EQ(startup::ParseCommandLine(startup::WithoutToolkitOptions({"-platform", "offscreen", "x.qzx"})).file,
              QStringLiteral("x.qzx"));
}

}  // namespace
