#include "statements.h"

#include <map>

namespace korvanda::sqlite::test {
namespace {

const std::map<int, std::pair<std::string, std::string>> kCatalogs = {
    {1, {"CATCCLIENTES", "cveCte"}},         {2, {"CATCCULTIVO", "cveCultivo"}},
    {3, {"SUBREDOREG", ""}},                 {4, {"CATCESPECIES", "cveEspecie"}},
    {5, {"CATCESTADO", "cveEstado"}},        {6, {"CATCFUNCIONES", "cveFuncion"}},
    {7, {"SUBRGPOCUL", ""}},                 {8, {"CATCMUNICIPIO", "cveMunicipio"}},
    {9, {"CATCRAMO", "cveRamo"}},            {10, {"CATCRIESGOS", "cveRiesgo"}},
    {11, {"SUBHMONEDAS", "cveMoneda"}},      {12, {"CATRESPECIEFUNCION", "cveCiclo"}},
    {13, {"CATCTIPOPRACTICA", "cveTipoCultivo"}}, {14, {"CATCTIPOENDOSO", "cveTipoendoso"}},
    {15, {"SUBCDIASINHABILES", ""}},         {16, {"SUBCSUBSIDIO", ""}},
    {17, {"CATCMONEDA", "cveCiclo"}},        {18, {"SUBCTIPOSEG", ""}},
    {19, {"SUBCBIMESTRE", ""}},              {20, {"SUBMCONSECEXPFC", ""}},
    {21, {"SUBCSTATUS", ""}}};

std::string s(int v) { return std::to_string(v); }

std::string insertAgricola(const std::string& poliza, const std::string& fecha) {
  const char* cols[] = {"poliza", "endoso", "cveTipoEndoso", "Inciso", "apPaterno", "apMaterno", "Nombres",
      "identificacion", "pkmunicipio", "ciclo", "cveCultivo", "cveTipoCultivo", "vigenciaAsegIni",
      "vigenciaAsegFin", "superficieAseg", "sumaAsegurada", "primaEaseg", "primaEgobFed", "primaCaseg",
      "primaCgobFed", "totalemitido", "totalcobrado", "numPagoIni", "numPagoFin", "fecPago", "tipoCambio",
      "riesgos", "observaciones", "mesSolicitud", "anioSolicitud", "PkCedente", "TipoSeguro", "RFC",
      "TipoVialidad", "NomVialidad", "NumExterior1", "NumExterior2", "NumInterior", "TipoAsentamiento",
      "NomAsentamiento", "CodPostal", "Localidad", "MunicipioDom", "EstadoDom", "EntreVialidades",
      "VialidadPosterior", "DescUbicacion", "TipoLocalizacion", "Carretera", "Camino", "PkSocio", "PkEndoso",
      "AnioVigenciaMovInicial"};
  std::string sql = "SET DATEFORMAT DMY INSERT INTO SUBMAGRICOLA (";
  for (size_t i = 0; i < 53; ++i) sql += (i ? " ," : " ") + std::string(cols[i]);
  sql += " ) values(";
  sql += " '" + poliza + "' ,'0' ,0 ,1 ,'PEREZ' ,'LOPEZ' ,'JUAN' ,'PELJ800101' ,53 ,'2026' ,1 ,1 ,'" + fecha +
         "' ,'31/12/2026' ,12.5 ,150000 ,1234.56 ,617.28 ,1234.56 ,617.28 ,1851.84 ,1851.84 ,1 ,1 ,'" + fecha +
         " 13:05:00' ,1 ,'1,2,3' ,'' ,3 ,2026 ,1 ,2 ,'PELJ800101AB1' ,'CALL' ,'Hidalgo' ,'12' ,'' ,'' ,'COL'"
         " ,'Centro' ,'44100' ,'0001' ,'39' ,'14' ,'' ,'' ,'' ,'' ,'' ,'' ,7 ,0 ,2026 )";
  return sql;
}

std::string insertAgricolaFc(const std::string& poliza, int semestre) {
  const char* cols[] = {"Periodo", "Anio", "poliza", "Inciso", "apPaterno", "apMaterno", "Nombres",
      "pkmunicipio", "cveCultivo", "cveTipoCultivo", "ciclo", "FecPagoIndem", "Indemnizacion", "PkRiesgo",
      "SuperfSinies", "mesSolicitud", "anioSolicitud", "PkCedente", "TipoSeguro", "CURP", "RFC", "Coordenadas"};
  std::string sql = "SET DATEFORMAT DMY INSERT INTO SUBMAGRICOLAFC (";
  for (size_t i = 0; i < 22; ++i) sql += (i ? " ," : " ") + std::string(cols[i]);
  sql += " ) values(" + s(semestre) + " ,2026 ,'" + poliza + "' ,1 ,'PEREZ' ,'LOPEZ' ,'JUAN' ,53 ,1 ,1 ,'2026'"
         " ,'20/05/2026' ,5000.5 ,1 ,2.25 ,5 ,2026 ,1 ,2 ,'PELJ800101HJCRPN01' ,'PELJ800101AB1' ,'' )";
  return sql;
}

std::string insertGanadero(int pk, const std::string& poliza) {
  const char* cols[] = {"pkGanadero", "poliza", "endoso", "cveTipoEndoso", "Inciso", "apPaterno", "apMaterno",
      "Nombres", "identificacion", "pkmunicipio", "pkespfun", "AnioContrata", "vigenciaAsegIni",
      "vigenciaAsegFin", "cabezasaseg", "unidadesaseg", "sumaAsegurada", "primaEaseg", "primaEgobFed",
      "primaCaseg", "primaCgobFed", "totalEmitido", "totalCobrado", "numPagoIni", "numPagoFin", "fecPago",
      "tipoCambio", "observaciones", "mesSolicitud", "anioSolicitud", "cveFondo"};
  std::string sql = "INSERT INTO SUBMGANADERO (";
  for (size_t i = 0; i < 31; ++i) sql += (i ? " ," : " ") + std::string(cols[i]);
  sql += " ) values(" + s(pk) + " ,'" + poliza + "' ,'0' ,0 ,1 ,'GARCIA' ,'RUIZ' ,'ANA' ,'GARA900101' ,53 ,1"
         " ,2026 ,'01/02/2026' ,'31/01/2027' ,120 ,120 ,960000 ,2400 ,1200 ,2400 ,1200 ,3600 ,3600 ,1 ,1"
         " ,'15/02/2026' ,1 ,'' ,2 ,2026 ,'F002' )";
  return sql;
}

}  // namespace

std::string constanciasSubD(int mes, int pkCedente, int cicloIni, int cicloFin, int year) {
  const std::string ci = s(cicloIni), cf = s(cicloFin), m = s(mes), y = s(year), pc = s(pkCedente);
  return "SET DATEFORMAT DMY "
         "SELECT  DISTINCT CONS.CveConstancia AS PkConstancia, E.CveEndoso AS Endoso, E.PkTipoEndoso, "
         "I.CveInciso AS Inciso, SOC.Paterno, SOC.Materno, SOC.Nombre, "
         "(case when SOC.PkTipoSocio = 1 OR SOC.PkTipoSocio = 3 then SOC.CURP else '' end) AS Identificacion, "
         "E.PkEstado, M.CveMunicipio, "
         "CAST(PROG.CicloIni AS varchar) + '/' + CAST(PROG.CicloFin AS varchar) AS Ciclo, "
         "PROG.PkCultivo, PROG.PkTipoCultivo, E.VigenciaIni, E.VigenciaFin, E.SuperficieAseg, "
         "E.SumaAsegTotal as SumaAsegurada, E.PrimaAseg AS PrimaEmitidoAsegurado, "
         "E.PrimaGobFed AS PrimaEmitidoGobFederal, E.PrimaAseg AS PrimaCobradaAsegurado, "
         "E.PrimaGobFed AS PrimaCobradaGobFederal, E.PrimaTotal AS PrimaEmitidaTotal, "
         "E.PrimaTotal AS PrimaCobradaTotal, 1 AS Pago, 1 AS Pagode, P.fechaPago, "
         "P.TipoCambio,COTIZ.PaqueteRiesgos, COTIZ.PkCotizacion, ' ', I.Pkinciso, E.PkEndoso, "
         "PROD.PkSubramo AS TipoSeguro, SOC.RFC, SOC.TipoVialidad, SOC.Calle AS NomVialidad, "
         "SOC.NoExt COLLATE DATABASE_DEFAULT + ' ' + SOC.NoExtAlf COLLATE DATABASE_DEFAULT AS NumExterior1, "
         "SOC.NumExterior2, "
         "SOC.NoInt COLLATE DATABASE_DEFAULT + ' ' + SOC.NoIntAlf COLLATE DATABASE_DEFAULT AS NumInterior, "
         "SOC.TipoAsentamiento, SOC.Poblacion AS NomAsentamiento, SOC.CodPostal, SOC.Localidad, "
         "SOC.PKMunicipioDom AS MunicipioDom, SOC.PKEstadoDom AS EstadoDom, CASE WHEN LEN(SOC.TipoVialidad1) <> 0 "
         "THEN (SELECT NomTipoVial FROM CATCTIPOVIAL WHERE CveTipoVial = SOC.TipoVialidad1) + ' ' + SOC.NomVialidad1 "
         "+ ' Y ' + (SELECT NomTipoVial FROM CATCTIPOVIAL WHERE CveTipoVial = SOC.TipoVialidad2) "
         "+ ' ' + SOC.NomVialidad2 ELSE '' END AS EntreVialidades, CASE WHEN LEN(SOC.TipoVialidadPosterior) <> 0 "
         "THEN (SELECT NomTipoVial FROM CATCTIPOVIAL WHERE CveTipoVial = SOC.TipoVialidadPosterior) "
         "+ ' ' + SOC.NomVialidadPosterior ELSE '' END AS VialidadPosterior, SOC.Ubicacion AS DescUbicacion, "
         "SOC.TipoLocalizacion, SOC.Carretera, SOC.Camino, SOC.PkSocio, E.PkEndoso, CASE WHEN E.PKTipoEndoso = 10 "
         "THEN CASE WHEN (SELECT COB.FechaPago FROM SOLDENDOSO MI "
         "LEFT JOIN SICIMCOBRANZA COB ON MI.PkEndoso = COB.PkEndoso AND MI.PkInciso = COB.PkInciso "
         "WHERE (MI.PkInciso = E.PkInciso) AND (MI.PKTipoendoso = 0)) <> NULL "
         "THEN (SELECT YEAR(MI.VigenciaIni) FROM SOLDENDOSO MI WHERE MI.PkInciso = E.PkInciso "
         "AND MI.PkTipoEndoso = 0) "
         "ELSE (SELECT YEAR(MI.VigenciaIni) FROM SOLDENDOSO MI WHERE MI.PkInciso = E.PkInciso "
         "AND MI.PkTipoEndoso = 10) END WHEN E.PKTipoEndoso = 2 "
         "THEN (SELECT year(min(a.VigenciaIni)) FROM SOLDENDOSO AS a "
         "INNER JOIN  (SELECT a.pkInciso, a.pkConstancia FROM SOLDINCISO a "
         "INNER JOIN SOLMCONSTANCIA b ON a.pkconstancia = b.pkConstancia "
         "INNER JOIN  FONMPROGRAMAS PROG ON b.PkPrograma = PROG.PkPrograma "
         "WHERE b.cveconstancia = CONS.CveConstancia and a.pktipoendoso = 0  AND PROG.CicloIni = " + ci + " "
         "AND PROG.cicloFin = " + cf + ") AS b ON a.pkinciso = b.pkinciso) "
         "ELSE (SELECT YEAR(MI.VigenciaIni) FROM SOLDENDOSO MI WHERE MI.PkInciso = E.PkInciso "
         "AND MI.PkTipoEndoso In (0,2)) END AS AnioVigenciaMovInicial FROM    SICIMCOBRANZA P "
         "INNER JOIN SOLDENDOSO E ON P.PKInciso = E.PkInciso AND P.PkEndoso = E.PkEndoso "
         "INNER JOIN SOLDINCISO I ON E.PkInciso = I.PkInciso "
         "INNER JOIN SOLMCONSTANCIA CONS ON I.PkConstancia = CONS.PkConstancia "
         "INNER JOIN SICICSOCIOS SOC ON E.PkCedente = SOC.PKCedente AND I.PkSocio = SOC.PkSocio "
         "INNER JOIN CATCMUNICIPIO M ON E.PkMunicipio = M.PKMunicipio "
         "INNER JOIN FONMPROGRAMAS PROG ON CONS.PkPrograma = PROG.PkPrograma "
         "INNER JOIN COTCCOTIZAGRL COTIZ ON E.PkCotizacion = COTIZ.PKCotizacion "
         "INNER JOIN CATCPRODUCTOS AS PROD ON PROG.PkProducto = PROD.PkProducto "
         "WHERE ((P.fechaPago) <= dbo.ObtenFechaFinMes( " + m + ", " + y + "))   AND (P.EnviadoSubsidio=0) "
         "AND (P.PkEndoso <> 0) AND (E.PkTipoEndoso <> 0 AND E.PkTipoEndoso <> 99) "
         "AND (PROG.PkCedente = " + pc + ") AND PROG.CicloIni = " + ci + " AND PROG.cicloFin = " + cf + " "
         "AND (YEAR(E.VigenciaIni) = YEAR(GETDATE()) OR (MONTH(E.VigenciaIni) = 12 AND MONTH(GETDATE()) = 1 "
         "AND YEAR(E.VigenciaIni) + 1 = YEAR(GETDATE()))) "
         "AND (E.PrimaGobFed <> 0 OR (E.PrimaGobFed = 0 AND E.VigenciaIni BETWEEN '01/01/2019' "
         "AND (SELECT P.ValorParam FROM CATCPARAMGENERALES P "
         "WHERE P.PkCedente = E.PkCedente AND P.NomParam = 'FechaLiberacionReglasSubsidio2019'))) UNION "
         "SELECT DISTINCT CONS.CveConstancia AS PkConstancia, P.PkEndoso As CveEndoso, E.PkTipoEndoso, "
         "I.CveInciso AS Inciso, SOC.Paterno, SOC.Materno,SOC.Nombre,  (case when SOC.PkTipoSocio = 1 "
         "OR SOC.PkTipoSocio = 3 then SOC.CURP else '' end) AS Identificacion, E.PkEstado, M.CveMunicipio, "
         "CAST(PROG.CicloIni AS varchar) + '/' + CAST(PROG.CicloFin AS varchar) AS Ciclo, "
         "PROG.PkCultivo, PROG.PkTipoCultivo, E.VigenciaIni, E.VigenciaFin, E.SuperficieAseg, "
         "E.SumaAsegTotal as SumaAsegurada, E.PrimaAseg AS PrimaEmitidoAsegurado, "
         "E.PrimaGobFed AS PrimaEmitidoGobFederal, E.PrimaAseg AS PrimaCobradaAsegurado, "
         "E.PrimaGobFed AS PrimaCobradaGobFederal, E.PrimaTotal AS PrimaEmitidaTotal, "
         "E.PrimaTotal AS PrimaCobradaTotal, 1 AS Pago, 1 AS Pagode, P.fechaPago, "
         "P.TipoCambio,COTIZ.PaqueteRiesgos, COTIZ.PkCotizacion, ' ', I.Pkinciso, E.PkEndoso as PkEndoso, "
         "PROD.PkSubramo AS TipoSeguro, SOC.RFC, SOC.TipoVialidad, SOC.Calle AS NomVialidad, "
         "SOC.NoExt COLLATE DATABASE_DEFAULT + ' ' + SOC.NoExtAlf COLLATE DATABASE_DEFAULT AS NumExterior1, "
         "SOC.NumExterior2, "
         "SOC.NoInt COLLATE DATABASE_DEFAULT + ' ' + SOC.NoIntAlf COLLATE DATABASE_DEFAULT AS NumInterior, "
         "SOC.TipoAsentamiento, SOC.Poblacion AS NomAsentamiento, SOC.CodPostal, SOC.Localidad, "
         "SOC.PKMunicipioDom AS MunicipioDom, SOC.PKEstadoDom AS EstadoDom, CASE WHEN LEN(SOC.TipoVialidad1) <> 0 "
         "THEN (SELECT NomTipoVial FROM CATCTIPOVIAL WHERE CveTipoVial = SOC.TipoVialidad1) + ' ' + SOC.NomVialidad1 "
         "+ ' Y ' + (SELECT NomTipoVial FROM CATCTIPOVIAL WHERE CveTipoVial = SOC.TipoVialidad2) "
         "+ ' ' + SOC.NomVialidad2 ELSE '' END AS EntreVialidades, CASE WHEN LEN(SOC.TipoVialidadPosterior) <> 0 "
         "THEN (SELECT NomTipoVial FROM CATCTIPOVIAL WHERE CveTipoVial = SOC.TipoVialidadPosterior) "
         "+ ' ' + SOC.NomVialidadPosterior ELSE '' END AS VialidadPosterior, SOC.Ubicacion AS DescUbicacion, "
         "SOC.TipoLocalizacion, SOC.Carretera, SOC.Camino, SOC.PkSocio, E.PkEndoso, "
         "YEAR(E.VigenciaIni) AS AnioVigenciaMovInicial FROM    SICIMCOBRANZA P "
         "INNER JOIN SOLDENDOSO E ON P.PKInciso = E.PkInciso INNER JOIN SOLDINCISO I ON E.PkInciso = I.PkInciso "
         "INNER JOIN SOLMCONSTANCIA CONS ON I.PkConstancia = CONS.PkConstancia "
         "INNER JOIN SICICSOCIOS SOC ON E.PkCedente = SOC.PKCedente AND E.PkSocioSubsidio = SOC.PkSocio "
         "INNER JOIN CATCMUNICIPIO M ON E.PkMunicipio = M.PKMunicipio "
         "INNER JOIN FONMPROGRAMAS PROG ON CONS.PkPrograma = PROG.PkPrograma "
         "INNER JOIN COTCCOTIZAGRL COTIZ ON E.PkCotizacion = COTIZ.PKCotizacion "
         "INNER JOIN CATCPRODUCTOS AS PROD ON PROG.PkProducto = PROD.PkProducto "
         "WHERE ((P.fechaPago) <= dbo.ObtenFechaFinMes( " + m + ", " + y + "))   AND (P.EnviadoSubsidio=0) "
         "AND (P.PkEndoso = 0) AND (E.PkTipoEndoso = 0) "
         "AND (PROG.PkCedente = " + pc + ") AND PROG.CicloIni = " + ci + " AND PROG.cicloFin = " + cf + " "
         "AND (YEAR(E.VigenciaIni) = YEAR(GETDATE()) OR (MONTH(E.VigenciaIni) = 12 AND MONTH(GETDATE()) = 1 "
         "AND YEAR(E.VigenciaIni) + 1 = YEAR(GETDATE()))) "
         "AND (E.PrimaGobFed <> 0 OR (E.PrimaGobFed = 0 AND E.VigenciaIni BETWEEN '01/01/2019' "
         "AND (SELECT P.ValorParam FROM CATCPARAMGENERALES P "
         "WHERE P.PkCedente = E.PkCedente AND P.NomParam = 'FechaLiberacionReglasSubsidio2019'))) UNION "
         "SELECT DISTINCT  CONS.CveConstancia AS PkConstancia, E.cveEndoso AS Endoso, E.PkTipoEndoso, "
         "I.CveInciso AS Inciso, SOC.Paterno, SOC.Materno, SOC.Nombre, "
         "(case when SOC.PkTipoSocio = 1 then SOC.CURP else '' end) AS Identificacion, E.PkEstado, M.CveMunicipio, "
         "CAST(PROG.CicloIni AS varchar) + '/' + CAST(PROG.CicloFin AS varchar) AS Ciclo, "
         "PROG.PkCultivo, PROG.PkTipoCultivo, E.VigenciaIni, E.VigenciaFin, E.SuperficieAseg, "
         "E.SumaAsegTotal AS SumaAsegurada, E.PrimaAseg AS PrimaEmitidoAsegurado, "
         "E.PrimaGobFed AS PrimaEmitidoGobFederal, E.PrimaAseg AS PrimaCobradaAsegurado, "
         "E.PrimaGobFed AS PrimaCobradaGobFederal, E.PrimaTotal AS PrimaEmitidaTotal, "
         "E.PrimaTotal AS PrimaCobradaTotal, 1 AS Pago, 1 AS Pagode, E.FechaModif AS fechaPago, "
         "1 AS TipoCambio, COTIZ.PaqueteRiesgos, COTIZ.PkCotizacion, ' ',' ',' ', "
         "PROD.PkSubramo AS TipoSeguro, SOC.RFC, SOC.TipoVialidad, SOC.Calle AS NomVialidad, "
         "SOC.NoExt COLLATE DATABASE_DEFAULT + ' ' + SOC.NoExtAlf COLLATE DATABASE_DEFAULT AS NumExterior1, "
         "SOC.NumExterior2, "
         "SOC.NoInt COLLATE DATABASE_DEFAULT + ' ' + SOC.NoIntAlf COLLATE DATABASE_DEFAULT AS NumInterior, "
         "SOC.TipoAsentamiento, SOC.Poblacion AS NomAsentamiento, SOC.CodPostal, SOC.Localidad, "
         "SOC.PKMunicipioDom AS MunicipioDom, SOC.PKEstadoDom AS EstadoDom, CASE WHEN LEN(SOC.TipoVialidad1) <> 0 "
         "THEN (SELECT NomTipoVial FROM CATCTIPOVIAL WHERE CveTipoVial = SOC.TipoVialidad1) + ' ' + SOC.NomVialidad1 "
         "+ ' Y ' + (SELECT NomTipoVial FROM CATCTIPOVIAL WHERE CveTipoVial = SOC.TipoVialidad2) "
         "+ ' ' + SOC.NomVialidad2 ELSE '' END AS EntreVialidades, CASE WHEN LEN(SOC.TipoVialidadPosterior) <> 0 "
         "THEN (SELECT NomTipoVial FROM CATCTIPOVIAL WHERE CveTipoVial = SOC.TipoVialidadPosterior) "
         "+ ' ' + SOC.NomVialidadPosterior ELSE '' END AS VialidadPosterior, SOC.Ubicacion AS DescUbicacion, "
         "SOC.TipoLocalizacion, SOC.Carretera, SOC.Camino, SOC.PkSocio, E.PkEndoso, "
         "(SELECT YEAR(MI.VigenciaIni) FROM SOLDENDOSO MI WHERE MI.PkInciso = E.PkInciso "
         "AND MI.PkTipoEndoso In (0,2)) AS AnioVigenciaMovInicial FROM  SOLDENDOSO E "
         "INNER JOIN SOLDINCISO I ON E.PkInciso = I.PkInciso "
         "INNER JOIN SOLMCONSTANCIA CONS ON I.PkConstancia = CONS.PkConstancia "
         "INNER JOIN SICICSOCIOS SOC ON E.PkCedente = SOC.PKCedente AND E.PkSocioSubsidio = SOC.PKSocio "
         "INNER JOIN CATCMUNICIPIO M ON E.PkMunicipio = M.PKMunicipio "
         "INNER JOIN FONMPROGRAMAS PROG ON CONS.PkPrograma = PROG.PkPrograma AND SOC.PKCedente = PROG.PkCedente "
         "INNER JOIN COTCCOTIZAGRL COTIZ ON E.PkCotizacion = COTIZ.PKCotizacion "
         "INNER JOIN CATCPRODUCTOS AS PROD ON PROG.PkProducto = PROD.PkProducto "
         "WHERE MONTH(E.FechaModif) = " + m + " AND PROG.PkCedente = " + pc + " AND E.PkTipoEndoso = 99 "
         "AND PROG.CicloIni = " + ci + " AND PROG.CicloFin = " + cf + " "
         "AND (YEAR(E.VigenciaIni) = YEAR(GETDATE()) OR (MONTH(E.VigenciaIni) = 12 AND MONTH(GETDATE()) = 1 "
         "AND YEAR(E.VigenciaIni) + 1 = YEAR(GETDATE())))";
}

std::string constanciasSinD(int semestre, int anio, int pkCedente) {
  int first = semestre == 1 ? 1 : 7, last = semestre == 1 ? 6 : 12;
  return "SELECT  Distinct C.CveConstancia AS constancia, I.CveInciso AS Inciso, S.Paterno, S.Materno, S.Nombre, "
         "I.PkEstado, CE.NomEstado, CM.CveMunicipio, CM.NomMunicipio, PROG.PkCultivo, CC.NomCultivo, "
         "CTC.PKTipoPractica, CTP.NomTipoPractica, CAST(PROG.CicloIni AS varchar) + '/' + "
         "CAST(PROG.CicloFin AS varchar) AS Ciclo, A.SupSinPP + A.SupSinPT AS SupSiniestrada, A.FechaPago, "
         "A.IndemNetaPP + A.IndemNetaPT AS Indemnizacion, A.PkRiesgo, CR.NomRiesgo, PROD.PkSubramo AS TipoSeguro, "
         "S.CURP, S.RFC, dbo.getCoordenadasFormatoC (PROG.CicloIni,PROG.CicloFin,C.CveConstancia ,I.CveInciso ) As Coordenadas "
         "FROM  SINMAJUSTESIN AS A INNER JOIN "
         "SOLDINCISO AS I ON A.PKInciso = I.PkInciso INNER JOIN "
         "SOLMCONSTANCIA AS C ON I.PkConstancia = C.PkConstancia INNER JOIN "
         "SICICSOCIOS AS S ON I.PkCedente = S.PKCedente AND I.PkSocio = S.PKSocio INNER JOIN "
         "CATCESTADO AS CE ON I.PkEstado = CE.PKEstado INNER JOIN "
         "CATCMUNICIPIO AS CM ON I.PkMunicipio = CM.PKMunicipio INNER JOIN "
         "FONMPROGRAMAS AS PROG ON C.PkPrograma = PROG.PkPrograma INNER JOIN "
         "CATCCULTIVO AS CC ON PROG.PkCultivo = CC.PKCultivo INNER JOIN "
         "CATCTIPOCULTIVO AS CTC ON PROG.PkTipoCultivo = CTC.PKTipoCultivo INNER JOIN "
         "CATCTIPOPRACTICA AS CTP ON CTC.PKTipoPractica = CTP.PKTipoPractica INNER JOIN "
         "CATCRIESGOS AS CR ON A.PkRiesgo = CR.PKRiesgo INNER JOIN "
         "CATCPRODUCTOS PROD ON PROG.PkProducto = PROD.PkProducto "
         "WHERE (((Month(A.fechaPago)) BETWEEN " + s(first) + " AND " + s(last) + ") "
         "AND Year(A.fechaPago) = " + s(anio) + " AND  ((A.StatusAprobado)=1)) "
         "AND not A.fechaPago is Null AND PROG.PkCedente = " + s(pkCedente) + " ORDER BY constancia, inciso";
}

std::string desmarcaUpdate(int cicloIni, int cicloFin, const std::string& poliza, const std::string& inciso,
                           const std::string& tipoEndoso, const std::string& endoso, int pkCedente) {
  return "UPDATE SICIMCOBRANZA SET EnviadoSubsidio = 0"
         " FROM SOLMCONSTANCIA INNER JOIN"
         " FONMPROGRAMAS ON SOLMCONSTANCIA.PkPrograma = FONMPROGRAMAS.PkPrograma INNER JOIN"
         " SOLDINCISO ON SOLMCONSTANCIA.PkConstancia = SOLDINCISO.PkConstancia INNER JOIN"
         " SOLDENDOSO ON SOLDINCISO.PkInciso = SOLDENDOSO.PkInciso INNER JOIN"
         " SICIMCOBRANZA ON SOLDINCISO.PkInciso = SICIMCOBRANZA.PKInciso"
         " WHERE FONMPROGRAMAS.CicloIni=" + s(cicloIni) + " AND FONMPROGRAMAS.CicloFin=" + s(cicloFin) +
         " AND SOLMCONSTANCIA.CveConstancia=" + poliza + " AND SOLDINCISO.CveInciso=" + inciso +
         " AND SOLDENDOSO.PkTipoEndoso=" + tipoEndoso + " AND " +
         (endoso == "0" ? "SOLDENDOSO.PkTipoEndoso=" : "SOLDENDOSO.CveEndoso =") + endoso +
         " AND SOLDINCISO.PkCedente=" + s(pkCedente) + " AND SOLDINCISO.PkCedente = SOLDENDOSO.PkCedente"
         " AND SICIMCOBRANZA.PkEndoso = CASE SICIMCOBRANZA.PkEndoso WHEN 0 THEN SOLDENDOSO.PkTipoEndoso ELSE SOLDENDOSO.PkEndoso END";
}

std::vector<SentStatement> allStatements(const std::string& captureFile) {
  std::vector<SentStatement> v;
  auto add = [&](std::string routine, std::string sql, bool rejected = false) {
    v.push_back({std::move(routine), std::move(sql), rejected});
  };
  // Catalog queries and generic statements.
  for (const auto& [id, entry] : kCatalogs) {
    const auto& [table, key] = entry;
    std::string sql = "SELECT * FROM " + table;
    if (id == 8) sql += " order by cveEstado, cveMunicipio";
    if (id == 12) sql += " order by cveEspecie, cveFuncion";
    add("getCatalogos " + s(id), sql);
    if (id != 8) add("TraeCatExt " + s(id), "SELECT * FROM " + table);
    if (key.empty()) add("findClave " + s(id), "SELECT  FROM " + table + " WHERE =5", true);
    else add("findClave " + s(id), "SELECT " + key + " FROM " + table + " WHERE " + key + "=5");
  }
  add("TraeCatalogo 2", "SELECT PKCultivo FROM CATCCULTIVO WHERE CveCultivo = 1");
  add("TraeCatalogo 5", "SELECT PKEstado FROM CATCESTADO WHERE CveEstado = 14");
  add("TraeCatalogo 13", "SELECT PKTCultivo FROM CATCTIPOPRACTICA WHERE CveTipoCultivo = 1");
  add("TraeCatalogo 14", "SELECT pkTipoEndoso FROM CATCTIPOENDOSO WHERE CveTipoEndoso = '1'");
  add("TraeCatalogo 15", "SELECT * FROM SUBCDIASINHABILES WHERE ANIO = 2026");
  add("TraeCatalogo 8", " order by PKestado, cveMunicipio", true);
  add("TraeCatExt 8", "SELECT PKMpio FROM CATCMUNICIPIO WHERE CveMunicipio = 39 AND PKEstado = 14 order by PKestado, cveMunicipio");
  add("FindCondition", "SELECT cveEstado, NomEstado FROM CATCESTADO WHERE cveEstado > 30 order by 2");
  add("FindCondition without condition", "SELECT NomRamo FROM CATCRAMO");
  add("UpdateCondition", "UPDATE CATCESTADO SET Abreviatura = 'JAL.' WHERE CveEstado = 14");
  add("UpdateCondition without condition", "UPDATE CATCESTADO SET Abreviatura = 'X' WHERE ", true);
  // Reference lookups.
  add("getRiesgosDeConstancias", "select r.pkriesgo, t.pkcotizacion from cotccotizargo r, cotccotizagrl t Where t.pkcotizacion=1 and t.pkcotizacion = r.pkcotizacion  order by r.pkriesgo");
  add("getCatEndososCondition", "SELECT  e.pkTipoEndoso, e.nomTipoEndoso, c.clasificacion FROM  catctipoendoso e, catrclasificaendoso c WHERE  e.pkTipoEndoso in ( select cveTipoEndoso from CATRENDOSORAMO where cveRamo = 1) and e.pkTipoEndoso = c.pkendoso ORDER BY e.pkTipoEndoso");
  add("getCatEspeciesCondition", "SELECT  e.pkespecie, e.nomEspecie, u.unidadmedida FROM  catcespecies e, catrespecieumedida u WHERE  e.pkespecie = u.pkespecie ORDER BY e.pkespecie");
  add("getUnidadMedidaEspecie", "SELECT unidadmedida from CATRESPECIEUMEDIDA WHERE pkespecie=1");
  add("getListRiesgosRamo", "SELECT  PKRiesgo, NomRiesgo  FROM  CATCRIESGOS WHERE  pkriesgo in (select pkriesgo from CATRRIESGORAMO where pkramo=1) ORDER BY pkriesgo");
  add("getPresidenteConsejo", "SELECT t.apPatPdte as paterno, t.apMatPdte as materno, t.nomPdte as nombre  FROM CATDCONSEJOCEDENTE t, CATCCLIENTES c WHERE t.pkcedente = c.pkcedente AND c.cveFondo='F001'");
  add("getListaRiesgosIN", "select * from CATRRIESGORAMO where pkRiesgo in (1,2,3) And pkramo = 1");
  add("SelectRiesgos", "SELECT listariesgos FROM COTDPAQUETESRIESGOS WHERE Cvepaquete = 'BASICO'");
  add("SelectTipoCultivo", "SELECT pktipopractica FROM CATCTIPOCULTIVO WHERE pktipocultivo = 1");
  add("getClasEndoso", "select clasificacion from CATRCLASIFICAENDOSO where pkendoso = 1");
  add("getEstatusLocalidad", "SELECT Agregada FROM CATCLOCALIDAD WHERE PkEstado = 14 AND CveMunicipio = 39 AND CveLocalidad = '0001'");
  add("getPkProducto", "SELECT P.PkProducto FROM SOLMCONSTANCIA AS C INNER JOIN FONMPROGRAMAS AS P ON C.PkPrograma = P.PkPrograma WHERE C.CveConstancia = 1001 AND P.CicloIni = 2026 AND P.CicloFin = 2026");
  // Registration.
  add("getDuplicado", "select pkagricola from submagricola where poliza ='A-1' and endoso ='0' and cvetipoendoso=0 and inciso=1 and cvecultivo=1 and PkCedente= 1 and Ciclo = '2026'");
  add("getPkMunicipio", "select pkmunicipio from CATCMUNICIPIO  where cveEstado=14 and cvemunicipio=39");
  add("setSqlInsertAgricola", insertAgricola("A-1", "15/03/2026"));
  add("getDuplicadoFc", "select pkagricolaFc from submagricolaFc where poliza = 'A-1' and inciso = 1 and Periodo = 1 and Anio = 2026 and PkCedente = 1");
  add("setSqlInsertAgricolaFc", insertAgricolaFc("A-1", 1));
  add("getDuplicadoGanadero", "select pkGanadero from submGanadero where poliza ='G-1' and endoso ='0' and cvetipoendoso=0 and inciso=1 and pkespfun in  (select pkespfun from subrespfun where cveespecie=1 and cvefuncion=1 ) AND cveFondo='F002'");
  add("getPkEspecieFuncion", "select pkespfun from SUBRESPFUN  where cveEspecie=1 and cveFuncion=1");
  add("TraePkEspFun", "select pkEspFun from SUBRESPFUN  where cveEspecie=1 and cveFuncion=1");
  add("getPkGanadero", "select max(pkganadero) as maxGanadero from SUBMGANADERO ");
  add("setSqlInsertGanadero", insertGanadero(1, "G-1"));
  add("setSqlInsertEnviado", "INSERT INTO SUBCONSENVIADAS ( PkCedente ,poliza ,endoso ,TipoEndoso ,Inciso ,mes ,CicloIni ,CicloFin ,AnioSolic ) values(1 ,'1001' ,'0' ,0 ,1 ,3 ,2026 ,2026 ,2026 )");
  add("setSqlInsertEnviadofc", "INSERT INTO SUBCONSENVIADASFC ( PkCedente ,Periodo ,Anio ,poliza ,Inciso ) values(1 ,1 ,2026 ,'1001' ,1 )");
  add("getEnviadaDuplicada", "select pkenviado from subconsenviadas where PkCedente= 1 and poliza ='1001' and endoso ='0' and tipoendoso=0 and inciso=1 and mes=3 and cicloIni=2026 and cicloFin=2026");
  add("getEnviadaDuplicadaFc", "select pkenviadaFc from subconsenviadasFc where PkCedente= 1 and Periodo = 1 and Anio = 2026 and poliza = '1001' and inciso = 1");
  add("getConstanciasEnviadas", "SELECT * FROM SUBCONSENVIADAS WHERE PkCedente = 1 AND Mes = 3 AND CicloIni = 2026 AND CicloFin = 2026");
  add("getConstanciasEnviadasFc", "SELECT * FROM SUBCONSENVIADASFC WHERE PkCedente = 1 AND Periodo = 1 AND Anio = 2026");
  add("ActualizaStatusSubsidio", "EXEC EstatusEnviadoSubsidio 2026, 2026, 1001, 1, 0, 1");
  add("ExistePkMunicipio", "select pkmunicipio from SUBCMUNICIPIO  where cveEstado=14 and cvemunicipio=39");
  add("TraePkTCober", "select cveciclo from SUBCTCOBER  where cveRamo=1 and cicloInicio='2026' and cicloFin='2026'");
  add("getPkAgricola", "select max(pkagricola) as maxAgricola from SUBMAGRICOLA ");
  add("getPkAgricolaFc", "select max(pkagricolaFc) as maxAgricola from SUBMAGRICOLAFC ");
  add("getPkEnviado", "select max(pkenviado) as maxenviado from SUBCONSENVIADAS");
  add("getPkEnviadoFc", "select max(pkenviadaFc) as maxenviado from SUBCONSENVIADASFc");
  // Certificates.
  add("getConstanciasSubD", constanciasSubD(3, 1, 2026, 2026, 2026));
  add("getDesmarcaConstanciasSubD select", "SELECT Poliza, Endoso, TipoEndoso, Inciso  FROM SUBCONSENVIADAS WHERE CicloIni = 2026 AND CicloFin = 2026 AND PkCedente = 1 AND MES = 3");
  add("getDesmarcaConstanciasSubD update", desmarcaUpdate(2026, 2026, "1001", "1", "0", "0", 1));
  add("getDesmarcaConstanciasSubD update endorsement", desmarcaUpdate(2026, 2026, "1001", "1", "1", "5", 1));
  add("getDesmarcaConstanciasSubD delete", "DELETE FROM SUBCONSENVIADAS WHERE CicloIni = 2026 AND CicloFin = 2026 AND PkCedente = 1 AND MES = 3");
  add("getConstanciasSinD", constanciasSinD(1, 2026, 1));
  add("getPolizasCobroD", "SELECT e.pkconstancia,e.pkendoso,e.pktipoendoso,e.pkinciso,i.inciso,i.paterno,i.materno,i.nombre,i.identificacion,e.primaAseg,e.primaTotal,e.cobroAseg,e.tipoCambio,e.fechaCobro,c.cicloini,c.ciclofin,c.pksubramo,c.pkvariante,e.superficieAseg FROM soldendoso e, soldinciso i, cotccotizagrl c, solmconstancia t WHERE  e.pkconstancia = i.pkconstancia and e.pkinciso = i.pkinciso and e.pkconstancia = t.pkconstancia and t.pkcotizacion = c.pkcotizacion and e.cobroAseg > 0");
  add("getNextPkPago", "select max(pkpagoendoso) as maxPago FROM SOLRPAGOSENDOSO");
  add("savePagoEndoso", "INSERT INTO solrpagoendoso  values( 1, 1001, 0, 1, 1234.56, 617.28, 1851.84, '15/03/2026', 12.5, 1, 1, 1 )");
  add("findPagoEndoso", "SELECT * from SOLRPAGOSENDOSO WHERE pkconstancia=1001 AND pkendoso=0 AND pkinciso=1 AND numeroPago=1");
  add("getPkConsecFc", "select count(pkConsec) as maxConsec from SUBMCONSECEXPFC ");
  add("InsertDatosExpFc", "INSERT INTO SUBMCONSECEXPFC VALUES ( 5,'F001',1,2,2020,1)");
  add("getFondosAnexoH", "SELECT CveFondo, CicloIni, CicloFin, FechaInicio, FechaLimite\r\nFROM SUBCFONDOSANEXOH\r\nWHERE CicloIni = 2026 AND CicloFin = 2026");
  // Catalog replication between capture files.
  add("ExecuteQuery", "SELECT * FROM CATCRAMO");
  add("DropTable", "DROP TABLE CATCRAMO");
  add("CreateTable", " SELECT CATCRAMO.* INTO CATCRAMO FROM CATCRAMO IN '" + captureFile + "'");
  return v;
}

}  // namespace korvanda::sqlite::test
