// SPDX-License-Identifier: GPL-3.0-or-later
// A record file: any bytes, named like a record file, read word by word and
// decoded as the loader does; the start date comes from a name made of the
// first bytes.
#include "reading/reading_word.h"
#include "platform/testing/seam_doubles.h"
#include "reading/level_rule.h"
#include "reading/record_file.h"
#include "tests/fuzz/fuzz_support.h"

#include <QFile>
#include <stdexcept>

namespace {

// The first eight bytes as name characters (Latin-1), as a card or another
// program might have named the file.
QString RawStem(const std::uint8_t* data, std::size_t size) {
    QString stem;
    for (std::size_t i = 0; i < size && i < 8; ++i) stem += QChar(char16_t(data[i]));
    return stem;
}

// The same stem made fit for a file name: no separators, no NUL.
QString FileStem(const QString& raw) {
    QString stem = raw;
    for (QChar& c : stem)
        if (c == u'/' || c == u'\0') c = u'_';
    return stem.isEmpty() ? QStringLiteral("_") : stem;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    platform::testing::SeamDoubles seams;
    const QString raw = RawStem(data, size);
    const QString path = fuzz::ScratchFolder() + u'/' + FileStem(raw) + QStringLiteral(".qzx");
    fuzz::WriteBytes(path, data, size);

    const std::vector<std::uint32_t> words = records::ReadRecordWords(path);
    if (words.size() != size / 4) fuzz::Fail("ReadRecordWords lost or invented words");
    reading::ReadingTexts texts;
    for (std::uint32_t word : words) {
        reading::DecodeFile(word, texts);
        // The loader turns the level text back into a number; every word's text must read back.
        const std::optional<float> level = reading::LevelNumber(texts.Value);
        if (!level || *level != records::RecordWordLevel(word)) fuzz::Fail("a level text does not read back");
    }

    for (const QString& name : {path, fuzz::ScratchFolder() + u'/' + raw + QStringLiteral(".qzx"), raw}) {
        try {
            const records::StartDate start = records::StartDateFromName(name);
            if (!start.date.isValid()) fuzz::Fail("a start date that is no date");
        } catch (const std::runtime_error&) {
            // A name that gives no calendar date: the loader shows this text.
        }
    }
    QFile::remove(path);
    return 0;
}
