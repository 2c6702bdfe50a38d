// clsCatValida.getEmptyRsSuscSubs / getEmptyRsSinAgr.
#include <array>

#include "component/frame.h"
#include "core/layout.h"
#include "korvanda/clsCatValida.h"

namespace korvanda {
namespace {
constexpr int32_t kUpd = adFldUpdatable;

constexpr std::array<LayoutField, 50> kSuscSubs{{
    {"pkconstancia", adInteger, 4, 0},  // appended without attributes
    {"Endoso", adInteger, 4, kUpd},
    {"pktipoendoso", adInteger, 4, kUpd},
    {"inciso", adInteger, 4, kUpd},
    {"paterno", adVarChar, 50, kUpd},
    {"materno", adVarChar, 50, kUpd},
    {"nombre", adVarChar, 255, kUpd},
    {"identificacion", adVarChar, 30, kUpd},
    {"pkestado", adInteger, 4, kUpd},
    {"cvemunicipio", adInteger, 4, kUpd},
    {"ciclo", adVarChar, 15, kUpd},
    {"pkcultivo", adInteger, 4, kUpd},
    {"pktipocultivo", adVarChar, 15, kUpd},
    {"vigenciaIni", adDate, 8, kUpd},
    {"vigenciaFin", adDate, 8, kUpd},
    {"superficieAseg", adDouble, 8, kUpd},
    {"sumaAsegurada", adDouble, 8, kUpd},
    {"primaemitidoAsegurado", adDouble, 8, kUpd},
    {"primaemitidoGobFederal", adDouble, 8, kUpd},
    {"primaemitidaTotal", adDouble, 8, kUpd},
    {"primacobradaAsegurado", adDouble, 8, kUpd},
    {"primacobradaGobFederal", adDouble, 8, kUpd},
    {"primacobradaTotal", adDouble, 8, kUpd},
    {"Pago", adInteger, 4, kUpd},
    {"Pagode", adInteger, 4, kUpd},
    {"fechapago", adDate, 8, kUpd},
    {"tipoCambio", adDouble, 8, kUpd},
    {"paqueteriesgos", adVarChar, 150, kUpd},
    {"TipoSeguro", adSmallInt, 2, kUpd},
    {"RFC", adVarChar, 20, kUpd},
    {"TipoVialidad", adVarChar, 4, kUpd},
    {"NomVialidad", adVarChar, 255, kUpd},
    {"NumExterior1", adVarChar, 40, kUpd},
    {"NumExterior2", adVarChar, 40, kUpd},
    {"NumInterior", adVarChar, 40, kUpd},
    {"TipoAsentamiento", adVarChar, 4, kUpd},
    {"NomAsentamiento", adVarChar, 255, kUpd},
    {"CodPostal", adVarChar, 5, kUpd},
    {"Localidad", adVarChar, 4, kUpd},
    {"MunicipioDom", adInteger, 4, kUpd},
    {"EstadoDom", adInteger, 4, kUpd},
    {"EntreVialidades", adVarChar, 1000, kUpd},
    {"VialidadPosterior", adVarChar, 500, kUpd},
    {"DescUbicacion", adVarChar, 255, kUpd},
    {"TipoLocalizacion", adChar, 1, kUpd},
    {"Carretera", adVarChar, 255, kUpd},
    {"Camino", adVarChar, 255, kUpd},
    {"PkSocio", adInteger, 4, kUpd},
    {"PkEndoso", adInteger, 4, kUpd},
    {"AnioVigenciaMovInicial", adInteger, 4, kUpd},
}};

constexpr std::array<LayoutField, 24> kSinAgr{{
    {"Constancia", adDouble, 8, kUpd},  // a double, unlike pkconstancia
    {"Inciso", adInteger, 4, kUpd},
    {"Paterno", adVarChar, 50, kUpd},
    {"Materno", adVarChar, 50, adFldIsNullable},  // the one field that takes Null
    {"Nombre", adVarChar, 255, kUpd},
    {"PkEstado", adInteger, 8, kUpd},
    {"NomEstado", adVarChar, 50, kUpd},
    {"cvemunicipio", adInteger, 8, kUpd},
    {"NomMunicipio", adVarChar, 50, kUpd},
    {"pkcultivo", adInteger, 8, kUpd},
    {"Nomcultivo", adVarChar, 100, kUpd},
    {"PkTipoPractica", adInteger, 8, kUpd},
    {"NomTipoPractica", adVarChar, 100, kUpd},
    {"ciclo", adVarChar, 15, kUpd},
    {"SupSiniestrada", adDouble, 8, kUpd},
    {"FechaPago", adDate, 8, kUpd},
    {"Indemnizacion", adDouble, 8, kUpd},
    {"PkRiesgo", adInteger, 8, kUpd},
    {"NomRiesgo", adVarChar, 100, kUpd},
    {"TipoSeguro", adSmallInt, 2, kUpd},
    {"CURP", adVarChar, 50, kUpd},
    {"RFC", adVarChar, 50, kUpd},
    {"PkEndoso", adInteger, 4, kUpd},
    {"AnioVigenciaMovInicial", adInteger, 4, kUpd},
}};
}  // namespace

RecordsetRef clsCatValida::getEmptyRsSuscSubs() {
  return frame("KORVANDA.clsCatValida.getemptyRsSuscSubs",
               [] { return openEmptyLayout(kSuscSubs); });
}

RecordsetRef clsCatValida::getEmptyRsSinAgr() {
  return frame("KORVANDA.clsCatValida.getEmptyRsSinAgr",
               [] { return openEmptyLayout(kSinAgr); });
}

}  // namespace korvanda
