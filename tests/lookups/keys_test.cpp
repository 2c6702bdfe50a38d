// Code-to-key lookups and the next-key generators, against a test database.
#include <gtest/gtest.h>

#include <climits>

#include "component/ModGlobal.h"
#include "component/rows.h"
#include "korvanda/clsCatValida.h"
#include "lookups/lookups_support.h"
#include "registration/keys.h"
#include "support/fixture.h"

namespace korvanda {
namespace {

using testing::Environment;
using testing::errorOf;
using testing::makeRecordset;
using testing::ScriptedConnection;
using testing::sqliteExec;

TEST(KeyReading, NullAndBlankReadAsZeroEverythingElseIsConverted) {
  EXPECT_EQ(rows::keyInt16(Variant(Null{})), 0);
  EXPECT_EQ(rows::keyInt16(Variant()), 0);
  EXPECT_EQ(rows::keyInt16(Variant("")), 0);
  EXPECT_EQ(rows::keyInt16(Variant("  ")), 0);
  EXPECT_EQ(rows::keyInt16(Variant("17")), 17);
  EXPECT_EQ(rows::keyInt16(Variant(int64_t{17})), 17);
  EXPECT_EQ(rows::keyInt16(Variant(int32_t{-3})), -3);
  EXPECT_EQ(errorOf([] { rows::keyInt16(Variant(int32_t{40000})); }).number(), 6);
  EXPECT_EQ(errorOf([] { rows::keyInt16(Variant("abc")); }).number(), 13);
  EXPECT_EQ(rows::keyInt32(Variant(int64_t{INT32_MAX})), INT32_MAX);
  EXPECT_EQ(errorOf([] { rows::keyInt32(Variant(int64_t{INT32_MAX} + 1)); }).number(), 6);
  EXPECT_FALSE(rows::firstKeyInt32(nullptr, "x").has_value());
  EXPECT_FALSE(rows::firstKeyInt32(makeRecordset({"x"}, {}), "x").has_value());
  EXPECT_EQ(rows::firstKeyInt32(makeRecordset({"x"}, {{Null{}}}), "X"), 0);
}

TEST(CycleText, CountsTheDigitsOfTheLeadingNumber) {
  EXPECT_EQ(keys::cycleDigits("2006"), 4u);
  EXPECT_EQ(keys::cycleDigits(" 2006 "), 4u);
  EXPECT_EQ(keys::cycleDigits("2006abc"), 4u);
  EXPECT_EQ(keys::cycleDigits("06"), 1u);
  EXPECT_EQ(keys::cycleDigits("0006"), 1u);
  EXPECT_EQ(keys::cycleDigits(""), 1u);
  EXPECT_EQ(keys::cycleDigits("abc"), 1u);
  EXPECT_EQ(keys::cycleDigits("-200"), 4u);
  EXPECT_EQ(keys::cycleDigits("20.5"), 4u);
  EXPECT_EQ(keys::cycleDigits("1e3"), 4u);
}

class Keys : public ::testing::Test {
 protected:
  void SetUp() override {
    sqliteExec(env.databasePath(),
               "INSERT INTO CATCMUNICIPIO (PkMunicipio, PkEstado, cveEstado, CveMunicipio, "
               "NomMunicipio) VALUES (30, 5, 5, 7, 'Saltillo');"
               "INSERT INTO SUBCMUNICIPIO (pkmunicipio, cveEstado, cvemunicipio) VALUES "
               "(30, 5, 7), (0, 5, 8), (-4, 5, 9);"
               "INSERT INTO SUBRESPFUN (pkespfun, cveEspecie, cveFuncion) VALUES (12, 3, 2);"
               "INSERT INTO SUBCTCOBER (cveciclo, cveRamo, cicloInicio, cicloFin) VALUES "
               "(6, 1, '2006', '2007');");
    env.clearTrace();
  }
  void addAgricola(int64_t key) {
    sqliteExec(env.databasePath(),
               "INSERT INTO SUBMAGRICOLA (pkagricola, poliza, endoso, cveTipoEndoso, Inciso, ciclo, "
               "cveCultivo, PkCedente) VALUES (" +
                   std::to_string(key) + ", 'P" + std::to_string(key) + "', '0', 0, 1, 'PV2006', 1, 1)");
  }
  // Puts a scripted connection in the shared slot.
  std::shared_ptr<ScriptedConnection> scriptedSlot() {
    auto c = ScriptedConnection::create();
    slot::current() = c;
    return c;
  }

