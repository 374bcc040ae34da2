// SPDX-License-Identifier: GPL-3.0-or-later
// A program linked with the libraries of the plain folders and nothing
// else, so the check beside it can read which shared libraries they bring
// (none of Qt Gui or Qt Widgets). It calls one thing of each, so none is
// dropped from the link.
#include "device/meter_use.h"
#include "noise/labels.h"
#include "reading/reading_word.h"
#include "recording/strip_texts.h"
#include "statistics/row_date_time.h"

#include <QLocale>
#include <cstdio>

int main() {
    const QString texts[] = {
        noisestats::LevelText(65.3),
        recording::StripMessage(QStringLiteral("a"), {}, QStringLiteral("b")),
        reading::FormatLongTime(QTime(9, 5, 7)),
    };
    const bool held = device::MeterUse::Held();
    const auto formats = noisestats::RowTimeFormats(QLocale::c());
    std::printf("%d %d %d\n", int(texts[0].size() + texts[1].size() + texts[2].size()), int(held),
                int(formats.size()));
    return 0;
}
