// Statement texts of the certificate, payment and claims-staging members.
#include "certificates/statements.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <span>
#include <stdexcept>
#include <utility>

#include "component/ModGlobal.h"
#include "component/frame.h"
#include "component/sql.h"
#include "korvanda/error.h"
#include "korvanda/textform.h"

namespace korvanda {
namespace {

// A statement written whole. Each line break stands for one space (the texts break only where
// they hold a single space) and each {name} stands for the value of that name, already written
// as statement text by the caller.
struct Valor {
  std::string_view nombre;
  std::string texto;
};

std::string rellena(std::string_view plantilla, std::span<const Valor> valores) {
  std::string out;
  out.reserve(plantilla.size() + 16 * valores.size());
  for (size_t i = 0; i < plantilla.size(); ++i) {
    const char c = plantilla[i];
    if (c == '\n') {
      out += ' ';
    } else if (c == '{') {
      const size_t fin = plantilla.find('}', i);
      if (fin == std::string_view::npos) throw std::logic_error("unclosed statement marker");
      const auto valor =
          std::ranges::find(valores, plantilla.substr(i + 1, fin - i - 1), &Valor::nombre);
      if (valor == valores.end()) throw std::logic_error("statement marker without a value");
      out += valor->texto;
      i = fin;
    } else {
      out += c;
    }
  }
  return out;
}

// ---- monthly subsidy certificates: three branches joined by UNION, sharing the same values

// Endorsement payments not yet sent, up to the end of the month.
constexpr std::string_view kRamaPagosEndoso = R"sql(SET DATEFORMAT DMY
SELECT  DISTINCT CONS.CveConstancia AS PkConstancia, E.CveEndoso AS Endoso, E.PkTipoEndoso,
I.CveInciso AS Inciso, SOC.Paterno, SOC.Materno, SOC.Nombre,
(case when SOC.PkTipoSocio = 1 OR SOC.PkTipoSocio = 3 then SOC.CURP else '' end) AS Identificacion,
E.PkEstado, M.CveMunicipio,
CAST(PROG.CicloIni AS varchar) + '/' + CAST(PROG.CicloFin AS varchar) AS Ciclo,
PROG.PkCultivo, PROG.PkTipoCultivo, E.VigenciaIni, E.VigenciaFin, E.SuperficieAseg,
E.SumaAsegTotal as SumaAsegurada, E.PrimaAseg AS PrimaEmitidoAsegurado,
E.PrimaGobFed AS PrimaEmitidoGobFederal, E.PrimaAseg AS PrimaCobradaAsegurado,
E.PrimaGobFed AS PrimaCobradaGobFederal, E.PrimaTotal AS PrimaEmitidaTotal,
E.PrimaTotal AS PrimaCobradaTotal, 1 AS Pago, 1 AS Pagode, P.fechaPago,
P.TipoCambio,COTIZ.PaqueteRiesgos, COTIZ.PkCotizacion, ' ', I.Pkinciso, E.PkEndoso,
PROD.PkSubramo AS TipoSeguro, SOC.RFC, SOC.TipoVialidad, SOC.Calle AS NomVialidad,
SOC.NoExt COLLATE DATABASE_DEFAULT + ' ' + SOC.NoExtAlf COLLATE DATABASE_DEFAULT AS NumExterior1,
SOC.NumExterior2,
SOC.NoInt COLLATE DATABASE_DEFAULT + ' ' + SOC.NoIntAlf COLLATE DATABASE_DEFAULT AS NumInterior,
SOC.TipoAsentamiento, SOC.Poblacion AS NomAsentamiento, SOC.CodPostal, SOC.Localidad,
SOC.PKMunicipioDom AS MunicipioDom, SOC.PKEstadoDom AS EstadoDom,
CASE WHEN LEN(SOC.TipoVialidad1) <> 0
THEN (SELECT NomTipoVial FROM CATCTIPOVIAL WHERE CveTipoVial = SOC.TipoVialidad1)
+ ' ' + SOC.NomVialidad1
+ ' Y ' + (SELECT NomTipoVial FROM CATCTIPOVIAL WHERE CveTipoVial = SOC.TipoVialidad2)
+ ' ' + SOC.NomVialidad2
ELSE '' END AS EntreVialidades,
CASE WHEN LEN(SOC.TipoVialidadPosterior) <> 0
THEN (SELECT NomTipoVial FROM CATCTIPOVIAL WHERE CveTipoVial = SOC.TipoVialidadPosterior)
+ ' ' + SOC.NomVialidadPosterior
ELSE '' END AS VialidadPosterior, SOC.Ubicacion AS DescUbicacion,
SOC.TipoLocalizacion, SOC.Carretera, SOC.Camino, SOC.PkSocio, E.PkEndoso,
CASE WHEN E.PKTipoEndoso = 10
THEN CASE WHEN (SELECT COB.FechaPago FROM SOLDENDOSO MI
LEFT JOIN SICIMCOBRANZA COB ON MI.PkEndoso = COB.PkEndoso AND MI.PkInciso = COB.PkInciso
WHERE (MI.PkInciso = E.PkInciso) AND (MI.PKTipoendoso = 0)) <> NULL
THEN (SELECT YEAR(MI.VigenciaIni) FROM SOLDENDOSO MI WHERE MI.PkInciso = E.PkInciso
AND MI.PkTipoEndoso = 0)
ELSE (SELECT YEAR(MI.VigenciaIni) FROM SOLDENDOSO MI WHERE MI.PkInciso = E.PkInciso
AND MI.PkTipoEndoso = 10) END
WHEN E.PKTipoEndoso = 2
THEN (SELECT year(min(a.VigenciaIni)) FROM SOLDENDOSO AS a
INNER JOIN  (SELECT a.pkInciso, a.pkConstancia FROM SOLDINCISO a
INNER JOIN SOLMCONSTANCIA b ON a.pkconstancia = b.pkConstancia
INNER JOIN  FONMPROGRAMAS PROG ON b.PkPrograma = PROG.PkPrograma
WHERE b.cveconstancia = CONS.CveConstancia and a.pktipoendoso = 0  AND PROG.CicloIni = {cicloIni}
AND PROG.cicloFin = {cicloFin}) AS b ON a.pkinciso = b.pkinciso)
ELSE (SELECT YEAR(MI.VigenciaIni) FROM SOLDENDOSO MI WHERE MI.PkInciso = E.PkInciso
AND MI.PkTipoEndoso In (0,2))
END AS AnioVigenciaMovInicial
FROM    SICIMCOBRANZA P
INNER JOIN SOLDENDOSO E ON P.PKInciso = E.PkInciso AND P.PkEndoso = E.PkEndoso
INNER JOIN SOLDINCISO I ON E.PkInciso = I.PkInciso
INNER JOIN SOLMCONSTANCIA CONS ON I.PkConstancia = CONS.PkConstancia
INNER JOIN SICICSOCIOS SOC ON E.PkCedente = SOC.PKCedente AND I.PkSocio = SOC.PkSocio
INNER JOIN CATCMUNICIPIO M ON E.PkMunicipio = M.PKMunicipio
INNER JOIN FONMPROGRAMAS PROG ON CONS.PkPrograma = PROG.PkPrograma
INNER JOIN COTCCOTIZAGRL COTIZ ON E.PkCotizacion = COTIZ.PKCotizacion
INNER JOIN CATCPRODUCTOS AS PROD ON PROG.PkProducto = PROD.PkProducto
WHERE ((P.fechaPago) <= dbo.ObtenFechaFinMes( {mes}, {anio}))   AND (P.EnviadoSubsidio=0)
AND (P.PkEndoso <> 0) AND (E.PkTipoEndoso <> 0 AND E.PkTipoEndoso <> 99)
AND (PROG.PkCedente = {cedente}) AND PROG.CicloIni = {cicloIni} AND PROG.cicloFin = {cicloFin}
AND (YEAR(E.VigenciaIni) = YEAR(GETDATE())
OR (MONTH(E.VigenciaIni) = 12 AND MONTH(GETDATE()) = 1
AND YEAR(E.VigenciaIni) + 1 = YEAR(GETDATE())))
AND (E.PrimaGobFed <> 0 OR (E.PrimaGobFed = 0 AND E.VigenciaIni BETWEEN '01/01/2019'
AND (SELECT P.ValorParam FROM CATCPARAMGENERALES P
WHERE P.PkCedente = E.PkCedente AND P.NomParam = 'FechaLiberacionReglasSubsidio2019'))))sql";

// Initial payments (endorsement 0) not yet sent, up to the end of the month.
constexpr std::string_view kRamaPagosIniciales = R"sql( UNION
SELECT DISTINCT CONS.CveConstancia AS PkConstancia, P.PkEndoso As CveEndoso, E.PkTipoEndoso,
I.CveInciso AS Inciso, SOC.Paterno, SOC.Materno,SOC.Nombre,  (case when SOC.PkTipoSocio = 1
OR SOC.PkTipoSocio = 3 then SOC.CURP else '' end) AS Identificacion,
E.PkEstado, M.CveMunicipio,
CAST(PROG.CicloIni AS varchar) + '/' + CAST(PROG.CicloFin AS varchar) AS Ciclo,
PROG.PkCultivo, PROG.PkTipoCultivo, E.VigenciaIni, E.VigenciaFin, E.SuperficieAseg,
E.SumaAsegTotal as SumaAsegurada, E.PrimaAseg AS PrimaEmitidoAsegurado,
E.PrimaGobFed AS PrimaEmitidoGobFederal, E.PrimaAseg AS PrimaCobradaAsegurado,
E.PrimaGobFed AS PrimaCobradaGobFederal, E.PrimaTotal AS PrimaEmitidaTotal,
E.PrimaTotal AS PrimaCobradaTotal, 1 AS Pago, 1 AS Pagode, P.fechaPago,
P.TipoCambio,COTIZ.PaqueteRiesgos, COTIZ.PkCotizacion, ' ', I.Pkinciso, E.PkEndoso as PkEndoso,
PROD.PkSubramo AS TipoSeguro, SOC.RFC, SOC.TipoVialidad, SOC.Calle AS NomVialidad,
SOC.NoExt COLLATE DATABASE_DEFAULT + ' ' + SOC.NoExtAlf COLLATE DATABASE_DEFAULT AS NumExterior1,
SOC.NumExterior2,
SOC.NoInt COLLATE DATABASE_DEFAULT + ' ' + SOC.NoIntAlf COLLATE DATABASE_DEFAULT AS NumInterior,
SOC.TipoAsentamiento, SOC.Poblacion AS NomAsentamiento, SOC.CodPostal, SOC.Localidad,
SOC.PKMunicipioDom AS MunicipioDom, SOC.PKEstadoDom AS EstadoDom,
CASE WHEN LEN(SOC.TipoVialidad1) <> 0
THEN (SELECT NomTipoVial FROM CATCTIPOVIAL WHERE CveTipoVial = SOC.TipoVialidad1)
+ ' ' + SOC.NomVialidad1
+ ' Y ' + (SELECT NomTipoVial FROM CATCTIPOVIAL WHERE CveTipoVial = SOC.TipoVialidad2)
+ ' ' + SOC.NomVialidad2
ELSE '' END AS EntreVialidades,
CASE WHEN LEN(SOC.TipoVialidadPosterior) <> 0
THEN (SELECT NomTipoVial FROM CATCTIPOVIAL WHERE CveTipoVial = SOC.TipoVialidadPosterior)
+ ' ' + SOC.NomVialidadPosterior
ELSE '' END AS VialidadPosterior, SOC.Ubicacion AS DescUbicacion,
SOC.TipoLocalizacion, SOC.Carretera, SOC.Camino, SOC.PkSocio, E.PkEndoso,
YEAR(E.VigenciaIni) AS AnioVigenciaMovInicial
FROM    SICIMCOBRANZA P
INNER JOIN SOLDENDOSO E ON P.PKInciso = E.PkInciso
INNER JOIN SOLDINCISO I ON E.PkInciso = I.PkInciso
INNER JOIN SOLMCONSTANCIA CONS ON I.PkConstancia = CONS.PkConstancia
INNER JOIN SICICSOCIOS SOC ON E.PkCedente = SOC.PKCedente AND E.PkSocioSubsidio = SOC.PkSocio
INNER JOIN CATCMUNICIPIO M ON E.PkMunicipio = M.PKMunicipio
INNER JOIN FONMPROGRAMAS PROG ON CONS.PkPrograma = PROG.PkPrograma
INNER JOIN COTCCOTIZAGRL COTIZ ON E.PkCotizacion = COTIZ.PKCotizacion
INNER JOIN CATCPRODUCTOS AS PROD ON PROG.PkProducto = PROD.PkProducto
WHERE ((P.fechaPago) <= dbo.ObtenFechaFinMes( {mes}, {anio}))   AND (P.EnviadoSubsidio=0)
AND (P.PkEndoso = 0) AND (E.PkTipoEndoso = 0)
AND (PROG.PkCedente = {cedente}) AND PROG.CicloIni = {cicloIni} AND PROG.cicloFin = {cicloFin}
AND (YEAR(E.VigenciaIni) = YEAR(GETDATE())
OR (MONTH(E.VigenciaIni) = 12 AND MONTH(GETDATE()) = 1
AND YEAR(E.VigenciaIni) + 1 = YEAR(GETDATE())))
AND (E.PrimaGobFed <> 0 OR (E.PrimaGobFed = 0 AND E.VigenciaIni BETWEEN '01/01/2019'
AND (SELECT P.ValorParam FROM CATCPARAMGENERALES P
WHERE P.PkCedente = E.PkCedente AND P.NomParam = 'FechaLiberacionReglasSubsidio2019'))))sql";

