#include "sqlite/engine.h"

#include <sqlite3.h>
#include <sys/stat.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <optional>
#include <unordered_map>
#include <utility>
#include <variant>

#include "korvanda/error.h"
#include "core/recordset_store.h"
#include "core/statement_rule.h"
#include "sqlite/procedures.h"
#include "sqlite/schema_sql.h"
#include "sqlite/toolkit.h"
#include "sqlite/translate.h"
#include "sqlite/upgrade.h"
#include "core/ascii.h"
#include "statement_cache.h"

namespace korvanda::sqlite {
namespace {

using ascii::upper;

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

class EmbeddedConnection final : public Connection {
 public:
  EmbeddedConnection(std::string file, std::chrono::milliseconds busyTimeout)
      : file_(std::move(file)), busyTimeout_(busyTimeout) {}

  int32_t state() const override { return db_ ? 1 : 0; }

  void open() override {
    if (db_) throw errors::openConnection();
    std::error_code ec;
    auto status = std::filesystem::status(file_, ec);
    if (ec || !std::filesystem::exists(status))
      throw Error(kErrConnection, kErrorSource,
                  "Cannot open database \"" + file_ + "\": the file does not exist.");
    if (!std::filesystem::is_regular_file(status))
      throw Error(kErrConnection, kErrorSource,
                  "Cannot open database \"" + file_ + "\": it is not a file.");
    Database db;
    try {
      db = Database::open(file_, SQLITE_OPEN_READWRITE, busyTimeout_);
      // The first read of the file: a file that is not a database fails here. One without
      // tables (an empty file reads as one) is not the library's database either: refused
      // before anything, the journal mode first, writes to it.
      Statement tables = prepare(db.get(), "SELECT 1 FROM sqlite_schema WHERE type = 'table'");
      if (!tables.step())
        throw Error(kErrConnection, kErrorSource, "it is not a KORVANDA database (it holds no tables).");
      tables.finalize();
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
    schemaSettled_ = false;
    cache_.clear();
  }

  void close() override {
    if (!db_) throw errors::closedConnection();
    if (db_.inTransaction())
      throw Error(3246, "ADODB.Connection", "Connection object cannot be explicitly closed while in a transaction.");
    closeDatabase();
  }

  std::shared_ptr<Recordset> openSchemaTables() override {
    requireOpen();
    std::vector<SchemaObject> objects = schemaObjects(db_.get());
    objects.push_back({"sqlite_schema", "table"});
    std::sort(objects.begin(), objects.end(), [](const auto& a, const auto& b) { return a.name < b.name; });
    auto rs = Recordset::create();
    rs->appendField("TABLE_CATALOG", adVarChar, 128, kResultAttributes);
    rs->appendField("TABLE_SCHEMA", adVarChar, 128, kResultAttributes);
    rs->appendField("TABLE_NAME", adVarChar, 128, kResultAttributes);
    rs->appendField("TABLE_TYPE", adVarChar, 128, kResultAttributes);
    rs->appendField("DESCRIPTION", adVarChar, 255, kResultAttributes);
    for (const SchemaObject& o : objects) {
      const bool system = ascii::startsWithIgnoreCase(o.name, "sqlite_");
      const size_t row = rs->appendRow();
      rs->storeNull(row, 0);
      rs->storeNull(row, 1);
      rs->storeText(row, 2, o.name);
      rs->storeText(row, 3, system ? "SYSTEM TABLE" : o.type == "view" ? "VIEW" : "TABLE");
      rs->storeNull(row, 4);
    }
    rs->openMaterialised();
    return rs;
  }

  void beginTrans() override {
    requireOpen();
    if (db_.inTransaction())
      throw Error(kErrNestedTransaction, kErrorSource, "Only one transaction can be active on this session.");
    // IMMEDIATE takes the write lock now, so that the transaction never fails half way on it.
    schemaSettled_ = false;
    sqlite::execute(db_.get(), "BEGIN IMMEDIATE");
  }
  void commitTrans() override { endTransaction("COMMIT"); }
  void rollbackTrans() override { endTransaction("ROLLBACK"); }

 protected:
  std::shared_ptr<Recordset> run(std::string_view sql) override {
    requireOpen();
    std::optional<Shape> shape = shapeOf(sql);
    requireSameFile(shape.has_value());
    checkSchema();
    if (shape)
      if (auto done = runShape(sql, *shape)) return *done;
    schemaSettled_ = false;  // the text may change the schema or end the transaction
    return runSteps(*translation(sql), false);
  }
  std::shared_ptr<Recordset> runForwardOnly(std::string_view sql) override {
    requireOpen();
    requireSameFile(false);
    checkSchema();
    schemaSettled_ = false;
    return runSteps(*translation(sql), true);
  }

 private:
  // A plain statement through the prepared statement of its shape: nullptr when it gives no
  // rows, nullopt when the text is left to the translation.
  std::optional<std::shared_ptr<Recordset>> runShape(std::string_view sql, const Shape& shape) {
    StatementCache::Entry* entry = statements_.find(shape.key);
    if (!entry) {
      std::shared_ptr<const Translation> tr = translation(sql);
      entry = &statements_.add(shape.key, learnShape(db_.get(), sql, shape, schema_, *tr));
      if (!entry->stmt) return runSteps(*tr, false);
    }
    if (!entry->stmt) return std::nullopt;
    Statement& stmt = entry->stmt;
    struct Reset {
      sqlite3_stmt* s;
      ~Reset() {
        sqlite3_reset(s);
        sqlite3_clear_bindings(s);
      }
    } reset{stmt.get()};
    // A value the template cannot take as it is (a bad date...) goes through the translation,
    // which refuses it as ever.
    if (!bindValues(stmt.get(), entry->shape, shape)) return std::nullopt;
    if (stmt.columnCount() == 0) {
      stmt.run();
      return std::shared_ptr<Recordset>();
    }
    return readAll(stmt, entry->shape.resultTypes);
  }

  // The batch's steps in order; with forwardLast, the rows of the last step are left in its open
  // statement for a forward-only record set.
  std::shared_ptr<Recordset> runSteps(const Translation& tr, bool forwardLast) {
    requireStatementCount(tr.steps.size(), kErrStatement, kErrorSource);
    std::shared_ptr<Recordset> last;
    for (const Step& step : tr.steps) {
      if (auto* s = std::get_if<SqlStep>(&step)) {
        const bool open = forwardLast && &step == &tr.steps.back();
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
    if (!db_) throw errors::closedConnection();
  }

  // A file deleted or replaced under an open connection would take the statements into the old,
  // unlinked file, and what they store would be lost: the connection closes instead, so that
  // the next getOpenConnection opens whatever is at the path now. Inside a transaction, the file
  // is looked at once and again at its commit: the statements of shapes in between cannot end
  // it, and a commit refused for a replaced file loses them all together, never silently.
  void requireSameFile(bool shape) {
    if (shape && schemaSettled_ && db_.inTransaction()) return;
    struct stat st {};
    if (::stat(file_.c_str(), &st) == 0 && st.st_dev == fileDevice_ && st.st_ino == fileInode_) return;
    closeDatabase();
    throw Error(kErrConnection, kErrorSource,
                "The database file \"" + file_ +
                    "\" was removed or replaced while the connection was open; the connection is closed.");
  }

  // The prepared statements go first: SQLite closes a database only once they are finalized.
  void closeDatabase() {
    statements_.clear();
    schemaVersionStmt_.finalize();
    db_.close();
  }

  void endTransaction(const char* verb) {
    requireOpen();
    if (std::string_view(verb) == "COMMIT" && db_.inTransaction()) requireSameFile(false);
    schemaSettled_ = false;
    if (!db_.inTransaction()) throw Error(kErrNoTransaction, kErrorSource, "No transaction is active.");
    db_.endTransaction(verb);
  }

  // The translation of a text, cached while the schema stays the same.
  std::shared_ptr<const Translation> translation(std::string_view sql) {
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

  // Once per statement text: the schema read again when it changed, and what was translated
  // from the old one forgotten. Inside a transaction, once looked at, the schema can only change
  // through this connection (the snapshot of the transaction stays), and only statements of
  // shapes, which do not change it, keep it settled.
  void checkSchema() {
    if (schemaSettled_ && db_.inTransaction()) return;
    if (!schemaVersionStmt_) schemaVersionStmt_ = prepare(db_.get(), "PRAGMA schema_version");
    schemaVersionStmt_.rewind();
    schemaVersionStmt_.step();
    const int version = static_cast<int>(schemaVersionStmt_.integer(0));
    schemaVersionStmt_.rewind();
    schemaSettled_ = db_.inTransaction();
    if (version == schemaVersion_) return;
    schema_ = readSchema(db_.get());
    schemaVersion_ = version;
    cache_.clear();
    statements_.clear();
  }

  // The prepared statement of a step that gives rows; a statement without columns is run to its
  // end here and gives none.
  std::optional<Statement> prepareRows(const SqlStep& step) {
    Statement stmt = prepare(db_.get(), step.sql);
    if (stmt.columnCount() != 0) return stmt;
    stmt.run();
    return std::nullopt;
  }

  std::shared_ptr<Recordset> runSql(const SqlStep& step) {
    std::optional<Statement> stmt = prepareRows(step);
    return stmt ? readAll(*stmt, step.resultTypes) : nullptr;
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
      if (!std::exchange(firstStepped_, false) && !stmt_.step()) {
        stmt_.finalize();  // ends the read at once
        return false;
      }
      for (size_t c = 0; c < specs_.size(); ++c) storeColumn(rs, row, c, specs_[c], stmt_.get(), static_cast<int>(c));
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
        const std::string count = "SELECT COUNT(*) FROM (" + std::string(inner) + "\n)";
        sqlite3_stmt* raw = nullptr;
        sqlite3_prepare_v2(db_, count.c_str(), static_cast<int>(count.size()), &raw, nullptr);
        Statement st(raw);
        if (st && sqlite3_step(raw) == SQLITE_ROW) count_ = SizeHint{SizeHint::kRecords, st.integer(0)};
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
    auto declared = declaredFields(s, step.resultTypes);
    const bool stepped =
        !std::all_of(declared.begin(), declared.end(), [](const auto& f) { return f.has_value(); }) && stmt->step();
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

  // SELECT t.* INTO target FROM source [IN 'file']: the source's definition and rows.
  void copyTable(const CopyTableStep& step) {
    std::error_code ec;
    if (!step.file.empty() && !std::filesystem::is_regular_file(step.file, ec))
      throw Error(kErrConnection, kErrorSource, "Could not find file '" + step.file + "'.");
    if (!sqlite::copyTable(db_, TableCopy{step.target, step.source, step.file, TableCopy::Definition::Whole}))
      throw Error(kErrStatement, kErrorSource, "Invalid object name '" + step.source + "'.");
  }

  static constexpr size_t kCacheEntries = 512;
  static constexpr size_t kShapes = 128;

  std::string file_;
  std::chrono::milliseconds busyTimeout_;
  dev_t fileDevice_ = 0;
  ino_t fileInode_ = 0;
  Database db_;
  SchemaSnapshot schema_;
  int schemaVersion_ = -1;
  bool schemaSettled_ = false;
  std::unordered_map<std::string, std::shared_ptr<const Translation>> cache_;
  // After db_: finalized before it closes.
  Statement schemaVersionStmt_;
  StatementCache statements_{kShapes};
};

}  // namespace

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
  Database db;
  std::string step = "Cannot create database \"" + file + "\"";
  try {
    db = Database::open(file, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_EXCLUSIVE);
    execute(db.get(), "PRAGMA journal_mode=WAL");
    execute(db.get(), "BEGIN");
    step = "Creating the tables of \"" + file + "\"";
    int rc = sqlite3_exec(db.get(), embedded::kTablesSql, nullptr, nullptr, nullptr);
    if (rc == SQLITE_OK && withDemoData) {
      step = "Loading the demo data into \"" + file + "\"";
      rc = sqlite3_exec(db.get(), embedded::kDemoSql, nullptr, nullptr, nullptr);
    }
    if (rc != SQLITE_OK) throwSqlite(db.get(), rc);
    step = "Creating \"" + file + "\"";
    execute(db.get(), "COMMIT");
  } catch (const Error& e) {
    db.close();
    for (const char* suffix : {"", "-wal", "-shm", "-journal"}) std::filesystem::remove(file + suffix, ec);
    throw Error(e.number(), e.source(), step + ": " + e.description());
  }
}

}  // namespace korvanda::sqlite
