// The whole library over ODBC: the registry value names SQLite's ODBC driver, and the shared
// connection, the catalog queries and the error log work as they do on the embedded engine.
#include <gtest/gtest.h>

#include <optional>

#include "core/recordset_store.h"
#include "component/ModGlobal.h"
#include "korvanda/clsCatValida.h"
#include "korvanda/textform.h"
#include "support/odbc.h"
#include "odbc/engine.h"
#include "support/fixture.h"

namespace korvanda::odbc {
namespace {

using testing::Environment;
using testing::odbc::Engine;

class LibraryOverOdbc : public ::testing::Test {
 protected:
  void SetUp() override {
    KORVANDA_REQUIRE_ODBC();
    if (testing::odbc::tsqlExtension().empty()) GTEST_SKIP() << "this build has no T-SQL extension";
    env_.emplace();
    useEngine(Engine::OdbcSqlite);
  }
  void useEngine(Engine engine) {
    slot::current().reset();
    env_->writeRegistryFor(env_->databasePath(), testing::odbc::serverField(engine));
  }
  std::optional<Environment> env_;
};

TEST_F(LibraryOverOdbc, SharedConnectionGoesThroughTheDriver) {
  ConnectionRef c = getOpenConnection();
  auto* odbc = dynamic_cast<OdbcConnection*>(c.get());
  ASSERT_NE(odbc, nullptr);
  EXPECT_NE(odbc->dialect(), nullptr);
  EXPECT_EQ(getOpenConnection(), c);

  // Closed by the application: the next use opens it again.
  c->close();
  EXPECT_EQ(getOpenConnection(), c);
  EXPECT_EQ(c->state(), 1);
}

// Every catalog, both ways: the same fields (name, type, size) and the same values.
TEST_F(LibraryOverOdbc, CatalogsComeBackAsOnTheEmbeddedEngine) {
  const int32_t catalogs[] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 20, 21};
  auto read = [&](Engine engine) {
    useEngine(engine);
    std::vector<std::optional<RecordsetRef>> out;
    auto cat = clsCatValida::create();
    for (int32_t id : catalogs) {
      try {
        out.push_back(cat->getCatalogos(id));
      } catch (const Error&) {
        out.push_back(std::nullopt);
      }
    }
    return out;
  };
  auto embedded = read(Engine::Embedded);
  auto overOdbc = read(Engine::OdbcSqlite);
  int compared = 0;
  for (size_t k = 0; k < std::size(catalogs); ++k) {
    SCOPED_TRACE("catalog " + std::to_string(catalogs[k]));
    ASSERT_EQ(embedded[k].has_value(), overOdbc[k].has_value());
    if (!embedded[k] || !*embedded[k]) continue;
    const Recordset& a = **embedded[k];
    const Recordset& b = **overOdbc[k];
    ASSERT_EQ(a.fieldCount(), b.fieldCount());
    for (size_t i = 0; i < a.fieldCount(); ++i) {
      EXPECT_EQ(a.field(i).name, b.field(i).name);
      EXPECT_EQ(a.field(i).type, b.field(i).type) << a.field(i).name;
      EXPECT_EQ(a.field(i).definedSize, b.field(i).definedSize) << a.field(i).name;
    }
    ASSERT_EQ(a.rowCount(), b.rowCount());
    for (size_t r = 0; r < a.rowCount(); ++r)
      for (size_t i = 0; i < a.fieldCount(); ++i)
        EXPECT_EQ(a.toVariant(a.cell(r, i)), b.toVariant(b.cell(r, i)))
            << a.field(i).name << " row " << r;
    ++compared;
  }
  EXPECT_GT(compared, 5);
}

TEST_F(LibraryOverOdbc, RejectedStatementIsLoggedWithTheDriversDiagnostics) {
  env_->clearLogs();
  Error e = testing::errorOf([] { EjecutaQuerySinResultado("UPDATE NOEXISTE SET A = 1"); });
  EXPECT_EQ(e.number(), -1);
  EXPECT_EQ(e.source(), "ODBC");
  auto entries = env_->logEntries();
  ASSERT_FALSE(entries.empty());
  EXPECT_EQ(entries.back().label, "KORVANDA.ModGlobal.EjecutaQuerySinResultado");
  EXPECT_EQ(entries.back().number, -1);
  EXPECT_EQ(entries.back().source, "ODBC");
  EXPECT_NE(entries.back().description.find("no such table: NOEXISTE"), std::string::npos)
      << entries.back().description;
}

TEST_F(LibraryOverOdbc, MissingDatabaseFailsTheConnectionSequence) {
  env_->writeRegistryFor(env_->databasePath() + ".falta",
                         testing::odbc::serverField(Engine::OdbcSqlite));
  Error e = testing::errorOf([] { clsCatValida::create(); });
  EXPECT_EQ(e.source(), "ODBC");
  EXPECT_NE(e.description().find("korvanda.db.falta"), std::string::npos) << e.description();
  EXPECT_EQ(slot::current(), nullptr);
  auto entries = env_->logEntries();
  ASSERT_FALSE(entries.empty());
  EXPECT_EQ(entries.back().label, "KORVANDA.clsCatValida.Class_Initialize");
}

}  // namespace
}  // namespace korvanda::odbc
