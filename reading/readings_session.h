// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The readings session: the one owner of the readings on show, those of the
// running recording or of the file last loaded. It holds the table of
// readings, the points of the three curves, the running extremes, the
// curves' colours and the recording's file, and tells its observers when
// readings were appended or the data was reset. The tick, the loaders and
// the card's open command write here and nowhere else; the table view, the
// chart, the big digits, the gauge, the summary line and the statistics
// observe it. Plain code: Qt Core only.
#include "reading/curve_store.h"
#include "reading/level_rule.h"
#include "reading/reading_table.h"
#include "reading/reading_word.h"
#include "reading/record_file.h"

#include <QDate>
#include <QDateTime>
#include <QObject>
#include <QString>

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

namespace reading {

class ReadingsSession : public QObject {
    Q_OBJECT
public:
    explicit ReadingsSession(QObject* parent = nullptr);
    ~ReadingsSession() override;

    // ---- What observers read.
    ReadingTable& Table() { return table_; }
    const ReadingTable& Table() const { return table_; }
    const CurveStore& Curves() const { return curves_; }

    // Readings of the recording or the file on show (the rows of the table
    // that hold one). For a file with rows without a level, the number of
    // the last row that received one.
    quint32 ReadingCount = 0;
    // The running extremes: seeded by reading 1, moved only by strictly
    // greater or smaller levels (live::UpdateExtremes, the one rule).
    float RunningMax = 0;
    float RunningMin = 0;
    // The colours the next points of each curve take (0xAARRGGBB).
    Argb RecColour = 0xFF0000FF;
    Argb MaxColour = 0xFFFF0000;
    Argb MinColour = 0xFF008000;

    // The recording: whether readings are being taken, and the file they go to.
    bool Recording = false;
    QString RecordingFileName;
    std::unique_ptr<records::RecordFileWriter> RecordingFile;

    // The latest live reading: the meter's word, the word recorded (with
    // the clock's time of day) and its six texts.
    quint32 LiveWord = 0;
    quint32 RecordWord = 0;
    ReadingTexts LiveTexts;
    // The texts of the last word of the record file loaded last.
    ReadingTexts FileTexts;

    // ---- Writers.
    // Empties the table's data rows and the curves; the extremes, colours
    // and recording state stay. Observers are told DataReset.
    void ClearTable();

    // One live reading: the meter's word, decoded with the tick's clock
    // sample `clock` and the PC clock `now`. Sets LiveWord, RecordWord and
    // LiveTexts, writes the word to the recording's file, counts it,
    // appends its table row and curve points and moves the extremes.
    // Observers are told ReadingsAppended.
    struct LiveAppend {
        float level;   // the level the reading's text reads as
        bool written;  // whether the recording's file took the word
    };
    LiveAppend AppendLive(std::uint32_t liveWord, const ClockTexts& clock, const QDateTime& now);

    // A record file's words, all starting on `startDate`: one row and one
    // point each, the extremes moved by each in turn. ReadingCount becomes
    // the number of words; FileTexts the texts of the last one.
    void AppendFileWords(const std::vector<std::uint32_t>& words, const QDate& startDate);

    // Rows read as texts (text files, spreadsheets), in rows 1, 2, ...,
    // with the points and extremes the level rule made of them.
    void AppendTextRows(const std::vector<std::array<QString, ReadingTable::Columns>>& rows,
                        const records::LevelRule& levels, quint32 readingCount);

    // ---- What one reading is, for readers that need more than the texts
    // (the statistics): the word when the row holds one, its date and time.
    struct StoredReading {
        std::optional<std::uint32_t> word;  // live and record-file rows
        QDate date;                          // word rows only (text rows: the Cell texts)
        QTime time;                          // word rows only
        std::optional<float> level;          // the level the row's text reads as
        bool cWeighted = false;
    };
    // Row `row` (1-based) of the table.
    StoredReading ReadingAt(int row) const;

    // Bytes held for the data of all readings (table and curves), for the
    // memory budget.
    std::size_t BytesUsed() const;

signals:
    // Rows firstRow..firstRow+count-1 (and as many curve points) were added.
    void ReadingsAppended(int firstRow, int count);
    // Everything on show was dropped (a new recording or a new file).
    void DataReset();
    // A live reading was appended (after ReadingsAppended): LiveTexts and
    // the extremes are its; `level` is the level its text reads as.
    void LiveReadingTaken(float level);

private:
    std::array<Argb, CurveCount> Colours() const { return {RecColour, MaxColour, MinColour}; }

    ReadingTable table_;
    CurveStore curves_;
};

}  // namespace reading
