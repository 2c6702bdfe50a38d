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
  const Column first[] = {integer("k", 1)};
  EXPECT_EQ(buildInsert({"X ", false, ".t"}, first), "X ( k ) values(1 )");
}

TEST(InsertBuilder, TextIsQuotedWithItsQuotesDoubledAndNothingElseChanged) {
  const Column columns[] = {text("a", "O'Brien"), text("b", "''"), text("c", "  Ñandú  "),
                            text("d", "")};
  EXPECT_EQ(buildInsert({"I ", false, ".t"}, columns),
            "I ( a ,b ,c ,d ) values('O''Brien' ,'''''' ,'  Ñandú  ' ,'' )");
}

TEST(InsertBuilder, DecimalsHaveAtMostFifteenSignificantDigitsAndNoTrailingZeros) {
  auto one = [](double v) {
    const Column c[] = {decimal("v", v)};
    return buildInsert({"", false, ".t"}, c);
  };
  EXPECT_EQ(one(150000), "( v ) values(150000 )");
  EXPECT_EQ(one(1234.50), "( v ) values(1234.5 )");
  EXPECT_EQ(one(0.1), "( v ) values(0.1 )");
  EXPECT_EQ(one(-3.25), "( v ) values(-3.25 )");
  EXPECT_EQ(one(1.0 / 3), "( v ) values(0.333333333333333 )");
  EXPECT_EQ(one(0.1 + 0.2), "( v ) values(0.3 )");
  EXPECT_EQ(one(-0.0), "( v ) values(0 )");
  EXPECT_EQ(one(1e20), "( v ) values(1E+20 )");
}

TEST(InsertBuilder, RefusesANumberThatIsNotFinite) {
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
}

TEST(InsertBuilder, RefusesATextThatWouldSplitAnExportRecord) {
  for (const char* bad : {"a|b", "|", "line\r\nbreak", "\n", "cr\r", "x\n|"}) {
    const Column c[] = {text("poliza", "P-1"), text("apPaterno", bad)};
    Error e = errorOf([&] { buildInsert({"", false, ".insertGanadero"}, c); });
    EXPECT_EQ(e.number(), kAppError1001) << bad;
    EXPECT_EQ(e.source(), ".insertGanadero");
    EXPECT_EQ(e.description(), "El campo apPaterno contiene un separador de registro (barra "
                               "vertical, retorno de carro o salto de linea) y no se puede guardar");
  }
  const Column tab[] = {text("a", "\tx\x01\"y")};
  EXPECT_EQ(buildInsert({"", false, ".t"}, tab), "( a ) values('\tx\x01\"y' )");
}

TEST(InsertBuilder, DatesAreDayFirstWithTheTimeOnlyWhenNotMidnight) {
  const Column columns[] = {date("a", dateFromParts(2026, 12, 31)),
                            date("b", dateFromParts(2026, 2, 3, 13, 5, 9)),
                            date("c", dateFromParts(2026, 2, 3, 0, 0, 1))};
  EXPECT_EQ(buildInsert({"", false, ".t"}, columns),
            "( a ,b ,c ) values('31/12/2026' ,'03/02/2026 13:05:09' ,'03/02/2026 00:00:01' )");
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
