// KORVANDA.clsCatValida: catalogs, registration and certificates over the shared connection.
// One class; its members are defined in the subsystem that owns them:
//   src/catalogs/       catalog queries, generic statements, reference lookups
//   src/registration/   record insertion, sent register, key resolution and generation
//   src/certificates/   certificates, endorsement payments, claims export staging
//
// Connection: every member works on the shared connection of the calling thread (one per
// thread, opened from the registry value on first need and again after it was closed), or on
// the pConn the caller passes. So an object may be called from any thread, one call at a time;
// two objects on one thread share that thread's connection.
// Results: record sets are disconnected and the caller's (shared); FindQuery answers nullptr
// when there are no rows, seleccionar an updatable record set, possibly empty.
// Failures: a member that fails logs one line to logFile.log (insertGanadero does not) and
// throws korvanda::Error with the number, source and description of the first failure. The
// library's own refusals are -2147220503 and -2147220502 with a Spanish description; a
// duplicate record with pstrSendErrTo other than "Window" is written to Errores.log instead,
// and the member returns false. Only the generic statement members (FindQuery, seleccionar,
// insertar, borrar, UpdateCondition, FindCondition) run a text of more than one statement.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "korvanda/connection.h"
#include "korvanda/dispatch.h"
#include "korvanda/recordset.h"
#include "korvanda/variant.h"
#include "korvanda/export.h"

KORVANDA_API_BEGIN
namespace korvanda {

using OptConnection = std::optional<ConnectionRef>;

class clsCatValida : public Dispatchable {
 public:
  // Opens a new connection into this thread's shared slot, replacing what it held (released,
  // not closed). Fails, logged, when the connection cannot be made.
  clsCatValida();
  // When the destroying thread's slot holds an open connection, closes it and empties the
  // slot, even while another object uses it (its next call opens a new one); never fails.
  ~clsCatValida() override;
  static std::shared_ptr<clsCatValida> create() { return std::make_shared<clsCatValida>(); }
  const DispatchTable& dispatchTable() const override;

  // ---- catalog queries and generic statements (src/catalogs/queries.cpp)
  RecordsetRef getCatalogos(int32_t pidCatalogo);
  std::string TraeCatalogo(int32_t pidCatalogo, const std::string& strCondition);
  std::string TraeCatExt(int32_t pidCatalogo, const std::string& strCondition,
                         const std::string& StrAyuda);
  bool findClave(int32_t pidCatalogo, int16_t strClave);
  RecordsetRef FindCondition(int32_t pidCatalogo, const std::string& strCampos,
                             const std::string& strCondition,
                             std::optional<int16_t> pintFieldOrder = std::nullopt);
  RecordsetRef FindQuery(const std::string& strQuery);
  // The calling thread's shared connection, open; it stays the thread's (see connection.h).
  ConnectionRef getConexion();
  bool insertar(const std::string& strQuery, OptConnection pConn = std::nullopt);
  RecordsetRef seleccionar(const std::string& strQuery);
  bool borrar(const std::string& strQuery);
  bool UpdateCondition(int32_t pidCatalogo, const std::string& pstrValores,
                       const std::string& pstrCondition);

  // ---- reference lookups (src/catalogs/lookups.cpp)
  int32_t getPorcentajeSubsidio(int32_t plngEstado, int32_t plngCultivo);
  RecordsetRef getListaRiesgosIN(const std::string& strLstRiesgos);
  RecordsetRef getRiesgosDeConstancias(int32_t lngIDcotizacion);
  RecordsetRef getCatEndososCondition(int16_t pintRamo);
  RecordsetRef getCatEspeciesCondition();
  RecordsetRef getUnidadMedidaEspecie(int16_t pintIdEspecie);
  RecordsetRef getListRiesgosRamo(int16_t pintRamo);
  RecordsetRef getPresidenteConsejo(const std::string& pstrClaveFondo);
  std::string SelectRiesgos(const std::string& strPaqRiesgos);
  int16_t SelectTipoCultivo(int16_t intTipocult);
  int16_t getClasEndoso(int32_t pPkEndoso);
  uint8_t getEstatusLocalidad(int16_t pintCveEstado, int16_t pintCveMunicipio,
                              const std::string& pstrCveLocalidad);
  int16_t getPkProducto(int16_t pintCveConstancia, int16_t pintCicloIni, int16_t pintCicloFin);

