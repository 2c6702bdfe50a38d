#include "sqlite/engine.h"

#include <sqlite3.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <cctype>
#include <filesystem>
#include <optional>
#include <unordered_map>
#include <utility>
#include <variant>

#include "korvanda/error.h"
#include "korvanda/textform.h"
#include "core/recordset_store.h"
#include "core/statement_rule.h"
#include "sqlite/functions.h"
#include "sqlite/procedures.h"
#include "sqlite/schema_sql.h"
#include "sqlite/sqlite_error.h"
#include "sqlite/translate.h"
#include "sqlite/tsqldate.h"
#include "sqlite/upgrade.h"
#include "core/ascii.h"

namespace korvanda::sqlite {

Error sqliteError(sqlite3* db, int rc, std::string_view context) {
  std::string msg = db ? sqlite3_errmsg(db) : sqlite3_errstr(rc);
  if (!context.empty()) msg = std::string(context) + ": " + msg;
  switch (rc & 0xFF) {
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
      return Error(kErrTimeout, kErrorSource,
                   "Timeout expired: " + msg + " (another connection kept the database file locked)");
    case SQLITE_CONSTRAINT:
      return Error(kErrIntegrity, kErrorSource, msg);
    case SQLITE_CANTOPEN: case SQLITE_NOTADB: case SQLITE_CORRUPT: case SQLITE_IOERR:
    case SQLITE_FULL: case SQLITE_READONLY: case SQLITE_PERM: case SQLITE_AUTH:
    case SQLITE_PROTOCOL: case SQLITE_NOLFS: case SQLITE_NOMEM:
      return Error(kErrConnection, kErrorSource, msg);
    default:
      return Error(kErrStatement, kErrorSource, msg);
  }
}

Statement prepare(sqlite3* db, std::string_view sql) {
  sqlite3_stmt* raw = nullptr;
  const char* tail = nullptr;
  int rc = sqlite3_prepare_v2(db, sql.data(), static_cast<int>(sql.size()), &raw, &tail);
  Statement stmt(raw);
  if (rc != SQLITE_OK) throwSqlite(db, rc);
  if (!stmt) throw Error(kErrStatement, kErrorSource, "The statement is empty.");
  for (const char* p = tail; p && p < sql.data() + sql.size(); ++p)
    if (!std::isspace(static_cast<unsigned char>(*p)) && *p != ';')
      throw Error(kErrStatement, kErrorSource, "More than one statement in one step: " + std::string(p));
  return stmt;
}

void execute(sqlite3* db, std::string_view sql) {
  Statement stmt = prepare(db, sql);
  int rc;
  while ((rc = sqlite3_step(stmt.get())) == SQLITE_ROW) {
  }
  if (rc != SQLITE_DONE) throwSqlite(db, rc);
}

std::string quoteName(std::string_view name) {
  std::string q = "\"";
  for (char c : name) {
    if (c == '"') q.push_back('"');
    q.push_back(c);
  }
  return q + "\"";
}

namespace {

struct DbCloser {
  void operator()(sqlite3* db) const { sqlite3_close_v2(db); }
};
using Database = std::unique_ptr<sqlite3, DbCloser>;

using ascii::upper;

// How a result column is stored in the record set.
struct FieldSpec {
  // Dynamic: each value keeps its own kind (a forward-only result's column without a type).
  enum Kind { I16, I32, I64, Byte, Bool, Double, Decimal, Date, Text, Dynamic };
  int32_t type = adVarChar;
  int32_t size = 0;
  Kind kind = Text;
};

// The field type of a declared SQL Server type; nullopt when it is not one.
std::optional<FieldSpec> specFromDecl(std::string_view decl) {
  std::string d = upper(decl);
  std::string base = d.substr(0, d.find('('));
  while (!base.empty() && base.back() == ' ') base.pop_back();
  int n = -1;
  if (auto open = d.find('('); open != std::string::npos) {
    if (d.find("MAX", open) != std::string::npos) n = 0;
    else n = std::atoi(d.c_str() + open + 1);
  }
  if (base == "SMALLINT") return FieldSpec{adSmallInt, 2, FieldSpec::I16};
  if (base == "INT" || base == "INTEGER" || base == "MEDIUMINT") return FieldSpec{adInteger, 4, FieldSpec::I32};
  if (base == "BIGINT") return FieldSpec{adBigInt, 8, FieldSpec::I64};
  if (base == "TINYINT") return FieldSpec{adUnsignedTinyInt, 1, FieldSpec::Byte};
  if (base == "BIT" || base == "BOOLEAN") return FieldSpec{adBoolean, 2, FieldSpec::Bool};
  if (base == "FLOAT" || base == "REAL" || base == "DOUBLE" || base == "DOUBLE PRECISION")
    return FieldSpec{adDouble, 8, FieldSpec::Double};
  if (base == "MONEY" || base == "SMALLMONEY" || base == "DECIMAL" || base == "NUMERIC" || base == "DEC")
    return FieldSpec{adNumeric, 19, FieldSpec::Decimal};
  if (base == "DATETIME" || base == "DATE" || base == "SMALLDATETIME" || base == "DATETIME2" ||
      base == "TIMESTAMP")
    return FieldSpec{adDate, 8, FieldSpec::Date};
  if (base == "CHAR" || base == "NCHAR")
    return FieldSpec{adChar, n > 0 ? n : 1, FieldSpec::Text};
  if (base == "VARCHAR" || base == "NVARCHAR") {
    if (n <= 0) return FieldSpec{adLongVarChar, 2147483647, FieldSpec::Text};
    return FieldSpec{adVarChar, n, FieldSpec::Text};
  }
  if (base == "TEXT" || base == "NTEXT" || base == "CLOB")
    return FieldSpec{adLongVarChar, 2147483647, FieldSpec::Text};
  return std::nullopt;
}

constexpr int32_t kResultAttributes = adFldUpdatable | adFldIsNullable | adFldMayBeNull;

// The statement without its closing ORDER BY, when nothing but the ordering follows it: the
// count is the same, and SQLite counts a plain query without reading its rows' columns.
// Literals, quoted names, comments and parentheses are skipped over.
std::string_view withoutOrdering(std::string_view sql) {
  size_t orderAt = std::string_view::npos;
  int depth = 0;
  auto word = [&](size_t i, std::string_view w) {
    if (i + w.size() > sql.size()) return false;
    for (size_t k = 0; k < w.size(); ++k)
      if (upper(sql[i + k]) != w[k]) return false;
    const size_t end = i + w.size();
    return end == sql.size() || !(std::isalnum(static_cast<unsigned char>(sql[end])) || sql[end] == '_');
  };
  for (size_t i = 0; i < sql.size(); ++i) {
    const char c = sql[i];
    if (c == '\'' || c == '"' || c == '`' || c == '[') {
      const char close = c == '[' ? ']' : c;
      i = sql.find(close, i + 1);
      if (i == std::string_view::npos) return sql;
    } else if (c == '-' && i + 1 < sql.size() && sql[i + 1] == '-') {
      i = sql.find('\n', i);
      if (i == std::string_view::npos) return sql;
    } else if (c == '/' && i + 1 < sql.size() && sql[i + 1] == '*') {
      i = sql.find("*/", i + 2);
      if (i == std::string_view::npos) return sql;
      ++i;
    } else if (c == '(') {
      ++depth;
    } else if (c == ')') {
      --depth;
    } else if (depth == 0 && (i == 0 || !(std::isalnum(static_cast<unsigned char>(sql[i - 1])) || sql[i - 1] == '_'))) {
      if (word(i, "ORDER")) orderAt = i;
      else if (word(i, "LIMIT") || word(i, "OFFSET")) return sql;  // the ordering picks the rows
    }
  }
  return orderAt == std::string_view::npos ? sql : sql.substr(0, orderAt);
}

std::string_view columnText(sqlite3_stmt* stmt, int c) {
  const auto* p = reinterpret_cast<const char*>(sqlite3_column_text(stmt, c));
  return p ? std::string_view(p, static_cast<size_t>(sqlite3_column_bytes(stmt, c))) : std::string_view();
}

std::optional<Date> dateFromText(std::string_view text) {
  auto d = tsql::parseDate(text, tsql::DateOrder::dmy);
  if (!d) return std::nullopt;
  return makeDate(DateParts{d->year, d->month, d->day, d->hour, d->minute, d->second});
}

void storeInteger(Recordset& rs, size_t row, size_t col, int64_t v, FieldSpec::Kind kind) {
  switch (kind) {
    case FieldSpec::Bool: return rs.storeInt(row, col, v != 0, Cell::kBool);
    case FieldSpec::Byte:
      if (v >= 0 && v <= 255) return rs.storeInt(row, col, v, Cell::kByte);
      break;
    case FieldSpec::I16:
      if (v >= INT16_MIN && v <= INT16_MAX) return rs.storeInt(row, col, v, Cell::kI16);
      break;
    case FieldSpec::I32:
      break;
    default:
      return rs.storeInt(row, col, v, Cell::kI64);
  }
  // A value wider than the declared type keeps its value.
  if (v >= INT32_MIN && v <= INT32_MAX) return rs.storeInt(row, col, v, Cell::kI32);
  rs.storeInt(row, col, v, Cell::kI64);
}

// One value as SQLite gives it.
struct Raw {
  int type = SQLITE_NULL;
  int64_t i = 0;
  double d = 0;
  std::string_view text;
};

// The column's value is read through one call that takes the connection's mutex; the value
// accessors after it take none (a connection is used by one thread at a time).
Raw rawValue(sqlite3_stmt* stmt, int c) {
  Raw r;
  sqlite3_value* v = sqlite3_column_value(stmt, c);
  r.type = sqlite3_value_type(v);
  if (r.type == SQLITE_INTEGER) r.i = sqlite3_value_int64(v);
  else if (r.type == SQLITE_FLOAT) r.d = sqlite3_value_double(v);
  else if (r.type != SQLITE_NULL) {
    const auto* p = reinterpret_cast<const char*>(sqlite3_value_text(v));
    if (p) r.text = std::string_view(p, static_cast<size_t>(sqlite3_value_bytes(v)));
  }
  return r;
}

// The text SQLite gives a REAL: 15 significant digits.
std::string realText(double d) {
  char buf[64];
  sqlite3_snprintf(sizeof buf, buf, "%!.15g", d);
  return buf;
}

void storeRaw(Recordset& rs, size_t row, size_t col, const FieldSpec& field, const Raw& v) {
  if (v.type == SQLITE_NULL) return rs.storeNull(row, col);
  switch (field.kind) {
    case FieldSpec::I16: case FieldSpec::I32: case FieldSpec::I64: case FieldSpec::Byte:
    case FieldSpec::Bool:
      if (v.type == SQLITE_INTEGER) return storeInteger(rs, row, col, v.i, field.kind);
      if (v.type == SQLITE_FLOAT) return rs.storeDouble(row, col, v.d);
      if (auto d = parseDecimal(v.text); d && d->scale == 0) return storeInteger(rs, row, col, d->mantissa, field.kind);
      return rs.storeText(row, col, v.text);
    case FieldSpec::Double:
      if (v.type == SQLITE_INTEGER) return rs.storeDouble(row, col, static_cast<double>(v.i));
      if (v.type == SQLITE_FLOAT) return rs.storeDouble(row, col, v.d);
      if (auto d = parseNumber(v.text)) return rs.storeDouble(row, col, *d);
      return rs.storeText(row, col, v.text);
    case FieldSpec::Decimal:
      // Exact: from the integer or the text, never through a double.
      if (v.type == SQLITE_INTEGER) return rs.storeDecimal(row, col, Decimal{v.i, 0});
      if (v.type == SQLITE_FLOAT) {
        if (auto d = parseDecimal(realText(v.d))) return rs.storeDecimal(row, col, *d);
        return rs.storeDouble(row, col, v.d);
      }
      if (auto d = parseDecimal(v.text)) return rs.storeDecimal(row, col, *d);
      return rs.storeText(row, col, v.text);
    case FieldSpec::Date:
      if (v.type == SQLITE_TEXT)
        if (auto d = dateFromText(v.text)) return rs.storeDate(row, col, *d);
      break;
    case FieldSpec::Text:
      break;
    case FieldSpec::Dynamic:
      if (v.type == SQLITE_INTEGER) return storeInteger(rs, row, col, v.i, FieldSpec::I32);
      if (v.type == SQLITE_FLOAT) return rs.storeDouble(row, col, v.d);
      break;
  }
  if (v.type == SQLITE_INTEGER) return rs.storeText(row, col, std::to_string(v.i));
  if (v.type == SQLITE_FLOAT) return rs.storeText(row, col, realText(v.d));
  rs.storeText(row, col, v.text);
}

// A computed column with no type of its own: its values decide.
struct UntypedColumn {
  bool anyInt = false, anyFloat = false, anyText = false, narrow = true;
  size_t maxLength = 0;
};

class EmbeddedConnection final : public Connection {
 public:
  EmbeddedConnection(std::string file, std::chrono::milliseconds busyTimeout)
      : file_(std::move(file)), busyTimeout_(busyTimeout) {}

