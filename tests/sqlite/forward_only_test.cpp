// Forward-only record sets on the embedded engine: rows read from the open statement as the
// record set moves, exported to the same bytes as the rows read into memory.
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <fstream>
#include <sstream>

#include "fixture.h"
#include "korvanda/clsControlFiles.h"
#include "support/fixture.h"

namespace korvanda::sqlite::test {
namespace {

std::string readFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

using korvanda::testing::errorOf;

class ForwardOnly : public DatabaseTest {
 protected:
  // The rows of tests/golden/sqlite/livestock.sql, written with SQLite itself; its queries kept.
  void SetUp() override {
    DatabaseTest::SetUp();
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(file_.c_str(), &db), SQLITE_OK);
    std::ifstream in(KORVANDA_SOURCE_DIR "/tests/golden/sqlite/livestock.sql");
    for (std::string line; std::getline(in, line);) {
      if (line.starts_with("SELECT")) queries_.push_back(line);
      else if (!line.starts_with("--"))
        EXPECT_EQ(sqlite3_exec(db, line.c_str(), nullptr, nullptr, nullptr), SQLITE_OK) << line;
    }
    sqlite3_close(db);
  }
  // The file an export of the record set writes, and the progress values it gave.
  std::pair<std::string, std::vector<int16_t>> exported(const RecordsetRef& rs) {
    clsControlFiles files;
    std::vector<int16_t> seen;
    files.onProgress([&](int16_t v) { seen.push_back(v); });
    const std::string out = dir_.file("out.dat");
    EXPECT_TRUE(files.ExportFileDat(out, rs, 2));
    return {readFile(out), seen};
  }
  std::vector<std::string> queries_;
};

TEST_F(ForwardOnly, ExportsTheSameFileAsTheRowsInMemory) {
  ASSERT_EQ(queries_.size(), 2u);
  for (const std::string& sql : queries_) {
    SCOPED_TRACE(sql);
    auto rs = conn_->openForwardOnly(sql);
    EXPECT_EQ(rs->cursorType(), adOpenForwardOnly);
    auto [forward, progress] = exported(rs);
    auto [inMemory, staticProgress] = exported(conn_->query(sql));
    EXPECT_EQ(forward, inMemory);
    EXPECT_EQ(std::count(forward.begin(), forward.end(), '\n'), 4);
    EXPECT_NE(forward.find("GAN-1|0|1|1|NUNEZ||Mar\xED" "a|ID-55|14|39|2|4|2026|01/01/2026|"
                           "31/12/2026 12:30:00|"), std::string::npos) << forward;
    // The progress total comes from a count query: the same values as from the record count.
    EXPECT_EQ(progress, (std::vector<int16_t>{1, 25, 50, 75, 100}));
    EXPECT_EQ(progress, staticProgress);
    EXPECT_EQ(rs->recordCount(), 4);
  }
}

TEST_F(ForwardOnly, TheCountQueryCountsWhatTheStatementGives) {
  struct Case {
    std::string sql;
    std::vector<int16_t> progress;
  };
  const std::vector<Case> cases = {
      {"SELECT * FROM gan ORDER BY Poliza DESC LIMIT 2", {1, 50, 100}},
      {"SELECT * FROM gan ORDER BY Poliza LIMIT 1 OFFSET 3", {1, 100}},
      {"SELECT * FROM gan WHERE Poliza <> 'order by' /* ORDER */ ORDER BY Poliza;", {1, 25, 50, 75, 100}},
      {"SELECT * FROM (SELECT * FROM gan ORDER BY Poliza LIMIT 3) AS t ORDER BY Poliza", {1, 33, 67, 100}},
      {"SELECT g.* FROM gan g JOIN gan h ON h.Poliza >= g.Poliza ORDER BY g.Poliza",
       {1, 10, 20, 30, 40, 50, 60, 70, 80, 90, 100}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.sql);
    EXPECT_EQ(exported(conn_->openForwardOnly(c.sql)).second, c.progress);
  }
}

TEST_F(ForwardOnly, MovesPastItsEndAndBackAndGetsTheClearError) {
  auto rs = conn_->openForwardOnly("SELECT Poliza FROM gan ORDER BY Poliza");
  EXPECT_EQ(rs->recordCount(), -1);
  std::vector<std::string> seen;
  for (; !rs->eof(); rs->moveNext()) seen.push_back(toText(rs->value("Poliza")));
  EXPECT_EQ(seen, (std::vector<std::string>{"GAN-1", "GAN-2", "GAN-3", "GAN-4"}));
  EXPECT_EQ(rs->recordCount(), 4);
  EXPECT_EQ(errorOf([&] { rs->moveNext(); }).number(), 3021);
  const Error back = errorOf([&] { rs->movePrevious(); });
  EXPECT_EQ(back.number(), -2147217884);
  EXPECT_EQ(back.description(), "Rowset does not support fetching backward.");
}

TEST_F(ForwardOnly, TheRowsOutliveTheCallersConnectionButNotItsClosing) {
  auto kept = openEmbedded(file_)->openForwardOnly("SELECT Poliza FROM gan ORDER BY Poliza");
  size_t n = 0;
  for (; !kept->eof(); kept->moveNext()) ++n;
  EXPECT_EQ(n, 4u);

  auto rs = conn_->openForwardOnly("SELECT Poliza FROM gan");
  conn_->close();
  EXPECT_EQ(errorOf([&] { rs->moveNext(); }).number(), 3704);
}

TEST_F(ForwardOnly, StatementsWithoutRowsAndBatches) {
  EXPECT_EQ(conn_->openForwardOnly("UPDATE gan SET Endoso = 'X' WHERE Poliza = 'GAN-3'")->state(), 0);
  auto rs = conn_->openForwardOnly("SET DATEFORMAT DMY SELECT Endoso FROM gan WHERE Poliza = 'GAN-3'");
  EXPECT_EQ(toText(rs->value(size_t{0})), "X");
  EXPECT_EQ(conn_->openForwardOnly("SELECT * FROM gan WHERE 1 = 0")->eof(), true);
}

}  // namespace
}  // namespace korvanda::sqlite::test
