// The T-SQL translation on arbitrary statement texts.
//
// First byte 0x01: the rest is a text value. Written into an INSERT and a SELECT through
// sql::quoted, it must stay one string literal: the INSERT stores exactly that text and the
// SELECT finds exactly that row.
// Anything else: the whole input is a statement batch. It translates or is refused with
// TranslationError; what translates runs on an in-memory database with the schema, the demo
// data and the T-SQL functions, inside a savepoint that is rolled back.
#include <sqlite3.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "component/sql.h"
#include "korvanda/error.h"
#include "korvanda/textform.h"
#include "sqlite/functions.h"
#include "sqlite/procedures.h"
#include "sqlite/schema_sql.h"
#include "sqlite/translate.h"

#include "fuzz_support.h"

namespace {

using namespace korvanda;
using namespace korvanda::sqlite;

using korvanda::fuzz::fail;

// Fuzzed SQL may not leave the in-memory database or end our savepoint.
int authorize(void*, int action, const char*, const char*, const char*, const char*) {
  switch (action) {
    case SQLITE_ATTACH:
    case SQLITE_DETACH:
    case SQLITE_PRAGMA:
    case SQLITE_TRANSACTION:
    case SQLITE_SAVEPOINT:
      return SQLITE_DENY;
    default:
      return SQLITE_OK;
  }
}

// Stops runaway statements (recursive CTEs, cross joins of the demo data).
int progress(void* budget) { return --*static_cast<long*>(budget) < 0; }

struct Database {
  sqlite3* db = nullptr;
  SchemaSnapshot schema;
  long budget = 0;

  Database() {
    if (sqlite3_open_v2(":memory:", &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr) != SQLITE_OK)
      fail("cannot open an in-memory database");
    // The functions first: the schema's text columns use their collation.
    if (registerTsqlFunctions(db) != SQLITE_OK ||
        sqlite3_exec(db, embedded::kTablesSql, nullptr, nullptr, nullptr) != SQLITE_OK ||
        sqlite3_exec(db, embedded::kDemoSql, nullptr, nullptr, nullptr) != SQLITE_OK)
      fail(std::string("cannot load the schema: ") + sqlite3_errmsg(db));
    loadSchema();
    sqlite3_limit(db, SQLITE_LIMIT_LENGTH, 1 << 20);
    sqlite3_set_authorizer(db, authorize, nullptr);
    sqlite3_progress_handler(db, 64, progress, &budget);
  }

  void loadSchema() {
    sqlite3_stmt* tables = nullptr;
    sqlite3_prepare_v2(db, "SELECT name, type FROM sqlite_schema WHERE type IN ('table','view')", -1,
                       &tables, nullptr);
    while (sqlite3_step(tables) == SQLITE_ROW) {
      TableInfo t;
      t.name = reinterpret_cast<const char*>(sqlite3_column_text(tables, 0));
      t.view = std::string_view(reinterpret_cast<const char*>(sqlite3_column_text(tables, 1))) == "view";
      sqlite3_stmt* cols = nullptr;
      sqlite3_prepare_v2(db, "SELECT name, type, hidden FROM pragma_table_xinfo(?1)", -1, &cols, nullptr);
      sqlite3_bind_text(cols, 1, t.name.c_str(), -1, SQLITE_TRANSIENT);
      while (sqlite3_step(cols) == SQLITE_ROW) {
        const char* type = reinterpret_cast<const char*>(sqlite3_column_text(cols, 1));
        t.columns.push_back(ColumnInfo{reinterpret_cast<const char*>(sqlite3_column_text(cols, 0)),
                                       type ? type : "", sqlite3_column_int(cols, 2) >= 2});
      }
      sqlite3_finalize(cols);
      schema.add(std::move(t));
    }
    sqlite3_finalize(tables);
  }

  void begin() {
    sqlite3_set_authorizer(db, nullptr, nullptr);
    if (sqlite3_exec(db, "SAVEPOINT fuzz", nullptr, nullptr, nullptr) != SQLITE_OK)
      fail(std::string("SAVEPOINT: ") + sqlite3_errmsg(db));
    sqlite3_set_authorizer(db, authorize, nullptr);
  }
  void rollback() {
    sqlite3_set_authorizer(db, nullptr, nullptr);
    if (sqlite3_exec(db, "ROLLBACK TO fuzz; RELEASE fuzz", nullptr, nullptr, nullptr) != SQLITE_OK)
      fail(std::string("ROLLBACK: ") + sqlite3_errmsg(db));
    sqlite3_set_authorizer(db, authorize, nullptr);
  }