  int32_t state() const override { return db_ ? 1 : 0; }

  void open() override {
    if (db_) throw errors::openObject();
    std::error_code ec;
    auto status = std::filesystem::status(file_, ec);
    if (ec || !std::filesystem::exists(status))
      throw Error(kErrConnection, kErrorSource,
                  "Cannot open database \"" + file_ + "\": the file does not exist.");
    if (!std::filesystem::is_regular_file(status))
      throw Error(kErrConnection, kErrorSource,
                  "Cannot open database \"" + file_ + "\": it is not a file.");
    sqlite3* raw = nullptr;
    int rc = sqlite3_open_v2(file_.c_str(), &raw, SQLITE_OPEN_READWRITE | SQLITE_OPEN_URI, nullptr);
    Database db(raw);
    if (rc != SQLITE_OK) throw sqliteError(db.get(), rc, "Cannot open database \"" + file_ + "\"");
    sqlite3_extended_result_codes(db.get(), 1);
    sqlite3_busy_timeout(db.get(), static_cast<int>(busyTimeout_.count()));
    sqlite3_limit(db.get(), SQLITE_LIMIT_EXPR_DEPTH, kMaxExpressionDepth);
    if ((rc = registerTsqlFunctions(db.get())) != SQLITE_OK) throwSqlite(db.get(), rc);
    try {
      // The first read of the file: a file that is not a database fails here. One without
      // tables (an empty file reads as one) is not the library's database either: refused
      // before anything, the journal mode first, writes to it.
      Statement tables = prepare(db.get(), "SELECT 1 FROM sqlite_schema WHERE type = 'table'");
      if ((rc = sqlite3_step(tables.get())) == SQLITE_DONE)
        throw Error(kErrConnection, kErrorSource, "it is not a KORVANDA database (it holds no tables).");
      if (rc != SQLITE_ROW) throwSqlite(db.get(), rc);
      tables.reset();
      sqlite::execute(db.get(), "PRAGMA journal_mode=WAL");
    } catch (const Error& e) {
      throw Error(e.number() == kErrTimeout ? kErrTimeout : kErrConnection, kErrorSource,
                  "Cannot open database \"" + file_ + "\": " + e.description());
    }
    // Tables from before the KV_CI_AS collation would compare and index text by other rules
    // than new ones: the file is converted once, by the administrator, not behind their back.
    if (auto old = outdatedTables(db.get()); !old.empty())
      throw Error(kErrConnection, kErrorSource,
                  "Cannot open database \"" + file_ + "\": it was made by an earlier version and " +
                      std::to_string(old.size()) + " of its tables (" + old.front() +
                      (old.size() > 1 ? ", ..." : "") +
                      ") still compare text by the old rules. Convert it once with: korvanda db upgrade \"" +
                      file_ + "\"");
    struct stat st {};
    if (::stat(file_.c_str(), &st) != 0)
      throw Error(kErrConnection, kErrorSource, "Cannot open database \"" + file_ + "\": it disappeared while opening.");
    fileDevice_ = st.st_dev;
    fileInode_ = st.st_ino;
    db_ = std::move(db);
    schemaVersion_ = -1;
    cache_.clear();
  }