  Environment env{{.database = true, .demo = false, .registry = true}};
  clsCatValida cat;
};

TEST_F(Keys, MunicipalityKeyThroughTheQueryOperationOrTheCallersConnection) {
  const std::string statement = "select pkmunicipio from CATCMUNICIPIO  where cveEstado=5 and cvemunicipio=7";
  EXPECT_EQ(getPkMunicipio(cat, 5, 7), 30);
  EXPECT_EQ(getPkMunicipio(cat, 5, 99), 0);
  EXPECT_EQ(env.statements(),
            (std::vector<std::string>{
                statement, "select pkmunicipio from CATCMUNICIPIO  where cveEstado=5 and cvemunicipio=99"}));

  auto caller = ScriptedConnection::create();
  caller->answer(statement, makeRecordset({"pkmunicipio"}, {{int32_t{41}}}));
  ConnectionRef shared = slot::current();
  EXPECT_EQ(getPkMunicipio(cat, 5, 7, ConnectionRef(caller)), 41);
  EXPECT_EQ(caller->received(), std::vector<std::string>{statement});
  EXPECT_EQ(slot::current(), shared);
  // "No object" is no connection.
  EXPECT_EQ(getPkMunicipio(cat, 5, 7, ConnectionRef()), 30);
}

TEST_F(Keys, FailingQueryLeavesTheQueryOperationsLineThenTheRoutines) {
  auto conn = scriptedSlot();
  conn->fail("select pkmunicipio from CATCMUNICIPIO  where cveEstado=1 and cvemunicipio=2",
             Error(-2147217900, "db", "rejected"));
  EXPECT_EQ(errorOf([&] { getPkMunicipio(cat, 1, 2); }).number(), -2147217900);
  auto log = env.logEntries();
  ASSERT_EQ(log.size(), 2u);
  EXPECT_EQ(log[0].label, "KORVANDA.clsCatValida.Seleccionar");
  EXPECT_EQ(log[1].label, "KORVANDA.clsCatValida.getPkMunicipio");
}

TEST_F(Keys, MunicipalityExistsForANonZeroKey) {
  EXPECT_TRUE(cat.ExistePkMunicipio(5, 7));
  EXPECT_FALSE(cat.ExistePkMunicipio(5, 8));   // key 0
  EXPECT_TRUE(cat.ExistePkMunicipio(5, 9));    // negative key
  EXPECT_FALSE(cat.ExistePkMunicipio(5, 10));  // no row
  EXPECT_EQ(env.statements()[0], "select pkmunicipio from SUBCMUNICIPIO  where cveEstado=5 and cvemunicipio=7");
}

TEST_F(Keys, SpeciesAndFunctionPairKeys) {
  EXPECT_EQ(getPkEspecieFuncion(cat, 3, 2), 12);
  EXPECT_EQ(getPkEspecieFuncion(cat, 3, 9), 0);
  EXPECT_EQ(cat.TraePkEspFun(3, 2), 12);
  EXPECT_EQ(cat.TraePkEspFun(4, 2), 0);
  auto s = env.statements();
  ASSERT_EQ(s.size(), 4u);
  EXPECT_EQ(s[0], "select pkespfun from SUBRESPFUN  where cveEspecie=3 and cveFuncion=2");
  EXPECT_EQ(s[2], "select pkEspFun from SUBRESPFUN  where cveEspecie=3 and cveFuncion=2");
}

TEST_F(Keys, NullKeyInADirectReadFails) {
  auto conn = scriptedSlot();
  conn->answer("select pkEspFun from SUBRESPFUN  where cveEspecie=1 and cveFuncion=1",
               makeRecordset({"pkEspFun"}, {{Null{}}}));
  EXPECT_EQ(errorOf([&] { cat.TraePkEspFun(1, 1); }).number(), 94);
  ASSERT_EQ(env.logEntries().size(), 1u);
  EXPECT_EQ(env.logEntries()[0].label, "KORVANDA.clsCatValida.TraePkEspFun");
}

TEST_F(Keys, CoverageCycleNeedsFourDigitYears) {
  EXPECT_EQ(cat.TraePkTCober(1, "06", "2007"), 0);
  EXPECT_EQ(cat.TraePkTCober(1, "2006", ""), 0);
  EXPECT_TRUE(env.statements().empty());

  EXPECT_EQ(cat.TraePkTCober(1, " 2006 ", "2007"), 6);
  EXPECT_EQ(cat.TraePkTCober(2, "2006", "2007"), 0);
  EXPECT_EQ(cat.TraePkTCober(1, "2006'", "2007"), 0);
  EXPECT_EQ(env.statements(),
            (std::vector<std::string>{
                "select cveciclo from SUBCTCOBER  where cveRamo=1 and cicloInicio='2006' and cicloFin='2007'",
                "select cveciclo from SUBCTCOBER  where cveRamo=2 and cicloInicio='2006' and cicloFin='2007'",
                "select cveciclo from SUBCTCOBER  where cveRamo=1 and cicloInicio='2006''' and cicloFin='2007'"}));
}

TEST_F(Keys, GeneratorsReleaseTheSharedConnectionWhileTheMaximumIsBelowTwo) {
  ConnectionRef shared = slot::current();
  ASSERT_NE(shared, nullptr);
  EXPECT_EQ(cat.getPkAgricola(), 1);
  EXPECT_EQ(slot::current(), nullptr);

  addAgricola(1);
  EXPECT_EQ(cat.getPkAgricola(), 2);
  EXPECT_EQ(slot::current(), nullptr);

  addAgricola(2);
  EXPECT_EQ(cat.getPkAgricola(), 3);
  ConnectionRef kept = slot::current();
  ASSERT_NE(kept, nullptr);
  EXPECT_EQ(cat.getPkAgricola(), 3);
  EXPECT_EQ(slot::current(), kept);

  EXPECT_EQ(cat.getPkAgricolaFc(), 1);
  EXPECT_EQ(slot::current(), nullptr);
  EXPECT_EQ(cat.getPkEnviado(), 1);
  EXPECT_EQ(slot::current(), nullptr);
  EXPECT_EQ(cat.getPkEnviadoFc(), 1);
  EXPECT_EQ(slot::current(), nullptr);
  // The livestock generator goes through the query operation and keeps the connection.
  EXPECT_EQ(cat.getPkGanadero(), 1);
  EXPECT_NE(slot::current(), nullptr);

  const std::string agricola = "select max(pkagricola) as maxAgricola from SUBMAGRICOLA ";
  EXPECT_EQ(env.statements(),
            (std::vector<std::string>{
                agricola, agricola, agricola, agricola,
                "select max(pkagricolaFc) as maxAgricola from SUBMAGRICOLAFC ",
                "select max(pkenviado) as maxenviado from SUBCONSENVIADAS",
                "select max(pkenviadaFc) as maxenviado from SUBCONSENVIADASFc",
                "select max(pkganadero) as maxGanadero from SUBMGANADERO "}));
}

TEST_F(Keys, GeneratorsRunOnTheCallersConnectionAndStillReleaseTheSharedOne) {
  auto caller = ScriptedConnection::create();
  caller->answer("select max(pkenviado) as maxenviado from SUBCONSENVIADAS",
                 makeRecordset({"maxenviado"}, {{int32_t{1}}}));
  caller->answer("select max(pkenviadaFc) as maxenviado from SUBCONSENVIADASFc",
                 makeRecordset({"maxenviado"}, {{int32_t{7}}}));
  ConnectionRef shared = slot::current();
  EXPECT_EQ(cat.getPkEnviadoFc(ConnectionRef(caller)), 8);
  EXPECT_EQ(slot::current(), shared);
  EXPECT_EQ(cat.getPkEnviado(ConnectionRef(caller)), 2);
  EXPECT_EQ(slot::current(), nullptr);
  EXPECT_EQ(caller->received().size(), 2u);
  // A statement that gives no rows reads as a maximum of 0.
  EXPECT_EQ(cat.getPkAgricola(ConnectionRef(ScriptedConnection::create())), 1);
}

TEST_F(Keys, MaximumAtTheTopOfThe32BitRangeOverflows) {
  addAgricola(INT32_MAX);
  Error e = errorOf([&] { cat.getPkAgricola(); });
  EXPECT_EQ(e.number(), 6);
  auto log = env.logEntries();
  ASSERT_EQ(log.size(), 1u);
  EXPECT_EQ(log[0].label, "KORVANDA.clsCatValida.getPkAgricola");
  EXPECT_EQ(log[0].description, "No se aceptan valores tan grandes dentro del sistema");

  addAgricola(int64_t{INT32_MAX} + 1);
  EXPECT_EQ(errorOf([&] { cat.getPkAgricola(); }).number(), 6);
}

TEST_F(Keys, GeneratorFailuresCarryTheirOwnLabels) {
  auto caller = ScriptedConnection::create();
  caller->fail("select max(pkenviadaFc) as maxenviado from SUBCONSENVIADASFc",
               Error(-2147217865, "db", "no such table"));
  EXPECT_EQ(errorOf([&] { cat.getPkEnviadoFc(ConnectionRef(caller)); }).number(), -2147217865);
  auto conn = scriptedSlot();
  conn->answer("select max(pkganadero) as maxGanadero from SUBMGANADERO ",
               makeRecordset({"maxGanadero"}, {{std::string("x")}}));
  EXPECT_EQ(errorOf([&] { cat.getPkGanadero(); }).number(), 13);
  auto log = env.logEntries();
  ASSERT_EQ(log.size(), 2u);
  EXPECT_EQ(log[0].label, "KORVANDA.clsCatValida.getPkEnviadofc");
  EXPECT_EQ(log[1].label, "KORVANDA.clsCatValida.getPkGanadero");
}

}  // namespace
}  // namespace korvanda
