// Statements prepared once per shape give what the translation of each text gives: the same
// rows, changes and errors, whatever the literal values.
#include <gtest/gtest.h>
#include <fmt/core.h>

#include <fstream>

#include "fixture.h"
#include "korvanda/textform.h"
#include "sqlite/toolkit.h"
#include "statement_cache.h"
#include "support/fixture.h"

namespace korvanda::sqlite::test {
namespace {

constexpr const char* kTable =
    "CREATE TABLE t (id INT PRIMARY KEY, name VARCHAR(20), born DATETIME, qty INT, price "
    "DECIMAL(10,2), "
    "flag BIT)";

// Table t as stored: each value with its storage class.
std::string tableOf(sqlite3* db) {
  Statement s = prepare(db, "SELECT * FROM t ORDER BY id");
  std::string out;
  while (s.step()) {
    for (int c = 0; c < s.columnCount(); ++c)
      out += fmt::format("{}:{} ", sqlite3_column_type(s.get(), c), s.text(c));
    out += "\n";
  }
  return out;
}

std::string errorText(const Error& e) {
  return fmt::format("error {}: {}\n", e.number(), e.description());
}

class ShapeCache : public DatabaseTest {
 protected:
  void SetUp() override {
    DatabaseTest::SetUp();
    const std::string ref = dir_.file("reference.db");
    createDatabase(ref, false);
    reference_ = Database::open(ref, SQLITE_OPEN_READWRITE);
    peek_ = Database::open(file_, SQLITE_OPEN_READWRITE);
    conn_->execute(kTable);
    execute(reference_.get(), kTable);
  }

  // The text translated and run on its own, as before shapes.
  std::string translated(const std::string& sql) {
    std::string out;
    try {
      Translation t = translate(sql, readSchema(reference_.get()));
      for (const Step& step : t.steps) {
        const auto& s = std::get<SqlStep>(step);
        Statement st = prepare(reference_.get(), s.sql);
        if (st.columnCount() != 0) out = korvanda::testing::rendered(readAll(st, s.resultTypes));
        else st.run();
      }
      if (out.empty()) out = "no rows\n";
    } catch (const TranslationError& e) {
      out = errorText(
          Error(kErrStatement, kErrorSource,
                std::string("The statement cannot run on the embedded database: ") + e.what()));
    } catch (const Error& e) {
      out = errorText(e);
    }
    return out + tableOf(reference_.get());
  }

  std::string throughConnection(const std::string& sql) {
    std::string out;
    try {
      out = korvanda::testing::rendered(conn_->execute(sql));
    } catch (const Error& e) {
      out = errorText(e);
    }
    return out + tableOf(peek_.get());
  }

  bool cacheable(const std::string& sql) {
    auto shape = shapeOf(sql);
    if (!shape) return false;
    SchemaSnapshot schema = readSchema(reference_.get());
    return static_cast<bool>(
        learnShape(reference_.get(), sql, *shape, schema, translate(sql, schema)).stmt);
  }

  Database reference_, peek_;
};

// The cases of tests/golden/sqlite/shapes.txt.
TEST_F(ShapeCache, EveryCaseOfTheGoldenFile) {
  std::ifstream in(KORVANDA_SOURCE_DIR "/tests/golden/sqlite/shapes.txt");
  std::vector<std::string> texts;
  int cases = 0;
  for (std::string line; std::getline(in, line);) {
    if (line.empty() || line[0] == '#') continue;
    if (line[0] != '=' && line[0] != '~' && line[0] != '!') {
      texts.push_back(line);
      continue;
    }
    ++cases;
    SCOPED_TRACE(line + (texts.empty() ? "" : " after " + texts[0]));
    if (line[0] == '!') {
      EXPECT_FALSE(shapeOf(line.substr(2)));
      continue;
    }
    ASSERT_EQ(texts.size(), 2u);
    auto a = shapeOf(texts[0]), b = shapeOf(texts[1]);
    ASSERT_TRUE(a && b);
    EXPECT_EQ(a->key == b->key, line.ends_with(" same"));
    if (line[0] == '=') {
      EXPECT_EQ(cacheable(texts[0]), line.starts_with("= cached"));
      for (const std::string& sql : {texts[0], texts[1], texts[0]})
        EXPECT_EQ(throughConnection(sql), translated(sql)) << sql;
    }
    texts.clear();
  }
  EXPECT_GE(cases, 30);
  EXPECT_EQ(toText(scalar("SELECT born FROM t WHERE id = 2")), "13/02/2023 10:30:00");
}

TEST_F(ShapeCache, SchemaChangesBetweenCallsAreSeen) {
  conn_->execute("CREATE TABLE u (id INT, d VARCHAR(19))");
  conn_->execute("INSERT INTO u VALUES (1, '05/01/2024')");
  // Another connection makes d a date: the same shape now writes ISO text.
  openEmbedded(file_)->execute("DROP TABLE u; CREATE TABLE u (id INT, d DATETIME)");
  conn_->execute("INSERT INTO u VALUES (2, '06/01/2024')");
  // This connection changes it back inside its transaction.
  conn_->beginTrans();
  conn_->execute("INSERT INTO u VALUES (3, '07/01/2024')");
  conn_->execute("DROP TABLE u; CREATE TABLE u (id INT, d VARCHAR(19))");
  conn_->execute("INSERT INTO u VALUES (4, '08/01/2024')");
  conn_->commitTrans();
  Statement s = prepare(peek_.get(), "SELECT group_concat(id || '=' || d, ' ') FROM u");
  ASSERT_TRUE(s.step());
  EXPECT_EQ(s.text(0), "4=08/01/2024");
  EXPECT_EQ(conn_->execute("SELECT * FROM u WHERE id = 4")->fieldCount(), 2u);
  conn_->execute("ALTER TABLE u ADD COLUMN e INT");
  EXPECT_EQ(conn_->execute("SELECT * FROM u WHERE id = 5")->fieldCount(), 3u);
}

TEST(Shapes, TheLeastRecentlyUsedGoesFirst) {
  StatementCache cache(2);
  cache.add("a", {});
  cache.add("b", {});
  ASSERT_TRUE(cache.find("a"));
  cache.add("c", {});
  EXPECT_TRUE(cache.find("a") && cache.find("c"));
  EXPECT_FALSE(cache.find("b"));
  EXPECT_EQ(cache.size(), 2u);
}

}  // namespace
}  // namespace korvanda::sqlite::test
