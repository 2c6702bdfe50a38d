// Statement texts of the certificate, payment and staging members, to the character, through
// the statement trace. The object is created on a real database; then a scripted connection
// takes the shared slot, so each test sees exactly what is sent and chooses the answers.
#include <gtest/gtest.h>

#include <climits>

#include "certificates/statements.h"
#include "component/ModGlobal.h"
#include "korvanda/catalogoConstants.h"
#include "korvanda/clsCatValida.h"
#include "korvanda/textform.h"
#include "support/fixture.h"

using namespace korvanda;
using korvanda::testing::Environment;
using korvanda::testing::errorOf;
using korvanda::testing::makeRecordset;
using korvanda::testing::ScriptedConnection;

namespace {

// Replaces each marker of the template by its value.
std::string fill(std::string text, std::initializer_list<std::pair<std::string, std::string>> values) {
  for (const auto& [marker, value] : values)
    for (size_t at; (at = text.find(marker)) != std::string::npos;)
      text.replace(at, marker.size(), value);
  return text;
}

// The monthly selection for month 12, fund 7, cycle 2025/2026 and the payment year @Y@.
const std::string kConstanciasSubD =
    "SET DATEFORMAT DMY SELECT  DISTINCT CONS.CveConstancia AS PkConstancia, E.CveEndoso AS E"
    "ndoso, E.PkTipoEndoso, I.CveInciso AS Inciso, SOC.Paterno, SOC.Materno, SOC.Nombre, (cas"
    "e when SOC.PkTipoSocio = 1 OR SOC.PkTipoSocio = 3 then SOC.CURP else '' end) AS Identifi"
    "cacion, E.PkEstado, M.CveMunicipio, CAST(PROG.CicloIni AS varchar) + '/' + CAST(PROG.Cic"
    "loFin AS varchar) AS Ciclo, PROG.PkCultivo, PROG.PkTipoCultivo, E.VigenciaIni, E.Vigenci"
    "aFin, E.SuperficieAseg, E.SumaAsegTotal as SumaAsegurada, E.PrimaAseg AS PrimaEmitidoAse"
    "gurado, E.PrimaGobFed AS PrimaEmitidoGobFederal, E.PrimaAseg AS PrimaCobradaAsegurado, E"
    ".PrimaGobFed AS PrimaCobradaGobFederal, E.PrimaTotal AS PrimaEmitidaTotal, E.PrimaTotal "
    "AS PrimaCobradaTotal, 1 AS Pago, 1 AS Pagode, P.fechaPago, P.TipoCambio,COTIZ.PaqueteRie"
    "sgos, COTIZ.PkCotizacion, ' ', I.Pkinciso, E.PkEndoso, PROD.PkSubramo AS TipoSeguro, SOC"
    ".RFC, SOC.TipoVialidad, SOC.Calle AS NomVialidad, SOC.NoExt COLLATE DATABASE_DEFAULT + '"
    " ' + SOC.NoExtAlf COLLATE DATABASE_DEFAULT AS NumExterior1, SOC.NumExterior2, SOC.NoInt "
    "COLLATE DATABASE_DEFAULT + ' ' + SOC.NoIntAlf COLLATE DATABASE_DEFAULT AS NumInterior, S"
    "OC.TipoAsentamiento, SOC.Poblacion AS NomAsentamiento, SOC.CodPostal, SOC.Localidad, SOC"
    ".PKMunicipioDom AS MunicipioDom, SOC.PKEstadoDom AS EstadoDom, CASE WHEN LEN(SOC.TipoVia"
    "lidad1) <> 0 THEN (SELECT NomTipoVial FROM CATCTIPOVIAL WHERE CveTipoVial = SOC.TipoVial"
    "idad1) + ' ' + SOC.NomVialidad1 + ' Y ' + (SELECT NomTipoVial FROM CATCTIPOVIAL WHERE Cv"
    "eTipoVial = SOC.TipoVialidad2) + ' ' + SOC.NomVialidad2 ELSE '' END AS EntreVialidades, "
    "CASE WHEN LEN(SOC.TipoVialidadPosterior) <> 0 THEN (SELECT NomTipoVial FROM CATCTIPOVIAL"
    " WHERE CveTipoVial = SOC.TipoVialidadPosterior) + ' ' + SOC.NomVialidadPosterior ELSE ''"
    " END AS VialidadPosterior, SOC.Ubicacion AS DescUbicacion, SOC.TipoLocalizacion, SOC.Car"
    "retera, SOC.Camino, SOC.PkSocio, E.PkEndoso, CASE WHEN E.PKTipoEndoso = 10 THEN CASE WHE"
    "N (SELECT COB.FechaPago FROM SOLDENDOSO MI LEFT JOIN SICIMCOBRANZA COB ON MI.PkEndoso = "
    "COB.PkEndoso AND MI.PkInciso = COB.PkInciso WHERE (MI.PkInciso = E.PkInciso) AND (MI.PKT"
    "ipoendoso = 0)) <> NULL THEN (SELECT YEAR(MI.VigenciaIni) FROM SOLDENDOSO MI WHERE MI.Pk"
    "Inciso = E.PkInciso AND MI.PkTipoEndoso = 0) ELSE (SELECT YEAR(MI.VigenciaIni) FROM SOLD"
    "ENDOSO MI WHERE MI.PkInciso = E.PkInciso AND MI.PkTipoEndoso = 10) END WHEN E.PKTipoEndo"
    "so = 2 THEN (SELECT year(min(a.VigenciaIni)) FROM SOLDENDOSO AS a INNER JOIN  (SELECT a."
    "pkInciso, a.pkConstancia FROM SOLDINCISO a INNER JOIN SOLMCONSTANCIA b ON a.pkconstancia"
    " = b.pkConstancia INNER JOIN  FONMPROGRAMAS PROG ON b.PkPrograma = PROG.PkPrograma WHERE"
    " b.cveconstancia = CONS.CveConstancia and a.pktipoendoso = 0  AND PROG.CicloIni = 2025 A"
    "ND PROG.cicloFin = 2026) AS b ON a.pkinciso = b.pkinciso) ELSE (SELECT YEAR(MI.VigenciaI"
    "ni) FROM SOLDENDOSO MI WHERE MI.PkInciso = E.PkInciso AND MI.PkTipoEndoso In (0,2)) END "
    "AS AnioVigenciaMovInicial FROM    SICIMCOBRANZA P INNER JOIN SOLDENDOSO E ON P.PKInciso "
    "= E.PkInciso AND P.PkEndoso = E.PkEndoso INNER JOIN SOLDINCISO I ON E.PkInciso = I.PkInc"
    "iso INNER JOIN SOLMCONSTANCIA CONS ON I.PkConstancia = CONS.PkConstancia INNER JOIN SICI"
    "CSOCIOS SOC ON E.PkCedente = SOC.PKCedente AND I.PkSocio = SOC.PkSocio INNER JOIN CATCMU"
    "NICIPIO M ON E.PkMunicipio = M.PKMunicipio INNER JOIN FONMPROGRAMAS PROG ON CONS.PkProgr"
    "ama = PROG.PkPrograma INNER JOIN COTCCOTIZAGRL COTIZ ON E.PkCotizacion = COTIZ.PKCotizac"
    "ion INNER JOIN CATCPRODUCTOS AS PROD ON PROG.PkProducto = PROD.PkProducto WHERE ((P.fech"
    "aPago) <= dbo.ObtenFechaFinMes( 12, @Y@))   AND (P.EnviadoSubsidio=0) AND (P.PkEndoso <>"
    " 0) AND (E.PkTipoEndoso <> 0 AND E.PkTipoEndoso <> 99) AND (PROG.PkCedente = 7) AND PROG"
    ".CicloIni = 2025 AND PROG.cicloFin = 2026 AND (YEAR(E.VigenciaIni) = YEAR(GETDATE()) OR "
    "(MONTH(E.VigenciaIni) = 12 AND MONTH(GETDATE()) = 1 AND YEAR(E.VigenciaIni) + 1 = YEAR(G"
    "ETDATE()))) AND (E.PrimaGobFed <> 0 OR (E.PrimaGobFed = 0 AND E.VigenciaIni BETWEEN '01/"
    "01/2019' AND (SELECT P.ValorParam FROM CATCPARAMGENERALES P WHERE P.PkCedente = E.PkCede"
    "nte AND P.NomParam = 'FechaLiberacionReglasSubsidio2019'))) UNION SELECT DISTINCT CONS.C"
    "veConstancia AS PkConstancia, P.PkEndoso As CveEndoso, E.PkTipoEndoso, I.CveInciso AS In"
    "ciso, SOC.Paterno, SOC.Materno,SOC.Nombre,  (case when SOC.PkTipoSocio = 1 OR SOC.PkTipo"
    "Socio = 3 then SOC.CURP else '' end) AS Identificacion, E.PkEstado, M.CveMunicipio, CAST"
    "(PROG.CicloIni AS varchar) + '/' + CAST(PROG.CicloFin AS varchar) AS Ciclo, PROG.PkCulti"
    "vo, PROG.PkTipoCultivo, E.VigenciaIni, E.VigenciaFin, E.SuperficieAseg, E.SumaAsegTotal "
    "as SumaAsegurada, E.PrimaAseg AS PrimaEmitidoAsegurado, E.PrimaGobFed AS PrimaEmitidoGob"
    "Federal, E.PrimaAseg AS PrimaCobradaAsegurado, E.PrimaGobFed AS PrimaCobradaGobFederal, "
    "E.PrimaTotal AS PrimaEmitidaTotal, E.PrimaTotal AS PrimaCobradaTotal, 1 AS Pago, 1 AS Pa"
    "gode, P.fechaPago, P.TipoCambio,COTIZ.PaqueteRiesgos, COTIZ.PkCotizacion, ' ', I.Pkincis"
    "o, E.PkEndoso as PkEndoso, PROD.PkSubramo AS TipoSeguro, SOC.RFC, SOC.TipoVialidad, SOC."
    "Calle AS NomVialidad, SOC.NoExt COLLATE DATABASE_DEFAULT + ' ' + SOC.NoExtAlf COLLATE DA"
    "TABASE_DEFAULT AS NumExterior1, SOC.NumExterior2, SOC.NoInt COLLATE DATABASE_DEFAULT + '"
    " ' + SOC.NoIntAlf COLLATE DATABASE_DEFAULT AS NumInterior, SOC.TipoAsentamiento, SOC.Pob"
    "lacion AS NomAsentamiento, SOC.CodPostal, SOC.Localidad, SOC.PKMunicipioDom AS Municipio"
    "Dom, SOC.PKEstadoDom AS EstadoDom, CASE WHEN LEN(SOC.TipoVialidad1) <> 0 THEN (SELECT No"
    "mTipoVial FROM CATCTIPOVIAL WHERE CveTipoVial = SOC.TipoVialidad1) + ' ' + SOC.NomVialid"
    "ad1 + ' Y ' + (SELECT NomTipoVial FROM CATCTIPOVIAL WHERE CveTipoVial = SOC.TipoVialidad"
    "2) + ' ' + SOC.NomVialidad2 ELSE '' END AS EntreVialidades, CASE WHEN LEN(SOC.TipoVialid"
    "adPosterior) <> 0 THEN (SELECT NomTipoVial FROM CATCTIPOVIAL WHERE CveTipoVial = SOC.Tip"
    "oVialidadPosterior) + ' ' + SOC.NomVialidadPosterior ELSE '' END AS VialidadPosterior, S"
    "OC.Ubicacion AS DescUbicacion, SOC.TipoLocalizacion, SOC.Carretera, SOC.Camino, SOC.PkSo"
    "cio, E.PkEndoso, YEAR(E.VigenciaIni) AS AnioVigenciaMovInicial FROM    SICIMCOBRANZA P I"
    "NNER JOIN SOLDENDOSO E ON P.PKInciso = E.PkInciso INNER JOIN SOLDINCISO I ON E.PkInciso "
    "= I.PkInciso INNER JOIN SOLMCONSTANCIA CONS ON I.PkConstancia = CONS.PkConstancia INNER "
    "JOIN SICICSOCIOS SOC ON E.PkCedente = SOC.PKCedente AND E.PkSocioSubsidio = SOC.PkSocio "
    "INNER JOIN CATCMUNICIPIO M ON E.PkMunicipio = M.PKMunicipio INNER JOIN FONMPROGRAMAS PRO"
    "G ON CONS.PkPrograma = PROG.PkPrograma INNER JOIN COTCCOTIZAGRL COTIZ ON E.PkCotizacion "
    "= COTIZ.PKCotizacion INNER JOIN CATCPRODUCTOS AS PROD ON PROG.PkProducto = PROD.PkProduc"
    "to WHERE ((P.fechaPago) <= dbo.ObtenFechaFinMes( 12, @Y@))   AND (P.EnviadoSubsidio=0) A"
    "ND (P.PkEndoso = 0) AND (E.PkTipoEndoso = 0) AND (PROG.PkCedente = 7) AND PROG.CicloIni "
    "= 2025 AND PROG.cicloFin = 2026 AND (YEAR(E.VigenciaIni) = YEAR(GETDATE()) OR (MONTH(E.V"
    "igenciaIni) = 12 AND MONTH(GETDATE()) = 1 AND YEAR(E.VigenciaIni) + 1 = YEAR(GETDATE()))"
    ") AND (E.PrimaGobFed <> 0 OR (E.PrimaGobFed = 0 AND E.VigenciaIni BETWEEN '01/01/2019' A"
    "ND (SELECT P.ValorParam FROM CATCPARAMGENERALES P WHERE P.PkCedente = E.PkCedente AND P."
    "NomParam = 'FechaLiberacionReglasSubsidio2019'))) UNION SELECT DISTINCT  CONS.CveConstan"
    "cia AS PkConstancia, E.cveEndoso AS Endoso, E.PkTipoEndoso, I.CveInciso AS Inciso, SOC.P"
    "aterno, SOC.Materno, SOC.Nombre, (case when SOC.PkTipoSocio = 1 then SOC.CURP else '' en"
    "d) AS Identificacion, E.PkEstado, M.CveMunicipio, CAST(PROG.CicloIni AS varchar) + '/' +"
    " CAST(PROG.CicloFin AS varchar) AS Ciclo, PROG.PkCultivo, PROG.PkTipoCultivo, E.Vigencia"
    "Ini, E.VigenciaFin, E.SuperficieAseg, E.SumaAsegTotal AS SumaAsegurada, E.PrimaAseg AS P"
    "rimaEmitidoAsegurado, E.PrimaGobFed AS PrimaEmitidoGobFederal, E.PrimaAseg AS PrimaCobra"
    "daAsegurado, E.PrimaGobFed AS PrimaCobradaGobFederal, E.PrimaTotal AS PrimaEmitidaTotal,"
    " E.PrimaTotal AS PrimaCobradaTotal, 1 AS Pago, 1 AS Pagode, E.FechaModif AS fechaPago, 1"
    " AS TipoCambio, COTIZ.PaqueteRiesgos, COTIZ.PkCotizacion, ' ',' ',' ', PROD.PkSubramo AS"
    " TipoSeguro, SOC.RFC, SOC.TipoVialidad, SOC.Calle AS NomVialidad, SOC.NoExt COLLATE DATA"
    "BASE_DEFAULT + ' ' + SOC.NoExtAlf COLLATE DATABASE_DEFAULT AS NumExterior1, SOC.NumExter"
    "ior2, SOC.NoInt COLLATE DATABASE_DEFAULT + ' ' + SOC.NoIntAlf COLLATE DATABASE_DEFAULT A"
    "S NumInterior, SOC.TipoAsentamiento, SOC.Poblacion AS NomAsentamiento, SOC.CodPostal, SO"
    "C.Localidad, SOC.PKMunicipioDom AS MunicipioDom, SOC.PKEstadoDom AS EstadoDom, CASE WHEN"
    " LEN(SOC.TipoVialidad1) <> 0 THEN (SELECT NomTipoVial FROM CATCTIPOVIAL WHERE CveTipoVia"
    "l = SOC.TipoVialidad1) + ' ' + SOC.NomVialidad1 + ' Y ' + (SELECT NomTipoVial FROM CATCT"
    "IPOVIAL WHERE CveTipoVial = SOC.TipoVialidad2) + ' ' + SOC.NomVialidad2 ELSE '' END AS E"
    "ntreVialidades, CASE WHEN LEN(SOC.TipoVialidadPosterior) <> 0 THEN (SELECT NomTipoVial F"
    "ROM CATCTIPOVIAL WHERE CveTipoVial = SOC.TipoVialidadPosterior) + ' ' + SOC.NomVialidadP"
    "osterior ELSE '' END AS VialidadPosterior, SOC.Ubicacion AS DescUbicacion, SOC.TipoLocal"
    "izacion, SOC.Carretera, SOC.Camino, SOC.PkSocio, E.PkEndoso, (SELECT YEAR(MI.VigenciaIni"
    ") FROM SOLDENDOSO MI WHERE MI.PkInciso = E.PkInciso AND MI.PkTipoEndoso In (0,2)) AS Ani"
    "oVigenciaMovInicial FROM  SOLDENDOSO E INNER JOIN SOLDINCISO I ON E.PkInciso = I.PkIncis"
    "o INNER JOIN SOLMCONSTANCIA CONS ON I.PkConstancia = CONS.PkConstancia INNER JOIN SICICS"
    "OCIOS SOC ON E.PkCedente = SOC.PKCedente AND E.PkSocioSubsidio = SOC.PKSocio INNER JOIN "
    "CATCMUNICIPIO M ON E.PkMunicipio = M.PKMunicipio INNER JOIN FONMPROGRAMAS PROG ON CONS.P"
    "kPrograma = PROG.PkPrograma AND SOC.PKCedente = PROG.PkCedente INNER JOIN COTCCOTIZAGRL "
    "COTIZ ON E.PkCotizacion = COTIZ.PKCotizacion INNER JOIN CATCPRODUCTOS AS PROD ON PROG.Pk"
    "Producto = PROD.PkProducto WHERE MONTH(E.FechaModif) = 12 AND PROG.PkCedente = 7 AND E.P"
    "kTipoEndoso = 99 AND PROG.CicloIni = 2025 AND PROG.CicloFin = 2026 AND (YEAR(E.VigenciaI"
    "ni) = YEAR(GETDATE()) OR (MONTH(E.VigenciaIni) = 12 AND MONTH(GETDATE()) = 1 AND YEAR(E."
    "VigenciaIni) + 1 = YEAR(GETDATE())))";

const std::string kDesmarca =
    "UPDATE SICIMCOBRANZA SET EnviadoSubsidio = 0 FROM SOLMCONSTANCIA INNER JOIN FONMPROGRAMAS "
    "ON SOLMCONSTANCIA.PkPrograma = FONMPROGRAMAS.PkPrograma INNER JOIN SOLDINCISO ON SOLMCONST"
    "ANCIA.PkConstancia = SOLDINCISO.PkConstancia INNER JOIN SOLDENDOSO ON SOLDINCISO.PkInciso "
    "= SOLDENDOSO.PkInciso INNER JOIN SICIMCOBRANZA ON SOLDINCISO.PkInciso = SICIMCOBRANZA.PKIn"
    "ciso WHERE FONMPROGRAMAS.CicloIni=2025 AND FONMPROGRAMAS.CicloFin=2026 AND SOLMCONSTANCIA."
    "CveConstancia=@P@ AND SOLDINCISO.CveInciso=@I@ AND SOLDENDOSO.PkTipoEndoso=@T@ AND @E@ AND"
    " SOLDINCISO.PkCedente=7 AND SOLDINCISO.PkCedente = SOLDENDOSO.PkCedente AND SICIMCOBRANZA."
    "PkEndoso = CASE SICIMCOBRANZA.PkEndoso WHEN 0 THEN SOLDENDOSO.PkTipoEndoso ELSE SOLDENDOSO"
    ".PkEndoso END";

const std::string kEnviadasMes =
    "SELECT Poliza, Endoso, TipoEndoso, Inciso  FROM SUBCONSENVIADAS WHERE CicloIni = 2025 AND "
    "CicloFin = 2026 AND PkCedente = 7 AND MES = 12";
const std::string kBorraMes =
    "DELETE FROM SUBCONSENVIADAS WHERE CicloIni = 2025 AND CicloFin = 2026 AND PkCedente = 7 "
    "AND MES = 12";

const std::string kConstanciasSinD =
    "SELECT  Distinct C.CveConstancia AS constancia, I.CveInciso AS Inciso, S.Paterno, S.Matern"
    "o, S.Nombre, I.PkEstado, CE.NomEstado, CM.CveMunicipio, CM.NomMunicipio, PROG.PkCultivo, C"
    "C.NomCultivo, CTC.PKTipoPractica, CTP.NomTipoPractica, CAST(PROG.CicloIni AS varchar) + '/"
    "' + CAST(PROG.CicloFin AS varchar) AS Ciclo, A.SupSinPP + A.SupSinPT AS SupSiniestrada, A."
    "FechaPago, A.IndemNetaPP + A.IndemNetaPT AS Indemnizacion, A.PkRiesgo, CR.NomRiesgo, PROD."
    "PkSubramo AS TipoSeguro, S.CURP, S.RFC, dbo.getCoordenadasFormatoC (PROG.CicloIni,PROG.Cic"
    "loFin,C.CveConstancia ,I.CveInciso ) As Coordenadas FROM  SINMAJUSTESIN AS A INNER JOIN SO"
    "LDINCISO AS I ON A.PKInciso = I.PkInciso INNER JOIN SOLMCONSTANCIA AS C ON I.PkConstancia "
    "= C.PkConstancia INNER JOIN SICICSOCIOS AS S ON I.PkCedente = S.PKCedente AND I.PkSocio = "
    "S.PKSocio INNER JOIN CATCESTADO AS CE ON I.PkEstado = CE.PKEstado INNER JOIN CATCMUNICIPIO"
    " AS CM ON I.PkMunicipio = CM.PKMunicipio INNER JOIN FONMPROGRAMAS AS PROG ON C.PkPrograma "
    "= PROG.PkPrograma INNER JOIN CATCCULTIVO AS CC ON PROG.PkCultivo = CC.PKCultivo INNER JOIN"
    " CATCTIPOCULTIVO AS CTC ON PROG.PkTipoCultivo = CTC.PKTipoCultivo INNER JOIN CATCTIPOPRACT"
    "ICA AS CTP ON CTC.PKTipoPractica = CTP.PKTipoPractica INNER JOIN CATCRIESGOS AS CR ON A.Pk"
    "Riesgo = CR.PKRiesgo INNER JOIN CATCPRODUCTOS PROD ON PROG.PkProducto = PROD.PkProducto WH"
    "ERE (((Month(A.fechaPago)) BETWEEN @A@ AND @B@) AND Year(A.fechaPago) = @Y@ AND  ((A.Statu"
    "sAprobado)=1)) AND not A.fechaPago is Null AND PROG.PkCedente = @C@ ORDER BY constancia, i"
    "nciso";

const std::string kCamposCobro =
    "e.pkconstancia,e.pkendoso,e.pktipoendoso,e.pkinciso,i.inciso,i.paterno,i.materno,i.nombre,"
    "i.identificacion,e.primaAseg,e.primaTotal,e.cobroAseg,e.tipoCambio,e.fechaCobro,c.cicloini,"
    "c.ciclofin,c.pksubramo,c.pkvariante,e.superficieAseg";

int32_t anioActual() { return splitDate(now()).year; }

class CertificateStatements : public ::testing::Test {
 protected:
  void SetUp() override {
    cat = clsCatValida::create();
    db = ScriptedConnection::create();
    slot::current() = db;
    env.clearTrace();
    env.clearLogs();
  }
  // Labels of the error log, in order.
  std::vector<std::string> logged() const {
    std::vector<std::string> out;
    for (const auto& e : env.logEntries()) out.push_back(e.label);
    return out;
  }
  static RecordsetRef one(const std::string& field, Variant v) {
    return makeRecordset({field}, {{std::move(v)}});
  }

