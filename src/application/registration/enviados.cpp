// The sent register: SUBCONSENVIADAS (subscription) and SUBCONSENVIADASFC (claims), and the
// procedure that marks a certificate item as sent.
#include "component/ModGlobal.h"
#include "component/frame.h"
#include "component/sql.h"
#include "korvanda/clsCatValida.h"
#include "registration/insert_builder.h"
#include "registration/statements.h"

namespace korvanda {
namespace {

using namespace registration;

constexpr InsertLayout kEnviado{"INSERT INTO SUBCONSENVIADAS ", false, ".insertEnviado"};
constexpr InsertLayout kEnviadoFc{"INSERT INTO SUBCONSENVIADASFC ", false, ".insertEnviadoFc"};

bool hasRows(const RecordsetRef& rs) { return !(rs->bof() && rs->eof()); }

}  // namespace

std::string setSqlInsertEnviado(std::string_view strPoliza, std::string_view strEndoso,
                                int16_t intCveTipoEndoso, int16_t intInciso,
                                int16_t pintMesSolic, int16_t pintAnnioSolic,
                                int16_t pintPkCedente, int16_t pintCicloIni,
                                int16_t pintCicloFin) {
  return frame("KORVANDA.clsCatValida.setSqlInsertEnviado", [&] {
    const Column columns[] = {
        integer("PkCedente", pintPkCedente),
        text("poliza", strPoliza),
        text("endoso", strEndoso),
        integer("TipoEndoso", intCveTipoEndoso),
        integer("Inciso", intInciso),
        integer("mes", pintMesSolic),
        integer("CicloIni", pintCicloIni),
        integer("CicloFin", pintCicloFin),
        integer("AnioSolic", pintAnnioSolic),
    };
    return buildInsert(kEnviado, columns);
  });
}

std::string setSqlInsertEnviadofc(int16_t intSemestre, int16_t intAnio,
                                  std::string_view strPoliza, int16_t intInciso,
                                  int16_t pintPkCedente) {
  return frame("KORVANDA.clsCatValida.setSqlInsertEnviadofc", [&] {
    const Column columns[] = {
        integer("PkCedente", pintPkCedente),
        integer("Periodo", intSemestre),
        integer("Anio", intAnio),
        text("poliza", strPoliza),
        integer("Inciso", intInciso),
    };
    return buildInsert(kEnviadoFc, columns);
  });
}

bool clsCatValida::insertEnviado(const std::string& strPoliza, const std::string& strEndoso,
                                 int16_t intCveTipoEndoso, int16_t intInciso,
                                 int16_t pintMesSolic, int16_t pintAnnioSolic,
                                 int16_t pintPkCedente, int16_t pintCicloIni,
                                 int16_t pintCicloFin, ConnectionRef pConn) {
  return frame("KORVANDA.clsCatValida.insertEnviado", [&] {
    return insertar(setSqlInsertEnviado(strPoliza, strEndoso, intCveTipoEndoso, intInciso,
                                        pintMesSolic, pintAnnioSolic, pintPkCedente,
                                        pintCicloIni, pintCicloFin),
                    pConn);
  });
}

bool clsCatValida::insertEnviadoFc(int16_t intSemestre, int16_t intAnio,
                                   const std::string& strPoliza, int16_t intInciso,
                                   int16_t pintPkCedente, ConnectionRef pConn) {
  return frame("KORVANDA.clsCatValida.insertEnviadoFc", [&] {
    return insertar(setSqlInsertEnviadofc(intSemestre, intAnio, strPoliza, intInciso,
                                          pintPkCedente),
                    pConn);
  });
}

bool clsCatValida::getEnviadaDuplicada(int16_t pintPkCedente, const std::string& strPoliza,
                                       const std::string& strEndoso, int16_t intTipoEndoso,
                                       int16_t intInciso, int16_t intmes, int16_t intCicloIni,
                                       int16_t intCicloFin) {
  return frame("KORVANDA.clsCatValida.getEnviadaDuplicada", [&] {
    return hasRows(seleccionar(
        "select pkenviado from subconsenviadas where PkCedente= " + sql::integer(pintPkCedente) +
        " and poliza ='" + sql::escaped(strPoliza) + "' and endoso ='" + sql::escaped(strEndoso) +
        "' and tipoendoso=" + sql::integer(intTipoEndoso) +
        " and inciso=" + sql::integer(intInciso) + " and mes=" + sql::integer(intmes) +
        " and cicloIni=" + sql::integer(intCicloIni) +
        " and cicloFin=" + sql::integer(intCicloFin)));
  });
}

bool clsCatValida::getEnviadaDuplicadaFc(int16_t intSemestre, int16_t intAnio,
                                         const std::string& strPoliza, int16_t intInciso,
                                         int16_t pintPkCedente) {
  return frame("KORVANDA.clsCatValida.getEnviadaDuplicadafc", [&] {
    return hasRows(seleccionar(
        "select pkenviadaFc from subconsenviadasFc where PkCedente= " +
        sql::integer(pintPkCedente) + " and Periodo = " + sql::integer(intSemestre) +
        " and Anio = " + sql::integer(intAnio) + " and poliza = '" + sql::escaped(strPoliza) +
        "' and inciso = " + sql::integer(intInciso)));
  });
}

RecordsetRef clsCatValida::getConstanciasEnviadas(int16_t pintPkCedente, int16_t pintMes,
                                                  int16_t pintCicloIni, int16_t pintCicloFin) {
  return frame("KORVANDA.clsCatValida.getConstanciasEnviadas", [&] {
    return seleccionar("SELECT * FROM SUBCONSENVIADAS WHERE PkCedente = " +
                       sql::integer(pintPkCedente) + " AND Mes = " + sql::integer(pintMes) +
                       " AND CicloIni = " + sql::integer(pintCicloIni) +
                       " AND CicloFin = " + sql::integer(pintCicloFin));
  });
}

RecordsetRef clsCatValida::getConstanciasEnviadasFc(int16_t pintPkCedente, int16_t pintSemestre,
                                                    int16_t pintAnnio) {
  return frame("KORVANDA.clsCatValida.getConstanciasEnviadasFc", [&] {
    return seleccionar("SELECT * FROM SUBCONSENVIADASFC WHERE PkCedente = " +
                       sql::integer(pintPkCedente) + " AND Periodo = " +
                       sql::integer(pintSemestre) + " AND Anio = " + sql::integer(pintAnnio));
  });
}

bool clsCatValida::ActualizaStatusSubsidio(const std::string& intCveConst,
                                           const std::string& intCveInciso,
                                           int16_t intTipoEndoso, int16_t pintPkCedente,
                                           int16_t pintCicloIni, int16_t pintCicloFin,
                                           ConnectionRef pConn) {
  return frame("KORVANDA.clsCatValida.ActualizaStatusSubsidio", [&] {
    // pConn is not used: the procedure runs on the shared connection.
    ConnectionRef conn = getOpenConnection();
    // The two keys go into the call without quotes: only integers may.
    const std::string constancia = sql::requireInteger(intCveConst, "intCveConst");
    const std::string inciso = sql::requireInteger(intCveInciso, "intCveInciso");
    conn->execute("EXEC EstatusEnviadoSubsidio " + sql::integer(pintCicloIni) + ", " +
                  sql::integer(pintCicloFin) + ", " + constancia + ", " + inciso + ", " +
                  sql::integer(intTipoEndoso) + ", " + sql::integer(pintPkCedente));
    return true;
  });
}

}  // namespace korvanda
