#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <random>

#include "korvanda/textform.h"

using namespace korvanda;

TEST(DateForms, MidnightHasNoTimeAndOtherTimesDo) {
  EXPECT_EQ(formatDate(dateFromParts(2026, 12, 4)), "04/12/2026");
  EXPECT_EQ(formatDate(dateFromParts(2026, 12, 4, 22, 15, 2)), "04/12/2026 22:15:02");
  EXPECT_EQ(formatDate(dateFromParts(2026, 1, 31, 0, 0, 1)), "31/01/2026 00:00:01");
  EXPECT_EQ(formatDateOnly(dateFromParts(2026, 12, 4, 22, 15, 2)), "04/12/2026");
  EXPECT_EQ(formatTimeOnly(dateFromParts(2026, 12, 4, 9, 5, 7)), "09:05:07");
  EXPECT_EQ(formatIsoDate(dateFromParts(2024, 2, 29, 23, 59, 59)), "2024-02-29 23:59:59");
}

TEST(DateForms, AutomationSerials) {
  EXPECT_EQ(dateFromParts(1899, 12, 30).serial, 0);
  EXPECT_EQ(dateFromParts(1900, 1, 1).serial, 2);
  EXPECT_EQ(dateFromParts(2000, 1, 1).serial, 36526);
  EXPECT_DOUBLE_EQ(dateFromParts(2000, 1, 1, 18).serial, 36526.75);
  // Before the epoch the fraction is still the time of day, counted forwards.
  EXPECT_DOUBLE_EQ(dateFromParts(1899, 12, 29, 6).serial, -1.25);
  EXPECT_EQ(formatDate(Date{-1.25}), "29/12/1899 06:00:00");
  // A time a hair before midnight rounds to the next day, not to 24:00:00.
  EXPECT_EQ(formatDate(Date{36526.9999999}), "02/01/2000");
}

TEST(DateForms, ParsesDayFirstAndIsoAndRejectsTheRest) {
  EXPECT_EQ(parseDate("31/12/2026")->serial, dateFromParts(2026, 12, 31).serial);
  EXPECT_EQ(parseDate("1/2/2026 7:05")->serial, dateFromParts(2026, 2, 1, 7, 5).serial);
  EXPECT_EQ(parseDate("2026-12-31 13:05:00")->serial, dateFromParts(2026, 12, 31, 13, 5).serial);
  EXPECT_EQ(parseDate("2026-12-31T13:05:00.123")->serial,
            dateFromParts(2026, 12, 31, 13, 5).serial);
  for (const char* bad : {"", "31/02/2026", "29/02/2025", "12/31/2026", "2026-13-01", "abc",
                          "31/12/2026 24:00:00", "31/12/2026x", "1e5"})
    EXPECT_FALSE(parseDate(bad)) << bad;
  EXPECT_TRUE(parseDate("29/02/2024"));
}

TEST(NumberForms, FifteenSignificantDigitsNoTrailingZeros) {
  EXPECT_EQ(formatDouble(1234.5), "1234.5");
  EXPECT_EQ(formatDouble(0.1), "0.1");
  EXPECT_EQ(formatDouble(100), "100");
  EXPECT_EQ(formatDouble(-0.0), "0");
  EXPECT_EQ(formatDouble(0.1 + 0.2), "0.3");
  EXPECT_EQ(formatDouble(123456789.123456789), "123456789.123457");
  EXPECT_EQ(formatDouble(-2.5), "-2.5");
  EXPECT_EQ(formatDouble(1e20), "1E+20");
  EXPECT_EQ(formatDouble(1.5e-7), "1.5E-07");
  EXPECT_STREQ(formatBool(true), "True");
  EXPECT_STREQ(formatBool(false), "False");
}

