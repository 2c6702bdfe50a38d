// Endorsement payments: movements with a collection, payment keys, storing and finding.
#include "certificates/statements.h"
#include "component/frame.h"
#include "korvanda/clsCatValida.h"

namespace korvanda {

RecordsetRef clsCatValida::getPolizasCobroD() {
  return frame("KORVANDA.clsCatValida.getPolizasCobroD",
               [&] { return FindQuery(sqlPolizasCobroD(getCamposCobro())); });
}

int16_t clsCatValida::getNextPkPago() {
  return frame("KORVANDA.clsCatValida.getNextPkFondo", [&]() -> int16_t {
    RecordsetRef rs = FindQuery(std::string(kSqlMaxPago));
    if (!rs) return 0;
    return siguientePkPago(rs->value("maxPago"));
  });
}

bool clsCatValida::savePagoEndoso(RecordsetRef objRsDatos) {
  return frame("KORVANDA.clsCatValida.savePagoEndoso", [&] {
    if (!objRsDatos) throw errors::objectRequired();
    return insertar(sqlSavePagoEndoso(*objRsDatos));
  });
}

RecordsetRef clsCatValida::findPagoEndoso(const std::string& pstrConstancia, int16_t pintEndoso,
                                          int32_t pintInciso, int16_t pintNumPago) {
  return frame("KORVANDA.clsCatValida.findPagoEndos", [&] {
    return FindQuery(sqlFindPagoEndoso(pstrConstancia, pintEndoso, pintInciso, pintNumPago));
  });
}

}  // namespace korvanda
