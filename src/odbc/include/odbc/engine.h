// SQL Server (or any ODBC data source) through unixODBC. A batch goes as it is, unless a dialect
// is registered for the data source's DBMS (dialect.h). A session on SQL Server reads date texts
// day first (SET DATEFORMAT DMY). A batch's results are all read: row counts are skipped and the
// rows of the last result that has columns come back. Text is UTF-8 (SQL_C_CHAR). A failure that
// loses the link leaves the connection closed, so that the next getOpenConnection opens it again.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "korvanda/connection.h"
#include "odbc/connection_string.h"
#include "odbc/diagnostics.h"
#include "odbc/dialect.h"

namespace korvanda::odbc {

struct OdbcOptions {
  // Seconds a login may take before the driver gives up (SQL_ATTR_LOGIN_TIMEOUT).
  int loginTimeoutSeconds = 15;
  // Seconds the driver waits on other requests of an open connection (SQL_ATTR_CONNECTION_TIMEOUT).
  int connectionTimeoutSeconds = 30;
  // Seconds a statement may run before it is cancelled with SQLSTATE HYT00; 30 is the data-access
  // library's default command timeout. 0 waits as long as the statement runs.
  int queryTimeoutSeconds = 30;
  // When set, the dialect of this connection instead of the one registered for the data
  // source's DBMS name (dialect.h); a factory that gives nullptr sends every batch as it is.
  DialectFactory dialect;
};

// Connects with the four fields of the registry value: server, user, plain password, database.
// How field 0 makes the connection string: buildConnectionString (connection_string.h).
ConnectionRef openOdbc(const std::string& server, const std::string& user,
                       const std::string& password, const std::string& database);
ConnectionRef openOdbc(const std::string& server, const std::string& user,
                       const std::string& password, const std::string& database,
                       const OdbcOptions& options);

// The drivers and data sources the driver manager knows (as ODBCSYSINI and ODBCINI point).
OdbcCatalog installedCatalog();

class OdbcConnection : public Connection {
 public:
  OdbcConnection(std::string connectionString, OdbcOptions options);  // connects
  ~OdbcConnection() override;

  int32_t state() const override;
  void open() override;
  void close() override;
  std::shared_ptr<Recordset> openSchemaTables() override;
  void beginTrans() override;
  void commitTrans() override;
  void rollbackTrans() override;

  // What the data source calls itself ("Microsoft SQL Server", "SQLite"...).
  const std::string& dbmsName() const { return dbmsName_; }
  // How batches are sent (dialect.h); nullptr: as they are.
  const StatementDialect* dialect() const { return dialect_.get(); }

 protected:
  std::shared_ptr<Recordset> run(std::string_view sql) override;

 private:
  void connect();
  void runBatch(const std::string& text, std::shared_ptr<Recordset>& last,
                const std::vector<std::string>& resultTypes = {});
  void drop() noexcept;  // forgets a connection that is gone, without asking the server
  bool connectionDead() const;
  void requireOpen() const;
  void endTransaction(SQLSMALLINT completion);
  // One statement that gives no rows, outside the dialect and the trace.
  void execDirect(const char* sql, const char* failure);
  // Runs f; a failure that lost the link leaves the connection closed.
  template <class F> decltype(auto) guarded(F&& f);

  std::string connectionString_;
  OdbcOptions options_;
  Handle env_, dbc_;
  bool open_ = false;
  bool inTransaction_ = false;
  // The transaction began with the dialect's statement: the driver stays in autocommit mode.
  bool transactionByStatement_ = false;
  std::string dbmsName_;
  std::unique_ptr<StatementDialect> dialect_;
};

}  // namespace korvanda::odbc
