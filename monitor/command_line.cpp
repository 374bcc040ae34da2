// SPDX-License-Identifier: GPL-3.0-or-later
#include "monitor/command_line.h"

// QUORVANE_VERSION comes from the build (monitor/CMakeLists.txt).
#ifndef QUORVANE_VERSION
#error "QUORVANE_VERSION is not defined"
#endif

namespace startup {

namespace {

bool IsHelp(const QString& argument) {
    return argument == QLatin1String("--help") || argument == QLatin1String("-h");
}

bool IsVersion(const QString& argument) {
    return argument == QLatin1String("--version") || argument == QLatin1String("-V");
}

// "-" alone names standard input in many programs; here it is an ordinary
// (if unlikely) file name, like every argument that does not start with "-".
bool IsOption(const QString& argument) {
    return argument.size() > 1 && argument.startsWith(QLatin1Char('-'));
}

// The toolkit's options (Qt Gui, Widgets and the X11 platform), each also
// written with two dashes; those of the first list take the next argument
// as their value, and those of the last are given as "-name=value".
constexpr const char* ToolkitOptionsWithValue[] = {
    "platform", "platformpluginpath", "platformtheme", "plugin", "qwindowgeometry", "geometry",
    "qwindowtitle", "title", "qwindowicon", "icon", "display", "name", "visual", "style", "stylesheet",
    "session"};
constexpr const char* ToolkitFlags[] = {"reverse", "nograb", "dograb", "widgetcount", "testability",
                                        "qdevel", "qdebug", "sync"};
constexpr const char* ToolkitOptionsWithEquals[] = {"style=", "stylesheet=", "plugin=", "qmljsdebugger="};

// The option's name without its one or two dashes; empty for no option.
QString OptionName(const QString& argument) {
    if (!IsOption(argument)) return {};
    return argument.mid(argument.startsWith(QLatin1String("--")) ? 2 : 1);
}

template <std::size_t N>
bool Names(const char* const (&names)[N], const QString& name) {
    for (const char* n : names)
        if (name == QLatin1String(n)) return true;
    return false;
}

}  // namespace

QStringList WithoutToolkitOptions(const QStringList& arguments) {
    QStringList ours;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString& argument = arguments[i];
        if (argument == QLatin1String("--")) {
            ours += arguments.mid(i);
            break;
        }
        const QString name = OptionName(argument);
        if (!name.isEmpty()) {
            if (Names(ToolkitOptionsWithValue, name) && i + 1 < arguments.size()) {
                ++i;
                continue;
            }
            if (Names(ToolkitFlags, name)) continue;
            bool withEquals = false;
            for (const char* prefix : ToolkitOptionsWithEquals) withEquals = withEquals || name.startsWith(QLatin1String(prefix));
            if (withEquals) continue;
        }
        ours << argument;
    }
    return ours;
}

Command ParseCommandLine(const QStringList& arguments) {
    // Help and version first, so that "quorvane --bogus --help" still helps.
    for (const QString& argument : arguments) {
        if (argument == QLatin1String("--")) break;
        if (IsHelp(argument)) return {CommandAction::Help, {}, {}};
        if (IsVersion(argument)) return {CommandAction::Version, {}, {}};
    }
    Command command;
    bool optionsEnded = false;
    for (const QString& argument : arguments) {
        if (!optionsEnded && argument == QLatin1String("--")) {
            optionsEnded = true;
            continue;
        }
        if (!optionsEnded && IsOption(argument))
            return {CommandAction::Fail, {}, QStringLiteral("unknown option %1").arg(argument)};
        if (argument.isEmpty())
            return {CommandAction::Fail, {}, QStringLiteral("an empty file name")};
        if (!command.file.isEmpty())
            return {CommandAction::Fail, {}, QStringLiteral("only one file can be opened at a time")};
        command.file = argument;
    }
    return command;
}

QString VersionText() {
    return QStringLiteral("quorvane " QUORVANE_VERSION);
}

QString HelpText() {
    return QStringLiteral(
        "Usage: quorvane [FILE]\n"
        "Watch, record and manage a USB sound level meter.\n"
        "\n"
        "FILE, when given, is opened at start as if chosen in the Open dialog:\n"
        "a record (.qzx), text (.txt) or spreadsheet (.xls) file.\n"
        "\n"
        "  -h, --help       show this help and exit\n"
        "  -V, --version    show the version and exit\n"
        "\n"
        "The program works in the folder it is started in: it loads its pictures,\n"
        "clips and spreadsheet template from there and writes its recordings there.\n");
}

}  // namespace startup
