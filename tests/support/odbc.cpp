#include "support/odbc.h"

#include <sqlite3.h>

#include <cstdlib>
#include <memory>
#include <variant>

#include "component/sql.h"
#include "korvanda/textform.h"
#include "sqlite/translate.h"
#include "core/recordset_store.h"
#include "support/fixture.h"

namespace korvanda::testing::odbc {
using korvanda::odbc::DialectError;
using korvanda::odbc::DialectStatement;
using korvanda::odbc::RunAsIs;

namespace {

// The SQLite statements of a batch, cut where SQLite's own lexer says a statement ends (not at
// semicolons inside literals, comments and trigger bodies); pieces of only blanks are dropped.
std::vector<std::string> splitSqliteStatements(std::string_view batch) {
  std::vector<std::string> out;
  auto blank = [](std::string_view s) { return s.find_first_not_of(" \t\r\n;") == std::string_view::npos; };
  size_t start = 0;
  for (size_t i = batch.find(';'); i != std::string_view::npos; i = batch.find(';', i + 1)) {
    std::string piece(batch.substr(start, i + 1 - start));
    if (!sqlite3_complete(piece.c_str())) continue;
    if (!blank(piece)) out.push_back(std::move(piece));
    start = i + 1;
  }
  if (start < batch.size() && !blank(batch.substr(start))) out.emplace_back(batch.substr(start));
  return out;
}

class SqliteDialect : public korvanda::odbc::StatementDialect {
 public:
  explicit SqliteDialect(bool translate) : translate_(translate) {}

  std::vector<DialectStatement> statements(std::string_view batch, const RunAsIs& run) override {
    std::vector<DialectStatement> out;
    if (!translate_) {
      for (std::string& piece : splitSqliteStatements(batch)) out.push_back({std::move(piece), {}});
      return out;
    }
    sqlite::Translation translation;
    try {
      translation = sqlite::translate(batch, schema(run));
    } catch (const sqlite::TranslationError& e) {
      throw DialectError(std::string("Cannot translate the statement: ") + e.what());
    }
    for (const sqlite::Step& step : translation.steps) {
      if (auto* sql = std::get_if<sqlite::SqlStep>(&step)) {
        for (std::string& piece : splitSqliteStatements(sql->sql)) out.push_back({std::move(piece), sql->resultTypes});
      } else if (auto* procedure = std::get_if<sqlite::ProcedureStep>(&step)) {
        out.push_back({procedureCall(*procedure), {}, false});
      } else {
        throw DialectError("Copying table " + std::get<sqlite::CopyTableStep>(step).source +
                           " into a new table runs only on the embedded engine");
      }
    }
    return out;
  }
  std::string beginTransaction() const override { return "BEGIN IMMEDIATE"; }
  bool valuesAsText() const override { return true; }

 private:
  // The procedure runs on the driver's connection, in its transaction (the extension's TSQL_EXEC).
  static std::string procedureCall(const sqlite::ProcedureStep& p) {
    std::string call = "SELECT TSQL_EXEC(" + sql::quoted(p.name);
    for (const auto& arg : p.args) call += ", " + (arg ? sql::quoted(*arg) : std::string("NULL"));
    return call + ")";
  }

  // The tables and columns for the translation, read again whenever the schema changed.
  const sqlite::SchemaSnapshot& schema(const RunAsIs& run) {
    std::shared_ptr<Recordset> version = run("PRAGMA schema_version");
    int64_t current = version && version->rowCount() ? toInt64(version->value(size_t{0})) : -2;
    if (schema_ && current == schemaVersion_) return *schema_;
    std::shared_ptr<Recordset> rs =
        run("SELECT m.name, m.type, c.name, c.type, c.hidden FROM sqlite_master AS m "
            "JOIN pragma_table_xinfo(m.name) AS c WHERE m.type IN ('table', 'view') "
            "ORDER BY m.name, c.cid");
    auto snapshot = std::make_unique<sqlite::SchemaSnapshot>();
    sqlite::TableInfo table;
    auto flush = [&] {
      if (!table.name.empty()) snapshot->add(std::move(table));
      table = {};
    };
    for (size_t row = 0; rs && row < rs->rowCount(); ++row) {
      auto value = [&](size_t col) { return rs->toVariant(rs->cell(row, col)); };
      if (std::string name = toText(value(0)); name != table.name) {
        flush();
        table.name = name;
        table.view = toText(value(1)) == "view";
      }
      table.columns.push_back({toText(value(2)), toText(value(3)), !value(4).isNull() && toInt32(value(4)) >= 2});
    }
    flush();
    schema_ = std::move(snapshot);
    schemaVersion_ = current;
    return *schema_;
  }

  bool translate_;
  std::unique_ptr<sqlite::SchemaSnapshot> schema_;
  int64_t schemaVersion_ = -1;
};

}  // namespace

std::optional<std::string> prepare() {
  static TempDir dir;
  static std::optional<std::string> failure = [] {
    korvanda::odbc::registerDialect("SQLite", sqliteDialect(true));
    Outcome setup = runShell("sh '" KORVANDA_SOURCE_DIR "/tests/odbc/setup.sh' '" + dir.path().string() + "' 2>&1");
    if (setup.status != 0) return std::optional<std::string>("tests/odbc/setup.sh failed: " + setup.out);
    ::setenv("ODBCSYSINI", dir.path().c_str(), 1);
    ::setenv("ODBCINI", (dir.path() / "odbc.ini").c_str(), 1);
    return std::optional<std::string>();
  }();
  return failure;
}

korvanda::odbc::DialectFactory sqliteDialect(bool translate) {
  return [translate] { return std::make_unique<SqliteDialect>(translate); };
}

std::string serverField() {
  const char* engine = std::getenv("KORVANDA_TEST_ENGINE");
  if (!engine || std::string(engine) != "odbc") return "sqlite";
  if (auto why = prepare()) throw std::runtime_error("KORVANDA_TEST_ENGINE=odbc, but " + *why);
#ifdef KORVANDA_TSQL_EXTENSION
  return "DRIVER=SQLite3;LoadExt=" KORVANDA_TSQL_EXTENSION;
#else
  return "DRIVER=SQLite3";
#endif
}

}  // namespace korvanda::testing::odbc
