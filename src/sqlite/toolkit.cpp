#include "sqlite/toolkit.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <variant>

#include "core/ascii.h"
#include "core/recordset_store.h"
#include "korvanda/textform.h"
#include "sqlite/functions.h"
#include "sqlite/tsqldate.h"

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

// ---- statements

bool Statement::step() {
  const int rc = sqlite3_step(get());
  if (rc == SQLITE_ROW) return true;
  if (rc != SQLITE_DONE) throwSqlite(sqlite3_db_handle(get()), rc);
  return false;
}

void Statement::run() {
  while (step()) {
  }
}

void Statement::bind(int index, std::string_view text) {
  const int rc = sqlite3_bind_text(get(), index, text.data(), static_cast<int>(text.size()), SQLITE_TRANSIENT);
  if (rc != SQLITE_OK) throwSqlite(sqlite3_db_handle(get()), rc);
}

std::string_view Statement::text(int column) const {
  const auto* p = reinterpret_cast<const char*>(sqlite3_column_text(get(), column));
  return p ? std::string_view(p, static_cast<size_t>(sqlite3_column_bytes(get(), column))) : std::string_view();
}

Statement prepareNext(sqlite3* db, std::string_view& sql) {
  sqlite3_stmt* raw = nullptr;
  const char* tail = nullptr;
  const int rc = sqlite3_prepare_v2(db, sql.data(), static_cast<int>(sql.size()), &raw, &tail);
  Statement stmt(raw);
  if (rc != SQLITE_OK) throwSqlite(db, rc);
  sql.remove_prefix(tail ? static_cast<size_t>(tail - sql.data()) : sql.size());
  return stmt;
}

Statement prepare(sqlite3* db, std::string_view sql) {
  Statement stmt = prepareNext(db, sql);
  if (!stmt) throw Error(kErrStatement, kErrorSource, "The statement is empty.");
  for (size_t i = 0; i < sql.size(); ++i)
    if (!std::isspace(static_cast<unsigned char>(sql[i])) && sql[i] != ';')
      throw Error(kErrStatement, kErrorSource, "More than one statement in one step: " + std::string(sql.substr(i)));
  return stmt;
}

void execute(sqlite3* db, std::string_view sql) { prepare(db, sql).run(); }

std::string quoteName(std::string_view name) {
  std::string q = "\"";
  for (char c : name) {
    if (c == '"') q.push_back('"');
    q.push_back(c);
  }
  return q + "\"";
}

// ---- the database

Database Database::open(const std::string& path, int flags, std::chrono::milliseconds busyTimeout) {
  // URIs on, for the read-only attachments; the path itself is never read as one. A
  // connection is used by one thread at a time, so SQLite's own mutexes would only cost a lock
  // per call (one per value read).
  const std::string name = ascii::startsWithIgnoreCase(path, "file:") ? "./" + path : path;
  sqlite3* raw = nullptr;
  int rc = sqlite3_open_v2(name.c_str(), &raw, flags | SQLITE_OPEN_URI | SQLITE_OPEN_NOMUTEX, nullptr);
  Database db;
  db.db_.reset(raw);
  if (rc != SQLITE_OK) throwSqlite(raw, rc);
  sqlite3_extended_result_codes(raw, 1);
  sqlite3_busy_timeout(raw, static_cast<int>(busyTimeout.count()));
  sqlite3_limit(raw, SQLITE_LIMIT_EXPR_DEPTH, kMaxExpressionDepth);
  if ((rc = registerTsqlFunctions(raw)) != SQLITE_OK) throwSqlite(raw, rc);
  return db;
}

void Database::close() {
  db_.reset();
  keptAttached_.clear();
}

