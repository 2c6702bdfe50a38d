// The ODBC engine's pure parts as tables: connection strings (golden data), diagnostics turned
// into errors, column plans from reported and declared types, the dialect registry.
#include <gtest/gtest.h>

#include "korvanda/error.h"
#include "odbc/columns.h"
#include "odbc/connection_string.h"
#include "odbc/dialect.h"
#include "odbc/diagnostics.h"
#include "odbc/tds_server_support.h"

namespace korvanda::odbc {
namespace {

TEST(ConnectionString, GoldenCases) {
  const std::map<std::string, OdbcCatalog> catalogs = {
      {"freetds", {{"SQLite3", "FreeTDS"}, {"Produccion"}, {"FreeTDS"}}},
      {"both", {{"FreeTDS", "ODBC Driver 18 for SQL Server"}, {}, {}}},
      {"dsns", {{"SQLite3", "FreeTDS"}, {"Local", "Ruta", "Servidor"},
                {"SQLite3", "/usr/lib/odbc/libsqlite3odbc.so", "FreeTDS"}}},
      {"sqlite", {{"SQLite3"}, {}, {}}},
      {"none", {}}};
  auto rows = testing::goldenTable("odbc/connection_strings.tsv");
  ASSERT_GT(rows.size(), 20u);
  for (const auto& r : rows) {
    ASSERT_EQ(r.size(), 6u) << r[0];
    std::string got;
    if (r[0] == "redacted") {
      got = redacted(r[1]);
    } else if (r[0].starts_with("keyword ")) {
      got = keywordValue(r[1], r[0].substr(8)).value_or("(none)");
    } else {
      try {
        got = buildConnectionString(r[1], r[2], r[3], r[4], catalogs.at(r[0]));
      } catch (const Error& e) {
        got = "error " + std::to_string(e.number()) + ": " + e.description();
      }
    }
    EXPECT_EQ(got, r[5]) << r[0] << " | " << r[1];
  }
}

TEST(Diagnostics, NumberAndLinkFromTheRecords) {
  const struct {
    std::vector<Diagnostic> records;
    int32_t number;
    bool linkLost;
  } cases[] = {
      {{{"01000", 0, "context"}, {"42S02", 208, "Invalid"}, {"42000", 8180, "x"}}, -208, false},
      {{{"HY000", -5, "already negative"}}, -5, false},
      {{{"IM002", 0, "[unixODBC][Driver Manager]Data source name not found"}}, 3706, false},
      {{{"IM003", 0, "x"}}, 3706, false},
      {{{"HY000", 0, "[unixODBC][Driver Manager]Can't open lib 'X' : file not found"}}, 3706, false},
      {{{"08001", 0, "[FreeTDS][SQL Server]Unable to connect"}}, -2147467259, false},
      {{{"08S01", 20004, "Read from the server failed"}}, -20004, true},
      {{{"HY000", 0, "x"}, {"08003", 0, "Connection not open"}}, -2147467259, true},
      {{{"08007", 0, "x"}}, -2147467259, true},
      {{}, -2147467259, false},
  };
  for (const auto& c : cases) {
    DriverError e = toError(c.records, "x");
    EXPECT_EQ(e.number(), c.number) << e.description();
    EXPECT_EQ(e.linkLost(), c.linkLost) << e.description();
    EXPECT_EQ(e.source(), "ODBC");
  }
  EXPECT_EQ(toError(cases[0].records, "The statement failed").description(),
            "The statement failed: SQLSTATE 01000, native error 0: context; SQLSTATE 42S02, native "
            "error 208: Invalid; SQLSTATE 42000, native error 8180: x");
  EXPECT_EQ(toError({}, "Cannot connect").description(),
            "Cannot connect: the driver gave no diagnostic");
}

// Field type and defined size from what a driver reports, a declared type, or a type name.
TEST(ColumnPlans, FieldsFromTypes) {
  const struct {
    SQLSMALLINT sqlType;
    SQLULEN size;
    int32_t type, definedSize;
  } reported[] = {{SQL_NUMERIC, 5, 131, 19},      {SQL_DOUBLE, 15, 5, 8},
                  {SQL_REAL, 7, 5, 8},            {SQL_TYPE_DATE, 10, 7, 8},
                  {SQL_WCHAR, 3, 129, 3},         {SQL_CHAR, 0, 129, 255},
                  {SQL_LONGVARCHAR, 0, 201, 2147483647},
                  {SQL_WLONGVARCHAR, 100, 201, 100}, {SQL_VARCHAR, 0, 200, 255},
                  {SQL_GUID, 36, 200, 36},        {SQL_VARCHAR, 4294967296u, 200, 255}};
  for (const auto& c : reported) {
    ColumnPlan p = planColumn("c", c.sqlType, c.size, 0, SQL_NULLABLE);
    EXPECT_EQ(p.field.type, c.type) << c.sqlType;
    EXPECT_EQ(p.field.definedSize, c.definedSize) << c.sqlType;
    EXPECT_EQ(p.field.attributes, adFldUpdatable | adFldIsNullable | adFldMayBeNull);
  }
  EXPECT_EQ(planColumn("k", SQL_INTEGER, 10, 0, SQL_NO_NULLS).field.attributes, adFldUpdatable);

  const struct {
    const char* declared;
    int32_t type, definedSize;
  } declared[] = {{"int", 3, 4},          {" Integer", 3, 4},      {"smallint", 2, 2},
                  {"BIGINT", 20, 8},      {"tinyint", 17, 1},      {"bit", 11, 2},
                  {"real", 5, 8},         {"smallmoney", 131, 19}, {"decimal(12, 2)", 131, 19},
                  {"date", 7, 8},         {"smalldatetime", 7, 8}, {"nchar(3)", 129, 3},
                  {"char", 129, 1},       {"varchar( max )", 201, 2147483647},
                  {"nvarchar(30)", 200, 30}, {"ntext", 201, 2147483647}, {"varchar", 200, 1}};
  for (const auto& c : declared) {
    auto p = planDeclared("c", c.declared, SQL_NULLABLE);
    ASSERT_TRUE(p) << c.declared;
    EXPECT_EQ(p->field.type, c.type) << c.declared;
    EXPECT_EQ(p->field.definedSize, c.definedSize) << c.declared;
  }
  EXPECT_FALSE(planDeclared("c", "geometry", SQL_NULLABLE));
  EXPECT_EQ(planDeclared("d", "decimal(12,2)", SQL_NULLABLE)->read, ReadAs::Decimal);

  // A text column named MONEY, DECIMAL or CHAR by the driver; typed columns stay as they are.
  const struct {
    SQLSMALLINT sqlType;
    const char* name;
    int32_t type, definedSize;
  } named[] = {{SQL_VARCHAR, "MONEY", 131, 19}, {SQL_VARCHAR, "smallmoney", 131, 19},
               {SQL_VARCHAR, "numeric(9)", 131, 19}, {SQL_VARCHAR, "NCHAR", 129, 5},
               {SQL_VARCHAR, "NVARCHAR", 200, 5}, {SQL_INTEGER, "MONEY", 3, 4}};
  for (const auto& c : named) {
    ColumnPlan p = planColumn("c", c.sqlType, 5, 0, SQL_NULLABLE);
    refineByTypeName(p, c.name);
    EXPECT_EQ(p.field.type, c.type) << c.name;
    EXPECT_EQ(p.field.definedSize, c.definedSize) << c.name;
  }
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
  EXPECT_EQ(numberFor("PRUEBA db 3.1"), 1);
  EXPECT_EQ(numberFor("Prueba"), 0);
  registerDialect("prueba db", numbered(2));  // replaces
  EXPECT_EQ(numberFor("Prueba DB"), 2);
  registerDialect("Prueba DB", {});  // removes
  EXPECT_EQ(numberFor("Prueba DB"), 0);
}

}  // namespace
}  // namespace korvanda::odbc
