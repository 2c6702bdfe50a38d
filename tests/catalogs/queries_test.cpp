// Statement texts, results and failures of the catalog queries and generic statements
// (tests/golden/catalogs/queries.calls). The object is created on a real database; then a
// scripted connection takes the shared slot, so each call sees exactly the statements sent.
#include <gtest/gtest.h>

#include "catalogs/calls.h"
#include "component/ModGlobal.h"
#include "korvanda/clsCatValida.h"

using namespace korvanda;
using namespace korvanda::testing;

namespace {

class QueriesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    cat = clsCatValida::create();
    db = ScriptedConnection::create();
    slot::current() = db;
    script(*db, "queries.answers");
  }

  Environment env{{.demo = false}};
  std::shared_ptr<clsCatValida> cat;
  std::shared_ptr<ScriptedConnection> db;
};

TEST_F(QueriesTest, GoldenCalls) { checkCalls(env, *cat, "queries.calls"); }

TEST_F(QueriesTest, FixedLogLinesConnectionsAndTheSharedStatement) {
  errorOf([&] { cat->getCatalogos(0); });
  errorOf([&] { cat->TraeCatalogo(5, "2"); });
  std::vector<std::string> tails;
  for (const auto& line : env.logLines()) tails.push_back(line.substr(line.find("|Modulo:")));
  EXPECT_EQ(
      tails,
      (std::vector<std::string>{
          "|Modulo:KORVANDA.clsCatValida.getCatalogos|Numero:-2147220503|Source:.getCatalogos"
          "|LastDLLError:0|Desc Alt El catalogo solicitado no existe",
          "|Modulo:KORVANDA.clsCatValida.traeCatalogo|Numero:94|Source:KORVANDA|LastDLLError:0"
          "|Desc Alt No se puede realizar la operaci\xC3\xB3n seleccionada sobre un valor "
          "vaci\xC3\xB3"}));

  // seleccionar's record set takes changes; another connection takes the statement given it.
  db->answer("select * from CATCRAMO",
             makeRecordset({"cveRamo", "Descripcion"}, {{int32_t{1}, "AGRICOLA"}}));
  RecordsetRef rs = cat->seleccionar("select * from CATCRAMO");
  rs->setValue("Descripcion", Variant("GANADERO"));
  rs->update();
  EXPECT_EQ(rs->value("Descripcion"), Variant("GANADERO"));
  auto other = ScriptedConnection::create();
  EXPECT_TRUE(cat->insertar("INSERT INTO X VALUES (1)", ConnectionRef(other)));
  EXPECT_TRUE(
      cat->insertar("INSERT INTO X VALUES (3)", ConnectionRef()));  // no object: the shared one
  EXPECT_EQ(other->received(), std::vector<std::string>{"INSERT INTO X VALUES (1)"});
  EXPECT_EQ(db->received().back(), "INSERT INTO X VALUES (3)");
  other->close();
  env.clearLogs();
  EXPECT_EQ(
      errorOf([&] { cat->insertar("INSERT INTO X VALUES (1)", ConnectionRef(other)); }).number(),
      3704);
  EXPECT_EQ(env.logEntries().at(0).label, "KORVANDA.clsCatValida.Insertar");
  EXPECT_EQ(cat->getConexion(), ConnectionRef(db));
  EXPECT_EQ(getOpenConnection(), ConnectionRef(db));

  EXPECT_TRUE(EjecutaQuerySinResultado("UPDATE S SET E = 0"));
  EXPECT_EQ(db->received().back(), "UPDATE S SET E = 0");
  env.clearLogs();
  EXPECT_EQ(errorOf([&] { EjecutaQuerySinResultado("DELETE FROM X"); }).number(), -2147217900);
  EXPECT_EQ(env.logEntries().at(0).label, "KORVANDA.ModGlobal.EjecutaQuerySinResultado");
}

}  // namespace
