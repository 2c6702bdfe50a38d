// Catalog replication between two capture files, and the capture-database opener's dialect.
#include <gtest/gtest.h>

#include <fstream>

#include "lookups/lookups_support.h"
#include "support/fixture.h"
#include "korvanda/clsCatalogos.h"
#include "components/capture_db.h"

namespace korvanda {
namespace {

using testing::Environment;
using testing::errorOf;
using testing::sqliteExec;
using testing::sqliteRows;

std::string copyStatement(const std::string& table, const std::string& source) {
  return " SELECT " + table + ".* INTO " + table + " FROM " + table + " IN '" + source + "'";
}

class Replication : public ::testing::Test {
 protected:
  Environment env{{.database = false, .demo = false, .registry = false}};
  std::string origin = (env.dir() / "origen.db").string();
  std::string destination = (env.dir() / "destino.db").string();
  clsCatalogos catalogos;
};

TEST_F(Replication, ReplacesEveryTableWithRowsAndSkipsViewsAndSystemTables) {
  sqliteExec(origin,
             "CREATE TABLE CATCRAMO (PkRamo SMALLINT NOT NULL, NomRamo VARCHAR(50), Tasa "
             "DECIMAL(10,4), Alta DATETIME);"
             "INSERT INTO CATCRAMO VALUES (1, 'Agricola', 1.5, '2026-01-31 00:00:00'), "
             "(2, 'Ganadero', NULL, NULL);"
             "CREATE TABLE CATCESTADO (PKEstado SMALLINT, NomEstado VARCHAR(50));"
             "INSERT INTO CATCESTADO VALUES (5, 'Coahuila');"
             "CREATE TABLE Contador (id INTEGER PRIMARY KEY AUTOINCREMENT, v INT);"
             "INSERT INTO Contador (v) VALUES (10);"
             "CREATE VIEW VRAMOS AS SELECT NomRamo FROM CATCRAMO;");
  sqliteExec(destination,
             "CREATE TABLE CATCRAMO (PkRamo INT, Viejo TEXT);"
             "INSERT INTO CATCRAMO VALUES (9, 'viejo');"
             "CREATE TABLE CATCESTADO (PKEstado SMALLINT, NomEstado VARCHAR(50));"
             "INSERT INTO CATCESTADO VALUES (7, 'Otro'), (8, 'Otro mas');"
             "CREATE TABLE Contador (id INTEGER, v INT); INSERT INTO Contador VALUES (1, 1);");

  EXPECT_TRUE(catalogos.Actualiza(origin, destination));

  EXPECT_EQ(env.statements(),
            (std::vector<std::string>{
                "SELECT * FROM CATCESTADO", "DROP TABLE CATCESTADO",
                copyStatement("CATCESTADO", origin),
                "SELECT * FROM CATCRAMO", "DROP TABLE CATCRAMO", copyStatement("CATCRAMO", origin),
                "SELECT * FROM Contador", "DROP TABLE Contador", copyStatement("Contador", origin),
            }));
  EXPECT_EQ(sqliteRows(destination, "SELECT * FROM CATCRAMO ORDER BY PkRamo"),
            (std::vector<std::string>{"1|Agricola|1.5|2026-01-31 00:00:00",
                                      "2|Ganadero|<null>|<null>"}));
  EXPECT_EQ(sqliteRows(destination, "SELECT * FROM CATCESTADO"),
            std::vector<std::string>{"5|Coahuila"});
  EXPECT_EQ(sqliteRows(destination, "SELECT id, v FROM Contador"), std::vector<std::string>{"1|10"});
  // The copy has the source's columns with their declared types.
  EXPECT_EQ(sqliteRows(destination, "SELECT name, type FROM pragma_table_info('CATCRAMO')"),
            (std::vector<std::string>{"PkRamo|SMALLINT", "NomRamo|VARCHAR(50)",
                                      "Tasa|DECIMAL(10,4)", "Alta|DATETIME"}));
  // Views are not copied, and nothing is logged.
  EXPECT_TRUE(sqliteRows(destination, "SELECT name FROM sqlite_master WHERE type = 'view'").empty());
  EXPECT_TRUE(env.logLines().empty());
}

TEST_F(Replication, SourceWithoutOrdinaryTablesCopiesNothing) {
  sqliteExec(origin, "CREATE VIEW Solo AS SELECT 1 AS x;");
  sqliteExec(destination, "CREATE TABLE Otra (x INT); INSERT INTO Otra VALUES (3);");
  EXPECT_FALSE(catalogos.Actualiza(origin, destination));
  EXPECT_TRUE(env.statements().empty());
  EXPECT_EQ(sqliteRows(destination, "SELECT x FROM Otra"), std::vector<std::string>{"3"});
}

TEST_F(Replication, MissingDestinationTableStopsAfterTheTablesAlreadyCopied) {
  sqliteExec(origin,
             "CREATE TABLE A1 (x INT); INSERT INTO A1 VALUES (1);"
             "CREATE TABLE B2 (y INT); INSERT INTO B2 VALUES (2);"
             "CREATE TABLE C3 (z INT); INSERT INTO C3 VALUES (3);");
  sqliteExec(destination,
             "CREATE TABLE A1 (x INT); INSERT INTO A1 VALUES (10);"
             "CREATE TABLE C3 (z INT); INSERT INTO C3 VALUES (30);");

  Error e = errorOf([&] { catalogos.Actualiza(origin, destination); });
  EXPECT_EQ(e.number(), components::kCaptureNoSuchTable);
  EXPECT_NE(e.description().find("La tabla B2 no existe en la base de datos destino " + destination),
            std::string::npos)
      << e.description();

  EXPECT_EQ(sqliteRows(destination, "SELECT x FROM A1"), std::vector<std::string>{"1"});
  EXPECT_EQ(sqliteRows(destination, "SELECT z FROM C3"), std::vector<std::string>{"30"});
  auto log = env.logEntries();
  ASSERT_EQ(log.size(), 2u);
  EXPECT_EQ(log[0].label, "KORVANDA.clsCatalogos.ExecuteQuery");
  EXPECT_EQ(log[1].label, "KORVANDA.clsCatalogos.Actualiza");
  EXPECT_EQ(log[0].number, e.number());
  EXPECT_EQ(log[1].number, e.number());
  EXPECT_EQ(log[1].description, e.description());
  EXPECT_EQ(env.statements().back(), "SELECT * FROM B2");
}

TEST_F(Replication, CopyFailingHalfWayKeepsTheOldTableAndARerunReplacesIt) {
  // B2's rows fill many pages and are written last, so its last page is the file's last page:
  // damaged, the copy of B2 fails after most of its rows were read.
  const std::string rows2000 =
      "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 2000) "
      "INSERT INTO B2 SELECT i, printf('%0200d', i) FROM n;";
  sqliteExec(origin,
             "CREATE TABLE A1 (x INT); INSERT INTO A1 VALUES (1);"
             "CREATE TABLE C3 (z INT); INSERT INTO C3 VALUES (3);"
             "CREATE TABLE B2 (y INT, t TEXT);" + rows2000);
  sqliteExec(destination,
             "CREATE TABLE A1 (x INT); INSERT INTO A1 VALUES (10);"
             "CREATE TABLE B2 (y INT, viejo TEXT); INSERT INTO B2 VALUES (20, 'a'), (21, 'b');"
             "CREATE TABLE C3 (z INT); INSERT INTO C3 VALUES (30);");
  {
    std::fstream f(origin, std::ios::in | std::ios::out | std::ios::binary);
    f.seekp(-4096, std::ios::end);
    f << std::string(4096, '\xff');
  }

  Error e = errorOf([&] { catalogos.Actualiza(origin, destination); });
  EXPECT_NE(e.description().find("No se pudo copiar la tabla B2"), std::string::npos)
      << e.description();
  EXPECT_EQ(env.logEntries().at(0).label, "KORVANDA.clsCatalogos.CreateTable");
  EXPECT_EQ(env.statements(),
            (std::vector<std::string>{"SELECT * FROM A1", "DROP TABLE A1", copyStatement("A1", origin),
                                      "SELECT * FROM B2", "DROP TABLE B2",
                                      copyStatement("B2", origin)}));
  // The table copied before stays replaced; the failing one has its old columns and rows.
  EXPECT_EQ(sqliteRows(destination, "SELECT x FROM A1"), std::vector<std::string>{"1"});
  EXPECT_EQ(sqliteRows(destination, "SELECT * FROM B2"), (std::vector<std::string>{"20|a", "21|b"}));
  EXPECT_EQ(sqliteRows(destination, "SELECT z FROM C3"), std::vector<std::string>{"30"});
  EXPECT_EQ(sqliteRows(destination, "PRAGMA database_list").size(), 1u);

  // With the source whole again, the same replication goes through.
  std::filesystem::remove(origin);
  sqliteExec(origin,
             "CREATE TABLE A1 (x INT); INSERT INTO A1 VALUES (1);"
             "CREATE TABLE B2 (y INT, t TEXT);" + rows2000 +
             "CREATE TABLE C3 (z INT); INSERT INTO C3 VALUES (3);");
  EXPECT_TRUE(catalogos.Actualiza(origin, destination));
  EXPECT_EQ(sqliteRows(destination, "SELECT count(*), max(y) FROM B2"), std::vector<std::string>{"2000|2000"});
  EXPECT_EQ(sqliteRows(destination, "SELECT z FROM C3"), std::vector<std::string>{"3"});
}

TEST_F(Replication, EmptyDestinationTableIsNotDroppedAndStopsTheCopy) {
  sqliteExec(origin, "CREATE TABLE A1 (x INT); INSERT INTO A1 VALUES (1);");
  sqliteExec(destination, "CREATE TABLE A1 (x INT, extra TEXT);");

  Error e = errorOf([&] { catalogos.Actualiza(origin, destination); });
  EXPECT_EQ(e.number(), components::kCaptureStatementError);
  EXPECT_NE(e.description().find("La tabla A1 de la base de datos destino " + destination +
                                 " esta vacia y no se puede reemplazar"),
            std::string::npos)
      << e.description();
  EXPECT_EQ(env.statements(),
            (std::vector<std::string>{"SELECT * FROM A1", copyStatement("A1", origin)}));
  auto log = env.logEntries();
  ASSERT_EQ(log.size(), 2u);
  EXPECT_EQ(log[0].label, "KORVANDA.clsCatalogos.CreateTable");
  EXPECT_EQ(log[1].label, "KORVANDA.clsCatalogos.Actualiza");
  // The destination table is left as it was.
  EXPECT_EQ(sqliteRows(destination, "SELECT name FROM pragma_table_info('A1')"),
            (std::vector<std::string>{"x", "extra"}));
}

TEST_F(Replication, SourcePathWithQuotesAndOddTableNames) {
  const std::string quotedOrigin = (env.dir() / "ori'gen.db").string();
  sqliteExec(quotedOrigin,
             "CREATE TABLE [Mi Tabla] (x INT); INSERT INTO [Mi Tabla] VALUES (4);"
             "CREATE TABLE \"Raro]\" (y INT); INSERT INTO \"Raro]\" VALUES (5);");
  sqliteExec(destination,
             "CREATE TABLE [Mi Tabla] (x INT); INSERT INTO [Mi Tabla] VALUES (40);"
             "CREATE TABLE \"Raro]\" (y INT); INSERT INTO \"Raro]\" VALUES (50);");

  EXPECT_TRUE(catalogos.Actualiza(quotedOrigin, destination));
  std::string escaped = (env.dir() / "ori''gen.db").string();
  EXPECT_EQ(env.statements(),
            (std::vector<std::string>{
                "SELECT * FROM [Mi Tabla]", "DROP TABLE [Mi Tabla]",
                " SELECT [Mi Tabla].* INTO [Mi Tabla] FROM [Mi Tabla] IN '" + escaped + "'",
                "SELECT * FROM [Raro]]]", "DROP TABLE [Raro]]]",
                " SELECT [Raro]]].* INTO [Raro]]] FROM [Raro]]] IN '" + escaped + "'"}));
  EXPECT_EQ(sqliteRows(destination, "SELECT x FROM [Mi Tabla]"), std::vector<std::string>{"4"});
  EXPECT_EQ(sqliteRows(destination, "SELECT y FROM \"Raro]\""), std::vector<std::string>{"5"});
}

TEST_F(Replication, MissingSourceFileFailsWithoutCreatingIt) {
  sqliteExec(destination, "CREATE TABLE A1 (x INT);");
  const std::string missing = (env.dir() / "no-existe.db").string();
  Error e = errorOf([&] { catalogos.Actualiza(missing, destination); });
  EXPECT_EQ(e.number(), components::kCaptureCannotOpen);
  EXPECT_FALSE(std::filesystem::exists(missing));
  auto log = env.logEntries();
  ASSERT_EQ(log.size(), 1u);
  EXPECT_EQ(log[0].label, "KORVANDA.clsCatalogos.Actualiza");
}

TEST_F(Replication, FileOntoItselfIsRefusedAndLeftIntact) {
  sqliteExec(origin, "CREATE TABLE A1 (x INT); INSERT INTO A1 VALUES (1);");
  Error e = errorOf([&] { catalogos.Actualiza(origin, (env.dir() / "." / "origen.db").string()); });
  EXPECT_EQ(e.number(), kAppError1001);
  EXPECT_EQ(e.source(), ".Actualiza");
  EXPECT_EQ(sqliteRows(origin, "SELECT x FROM A1"), std::vector<std::string>{"1"});
  EXPECT_TRUE(env.statements().empty());
}

// ---- the opener and its dialect

TEST_F(Replication, SchemaListingTellsTablesViewsAndSystemTablesApart) {
  sqliteExec(origin,
             "CREATE TABLE b (id INTEGER PRIMARY KEY AUTOINCREMENT);"
             "CREATE TABLE a (x INT); CREATE VIEW v AS SELECT x FROM a;");
  components::clsOpenDbCap opener;
  ConnectionRef conn = opener.conectar("", components::kCapturePassword, origin);
  ASSERT_EQ(conn->state(), 1);
  RecordsetRef rs = conn->openSchemaTables();
  std::vector<std::string> rows;
  for (; !rs->eof(); rs->moveNext())
    rows.push_back(toText(rs->value("table_name")) + "|" + toText(rs->value("TABLE_TYPE")));
  EXPECT_EQ(rows, (std::vector<std::string>{"sqlite_master|SYSTEM TABLE",
                                            "sqlite_sequence|SYSTEM TABLE", "a|TABLE", "b|TABLE",
                                            "v|VIEW"}));
}

TEST_F(Replication, OpenerRefusesMissingAndForeignFiles) {
  components::clsOpenDbCap opener;
  const std::string missing = (env.dir() / "nada.db").string();
  EXPECT_EQ(errorOf([&] { opener.conectar("", "x", missing); }).number(),
            components::kCaptureCannotOpen);
  EXPECT_FALSE(std::filesystem::exists(missing));
  const std::string text = (env.dir() / "texto.db").string();
  { std::ofstream(text) << "esto no es una base de datos, solo texto suficiente para SQLite\n"; }
  EXPECT_EQ(errorOf([&] { opener.conectar("", "x", text); }).number(),
            components::kCaptureCannotOpen);
}

TEST_F(Replication, DialectReadsRowsAndCopiesFromAnotherFile) {
  sqliteExec(origin, "CREATE TABLE T (n SMALLINT, d DATETIME, t VARCHAR(5), m MONEY); "
                     "INSERT INTO T VALUES (3, '2026-12-31 13:05:00', 'ñ''a', 1234.5678);");
  sqliteExec(destination, "CREATE TABLE Otra (x INT);");
  components::clsOpenDbCap opener;
  ConnectionRef conn = opener.conectar("", components::kCapturePassword, destination);
  EXPECT_EQ(conn->execute("select T.* into Copia from T in '" + origin + "';"), nullptr);
  RecordsetRef rs = conn->query("SELECT * FROM [Copia]", adLockOptimistic);
  ASSERT_FALSE(rs->eof());
  EXPECT_EQ(rs->field(0).type, adSmallInt);
  EXPECT_EQ(rs->field(1).type, adDate);
  EXPECT_EQ(rs->field(2).type, adVarChar);
  EXPECT_EQ(rs->field(2).definedSize, 5);
  // Money as the embedded engine and SQL Server give it: an exact decimal of defined size 19.
  EXPECT_EQ(rs->field(3).type, adNumeric);
  EXPECT_EQ(rs->field(3).definedSize, 19);
  EXPECT_EQ(toDecimal(rs->value("m")), (Decimal{12345678, 4}));
  EXPECT_EQ(toInt16(rs->value("n")), 3);
  EXPECT_EQ(toText(rs->value("d")), "31/12/2026 13:05:00");
  EXPECT_EQ(toText(rs->value("t")), "ñ'a");
  // Brackets name tables; inside texts and comments they stay as they are.
  EXPECT_EQ(toText(conn->query("SELECT '[a]' /* [b] */ FROM [Copia] -- [c]")->value(size_t{0})), "[a]");
  // The source file was attached for the copy only.
  EXPECT_TRUE(sqliteRows(destination, "PRAGMA database_list").size() == 1);
  Error e = errorOf([&] { conn->execute("SELECT X.* INTO Copia2 FROM T IN '" + origin + "'"); });
  EXPECT_EQ(e.number(), components::kCaptureStatementError);
  conn->close();
  EXPECT_EQ(errorOf([&] { conn->execute("SELECT 1"); }).number(), 3704);
}

}  // namespace
}  // namespace korvanda
