#include "korvanda/textform.h"

#include <charconv>
#include <cstdint>
#include <cstring>
#include <cmath>
#include <cstdio>
#include <ctime>

#include "korvanda/error.h"

namespace korvanda {
namespace {

// Days from 1970-01-01 to a civil date (proleptic Gregorian), H. Hinnant's algorithm.
int64_t daysFromCivil(int64_t y, unsigned m, unsigned d) {
  y -= m <= 2;
  const int64_t era = (y >= 0 ? y : y - 399) / 400;
  const unsigned yoe = static_cast<unsigned>(y - era * 400);
  const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + static_cast<int64_t>(doe) - 719468;
}

void civilFromDays(int64_t z, int& y, int& m, int& d) {
  z += 719468;
  const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const unsigned doe = static_cast<unsigned>(z - era * 146097);
  const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const int64_t yy = static_cast<int64_t>(yoe) + era * 400;
  const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const unsigned mp = (5 * doy + 2) / 153;
  d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  y = static_cast<int>(yy + (m <= 2));
}

constexpr int64_t kEpochOffset = 25569;  // 1970-01-01 as an automation date

bool leap(int y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }
int daysInMonth(int y, int m) {
  static constexpr int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return m == 2 && leap(y) ? 29 : days[m - 1];
}

void append2(std::string& out, int v) {
  out.push_back(static_cast<char>('0' + v / 10));
  out.push_back(static_cast<char>('0' + v % 10));
}
void append4(std::string& out, int v) {
  if (v < 0 || v > 9999) {
    appendInt(out, v);
    return;
  }
  append2(out, v / 100);
  append2(out, v % 100);
}

std::string_view trim(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
  return s;
}

// Reads 1..maxDigits digits; false when there is none.
bool readInt(std::string_view& s, int& out, size_t maxDigits) {
  size_t n = 0;
  int v = 0;
  while (n < s.size() && n < maxDigits && s[n] >= '0' && s[n] <= '9') v = v * 10 + (s[n++] - '0');
  if (n == 0) return false;
  s.remove_prefix(n);
  out = v;
  return true;
}
bool readChar(std::string_view& s, char c) {
  if (s.empty() || s.front() != c) return false;
  s.remove_prefix(1);
  return true;
}

}  // namespace

DateParts splitDate(Date date) {
  // Negative serials keep the time as a positive fraction of the (truncated) day.
  double v = date.serial;
  // Only 1 January 100 to 31 December 9999 is a date (NaN fails the test too).
  if (!(v > -657435.0 && v < 2958466.0)) throw errors::overflow();
  double dayPart = std::trunc(v);
  double frac = std::fabs(v - dayPart);
  int64_t secs = std::llround(frac * 86400.0);
  int64_t days = static_cast<int64_t>(dayPart);
  if (secs >= 86400) {
    secs -= 86400;
    days += v < 0 ? -1 : 1;
  }
  DateParts p;
  civilFromDays(days - kEpochOffset, p.year, p.month, p.day);
  p.hour = static_cast<int>(secs / 3600);
  p.minute = static_cast<int>(secs / 60 % 60);
  p.second = static_cast<int>(secs % 60);
  return p;
}

std::optional<Date> makeDate(const DateParts& p) {
  if (p.year < 100 || p.year > 9999 || p.month < 1 || p.month > 12 || p.day < 1 ||
      p.day > daysInMonth(p.year, p.month) || p.hour < 0 || p.hour > 23 || p.minute < 0 ||
      p.minute > 59 || p.second < 0 || p.second > 59)
    return std::nullopt;
  double days = static_cast<double>(daysFromCivil(p.year, p.month, p.day) + kEpochOffset);
  double frac = (p.hour * 3600 + p.minute * 60 + p.second) / 86400.0;
  return Date{days >= 0 ? days + frac : days - frac};
}

Date dateFromParts(int y, int m, int d, int hh, int mm, int ss) {
  auto r = makeDate(DateParts{y, m, d, hh, mm, ss});
  if (!r) throw errors::typeMismatch("invalid date");
  return *r;
}

void appendDate(std::string& out, Date d) {
  DateParts p = splitDate(d);
  append2(out, p.day);
  out.push_back('/');
  append2(out, p.month);
  out.push_back('/');
  append4(out, p.year);
  if (p.hour || p.minute || p.second) {
    out.push_back(' ');
    append2(out, p.hour);
    out.push_back(':');
    append2(out, p.minute);
    out.push_back(':');
    append2(out, p.second);
  }
}

std::string formatDate(Date d) {
  std::string s;
  appendDate(s, d);
  return s;
}

std::string formatDateOnly(Date d) {
  DateParts p = splitDate(d);
  std::string s;
  append2(s, p.day);
  s.push_back('/');
  append2(s, p.month);
  s.push_back('/');
  append4(s, p.year);
  return s;
}

std::string formatTimeOnly(Date d) {
  DateParts p = splitDate(d);
  std::string s;
  append2(s, p.hour);
  s.push_back(':');
  append2(s, p.minute);
  s.push_back(':');
  append2(s, p.second);
  return s;
}

std::string formatIsoDate(Date d) {
  DateParts p = splitDate(d);
  std::string s;
  append4(s, p.year);
  s.push_back('-');
  append2(s, p.month);
  s.push_back('-');
  append2(s, p.day);
  s.push_back(' ');
  append2(s, p.hour);
  s.push_back(':');
  append2(s, p.minute);
  s.push_back(':');
  append2(s, p.second);
  return s;
}

void appendInt(std::string& out, int64_t v) {
  char buf[24];
  auto r = std::to_chars(buf, buf + sizeof buf, v);
  out.append(buf, r.ptr);
}

void appendDouble(std::string& out, double v) {
  if (v == 0) {  // also -0
    out.push_back('0');
    return;
  }
  // A text that would not read back as a finite number is no text form: the infinities, NaN,
  // and the top of the range, whose 15 digits round past the largest double.
  if (!std::isfinite(v)) throw errors::overflow();
  // 15 significant digits, as printf's %.15g would give them, but without the C locale's
  // decimal separator (a host application may set its own) and without printf's cost.
  char buf[40];
  auto r = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::general, 15);
  std::string_view s(buf, static_cast<size_t>(r.ptr - buf));
  size_t e = s.find('e');
  if (e == std::string_view::npos) {
    out.append(s);
    return;
  }
  if (std::fabs(v) > 1.79769313486231e308) {
    double back = 0;
    if (std::from_chars(s.data(), s.data() + s.size(), back).ec != std::errc()) throw errors::overflow();
  }
  // 1e+20 -> 1E+20, 1.5e-07 -> 1.5E-07 (the automation runtime's exponent form).
  out.append(s.substr(0, e));
  out.push_back('E');
  out.append(s.substr(e + 1));
}