  // Runs one translated statement; false when SQLite refuses it (that is allowed).
  bool run(const std::string& sql, std::string* firstColumn = nullptr, int* rows = nullptr) {
    budget = 20000;
    sqlite3_stmt* stmt = nullptr;
    if (sqlite3_prepare_v2(db, sql.c_str(), static_cast<int>(sql.size()), &stmt, nullptr) != SQLITE_OK) {
      sqlite3_finalize(stmt);
      return false;
    }
    int rc, n = 0;
    while ((rc = sqlite3_step(stmt)) == SQLITE_ROW) {
      if (firstColumn && n == 0 && sqlite3_column_type(stmt, 0) != SQLITE_NULL)
        *firstColumn = std::string(reinterpret_cast<const char*>(sqlite3_column_text(stmt, 0)),
                                   static_cast<size_t>(sqlite3_column_bytes(stmt, 0)));
      ++n;
    }
    sqlite3_finalize(stmt);
    if (rows) *rows = n;
    return rc == SQLITE_DONE;
  }
};

Database& database() {
  static Database d;
  return d;
}

bool containsNoCase(std::string_view s, std::string_view word) {
  for (size_t i = 0; i + word.size() <= s.size(); ++i) {
    size_t k = 0;
    while (k < word.size() && std::tolower(static_cast<unsigned char>(s[i + k])) == word[k]) ++k;
    if (k == word.size()) return true;
  }
  return false;
}

void runBatch(std::string_view text) {
  Database& d = database();
  Translation tr;
  try {
    tr = translate(text, d.schema);
  } catch (const TranslationError&) {
    return;
  }
  d.begin();
  for (const Step& step : tr.steps) {
    if (const auto* s = std::get_if<SqlStep>(&step)) {
      // VACUUM INTO writes a file wherever the text says.
      if (containsNoCase(s->sql, "vacuum")) continue;
      d.run(s->sql);
    } else if (const auto* p = std::get_if<ProcedureStep>(&step)) {
      d.budget = 20000;
      try {
        runProcedure(d.db, p->name, p->args);
      } catch (const Error&) {
      }
    }
    // Table copies read other files: not run here.
  }
  d.rollback();
}

// A text between quotes is data, whatever it holds.
void checkQuotedText(std::string_view value) {
  if (!isValidUtf8(value) || value.find('\0') != std::string_view::npos) return;
  Database& d = database();
  const std::string q = sql::quoted(value);
  const std::string insert =
      "SET DATEFORMAT DMY INSERT INTO SUBMAGRICOLA (poliza, endoso, cveTipoEndoso, Inciso, ciclo,"
      " cveCultivo, PkCedente, observaciones) values(" + q + ", '0', 1, 1, 'PV2099', 1, 1, " + q + ")";
  const std::string select = "select observaciones from submagricola where poliza =" + q +
                             " and endoso ='0' and Ciclo = 'PV2099'";
  Translation ti, ts;
  try {
    ti = translate(insert, d.schema);
    ts = translate(select, d.schema);
  } catch (const TranslationError& e) {
    fail(std::string("a quoted text broke the translation: ") + e.what() + "\n" + insert);
  }
  if (ti.steps.size() != 1 || ts.steps.size() != 1 || !std::holds_alternative<SqlStep>(ti.steps[0]) ||
      !std::holds_alternative<SqlStep>(ts.steps[0]))
    fail("a quoted text changed the number of statements:\n" + insert);
  d.begin();
  if (!d.run(std::get<SqlStep>(ti.steps[0]).sql))
    fail(std::string("the INSERT of a quoted text was refused: ") + sqlite3_errmsg(d.db) + "\n" +
         std::get<SqlStep>(ti.steps[0]).sql);
  std::string found;
  int rows = 0;
  if (!d.run(std::get<SqlStep>(ts.steps[0]).sql, &found, &rows) || rows != 1 || found != value)
    fail("the quoted text did not come back as it was stored:\n" + std::get<SqlStep>(ts.steps[0]).sql);
  d.rollback();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view input(reinterpret_cast<const char*>(data), size);
  if (!input.empty() && input.front() == '\x01') checkQuotedText(input.substr(1));
  else runBatch(input);
  return 0;
}
