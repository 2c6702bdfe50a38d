// Statement texts, results and failures of the catalog queries and generic statements
// (tests/golden/catalogs/queries.calls). The object is created on a real database; then a
// scripted connection takes the shared slot, so each call sees exactly the statements sent.
#include <gtest/gtest.h>

#include "catalogs/calls.h"
#include "component/ModGlobal.h"
#include "korvanda/clsCatValida.h"

using namespace korvanda;
using namespace korvanda::testing;

namespace {

class QueriesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    cat = clsCatValida::create();
    db = ScriptedConnection::create();
    slot::current() = db;
    script(*db, "queries.answers");
  }

  Environment env{{.demo = false}};
  std::shared_ptr<clsCatValida> cat;
  std::shared_ptr<ScriptedConnection> db;
};

TEST_F(QueriesTest, GoldenCalls) { checkCalls(env, *cat, "queries.calls"); }

}  // namespace
