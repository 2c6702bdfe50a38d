// "ConectaBD.clsConectaBDStateless": opens the database connection the registry value names.
#pragma once

#include <memory>
#include <string>

#include "korvanda/connection.h"
#include "korvanda/dispatch.h"

namespace korvanda::components {

inline constexpr const char* kConnectorProgId = "ConectaBD.clsConectaBDStateless";

class clsConectaBDStateless : public Dispatchable {
 public:
  static std::shared_ptr<clsConectaBDStateless> create() {
    return std::make_shared<clsConectaBDStateless>();
  }
  const DispatchTable& dispatchTable() const override;

  // Server "sqlite" (any letter case) opens the embedded database file named by `database`,
  // which must exist; any other server is an ODBC data source. Returns an open connection.
  ConnectionRef conectaSQLServer(const std::string& database, const std::string& user,
                                 const std::string& password, const std::string& server) const;
};

// Whether a server field names the embedded engine.
bool isEmbeddedServer(const std::string& server);

}  // namespace korvanda::components