void Database::endTransaction(std::string_view verb) {
  std::optional<Error> failure;
  try {
    execute(get(), verb);
  } catch (const Error& e) {
    failure = e;
  }
  if (!inTransaction()) {
    for (const std::string& alias : keptAttached_)
      sqlite3_exec(get(), ("DETACH DATABASE " + quoteName(alias)).c_str(), nullptr, nullptr, nullptr);
    keptAttached_.clear();
  }
  if (failure) throw *failure;
}

namespace {

// A file name as an SQLite URI, so that mode=ro can be added: %, ? and # and what is not
// printable are escaped; an absolute path gets the empty authority.
std::string fileUri(const std::string& file) {
  std::string uri = file.starts_with('/') ? "file://" : "file:";
  for (unsigned char c : file) {
    if (c == '%' || c == '?' || c == '#' || c < 0x21) {
      char buf[4];
      std::snprintf(buf, sizeof buf, "%%%02X", c);
      uri += buf;
    } else {
      uri.push_back(static_cast<char>(c));
    }
  }
  return uri;
}

}  // namespace

Attachment::Attachment(Database& db, const std::string& file) : db_(db) {
  // Inside a transaction earlier copies may still be attached: each takes a name of its own.
  alias_ = "korvanda_source";
  if (!db.keptAttached_.empty()) alias_ += std::to_string(db.keptAttached_.size());
  Statement attach = prepare(db.get(), "ATTACH DATABASE ?1 AS " + quoteName(alias_));
  attach.bind(1, fileUri(file) + "?mode=ro");
  const int rc = sqlite3_step(attach.get());
  if (rc != SQLITE_DONE) throwSqlite(db.get(), rc, "Cannot open '" + file + "'");
}

Attachment::~Attachment() {
  if (!db_.get()) return;
  const std::string detach = "DETACH DATABASE " + quoteName(alias_);
  if (sqlite3_exec(db_.get(), detach.c_str(), nullptr, nullptr, nullptr) != SQLITE_OK && db_.inTransaction())
    db_.keptAttached_.push_back(alias_);
}

// ---- schema

std::vector<ColumnInfo> tableColumns(sqlite3* db, std::string_view table, std::string_view schema) {
  Statement s = prepare(db, "SELECT name, type, hidden FROM pragma_table_xinfo(?1, ?2)");
  s.bind(1, table);
  s.bind(2, schema);
  std::vector<ColumnInfo> columns;
  while (s.step()) {
    const int64_t hidden = s.integer(2);
    if (hidden == 1) continue;  // hidden columns of virtual tables
    columns.push_back(ColumnInfo{std::string(s.text(0)), std::string(s.text(1)), hidden >= 2});
  }
  return columns;
}

std::vector<SchemaObject> schemaObjects(sqlite3* db) {
  Statement s = prepare(db, "SELECT name, type FROM sqlite_schema WHERE type IN ('table', 'view')");
  std::vector<SchemaObject> found;
  while (s.step()) found.push_back({std::string(s.text(0)), std::string(s.text(1))});
  return found;
}

SchemaSnapshot readSchema(sqlite3* db) {
  SchemaSnapshot snapshot;
  for (SchemaObject& o : schemaObjects(db)) {
    if (ascii::startsWithIgnoreCase(o.name, "sqlite_")) continue;
    std::vector<ColumnInfo> columns = tableColumns(db, o.name);
    snapshot.add(TableInfo{std::move(o.name), std::move(columns), o.type == "view"});
  }
  return snapshot;
}

// ---- the table copy

