// Statement texts, results and failures of the catalog queries and generic statements. The
// object is created on a real database; then a scripted connection takes the shared slot, so
// each test sees exactly the statements sent and chooses the rows they answer.
#include <gtest/gtest.h>

#include "component/ModGlobal.h"
#include "korvanda/clsCatValida.h"
#include "support/fixture.h"

using namespace korvanda;
using korvanda::testing::Environment;
using korvanda::testing::errorOf;
using korvanda::testing::makeRecordset;
using korvanda::testing::ScriptedConnection;

namespace {

constexpr int32_t kApp = -2147220503;

class QueriesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    cat = clsCatValida::create();
    db = ScriptedConnection::create();
    slot::current() = db;
    env.clearTrace();
    env.clearLogs();
  }
  std::vector<std::string> sent() const { return db->received(); }
  // The log line without its date and time.
  std::vector<std::string> logTails() const {
    std::vector<std::string> out;
    for (const auto& line : env.logLines()) out.push_back(line.substr(line.find("|Modulo:")));
    return out;
  }
  static RecordsetRef one(Variant v) { return makeRecordset({"c"}, {{std::move(v)}}); }

  Environment env{{.demo = false}};
  std::shared_ptr<clsCatValida> cat;
  std::shared_ptr<ScriptedConnection> db;
};

TEST_F(QueriesTest, GetCatalogosSelectsTheWholeTable) {
  const std::pair<int32_t, const char*> cases[] = {
      {5, "SELECT * FROM CATCESTADO"},
      {8, "SELECT * FROM CATCMUNICIPIO order by cveEstado, cveMunicipio"},
      {12, "SELECT * FROM CATRESPECIEFUNCION order by cveEspecie, cveFuncion"},
      {13, "SELECT * FROM CATCTIPOPRACTICA"},
      {18, "SELECT * FROM SUBCTIPOSEG"},
      {19, "SELECT * FROM SUBCBIMESTRE"},
      {21, "SELECT * FROM SUBCSTATUS"},
  };
  for (auto [id, statement] : cases) {
    RecordsetRef rs = cat->getCatalogos(id);
    ASSERT_TRUE(rs) << id;  // an empty catalog is an empty record set, not "no object"
    EXPECT_EQ(rs->lockType(), adLockReadOnly);
    EXPECT_EQ(rs->cursorType(), adOpenStatic);
    EXPECT_EQ(sent().back(), statement);
  }
  // The trace holds the same texts, in order.
  EXPECT_EQ(env.statements(), sent());
}

TEST_F(QueriesTest, GetCatalogosOfAnUnknownCatalogIsTheApplicationError) {
  for (int32_t id : {0, 22, -1}) {
    env.clearLogs();
    Error e = errorOf([&] { cat->getCatalogos(id); });
    EXPECT_EQ(e.number(), kApp);
    EXPECT_EQ(e.source(), ".getCatalogos");
    EXPECT_EQ(e.description(), "El catalogo solicitado no existe");
    EXPECT_EQ(logTails(), std::vector<std::string>{
                              "|Modulo:KORVANDA.clsCatValida.getCatalogos|Numero:-2147220503"
                              "|Source:.getCatalogos|LastDLLError:0"
                              "|Desc Alt El catalogo solicitado no existe"});
  }
  EXPECT_TRUE(sent().empty());
  // Out of the 16-bit range: overflow before any lookup.
  EXPECT_EQ(errorOf([&] { cat->getCatalogos(40000); }).number(), 6);
}

TEST_F(QueriesTest, TraeCatalogoStatementsByCatalog) {
  const std::tuple<int32_t, const char*, const char*> cases[] = {
      {2, "7", "SELECT PKCultivo FROM CATCCULTIVO WHERE CveCultivo = 7"},
      {5, "12", "SELECT PKEstado FROM CATCESTADO WHERE CveEstado = 12"},
      {13, "3", "SELECT PKTCultivo FROM CATCTIPOPRACTICA WHERE CveTipoCultivo = 3"},
      {14, "A", "SELECT pkTipoEndoso FROM CATCTIPOENDOSO WHERE CveTipoEndoso = 'A'"},
      {15, "2026", "SELECT * FROM SUBCDIASINHABILES WHERE ANIO = 2026"},
  };
  for (auto [id, condition, statement] : cases) {
    db->answer(statement, one(int32_t{41}));
    EXPECT_EQ(cat->TraeCatalogo(id, condition), "41");
    EXPECT_EQ(sent().back(), statement);
  }
}

TEST_F(QueriesTest, TraeCatalogoQuoteInTheEndorsementCodeStaysInsideTheValue) {
  cat->TraeCatalogo(14, "A' OR 'x'='x");
  EXPECT_EQ(sent().back(),
            "SELECT pkTipoEndoso FROM CATCTIPOENDOSO WHERE CveTipoEndoso = 'A'' OR ''x''=''x'");
}

