// Private routines of the record registration: the INSERT statement builders of the
// registration tables and the sent register, and the duplicate reporting they share.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "korvanda/clsCatValida.h"
#include "korvanda/error.h"
#include "korvanda/variant.h"

namespace korvanda {

// The values of one agricultural subscription record, in the order insertAgricola takes
// them; pintTipoSeguro already read as a number, pintPkCedente as its decimal text.
struct RegistroAgricola {
  std::string_view strPoliza, strEndoso;
  int16_t intCveTipoEndoso = 0, intInciso = 0;
  std::string_view strapPaterno, strapMaterno, strNombres, strIdentifica;
  int16_t intIdEstado = 0, intIdMunicipio = 0;
  std::string_view strCiclo;
  int16_t intcveCultivo = 0, intCveTipoCult = 0;
  Date dteVigenciaAsegIni, dteVigenciaAsegFin;
  double dblSuperfAseg = 0, dblSumaAseg = 0, dblPrimaEaseg = 0, dblPrimaEgobFed = 0,
         dblPrimaCaseg = 0, dblPrimaCgobFed = 0, dblTotalEmitido = 0, dblTotalCobrado = 0;
  int16_t intNumPagoIni = 0, intNumPagoFin = 0;
  Date dteFecPago;
  double dblTipoCambio = 0;
  std::string_view strRiesgos, strObservaciones;
  int16_t pintTipoSeguro = 0;
  std::string_view strRFC, strTipoVialidad, strNomVialidad, strNumExterior1, strNumExterior2,
      strNumInterior, strTipoAsentamiento, strNomAsentamiento, strCodPostal, strLocalidad,
      strMunicipioDom, strEstadoDom, strEntreVialidades, strVialidadPosterior,
      strDescUbicacion, pstrTipoLocalizacion, pstrCarretera, pstrCamino;
  int16_t pintPkSocio = 0;
  int32_t pintPkEndoso = 0;
  int16_t pintAnioVigenciaMovInicial = 0, pintMesSolic = 0, pintAnioSolic = 0;
  std::string_view pintPkCedente;
};

// The values of one agricultural claim record, in the builder's order.
struct RegistroAgricolaFc {
  int16_t intSemestre = 0, intAnnio = 0;
  std::string_view strPoliza;
  int16_t intInciso = 0;
  std::string_view strapPaterno, strapMaterno, strNombres;
  int16_t intIdEstado = 0, intIdMunicipio = 0, intcveCultivo = 0, intCveTipoCult = 0;
  std::string_view strCiclo;
  Date dtmFechaPago;
  double dblIndemnizacion = 0;
  int16_t intPkRiesgo = 0;
  double dblSuperfSinies = 0;
  int16_t pintMesSolic = 0, pintAnioSolic = 0, pintPkCedente = 0, pintTipoSeguro = 0;
  std::string_view pstrCURP, pstrRFC, pstrCoordenadas;
};

// The values of one livestock subscription record, in the order insertGanadero takes them.
struct RegistroGanadero {
  std::string_view strPoliza, strEndoso;
  int16_t intCveTipoEndoso = 0, intInciso = 0;
  std::string_view strapPaterno, strapMaterno, strNombres, strIdentifica;
  int16_t intIdEstado = 0, intIdMunicipio = 0, intIdEspecie = 0, intIdFuncion = 0,
          intAnioContrata = 0;
  Date dteVigenciaAsegIni, dteVigenciaAsegFin;
  int32_t lngCabezasAseg = 0;
  double dblUnidadesAseg = 0, dblSumaAseg = 0, dblPrimaEaseg = 0, dblPrimaEgobFed = 0,
         dblPrimaCaseg = 0, dblPrimaCgobFed = 0, dblTotalEmitido = 0, dblTotalCobrado = 0;
  int16_t intNumPagoIni = 0, intNumPagoFin = 0;
  Date dteFecPago;
  double dblTipoCambio = 0;
  std::string_view strObservaciones;
  int16_t pintMesSolic = 0, pintAnioSolic = 0;
  std::string_view pstrIdFondo;
};

// ---- statement builders: resolve the keys, then write the statement.
// Labels "KORVANDA.clsCatValida." + the routine's name.

// Municipality key on pConn.
std::string setSqlInsertAgricola(clsCatValida& self, const RegistroAgricola& r,
                                 const ConnectionRef& pConn);
// Municipality key on the shared connection.
std::string setSqlInsertAgricolaFc(clsCatValida& self, const RegistroAgricolaFc& r);
// Municipality key, species-and-function key and next row key on the shared connection.
std::string setSqlInsertGanadero(clsCatValida& self, const RegistroGanadero& r);
std::string setSqlInsertEnviado(std::string_view strPoliza, std::string_view strEndoso,
                                int16_t intCveTipoEndoso, int16_t intInciso,
                                int16_t pintMesSolic, int16_t pintAnnioSolic,
                                int16_t pintPkCedente, int16_t pintCicloIni,
                                int16_t pintCicloFin);
std::string setSqlInsertEnviadofc(int16_t intSemestre, int16_t intAnio,
                                  std::string_view strPoliza, int16_t intInciso,
                                  int16_t pintPkCedente);

// The statement texts once the keys are known.
namespace registration {
std::string insertAgricolaText(const RegistroAgricola& r, int16_t pkmunicipio);
std::string insertAgricolaFcText(const RegistroAgricolaFc& r, int16_t pkmunicipio);
std::string insertGanaderoText(const RegistroGanadero& r, int32_t pkGanadero,
                               int16_t pkmunicipio, int16_t pkespfun);
// The same, appended to out (the benchmark writes many into one buffer).
void appendInsertAgricolaText(std::string& out, const RegistroAgricola& r, int16_t pkmunicipio);

// Duplicate tests.
std::string duplicadoAgricolaQuery(std::string_view strPoliza, std::string_view strEndoso,
                                   int16_t intCveTipoEndoso, int16_t intInciso,
                                   int16_t intcveCultivo, int16_t pintPkCedente,
                                   std::string_view pstrCiclo);

// ---- duplicate reporting

// "Window" (letter case counts) raises the duplicate error with the given source; anything
// else writes "El registro de constancia=<poliza> esta duplicado" to the duplicates log
// under the code and answers false.
bool reportDuplicate(const std::optional<std::string>& sendTo, const char* source,
                     int16_t code, std::string_view strPoliza);
Error duplicateError(const char* source);

// Whether a failed statement was refused for a key that already exists (a unique index or a
// primary key), on either engine.
bool isDuplicateKeyViolation(const Error& e);

// The error of a method that needs a connection and was given none (91).
Error connectionNotSet();
}  // namespace registration

}  // namespace korvanda
