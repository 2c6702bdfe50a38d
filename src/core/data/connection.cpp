#include "korvanda/connection.h"

#include <cstdlib>
#include <nlohmann/json.hpp>

#include "core/binder.h"
#include "core/files.h"

namespace korvanda {

void traceStatement(std::string_view sql) {
  const char* path = std::getenv("KORVANDA_SQL_TRACE");
  if (!path || !*path) return;
  nlohmann::json j = {{"sql", std::string(sql)}};
  std::string line = j.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace) + "\n";
  // The trace is a diagnostic: it never fails a statement. A path that is not a regular file
  // (a named pipe, a device, a symbolic link) is skipped rather than waited on or followed.
  try {
    appendLine(path, line);
  } catch (const Error&) {
  }
}

std::shared_ptr<Recordset> Connection::execute(std::string_view sql) {
  traceStatement(sql);
  return run(sql);
}

std::shared_ptr<Recordset> Connection::query(std::string_view sql, int32_t lockType) {
  traceStatement(sql);
  auto rs = run(sql);
  if (!rs) return Recordset::create();  // closed: what a statement without rows opens
  rs->setLockType(lockType);
  return rs;
}

std::shared_ptr<Recordset> Connection::openForwardOnly(std::string_view sql) {
  traceStatement(sql);
  auto rs = runForwardOnly(sql);
  if (!rs) return Recordset::create();
  if (!rs->forwardOnly()) rs->setLockType(adLockReadOnly);
  return rs;
}

const DispatchTable& Connection::dispatchTable() const {
  using namespace binder;
  using C = Connection;
  static const DispatchTable table(
      "ADODB.Connection",
      {
          get("State", &C::state),
          method("Open", &C::open),
          method("Close", &C::close),
          method("Execute", +[](C& c, std::string sql) -> Variant {
            auto rs = c.execute(sql);
            return rs ? Variant(rs) : Variant();
          }),
          method("BeginTrans", &C::beginTrans),
          method("CommitTrans", &C::commitTrans),
          method("RollbackTrans", &C::rollbackTrans),
      });
  return table;
}

}  // namespace korvanda
