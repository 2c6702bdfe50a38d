// Members whose implementation has not landed yet: they fail with a clear error.
#include "korvanda/clsCatValida.h"

namespace korvanda {

RecordsetRef clsCatValida::getConstanciasSubD(int16_t intmes, int16_t intPkCedente, int16_t intCicloIni, int16_t intCicloFin, int16_t pintMesConsulta) {
  throw errors::notImplemented("clsCatValida.getConstanciasSubD");
}
bool clsCatValida::getDesmarcaConstanciasSubD(int16_t intmes, int16_t intPkCedente, int16_t intCicloIni, int16_t intCicloFin, int16_t pintMesConsulta) {
  throw errors::notImplemented("clsCatValida.getDesmarcaConstanciasSubD");
}
RecordsetRef clsCatValida::getConstanciasSinD(int16_t intSemestre, int16_t intAnnio, int16_t intPkCedente) {
  throw errors::notImplemented("clsCatValida.getConstanciasSinD");
}
RecordsetRef clsCatValida::getPolizasCobroD() {
  throw errors::notImplemented("clsCatValida.getPolizasCobroD");
}
bool clsCatValida::savePagoEndoso(RecordsetRef objRsDatos) {
  throw errors::notImplemented("clsCatValida.savePagoEndoso");
}
int16_t clsCatValida::getNextPkPago() {
  throw errors::notImplemented("clsCatValida.getNextPkPago");
}
RecordsetRef clsCatValida::findPagoEndoso(const std::string& pstrConstancia, int16_t pintEndoso, int32_t pintInciso, int16_t pintNumPago) {
  throw errors::notImplemented("clsCatValida.findPagoEndoso");
}
bool clsCatValida::InsertDatosExpFc(int32_t pidCatalogo, const std::string& pstrCveFondo, int16_t pintRamo, int16_t pintSemestre, int16_t pintAnio) {
  throw errors::notImplemented("clsCatValida.InsertDatosExpFc");
}
int32_t clsCatValida::getPkConsecFc() {
  throw errors::notImplemented("clsCatValida.getPkConsecFc");
}
RecordsetRef clsCatValida::getFondosAnexoH(int16_t pintCicloIni, int16_t pintCicloFin) {
  throw errors::notImplemented("clsCatValida.getFondosAnexoH");
}

}  // namespace korvanda
