// SPDX-License-Identifier: GPL-3.0-or-later
#include "records/xlsx/workbook_reader.h"

#include "records/xls/number_format.h"
#include "records/xls/number_text.h"
#include "records/xlsx/sheet_scan.h"

#include <QHash>
#include <QXmlStreamReader>

#include <zip.h>

#include <algorithm>
#include <charconv>
#include <map>
#include <memory>
#include <utility>

namespace xlsx {

namespace {

[[noreturn]] void Damaged(const QString& what) {
    throw xls::Error(("The workbook is damaged: " + what).toStdString());
}

struct ZipCloser {
    void operator()(zip_t* z) const { zip_discard(z); }
};
struct FileCloser {
    void operator()(zip_file_t* f) const { zip_fclose(f); }
};

// The archive and bounded reads of its parts.
class Archive {
public:
    explicit Archive(const QString& path) {
        int error = 0;
        zip_.reset(zip_open(path.toLocal8Bit().constData(), ZIP_RDONLY | ZIP_CHECKCONS, &error));
        if (!zip_) {
            if (error == ZIP_ER_NOZIP || error == ZIP_ER_INCONS)
                throw xls::Error("The file is not an Excel workbook (.xlsx) or it is damaged.");
            zip_error_t e;
            zip_error_init_with_code(&e, error);
            const std::string text = zip_error_strerror(&e);
            zip_error_fini(&e);
            throw xls::Error("The workbook file cannot be opened: " + text);
        }
    }

    bool Has(const QString& name) const { return Locate(name) >= 0; }