  void close() override {
    if (!db_) throw errors::closedObject();
    if (!sqlite3_get_autocommit(db_.get()))
      throw Error(3246, "ADODB.Connection", "Connection object cannot be explicitly closed while in a transaction.");
    db_.reset();
  }

  std::shared_ptr<Recordset> openSchemaTables() override {
    requireOpen();
    auto rs = Recordset::create();
    rs->appendField("TABLE_CATALOG", adVarChar, 128, kResultAttributes);
    rs->appendField("TABLE_SCHEMA", adVarChar, 128, kResultAttributes);
    rs->appendField("TABLE_NAME", adVarChar, 128, kResultAttributes);
    rs->appendField("TABLE_TYPE", adVarChar, 128, kResultAttributes);
    rs->appendField("DESCRIPTION", adVarChar, 255, kResultAttributes);
    auto add = [&](std::string_view name, std::string_view type) {
      size_t row = rs->appendRow();
      rs->storeNull(row, 0);
      rs->storeNull(row, 1);
      rs->storeText(row, 2, name);
      rs->storeText(row, 3, type);
      rs->storeNull(row, 4);
    };
    Statement stmt = prepare(db_.get(),
        "SELECT name, type FROM sqlite_schema WHERE type IN ('table', 'view') "
        "UNION ALL SELECT 'sqlite_schema', 'table' ORDER BY 1");
    int rc;
    while ((rc = sqlite3_step(stmt.get())) == SQLITE_ROW) {
      std::string_view name = columnText(stmt.get(), 0);
      std::string_view type = columnText(stmt.get(), 1);
      bool system = name.size() >= 7 && upper(name.substr(0, 7)) == "SQLITE_";
      add(name, system ? "SYSTEM TABLE" : type == "view" ? "VIEW" : "TABLE");
    }
    if (rc != SQLITE_DONE) throwSqlite(db_.get(), rc);
    rs->openMaterialised();
    return rs;
  }

