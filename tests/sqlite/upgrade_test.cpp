// A database made before the KV_CI_AS collation: refused when opened, converted by the upgrade,
// which refuses rows that the new unique keys would take for one.
#include "sqlite/upgrade.h"

#include <functional>

#include "fixture.h"
#include "sqlite/schema_sql.h"
#include "sqlite/toolkit.h"
#include "support/fixture.h"

namespace korvanda::sqlite::test {
namespace {

// Runs every statement of sql on the file with SQLite itself.
void run(const std::string& file, const std::string& sql) {
  Database db = Database::open(file, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE);
  for (std::string_view rest = sql; !rest.empty();)
    if (Statement s = prepareNext(db.get(), rest)) s.run();
}

using korvanda::testing::errorOf;

TEST(Upgrade, AnOldDatabaseIsRefusedUntilUpgradedAndKeepsItsRows) {
  TempDir dir;
  const std::string file = dir.file("old.db");
  // The schema as db init made it before: ASCII letter case only.
  std::string old = embedded::kTablesSql;
  for (size_t at; (at = old.find("KV_CI_AS")) != std::string::npos;) old.replace(at, 8, "NOCASE");
  run(file, old);
  const std::string row =
      "INSERT INTO SUBMAGRICOLA (pkagricola, poliza, endoso, cveTipoEndoso, Inciso, cveCultivo, "
      "PkCedente, ciclo) VALUES ";
  run(file, row +
                "(1, 'PÓLIZA-Ñ', '0', 1, 3, 5, 12, 'PV2026'), (2, 'póliza-ñ', '0', 1, 3, 5, 12, "
                "'pv2026 '), "
                "(3, 'OTRA', '0', 1, 3, 5, 12, 'PV2026');"
                "INSERT INTO CATCESTADO VALUES (16, 16, 'Michoacán', 'MICH');"
                "INSERT INTO solrpagoendoso (pkpagoendoso, pkconstancia, pkendoso, pkinciso, "
                "numeroPago) VALUES (1, 2, 3, 4, 1);");

  Error refused = errorOf([&] { openEmbedded(file); });
  EXPECT_EQ(refused.number(), kErrConnection);
  EXPECT_NE(
      refused.description().find("Convert it once with: korvanda db upgrade \"" + file + "\""),
      std::string::npos)
      << refused.description();

  Error collide = errorOf([&] { upgradeDatabase(file); });
  EXPECT_EQ(collide.number(), kErrIntegrity);
  EXPECT_NE(collide.description().find("\n  SUBMAGRICOLA: row 1 (poliza 'PÓLIZA-Ñ', endoso '0', "
                                       "cveTipoEndoso 1, Inciso 3, cveCultivo 5, "
                                       "PkCedente 12, ciclo 'PV2026') and row 2 (poliza "
                                       "'póliza-ñ', endoso '0', cveTipoEndoso 1, "
                                       "Inciso 3, cveCultivo 5, PkCedente 12, ciclo 'pv2026 ')"),
            std::string::npos)
      << collide.description();
  EXPECT_EQ(errorOf([&] { openEmbedded(file); }).description(),
            refused.description());  // nothing changed

  run(file, "DELETE FROM SUBMAGRICOLA WHERE pkagricola = 2");
  std::vector<std::string> rebuilt = upgradeDatabase(file);
  EXPECT_EQ(rebuilt.size(), 38u);              // the tables with text columns
  EXPECT_TRUE(upgradeDatabase(file).empty());  // current now

  ConnectionRef conn = openEmbedded(file);
  auto first = [&](const std::string& sql) { return toText(conn->execute(sql)->value(size_t{0})); };
  EXPECT_EQ(first("SELECT count(*) FROM SUBMAGRICOLA"), "2");
  EXPECT_EQ(first("SELECT Abreviatura FROM CATCESTADO WHERE NomEstado = 'MICHOACÁN  '"), "MICH");
  EXPECT_EQ(first("SELECT pkinciso FROM SOLRPAGOSENDOSO"), "4");
  Error twice =
      errorOf([&] { conn->execute(row + "(2, 'póliza-ñ', '0', 1, 3, 5, 12, 'PV2026')"); });
  EXPECT_EQ(twice.number(), kErrIntegrity);
  EXPECT_NE(twice.description().find("UNIQUE constraint failed: SUBMAGRICOLA.poliza"),
            std::string::npos);
}

}  // namespace
}  // namespace korvanda::sqlite::test
