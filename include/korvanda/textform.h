// Text forms of dates, numbers and booleans, and their parsing: written once, used by the
// statement renderers, the export field rule, the logs and the coercions.
//
// Pure functions, safe from any thread. The parsers answer nullopt for a text they do not
// read and never throw; the formatters throw korvanda::Error where noted.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "korvanda/variant.h"
#include "korvanda/export.h"

KORVANDA_API_BEGIN
namespace korvanda {

struct DateParts {
  int year = 1899, month = 12, day = 30;
  int hour = 0, minute = 0, second = 0;
};

// Automation date <-> calendar parts (rounded to the second). Only years 100 to 9999 are
// dates: a serial outside them (or NaN) is an overflow (6) for splitDate and every date
// formatter below.
DateParts splitDate(Date d);
std::optional<Date> makeDate(const DateParts& p);  // nullopt for an invalid calendar date
Date dateFromParts(int y, int m, int d, int hh = 0, int mm = 0, int ss = 0);  // throws 13 if invalid

// "dd/mm/yyyy" at midnight, else "dd/mm/yyyy HH:MM:SS".
std::string formatDate(Date d);
void appendDate(std::string& out, Date d);
// "dd/mm/yyyy" and "HH:MM:SS" separately (the log lines).
std::string formatDateOnly(Date d);
std::string formatTimeOnly(Date d);
// ISO-8601 "yyyy-mm-dd HH:MM:SS" (the embedded database's storage form).
std::string formatIsoDate(Date d);

// At most 15 significant digits, no trailing zeros, "." separator (1234.5, 0.1, 100). A value
// whose text would not read back as a finite number (infinity, NaN, 1.7976931348623157e308,
// which rounds to 1.79769313486232E+308) is an overflow (6).
std::string formatDouble(double v);
void appendDouble(std::string& out, double v);
std::string formatDecimal(Decimal d);  // exact: "1234.5", no trailing zeros
void appendInt(std::string& out, int64_t v);
inline const char* formatBool(bool b) { return b ? "True" : "False"; }

// Parsing. Numbers: optional blanks, sign, digits, ".", exponent. Dates: day first
// ("31/12/2026", "31/12/2026 13:05:00") or ISO ("2026-12-31", "2026-12-31 13:05:00", "T").
std::optional<double> parseNumber(std::string_view text);
std::optional<Decimal> parseDecimal(std::string_view text);
// Whether the text is written as a number, of any size: tells a number too large for its type
// (overflow, 6) from a text that is no number (type mismatch, 13).
bool isNumberText(std::string_view text);
std::optional<Date> parseDate(std::string_view text);

double decimalToDouble(Decimal d);
std::optional<Decimal> decimalFromDouble(double v);  // via the 15-digit text form

// The current local date and time as an automation date.
Date now();

// UTF-8 validity, and length in characters (code points).
bool isValidUtf8(std::string_view s);
size_t utf8Length(std::string_view s);

}  // namespace korvanda
KORVANDA_API_END