// The same digits as the C library's %.15g for any double, whatever locale the host sets.
TEST(NumberForms, SameDigitsAsPrintfForAnyDouble) {
  std::mt19937_64 bits(7);
  for (int i = 0; i < 200000; ++i) {
    uint64_t b = bits();
    double v;
    std::memcpy(&v, &b, sizeof v);
    if (!std::isfinite(v) || v == 0) continue;
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.15g", v);
    std::string expected = buf;
    if (auto e = expected.find('e'); e != std::string::npos) expected[e] = 'E';
    ASSERT_EQ(formatDouble(v), expected) << "bits " << b;
  }
  EXPECT_EQ(formatDouble(4.9406564584124654e-324), "4.94065645841247E-324");
  EXPECT_EQ(decimalFromDouble(1e300), std::nullopt);
}

// Doubles in exponent form convert by their 15 digits; long fractions are truncated, not refused.
TEST(NumberForms, DecimalsFromExponentFormsAndLongFractions) {
  auto dec = [](double v) { auto d = decimalFromDouble(v); return d ? formatDecimal(*d) : "none"; };
  EXPECT_EQ(dec(1.5e-7), "0.00000015");
  EXPECT_EQ(dec(-2.5e-12), "-0.0000000000025");
  EXPECT_EQ(dec(1.23456789012345e17), "123456789012345000");
  EXPECT_EQ(dec(1e-30), "0");
  EXPECT_EQ(dec(1e19), "none");
  EXPECT_EQ(dec(1e300), "none");
  auto parsed = [](std::string_view t) { auto d = parseDecimal(t); return d ? formatDecimal(*d) : "none"; };
  EXPECT_EQ(parsed("0.12345678901234567890123"), "0.1234567890123456789");
  EXPECT_EQ(parsed("-0.98765432109876543219"), "-0.987654321098765432");
  EXPECT_EQ(parsed("9223372036854775807"), "9223372036854775807");
  EXPECT_EQ(parsed("9223372036854775808"), "none");
  EXPECT_EQ(parsed("-9223372036854775808"), "-9223372036854775808");
}

TEST(NumberForms, DecimalsStayExact) {
  EXPECT_EQ(formatDecimal({12345, 1}), "1234.5");
  EXPECT_EQ(formatDecimal({123450000, 4}), "12345");
  EXPECT_EQ(formatDecimal({-5, 3}), "-0.005");
  EXPECT_EQ(formatDecimal({0, 4}), "0");
  EXPECT_EQ(formatDecimal({INT64_MIN, 0}), "-9223372036854775808");
  auto d = parseDecimal("922337203685477.5807");
  ASSERT_TRUE(d);
  EXPECT_EQ(formatDecimal(*d), "922337203685477.5807");
  EXPECT_EQ(formatDecimal(*parseDecimal("-0.10")), "-0.1");
  EXPECT_FALSE(parseDecimal("12a"));
  EXPECT_FALSE(parseDecimal("99999999999999999999"));
}

TEST(NumberForms, ParsingAcceptsBlanksAndSignsOnly) {
  EXPECT_EQ(*parseNumber(" 2.5 "), 2.5);
  EXPECT_EQ(*parseNumber("+7"), 7);
  EXPECT_EQ(*parseNumber("-1e3"), -1000);
  for (const char* bad : {"", " ", "1,5", "abc", "1.2.3", "++1", "0x10", "1e999"})
    EXPECT_FALSE(parseNumber(bad)) << bad;
}

TEST(Utf8, ValidityAndLength) {
  EXPECT_TRUE(isValidUtf8("Peña Ñandú"));
  EXPECT_EQ(utf8Length("Peña"), 4u);
  EXPECT_FALSE(isValidUtf8("\xC3"));
  EXPECT_FALSE(isValidUtf8("\xC0\xAF"));          // overlong
  EXPECT_FALSE(isValidUtf8("\xED\xA0\x80"));      // surrogate
  EXPECT_FALSE(isValidUtf8("\xF4\x90\x80\x80"));  // beyond U+10FFFF
}