TEST_F(QueriesTest, TraeCatalogoAnswersZeroWithoutARowOrACondition) {
  EXPECT_EQ(cat->TraeCatalogo(5, "99"), "0");
  EXPECT_EQ(sent().size(), 1u);
  // An empty condition never reaches the database, whatever the catalog.
  for (int32_t id = 1; id <= 21; ++id) EXPECT_EQ(cat->TraeCatalogo(id, ""), "0") << id;
  EXPECT_EQ(sent().size(), 1u);
  // Text and dates come back in their text forms.
  db->answer("SELECT PKEstado FROM CATCESTADO WHERE CveEstado = 1", one("AGS"));
  EXPECT_EQ(cat->TraeCatalogo(5, "1"), "AGS");
}

TEST_F(QueriesTest, TraeCatalogoWithoutAStatementSendsWhatItHas) {
  db->fail(" order by PKestado, cveMunicipio", Error(-2147217900, "Microsoft OLE DB Provider for SQL Server", "Incorrect syntax near the keyword 'order'."));
  Error e = errorOf([&] { cat->TraeCatalogo(8, "5"); });
  EXPECT_EQ(e.number(), -2147217900);
  EXPECT_EQ(sent().back(), " order by PKestado, cveMunicipio");
  errorOf([&] { cat->TraeCatalogo(1, "5"); });
  EXPECT_EQ(sent().back(), "");
  EXPECT_EQ(env.logEntries().front().label, "KORVANDA.clsCatValida.traeCatalogo");
  EXPECT_EQ(env.logEntries().front().description, "Incorrect syntax near the keyword 'order'.");
}

TEST_F(QueriesTest, TraeCatalogoNullKeyIsInvalidUseOfNull) {
  db->answer("SELECT PKEstado FROM CATCESTADO WHERE CveEstado = 1", one(Null{}));
  EXPECT_EQ(errorOf([&] { cat->TraeCatalogo(5, "1"); }).number(), 94);
  EXPECT_EQ(logTails(), std::vector<std::string>{
                            "|Modulo:KORVANDA.clsCatValida.traeCatalogo|Numero:94|Source:KORVANDA"
                            "|LastDLLError:0|Desc Alt No se puede realizar la operación "
                            "seleccionada sobre un valor vació"});
}

TEST_F(QueriesTest, TraeCatalogoAndTraeCatExtUnknownCatalog) {
  Error a = errorOf([&] { cat->TraeCatalogo(0, "1"); });
  EXPECT_EQ(a.number(), kApp);
  EXPECT_EQ(a.source(), ".TraeCatalogo");
  EXPECT_EQ(a.description(), "El catalogo solicitado no existe");
  Error b = errorOf([&] { cat->TraeCatExt(22, "1", "2"); });
  EXPECT_EQ(b.number(), kApp);
  EXPECT_EQ(b.source(), ".TraeCatExt");
  EXPECT_EQ(b.description(), "El catalogo solicitado no existe");
  auto log = env.logEntries();
  ASSERT_EQ(log.size(), 2u);
  EXPECT_EQ(log[0].label, "KORVANDA.clsCatValida.traeCatalogo");
  EXPECT_EQ(log[0].source, ".TraeCatalogo");
  EXPECT_EQ(log[1].label, "KORVANDA.clsCatValida.traeCatExt");
  EXPECT_EQ(log[1].source, ".TraeCatExt");
  EXPECT_TRUE(sent().empty());
}

TEST_F(QueriesTest, TraeCatExtFindsTheMunicipalityKey) {
  const std::string statement =
      "SELECT PKMpio FROM CATCMUNICIPIO WHERE CveMunicipio = 3 AND PKEstado = 12 order by "
      "PKestado, cveMunicipio";
  EXPECT_EQ(cat->TraeCatExt(8, "3", "12"), "0");  // no such municipality
  EXPECT_EQ(sent().back(), statement);
  db->answer(statement, one(int32_t{345}));
  EXPECT_EQ(cat->TraeCatExt(8, "3", "12"), "345");
  // Other catalogs select the whole table and answer its first column.
  cat->TraeCatExt(5, "3", "12");
  EXPECT_EQ(sent().back(), "SELECT * FROM CATCESTADO");
  // Either text empty: "0" without a statement.
  size_t before = sent().size();
  EXPECT_EQ(cat->TraeCatExt(8, "", "12"), "0");
  EXPECT_EQ(cat->TraeCatExt(8, "3", ""), "0");
  EXPECT_EQ(sent().size(), before);
}

