// clsCatValida: lifecycle and the late-bound member table. The members themselves live in
// src/catalogs, src/registration and src/certificates.
#include "korvanda/clsCatValida.h"

#include "component/ModGlobal.h"
#include "component/frame.h"
#include "core/binder.h"

namespace korvanda {

clsCatValida::clsCatValida() {
  // A new object always makes a new shared connection, whatever the slot held.
  frame("KORVANDA.clsCatValida.Class_Initialize", [] { slot::connect(); });
}

clsCatValida::~clsCatValida() {
  try {
    ConnectionRef& c = slot::current();
    if (c && c->state() == 1) {
      c->close();
      c.reset();
    }
  } catch (...) {
    // Destruction never fails.
  }
}

const DispatchTable& clsCatValida::dispatchTable() const {
#define KV_MEMBER(name) binder::method(#name, &clsCatValida::name)
  static const DispatchTable table(
      "KORVANDA.clsCatValida",
      {
          KV_MEMBER(getCatalogos),          KV_MEMBER(getPorcentajeSubsidio),
          KV_MEMBER(getListaRiesgosIN),     KV_MEMBER(TraeCatalogo),
          KV_MEMBER(TraeCatExt),            KV_MEMBER(findClave),
          KV_MEMBER(FindCondition),         KV_MEMBER(FindQuery),
          KV_MEMBER(getConexion),           KV_MEMBER(insertar),
          KV_MEMBER(seleccionar),           KV_MEMBER(borrar),
          KV_MEMBER(insertAgricola),        KV_MEMBER(insertAgricolaFc),
          KV_MEMBER(getDuplicado),          KV_MEMBER(getDuplicadoFc),
          KV_MEMBER(getPkEnviado),          KV_MEMBER(getPkEnviadoFc),
          KV_MEMBER(getPkAgricola),         KV_MEMBER(getPkAgricolaFc),
          KV_MEMBER(insertGanadero),        KV_MEMBER(getPkGanadero),
          KV_MEMBER(getDuplicadoGanadero),  KV_MEMBER(ExistePkMunicipio),
          KV_MEMBER(TraePkTCober),          KV_MEMBER(TraePkEspFun),
          KV_MEMBER(getConstanciasSubD),    KV_MEMBER(getConstanciasSinD),
          KV_MEMBER(getEmptyRsSuscSubs),    KV_MEMBER(getEmptyRsSinAgr),
          KV_MEMBER(getRiesgosDeConstancias), KV_MEMBER(getCatEndososCondition),
          KV_MEMBER(getCatEspeciesCondition), KV_MEMBER(getUnidadMedidaEspecie),
          KV_MEMBER(getListRiesgosRamo),    KV_MEMBER(getPolizasCobroD),
          KV_MEMBER(savePagoEndoso),        KV_MEMBER(getPresidenteConsejo),
          KV_MEMBER(getNextPkPago),         KV_MEMBER(findPagoEndoso),
          KV_MEMBER(SelectRiesgos),         KV_MEMBER(SelectTipoCultivo),
          KV_MEMBER(getClasEndoso),         KV_MEMBER(InsertDatosExpFc),
          KV_MEMBER(getPkConsecFc),         KV_MEMBER(UpdateCondition),
          KV_MEMBER(insertEnviado),         KV_MEMBER(insertEnviadoFc),
          KV_MEMBER(getConstanciasEnviadas), KV_MEMBER(getConstanciasEnviadasFc),
          KV_MEMBER(getEnviadaDuplicada),   KV_MEMBER(getEnviadaDuplicadaFc),
          KV_MEMBER(ActualizaStatusSubsidio), KV_MEMBER(getEstatusLocalidad),
          KV_MEMBER(getPkProducto),         KV_MEMBER(getDesmarcaConstanciasSubD),
          KV_MEMBER(getFondosAnexoH),
      });
#undef KV_MEMBER
  return table;
}

}  // namespace korvanda
