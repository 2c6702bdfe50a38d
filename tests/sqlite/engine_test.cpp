#include <gtest/gtest.h>
#include <sqlite3.h>

#include <fmt/core.h>

#include <fstream>

#include "fixture.h"
#include "korvanda/textform.h"
#include "support/fixture.h"

namespace korvanda::sqlite::test {
namespace {

using korvanda::testing::errorOf;

// A missing file, a directory and a file that is no database fail to open and are left as
// they were; a database is never created over an existing file.
TEST(OpenEmbedded, OnlyAnExistingDatabaseOpens) {
  TempDir dir;
  const std::string missing = dir.file("nope.db"), garbage = dir.file("garbage.db");
  Error e = errorOf([&] { openEmbedded(missing); });
  EXPECT_EQ(e.number(), kErrConnection);
  EXPECT_EQ(e.source(), "SQLite");
  EXPECT_EQ(e.description(), "Cannot open database \"" + missing + "\": the file does not exist.");
  EXPECT_FALSE(std::filesystem::exists(missing));
  EXPECT_EQ(errorOf([&] { openEmbedded(dir.file("")); }).number(), kErrConnection);
  std::ofstream(garbage) << std::string(4096, 'x');
  e = errorOf([&] { openEmbedded(garbage); });
  EXPECT_EQ(e.number(), kErrConnection);
  EXPECT_NE(e.description().find("file is not a database"), std::string::npos) << e.description();
  EXPECT_EQ(errorOf([&] { createDatabase(garbage, false); }).number(), 58);
  EXPECT_EQ(std::filesystem::file_size(garbage), 4096u);
}

// Each query of tests/golden/sqlite/queries.txt gives the first field and value, or the error,
// written under it.
class Queries : public DemoDatabaseTest {};

TEST_F(Queries, EachGivesTheFieldAndValueOfTheGoldenFile) {
  std::ifstream in(KORVANDA_SOURCE_DIR "/tests/golden/sqlite/queries.txt");
  createDatabase(dir_.file("source.db"), true);
  std::string query, line;
  int checked = 0;
  for (int n = 1; std::getline(in, line); ++n) {
    for (size_t at; (at = line.find("${DIR}")) != std::string::npos;)
      line.replace(at, 6, dir_.path().string());
    SCOPED_TRACE("queries.txt line " + std::to_string(n) + ": " + query);
    if (line.empty() || line[0] == '#') continue;
    if (line.starts_with("> ")) {
      conn_->execute(line.substr(2));
    } else if (line.starts_with("= ")) {
      RecordsetRef rs = rows(query);
      if (!rs || rs->eof()) {
        ADD_FAILURE() << "no rows";
        continue;
      }
      const Variant v = rs->value(size_t{0});
      EXPECT_EQ(fmt::format("= {} {} {}", rs->field(0).type, rs->field(0).definedSize,
                            v.isNull() ? "NULL" : toText(v)),
                line);
      ++checked;
    } else if (line.starts_with("! ")) {
      Error e = failure(query);
      EXPECT_EQ(fmt::format("! {} {}", e.number(), e.description()), line);
      ++checked;
    } else {
      query = line;
    }
  }
  EXPECT_GE(checked, 50);
}

class Engine : public DatabaseTest {};

TEST_F(Engine, StateCloseAndOpenAgain) {
  EXPECT_EQ(conn_->state(), 1);
  EXPECT_EQ(errorOf([&] { conn_->open(); }).number(), 3705);
  conn_->execute("INSERT INTO CATCRAMO (PkRamo, cveRamo, NomRamo) VALUES (1, 1, 'Agrícola')");
  conn_->close();
  EXPECT_EQ(conn_->state(), 0);
  EXPECT_EQ(errorOf([&] { conn_->close(); }).number(), 3704);
  EXPECT_EQ(errorOf([&] { conn_->execute("SELECT 1 AS x"); }).number(), 3704);
  conn_->open();  // with the file it holds
  EXPECT_EQ(toText(scalar("SELECT NomRamo FROM CATCRAMO")), "Agrícola");
}

TEST_F(Engine, StatementsWithAndWithoutRows) {
  EXPECT_EQ(conn_->execute("DELETE FROM CATCRAMO"), nullptr);
  auto empty = rows("SELECT PkRamo, NomRamo FROM CATCRAMO");
  ASSERT_TRUE(empty);
  EXPECT_EQ(empty->fieldCount(), 2u);
  EXPECT_TRUE(empty->eof() && empty->bof());
  // The rows of the last result set of a batch.
  auto rs = rows("SET DATEFORMAT DMY SELECT 1 AS a; INSERT INTO CATCRAMO (PkRamo, cveRamo) VALUES (1, 1) SELECT 2 AS b");
  EXPECT_EQ(rs->field(0).name, "b");
}

// SQLite's parser does not recurse, but what follows it does: long chains stop at the depth
// limit set on the connection, with SQLite's own error, long before a small stack runs out.
TEST_F(Engine, LongExpressionsStopAtTheDepthLimitOnASmallStack) {
  auto sum = [](int terms) {
    std::string s = "SELECT 1";
    for (int i = 1; i < terms; ++i) s += " + 1";
    return s + " AS s";
  };
  korvanda::testing::runOnSmallStack([&] {
    EXPECT_EQ(toInt32(conn_->query(sum(kMaxExpressionDepth - 10))->value("s")), kMaxExpressionDepth - 10);
    for (int terms : {kMaxExpressionDepth + 1, 5000}) {
      Error e = errorOf([&] { conn_->execute(sum(terms)); });
      EXPECT_EQ(e.number(), kErrStatement);
      EXPECT_EQ(e.description(), "Expression tree is too large (maximum depth " + std::to_string(kMaxExpressionDepth) + ")");
    }
  });
}

// On disk a date is an ISO text, which orders and compares as dates do.
TEST_F(Engine, DatesAreStoredAsIsoText) {
  conn_->execute("SET DATEFORMAT DMY INSERT INTO SUBCFONDOSANEXOH (CveFondo, CicloIni, CicloFin, FechaInicio, "
                 "FechaLimite) VALUES ('F1', 2026, 2026, '31/12/2026 13:05:00', '01/02/2026')");
  sqlite3* raw = nullptr;
  ASSERT_EQ(sqlite3_open_v2(file_.c_str(), &raw, SQLITE_OPEN_READONLY, nullptr), SQLITE_OK);
  sqlite3_stmt* st = nullptr;
  sqlite3_prepare_v2(raw, "SELECT FechaInicio || '|' || FechaLimite FROM SUBCFONDOSANEXOH", -1, &st, nullptr);
  ASSERT_EQ(sqlite3_step(st), SQLITE_ROW);
  EXPECT_STREQ(reinterpret_cast<const char*>(sqlite3_column_text(st, 0)), "2026-12-31 13:05:00|2026-02-01 00:00:00");
  sqlite3_finalize(st);
  sqlite3_close(raw);
}

TEST_F(Engine, RepeatedAndUnnamedColumnsKeepTheirPlaces) {
  conn_->execute("INSERT INTO CATCRAMO (PkRamo, cveRamo, NomRamo) VALUES (7, 8, 'x')");
  auto rs = rows("SELECT PkRamo, ' ', cveRamo AS PkRamo, 1 + 1 FROM CATCRAMO");
  ASSERT_EQ(rs->fieldCount(), 4u);
  EXPECT_EQ(rs->field(0).name, "PkRamo");
  EXPECT_EQ(rs->field(1).name, "");
  EXPECT_EQ(rs->field(2).name, "PkRamo");
  EXPECT_EQ(rs->field(3).name, "");
  EXPECT_EQ(toInt32(rs->value("pkramo")), 7);  // by name: the first
  EXPECT_EQ(toInt32(rs->value(size_t{2})), 8);
}

TEST_F(Engine, SchemaListing) {
  auto rs = conn_->openSchemaTables();
  std::map<std::string, std::string> types;
  for (rs->moveFirst(); !rs->eof(); rs->moveNext()) types[toText(rs->value("table_name"))] = toText(rs->value("TABLE_TYPE"));
  EXPECT_EQ(types["CATCESTADO"], "TABLE");
  EXPECT_EQ(types["SOLRPAGOSENDOSO"], "VIEW");
  EXPECT_EQ(types["sqlite_schema"], "SYSTEM TABLE");
}

TEST_F(Engine, Transactions) {
  conn_->beginTrans();
  EXPECT_EQ(errorOf([&] { conn_->beginTrans(); }).number(), kErrNestedTransaction);
  conn_->execute("INSERT INTO CATCRAMO (PkRamo, cveRamo) VALUES (1, 1)");
  EXPECT_EQ(errorOf([&] { conn_->close(); }).number(), 3246);
  conn_->rollbackTrans();
  EXPECT_EQ(toInt32(scalar("SELECT COUNT(*) FROM CATCRAMO")), 0);
  EXPECT_EQ(errorOf([&] { conn_->commitTrans(); }).number(), kErrNoTransaction);
  conn_->beginTrans();
  conn_->execute("INSERT INTO CATCRAMO (PkRamo, cveRamo) VALUES (1, 1)");
  conn_->commitTrans();
  EXPECT_EQ(toInt32(scalar("SELECT COUNT(*) FROM CATCRAMO")), 1);
}

TEST_F(Engine, WalLetsTwoConnectionsShareTheFile) {
  EXPECT_EQ(toText(scalar("PRAGMA journal_mode")), "wal");
  auto other = openEmbedded(file_);
  conn_->beginTrans();
  conn_->execute("INSERT INTO CATCRAMO (PkRamo, cveRamo) VALUES (1, 1)");
  // A reader is not blocked by the writer and sees the last committed state.
  EXPECT_EQ(toInt32(other->execute("SELECT COUNT(*) FROM CATCRAMO")->value(size_t{0})), 0);
  conn_->commitTrans();
  EXPECT_EQ(toInt32(other->execute("SELECT COUNT(*) FROM CATCRAMO")->value(size_t{0})), 1);
}

TEST_F(Engine, ALockHeldPastTheBusyTimeoutFailsClearly) {
  auto other = openEmbedded(file_, std::chrono::milliseconds(100));
  conn_->beginTrans();
  conn_->execute("INSERT INTO CATCRAMO (PkRamo, cveRamo) VALUES (1, 1)");
  Error e = errorOf([&] { other->execute("INSERT INTO CATCRAMO (PkRamo, cveRamo) VALUES (2, 2)"); });
  EXPECT_EQ(e.number(), kErrTimeout);
  EXPECT_EQ(e.description(), "Timeout expired: database is locked (another connection kept the database file locked)");
  conn_->commitTrans();
  other->execute("INSERT INTO CATCRAMO (PkRamo, cveRamo) VALUES (2, 2)");  // free again
  EXPECT_EQ(toInt32(scalar("SELECT COUNT(*) FROM CATCRAMO")), 2);
}

// A transaction keeps the files it read attached until it ends: copies inside it and after it
// go through, and nothing stays attached. (The copies themselves are in the golden queries.)
TEST_F(Engine, CopiesInATransactionLetTheirFilesGoAtItsEnd) {
  const std::string source = dir_.file("source.db");
  createDatabase(source, true);
  auto copy = [&](const std::string& t) {
    conn_->execute("DROP TABLE " + t);
    conn_->execute(" SELECT " + t + ".* INTO " + t + " FROM " + t + " IN '" + source + "'");
  };
  conn_->beginTrans();
  copy("CATCESTADO");
  copy("CATCRAMO");
  conn_->commitTrans();
  copy("CATCESTADO");
  EXPECT_EQ(toInt32(scalar("SELECT COUNT(*) FROM CATCESTADO")), 32);
  EXPECT_EQ(toInt32(scalar("SELECT COUNT(*) FROM pragma_database_list")), 1);
}

}  // namespace
}  // namespace korvanda::sqlite::test
