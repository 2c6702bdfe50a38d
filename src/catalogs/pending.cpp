// Members whose implementation has not landed yet: they fail with a clear error.
#include "korvanda/clsCatValida.h"

namespace korvanda {

int32_t clsCatValida::getPorcentajeSubsidio(int32_t plngEstado, int32_t plngCultivo) {
  throw errors::notImplemented("clsCatValida.getPorcentajeSubsidio");
}
RecordsetRef clsCatValida::getListaRiesgosIN(const std::string& strLstRiesgos) {
  throw errors::notImplemented("clsCatValida.getListaRiesgosIN");
}
RecordsetRef clsCatValida::getRiesgosDeConstancias(int32_t lngIDcotizacion) {
  throw errors::notImplemented("clsCatValida.getRiesgosDeConstancias");
}
RecordsetRef clsCatValida::getCatEndososCondition(int16_t pintRamo) {
  throw errors::notImplemented("clsCatValida.getCatEndososCondition");
}
RecordsetRef clsCatValida::getCatEspeciesCondition() {
  throw errors::notImplemented("clsCatValida.getCatEspeciesCondition");
}
RecordsetRef clsCatValida::getUnidadMedidaEspecie(int16_t pintIdEspecie) {
  throw errors::notImplemented("clsCatValida.getUnidadMedidaEspecie");
}
RecordsetRef clsCatValida::getListRiesgosRamo(int16_t pintRamo) {
  throw errors::notImplemented("clsCatValida.getListRiesgosRamo");
}
RecordsetRef clsCatValida::getPresidenteConsejo(const std::string& pstrClaveFondo) {
  throw errors::notImplemented("clsCatValida.getPresidenteConsejo");
}
std::string clsCatValida::SelectRiesgos(const std::string& strPaqRiesgos) {
  throw errors::notImplemented("clsCatValida.SelectRiesgos");
}
int16_t clsCatValida::SelectTipoCultivo(int16_t intTipocult) {
  throw errors::notImplemented("clsCatValida.SelectTipoCultivo");
}
int16_t clsCatValida::getClasEndoso(int32_t pPkEndoso) {
  throw errors::notImplemented("clsCatValida.getClasEndoso");
}
uint8_t clsCatValida::getEstatusLocalidad(int16_t pintCveEstado, int16_t pintCveMunicipio, const std::string& pstrCveLocalidad) {
  throw errors::notImplemented("clsCatValida.getEstatusLocalidad");
}
int16_t clsCatValida::getPkProducto(int16_t pintCveConstancia, int16_t pintCicloIni, int16_t pintCicloFin) {
  throw errors::notImplemented("clsCatValida.getPkProducto");
}

}  // namespace korvanda
#include "korvanda/clsCatalogos.h"

namespace korvanda {
bool clsCatalogos::Actualiza(const std::string&, const std::string&) {
  throw errors::notImplemented("clsCatalogos.Actualiza");
}
}  // namespace korvanda