// Movements of type 99 modified in the month.
constexpr std::string_view kRamaModificados99 = R"sql( UNION
SELECT DISTINCT  CONS.CveConstancia AS PkConstancia, E.cveEndoso AS Endoso, E.PkTipoEndoso,
I.CveInciso AS Inciso, SOC.Paterno, SOC.Materno, SOC.Nombre,
(case when SOC.PkTipoSocio = 1 then SOC.CURP else '' end) AS Identificacion,
E.PkEstado, M.CveMunicipio,
CAST(PROG.CicloIni AS varchar) + '/' + CAST(PROG.CicloFin AS varchar) AS Ciclo,
PROG.PkCultivo, PROG.PkTipoCultivo, E.VigenciaIni, E.VigenciaFin, E.SuperficieAseg,
E.SumaAsegTotal AS SumaAsegurada, E.PrimaAseg AS PrimaEmitidoAsegurado,
E.PrimaGobFed AS PrimaEmitidoGobFederal, E.PrimaAseg AS PrimaCobradaAsegurado,
E.PrimaGobFed AS PrimaCobradaGobFederal, E.PrimaTotal AS PrimaEmitidaTotal,
E.PrimaTotal AS PrimaCobradaTotal, 1 AS Pago, 1 AS Pagode, E.FechaModif AS fechaPago,
1 AS TipoCambio, COTIZ.PaqueteRiesgos, COTIZ.PkCotizacion, ' ',' ',' ',
PROD.PkSubramo AS TipoSeguro, SOC.RFC, SOC.TipoVialidad, SOC.Calle AS NomVialidad,
SOC.NoExt COLLATE DATABASE_DEFAULT + ' ' + SOC.NoExtAlf COLLATE DATABASE_DEFAULT AS NumExterior1,
SOC.NumExterior2,
SOC.NoInt COLLATE DATABASE_DEFAULT + ' ' + SOC.NoIntAlf COLLATE DATABASE_DEFAULT AS NumInterior,
SOC.TipoAsentamiento, SOC.Poblacion AS NomAsentamiento, SOC.CodPostal, SOC.Localidad,
SOC.PKMunicipioDom AS MunicipioDom, SOC.PKEstadoDom AS EstadoDom,
CASE WHEN LEN(SOC.TipoVialidad1) <> 0
THEN (SELECT NomTipoVial FROM CATCTIPOVIAL WHERE CveTipoVial = SOC.TipoVialidad1)
+ ' ' + SOC.NomVialidad1
+ ' Y ' + (SELECT NomTipoVial FROM CATCTIPOVIAL WHERE CveTipoVial = SOC.TipoVialidad2)
+ ' ' + SOC.NomVialidad2
ELSE '' END AS EntreVialidades,
CASE WHEN LEN(SOC.TipoVialidadPosterior) <> 0
THEN (SELECT NomTipoVial FROM CATCTIPOVIAL WHERE CveTipoVial = SOC.TipoVialidadPosterior)
+ ' ' + SOC.NomVialidadPosterior
ELSE '' END AS VialidadPosterior, SOC.Ubicacion AS DescUbicacion,
SOC.TipoLocalizacion, SOC.Carretera, SOC.Camino, SOC.PkSocio, E.PkEndoso,
(SELECT YEAR(MI.VigenciaIni) FROM SOLDENDOSO MI WHERE MI.PkInciso = E.PkInciso
AND MI.PkTipoEndoso In (0,2))
AS AnioVigenciaMovInicial
FROM  SOLDENDOSO E
INNER JOIN SOLDINCISO I ON E.PkInciso = I.PkInciso
INNER JOIN SOLMCONSTANCIA CONS ON I.PkConstancia = CONS.PkConstancia
INNER JOIN SICICSOCIOS SOC ON E.PkCedente = SOC.PKCedente AND E.PkSocioSubsidio = SOC.PKSocio
INNER JOIN CATCMUNICIPIO M ON E.PkMunicipio = M.PKMunicipio
INNER JOIN FONMPROGRAMAS PROG ON CONS.PkPrograma = PROG.PkPrograma
AND SOC.PKCedente = PROG.PkCedente
INNER JOIN COTCCOTIZAGRL COTIZ ON E.PkCotizacion = COTIZ.PKCotizacion
INNER JOIN CATCPRODUCTOS AS PROD ON PROG.PkProducto = PROD.PkProducto
WHERE MONTH(E.FechaModif) = {mes} AND PROG.PkCedente = {cedente} AND E.PkTipoEndoso = 99
AND PROG.CicloIni = {cicloIni} AND PROG.CicloFin = {cicloFin}
AND (YEAR(E.VigenciaIni) = YEAR(GETDATE())
OR (MONTH(E.VigenciaIni) = 12 AND MONTH(GETDATE()) = 1
AND YEAR(E.VigenciaIni) + 1 = YEAR(GETDATE()))))sql";

