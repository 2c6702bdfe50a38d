// The per-thread shared connection: the connection sequence from the registry value, reuse,
// reopening, the lifecycle of clsCatValida, and one slot per thread.
#include <gtest/gtest.h>

#include <thread>

#include "component/ModGlobal.h"
#include "korvanda/clsCatValida.h"
#include "components/connection_data.h"
#include "components/crypto.h"
#include "support/fixture.h"
#include "support/odbc.h"

using namespace korvanda;
using korvanda::testing::Environment;
using korvanda::testing::errorOf;
using korvanda::testing::ScriptedConnection;

namespace {

const char* const kError9 =
    "|Numero:9|Source:KORVANDA|LastDLLError:0|Desc Alt Se trato de acceder un elemento, no "
    "existente.";

std::string sealed(const std::string& plain) {
  return components::CCrypto().EncryptDecrypt(plain, components::installationKey(), true, 1);
}

class SlotTest : public ::testing::Test {
 protected:
  Environment env{{.demo = false}};
};

TEST_F(SlotTest, TwoCallsOnOneThreadGiveTheSameConnection) {
  ConnectionRef a = getOpenConnection();
  ASSERT_TRUE(a);
  EXPECT_EQ(a->state(), 1);
  EXPECT_EQ(getOpenConnection(), a);
  EXPECT_EQ(slot::current(), a);
}

TEST_F(SlotTest, AConnectionClosedByTheApplicationIsReopened) {
  auto cat = clsCatValida::create();
  ConnectionRef c = cat->getConexion();
  c->close();
  EXPECT_EQ(c->state(), 0);
  EXPECT_EQ(getOpenConnection(), c);
  EXPECT_EQ(c->state(), 1);
  EXPECT_TRUE(cat->getCatalogos(5));
}

TEST_F(SlotTest, ReopeningKeepsTheSameObjectAndAnOpenOneIsLeftAlone) {
  auto scripted = ScriptedConnection::create();
  slot::current() = scripted;
  EXPECT_EQ(getOpenConnection(), ConnectionRef(scripted));
  EXPECT_EQ(scripted->reopens(), 0);
  scripted->close();
  EXPECT_EQ(getOpenConnection(), ConnectionRef(scripted));
  EXPECT_EQ(scripted->reopens(), 1);
  EXPECT_EQ(scripted->state(), 1);
}

TEST_F(SlotTest, AValueOfFiveFieldsUsesTheFirstFour) {
  env.writeRegistryValue("SQLite|usuario|" + sealed("secreta") + "|" + env.databasePath() +
                         "|ignored field");
  ConnectionRef c = getOpenConnection();
  ASSERT_TRUE(c);
  EXPECT_EQ(c->state(), 1);
  EXPECT_TRUE(env.logLines().empty());
}

TEST_F(SlotTest, AValueOfThreeFieldsIsError9AndLeavesTheSlotAsItWas) {
  env.writeRegistryValue("sqlite|usuario|" + sealed("secreta"));
  // Empty slot: stays empty.
  Error e = errorOf([] { getOpenConnection(); });
  EXPECT_EQ(e.number(), 9);
  EXPECT_EQ(e.description(), "Subscript out of range");
  EXPECT_EQ(slot::current(), nullptr);
  // A slot with a connection: a new object fails to connect and the slot keeps it.
  auto held = ScriptedConnection::create();
  slot::current() = held;
  EXPECT_EQ(errorOf([] { clsCatValida::create(); }).number(), 9);
  EXPECT_EQ(slot::current(), ConnectionRef(held));

  auto lines = env.logLines();
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_TRUE(lines[0].ends_with(std::string("|Modulo:KORVANDA.ModGlobal.getOpenConnection") + kError9))
      << lines[0];
  EXPECT_TRUE(lines[1].ends_with(std::string("|Modulo:KORVANDA.clsCatValida.Class_Initialize") + kError9))
      << lines[1];
}

TEST_F(SlotTest, TwoFieldsFailAtThePasswordField) {
  env.writeRegistryValue("sqlite|usuario");
  EXPECT_EQ(errorOf([] { getOpenConnection(); }).number(), 9);
}

TEST_F(SlotTest, APasswordThatDoesNotDecryptFails) {
  env.writeRegistryValue("sqlite|usuario|" +
                         components::CCrypto().EncryptDecrypt("x", std::string(64, '0'), true, 1) +
                         "|" + env.databasePath());
  Error e = errorOf([] { getOpenConnection(); });
  EXPECT_EQ(e.source(), "SEGURIDAD.CCrypto");
  EXPECT_EQ(slot::current(), nullptr);
  ASSERT_EQ(env.logEntries().size(), 1u);
  EXPECT_EQ(env.logEntries()[0].label, "KORVANDA.ModGlobal.getOpenConnection");
}

TEST_F(SlotTest, AMissingDatabaseFileFailsToConnect) {
  env.writeRegistryFor(env.dir().string() + "/missing.db");
  Error e = errorOf([] { clsCatValida::create(); });
  // The engine that refused names itself: the connection component, or the ODBC driver manager.
  EXPECT_EQ(e.source(), korvanda::testing::odbc::engineFromEnvironment() ==
                            korvanda::testing::odbc::Engine::Embedded
                            ? "ConectaBD.clsConectaBDStateless"
                            : "ODBC");
  EXPECT_FALSE(std::filesystem::exists(env.dir() / "missing.db"));
  ASSERT_EQ(env.logEntries().size(), 1u);
  EXPECT_EQ(env.logEntries()[0].label, "KORVANDA.clsCatValida.Class_Initialize");
}

TEST_F(SlotTest, AFailureToConnectLogsOneLinePerLevel) {
  std::filesystem::remove(env.registryPath());
  Error e = errorOf([] { EjecutaQuerySinResultado("DELETE FROM SUBCSTATUS"); });
  EXPECT_EQ(e.number(), 53);
  auto log = env.logEntries();
  ASSERT_EQ(log.size(), 2u);
  EXPECT_EQ(log[0].label, "KORVANDA.ModGlobal.getOpenConnection");
  EXPECT_EQ(log[1].label, "KORVANDA.ModGlobal.EjecutaQuerySinResultado");
  for (const auto& entry : log) {
    EXPECT_EQ(entry.number, 53);
    EXPECT_EQ(entry.source, "Funciones_ZERN.cls_Registry");
    EXPECT_EQ(entry.description, "No se pudo encontrar el archivo");
  }
  EXPECT_TRUE(env.statements().empty());
}

TEST_F(SlotTest, EveryNewObjectMakesANewConnection) {
  auto first = clsCatValida::create();
  ConnectionRef c1 = slot::current();
  auto second = clsCatValida::create();
  ConnectionRef c2 = slot::current();
  ASSERT_TRUE(c1 && c2);
  EXPECT_NE(c1, c2);
  // The replaced connection is released, not closed.
  EXPECT_EQ(c1->state(), 1);
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
}

TEST_F(SlotTest, DestroyingLeavesAClosedConnectionInTheSlot) {
  auto cat = clsCatValida::create();
  ConnectionRef c = slot::current();
  c->close();
  cat.reset();
  EXPECT_EQ(slot::current(), c);
}

TEST_F(SlotTest, EachThreadHasItsOwnSlot) {
  ConnectionRef mine = getOpenConnection();
  ConnectionRef theirs, theirsAgain;
  bool emptyAtStart = false;
  std::thread t([&] {
    emptyAtStart = slot::current() == nullptr;
    theirs = getOpenConnection();
    theirsAgain = getOpenConnection();
    auto cat = clsCatValida::create();  // replaces only this thread's slot
    cat.reset();                        // and closes only this thread's connection
  });
  t.join();
  EXPECT_TRUE(emptyAtStart);
  ASSERT_TRUE(theirs);
  EXPECT_NE(theirs, mine);
  EXPECT_EQ(theirs, theirsAgain);
  EXPECT_EQ(slot::current(), mine);
  EXPECT_EQ(mine->state(), 1);
}

}  // namespace
