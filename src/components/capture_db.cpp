#include "components/capture_db.h"

#include <sqlite3.h>
#include <sys/stat.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <optional>
#include <vector>

#include "korvanda/error.h"
#include "korvanda/textform.h"
#include "core/binder.h"
#include "core/recordset_store.h"
#include "core/ascii.h"

namespace korvanda::components {
namespace {

constexpr const char* kSourceAlias = "korvanda_copy_source";

struct DbCloser {
  void operator()(sqlite3* db) const { sqlite3_close_v2(db); }
};
struct StmtFinalizer {
  void operator()(sqlite3_stmt* s) const { sqlite3_finalize(s); }
};
using DbHandle = std::unique_ptr<sqlite3, DbCloser>;
using StmtHandle = std::unique_ptr<sqlite3_stmt, StmtFinalizer>;

using ascii::upper;
using ascii::startsWithIgnoreCase;

// The engine's last error as the provider reports it.
Error engineError(sqlite3* db, const std::string& context = {}) {
  std::string message = db ? sqlite3_errmsg(db) : "out of memory";
  int32_t number = startsWithIgnoreCase(message, "no such table") ? kCaptureNoSuchTable
                                                                  : kCaptureStatementError;
  return Error(number, kCaptureProgId, context.empty() ? message : context + ": " + message);
}

void requireFile(const std::string& file) {
  struct stat st {};
  if (file.empty())
    throw Error(kCaptureCannotOpen, kCaptureProgId, "Cannot open the capture database: no file named");
  if (::stat(file.c_str(), &st) != 0)
    throw Error(kCaptureCannotOpen, kCaptureProgId,
                "Cannot open the capture database " + file + ": " + std::strerror(errno), errno);
  if (!S_ISREG(st.st_mode))
    throw Error(kCaptureCannotOpen, kCaptureProgId,
                "Cannot open the capture database " + file + ": not an ordinary file");
}

// A path SQLite never reads as a URI.
std::string plainPath(const std::string& file) {
  return startsWithIgnoreCase(file, "file:") ? "./" + file : file;
}

std::string quoteName(std::string_view name) {
  std::string out = "\"";
  for (char c : name) {
    out.push_back(c);
    if (c == '"') out.push_back('"');
  }
  return out + "\"";
}

std::string quoteLiteral(std::string_view text) {
  std::string out = "'";
  for (char c : text) {
    out.push_back(c);
    if (c == '\'') out.push_back('\'');
  }
  return out + "'";
}

bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

// ---- statement reading ---------------------------------------------------------------------

class Reader {
 public:
  explicit Reader(std::string_view s) : s_(s) {}
  void blanks() {
    while (i_ < s_.size() && isBlank(s_[i_])) ++i_;
  }
  bool atEnd() {
    blanks();
    while (i_ < s_.size() && s_[i_] == ';') ++i_, blanks();
    return i_ == s_.size();
  }
  bool keyword(std::string_view word) {
    blanks();
    if (!startsWithIgnoreCase(s_.substr(i_), word)) return false;
    size_t end = i_ + word.size();
    if (end < s_.size() && (std::isalnum(static_cast<unsigned char>(s_[end])) || s_[end] == '_'))
      return false;
    i_ = end;
    return true;
  }
  bool literal(std::string_view text) {
    blanks();
    if (s_.substr(i_, text.size()) != text) return false;
    i_ += text.size();
    return true;
  }
  // [name] ("]]" for "]"), "name" ("" for "), or a bare name.
  std::optional<std::string> name() {
    blanks();
    if (i_ >= s_.size()) return std::nullopt;
    const char open = s_[i_];
    if (open == '[' || open == '"') {
      const char close = open == '[' ? ']' : '"';
      std::string out;
      for (size_t j = i_ + 1; j < s_.size(); ++j) {
        if (s_[j] != close) {
          out.push_back(s_[j]);
          continue;
        }
        if (j + 1 < s_.size() && s_[j + 1] == close) {
          out.push_back(close);
          ++j;
          continue;
        }
        i_ = j + 1;
        return out;
      }
      return std::nullopt;
    }
    const size_t start = i_;
    while (i_ < s_.size() && !isBlank(s_[i_]) && !std::strchr(".'\"[];(),", s_[i_])) ++i_;
    if (i_ == start) return std::nullopt;
    return std::string(s_.substr(start, i_ - start));
  }
  // 'text' with '' for '.
  std::optional<std::string> string() {
    blanks();
    if (i_ >= s_.size() || s_[i_] != '\'') return std::nullopt;
    std::string out;
    for (size_t j = i_ + 1; j < s_.size(); ++j) {
      if (s_[j] != '\'') {
        out.push_back(s_[j]);
        continue;
      }
      if (j + 1 < s_.size() && s_[j + 1] == '\'') {
        out.push_back('\'');
        ++j;
        continue;
      }
      i_ = j + 1;
      return out;
    }
    return std::nullopt;
  }

