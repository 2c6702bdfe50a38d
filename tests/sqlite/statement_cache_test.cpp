// Statements prepared once per shape give what the translation of each text gives: the same
// rows, changes and errors, whatever the literal values.
#include <gtest/gtest.h>
#include <fmt/core.h>

#include "fixture.h"
#include "korvanda/textform.h"
#include "sqlite/toolkit.h"
#include "statement_cache.h"

namespace korvanda::sqlite::test {
namespace {

constexpr const char* kTable =
    "CREATE TABLE t (id INT PRIMARY KEY, name VARCHAR(20), born DATETIME, qty INT, price DECIMAL(10,2), "
    "flag BIT)";

std::string describe(const RecordsetRef& rs) {
  if (!rs) return "no rows";
  std::string out;
  for (size_t c = 0; c < rs->fieldCount(); ++c)
    out += fmt::format("{}:{}:{} ", rs->field(c).name, rs->field(c).type, rs->field(c).definedSize);
  for (; !rs->eof(); rs->moveNext())
    for (size_t c = 0; c < rs->fieldCount(); ++c)
      out += fmt::format("| {}:{} ", static_cast<int>(rs->value(c).type()), toText(rs->value(c)));
  return out;
}

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

std::string errorText(const Error& e) { return fmt::format("error {}: {}", e.number(), e.description()); }

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
        if (st.columnCount() != 0) out = describe(readAll(st, s.resultTypes));
        else st.run();
      }
      if (out.empty()) out = "no rows";
    } catch (const TranslationError& e) {
      out = errorText(Error(kErrStatement, kErrorSource,
                            std::string("The statement cannot run on the embedded database: ") + e.what()));
    } catch (const Error& e) {
      out = errorText(e);
    }
    return out + "\n" + tableOf(reference_.get());
  }

  std::string throughConnection(const std::string& sql) {
    std::string out;
    try {
      out = describe(conn_->execute(sql));
    } catch (const Error& e) {
      out = errorText(e);
    }
    return out + "\n" + tableOf(peek_.get());
  }

  bool cacheable(const std::string& sql) {
    auto shape = shapeOf(sql);
    if (!shape) return false;
    SchemaSnapshot schema = readSchema(reference_.get());
    return static_cast<bool>(learnShape(reference_.get(), sql, *shape, schema, translate(sql, schema)).stmt);
  }

  Database reference_, peek_;
};

TEST_F(ShapeCache, SecondValuesGiveWhatTheirTranslationGives) {
  struct Case {
    const char* first;
    const char* second;
    bool cached;     // the first text's shape is prepared
    bool sameShape;  // the second text runs the first's statement
  };
  const Case cases[] = {
      // Dates to a DATETIME column in either order, quoted numbers to INT, quotes in texts.
      {"SET DATEFORMAT DMY INSERT INTO t (id, name, born, qty, price, flag) VALUES (1, 'Ana', '05/01/2024', '12', 1.5, 1)",
       "SET DATEFORMAT DMY INSERT INTO t (id, name, born, qty, price, flag) VALUES (2, 'O''Brien', '13/02/2023 10:30', ' 7', 2.0, 0)",
       true, true},
      {"SET DATEFORMAT MDY INSERT INTO t (id, name, born, qty, price, flag) VALUES (3, 'Bo', '05/01/2024', '3', 10.75, 1)",
       "SET DATEFORMAT MDY INSERT INTO t (id, name, born, qty, price, flag) VALUES (4, ''');DROP TABLE t;--', '12/31/2023', '-3', 0.5, 0)",
       true, true},
      // Values the translation refuses: a day that does not exist, a fraction for INT.
      {"INSERT INTO t (id, name, born, qty) VALUES (5, 'Cy', '29/02/2024', '4')",
       "INSERT INTO t (id, name, born, qty) VALUES (6, 'Di', '29/02/2023', '4')", true, true},
      {"INSERT INTO t (id, name, born, qty) VALUES (7, 'Ed', '2024-03-01 00:00:00', '4')",
       "INSERT INTO t (id, name, born, qty) VALUES (8, 'Fa', '01/03/2024', '4.5')", true, true},
      // SQLite's own refusal.
      {"INSERT INTO t (id, name) VALUES (9, 'Gu')", "INSERT INTO t (id, name) VALUES (9, 'Ha')", true, true},
      {"UPDATE t SET qty = qty + 5, name = name + '!' WHERE id = 1",
       "UPDATE t SET qty = qty + 6, name = name + '?' WHERE id = 2", true, true},
      {"UPDATE t SET born = '31/12/2020', price = '3' WHERE id = 3",
       "UPDATE t SET born = '01/01/2021', price = '4.25' WHERE id = 4", true, true},
      {"SELECT id, name, born FROM t WHERE born >= '01/01/2024' AND qty > 2",
       "SELECT id, name, born FROM t WHERE born >= '31/12/2020' AND qty > 0", true, true},
      {"SELECT name + 'x' AS n, price * 2.5 AS p, typeof(2.5) AS k, 7 / 2.0 AS q FROM t WHERE id = 1",
       "SELECT name + 'y' AS n, price * 3.0 AS p, typeof(10.0) AS k, 9 / 3.0 AS q FROM t WHERE id = 2", true, true},
      // Literals that shape the statement.
      {"SELECT name, qty FROM t ORDER BY 1", "SELECT name, qty FROM t ORDER BY 2", true, false},
      {"SELECT CAST(name AS varchar(3)) AS c FROM t ORDER BY id", "SELECT CAST(name AS varchar(5)) AS c FROM t ORDER BY id",
       true, false},
      {"SELECT TOP 1 name FROM t ORDER BY id", "SELECT TOP 2 name FROM t ORDER BY id", true, false},
      // A value the translation rewrites in a way no slot explains: translated every time.
      {"UPDATE t SET flag = 'true' WHERE id = 1", "UPDATE t SET flag = 'false' WHERE id = 2", false, true},
      // Many slots of one value: each perturbed apart.
      {"UPDATE t SET qty = 1, price = 1, flag = 1 WHERE id IN (1, 1, 1, 2, 2, 2)",
       "UPDATE t SET qty = 2, price = 3, flag = 0 WHERE id IN (2, 2, 2, 1, 1, 1)", true, true},
      {"DELETE FROM t WHERE id = 3", "DELETE FROM t WHERE id = 7", true, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.first);
    EXPECT_EQ(cacheable(c.first), c.cached);
    EXPECT_EQ(shapeOf(c.first)->key == shapeOf(c.second)->key, c.sameShape);
    for (const char* sql : {c.first, c.second, c.first}) EXPECT_EQ(throughConnection(sql), translated(sql)) << sql;
  }
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
  EXPECT_EQ(rows("SELECT * FROM u WHERE id = 4")->fieldCount(), 2u);
  conn_->execute("ALTER TABLE u ADD COLUMN e INT");
  EXPECT_EQ(rows("SELECT * FROM u WHERE id = 5")->fieldCount(), 3u);
}

