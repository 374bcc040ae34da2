// SPDX-License-Identifier: GPL-3.0-or-later
#include "reading/readings_session.h"

#include "reading/level_rule.h"
#include "reading/live_reading.h"

namespace reading {

ReadingsSession::ReadingsSession(QObject* parent) : QObject(parent) {}

ReadingsSession::~ReadingsSession() = default;

void ReadingsSession::ClearTable() {
    // Dropping the data rows empties them: the table keeps only its header.
    ReadingCount = 0;
    table_.SetRowCount(1);
    curves_.Clear();
    emit DataReset();
}

ReadingsSession::LiveAppend ReadingsSession::AppendLive(std::uint32_t liveWord, const ClockTexts& clock,
                                                        const QDateTime& now) {
    LiveWord = liveWord;
    const std::uint32_t recordWord = DecodeLive(liveWord, clock, now, LiveTexts);
    RecordWord = recordWord;
    const bool written = RecordingFile && RecordingFile->Append(ReadingCount, recordWord);
    // The count moves on either way, so every later word keeps its own offset.
    ++ReadingCount;
    const int row = int(ReadingCount);
    table_.SetLiveRow(row, recordWord, now.date(), now.time());
    table_.SetRowCount(table_.RowCount() + 1);
    const float level = LevelNumber(LiveTexts.Value).value_or(0.0f);
    live::UpdateExtremes(ReadingCount, level, RunningMax, RunningMin);
    curves_.Append(level, RunningMax, RunningMin, Colours());
    emit ReadingsAppended(row, 1);
    emit LiveReadingTaken(level);
    return {level, written};
}

void ReadingsSession::AppendFileWords(const std::vector<std::uint32_t>& words, const QDate& startDate) {
    const int first = int(ReadingCount) + 1;
    const auto colours = Colours();
    // Rows are stored compactly (the word and the date) and formatted only
    // when shown; the table grows once, after the last row.
    for (std::size_t i = 0; i < words.size(); ++i) {
        const int row = first + int(i);
        table_.SetFileRow(row, words[i], startDate);
        const float level = records::RecordWordLevel(words[i]);
        live::UpdateExtremes(std::uint32_t(row), level, RunningMax, RunningMin);
        curves_.Append(level, RunningMax, RunningMin, colours);
    }
    if (!words.empty()) DecodeFile(words.back(), FileTexts);
    ReadingCount = quint32(first - 1 + int(words.size()));
    table_.SetRowCount(int(ReadingCount) + 1);
    if (!words.empty()) emit ReadingsAppended(first, int(words.size()));
}

void ReadingsSession::AppendTextRows(const std::vector<std::array<QString, ReadingTable::Columns>>& rows,
                                     const records::LevelRule& levels, quint32 readingCount) {
    int r = 0;
    for (const auto& cells : rows) {
        ++r;
        for (int k = 0; k < ReadingTable::Columns; ++k) table_.SetCell(k, r, cells[std::size_t(k)]);
    }
    table_.SetRowCount(r + 1);
    const auto colours = Colours();
    for (std::size_t i = 0; i < levels.Count(); ++i)
        curves_.Append(float(levels.Levels()[i]), float(levels.Maxima()[i]), float(levels.Minima()[i]), colours);
    RunningMax = levels.RunningMax();
    RunningMin = levels.RunningMin();
    ReadingCount = readingCount;
    if (r > 0) emit ReadingsAppended(1, r);
}

ReadingsSession::StoredReading ReadingsSession::ReadingAt(int row) const {
    StoredReading result;
    if (const auto w = table_.WordAt(row)) {
        result.word = w->word;
        result.date = w->date;
        result.time = w->time;
        result.level = records::RecordWordLevel(w->word);
        result.cWeighted = IsCWeighted(w->word);
        return result;
    }
    result.level = LevelNumber(table_.Cell(1, row));
    result.cWeighted = table_.Cell(2, row).trimmed() == QStringLiteral("C");
    return result;
}

std::size_t ReadingsSession::BytesUsed() const { return table_.BytesUsed() + curves_.BytesUsed(); }

}  // namespace reading