 private:
  std::string_view s_;
  size_t i_ = 0;
};

struct CopyStatement {
  std::string target, source, file;
};

// SELECT source.* INTO target FROM source IN 'file'
std::optional<CopyStatement> readCopy(std::string_view sql) {
  Reader r(sql);
  if (!r.keyword("SELECT")) return std::nullopt;
  auto qualifier = r.name();
  if (!qualifier || !r.literal(".") || !r.literal("*") || !r.keyword("INTO")) return std::nullopt;
  auto target = r.name();
  if (!target || !r.keyword("FROM")) return std::nullopt;
  auto source = r.name();
  if (!source || !r.keyword("IN")) return std::nullopt;
  auto file = r.string();
  if (!file || !r.atEnd()) return std::nullopt;
  if (upper(*qualifier) != upper(*source))
    throw Error(kCaptureStatementError, kCaptureProgId,
                "SELECT INTO: the column list names " + *qualifier + " but the source is " + *source);
  return CopyStatement{*target, *source, *file};
}

// [bracketed] names become "quoted" ones; string literals and comments stay as they are.
std::string sqliteText(std::string_view sql) {
  std::string out;
  out.reserve(sql.size());
  for (size_t i = 0; i < sql.size(); ++i) {
    const char c = sql[i];
    if (c == '\'' || c == '"') {
      size_t j = i + 1;
      for (; j < sql.size(); ++j) {
        if (sql[j] != c) continue;
        if (j + 1 < sql.size() && sql[j + 1] == c) { ++j; continue; }
        break;
      }
      out.append(sql.substr(i, j + 1 - i));
      i = std::min(j, sql.size());
    } else if (c == '-' && i + 1 < sql.size() && sql[i + 1] == '-') {
      size_t j = sql.find('\n', i);
      if (j == std::string_view::npos) j = sql.size() - 1;
      out.append(sql.substr(i, j + 1 - i));
      i = j;
    } else if (c == '/' && i + 1 < sql.size() && sql[i + 1] == '*') {
      size_t j = sql.find("*/", i + 2);
      j = j == std::string_view::npos ? sql.size() - 1 : j + 1;
      out.append(sql.substr(i, j + 1 - i));
      i = j;
    } else if (c == '[') {
      std::string name;
      size_t j = i + 1;
      for (; j < sql.size(); ++j) {
        if (sql[j] != ']') { name.push_back(sql[j]); continue; }
        if (j + 1 < sql.size() && sql[j + 1] == ']') { name.push_back(']'); ++j; continue; }
        break;
      }
      if (j >= sql.size())
        throw Error(kCaptureStatementError, kCaptureProgId, "unclosed [ in statement");
      out += quoteName(name);
      i = j;
    } else {
      out.push_back(c);
    }
  }
  return out;
}

// ---- results -------------------------------------------------------------------------------

struct ColumnType {
  int32_t type = adVarChar;
  int32_t size = 0;
  bool known = false;
};

int32_t sizeIn(const std::string& decl) {
  size_t open = decl.find('(');
  if (open == std::string::npos) return 0;
  return static_cast<int32_t>(std::strtol(decl.c_str() + open + 1, nullptr, 10));
}

ColumnType fromDeclared(const char* declared) {
  if (!declared || !*declared) return {};
  const std::string d = upper(declared);
  const auto has = [&](const char* w) { return d.find(w) != std::string::npos; };
  if (has("BIGINT")) return {adBigInt, 8, true};
  if (has("SMALLINT")) return {adSmallInt, 2, true};
  if (has("TINYINT")) return {adUnsignedTinyInt, 1, true};
  if (has("INT")) return {adInteger, 4, true};
  if (has("BIT") || has("BOOL")) return {adBoolean, 2, true};
  if (has("MONEY") || has("CURRENCY")) return {adCurrency, 8, true};
  if (has("DEC") || has("NUMERIC")) return {adNumeric, 19, true};
  if (has("FLOAT") || has("REAL") || has("DOUB")) return {adDouble, 8, true};
  if (has("DATE") || has("TIME")) return {adDate, 8, true};
  if (has("VARCHAR") || has("VARYING")) return {adVarChar, sizeIn(d), true};
  if (has("CHAR")) return {adChar, sizeIn(d), true};
  if (has("TEXT") || has("MEMO") || has("CLOB")) return {adLongVarChar, 0, true};
  return {};
}

ColumnType fromValue(sqlite3_stmt* stmt, int col) {
  switch (sqlite3_column_type(stmt, col)) {
    case SQLITE_INTEGER: {
      const sqlite3_int64 v = sqlite3_column_int64(stmt, col);
      return v >= INT32_MIN && v <= INT32_MAX ? ColumnType{adInteger, 4, true}
                                              : ColumnType{adBigInt, 8, true};
    }
    case SQLITE_FLOAT: return {adDouble, 8, true};
    default: return {adVarChar, 0, true};
  }
}

Cell::Kind integerKind(int32_t type, sqlite3_int64 v) {
  const auto fits = [&](int64_t lo, int64_t hi) { return v >= lo && v <= hi; };
  if (type == adSmallInt && fits(INT16_MIN, INT16_MAX)) return Cell::kI16;
  if (type == adUnsignedTinyInt && fits(0, 255)) return Cell::kByte;
  if (fits(INT32_MIN, INT32_MAX) && type != adBigInt) return Cell::kI32;
  return Cell::kI64;
}

void storeValue(Recordset& rs, size_t row, size_t col, int32_t type, sqlite3_stmt* stmt, int c) {
  switch (sqlite3_column_type(stmt, c)) {
    case SQLITE_NULL:
      rs.storeNull(row, col);
      return;
    case SQLITE_INTEGER: {
      const sqlite3_int64 v = sqlite3_column_int64(stmt, c);
      if (type == adBoolean) rs.storeInt(row, col, v != 0 ? 1 : 0, Cell::kBool);
      else if (type == adDouble) rs.storeDouble(row, col, static_cast<double>(v));
      else if (type == adCurrency || type == adNumeric) rs.storeDecimal(row, col, Decimal{v, 0});
      else if (type == adDate) rs.storeDate(row, col, Date{static_cast<double>(v)});
      else if (type == adChar || type == adVarChar || type == adLongVarChar)
        rs.storeText(row, col, std::to_string(v));
      else rs.storeInt(row, col, v, integerKind(type, v));
      return;
    }
    case SQLITE_FLOAT: {
      const double v = sqlite3_column_double(stmt, c);
      if (type == adCurrency || type == adNumeric) {
        if (auto d = decimalFromDouble(v)) return rs.storeDecimal(row, col, *d);
      } else if (type == adDate) {
        return rs.storeDate(row, col, Date{v});
      } else if (type == adChar || type == adVarChar || type == adLongVarChar) {
        return rs.storeText(row, col, formatDouble(v));
      }
      rs.storeDouble(row, col, v);
      return;
    }
    default: {
      const auto* p = reinterpret_cast<const char*>(sqlite3_column_text(stmt, c));
      std::string_view text(p ? p : "", static_cast<size_t>(sqlite3_column_bytes(stmt, c)));
      if (type == adDate) {
        if (auto d = parseDate(text)) return rs.storeDate(row, col, *d);
      } else if (type == adCurrency || type == adNumeric) {
        if (auto d = parseDecimal(text)) return rs.storeDecimal(row, col, *d);
      }
      rs.storeText(row, col, text);
    }
  }
}

// Steps a prepared query to its end into a disconnected record set.
RecordsetRef materialise(sqlite3* db, sqlite3_stmt* stmt) {
  const int n = sqlite3_column_count(stmt);
  int rc = sqlite3_step(stmt);
  if (rc != SQLITE_ROW && rc != SQLITE_DONE) throw engineError(db);
  auto rs = Recordset::create();
  std::vector<int32_t> types(static_cast<size_t>(n));
  for (int c = 0; c < n; ++c) {
    ColumnType t = fromDeclared(sqlite3_column_decltype(stmt, c));
    if (!t.known && rc == SQLITE_ROW) t = fromValue(stmt, c);
    std::string name = sqlite3_column_name(stmt, c);
    for (int k = 1; rs->findField(name); ++k) name = std::string(sqlite3_column_name(stmt, c)) + std::to_string(k);
    rs->appendField(name, t.type, t.size, adFldUpdatable | adFldIsNullable | adFldMayBeNull);
    types[static_cast<size_t>(c)] = t.type;
  }
  while (rc == SQLITE_ROW) {
    const size_t row = rs->appendRow();
    for (int c = 0; c < n; ++c) storeValue(*rs, row, static_cast<size_t>(c), types[static_cast<size_t>(c)], stmt, c);
    rc = sqlite3_step(stmt);
  }
  if (rc != SQLITE_DONE) throw engineError(db);
  rs->openMaterialised();
  return rs;
}

// ---- the connection ------------------------------------------------------------------------

class CaptureConnection : public Connection {
 public:
  explicit CaptureConnection(std::string file) : file_(std::move(file)) { open(); }

