#include "odbc/engine.h"

#include <sqlite3.h>

#include <algorithm>
#include <cctype>
#include <variant>

#include "core/statement_rule.h"
#include "odbc/columns.h"
#include "odbc/statements.h"
#include "sqlite/functions.h"
#include "sqlite/procedures.h"
#include "sqlite/translate.h"
#include "core/ascii.h"

namespace korvanda::odbc {
namespace {

constexpr const char* kConnectionSource = "ADODB.Connection";

std::string infoText(SQLHDBC dbc, SQLUSMALLINT what) {
  char buf[256] = {};
  SQLSMALLINT len = 0;
  if (!succeeded(SQLGetInfo(dbc, what, buf, sizeof buf, &len))) return {};
  return buf;
}

Handle newEnvironment() {
  Handle env(SQL_HANDLE_ENV, SQL_NULL_HANDLE);
  env.check(SQLSetEnvAttr(env.get(), SQL_ATTR_ODBC_VERSION,
                          reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0),
            "Cannot select ODBC 3");
  return env;
}

// A statement the translation cannot take, as the data-access library reports a statement the
// server rejects.
constexpr int32_t kCommandError = -2147217900;  // 0x80040E14

template <class... F> struct Overloaded : F... { using F::operator()...; };
template <class... F> Overloaded(F...) -> Overloaded<F...>;

}  // namespace

OdbcCatalog installedCatalog() {
  OdbcCatalog out;
  Handle env = newEnvironment();
  SQLCHAR name[512], attrs[2048];
  SQLSMALLINT nameLen = 0, attrsLen = 0;
  for (SQLUSMALLINT dir = SQL_FETCH_FIRST;; dir = SQL_FETCH_NEXT) {
    if (!succeeded(SQLDrivers(env.get(), dir, name, sizeof name, &nameLen, attrs, sizeof attrs,
                              &attrsLen)))
      break;
    out.drivers.emplace_back(reinterpret_cast<char*>(name));
  }
  for (SQLUSMALLINT dir = SQL_FETCH_FIRST;; dir = SQL_FETCH_NEXT) {
    if (!succeeded(SQLDataSources(env.get(), dir, name, sizeof name, &nameLen, attrs,
                                  sizeof attrs, &attrsLen)))
      break;
    out.dataSources.emplace_back(reinterpret_cast<char*>(name));
    out.dataSourceDrivers.emplace_back(reinterpret_cast<char*>(attrs));  // the driver it names
  }
  return out;
}

ConnectionRef openOdbc(const std::string& server, const std::string& user,
                       const std::string& password, const std::string& database) {
  return openOdbc(server, user, password, database, OdbcOptions{});
}

ConnectionRef openOdbc(const std::string& server, const std::string& user,
                       const std::string& password, const std::string& database,
                       const OdbcOptions& options) {
  // The driver and data source lists are read only when field 0 is not a connection string,
  // or is one that names a data source and no driver.
  OdbcCatalog catalog;
  if (server.find('=') == std::string::npos ||
      (keywordValue(server, "DSN") && !keywordValue(server, "DRIVER")))
    catalog = installedCatalog();
  return std::make_shared<OdbcConnection>(
      buildConnectionString(server, user, password, database, catalog), options);
}

OdbcConnection::OdbcConnection(std::string connectionString, OdbcOptions options)
    : connectionString_(std::move(connectionString)), options_(std::move(options)) {
  connect();
}

OdbcConnection::~OdbcConnection() {
  if (!open_) return;
  // Work not committed is rolled back, as the server would do when the session ends (SQLite
  // does when the driver closes the file).
  if (inTransaction_ && !sqliteTarget_) SQLEndTran(SQL_HANDLE_DBC, dbc_.get(), SQL_ROLLBACK);
  SQLDisconnect(dbc_.get());
}

void OdbcConnection::connect() {
  Handle env = newEnvironment();
  Handle dbc(SQL_HANDLE_DBC, env.get());
  auto seconds = [](int s) { return reinterpret_cast<SQLPOINTER>(static_cast<SQLULEN>(std::max(s, 0))); };
  // A driver without these keeps its own timeouts: not a reason to refuse the connection.
  SQLSetConnectAttr(dbc.get(), SQL_ATTR_LOGIN_TIMEOUT, seconds(options_.loginTimeoutSeconds), 0);
  SQLSetConnectAttr(dbc.get(), SQL_ATTR_CONNECTION_TIMEOUT,
                    seconds(options_.connectionTimeoutSeconds), 0);
  SQLSMALLINT outLen = 0;
  SQLRETURN rc = SQLDriverConnect(
      dbc.get(), nullptr,
      reinterpret_cast<SQLCHAR*>(const_cast<char*>(connectionString_.c_str())), SQL_NTS, nullptr,
      0, &outLen, SQL_DRIVER_NOPROMPT);
  if (!succeeded(rc)) {
    auto records = dbc.diagnostics();
    if (records.empty()) records = env.diagnostics();
    throw toError(records, "Cannot connect with " + redacted(connectionString_));
  }
  env_ = std::move(env);
  dbc_ = std::move(dbc);
  open_ = true;
  inTransaction_ = false;
  dbmsName_ = infoText(dbc_.get(), SQL_DBMS_NAME);
  sqliteTarget_ = ascii::startsWithIgnoreCase(dbmsName_, "SQLite");
  translate_ = options_.translate.value_or(sqliteTarget_);
  schema_.reset();
  schemaVersion_ = -1;
  if (dbmsName_.find("SQL Server") != std::string::npos) {
    // Day-first date literals for the whole session, as the statements write them.
    try {
      execDirect("SET DATEFORMAT DMY", "Cannot set the session's date format");
    } catch (...) {
      drop();
      throw;
    }
  }
}

void OdbcConnection::execDirect(const char* sql, const char* failure) {
  Handle stmt(SQL_HANDLE_STMT, dbc_.get());
  stmt.check(SQLExecDirect(stmt.get(), reinterpret_cast<SQLCHAR*>(const_cast<char*>(sql)), SQL_NTS),
             failure);
}

void OdbcConnection::drop() noexcept {
  if (dbc_) SQLDisconnect(dbc_.get());
  dbc_.reset();
  env_.reset();
  open_ = false;
  inTransaction_ = false;
}

bool OdbcConnection::connectionDead() const {
  if (!open_) return true;
  SQLUINTEGER dead = SQL_CD_FALSE;
  if (!succeeded(SQLGetConnectAttr(dbc_.get(), SQL_ATTR_CONNECTION_DEAD, &dead, 0, nullptr)))
    return false;
  return dead == SQL_CD_TRUE;
}

int32_t OdbcConnection::state() const { return open_ && !connectionDead() ? 1 : 0; }

void OdbcConnection::requireOpen() const {
  if (!open_) throw errors::closedObject();
}

template <class F>
decltype(auto) OdbcConnection::guarded(F&& f) {
  try {
    return f();
  } catch (const DriverError& e) {
    if (e.linkLost() || connectionDead()) drop();
    throw;
  }
}

void OdbcConnection::open() {
  if (open_ && !connectionDead()) throw errors::openObject();
  drop();
  connect();
}

void OdbcConnection::close() {
  requireOpen();
  if (inTransaction_)
    throw Error(3246, kConnectionSource,
                "Connection object cannot be explicitly closed while in a transaction.");
  SQLRETURN rc = SQLDisconnect(dbc_.get());
  if (!succeeded(rc)) {
    auto records = dbc_.diagnostics();
    if (!anyLinkFailure(records)) throw toError(records, "Cannot close the connection");
  }
  drop();
}

std::shared_ptr<Recordset> OdbcConnection::run(std::string_view sql) {
  requireOpen();
  return guarded([&] {
    if (translate_) return runTranslated(sql);
    std::shared_ptr<Recordset> last;
    if (!sqliteTarget_) {
      runBatch(std::string(sql), last);
      return last;
    }
    // SQLite's driver runs one statement per call: the batch goes statement by statement.
    const std::vector<std::string> pieces = splitSqliteStatements(sql);
    requireStatementCount(pieces.size(), kCommandError, kOdbcSource);
    for (const std::string& piece : pieces) runBatch(piece, last);
    return last;
  });
}

std::shared_ptr<Recordset> OdbcConnection::runTranslated(std::string_view tsql) {
  sqlite::Translation translation;
  try {
    translation = sqlite::translate(tsql, schema());
  } catch (const sqlite::TranslationError& e) {
    throw Error(kCommandError, kOdbcSource, std::string("Cannot translate the statement: ") + e.what());
  }
  requireStatementCount(translation.steps.size(), kCommandError, kOdbcSource);
  std::shared_ptr<Recordset> last;
  for (const sqlite::Step& step : translation.steps) {
    std::visit(Overloaded{
                   [&](const sqlite::SqlStep& s) {
                     for (const std::string& piece : splitSqliteStatements(s.sql))
                       runBatch(piece, last, s.resultTypes);
                   },
                   [&](const sqlite::ProcedureStep& p) { runSqliteProcedure(p); },
                   [&](const sqlite::CopyTableStep& c) {
                     throw Error(kCommandError, kOdbcSource,
                                 "Copying table " + c.source +
                                     " into a new table runs only on the embedded engine");
                   },
               },
               step);
  }
  return last;
}

void OdbcConnection::runSqliteProcedure(const sqlite::ProcedureStep& step) {
  // The embedded engine's procedures are C++ on a SQLite handle: they run on a handle of their
  // own to the same file, which needs the file's name and no transaction holding it locked.
  auto file = keywordValue(connectionString_, "Database");
  if (!file || file->empty() || inTransaction_)
    throw Error(kCommandError, kOdbcSource,
                "The procedure " + step.name + " runs on a SQLite data source only when the "
                "connection names its Database file and no transaction is open");
  sqlite3* raw = nullptr;
  int rc = sqlite3_open_v2(file->c_str(), &raw, SQLITE_OPEN_READWRITE, nullptr);
  std::unique_ptr<sqlite3, decltype(&sqlite3_close)> db(raw, &sqlite3_close);
  if (rc == SQLITE_OK) rc = sqlite::registerTsqlFunctions(db.get());  // the text columns' collation
  if (rc != SQLITE_OK)
    throw Error(kUnspecifiedError, kOdbcSource,
                "Cannot open " + *file + " for the procedure " + step.name + ": " +
                    (raw ? sqlite3_errmsg(raw) : sqlite3_errstr(rc)));
  sqlite3_busy_timeout(db.get(), 10000);
  sqlite::runProcedure(db.get(), step.name, step.args);
}

const sqlite::SchemaSnapshot& OdbcConnection::schema() {
  // The snapshot is read again whenever the database's schema changed, by anyone.
  std::shared_ptr<Recordset> version;
  runBatch("PRAGMA schema_version", version);
  int64_t current = version && version->rowCount() ? toInt64(version->value(size_t{0})) : -2;
  if (schema_ && current == schemaVersion_) return *schema_;
  std::shared_ptr<Recordset> rs;
  runBatch("SELECT m.name, m.type, c.name, c.type, c.hidden FROM sqlite_master AS m "
           "JOIN pragma_table_xinfo(m.name) AS c WHERE m.type IN ('table', 'view') "
           "ORDER BY m.name, c.cid",
           rs);
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

void OdbcConnection::runBatch(const std::string& text, std::shared_ptr<Recordset>& last,
                              const std::vector<std::string>& resultTypes) {
  Handle stmt(SQL_HANDLE_STMT, dbc_.get());
  if (options_.queryTimeoutSeconds > 0)
    SQLSetStmtAttr(stmt.get(), SQL_ATTR_QUERY_TIMEOUT,
                   reinterpret_cast<SQLPOINTER>(static_cast<SQLULEN>(options_.queryTimeoutSeconds)),
                   0);
  SQLRETURN rc = SQLExecDirect(stmt.get(), reinterpret_cast<SQLCHAR*>(const_cast<char*>(text.data())),
                               static_cast<SQLINTEGER>(text.size()));
  stmt.check(rc, "The statement failed");
  // Every result of the batch: row counts are skipped, the last one with columns is kept.
  for (;;) {
    SQLSMALLINT columns = 0;
    if (rc != SQL_NO_DATA) {
      stmt.check(SQLNumResultCols(stmt.get(), &columns), "Cannot read the result");
      if (columns > 0) last = materialise(stmt, columns, resultTypes, sqliteTarget_);
    }
    rc = SQLMoreResults(stmt.get());
    if (rc == SQL_NO_DATA) break;
    stmt.check(rc, "The statement failed");
  }
}

std::shared_ptr<Recordset> OdbcConnection::openSchemaTables() {
  requireOpen();
  return guarded([&] {
    Handle stmt(SQL_HANDLE_STMT, dbc_.get());
    stmt.check(SQLTables(stmt.get(), nullptr, 0, nullptr, 0, nullptr, 0, nullptr, 0),
               "Cannot list the tables");
    // The columns of the data-access library's table listing, from SQLTables' first five.
    auto rs = Recordset::create();
    constexpr int32_t kAttributes = adFldUpdatable | adFldIsNullable | adFldMayBeNull;
    rs->appendField("TABLE_CATALOG", adVarChar, 128, kAttributes);
    rs->appendField("TABLE_SCHEMA", adVarChar, 128, kAttributes);
    rs->appendField("TABLE_NAME", adVarChar, 128, kAttributes);
    rs->appendField("TABLE_TYPE", adVarChar, 128, kAttributes);
    rs->appendField("DESCRIPTION", adVarChar, 255, kAttributes);
    for (;;) {
      SQLRETURN rc = SQLFetch(stmt.get());
      if (rc == SQL_NO_DATA) break;
      stmt.check(rc, "Cannot list the tables");
      size_t row = rs->appendRow();
      for (SQLUSMALLINT col = 1; col <= 5; ++col) {
        char value[512];
        SQLLEN ind = 0;
        stmt.check(SQLGetData(stmt.get(), col, SQL_C_CHAR, value, sizeof value, &ind),
                   "Cannot list the tables");
        if (ind == SQL_NULL_DATA) rs->storeNull(row, col - 1u);
        else rs->storeText(row, col - 1u, value);
      }
    }
    rs->openMaterialised();
    return rs;
  });
}

void OdbcConnection::beginTrans() {
  requireOpen();
  if (inTransaction_)
    throw Error(-2147168237, kConnectionSource, "Only one transaction can be active on this session.");
  if (sqliteTarget_) {
    // SQLite's driver would begin a deferred transaction: two sessions that both read and
    // then write fail with "database is locked". IMMEDIATE takes the write lock first, as
    // the embedded engine does; the driver stays in autocommit mode and leaves it alone.
    guarded([&] { execDirect("BEGIN IMMEDIATE", "Cannot begin a transaction"); });
    inTransaction_ = true;
    return;
  }
  guarded([&] {
    dbc_.check(SQLSetConnectAttr(dbc_.get(), SQL_ATTR_AUTOCOMMIT,
                                 reinterpret_cast<SQLPOINTER>(SQL_AUTOCOMMIT_OFF), 0),
               "Cannot begin a transaction");
  });
  inTransaction_ = true;
}

void OdbcConnection::endTransaction(SQLSMALLINT completion) {
  requireOpen();
  if (!inTransaction_)
    throw Error(-2147168242, kConnectionSource, "No transaction is active.");
  if (sqliteTarget_) {
    // A failed ROLLBACK means SQLite ended the transaction itself; a failed COMMIT leaves it
    // open for the ROLLBACK.
    if (completion == SQL_COMMIT)
      guarded([&] { execDirect("COMMIT", "Cannot commit the transaction"); });
    inTransaction_ = false;
    if (completion != SQL_COMMIT)
      guarded([&] { execDirect("ROLLBACK", "Cannot roll back the transaction"); });
    return;
  }
  guarded([&] {
    dbc_.check(SQLEndTran(SQL_HANDLE_DBC, dbc_.get(), completion),
               completion == SQL_COMMIT ? "Cannot commit the transaction"
                                        : "Cannot roll back the transaction");
    inTransaction_ = false;
    dbc_.check(SQLSetConnectAttr(dbc_.get(), SQL_ATTR_AUTOCOMMIT,
                                 reinterpret_cast<SQLPOINTER>(SQL_AUTOCOMMIT_ON), 0),
               "Cannot return to autocommit");
  });
}

void OdbcConnection::commitTrans() { endTransaction(SQL_COMMIT); }
void OdbcConnection::rollbackTrans() { endTransaction(SQL_ROLLBACK); }

}  // namespace korvanda::odbc