// ---- claims certificates

// Approved claims paid in the months of a semester.
constexpr std::string_view kConstanciasSinD = R"sql(SELECT  Distinct C.CveConstancia AS constancia,
I.CveInciso AS Inciso, S.Paterno, S.Materno, S.Nombre, I.PkEstado, CE.NomEstado,
CM.CveMunicipio, CM.NomMunicipio, PROG.PkCultivo, CC.NomCultivo,
CTC.PKTipoPractica, CTP.NomTipoPractica,
CAST(PROG.CicloIni AS varchar) + '/' + CAST(PROG.CicloFin AS varchar) AS Ciclo,
A.SupSinPP + A.SupSinPT AS SupSiniestrada, A.FechaPago,
A.IndemNetaPP + A.IndemNetaPT AS Indemnizacion, A.PkRiesgo, CR.NomRiesgo,
PROD.PkSubramo AS TipoSeguro, S.CURP, S.RFC,
dbo.getCoordenadasFormatoC (PROG.CicloIni,PROG.CicloFin,C.CveConstancia ,I.CveInciso )
As Coordenadas
FROM  SINMAJUSTESIN AS A INNER JOIN
SOLDINCISO AS I ON A.PKInciso = I.PkInciso INNER JOIN
SOLMCONSTANCIA AS C ON I.PkConstancia = C.PkConstancia INNER JOIN
SICICSOCIOS AS S ON I.PkCedente = S.PKCedente AND I.PkSocio = S.PKSocio INNER JOIN
CATCESTADO AS CE ON I.PkEstado = CE.PKEstado INNER JOIN
CATCMUNICIPIO AS CM ON I.PkMunicipio = CM.PKMunicipio INNER JOIN
FONMPROGRAMAS AS PROG ON C.PkPrograma = PROG.PkPrograma INNER JOIN
CATCCULTIVO AS CC ON PROG.PkCultivo = CC.PKCultivo INNER JOIN
CATCTIPOCULTIVO AS CTC ON PROG.PkTipoCultivo = CTC.PKTipoCultivo INNER JOIN
CATCTIPOPRACTICA AS CTP ON CTC.PKTipoPractica = CTP.PKTipoPractica INNER JOIN
CATCRIESGOS AS CR ON A.PkRiesgo = CR.PKRiesgo INNER JOIN
CATCPRODUCTOS PROD ON PROG.PkProducto = PROD.PkProducto
WHERE (((Month(A.fechaPago)) BETWEEN {primerMes} AND {ultimoMes})
AND Year(A.fechaPago) = {anio} AND  ((A.StatusAprobado)=1))
AND not A.fechaPago is Null AND PROG.PkCedente = {cedente} ORDER BY constancia, inciso)sql";

