#include "registration_support.h"

#include "support/fixture.h"

namespace korvanda::test {

RegistroAgricola sampleAgricola() {
  return RegistroAgricola{
      .strPoliza = "AG-0001", .strEndoso = "0", .intCveTipoEndoso = 1, .intInciso = 3,
      .strapPaterno = "O'Brien", .strapMaterno = "Núñez", .strNombres = "José María",
      .strIdentifica = "ID-1", .intIdEstado = 1, .intIdMunicipio = 5, .strCiclo = "PV2026",
      .intcveCultivo = 5, .intCveTipoCult = 2,
      .dteVigenciaAsegIni = dateFromParts(2026, 4, 1),
      .dteVigenciaAsegFin = dateFromParts(2026, 10, 31, 13, 5, 9),
      .dblSuperfAseg = 12.5, .dblSumaAseg = 150000, .dblPrimaEaseg = 1234.56,
      .dblPrimaEgobFed = 0.1, .dblPrimaCaseg = -3.25, .dblPrimaCgobFed = 2000,
      .dblTotalEmitido = 100, .dblTotalCobrado = 99.99, .intNumPagoIni = 1,
      .intNumPagoFin = -2, .dteFecPago = dateFromParts(2026, 5, 15), .dblTipoCambio = 17.1234,
      .strRiesgos = "1,2,3", .strObservaciones = "", .pintTipoSeguro = "2",
      .strRFC = "XAXX010101000", .strTipoVialidad = "CALLE", .strNomVialidad = "Niños Héroes",
      .strNumExterior1 = "12", .strNumExterior2 = "", .strNumInterior = "B",
      .strTipoAsentamiento = "COL", .strNomAsentamiento = "Centro", .strCodPostal = "01000",
      .strLocalidad = "0001", .strMunicipioDom = "15", .strEstadoDom = "9",
      .strEntreVialidades = "a y b", .strVialidadPosterior = "c", .strDescUbicacion = "d",
      .pstrTipoLocalizacion = "U", .pstrCarretera = "", .pstrCamino = "", .pintPkSocio = 7,
      .pintPkEndoso = 123456, .pintAnioVigenciaMovInicial = 2026, .pintMesSolic = 4,
      .pintAnioSolic = 2026, .pintPkCedente = 12};
}

RegistroAgricolaFc sampleAgricolaFc() {
  return RegistroAgricolaFc{
      .intSemestre = 2, .intAnnio = 2026, .strPoliza = "FC-'9", .intInciso = 4,
      .strapPaterno = "Peña", .strapMaterno = "Ibáñez", .strNombres = "Ana", .intIdEstado = 1,
      .intIdMunicipio = 5, .intcveCultivo = 5, .intCveTipoCult = 2, .strCiclo = "OI2025",
      .dtmFechaPago = dateFromParts(2026, 9, 30, 8, 30, 0), .dblIndemnizacion = 45678.9,
      .intPkRiesgo = 3, .dblSuperfSinies = 7.25, .pintMesSolic = 10, .pintAnioSolic = 2026,
      .pintPkCedente = 12, .pintTipoSeguro = 1, .pstrCURP = "CURP01", .pstrRFC = "RFC01",
      .pstrCoordenadas = "19.4,-99.1"};
}

RegistroGanadero sampleGanadero() {
  return RegistroGanadero{
      .strPoliza = "GA-0001", .strEndoso = "0", .intCveTipoEndoso = 1, .intInciso = 2,
      .strapPaterno = "Muñoz", .strapMaterno = "D'Arcy", .strNombres = "Íñigo",
      .strIdentifica = "ID-9", .intIdEstado = 1, .intIdMunicipio = 5, .intIdEspecie = 2,
      .intIdFuncion = 1, .intAnioContrata = 2026,
      .dteVigenciaAsegIni = dateFromParts(2026, 4, 3),
      .dteVigenciaAsegFin = dateFromParts(2027, 4, 2, 18, 0, 0), .lngCabezasAseg = 250,
      .dblUnidadesAseg = 250.5, .dblSumaAseg = 500000, .dblPrimaEaseg = 1500.75,
      .dblPrimaEgobFed = 3000.25, .dblPrimaCaseg = 0, .dblPrimaCgobFed = 0,
      .dblTotalEmitido = 4501, .dblTotalCobrado = 4501, .intNumPagoIni = 1,
      .intNumPagoFin = 1, .dteFecPago = dateFromParts(2026, 4, 5), .dblTipoCambio = 1,
      .strObservaciones = "sin observaciones", .pintMesSolic = 4, .pintAnioSolic = 2026,
      .pstrIdFondo = "F01"};
}

std::vector<std::vector<std::string>> golden(const std::string& file, const std::string& key) {
  std::vector<std::vector<std::string>> out;
  for (const auto& fields : testing::goldenTable(file))
    if (fields[0] == key) out.emplace_back(fields.begin() + 1, fields.end());
  return out;
}

std::vector<std::string> goldenStatements(const std::string& key) {
  std::vector<std::string> out;
  for (const auto& fields : golden("registration/statements.tsv", key)) out.push_back(fields.at(0));
  return out;
}

}  // namespace korvanda::test