TEST(Shapes, LiteralsThatDecideTheTranslationStayInTheKey) {
  const struct {
    const char* a;
    const char* b;
    bool same;
  } cases[] = {
      {"SELECT a FROM t WHERE b = 'x' AND c = 1", "SELECT a FROM t WHERE b = N'y' AND c = 22", true},
      {"SELECT a FROM t WHERE b = 'x'", "SELECT a FROM t WHERE b = 'xy'", false},  // lengths type a SELECT
      {"INSERT INTO t VALUES ('x', 1.5)", "INSERT INTO t VALUES ('xy', 2.25)", true},
      {"INSERT INTO t VALUES ('x', 1)", "INSERT INTO t VALUES ('x', 1.0)", false},
      {"INSERT INTO t VALUES ('x')", "INSERT INTO t VALUES ('')", false},
      {"INSERT INTO t VALUES ('x')", "INSERT INTO t VALUES (' ')", false},
      {"INSERT INTO t VALUES (1.5)", "INSERT INTO t VALUES (0.0)", false},
      {"INSERT INTO t VALUES (1)", "INSERT INTO t VALUES (1234567890123456789)", false},
      {"SET DATEFORMAT DMY INSERT INTO t VALUES ('1/2/2024')", "SET DATEFORMAT MDY INSERT INTO t VALUES ('1/2/2024')", false},
      {"SELECT a, b FROM t ORDER BY a, 1", "SELECT a, b FROM t ORDER BY a, 2", false},
      {"SELECT a FROM t GROUP BY a HAVING COUNT(*) > 1", "SELECT a FROM t GROUP BY a HAVING COUNT(*) > 2", false},
      {"SELECT (SELECT TOP (1) a FROM u) AS x FROM t WHERE b = 1", "SELECT (SELECT TOP (2) a FROM u) AS x FROM t WHERE b = 2", false},
      {"SELECT CAST(a AS decimal(10,2)) AS x FROM t", "SELECT CAST(a AS decimal(10,3)) AS x FROM t", false},
      {"SELECT LEFT(a, 2) AS x FROM t", "SELECT LEFT(a, 3) AS x FROM t", false},
      {"SELECT 1 AS 'x'", "SELECT 1 AS 'y'", false},
  };
  for (const auto& c : cases) {
    auto a = shapeOf(c.a), b = shapeOf(c.b);
    ASSERT_TRUE(a && b) << c.a;
    EXPECT_EQ(a->key == b->key, c.same) << c.a << " / " << c.b;
  }
  for (const char* other : {"EXEC p 1", "CREATE TABLE x (a INT)", "SET NOCOUNT ON", "DROP TABLE t", "SELECT 'open"})
    EXPECT_FALSE(shapeOf(other)) << other;
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
