// The renderings of the shared "columns, then values" builder: every value form, the refusals.
// The statements built with it are in tests/golden/statements/calls.txt.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "korvanda/textform.h"
#include "registration/insert_builder.h"
#include "registration/statements.h"
#include "support/fixture.h"

namespace korvanda {
namespace {

using namespace registration;
using testing::errorOf;

TEST(InsertBuilder, WritesColumnsThenValuesWithTheBlanksOfEachLayout) {
  const Column columns[] = {text("a", "x"), integer("b", -7), decimal("c", 2.5),
                            date("d", dateFromParts(2026, 4, 1))};
  EXPECT_EQ(buildInsert({"INSERT INTO T ", true, ".t"}, columns),
            "INSERT INTO T ( a ,b ,c ,d ) values( 'x' ,-7 ,2.5 ,'01/04/2026' )");
  EXPECT_EQ(buildInsert({"INSERT INTO T ", false, ".t"}, columns),
            "INSERT INTO T ( a ,b ,c ,d ) values('x' ,-7 ,2.5 ,'01/04/2026' )");
}

// Texts quoted with their quotes doubled and nothing else changed; decimals with at most 15
// significant digits and no trailing zeros; dates day first, with the time when not midnight.
TEST(InsertBuilder, RendersEachValueForm) {
  const std::pair<Column, std::string_view> cases[] = {
      {text("v", "O'Brien"), "'O''Brien'"},
      {text("v", "''"), "''''''"},
      {text("v", "  Ñandú  "), "'  Ñandú  '"},
      {text("v", ""), "''"},
      {text("v", "\tx\x01\"y"), "'\tx\x01\"y'"},
      {decimal("v", 150000), "150000"},
      {decimal("v", 1234.50), "1234.5"},
      {decimal("v", 0.1), "0.1"},
      {decimal("v", -3.25), "-3.25"},
      {decimal("v", 1.0 / 3), "0.333333333333333"},
      {decimal("v", 0.1 + 0.2), "0.3"},
      {decimal("v", -0.0), "0"},
      {decimal("v", 1e20), "1E+20"},
      {date("v", dateFromParts(2026, 12, 31)), "'31/12/2026'"},
      {date("v", dateFromParts(2026, 2, 3, 13, 5, 9)), "'03/02/2026 13:05:09'"},
      {date("v", dateFromParts(2026, 2, 3, 0, 0, 1)), "'03/02/2026 00:00:01'"},
  };
  for (const auto& [column, rendered] : cases)
    EXPECT_EQ(buildInsert({"X ", false, ".t"}, std::span(&column, 1)),
              "X ( v ) values(" + std::string(rendered) + " )");
}

TEST(InsertBuilder, RefusesNumbersThatAreNotFiniteAndTextsThatWouldSplitARecord) {
  for (double v : {std::nan(""), std::numeric_limits<double>::infinity(),
                   -std::numeric_limits<double>::infinity()}) {
    const Column c[] = {decimal("primaEaseg", v)};
    Error e = errorOf([&] { buildInsert({"", false, ".t"}, c); });
    EXPECT_EQ(e.number(), 5);
    EXPECT_NE(e.description().find("primaEaseg"), std::string::npos);
  }
  // The largest double's 15 digits would be read back as infinity: an overflow.
  const Column top[] = {decimal("primaEaseg", 1.7976931348623157e308)};
  EXPECT_EQ(errorOf([&] { buildInsert({"", false, ""}, top); }).number(), 6);
  for (const char* bad : {"a|b", "|", "line\r\nbreak", "\n", "cr\r", "x\n|"}) {
    const Column c[] = {text("poliza", "P-1"), text("apPaterno", bad)};
    Error e = errorOf([&] { buildInsert({"", false, ".insertGanadero"}, c); });
    EXPECT_EQ(e.number(), kAppError1001) << bad;
    EXPECT_EQ(e.source(), ".insertGanadero");
    EXPECT_EQ(e.description(),
              "El campo apPaterno contiene un separador de registro (barra "
              "vertical, retorno de carro o salto de linea) y no se puede guardar");
  }
}

TEST(DuplicateKeyViolation, RecognisesARefusedKeyOnEitherEngine) {
  EXPECT_TRUE(isDuplicateKeyViolation(Error(-2627, "ODBC", "Violation of PRIMARY KEY constraint")));
  EXPECT_TRUE(isDuplicateKeyViolation(Error(-2601, "ODBC", "Cannot insert duplicate key row")));
  EXPECT_TRUE(isDuplicateKeyViolation(
      Error(-2147217873, "SQLite", "UNIQUE constraint failed: SUBMAGRICOLA.poliza")));
  EXPECT_FALSE(isDuplicateKeyViolation(
      Error(-2147217873, "SQLite", "NOT NULL constraint failed: SUBMAGRICOLA.poliza")));
  EXPECT_FALSE(isDuplicateKeyViolation(Error(-515, "ODBC", "Cannot insert the value NULL")));
}

}  // namespace
}  // namespace korvanda
