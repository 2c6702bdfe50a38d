#include <gtest/gtest.h>

#include <fmt/core.h>

#include <fstream>

#include "fixture.h"
#include "korvanda/textform.h"
#include "sqlite/toolkit.h"
#include "support/fixture.h"

namespace korvanda::sqlite::test {
namespace {

using korvanda::testing::errorOf;

// Each query of tests/golden/sqlite/queries.txt gives the first field and value, or the error,
// written under it.
class Queries : public DatabaseTest {};

TEST_F(Queries, EachGivesTheFieldAndValueOfTheGoldenFile) {
  std::ifstream in(KORVANDA_SOURCE_DIR "/tests/golden/sqlite/queries.txt");
  createDatabase(dir_.file("source.db"), true);
  createDatabase(dir_.file("demo.db"), true);
  conn_ = openEmbedded(dir_.file("demo.db"));
  std::string query, line;
  int checked = 0;
  korvanda::testing::runOnSmallStack([&] {
    for (int n = 1; std::getline(in, line); ++n) {
      for (size_t at; (at = line.find("${DIR}")) != std::string::npos;)
        line.replace(at, 6, dir_.path().string());
      if (line.empty() || line[0] == '#') continue;
      SCOPED_TRACE("queries.txt line " + std::to_string(n) + ": " + query);
      if (line.starts_with("> ")) {
        conn_->execute(line.substr(2));
      } else if (line.starts_with("= ")) {
        RecordsetRef rs = conn_->execute(query);
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
        Error e = errorOf([&] { conn_->execute(query); });
        EXPECT_EQ(fmt::format("! {} {}", e.number(), e.description()), line);
        ++checked;
      } else {
        query = line;
      }
    }
  });
  EXPECT_GE(checked, 50);
}

class Engine : public DatabaseTest {};

// Open, close, transactions and their misuse on one connection (tests/golden/sqlite/engine.txt);
// no database is created over an existing file.
TEST_F(Engine, StateAndTransactions) {
  EXPECT_EQ(errorOf([&] { createDatabase(file_, false); }).number(), 58);
  korvanda::testing::expectTranscript(*conn_, "sqlite/engine.txt");
}

// A database file replaced under the connection: the next statement fails and closes it, so
// that nothing goes into the unlinked file. Inside a transaction the commit fails instead, and
// the file now at the path holds none of it.
TEST_F(Engine, AFileReplacedUnderTheConnectionIsNeverWrittenSilently) {
  auto insert = [](int k) {
    return fmt::format("INSERT INTO CATCRAMO (PkRamo, cveRamo, NomRamo) VALUES ({0}, {0}, 'R')", k);
  };
  auto replace = [&] {
    std::filesystem::copy_file(file_, file_ + ".new");
    std::filesystem::rename(file_ + ".new", file_);
  };
  for (bool inTransaction : {false, true}) {
    SCOPED_TRACE(inTransaction ? "in a transaction" : "statement by statement");
    conn_ = openEmbedded(file_);
    if (inTransaction) conn_->beginTrans();
    conn_->execute(insert(1));
    replace();
    Error e = errorOf([&] {
      conn_->execute(insert(2));
      if (inTransaction) conn_->commitTrans();
    });
    EXPECT_EQ(e.number(), kErrConnection);
    EXPECT_NE(e.description().find("was removed or replaced"), std::string::npos);
    EXPECT_EQ(conn_->state(), 0);
    conn_ = openEmbedded(file_);
    EXPECT_EQ(toText(scalar("SELECT COUNT(*) FROM CATCRAMO WHERE PkRamo = 2")), "0");
    conn_->execute("DELETE FROM CATCRAMO");
  }
}

// On disk a date is an ISO text, which orders and compares as dates do.
TEST_F(Engine, DatesAreStoredAsIsoText) {
  conn_->execute(
      "SET DATEFORMAT DMY INSERT INTO SUBCFONDOSANEXOH (CveFondo, CicloIni, CicloFin, FechaInicio, "
      "FechaLimite) VALUES ('F1', 2026, 2026, '31/12/2026 13:05:00', '01/02/2026')");
  Database raw = Database::open(file_, SQLITE_OPEN_READONLY);
  Statement st =
      prepare(raw.get(), "SELECT FechaInicio || '|' || FechaLimite FROM SUBCFONDOSANEXOH");
  ASSERT_TRUE(st.step());
  EXPECT_EQ(st.text(0), "2026-12-31 13:05:00|2026-02-01 00:00:00");
}

// In WAL mode a reader is not blocked by the writer and sees the last committed state; a
// second writer waits for the busy timeout and then fails clearly.
TEST_F(Engine, WalReadersAndALockHeldPastTheBusyTimeout) {
  EXPECT_EQ(toText(scalar("PRAGMA journal_mode")), "wal");
  auto other = openEmbedded(file_, std::chrono::milliseconds(100));
  auto count = [&] {
    return toInt32(other->execute("SELECT COUNT(*) FROM CATCRAMO")->value(size_t{0}));
  };
  conn_->beginTrans();
  conn_->execute("INSERT INTO CATCRAMO (PkRamo, cveRamo) VALUES (1, 1)");
  EXPECT_EQ(count(), 0);
  Error e =
      errorOf([&] { other->execute("INSERT INTO CATCRAMO (PkRamo, cveRamo) VALUES (2, 2)"); });
  EXPECT_EQ(e.number(), kErrTimeout);
  EXPECT_EQ(
      e.description(),
      "Timeout expired: database is locked (another connection kept the database file locked)");
  conn_->commitTrans();
  EXPECT_EQ(count(), 1);
  other->execute("INSERT INTO CATCRAMO (PkRamo, cveRamo) VALUES (2, 2)");  // free again
  EXPECT_EQ(toInt32(scalar("SELECT COUNT(*) FROM CATCRAMO")), 2);
}

}  // namespace
}  // namespace korvanda::sqlite::test
