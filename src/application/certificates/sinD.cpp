// Claims certificates: the approved and paid claim adjustments of a semester.
#include "certificates/statements.h"
#include "component/frame.h"
#include "korvanda/clsCatValida.h"

namespace korvanda {

RecordsetRef clsCatValida::getConstanciasSinD(int16_t intSemestre, int16_t intAnnio,
                                              int16_t intPkCedente) {
  return frame("KORVANDA.clsCatValida.getConstanciasSinD", [&] {
    const MesesSemestre meses = getMesesdeSemestre(intSemestre);
    return seleccionar(sqlConstanciasSinD(meses[1], meses[6], intAnnio, intPkCedente));
  });
}

}  // namespace korvanda
