// A database connection as the library uses it: the embedded engine and ODBC implement it.
//
// Connections are shared (ConnectionRef); the last reference closes the database handle. A
// connection is used by one thread at a time. The library's classes work on the calling
// thread's shared connection (see clsCatValida.h), so a connection obtained on one thread is
// handed to another only when the caller orders the calls.
// Errors: 3704 used while closed, 3705 opened while open, 3246 closed inside a transaction, and
// the engine's own negative numbers (-2147217900 a statement the database refuses, -2147217873
// a key or constraint violated, -2147217871 the database stayed locked past the busy timeout,
// -2147467259 the database cannot be opened).
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "korvanda/dispatch.h"
#include "korvanda/recordset.h"
#include "korvanda/export.h"

KORVANDA_API_BEGIN
namespace korvanda {

class Connection : public Dispatchable {
 public:
  ~Connection() override = default;
  const DispatchTable& dispatchTable() const override;

  // Every statement the library hands to a connection passes through these three, which write
  // the statement trace before the engine sees the text.
  // Runs a statement or batch; the rows of its last result set, or nullptr when it gives none.
  // The record set is the caller's and outlives the connection.
  std::shared_ptr<Recordset> execute(std::string_view sql);
  // Runs a query into a disconnected record set (possibly empty) with the given lock type.
  // A statement that gives no result set answers a closed record set.
  std::shared_ptr<Recordset> query(std::string_view sql, int32_t lockType = adLockReadOnly);
  // Runs a query into a read-only, forward-only record set that reads the rows from the open
  // statement as it moves, where the engine can (the embedded one); elsewhere the rows are
  // read at once into a static record set (its CursorType tells which). A forward-only record
  // set keeps its connection alive; once the connection is closed its next move fails (3704).
  std::shared_ptr<Recordset> openForwardOnly(std::string_view sql);

  virtual int32_t state() const = 0;  // 0 closed, 1 open
  virtual void open() = 0;            // opens again with the settings it holds
  virtual void close() = 0;           // 3704 when already closed
  // Tables and views: fields "table_name" and "TABLE_TYPE" ("TABLE", "VIEW", "SYSTEM TABLE").
  virtual std::shared_ptr<Recordset> openSchemaTables() = 0;
  // One transaction at a time: a second BeginTrans fails (-2147168237), and so do Commit and
  // Rollback without one (-2147168242).
  virtual void beginTrans() = 0;
  virtual void commitTrans() = 0;
  virtual void rollbackTrans() = 0;

 protected:
  virtual std::shared_ptr<Recordset> run(std::string_view sql) = 0;
  virtual std::shared_ptr<Recordset> runForwardOnly(std::string_view sql) { return run(sql); }
};
using ConnectionRef = std::shared_ptr<Connection>;
using RecordsetRef = std::shared_ptr<Recordset>;

// Appends {"sql": text} to the file named by KORVANDA_SQL_TRACE, when set, as one write: safe
// from any thread. Never fails; a trace that cannot be written is skipped.
void traceStatement(std::string_view sql);

}  // namespace korvanda
KORVANDA_API_END
