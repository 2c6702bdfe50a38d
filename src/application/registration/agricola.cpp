// Agricultural subscription records: SUBMAGRICOLA.
#include "component/frame.h"
#include "component/rows.h"
#include "component/sql.h"
#include "korvanda/clsCatValida.h"
#include "registration/insert_builder.h"
#include "registration/keys.h"
#include "registration/statements.h"

namespace korvanda {
namespace registration {

constexpr InsertLayout kAgricola{"SET DATEFORMAT DMY INSERT INTO SUBMAGRICOLA ", true, ".insertAgricola"};

void appendInsertAgricolaText(std::string& out, const RegistroAgricola& r, int16_t tipoSeguro,
                              int16_t pkmunicipio) {
  const Column columns[] = {
      text("poliza", r.strPoliza),
      text("endoso", r.strEndoso),
      integer("cveTipoEndoso", r.intCveTipoEndoso),
      integer("Inciso", r.intInciso),
      text("apPaterno", r.strapPaterno),
      text("apMaterno", r.strapMaterno),
      text("Nombres", r.strNombres),
      text("identificacion", r.strIdentifica),
      integer("pkmunicipio", pkmunicipio),
      text("ciclo", r.strCiclo),
      integer("cveCultivo", r.intcveCultivo),
      integer("cveTipoCultivo", r.intCveTipoCult),
      date("vigenciaAsegIni", r.dteVigenciaAsegIni),
      date("vigenciaAsegFin", r.dteVigenciaAsegFin),
      decimal("superficieAseg", r.dblSuperfAseg),
      decimal("sumaAsegurada", r.dblSumaAseg),
      decimal("primaEaseg", r.dblPrimaEaseg),
      decimal("primaEgobFed", r.dblPrimaEgobFed),
      decimal("primaCaseg", r.dblPrimaCaseg),
      decimal("primaCgobFed", r.dblPrimaCgobFed),
      decimal("totalemitido", r.dblTotalEmitido),
      decimal("totalcobrado", r.dblTotalCobrado),
      integer("numPagoIni", r.intNumPagoIni),
      integer("numPagoFin", r.intNumPagoFin),
      date("fecPago", r.dteFecPago),
      decimal("tipoCambio", r.dblTipoCambio),
      text("riesgos", r.strRiesgos),
      text("observaciones", r.strObservaciones),
      integer("mesSolicitud", r.pintMesSolic),
      integer("anioSolicitud", r.pintAnioSolic),
      integer("PkCedente", r.pintPkCedente),
      integer("TipoSeguro", tipoSeguro),
      text("RFC", r.strRFC),
      text("TipoVialidad", r.strTipoVialidad),
      text("NomVialidad", r.strNomVialidad),
      text("NumExterior1", r.strNumExterior1),
      text("NumExterior2", r.strNumExterior2),
      text("NumInterior", r.strNumInterior),
      text("TipoAsentamiento", r.strTipoAsentamiento),
      text("NomAsentamiento", r.strNomAsentamiento),
      text("CodPostal", r.strCodPostal),
      text("Localidad", r.strLocalidad),
      text("MunicipioDom", r.strMunicipioDom),
      text("EstadoDom", r.strEstadoDom),
      text("EntreVialidades", r.strEntreVialidades),
      text("VialidadPosterior", r.strVialidadPosterior),
      text("DescUbicacion", r.strDescUbicacion),
      text("TipoLocalizacion", r.pstrTipoLocalizacion),
      text("Carretera", r.pstrCarretera),
      text("Camino", r.pstrCamino),
      integer("PkSocio", r.pintPkSocio),
      integer("PkEndoso", r.pintPkEndoso),
      integer("AnioVigenciaMovInicial", r.pintAnioVigenciaMovInicial),
  };
  appendInsert(out, kAgricola, columns);
}

std::string insertAgricolaText(const RegistroAgricola& r, int16_t tipoSeguro,
                               int16_t pkmunicipio) {
  std::string out;
  out.reserve(1536);
  appendInsertAgricolaText(out, r, tipoSeguro, pkmunicipio);
  return out;
}

std::string duplicadoAgricolaQuery(std::string_view strPoliza, std::string_view strEndoso,
                                   int16_t intCveTipoEndoso, int16_t intInciso,
                                   int16_t intcveCultivo, int16_t pintPkCedente,
                                   std::string_view pstrCiclo) {
  return "select pkagricola from submagricola where poliza ='" + sql::escaped(strPoliza) +
         "' and endoso ='" + sql::escaped(strEndoso) +
         "' and cvetipoendoso=" + sql::integer(intCveTipoEndoso) +
         " and inciso=" + sql::integer(intInciso) +
         " and cvecultivo=" + sql::integer(intcveCultivo) +
         " and PkCedente= " + sql::integer(pintPkCedente) +
         " and Ciclo = '" + sql::escaped(pstrCiclo) + "'";
}

}  // namespace registration

std::string setSqlInsertAgricola(clsCatValida& self, const RegistroAgricola& r,
                                 int16_t tipoSeguro, const ConnectionRef& pConn) {
  return frame("KORVANDA.clsCatValida.setSqlInsertAgricola", [&] {
    const int16_t pkmunicipio = getPkMunicipio(self, r.intIdEstado, r.intIdMunicipio, pConn);
    return registration::insertAgricolaText(r, tipoSeguro, pkmunicipio);
  });
}

bool clsCatValida::getDuplicado(const std::string& strPoliza, const std::string& strEndoso,
                                int16_t intCveTipoEndoso, int16_t intInciso,
                                int16_t intcveCultivo, int16_t pintPkCedente,
                                const std::string& pstrCiclo, ConnectionRef pConn) {
  return frame("KORVANDA.clsCatValida.getDuplicado", [&] {
    if (!pConn) throw registration::connectionNotSet();
    RecordsetRef rs = pConn->query(registration::duplicadoAgricolaQuery(
        strPoliza, strEndoso, intCveTipoEndoso, intInciso, intcveCultivo, pintPkCedente,
        pstrCiclo));
    return !(rs->bof() && rs->eof());
  });
}

bool clsCatValida::insertAgricola(
    const std::string& strPoliza, const std::string& strEndoso, int16_t intCveTipoEndoso,
    int16_t intInciso, const std::string& strapPaterno, const std::string& strapMaterno,
    const std::string& strNombres, const std::string& strIdentifica, int16_t intIdEstado,
    int16_t intIdMunicipio, const std::string& strCiclo, int16_t intcveCultivo,
    int16_t intCveTipoCult, Date dteVigenciaAsegIni, Date dteVigenciaAsegFin,
    double dblSuperfAseg, double dblSumaAseg, double dblPrimaEaseg, double dblPrimaEgobFed,
    double dblPrimaCaseg, double dblPrimaCgobFed, double dblTotalEmitido,
    double dblTotalCobrado, int16_t intNumPagoIni, int16_t intNumPagoFin, Date dteFecPago,
    double dblTipoCambio, const std::string& strRiesgos, const std::string& strObservaciones,
    const std::string& pintTipoSeguro, const std::string& strRFC,
    const std::string& strTipoVialidad, const std::string& strNomVialidad,
    const std::string& strNumExterior1, const std::string& strNumExterior2,
    const std::string& strNumInterior, const std::string& strTipoAsentamiento,
    const std::string& strNomAsentamiento, const std::string& strCodPostal,
    const std::string& strLocalidad, const std::string& strMunicipioDom,
    const std::string& strEstadoDom, const std::string& strEntreVialidades,
    const std::string& strVialidadPosterior, const std::string& strDescUbicacion,
    const std::string& pstrTipoLocalizacion, const std::string& pstrCarretera,
    const std::string& pstrCamino, int16_t pintPkSocio, int32_t pintPkEndoso,
    int16_t pintAnioVigenciaMovInicial, int16_t pintMesSolic, int16_t pintAnioSolic,
    int16_t pintPkCedente, ConnectionRef pConn, std::optional<std::string> pstrSendErrTo) {
  return korvanda::insertAgricola(
      *this,
      RegistroAgricola{
          strPoliza, strEndoso, intCveTipoEndoso, intInciso, strapPaterno, strapMaterno,
          strNombres, strIdentifica, intIdEstado, intIdMunicipio, strCiclo, intcveCultivo,
          intCveTipoCult, dteVigenciaAsegIni, dteVigenciaAsegFin, dblSuperfAseg, dblSumaAseg,
          dblPrimaEaseg, dblPrimaEgobFed, dblPrimaCaseg, dblPrimaCgobFed, dblTotalEmitido,
          dblTotalCobrado, intNumPagoIni, intNumPagoFin, dteFecPago, dblTipoCambio, strRiesgos,
          strObservaciones, pintTipoSeguro, strRFC, strTipoVialidad, strNomVialidad,
          strNumExterior1, strNumExterior2, strNumInterior, strTipoAsentamiento,
          strNomAsentamiento, strCodPostal, strLocalidad, strMunicipioDom, strEstadoDom,
          strEntreVialidades, strVialidadPosterior, strDescUbicacion, pstrTipoLocalizacion,
          pstrCarretera, pstrCamino, pintPkSocio, pintPkEndoso, pintAnioVigenciaMovInicial,
          pintMesSolic, pintAnioSolic, pintPkCedente},
      std::move(pConn), std::move(pstrSendErrTo));
}

bool insertAgricola(clsCatValida& self, const RegistroAgricola& r, ConnectionRef pConn,
                    std::optional<std::string> pstrSendErrTo) {
  return frame("KORVANDA.clsCatValida.InsertAgricola", [&] {
    auto isDuplicate = [&] {
      return self.getDuplicado(r.strPoliza, r.strEndoso, r.intCveTipoEndoso, r.intInciso,
                               r.intcveCultivo, r.pintPkCedente, r.strCiclo, pConn);
    };
    if (isDuplicate())
      return registration::reportDuplicate(pstrSendErrTo, ".insertAgricola", 1009, r.strPoliza);

    const int16_t tipoSeguro = toInt16(Variant(r.pintTipoSeguro));
    const std::string statement = setSqlInsertAgricola(self, r, tipoSeguro, pConn);
    try {
      return self.insertar(statement, pConn);
    } catch (const Error& e) {
      // Another station stored the same record between the test and the INSERT: the unique
      // index refused it. It is the duplicate the test would have found.
      if (!registration::isDuplicateKeyViolation(e) || !isDuplicate()) throw;
      return registration::reportDuplicate(pstrSendErrTo, ".insertAgricola", 1009, r.strPoliza);
    }
  });
}

}  // namespace korvanda
