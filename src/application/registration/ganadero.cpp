// Livestock subscription records: SUBMGANADERO, on the shared connection.
#include "component/ModGlobal.h"
#include "component/frame.h"
#include "component/rows.h"
#include "component/sql.h"
#include "component/transaction.h"
#include "korvanda/clsCatValida.h"
#include "registration/insert_builder.h"
#include "registration/keys.h"
#include "registration/statements.h"

namespace korvanda {
namespace registration {

// No date-format prefix: both engines read the dates day first for the session.
constexpr InsertLayout kGanadero{"INSERT INTO SUBMGANADERO ", false, ".insertGanadero"};

std::string insertGanaderoText(const RegistroGanadero& r, int32_t pkGanadero,
                               int16_t pkmunicipio, int16_t pkespfun) {
  const Column columns[] = {
      integer("pkGanadero", pkGanadero),
      text("poliza", r.strPoliza),
      text("endoso", r.strEndoso),
      integer("cveTipoEndoso", r.intCveTipoEndoso),
      integer("Inciso", r.intInciso),
      text("apPaterno", r.strapPaterno),
      text("apMaterno", r.strapMaterno),
      text("Nombres", r.strNombres),
      text("identificacion", r.strIdentifica),
      integer("pkmunicipio", pkmunicipio),
      integer("pkespfun", pkespfun),
      integer("AnioContrata", r.intAnioContrata),
      date("vigenciaAsegIni", r.dteVigenciaAsegIni),
      date("vigenciaAsegFin", r.dteVigenciaAsegFin),
      integer("cabezasaseg", r.lngCabezasAseg),
      decimal("unidadesaseg", r.dblUnidadesAseg),
      decimal("sumaAsegurada", r.dblSumaAseg),
      decimal("primaEaseg", r.dblPrimaEaseg),
      decimal("primaEgobFed", r.dblPrimaEgobFed),
      decimal("primaCaseg", r.dblPrimaCaseg),
      decimal("primaCgobFed", r.dblPrimaCgobFed),
      decimal("totalEmitido", r.dblTotalEmitido),
      decimal("totalCobrado", r.dblTotalCobrado),
      integer("numPagoIni", r.intNumPagoIni),
      integer("numPagoFin", r.intNumPagoFin),
      date("fecPago", r.dteFecPago),
      decimal("tipoCambio", r.dblTipoCambio),
      text("observaciones", r.strObservaciones),
      integer("mesSolicitud", r.pintMesSolic),
      integer("anioSolicitud", r.pintAnioSolic),
      text("cveFondo", r.pstrIdFondo),
  };
  return buildInsert(kGanadero, columns);
}

namespace {

std::string duplicadoGanaderoQuery(std::string_view strPoliza, std::string_view strEndoso,
                                   int16_t intCveTipoEndoso, int16_t intInciso,
                                   int16_t intIdEspecie, int16_t intIdFuncion,
                                   std::string_view pstrIdFondo) {
  return "select pkGanadero from submGanadero where poliza ='" + sql::escaped(strPoliza) +
         "' and endoso ='" + sql::escaped(strEndoso) +
         "' and cvetipoendoso=" + sql::integer(intCveTipoEndoso) +
         " and inciso=" + sql::integer(intInciso) +
         " and pkespfun in  (select pkespfun from subrespfun where cveespecie=" +
         sql::integer(intIdEspecie) + " and cvefuncion=" + sql::integer(intIdFuncion) +
         " ) AND cveFondo='" + sql::escaped(pstrIdFondo) + "'";
}

// Attempts at an INSERT whose generated key another station took first.
constexpr int kKeyAttempts = 3;

}  // namespace
}  // namespace registration

std::string setSqlInsertGanadero(clsCatValida& self, const RegistroGanadero& r) {
  return frame("KORVANDA.clsCatValida.setSqlInsertGanadero", [&] {
    const int16_t pkmunicipio = getPkMunicipio(self, r.intIdEstado, r.intIdMunicipio);
    const int16_t pkespfun = getPkEspecieFuncion(self, r.intIdEspecie, r.intIdFuncion);
    const int32_t pkGanadero = self.getPkGanadero();
    return registration::insertGanaderoText(r, pkGanadero, pkmunicipio, pkespfun);
  });
}

bool clsCatValida::getDuplicadoGanadero(const std::string& strPoliza,
                                        const std::string& strEndoso, int16_t intCveTipoEndoso,
                                        int16_t intInciso, int16_t intIdEspecie,
                                        int16_t intIdFuncion, const std::string& pstrIdFondo) {
  return frame("KORVANDA.clsCatValida.getDuplicadoGanadero", [&] {
    RecordsetRef rs = seleccionar(registration::duplicadoGanaderoQuery(
        strPoliza, strEndoso, intCveTipoEndoso, intInciso, intIdEspecie, intIdFuncion,
        pstrIdFondo));
    return !(rs->bof() && rs->eof());
  });
}

bool clsCatValida::insertGanadero(
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
    const std::string& pstrIdFondo, std::optional<std::string> pstrSendTo) {
  return korvanda::insertGanadero(
      *this,
      RegistroGanadero{strPoliza, strEndoso, intCveTipoEndoso, intInciso, strapPaterno,
                       strapMaterno, strNombres, strIdentifica, intIdEstado, intIdMunicipio,
                       intIdEspecie, intIdFuncion, intAnioContrata, dteVigenciaAsegIni,
                       dteVigenciaAsegFin, lngCabezasAseg, dblUnidadesAseg, dblSumaAseg,
                       dblPrimaEaseg, dblPrimaEgobFed, dblPrimaCaseg, dblPrimaCgobFed,
                       dblTotalEmitido, dblTotalCobrado, intNumPagoIni, intNumPagoFin,
                       dteFecPago, dblTipoCambio, strObservaciones, pintMesSolic, pintAnioSolic,
                       pstrIdFondo},
      std::move(pstrSendTo));
}

bool insertGanadero(clsCatValida& self, const RegistroGanadero& r,
                    std::optional<std::string> pstrSendTo) {
  // Failures go back to the caller as they came, without a log line of this routine's own.
  try {
    auto isDuplicate = [&] {
      return self.getDuplicadoGanadero(r.strPoliza, r.strEndoso, r.intCveTipoEndoso,
                                       r.intInciso, r.intIdEspecie, r.intIdFuncion,
                                       r.pstrIdFondo);
    };
    // No unique index guards this table, and the row key is the maximum plus one. The
    // duplicate tests, the key and the INSERT run in one transaction on the shared
    // connection; the embedded engine takes its write lock first, so no other station reads
    // the same maximum or stores the same record in between. Where the database lets two
    // transactions read one maximum, the INSERT collides on the key and is tried again.
    for (int attempt = 1;; ++attempt) {
      Transaction keyAndInsert(getOpenConnection(), Transaction::Mode::joinOrBegin);
      if (isDuplicate())
        return registration::reportDuplicate(pstrSendTo, ".insertGanadero", 2011, r.strPoliza);
      const std::string statement = setSqlInsertGanadero(self, r);
      if (isDuplicate())
        return registration::reportDuplicate(pstrSendTo, ".insertGanadero", 2011, r.strPoliza);
      try {
        const bool stored = self.insertar(statement);
        keyAndInsert.commit();
        return stored;
      } catch (const Error& e) {
        // The key was taken meanwhile: test again and take a new one.
        if (!registration::isDuplicateKeyViolation(e) || attempt == registration::kKeyAttempts)
          throw;
      }
    }
  } catch (const Error&) {
    throw;
  } catch (...) {
    throw asError(std::current_exception());
  }
}

}  // namespace korvanda