  // ---- agricultural subscription records (src/registration/agricola.cpp)
  bool insertAgricola(
      const std::string& strPoliza, const std::string& strEndoso, int16_t intCveTipoEndoso,
      int16_t intInciso, const std::string& strapPaterno, const std::string& strapMaterno,
      const std::string& strNombres, const std::string& strIdentifica, int16_t intIdEstado,
      int16_t intIdMunicipio, const std::string& strCiclo, int16_t intcveCultivo,
      int16_t intCveTipoCult, Date dteVigenciaAsegIni, Date dteVigenciaAsegFin,
      double dblSuperfAseg, double dblSumaAseg, double dblPrimaEaseg, double dblPrimaEgobFed,
      double dblPrimaCaseg, double dblPrimaCgobFed, double dblTotalEmitido,
      double dblTotalCobrado, int16_t intNumPagoIni, int16_t intNumPagoFin, Date dteFecPago,
      double dblTipoCambio, const std::string& strRiesgos, const std::string& strObservaciones,
      const std::string& pintTipoSeguro, const std::string& strRFC,
      const std::string& strTipoVialidad, const std::string& strNomVialidad,
      const std::string& strNumExterior1, const std::string& strNumExterior2,
      const std::string& strNumInterior, const std::string& strTipoAsentamiento,
      const std::string& strNomAsentamiento, const std::string& strCodPostal,
      const std::string& strLocalidad, const std::string& strMunicipioDom,
      const std::string& strEstadoDom, const std::string& strEntreVialidades,
      const std::string& strVialidadPosterior, const std::string& strDescUbicacion,
      const std::string& pstrTipoLocalizacion, const std::string& pstrCarretera,
      const std::string& pstrCamino, int16_t pintPkSocio, int32_t pintPkEndoso,
      int16_t pintAnioVigenciaMovInicial, int16_t pintMesSolic, int16_t pintAnioSolic,
      int16_t pintPkCedente, ConnectionRef pConn,
      std::optional<std::string> pstrSendErrTo = std::nullopt);
  bool getDuplicado(const std::string& strPoliza, const std::string& strEndoso,
                    int16_t intCveTipoEndoso, int16_t intInciso, int16_t intcveCultivo,
                    int16_t pintPkCedente, const std::string& pstrCiclo, ConnectionRef pConn);

  // ---- agricultural claim records (src/registration/agricolaFc.cpp)
  bool insertAgricolaFc(int16_t intSemestre, int16_t intAnnio, const std::string& strPoliza,
                        int16_t intInciso, const std::string& strapPaterno,
                        const std::string& strapMaterno, const std::string& strNombres,
                        int16_t intIdEstado, int16_t intIdMunicipio, int16_t intcveCultivo,
                        int16_t intCveTipoCult, const std::string& strCiclo, Date dtmFechaPago,
                        double dblIndemnizacion, int16_t intPkRiesgo, double dblSuperfSinies,
                        int16_t pintMesSolic, int16_t pintAnioSolic, int16_t pintPkCedente,
                        ConnectionRef pConn, int16_t pintTipoSeguro, const std::string& pstrCURP,
                        const std::string& pstrRFC,
                        std::optional<std::string> pstrSendErrTo = std::nullopt,
                        std::optional<std::string> pstrCoordenadas = std::nullopt);
  bool getDuplicadoFc(const std::string& strPoliza, int16_t intInciso, int16_t intSemestre,
                      int16_t intAnnio, int16_t pintPkCedente, ConnectionRef pConn);

  // ---- livestock subscription records (src/registration/ganadero.cpp)
  bool insertGanadero(
      const std::string& strPoliza, const std::string& strEndoso, int16_t intCveTipoEndoso,
      int16_t intInciso, const std::string& strapPaterno, const std::string& strapMaterno,
      const std::string& strNombres, const std::string& strIdentifica, int16_t intIdEstado,
      int16_t intIdMunicipio, int16_t intIdEspecie, int16_t intIdFuncion,
      int16_t intAnioContrata, Date dteVigenciaAsegIni, Date dteVigenciaAsegFin,
      int32_t lngCabezasAseg, double dblUnidadesAseg, double dblSumaAseg, double dblPrimaEaseg,
      double dblPrimaEgobFed, double dblPrimaCaseg, double dblPrimaCgobFed,
      double dblTotalEmitido, double dblTotalCobrado, int16_t intNumPagoIni,
      int16_t intNumPagoFin, Date dteFecPago, double dblTipoCambio,
      const std::string& strObservaciones, int16_t pintMesSolic, int16_t pintAnioSolic,
      const std::string& pstrIdFondo, std::optional<std::string> pstrSendTo = std::nullopt);
  bool getDuplicadoGanadero(const std::string& strPoliza, const std::string& strEndoso,
                            int16_t intCveTipoEndoso, int16_t intInciso, int16_t intIdEspecie,
                            int16_t intIdFuncion, const std::string& pstrIdFondo);

