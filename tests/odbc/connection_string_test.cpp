// The ODBC engine's pure parts as tables of golden data (tests/golden/odbc): connection strings,
// diagnostics turned into errors, column plans from reported and declared types; and the dialect
// registry.
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

TEST(Diagnostics, GoldenCases) {
  for (const auto& r : testing::goldenTable("odbc/diagnostics.tsv")) {
    ASSERT_EQ(r.size(), 4u) << r[0];
    std::vector<Diagnostic> records;
    for (size_t at = 0, end = 0; !r[0].empty() && end != std::string::npos; at = end + 3) {
      std::string record = r[0].substr(at, (end = r[0].find(" + ", at)) - at);
      size_t a = record.find('/'), b = record.find('/', a + 1);
      records.push_back({record.substr(0, a), std::stoi(record.substr(a + 1, b - a - 1)), record.substr(b + 1)});
    }
    DriverError e = toError(records, "x");
    EXPECT_EQ(e.number(), std::stoi(r[1])) << r[0];
    EXPECT_EQ(e.linkLost(), r[2] == "1") << r[0];
    EXPECT_EQ(e.description(), r[3]);
    EXPECT_EQ(e.source(), "ODBC");
  }
}

TEST(ColumnPlans, GoldenCases) {
  const std::map<std::string, SQLSMALLINT> types = {
      {"SQL_INTEGER", SQL_INTEGER}, {"SQL_NUMERIC", SQL_NUMERIC}, {"SQL_DOUBLE", SQL_DOUBLE},
      {"SQL_REAL", SQL_REAL}, {"SQL_TYPE_DATE", SQL_TYPE_DATE}, {"SQL_WCHAR", SQL_WCHAR},
      {"SQL_CHAR", SQL_CHAR}, {"SQL_LONGVARCHAR", SQL_LONGVARCHAR}, {"SQL_VARCHAR", SQL_VARCHAR},
      {"SQL_WLONGVARCHAR", SQL_WLONGVARCHAR}, {"SQL_GUID", SQL_GUID}};
  for (const auto& r : testing::goldenTable("odbc/column_plans.tsv")) {
    ASSERT_EQ(r.size(), 6u) << r[0];
    std::optional<ColumnPlan> p;
    if (r[0] == "declared") p = planDeclared("c", r[3], SQL_NULLABLE);
    else p = planColumn("c", types.at(r[1]), std::stoull(r[2]), 0, SQL_NULLABLE);
    if (r[0] == "named") refineByTypeName(*p, r[3]);
    EXPECT_EQ(p ? std::to_string(p->field.type) + "\t" + std::to_string(p->field.definedSize) : "none\t",
              r[4] + "\t" + r[5]) << r[0] << " " << r[1] << r[3];
    if (p) {
      EXPECT_EQ(p->field.attributes, adFldUpdatable | adFldIsNullable | adFldMayBeNull);
    }
  }
  EXPECT_EQ(planColumn("k", SQL_INTEGER, 10, 0, SQL_NO_NULLS).field.attributes, adFldUpdatable);
  EXPECT_EQ(planDeclared("d", "decimal(12,2)", SQL_NULLABLE)->read, ReadAs::Decimal);
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
