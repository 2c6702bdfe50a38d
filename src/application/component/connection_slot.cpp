// The per-thread shared connection: made from the registry value through the outside
// components, reused, and reopened when the application closed it.
#include "component/ModGlobal.h"
#include "component/frame.h"
#include "korvanda/clsCatValida.h"
#include "components/connection_data.h"
#include "components/connector.h"
#include "components/crypto.h"
#include "components/registry.h"

namespace korvanda {
namespace {

using components::CCrypto;
using components::cls_Registry;

// The connection sequence: registry value, split at "|", field 2 decrypted, then the
// connection component with fields 3, 1, 2 and 0. Returns the new connection; storing it is
// the caller's step, so a failure leaves the slot as it was.
ConnectionRef connectionSequence(const CCrypto& crypto, const cls_Registry& registry) {
  components::clsConectaBDStateless conecta;
  std::vector<std::string> fields = components::splitFields(registry.GetRegValue(
      components::kConnectionRoot, components::kConnectionKey,
      components::kConnectionValueName));
  // Indexing past the last field is the runtime's "Subscript out of range".
  auto field = [&](size_t i) -> std::string& {
    if (i >= fields.size()) throw errors::subscriptOutOfRange();
    return fields[i];
  };
  // The installation's key file is read after the field count is known to be enough.
  std::string& password = field(2);
  password = crypto.EncryptDecrypt(password, components::installationKey(), false, 1);
  return conecta.conectaSQLServer(field(3), field(1), field(2), field(0));
}

}  // namespace

namespace slot {
ConnectionRef& current() {
  thread_local ConnectionRef connection;
  return connection;
}
void connect() {
  CCrypto crypto;
  cls_Registry registry;
  // Replaces what the slot held; the old connection is released, not closed.
  current() = connectionSequence(crypto, registry);
}
}  // namespace slot

ConnectionRef getOpenConnection() {
  // Created on every call, before the failure path is armed.
  CCrypto crypto;
  cls_Registry registry;
  return frame("KORVANDA.ModGlobal.getOpenConnection", [&] {
    ConnectionRef& c = slot::current();
    if (!c) c = connectionSequence(crypto, registry);
    else if (c->state() == 0) c->open();
    return c;
  });
}

bool EjecutaQuerySinResultado(const std::string& statement) {
  return frame("KORVANDA.ModGlobal.EjecutaQuerySinResultado", [&] {
    ConnectionRef conn = getOpenConnection();
    conn->execute(statement);
    return true;
  });
}

ConnectionRef clsCatValida::getConexion() {
  return frame("KORVANDA.clsCatValida.getConexion", [] { return getOpenConnection(); });
}

}  // namespace korvanda
