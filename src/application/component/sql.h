// Pieces of statement text: every value the library writes into a statement goes through one
// of these, so a text can never change the statement it is put in.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "korvanda/variant.h"

namespace korvanda::sql {

// 'text' with every single quote doubled.
std::string quoted(std::string_view text);
// The text with single quotes doubled, without the surrounding quotes (for pieces that
// already carry their quotes).
std::string escaped(std::string_view text);
// Plain decimal text ("-12").
std::string integer(int64_t v);
// At most 15 significant digits, "." separator, no trailing zeros; NaN and the infinities are
// refused (5).
std::string decimal(double v);
// Day/month/year date, with the time only when it is not midnight (no quotes).
std::string date(Date d);
// Refuses anything but an optionally signed integer: error 13 naming the argument.
std::string requireInteger(std::string_view text, std::string_view argumentName);

}  // namespace korvanda::sql