// ---- endorsement payments

// Columns of the movements with a collection, each behind its table prefix.
constexpr std::pair<std::string_view, std::string_view> kCamposCobro[] = {
    {"e.", "pkconstancia"}, {"e.", "pkendoso"},   {"e.", "pktipoendoso"},   {"e.", "pkinciso"},
    {"i.", "inciso"},       {"i.", "paterno"},    {"i.", "materno"},        {"i.", "nombre"},
    {"i.", "identificacion"}, {"e.", "primaAseg"}, {"e.", "primaTotal"},    {"e.", "cobroAseg"},
    {"e.", "tipoCambio"},   {"e.", "fechaCobro"}, {"c.", "cicloini"},       {"c.", "ciclofin"},
    {"c.", "pksubramo"},    {"c.", "pkvariante"}, {"e.", "superficieAseg"}};

// Fields of the caller's record set, in the order of the payment table's columns.
constexpr std::string_view kCamposPago[] = {
    "pkpagoendoso",    "strpkpoliza",  "intpkendoso",   "intpkinciso",
    "dblPrimaCaseg",   "dblPrimaCgobFed", "dblPrimaCtotal", "dteFechaPago",
    "dblHectareas",    "dblTipoCambio", "intMoneda",    "intNumPago"};

// A value as the statement writes it: numbers bare, texts and dates between quotes (quotes
// doubled, dates day first), Null and Empty as NULL.
std::string valorSql(const Variant& v) {
  switch (v.type()) {
    case VarType::Empty:
    case VarType::Null:
      return "NULL";
    case VarType::Bool:
      return *v.get_if<bool>() ? "1" : "0";
    case VarType::UI1:
    case VarType::I2:
    case VarType::I4:
    case VarType::I8:
      return sql::integer(toInt64(v));
    case VarType::R8:
      return sql::decimal(*v.get_if<double>());
    case VarType::Decimal:
      return formatDecimal(*v.get_if<Decimal>());
    case VarType::Date:
      return sql::quoted(sql::date(*v.get_if<Date>()));
    case VarType::Text:
      return sql::quoted(*v.get_if<std::string>());
    default:
      throw errors::typeMismatch("a payment value must be a number, a text or a date");
  }
}

