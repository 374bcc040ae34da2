// SPDX-License-Identifier: GPL-3.0-or-later
#include "sdcard/card_view.h"

#include "reading/reading_word.h"
#include "sdcard/sector_transfer.h"

#include <algorithm>

namespace CardView {

namespace {

constexpr int BaseLength = 8;
constexpr int ExtensionLength = 3;

std::uint16_t Field16(const Fat32::DirectoryEntry& entry, int offset) {
    return std::uint16_t(Fat32::LittleEndianValue(entry.data() + offset, 2));
}

char LowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? char(c + ('a' - 'A')) : c; }

// Without the bytes up to 0x20 at its end (and at its start too).
QByteArray TrimmedBytes(const QByteArray& text, bool atStart) {
    qsizetype first = 0, last = text.size();
    while (atStart && first < last && std::uint8_t(text[first]) <= 0x20) ++first;
    while (last > first && std::uint8_t(text[last - 1]) <= 0x20) --last;
    return text.mid(first, last - first);
}

// Without the blanks that pad a short name's part at its end.
QByteArray WithoutPadding(QByteArray part) {
    while (!part.isEmpty() && part.back() == ' ') part.chop(1);
    return part;
}

bool IsUnsafeInName(std::uint8_t byte) {
    if (byte < 0x20 || byte == 0x7F) return true;
    switch (byte) {
    case '/': case '\\': case ':': case '*': case '?': case '"': case '<': case '>': case '|':
        return true;
    default:
        return false;
    }
}

}  // namespace

std::uint32_t EntrySize(const Fat32::DirectoryEntry& entry) {
    return Fat32::LittleEndianValue(entry.data() + EntrySizeOffset, 4);
}

bool IsDirectory(const Fat32::DirectoryEntry& entry) {
    return (entry[EntryAttributesOffset] & DirectoryAttribute) != 0;
}

bool IsVolumeLabel(const Fat32::DirectoryEntry& entry) {
    return (entry[EntryAttributesOffset] & VolumeLabelAttribute) != 0;
}

QDate EntryDate(std::uint16_t field) {
    int day = field & 0x1F;
    int month = (field >> 5) & 0x0F;
    const int year = 1980 + (field >> 9);
    if (day == 0) day = 1;
    if (month == 0) month = 1;
    if (month > 12) month = 12;
    // A day its month doesn't have (30 February) is shown as the month's last.
    day = std::min(day, QDate(year, month, 1).daysInMonth());
    return QDate(year, month, day);
}

QTime EntryTime(std::uint16_t field) {
    const int seconds = std::min(2 * (field & 0x1F), 59);
    const int minutes = std::min((field >> 5) & 0x3F, 59);
    const int hours = std::min(field >> 11, 23);
    return QTime(hours, minutes, seconds);
}

QString EntryCaption(const Fat32::DirectoryEntry& entry) {
    QByteArray text;
    text.reserve(BaseLength + 1 + ExtensionLength);
    for (int i = 0; i < BaseLength; ++i) text.append(LowerAscii(char(entry[i])));
    // The blanks that pad a short base are not shown before the dot, nor
    // the dot of a name without extension (a directory, mostly).
    text = TrimmedBytes(text, false);
    QByteArray extension;
    for (int i = 0; i < ExtensionLength; ++i) extension.append(LowerAscii(char(entry[BaseLength + i])));
    extension = TrimmedBytes(extension, false);
    if (!extension.isEmpty()) text.append('.').append(extension);
    // Blanks and control bytes at either end go; blanks inside stay.
    return QString::fromLatin1(TrimmedBytes(text, true));
}

QString SizeText(std::uint32_t bytes) {
    // Exact in a double, then the nearest float, as the figures are kept.
    const float kilobytes = float(double(bytes) / 1024.0);
    return reading::FormatCutDecimals(kilobytes, 3) + QStringLiteral("   KB");
}

RowTexts RowTextsOf(const Fat32::DirectoryEntry& entry, int row) {
    RowTexts texts;
    if (row == 0) {
        texts.caption = QStringLiteral("...");
        return texts;
    }
    texts.caption = EntryCaption(entry);
    texts.size = SizeText(EntrySize(entry));
    texts.date = reading::FormatShortDate(EntryDate(Field16(entry, CreationDateOffset)));
    texts.time = reading::FormatLongTime(EntryTime(Field16(entry, CreationTimeOffset)));
    return texts;
}

SpaceFigures FiguresOf(std::uint64_t capacityBytes, std::uint64_t freeBytes) {
    SpaceFigures figures;
    figures.capacity = capacityBytes;
    figures.free = freeBytes;
    figures.used = freeBytes <= capacityBytes ? capacityBytes - freeBytes : 0;
    return figures;
}

QString ByteText(std::uint64_t bytes) { return QString::number(bytes); }

QString MegabyteText(std::uint64_t bytes) {
    const float megabytes = float(double(bytes) / 1048576.0);
    return reading::FormatCutDecimals(megabytes, 2);
}

std::optional<int> FreeSharePercent(const SpaceFigures& figures) {
    const unsigned __int128 total = (unsigned __int128)figures.free + figures.used;
    if (total == 0) return std::nullopt;
    return int((unsigned __int128)figures.free * 100 / total);
}

std::optional<PieShares> PieSharesOf(const SpaceFigures& figures) {
    const std::optional<int> free = FreeSharePercent(figures);
    if (!free) return std::nullopt;
    return PieShares{100 - *free, *free};
}

QString TruncatedListingNote(bool truncated, int rowsShown) {
    if (!truncated) return QString();
    return QStringLiteral("The card holds more files: only the first %1 entries are listed.").arg(rowsShown);
}

EntryNames NamesOf(const Fat32::DirectoryEntry& entry) {
    EntryNames names;
    names.base = QByteArray(reinterpret_cast<const char*>(entry.data()), BaseLength);
    names.extension = QByteArray(reinterpret_cast<const char*>(entry.data()) + BaseLength, ExtensionLength);
    std::copy_n(entry.begin(), BaseLength, names.key.begin());
    names.key[BaseLength] = '.';
    std::copy_n(entry.begin() + BaseLength, ExtensionLength, names.key.begin() + BaseLength + 1);
    return names;
}

QString SafeNamePart(const QByteArray& bytes) {
    QByteArray safe = bytes;
    for (char& c : safe)
        if (IsUnsafeInName(std::uint8_t(c))) c = '_';
    return QString::fromLatin1(safe);
}

QString LocalBaseName(const EntryNames& names) {
    QString base = SafeNamePart(WithoutPadding(names.base));
    // "", "." and ".." would name the folder itself or its parent.
    if (base.count(QLatin1Char('.')) == base.size()) base = QString(std::max<qsizetype>(1, base.size()), QLatin1Char('_'));
    return base;
}

QString LocalExtension(const EntryNames& names) { return SafeNamePart(WithoutPadding(names.extension)); }

QString WithLocalExtension(const QString& path, const EntryNames& names) {
    const QString extension = LocalExtension(names);
    return extension.isEmpty() ? path : path + QLatin1Char('.') + extension;
}

QString LocalCopyName(const EntryNames& names) { return WithLocalExtension(LocalBaseName(names), names); }

}  // namespace CardView
