// Forward-only record sets on the embedded engine: rows read from the open statement as the
// record set moves, exported to the same bytes as the rows read into memory.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "fixture.h"
#include "korvanda/clsControlFiles.h"
#include "sqlite/toolkit.h"
#include "support/fixture.h"

namespace korvanda::sqlite::test {
namespace {

using korvanda::testing::errorOf;

class ForwardOnly : public DatabaseTest {
 protected:
  // The rows of tests/golden/sqlite/livestock.sql, written with SQLite itself; its queries kept
  // with the progress values written under each.
  void SetUp() override {
    DatabaseTest::SetUp();
    Database db = Database::open(file_, SQLITE_OPEN_READWRITE);
    std::ifstream in(KORVANDA_SOURCE_DIR "/tests/golden/sqlite/livestock.sql");
    for (std::string line; std::getline(in, line);) {
      if (line.starts_with("SELECT")) queries_.push_back({line, ""});
      else if (line.starts_with("-- progress ")) queries_.back().second = line.substr(12);
      else if (!line.starts_with("--")) execute(db.get(), line);
    }
  }
  // The file an export of the record set writes, and the progress values it gave.
  std::pair<std::string, std::string> exported(const RecordsetRef& rs) {
    clsControlFiles files;
    std::string seen;
    files.onProgress([&](int16_t v) { seen += (seen.empty() ? "" : " ") + std::to_string(v); });
    const std::string out = dir_.file("out.dat");
    EXPECT_TRUE(files.ExportFileDat(out, rs, 2));
    std::ostringstream s;
    s << std::ifstream(out, std::ios::binary).rdbuf();
    return {s.str(), seen};
  }
  std::vector<std::pair<std::string, std::string>> queries_;  // text, progress
};

// The progress total comes from a count query: the same values as from the record count.
TEST_F(ForwardOnly, ExportsTheSameFileAndProgressAsTheRowsInMemory) {
  ASSERT_EQ(queries_.size(), 7u);
  for (const auto& [sql, progress] : queries_) {
    SCOPED_TRACE(sql);
    auto rs = conn_->openForwardOnly(sql);
    EXPECT_EQ(rs->cursorType(), adOpenForwardOnly);
    const auto inMemory = exported(conn_->query(sql));
    EXPECT_EQ(exported(rs), inMemory);
    EXPECT_EQ(inMemory.second, progress);
  }
  const std::string first = exported(conn_->openForwardOnly(queries_[0].first)).first;
  EXPECT_EQ(std::count(first.begin(), first.end(), '\n'), 4);
  EXPECT_NE(first.find("GAN-1|0|1|1|NUNEZ||Mar\xED"
                       "a|ID-55|14|39|2|4|2026|01/01/2026|31/12/2026 12:30:00|"),
            std::string::npos)
      << first;
}

// Moving past the end and back, the rows outliving the caller's connection but not its
// closing, batches and statements without rows.
TEST_F(ForwardOnly, MovesOutlivesAndRunsBatches) {
  auto rs = openEmbedded(file_)->openForwardOnly("SELECT Poliza FROM gan ORDER BY Poliza");
  EXPECT_EQ(rs->recordCount(), -1);
  std::vector<std::string> seen;
  for (; !rs->eof(); rs->moveNext()) seen.push_back(toText(rs->value("Poliza")));
  EXPECT_EQ(seen, (std::vector<std::string>{"GAN-1", "GAN-2", "GAN-3", "GAN-4"}));
  EXPECT_EQ(rs->recordCount(), 4);
  EXPECT_EQ(errorOf([&] { rs->moveNext(); }).number(), 3021);
  const Error back = errorOf([&] { rs->movePrevious(); });
  EXPECT_EQ(back.number(), -2147217884);
  EXPECT_EQ(back.description(), "Rowset does not support fetching backward.");

  rs = conn_->openForwardOnly("SET DATEFORMAT DMY SELECT Endoso FROM gan WHERE Poliza = 'GAN-2'");
  EXPECT_EQ(toText(rs->value(size_t{0})), "E'1");
  EXPECT_EQ(conn_->openForwardOnly("SELECT * FROM gan WHERE 1 = 0")->eof(), true);
  rs = conn_->openForwardOnly("SELECT Poliza FROM gan");
  conn_->close();
  EXPECT_EQ(errorOf([&] { rs->moveNext(); }).number(), 3704);
}

}  // namespace
}  // namespace korvanda::sqlite::test