  void beginTrans() override {
    requireOpen();
    if (!sqlite3_get_autocommit(db_.get()))
      throw Error(kErrNestedTransaction, kErrorSource, "Only one transaction can be active on this session.");
    // IMMEDIATE takes the write lock now, so that the transaction never fails half way on it.
    sqlite::execute(db_.get(), "BEGIN IMMEDIATE");
  }
  void commitTrans() override { endTransaction("COMMIT"); }
  void rollbackTrans() override { endTransaction("ROLLBACK"); }

 protected:
  std::shared_ptr<Recordset> run(std::string_view sql) override { return runSteps(sql, false); }
  std::shared_ptr<Recordset> runForwardOnly(std::string_view sql) override {
    return runSteps(sql, true);
  }

 private:
  // The batch's steps in order; with forwardLast, the rows of the last step are left in its open
  // statement for a forward-only record set.
  std::shared_ptr<Recordset> runSteps(std::string_view sql, bool forwardLast) {
    requireOpen();
    requireSameFile();
    std::shared_ptr<const Translation> tr = translation(sql);
    requireStatementCount(tr->steps.size(), kErrStatement, kErrorSource);
    std::shared_ptr<Recordset> last;
    for (const Step& step : tr->steps) {
      if (auto* s = std::get_if<SqlStep>(&step)) {
        const bool open = forwardLast && &step == &tr->steps.back();
        if (auto rs = open ? openRows(*s) : runSql(*s)) last = std::move(rs);
      } else if (auto* p = std::get_if<ProcedureStep>(&step)) {
        runProcedure(db_.get(), p->name, p->args);
      } else {
        copyTable(std::get<CopyTableStep>(step));
      }
    }
    return last;
  }

