// Every statement of tests/golden/statements/calls.txt translates and runs on a fresh schema
// with the demo data, or is refused by the database where the file says so.
#include <gtest/gtest.h>

#include <map>

#include "fixture.h"
#include "golden_calls.h"

namespace korvanda::sqlite::test {
namespace {

class EveryStatement : public DemoDatabaseTest {};

TEST_F(EveryStatement, TranslatesAndRunsAgainstAFreshSchema) {
  std::map<std::string, bool> refused;  // the first mention decides
  for (const golden::Call& call : golden::readCalls())
    for (const golden::Sent& sent : call.sent) refused.emplace(sent.sql, sent.refused);
  EXPECT_GE(refused.size(), 80u);
  for (const auto& [sql, refusal] : refused) {
    SCOPED_TRACE(sql);
    conn_->beginTrans();  // each on the fresh data
    try {
      conn_->execute(sql);
      EXPECT_FALSE(refusal) << "accepted";
    } catch (const Error& e) {
      EXPECT_TRUE(refusal) << e.number() << " " << e.description();
    }
    conn_->rollbackTrans();
  }
}

}  // namespace
}  // namespace korvanda::sqlite::test
