// KORVANDA.clsCatalogos: replication of catalog tables between capture database files.
#pragma once

#include <memory>
#include <string>

#include "korvanda/connection.h"
#include "korvanda/dispatch.h"
#include "korvanda/export.h"

KORVANDA_API_BEGIN
namespace korvanda {

class clsCatalogos : public Dispatchable {
 public:
  static std::shared_ptr<clsCatalogos> create() { return std::make_shared<clsCatalogos>(); }
  const DispatchTable& dispatchTable() const override;

  bool Actualiza(const std::string& strNameBDOri, const std::string& strNameBDDes);

 private:
  bool ExecuteQuery(const std::string& database, const std::string& table, const std::string& prefix);
  // Both run on the destination connection of the table's replacement.
  void DropTable(Connection& destination, const std::string& table);
  void CreateTable(Connection& destination, const std::string& source, const std::string& table);
};

}  // namespace korvanda
KORVANDA_API_END