std::string formatDouble(double v) {
  std::string s;
  appendDouble(s, v);
  return s;
}

std::string formatDecimal(Decimal d) {
  bool neg = d.mantissa < 0;
  // Work in unsigned to survive INT64_MIN.
  uint64_t mag = neg ? 0 - static_cast<uint64_t>(d.mantissa) : static_cast<uint64_t>(d.mantissa);
  std::string digits = std::to_string(mag);
  int scale = d.scale;
  // Drop trailing zeros of the fraction.
  while (scale > 0 && digits.size() > 1 && digits.back() == '0') {
    digits.pop_back();
    --scale;
  }
  if (scale > 0 && digits == "0") scale = 0;
  std::string out;
  if (neg && mag != 0) out.push_back('-');
  if (scale == 0) {
    out += digits;
  } else if (static_cast<int>(digits.size()) <= scale) {
    out += "0.";
    out.append(static_cast<size_t>(scale) - digits.size(), '0');
    out += digits;
  } else {
    out.append(digits, 0, digits.size() - static_cast<size_t>(scale));
    out.push_back('.');
    out.append(digits, digits.size() - static_cast<size_t>(scale));
  }
  return out;
}

bool operator==(Decimal a, Decimal b) { return formatDecimal(a) == formatDecimal(b); }

