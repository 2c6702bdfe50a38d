// Every statement text the library sends, through unixODBC and SQLite's ODBC driver on the demo
// database, as the embedded engine runs them.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>

#include "support/odbc.h"
#include "odbc/engine.h"
#include "sqlite/engine.h"

#ifdef KORVANDA_EVERY_STATEMENT
#include "sqlite/statements.h"

namespace korvanda::odbc {
namespace {
namespace fs = std::filesystem;

TEST(EveryStatementOverOdbc, RunsThroughTheSqliteDriver) {
  KORVANDA_REQUIRE_ODBC();
  if (testing::odbc::tsqlExtension().empty()) GTEST_SKIP() << "this build has no T-SQL extension";
  char pattern[] = "/tmp/korvanda-every-XXXXXX";
  ASSERT_NE(mkdtemp(pattern), nullptr);
  fs::path dir = pattern;
  std::string database = (dir / "subsidios.db").string();
  std::string capture = (dir / "captura.db").string();
  sqlite::createDatabase(database, true);
  sqlite::createDatabase(capture, true);
  ConnectionRef c = openOdbc(testing::odbc::sqliteServerField(), "", "", database);

  auto statements = sqlite::test::allStatements(capture);
  EXPECT_GE(statements.size(), 100u);
  int ran = 0;
  for (const auto& st : statements) {
    SCOPED_TRACE(st.routine + ": " + st.sql);
    try {
      c->execute(st.sql);
      EXPECT_FALSE(st.rejected) << "accepted";
      ++ran;
    } catch (const Error& e) {
      // Copying a table out of another file is the capture databases' business, on the
      // embedded engine only.
      bool copy = st.sql.find(" IN '") != std::string::npos;
      if (copy)
        EXPECT_NE(e.description().find("runs only on the embedded engine"), std::string::npos)
            << e.description();
      else if (!st.rejected)
        ADD_FAILURE() << e.number() << " " << e.description();
    }
  }
  EXPECT_GE(ran, 90);
  c.reset();
  std::error_code ec;
  fs::remove_all(dir, ec);
}

}  // namespace
}  // namespace korvanda::odbc
#endif