bool copyTable(Database& database, const TableCopy& copy) {
  sqlite3* db = database.get();
  std::optional<Attachment> attached;
  if (!copy.file.empty()) attached.emplace(database, copy.file);
  const std::string schema = attached ? attached->schema() : "main";

  const bool whole = copy.definition == TableCopy::Definition::Whole;
  // A view has columns and types but no CREATE TABLE text.
  Statement find = prepare(db, "SELECT name, sql FROM " + quoteName(schema) + ".sqlite_schema WHERE type " +
                                   (whole ? "= 'table'" : "IN ('table', 'view')") + " AND name = ?1 COLLATE NOCASE");
  find.bind(1, copy.source);
  if (!find.step()) return false;
  const std::string sourceName(find.text(0));
  const std::vector<ColumnInfo> columns = tableColumns(db, sourceName, schema);
  std::string create, list;
  if (whole) {
    try {
      create = renameCreateTable(find.text(1), copy.target);
    } catch (const TranslationError& e) {
      throw Error(kErrStatement, kErrorSource, "Cannot copy " + sourceName + ": " + e.what());
    }
  } else {
    create = "CREATE TABLE main." + quoteName(copy.target) + " (";
    for (size_t i = 0; i < columns.size(); ++i) {
      create += (i ? ", " : "") + quoteName(columns[i].name);
      if (!columns[i].declType.empty()) create += " " + columns[i].declType;
    }
    create += ")";
  }
  find.finalize();
  for (const ColumnInfo& c : columns) {
    // A computed column of the whole definition computes its values again.
    if (c.generated && whole) continue;
    list += (list.empty() ? "" : ", ") + quoteName(c.name);
  }
  execute(db, "SAVEPOINT korvanda_copy");
  try {
    execute(db, create);
    execute(db, "INSERT INTO main." + quoteName(copy.target) + " (" + list + ") SELECT " + list + " FROM " +
                    quoteName(schema) + "." + quoteName(sourceName));
    execute(db, "RELEASE korvanda_copy");
  } catch (...) {
    sqlite3_exec(db, "ROLLBACK TO korvanda_copy; RELEASE korvanda_copy", nullptr, nullptr, nullptr);
    throw;
  }
  return true;
}

// ---- result columns

namespace {

// What the length in parentheses does to a text type.
enum class Length {
  None,    // a type without one
  Char,    // CHAR(n) holds n characters; CHAR alone is CHAR(1)
  VarChar  // VARCHAR(n) up to n; VARCHAR alone or VARCHAR(MAX) is long text
};

struct DeclaredType {
  std::string_view name;
  int32_t type, size;
  FieldSpec::Kind kind;
  Length length = Length::None;
};

constexpr int32_t kLongText = 2147483647;

// The field codes and defined sizes a caller sees for SQL Server's column types (and for the
// names other SQLite tools write for them).
constexpr DeclaredType kDeclaredTypes[] = {
    {"TINYINT", adUnsignedTinyInt, 1, FieldSpec::Byte},  // SQL Server's tinyint is unsigned, 0..255
    {"SMALLINT", adSmallInt, 2, FieldSpec::I16},         // two bytes
    {"INT", adInteger, 4, FieldSpec::I32},               // four bytes
    {"INTEGER", adInteger, 4, FieldSpec::I32},           // SQLite's spelling of INT
    {"MEDIUMINT", adInteger, 4, FieldSpec::I32},         // no three-byte field type: the next wider
    {"BIGINT", adBigInt, 8, FieldSpec::I64},             // eight bytes
    {"BIT", adBoolean, 2, FieldSpec::Bool},              // a boolean field's defined size is 2
    {"BOOLEAN", adBoolean, 2, FieldSpec::Bool},          // other tools' name for BIT
    {"FLOAT", adDouble, 8, FieldSpec::Double},           // SQL Server's float is a double
    {"REAL", adDouble, 8, FieldSpec::Double},            // SQLite keeps every float in eight bytes
    {"DOUBLE", adDouble, 8, FieldSpec::Double},          // other tools' name for FLOAT
    {"DOUBLE PRECISION", adDouble, 8, FieldSpec::Double},
    // Exact decimals: defined size 19 whatever the precision, as SQL Server's driver reports.
    {"DECIMAL", adNumeric, 19, FieldSpec::Decimal},
    {"NUMERIC", adNumeric, 19, FieldSpec::Decimal},      // the same type as DECIMAL
    {"DEC", adNumeric, 19, FieldSpec::Decimal},          // short for DECIMAL
    // MONEY is decimal too: SQL Server's driver describes it as DECIMAL(19,4), so the ODBC
    // engine gives 131/19 for it; callers get one exact decimal type, never a currency code
    // that no other path gives them.
    {"MONEY", adNumeric, 19, FieldSpec::Decimal},
    {"SMALLMONEY", adNumeric, 19, FieldSpec::Decimal},   // as MONEY
    {"CURRENCY", adNumeric, 19, FieldSpec::Decimal},     // the file databases' name for MONEY
    {"DATETIME", adDate, 8, FieldSpec::Date},            // a date is an eight-byte double
    {"SMALLDATETIME", adDate, 8, FieldSpec::Date},       // the same field, less precise on disk
    {"DATETIME2", adDate, 8, FieldSpec::Date},           // as DATETIME
    {"DATE", adDate, 8, FieldSpec::Date},                // a date without its time: the same field
    {"TIMESTAMP", adDate, 8, FieldSpec::Date},           // SQLite tools mean a date and time by it
    {"CHAR", adChar, 1, FieldSpec::Text, Length::Char},  // fixed length
    {"NCHAR", adChar, 1, FieldSpec::Text, Length::Char}, // texts are UTF-8 whatever the width
    {"VARCHAR", adVarChar, 0, FieldSpec::Text, Length::VarChar},
    {"NVARCHAR", adVarChar, 0, FieldSpec::Text, Length::VarChar},  // as VARCHAR
    {"TEXT", adLongVarChar, kLongText, FieldSpec::Text},  // long text, no limit of its own
    {"NTEXT", adLongVarChar, kLongText, FieldSpec::Text}, // as TEXT
    {"CLOB", adLongVarChar, kLongText, FieldSpec::Text},  // other tools' name for TEXT
    {"MEMO", adLongVarChar, kLongText, FieldSpec::Text},  // the file databases' name for TEXT
};

}  // namespace

