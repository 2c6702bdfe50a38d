// The per-thread shared connection. The connection sequence needs the outside components and
// the engines; until they exist it fails with a clear error.
#include "component/ModGlobal.h"
#include "component/frame.h"

namespace korvanda {

namespace slot {
ConnectionRef& current() {
  thread_local ConnectionRef connection;
  return connection;
}
void connect() { throw errors::notImplemented("the connection sequence"); }
}  // namespace slot

ConnectionRef getOpenConnection() {
  return frame("KORVANDA.ModGlobal.getOpenConnection", [] {
    ConnectionRef& c = slot::current();
    if (!c) slot::connect();
    else if (c->state() == 0) c->open();
    return c;
  });
}

bool EjecutaQuerySinResultado(const std::string& statement) {
  return frame("KORVANDA.ModGlobal.EjecutaQuerySinResultado", [&] {
    getOpenConnection()->execute(statement);
    return true;
  });
}

}  // namespace korvanda
