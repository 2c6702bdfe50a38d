// The SQLite toolkit that the embedded engine and the capture files share: the declared-type
// map, reading a statement into a record set, and the table copy.
#include <gtest/gtest.h>

#include "fixture.h"
#include "sqlite/toolkit.h"
#include "support/fixture.h"

namespace korvanda::sqlite::test {
namespace {

using korvanda::testing::errorOf;

// The declared types SQL can declare are in tests/golden/sqlite/queries.txt; these reach the map
// only from SQL Server through ODBC.
TEST(DeclaredTypes, FromSqlServer) {
  EXPECT_EQ(fieldFromDeclared("VARCHAR(MAX)")->type, adLongVarChar);
  EXPECT_EQ(fieldFromDeclared("VARCHAR(MAX)")->size, 2147483647);
  EXPECT_EQ(fieldFromDeclared(" nvarchar ( 7 )")->size, 7);
  EXPECT_FALSE(fieldFromDeclared(""));
}

TEST(Prepare, OneStatementAtATime) {
  TempDir dir;
  Database db = Database::open(dir.file("t.db"), SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE);
  EXPECT_EQ(errorOf([&] { prepare(db.get(), "SELECT 1; SELECT 2"); }).number(), kErrStatement);
  EXPECT_EQ(errorOf([&] { prepare(db.get(), " ; "); }).description(), "The statement is empty.");
  EXPECT_NO_THROW(prepare(db.get(), "SELECT 1 ;\n "));
}

class Toolkit : public ::testing::Test {
 protected:
  void SetUp() override {
    db_ = Database::open(dir_.file("t.db"), SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE);
  }
  void run(std::string_view sql) {
    for (std::string_view rest = sql; !rest.empty();)
      if (Statement s = prepareNext(db_.get(), rest)) s.run();
  }
  RecordsetRef read(std::string_view sql) {
    Statement s = prepare(db_.get(), sql);
    return readAll(s);
  }
  std::vector<std::string> column(std::string_view sql) {
    std::vector<std::string> out;
    for (RecordsetRef rs = read(sql); !rs->eof(); rs->moveNext())
      out.push_back(toText(rs->value(size_t{0})));
    return out;
  }

  TempDir dir_;
  Database db_;
};

// A declared column keeps its type whatever a value holds; a column without one takes the type
// that all of its values fit, the first row's included.
TEST_F(Toolkit, ReadingGivesEachColumnOneType) {
  run("CREATE TABLE t (n SMALLINT, m MONEY, d DATETIME);"
      "INSERT INTO t VALUES (1, 1234.5678, '2026-12-31 13:05:00'), ('x', '0.07', 'nunca'), (70000, "
      "5, NULL);");
  RecordsetRef rs =
      read("SELECT n, m, d, CASE WHEN n = 1 THEN 7 ELSE 'siete' END AS u, n * 1.5 AS f FROM t");
  const int32_t types[] = {adSmallInt, adNumeric, adDate, adVarChar, adDouble};
  for (size_t c = 0; c < 5; ++c) EXPECT_EQ(rs->field(c).type, types[c]) << c;
  EXPECT_EQ(rs->field(3).definedSize, 5);
  EXPECT_EQ(*rs->value(size_t{0}).get_if<int16_t>(), 1);
  EXPECT_EQ(*rs->value(size_t{1}).get_if<Decimal>(), (Decimal{12345678, 4}));
  EXPECT_TRUE(rs->value(size_t{2}).get_if<Date>());
  EXPECT_EQ(*rs->value(size_t{3}).get_if<std::string>(), "7");
  rs->moveNext();
  EXPECT_EQ(*rs->value(size_t{0}).get_if<std::string>(), "x");  // kept as it is, not made a number
  EXPECT_EQ(*rs->value(size_t{1}).get_if<Decimal>(), (Decimal{7, 2}));
  EXPECT_EQ(*rs->value(size_t{2}).get_if<std::string>(), "nunca");
  rs->moveNext();
  EXPECT_EQ(*rs->value(size_t{0}).get_if<int32_t>(), 70000);  // wider than declared: its value kept
  EXPECT_TRUE(rs->value(size_t{2}).isNull());
}

// A copy that fails half way through its rows leaves no target, and the transaction around it
// keeps what it did before; files attached inside a transaction are let go when it ends.
TEST_F(Toolkit, FailedCopyLeavesTheDestinationWholeAndAttachmentsEndWithTheTransaction) {
  const std::string source = dir_.file("origen.db");
  {
    Database src = Database::open(source, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE);
    execute(src.get(), "CREATE TABLE s (x INT CHECK (x < 3), t TEXT)");
    // Rows the source's own check refuses from the third on: the copy fails half way.
    execute(src.get(), "PRAGMA ignore_check_constraints = ON");
    execute(src.get(), "INSERT INTO s VALUES (1, 'a'), (2, 'b'), (3, 'c'), (4, 'd')");
    execute(src.get(), "CREATE TABLE ok (y INT)");
    execute(src.get(), "INSERT INTO ok VALUES (9)");
  }
  run("CREATE TABLE keep (z INT); INSERT INTO keep VALUES (1);");
  run("BEGIN");
  run("INSERT INTO keep VALUES (2)");
  Error e = errorOf([&] { copyTable(db_, TableCopy{"copia", "S", source}); });
  EXPECT_EQ(e.number(), kErrIntegrity) << e.description();
  EXPECT_TRUE(column("SELECT name FROM sqlite_schema WHERE name = 'copia'").empty());
  EXPECT_EQ(column("SELECT z FROM keep"), (std::vector<std::string>{"1", "2"}));
  // Two copies from the same file in one transaction, each under an alias of its own.
  EXPECT_TRUE(copyTable(db_, TableCopy{"ok1", "ok", source}));
  EXPECT_TRUE(
      copyTable(db_, TableCopy{"ok2", "OK", source, TableCopy::Definition::ColumnsAndTypes}));
  EXPECT_FALSE(copyTable(db_, TableCopy{"nada", "no_existe", source}));
  db_.endTransaction("COMMIT");
  EXPECT_EQ(column("SELECT name FROM pragma_database_list"), std::vector<std::string>{"main"});
  EXPECT_EQ(column("SELECT y FROM ok1 UNION ALL SELECT y FROM ok2"),
            (std::vector<std::string>{"9", "9"}));
  // Outside a transaction the file is let go at once, and the same alias serves again.
  EXPECT_TRUE(copyTable(db_, TableCopy{"ok3", "ok", source}));
  EXPECT_EQ(column("SELECT name FROM pragma_database_list"), std::vector<std::string>{"main"});
  EXPECT_EQ(column("SELECT y FROM ok3"), std::vector<std::string>{"9"});
}

}  // namespace
}  // namespace korvanda::sqlite::test
