// SPDX-License-Identifier: GPL-3.0-or-later
#include "station/ini_file.h"

#include <QFile>
#include <QHash>

namespace station {

QString ConfigProblem::Text() const {
    QString text = file;
    if (line > 0) text += QLatin1Char(':') + QString::number(line);
    text += QLatin1String(": ");
    if (!section.isEmpty()) text += QLatin1Char('[') + section + QLatin1String("] ");
    if (!key.isEmpty()) text += key + QLatin1String(": ");
    return text + message;
}

namespace {

bool StartsComment(QChar c) { return c == QLatin1Char(';') || c == QLatin1Char('#'); }

bool IsKeyCharacter(QChar c) {
    return (c >= QLatin1Char('a') && c <= QLatin1Char('z')) || (c >= QLatin1Char('A') && c <= QLatin1Char('Z')) ||
           (c >= QLatin1Char('0') && c <= QLatin1Char('9')) || c == QLatin1Char('_') || c == QLatin1Char('-') ||
           c == QLatin1Char('.');
}

class Parser {
public:
    Parser(const QString& path) { result_.file.path = path; }

    IniReadResult Run(const QString& text) {
        const QStringList lines = text.split(QLatin1Char('\n'));
        for (int i = 0; i < lines.size(); ++i) {
            QString line = lines[i];
            if (line.endsWith(QLatin1Char('\r'))) line.chop(1);
            Line(line, i + 1);
        }
        return std::move(result_);
    }

private:
    void Problem(int line, const QString& key, const QString& message) {
        result_.problems.push_back({result_.file.path, line, current_ ? current_->name : QString(), key, message});
    }

    void Line(const QString& raw, int number) {
        const QString line = raw.trimmed();
        if (line.isEmpty() || StartsComment(line[0])) return;
        if (line[0] == QLatin1Char('[')) return Header(line, number);
        const qsizetype equals = line.indexOf(QLatin1Char('='));
        if (equals < 0) {
            Problem(number, {}, QStringLiteral("neither \"[section]\" nor \"key = value\": %1").arg(Shown(line)));
            return;
        }
        Entry(line.left(equals).trimmed(), line.mid(equals + 1).trimmed(), number);
    }

    void Header(const QString& line, int number) {
        const qsizetype close = line.indexOf(QLatin1Char(']'));
        const QString rest = close < 0 ? QString() : line.mid(close + 1).trimmed();
        if (close < 0 || (!rest.isEmpty() && !StartsComment(rest[0]))) {
            current_ = nullptr;
            skipping_ = true;
            Problem(number, {}, QStringLiteral("a section header is \"[name]\": %1").arg(Shown(line)));
            return;
        }
        const QString name = line.mid(1, close - 1).trimmed();
        bool sound = !name.isEmpty();
        for (QChar c : name) sound = sound && IsKeyCharacter(c);
        if (!sound) {
            current_ = nullptr;
            skipping_ = true;
            Problem(number, {}, QStringLiteral("a section name is letters, digits, '.', '-' and '_': %1").arg(Shown(line)));
            return;
        }
        if (const auto seen = firstLine_.constFind(name); seen != firstLine_.cend()) {
            current_ = nullptr;
            skipping_ = true;
            result_.problems.push_back({result_.file.path, number, name, {},
                                        QStringLiteral("this section is given twice (first on line %1)").arg(*seen)});
            return;
        }
        firstLine_.insert(name, number);
        result_.file.sections.push_back({name, number, {}});
        current_ = &result_.file.sections.back();
        skipping_ = false;
    }

    void Entry(const QString& key, const QString& rawValue, int number) {
        bool sound = !key.isEmpty();
        for (QChar c : key) sound = sound && IsKeyCharacter(c);
        if (!sound) {
            Problem(number, {}, QStringLiteral("no key before \"=\" (a key is letters, digits and _)"));
            return;
        }
        if (!current_) {
            // The lines of a section refused above are not told again.
            if (!skipping_) Problem(number, key, QStringLiteral("a key outside any section"));
            return;
        }
        IniEntry entry{key, {}, false, number};
        if (!Value(rawValue, entry, number)) return;
        for (const IniEntry& earlier : current_->entries) {
            if (earlier.key == key) {
                Problem(number, key, QStringLiteral("given twice in this section (first on line %1)").arg(earlier.line));
                return;
            }
        }
        current_->entries.push_back(entry);
    }

