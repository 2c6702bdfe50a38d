// Agricultural claim records: SUBMAGRICOLAFC.
#include "component/frame.h"
#include "component/sql.h"
#include "korvanda/clsCatValida.h"
#include "registration/insert_builder.h"
#include "registration/keys.h"
#include "registration/statements.h"

namespace korvanda {
namespace registration {

constexpr InsertLayout kAgricolaFc{"SET DATEFORMAT DMY INSERT INTO SUBMAGRICOLAFC ", false,
                                  ".insertAgricolaFc"};

std::string insertAgricolaFcText(const RegistroAgricolaFc& r, int16_t pkmunicipio) {
  const Column columns[] = {
      integer("Periodo", r.intSemestre),
      integer("Anio", r.intAnnio),
      text("poliza", r.strPoliza),
      integer("Inciso", r.intInciso),
      text("apPaterno", r.strapPaterno),
      text("apMaterno", r.strapMaterno),
      text("Nombres", r.strNombres),
      integer("pkmunicipio", pkmunicipio),
      integer("cveCultivo", r.intcveCultivo),
      integer("cveTipoCultivo", r.intCveTipoCult),
      text("ciclo", r.strCiclo),
      date("FecPagoIndem", r.dtmFechaPago),
      decimal("Indemnizacion", r.dblIndemnizacion),
      integer("PkRiesgo", r.intPkRiesgo),
      decimal("SuperfSinies", r.dblSuperfSinies),
      integer("mesSolicitud", r.pintMesSolic),
      integer("anioSolicitud", r.pintAnioSolic),
      integer("PkCedente", r.pintPkCedente),
      integer("TipoSeguro", r.pintTipoSeguro),
      text("CURP", r.pstrCURP),
      text("RFC", r.pstrRFC),
      text("Coordenadas", r.pstrCoordenadas ? std::string_view(*r.pstrCoordenadas)
                                            : std::string_view()),
  };
  return buildInsert(kAgricolaFc, columns);
}

namespace {

std::string duplicadoFcQuery(std::string_view strPoliza, int16_t intInciso, int16_t intSemestre,
                             int16_t intAnnio, int16_t pintPkCedente) {
  return "select pkagricolaFc from submagricolaFc where poliza = '" + sql::escaped(strPoliza) +
         "' and inciso = " + sql::integer(intInciso) +
         " and Periodo = " + sql::integer(intSemestre) +
         " and Anio = " + sql::integer(intAnnio) +
         " and PkCedente = " + sql::integer(pintPkCedente);
}

}  // namespace
}  // namespace registration

std::string setSqlInsertAgricolaFc(clsCatValida& self, const RegistroAgricolaFc& r) {
  return frame("KORVANDA.clsCatValida.setSqlInsertAgricolaFc", [&] {
    const int16_t pkmunicipio = getPkMunicipio(self, r.intIdEstado, r.intIdMunicipio);
    return registration::insertAgricolaFcText(r, pkmunicipio);
  });
}

bool clsCatValida::getDuplicadoFc(const std::string& strPoliza, int16_t intInciso,
                                  int16_t intSemestre, int16_t intAnnio, int16_t pintPkCedente,
                                  ConnectionRef pConn) {
  return frame("KORVANDA.clsCatValida.getDuplicadoFc", [&] {
    if (!pConn) throw registration::connectionNotSet();
    RecordsetRef rs = pConn->query(registration::duplicadoFcQuery(strPoliza, intInciso,
                                                                  intSemestre, intAnnio,
                                                                  pintPkCedente));
    // The rows are counted here, whatever cursor the caller's connection would have given.
    return !rs->bof() && !rs->eof() && rs->recordCount() > 0;
  });
}

bool clsCatValida::insertAgricolaFc(
    int16_t intSemestre, int16_t intAnnio, const std::string& strPoliza, int16_t intInciso,
    const std::string& strapPaterno, const std::string& strapMaterno,
    const std::string& strNombres, int16_t intIdEstado, int16_t intIdMunicipio,
    int16_t intcveCultivo, int16_t intCveTipoCult, const std::string& strCiclo,
    Date dtmFechaPago, double dblIndemnizacion, int16_t intPkRiesgo, double dblSuperfSinies,
    int16_t pintMesSolic, int16_t pintAnioSolic, int16_t pintPkCedente, ConnectionRef pConn,
    int16_t pintTipoSeguro, const std::string& pstrCURP, const std::string& pstrRFC,
    std::optional<std::string> pstrSendErrTo, std::optional<std::string> pstrCoordenadas) {
  return korvanda::insertAgricolaFc(
      *this,
      RegistroAgricolaFc{intSemestre, intAnnio, strPoliza, intInciso, strapPaterno, strapMaterno,
                         strNombres, intIdEstado, intIdMunicipio, intcveCultivo, intCveTipoCult,
                         strCiclo, dtmFechaPago, dblIndemnizacion, intPkRiesgo, dblSuperfSinies,
                         pintMesSolic, pintAnioSolic, pintPkCedente, pintTipoSeguro, pstrCURP,
                         pstrRFC, std::move(pstrCoordenadas)},
      std::move(pConn), std::move(pstrSendErrTo));
}

bool insertAgricolaFc(clsCatValida& self, const RegistroAgricolaFc& r, ConnectionRef pConn,
                      std::optional<std::string> pstrSendErrTo) {
  return frame("KORVANDA.clsCatValida.InsertAgricolaFc", [&] {
    auto isDuplicate = [&] {
      return self.getDuplicadoFc(r.strPoliza, r.intInciso, r.intSemestre, r.intAnnio,
                                 r.pintPkCedente, pConn);
    };
    if (isDuplicate())
      return registration::reportDuplicate(pstrSendErrTo, ".insertAgricolaFc", 1009, r.strPoliza);

    const std::string statement = setSqlInsertAgricolaFc(self, r);
    try {
      return self.insertar(statement, pConn);
    } catch (const Error& e) {
      // Stored by another station since the test: refused by the unique index.
      if (!registration::isDuplicateKeyViolation(e) || !isDuplicate()) throw;
      return registration::reportDuplicate(pstrSendErrTo, ".insertAgricolaFc", 1009, r.strPoliza);
    }
  });
}

}  // namespace korvanda