  int32_t state() const override { return db_ ? 1 : 0; }

  void open() override {
    if (db_) throw errors::openObject();
    requireFile(file_);
    sqlite3* raw = nullptr;
    int rc = sqlite3_open_v2(plainPath(file_).c_str(), &raw, SQLITE_OPEN_READWRITE, nullptr);
    DbHandle db(raw);
    if (rc != SQLITE_OK)
      throw Error(kCaptureCannotOpen, kCaptureProgId,
                  "Cannot open the capture database " + file_ + ": " + sqlite3_errmsg(raw));
    sqlite3_busy_timeout(db.get(), 5000);
    // Reading the schema tells a database file from any other file.
    rc = sqlite3_exec(db.get(), "SELECT count(*) FROM sqlite_master", nullptr, nullptr, nullptr);
    if (rc != SQLITE_OK)
      throw Error(kCaptureCannotOpen, kCaptureProgId,
                  "Cannot open the capture database " + file_ + ": " + sqlite3_errmsg(db.get()));
    db_ = std::move(db);
  }

  void close() override {
    if (!db_) throw errors::closedObject();
    db_.reset();
  }

  RecordsetRef openSchemaTables() override {
    sqlite3* db = require();
    struct Row {
      std::string name, type;
    };
    std::vector<Row> found{{"sqlite_master", "SYSTEM TABLE"}};
    StmtHandle stmt = prepare(db, "SELECT type, name FROM main.sqlite_master WHERE type IN ('table', 'view')");
    int rc;
    while ((rc = sqlite3_step(stmt.get())) == SQLITE_ROW) {
      std::string kind = reinterpret_cast<const char*>(sqlite3_column_text(stmt.get(), 0));
      std::string name = reinterpret_cast<const char*>(sqlite3_column_text(stmt.get(), 1));
      std::string type = kind == "view" ? "VIEW"
                         : startsWithIgnoreCase(name, "sqlite_") ? "SYSTEM TABLE"
                                                                 : "TABLE";
      found.push_back({std::move(name), std::move(type)});
    }
    if (rc != SQLITE_DONE) throw engineError(db);
    // By type, then by name, as schema listings come.
    std::sort(found.begin(), found.end(), [](const Row& a, const Row& b) {
      if (a.type != b.type) return a.type < b.type;
      return upper(a.name) < upper(b.name);
    });
    auto rs = Recordset::create();
    for (const char* f : {"TABLE_CATALOG", "TABLE_SCHEMA", "TABLE_NAME", "TABLE_TYPE"})
      rs->appendField(f, adVarChar, 255, adFldIsNullable | adFldMayBeNull);
    for (const Row& r : found) {
      const size_t row = rs->appendRow();
      rs->storeNull(row, 0);
      rs->storeNull(row, 1);
      rs->storeText(row, 2, r.name);
      rs->storeText(row, 3, r.type);
    }
    rs->openMaterialised();
    return rs;
  }

