// Text forms and coercions: parsing of numbers, decimals and dates, the automation
// coercions of every value kind, and the statement value renderers.
//
// First byte selects what the rest is: 0x01 a double (8 bytes), 0x02 a 64-bit integer and a
// decimal scale (9 bytes), anything else a text. Every coercion either gives a value or fails
// with the library's error; what parses prints back to a text that parses to the same value.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

#include "component/sql.h"
#include "korvanda/error.h"
#include "korvanda/textform.h"
#include "korvanda/variant.h"

#include "fuzz_support.h"

namespace {

using namespace korvanda;

using korvanda::fuzz::fail;

// Runs a coercion; only the library's own errors may come out of it.
template <class F>
auto attempt(F&& f) -> std::optional<decltype(f())> {
  try {
    return f();
  } catch (const Error&) {
    return std::nullopt;
  }
}

void coerceAll(const Variant& v) {
  attempt([&] { return toInt16(v); });
  attempt([&] { return toInt32(v); });
  attempt([&] { return toInt64(v); });
  attempt([&] { return toByte(v); });
  attempt([&] { return toBool(v); });
  attempt([&] { return toDecimal(v); });
  attempt([&] { return toText(v); });
  if (auto d = attempt([&] { return toDate(v); })) attempt([&] { return formatDate(*d); });
  auto dbl = attempt([&] { return toDouble(v); });
  auto i16 = attempt([&] { return toInt16(v); });
  // A number within range converts to the nearest int16, halves to even.
  if (dbl && std::isfinite(*dbl) && std::nearbyint(*dbl) >= -32768 && std::nearbyint(*dbl) <= 32767) {
    if (!i16) fail("a number in range did not convert to int16: " + formatDouble(*dbl));
    if (*i16 != static_cast<int16_t>(std::nearbyint(*dbl))) fail("int16 rounding differs from the double");
  }
  // A number rendered for a statement is a number literal (at the very top of the double
  // range, where its 15 digits would round past the largest double, it is refused).
  if (auto r = attempt([&] { return sql::decimal(toDouble(v)); })) {
    const bool literal = r->find_first_not_of("0123456789.E+-") == std::string::npos &&
                         r->find_first_of("0123456789") != std::string::npos;
    if (!literal) fail("a number rendered for a statement is not a number: " + *r);
  }
}

// A double's text form reads back as the same text; only a value whose 15 digits would not
// read back as a finite number (the infinities, NaN, the very top of the range) has none.
void checkDoubleText(double x) {
  auto printed = attempt([&] { return formatDouble(x); });
  if (!printed) {
    if (std::isfinite(x) && std::fabs(x) < 1.79769313486231e308) fail("a finite double has no text form");
    return;
  }
  auto again = parseNumber(*printed);
  if (!again || formatDouble(*again) != *printed) fail("double text does not read back: " + *printed);
}

void checkText(std::string_view s) {
  if (auto x = parseNumber(s)) {
    if (!std::isfinite(*x)) fail("a text parsed as a number that is not finite: " + std::string(s));
    checkDoubleText(*x);
  }
  if (auto d = parseDecimal(s)) {
    const std::string printed = formatDecimal(*d);
    auto again = parseDecimal(printed);
    if (!again || formatDecimal(*again) != printed) fail("decimal text does not read back: " + printed);
  }
  if (auto d = parseDate(s)) {
    const DateParts p = splitDate(*d);
    for (const std::string& printed : {formatDate(*d), formatIsoDate(*d)}) {
      auto again = parseDate(printed);
      if (!again) fail("date text does not read back: " + printed);
      const DateParts q = splitDate(*again);
      if (p.year != q.year || p.month != q.month || p.day != q.day || p.hour != q.hour ||
          p.minute != q.minute || p.second != q.second)
        fail("date text reads back as another date: " + printed);
    }
  }
  // Renderers: a quoted text is one literal; an accepted integer is nothing but digits.
  const std::string q = sql::quoted(s);
  size_t quotes = 0;
  for (char c : q) quotes += c == '\'';
  if (quotes % 2 != 0 || q.front() != '\'' || q.back() != '\'') fail("unbalanced quoted text");
  if (auto n = attempt([&] { return sql::requireInteger(s, "x"); })) {
    std::string_view digits = *n;
    if (!digits.empty() && digits.front() == '-') digits.remove_prefix(1);
    if (digits.empty() || digits.find_first_not_of("0123456789") != std::string_view::npos)
      fail("requireInteger let through: " + *n);
  }
  coerceAll(Variant(std::string(s)));
  isValidUtf8(s);
  utf8Length(s);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size >= 9 && data[0] == 0x01) {
    double x;
    std::memcpy(&x, data + 1, sizeof x);
    coerceAll(Variant(x));
    coerceAll(Variant(Date{x}));
    checkDoubleText(x);
    decimalFromDouble(x);
    return 0;
  }
  if (size >= 10 && data[0] == 0x02) {
    int64_t i;
    std::memcpy(&i, data + 1, sizeof i);
    coerceAll(Variant(i));
    const Decimal d{i, data[9]};
    coerceAll(Variant(d));
    const std::string printed = formatDecimal(d);
    auto again = parseDecimal(printed);
    if (data[9] <= 27 && (!again || formatDecimal(*again) != printed))
      fail("decimal does not read back: " + printed);
    return 0;
  }
  checkText(std::string_view(reinterpret_cast<const char*>(data), size));
  return 0;
}