std::optional<double> parseNumber(std::string_view text) {
  std::string_view s = trim(text);
  if (s.empty()) return std::nullopt;
  if (s.front() == '+') s.remove_prefix(1);
  if (s.empty() || s.front() == '+') return std::nullopt;
  double v = 0;
  auto r = std::from_chars(s.data(), s.data() + s.size(), v, std::chars_format::general);
  if (r.ec == std::errc::result_out_of_range) return std::nullopt;
  if (r.ec != std::errc() || r.ptr != s.data() + s.size()) return std::nullopt;
  // "inf" and "nan" read as numbers, but no text names such a number.
  if (!std::isfinite(v)) return std::nullopt;
  return v;
}

bool isNumberText(std::string_view text) {
  std::string_view s = trim(text);
  if (!s.empty() && s.front() == '+') s.remove_prefix(1);
  if (s.empty() || s.front() == '+') return false;
  double v = 0;
  auto r = std::from_chars(s.data(), s.data() + s.size(), v, std::chars_format::general);
  if (r.ptr != s.data() + s.size()) return false;
  if (r.ec == std::errc::result_out_of_range) return true;
  return r.ec == std::errc() && std::isfinite(v);
}

std::optional<Decimal> parseDecimal(std::string_view text) {
  std::string_view s = trim(text);
  bool neg = false;
  if (!s.empty() && (s.front() == '-' || s.front() == '+')) {
    neg = s.front() == '-';
    s.remove_prefix(1);
  }
  if (s.empty()) return std::nullopt;
  // Plain digits with an optional fraction; anything else goes through the double form.
  // The negative side reaches one further: -9223372036854775808 is a mantissa too.
  const uint64_t limit = static_cast<uint64_t>(INT64_MAX) + (neg ? 1 : 0);
  uint64_t mant = 0;
  int scale = 0;
  bool dot = false, any = false;
  for (char c : s) {
    if (c == '.' && !dot) {
      dot = true;
      continue;
    }
    if (c < '0' || c > '9') {
      auto d = parseNumber(text);
      return d ? decimalFromDouble(*d) : std::nullopt;
    }
    any = true;
    const auto digit = static_cast<uint64_t>(c - '0');
    if (mant > (limit - digit) / 10 || scale >= 28) {
      if (dot) continue;  // fraction digits beyond what the mantissa holds are truncated
      return std::nullopt;
    }
    mant = mant * 10 + digit;
    if (dot) ++scale;
  }
  if (!any) return std::nullopt;
  const int64_t m = neg ? static_cast<int64_t>(0 - mant) : static_cast<int64_t>(mant);
  return Decimal{m, static_cast<uint8_t>(scale)};
}

double decimalToDouble(Decimal d) {
  // Through the text form: exact digits, one correctly rounded conversion.
  return parseNumber(formatDecimal(d)).value_or(0.0);
}

std::optional<Decimal> decimalFromDouble(double v) {
  if (!std::isfinite(v)) return std::nullopt;
  char buf[64];
  auto r = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::general, 15);
  std::string_view s(buf, static_cast<size_t>(r.ptr - buf));
  const size_t e = s.find('e');
  if (e == std::string_view::npos) return parseDecimal(s);
  // The exponent form: the same 15 significant digits with the point moved (1.5e-07 is
  // 0.00000015, as the automation runtime converts it), not the binary value's long tail.
  std::string_view mantissa = s.substr(0, e), exponent = s.substr(e + 1);
  if (!exponent.empty() && exponent.front() == '+') exponent.remove_prefix(1);
  int exp = 0;
  std::from_chars(exponent.data(), exponent.data() + exponent.size(), exp);
  std::string sign, digits;
  long point = 0;  // digits before the point
  for (char c : mantissa) {
    if (c == '-') sign = "-";
    else if (c == '.') point = static_cast<long>(digits.size());
    else digits.push_back(c);
  }
  if (mantissa.find('.') == std::string_view::npos) point = static_cast<long>(digits.size());
  point += exp;
  if (point > 40) return std::nullopt;  // far beyond any mantissa
  std::string fixed = sign;
  if (point <= 0) fixed += "0." + std::string(static_cast<size_t>(std::min(-point, 40L)), '0') + digits;
  else if (point >= static_cast<long>(digits.size())) fixed += digits + std::string(static_cast<size_t>(point) - digits.size(), '0');
  else fixed += digits.substr(0, static_cast<size_t>(point)) + "." + digits.substr(static_cast<size_t>(point));
  return parseDecimal(fixed);
}