  void requireOpen() const {
    if (!db_) throw errors::closedObject();
  }

  // A file deleted or replaced under an open connection would take the statements into the old,
  // unlinked file, and what they store would be lost: the connection closes instead, so that
  // the next getOpenConnection opens whatever is at the path now.
  void requireSameFile() {
    struct stat st {};
    if (::stat(file_.c_str(), &st) == 0 && st.st_dev == fileDevice_ && st.st_ino == fileInode_) return;
    db_.reset();
    throw Error(kErrConnection, kErrorSource,
                "The database file \"" + file_ +
                    "\" was removed or replaced while the connection was open; the connection is closed.");
  }

  void endTransaction(const char* verb) {
    requireOpen();
    if (sqlite3_get_autocommit(db_.get()))
      throw Error(kErrNoTransaction, kErrorSource, "No transaction is active.");
    sqlite::execute(db_.get(), verb);
  }

  // The translation of a text, cached while the schema stays the same.
  std::shared_ptr<const Translation> translation(std::string_view sql) {
    refreshSchema();
    std::string key(sql);
    if (auto it = cache_.find(key); it != cache_.end()) return it->second;
    std::shared_ptr<const Translation> tr;
    try {
      tr = std::make_shared<const Translation>(translate(sql, schema_));
    } catch (const TranslationError& e) {
      throw Error(kErrStatement, kErrorSource,
                  std::string("The statement cannot run on the embedded database: ") + e.what());
    }
    if (cache_.size() >= kCacheEntries) cache_.clear();
    cache_.emplace(std::move(key), tr);
    return tr;
  }

  void refreshSchema() {
    Statement v = prepare(db_.get(), "PRAGMA schema_version");
    int rc = sqlite3_step(v.get());
    if (rc != SQLITE_ROW) throwSqlite(db_.get(), rc);
    int version = sqlite3_column_int(v.get(), 0);
    if (version == schemaVersion_) return;
    schema_ = readSchema(db_.get());
    schemaVersion_ = version;
    cache_.clear();
  }

  // The type of each result column from its declaration or the translation; nullopt for a
  // column with neither.
  static std::vector<std::optional<FieldSpec>> columnSpecs(sqlite3_stmt* s, const SqlStep& step) {
    const int columns = sqlite3_column_count(s);
    std::vector<std::optional<FieldSpec>> specs(static_cast<size_t>(columns));
    for (int c = 0; c < columns; ++c) {
      const char* decl = sqlite3_column_decltype(s, c);
      if (decl) specs[c] = specFromDecl(decl);
      if (!specs[c] && static_cast<size_t>(c) < step.resultTypes.size() && !step.resultTypes[c].empty())
        specs[c] = specFromDecl(step.resultTypes[c]);
    }
    return specs;
  }

  // Runs a statement that gives no columns to its end.
  void runToEnd(sqlite3_stmt* s) {
    int rc;
    while ((rc = sqlite3_step(s)) == SQLITE_ROW) {
    }
    if (rc != SQLITE_DONE) throwSqlite(db_.get(), rc);
  }

  // The prepared statement of a step that gives rows; a statement without columns is run to its
  // end here and gives none.
  std::optional<Statement> prepareRows(const SqlStep& step) {
    Statement stmt = prepare(db_.get(), step.sql);
    if (sqlite3_column_count(stmt.get()) != 0) return stmt;
    runToEnd(stmt.get());
    return std::nullopt;
  }

  static bool allTyped(const std::vector<std::optional<FieldSpec>>& specs) {
    return std::all_of(specs.begin(), specs.end(), [](const auto& f) { return f.has_value(); });
  }

  std::shared_ptr<Recordset> runSql(const SqlStep& step) {
    std::optional<Statement> stmt = prepareRows(step);
    if (!stmt) return nullptr;
    sqlite3_stmt* s = stmt->get();
    auto specs = columnSpecs(s, step);
    return allTyped(specs) ? materialise(s, specs) : materialiseUntyped(s, specs);
  }

  // Rows read from the open statement as the record set moves. The source keeps the connection
  // alive; once the connection is closed, reading on is refused.
  class StatementRows final : public RowSource {
   public:
    StatementRows(std::shared_ptr<EmbeddedConnection> owner, Statement stmt,
                  std::vector<FieldSpec> specs, std::string sql, bool firstStepped)
        : owner_(std::move(owner)), db_(owner_->db_.get()), stmt_(std::move(stmt)),
          specs_(std::move(specs)), sql_(std::move(sql)), firstStepped_(firstStepped) {}

    bool fetch(Recordset& rs, size_t row) override {
      if (!stmt_) return false;
      if (owner_->db_.get() != db_) throw errors::closedObject();
      sqlite3_stmt* s = stmt_.get();
      int rc = std::exchange(firstStepped_, false) ? SQLITE_ROW : sqlite3_step(s);
      if (rc == SQLITE_DONE) {
        stmt_.reset();  // ends the read at once
        return false;
      }
      if (rc != SQLITE_ROW) throwSqlite(db_, rc);
      const size_t columns = specs_.size();
      for (size_t c = 0; c < columns; ++c) storeRaw(rs, row, c, specs_[c], rawValue(s, static_cast<int>(c)));
      return true;
    }