std::optional<FieldSpec> fieldFromDeclared(std::string_view declared) {
  const std::string d = ascii::upper(declared);
  const size_t open = d.find('(');
  std::string_view base = std::string_view(d).substr(0, open);
  while (!base.empty() && std::isspace(static_cast<unsigned char>(base.front()))) base.remove_prefix(1);
  while (!base.empty() && std::isspace(static_cast<unsigned char>(base.back()))) base.remove_suffix(1);
  const auto* t = std::find_if(std::begin(kDeclaredTypes), std::end(kDeclaredTypes),
                               [&](const DeclaredType& k) { return k.name == base; });
  if (t == std::end(kDeclaredTypes)) return std::nullopt;
  FieldSpec f{t->type, t->size, t->kind};
  int n = -1;  // no length; 0 for MAX
  if (open != std::string::npos) n = d.find("MAX", open) != std::string::npos ? 0 : std::atoi(d.c_str() + open + 1);
  if (t->length == Length::Char && n > 0) f.size = n;
  if (t->length == Length::VarChar) f = n > 0 ? FieldSpec{adVarChar, n, FieldSpec::Text} : FieldSpec{adLongVarChar, kLongText, FieldSpec::Text};
  return f;
}

std::vector<std::optional<FieldSpec>> declaredFields(sqlite3_stmt* s, const std::vector<std::string>& hints) {
  const int columns = sqlite3_column_count(s);
  std::vector<std::optional<FieldSpec>> fields(static_cast<size_t>(columns));
  for (int c = 0; c < columns; ++c) {
    if (const char* decl = sqlite3_column_decltype(s, c)) fields[c] = fieldFromDeclared(decl);
    if (!fields[c] && static_cast<size_t>(c) < hints.size() && !hints[c].empty())
      fields[c] = fieldFromDeclared(hints[c]);
  }
  return fields;
}

