// The ODBC engine for real: unixODBC and SQLite's ODBC driver on a SQLite file.
#include <gtest/gtest.h>
#include <sqlite3.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <map>

#include "korvanda/textform.h"
#include "support/odbc.h"
#include "core/statement_rule.h"
#include "odbc/engine.h"
#include "support/fixture.h"

namespace korvanda::odbc {
namespace {
namespace fs = std::filesystem;

// Every SQL Server column type the library reads, as SQLite holds them.
constexpr const char* kSchema = R"(
CREATE TABLE TIPOS (
  ID INT NOT NULL PRIMARY KEY, CHICO SMALLINT, GRANDE BIGINT, BYTE TINYINT, BANDERA BIT,
  REAL_ FLOAT, IMPORTE MONEY, TASA DECIMAL(12,4), FECHA DATETIME, NOMBRE VARCHAR(40),
  CLAVE CHAR(2), NOMBRE_N NVARCHAR(30));
INSERT INTO TIPOS VALUES (1, -32768, 9007199254740993, 255, 1, 0.1, 12345.6789, '99999999.1234',
  '2026-12-31 13:05:00', 'Ñandú Peñasco', 'MX', 'acción y opinión');
INSERT INTO TIPOS VALUES (2, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL);
INSERT INTO TIPOS (ID, TASA, FECHA) VALUES (3, '-1234567890.10', '2026-02-01');
CREATE VIEW VTIPOS AS SELECT ID FROM TIPOS;
)";

class SqliteDriver : public ::testing::Test {
 protected:
  void SetUp() override {
    KORVANDA_REQUIRE_ODBC();
    char pattern[] = "/tmp/korvanda-odbc-db-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    dir_ = pattern;
    file_ = (dir_ / "prueba.db").string();
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(file_.c_str(), &db), SQLITE_OK);
    char* err = nullptr;
    int rc = sqlite3_exec(db, kSchema, nullptr, nullptr, &err);
    std::string message = err ? err : "";
    sqlite3_free(err);
    sqlite3_close(db);
    ASSERT_EQ(rc, SQLITE_OK) << message;
  }
  void TearDown() override {
    std::error_code ec;
    if (!dir_.empty()) fs::remove_all(dir_, ec);
  }

  // Statements as SQLite takes them, without the T-SQL translation.
  std::shared_ptr<OdbcConnection> openRaw() {
    OdbcOptions options;
    options.dialect = testing::odbc::sqliteDialect(false);
    auto cs = buildConnectionString("DRIVER=SQLite3", "", "", file_, {});
    return std::make_shared<OdbcConnection>(cs, options);
  }

  fs::path dir_;
  std::string file_;
};

using korvanda::testing::errorOf;

TEST_F(SqliteDriver, FieldsTakeTheDeclaredTypes) {
  auto rs = openRaw()->execute("SELECT * FROM TIPOS ORDER BY ID");
  ASSERT_TRUE(rs);
  const std::pair<int32_t, int32_t> expected[] = {{3, 4},    {2, 2},     {20, 8},  {17, 1},
                                                  {11, 2},   {5, 8},     {131, 19}, {131, 19},
                                                  {7, 8},    {200, 40},  {129, 2}, {200, 30}};
  ASSERT_EQ(rs->fieldCount(), std::size(expected));
  for (size_t i = 0; i < rs->fieldCount(); ++i) {
    EXPECT_EQ(rs->field(i).type, expected[i].first) << rs->field(i).name;
    EXPECT_EQ(rs->field(i).definedSize, expected[i].second) << rs->field(i).name;
  }
  EXPECT_EQ(rs->field(0).name, "ID");
  EXPECT_EQ(rs->field(11).name, "NOMBRE_N");
  EXPECT_EQ(rs->recordCount(), 3);
}