// The payment date, day first between quotes: a date, a date text (day first or ISO) or a
// number of days. A text that reads as no date goes in as the text, quoted.
std::string fechaSql(const Variant& v) {
  if (v.isNull() || v.isEmpty()) return "NULL";
  if (const auto* text = v.get_if<std::string>()) {
    const std::optional<Date> d = parseDate(*text);
    return sql::quoted(d ? sql::date(*d) : *text);
  }
  return sql::quoted(sql::date(toDate(v)));
}

// The text of a register value, refused unless it is an integer.
std::string enteroDeRegistro(const Recordset& rs, std::string_view campo) {
  Variant v = rs.value(campo);
  std::string text = v.isNull() || v.isEmpty() ? std::string() : toText(v);
  return sql::requireInteger(text, campo);
}

}  // namespace

int32_t anioPago(int16_t intmes, int16_t pintMesConsulta, int32_t anioActual) {
  return pintMesConsulta < intmes ? anioActual - 1 : anioActual;
}

std::string sqlConstanciasSubD(int16_t intmes, int16_t intPkCedente, int16_t intCicloIni,
                               int16_t intCicloFin, int32_t anio) {
  const Valor valores[] = {{"mes", sql::integer(intmes)},
                           {"anio", sql::integer(anio)},
                           {"cedente", sql::integer(intPkCedente)},
                           {"cicloIni", sql::integer(intCicloIni)},
                           {"cicloFin", sql::integer(intCicloFin)}};
  return rellena(kRamaPagosEndoso, valores) + rellena(kRamaPagosIniciales, valores) +
         rellena(kRamaModificados99, valores);
}