    // Feeds the part to `sink` in pieces; refuses parts that inflate beyond
    // `limit` before they get there, whatever their header claims.
    template <class Sink> void Read(const QString& name, std::int64_t limit, Sink&& sink) const {
        const zip_int64_t index = Locate(name);
        if (index < 0) Damaged(QStringLiteral("its part %1 is missing.").arg(name));
        zip_stat_t st;
        zip_stat_init(&st);
        if (zip_stat_index(zip_.get(), zip_uint64_t(index), 0, &st) != 0) Damaged(QStringLiteral("its part %1 cannot be read.").arg(name));
        if ((st.valid & ZIP_STAT_SIZE) && st.size > zip_uint64_t(limit))
            throw xls::Error(QStringLiteral("The workbook's part %1 is too large to read.").arg(name).toStdString());
        std::unique_ptr<zip_file_t, FileCloser> file(zip_fopen_index(zip_.get(), zip_uint64_t(index), 0));
        if (!file) Damaged(QStringLiteral("its part %1 cannot be unpacked.").arg(name));
        QByteArray piece(1 << 16, Qt::Uninitialized);
        std::int64_t total = 0;
        for (;;) {
            const zip_int64_t n = zip_fread(file.get(), piece.data(), zip_uint64_t(piece.size()));
            if (n < 0) Damaged(QStringLiteral("its part %1 cannot be unpacked.").arg(name));
            if (n == 0) break;
            total += n;
            if (total > limit)
                throw xls::Error(QStringLiteral("The workbook's part %1 is too large to read.").arg(name).toStdString());
            sink(QByteArrayView(piece.constData(), n));
        }
    }

private:
    zip_int64_t Locate(const QString& name) const {
        return zip_name_locate(zip_.get(), name.toUtf8().constData(), 0);
    }
    std::unique_ptr<zip_t, ZipCloser> zip_;
};

// Parses a part (read whole, within its limit); `onStart` sees every start
// tag and may read on inside it.
template <class OnStart> void ParseXmlBytes(const QByteArray& bytes, const QString& name, OnStart&& onStart) {
    QXmlStreamReader xml(bytes);
    // Elements are told apart by their local names; "r:id" is found as "id".
    xml.setNamespaceProcessing(false);
    while (!xml.atEnd()) {
        if (xml.readNext() == QXmlStreamReader::StartElement) onStart(xml);
    }
    if (xml.hasError()) Damaged(QStringLiteral("its part %1 is not well-formed XML (%2).").arg(name, xml.errorString()));
}

QByteArray ReadPart(const Archive& zip, const QString& name, std::int64_t limit) {
    QByteArray bytes;
    zip.Read(name, limit, [&](QByteArrayView piece) { bytes.append(piece); });
    return bytes;
}

template <class OnStart> void ParseXml(const Archive& zip, const QString& name, std::int64_t limit, OnStart&& onStart) {
    ParseXmlBytes(ReadPart(zip, name, limit), name, std::forward<OnStart>(onStart));
}

// The element's name without a namespace prefix ("x:row" is "row").
QStringView LocalName(const QXmlStreamReader& xml) {
    const QStringView name = xml.name();
    const qsizetype colon = name.indexOf(u':');
    return colon < 0 ? name : name.mid(colon + 1);
}

QString Attr(const QXmlStreamReader& xml, QLatin1StringView name) { return xml.attributes().value(name).toString(); }

// "rId3" -> "xl/worksheets/sheet3.xml" from a relationships part.
std::map<QString, QString> Relationships(const Archive& zip, const QString& name, const QString& base) {
    std::map<QString, QString> targets;
    if (!zip.Has(name)) return targets;
    ParseXml(zip, name, MaxOtherPartBytes, [&](QXmlStreamReader& xml) {
        if (LocalName(xml) != QLatin1String("Relationship")) return;
        QString target = Attr(xml, QLatin1String("Target"));
        target = target.startsWith(u'/') ? target.mid(1) : base + target;
        targets[Attr(xml, QLatin1String("Id"))] = target;
    });
    return targets;
}

// The text inside the current element up to its end, with every <t> of it
// joined (rich text runs) and phonetic runs left out.
QString TextOf(QXmlStreamReader& xml) {
    QString text;
    int depth = 1;
    bool inPhonetic = false;
    while (depth > 0 && !xml.atEnd()) {
        const auto token = xml.readNext();
        if (token == QXmlStreamReader::StartElement) {
            ++depth;
            if (LocalName(xml) == QLatin1String("rPh")) inPhonetic = true;
            if (LocalName(xml) == QLatin1String("t") && !inPhonetic) text += xml.readElementText(QXmlStreamReader::IncludeChildElements), --depth;
        } else if (token == QXmlStreamReader::EndElement) {
            --depth;
            if (LocalName(xml) == QLatin1String("rPh")) inPhonetic = false;
        }
    }
    return text;
}

// A number as the file writes it ("65.4", "1E-3"), read without the
// locale machinery of QString::toDouble, which costs a third of a load.
bool ParseNumber(QStringView text, double* value) {
    text = text.trimmed();
    char buffer[64];
    if (text.isEmpty() || text.size() >= qsizetype(sizeof buffer)) {
        bool ok = false;
        *value = text.toDouble(&ok);
        return ok;
    }
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        if (c > 0x7F) return false;
        buffer[i] = char(c);
    }
    const char* begin = buffer;
    const char* end = buffer + text.size();
    if (*begin == '+') ++begin;  // from_chars takes no plus sign
    const auto result = std::from_chars(begin, end, *value);
    return result.ec == std::errc() && result.ptr == end;
}

// "C12" -> column 3, row 12; 0s when it is no cell reference.
std::pair<int, int> CellReference(QStringView ref) {
    int column = 0;
    qsizetype i = 0;
    for (; i < ref.size() && ref[i].isLetter(); ++i) {
        const char16_t c = ref[i].toUpper().unicode();
        if (c < u'A' || c > u'Z' || column > 16384) return {0, 0};
        column = column * 26 + (c - u'A' + 1);
    }
    bool ok = false;
    const int row = ref.mid(i).toInt(&ok);
    if (!ok || i == 0) return {0, 0};
    return {column, row};
}

}  // namespace

