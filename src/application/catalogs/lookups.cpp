// Reference lookups of clsCatValida: fixed statements with the caller's values, run on the
// shared connection through FindQuery (no object when there are no rows), seleccionar (a
// record set, possibly empty) or a reading record set opened here.
#include <cctype>

#include "component/ModGlobal.h"
#include "component/frame.h"
#include "component/sql.h"
#include "korvanda/clsCatValida.h"

namespace korvanda {
namespace {

// A disconnected, read-only record set with a static client-side cursor.
RecordsetRef openReading(const ConnectionRef& conn, const std::string& statement) {
  RecordsetRef rs = conn->query(statement, adLockReadOnly);
  rs->setCursorType(adOpenStatic);
  return rs;
}

bool atEdge(const Recordset& rs) { return rs.bof() || rs.eof(); }

// Risk keys: integers separated by commas, blanks allowed around each one.
bool isKeyList(std::string_view list) {
  size_t i = 0;
  const auto blanks = [&] {
    while (i < list.size() && (list[i] == ' ' || list[i] == '\t')) ++i;
  };
  for (;;) {
    blanks();
    if (i < list.size() && list[i] == '-') ++i;
    const size_t digits = i;
    while (i < list.size() && std::isdigit(static_cast<unsigned char>(list[i]))) ++i;
    if (i == digits) return false;
    blanks();
    if (i == list.size()) return true;
    if (list[i] != ',') return false;
    ++i;
  }
}

}  // namespace

int32_t clsCatValida::getPorcentajeSubsidio(int32_t, int32_t) {
  return frame("KORVANDA.clsCatValida.getPorcentajeSubsidio", [] { return int32_t{0}; });
}

RecordsetRef clsCatValida::getRiesgosDeConstancias(int32_t lngIDcotizacion) {
  return frame("KORVANDA.clsCatValida.getRiesgos deConstancias", [&] {
    return seleccionar(
        "select r.pkriesgo, t.pkcotizacion from cotccotizargo r, cotccotizagrl t Where "
        "t.pkcotizacion=" +
        sql::integer(lngIDcotizacion) +
        " and t.pkcotizacion = r.pkcotizacion  order by r.pkriesgo");
  });
}

RecordsetRef clsCatValida::getCatEndososCondition(int16_t pintRamo) {
  return frame("KORVANDA.clsCatValida.getCatEndososCondition", [&] {
    return FindQuery(
        "SELECT  e.pkTipoEndoso, e.nomTipoEndoso, c.clasificacion FROM  catctipoendoso e, "
        "catrclasificaendoso c WHERE  e.pkTipoEndoso in ( select cveTipoEndoso from "
        "CATRENDOSORAMO where cveRamo = " +
        sql::integer(pintRamo) + ") and e.pkTipoEndoso = c.pkendoso ORDER BY e.pkTipoEndoso");
  });
}

RecordsetRef clsCatValida::getCatEspeciesCondition() {
  // The routine's label names no routine.
  return frame("KORVANDA.clsCatValida.", [&] {
    return FindQuery(
        "SELECT  e.pkespecie, e.nomEspecie, u.unidadmedida FROM  catcespecies e, "
        "catrespecieumedida u WHERE  e.pkespecie = u.pkespecie ORDER BY e.pkespecie");
  });
}

RecordsetRef clsCatValida::getUnidadMedidaEspecie(int16_t pintIdEspecie) {
  return frame("KORVANDA.clsCatValida.getUnidadMedidaEspecie", [&] {
    return FindQuery("SELECT unidadmedida from CATRESPECIEUMEDIDA WHERE pkespecie=" +
                     sql::integer(pintIdEspecie));
  });
}

RecordsetRef clsCatValida::getListRiesgosRamo(int16_t pintRamo) {
  return frame("KORVANDA.clsCatValida.getListRiesgosRamo", [&] {
    return FindQuery(
        "SELECT  PKRiesgo, NomRiesgo  FROM  CATCRIESGOS WHERE  pkriesgo in (select pkriesgo "
        "from CATRRIESGORAMO where pkramo=" +
        sql::integer(pintRamo) + ") ORDER BY pkriesgo");
  });
}

RecordsetRef clsCatValida::getPresidenteConsejo(const std::string& pstrClaveFondo) {
  return frame("KORVANDA.clsCatValida.getPresidenteConsejo", [&] {
    return FindQuery(
        "SELECT t.apPatPdte as paterno, t.apMatPdte as materno, t.nomPdte as nombre  FROM "
        "CATDCONSEJOCEDENTE t, CATCCLIENTES c WHERE t.pkcedente = c.pkcedente AND c.cveFondo='" +
        sql::escaped(pstrClaveFondo) + "'");
  });
}

RecordsetRef clsCatValida::getListaRiesgosIN(const std::string& strLstRiesgos) {
  return frame("KORVANDA.clsCatValida.getListaRiesgosIN", [&] {
    ConnectionRef conn = getOpenConnection();
    if (strLstRiesgos.empty())
      throw Error(kAppError1002, ".getListaRiesgosIN", "La lista de riesgos esta vacia");
    // The list goes into the statement as it is, so it must be nothing but keys.
    if (!isKeyList(strLstRiesgos))
      throw Error(kAppError1002, ".getListaRiesgosIN",
                  "La lista de riesgos no es valida, se esperan claves enteras separadas por "
                  "comas: " +
                      strLstRiesgos);
    return openReading(conn, "select * from CATRRIESGORAMO where pkRiesgo in (" + strLstRiesgos +
                                 ") And pkramo = 1");
  });
}

std::string clsCatValida::SelectRiesgos(const std::string& strPaqRiesgos) {
  return frame("KORVANDA.clsCatValida.SelectRiesgos", [&]() -> std::string {
    const std::string statement =
        "SELECT listariesgos FROM COTDPAQUETESRIESGOS WHERE Cvepaquete = '" +
        sql::escaped(strPaqRiesgos) + "'";
    RecordsetRef rs = openReading(getOpenConnection(), statement);
    if (rs->eof()) return "<< No existen >>";
    return toText(rs->value(size_t{0}));
  });
}

int16_t clsCatValida::SelectTipoCultivo(int16_t intTipocult) {
  return frame("KORVANDA.clsCatValida.SelectTipoCultivo", [&] {
    const std::string statement =
        "SELECT pktipopractica FROM CATCTIPOCULTIVO WHERE pktipocultivo = " +
        sql::integer(intTipocult);
    // No row is "no current record" (3021).
    return toInt16(openReading(getOpenConnection(), statement)->value(size_t{0}));
  });
}

int16_t clsCatValida::getClasEndoso(int32_t pPkEndoso) {
  return frame("KORVANDA.clsCatValida.getClasEndoso", [&] {
    ConnectionRef conn = getOpenConnection();
    const std::string statement =
        "select clasificacion from CATRCLASIFICAENDOSO where pkendoso = " + sql::integer(pPkEndoso);
    return toInt16(openReading(conn, statement)->value(size_t{0}));
  });
}

uint8_t clsCatValida::getEstatusLocalidad(int16_t pintCveEstado, int16_t pintCveMunicipio,
                                          const std::string& pstrCveLocalidad) {
  return frame("KORVANDA.clsCatValida.getEstatusLocalidad", [&]() -> uint8_t {
    RecordsetRef rs = seleccionar("SELECT Agregada FROM CATCLOCALIDAD WHERE PkEstado = " +
                                  sql::integer(pintCveEstado) +
                                  " AND CveMunicipio = " + sql::integer(pintCveMunicipio) +
                                  " AND CveLocalidad = '" + sql::escaped(pstrCveLocalidad) + "'");
    if (atEdge(*rs)) return 0;
    return toByte(rs->value("Agregada"));
  });
}

int16_t clsCatValida::getPkProducto(int16_t pintCveConstancia, int16_t pintCicloIni,
                                    int16_t pintCicloFin) {
  return frame("KORVANDA.clsCatValida.getPkProducto", [&]() -> int16_t {
    RecordsetRef rs = seleccionar(
        "SELECT P.PkProducto FROM SOLMCONSTANCIA AS C INNER JOIN FONMPROGRAMAS AS P ON "
        "C.PkPrograma = P.PkPrograma WHERE C.CveConstancia = " +
        sql::integer(pintCveConstancia) + " AND P.CicloIni = " + sql::integer(pintCicloIni) +
        " AND P.CicloFin = " + sql::integer(pintCicloFin));
    if (atEdge(*rs)) return 0;
    return toInt16(rs->value(size_t{0}));
  });
}

}  // namespace korvanda
