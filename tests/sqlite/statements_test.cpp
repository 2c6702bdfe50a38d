// Every statement of tests/golden/statements/calls.txt translates and runs on a fresh schema
// with the demo data, or is refused by the database where the file says so.
#include <gtest/gtest.h>

#include <fstream>
#include <nlohmann/json.hpp>
#include <set>

#include "fixture.h"
#include "korvanda/textform.h"

namespace korvanda::sqlite::test {
namespace {

class EveryStatement : public DemoDatabaseTest {};

TEST_F(EveryStatement, TranslatesAndRunsAgainstAFreshSchema) {
  std::ifstream in(KORVANDA_SOURCE_DIR "/tests/golden/statements/calls.txt");
  std::vector<std::pair<std::string, bool>> statements;  // text, refused
  std::set<std::string> seen;
  const std::string year = std::to_string(splitDate(now()).year);
  bool added = false;
  for (std::string line; std::getline(in, line);) {
    for (const char* mark : {"${Y}", "${Y-1}"})
      for (size_t at; (at = line.find(mark)) != std::string::npos;) line.replace(at, strlen(mark), year);
    if (line == "refused" && added) statements.back().second = true;
    if (!line.starts_with("{\"sql\":")) continue;
    std::string sql = nlohmann::json::parse(line).at("sql");
    if ((added = seen.insert(sql).second)) statements.emplace_back(sql, false);
  }
  EXPECT_GE(statements.size(), 80u);
  for (const auto& [sql, refused] : statements) {
    SCOPED_TRACE(sql);
    conn_->beginTrans();  // each on the fresh data
    try {
      conn_->execute(sql);
      EXPECT_FALSE(refused) << "accepted";
    } catch (const Error& e) {
      EXPECT_TRUE(refused) << e.number() << " " << e.description();
    }
    conn_->rollbackTrans();
  }
}

}  // namespace
}  // namespace korvanda::sqlite::test
