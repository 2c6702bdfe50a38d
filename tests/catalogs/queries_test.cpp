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

TEST_F(QueriesTest, FailuresLogTheirFixedLines) {
  errorOf([&] { cat->getCatalogos(0); });
  errorOf([&] { cat->TraeCatalogo(5, "2"); });
  std::vector<std::string> tails;
  for (const auto& line : env.logLines()) tails.push_back(line.substr(line.find("|Modulo:")));
  EXPECT_EQ(
      tails,
      (std::vector<std::string>{
          "|Modulo:KORVANDA.clsCatValida.getCatalogos|Numero:-2147220503|Source:.getCatalogos"
          "|LastDLLError:0|Desc Alt El catalogo solicitado no existe",
          "|Modulo:KORVANDA.clsCatValida.traeCatalogo|Numero:94|Source:KORVANDA|LastDLLError:0"
          "|Desc Alt No se puede realizar la operaci\xC3\xB3n seleccionada sobre un valor "
          "vaci\xC3\xB3"}));
}

}  // namespace
