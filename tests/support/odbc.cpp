#include "support/odbc.h"

#include <sqlite3.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <variant>

#include "component/sql.h"
#include "korvanda/textform.h"
#include "odbc/engine.h"
#include "sqlite/engine.h"
#include "sqlite/translate.h"
#include "core/recordset_store.h"

namespace korvanda::testing::odbc {
namespace fs = std::filesystem;
using korvanda::odbc::DialectError;
using korvanda::odbc::DialectStatement;
using korvanda::odbc::RunAsIs;

namespace {

template <class... F> struct Overloaded : F... { using F::operator()...; };
template <class... F> Overloaded(F...) -> Overloaded<F...>;

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
    for (const sqlite::Step& step : translation.steps)
      std::visit(Overloaded{
                     [&](const sqlite::SqlStep& s) {
                       for (std::string& piece : splitSqliteStatements(s.sql))
                         out.push_back({std::move(piece), s.resultTypes});
                     },
                     [&](const sqlite::ProcedureStep& p) { out.push_back({procedureCall(p), {}, false}); },
                     [&](const sqlite::CopyTableStep& c) {
                       throw DialectError("Copying table " + c.source +
                                          " into a new table runs only on the embedded engine");
                     },
                 },
                 step);
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
    if (rs) {
      for (size_t row = 0; row < rs->rowCount(); ++row) {
        auto text = [&](size_t col) {
          const Cell& c = rs->cell(row, col);
          return c.kind == Cell::kText ? std::string(rs->text(c)) : toText(rs->toVariant(c));
        };
        std::string name = text(0);
        if (name != table.name) {
          flush();
          table.name = name;
          table.view = text(1) == "view";
        }
        const Cell& hidden = rs->cell(row, 4);
        bool generated = hidden.kind != Cell::kNull && toInt32(rs->toVariant(hidden)) >= 2;
        table.columns.push_back({text(2), text(3), generated});
      }
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

bool blank(std::string_view s) { return s.find_first_not_of(" \t\r\n;") == std::string_view::npos; }

struct Setup {
  std::optional<std::string> failure;
  fs::path dir;
  ~Setup() {
    std::error_code ec;
    if (!dir.empty()) fs::remove_all(dir, ec);
  }
};

Setup runSetup() {
  Setup s;
  std::string script = std::string(KORVANDA_SOURCE_DIR) + "/tests/odbc/setup.sh";
  char pattern[] = "/tmp/korvanda-odbc-XXXXXX";
  if (!mkdtemp(pattern)) {
    s.failure = "cannot make a temporary directory for the ODBC configuration";
    return s;
  }
  s.dir = pattern;
  std::string command = "sh '" + script + "' '" + s.dir.string() + "' >/dev/null 2>" +
                        (s.dir / "setup.log").string();
  int rc = std::system(command.c_str());
  if (rc != 0) {
    std::string log;
    if (FILE* f = std::fopen((s.dir / "setup.log").c_str(), "r")) {
      char buf[512];
      size_t n;
      while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) log.append(buf, n);
      std::fclose(f);
    }
    s.failure = "ODBC setup (tests/odbc/setup.sh) could not run: " + log;
    return s;
  }
  ::setenv("ODBCSYSINI", s.dir.c_str(), 1);
  ::setenv("ODBCINI", (s.dir / "odbc.ini").c_str(), 1);
  return s;
}

}  // namespace

std::optional<std::string> prepare() {
  static Setup setup = [] {
    korvanda::odbc::registerDialect("SQLite", sqliteDialect(true));
    return runSetup();
  }();
  return setup.failure;
}

korvanda::odbc::DialectFactory sqliteDialect(bool translate) {
  return [translate] { return std::make_unique<SqliteDialect>(translate); };
}

std::vector<std::string> splitSqliteStatements(std::string_view batch) {
  std::vector<std::string> out;
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

std::string tsqlExtension() {
#ifdef KORVANDA_TSQL_EXTENSION
  return KORVANDA_TSQL_EXTENSION;
#else
  return {};
#endif
}

std::string sqliteServerField() {
  std::string field = "DRIVER=SQLite3";
  if (std::string ext = tsqlExtension(); !ext.empty()) field += ";LoadExt=" + ext;
  return field;
}

Engine engineFromEnvironment() {
  const char* e = std::getenv("KORVANDA_TEST_ENGINE");
  return e && std::string(e) == "odbc" ? Engine::OdbcSqlite : Engine::Embedded;
}

std::string serverField(Engine engine) {
  return engine == Engine::Embedded ? "sqlite" : sqliteServerField();
}

ConnectionRef openDatabase(Engine engine, const std::string& file) {
  if (engine == Engine::Embedded) return sqlite::openEmbedded(file);
  return korvanda::odbc::openOdbc(sqliteServerField(), "", "", file);
}

}  // namespace korvanda::testing::odbc
