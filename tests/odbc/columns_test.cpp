// Field types of result columns, diagnostics turned into errors, dialects, batches cut into
// statements.
#include <gtest/gtest.h>

#include "odbc/columns.h"
#include "odbc/diagnostics.h"
#include "support/odbc.h"

namespace korvanda::odbc {
namespace {

struct Described {
  const char* sqlServerType;
  SQLSMALLINT sqlType;
  SQLULEN size;
  SQLSMALLINT digits;
  int32_t fieldType;
  int32_t definedSize;
};

// What SQL Server's drivers report for each column type, and the field it becomes.
TEST(ColumnTypes, SqlServerTypesBecomeTheirFieldTypes) {
  const Described cases[] = {
      {"int", SQL_INTEGER, 10, 0, 3, 4},
      {"smallint", SQL_SMALLINT, 5, 0, 2, 2},
      {"bigint", SQL_BIGINT, 19, 0, 20, 8},
      {"tinyint", SQL_TINYINT, 3, 0, 17, 1},
      {"bit", SQL_BIT, 1, 0, 11, 2},
      {"float", SQL_FLOAT, 53, 0, 5, 8},
      {"money", SQL_DECIMAL, 19, 4, 131, 19},
      {"decimal(12,2)", SQL_DECIMAL, 12, 2, 131, 19},
      {"numeric(5,0)", SQL_NUMERIC, 5, 0, 131, 19},
      {"datetime", SQL_TYPE_TIMESTAMP, 23, 3, 7, 8},
      {"varchar(40)", SQL_VARCHAR, 40, 0, 200, 40},
      {"char(2)", SQL_CHAR, 2, 0, 129, 2},
      {"nvarchar(30)", SQL_WVARCHAR, 30, 0, 200, 30},
      {"nchar(3)", SQL_WCHAR, 3, 0, 129, 3},
      {"varchar(max)", SQL_LONGVARCHAR, 2147483647, 0, 201, 2147483647},
  };
  for (const auto& c : cases) {
    ColumnPlan p = planColumn("c", c.sqlType, c.size, c.digits, SQL_NULLABLE);
    EXPECT_EQ(p.field.type, c.fieldType) << c.sqlServerType;
    EXPECT_EQ(p.field.definedSize, c.definedSize) << c.sqlServerType;
    EXPECT_TRUE(p.field.nullable()) << c.sqlServerType;
  }
  EXPECT_EQ(planColumn("d", SQL_DECIMAL, 12, 2, SQL_NULLABLE).read, ReadAs::Decimal);
  EXPECT_FALSE(planColumn("k", SQL_INTEGER, 10, 0, SQL_NO_NULLS).field.nullable());
}

TEST(ColumnTypes, DeclaredTypeNamesCorrectTextColumns) {
  // SQLite's driver reports these declared types as text.
  ColumnPlan money = planColumn("m", SQL_VARCHAR, 255, 0, SQL_NULLABLE);
  refineByTypeName(money, "MONEY");
  EXPECT_EQ(money.field.type, 131);
  EXPECT_EQ(money.field.definedSize, 19);
  EXPECT_EQ(money.read, ReadAs::Decimal);

  ColumnPlan dec = planColumn("d", SQL_VARCHAR, 12, 0, SQL_NULLABLE);
  refineByTypeName(dec, "decimal");
  EXPECT_EQ(dec.field.type, 131);
  EXPECT_EQ(dec.field.definedSize, 19);

  ColumnPlan fixed = planColumn("c", SQL_VARCHAR, 5, 0, SQL_NULLABLE);
  refineByTypeName(fixed, "CHAR");
  EXPECT_EQ(fixed.field.type, 129);
  EXPECT_EQ(fixed.field.definedSize, 5);

  // A column the driver already types is left alone.
  ColumnPlan real = planColumn("i", SQL_INTEGER, 10, 0, SQL_NULLABLE);
  refineByTypeName(real, "MONEY");
  EXPECT_EQ(real.field.type, 3);
  ColumnPlan text = planColumn("v", SQL_VARCHAR, 20, 0, SQL_NULLABLE);
  refineByTypeName(text, "NVARCHAR");
  EXPECT_EQ(text.field.type, 200);
}

TEST(Diagnostics, NativeNumberBecomesNegativeAndEveryRecordIsDescribed) {
  std::vector<Diagnostic> records = {
      {"01000", 0, "[FreeTDS][SQL Server]Changed database context to 'x'."},
      {"42S02", 208, "[FreeTDS][SQL Server]Invalid object name 'NOEXISTE'."},
      {"42000", 8180, "[FreeTDS][SQL Server]Statement(s) could not be prepared."}};
  DriverError e = toError(records, "The statement failed");
  EXPECT_EQ(e.number(), -208);
  EXPECT_EQ(e.source(), "ODBC");
  EXPECT_EQ(e.description(),
            "The statement failed: SQLSTATE 01000, native error 0: [FreeTDS][SQL Server]Changed "
            "database context to 'x'.; SQLSTATE 42S02, native error 208: [FreeTDS][SQL Server]"
            "Invalid object name 'NOEXISTE'.; SQLSTATE 42000, native error 8180: [FreeTDS][SQL "
            "Server]Statement(s) could not be prepared.");
  EXPECT_FALSE(e.linkLost());
}

TEST(Diagnostics, NumbersWithoutANativeError) {
  EXPECT_EQ(toError({{"IM002", 0, "[unixODBC][Driver Manager]Data source name not found"}}, "x")
                .number(),
            3706);
  EXPECT_EQ(toError({{"08001", 0, "[FreeTDS][SQL Server]Unable to connect to data source"}}, "x")
                .number(),
            -2147467259);
  EXPECT_EQ(toError({}, "Cannot connect").description(),
            "Cannot connect: the driver gave no diagnostic");
}

TEST(Diagnostics, LinkFailuresAreRecognised) {
  EXPECT_TRUE(toError({{"08S01", 20004, "Read from the server failed"}}, "x").linkLost());
  EXPECT_TRUE(toError({{"HY000", 0, "x"}, {"08003", 0, "Connection not open"}}, "x").linkLost());
  EXPECT_TRUE(isLinkFailure("08007"));
  EXPECT_FALSE(isLinkFailure("08001"));  // never connected: nothing to lose
  EXPECT_FALSE(isLinkFailure("42000"));
}

TEST(Dialects, RegisteredForTheStartOfADbmsName) {
  struct Numbered : StatementDialect {
    explicit Numbered(int n) : number(n) {}
    std::vector<DialectStatement> statements(std::string_view, const RunAsIs&) override { return {}; }
    int number;
  };
  auto numbered = [](int n) { return [n] { return std::make_unique<Numbered>(n); }; };
  auto numberFor = [](std::string_view dbms) {
    auto d = dialectFor(dbms);
    return d ? dynamic_cast<Numbered&>(*d).number : 0;
  };
  registerDialect("Prueba DB", numbered(1));
  EXPECT_EQ(numberFor("Prueba DB"), 1);
  EXPECT_EQ(numberFor("PRUEBA db 3.1"), 1);
  EXPECT_EQ(numberFor("Prueba"), 0);
  EXPECT_EQ(numberFor("Microsoft SQL Server"), 0);
  registerDialect("prueba db", numbered(2));  // replaces
  EXPECT_EQ(numberFor("Prueba DB"), 2);
  registerDialect("Prueba DB", {});  // removes
  EXPECT_EQ(numberFor("Prueba DB"), 0);
}

TEST(Statements, BatchIsCutWhereStatementsEnd) {
  using testing::odbc::splitSqliteStatements;
  EXPECT_EQ(splitSqliteStatements("SELECT 1; SELECT 2"),
            (std::vector<std::string>{"SELECT 1;", " SELECT 2"}));
  EXPECT_EQ(splitSqliteStatements("INSERT INTO t VALUES ('a;b'); -- c;d\nSELECT \"x;y\" FROM t;"),
            (std::vector<std::string>{"INSERT INTO t VALUES ('a;b');",
                                      " -- c;d\nSELECT \"x;y\" FROM t;"}));
  EXPECT_EQ(splitSqliteStatements("CREATE TRIGGER g AFTER INSERT ON t BEGIN SELECT 1; SELECT 2; "
                                  "END; SELECT 3"),
            (std::vector<std::string>{
                "CREATE TRIGGER g AFTER INSERT ON t BEGIN SELECT 1; SELECT 2; END;", " SELECT 3"}));
  EXPECT_TRUE(splitSqliteStatements("  ;\n ; ").empty());
  EXPECT_EQ(splitSqliteStatements("SELECT 'unterminated;"),
            (std::vector<std::string>{"SELECT 'unterminated;"}));
}

}  // namespace
}  // namespace korvanda::odbc
