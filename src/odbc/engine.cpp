#include "odbc/engine.h"

#include <algorithm>

#include "core/statement_rule.h"
#include "odbc/columns.h"

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

// A batch the dialect cannot take, as the data-access library reports a statement the server
// rejects.
constexpr int32_t kCommandError = -2147217900;  // 0x80040E14

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
  // Work not committed is rolled back, as the server would do when the session ends (a
  // transaction begun by statement ends with the session).
  if (inTransaction_ && !transactionByStatement_) SQLEndTran(SQL_HANDLE_DBC, dbc_.get(), SQL_ROLLBACK);
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
  dialect_ = options_.dialect ? options_.dialect() : dialectFor(dbmsName_);
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
  if (!open_) throw errors::closedConnection();
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
  if (open_ && !connectionDead()) throw errors::openConnection();
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
    std::shared_ptr<Recordset> last;
    if (!dialect_) {
      runBatch(std::string(sql), last);
      return last;
    }
    std::vector<DialectStatement> statements;
    try {
      statements = dialect_->statements(sql, [this](const std::string& s) {
        std::shared_ptr<Recordset> rows;
        runBatch(s, rows);
        return rows;
      });
    } catch (const DialectError& e) {
      throw Error(kCommandError, kOdbcSource, e.what());
    }
    requireStatementCount(statements.size(), kCommandError, kOdbcSource);
    for (const DialectStatement& s : statements) {
      std::shared_ptr<Recordset> rows;
      runBatch(s.sql, rows, s.resultTypes);
      if (rows && s.givesResult) last = std::move(rows);
    }
    return last;
  });
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
      if (columns > 0)
        last = materialise(stmt, columns, resultTypes, dialect_ && dialect_->valuesAsText());
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
  if (std::string begin = dialect_ ? dialect_->beginTransaction() : std::string(); !begin.empty()) {
    guarded([&] { execDirect(begin.c_str(), "Cannot begin a transaction"); });
    inTransaction_ = transactionByStatement_ = true;
    return;
  }
  guarded([&] {
    dbc_.check(SQLSetConnectAttr(dbc_.get(), SQL_ATTR_AUTOCOMMIT,
                                 reinterpret_cast<SQLPOINTER>(SQL_AUTOCOMMIT_OFF), 0),
               "Cannot begin a transaction");
  });
  inTransaction_ = true;
  transactionByStatement_ = false;
}

void OdbcConnection::endTransaction(SQLSMALLINT completion) {
  requireOpen();
  if (!inTransaction_)
    throw Error(-2147168242, kConnectionSource, "No transaction is active.");
  if (transactionByStatement_) {
    // A failed ROLLBACK means the database ended the transaction itself; a failed COMMIT leaves
    // it open for the ROLLBACK.
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
