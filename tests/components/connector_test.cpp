#include <gtest/gtest.h>

#include <sqlite3.h>

#include <fstream>

#include "components/connector.h"
#include "support/fixture.h"

using namespace korvanda;
using namespace korvanda::components;
using korvanda::testing::errorOf;
using korvanda::testing::TempDir;

namespace {

constexpr int32_t kConnectionFailed = -2147467259;

TEST(Connector, SqliteServerIsRecognisedInAnyLetterCase) {
  EXPECT_TRUE(isEmbeddedServer("sqlite"));
  EXPECT_TRUE(isEmbeddedServer("SQLite"));
  EXPECT_FALSE(isEmbeddedServer("sqlite3"));
  EXPECT_FALSE(isEmbeddedServer("SRVSQL01"));
  EXPECT_FALSE(isEmbeddedServer(""));
}

TEST(Connector, AMissingDatabaseFileIsAFailedConnectionNotANewFile) {
  TempDir dir;
  std::string missing = (dir.path() / "nothing.db").string();
  Error e = errorOf([&] { clsConectaBDStateless().conectaSQLServer(missing, "", "", "SQLITE"); });
  EXPECT_EQ(e.number(), kConnectionFailed);
  EXPECT_EQ(e.source(), "ConectaBD.clsConectaBDStateless");
  EXPECT_NE(e.description().find(missing), std::string::npos);
  EXPECT_FALSE(std::filesystem::exists(missing));

  EXPECT_EQ(errorOf([&] { clsConectaBDStateless().conectaSQLServer("", "", "", "sqlite"); })
                .number(),
            kConnectionFailed);
  EXPECT_EQ(errorOf([&] {
              clsConectaBDStateless().conectaSQLServer(dir.path().string(), "", "", "sqlite");
            }).number(),
            kConnectionFailed);
}

std::string contents(const std::string& file) {
  std::ifstream in(file, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

TEST(Connector, AFileThatIsNotAKorvandaDatabaseFailsAndIsLeftUntouched) {
  TempDir dir;
  struct Case {
    const char* name;
    std::string bytes;
  };
  // A SQLite database without tables: only its header page.
  std::string noTables;
  {
    const std::string file = (dir.path() / "no-tables.db").string();
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(file.c_str(), &db), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(db, "PRAGMA user_version = 7", nullptr, nullptr, nullptr), SQLITE_OK);
    sqlite3_close(db);
    noTables = contents(file);
    ASSERT_EQ(noTables.size(), 4096u);
  }
  for (const Case& c : {Case{"empty.db", ""},
                        Case{"text.db", "this is not a database, just some text that fills a page or so\n"},
                        Case{"no-tables.db", noTables}}) {
    const std::string file = (dir.path() / c.name).string();
    { std::ofstream(file, std::ios::binary) << c.bytes; }
    Error e = errorOf([&] { clsConectaBDStateless().conectaSQLServer(file, "", "", "sqlite"); });
    EXPECT_EQ(e.number(), kConnectionFailed) << c.name;
    EXPECT_NE(e.description().find("\"" + file + "\""), std::string::npos) << e.description();
    EXPECT_TRUE(contents(file) == c.bytes) << c.name << " changed, now " << contents(file).size() << " bytes";
    for (const char* suffix : {"-wal", "-shm", "-journal"})
      EXPECT_FALSE(std::filesystem::exists(file + suffix)) << c.name << suffix;
  }
}

TEST(Connector, SqliteServerOpensTheEmbeddedFile) {
  korvanda::testing::Environment env({.demo = false, .registry = false});
  ConnectionRef c = clsConectaBDStateless().conectaSQLServer(env.databasePath(), "u", "p", "Sqlite");
  ASSERT_TRUE(c);
  EXPECT_EQ(c->state(), 1);
}

TEST(Connector, AnyOtherServerGoesToOdbc) {
  // An ODBC data source that does not exist: the failure comes from the ODBC side, never
  // from an embedded file of that name.
  TempDir dir;
  std::string file = (dir.path() / "db").string();
  Error e = errorOf(
      [&] { clsConectaBDStateless().conectaSQLServer(file, "sa", "pw", "no-such-dsn-korvanda"); });
  EXPECT_NE(e.source(), "ConectaBD.clsConectaBDStateless");
  EXPECT_FALSE(std::filesystem::exists(file));
}

}  // namespace
