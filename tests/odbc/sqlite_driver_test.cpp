// The ODBC engine for real: unixODBC and SQLite's ODBC driver on a SQLite file, statements as
// SQLite takes them; what they give is the transcript tests/golden/odbc/sqlite_driver.txt.
#include <gtest/gtest.h>

#include <fstream>

#include "core/statement_rule.h"
#include "korvanda/textform.h"
#include "odbc/engine.h"
#include "odbc/tds_server_support.h"
#include "support/fixture.h"
#include "support/odbc.h"

namespace korvanda::odbc {
namespace {

namespace fs = std::filesystem;
using testing::errorOf;

class SqliteDriver : public ::testing::Test {
 protected:
  void SetUp() override {
    KORVANDA_REQUIRE_ODBC();
    std::ofstream(file_).flush();  // an empty file is an empty database
  }
  std::shared_ptr<OdbcConnection> openRaw(bool translate = false) {
    OdbcOptions options;
    options.dialect = testing::odbc::sqliteDialect(translate);
    return std::make_shared<OdbcConnection>("DRIVER=SQLite3;DATABASE=" + file_ + ";NoCreat=1", options);
  }
  int32_t count(const std::string& where) {
    return toInt32(openRaw()->execute("SELECT COUNT(*) FROM T WHERE " + where)->value(size_t{0}));
  }

  testing::TempDir dir_;
  std::string file_ = (dir_.path() / "prueba.db").string();
};

TEST_F(SqliteDriver, Transcript) {
  auto c = openRaw();
  testing::expectTranscript(*c, "odbc/sqlite_driver.txt");
  EXPECT_EQ(count("ID = 41"), 1);  // committed: seen by another connection
}

TEST_F(SqliteDriver, DroppedConnectionRollsBackWhatWasNotCommitted) {
  openRaw()->execute("CREATE TABLE T (ID INT)");
  auto c = openRaw();
  c->beginTrans();
  c->execute("INSERT INTO T VALUES (50)");
  c.reset();
  EXPECT_EQ(count("ID = 50"), 0);
}

// As on the embedded engine: a second statement runs only inside a member that allows a batch,
// whether the text is translated or goes to SQLite as it is; the outermost member decides.
TEST_F(SqliteDriver, ABatchRunsOnlyWhereTheRunningMemberAllowsOne) {
  openRaw()->execute("CREATE TABLE T (ID INT)");
  const std::string batch = "INSERT INTO T VALUES (1); INSERT INTO T VALUES (2)";
  for (bool translate : {false, true}) {
    auto c = openRaw(translate);
    {
      MemberStatements member("KORVANDA.clsCatValida.traeCatalogo", Statements::one);
      MemberStatements inner("KORVANDA.clsCatValida.FindQuery", Statements::batch);
      Error e = errorOf([&] { c->execute(batch); });
      EXPECT_EQ(e.number(), -2147217900);
      EXPECT_EQ(e.description(), "The statement text holds 2 statements and "
                                 "KORVANDA.clsCatValida.traeCatalogo runs only one; nothing was run.");
    }
    EXPECT_EQ(count("ID > 0"), translate ? 2 : 0);
    MemberStatements member("KORVANDA.clsCatValida.FindQuery", Statements::batch);
    c->execute(batch);
    EXPECT_EQ(count("ID > 0"), translate ? 4 : 2);
  }
}

TEST_F(SqliteDriver, UnknownDriverIsTheProviderErrorWithoutThePassword) {
  Error e = errorOf([&] { openOdbc("DRIVER={No Such Driver};PWD=s3creto", "u", "", "db"); });
  EXPECT_EQ(e.number(), 3706);
  EXPECT_EQ(e.description(), "Cannot connect with DRIVER=No Such Driver;PWD=***;UID=u;DATABASE=db: "
                             "SQLSTATE 01000, native error 0: [unixODBC][Driver Manager]Can't open "
                             "lib 'No Such Driver' : file not found");
}

// Data sources of SQLite's driver, by its name and by its library's path, and the driver named
// in the string: the missing file is a connection failure, never a new empty database.
TEST_F(SqliteDriver, NoFormOfTheServerFieldCreatesAMissingFile) {
  std::string library;  // the driver's library, as the set-up registered it
  std::ifstream odbcinst(std::string(std::getenv("ODBCSYSINI")) + "/odbcinst.ini");
  for (std::string line; std::getline(odbcinst, line) && library.empty();)
    if (line.starts_with("Driver=") && line.find("sqlite") != std::string::npos) library = line.substr(7);
  ASSERT_FALSE(library.empty());
  std::ofstream(std::getenv("ODBCINI"), std::ios::app)
      << "[KorvandaPorNombre]\nDriver=SQLite3\n\n[KorvandaPorRuta]\nDriver=" << library << "\n\n";
  const std::string missing = (dir_.path() / "falta.db").string();
  for (const std::string& server : std::vector<std::string>{"KorvandaPorNombre", "korvandapornombre",
           "KorvandaPorRuta", "DSN=KorvandaPorNombre", "DSN=KorvandaPorRuta;Timeout=1000", "DRIVER=SQLite3",
           "Driver=" + library}) {
    Error e = errorOf([&] { openOdbc(server, "", "", missing); });
    EXPECT_EQ(e.source(), "ODBC");
    EXPECT_NE(e.description().find(";DATABASE=" + missing + ";NoCreat=1: SQLSTATE "), std::string::npos)
        << server << ": " << e.description();
    EXPECT_FALSE(fs::exists(missing)) << server;
    fs::remove(missing);
  }
  EXPECT_EQ(openOdbc("KorvandaPorNombre", "", "", file_)->state(), 1);  // an existing file
}

}  // namespace
}  // namespace korvanda::odbc