TEST_F(SqliteDriver, ValuesComeBackExact) {
  auto rs = openRaw()->execute("SELECT * FROM TIPOS ORDER BY ID");
  ASSERT_TRUE(rs);
  EXPECT_EQ(rs->value("ID"), Variant(int32_t{1}));
  EXPECT_EQ(rs->value("CHICO"), Variant(int16_t{-32768}));
  EXPECT_EQ(rs->value("GRANDE"), Variant(int64_t{9007199254740993}));  // not a double's
  EXPECT_EQ(rs->value("BYTE"), Variant(uint8_t{255}));
  EXPECT_EQ(rs->value("BANDERA"), Variant(true));
  EXPECT_EQ(rs->value("REAL_"), Variant(0.1));
  EXPECT_EQ(rs->value("IMPORTE"), Variant(Decimal{123456789, 4}));
  EXPECT_EQ(toText(rs->value("TASA")), "99999999.1234");
  EXPECT_EQ(rs->value("FECHA"), Variant(dateFromParts(2026, 12, 31, 13, 5, 0)));
  EXPECT_EQ(rs->value("NOMBRE"), Variant("Ñandú Peñasco"));
  EXPECT_EQ(rs->value("CLAVE"), Variant("MX"));
  EXPECT_EQ(rs->value("NOMBRE_N"), Variant("acción y opinión"));

  rs->moveNext();
  for (size_t i = 1; i < rs->fieldCount(); ++i)
    EXPECT_TRUE(rs->value(i).isNull()) << rs->field(i).name;

  rs->moveNext();
  EXPECT_EQ(rs->value("TASA"), Variant(Decimal{-12345678901, 1}));
  EXPECT_EQ(rs->value("FECHA"), Variant(dateFromParts(2026, 2, 1)));
}

TEST_F(SqliteDriver, ValuesThatDoNotFitTheirColumnKeepTheirOwnForm) {
  auto c = openRaw();
  // SQLite keeps any value in any column; the driver alone would make these NULL or 0.
  c->execute("INSERT INTO TIPOS (ID, CHICO, BYTE, REAL_, FECHA) VALUES (60, ' ', 70000, 'n/a', "
             "'sin fecha')");
  auto rs = c->execute("SELECT CHICO, BYTE, REAL_, FECHA, ID AS X, NOMBRE AS X FROM TIPOS "
                       "WHERE ID = 60");
  ASSERT_TRUE(rs);
  EXPECT_EQ(rs->value("CHICO"), Variant(" "));
  EXPECT_EQ(rs->value("BYTE"), Variant(int32_t{70000}));
  EXPECT_EQ(rs->value("REAL_"), Variant("n/a"));
  EXPECT_EQ(rs->value("FECHA"), Variant("sin fecha"));
  // Two columns of one name: both are there, and the name finds the first.
  ASSERT_EQ(rs->fieldCount(), 6u);
  EXPECT_EQ(rs->field(5).name, "X");
  EXPECT_EQ(rs->value("X"), Variant(int32_t{60}));
  EXPECT_TRUE(rs->value(size_t{5}).isNull());
}

TEST_F(SqliteDriver, TextTravelsAsUtf8BothWays) {
  auto c = openRaw();
  c->execute("INSERT INTO TIPOS (ID, NOMBRE, NOMBRE_N) VALUES (10, 'ÑOÑO Güero', '¿Qué tal? ñ')");
  auto rs = c->execute("SELECT NOMBRE, NOMBRE_N, length(NOMBRE) AS L FROM TIPOS WHERE "
                       "NOMBRE = 'ÑOÑO Güero'");
  ASSERT_TRUE(rs);
  ASSERT_EQ(rs->recordCount(), 1);
  EXPECT_EQ(rs->value("NOMBRE"), Variant("ÑOÑO Güero"));
  EXPECT_EQ(rs->value("NOMBRE_N"), Variant("¿Qué tal? ñ"));
  EXPECT_EQ(toInt32(rs->value("L")), 10);  // characters, not bytes
}

TEST_F(SqliteDriver, LongTextIsReadWhole) {
  auto c = openRaw();
  std::string longText;
  for (int i = 0; i < 3000; ++i) longText += "ñ|";  // 6000 bytes: several driver reads
  c->execute("INSERT INTO TIPOS (ID, NOMBRE) VALUES (11, '" + longText + "')");
  auto rs = c->execute("SELECT NOMBRE FROM TIPOS WHERE ID = 11");
  ASSERT_TRUE(rs);
  EXPECT_EQ(rs->value(size_t{0}), Variant(longText));
}

