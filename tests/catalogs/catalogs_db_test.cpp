// The catalog queries, generic statements and collation on the demo database, on either engine;
// the lifecycle of the shared connection; the statement texts, results and failures of the
// catalog queries and generic statements on a scripted connection.
#include <gtest/gtest.h>

#include <fstream>

#include "catalogs/calls.h"
#include "component/ModGlobal.h"
#include "components/connection_data.h"
#include "support/odbc.h"
#include "korvanda/clsCatValida.h"

using namespace korvanda;
using namespace korvanda::testing;

namespace {

class CatalogsDbTest : public ::testing::Test {
 protected:
  Environment env;
  std::shared_ptr<clsCatValida> cat = clsCatValida::create();
};

TEST_F(CatalogsDbTest, GoldenCalls) {
  EXPECT_EQ(cat->getCatalogos(5)->recordCount(), 32);
  EXPECT_EQ(cat->seleccionar("SELECT * FROM CATCESTADO WHERE CveEstado = 99")->fieldCount(), 4u);
  checkCalls(env, *cat, "demo.calls");
}

// seleccionar's record set takes changes, disconnected: the database keeps its rows.
TEST_F(CatalogsDbTest, SeleccionarTakesChangesThatStayInTheRecordSet) {
  RecordsetRef rs = cat->seleccionar("SELECT * FROM CATCESTADO WHERE CveEstado = 1");
  rs->setValue("Abreviatura", Variant("AG"));
  rs->update();
  rs->addNew();
  rs->setValue("PKEstado", Variant(int16_t{33}));
  rs->update();
  EXPECT_EQ(rs->recordCount(), 2);
  EXPECT_EQ(cat->TraeCatalogo(5, "33"), "0");
  const std::string abbreviation = "SELECT Abreviatura FROM CATCESTADO WHERE CveEstado = 1";
  EXPECT_EQ(toText(cat->FindQuery(abbreviation)->value(size_t{0})), "AGS");
}

// Every new object makes a new connection; destroying one closes the slot's connection.
TEST_F(CatalogsDbTest, EveryNewObjectMakesANewConnectionAndClosesItWhenDestroyed) {
  ConnectionRef c1 = slot::current();
  auto second = clsCatValida::create();
  ConnectionRef c2 = slot::current();
  ASSERT_TRUE(c1 && c2);
  EXPECT_NE(c1, c2);
  EXPECT_EQ(c1->state(), 1);  // the replaced connection is released, not closed
  cat.reset();
  EXPECT_EQ(c2->state(), 0);
  EXPECT_EQ(slot::current(), nullptr);
  // The second object's next call connects again.
  EXPECT_TRUE(second->getCatalogos(5));
  ConnectionRef c3 = slot::current();
  ASSERT_TRUE(c3);
  EXPECT_NE(c3, c2);
  EXPECT_EQ(c3->state(), 1);
  // A connection the application closed stays in the slot when its object goes.
  c3->close();
  second.reset();
  EXPECT_EQ(slot::current(), c3);
}
// The registry value needs four fields, a fifth is ignored; fewer is the runtime's error 9,
// and the thread's connection stays as it was.
TEST(ConnectionSequence, TakesTheFirstFourFieldsOfTheRegistryValue) {
  Environment env{{.demo = false, .registry = false}};
  const std::string full =
      components::connectionValue(korvanda::testing::odbc::serverField(), "usuario", "secreta", env.databasePath());
  for (const std::string& value : {full.substr(0, full.find('|', full.find('|') + 1)),
                                   full.substr(0, full.rfind('|')), full + "|otro"}) {
    SCOPED_TRACE(value);
    std::ofstream(env.registryPath(), std::ios::trunc)
        << "[HKEY_LOCAL_MACHINE\\Software\\ZERN]\nDatosServerDos=" << value << "\n";
    slot::current().reset();
    if (value == full + "|otro") {
      EXPECT_EQ(getOpenConnection()->state(), 1);
      continue;
    }
    const Error e = errorOf([] { getOpenConnection(); });
    EXPECT_EQ(e.number(), 9);
    EXPECT_EQ(e.description(), "Subscript out of range");
    EXPECT_EQ(slot::current(), nullptr);
  }
}


// queries.calls: the object is created on a real database; then a scripted connection takes
// the shared slot, so each call sees exactly the statements sent.
TEST(Queries, GoldenCalls) {
  Environment env{{.demo = false}};
  auto cat = clsCatValida::create();
  auto db = ScriptedConnection::create();
  slot::current() = db;
  script(*db, "queries.answers");
  checkCalls(env, *cat, "queries.calls");
}

}  // namespace
