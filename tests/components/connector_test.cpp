// The connector's refusals. (Which server names are embedded: the administration tests; an
// embedded file that opens: every test with a database; any other server reached through ODBC:
// the connection slot's tests run with the ODBC engine, "odbc.*".)
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

std::string contents(const std::string& file) {
  std::ifstream in(file, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

// No file, no name, a directory, or a file that is no KORVANDA database: a failed connection
// naming the file, which is left as it was (or not made), with no journal beside it.
TEST(Connector, AnythingButAKorvandaDatabaseFailsAndIsLeftUntouched) {
  TempDir dir;
  const std::string noTables = (dir.path() / "no-tables.db").string();
  sqlite3* db = nullptr;
  ASSERT_EQ(sqlite3_open(noTables.c_str(), &db), SQLITE_OK);
  ASSERT_EQ(sqlite3_exec(db, "PRAGMA user_version = 7", nullptr, nullptr, nullptr), SQLITE_OK);
  sqlite3_close(db);
  std::ofstream(dir.path() / "empty.db", std::ios::binary);
  std::ofstream(dir.path() / "text.db", std::ios::binary) << "this is not a database, just some text\n";
  for (const std::string name : {"missing.db", "empty.db", "text.db", "no-tables.db", "", "."}) {
    const std::string file =
        name.empty() ? "" : name == "." ? dir.path().string() : (dir.path() / name).string();
    SCOPED_TRACE(file);
    const bool existed = std::filesystem::exists(file);
    const std::string before = std::filesystem::is_regular_file(file) ? contents(file) : "";
    Error e = errorOf([&] { clsConectaBDStateless().conectaSQLServer(file, "", "", "SQLITE"); });
    EXPECT_EQ(e.number(), -2147467259);
    if (name.ends_with(".db")) {
      EXPECT_NE(e.description().find(file), std::string::npos) << e.description();
      EXPECT_TRUE(contents(file) == before) << "now " << contents(file).size() << " bytes";
    }
    EXPECT_EQ(std::filesystem::exists(file), existed);
    for (const char* suffix : {"-wal", "-shm", "-journal"})
      EXPECT_FALSE(std::filesystem::exists(file + suffix)) << suffix;
  }
}

}  // namespace
