// SPDX-License-Identifier: GPL-3.0-or-later
#include "records/xlsx/sheet_scan.h"

#include <algorithm>
#include <array>

namespace xlsx::scan {

namespace {

// Every check here is strict: where the XML reader would accept a wider
// form (leading zeros, whitespace, lower case, "&amp;"), the scanner gives
// up rather than imitate it.
class Scanner {
public:
    explicit Scanner(QByteArrayView body) : p_(body.data()), end_(body.data() + body.size()) {}

    bool Rows(const std::function<bool(const Cell&)>& keep) {
        int row = 0;
        for (;;) {
            SkipSpace();
            if (p_ == end_) return true;
            if (!Take("<row")) return false;
            Attributes a;
            bool closed = false;
            if (!ReadAttributes(a, false, &closed)) return false;
            if (!a.r.data()) {
                ++row;
            } else if (!Digits(a.r, 7, false, &row)) {
                return false;
            }
            if (row < 1 || row > MaxSheetRows) return false;
            if (closed) continue;
            int column = 0;
            for (;;) {
                SkipSpace();
                if (Take("</row")) {
                    if (!EndOfTag()) return false;
                    break;
                }
                if (!Take("<c") || p_ == end_ || !(IsSpace(*p_) || *p_ == '>' || *p_ == '/')) return false;
                Cell cell;
                if (!ReadCell(row, column, cell)) return false;
                column = cell.column;
                // Other columns are skipped here, so a sheet of many empty
                // cells costs no memory.
                if (cell.column <= KeptColumns && cell.hasValue && !keep(cell)) return false;
            }
        }
    }

private:
    struct Attributes {
        QByteArrayView r, s, t;
    };

    static bool IsSpace(char c) { return c == ' ' || c == '\n' || c == '\t' || c == '\r'; }
    void SkipSpace() {
        while (p_ != end_ && IsSpace(*p_)) ++p_;
    }
    bool Take(std::string_view word) {
        if (std::size_t(end_ - p_) < word.size() || std::string_view(p_, word.size()) != word) return false;
        p_ += word.size();
        return true;
    }
    // The rest of an end tag after its name: optional whitespace and '>'.
    bool EndOfTag() {
        SkipSpace();
        return Take(">");
    }

    // Attributes up to '>' or "/>". Only r, s and t are kept; others are
    // skipped (but no name twice, and no namespace prefix unless `anyName`).
    bool ReadAttributes(Attributes& a, bool anyName, bool* closed) {
        std::array<QByteArrayView, 8> seen;
        std::size_t count = 0;
        for (;;) {
            const bool spaced = p_ != end_ && IsSpace(*p_);
            SkipSpace();
            if (p_ == end_) return false;
            if (*p_ == '>') {
                ++p_;
                *closed = false;
                return true;
            }
            if (*p_ == '/') {
                ++p_;
                *closed = true;
                return Take(">");
            }
            if (!spaced) return false;
            const char* nameStart = p_;
            while (p_ != end_ && ((*p_ >= 'a' && *p_ <= 'z') || (*p_ >= 'A' && *p_ <= 'Z') || (anyName && *p_ == ':'))) ++p_;
            const QByteArrayView name(nameStart, p_ - nameStart);
            if (name.isEmpty() || name.front() == ':') return false;
            SkipSpace();
            if (!Take("=")) return false;
            SkipSpace();
            if (p_ == end_ || (*p_ != '"' && *p_ != '\'')) return false;
            const char quote = *p_++;
            const char* valueStart = p_;
            for (; p_ != end_ && *p_ != quote; ++p_) {
                const auto c = static_cast<unsigned char>(*p_);
                if (c < 0x20 || c >= 0x7F || c == '<' || c == '&') return false;
            }
            if (p_ == end_) return false;
            const QByteArrayView value(valueStart, p_ - valueStart);
            ++p_;
            if (count == seen.size()) return false;
            for (std::size_t i = 0; i < count; ++i)
                if (seen[i] == name) return false;
            seen[count++] = name;
            if (name == "r") a.r = value.data() ? value : QByteArrayView("", 0);
            else if (name == "s") a.s = value.data() ? value : QByteArrayView("", 0);
            else if (name == "t") a.t = value.data() ? value : QByteArrayView("", 0);
        }
    }

    // 1 to `most` decimal digits, no sign, no leading zero unless `zeros`.
    static bool Digits(QByteArrayView text, qsizetype most, bool zeros, int* value) {
        if (text.isEmpty() || text.size() > most || (!zeros && text.front() == '0')) return false;
        int v = 0;
        for (char c : text) {
            if (c < '0' || c > '9') return false;
            v = v * 10 + (c - '0');
        }
        *value = v;
        return true;
    }