TEST_F(QueriesTest, FindConditionBuildsItsStatement) {
  cat->FindCondition(10, "cveRiesgo, Descripcion", "cveRiesgo > 2", int16_t{2});
  EXPECT_EQ(sent().back(), "SELECT cveRiesgo, Descripcion FROM CATCRIESGOS WHERE cveRiesgo > 2 order by 2");
  cat->FindCondition(10, "*", "cveRiesgo > 2", int16_t{0});
  EXPECT_EQ(sent().back(), "SELECT * FROM CATCRIESGOS WHERE cveRiesgo > 2");
  cat->FindCondition(10, "*", "");
  EXPECT_EQ(sent().back(), "SELECT * FROM CATCRIESGOS");
  cat->FindCondition(9, "cveRamo", "", int16_t{-1});
  EXPECT_EQ(sent().back(), "SELECT cveRamo FROM CATCRAMO order by -1");
}

TEST_F(QueriesTest, FindConditionAndFindQueryGiveNoObjectWithoutRows) {
  EXPECT_EQ(cat->FindCondition(5, "*", "cveEstado = 99"), nullptr);
  EXPECT_EQ(cat->FindQuery("select * from CATCESTADO where cveEstado = 99"), nullptr);
  // seleccionar answers the same query with an empty record set.
  RecordsetRef empty = cat->seleccionar("select * from CATCESTADO where cveEstado = 99");
  ASSERT_TRUE(empty);
  EXPECT_TRUE(empty->eof() && empty->bof());

  db->answer("SELECT * FROM CATCESTADO WHERE cveEstado = 1", one(int32_t{1}));
  RecordsetRef found = cat->FindCondition(5, "*", "cveEstado = 1");
  ASSERT_TRUE(found);
  EXPECT_EQ(found->lockType(), adLockReadOnly);
  db->answer("select 1", one(int32_t{1}));
  RecordsetRef q = cat->FindQuery("select 1");
  ASSERT_TRUE(q);
  EXPECT_EQ(q->lockType(), adLockReadOnly);
  EXPECT_EQ(q->cursorType(), adOpenStatic);
}

TEST_F(QueriesTest, FindConditionUnknownCatalogCarriesTheAccent) {
  Error e = errorOf([&] { cat->FindCondition(0, "*", ""); });
  EXPECT_EQ(e.number(), kApp);
  EXPECT_EQ(e.source(), ".FindCondition");
  EXPECT_EQ(e.description(), "El catálogo solicitado no existe");
  EXPECT_EQ(logTails(), std::vector<std::string>{
                            "|Modulo:KORVANDA.clsCatValida.FindCondition|Numero:-2147220503"
                            "|Source:.FindCondition|LastDLLError:0"
                            "|Desc Alt El catálogo solicitado no existe"});
}

TEST_F(QueriesTest, FindQueryRefusesAnEmptyText) {
  Error e = errorOf([&] { cat->FindQuery(""); });
  EXPECT_EQ(e.number(), kApp);
  EXPECT_EQ(e.source(), ".FindQuery");
  EXPECT_EQ(e.description(), "El catalogo solicitado no existe");
  EXPECT_TRUE(sent().empty());
  ASSERT_EQ(env.logEntries().size(), 1u);
  EXPECT_EQ(env.logEntries()[0].label, "KORVANDA.clsCatValida.FindQuery");
}

TEST_F(QueriesTest, FindClaveTestsTheCodeColumn) {
  const std::string statement = "SELECT cveEstado FROM CATCESTADO WHERE cveEstado=9";
  EXPECT_FALSE(cat->findClave(5, 9));
  EXPECT_EQ(sent().back(), statement);
  db->answer(statement, one(int32_t{9}));
  EXPECT_TRUE(cat->findClave(5, 9));
  cat->findClave(11, -3);
  EXPECT_EQ(sent().back(), "SELECT cveMoneda FROM SUBHMONEDAS WHERE cveMoneda=-3");
}

TEST_F(QueriesTest, FindClaveWithoutACodeColumnFailsOnceAtEachLevel) {
  const std::string statement = "SELECT  FROM SUBREDOREG WHERE =1";
  db->fail(statement, Error(-2147217900, "Microsoft OLE DB Provider for SQL Server",
                            "Incorrect syntax near the keyword 'FROM'."));
  Error e = errorOf([&] { cat->findClave(3, 1); });
  EXPECT_EQ(e.number(), -2147217900);
  EXPECT_EQ(sent().back(), statement);
  // Innermost first, both with the first failure's number, source and description.
  EXPECT_EQ(logTails(),
            (std::vector<std::string>{
                "|Modulo:KORVANDA.clsCatValida.FindCondition|Numero:-2147217900"
                "|Source:Microsoft OLE DB Provider for SQL Server|LastDLLError:0"
                "|Desc Alt Incorrect syntax near the keyword 'FROM'.",
                "|Modulo:KORVANDA.clsCatValida.FindClave|Numero:-2147217900"
                "|Source:Microsoft OLE DB Provider for SQL Server|LastDLLError:0"
                "|Desc Alt Incorrect syntax near the keyword 'FROM'."}));
}