std::string sqlEnviadasDelMes(int16_t intmes, int16_t intPkCedente, int16_t intCicloIni,
                              int16_t intCicloFin) {
  return std::string("SELECT Poliza, Endoso, TipoEndoso, Inciso ") + " FROM SUBCONSENVIADAS" +
         " WHERE CicloIni = " + sql::integer(intCicloIni) +
         " AND CicloFin = " + sql::integer(intCicloFin) +
         " AND PkCedente = " + sql::integer(intPkCedente) + " AND MES = " + sql::integer(intmes);
}

std::string sqlBorraEnviadasDelMes(int16_t intmes, int16_t intPkCedente, int16_t intCicloIni,
                                   int16_t intCicloFin) {
  return std::string("DELETE FROM SUBCONSENVIADAS") +
         " WHERE CicloIni = " + sql::integer(intCicloIni) +
         " AND CicloFin = " + sql::integer(intCicloFin) +
         " AND PkCedente = " + sql::integer(intPkCedente) + " AND MES = " + sql::integer(intmes);
}

ConstanciaEnviada leeConstanciaEnviada(const Recordset& rs) {
  return ConstanciaEnviada{enteroDeRegistro(rs, "Poliza"), enteroDeRegistro(rs, "Endoso"),
                           enteroDeRegistro(rs, "TipoEndoso"), enteroDeRegistro(rs, "Inciso")};
}