    // "C12" as 1 to 3 capital letters and a row number.
    static bool Reference(QByteArrayView ref, int* column, int* row) {
        qsizetype i = 0;
        int c = 0;
        for (; i < ref.size() && i < 4 && ref[i] >= 'A' && ref[i] <= 'Z'; ++i) c = c * 26 + (ref[i] - 'A' + 1);
        if (i == 0 || i > 3) return false;
        *column = c;
        return Digits(ref.sliced(i), 7, false, row);
    }

    static bool TypeOf(QByteArrayView t, CellType* type) {
        if (!t.data() || t == "n") *type = CellType::Number;
        else if (t == "s") *type = CellType::Shared;
        else if (t == "str" || t == "inlineStr" || t == "d") *type = CellType::Text;
        else if (t == "b") *type = CellType::Boolean;
        else if (t == "e") *type = CellType::Error;
        else return false;
        return true;
    }

    // Characters up to the next '<': no markup, references or carriage
    // returns (which XML turns into line feeds); UTF-8 of characters XML
    // allows, the rest ASCII.
    bool Text(QByteArrayView* text) {
        const char* start = p_;
        while (p_ != end_ && *p_ != '<') {
            const auto c = static_cast<unsigned char>(*p_);
            if (c >= 0x80) {
                if (!Utf8Character()) return false;
                continue;
            }
            if ((c < 0x20 && c != '\t' && c != '\n') || c == 0x7F || c == '&' || c == '>') return false;
            ++p_;
        }
        *text = QByteArrayView(start, p_ - start);
        return p_ != end_;
    }

    // One well-formed UTF-8 sequence of a character XML allows (not a
    // surrogate, U+FFFE or U+FFFF, nor beyond U+10FFFF).
    bool Utf8Character() {
        const auto lead = static_cast<unsigned char>(*p_);
        int more = 0;
        char32_t code = 0;
        if (lead >= 0xC2 && lead <= 0xDF) more = 1, code = lead & 0x1F;
        else if (lead >= 0xE0 && lead <= 0xEF) more = 2, code = lead & 0x0F;
        else if (lead >= 0xF0 && lead <= 0xF4) more = 3, code = lead & 0x07;
        else return false;
        if (end_ - p_ <= more) return false;
        for (int i = 1; i <= more; ++i) {
            const auto c = static_cast<unsigned char>(p_[i]);
            if ((c & 0xC0) != 0x80) return false;
            code = (code << 6) | (c & 0x3F);
        }
        static constexpr char32_t least[] = {0, 0x80, 0x800, 0x10000};
        if (code < least[more] || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF) || code == 0xFFFE || code == 0xFFFF)
            return false;
        p_ += more + 1;
        return true;
    }

    // After "<c": its attributes, then <v> and <is> up to </c>.
    bool ReadCell(int row, int previousColumn, Cell& cell) {
        Attributes a;
        bool closed = false;
        if (!ReadAttributes(a, false, &closed)) return false;
        cell.row = row;
        if (!a.r.data()) {
            cell.column = previousColumn + 1;
        } else {
            int r = 0;
            if (!Reference(a.r, &cell.column, &r) || r != row) return false;
        }
        if (a.s.data()) {
            if (!Digits(a.s, 9, true, &cell.style)) return false;
            cell.style = std::min(cell.style, 0xFFFF);
        }
        if (!TypeOf(a.t, &cell.type)) return false;
        if (closed) return true;
        for (;;) {
            SkipSpace();
            if (Take("</c")) return EndOfTag();
            if (Take("<v")) {
                if (!Value(&cell.value)) return false;
            } else if (Take("<is")) {
                if (!InlineString(&cell.value)) return false;
            } else {
                return false;
            }
            cell.hasValue = true;
        }
    }

    // After "<v": "/>" or ">" text "</v>".
    bool Value(QByteArrayView* value) {
        SkipSpace();
        if (Take("/>")) {
            *value = QByteArrayView("", 0);
            return true;
        }
        if (!Take(">") || !Text(value)) return false;
        return Take("</v") && EndOfTag();
    }

    // After "<is": at most one <t> and whitespace up to </is>.
    bool InlineString(QByteArrayView* value) {
        *value = QByteArrayView("", 0);
        SkipSpace();
        if (Take("/>")) return true;
        if (!Take(">")) return false;
        SkipSpace();
        if (Take("<t") && p_ != end_ && (IsSpace(*p_) || *p_ == '>' || *p_ == '/')) {
            Attributes ignored;
            bool closed = false;
            if (!ReadAttributes(ignored, true, &closed)) return false;
            if (!closed && !(Text(value) && Take("</t") && EndOfTag())) return false;
            SkipSpace();
        }
        return Take("</is") && EndOfTag();
    }

    const char* p_;
    const char* end_;
};

}  // namespace

bool ScanSheetData(QByteArrayView body, const std::function<bool(const Cell&)>& keep) {
    return Scanner(body).Rows(keep);
}

}  // namespace xlsx::scan