TEST_F(SqliteDriver, ComputedColumnsTakeTheTypeOfTheirValue) {
  auto rs = openRaw()->execute("SELECT COUNT(*) AS N, MAX(ID) + 1 AS SIGUIENTE, 'x' AS T FROM TIPOS");
  ASSERT_TRUE(rs);
  EXPECT_EQ(rs->field(0).type, 3);
  EXPECT_EQ(rs->value("N"), Variant(int32_t{3}));
  EXPECT_EQ(rs->value("SIGUIENTE"), Variant(int32_t{4}));
  EXPECT_EQ(rs->value("T"), Variant("x"));
}

TEST_F(SqliteDriver, BatchGivesItsLastRowsAndSkipsCounts) {
  auto c = openRaw();
  auto rs = c->execute("INSERT INTO TIPOS (ID, NOMBRE) VALUES (20, 'a;b'); SELECT 1 AS PRIMERO; "
                       "SELECT NOMBRE FROM TIPOS WHERE ID = 20; UPDATE TIPOS SET CHICO = 7 "
                       "WHERE ID = 20;");
  ASSERT_TRUE(rs);
  ASSERT_EQ(rs->fieldCount(), 1u);
  EXPECT_EQ(rs->field(0).name, "NOMBRE");
  EXPECT_EQ(rs->value(size_t{0}), Variant("a;b"));
  auto check = c->execute("SELECT CHICO FROM TIPOS WHERE ID = 20");
  EXPECT_EQ(check->value(size_t{0}), Variant(int16_t{7}));

  EXPECT_EQ(c->execute("UPDATE TIPOS SET CHICO = 1 WHERE ID = -1"), nullptr);  // no rows touched
  EXPECT_EQ(c->query("DELETE FROM TIPOS WHERE ID = -1")->state(), 0);
  auto empty = c->query("SELECT ID FROM TIPOS WHERE ID = -1");
  EXPECT_EQ(empty->state(), 1);
  EXPECT_TRUE(empty->eof() && empty->bof());
}

// As on the embedded engine: a second statement runs only inside a member that allows a batch,
// whether the text is translated or goes to SQLite as it is; the outermost member decides.
TEST_F(SqliteDriver, ABatchRunsOnlyWhereTheRunningMemberAllowsOne) {
  const std::string batch = "UPDATE TIPOS SET CHICO = 5 WHERE ID = 2; UPDATE TIPOS SET CHICO = 6 WHERE ID = 3";
  for (bool translate : {false, true}) {
    SCOPED_TRACE(translate ? "translated" : "as it is");
    OdbcOptions options;
    options.dialect = testing::odbc::sqliteDialect(translate);
    auto c = std::make_shared<OdbcConnection>(buildConnectionString("DRIVER=SQLite3", "", "", file_, {}), options);
    auto chico = [&] { return toText(c->execute("SELECT CHICO FROM TIPOS WHERE ID = 3")->value(size_t{0})); };
    c->execute("UPDATE TIPOS SET CHICO = 0 WHERE ID = 3");
    {
      MemberStatements member("KORVANDA.clsCatValida.traeCatalogo", Statements::one);
      MemberStatements inner("KORVANDA.clsCatValida.FindQuery", Statements::batch);
      Error e = errorOf([&] { c->execute(batch); });
      EXPECT_EQ(e.number(), -2147217900);
      EXPECT_EQ(e.description(), "The statement text holds 2 statements and KORVANDA.clsCatValida.traeCatalogo runs only one; nothing was run.");
      EXPECT_EQ(chico(), "0");
    }
    {
      MemberStatements member("KORVANDA.clsCatValida.FindQuery", Statements::batch);
      c->execute(batch);
      EXPECT_EQ(chico(), "6");
    }
  }
}

