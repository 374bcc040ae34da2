// SPDX-License-Identifier: GPL-3.0-or-later
#include "records/file_choice.h"

#include <algorithm>

namespace records {

namespace {
bool IsBlankOrControl(QChar c) { return c.unicode() <= 0x20; }
}  // namespace

QString TrimFileName(const QString& name) {
    qsizetype begin = 0;
    qsizetype end = name.size();
    while (begin < end && IsBlankOrControl(name[begin])) ++begin;
    while (end > begin && IsBlankOrControl(name[end - 1])) --end;
    return name.mid(begin, end - begin);
}

LoadKind LoadKindOf(const QString& path) {
    // The extension's dot is the last dot after the last folder separator.
    const qsizetype slash = std::max(path.lastIndexOf(QLatin1Char('/')), path.lastIndexOf(QLatin1Char('\\')));
    const qsizetype dot = path.lastIndexOf(QLatin1Char('.'));
    if (dot < 0 || dot < slash) return LoadKind::None;
    const QString ext = path.mid(dot + 1, 3).toLower();
    if (ext == QLatin1String("qzx")) return LoadKind::Record;
    if (ext == QLatin1String("txt")) return LoadKind::Text;
    if (ext == QLatin1String("xls"))
        return path.mid(dot + 1, 4).toLower() == QLatin1String("xlsx") ? LoadKind::Workbook : LoadKind::Spreadsheet;
    return LoadKind::None;
}

SaveForm SaveFormOf(int filterIndex) {
    switch (filterIndex) {
    case 1: return SaveForm::Record;
    case 2: return SaveForm::Text;
    case 3: return SaveForm::Spreadsheet;
    case 4: return SaveForm::Workbook;
    default: return SaveForm::None;
    }
}

QString SaveExtension(SaveForm form) {
    switch (form) {
    case SaveForm::Record: return QStringLiteral("qzx");
    case SaveForm::Text: return QStringLiteral("txt");
    case SaveForm::Spreadsheet: return QStringLiteral("xls");
    case SaveForm::Workbook: return QStringLiteral("xlsx");
    case SaveForm::None: break;
    }
    return {};
}

QString SaveTargetPath(const QString& dialogName, SaveForm form) {
    if (form == SaveForm::None) return {};
    const QString extension = SaveExtension(form);
    // The extension's dot is the last dot after the last folder separator.
    const qsizetype slash = std::max(dialogName.lastIndexOf(QLatin1Char('/')), dialogName.lastIndexOf(QLatin1Char('\\')));
    const qsizetype dot = dialogName.lastIndexOf(QLatin1Char('.'));
    if (dot > slash + 1) {
        const QString typed = dialogName.mid(dot + 1).toLower();
        if (typed == extension) return dialogName;
        for (SaveForm other : {SaveForm::Record, SaveForm::Text, SaveForm::Spreadsheet, SaveForm::Workbook})
            if (typed == SaveExtension(other)) return dialogName.left(dot + 1) + extension;
    }
    return dialogName + QLatin1Char('.') + extension;
}

}  // namespace records
