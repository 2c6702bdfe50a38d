#include "components/capture_db.h"

#include <sys/stat.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <optional>
#include <vector>

#include "korvanda/error.h"
#include "core/binder.h"
#include "core/recordset_store.h"
#include "core/ascii.h"
#include "sqlite/toolkit.h"

namespace korvanda::components {
namespace {

using ascii::upper;
using ascii::startsWithIgnoreCase;
using sqlite::quoteName;

// A failure of the SQLite toolkit as the capture provider reports it; the opener's own errors
// pass unchanged.
Error captureError(const Error& e) {
  if (e.source() != sqlite::kErrorSource) return e;
  const int32_t number = startsWithIgnoreCase(e.description(), "no such table") ? kCaptureNoSuchTable
                                                                                 : kCaptureStatementError;
  return Error(number, kCaptureProgId, e.description());
}

// Runs f with the toolkit's failures turned into the provider's.
template <class F>
decltype(auto) provider(F&& f) {
  try {
    return f();
  } catch (const Error& e) {
    throw captureError(e);
  }
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

// ---- the connection ------------------------------------------------------------------------

class CaptureConnection : public Connection {
 public:
  explicit CaptureConnection(std::string file) : file_(std::move(file)) { open(); }

  int32_t state() const override { return db_ ? 1 : 0; }

  void open() override {
    if (db_) throw errors::openConnection();
    requireFile(file_);
    try {
      sqlite::Database db = sqlite::Database::open(file_, SQLITE_OPEN_READWRITE);
      // Reading the schema tells a database file from any other file.
      sqlite::execute(db.get(), "SELECT count(*) FROM sqlite_master");
      db_ = std::move(db);
    } catch (const Error& e) {
      throw Error(kCaptureCannotOpen, kCaptureProgId, "Cannot open the capture database " + file_ + ": " + e.description());
    }
  }

  void close() override {
    if (!db_) throw errors::closedConnection();
    db_.close();
  }

  RecordsetRef openSchemaTables() override {
    sqlite3* db = require();
    std::vector<sqlite::SchemaObject> found = provider([&] { return sqlite::schemaObjects(db); });
    for (auto& o : found)
      o.type = o.type == "view" ? "VIEW" : startsWithIgnoreCase(o.name, "sqlite_") ? "SYSTEM TABLE" : "TABLE";
    found.push_back({"sqlite_master", "SYSTEM TABLE"});
    // By type, then by name, as schema listings come.
    std::sort(found.begin(), found.end(), [](const auto& a, const auto& b) {
      if (a.type != b.type) return a.type < b.type;
      return upper(a.name) < upper(b.name);
    });
    auto rs = Recordset::create();
    for (const char* f : {"TABLE_CATALOG", "TABLE_SCHEMA", "TABLE_NAME", "TABLE_TYPE"})
      rs->appendField(f, adVarChar, 255, adFldIsNullable | adFldMayBeNull);
    for (const auto& o : found) {
      const size_t row = rs->appendRow();
      rs->storeNull(row, 0);
      rs->storeNull(row, 1);
      rs->storeText(row, 2, o.name);
      rs->storeText(row, 3, o.type);
    }
    rs->openMaterialised();
    return rs;
  }

  void beginTrans() override {
    sqlite3* db = require();
    provider([&] { sqlite::execute(db, "BEGIN"); });
  }
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
    return provider([&] {
      RecordsetRef last;
      for (std::string_view rest = text; !rest.empty();) {
        const size_t before = rest.size();
        sqlite::Statement stmt = sqlite::prepareNext(db, rest);
        if (!stmt) {  // blanks or a comment
          if (rest.size() == before) break;
          continue;
        }
        if (stmt.columnCount() > 0) last = sqlite::readAll(stmt);
        else stmt.run();
      }
      return last;
    });
  }

 private:
  sqlite3* require() const {
    if (!db_) throw errors::closedConnection();
    return db_.get();
  }

  void endTransaction(const char* verb) {
    require();
    provider([&] { db_.endTransaction(verb); });
  }

  // Creates target with the source's columns and declared types and copies its rows, all in
  // one step. The source file is attached for the copy only.
  void copyTable(const CopyStatement& copy) {
    require();
    requireFile(copy.file);
    const sqlite::TableCopy request{copy.target, copy.source, copy.file, sqlite::TableCopy::Definition::ColumnsAndTypes};
    if (!provider([&] { return sqlite::copyTable(db_, request); }))
      throw Error(kCaptureNoSuchTable, kCaptureProgId, "no such table: " + copy.source + " in " + copy.file);
  }

  std::string file_;
  sqlite::Database db_;
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