std::string sqlDesmarcaPagos(int16_t intPkCedente, int16_t intCicloIni, int16_t intCicloFin,
                             const ConstanciaEnviada& enviada) {
  // An initial movement (endorsement 0) is found by its type, any other by its number.
  const bool inicial = std::strtoll(enviada.endoso.c_str(), nullptr, 10) == 0;
  return std::string("UPDATE SICIMCOBRANZA SET EnviadoSubsidio = 0") +
         " FROM SOLMCONSTANCIA INNER JOIN" +
         " FONMPROGRAMAS ON SOLMCONSTANCIA.PkPrograma = FONMPROGRAMAS.PkPrograma INNER JOIN" +
         " SOLDINCISO ON SOLMCONSTANCIA.PkConstancia = SOLDINCISO.PkConstancia INNER JOIN" +
         " SOLDENDOSO ON SOLDINCISO.PkInciso = SOLDENDOSO.PkInciso INNER JOIN" +
         " SICIMCOBRANZA ON SOLDINCISO.PkInciso = SICIMCOBRANZA.PKInciso" +
         " WHERE FONMPROGRAMAS.CicloIni=" + sql::integer(intCicloIni) +
         " AND FONMPROGRAMAS.CicloFin=" + sql::integer(intCicloFin) +
         " AND SOLMCONSTANCIA.CveConstancia=" + enviada.poliza +
         " AND SOLDINCISO.CveInciso=" + enviada.inciso +
         " AND SOLDENDOSO.PkTipoEndoso=" + enviada.tipoEndoso + " AND " +
         (inicial ? "SOLDENDOSO.PkTipoEndoso=" : "SOLDENDOSO.CveEndoso =") + enviada.endoso +
         " AND SOLDINCISO.PkCedente=" + sql::integer(intPkCedente) +
         " AND SOLDINCISO.PkCedente = SOLDENDOSO.PkCedente" +
         " AND SICIMCOBRANZA.PkEndoso = CASE SICIMCOBRANZA.PkEndoso WHEN 0 THEN "
         "SOLDENDOSO.PkTipoEndoso ELSE SOLDENDOSO.PkEndoso END";
}

void desmarcaPagosEnviada(const Recordset& rs, int16_t intPkCedente, int16_t intCicloIni,
                          int16_t intCicloFin) {
  EjecutaQuerySinResultado(
      sqlDesmarcaPagos(intPkCedente, intCicloIni, intCicloFin, leeConstanciaEnviada(rs)));
}