std::optional<Date> parseDate(std::string_view text) {
  std::string_view s = trim(text);
  DateParts p;
  std::string_view t = s;
  int a = 0, b = 0, c = 0;
  if (readInt(t, a, 4) && t.size() > 0 && t.front() == '-') {
    // ISO: yyyy-mm-dd
    if (!readChar(t, '-') || !readInt(t, b, 2) || !readChar(t, '-') || !readInt(t, c, 2))
      return std::nullopt;
    p.year = a, p.month = b, p.day = c;
  } else {
    t = s;
    if (!readInt(t, a, 2) || !readChar(t, '/') || !readInt(t, b, 2) || !readChar(t, '/') ||
        !readInt(t, c, 4))
      return std::nullopt;
    p.day = a, p.month = b, p.year = c;
  }
  p.hour = p.minute = p.second = 0;
  if (!t.empty()) {
    if (t.front() != ' ' && t.front() != 'T') return std::nullopt;
    t.remove_prefix(1);
    t = trim(t);
    if (!readInt(t, p.hour, 2) || !readChar(t, ':') || !readInt(t, p.minute, 2)) return std::nullopt;
    if (readChar(t, ':') && !readInt(t, p.second, 2)) return std::nullopt;
    if (readChar(t, '.')) {  // fractional seconds are dropped
      int ignored = 0;
      if (!readInt(t, ignored, 9)) return std::nullopt;
    }
    if (!t.empty() && t != "Z") return std::nullopt;
  }
  return makeDate(p);
}

Date now() {
  std::time_t t = std::time(nullptr);
  std::tm tm{};
  localtime_r(&t, &tm);
  return *makeDate(DateParts{tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min,
                             tm.tm_sec > 59 ? 59 : tm.tm_sec});
}

bool isValidUtf8(std::string_view s) {
  size_t i = 0, n = s.size();
  while (i < n) {
    // ASCII, eight bytes at a time.
    for (uint64_t word; i + 8 <= n; i += 8) {
      std::memcpy(&word, s.data() + i, 8);
      if (word & 0x8080808080808080u) break;
    }
    if (i == n) break;
    auto c = static_cast<unsigned char>(s[i]);
    if (c < 0x80) {
      ++i;
      continue;
    }
    size_t len;
    uint32_t cp;
    if ((c & 0xE0) == 0xC0) len = 2, cp = c & 0x1F;
    else if ((c & 0xF0) == 0xE0) len = 3, cp = c & 0x0F;
    else if ((c & 0xF8) == 0xF0) len = 4, cp = c & 0x07;
    else return false;
    if (i + len > n) return false;
    for (size_t k = 1; k < len; ++k) {
      auto cc = static_cast<unsigned char>(s[i + k]);
      if ((cc & 0xC0) != 0x80) return false;
      cp = (cp << 6) | (cc & 0x3F);
    }
    if ((len == 2 && cp < 0x80) || (len == 3 && cp < 0x800) || (len == 4 && cp < 0x10000) ||
        cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
      return false;
    i += len;
  }
  return true;
}

size_t utf8Length(std::string_view s) {
  size_t n = 0;
  for (char c : s)
    if ((static_cast<unsigned char>(c) & 0xC0) != 0x80) ++n;
  return n;
}

}  // namespace korvanda
