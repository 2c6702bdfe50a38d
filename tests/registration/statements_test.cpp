// Statement texts of the registration tables and the sent register, to the character, and the
// renderings of the shared "columns, then values" builder.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "registration/insert_builder.h"
#include "registration/statements.h"
#include "registration_support.h"
#include "support/fixture.h"

namespace korvanda {
namespace {

using namespace registration;
using testing::errorOf;

// ---- renderings and separators

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

// ---- the five INSERT statements

TEST(RegistrationStatements, AgriculturalSubscription) {
  EXPECT_EQ(insertAgricolaText(test::sampleAgricola(), 2, 4), test::kSampleAgricolaInsert);
}

TEST(RegistrationStatements, AgriculturalClaim) {
  RegistroAgricolaFc r = test::sampleAgricolaFc();
  EXPECT_EQ(insertAgricolaFcText(r, 4), test::kSampleAgricolaFcInsert);
  r.pstrCoordenadas.reset();
  EXPECT_TRUE(insertAgricolaFcText(r, 4).ends_with(" ,'CURP01' ,'RFC01' ,'' )"));
}

TEST(RegistrationStatements, LivestockSubscriptionHasNoDateFormatPrefix) {
  EXPECT_EQ(insertGanaderoText(test::sampleGanadero(), 1, 4, 4), test::kSampleGanaderoInsert);
}

TEST(RegistrationStatements, SentRegister) {
  EXPECT_EQ(setSqlInsertEnviado("C'1", "E1", 2, 3, 4, 2026, 12, 2025, 2026),
            "INSERT INTO SUBCONSENVIADAS ( PkCedente ,poliza ,endoso ,TipoEndoso ,Inciso ,mes"
            " ,CicloIni ,CicloFin ,AnioSolic ) values(12 ,'C''1' ,'E1' ,2 ,3 ,4 ,2025 ,2026"
            " ,2026 )");
  EXPECT_EQ(setSqlInsertEnviadofc(1, 2026, "C1", -3, 12),
            "INSERT INTO SUBCONSENVIADASFC ( PkCedente ,Periodo ,Anio ,poliza ,Inciso )"
            " values(12 ,1 ,2026 ,'C1' ,-3 )");
}

TEST(RegistrationStatements, AgriculturalDuplicateTest) {
  EXPECT_EQ(duplicadoAgricolaQuery("P'1", "E", -1, 2, 3, 4, "PV"),
            "select pkagricola from submagricola where poliza ='P''1' and endoso ='E'"
            " and cvetipoendoso=-1 and inciso=2 and cvecultivo=3 and PkCedente= 4"
            " and Ciclo = 'PV'");
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
