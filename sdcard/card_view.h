// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What the card dialog shows of the mounted volume and of each root
// directory entry, and the names it builds from an entry, as plain code
// (no windows): list row texts, the space figures, the pie share, and the
// local file names of copies.
#include "sdcard/fat32.h"

#include <QDate>
#include <QString>
#include <QTime>

#include <cstdint>
#include <optional>

namespace CardView {

// Entry fields the dialog reads.
constexpr int CreationTimeOffset = 14;
constexpr int CreationDateOffset = 16;
constexpr int EntrySizeOffset = 28;
constexpr int EntryAttributesOffset = 11;
constexpr std::uint8_t DirectoryAttribute = 0x10;
constexpr std::uint8_t VolumeLabelAttribute = 0x08;

std::uint32_t EntrySize(const Fat32::DirectoryEntry& entry);
// A subdirectory: deleting its entry would free the directory's own
// clusters and leave those of the files inside it lost, so the dialog
// doesn't delete one.
bool IsDirectory(const Fat32::DirectoryEntry& entry);
// The card's name (its label): no file, nothing to copy.
bool IsVolumeLabel(const Fat32::DirectoryEntry& entry);

// The FAT date and time fields, out-of-range parts clamped: day 0 is 1,
// month 0 is 1 and above 12 is 12, a day beyond the month's last is its
// last; seconds (twice bits 0-4) and minutes above 59 are 59, hours above
// 23 are 23.
QDate EntryDate(std::uint16_t field);
QTime EntryTime(std::uint16_t field);

// The four texts of one list row. Row 0 stands for the root directory:
// caption "..." and nothing else.
struct RowTexts {
    QString caption;  // "base.ext" lower-cased, without the padding of base and extension (and without the dot when there is no extension), trimmed of blanks and control bytes at both ends
    QString size;     // kilobytes cut after 3 decimals, then "   KB"
    QString date;     // the user's short date
    QString time;     // the user's long time
};
RowTexts RowTextsOf(const Fat32::DirectoryEntry& entry, int row);

// The caption of a non-root row.
QString EntryCaption(const Fat32::DirectoryEntry& entry);
// "120563,273   KB" for 123456789 bytes.
QString SizeText(std::uint32_t bytes);

// The space figures of a mounted volume. Used is what isn't free; it is 0
// when the free figure exceeds the capacity (a card that says so lies).
struct SpaceFigures {
    std::uint64_t used = 0;
    std::uint64_t free = 0;
    std::uint64_t capacity = 0;
};
SpaceFigures FiguresOf(std::uint64_t capacityBytes, std::uint64_t freeBytes);
// Plain decimal without separators.
QString ByteText(std::uint64_t bytes);
// Megabytes cut after 2 decimals: "117,73" for 123456789 bytes.
QString MegabyteText(std::uint64_t bytes);
// The free share in whole percent (truncated); nothing when there are no
// bytes at all to share.
std::optional<int> FreeSharePercent(const SpaceFigures& figures);
// The pie's two slices in whole percent, adding up to 100: the used share
// (drawn blue, as the square beside the used figure) and the free share
// (fuchsia, as the square beside the free figure).
struct PieShares {
    int used = 0;
    int free = 0;
};
std::optional<PieShares> PieSharesOf(const SpaceFigures& figures);

// The note under a listing that stopped at Fat32::EntryTableSize rows, or
// an empty text when the whole root directory is listed.
QString TruncatedListingNote(bool truncated, int rowsShown);

// The three names built from an entry: the base (bytes 0-7, blanks kept),
// the extension (bytes 8-10 as stored) and the key that CopyCardFile takes
// (base, '.', extension).
struct EntryNames {
    QByteArray base;
    QByteArray extension;
    Fat32::ShortNameKey key{};
};
EntryNames NamesOf(const Fat32::DirectoryEntry& entry);

// Card bytes made fit to be part of a local file name: path separators,
// control bytes, and the characters other systems forbid in names
// (: * ? " < > |) become "_", so a copy can't land outside the folder it is
// meant for. Bytes above 0x7F are read as Latin-1. Blanks stay.
QString SafeNamePart(const QByteArray& bytes);
// The parts of a copy's local name: safe, and without the blanks that pad
// the short name ("LOG     " is "LOG", "TX " is "TX"). A base that would be
// empty or only dots (".", "..": a folder, not a file) has its characters
// made "_", at least one.
QString LocalBaseName(const EntryNames& names);
QString LocalExtension(const EntryNames& names);
// A path with the entry's extension appended after a dot; without an
// extension nothing is appended ("rec", not "rec.").
QString WithLocalExtension(const QString& path, const EntryNames& names);
// The local file name of a copy: base, and "." and extension when the entry
// has one. The key that finds the entry on the card keeps the padded form.
QString LocalCopyName(const EntryNames& names);

}  // namespace CardView
