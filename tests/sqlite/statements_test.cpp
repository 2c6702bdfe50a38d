#include <gtest/gtest.h>

#include "fixture.h"
#include "sqlite/translate.h"
#include "statements.h"

namespace korvanda::sqlite::test {
namespace {

class EveryStatement : public DemoDatabaseTest {};

TEST_F(EveryStatement, TranslatesAndRunsAgainstAFreshSchema) {
  std::string capture = dir_.file("capture.db");
  createDatabase(capture, true);
  auto statements = allStatements(capture);
  EXPECT_GE(statements.size(), 100u);
  for (const auto& st : statements) {
    SCOPED_TRACE(st.routine + ": " + st.sql);
    if (st.rejected) {
      try {
        conn_->execute(st.sql);
        ADD_FAILURE() << "accepted";
      } catch (const Error& e) {
        EXPECT_EQ(e.number(), kErrStatement) << e.description();
      }
      continue;
    }
    try {
      conn_->execute(st.sql);
    } catch (const Error& e) {
      ADD_FAILURE() << e.number() << " " << e.description();
    }
  }
}

}  // namespace
}  // namespace korvanda::sqlite::test
