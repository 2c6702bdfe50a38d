// Livestock subscription records on the embedded database: the shared connection, the
// generated row key, day-first dates without a date-format prefix, and the failure path that
// leaves no log line of its own.
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <limits>
#include <regex>

#include "component/ModGlobal.h"
#include "korvanda/clsCatValida.h"
#include "registration_support.h"
#include "support/fixture.h"

namespace korvanda {
namespace {

using testing::Environment;
using testing::errorOf;

constexpr const char* kSampleDuplicateTest =
    "select pkGanadero from submGanadero where poliza ='GA-0001' and endoso ='0'"
    " and cvetipoendoso=1 and inciso=2 and pkespfun in  (select pkespfun from subrespfun"
    " where cveespecie=2 and cvefuncion=1 ) AND cveFondo='F01'";

class GanaderoTest : public ::testing::Test {
 protected:
  void SetUp() override {
    cv = clsCatValida::create();
    env.clearTrace();
  }
  bool insert(const RegistroGanadero& a, std::optional<std::string> sendTo = std::nullopt) {
    return insertGanadero(*cv, a, std::move(sendTo));
  }
  RecordsetRef rows() {
    return env.openDatabase()->query("SELECT * FROM SUBMGANADERO ORDER BY pkGanadero");
  }

  Environment env;
  std::shared_ptr<clsCatValida> cv;
};

std::string text(const RecordsetRef& rs, const char* field) { return toText(rs->value(field)); }

TEST_F(GanaderoTest, RegistersTheFirstRowWithKeyOne) {
  const RegistroGanadero a = test::sampleGanadero();
  ASSERT_TRUE(insert(a));
  EXPECT_EQ(env.statements(),
            (std::vector<std::string>{
                kSampleDuplicateTest,
                "select pkmunicipio from CATCMUNICIPIO  where cveEstado=1 and cvemunicipio=5",
                "select pkespfun from SUBRESPFUN  where cveEspecie=2 and cveFuncion=1",
                "select max(pkganadero) as maxGanadero from SUBMGANADERO ",
                kSampleDuplicateTest,  // again, once the key is read
                test::kSampleGanaderoInsert}));
  RecordsetRef rs = rows();
  ASSERT_EQ(rs->recordCount(), 1);
  const std::pair<const char*, const char*> expected[] = {
      {"pkGanadero", "1"}, {"poliza", "GA-0001"}, {"endoso", "0"}, {"cveTipoEndoso", "1"},
      {"Inciso", "2"}, {"apPaterno", "Muñoz"}, {"apMaterno", "D'Arcy"}, {"Nombres", "Íñigo"},
      {"identificacion", "ID-9"}, {"pkmunicipio", "4"}, {"pkespfun", "4"},
      {"AnioContrata", "2026"}, {"vigenciaAsegIni", "03/04/2026"},
      {"vigenciaAsegFin", "02/04/2027 18:00:00"}, {"cabezasaseg", "250"},
      {"unidadesaseg", "250.5"}, {"sumaAsegurada", "500000"}, {"primaEaseg", "1500.75"},
      {"primaEgobFed", "3000.25"}, {"primaCaseg", "0"}, {"primaCgobFed", "0"},
      {"totalEmitido", "4501"}, {"totalCobrado", "4501"}, {"numPagoIni", "1"},
      {"numPagoFin", "1"}, {"fecPago", "05/04/2026"}, {"tipoCambio", "1"},
      {"observaciones", "sin observaciones"}, {"mesSolicitud", "4"},
      {"anioSolicitud", "2026"}, {"cveFondo", "F01"},
  };
  for (auto [field, value] : expected) EXPECT_EQ(text(rs, field), value) << field;
  // Day first although the statement names no date order: the 3rd of April.
  EXPECT_EQ(splitDate(toDate(rs->value("vigenciaAsegIni"))).month, 4);
  EXPECT_EQ(toDate(rs->value("vigenciaAsegFin")), a.dteVigenciaAsegFin);

  RegistroGanadero next = a;
  next.intInciso = 3;
  ASSERT_TRUE(insert(next));
  RecordsetRef all = rows();
  all->moveLast();
  EXPECT_EQ(text(all, "pkGanadero"), "2");
}

TEST_F(GanaderoTest, TheDuplicateIsTheSpeciesPairAndTheFund) {
  const RegistroGanadero a = test::sampleGanadero();
  ASSERT_TRUE(insert(a));
  RegistroGanadero other = a;
  other.intIdEspecie = 1;  // pair (1, 1): key 1
  EXPECT_TRUE(insert(other));
  other = a;
  other.pstrIdFondo = "F02";
  EXPECT_TRUE(insert(other));
  other = a;
  other.lngCabezasAseg = 1;
  other.intIdMunicipio = 1;
  EXPECT_FALSE(insert(other, "Archivo"));
  EXPECT_TRUE(cv->getDuplicadoGanadero("GA-0001", "0", 1, 2, 2, 1, "F01"));
  EXPECT_FALSE(cv->getDuplicadoGanadero("GA-0001", "0", 1, 2, 2, 1, "F03"));
  EXPECT_EQ(rows()->recordCount(), 3);
}

TEST_F(GanaderoTest, AnUnknownSpeciesPairIsStoredAsKeyZeroAndNeverFoundAgain) {
  RegistroGanadero a = test::sampleGanadero();
  a.intIdEspecie = 99;
  a.intIdFuncion = 99;
  ASSERT_TRUE(insert(a));
  EXPECT_EQ(text(rows(), "pkespfun"), "0");
  // The duplicate test looks for the pair among the known ones: it finds no earlier row.
  ASSERT_TRUE(insert(a));
  EXPECT_EQ(rows()->recordCount(), 2);
}

TEST_F(GanaderoTest, ADuplicateIsRaisedWithoutALogLineOrWrittenWith2011) {
  const RegistroGanadero a = test::sampleGanadero();
  ASSERT_TRUE(insert(a));
  for (std::optional<std::string> sendTo : {std::optional<std::string>(), {"Window"}}) {
    Error e = errorOf([&] { insert(a, sendTo); });
    EXPECT_EQ(e.number(), -2147220503);
    EXPECT_EQ(e.source(), ".insertGanadero");
    EXPECT_EQ(e.description(), test::kDuplicado);
  }
  EXPECT_TRUE(env.logLines().empty());
  EXPECT_TRUE(env.duplicateLines().empty());

  EXPECT_FALSE(insert(a, "window"));
  ASSERT_EQ(env.duplicateLines().size(), 1u);
  EXPECT_TRUE(std::regex_match(env.duplicateLines()[0],
                               std::regex(R"(2011\|\S+ \S+\|0\|El registro de constancia=GA-0001 esta duplicado)")))
      << env.duplicateLines()[0];
  EXPECT_TRUE(env.logLines().empty());
  EXPECT_EQ(rows()->recordCount(), 1);
}

TEST_F(GanaderoTest, FailuresOfTheRoutinesItCallsAreLoggedThereOnly) {
  RegistroGanadero a = test::sampleGanadero();
  a.dblSumaAseg = std::numeric_limits<double>::infinity();
  Error e = errorOf([&] { insert(a); });
  EXPECT_EQ(e.number(), 5);
  const auto logs = env.logEntries();
  ASSERT_EQ(logs.size(), 1u);
  EXPECT_EQ(logs[0].label, "KORVANDA.clsCatValida.setSqlInsertGanadero");
  EXPECT_EQ(rows()->recordCount(), 0);
}

TEST_F(GanaderoTest, NoStationWritesBetweenTheKeyAndTheInsert) {
  // The key is read and the record stored in one transaction that holds the write lock:
  // another station that tries to write meanwhile waits (here: gives up at once).
  sqlite3* raw = nullptr;
  ASSERT_EQ(sqlite3_open(env.databasePath().c_str(), &raw), SQLITE_OK);
  std::unique_ptr<sqlite3, decltype(&sqlite3_close)> other(raw, &sqlite3_close);
  sqlite3_busy_timeout(other.get(), 1);
  int theirs = SQLITE_OK;
  auto racing = std::make_shared<test::InterposedConnection>(
      getOpenConnection(), "INSERT INTO SUBMGANADERO", [&] {
        theirs = sqlite3_exec(other.get(), "UPDATE SUBRESPFUN SET cveFuncion = cveFuncion",
                              nullptr, nullptr, nullptr);
      });
  slot::current() = racing;

  ASSERT_TRUE(insert(test::sampleGanadero()));
  EXPECT_TRUE(racing->fired());
  EXPECT_EQ(theirs, SQLITE_BUSY);
  EXPECT_EQ(text(rows(), "pkGanadero"), "1");
  EXPECT_TRUE(env.logEntries().empty());
}

TEST_F(GanaderoTest, AKeyTakenByAnotherStationIsTakenAgain) {
  // Where transactions let two stations read one maximum, another station stores a different
  // record under the key this call has just read.
  ConnectionRef other = env.openDatabase();
  RegistroGanadero theirs = test::sampleGanadero();
  theirs.strPoliza = "GA-OTRA";
  const std::string theirInsert =
      registration::insertGanaderoText(theirs, 1, 4, 4);
  auto racing = std::make_shared<test::InterposedConnection>(
      getOpenConnection(), "INSERT INTO SUBMGANADERO", [&] { other->execute(theirInsert); }, false);
  slot::current() = racing;

  ASSERT_TRUE(insert(test::sampleGanadero()));
  EXPECT_TRUE(racing->fired());
  RecordsetRef rs = rows();
  ASSERT_EQ(rs->recordCount(), 2);
  EXPECT_EQ(text(rs, "poliza"), "GA-OTRA");
  rs->moveNext();
  EXPECT_EQ(text(rs, "poliza"), "GA-0001");
  EXPECT_EQ(text(rs, "pkGanadero"), "2");
  // The refused INSERT leaves its line under the generic statement, nothing else.
  const auto logs = env.logEntries();
  ASSERT_EQ(logs.size(), 1u);
  EXPECT_EQ(logs[0].label, "KORVANDA.clsCatValida.Insertar");
  EXPECT_NE(logs[0].description.find("UNIQUE constraint failed"), std::string::npos);
}

TEST_F(GanaderoTest, TheSameRecordStoredByAnotherStationMeanwhileIsTheDuplicate) {
  // Stored after this call's first test, before its key was read: it gets key 2 otherwise.
  ConnectionRef other = env.openDatabase();
  auto racing = std::make_shared<test::InterposedConnection>(
      getOpenConnection(), "select max(pkganadero)",
      [&] { other->execute(test::kSampleGanaderoInsert); }, false);
  slot::current() = racing;

  EXPECT_FALSE(insert(test::sampleGanadero(), "Archivo"));
  EXPECT_TRUE(racing->fired());
  EXPECT_EQ(rows()->recordCount(), 1);
  EXPECT_EQ(env.duplicateLines().size(), 1u);
}

}  // namespace
}  // namespace korvanda