  Environment env{{.demo = false}};
  std::shared_ptr<clsCatValida> cat;
  std::shared_ptr<ScriptedConnection> db;
};

// ---- monthly subsidy certificates

TEST_F(CertificateStatements, MonthlySelectionIsTheThreeBranchUnion) {
  RecordsetRef rs = cat->getConstanciasSubD(12, 7, 2025, 2026, 12);
  ASSERT_TRUE(rs);
  const std::string expected = fill(kConstanciasSubD, {{"@Y@", std::to_string(anioActual())}});
  EXPECT_EQ(env.statements(), std::vector<std::string>{expected});
  // Delivered as the generic selection delivers it.
  EXPECT_EQ(rs->lockType(), adLockOptimistic);
  EXPECT_EQ(rs->cursorType(), adOpenDynamic);
}

TEST_F(CertificateStatements, PaymentYearFollowsTheMonthOfTheQuery) {
  const int32_t y = anioActual();
  // month asked for, month of the query, year expected in the closing-date calls
  const std::tuple<int16_t, int16_t, int32_t> cases[] = {
      {12, 1, y - 1}, {12, 12, y}, {1, 1, y}, {1, 12, y}, {6, 5, y - 1}, {5, 6, y}};
  for (auto [mes, consulta, anio] : cases) {
    env.clearTrace();
    cat->getConstanciasSubD(mes, 7, 2025, 2026, consulta);
    const std::string call = "dbo.ObtenFechaFinMes( " + std::to_string(mes) + ", " +
                             std::to_string(anio) + "))";
    const std::string text = env.statements().at(0);
    // Once in the paid-endorsement branch, once in the initial-movement branch.
    const size_t first = text.find(call);
    ASSERT_NE(first, std::string::npos) << mes << "/" << consulta;
    const size_t second = text.find(call, first + call.size());
    ASSERT_NE(second, std::string::npos) << mes << "/" << consulta;
    EXPECT_EQ(text.find("ObtenFechaFinMes", second + call.size()), std::string::npos);
  }
  EXPECT_EQ(anioPago(12, 1, 2027), 2026);
  EXPECT_EQ(anioPago(1, 12, 2027), 2027);
  EXPECT_EQ(anioPago(3, 3, 2027), 2027);
}

TEST_F(CertificateStatements, MonthlySelectionFailureIsLoggedTwice) {
  const std::string text = fill(kConstanciasSubD, {{"@Y@", std::to_string(anioActual())}});
  db->fail(text, Error(-2147217900, "Microsoft OLE DB Provider for SQL Server", "Invalid object"));
  Error e = errorOf([&] { cat->getConstanciasSubD(12, 7, 2025, 2026, 12); });
  EXPECT_EQ(e.number(), -2147217900);
  EXPECT_EQ(e.source(), "Microsoft OLE DB Provider for SQL Server");
  EXPECT_EQ(logged(), (std::vector<std::string>{"KORVANDA.clsCatValida.Seleccionar",
                                                 "KORVANDA.clsCatValida.getConstanciaSubD"}));
}

// Register rows: Poliza, Endoso, TipoEndoso, Inciso (texts as the register stores them).
RecordsetRef registro(const std::vector<std::vector<Variant>>& rows) {
  return makeRecordset({"Poliza", "Endoso", "TipoEndoso", "Inciso"}, rows);
}

TEST_F(CertificateStatements, UnmarkingWalksTheRegisterThenDeletesIt) {
  db->answer(kEnviadasMes, registro({{"1001", "0", int32_t{0}, int32_t{1}},
                                     {"1001", "5", int32_t{3}, int32_t{2}},
                                     {"2002", "00", int32_t{0}, int32_t{4}}}));
  EXPECT_TRUE(cat->getDesmarcaConstanciasSubD(12, 7, 2025, 2026, 4));
  const std::vector<std::string> expected = {
      kEnviadasMes,
      fill(kDesmarca, {{"@P@", "1001"}, {"@I@", "1"}, {"@T@", "0"},
                       {"@E@", "SOLDENDOSO.PkTipoEndoso=0"}}),
      fill(kDesmarca, {{"@P@", "1001"}, {"@I@", "2"}, {"@T@", "3"},
                       {"@E@", "SOLDENDOSO.CveEndoso =5"}}),
      fill(kDesmarca, {{"@P@", "2002"}, {"@I@", "4"}, {"@T@", "0"},
                       {"@E@", "SOLDENDOSO.PkTipoEndoso=00"}}),
      kBorraMes};
  EXPECT_EQ(env.statements(), expected);
  EXPECT_TRUE(env.logLines().empty());
}

TEST_F(CertificateStatements, UnmarkingAMonthWithoutRegisterRowsStillDeletes) {
  EXPECT_TRUE(cat->getDesmarcaConstanciasSubD(12, 7, 2025, 2026, 1));
  EXPECT_EQ(env.statements(), (std::vector<std::string>{kEnviadasMes, kBorraMes}));
}

TEST_F(CertificateStatements, AFailingUpdateStopsTheWalkAndKeepsTheRegister) {
  db->answer(kEnviadasMes, registro({{"1001", "0", int32_t{0}, int32_t{1}},
                                     {"1002", "0", int32_t{0}, int32_t{1}},
                                     {"1003", "0", int32_t{0}, int32_t{1}}}));
  auto update = [](const char* poliza) {
    return fill(kDesmarca, {{"@P@", poliza}, {"@I@", "1"}, {"@T@", "0"},
                            {"@E@", "SOLDENDOSO.PkTipoEndoso=0"}});
  };
  db->fail(update("1002"), Error(-2147217873, "Provider", "deadlock victim"));
  Error e = errorOf([&] { cat->getDesmarcaConstanciasSubD(12, 7, 2025, 2026, 12); });
  EXPECT_EQ(e.number(), -2147217873);
  EXPECT_EQ(env.statements(),
            (std::vector<std::string>{kEnviadasMes, update("1001"), update("1002")}));
  // The statement routine's line, then the member's: the private routine adds none.
  EXPECT_EQ(logged(), (std::vector<std::string>{"KORVANDA.ModGlobal.EjecutaQuerySinResultado",
                                                 "KORVANDA.clsCatValida.getDesmarcaConstanciasSubD"}));
}

TEST_F(CertificateStatements, AFailingDeleteIsRaisedAfterEveryUpdate) {
  db->answer(kEnviadasMes, registro({{"1001", "4", int32_t{2}, int32_t{1}}}));
  db->fail(kBorraMes, Error(-2147217900, "Provider", "permission denied"));
  Error e = errorOf([&] { cat->getDesmarcaConstanciasSubD(12, 7, 2025, 2026, 12); });
  EXPECT_EQ(e.description(), "permission denied");
  EXPECT_EQ(env.statements().size(), 3u);
  EXPECT_EQ(env.statements().back(), kBorraMes);
  EXPECT_EQ(logged(), (std::vector<std::string>{"KORVANDA.ModGlobal.EjecutaQuerySinResultado",
                                                 "KORVANDA.clsCatValida.getDesmarcaConstanciasSubD"}));
}

TEST_F(CertificateStatements, ARegisterValueThatIsNotANumberNeverReachesAStatement) {
  for (const char* poliza : {"1 OR 1=1", "1; DELETE FROM SICIMCOBRANZA", "", "12a"}) {
    env.clearTrace();
    db->answer(kEnviadasMes, registro({{poliza, "0", int32_t{0}, int32_t{1}}}));
    Error e = errorOf([&] { cat->getDesmarcaConstanciasSubD(12, 7, 2025, 2026, 12); });
    EXPECT_EQ(e.number(), 13) << poliza;
    EXPECT_NE(e.description().find("Poliza"), std::string::npos) << e.description();
    // Nothing unmarked, nothing deleted.
    EXPECT_EQ(env.statements(), std::vector<std::string>{kEnviadasMes}) << poliza;
  }
  db->answer(kEnviadasMes, registro({{"1001", "0 OR 1=1", int32_t{0}, int32_t{1}}}));
  EXPECT_EQ(errorOf([&] { cat->getDesmarcaConstanciasSubD(12, 7, 2025, 2026, 12); }).number(), 13);
}

// ---- claims certificates

TEST_F(CertificateStatements, SemesterMonths) {
  const MesesSemestre primero = getMesesdeSemestre(1);
  for (int i = 1; i <= 6; ++i) EXPECT_EQ(primero[i], i);
  for (int16_t semestre : {2, 0, 3, -1, 32767, -32768}) {
    const MesesSemestre meses = getMesesdeSemestre(semestre);
    for (int i = 1; i <= 6; ++i) EXPECT_EQ(meses[i], i + 6) << semestre;
  }
}

TEST_F(CertificateStatements, ClaimsSelectionOfBothSemesters) {
  cat->getConstanciasSinD(1, 2026, 7);
  cat->getConstanciasSinD(2, 2025, 12);
  cat->getConstanciasSinD(0, -1, -3);
  EXPECT_EQ(env.statements(),
            (std::vector<std::string>{
                fill(kConstanciasSinD, {{"@A@", "1"}, {"@B@", "6"}, {"@Y@", "2026"}, {"@C@", "7"}}),
                fill(kConstanciasSinD, {{"@A@", "7"}, {"@B@", "12"}, {"@Y@", "2025"}, {"@C@", "12"}}),
                fill(kConstanciasSinD,
                     {{"@A@", "7"}, {"@B@", "12"}, {"@Y@", "-1"}, {"@C@", "-3"}})}));
}

TEST_F(CertificateStatements, ClaimsSelectionFailureIsLoggedTwice) {
  db->fail(fill(kConstanciasSinD, {{"@A@", "1"}, {"@B@", "6"}, {"@Y@", "2026"}, {"@C@", "7"}}),
           Error(-2147217865, "Provider", "Invalid object name"));
  EXPECT_EQ(errorOf([&] { cat->getConstanciasSinD(1, 2026, 7); }).number(), -2147217865);
  EXPECT_EQ(logged(), (std::vector<std::string>{"KORVANDA.clsCatValida.Seleccionar",
                                                 "KORVANDA.clsCatValida.getConstanciasSinD"}));
}

// ---- endorsement payments

TEST_F(CertificateStatements, MovementsWithACollection) {
  EXPECT_EQ(getCamposCobro(), kCamposCobro);
  // Nothing qualifies: no object.
  EXPECT_EQ(cat->getPolizasCobroD(), nullptr);
  const std::string text =
      "SELECT " + kCamposCobro +
      " FROM soldendoso e, soldinciso i, cotccotizagrl c, solmconstancia t WHERE  e.pkconstancia"
      " = i.pkconstancia and e.pkinciso = i.pkinciso and e.pkconstancia = t.pkconstancia and "
      "t.pkcotizacion = c.pkcotizacion and e.cobroAseg > 0";
  EXPECT_EQ(env.statements(), std::vector<std::string>{text});
  db->answer(text, one("pkconstancia", int32_t{5}));
  RecordsetRef rs = cat->getPolizasCobroD();
  ASSERT_TRUE(rs);
  EXPECT_EQ(rs->lockType(), adLockReadOnly);
}

TEST_F(CertificateStatements, NextPaymentKeyLimits) {
  const std::string text = "select max(pkpagoendoso) as maxPago FROM SOLRPAGOSENDOSO";
  // No row at all: 0.
  EXPECT_EQ(cat->getNextPkPago(), 0);
  EXPECT_EQ(env.statements(), std::vector<std::string>{text});
  db->answer(text, one("maxPago", Null{}));
  EXPECT_EQ(cat->getNextPkPago(), 1);
  db->answer(text, one("maxPago", int32_t{41}));
  EXPECT_EQ(cat->getNextPkPago(), 42);
  db->answer(text, one("maxPago", int32_t{32766}));
  EXPECT_EQ(cat->getNextPkPago(), 32767);
  EXPECT_TRUE(env.logLines().empty());
  db->answer(text, one("maxPago", int32_t{32767}));
  Error e = errorOf([&] { cat->getNextPkPago(); });
  EXPECT_EQ(e.number(), 6);
  EXPECT_EQ(logged(), std::vector<std::string>{"KORVANDA.clsCatValida.getNextPkFondo"});
  EXPECT_EQ(siguientePkPago(Variant("99")), 100);
  EXPECT_EQ(errorOf([] { siguientePkPago(Variant(int32_t{INT32_MAX})); }).number(), 6);
}

// A payment as the application fills it (field order and extra fields do not matter).
RecordsetRef pago(Variant poliza, Variant fecha) {
  return makeRecordset(
      {"intNumPago", "extra", "pkpagoendoso", "intpkendoso", "strpkpoliza", "intpkinciso",
       "dblPrimaCaseg", "dblPrimaCgobFed", "dblPrimaCtotal", "dteFechaPago", "dblHectareas",
       "dblTipoCambio", "intMoneda"},
      {{int32_t{2}, "x", int32_t{17}, int32_t{3}, std::move(poliza), int32_t{1}, 1250.5, 3000.25,
        4250.75, std::move(fecha), 12.5, 1.0, int32_t{1}}});
}

TEST_F(CertificateStatements, StoringAPaymentWritesEachValueByItsType) {
  const Date fecha = dateFromParts(2026, 3, 5);
  EXPECT_TRUE(cat->savePagoEndoso(pago(int32_t{1001}, fecha)));
  EXPECT_TRUE(cat->savePagoEndoso(pago("1001", fecha)));
  EXPECT_TRUE(cat->savePagoEndoso(pago("10'01", "2026-03-05")));
  EXPECT_TRUE(cat->savePagoEndoso(pago(Null{}, dateFromParts(2026, 3, 5, 14, 30, 0))));
  EXPECT_TRUE(cat->savePagoEndoso(pago(int32_t{1001}, "el 5 de marzo")));
  EXPECT_EQ(env.statements(),
            (std::vector<std::string>{
                // A numeric certificate key: the same text as ever.
                "INSERT INTO solrpagoendoso  values( 17, 1001, 3, 1, 1250.5, 3000.25, 4250.75, "
                "'05/03/2026', 12.5, 1, 1, 2 )",
                "INSERT INTO solrpagoendoso  values( 17, '1001', 3, 1, 1250.5, 3000.25, 4250.75, "
                "'05/03/2026', 12.5, 1, 1, 2 )",
                "INSERT INTO solrpagoendoso  values( 17, '10''01', 3, 1, 1250.5, 3000.25, 4250.75, "
                "'05/03/2026', 12.5, 1, 1, 2 )",
                "INSERT INTO solrpagoendoso  values( 17, NULL, 3, 1, 1250.5, 3000.25, 4250.75, "
                "'05/03/2026 14:30:00', 12.5, 1, 1, 2 )",
                // A text that reads as no date is left to the database, quoted.
                "INSERT INTO solrpagoendoso  values( 17, 1001, 3, 1, 1250.5, 3000.25, 4250.75, "
                "'el 5 de marzo', 12.5, 1, 1, 2 )"}));
}

TEST_F(CertificateStatements, StoringAPaymentWithoutAFieldSendsNothing) {
  RecordsetRef rs = makeRecordset({"pkpagoendoso", "strpkpoliza"}, {{int32_t{1}, "5"}});
  Error e = errorOf([&] { cat->savePagoEndoso(rs); });
  EXPECT_EQ(e.number(), 3265);
  EXPECT_TRUE(env.statements().empty());
  EXPECT_EQ(logged(), std::vector<std::string>{"KORVANDA.clsCatValida.savePagoEndoso"});
  EXPECT_EQ(errorOf([&] { cat->savePagoEndoso(nullptr); }).number(), 424);
  // Rejected by the database: the generic insert's line, then this member's.
  env.clearLogs();
  db->fail("INSERT INTO solrpagoendoso  values( 17, 1001, 3, 1, 1250.5, 3000.25, 4250.75, "
           "'05/03/2026', 12.5, 1, 1, 2 )",
           Error(-2147217873, "Provider", "duplicate key"));
  EXPECT_EQ(errorOf([&] { cat->savePagoEndoso(pago(int32_t{1001}, dateFromParts(2026, 3, 5))); })
                .number(),
            -2147217873);
  EXPECT_EQ(logged(), (std::vector<std::string>{"KORVANDA.clsCatValida.Insertar",
                                                 "KORVANDA.clsCatValida.savePagoEndoso"}));
}

TEST_F(CertificateStatements, FindingPaymentsRefusesACertificateThatIsNotANumber) {
  EXPECT_EQ(cat->findPagoEndoso("1001", 3, 70000, 2), nullptr);
  EXPECT_EQ(env.statements(),
            std::vector<std::string>{"SELECT * from SOLRPAGOSENDOSO WHERE pkconstancia=1001 AND "
                                     "pkendoso=3 AND pkinciso=70000 AND numeroPago=2"});
  for (const char* bad : {"1 OR 1=1", "10'01", "", "1001;DROP TABLE solrpagoendoso", "abc"}) {
    env.clearLogs();
    Error e = errorOf([&] { cat->findPagoEndoso(bad, 3, 1, 2); });
    EXPECT_EQ(e.number(), 13) << bad;
    EXPECT_NE(e.description().find("pstrConstancia"), std::string::npos) << e.description();
    EXPECT_EQ(logged(), std::vector<std::string>{"KORVANDA.clsCatValida.findPagoEndos"});
  }
  EXPECT_EQ(env.statements().size(), 1u);
}

// ---- claims export staging

TEST_F(CertificateStatements, ConsecutiveEmptiesTheSlotBelowTwoRows) {
  const std::string count = "select count(pkConsec) as maxConsec from SUBMCONSECEXPFC ";
  const std::pair<int32_t, bool> cases[] = {{0, true}, {1, true}, {2, false}, {40, false}};
  for (auto [rows, emptied] : cases) {
    slot::current() = db;
    db->answer(count, one("maxConsec", rows));
    EXPECT_EQ(cat->getPkConsecFc(), rows + 1);
    EXPECT_EQ(slot::current() == nullptr, emptied) << rows;
  }
  // No row at all: 1, and the slot is emptied.
  auto other = ScriptedConnection::create();
  slot::current() = other;
  EXPECT_EQ(cat->getPkConsecFc(), 1);
  EXPECT_EQ(slot::current(), nullptr);
  EXPECT_EQ(other->received(), std::vector<std::string>{count});
  EXPECT_EQ(env.statements().front(), count);

  slot::current() = db;
  db->answer(count, one("maxConsec", int32_t{INT32_MAX}));
  EXPECT_EQ(errorOf([&] { cat->getPkConsecFc(); }).number(), 6);
  EXPECT_EQ(logged(), std::vector<std::string>{"KORVANDA.clsCatValida.getPkConsecFc"});
}

TEST_F(CertificateStatements, StagingRowRunsOnTheConnectionItTook) {
  const std::string count = "select count(pkConsec) as maxConsec from SUBMCONSECEXPFC ";
  db->answer(count, one("maxConsec", int32_t{4}));
  EXPECT_TRUE(cat->InsertDatosExpFc(ConsecutivoFc, "F01", 1, 2, 2020));
  // One row: the slot is emptied by the consecutive, the insert still runs on db.
  db->answer(count, one("maxConsec", int32_t{1}));
  EXPECT_TRUE(cat->InsertDatosExpFc(ConsecutivoFc, "O'Brien", -1, 1, 2021));
  EXPECT_EQ(slot::current(), nullptr);
  EXPECT_EQ(db->received(),
            (std::vector<std::string>{
                count, "INSERT INTO SUBMCONSECEXPFC VALUES ( 5,'F01',1,2,2020,1)",
                count, "INSERT INTO SUBMCONSECEXPFC VALUES ( 2,'O''Brien',-1,1,2021,1)"}));
  EXPECT_EQ(env.statements(), db->received());
}

TEST_F(CertificateStatements, StagingRowIntoAnotherCatalogTakesTheConsecutiveTable) {
  db->answer("select count(pkConsec) as maxConsec from SUBMCONSECEXPFC ",
             one("maxConsec", int32_t{9}));
  EXPECT_TRUE(cat->InsertDatosExpFc(Status, "F02", 2, 1, 2019));
  EXPECT_EQ(db->received().back(), "INSERT INTO SUBCSTATUS VALUES ( 10,'F02',2,1,2019,1)");
}

TEST_F(CertificateStatements, StagingRowFailures) {
  const std::string count = "select count(pkConsec) as maxConsec from SUBMCONSECEXPFC ";
  // An identifier that names no catalog: refused before anything is counted.
  Error e = errorOf([&] { cat->InsertDatosExpFc(99, "F01", 1, 2, 2020); });
  EXPECT_EQ(e.number(), -2147220503);
  EXPECT_TRUE(db->received().empty());
  EXPECT_EQ(errorOf([&] { cat->InsertDatosExpFc(70000, "F01", 1, 2, 2020); }).number(), 6);
  // The consecutive fails: logged under both labels, nothing inserted.
  env.clearLogs();
  db->fail(count, Error(-2147217865, "Provider", "no such table"));
  EXPECT_EQ(errorOf([&] { cat->InsertDatosExpFc(ConsecutivoFc, "F01", 1, 2, 2020); }).number(),
            -2147217865);
  EXPECT_EQ(db->received(), std::vector<std::string>{count});
  EXPECT_EQ(logged(), (std::vector<std::string>{"KORVANDA.clsCatValida.getPkConsecFc",
                                                 "KORVANDA.clsCatValida.InsertDatosExpFc"}));
}

TEST_F(CertificateStatements, AnnexHFundsQueryCarriesCrLf) {
  cat->getFondosAnexoH(2025, 2026);
  EXPECT_EQ(env.statements(),
            std::vector<std::string>{"SELECT CveFondo, CicloIni, CicloFin, FechaInicio, "
                                     "FechaLimite\r\nFROM SUBCFONDOSANEXOH\r\nWHERE CicloIni = "
                                     "2025 AND CicloFin = 2026"});
}

}  // namespace
