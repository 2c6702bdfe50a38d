// Statement texts and private routines of the certificate, payment and claims-staging members
// of clsCatValida. The builders only assemble text; the members run it.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "korvanda/recordset.h"
#include "korvanda/variant.h"

namespace korvanda {

// ---- monthly subsidy certificates

// Year of the month asked for: a month later than the month of the query belongs to the
// previous year (December asked for in January).
int32_t anioPago(int16_t intmes, int16_t pintMesConsulta, int32_t anioActual);

// The three-branch selection of the certificates due in a month.
std::string sqlConstanciasSubD(int16_t intmes, int16_t intPkCedente, int16_t intCicloIni,
                               int16_t intCicloFin, int32_t anio);

// The sent-register rows of a month, and their deletion.
std::string sqlEnviadasDelMes(int16_t intmes, int16_t intPkCedente, int16_t intCicloIni,
                              int16_t intCicloFin);
std::string sqlBorraEnviadasDelMes(int16_t intmes, int16_t intPkCedente, int16_t intCicloIni,
                                   int16_t intCicloFin);

// One sent-register row, its values as the statement writes them (integers only).
struct ConstanciaEnviada {
  std::string poliza, endoso, tipoEndoso, inciso;
};
// Reads the current row of the register; a value that is not an integer is refused (13).
ConstanciaEnviada leeConstanciaEnviada(const Recordset& rs);
// Clears the sent mark of the payments of one register row.
std::string sqlDesmarcaPagos(int16_t intPkCedente, int16_t intCicloIni, int16_t intCicloFin,
                             const ConstanciaEnviada& enviada);

// Unmarks the payments of the register's current row. It has no log line of its own: a
// failure is logged by the statement routine and then by the member that walks the register.
void desmarcaPagosEnviada(const Recordset& rs, int16_t intPkCedente, int16_t intCicloIni,
                          int16_t intCicloFin);

// ---- claims certificates

// Months of a semester, indexed 1 to 6 (index 0 is unused): 1-6 for semester 1, 7-12 for any
// other value.
using MesesSemestre = std::array<int16_t, 7>;
MesesSemestre getMesesdeSemestre(int16_t intSemestre);

std::string sqlConstanciasSinD(int16_t primerMes, int16_t ultimoMes, int16_t intAnnio,
                               int16_t intPkCedente);

// ---- endorsement payments

// The column list of the movements with a collection.
std::string getCamposCobro();
std::string sqlPolizasCobroD(const std::string& campos);

inline constexpr std::string_view kSqlMaxPago =
    "select max(pkpagoendoso) as maxPago FROM SOLRPAGOSENDOSO";
// The highest key read as "0" followed by its text, plus one, as a 16-bit key (6 when it
// does not fit).
int16_t siguientePkPago(const Variant& maxPago);

// The insert of the payment held by the record set's current row, each value written by
// its type. 3265 when a field is missing.
std::string sqlSavePagoEndoso(const Recordset& objRsDatos);

// 13 when pstrConstancia is not an integer.
std::string sqlFindPagoEndoso(const std::string& pstrConstancia, int16_t pintEndoso,
                              int32_t pintInciso, int16_t pintNumPago);

// ---- claims export staging

inline constexpr std::string_view kSqlCuentaConsec =
    "select count(pkConsec) as maxConsec from SUBMCONSECEXPFC ";
// The row count read as "0" followed by its text.
int32_t cuentaConsecutivos(const Variant& maxConsec);

std::string sqlInsertDatosExpFc(const std::string& tabla, int32_t consecutivo,
                                const std::string& pstrCveFondo, int16_t pintRamo,
                                int16_t pintSemestre, int16_t pintAnio);

std::string sqlFondosAnexoH(int16_t pintCicloIni, int16_t pintCicloFin);

}  // namespace korvanda