  // ---- key resolution and generation (src/registration/keys.cpp)
  int32_t getPkEnviado(OptConnection pConn = std::nullopt);
  int32_t getPkEnviadoFc(OptConnection pConn = std::nullopt);
  int32_t getPkAgricola(OptConnection pConn = std::nullopt);
  int32_t getPkAgricolaFc();
  int32_t getPkGanadero();
  bool ExistePkMunicipio(int16_t intIdEstado, int16_t intIdMunicipio);
  int16_t TraePkTCober(int16_t intIdRamo, const std::string& strCicloIni,
                       const std::string& strCicloFin);
  int16_t TraePkEspFun(int16_t intIdEspecie, int16_t intIdFuncion);

  // ---- sent register (src/registration/enviados.cpp)
  bool insertEnviado(const std::string& strPoliza, const std::string& strEndoso,
                     int16_t intCveTipoEndoso, int16_t intInciso, int16_t pintMesSolic,
                     int16_t pintAnnioSolic, int16_t pintPkCedente, int16_t pintCicloIni,
                     int16_t pintCicloFin, ConnectionRef pConn);
  bool insertEnviadoFc(int16_t intSemestre, int16_t intAnio, const std::string& strPoliza,
                       int16_t intInciso, int16_t pintPkCedente, ConnectionRef pConn);
  RecordsetRef getConstanciasEnviadas(int16_t pintPkCedente, int16_t pintMes,
                                      int16_t pintCicloIni, int16_t pintCicloFin);
  RecordsetRef getConstanciasEnviadasFc(int16_t pintPkCedente, int16_t pintSemestre,
                                        int16_t pintAnnio);
  bool getEnviadaDuplicada(int16_t pintPkCedente, const std::string& strPoliza,
                           const std::string& strEndoso, int16_t intTipoEndoso,
                           int16_t intInciso, int16_t intmes, int16_t intCicloIni,
                           int16_t intCicloFin);
  bool getEnviadaDuplicadaFc(int16_t intSemestre, int16_t intAnio, const std::string& strPoliza,
                             int16_t intInciso, int16_t pintPkCedente);
  bool ActualizaStatusSubsidio(const std::string& intCveConst, const std::string& intCveInciso,
                               int16_t intTipoEndoso, int16_t pintPkCedente, int16_t pintCicloIni,
                               int16_t pintCicloFin, ConnectionRef pConn);

  // ---- certificates (src/certificates/constancias.cpp)
  RecordsetRef getConstanciasSubD(int16_t intmes, int16_t intPkCedente, int16_t intCicloIni,
                                  int16_t intCicloFin, int16_t pintMesConsulta);
  bool getDesmarcaConstanciasSubD(int16_t intmes, int16_t intPkCedente, int16_t intCicloIni,
                                  int16_t intCicloFin, int16_t pintMesConsulta);
  RecordsetRef getConstanciasSinD(int16_t intSemestre, int16_t intAnnio, int16_t intPkCedente);
  RecordsetRef getEmptyRsSuscSubs();
  RecordsetRef getEmptyRsSinAgr();

  // ---- endorsement payments (src/certificates/pagos.cpp)
  RecordsetRef getPolizasCobroD();
  bool savePagoEndoso(RecordsetRef objRsDatos);
  int16_t getNextPkPago();
  RecordsetRef findPagoEndoso(const std::string& pstrConstancia, int16_t pintEndoso,
                              int32_t pintInciso, int16_t pintNumPago);

  // ---- claims export staging (src/certificates/staging.cpp)
  bool InsertDatosExpFc(int32_t pidCatalogo, const std::string& pstrCveFondo, int16_t pintRamo,
                        int16_t pintSemestre, int16_t pintAnio);
  int32_t getPkConsecFc();
  RecordsetRef getFondosAnexoH(int16_t pintCicloIni, int16_t pintCicloFin);
};

}  // namespace korvanda
KORVANDA_API_END
