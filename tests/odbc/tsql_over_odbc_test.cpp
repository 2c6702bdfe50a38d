// The library's T-SQL through unixODBC on a SQLite file: the tests' SQLite dialect translates
// the statements, and the T-SQL functions and procedures are loaded into SQLite's ODBC driver as
// an extension.
#include <gtest/gtest.h>
#include <sqlite3.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <nlohmann/json.hpp>

#include "korvanda/textform.h"
#include "support/odbc.h"
#include "odbc/engine.h"

namespace korvanda::odbc {
namespace {
namespace fs = std::filesystem;

class TsqlOverOdbc : public ::testing::Test {
 protected:
  void SetUp() override {
    KORVANDA_REQUIRE_ODBC();
    if (testing::odbc::tsqlExtension().empty()) GTEST_SKIP() << "this build has no T-SQL extension";
    char pattern[] = "/tmp/korvanda-tsql-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    dir_ = pattern;
    file_ = (dir_ / "subsidios.db").string();
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(file_.c_str(), &db), SQLITE_OK);
    int rc = sqlite3_exec(db,
                          "CREATE TABLE SUBMREGISTRO (Id INT NOT NULL PRIMARY KEY, Poliza "
                          "VARCHAR(20), FechaAlta DATETIME, Importe MONEY, Estado CHAR(2));",
                          nullptr, nullptr, nullptr);
    sqlite3_close(db);
    ASSERT_EQ(rc, SQLITE_OK);
    connection_ = openOdbc(testing::odbc::sqliteServerField(), "", "", file_);
  }
  void TearDown() override {
    connection_.reset();
    std::error_code ec;
    if (!dir_.empty()) fs::remove_all(dir_, ec);
  }
  Error errorOf(const std::function<void()>& f) {
    try {
      f();
    } catch (const Error& e) {
      return e;
    }
    ADD_FAILURE() << "no error";
    return Error(0, "", "");
  }

