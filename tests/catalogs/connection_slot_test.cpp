// The per-thread shared connection: the connection sequence from the registry value, reuse,
// reopening, the lifecycle of clsCatValida, and one slot per thread.
#include <gtest/gtest.h>

#include <thread>

#include "component/ModGlobal.h"
#include "components/connection_data.h"
#include "components/crypto.h"
#include "korvanda/clsCatValida.h"
#include "support/fixture.h"
#include "support/odbc.h"

using namespace korvanda;
using namespace korvanda::testing;

namespace {

std::string sealed(const std::string& plain,
                   const std::string& key = components::installationKey()) {
  return components::CCrypto().EncryptDecrypt(plain, key, true, 1);
}

class SlotTest : public ::testing::Test {
 protected:
  Environment env{{.demo = false}};
};

TEST_F(SlotTest, OneOpenConnectionPerThreadReopenedWhenClosed) {
  ConnectionRef a = getOpenConnection();
  ASSERT_TRUE(a);
  EXPECT_EQ(a->state(), 1);
  EXPECT_EQ(getOpenConnection(), a);
  EXPECT_EQ(slot::current(), a);
  a->close();
  EXPECT_EQ(getOpenConnection(), a);  // the same object, open again
  EXPECT_EQ(a->state(), 1);
  auto scripted = ScriptedConnection::create();
  slot::current() = scripted;
  EXPECT_EQ(getOpenConnection(), ConnectionRef(scripted));
  EXPECT_EQ(scripted->reopens(), 0);  // an open one is left alone
  scripted->close();
  EXPECT_EQ(getOpenConnection(), ConnectionRef(scripted));
  EXPECT_EQ(scripted->reopens(), 1);

  ConnectionRef theirs, theirsAgain;
  bool emptyAtStart = false;
  std::thread t([&] {
    emptyAtStart = slot::current() == nullptr;
    theirs = getOpenConnection();
    theirsAgain = getOpenConnection();
    clsCatValida::create().reset();  // replaces and closes only this thread's connection
  });
  t.join();
  EXPECT_TRUE(emptyAtStart);
  ASSERT_TRUE(theirs);
  EXPECT_EQ(theirs, theirsAgain);
  EXPECT_EQ(slot::current(), ConnectionRef(scripted));
  EXPECT_EQ(scripted->state(), 1);
}

// Registry values and database files that do not give a connection: the error, a log line per
// level, and the slot left as it was.
TEST_F(SlotTest, ConnectionSequenceFailures) {
  const std::string db = env.databasePath();
  struct Case {
    std::string value;  // "": no registry file; "missing": a registry naming a missing database
    int32_t number;
    std::string source, logged;  // logged: the log's description
  };
  const bool odbc =
      korvanda::testing::odbc::engineFromEnvironment() != korvanda::testing::odbc::Engine::Embedded;
  const Case cases[] = {
      {"SQLite|usuario|" + sealed("secreta") + "|" + db + "|ignored field", 0, "", ""},
      {"sqlite|usuario|" + sealed("secreta"), 9, "KORVANDA",
       "Se trato de acceder un elemento, no existente."},
      {"sqlite|usuario", 9, "KORVANDA", "Se trato de acceder un elemento, no existente."},
      {"sqlite|usuario|" + sealed("x", std::string(64, '0')) + "|" + db, 0, "SEGURIDAD.CCrypto",
       ""},
      {"missing", 0, odbc ? "ODBC" : "ConectaBD.clsConectaBDStateless", ""},
      {"", 53, "Funciones_ZERN.cls_Registry", "No se pudo encontrar el archivo"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.value);
    if (c.value.empty()) std::filesystem::remove(env.registryPath());
    else if (c.value == "missing") env.writeRegistryFor(env.dir().string() + "/missing.db");
    else env.writeRegistryValue(c.value);
    env.clearLogs();
    slot::current() = nullptr;
    if (c.source.empty()) {
      EXPECT_EQ(getOpenConnection()->state(), 1);
      EXPECT_TRUE(env.logLines().empty());
      continue;
    }
    Error e = errorOf([] { getOpenConnection(); });
    EXPECT_EQ(e.source(), c.source);
    if (c.number) EXPECT_EQ(e.number(), c.number);
    EXPECT_EQ(slot::current(), nullptr);
    // Through an object and through a statement: one more line at the outer level.
    auto held = ScriptedConnection::create();
    slot::current() = held;
    EXPECT_EQ(errorOf([] { clsCatValida::create(); }).number(), e.number());
    EXPECT_EQ(slot::current(), ConnectionRef(held));
    slot::current() = nullptr;
    EXPECT_EQ(errorOf([] { EjecutaQuerySinResultado("DELETE FROM SUBCSTATUS"); }).number(),
              e.number());
    std::vector<std::string> labels;
    for (const auto& entry : env.logEntries()) {
      labels.push_back(entry.label);
      if (!c.logged.empty()) EXPECT_EQ(entry.description, c.logged);
    }
    EXPECT_EQ(labels, (std::vector<std::string>{"KORVANDA.ModGlobal.getOpenConnection",
                                                "KORVANDA.clsCatValida.Class_Initialize",
                                                "KORVANDA.ModGlobal.getOpenConnection",
                                                "KORVANDA.ModGlobal.EjecutaQuerySinResultado"}));
  }
  EXPECT_FALSE(std::filesystem::exists(env.dir() / "missing.db"));
  EXPECT_TRUE(env.statements().empty());
  env.writeRegistryValue("sqlite|usuario|" + sealed("secreta"));
  env.clearLogs();
  EXPECT_EQ(errorOf([] { getOpenConnection(); }).description(), "Subscript out of range");
  EXPECT_TRUE(env.logLines().at(0).ends_with(
      "|Modulo:KORVANDA.ModGlobal.getOpenConnection|Numero:9|Source:KORVANDA|LastDLLError:0"
      "|Desc Alt Se trato de acceder un elemento, no existente."));
}

TEST_F(SlotTest, EveryNewObjectMakesANewConnectionAndClosesItWhenDestroyed) {
  auto first = clsCatValida::create();
  ConnectionRef c1 = slot::current();
  auto second = clsCatValida::create();
  ConnectionRef c2 = slot::current();
  ASSERT_TRUE(c1 && c2);
  EXPECT_NE(c1, c2);
  EXPECT_EQ(c1->state(), 1);  // the replaced connection is released, not closed
  // Destroying the first closes the second's connection and empties the slot...
  first.reset();
  EXPECT_EQ(c2->state(), 0);
  EXPECT_EQ(slot::current(), nullptr);
  // ...and the second object's next call connects again.
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

}  // namespace
