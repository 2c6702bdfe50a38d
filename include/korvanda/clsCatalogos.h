// KORVANDA.clsCatalogos: replication of catalog tables between capture database files.
#pragma once

#include <memory>
#include <string>

#include "korvanda/dispatch.h"

namespace korvanda {

class clsCatalogos : public Dispatchable {
 public:
  static std::shared_ptr<clsCatalogos> create() { return std::make_shared<clsCatalogos>(); }
  const DispatchTable& dispatchTable() const override;

  bool Actualiza(const std::string& strNameBDOri, const std::string& strNameBDDes);

 private:
  bool ExecuteQuery(const std::string& database, const std::string& table, const std::string& prefix);
  void DropTable(const std::string& database, const std::string& table);
  void CreateTable(const std::string& destination, const std::string& source, const std::string& table);
};

}  // namespace korvanda