    // SELECT COUNT(*) over the statement, run once when first asked; none when the statement
    // cannot be counted so (it is no plain query) or the connection has closed.
    std::optional<SizeHint> sizeHint() override {
      if (!counted_) {
        counted_ = true;
        if (owner_->db_.get() != db_) return std::nullopt;
        std::string_view inner = withoutOrdering(sql_);
        while (!inner.empty() && (std::isspace(static_cast<unsigned char>(inner.back())) || inner.back() == ';'))
          inner.remove_suffix(1);
        sqlite3_stmt* raw = nullptr;
        const std::string count = "SELECT COUNT(*) FROM (" + std::string(inner) + "\n)";
        if (sqlite3_prepare_v2(db_, count.c_str(), static_cast<int>(count.size()), &raw, nullptr) == SQLITE_OK && raw) {
          Statement st(raw);
          if (sqlite3_step(raw) == SQLITE_ROW) count_ = SizeHint{SizeHint::kRecords, sqlite3_column_int64(raw, 0)};
        } else {
          sqlite3_finalize(raw);
        }
      }
      return count_;
    }

   private:
    std::shared_ptr<EmbeddedConnection> owner_;
    sqlite3* db_;
    Statement stmt_;
    std::vector<FieldSpec> specs_;
    std::string sql_;
    bool firstStepped_;
    bool counted_ = false;
    std::optional<SizeHint> count_;
  };

  // The last step of a forward-only query: fields from the column types (a column without one
  // takes the kind of its first value, and each value keeps its own), rows left in the statement.
  std::shared_ptr<Recordset> openRows(const SqlStep& step) {
    std::optional<Statement> stmt = prepareRows(step);
    if (!stmt) return nullptr;
    sqlite3_stmt* s = stmt->get();
    auto declared = columnSpecs(s, step);
    bool stepped = false;
    if (!allTyped(declared)) {
      int rc = sqlite3_step(s);
      if (rc != SQLITE_ROW && rc != SQLITE_DONE) throwSqlite(db_.get(), rc);
      stepped = rc == SQLITE_ROW;
    }
    std::vector<FieldSpec> specs;
    auto rs = Recordset::create();
    for (size_t c = 0; c < declared.size(); ++c) {
      FieldSpec f = declared[c].value_or(FieldSpec{adVarChar, 255, FieldSpec::Dynamic});
      if (!declared[c] && stepped) {
        int type = sqlite3_column_type(s, static_cast<int>(c));
        if (type == SQLITE_INTEGER) f = FieldSpec{adInteger, 4, FieldSpec::Dynamic};
        else if (type == SQLITE_FLOAT) f = FieldSpec{adDouble, 8, FieldSpec::Dynamic};
      }
      rs->appendResultField(columnName(s, static_cast<int>(c)), f.type, f.size, kResultAttributes);
      specs.push_back(f);
    }
    auto self = std::static_pointer_cast<EmbeddedConnection>(shared_from_this());
    rs->openForwardOnly(std::make_unique<StatementRows>(std::move(self), std::move(*stmt), std::move(specs),
                                                        step.sql, stepped));
    return rs;
  }

  static std::string columnName(sqlite3_stmt* s, int c) {
    const char* name = sqlite3_column_name(s, c);
    return name ? name : "";
  }

  std::shared_ptr<Recordset> materialise(sqlite3_stmt* s, const std::vector<std::optional<FieldSpec>>& specs) {
    auto rs = Recordset::create();
    int columns = static_cast<int>(specs.size());
    for (int c = 0; c < columns; ++c)
      rs->appendResultField(columnName(s, c), specs[c]->type, specs[c]->size, kResultAttributes);
    int rc;
    while ((rc = sqlite3_step(s)) == SQLITE_ROW) {
      size_t row = rs->appendRow();
      for (int c = 0; c < columns; ++c) storeRaw(*rs, row, static_cast<size_t>(c), *specs[c], rawValue(s, c));
    }
    if (rc != SQLITE_DONE) throwSqlite(db_.get(), rc);
    rs->openMaterialised();
    return rs;
  }

