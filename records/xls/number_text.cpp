// SPDX-License-Identifier: GPL-3.0-or-later
#include "records/xls/number_text.h"

#include <charconv>
#include <cmath>
#include <cstring>

namespace xls::detail {

QString GeneralNumberText(double value) {
    char buf[64];
    std::to_chars_result r;
    if (std::isfinite(value) && value == std::trunc(value) && std::fabs(value) < 1e15) {
        // Negative zero shows as 0, as in a spreadsheet cell.
        r = std::to_chars(buf, buf + sizeof buf, static_cast<long long>(value));
    } else {
        r = std::to_chars(buf, buf + sizeof buf, value);
    }
    QString text = QString::fromLatin1(buf, int(r.ptr - buf));
    return text.replace(QLatin1Char('e'), QLatin1Char('E'));
}

double DecodeRk(std::uint32_t rk) {
    double value;
    if (rk & 0x02) {
        value = double(std::int32_t(rk) >> 2);
    } else {
        std::uint64_t bits = std::uint64_t(rk & 0xFFFFFFFCu) << 32;
        std::memcpy(&value, &bits, sizeof value);
    }
    return (rk & 0x01) ? value / 100.0 : value;
}

}  // namespace xls::detail
