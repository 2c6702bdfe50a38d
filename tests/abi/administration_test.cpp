// The public administration functions (korvanda/administration.h) that no other test calls:
// what each gives back and the error numbers it documents.
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

int32_t errorNumber(const std::function<void()>& call) { return testing::errorOf(call).number(); }

TEST(Administration, ObjectsAndExportLayoutsByName) {
  EXPECT_EQ(createObject("adodb.recordset")->dispatchTable().className(), "ADODB.Recordset");
  EXPECT_EQ(errorNumber([] { createObject("KORVANDA.clsNada"); }), 429);

  for (auto [layout, fields, first] : {std::tuple{"DatAgricola", 63u, "Poliza"},
                                       {"DatGanadero", 28u, "Poliza"}, {"FormatoB1", 30u, "Poliza"},
                                       {"FormatoB2", 40u, "ApPaterno"}, {"FormatoC", 17u, "Poliza"}}) {
    EXPECT_EQ(exportLayoutFields(layout).size(), fields) << layout;
    EXPECT_EQ(exportLayoutFields(layout).front(), first) << layout;
  }
  for (const char* unknown : {"", "datagricola", "DatAgricola ", "NoFieldsEnie"})
    EXPECT_EQ(errorNumber([&] { exportLayoutFields(unknown); }), 5) << unknown;
}

TEST(Administration, ConnectionDataWithTheInstallationKey) {
  testing::TempDir dir;
  const std::string registry = (dir.path() / "etc" / "registry.ini").string();
  const std::string key = (dir.path() / "etc" / "registry.key").string();
  EXPECT_EQ(errorNumber([&] { encryptWithKeyFile("x", key); }), 53);
  ASSERT_TRUE(createKeyFile(key));

  writeConnectionData(registry, "SQLite", "capturista", "cl'ave|1", "/var/x.db", key);
  std::vector<std::string> fields = readConnectionData(registry);
  ASSERT_EQ(fields.size(), 4u);
  EXPECT_NE(fields[2], "cl'ave|1");  // kept encrypted
  fields[2] = decryptWithKeyFile(fields[2], key);
  EXPECT_EQ(fields, (std::vector<std::string>{"SQLite", "capturista", "cl'ave|1", "/var/x.db"}));
  EXPECT_EQ(errorNumber([&] { writeConnectionData(registry, "s", "a|b", "", "d", key); }), 5);
  EXPECT_EQ(errorNumber([&] { decryptWithKeyFile("bm90IGVuY3J5cHRlZA==", key); }), -2146893819);
  EXPECT_EQ(encryptWithKeyFile("", key), "");
}

}  // namespace
}  // namespace korvanda
