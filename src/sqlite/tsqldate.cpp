#include "sqlite/tsqldate.h"

#include <cctype>
#include <cstdio>

#include "core/ascii.h"

namespace korvanda::sqlite::tsql {
namespace {

bool isLeap(int y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }

std::string_view trim(std::string_view s) {
  while (!s.empty() && std::isspace(static_cast<unsigned char>(s.front()))) s.remove_prefix(1);
  while (!s.empty() && std::isspace(static_cast<unsigned char>(s.back()))) s.remove_suffix(1);
  return s;
}

// Reads 1..maxDigits digits; returns the count read.
int readNumber(std::string_view& s, int& out, int maxDigits) {
  int n = 0, v = 0;
  while (n < maxDigits && !s.empty() && std::isdigit(static_cast<unsigned char>(s.front()))) {
    v = v * 10 + (s.front() - '0');
    s.remove_prefix(1);
    ++n;
  }
  if (n) out = v;
  return n;
}

bool eat(std::string_view& s, char c) {
  if (s.empty() || s.front() != c) return false;
  s.remove_prefix(1);
  return true;
}

bool readTime(std::string_view s, DateTime& d) {
  s = trim(s);
  if (s.empty()) return true;
  if (readNumber(s, d.hour, 2) == 0 || !eat(s, ':') || readNumber(s, d.minute, 2) != 2) return false;
  if (eat(s, ':')) {
    if (readNumber(s, d.second, 2) != 2) return false;
    if (eat(s, '.')) {  // fractions of a second are not kept
      int ignored = 0;
      if (readNumber(s, ignored, 9) == 0) return false;
    }
  }
  s = trim(s);
  if (!s.empty()) {
    bool pm = ascii::equalsIgnoreCase(s, "PM") || ascii::equalsIgnoreCase(s, "p.m.");
    bool am = ascii::equalsIgnoreCase(s, "AM") || ascii::equalsIgnoreCase(s, "a.m.");
    if (!pm && !am) return false;
    if (d.hour < 1 || d.hour > 12) return false;
    if (pm && d.hour != 12) d.hour += 12;
    if (am && d.hour == 12) d.hour = 0;
  }
  return d.hour <= 23 && d.minute <= 59 && d.second <= 59;
}

bool valid(const DateTime& d) {
  return d.year >= 1753 && d.year <= 9999 && d.month >= 1 && d.month <= 12 && d.day >= 1 &&
         d.day <= daysInMonth(d.year, d.month);
}

}  // namespace

int daysInMonth(int year, int month) {
  static const int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (month < 1 || month > 12) return 0;
  return month == 2 && isLeap(year) ? 29 : days[month - 1];
}

std::optional<DateOrder> dateOrderFromName(std::string_view name) {
  if (ascii::equalsIgnoreCase(name, "dmy")) return DateOrder::dmy;
  if (ascii::equalsIgnoreCase(name, "mdy")) return DateOrder::mdy;
  if (ascii::equalsIgnoreCase(name, "ymd")) return DateOrder::ymd;
  return std::nullopt;
}

const char* dateOrderName(DateOrder order) {
  switch (order) {
    case DateOrder::dmy: return "dmy";
    case DateOrder::mdy: return "mdy";
    case DateOrder::ymd: return "ymd";
  }
  return "dmy";
}

std::optional<DateTime> parseDate(std::string_view text, DateOrder order) {
  std::string_view s = trim(text);
  DateTime d;
  if (s.empty()) return d;
  std::string_view rest = s;
  int a = 0, b = 0, c = 0;
  int na = readNumber(rest, a, 8);
  if (na == 8 && (rest.empty() || rest.front() == ' ' || rest.front() == 'T')) {
    // yyyymmdd
    d.year = a / 10000, d.month = a / 100 % 100, d.day = a % 100;
  } else if (na == 4 && !rest.empty() && (rest.front() == '-' || rest.front() == '/' || rest.front() == '.')) {
    char sep = rest.front();
    rest.remove_prefix(1);
    if (readNumber(rest, b, 2) == 0 || !eat(rest, sep) || readNumber(rest, c, 2) == 0) return std::nullopt;
    d.year = a, d.month = b, d.day = c;
  } else if (na >= 1 && na <= 2 && !rest.empty() &&
             (rest.front() == '/' || rest.front() == '-' || rest.front() == '.')) {
    char sep = rest.front();
    rest.remove_prefix(1);
    if (readNumber(rest, b, 2) == 0 || !eat(rest, sep)) return std::nullopt;
    int nc = readNumber(rest, c, 4);
    if (nc != 2 && nc != 4) return std::nullopt;
    if (nc == 2) c += c <= 49 ? 2000 : 1900;
    switch (order) {
      case DateOrder::dmy: d.day = a, d.month = b, d.year = c; break;
      case DateOrder::mdy: d.month = a, d.day = b, d.year = c; break;
      case DateOrder::ymd: return std::nullopt;  // a two-digit leading year is not read
    }
  } else {
    return std::nullopt;
  }
  if (!rest.empty()) {
    if (rest.front() != ' ' && rest.front() != 'T') return std::nullopt;
    rest.remove_prefix(1);
    if (!readTime(rest, d)) return std::nullopt;
  }
  if (!valid(d)) return std::nullopt;
  return d;
}

std::string formatIso(const DateTime& d) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%04d-%02d-%02d %02d:%02d:%02d", d.year, d.month, d.day, d.hour,
                d.minute, d.second);
  return buf;
}

std::optional<std::string> normalizeDate(std::string_view text, DateOrder order) {
  auto d = parseDate(text, order);
  if (!d) return std::nullopt;
  return formatIso(*d);
}

}  // namespace korvanda::sqlite::tsql
