// The catalog queries and generic statements on the demo database, on either engine.
#include <gtest/gtest.h>

#include <fstream>

#include "catalogs/calls.h"
#include "korvanda/clsCatValida.h"

using namespace korvanda;
using namespace korvanda::testing;

namespace {

class CatalogsDbTest : public ::testing::Test {
 protected:
  Environment env;
  std::shared_ptr<clsCatValida> cat = clsCatValida::create();
};

TEST_F(CatalogsDbTest, GoldenCalls) {
  EXPECT_EQ(cat->getCatalogos(5)->recordCount(), 32);
  EXPECT_EQ(cat->seleccionar("SELECT * FROM CATCESTADO WHERE CveEstado = 99")->fieldCount(), 4u);
  checkCalls(env, *cat, "demo.calls");
}

TEST_F(CatalogsDbTest, OnlySeleccionarGivesAnUpdatableRecordSetAndStatementsChangeTheDatabase) {
  EXPECT_EQ(errorOf([&] { cat->getCatalogos(5)->addNew(); }).number(), 3251);
  RecordsetRef found = cat->FindQuery("SELECT * FROM CATCESTADO");
  EXPECT_EQ(errorOf([&] { found->setValue("NomEstado", Variant("x")); }).number(), 3251);
  RecordsetRef rs = cat->seleccionar("SELECT * FROM CATCESTADO WHERE CveEstado = 1");
  rs->setValue("Abreviatura", Variant("AG"));
  rs->update();
  rs->addNew();
  rs->setValue("PKEstado", Variant(int16_t{33}));
  rs->update();
  EXPECT_EQ(rs->recordCount(), 2);
  // Disconnected: the database is unchanged.
  const std::string abbreviation = "SELECT Abreviatura FROM CATCESTADO WHERE CveEstado = 1";
  EXPECT_EQ(cat->TraeCatalogo(5, "33"), "0");
  EXPECT_EQ(toText(cat->FindQuery(abbreviation)->value(size_t{0})), "AGS");

  EXPECT_TRUE(cat->UpdateCondition(5, "Abreviatura = 'AG'", "CveEstado = 1"));
  EXPECT_TRUE(cat->insertar("INSERT INTO SUBCSTATUS (cveStatus, NomStatus) VALUES (90, 'uno')"));
  EXPECT_TRUE(cat->insertar("INSERT INTO SUBCSTATUS (cveStatus, NomStatus) VALUES (91, 'dos')",
                            env.openDatabase()));
  EXPECT_TRUE(cat->borrar("DELETE FROM SUBCSTATUS WHERE cveStatus = 90"));
  EXPECT_EQ(toText(cat->FindQuery(abbreviation)->value(size_t{0})), "AG");
  EXPECT_EQ(textOf(cat->FindCondition(21, "cveStatus", "cveStatus >= 90")), "[lock 1 cursor 3] 91");
  EXPECT_TRUE(env.logLines().empty());
}

TEST_F(CatalogsDbTest, ARejectedStatementKeepsTheEngineText) {
  Error e = errorOf([&] { cat->FindQuery("SELECT * FROM NOSUCHTABLE"); });
  EXPECT_NE(e.description().find("NOSUCHTABLE"), std::string::npos) << e.description();
  ASSERT_EQ(env.logEntries().size(), 1u);
  EXPECT_EQ(env.logEntries()[0].label, "KORVANDA.clsCatValida.FindQuery");
  EXPECT_EQ(env.logEntries()[0].description, e.description());
}

// tests/golden/catalogs/collation.tsv: each query and its first value.
TEST_F(CatalogsDbTest, TextComparesAsOnSqlServer) {
  ConnectionRef db = env.openDatabase();
  for (const char* row : {"(40, 40, 'Michoac\xC3\xA1n', 'A')",
                          "(41, 41, 'MICHOAC\xC3\x81N  ', 'B')", "(42, 42, 'Michoacan', 'C')",
                          "(43, 43, '\xC3\x89"
                          "bano', 'D')"})
    db->execute(
        std::string(
            "INSERT INTO CATCESTADO (PkEstado, CveEstado, NomEstado, Abreviatura) VALUES ") +
        row);
  std::ifstream in(KORVANDA_SOURCE_DIR "/tests/golden/catalogs/collation.tsv");
  int cases = 0;
  for (std::string line; std::getline(in, line);) {
    if (line.empty() || line[0] == '#') continue;
    const std::string query = "SELECT " + line.substr(0, line.find('\t'));
    RecordsetRef rs = cat->FindQuery(query);
    ASSERT_TRUE(rs) << query;
    EXPECT_EQ(toText(rs->value(size_t{0})), line.substr(line.find('\t') + 1)) << query;
    ++cases;
  }
  EXPECT_EQ(cases, 25);
}

}  // namespace