// Reads the parts in order: workbook, its relationships, shared strings,
// styles, the active sheet.
class SheetParser {
public:
    SheetParser(const QString& path, Sheet& sheet, CellReading reading) : zip_(path), sheet_(sheet), reading_(reading) {}

    void Parse() {
        if (!zip_.Has(QStringLiteral("xl/workbook.xml")))
            throw xls::Error("The file is not an Excel workbook (.xlsx): it has no workbook part.");
        int activeTab = 0;
        std::vector<QString> sheetIds;
        ParseXml(zip_, QStringLiteral("xl/workbook.xml"), MaxOtherPartBytes, [&](QXmlStreamReader& xml) {
            const auto name = LocalName(xml);
            if (name == QLatin1String("workbookPr")) {
                const QString d = Attr(xml, QLatin1String("date1904"));
                sheet_.dates1904_ = d == QLatin1String("1") || d == QLatin1String("true");
            } else if (name == QLatin1String("workbookView")) {
                activeTab = Attr(xml, QLatin1String("activeTab")).toInt();
            } else if (name == QLatin1String("sheet")) {
                for (const QXmlStreamAttribute& a : xml.attributes())
                    if (a.qualifiedName().endsWith(QLatin1String(":id")) || a.name() == QLatin1String("id"))
                        sheetIds.push_back(a.value().toString());
            }
        });
        if (sheetIds.empty()) throw xls::Error("The workbook has no sheets.");
        if (activeTab < 0 || std::size_t(activeTab) >= sheetIds.size()) activeTab = 0;
        const auto rels = Relationships(zip_, QStringLiteral("xl/_rels/workbook.xml.rels"), QStringLiteral("xl/"));
        const auto target = rels.find(sheetIds[std::size_t(activeTab)]);
        if (target == rels.end()) Damaged(QStringLiteral("its active sheet has no part."));
        QString sharedStrings = QStringLiteral("xl/sharedStrings.xml");
        QString styles = QStringLiteral("xl/styles.xml");
        for (const auto& [id, part] : rels) {
            if (part.endsWith(QLatin1String("sharedStrings.xml"))) sharedStrings = part;
            if (part.endsWith(QLatin1String("styles.xml"))) styles = part;
        }
        if (zip_.Has(sharedStrings)) ReadSharedStrings(sharedStrings);
        if (zip_.Has(styles)) ReadStyles(styles);
        ReadSheet(target->second);
    }

private:
    void ReadSharedStrings(const QString& part) {
        ParseXml(zip_, part, MaxOtherPartBytes, [&](QXmlStreamReader& xml) {
            if (LocalName(xml) == QLatin1String("si")) shared_.push_back(TextOf(xml));
        });
    }

    void ReadStyles(const QString& part) {
        std::map<int, QString> formats;
        std::vector<int> xfFormats;
        bool inCellXfs = false;
        ParseXml(zip_, part, MaxOtherPartBytes, [&](QXmlStreamReader& xml) {
            const auto name = LocalName(xml);
            if (name == QLatin1String("numFmt")) {
                formats[Attr(xml, QLatin1String("numFmtId")).toInt()] = Attr(xml, QLatin1String("formatCode"));
            } else if (name == QLatin1String("cellXfs")) {
                inCellXfs = true;
            } else if (name == QLatin1String("cellStyleXfs") || name == QLatin1String("dxfs")) {
                inCellXfs = false;
            } else if (name == QLatin1String("xf") && inCellXfs) {
                xfFormats.push_back(Attr(xml, QLatin1String("numFmtId")).toInt());
            }
        });
        for (int id : xfFormats) {
            auto found = formats.find(id);
            QString format = found != formats.end() ? found->second : xls::BuiltInNumberFormat(id);
            // Locale-dependent built-in dates have no fixed text.
            if (found == formats.end() && xls::BuiltInFormatKind(id) == xls::FormatKind::Date && format.isEmpty())
                format = QStringLiteral("m/d/yy");
            sheet_.styleFormats_.push_back(format.isEmpty() ? QStringLiteral("General") : format);
            sheet_.styleKinds_.push_back(xls::ClassifyNumberFormat(sheet_.styleFormats_.back()));
        }
    }

