// Catalog queries and generic statements of clsCatValida, on the shared connection.
//
// Conditions, column lists, values and whole statements come from the application, which
// writes them as SQL: they are put into the statements as they are. The exceptions are the
// codes of TraeCatalogo and TraeCatExt: a code that sits bare in its statement must be an
// integer, and the endorsement-type code, between quotes the statement carries, has its
// quotes doubled.
#include "catalogs/directory.h"
#include "component/ModGlobal.h"
#include "component/frame.h"
#include "component/sql.h"
#include "korvanda/catalogoConstants.h"
#include "korvanda/clsCatValida.h"

namespace korvanda {
namespace {

Error noSuchCatalog(const char* source) {
  return Error(kAppError1001, source, "El catalogo solicitado no existe");
}

// The catalog identifier travels as 32 bits and is looked up as 16 (6 when it does not fit).
int16_t narrow(int32_t id) { return toInt16(Variant(id)); }

std::string requireTable(int32_t id, const char* source) {
  std::string table = nameTablesCat(narrow(id));
  if (table.empty()) throw noSuchCatalog(source);
  return table;
}

// A disconnected, read-only record set with a static client-side cursor.
RecordsetRef openReading(const ConnectionRef& conn, const std::string& statement) {
  RecordsetRef rs = conn->query(statement, adLockReadOnly);
  rs->setCursorType(adOpenStatic);
  return rs;
}

bool hasRows(const Recordset& rs) { return !(rs.bof() && rs.eof()); }

// First column of the first row as text, or "0" when there is no row.
std::string firstValue(const std::string& statement) {
  RecordsetRef rs = openReading(getOpenConnection(), statement);
  if (rs->eof()) return "0";
  return toText(rs->value(size_t{0}));
}

}  // namespace

RecordsetRef clsCatValida::getCatalogos(int32_t pidCatalogo) {
  return frame("KORVANDA.clsCatValida.getCatalogos", [&] {
    ConnectionRef conn = getOpenConnection();
    std::string statement = "SELECT * FROM " + requireTable(pidCatalogo, ".getCatalogos");
    if (pidCatalogo == Municipios) statement += " order by cveEstado, cveMunicipio";
    else if (pidCatalogo == RelEspecieFuncion) statement += " order by cveEspecie, cveFuncion";
    return openReading(conn, statement);
  });
}

std::string clsCatValida::TraeCatalogo(int32_t pidCatalogo, const std::string& strCondition) {
  return frame("KORVANDA.clsCatValida.traeCatalogo", [&]() -> std::string {
    const std::string table = requireTable(pidCatalogo, ".TraeCatalogo");
    if (strCondition.empty()) return "0";
    // The codes sit bare in the statements: only an integer may reach them.
    auto code = [&] { return sql::requireInteger(strCondition, "strCondition"); };
    std::string statement;
    switch (pidCatalogo) {
      case Cultivos:
        statement = "SELECT PKCultivo FROM " + table + " WHERE CveCultivo = " + code();
        break;
      case Estados:
        statement = "SELECT PKEstado FROM " + table + " WHERE CveEstado = " + code();
        break;
      case TipoCultivo:
        statement = "SELECT PKTCultivo FROM " + table + " WHERE CveTipoCultivo = " + code();
        break;
      case TipoEndoso:
        statement = "SELECT pkTipoEndoso FROM " + table + " WHERE CveTipoEndoso = '" +
                    sql::escaped(strCondition) + "'";
        break;
      case DiaInHabil:
        statement = "SELECT * FROM " + table + " WHERE ANIO = " + code();
        break;
      case Municipios:
        // No statement of its own: only the ordering, which the database rejects.
        statement = " order by PKestado, cveMunicipio";
        break;
      default:
        break;
    }
    return firstValue(statement);
  });
}

std::string clsCatValida::TraeCatExt(int32_t pidCatalogo, const std::string& strCondition,
                                     const std::string& StrAyuda) {
  return frame("KORVANDA.clsCatValida.traeCatExt", [&]() -> std::string {
    const std::string table = requireTable(pidCatalogo, ".TraeCatExt");
    if (strCondition.empty() || StrAyuda.empty()) return "0";
    std::string statement = "SELECT * FROM " + table;
    if (pidCatalogo == Municipios)
      statement = "SELECT PKMpio FROM " + table + " WHERE CveMunicipio = " +
                  sql::requireInteger(strCondition, "strCondition") + " AND PKEstado = " +
                  sql::requireInteger(StrAyuda, "StrAyuda") + " order by PKestado, cveMunicipio";
    return firstValue(statement);
  });
}

bool clsCatValida::findClave(int32_t pidCatalogo, int16_t strClave) {
  return frame("KORVANDA.clsCatValida.FindClave", [&] {
    const std::string column = nameClaveTablesCat(narrow(pidCatalogo));
    RecordsetRef rs =
        FindCondition(pidCatalogo, column, column + "=" + sql::integer(strClave), int16_t{0});
    return rs != nullptr && hasRows(*rs);
  });
}

RecordsetRef clsCatValida::FindCondition(int32_t pidCatalogo, const std::string& strCampos,
                                         const std::string& strCondition,
                                         std::optional<int16_t> pintFieldOrder) {
  return frame("KORVANDA.clsCatValida.FindCondition", Statements::batch, [&]() -> RecordsetRef {
    const std::string table = nameTablesCat(narrow(pidCatalogo));
    if (table.empty())
      throw Error(kAppError1001, ".FindCondition", "El catálogo solicitado no existe");
    std::string statement = "SELECT " + strCampos + " FROM " + table;
    if (!strCondition.empty()) statement += " WHERE " + strCondition;
    const int16_t order = pintFieldOrder.value_or(0);
    if (order != 0) statement += " order by " + sql::integer(order);
    RecordsetRef rs = openReading(getOpenConnection(), statement);
    return hasRows(*rs) ? rs : nullptr;
  });
}

RecordsetRef clsCatValida::FindQuery(const std::string& strQuery) {
  return frame("KORVANDA.clsCatValida.FindQuery", Statements::batch, [&]() -> RecordsetRef {
    if (strQuery.empty()) throw noSuchCatalog(".FindQuery");
    RecordsetRef rs = openReading(getOpenConnection(), strQuery);
    return hasRows(*rs) ? rs : nullptr;
  });
}

bool clsCatValida::insertar(const std::string& strQuery, OptConnection pConn) {
  return frame("KORVANDA.clsCatValida.Insertar", Statements::batch, [&] {
    ConnectionRef conn = pConn && *pConn ? *pConn : getOpenConnection();
    conn->execute(strQuery);
    return conn->state() == 1;
  });
}

RecordsetRef clsCatValida::seleccionar(const std::string& strQuery) {
  return frame("KORVANDA.clsCatValida.Seleccionar", Statements::batch, [&] {
    RecordsetRef rs = getOpenConnection()->query(strQuery, adLockOptimistic);
    rs->setCursorType(adOpenDynamic);
    return rs;
  });
}

bool clsCatValida::borrar(const std::string& strQuery) {
  return frame("KORVANDA.clsCatValida.Borrar", Statements::batch, [&] {
    ConnectionRef conn = getOpenConnection();
    conn->execute(strQuery);
    return conn->state() == 1;
  });
}

bool clsCatValida::UpdateCondition(int32_t pidCatalogo, const std::string& pstrValores,
                                   const std::string& pstrCondition) {
  return frame("KORVANDA.clsCatValida.updateCondition", Statements::batch, [&] {
    ConnectionRef conn = getOpenConnection();
    const std::string table = nameTablesCat(narrow(pidCatalogo));
    conn->execute("UPDATE " + table + " SET " + pstrValores + " WHERE " + pstrCondition);
    return true;
  });
}

}  // namespace korvanda
