// The SQLite toolkit that the embedded engine and the capture files share: the database and
// statement handles, reading a statement into a record set, the table copy and the schema.
// Failures are korvanda::Error with the engine's numbers and source (engine.h).
#pragma once

#include <sqlite3.h>

#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "korvanda/error.h"
#include "korvanda/recordset.h"
#include "sqlite/engine.h"
#include "sqlite/translate.h"

namespace korvanda::sqlite {

Error sqliteError(sqlite3* db, int rc, std::string_view context = {});
[[noreturn]] inline void throwSqlite(sqlite3* db, int rc, std::string_view context = {}) {
  throw sqliteError(db, rc, context);
}

// A prepared statement, finalized when it goes.
class Statement {
 public:
  Statement() = default;
  explicit Statement(sqlite3_stmt* s) : s_(s) {}
  sqlite3_stmt* get() const { return s_.get(); }
  explicit operator bool() const { return s_ != nullptr; }
  void finalize() { s_.reset(); }
  // Moves to the next row: true on a row, false past the last. A failure throws.
  bool step();
  // Runs to the end, rows ignored.
  void run();
  // Back to before the first row, bindings kept.
  void rewind() { sqlite3_reset(get()); }
  void bind(int index, std::string_view text);
  int columnCount() const { return sqlite3_column_count(get()); }
  std::string_view text(int column) const;
  int64_t integer(int column) const { return sqlite3_column_int64(get(), column); }

 private:
  struct Finalizer {
    void operator()(sqlite3_stmt* s) const { sqlite3_finalize(s); }
  };
  std::unique_ptr<sqlite3_stmt, Finalizer> s_;
};

// Prepares the first statement of sql and moves sql past it; an empty handle when only blanks,
// semicolons or comments were left.
Statement prepareNext(sqlite3* db, std::string_view& sql);
// Prepares one statement; the whole text must be that statement.
Statement prepare(sqlite3* db, std::string_view sql);
// Runs one statement, rows ignored.
void execute(sqlite3* db, std::string_view sql);
// A name as a quoted identifier.
std::string quoteName(std::string_view name);

// An open database: extended result codes, the busy timeout, the expression depth limit and the
// T-SQL functions with the KV_CI_AS collation (functions.h). Files attached for a copy inside a
// transaction stay until the transaction ends.
class Database {
 public:
  Database() = default;
  // Opens the file at path (never read as a URI) with these flags; a failure throws
  // sqliteError without context.
  static Database open(const std::string& path, int flags,
                       std::chrono::milliseconds busyTimeout = kDefaultBusyTimeout);
  sqlite3* get() const { return db_.get(); }
  explicit operator bool() const { return db_ != nullptr; }
  void close();
  bool inTransaction() const { return db_ && !sqlite3_get_autocommit(db_.get()); }
  // COMMIT or ROLLBACK. The files the transaction kept attached are detached, also when it
  // fails (SQLite may have rolled back already).
  void endTransaction(std::string_view verb);

 private:
  friend class Attachment;
  struct Closer {
    void operator()(sqlite3* db) const { sqlite3_close_v2(db); }
  };
  std::unique_ptr<sqlite3, Closer> db_;
  std::vector<std::string> keptAttached_;
};

// Another database file attached read-only (never created) under an alias of its own while it
// lives. Detached at the end unless a transaction has read it: SQLite cannot detach it then, and
// the database detaches it when the transaction ends.
class Attachment {
 public:
  Attachment(Database& db, const std::string& file);
  ~Attachment();
  Attachment(const Attachment&) = delete;
  Attachment& operator=(const Attachment&) = delete;
  const std::string& schema() const { return alias_; }

 private:
  Database& db_;
  std::string alias_;
};

// ---- schema

// The columns of a table or view of that schema, in table order; hidden columns of virtual
// tables left out.
std::vector<ColumnInfo> tableColumns(sqlite3* db, std::string_view table, std::string_view schema = "main");
// The tables and views of main with their kind ("table" or "view"), SQLite's own tables
// included, as stored.
struct SchemaObject {
  std::string name, type;
};
std::vector<SchemaObject> schemaObjects(sqlite3* db);

// ---- the table copy

// SELECT source.* INTO target FROM source [IN 'file']: target is made in main and filled from
// source (in the file, attached for the copy, or in main when file is empty), in one step: on
// failure nothing of target is left.
struct TableCopy {
  enum class Definition {
    Whole,           // the source's CREATE TABLE text, renamed: keys and constraints too
    ColumnsAndTypes  // only the columns' names and declared types; the source may be a view
  };
  std::string target, source, file;
  Definition definition = Definition::Whole;
};
// False, with nothing done, when the source has no such table (letter case ignored).
bool copyTable(Database& db, const TableCopy& copy);

// ---- result columns

// How a result column is stored in the record set, decided once per column.
struct FieldSpec {
  // Dynamic: each value keeps its own kind (a forward-only result's column without a type).
  enum Kind { I16, I32, I64, Byte, Bool, Double, Decimal, Date, Text, Dynamic };
  int32_t type = adVarChar;
  int32_t size = 0;
  Kind kind = Text;
};

// The field of a declared SQL type ("VARCHAR(30)", "money"...); nullopt for a type it does not
// know, whose values then decide.
std::optional<FieldSpec> fieldFromDeclared(std::string_view declared);

// The field of each result column from its declared type, else from the hint at its place
// (a type the translation knows for a computed column, "" none); nullopt when neither says.
std::vector<std::optional<FieldSpec>> declaredFields(sqlite3_stmt* s, const std::vector<std::string>& hints = {});

inline constexpr int32_t kResultAttributes = adFldUpdatable | adFldIsNullable | adFldMayBeNull;

// Steps the statement to its end into a disconnected record set. A column without a type takes
// the type its values have, all rows seen.
RecordsetRef readAll(Statement& stmt, const std::vector<std::string>& hints = {});
// Stores the current row's value of column c as the field says.
void storeColumn(Recordset& rs, size_t row, size_t col, const FieldSpec& field, sqlite3_stmt* s, int c);
std::string columnName(sqlite3_stmt* s, int c);

}  // namespace korvanda::sqlite