    void ReadSheet(const QString& part) {
        const QByteArray bytes = ReadPart(zip_, part, MaxSheetBytes);
        sheet_.readQuickly_ = reading_ == CellReading::Quick && ReadSheetQuickly(bytes);
        if (!sheet_.readQuickly_) {
            sheet_.cells_.clear();
            sheet_.texts_.clear();
            textIndex_.clear();
            ReadSheetXml(bytes, part);
        }
        // Rows out of order are allowed by no writer, but cost nothing to sort.
        std::stable_sort(sheet_.cells_.begin(), sheet_.cells_.end(), [](const Sheet::Cell& a, const Sheet::Cell& b) {
            return a.row != b.row ? a.row < b.row : a.column < b.column;
        });
    }

    // The cells by the quick scanner, when the part is plain: one
    // <sheetData> holding nothing but plain cell markup, and around it
    // well-formed XML without comments, instructions, CDATA, a document type
    // or other cells. False when it is not (the XML reader then reads all).
    bool ReadSheetQuickly(const QByteArray& bytes) {
        static constexpr QByteArrayView open("<sheetData>");
        static constexpr QByteArrayView close("</sheetData>");
        const qsizetype bodyStart = bytes.indexOf(open);
        if (bodyStart < 0) return false;
        const qsizetype bodyEnd = bytes.indexOf(close, bodyStart + open.size());
        if (bodyEnd < 0) return false;
        const QByteArrayView head = QByteArrayView(bytes).first(bodyStart + open.size());
        if (!PlainFrame(head.toByteArray() + bytes.sliced(bodyEnd), head.size())) return false;
        const QByteArrayView body = QByteArrayView(bytes).sliced(head.size(), bodyEnd - head.size());
        return scan::ScanSheetData(body, [this](const scan::Cell& cell) { return StoreScanned(cell); });
    }

    // Whether `frame` (the part with its cells cut out after byte
    // `bodyStart`) is well-formed plain XML whose only sheetData element is
    // the one the cut was made in, and which holds no other cells.
    static bool PlainFrame(const QByteArray& frame, qsizetype bodyStart) {
        for (qsizetype i = 0; i < bodyStart; ++i)
            if (static_cast<unsigned char>(frame[i]) >= 0x80) return false;  // so characters are bytes below
        QXmlStreamReader xml(frame);
        xml.setNamespaceProcessing(false);
        int sheetData = 0;
        while (!xml.atEnd()) {
            switch (xml.readNext()) {
            case QXmlStreamReader::StartDocument:
                if (!xml.documentEncoding().isEmpty() && xml.documentEncoding().compare(QLatin1String("UTF-8"), Qt::CaseInsensitive) != 0)
                    return false;
                break;
            case QXmlStreamReader::StartElement: {
                const auto name = LocalName(xml);
                if (name == QLatin1String("row") || name == QLatin1String("c")) return false;
                if (xml.qualifiedName() == QLatin1String("sheetData")) {
                    if (++sheetData > 1 || xml.characterOffset() != bodyStart) return false;
                    if (xml.readNext() != QXmlStreamReader::EndElement) return false;
                }
                break;
            }
            case QXmlStreamReader::Characters:
                if (xml.isCDATA()) return false;
                break;
            case QXmlStreamReader::EndElement:
            case QXmlStreamReader::EndDocument: break;
            default: return false;  // comments, instructions, document type, entities, errors
            }
        }
        return !xml.hasError() && sheetData == 1;
    }

