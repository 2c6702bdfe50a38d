#include "components/connector.h"

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "korvanda/error.h"
#include "core/binder.h"
#include "odbc/engine.h"
#include "sqlite/engine.h"
#include "core/ascii.h"

namespace korvanda::components {
namespace {
// E_FAIL: how the data-access library reports a connection that could not be made.
constexpr int32_t kConnectionFailed = -2147467259;
}  // namespace

bool isEmbeddedServer(const std::string& server) {
  return ascii::lower(server) == "sqlite";
}

ConnectionRef clsConectaBDStateless::conectaSQLServer(const std::string& database,
                                                      const std::string& user,
                                                      const std::string& password,
                                                      const std::string& server) const {
  if (!isEmbeddedServer(server)) return odbc::openOdbc(server, user, password, database);
  // A missing file is a failed connection, never a new empty database.
  if (database.empty())
    throw Error(kConnectionFailed, kConnectorProgId,
                "Cannot open the embedded database: the registry value names no database file");
  struct stat st {};
  if (::stat(database.c_str(), &st) != 0)
    throw Error(kConnectionFailed, kConnectorProgId,
                "Cannot open the embedded database " + database + ": " + std::strerror(errno),
                errno);
  if (!S_ISREG(st.st_mode))
    throw Error(kConnectionFailed, kConnectorProgId,
                "Cannot open the embedded database " + database + ": not an ordinary file");
  return sqlite::openEmbedded(database);
}

const DispatchTable& clsConectaBDStateless::dispatchTable() const {
  static const DispatchTable table(
      kConnectorProgId,
      {binder::method("conectaSQLServer", &clsConectaBDStateless::conectaSQLServer)});
  return table;
}

}  // namespace korvanda::components
