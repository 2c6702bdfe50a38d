// A database connection as the library uses it: the embedded engine and ODBC implement it.
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

  // Every statement the library hands to a connection passes through these two, which write
  // the statement trace before the engine sees the text.
  // Runs a statement or batch; the rows of its last result set, or nullptr when it gives none.
  std::shared_ptr<Recordset> execute(std::string_view sql);
  // Runs a query into a disconnected record set (possibly empty) with the given lock type.
  // A statement that gives no result set answers a closed record set.
  std::shared_ptr<Recordset> query(std::string_view sql, int32_t lockType = adLockReadOnly);
  // Runs a query into a read-only, forward-only record set that reads the rows from the open
  // statement as it moves, where the engine can (the embedded one); elsewhere the rows are
  // read at once into a static record set (its CursorType tells which).
  std::shared_ptr<Recordset> openForwardOnly(std::string_view sql);

  virtual int32_t state() const = 0;  // 0 closed, 1 open
  virtual void open() = 0;            // opens again with the settings it holds
  virtual void close() = 0;           // 3704 when already closed
  // Tables and views: fields "table_name" and "TABLE_TYPE" ("TABLE", "VIEW", "SYSTEM TABLE").
  virtual std::shared_ptr<Recordset> openSchemaTables() = 0;
  virtual void beginTrans() = 0;
  virtual void commitTrans() = 0;
  virtual void rollbackTrans() = 0;

 protected:
  virtual std::shared_ptr<Recordset> run(std::string_view sql) = 0;
  virtual std::shared_ptr<Recordset> runForwardOnly(std::string_view sql) { return run(sql); }
};
using ConnectionRef = std::shared_ptr<Connection>;
using RecordsetRef = std::shared_ptr<Recordset>;

// Appends {"sql": text} to the file named by KORVANDA_SQL_TRACE, when set.
void traceStatement(std::string_view sql);

}  // namespace korvanda
KORVANDA_API_END
