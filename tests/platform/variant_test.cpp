// The coercions and text forms, driven by tests/golden/platform/coercions.tsv: every call with
// its argument and what it gives (a value's text form, or "!" and the error number).
#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <map>

#include "korvanda/error.h"
#include "korvanda/textform.h"
#include "korvanda/variant.h"
#include "support/fixture.h"

using namespace korvanda;

namespace {

// "kind:text", e.g. "i2:-12", "dbl:1e300", "date:-1.25" (a serial), "dec:250/2", "text:O'x".
Variant argument(const std::string& cell) {
  const size_t colon = cell.find(':');
  const std::string kind = cell.substr(0, colon),
                    t = colon == std::string::npos ? "" : cell.substr(colon + 1);
  if (kind == "empty") return Variant();
  if (kind == "null") return Variant(Null{});
  if (kind == "nothing") return Variant(nullptr);
  if (kind == "bool") return Variant(t == "True");
  if (kind == "byte") return Variant(static_cast<uint8_t>(std::stoi(t)));
  if (kind == "i2") return Variant(static_cast<int16_t>(std::stoi(t)));
  if (kind == "i4") return Variant(static_cast<int32_t>(std::stol(t)));
  if (kind == "i8") return Variant(static_cast<int64_t>(std::stoll(t)));
  if (kind == "dbl") return Variant(std::strtod(t.c_str(), nullptr));
  if (kind == "date") return Variant(Date{std::strtod(t.c_str(), nullptr)});
  if (kind == "dec")
    return Variant(
        Decimal{std::stoll(t), static_cast<uint8_t>(std::stoi(t.substr(t.find('/') + 1)))});
  if (kind == "text") return Variant(korvanda::testing::unescaped(t));
  throw std::invalid_argument("unknown argument kind: " + cell);
}

std::string shown(const Variant& v) {
  if (const auto* b = v.get_if<bool>()) return formatBool(*b);
  if (const auto* d = v.get_if<double>()) return formatDouble(*d);
  if (v.isObject()) return toObject(v) ? "object" : "nothing";
  return toText(v);
}

template <class T>
std::string shownOr(const std::optional<T>& v) {
  return v ? shown(Variant(*v)) : "none";
}

using Call = std::function<std::string(const Variant&)>;

const std::map<std::string, Call>& calls() {
  static const std::map<std::string, Call> c = {
      {"toInt16", [](const Variant& v) { return shown(toInt16(v)); }},
      {"toInt32", [](const Variant& v) { return shown(toInt32(v)); }},
      {"toInt64", [](const Variant& v) { return shown(toInt64(v)); }},
      {"toByte", [](const Variant& v) { return shown(toByte(v)); }},
      {"toBool", [](const Variant& v) { return shown(toBool(v)); }},
      {"toDouble", [](const Variant& v) { return shown(toDouble(v)); }},
      {"toDecimal", [](const Variant& v) { return shown(toDecimal(v)); }},
      {"toText", [](const Variant& v) { return toText(v); }},
      {"toDate", [](const Variant& v) { return shown(toDate(v)); }},
      {"toObject", [](const Variant& v) { return toObject(v) ? "object" : "nothing"; }},
      {"formatIsoDate", [](const Variant& v) { return formatIsoDate(*v.get_if<Date>()); }},
      {"formatDateOnly", [](const Variant& v) { return formatDateOnly(*v.get_if<Date>()); }},
      {"formatTimeOnly", [](const Variant& v) { return formatTimeOnly(*v.get_if<Date>()); }},
      {"dateFromParts", [](const Variant& v) {
         int p[6] = {};
         std::sscanf(toText(v).c_str(), "%d,%d,%d,%d,%d,%d", &p[0], &p[1], &p[2], &p[3], &p[4], &p[5]);
         return formatDouble(dateFromParts(p[0], p[1], p[2], p[3], p[4], p[5]).serial);
       }},
      {"decimalFromDouble", [](const Variant& v) { return shownOr(decimalFromDouble(*v.get_if<double>())); }},
      {"parseNumber", [](const Variant& v) { return shownOr(parseNumber(toText(v))); }},
      {"parseDecimal", [](const Variant& v) { return shownOr(parseDecimal(toText(v))); }},
      {"parseDate", [](const Variant& v) { return shownOr(parseDate(toText(v))); }},
      {"isValidUtf8", [](const Variant& v) { return shown(isValidUtf8(toText(v))); }},
      {"utf8Length", [](const Variant& v) { return std::to_string(utf8Length(toText(v))); }},
  };
  return c;
}

}  // namespace

TEST(Coercion, EveryCallOfTheTableGivesItsResult) {
  const auto rows = korvanda::testing::goldenTable("platform/coercions.tsv");
  EXPECT_GT(rows.size(), 100u);
  for (const auto& row : rows) {
    ASSERT_EQ(row.size(), 3u) << row[0];
    SCOPED_TRACE(row[0] + "(" + row[1] + ")");
    ASSERT_TRUE(calls().count(row[0])) << "unknown call";
    std::string got;
    try {
      got = calls().at(row[0])(argument(row[1]));
    } catch (const Error& e) {
      got = "!" + std::to_string(e.number());
    }
    EXPECT_EQ(got, korvanda::testing::unescaped(row[2]));
  }
}