    bool Value(const QString& raw, IniEntry& entry, int number) {
        if (!raw.startsWith(QLatin1Char('"'))) {
            // A comment starts at ';' or '#' after a space (or at once).
            qsizetype end = raw.size();
            for (qsizetype i = 0; i < raw.size(); ++i) {
                if (StartsComment(raw[i]) && (i == 0 || raw[i - 1].isSpace())) {
                    end = i;
                    break;
                }
            }
            entry.value = raw.left(end).trimmed();
            return true;
        }
        QString value;
        qsizetype i = 1;
        for (; i < raw.size(); ++i) {
            const QChar c = raw[i];
            if (c == QLatin1Char('"')) break;
            if (c == QLatin1Char('\\') && i + 1 < raw.size() &&
                (raw[i + 1] == QLatin1Char('"') || raw[i + 1] == QLatin1Char('\\'))) {
                value += raw[++i];
                continue;
            }
            value += c;
        }
        if (i >= raw.size()) {
            Problem(number, entry.key, QStringLiteral("the quote is not closed"));
            return false;
        }
        const QString rest = raw.mid(i + 1).trimmed();
        if (!rest.isEmpty() && !StartsComment(rest[0])) {
            Problem(number, entry.key, QStringLiteral("something after the closing quote: %1").arg(Shown(rest)));
            return false;
        }
        entry.value = value;
        entry.quoted = true;
        return true;
    }

    static QString Shown(const QString& text) {
        constexpr int kMost = 40;
        return QLatin1Char('"') + (text.size() > kMost ? text.left(kMost) + QStringLiteral("...") : text) +
               QLatin1Char('"');
    }

    IniReadResult result_;
    IniSection* current_ = nullptr;  // the last of result_.file.sections, set again after each push_back
    bool skipping_ = false;          // in a section whose header was refused
    QHash<QString, int> firstLine_;
};

}  // namespace

IniReadResult ParseIni(const QByteArray& bytes, const QString& path) {
    if (bytes.size() > kMostIniBytes) {
        IniReadResult result;
        result.file.path = path;
        result.problems.push_back({path, 0, {}, {}, QStringLiteral("is bigger than 1 MiB: no configuration file")});
        return result;
    }
    QByteArray body = bytes;
    if (body.startsWith("\xEF\xBB\xBF")) body.remove(0, 3);
    // Text that does not encode back to the same bytes was no UTF-8 (this
    // also catches a sequence cut off at the very end, which the decoder
    // alone lets pass).
    const QString text = QString::fromUtf8(body);
    if (text.toUtf8() != body) {
        const QList<QByteArray> lines = body.split('\n');
        int line = 1;
        while (line < lines.size() && QString::fromUtf8(lines[line - 1]).toUtf8() == lines[line - 1]) ++line;
        IniReadResult result;
        result.file.path = path;
        result.problems.push_back({path, line, {}, {}, QStringLiteral("this line is not UTF-8 text")});
        return result;
    }
    return Parser(path).Run(text);
}

IniReadResult ReadIniFile(const QString& path) {
    QFile file(path);
    IniReadResult result;
    result.file.path = path;
    if (!file.open(QIODevice::ReadOnly)) {
        result.problems.push_back({path, 0, {}, {}, QStringLiteral("cannot be read: %1").arg(file.errorString())});
        return result;
    }
    // One byte more than allowed tells a file that is too big.
    const QByteArray bytes = file.read(kMostIniBytes + 1);
    if (file.error() != QFileDevice::NoError) {
        result.problems.push_back({path, 0, {}, {}, QStringLiteral("cannot be read: %1").arg(file.errorString())});
        return result;
    }
    return ParseIni(bytes, path);
}

}  // namespace station
