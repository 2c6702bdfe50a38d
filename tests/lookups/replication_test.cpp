// Catalog replication between two capture files.
#include <gtest/gtest.h>

#include <fstream>

#include "components/capture_db.h"
#include "korvanda/clsCatalogos.h"
#include "lookups/lookups_support.h"
#include "support/fixture.h"

namespace korvanda {
namespace {

using namespace testing;
using Rows = std::vector<std::string>;

class Replication : public ::testing::Test {
 protected:
  // The statements with {o} standing for the source file's path as the copy quotes it.
  Rows withOrigin(Rows statements, const std::string& origin) const {
    std::string quoted = origin;
    for (size_t at = 0; (at = quoted.find('\'', at)) != std::string::npos; at += 2)
      quoted.insert(at, "'");
    for (auto& s : statements)
      if (size_t at = s.find("{o}"); at != std::string::npos) s.replace(at, 3, quoted);
    return statements;
  }

  Environment env{{.database = false, .demo = false, .registry = false}};
  std::string destination = (env.dir() / "destino.db").string();
  clsCatalogos catalogos;
};

// tests/golden/catalogs/replication.scenarios: each scenario's files, result, statements, log
// labels and destination rows after the call.
TEST_F(Replication, Scenarios) {
  struct Scenario {
    std::string name, origin, destination, result;
    Rows statements, labels;
    std::vector<std::pair<std::string, Rows>> after;
  };
  std::vector<Scenario> scenarios;
  std::ifstream in(KORVANDA_SOURCE_DIR "/tests/golden/catalogs/replication.scenarios");
  for (std::string line; std::getline(in, line);) {
    auto value = [&](size_t from) { return line.substr(from); };
    if (line.starts_with("## ")) scenarios.push_back(Scenario{value(3)});
    else if (line.starts_with("origin: ")) scenarios.back().origin += value(8);
    else if (line.starts_with("destination: ")) scenarios.back().destination += value(13);
    else if (line.starts_with("= ")) scenarios.back().result = value(2);
    else if (line.starts_with("> ")) scenarios.back().statements.push_back(value(2));
    else if (line.starts_with("! ")) scenarios.back().labels.push_back(value(2));
    else if (line.starts_with("? ")) scenarios.back().after.push_back({value(2), {}});
    else if (line.starts_with("  ")) scenarios.back().after.back().second.push_back(value(2));
  }
  ASSERT_EQ(scenarios.size(), 7u);
  int n = 0;
  for (const Scenario& s : scenarios) {
    SCOPED_TRACE(s.name);
    const std::string origin = (env.dir() / ("ori'gen" + std::to_string(++n) + ".db")).string();
    std::filesystem::remove(destination);
    if (!s.origin.empty()) sqliteExec(origin, s.origin);
    const bool itself = s.destination == "(the source itself)";
    if (!itself) sqliteExec(destination, s.destination);
    const std::string target =
        itself ? (env.dir() / "." / std::filesystem::path(origin).filename()).string()
               : destination;
    env.clearTrace();
    env.clearLogs();
    std::string result;
    try {
      result = catalogos.Actualiza(origin, target) ? "True" : "False";
    } catch (const Error& e) {
      result = "error " + std::to_string(e.number()) + ": " + e.description();
    }
    std::string expected = s.result;
    if (size_t at = expected.find("{d}"); at != std::string::npos)
      expected.replace(at, 3, destination);
    EXPECT_TRUE(result.starts_with(expected)) << result;
    EXPECT_EQ(env.statements(), withOrigin(s.statements, origin));
    Rows labels;
    for (const auto& entry : env.logEntries()) labels.push_back(entry.label);
    EXPECT_EQ(labels, s.labels);
    for (const auto& [query, rows] : s.after)
      EXPECT_EQ(sqliteRows(itself ? origin : destination, query), rows) << query;
    EXPECT_EQ(std::filesystem::exists(origin), !s.origin.empty());
    EXPECT_EQ(sqliteRows(itself ? origin : destination, "PRAGMA database_list").size(),
              1u);  // nothing left attached
  }
}

TEST_F(Replication, CopyFailingHalfWayKeepsTheOldTableAndARerunReplacesIt) {
  // B2's rows fill many pages and are written last, so its last page is the file's last page:
  // damaged, the copy of B2 fails after most of its rows were read.
  const std::string origin = (env.dir() / "origen.db").string();
  const std::string source =
      "CREATE TABLE A1 (x INT); INSERT INTO A1 VALUES (1); CREATE TABLE C3 (z INT);"
      "INSERT INTO C3 VALUES (3); CREATE TABLE B2 (y INT, t TEXT); WITH RECURSIVE n(i) AS "
      "(SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 2000) INSERT INTO B2 SELECT i, "
      "printf('%0200d', i) FROM n;";
  sqliteExec(origin, source);
  sqliteExec(
      destination,
      "CREATE TABLE A1 (x INT); INSERT INTO A1 VALUES (10); CREATE TABLE B2 (y INT, viejo TEXT);"
      "INSERT INTO B2 VALUES (20, 'a'), (21, 'b'); CREATE TABLE C3 (z INT); INSERT INTO C3 VALUES "
      "(30);");
  {
    std::fstream f(origin, std::ios::in | std::ios::out | std::ios::binary);
    f.seekp(-4096, std::ios::end);
    f << std::string(4096, '\xff');
  }
  Error e = errorOf([&] { catalogos.Actualiza(origin, destination); });
  EXPECT_NE(e.description().find("No se pudo copiar la tabla B2"), std::string::npos)
      << e.description();
  EXPECT_EQ(env.logEntries().at(0).label, "KORVANDA.clsCatalogos.CreateTable");
  EXPECT_EQ(
      env.statements(),
      withOrigin({"SELECT * FROM A1", "DROP TABLE A1", " SELECT A1.* INTO A1 FROM A1 IN '{o}'",
                  "SELECT * FROM B2", "DROP TABLE B2", " SELECT B2.* INTO B2 FROM B2 IN '{o}'"},
                 origin));
  // The table copied before stays replaced; the failing one has its old columns and rows.
  EXPECT_EQ(sqliteRows(destination, "SELECT x FROM A1"), Rows{"1"});
  EXPECT_EQ(sqliteRows(destination, "SELECT * FROM B2"), (Rows{"20|a", "21|b"}));
  EXPECT_EQ(sqliteRows(destination, "SELECT z FROM C3"), Rows{"30"});
  EXPECT_EQ(sqliteRows(destination, "PRAGMA database_list").size(), 1u);
  // With the source whole again, the same replication goes through.
  std::filesystem::remove(origin);
  sqliteExec(origin, source);
  EXPECT_TRUE(catalogos.Actualiza(origin, destination));
  EXPECT_EQ(sqliteRows(destination, "SELECT count(*), max(y) FROM B2"), Rows{"2000|2000"});
  EXPECT_EQ(sqliteRows(destination, "SELECT z FROM C3"), Rows{"3"});
}

// The capture dialect quotes [names] but leaves texts and comments alone, wherever they start.
TEST_F(Replication, BracketsInTextsAndCommentsAreLeftAlone) {
  sqliteExec(destination, "CREATE TABLE T (x TEXT); INSERT INTO T VALUES ('a');");
  ConnectionRef db = components::clsOpenDbCap().conectar("", "", destination);
  auto rs = db->execute("/* [ */ SELECT x || '[b' AS [y]]z] FROM [T] -- [");
  EXPECT_EQ(toText(rs->value(0)), "a[b");
}

}  // namespace
}  // namespace korvanda
