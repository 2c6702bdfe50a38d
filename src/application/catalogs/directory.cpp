#include "catalogs/directory.h"

#include "component/frame.h"

namespace korvanda {
namespace {
struct CatalogEntry {
  const char* table;
  const char* codeColumn;
};
// Indexed by identifier; 18 and 19 have tables although the enumeration names neither.
constexpr CatalogEntry kDirectory[] = {
    {"", ""},
    {"CATCCLIENTES", "cveCte"},
    {"CATCCULTIVO", "cveCultivo"},
    {"SUBREDOREG", ""},
    {"CATCESPECIES", "cveEspecie"},
    {"CATCESTADO", "cveEstado"},
    {"CATCFUNCIONES", "cveFuncion"},
    {"SUBRGPOCUL", ""},
    {"CATCMUNICIPIO", "cveMunicipio"},
    {"CATCRAMO", "cveRamo"},
    {"CATCRIESGOS", "cveRiesgo"},
    {"SUBHMONEDAS", "cveMoneda"},
    {"CATRESPECIEFUNCION", "cveCiclo"},
    {"CATCTIPOPRACTICA", "cveTipoCultivo"},
    {"CATCTIPOENDOSO", "cveTipoendoso"},
    {"SUBCDIASINHABILES", ""},
    {"SUBCSUBSIDIO", ""},
    {"CATCMONEDA", "cveCiclo"},
    {"SUBCTIPOSEG", ""},
    {"SUBCBIMESTRE", ""},
    {"SUBMCONSECEXPFC", ""},
    {"SUBCSTATUS", ""},
};
const CatalogEntry& lookup(int16_t id) {
  constexpr int16_t count = static_cast<int16_t>(std::size(kDirectory));
  return id > 0 && id < count ? kDirectory[id] : kDirectory[0];
}
}  // namespace

std::string nameTablesCat(int16_t id) {
  return frame("KORVANDA.ModGlobal.nameTablesCat", [&] { return std::string(lookup(id).table); });
}

std::string nameClaveTablesCat(int16_t id) {
  return frame("KORVANDA.ModGlobal.nameClaveTablesCat",
               [&] { return std::string(lookup(id).codeColumn); });
}

}  // namespace korvanda