  // Some column has no type: keep the rows, let the values decide, then build the record set.
  std::shared_ptr<Recordset> materialiseUntyped(sqlite3_stmt* s, std::vector<std::optional<FieldSpec>> specs) {
    using Value = std::variant<std::monostate, int64_t, double, std::string>;
    size_t columns = specs.size();
    std::vector<Value> values;  // row after row
    std::vector<UntypedColumn> seen(columns);
    size_t rows = 0;
    int rc;
    while ((rc = sqlite3_step(s)) == SQLITE_ROW) {
      for (size_t c = 0; c < columns; ++c) {
        Raw r = rawValue(s, static_cast<int>(c));
        UntypedColumn& u = seen[c];
        switch (r.type) {
          case SQLITE_INTEGER:
            u.anyInt = true;
            u.narrow &= r.i >= INT32_MIN && r.i <= INT32_MAX;
            values.emplace_back(r.i);
            break;
          case SQLITE_FLOAT:
            u.anyFloat = true;
            values.emplace_back(r.d);
            break;
          case SQLITE_NULL:
            values.emplace_back(std::monostate{});
            break;
          default:
            u.anyText = true;
            u.maxLength = std::max(u.maxLength, utf8Length(r.text));
            values.emplace_back(std::string(r.text));
        }
      }
      ++rows;
    }
    if (rc != SQLITE_DONE) throwSqlite(db_.get(), rc);
    for (size_t c = 0; c < columns; ++c) {
      if (specs[c]) continue;
      const UntypedColumn& u = seen[c];
      if (u.anyText) specs[c] = FieldSpec{adVarChar, static_cast<int32_t>(std::max<size_t>(u.maxLength, 1)), FieldSpec::Text};
      else if (u.anyFloat) specs[c] = FieldSpec{adDouble, 8, FieldSpec::Double};
      else if (u.anyInt) specs[c] = u.narrow ? FieldSpec{adInteger, 4, FieldSpec::I32} : FieldSpec{adBigInt, 8, FieldSpec::I64};
      else specs[c] = FieldSpec{adVarChar, 255, FieldSpec::Text};
    }
    auto rs = Recordset::create();
    for (size_t c = 0; c < columns; ++c)
      rs->appendResultField(columnName(s, static_cast<int>(c)), specs[c]->type, specs[c]->size, kResultAttributes);
    for (size_t r = 0; r < rows; ++r) {
      size_t row = rs->appendRow();
      for (size_t c = 0; c < columns; ++c) {
        const Value& v = values[r * columns + c];
        Raw raw;
        if (auto* i = std::get_if<int64_t>(&v)) raw.type = SQLITE_INTEGER, raw.i = *i;
        else if (auto* d = std::get_if<double>(&v)) raw.type = SQLITE_FLOAT, raw.d = *d;
        else if (auto* t = std::get_if<std::string>(&v)) raw.type = SQLITE_TEXT, raw.text = *t;
        storeRaw(*rs, row, c, *specs[c], raw);
      }
    }
    rs->openMaterialised();
    return rs;
  }

  void copyTable(const CopyTableStep& step);

  static constexpr size_t kCacheEntries = 512;