    // A scanned cell kept as ReadCell keeps it; false where ReadCell would
    // find damage or read the value in a way the scanner does not mirror.
    bool StoreScanned(const scan::Cell& scanned) {
        if (scanned.column > KeptColumns || !scanned.hasValue) return true;
        Sheet::Cell cell;
        cell.row = scanned.row;
        cell.column = std::uint8_t(scanned.column);
        cell.style = std::uint16_t(scanned.style);
        const QByteArrayView value = scanned.value;
        // Only texts are read beyond ASCII: the XML reader trims Unicode
        // spaces around numbers and truth values.
        if (scanned.type != scan::CellType::Text && scanned.type != scan::CellType::Error)
            for (char c : value)
                if (static_cast<unsigned char>(c) >= 0x80) return false;
        switch (scanned.type) {
        case scan::CellType::Shared: {
            if (value.isEmpty() || value.size() > 9) return false;
            qsizetype index = 0;
            for (char c : value) {
                if (c < '0' || c > '9') return false;
                index = index * 10 + (c - '0');
            }
            if (index >= qsizetype(shared_.size())) return false;
            cell.kind = 1;
            cell.text = AddText(shared_[std::size_t(index)]);
            break;
        }
        case scan::CellType::Text:
        case scan::CellType::Error:
            cell.kind = scanned.type == scan::CellType::Text ? 1 : 3;
            cell.text = AddText(QString::fromUtf8(value));
            break;
        case scan::CellType::Boolean:
            cell.kind = 2;
            cell.number = value.trimmed() == "1" ? 1 : 0;
            break;
        case scan::CellType::Number: {
            QByteArrayView digits = value.trimmed();
            if (digits.isEmpty() || digits.size() >= 64) return false;
            if (digits.front() == '+') digits = digits.sliced(1);
            const auto result = std::from_chars(digits.data(), digits.data() + digits.size(), cell.number);
            if (result.ec != std::errc() || result.ptr != digits.data() + digits.size()) return false;
            break;
        }
        }
        sheet_.cells_.push_back(cell);
        return true;
    }

    void ReadSheetXml(const QByteArray& bytes, const QString& part) {
        int row = 0;
        int column = 0;
        ParseXmlBytes(bytes, part, [&](QXmlStreamReader& xml) {
            const auto name = LocalName(xml);
            if (name == QLatin1String("row")) {
                const QString r = Attr(xml, QLatin1String("r"));
                row = r.isEmpty() ? row + 1 : r.toInt();
                if (row < 1 || row > MaxSheetRows) Damaged(QStringLiteral("a row lies outside the sheet."));
                column = 0;
            } else if (name == QLatin1String("c")) {
                const QXmlStreamAttributes attributes = xml.attributes();
                const QStringView ref = attributes.value(QLatin1String("r"));
                if (ref.isEmpty()) {
                    ++column;
                } else {
                    const auto [c, r] = CellReference(ref);
                    if (c == 0 || r != row) Damaged(QStringLiteral("a cell is not in its row."));
                    column = c;
                }
                if (row == 0) Damaged(QStringLiteral("a cell lies outside any row."));
                ReadCell(xml, attributes, row, column);
            }
        });
    }