std::string columnName(sqlite3_stmt* s, int c) {
  const char* name = sqlite3_column_name(s, c);
  return name ? name : "";
}

namespace {

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

// The column's value is read through one call; the value accessors after it work on it alone.
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

// A column with no type of its own: its values decide.
struct UntypedColumn {
  bool anyInt = false, anyFloat = false, anyText = false, narrow = true;
  size_t maxLength = 0;

  FieldSpec field() const {
    if (anyText) return {adVarChar, static_cast<int32_t>(std::max<size_t>(maxLength, 1)), FieldSpec::Text};
    if (anyFloat) return {adDouble, 8, FieldSpec::Double};
    if (anyInt) return narrow ? FieldSpec{adInteger, 4, FieldSpec::I32} : FieldSpec{adBigInt, 8, FieldSpec::I64};
    return {adVarChar, 255, FieldSpec::Text};
  }
};

void appendFields(Recordset& rs, sqlite3_stmt* s, const std::vector<FieldSpec>& fields) {
  for (size_t c = 0; c < fields.size(); ++c)
    rs.appendResultField(columnName(s, static_cast<int>(c)), fields[c].type, fields[c].size, kResultAttributes);
}

// Every column typed: the rows go straight into the record set.
RecordsetRef readTyped(Statement& stmt, const std::vector<FieldSpec>& fields) {
  sqlite3_stmt* s = stmt.get();
  auto rs = Recordset::create();
  appendFields(*rs, s, fields);
  while (stmt.step()) {
    const size_t row = rs->appendRow();
    for (size_t c = 0; c < fields.size(); ++c) storeRaw(*rs, row, c, fields[c], rawValue(s, static_cast<int>(c)));
  }
  rs->openMaterialised();
  return rs;
}

// Some column has no type: keep the rows, let the values decide, then build the record set.
RecordsetRef readUntyped(Statement& stmt, std::vector<std::optional<FieldSpec>> declared) {
  using Value = std::variant<std::monostate, int64_t, double, std::string>;
  sqlite3_stmt* s = stmt.get();
  const size_t columns = declared.size();
  std::vector<Value> values;  // row after row
  std::vector<UntypedColumn> seen(columns);
  size_t rows = 0;
  while (stmt.step()) {
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
  std::vector<FieldSpec> fields;
  for (size_t c = 0; c < columns; ++c) fields.push_back(declared[c].value_or(seen[c].field()));
  auto rs = Recordset::create();
  appendFields(*rs, s, fields);
  for (size_t r = 0; r < rows; ++r) {
    const size_t row = rs->appendRow();
    for (size_t c = 0; c < columns; ++c) {
      const Value& v = values[r * columns + c];
      Raw raw;
      if (auto* i = std::get_if<int64_t>(&v)) raw.type = SQLITE_INTEGER, raw.i = *i;
      else if (auto* d = std::get_if<double>(&v)) raw.type = SQLITE_FLOAT, raw.d = *d;
      else if (auto* t = std::get_if<std::string>(&v)) raw.type = SQLITE_TEXT, raw.text = *t;
      storeRaw(*rs, row, c, fields[c], raw);
    }
  }
  rs->openMaterialised();
  return rs;
}

}  // namespace

RecordsetRef readAll(Statement& stmt, const std::vector<std::string>& hints) {
  std::vector<std::optional<FieldSpec>> declared = declaredFields(stmt.get(), hints);
  if (!std::all_of(declared.begin(), declared.end(), [](const auto& f) { return f.has_value(); }))
    return readUntyped(stmt, std::move(declared));
  std::vector<FieldSpec> fields;
  for (const auto& f : declared) fields.push_back(*f);
  return readTyped(stmt, fields);
}

void storeColumn(Recordset& rs, size_t row, size_t col, const FieldSpec& field, sqlite3_stmt* s, int c) {
  storeRaw(rs, row, col, field, rawValue(s, c));
}

}  // namespace korvanda::sqlite
