// clsCatalogos: replication of the tables of one capture database file into another.
// Every routine opens its own connection through the capture-database opener and lets it go
// when it ends, except that one destination connection carries the drop and the copy of a
// table, in one transaction.
#include <filesystem>

#include "component/frame.h"
#include "component/sql.h"
#include "component/transaction.h"
#include "korvanda/clsCatalogos.h"
#include "components/capture_db.h"

namespace korvanda {
namespace {

using components::clsOpenDbCap;

ConnectionRef connectCapture(const clsOpenDbCap& opener, const std::string& file) {
  return opener.conectar("", components::kCapturePassword, file);
}

bool isPlainName(const std::string& name) {
  if (name.empty() || std::isdigit(static_cast<unsigned char>(name[0]))) return false;
  for (char c : name)
    if (!std::isalnum(static_cast<unsigned char>(c)) && c != '_') return false;
  return true;
}

// A table name as the statements write it: a plain name as it is, any other in brackets.
std::string tableRef(const std::string& table) {
  if (isPlainName(table)) return table;
  std::string out = "[";
  for (char c : table) {
    out.push_back(c);
    if (c == ']') out.push_back(']');
  }
  return out + "]";
}

// The same error, its description led by what the replication was doing.
Error because(const Error& e, const std::string& reason) {
  return Error(e.number(), e.source(), reason + ": " + e.description(), e.lastSystemError());
}

bool sameFile(const std::string& a, const std::string& b) {
  std::error_code ec;
  return std::filesystem::equivalent(a, b, ec) && !ec;
}

}  // namespace

bool clsCatalogos::Actualiza(const std::string& strNameBDOri, const std::string& strNameBDDes) {
  return frame("KORVANDA.clsCatalogos.Actualiza", [&] {
    bool result = false;
    // Copying a file onto itself would drop each table before reading it.
    if (sameFile(strNameBDOri, strNameBDDes))
      throw Error(kAppError1001, ".Actualiza",
                  "La base de datos origen y la de destino son el mismo archivo: " + strNameBDDes);
    clsOpenDbCap opener;
    ConnectionRef source = connectCapture(opener, strNameBDOri);
    RecordsetRef tables = source->openSchemaTables();
    while (!tables->eof()) {
      const std::string table = toText(tables->value("table_name"));
      const std::string type = toText(tables->value("TABLE_TYPE"));
      if (type == "TABLE") {
        bool hasRows = false;
        try {
          hasRows = ExecuteQuery(strNameBDDes, table, "SELECT * FROM ");
        } catch (const Error& e) {
          throw because(e, e.number() == components::kCaptureNoSuchTable
                               ? "La tabla " + table + " no existe en la base de datos destino " +
                                     strNameBDDes
                               : "No se pudo leer la tabla " + table +
                                     " de la base de datos destino " + strNameBDDes);
        }
        // The drop and the copy are one transaction on one connection to the destination: a
        // copy that fails, or a process that dies half way, leaves the old table whole.
        ConnectionRef destination = connectCapture(opener, strNameBDDes);
        Transaction replacement(destination);
        try {
          if (hasRows) DropTable(*destination, table);
        } catch (const Error& e) {
          throw because(e, "No se pudo borrar la tabla " + table + " de la base de datos destino " +
                               strNameBDDes);
        }
        try {
          CreateTable(*destination, strNameBDOri, table);
          replacement.commit();
        } catch (const Error& e) {
          // Only a table with rows is dropped: an empty one is still there and blocks the copy.
          throw because(e, hasRows ? "No se pudo copiar la tabla " + table + " de " + strNameBDOri +
                                         " a " + strNameBDDes
                                   : "La tabla " + table + " de la base de datos destino " +
                                         strNameBDDes + " esta vacia y no se puede reemplazar");
        }
        result = true;
      }
      tables->moveNext();
    }
    return result;
  });
}

bool clsCatalogos::ExecuteQuery(const std::string& database, const std::string& table,
                                const std::string& prefix) {
  return frame("KORVANDA.clsCatalogos.ExecuteQuery", [&] {
    clsOpenDbCap opener;
    ConnectionRef conn = connectCapture(opener, database);
    RecordsetRef rs = conn->query(prefix + tableRef(table), adLockOptimistic);
    rs->setCursorType(adOpenStatic);
    return !rs->eof();
  });
}

void clsCatalogos::DropTable(Connection& destination, const std::string& table) {
  frame("KORVANDA.clsCatalogos.DropTable",
        [&] { destination.execute("DROP TABLE " + tableRef(table)); });
}

void clsCatalogos::CreateTable(Connection& destination, const std::string& source,
                               const std::string& table) {
  frame("KORVANDA.clsCatalogos.CreateTable", [&] {
    const std::string t = tableRef(table);
    destination.execute(" SELECT " + t + ".*" + " INTO " + t + " FROM " + t + " IN '" +
                        sql::escaped(source) + "'");
  });
}

}  // namespace korvanda