TEST_F(SqliteDriver, RejectedStatementCarriesTheDriversDiagnostics) {
  auto c = openRaw();
  Error e = errorOf([&] { c->execute("SELECT * FROM NOEXISTE"); });
  EXPECT_EQ(e.number(), -1);  // SQLite's own error number, negated
  EXPECT_EQ(e.source(), "ODBC");
  EXPECT_NE(e.description().find("SQLSTATE HY000, native error 1: "), std::string::npos)
      << e.description();
  EXPECT_NE(e.description().find("no such table: NOEXISTE"), std::string::npos) << e.description();
  EXPECT_EQ(c->state(), 1);  // the connection stays usable
  EXPECT_TRUE(c->execute("SELECT ID FROM TIPOS"));

  // A failure inside a batch stops it there; what ran before it stays done.
  Error second = errorOf([&] {
    c->execute("INSERT INTO TIPOS (ID) VALUES (30); INSERT INTO NOEXISTE VALUES (1); "
               "INSERT INTO TIPOS (ID) VALUES (31)");
  });
  EXPECT_NE(second.description().find("no such table: NOEXISTE"), std::string::npos);
  EXPECT_EQ(c->execute("SELECT COUNT(*) FROM TIPOS WHERE ID IN (30, 31)")->value(size_t{0}),
            Variant(int32_t{1}));

  Error unique = errorOf([&] { c->execute("INSERT INTO TIPOS (ID) VALUES (1)"); });
  EXPECT_NE(unique.description().find("UNIQUE constraint failed"), std::string::npos)
      << unique.description();
}

TEST_F(SqliteDriver, MissingDatabaseFileIsAConnectionFailure) {
  std::string missing = (dir_ / "falta.db").string();
  Error e = errorOf([&] { openOdbc("DRIVER=SQLite3", "", "", missing); });
  EXPECT_LT(e.number(), 0);
  EXPECT_EQ(e.source(), "ODBC");
  EXPECT_NE(e.description().find("Cannot connect with DRIVER=SQLite3;DATABASE=" + missing +
                                 ";NoCreat=1: SQLSTATE "),
            std::string::npos)
      << e.description();
  EXPECT_FALSE(fs::exists(missing));  // never a new empty database
}

TEST_F(SqliteDriver, NoFormOfTheServerFieldCreatesAMissingFile) {
  // Data sources of SQLite's driver, by its name and by its library's path.
  const char* odbcIni = std::getenv("ODBCINI");
  ASSERT_NE(odbcIni, nullptr);
  std::string library;  // the driver's library, as the set-up registered it
  {
    std::ifstream odbcinst(std::string(std::getenv("ODBCSYSINI")) + "/odbcinst.ini");
    for (std::string line; std::getline(odbcinst, line) && library.empty();)
      if (line.starts_with("Driver=") && line.find("sqlite") != std::string::npos) library = line.substr(7);
  }
  ASSERT_FALSE(library.empty());
  {
    std::ofstream ini(odbcIni, std::ios::app);
    ini << "[KorvandaPorNombre]\nDriver=SQLite3\n\n[KorvandaPorRuta]\nDriver=" << library << "\n\n";
  }
  const std::string missing = (dir_ / "falta.db").string();
  for (const std::string& server : std::vector<std::string>{"KorvandaPorNombre", "korvandapornombre", "KorvandaPorRuta",
                                   "DSN=KorvandaPorNombre", "DSN=KorvandaPorRuta;Timeout=1000",
                                   "DRIVER=SQLite3", "Driver=" + library}) {
    Error e = errorOf([&] { openOdbc(server, "", "", missing); });
    EXPECT_NE(e.description().find("NoCreat=1"), std::string::npos) << server << ": " << e.description();
    EXPECT_FALSE(fs::exists(missing)) << server;
    fs::remove(missing);
  }
  // The data source still reaches an existing file.
  EXPECT_EQ(openOdbc("KorvandaPorNombre", "", "", file_)->state(), 1);
}

