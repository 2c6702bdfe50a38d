// Date texts as SQL Server reads them from character strings, turned into the embedded
// database's storage form. Standard library only: the translation and the database
// functions share it, and both are also built outside the library.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace korvanda::sqlite::tsql {

// SET DATEFORMAT: the order of day, month and year in numeric date texts.
enum class DateOrder { dmy, mdy, ymd };
std::optional<DateOrder> dateOrderFromName(std::string_view name);  // "dmy", "MDY"...
const char* dateOrderName(DateOrder order);

struct DateTime {
  int year = 1900, month = 1, day = 1, hour = 0, minute = 0, second = 0;
};

// Reads "2026-12-31", "2026-12-31 13:05:00", "2026-12-31T13:05:00.123", "20261231",
// "31/12/2026", "31-12-2026 1:05 PM", "31.12.26" (numeric forms in the given order, two-digit
// years up to 49 are 20xx). The empty or blank text is 1900-01-01, as SQL Server reads it.
std::optional<DateTime> parseDate(std::string_view text, DateOrder order);
// "yyyy-mm-dd HH:MM:SS".
std::string formatIso(const DateTime& d);
// parseDate then formatIso.
std::optional<std::string> normalizeDate(std::string_view text, DateOrder order);
int daysInMonth(int year, int month);

}  // namespace korvanda::sqlite::tsql
