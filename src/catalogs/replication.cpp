// clsCatalogos: replication of the tables of one capture database file into another.
// Every routine opens its own connection through the capture-database opener and lets it go
// when it ends.
#include <filesystem>

#include "component/frame.h"
#include "component/sql.h"
#include "korvanda/clsCatalogos.h"
#include "platform/components/capture_db.h"

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
        try {
          if (hasRows) DropTable(strNameBDDes, table);
        } catch (const Error& e) {
          throw because(e, "No se pudo borrar la tabla " + table + " de la base de datos destino " +
                               strNameBDDes);
        }
        try {
          CreateTable(strNameBDDes, strNameBDOri, table);
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

void clsCatalogos::DropTable(const std::string& database, const std::string& table) {
  frame("KORVANDA.clsCatalogos.DropTable", [&] {
    clsOpenDbCap opener;
    connectCapture(opener, database)->execute("DROP TABLE " + tableRef(table));
  });
}

void clsCatalogos::CreateTable(const std::string& destination, const std::string& source,
                               const std::string& table) {
  // Opened before the failure path: a failure here is logged by the caller only.
  clsOpenDbCap opener;
  ConnectionRef conn = connectCapture(opener, destination);
  frame("KORVANDA.clsCatalogos.CreateTable", [&] {
    const std::string t = tableRef(table);
    conn->execute(" SELECT " + t + ".*" + " INTO " + t + " FROM " + t + " IN '" +
                  sql::escaped(source) + "'");
  });
}

}  // namespace korvanda
