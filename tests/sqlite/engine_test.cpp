#include <gtest/gtest.h>
#include <sqlite3.h>

#include <fstream>

#include "fixture.h"
#include "korvanda/textform.h"
#include "support/fixture.h"

namespace korvanda::sqlite::test {
namespace {

using korvanda::testing::errorOf;

TEST(OpenEmbedded, MissingFileIsAConnectionFailureAndCreatesNothing) {
  TempDir dir;
  std::string file = dir.file("nope.db");
  Error e = errorOf([&] { openEmbedded(file); });
  EXPECT_EQ(e.number(), kErrConnection);
  EXPECT_EQ(e.source(), "SQLite");
  EXPECT_EQ(e.description(), "Cannot open database \"" + file + "\": the file does not exist.");
  EXPECT_FALSE(std::filesystem::exists(file));
  EXPECT_EQ(errorOf([&] { openEmbedded(dir.file("")); }).number(), kErrConnection);  // a directory
}

TEST(OpenEmbedded, AFileThatIsNotADatabaseFailsClearly) {
  TempDir dir;
  std::string file = dir.file("garbage.db");
  std::ofstream(file) << std::string(4096, 'x');
  Error e = errorOf([&] { openEmbedded(file); });
  EXPECT_EQ(e.number(), kErrConnection);
  EXPECT_NE(e.description().find("file is not a database"), std::string::npos) << e.description();
}

TEST(CreateDatabase, RefusesAnExistingFileAndLeavesIt) {
  TempDir dir;
  std::string file = dir.file("x.db");
  std::ofstream(file) << "keep me";
  EXPECT_EQ(errorOf([&] { createDatabase(file, false); }).number(), 58);
  std::ifstream in(file);
  std::string content((std::istreambuf_iterator<char>(in)), {});
  EXPECT_EQ(content, "keep me");
}

class Engine : public DatabaseTest {};

TEST_F(Engine, StateCloseAndOpenAgain) {
  EXPECT_EQ(conn_->state(), 1);
  EXPECT_EQ(errorOf([&] { conn_->open(); }).number(), 3705);
  conn_->execute("INSERT INTO CATCRAMO (PkRamo, cveRamo, NomRamo) VALUES (1, 1, 'Agrícola')");
  conn_->close();
  EXPECT_EQ(conn_->state(), 0);
  EXPECT_EQ(errorOf([&] { conn_->close(); }).number(), 3704);
  EXPECT_EQ(errorOf([&] { conn_->execute("SELECT 1 AS x"); }).number(), 3704);
  conn_->open();  // with the file it holds
  EXPECT_EQ(toText(scalar("SELECT NomRamo FROM CATCRAMO")), "Agrícola");
}

TEST_F(Engine, StatementsWithAndWithoutRows) {
  EXPECT_EQ(conn_->execute("DELETE FROM CATCRAMO"), nullptr);
  auto empty = rows("SELECT PkRamo, NomRamo FROM CATCRAMO");
  ASSERT_TRUE(empty);
  EXPECT_EQ(empty->fieldCount(), 2u);
  EXPECT_TRUE(empty->eof() && empty->bof());
  // The rows of the last result set of a batch.
  auto rs = rows("SET DATEFORMAT DMY SELECT 1 AS a; INSERT INTO CATCRAMO (PkRamo, cveRamo) VALUES (1, 1) SELECT 2 AS b");
  EXPECT_EQ(rs->field(0).name, "b");
}

TEST_F(Engine, RejectedAndUntranslatableStatements) {
  Error e = failure("SELECT nada FROM CATCRAMO");
  EXPECT_EQ(e.number(), kErrStatement);
  EXPECT_EQ(e.description(), "no such column: nada");
  e = failure("SELECT DATEDIFF(day, Fecha, GETDATE()) FROM SUBHMONEDAS");
  EXPECT_EQ(e.number(), kErrStatement);
  EXPECT_EQ(e.description(), "The statement cannot run on the embedded database: the function DATEDIFF is not supported");
  e = failure("EXEC NoExiste 1");
  EXPECT_EQ(e.description(), "Could not find stored procedure 'NoExiste'.");
}

// SQLite's parser does not recurse, but what follows it does: long chains stop at the depth
// limit set on the connection, with SQLite's own error, long before a small stack runs out.
TEST_F(Engine, LongExpressionsStopAtTheDepthLimitOnASmallStack) {
  auto sum = [](int terms) {
    std::string s = "SELECT 1";
    for (int i = 1; i < terms; ++i) s += " + 1";
    return s + " AS s";
  };
  korvanda::testing::runOnSmallStack([&] {
    EXPECT_EQ(toInt32(conn_->query(sum(kMaxExpressionDepth - 10))->value("s")), kMaxExpressionDepth - 10);
    for (int terms : {kMaxExpressionDepth + 1, 5000}) {
      Error e = errorOf([&] { conn_->execute(sum(terms)); });
      EXPECT_EQ(e.number(), kErrStatement);
      EXPECT_EQ(e.description(), "Expression tree is too large (maximum depth " + std::to_string(kMaxExpressionDepth) + ")");
    }
  });
}

TEST_F(Engine, FieldTypesComeFromTheDeclaredTypes) {
  conn_->execute("CREATE TABLE Tipos (a BIGINT, b FLOAT, c TEXT, d NTEXT)");
  conn_->execute("INSERT INTO Tipos VALUES (5000000000, 1.5, 'largo', 'x')");
  conn_->execute("INSERT INTO SICIMCOBRANZA (PKInciso, PkEndoso, fechaPago) VALUES (1, 0, '01/02/2026')");
  conn_->execute("INSERT INTO CATCLOCALIDAD (PkEstado, CveMunicipio, CveLocalidad, Agregada) VALUES (14, 39, '0001', 1)");
  struct Expect {
    std::string sql;
    int32_t type, size;
  };
  const Expect cases[] = {
      {"SELECT a FROM Tipos", adBigInt, 8},
      {"SELECT b FROM Tipos", adDouble, 8},
      {"SELECT c FROM Tipos", adLongVarChar, 2147483647},
      {"SELECT d FROM Tipos", adLongVarChar, 2147483647},
      {"SELECT PkEndoso FROM SICIMCOBRANZA", adInteger, 4},
      {"SELECT NumPago FROM SICIMCOBRANZA", adSmallInt, 2},
      {"SELECT EnviadoSubsidio FROM SICIMCOBRANZA", adBoolean, 2},
      {"SELECT TipoCambio FROM SICIMCOBRANZA", adNumeric, 19},
      {"SELECT ImportePagado FROM SICIMCOBRANZA", adNumeric, 19},
      {"SELECT fechaPago FROM SICIMCOBRANZA", adDate, 8},
      {"SELECT Agregada FROM CATCLOCALIDAD", adUnsignedTinyInt, 1},
      {"SELECT CveLocalidad FROM CATCLOCALIDAD", adVarChar, 4},
      {"SELECT TipoLocalizacion FROM SICICSOCIOS", adChar, 1},
      {"SELECT PKMpio FROM CATCMUNICIPIO", adSmallInt, 2},
      {"SELECT pkpagoendoso FROM SOLRPAGOSENDOSO", adInteger, 4},  // through the view
      // Computed columns: the type the expression has, else the type of the values.
      {"SELECT CAST(Agregada AS varchar) + '/' + CveLocalidad AS x FROM CATCLOCALIDAD", adVarChar, 35},
      {"SELECT LEN(CveLocalidad) AS n FROM CATCLOCALIDAD", adInteger, 4},
      {"SELECT max(fechaPago) AS m FROM SICIMCOBRANZA", adDate, 8},
      {"SELECT sqlite_version() AS v", adVarChar, static_cast<int32_t>(std::string(sqlite3_libversion()).size())},
      {"SELECT a * 2 AS big FROM Tipos", adBigInt, 8},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.sql);
    auto rs = rows(c.sql);
    ASSERT_TRUE(rs);
    EXPECT_EQ(rs->field(0).type, c.type);
    EXPECT_EQ(rs->field(0).definedSize, c.size);
  }
  EXPECT_EQ(toInt64(scalar("SELECT a * 2 AS big FROM Tipos")), 10000000000);
  EXPECT_EQ(*scalar("SELECT Agregada FROM CATCLOCALIDAD").get_if<uint8_t>(), 1);
  EXPECT_EQ(*scalar("SELECT EnviadoSubsidio FROM SICIMCOBRANZA").get_if<bool>(), false);
}

TEST_F(Engine, DecimalsAreExact) {
  conn_->execute("INSERT INTO SINMAJUSTESIN (PKInciso, PkRiesgo, SupSinPP, SupSinPT, IndemNetaPP, IndemNetaPT) "
                 "VALUES (1, 1, 0.1, 0.2, 1234567890.12, '0.07')");
  EXPECT_EQ(toDecimal(scalar("SELECT IndemNetaPP FROM SINMAJUSTESIN")), (Decimal{123456789012, 2}));
  EXPECT_EQ(toDecimal(scalar("SELECT IndemNetaPT FROM SINMAJUSTESIN")), (Decimal{7, 2}));
  // A sum computed by the engine in binary floating point comes back as the decimal it means.
  Variant sum = scalar("SELECT A.SupSinPP + A.SupSinPT AS s FROM SINMAJUSTESIN AS A");
  ASSERT_TRUE(sum.get_if<Decimal>());
  EXPECT_EQ(formatDecimal(*sum.get_if<Decimal>()), "0.3");
  EXPECT_EQ(rows("SELECT A.SupSinPP + A.SupSinPT AS s FROM SINMAJUSTESIN AS A")->field(0).type, adNumeric);
}

TEST_F(Engine, DatesAreStoredAsIsoTextAndComeBackAsDates) {
  conn_->execute("SET DATEFORMAT DMY INSERT INTO SUBCFONDOSANEXOH (CveFondo, CicloIni, CicloFin, FechaInicio, FechaLimite) "
                 "VALUES ('F1', 2026, 2026, '31/12/2026 13:05:00', '01/02/2026')");
  Variant v = scalar("SELECT FechaInicio FROM SUBCFONDOSANEXOH");
  ASSERT_TRUE(v.get_if<Date>());
  EXPECT_EQ(formatDate(*v.get_if<Date>()), "31/12/2026 13:05:00");
  EXPECT_EQ(formatDate(toDate(scalar("SELECT FechaLimite FROM SUBCFONDOSANEXOH"))), "01/02/2026");
  // On disk: ISO text, which orders and compares as dates do.
  sqlite3* raw = nullptr;
  ASSERT_EQ(sqlite3_open_v2(file_.c_str(), &raw, SQLITE_OPEN_READONLY, nullptr), SQLITE_OK);
  sqlite3_stmt* st = nullptr;
  sqlite3_prepare_v2(raw, "SELECT FechaInicio, FechaLimite FROM SUBCFONDOSANEXOH", -1, &st, nullptr);
  ASSERT_EQ(sqlite3_step(st), SQLITE_ROW);
  EXPECT_STREQ(reinterpret_cast<const char*>(sqlite3_column_text(st, 0)), "2026-12-31 13:05:00");
  EXPECT_STREQ(reinterpret_cast<const char*>(sqlite3_column_text(st, 1)), "2026-02-01 00:00:00");
  sqlite3_finalize(st);
  sqlite3_close(raw);
  EXPECT_EQ(toInt32(scalar("SELECT COUNT(*) FROM SUBCFONDOSANEXOH WHERE FechaLimite < '15/02/2026' AND YEAR(FechaInicio) = 2026")), 1);
}

TEST_F(Engine, TextComparesWithoutRegardToCase) {
  conn_->execute("INSERT INTO SUBCONSENVIADASFC (PkCedente, Periodo, Anio, poliza, Inciso) VALUES (1, 1, 2026, 'abc-1', 1)");
  EXPECT_EQ(toInt32(scalar("select pkenviadaFc from subconsenviadasFc where poliza = 'ABC-1'")), 1);
  // The duplicate keys are unique without regard to case, as in SQL Server.
  std::string row = "SET DATEFORMAT DMY INSERT INTO SUBMAGRICOLAFC (Periodo, Anio, poliza, Inciso, PkCedente) VALUES (1, 2026, '";
  conn_->execute(row + "pol-9', 1, 1)");
  Error e = failure(row + "POL-9', 1, 1)");
  EXPECT_EQ(e.number(), kErrIntegrity);
  EXPECT_NE(e.description().find("UNIQUE constraint failed: SUBMAGRICOLAFC.poliza"), std::string::npos);
  // The sent register has no such key: a second row is written.
  conn_->execute("INSERT INTO SUBCONSENVIADASFC (PkCedente, Periodo, Anio, poliza, Inciso) VALUES (1, 1, 2026, 'abc-1', 1)");
  EXPECT_EQ(toInt32(scalar("SELECT COUNT(*) FROM SUBCONSENVIADASFC")), 2);
}

TEST_F(Engine, RepeatedAndUnnamedColumnsKeepTheirPlaces) {
  conn_->execute("INSERT INTO CATCRAMO (PkRamo, cveRamo, NomRamo) VALUES (7, 8, 'x')");
  auto rs = rows("SELECT PkRamo, ' ', cveRamo AS PkRamo, 1 + 1 FROM CATCRAMO");
  ASSERT_EQ(rs->fieldCount(), 4u);
  EXPECT_EQ(rs->field(0).name, "PkRamo");
  EXPECT_EQ(rs->field(1).name, "");
  EXPECT_EQ(rs->field(2).name, "PkRamo");
  EXPECT_EQ(rs->field(3).name, "");
  EXPECT_EQ(toInt32(rs->value("pkramo")), 7);  // by name: the first
  EXPECT_EQ(toInt32(rs->value(size_t{2})), 8);
}

TEST_F(Engine, SchemaListing) {
  auto rs = conn_->openSchemaTables();
  std::map<std::string, std::string> types;
  for (rs->moveFirst(); !rs->eof(); rs->moveNext()) types[toText(rs->value("table_name"))] = toText(rs->value("TABLE_TYPE"));
  EXPECT_EQ(types["CATCESTADO"], "TABLE");
  EXPECT_EQ(types["SOLRPAGOSENDOSO"], "VIEW");
  EXPECT_EQ(types["sqlite_schema"], "SYSTEM TABLE");
}

TEST_F(Engine, Transactions) {
  conn_->beginTrans();
  EXPECT_EQ(errorOf([&] { conn_->beginTrans(); }).number(), kErrNestedTransaction);
  conn_->execute("INSERT INTO CATCRAMO (PkRamo, cveRamo) VALUES (1, 1)");
  EXPECT_EQ(errorOf([&] { conn_->close(); }).number(), 3246);
  conn_->rollbackTrans();
  EXPECT_EQ(toInt32(scalar("SELECT COUNT(*) FROM CATCRAMO")), 0);
  EXPECT_EQ(errorOf([&] { conn_->commitTrans(); }).number(), kErrNoTransaction);
  conn_->beginTrans();
  conn_->execute("INSERT INTO CATCRAMO (PkRamo, cveRamo) VALUES (1, 1)");
  conn_->commitTrans();
  EXPECT_EQ(toInt32(scalar("SELECT COUNT(*) FROM CATCRAMO")), 1);
}

TEST_F(Engine, WalLetsTwoConnectionsShareTheFile) {
  EXPECT_EQ(toText(scalar("PRAGMA journal_mode")), "wal");
  auto other = openEmbedded(file_);
  conn_->beginTrans();
  conn_->execute("INSERT INTO CATCRAMO (PkRamo, cveRamo) VALUES (1, 1)");
  // A reader is not blocked by the writer and sees the last committed state.
  EXPECT_EQ(toInt32(other->execute("SELECT COUNT(*) FROM CATCRAMO")->value(size_t{0})), 0);
  conn_->commitTrans();
  EXPECT_EQ(toInt32(other->execute("SELECT COUNT(*) FROM CATCRAMO")->value(size_t{0})), 1);
}

TEST_F(Engine, ALockHeldPastTheBusyTimeoutFailsClearly) {
  auto other = openEmbedded(file_, std::chrono::milliseconds(100));
  conn_->beginTrans();
  conn_->execute("INSERT INTO CATCRAMO (PkRamo, cveRamo) VALUES (1, 1)");
  Error e = errorOf([&] { other->execute("INSERT INTO CATCRAMO (PkRamo, cveRamo) VALUES (2, 2)"); });
  EXPECT_EQ(e.number(), kErrTimeout);
  EXPECT_EQ(e.description(), "Timeout expired: database is locked (another connection kept the database file locked)");
  conn_->commitTrans();
  other->execute("INSERT INTO CATCRAMO (PkRamo, cveRamo) VALUES (2, 2)");  // free again
  EXPECT_EQ(toInt32(scalar("SELECT COUNT(*) FROM CATCRAMO")), 2);
}

TEST_F(Engine, SchemaChangesAreSeenByTheTranslation) {
  conn_->execute("CREATE TABLE Nueva (f DATETIME)");
  conn_->execute("INSERT INTO Nueva VALUES ('05/06/2026')");  // typed by the new table
  EXPECT_EQ(formatDate(toDate(scalar("SELECT f FROM Nueva"))), "05/06/2026");
}

TEST_F(Engine, CopiesATableFromAnotherFile) {
  std::string source = dir_.file("source.db");
  createDatabase(source, true);
  conn_->execute("DROP TABLE CATCMUNICIPIO");
  conn_->execute(" SELECT CATCMUNICIPIO.* INTO CATCMUNICIPIO FROM CATCMUNICIPIO IN '" + source + "'");
  EXPECT_EQ(toInt32(scalar("SELECT COUNT(*) FROM CATCMUNICIPIO")), 120);
  auto rs = rows("SELECT PKMpio, NomMunicipio FROM CATCMUNICIPIO WHERE cveEstado = 14 AND CveMunicipio = 39");
  EXPECT_EQ(rs->field(0).type, adSmallInt);
  EXPECT_EQ(toText(rs->value("NomMunicipio")), "Guadalajara");
  // The table exists now: the copy fails and changes nothing.
  Error e = failure("SELECT CATCMUNICIPIO.* INTO CATCMUNICIPIO FROM CATCMUNICIPIO IN '" + source + "'");
  EXPECT_EQ(e.description(), "table \"CATCMUNICIPIO\" already exists");
  EXPECT_EQ(failure("SELECT CATCRAMO.* INTO CATCRAMO FROM CATCRAMO IN '" + dir_.file("missing.db") + "'").description(),
            "Could not find file '" + dir_.file("missing.db") + "'.");
  EXPECT_FALSE(std::filesystem::exists(dir_.file("missing.db")));
  // A transaction keeps the files it read attached until it ends: copies inside it and after it
  // go through, and nothing stays attached.
  auto copy = [&](const std::string& t) {
    conn_->execute("DROP TABLE " + t);
    conn_->execute(" SELECT " + t + ".* INTO " + t + " FROM " + t + " IN '" + source + "'");
  };
  conn_->beginTrans();
  copy("CATCESTADO");
  copy("CATCRAMO");
  conn_->commitTrans();
  copy("CATCESTADO");
  EXPECT_EQ(toInt32(scalar("SELECT COUNT(*) FROM CATCESTADO")), 32);
  EXPECT_EQ(toInt32(scalar("SELECT COUNT(*) FROM pragma_database_list")), 1);
}

TEST_F(Engine, DatabaseFunctions) {
  EXPECT_EQ(formatDate(toDate(scalar("SELECT dbo.ObtenFechaFinMes(2, 2028) AS f"))), "29/02/2028 23:59:59");
  EXPECT_EQ(formatDate(toDate(scalar("SELECT dbo.ObtenFechaFinMes(12, 2026) AS f"))), "31/12/2026 23:59:59");
  EXPECT_EQ(failure("SELECT dbo.ObtenFechaFinMes(13, 2026) AS f").description(),
            "ObtenFechaFinMes: there is no month 13 of year 2026.");
  EXPECT_EQ(toInt32(scalar("SELECT LEN('año  ') AS n")), 3);
  EXPECT_TRUE(scalar("SELECT LEN(NULL) AS n").isNull());
  EXPECT_EQ(toInt32(scalar("SELECT YEAR('31/12/2026') AS y")), 2026);
  EXPECT_EQ(toInt32(scalar("SELECT MONTH('2026-07-04 10:00:00') AS m")), 7);
  EXPECT_EQ(failure("SELECT YEAR('ayer') AS y").description(),
            "Conversion failed when converting the value 'ayer' to data type datetime.");
  EXPECT_EQ(toInt32(scalar("SELECT YEAR(GETDATE()) AS y")), splitDate(now()).year);
  EXPECT_EQ(toText(scalar("SELECT TSQL_ADD('a', 'b') AS x")), "ab");
  EXPECT_EQ(toInt32(scalar("SELECT TSQL_ADD('2', 3) AS x")), 5);
  EXPECT_EQ(failure("SELECT TSQL_ADD('x', 3) AS x").description(),
            "Conversion failed when converting the value 'x' to data type numeric.");
  conn_->execute("INSERT INTO SUBDCOORDENADASFC VALUES (2026, 2026, 1001, 1, '20.6597,-103.3496')");
  EXPECT_EQ(toText(scalar("SELECT dbo.getCoordenadasFormatoC (2026,2026,1001 ,1 ) As Coordenadas")), "20.6597,-103.3496");
  EXPECT_EQ(toText(scalar("SELECT dbo.getCoordenadasFormatoC (2026,2026,1001 ,2 ) As Coordenadas")), "");
}

class Demo : public DemoDatabaseTest {};

TEST_F(Demo, HasTheStatesAndMunicipalities) {
  auto rs = rows("SELECT * FROM CATCESTADO");
  EXPECT_EQ(rs->recordCount(), 32);
  EXPECT_EQ(toText(scalar("SELECT NomEstado FROM CATCESTADO WHERE CveEstado = 1")), "Aguascalientes");
  EXPECT_EQ(toText(scalar("SELECT NomEstado FROM CATCESTADO WHERE CveEstado = 32")), "Zacatecas");
  EXPECT_EQ(toInt32(scalar("SELECT COUNT(DISTINCT cveEstado) FROM CATCMUNICIPIO")), 32);
  EXPECT_EQ(toText(scalar("SELECT NomMunicipio FROM CATCMUNICIPIO WHERE cveEstado = 19 AND CveMunicipio = 39")), "Monterrey");
}

}  // namespace
}  // namespace korvanda::sqlite::test
