// KORVANDA.clsCatalogos: replication of catalog tables between capture database files.
//
// No state: an object may be used from any thread, one call at a time; each call opens and
// closes its own connections to the two files. A failure is logged (logFile.log, one line per
// routine it passes) and thrown as korvanda::Error with its number, source and description.
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

  // For each table of the source file, replaces the destination file's table of that name with
  // a copy of the source's, one transaction per table (a failed copy leaves the old one whole).
  // True when a table was copied. -2147220503 when both paths name one file; a table missing
  // or empty in the destination, or one that cannot be read, dropped or copied, fails with the
  // engine's number and a description naming the table and the file.
  bool Actualiza(const std::string& strNameBDOri, const std::string& strNameBDDes);

 private:
  bool ExecuteQuery(const std::string& database, const std::string& table, const std::string& prefix);
  // Both run on the destination connection of the table's replacement.
  void DropTable(Connection& destination, const std::string& table);
  void CreateTable(Connection& destination, const std::string& source, const std::string& table);
};

}  // namespace korvanda
KORVANDA_API_END
