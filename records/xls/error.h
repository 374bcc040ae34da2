// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The one error type of the spreadsheet engine: every failure to read, parse,
// change or write a workbook ends up here with an English text.
#include <stdexcept>
#include <string>

namespace xls {

class Error : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

}  // namespace xls
