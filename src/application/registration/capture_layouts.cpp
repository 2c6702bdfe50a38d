// clsControlFiles.getEmptyRecordsetAgr / getEmptyRecordsetFcAgr.
#include "registration/capture_layouts.h"

#include <array>

#include "component/frame.h"
#include "korvanda/clsControlFiles.h"

namespace korvanda {
namespace {
constexpr int32_t kUpd = adFldUpdatable;                     // 4
constexpr int32_t kNul = adFldIsNullable;                    // 32
constexpr int32_t kUpdNul = adFldUpdatable | adFldIsNullable;  // 36

constexpr std::array<LayoutField, 52> kAgr{{
    {"pkAgricola", adDouble, 8, kUpd},  // a double, not an integer
    {"Poliza", adVarChar, 30, kUpd},
    {"Endoso", adVarChar, 30, kUpd},
    {"CveTipoEndoso", adInteger, 4, kUpd},
    {"Inciso", adInteger, 4, kUpd},
    {"appaterno", adVarChar, 50, kUpd},
    {"apmaterno", adVarChar, 50, kUpd},
    {"nombres", adVarChar, 255, kUpd},
    {"Identificacion", adVarChar, 25, kUpd},
    {"cveEstado", adInteger, 4, kUpd},
    {"cveMunicipio", adInteger, 4, kUpd},
    {"ciclo", adVarChar, 15, kUpd},
    {"CveCultivo", adInteger, 4, kUpd},
    {"CveTipoCultivo", adInteger, 4, kUpd},
    {"VigenciaAsegIni", adDate, 8, kUpd},
    {"VigenciaAsegFin", adDate, 8, kUpd},
    {"SuperficieAseg", adDouble, 8, kUpd},
    {"SumaAsegurada", adDouble, 8, kUpd},
    {"PrimaEaseg", adDouble, 8, kUpd},
    {"PrimaEgobFed", adDouble, 8, kUpd},
    {"PrimaCaseg", adDouble, 8, kUpd},
    {"PrimaCGobFed", adDouble, 8, kUpd},
    {"totalemitido", adDouble, 8, kUpd},
    {"totalcobrado", adDouble, 8, kUpd},
    {"NumPagoIni", adSmallInt, 2, kUpd},
    {"NumPagoFin", adSmallInt, 2, kUpd},
    {"FecPago", adDate, 8, kUpd},
    {"TipoCambio", adDouble, 8, kUpd},
    {"Riesgos", adVarChar, 100, kUpd},
    {"Observaciones", adVarChar, 255, kUpd},
    {"TipoSeguro", adSmallInt, 2, kUpd},
    {"RFC", adVarChar, 20, kUpd},
    // The address and location block and the last three keys may hold Null.
    {"TipoVialidad", adVarChar, 4, kUpdNul},
    {"NomVialidad", adVarChar, 255, kUpdNul},
    {"NumExterior1", adVarChar, 40, kUpdNul},
    {"NumExterior2", adVarChar, 40, kUpdNul},
    {"NumInterior", adVarChar, 40, kUpdNul},
    {"TipoAsentamiento", adVarChar, 4, kUpdNul},
    {"NomAsentamiento", adVarChar, 255, kUpdNul},
    {"CodPostal", adVarChar, 5, kUpdNul},
    {"Localidad", adVarChar, 4, kUpdNul},
    {"MunicipioDom", adInteger, 4, kUpdNul},
    {"EstadoDom", adInteger, 4, kUpdNul},
    {"EntreVialidades", adVarChar, 1000, kUpdNul},
    {"VialidadPosterior", adVarChar, 500, kUpdNul},
    {"DescUbicacion", adVarChar, 255, kUpdNul},
    {"TipoLocalizacion", adChar, 1, kUpdNul},
    {"Carretera", adVarChar, 255, kUpdNul},
    {"Camino", adVarChar, 255, kUpdNul},
    {"PkSocio", adInteger, 4, kUpdNul},
    {"PkEndoso", adInteger, 4, kUpdNul},
    {"AnioVigenciaMovInicial", adInteger, 4, kUpdNul},
}};

constexpr std::array<LayoutField, 21> kFcAgr{{
    {"PkAgricolaFc", adInteger, 8, kUpd},
    {"Semestre", adInteger, 8, kUpd},
    {"A\xC3\xB1o", adInteger, 8, kUpd},  // "Año"
    {"Poliza", adVarChar, 30, kUpd},
    {"Inciso", adInteger, 4, kUpd},
    {"appaterno", adVarChar, 50, kNul},
    {"apmaterno", adVarChar, 50, kNul},
    {"nombres", adVarChar, 255, kUpd},
    {"cveEstado", adInteger, 4, kUpd},
    {"cveMunicipio", adInteger, 4, kUpd},
    {"CveCultivo", adInteger, 4, kUpd},
    {"CveTipoCultivo", adInteger, 4, kUpd},
    {"ciclo", adVarChar, 15, kUpd},
    {"SuperficieSin", adDouble, 8, kUpd},
    {"FechaPago", adDate, 8, kUpd},
    {"Indemnizacion", adDouble, 8, kUpd},
    {"Riesgo", adVarChar, 100, kUpd},
    {"TipoSeguro", adSmallInt, 2, kUpd},
    {"CURP", adVarChar, 50, kNul},
    {"RFC", adVarChar, 50, kUpd},
    {"Coordenadas", adVarChar, 250, kUpd},
}};
}  // namespace

std::span<const LayoutField> layoutRecordsetAgr() { return kAgr; }
std::span<const LayoutField> layoutRecordsetFcAgr() { return kFcAgr; }

RecordsetRef clsControlFiles::getEmptyRecordsetAgr() {
  return frame("KORVANDA.clsControlFiles.getEmptyRecordsetAgr",
               [] { return openEmptyLayout(kAgr); });
}

RecordsetRef clsControlFiles::getEmptyRecordsetFcAgr() {
  return frame("KORVANDA.clsControlFiles.getEmptyRecordsetFcAgr",
               [] { return openEmptyLayout(kFcAgr); });
}

}  // namespace korvanda