  fs::path dir_;
  std::string file_;
  ConnectionRef connection_;
};

TEST_F(TsqlOverOdbc, SqliteDataSourceIsTranslated) {
  auto* c = dynamic_cast<OdbcConnection*>(connection_.get());
  ASSERT_NE(c, nullptr);
  EXPECT_EQ(c->dbmsName(), "SQLite");
  EXPECT_NE(c->dialect(), nullptr);
}

TEST_F(TsqlOverOdbc, DayFirstDatesAndTsqlFunctionsRunThroughTheDriver) {
  connection_->execute(
      "SET DATEFORMAT DMY INSERT INTO dbo.SUBMREGISTRO (Id, Poliza, FechaAlta, Importe, Estado) "
      "VALUES (1, 'PÑ-01', '31/12/2026', 1234.5, 'A')");
  auto rs = connection_->execute(
      "SELECT Poliza + '/' + Estado AS Clave, YEAR(FechaAlta) AS Anio, MONTH(FechaAlta) AS Mes, "
      "LEN(Poliza) AS Largo, FechaAlta, Importe FROM dbo.SUBMREGISTRO WHERE Id = 1");
  ASSERT_TRUE(rs);
  EXPECT_EQ(rs->value("Clave"), Variant("PÑ-01/A"));
  EXPECT_EQ(toInt32(rs->value("Anio")), 2026);
  EXPECT_EQ(toInt32(rs->value("Mes")), 12);
  EXPECT_EQ(toInt32(rs->value("Largo")), 5);
  EXPECT_EQ(rs->field(rs->fieldIndex("FechaAlta")).type, adDate);
  EXPECT_EQ(rs->value("FechaAlta"), Variant(dateFromParts(2026, 12, 31)));
  EXPECT_EQ(rs->value("Importe"), Variant(Decimal{12345, 1}));
}

TEST_F(TsqlOverOdbc, DatabaseFunctionsComeFromTheExtension) {
  auto rs = connection_->execute("SELECT dbo.ObtenFechaFinMes(2, 2024) AS FinMes");
  ASSERT_TRUE(rs);
  EXPECT_EQ(toText(rs->value("FinMes")), "29/02/2024 23:59:59");
}

TEST_F(TsqlOverOdbc, SchemaChangesAreSeenByTheTranslation) {
  connection_->execute("CREATE TABLE SUBMNUEVA (Id INT, Dia DATETIME)");
  connection_->execute("SET DATEFORMAT DMY INSERT INTO SUBMNUEVA (Id, Dia) VALUES (1, '05/01/2027')");
  auto rs = connection_->execute("SELECT Dia FROM SUBMNUEVA");
  ASSERT_TRUE(rs);
  EXPECT_EQ(rs->value(size_t{0}), Variant(dateFromParts(2027, 1, 5)));
}

TEST_F(TsqlOverOdbc, TraceHoldsTheStatementBeforeTranslation) {
  fs::path trace = dir_ / "trace.jsonl";
  ::setenv("KORVANDA_SQL_TRACE", trace.c_str(), 1);
  const std::string sql = "SELECT TOP 1 LEN(Poliza) FROM dbo.SUBMREGISTRO";
  connection_->execute(sql);
  ::unsetenv("KORVANDA_SQL_TRACE");
  std::ifstream in(trace);
  std::string line;
  ASSERT_TRUE(std::getline(in, line));
  EXPECT_EQ(nlohmann::json::parse(line).at("sql"), sql);
}

// The procedure runs on the driver's own connection, inside its transaction; its refusals are
// the statement's error and change nothing.
TEST_F(TsqlOverOdbc, ProceduresRunOnTheDriversConnection) {
  connection_->execute(
      "CREATE TABLE FONMPROGRAMAS (PkPrograma INT, CicloIni INT, CicloFin INT); "
      "CREATE TABLE SOLMCONSTANCIA (PkConstancia INT, CveConstancia INT, PkPrograma INT); "
      "CREATE TABLE SOLDINCISO (PkInciso INT, PkConstancia INT, CveInciso INT, PkCedente INT); "
      "CREATE TABLE SOLDENDOSO (PkEndoso INT, PkInciso INT, PkTipoEndoso INT, PkCedente INT); "
      "CREATE TABLE SICIMCOBRANZA (PKInciso INT, PkEndoso INT, fechaPago DATETIME, "
      "EnviadoSubsidio BIT DEFAULT 0); "
      "INSERT INTO FONMPROGRAMAS VALUES (10, 2026, 2026); INSERT INTO SOLMCONSTANCIA VALUES (1, 1001, 10); "
      "INSERT INTO SOLDINCISO VALUES (1, 1, 1, 1); INSERT INTO SOLDENDOSO VALUES (11, 1, 0, 1); "
      "INSERT INTO SICIMCOBRANZA (PKInciso, PkEndoso, fechaPago) VALUES (1, 0, '2026-03-15')");
  const std::string call = "EXEC EstatusEnviadoSubsidio 2026, 2026, 1001, 1, 0, 1";
  auto sent = [&] {
    return toBool(openOdbc(testing::odbc::sqliteServerField(), "", "", file_)
                      ->execute("SELECT EnviadoSubsidio FROM SICIMCOBRANZA")->value(size_t{0}));
  };

  const struct {
    const char* call;
    const char* message;
  } refused[] = {
      {"EXEC EstatusEnviadoSubsidio 2026, 2026", "Procedure or function 'EstatusEnviadoSubsidio' expects 6 "
       "arguments (cicloIni, cicloFin, cveConstancia, cveInciso, tipoEndoso, pkCedente); 2 were given."},
      {"EXEC EstatusEnviadoSubsidio 2026, 2026, 'x'' OR 1=1 --', 1, 0, 1",
       "Error converting data type varchar to int: argument 3 of EstatusEnviadoSubsidio is 'x' OR 1=1 --'."},
      {"EXEC NoExiste 1, NULL", "Could not find stored procedure 'NoExiste'."},
  };
  for (const auto& r : refused) {
    SCOPED_TRACE(r.call);
    Error e = errorOf([&] { connection_->execute(r.call); });
    EXPECT_EQ(e.description(),
              std::string("The statement failed: SQLSTATE HY000, native error 1: [SQLite]") + r.message + " (1)");
  }
  EXPECT_FALSE(sent());

  connection_->beginTrans();
  EXPECT_EQ(connection_->execute(call), nullptr);  // no rows, as a procedure gives none
  connection_->rollbackTrans();
  EXPECT_FALSE(sent());
  connection_->beginTrans();
  connection_->execute(call);
  connection_->commitTrans();
  EXPECT_TRUE(sent());
}

TEST_F(TsqlOverOdbc, RejectedStatementsKeepTheConnection) {
  Error rejected = errorOf([&] { connection_->execute("SELECT * FROM dbo.NOEXISTE"); });
  EXPECT_NE(rejected.description().find("no such table"), std::string::npos)
      << rejected.description();
  EXPECT_EQ(connection_->state(), 1);
}

TEST(TsqlExtension, LoadsIntoTheSqliteShell) {
  std::string extension = testing::odbc::tsqlExtension();
  if (extension.empty()) GTEST_SKIP() << "this build has no T-SQL extension";
  if (std::system("command -v sqlite3 >/dev/null 2>&1") != 0)
    GTEST_SKIP() << "the sqlite3 shell is not installed";
#if defined(__SANITIZE_ADDRESS__)
  GTEST_SKIP() << "a sanitizer build of the extension cannot load into the plain sqlite3 shell";
#endif
  std::string command = "sqlite3 :memory: \".load '" + extension +
                        "'\" \"SELECT LEN('Ñandú  '), YEAR('31/12/2026'), "
                        "ObtenFechaFinMes(2, 2024)\" 2>&1";
  FILE* shell = popen(command.c_str(), "r");
  ASSERT_NE(shell, nullptr);
  std::string output;
  char buf[256];
  while (fgets(buf, sizeof buf, shell)) output += buf;
  EXPECT_EQ(pclose(shell), 0) << output;
  EXPECT_EQ(output, "5|2026|2024-02-29 23:59:59\n");
}

}  // namespace
}  // namespace korvanda::odbc