TEST_F(SqliteDriver, UnknownDriverNamesTheProviderError) {
  Error e = errorOf([&] { openOdbc("DRIVER={No Such Driver};PWD=s3creto", "u", "", "db"); });
  EXPECT_EQ(e.number(), 3706);
  EXPECT_NE(e.description().find("Can't open lib 'No Such Driver'"), std::string::npos)
      << e.description();
  EXPECT_EQ(e.description().find("s3creto"), std::string::npos) << "password in the message";
  EXPECT_NE(e.description().find("PWD=***"), std::string::npos) << e.description();
}

TEST_F(SqliteDriver, CloseAndOpenAgainWithTheSameSettings) {
  auto c = openRaw();
  EXPECT_EQ(c->state(), 1);
  EXPECT_EQ(errorOf([&] { c->open(); }).number(), 3705);
  c->close();
  EXPECT_EQ(c->state(), 0);
  EXPECT_EQ(errorOf([&] { c->execute("SELECT 1"); }).number(), 3704);
  EXPECT_EQ(errorOf([&] { c->close(); }).number(), 3704);
  EXPECT_EQ(errorOf([&] { c->openSchemaTables(); }).number(), 3704);
  c->open();
  EXPECT_EQ(c->state(), 1);
  EXPECT_EQ(c->execute("SELECT COUNT(*) FROM TIPOS")->value(size_t{0}), Variant(int32_t{3}));
}

TEST_F(SqliteDriver, TransactionsCommitAndRollBack) {
  auto c = openRaw();
  auto count = [&] {
    return toInt32(c->execute("SELECT COUNT(*) FROM TIPOS")->value(size_t{0}));
  };
  c->beginTrans();
  {
    // The transaction holds the write lock from its start (IMMEDIATE), so that two sessions that
    // both read and then write cannot both fail on the lock: another writer is refused at once.
    sqlite3* other = nullptr;
    ASSERT_EQ(sqlite3_open(file_.c_str(), &other), SQLITE_OK);
    EXPECT_EQ(sqlite3_exec(other, "UPDATE TIPOS SET CHICO = 1 WHERE ID = 1", nullptr, nullptr, nullptr),
              SQLITE_BUSY);
    sqlite3_close(other);
  }
  c->execute("INSERT INTO TIPOS (ID) VALUES (40)");
  EXPECT_EQ(count(), 4);
  EXPECT_EQ(errorOf([&] { c->close(); }).number(), 3246);
  c->rollbackTrans();
  EXPECT_EQ(count(), 3);

  c->beginTrans();
  c->execute("INSERT INTO TIPOS (ID) VALUES (41)");
  c->commitTrans();
  EXPECT_EQ(openRaw()->execute("SELECT COUNT(*) FROM TIPOS")->value(size_t{0}),
            Variant(int32_t{4}));  // seen by another connection

  EXPECT_EQ(errorOf([&] { c->commitTrans(); }).number(), -2147168242);
  EXPECT_EQ(errorOf([&] { c->rollbackTrans(); }).number(), -2147168242);
  c->close();
}

TEST_F(SqliteDriver, DroppedConnectionRollsBackWhatWasNotCommitted) {
  {
    auto c = openRaw();
    c->beginTrans();
    c->execute("INSERT INTO TIPOS (ID) VALUES (50)");
  }
  EXPECT_EQ(openRaw()->execute("SELECT COUNT(*) FROM TIPOS WHERE ID = 50")->value(size_t{0}),
            Variant(int32_t{0}));
}

TEST_F(SqliteDriver, SchemaListsTablesAndViews) {
  auto rs = openRaw()->openSchemaTables();
  ASSERT_EQ(rs->state(), 1);
  ASSERT_EQ(rs->fieldCount(), 5u);
  EXPECT_EQ(rs->field(2).name, "TABLE_NAME");
  EXPECT_EQ(rs->field(3).name, "TABLE_TYPE");
  std::map<std::string, std::string> types;
  for (rs->moveFirst(); !rs->eof(); rs->moveNext())
    types[toText(rs->value("table_name"))] = toText(rs->value("TABLE_TYPE"));
  EXPECT_EQ(types["TIPOS"], "TABLE");
  EXPECT_EQ(types["VTIPOS"], "VIEW");
}

}  // namespace
}  // namespace korvanda::odbc