  void beginTrans() override { exec("BEGIN"); }
  void commitTrans() override { endTransaction("COMMIT"); }
  void rollbackTrans() override { endTransaction("ROLLBACK"); }

 protected:
  RecordsetRef run(std::string_view sql) override {
    sqlite3* db = require();
    if (auto copy = readCopy(sql)) {
      copyTable(*copy);
      return nullptr;
    }
    const std::string text = sqliteText(sql);
    const char* tail = text.c_str();
    const char* end = tail + text.size();
    RecordsetRef last;
    while (tail < end) {
      sqlite3_stmt* raw = nullptr;
      const char* next = nullptr;
      if (sqlite3_prepare_v2(db, tail, static_cast<int>(end - tail), &raw, &next) != SQLITE_OK)
        throw engineError(db);
      StmtHandle stmt(raw);
      tail = next;
      if (!stmt) continue;  // blanks or a comment
      if (sqlite3_column_count(stmt.get()) > 0) {
        last = materialise(db, stmt.get());
        continue;
      }
      int rc;
      while ((rc = sqlite3_step(stmt.get())) == SQLITE_ROW) {
      }
      if (rc != SQLITE_DONE) throw engineError(db);
    }
    return last;
  }

 private:
  sqlite3* require() const {
    if (!db_) throw errors::closedObject();
    return db_.get();
  }

  static void detach(sqlite3* db, const std::string& alias) {
    sqlite3_exec(db, ("DETACH DATABASE " + alias).c_str(), nullptr, nullptr, nullptr);
  }

