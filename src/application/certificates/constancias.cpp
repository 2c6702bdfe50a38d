// Monthly subsidy certificates: the movements due in a month, and undoing a month's marks.
#include "certificates/statements.h"
#include "component/ModGlobal.h"
#include "component/frame.h"
#include "korvanda/clsCatValida.h"
#include "korvanda/textform.h"

namespace korvanda {

RecordsetRef clsCatValida::getConstanciasSubD(int16_t intmes, int16_t intPkCedente,
                                              int16_t intCicloIni, int16_t intCicloFin,
                                              int16_t pintMesConsulta) {
  return frame("KORVANDA.clsCatValida.getConstanciaSubD", [&] {
    const int32_t anio = anioPago(intmes, pintMesConsulta, splitDate(now()).year);
    return seleccionar(sqlConstanciasSubD(intmes, intPkCedente, intCicloIni, intCicloFin, anio));
  });
}

bool clsCatValida::getDesmarcaConstanciasSubD(int16_t intmes, int16_t intPkCedente,
                                              int16_t intCicloIni, int16_t intCicloFin,
                                              int16_t pintMesConsulta) {
  return frame("KORVANDA.clsCatValida.getDesmarcaConstanciasSubD", [&] {
    RecordsetRef enviadas =
        seleccionar(sqlEnviadasDelMes(intmes, intPkCedente, intCicloIni, intCicloFin));
    // A failing update stops the walk: what was unmarked stays so, the register stays whole.
    if (enviadas && !enviadas->bof() && !enviadas->eof()) {
      while (!enviadas->eof()) {
        desmarcaPagosEnviada(*enviadas, intPkCedente, intCicloIni, intCicloFin);
        enviadas->moveNext();
      }
    }
    return EjecutaQuerySinResultado(
        sqlBorraEnviadasDelMes(intmes, intPkCedente, intCicloIni, intCicloFin));
  });
}

}  // namespace korvanda
