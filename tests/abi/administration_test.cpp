// The public administration functions (korvanda/administration.h) by their contracts: what each
// gives back and the error numbers it documents.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "korvanda/administration.h"
#include "korvanda/error.h"
#include "korvanda/recordset.h"
#include "korvanda/textform.h"
#include "support/fixture.h"

namespace korvanda {
namespace {

int32_t errorNumber(const std::function<void()>& call) {
  try {
    call();
  } catch (const Error& e) {
    return e.number();
  }
  return 0;
}

TEST(Administration, ObjectsAndExportLayoutsByName) {
  EXPECT_EQ(createObject("adodb.recordset")->dispatchTable().className(), "ADODB.Recordset");
  EXPECT_EQ(errorNumber([] { createObject("KORVANDA.clsNada"); }), 429);

  struct Case {
    const char* layout;
    size_t fields;
    const char* first;
  };
  for (const Case& c : {Case{"DatAgricola", 63, "Poliza"}, Case{"DatGanadero", 28, "Poliza"},
                        Case{"FormatoB1", 30, "Poliza"}, Case{"FormatoB2", 40, "ApPaterno"},
                        Case{"FormatoC", 17, "Poliza"}}) {
    const std::vector<std::string> fields = exportLayoutFields(c.layout);
    EXPECT_EQ(fields.size(), c.fields) << c.layout;
    EXPECT_EQ(fields.front(), c.first) << c.layout;
  }
  for (const char* unknown : {"", "datagricola", "DatAgricola ", "NoFieldsEnie"})
    EXPECT_EQ(errorNumber([&] { exportLayoutFields(unknown); }), 5) << unknown;
}

TEST(Administration, EmbeddedDatabaseFiles) {
  testing::TempDir dir;
  const std::string file = (dir.path() / "a.db").string();
  EXPECT_EQ(errorNumber([&] { openDatabase(file); }), -2147467259);  // never a new empty file
  EXPECT_EQ(errorNumber([&] { upgradeDatabase(file); }), -2147467259);
  createDatabase(file, true);
  EXPECT_EQ(errorNumber([&] { createDatabase(file, false); }), 58);
  EXPECT_TRUE(upgradeDatabase(file).empty());
  // T-SQL on the connection, with the text columns' collation: the 32 demo states.
  ConnectionRef conn = openDatabase(file);
  RecordsetRef rs = conn->query("SELECT COUNT(*) AS n FROM CATCESTADO WHERE LEN(NomEstado) > 0");
  EXPECT_EQ(toInt32(rs->value(size_t{0})), 32);
}

TEST(Administration, ConnectionDataWithTheInstallationKey) {
  testing::TempDir dir;
  const std::string registry = (dir.path() / "etc" / "registry.ini").string();
  const std::string key = (dir.path() / "etc" / "registry.key").string();
  EXPECT_EQ(errorNumber([&] { encryptWithKeyFile("x", key); }), 53);
  EXPECT_TRUE(createKeyFile(key));
  EXPECT_FALSE(createKeyFile(key));  // an existing key is never replaced

  writeConnectionData(registry, "SQLite", "capturista", "cl'ave|1", "/var/x.db", key);
  const std::vector<std::string> fields = readConnectionData(registry);
  ASSERT_EQ(fields.size(), 4u);
  EXPECT_EQ(fields[0], "SQLite");
  EXPECT_EQ(fields[1], "capturista");
  EXPECT_NE(fields[2], "cl'ave|1");
  EXPECT_EQ(decryptWithKeyFile(fields[2], key), "cl'ave|1");
  EXPECT_EQ(fields[3], "/var/x.db");
  EXPECT_EQ(errorNumber([&] { writeConnectionData(registry, "s", "a|b", "", "d", key); }), 5);
  EXPECT_EQ(errorNumber([&] { decryptWithKeyFile("bm90IGVuY3J5cHRlZA==", key); }), -2146893819);
  EXPECT_EQ(encryptWithKeyFile("", key), "");

  for (auto [server, embedded] : {std::pair{"sqlite", true}, std::pair{"SQLITE", true},
                                  std::pair{"sqlsrv01,1433", false}, std::pair{"", false}})
    EXPECT_EQ(isEmbeddedServer(server), embedded) << server;
}

}  // namespace
}  // namespace korvanda