  void endTransaction(const char* verb) {
    sqlite3* db = require();
    const int rc = sqlite3_exec(db, verb, nullptr, nullptr, nullptr);
    const Error failure = engineError(db);
    // Also when it failed: an automatic rollback may have ended the transaction already.
    if (sqlite3_get_autocommit(db)) {
      for (const std::string& alias : attachedUntilEnd_) detach(db, alias);
      attachedUntilEnd_.clear();
    }
    if (rc != SQLITE_OK) throw failure;
  }

  static StmtHandle prepare(sqlite3* db, const std::string& sql) {
    sqlite3_stmt* raw = nullptr;
    if (sqlite3_prepare_v2(db, sql.c_str(), -1, &raw, nullptr) != SQLITE_OK) throw engineError(db);
    return StmtHandle(raw);
  }

  void exec(const std::string& sql) const {
    sqlite3* db = require();
    if (sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr) != SQLITE_OK) throw engineError(db);
  }

  // Creates target with the source's columns and declared types and copies its rows, all in
  // one step. The source file is attached for the copy only.
  void copyTable(const CopyStatement& copy) {
    sqlite3* db = require();
    requireFile(copy.file);
    // Inside a transaction the source stays attached until it ends (SQLite cannot detach a
    // file the transaction has read), so each copy there takes an alias of its own.
    std::string alias = kSourceAlias;
    if (!attachedUntilEnd_.empty()) alias += std::to_string(attachedUntilEnd_.size());
    {
      StmtHandle attach = prepare(db, "ATTACH DATABASE ? AS " + alias);
      const std::string path = plainPath(copy.file);
      sqlite3_bind_text(attach.get(), 1, path.c_str(), static_cast<int>(path.size()), SQLITE_TRANSIENT);
      if (sqlite3_step(attach.get()) != SQLITE_DONE) throw engineError(db, "Cannot attach " + copy.file);
    }
    struct Detach {
      CaptureConnection& self;
      const std::string& alias;
      ~Detach() {
        if (sqlite3_get_autocommit(self.db_.get())) detach(self.db_.get(), alias);
        else self.attachedUntilEnd_.push_back(alias);
      }
    } detach{*this, alias};

    std::vector<std::pair<std::string, std::string>> columns;  // name, declared type
    {
      StmtHandle info = prepare(db, "PRAGMA " + alias + ".table_xinfo(" +
                                        quoteLiteral(copy.source) + ")");
      int rc;
      while ((rc = sqlite3_step(info.get())) == SQLITE_ROW) {
        if (sqlite3_column_int(info.get(), 6) == 1) continue;  // hidden column of a virtual table
        const auto* name = reinterpret_cast<const char*>(sqlite3_column_text(info.get(), 1));
        const auto* type = reinterpret_cast<const char*>(sqlite3_column_text(info.get(), 2));
        columns.emplace_back(name ? name : "", type ? type : "");
      }
      if (rc != SQLITE_DONE) throw engineError(db, "Cannot read " + copy.file);
    }
    if (columns.empty())
      throw Error(kCaptureNoSuchTable, kCaptureProgId,
                  "no such table: " + copy.source + " in " + copy.file);

    std::string create = "CREATE TABLE main." + quoteName(copy.target) + " (";
    std::string list;
    for (size_t i = 0; i < columns.size(); ++i) {
      if (i) create += ", ", list += ", ";
      create += quoteName(columns[i].first);
      if (!columns[i].second.empty()) create += " " + columns[i].second;
      list += quoteName(columns[i].first);
    }
    create += ")";
    const std::string insert = "INSERT INTO main." + quoteName(copy.target) + " (" + list +
                               ") SELECT " + list + " FROM " + alias + "." +
                               quoteName(copy.source);
    exec("SAVEPOINT korvanda_copy");
    try {
      exec(create);
      exec(insert);
    } catch (...) {
      sqlite3_exec(db, "ROLLBACK TO korvanda_copy; RELEASE korvanda_copy", nullptr, nullptr, nullptr);
      throw;
    }
    exec("RELEASE korvanda_copy");
  }

  std::string file_;
  DbHandle db_;
  std::vector<std::string> attachedUntilEnd_;
};

}  // namespace

ConnectionRef clsOpenDbCap::conectar(const std::string&, const std::string&,
                                     const std::string& file) const {
  return std::make_shared<CaptureConnection>(file);
}

const DispatchTable& clsOpenDbCap::dispatchTable() const {
  static const DispatchTable table(kCaptureProgId,
                                   {binder::method("conectar", &clsOpenDbCap::conectar)});
  return table;
}

}  // namespace korvanda::components
