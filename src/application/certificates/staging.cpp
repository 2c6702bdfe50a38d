// Claims export staging: consecutives of the claims exports and the funds of annex H.
#include "catalogs/directory.h"
#include "certificates/statements.h"
#include "component/ModGlobal.h"
#include "component/frame.h"
#include "korvanda/clsCatValida.h"

namespace korvanda {

int32_t clsCatValida::getPkConsecFc() {
  return frame("KORVANDA.clsCatValida.getPkConsecFc", [&] {
    int32_t n = 0;
    {
      ConnectionRef conn = getOpenConnection();
      RecordsetRef rs = conn->execute(kSqlCuentaConsec);
      if (rs && !rs->eof()) n = cuentaConsecutivos(rs->value("maxConsec"));
      // With fewer than two rows the next use makes a new connection.
      if (n < 2) slot::current().reset();
    }
    if (n == INT32_MAX) throw errors::overflow();
    return n + 1;
  });
}

bool clsCatValida::InsertDatosExpFc(int32_t pidCatalogo, const std::string& pstrCveFondo,
                                    int16_t pintRamo, int16_t pintSemestre, int16_t pintAnio) {
  return frame("KORVANDA.clsCatValida.InsertDatosExpFc", [&] {
    // Our own reference: the insert runs on this connection even when getPkConsecFc empties
    // the slot.
    ConnectionRef conn = getOpenConnection();
    const std::string tabla = nameTablesCat(toInt16(Variant(pidCatalogo)));
    if (tabla.empty())
      throw Error(kAppError1001, ".InsertDatosExpFc", "El catalogo solicitado no existe");
    const int32_t consecutivo = getPkConsecFc();
    conn->execute(sqlInsertDatosExpFc(tabla, consecutivo, pstrCveFondo, pintRamo, pintSemestre,
                                      pintAnio));
    return true;
  });
}

RecordsetRef clsCatValida::getFondosAnexoH(int16_t pintCicloIni, int16_t pintCicloFin) {
  return frame("KORVANDA.clsCatValida.getFondosAnexoH",
               [&] { return seleccionar(sqlFondosAnexoH(pintCicloIni, pintCicloFin)); });
}

}  // namespace korvanda
