#include <gtest/gtest.h>

#include <fstream>

#include "platform/components/connector.h"
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

TEST(Connector, AFileThatIsNotADatabaseFails) {
  TempDir dir;
  std::string file = (dir.path() / "text.db").string();
  std::ofstream(file) << "this is not a database, just some text that fills a page or so\n";
  Error e = errorOf([&] { clsConectaBDStateless().conectaSQLServer(file, "", "", "sqlite"); });
  EXPECT_NE(e.number(), 0);
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