MesesSemestre getMesesdeSemestre(int16_t intSemestre) {
  return frame("KORVANDA.clsCatValida.getMesesdeSemestre", [&] {
    MesesSemestre meses{};
    const int desde = intSemestre == 1 ? 0 : 6;
    for (int i = 1; i <= 6; ++i) meses[i] = static_cast<int16_t>(i + desde);
    return meses;
  });
}

std::string sqlConstanciasSinD(int16_t primerMes, int16_t ultimoMes, int16_t intAnnio,
                               int16_t intPkCedente) {
  const Valor valores[] = {{"primerMes", sql::integer(primerMes)},
                           {"ultimoMes", sql::integer(ultimoMes)},
                           {"anio", sql::integer(intAnnio)},
                           {"cedente", sql::integer(intPkCedente)}};
  return rellena(kConstanciasSinD, valores);
}

std::string getCamposCobro() {
  return frame("KORVANDA.clsCatValida.getCamposCobro", [] {
    std::string campos;
    for (const auto& [prefijo, columna] : kCamposCobro) {
      if (!campos.empty()) campos += ",";
      campos += prefijo;
      campos += columna;
    }
    return campos;
  });
}

std::string sqlPolizasCobroD(const std::string& campos) {
  return "SELECT " + campos + " FROM " + "soldendoso e, soldinciso i, cotccotizagrl c" +
         ", solmconstancia t" + " WHERE " + " e.pkconstancia = i.pkconstancia" +
         " and e.pkinciso = i.pkinciso" + " and e.pkconstancia = t.pkconstancia" +
         " and t.pkcotizacion = c.pkcotizacion" + " and e.cobroAseg > 0";
}

int16_t siguientePkPago(const Variant& maxPago) {
  const std::string text = "0" + (maxPago.isNull() || maxPago.isEmpty() ? "" : toText(maxPago));
  const int64_t siguiente = int64_t{toInt32(Variant(text))} + 1;
  if (siguiente > INT32_MAX) throw errors::overflow();
  return toInt16(Variant(static_cast<int32_t>(siguiente)));
}

std::string sqlSavePagoEndoso(const Recordset& objRsDatos) {
  std::string out = std::string("INSERT INTO solrpagoendoso ") + " values( ";
  for (size_t i = 0; i < std::size(kCamposPago); ++i) {
    const Variant v = objRsDatos.value(kCamposPago[i]);
    out += kCamposPago[i] == "dteFechaPago" ? fechaSql(v) : valorSql(v);
    out += i + 1 < std::size(kCamposPago) ? ", " : " )";
  }
  return out;
}

std::string sqlFindPagoEndoso(const std::string& pstrConstancia, int16_t pintEndoso,
                              int32_t pintInciso, int16_t pintNumPago) {
  return std::string("SELECT * from SOLRPAGOSENDOSO") +
         " WHERE pkconstancia=" + sql::requireInteger(pstrConstancia, "pstrConstancia") +
         " AND pkendoso=" + sql::integer(pintEndoso) + " AND pkinciso=" +
         sql::integer(pintInciso) + " AND numeroPago=" + sql::integer(pintNumPago);
}

int32_t cuentaConsecutivos(const Variant& maxConsec) {
  return toInt32(
      Variant("0" + (maxConsec.isNull() || maxConsec.isEmpty() ? "" : toText(maxConsec))));
}

std::string sqlInsertDatosExpFc(const std::string& tabla, int32_t consecutivo,
                                const std::string& pstrCveFondo, int16_t pintRamo,
                                int16_t pintSemestre, int16_t pintAnio) {
  return "INSERT INTO " + tabla + " VALUES ( " + sql::integer(consecutivo) + ",'" +
         sql::escaped(pstrCveFondo) + "'" + "," + sql::integer(pintRamo) + "," +
         sql::integer(pintSemestre) + "," + sql::integer(pintAnio) + ",1)";
}

std::string sqlFondosAnexoH(int16_t pintCicloIni, int16_t pintCicloFin) {
  return std::string("SELECT CveFondo, CicloIni, CicloFin, FechaInicio, FechaLimite") + "\r\n" +
         "FROM SUBCFONDOSANEXOH" + "\r\n" + "WHERE CicloIni = " + sql::integer(pintCicloIni) +
         " AND CicloFin = " + sql::integer(pintCicloFin);
}

}  // namespace korvanda
