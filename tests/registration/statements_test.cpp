// The refusals of the shared "columns, then values" builder; its renderings are in the
// statements built with it, in tests/golden/statements/calls.txt.
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
  const Column tab[] = {text("a", "\tx\x01\"y")};  // other control characters are kept
  EXPECT_EQ(buildInsert({"", false, ".t"}, tab), "( a ) values('\tx\x01\"y' )");
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
