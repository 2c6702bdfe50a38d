// Members whose implementation has not landed yet: they fail with a clear error.
#include "korvanda/clsCatValida.h"

namespace korvanda {

bool clsCatValida::insertAgricola(const std::string& strPoliza, const std::string& strEndoso, int16_t intCveTipoEndoso, int16_t intInciso, const std::string& strapPaterno, const std::string& strapMaterno, const std::string& strNombres, const std::string& strIdentifica, int16_t intIdEstado, int16_t intIdMunicipio, const std::string& strCiclo, int16_t intcveCultivo, int16_t intCveTipoCult, Date dteVigenciaAsegIni, Date dteVigenciaAsegFin, double dblSuperfAseg, double dblSumaAseg, double dblPrimaEaseg, double dblPrimaEgobFed, double dblPrimaCaseg, double dblPrimaCgobFed, double dblTotalEmitido, double dblTotalCobrado, int16_t intNumPagoIni, int16_t intNumPagoFin, Date dteFecPago, double dblTipoCambio, const std::string& strRiesgos, const std::string& strObservaciones, const std::string& pintTipoSeguro, const std::string& strRFC, const std::string& strTipoVialidad, const std::string& strNomVialidad, const std::string& strNumExterior1, const std::string& strNumExterior2, const std::string& strNumInterior, const std::string& strTipoAsentamiento, const std::string& strNomAsentamiento, const std::string& strCodPostal, const std::string& strLocalidad, const std::string& strMunicipioDom, const std::string& strEstadoDom, const std::string& strEntreVialidades, const std::string& strVialidadPosterior, const std::string& strDescUbicacion, const std::string& pstrTipoLocalizacion, const std::string& pstrCarretera, const std::string& pstrCamino, int16_t pintPkSocio, int32_t pintPkEndoso, int16_t pintAnioVigenciaMovInicial, int16_t pintMesSolic, int16_t pintAnioSolic, int16_t pintPkCedente, ConnectionRef pConn, std::optional<std::string> pstrSendErrTo) {
  throw errors::notImplemented("clsCatValida.insertAgricola");
}
bool clsCatValida::getDuplicado(const std::string& strPoliza, const std::string& strEndoso, int16_t intCveTipoEndoso, int16_t intInciso, int16_t intcveCultivo, int16_t pintPkCedente, const std::string& pstrCiclo, ConnectionRef pConn) {
  throw errors::notImplemented("clsCatValida.getDuplicado");
}
bool clsCatValida::insertAgricolaFc(int16_t intSemestre, int16_t intAnnio, const std::string& strPoliza, int16_t intInciso, const std::string& strapPaterno, const std::string& strapMaterno, const std::string& strNombres, int16_t intIdEstado, int16_t intIdMunicipio, int16_t intcveCultivo, int16_t intCveTipoCult, const std::string& strCiclo, Date dtmFechaPago, double dblIndemnizacion, int16_t intPkRiesgo, double dblSuperfSinies, int16_t pintMesSolic, int16_t pintAnioSolic, int16_t pintPkCedente, ConnectionRef pConn, int16_t pintTipoSeguro, const std::string& pstrCURP, const std::string& pstrRFC, std::optional<std::string> pstrSendErrTo, std::optional<std::string> pstrCoordenadas) {
  throw errors::notImplemented("clsCatValida.insertAgricolaFc");
}
bool clsCatValida::getDuplicadoFc(const std::string& strPoliza, int16_t intInciso, int16_t intSemestre, int16_t intAnnio, int16_t pintPkCedente, ConnectionRef pConn) {
  throw errors::notImplemented("clsCatValida.getDuplicadoFc");
}
bool clsCatValida::insertGanadero(const std::string& strPoliza, const std::string& strEndoso, int16_t intCveTipoEndoso, int16_t intInciso, const std::string& strapPaterno, const std::string& strapMaterno, const std::string& strNombres, const std::string& strIdentifica, int16_t intIdEstado, int16_t intIdMunicipio, int16_t intIdEspecie, int16_t intIdFuncion, int16_t intAnioContrata, Date dteVigenciaAsegIni, Date dteVigenciaAsegFin, int32_t lngCabezasAseg, double dblUnidadesAseg, double dblSumaAseg, double dblPrimaEaseg, double dblPrimaEgobFed, double dblPrimaCaseg, double dblPrimaCgobFed, double dblTotalEmitido, double dblTotalCobrado, int16_t intNumPagoIni, int16_t intNumPagoFin, Date dteFecPago, double dblTipoCambio, const std::string& strObservaciones, int16_t pintMesSolic, int16_t pintAnioSolic, const std::string& pstrIdFondo, std::optional<std::string> pstrSendTo) {
  throw errors::notImplemented("clsCatValida.insertGanadero");
}
bool clsCatValida::getDuplicadoGanadero(const std::string& strPoliza, const std::string& strEndoso, int16_t intCveTipoEndoso, int16_t intInciso, int16_t intIdEspecie, int16_t intIdFuncion, const std::string& pstrIdFondo) {
  throw errors::notImplemented("clsCatValida.getDuplicadoGanadero");
}
bool clsCatValida::insertEnviado(const std::string& strPoliza, const std::string& strEndoso, int16_t intCveTipoEndoso, int16_t intInciso, int16_t pintMesSolic, int16_t pintAnnioSolic, int16_t pintPkCedente, int16_t pintCicloIni, int16_t pintCicloFin, ConnectionRef pConn) {
  throw errors::notImplemented("clsCatValida.insertEnviado");
}
bool clsCatValida::insertEnviadoFc(int16_t intSemestre, int16_t intAnio, const std::string& strPoliza, int16_t intInciso, int16_t pintPkCedente, ConnectionRef pConn) {
  throw errors::notImplemented("clsCatValida.insertEnviadoFc");
}
RecordsetRef clsCatValida::getConstanciasEnviadas(int16_t pintPkCedente, int16_t pintMes, int16_t pintCicloIni, int16_t pintCicloFin) {
  throw errors::notImplemented("clsCatValida.getConstanciasEnviadas");
}
RecordsetRef clsCatValida::getConstanciasEnviadasFc(int16_t pintPkCedente, int16_t pintSemestre, int16_t pintAnnio) {
  throw errors::notImplemented("clsCatValida.getConstanciasEnviadasFc");
}
bool clsCatValida::getEnviadaDuplicada(int16_t pintPkCedente, const std::string& strPoliza, const std::string& strEndoso, int16_t intTipoEndoso, int16_t intInciso, int16_t intmes, int16_t intCicloIni, int16_t intCicloFin) {
  throw errors::notImplemented("clsCatValida.getEnviadaDuplicada");
}
bool clsCatValida::getEnviadaDuplicadaFc(int16_t intSemestre, int16_t intAnio, const std::string& strPoliza, int16_t intInciso, int16_t pintPkCedente) {
  throw errors::notImplemented("clsCatValida.getEnviadaDuplicadaFc");
}
bool clsCatValida::ActualizaStatusSubsidio(const std::string& intCveConst, const std::string& intCveInciso, int16_t intTipoEndoso, int16_t pintPkCedente, int16_t pintCicloIni, int16_t pintCicloFin, ConnectionRef pConn) {
  throw errors::notImplemented("clsCatValida.ActualizaStatusSubsidio");
}

}  // namespace korvanda
