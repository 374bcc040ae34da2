// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Turns cell numbers into the text a spreadsheet shows for a number in the
// general format: integers without decimals, others in the shortest form
// that reads back to the same double, always with "." whatever the locale.
#include <QString>

#include <cstdint>

namespace xls::detail {

QString GeneralNumberText(double value);

// An RK value: a compressed number (30-bit integer or the top 30 bits of a
// double, optionally divided by 100).
double DecodeRk(std::uint32_t rk);

}  // namespace xls::detail
