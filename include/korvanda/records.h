// The three registration records as values: every argument of clsCatValida::insertAgricola,
// insertAgricolaFc and insertGanadero but the connection and the duplicate reporting choice,
// under the members' own parameter names and types. A caller fills one and passes it whole.
// Every field starts empty or zero, so designated initializers may name only some.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "korvanda/clsCatValida.h"
#include "korvanda/connection.h"
#include "korvanda/variant.h"
#include "korvanda/export.h"

KORVANDA_API_BEGIN
namespace korvanda {

// One insured item of an agricultural subscription: a row of SUBMAGRICOLA.
struct RegistroAgricola {
  std::string strPoliza{}, strEndoso{};
  int16_t intCveTipoEndoso = 0, intInciso = 0;
  std::string strapPaterno{}, strapMaterno{}, strNombres{}, strIdentifica{};
  int16_t intIdEstado = 0, intIdMunicipio = 0;  // select the municipality key
  std::string strCiclo{};
  int16_t intcveCultivo = 0, intCveTipoCult = 0;
  Date dteVigenciaAsegIni{}, dteVigenciaAsegFin{};
  double dblSuperfAseg = 0, dblSumaAseg = 0, dblPrimaEaseg = 0, dblPrimaEgobFed = 0,
         dblPrimaCaseg = 0, dblPrimaCgobFed = 0, dblTotalEmitido = 0, dblTotalCobrado = 0;
  int16_t intNumPagoIni = 0, intNumPagoFin = 0;
  Date dteFecPago{};
  double dblTipoCambio = 0;
  std::string strRiesgos{}, strObservaciones{};
  std::string pintTipoSeguro{};  // a number as text, read as a 16-bit integer when inserted
  std::string strRFC{}, strTipoVialidad{}, strNomVialidad{}, strNumExterior1{},
      strNumExterior2{}, strNumInterior{}, strTipoAsentamiento{}, strNomAsentamiento{},
      strCodPostal{}, strLocalidad{}, strMunicipioDom{}, strEstadoDom{}, strEntreVialidades{},
      strVialidadPosterior{}, strDescUbicacion{}, pstrTipoLocalizacion{}, pstrCarretera{},
      pstrCamino{};
  int16_t pintPkSocio = 0;
  int32_t pintPkEndoso = 0;
  int16_t pintAnioVigenciaMovInicial = 0, pintMesSolic = 0, pintAnioSolic = 0,
          pintPkCedente = 0;
};

// One agricultural claim item of a semester: a row of SUBMAGRICOLAFC.
struct RegistroAgricolaFc {
  int16_t intSemestre = 0, intAnnio = 0;
  std::string strPoliza{};
  int16_t intInciso = 0;
  std::string strapPaterno{}, strapMaterno{}, strNombres{};
  int16_t intIdEstado = 0, intIdMunicipio = 0, intcveCultivo = 0, intCveTipoCult = 0;
  std::string strCiclo{};
  Date dtmFechaPago{};
  double dblIndemnizacion = 0;
  int16_t intPkRiesgo = 0;
  double dblSuperfSinies = 0;
  int16_t pintMesSolic = 0, pintAnioSolic = 0, pintPkCedente = 0, pintTipoSeguro = 0;
  std::string pstrCURP{}, pstrRFC{};
  std::optional<std::string> pstrCoordenadas{};  // left out: stored as the empty text
};

// One insured item of a livestock subscription: a row of SUBMGANADERO.
struct RegistroGanadero {
  std::string strPoliza{}, strEndoso{};
  int16_t intCveTipoEndoso = 0, intInciso = 0;
  std::string strapPaterno{}, strapMaterno{}, strNombres{}, strIdentifica{};
  int16_t intIdEstado = 0, intIdMunicipio = 0, intIdEspecie = 0, intIdFuncion = 0,
          intAnioContrata = 0;
  Date dteVigenciaAsegIni{}, dteVigenciaAsegFin{};
  int32_t lngCabezasAseg = 0;
  double dblUnidadesAseg = 0, dblSumaAseg = 0, dblPrimaEaseg = 0, dblPrimaEgobFed = 0,
         dblPrimaCaseg = 0, dblPrimaCgobFed = 0, dblTotalEmitido = 0, dblTotalCobrado = 0;
  int16_t intNumPagoIni = 0, intNumPagoFin = 0;
  Date dteFecPago{};
  double dblTipoCambio = 0;
  std::string strObservaciones{};
  int16_t pintMesSolic = 0, pintAnioSolic = 0;
  std::string pstrIdFondo{};
};

// Registers the record exactly as the member of the same name does when given its fields in
// order, pConn and pstrSendErrTo (pstrSendTo): the duplicate test, the INSERT, the same
// errors, log lines and result. True when stored; false when a duplicate went to the
// duplicates log. Errors: -2147220503 for a duplicate reported to "Window", 13 when
// insertAgricola's pintTipoSeguro is not a number, and whatever the connection raises. The
// record is only read. Like the members, a call works on the calling thread's shared
// connection and on pConn, which no other thread may use at the same time.
bool insertAgricola(clsCatValida& cat, const RegistroAgricola& record, ConnectionRef pConn,
                    std::optional<std::string> pstrSendErrTo = std::nullopt);
bool insertAgricolaFc(clsCatValida& cat, const RegistroAgricolaFc& record, ConnectionRef pConn,
                      std::optional<std::string> pstrSendErrTo = std::nullopt);
bool insertGanadero(clsCatValida& cat, const RegistroGanadero& record,
                    std::optional<std::string> pstrSendTo = std::nullopt);

}  // namespace korvanda
KORVANDA_API_END