    void ReadCell(QXmlStreamReader& xml, const QXmlStreamAttributes& attributes, int row, int column) {
        const QStringView type = attributes.value(QLatin1String("t"));
        const int style = attributes.value(QLatin1String("s")).toInt();
        QString value;
        bool hasValue = false;
        // The value (<v>) or inline string (<is>) up to </c>.
        while (!xml.atEnd()) {
            const auto token = xml.readNext();
            if (token == QXmlStreamReader::EndElement && LocalName(xml) == QLatin1String("c")) break;
            if (token != QXmlStreamReader::StartElement) continue;
            if (LocalName(xml) == QLatin1String("v")) {
                // Mostly one run of characters: read in place.
                value.clear();
                while (!xml.atEnd()) {
                    const auto inner = xml.readNext();
                    if (inner == QXmlStreamReader::Characters) value += xml.text();
                    else if (inner == QXmlStreamReader::EndElement) break;
                    else if (inner == QXmlStreamReader::StartElement) Damaged(QStringLiteral("a cell value holds markup."));
                }
                hasValue = true;
            } else if (LocalName(xml) == QLatin1String("is")) {
                value = TextOf(xml);
                hasValue = true;
            }
        }
        if (column > KeptColumns || !hasValue) return;
        Sheet::Cell cell;
        cell.row = row;
        cell.column = std::uint8_t(column);
        cell.style = std::uint16_t(std::clamp(style, 0, 0xFFFF));
        if (type == QLatin1String("s")) {
            bool ok = false;
            const qsizetype index = value.toLongLong(&ok);
            if (!ok || index < 0 || index >= qsizetype(shared_.size())) Damaged(QStringLiteral("a cell refers to a missing shared text."));
            cell.kind = 1;
            cell.text = AddText(shared_[std::size_t(index)]);
        } else if (type == QLatin1String("str") || type == QLatin1String("inlineStr") || type == QLatin1String("d")) {
            cell.kind = 1;
            cell.text = AddText(value);
        } else if (type == QLatin1String("b")) {
            cell.kind = 2;
            cell.number = value.trimmed() == QLatin1String("1") ? 1 : 0;
        } else if (type == QLatin1String("e")) {
            cell.kind = 3;
            cell.text = AddText(value);
        } else {
            if (!ParseNumber(value, &cell.number)) Damaged(QStringLiteral("a number cell holds no number."));
        }
        sheet_.cells_.push_back(cell);
    }

    std::int32_t AddText(const QString& text) {
        // Shared texts are stored once however many cells show them.
        auto found = textIndex_.constFind(text);
        if (found != textIndex_.constEnd()) return found.value();
        const auto index = std::int32_t(sheet_.texts_.size());
        sheet_.texts_.push_back(text);
        textIndex_.insert(text, index);
        return index;
    }

    Archive zip_;
    Sheet& sheet_;
    CellReading reading_;
    std::vector<QString> shared_;
    QHash<QString, std::int32_t> textIndex_;
};

Sheet Sheet::Open(const QString& path, CellReading reading) {
    Sheet sheet;
    SheetParser(path, sheet, reading).Parse();
    return sheet;
}

int Sheet::UsedRowCount() const { return cells_.empty() ? 0 : cells_.back().row; }

xls::CellValue Sheet::Value(int row, int column) const {
    xls::CellValue value;
    auto at = std::lower_bound(cells_.begin(), cells_.end(), std::make_pair(row, column), [](const Cell& c, std::pair<int, int> key) {
        return c.row != key.first ? c.row < key.first : c.column < key.second;
    });
    if (at == cells_.end() || at->row != row || at->column != column) return value;
    value.format = at->style < styleFormats_.size() ? styleFormats_[at->style] : QStringLiteral("General");
    switch (at->kind) {
    case 1:
    case 3:
        value.text = texts_[std::size_t(at->text)];
        value.kind = value.text.isEmpty() ? xls::CellKind::Empty : xls::CellKind::Text;
        return value;
    case 2:
        value.text = at->number != 0 ? QStringLiteral("TRUE") : QStringLiteral("FALSE");
        value.kind = xls::CellKind::Text;
        return value;
    default: break;
    }
    value.number = at->number;
    value.text = xls::detail::GeneralNumberText(at->number);
    switch (at->style < styleKinds_.size() ? styleKinds_[at->style] : xls::FormatKind::Number) {
    case xls::FormatKind::Number: value.kind = xls::CellKind::Number; break;
    case xls::FormatKind::Date: value.kind = xls::CellKind::Date; break;
    case xls::FormatKind::Time: value.kind = xls::CellKind::Time; break;
    case xls::FormatKind::DateTime: value.kind = xls::CellKind::DateTime; break;
    }
    return value;
}

}  // namespace xlsx
