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

// Application SQL compares text as SQL Server's default collation does: letter case and trailing
// blanks ignored, accents kept apart, accented letters beside their base letter.
TEST_F(CatalogsDbTest, TextComparesAsOnSqlServer) {
  ConnectionRef db = env.openDatabase();
  for (const char* row : {"(40, 40, 'Michoacán', 'A')", "(41, 41, 'MICHOACÁN  ', 'B')",
                          "(42, 42, 'Michoacan', 'C')", "(43, 43, 'Ébano', 'D')"})
    db->execute(std::string("INSERT INTO CATCESTADO (PKEstado, CveEstado, NomEstado, Abreviatura) VALUES ") + row);
  const std::pair<const char*, const char*> cases[] = {
      {"CASE WHEN 'abc' = 'ABC' THEN 1 ELSE 0 END", "1"},
      {"CASE WHEN 'a' < 'B' THEN 1 ELSE 0 END", "1"},
      {"CASE WHEN 'abc' = 'abc   ' THEN 1 ELSE 0 END", "1"},
      {"CASE WHEN 'ñandú' = 'ÑANDÚ' THEN 1 ELSE 0 END", "1"},
      {"CASE WHEN 'n' = 'ñ' OR 'a' = 'á' THEN 1 ELSE 0 END", "0"},
      {"CASE WHEN 'a' < 'á' AND 'á' < 'b' AND 'n' < 'ñ' AND 'ñ' < 'o' AND 'z' < 'ÁRBOL' THEN 1 ELSE 0 END", "0"},
      {"CASE WHEN 'a' < 'á' AND 'á' < 'b' AND 'n' < 'ñ' AND 'ñ' < 'o' THEN 1 ELSE 0 END", "1"},
      {"CASE WHEN 'ÄÖÜ' IN ('x', 'äöü ') AND 'B' BETWEEN 'a' AND 'c' THEN 1 ELSE 0 END", "1"},
      {"CASE WHEN UPPER('ñandú') + LOWER('ÁRBOL') = 'ÑANDÚárbol' THEN 1 ELSE 0 END", "1"},
      {"UPPER('ñandú œ š ž ÿ ç ß')", "ÑANDÚ Œ Š Ž Ÿ Ç ß"},
      {"LOWER('ÁRBOL Œ Š Ž Ÿ Ç')", "árbol œ š ž ÿ ç"},
      {"CASE WHEN 'ÁRBOL  ' LIKE 'árb_l' AND 'Peña' LIKE 'PE[ñm]A' AND '10%' LIKE '10!%' ESCAPE '!'"
       " AND 'arbol' NOT LIKE 'árbol' AND 'abc' NOT LIKE 'abc ' THEN 1 ELSE 0 END", "1"},
      {"COUNT(*) FROM CATCESTADO WHERE NomEstado = 'michoacán'", "2"},
      {"COUNT(*) FROM CATCESTADO WHERE NomEstado LIKE 'michoacán%'", "3"},
      {"COUNT(DISTINCT NomEstado) FROM CATCESTADO WHERE NomEstado LIKE 'mich%'", "3"},
      {"COUNT(DISTINCT LTRIM(NomEstado)) FROM CATCESTADO WHERE NomEstado LIKE 'mich%'", "3"},
      {"COUNT(*) FROM (SELECT DISTINCT RTRIM(NomEstado) + '' AS n FROM CATCESTADO WHERE CveEstado >= 40) AS d", "3"},
      {"COUNT(*) FROM (SELECT LOWER(NomEstado) AS n FROM CATCESTADO WHERE CveEstado >= 40 GROUP BY LOWER(NomEstado)) AS g", "3"},
      {"TOP 1 LOWER(NomEstado) AS n FROM CATCESTADO ORDER BY LOWER(NomEstado) DESC", "zacatecas"},
      {"TOP 1 LOWER(NomEstado) AS n FROM CATCESTADO ORDER BY n DESC", "zacatecas"},
      // Aggregates and a simple CASE compare computed texts by the same rules.
      {"MAX(LTRIM(NomEstado)) FROM CATCESTADO WHERE CveEstado IN (42, 43)", "Michoacan"},
      {"MIN(UPPER(NomEstado) + '') FROM CATCESTADO WHERE CveEstado >= 42", "ÉBANO"},
      {"MAX(NomEstado) FROM CATCESTADO WHERE CveEstado IN (42, 43)", "Michoacan"},
      {"CASE LTRIM('Michoacán ') WHEN 'MICHOACÁN' THEN 1 ELSE 0 END", "1"},
      {"CASE 'abc' WHEN 'ABC  ' THEN 1 WHEN 'x' THEN 2 ELSE 0 END", "1"},
  };
  for (auto [query, expected] : cases) {
    RecordsetRef rs = cat->FindQuery(std::string("SELECT ") + query);
    ASSERT_TRUE(rs) << query;
    EXPECT_EQ(toText(rs->value(size_t{0})), expected) << query;
  }
}
