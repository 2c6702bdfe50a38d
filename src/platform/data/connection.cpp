#include "korvanda/connection.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstdlib>
#include <nlohmann/json.hpp>

#include "platform/automation/binder.h"

namespace korvanda {

void traceStatement(std::string_view sql) {
  const char* path = std::getenv("KORVANDA_SQL_TRACE");
  if (!path || !*path) return;
  nlohmann::json j = {{"sql", std::string(sql)}};
  std::string line = j.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace) + "\n";
  int fd = ::open(path, O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
  if (fd < 0) return;  // the trace is a diagnostic: it never fails a statement
  [[maybe_unused]] auto n = ::write(fd, line.data(), line.size());
  ::close(fd);
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
