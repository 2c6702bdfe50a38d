#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "korvanda/error.h"
#include "korvanda/textform.h"
#include "korvanda/variant.h"

using namespace korvanda;

namespace {
template <class F>
int errorOf(F&& f) {
  try {
    f();
  } catch (const Error& e) {
    return e.number();
  }
  return 0;
}
}  // namespace

TEST(Coercion, TextToInt16RoundsHalfToEven) {
  EXPECT_EQ(toInt16(Variant("2")), 2);
  EXPECT_EQ(toInt16(Variant("2.5")), 2);
  EXPECT_EQ(toInt16(Variant("3.5")), 4);
  EXPECT_EQ(toInt16(Variant("-2.5")), -2);
  EXPECT_EQ(toInt16(Variant(" 7 ")), 7);
  EXPECT_EQ(toInt16(Variant(32767.4)), 32767);
  EXPECT_EQ(toInt16(Variant(true)), -1);
  EXPECT_EQ(toInt16(Variant()), 0);
}

TEST(Coercion, OverflowTypeMismatchAndNull) {
  EXPECT_EQ(errorOf([] { toInt16(Variant(40000)); }), 6);
  EXPECT_EQ(errorOf([] { toInt16(Variant("32767.5")); }), 6);
  EXPECT_EQ(errorOf([] { toInt16(Variant(int32_t{-32769})); }), 6);
  EXPECT_EQ(errorOf([] { toByte(Variant(int16_t{256})); }), 6);
  EXPECT_EQ(errorOf([] { toByte(Variant(int16_t{-1})); }), 6);
  EXPECT_EQ(errorOf([] { toInt32(Variant(3e9)); }), 6);
  EXPECT_EQ(errorOf([] { toInt32(Variant(std::nan(""))); }), 6);
  EXPECT_EQ(errorOf([] { toInt64(Variant(9.3e18)); }), 6);
  EXPECT_EQ(errorOf([] { toInt16(Variant("x")); }), 13);
  EXPECT_EQ(errorOf([] { toInt16(Variant("")); }), 13);
  EXPECT_EQ(errorOf([] { toDouble(Variant("1,5")); }), 13);
  EXPECT_EQ(errorOf([] { toDate(Variant("31/02/2026")); }), 13);
  EXPECT_EQ(errorOf([] { toInt16(Variant(Null{})); }), 94);
  EXPECT_EQ(errorOf([] { toText(Variant(Null{})); }), 94);
  EXPECT_EQ(errorOf([] { toBool(Variant("yes")); }), 13);
}

// A number whose text would not read back as a finite number, or too large for a decimal, is
// an overflow; a text that is no number stays a type mismatch.
TEST(Coercion, NumbersBeyondTheirTextOrTypeAreOverflow) {
  const double inf = std::numeric_limits<double>::infinity();
  const double belowMax = std::nextafter(std::numeric_limits<double>::max(), 0.0);
  for (double v : {1.7976931348623157e308, -1.7976931348623157e308, belowMax, inf,
                   -inf, std::nan("")}) {
    SCOPED_TRACE(v);
    EXPECT_EQ(errorOf([&] { formatDouble(v); }), 6);
    EXPECT_EQ(errorOf([&] { toText(Variant(v)); }), 6);
  }
  EXPECT_EQ(formatDouble(1.79769313486231e308), "1.79769313486231E+308");  // reads back
  EXPECT_EQ(formatDouble(-1.7976931348623e308), "-1.7976931348623E+308");
  for (const char* t : {"123456789012345678901234567890", "-123456789012345678901234567890",
                        "9223372036854775808", "12345678901234567890.5", "1e400", " 1E+30 "})
    EXPECT_EQ(errorOf([&] { toDecimal(Variant(t)); }), 6) << t;
  for (const char* t : {"12x", "", "1e", "--1", "inf", "1,5", "0x10"})
    EXPECT_EQ(errorOf([&] { toDecimal(Variant(t)); }), 13) << t;
  EXPECT_EQ(formatDecimal(toDecimal(Variant("9223372036854775807"))), "9223372036854775807");
}

TEST(Coercion, ToTextUsesTheFixedForms) {
  EXPECT_EQ(toText(Variant(1234.5)), "1234.5");
  EXPECT_EQ(toText(Variant(true)), "True");
  EXPECT_EQ(toText(Variant(int16_t{-12})), "-12");
  EXPECT_EQ(toText(Variant(dateFromParts(2026, 3, 9, 8, 0, 0))), "09/03/2026 08:00:00");
  EXPECT_EQ(toText(Variant(Decimal{250, 2})), "2.5");
  EXPECT_EQ(toText(Variant()), "");
}

TEST(Coercion, TextsBooleansDatesAndDecimals) {
  EXPECT_TRUE(toBool(Variant("TRUE")));
  EXPECT_FALSE(toBool(Variant("false")));
  EXPECT_TRUE(toBool(Variant("-1")));
  EXPECT_FALSE(toBool(Variant(0.0)));
  EXPECT_EQ(toDate(Variant("04/12/2026")).serial, dateFromParts(2026, 12, 4).serial);
  EXPECT_EQ(toDate(Variant(36526.0)).serial, 36526.0);
  EXPECT_EQ(formatDecimal(toDecimal(Variant("0.1"))), "0.1");
  EXPECT_EQ(formatDecimal(toDecimal(Variant(0.1))), "0.1");
  EXPECT_EQ(formatDecimal(toDecimal(Variant(int32_t{42}))), "42");
  EXPECT_EQ(toInt32(Variant(Decimal{25, 1})), 2);  // 2.5 to even
  EXPECT_EQ(toDouble(Variant(Decimal{12345, 2})), 123.45);
}

TEST(Coercion, ObjectsOnlyWhereObjectsGo) {
  EXPECT_EQ(toObject(Variant()), nullptr);
  EXPECT_EQ(toObject(Variant(nullptr)), nullptr);
  EXPECT_EQ(errorOf([] { toObject(Variant("x")); }), 13);
  EXPECT_EQ(errorOf([] { toText(Variant(nullptr)); }), 13);
}