  std::string file_;
  std::chrono::milliseconds busyTimeout_;
  dev_t fileDevice_ = 0;
  ino_t fileInode_ = 0;
  Database db_;
  SchemaSnapshot schema_;
  int schemaVersion_ = -1;
  std::unordered_map<std::string, std::shared_ptr<const Translation>> cache_;
};


// SELECT t.* INTO target FROM source [IN 'file']: the source's definition and rows.
void EmbeddedConnection::copyTable(const CopyTableStep& step) {
  sqlite3* db = db_.get();
  std::string schema = "main";
  struct Detach {
    sqlite3* db = nullptr;
    ~Detach() {
      if (db) sqlite3_exec(db, "DETACH DATABASE korvanda_source", nullptr, nullptr, nullptr);
    }
  } detach;
  if (!step.file.empty()) {
    std::error_code ec;
    if (!std::filesystem::is_regular_file(step.file, ec))
      throw Error(kErrConnection, kErrorSource, "Could not find file '" + step.file + "'.");
    // Read only, and never created.
    std::string uri = "file:";
    for (unsigned char c : step.file) {
      if (c == '%' || c == '?' || c == '#' || c < 0x21) {
        char buf[4];
        std::snprintf(buf, sizeof buf, "%%%02X", c);
        uri += buf;
      } else {
        uri.push_back(static_cast<char>(c));
      }
    }
    uri += "?mode=ro";
    Statement attach = prepare(db, "ATTACH DATABASE ?1 AS korvanda_source");
    sqlite3_bind_text(attach.get(), 1, uri.c_str(), -1, SQLITE_TRANSIENT);
    int rc = sqlite3_step(attach.get());
    if (rc != SQLITE_DONE) throwSqlite(db, rc, "Cannot open '" + step.file + "'");
    detach.db = db;
    schema = "korvanda_source";
  }
  Statement find = prepare(db, "SELECT name, sql FROM \"" + schema +
                                   "\".sqlite_schema WHERE type = 'table' AND name = ?1 COLLATE NOCASE");
  sqlite3_bind_text(find.get(), 1, step.source.c_str(), -1, SQLITE_TRANSIENT);
  int rc = sqlite3_step(find.get());
  if (rc == SQLITE_DONE) throw Error(kErrStatement, kErrorSource, "Invalid object name '" + step.source + "'.");
  if (rc != SQLITE_ROW) throwSqlite(db, rc);
  std::string sourceName(columnText(find.get(), 0));
  std::string create;
  try {
    create = renameCreateTable(columnText(find.get(), 1), step.target);
  } catch (const TranslationError& e) {
    throw Error(kErrStatement, kErrorSource, std::string("Cannot copy ") + sourceName + ": " + e.what());
  }
  find.reset();
  std::string columns;
  {
    Statement cols = prepare(db, "SELECT name FROM pragma_table_xinfo(?1, ?2) WHERE hidden = 0");
    sqlite3_bind_text(cols.get(), 1, sourceName.c_str(), -1, SQLITE_TRANSIENT);
    sqlite3_bind_text(cols.get(), 2, schema.c_str(), -1, SQLITE_TRANSIENT);
    while ((rc = sqlite3_step(cols.get())) == SQLITE_ROW) {
      if (!columns.empty()) columns += ", ";
      columns += quoteName(columnText(cols.get(), 0));
    }
    if (rc != SQLITE_DONE) throwSqlite(db, rc);
  }
  sqlite::execute(db, "SAVEPOINT korvanda_copy");
  try {
    sqlite::execute(db, create);  // unqualified: created in main
    sqlite::execute(db, "INSERT INTO main." + quoteName(step.target) + " (" + columns + ") SELECT " + columns +
                    " FROM " + quoteName(schema) + "." + quoteName(sourceName));
    sqlite::execute(db, "RELEASE korvanda_copy");
  } catch (...) {
    sqlite3_exec(db, "ROLLBACK TO korvanda_copy; RELEASE korvanda_copy", nullptr, nullptr, nullptr);
    throw;
  }
}

}  // namespace

SchemaSnapshot readSchema(sqlite3* db) {
  SchemaSnapshot snapshot;
  int rc;
  Statement tables = prepare(db,
      "SELECT name, type FROM sqlite_schema WHERE type IN ('table', 'view') AND name NOT LIKE 'sqlite\\_%' ESCAPE '\\'");
  Statement columns = prepare(db, "SELECT name, type, hidden FROM pragma_table_xinfo(?1)");
  while ((rc = sqlite3_step(tables.get())) == SQLITE_ROW) {
    TableInfo t;
    t.name = std::string(columnText(tables.get(), 0));
    t.view = columnText(tables.get(), 1) == "view";
    sqlite3_reset(columns.get());
    sqlite3_bind_text(columns.get(), 1, t.name.c_str(), -1, SQLITE_TRANSIENT);
    int crc;
    while ((crc = sqlite3_step(columns.get())) == SQLITE_ROW) {
      int hidden = sqlite3_column_int(columns.get(), 2);
      if (hidden == 1) continue;  // hidden columns of virtual tables
      t.columns.push_back(ColumnInfo{std::string(columnText(columns.get(), 0)),
                                     std::string(columnText(columns.get(), 1)), hidden >= 2});
    }
    if (crc != SQLITE_DONE) throwSqlite(db, crc);
    snapshot.add(std::move(t));
  }
  if (rc != SQLITE_DONE) throwSqlite(db, rc);
  return snapshot;
}

ConnectionRef openEmbedded(const std::string& file, std::chrono::milliseconds busyTimeout) {
  auto c = std::make_shared<EmbeddedConnection>(file, busyTimeout);
  c->open();
  return c;
}

ConnectionRef openEmbedded(const std::string& file) { return openEmbedded(file, kDefaultBusyTimeout); }

void createDatabase(const std::string& file, bool withDemoData) {
  std::error_code ec;
  if (std::filesystem::exists(file, ec))
    throw Error(58, kErrorSource, "Cannot create database \"" + file + "\": the file already exists.");
  sqlite3* raw = nullptr;
  int rc = sqlite3_open_v2(file.c_str(), &raw, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_EXCLUSIVE, nullptr);
  Database db(raw);
  auto fail = [&](const std::string& what) {
    Error e = sqliteError(db.get(), rc, what);
    db.reset();
    std::filesystem::remove(file, ec);
    std::filesystem::remove(file + "-wal", ec);
    std::filesystem::remove(file + "-shm", ec);
    std::filesystem::remove(file + "-journal", ec);
    throw e;
  };
  if (rc != SQLITE_OK) fail("Cannot create database \"" + file + "\"");
  rc = registerTsqlFunctions(db.get());
  if (rc == SQLITE_OK) rc = sqlite3_exec(db.get(), "PRAGMA journal_mode=WAL", nullptr, nullptr, nullptr);
  if (rc == SQLITE_OK) rc = sqlite3_exec(db.get(), "BEGIN", nullptr, nullptr, nullptr);
  if (rc == SQLITE_OK) rc = sqlite3_exec(db.get(), embedded::kTablesSql, nullptr, nullptr, nullptr);
  if (rc != SQLITE_OK) fail("Creating the tables of \"" + file + "\"");
  if (withDemoData) {
    rc = sqlite3_exec(db.get(), embedded::kDemoSql, nullptr, nullptr, nullptr);
    if (rc != SQLITE_OK) fail("Loading the demo data into \"" + file + "\"");
  }
  rc = sqlite3_exec(db.get(), "COMMIT", nullptr, nullptr, nullptr);
  if (rc != SQLITE_OK) fail("Creating \"" + file + "\"");
}

}  // namespace korvanda::sqlite
