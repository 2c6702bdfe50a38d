// The catalog queries and generic statements on the embedded demo database.
#include <gtest/gtest.h>

#include "component/ModGlobal.h"
#include "korvanda/clsCatValida.h"
#include "support/fixture.h"

using namespace korvanda;
using korvanda::testing::Environment;
using korvanda::testing::errorOf;

namespace {

class CatalogsDbTest : public ::testing::Test {
 protected:
  Environment env;
  std::shared_ptr<clsCatValida> cat = clsCatValida::create();
};

TEST_F(CatalogsDbTest, KeysAndCodesOfTheDemoCatalogs) {
  EXPECT_EQ(cat->getCatalogos(5)->recordCount(), 32);
  EXPECT_EQ(cat->TraeCatalogo(5, "9"), "9");
  EXPECT_EQ(cat->TraeCatalogo(5, "99"), "0");
  EXPECT_EQ(cat->TraeCatExt(8, "2", "1"), "2");
  EXPECT_EQ(cat->TraeCatExt(8, "999", "1"), "0");
  EXPECT_TRUE(cat->findClave(5, 9));
  EXPECT_FALSE(cat->findClave(5, 99));
  EXPECT_TRUE(env.logLines().empty());
}

TEST_F(CatalogsDbTest, NoObjectVersusAnEmptyRecordSet) {
  const std::string none = "SELECT * FROM CATCESTADO WHERE CveEstado = 99";
  EXPECT_EQ(cat->FindQuery(none), nullptr);
  EXPECT_EQ(cat->FindCondition(5, "*", "CveEstado = 99"), nullptr);
  RecordsetRef empty = cat->seleccionar(none);
  ASSERT_TRUE(empty);
  EXPECT_EQ(empty->state(), 1);
  EXPECT_TRUE(empty->bof() && empty->eof());
  EXPECT_EQ(empty->fieldCount(), 4u);
}

TEST_F(CatalogsDbTest, OnlySeleccionarGivesAnUpdatableRecordSet) {
  RecordsetRef readOnly = cat->getCatalogos(5);
  EXPECT_EQ(errorOf([&] { readOnly->addNew(); }).number(), 3251);
  RecordsetRef found = cat->FindQuery("SELECT * FROM CATCESTADO");
  ASSERT_TRUE(found);
  EXPECT_EQ(errorOf([&] { found->setValue("NomEstado", Variant("x")); }).number(), 3251);

  RecordsetRef rs = cat->seleccionar("SELECT * FROM CATCESTADO WHERE CveEstado = 1");
  rs->setValue("Abreviatura", Variant("AG"));
  rs->update();
  rs->addNew();
  rs->setValue("PKEstado", Variant(int16_t{33}));
  rs->update();
  EXPECT_EQ(rs->recordCount(), 2);
  // Disconnected: the database is unchanged.
  EXPECT_EQ(cat->TraeCatalogo(5, "33"), "0");
  EXPECT_EQ(toText(cat->FindQuery("SELECT Abreviatura FROM CATCESTADO WHERE CveEstado = 1")
                       ->value(size_t{0})),
            "AGS");
}

TEST_F(CatalogsDbTest, StatementsChangeTheDatabase) {
  EXPECT_TRUE(cat->UpdateCondition(5, "Abreviatura = 'AG'", "CveEstado = 1"));
  EXPECT_TRUE(cat->insertar("INSERT INTO SUBCSTATUS (cveStatus, NomStatus) VALUES (90, 'uno')"));
  // On a connection of the caller's.
  ConnectionRef own = env.openDatabase();
  EXPECT_TRUE(cat->insertar("INSERT INTO SUBCSTATUS (cveStatus, NomStatus) VALUES (91, 'dos')", own));
  EXPECT_TRUE(cat->borrar("DELETE FROM SUBCSTATUS WHERE cveStatus = 90"));
  EXPECT_EQ(env.statements(),
            (std::vector<std::string>{
                "UPDATE CATCESTADO SET Abreviatura = 'AG' WHERE CveEstado = 1",
                "INSERT INTO SUBCSTATUS (cveStatus, NomStatus) VALUES (90, 'uno')",
                "INSERT INTO SUBCSTATUS (cveStatus, NomStatus) VALUES (91, 'dos')",
                "DELETE FROM SUBCSTATUS WHERE cveStatus = 90"}));
  EXPECT_EQ(toText(cat->FindQuery("SELECT Abreviatura FROM CATCESTADO WHERE CveEstado = 1")
                       ->value(size_t{0})),
            "AG");
  EXPECT_EQ(cat->FindCondition(21, "cveStatus", "cveStatus >= 90")->recordCount(), 1);
}

TEST_F(CatalogsDbTest, ARejectedStatementKeepsTheEngineText) {
  Error e = errorOf([&] { cat->FindQuery("SELECT * FROM NOSUCHTABLE"); });
  EXPECT_NE(e.description().find("NOSUCHTABLE"), std::string::npos) << e.description();
  auto log = env.logEntries();
  ASSERT_EQ(log.size(), 1u);
  EXPECT_EQ(log[0].label, "KORVANDA.clsCatValida.FindQuery");
  EXPECT_EQ(log[0].number, e.number());
  EXPECT_EQ(log[0].description, e.description());
  // A catalog without a code column: the database rejects the condition, at both levels.
  EXPECT_NE(errorOf([&] { cat->findClave(3, 1); }).number(), 0);
  log = env.logEntries();
  ASSERT_EQ(log.size(), 3u);
  EXPECT_EQ(log[1].label, "KORVANDA.clsCatValida.FindCondition");
  EXPECT_EQ(log[2].label, "KORVANDA.clsCatValida.FindClave");
}

}  // namespace