TEST_F(QueriesTest, SeleccionarIsUpdatableAndPassesItsTextUnchanged) {
  db->answer("select * from CATCRAMO", makeRecordset({"cveRamo", "Descripcion"}, {{int32_t{1}, "AGRICOLA"}}));
  RecordsetRef rs = cat->seleccionar("select * from CATCRAMO");
  ASSERT_TRUE(rs);
  EXPECT_EQ(rs->lockType(), adLockOptimistic);
  EXPECT_EQ(rs->cursorType(), adOpenDynamic);
  rs->setValue("Descripcion", Variant("GANADERO"));
  rs->update();
  EXPECT_EQ(rs->value("Descripcion"), Variant("GANADERO"));
  cat->seleccionar("");
  EXPECT_EQ(sent().back(), "");
}

TEST_F(QueriesTest, InsertarUsesTheGivenConnectionElseTheShared) {
  auto other = ScriptedConnection::create();
  EXPECT_TRUE(cat->insertar("INSERT INTO X VALUES (1)", ConnectionRef(other)));
  EXPECT_EQ(other->received(), std::vector<std::string>{"INSERT INTO X VALUES (1)"});
  EXPECT_TRUE(sent().empty());
  EXPECT_TRUE(cat->insertar("INSERT INTO X VALUES (2)"));
  EXPECT_TRUE(cat->insertar("INSERT INTO X VALUES (3)", ConnectionRef()));  // no object: shared
  EXPECT_EQ(sent(), (std::vector<std::string>{"INSERT INTO X VALUES (2)", "INSERT INTO X VALUES (3)"}));
  EXPECT_TRUE(cat->borrar("DELETE FROM X"));
  EXPECT_EQ(sent().back(), "DELETE FROM X");
}

TEST_F(QueriesTest, InsertarOnAClosedConnectionFailsUnderItsLabel) {
  auto other = ScriptedConnection::create();
  other->close();
  EXPECT_EQ(errorOf([&] { cat->insertar("INSERT INTO X VALUES (1)", ConnectionRef(other)); }).number(), 3704);
  db->fail("DELETE FROM X", Error(-2147217900, "db", "rejected"));
  EXPECT_EQ(errorOf([&] { cat->borrar("DELETE FROM X"); }).number(), -2147217900);
  auto log = env.logEntries();
  ASSERT_EQ(log.size(), 2u);
  EXPECT_EQ(log[0].label, "KORVANDA.clsCatValida.Insertar");
  EXPECT_EQ(log[0].number, 3704);
  EXPECT_EQ(log[1].label, "KORVANDA.clsCatValida.Borrar");
}

TEST_F(QueriesTest, UpdateConditionBuildsItsStatement) {
  EXPECT_TRUE(cat->UpdateCondition(5, "Descripcion = 'X'", "cveEstado = 1"));
  EXPECT_EQ(sent().back(), "UPDATE CATCESTADO SET Descripcion = 'X' WHERE cveEstado = 1");
  // No check of the catalog: the database gets the incomplete statement.
  db->fail("UPDATE  SET a = 1 WHERE ", Error(-2147217900, "db", "Incorrect syntax near 'SET'."));
  EXPECT_EQ(errorOf([&] { cat->UpdateCondition(0, "a = 1", ""); }).number(), -2147217900);
  ASSERT_EQ(env.logEntries().size(), 1u);
  EXPECT_EQ(env.logEntries()[0].label, "KORVANDA.clsCatValida.updateCondition");
}

TEST_F(QueriesTest, EjecutaQuerySinResultadoRunsOnTheSharedConnection) {
  EXPECT_TRUE(EjecutaQuerySinResultado("UPDATE SICIMCOBRANZA SET EnviadoSubsidio = 0"));
  EXPECT_EQ(sent().back(), "UPDATE SICIMCOBRANZA SET EnviadoSubsidio = 0");
  db->fail("bad", Error(-2147217900, "db", "rejected"));
  EXPECT_EQ(errorOf([&] { EjecutaQuerySinResultado("bad"); }).number(), -2147217900);
  ASSERT_EQ(env.logEntries().size(), 1u);
  EXPECT_EQ(env.logEntries()[0].label, "KORVANDA.ModGlobal.EjecutaQuerySinResultado");
}

TEST_F(QueriesTest, GetConexionGivesTheSharedConnection) {
  EXPECT_EQ(cat->getConexion(), ConnectionRef(db));
  EXPECT_EQ(getOpenConnection(), ConnectionRef(db));
}

}  // namespace
