// Reference lookups against fixture rows: statement texts, results, and where "no object"
// and "empty record set" come back.
#include <gtest/gtest.h>

#include "component/ModGlobal.h"
#include "korvanda/clsCatValida.h"
#include "lookups/lookups_support.h"
#include "support/fixture.h"

namespace korvanda {
namespace {

using testing::Environment;
using testing::errorOf;
using testing::ScriptedConnection;
using testing::sqliteExec;

// Rows of a record set as "a|b" texts, Null as "<null>".
std::vector<std::string> rowsOf(const RecordsetRef& rs) {
  std::vector<std::string> out;
  for (rs->moveFirst(); !rs->eof(); rs->moveNext()) {
    std::string row;
    for (size_t c = 0; c < rs->fieldCount(); ++c) {
      Variant v = rs->value(c);
      row += (c ? "|" : "") + (v.isNull() ? std::string("<null>") : toText(v));
    }
    out.push_back(row);
  }
  return out;
}

class Lookups : public ::testing::Test {
 protected:
  void SetUp() override {
    sqliteExec(env.databasePath(), R"(
      INSERT INTO COTCCOTIZAGRL (PkCotizacion) VALUES (100), (200);
      INSERT INTO COTCCOTIZARGO (pkcotizacion, pkriesgo) VALUES (100, 3), (100, 1);
      INSERT INTO CATCTIPOENDOSO (pkTipoEndoso, CveTipoEndoso, nomTipoEndoso) VALUES
        (1, 1, 'Aumento'), (2, 2, 'Baja');
      INSERT INTO CATRCLASIFICAENDOSO (pkendoso, clasificacion) VALUES (1, 4), (2, 5);
      INSERT INTO CATRENDOSORAMO (cveTipoEndoso, cveRamo) VALUES (2, 1), (1, 1), (1, 2);
      INSERT INTO CATCESPECIES (pkespecie, cveEspecie, nomEspecie) VALUES (1, 1, 'Bovino'), (2, 2, 'Ovino');
      INSERT INTO CATRESPECIEUMEDIDA (pkespecie, unidadmedida) VALUES (1, 'Cabeza');
      INSERT INTO CATCRIESGOS (PKRiesgo, cveRiesgo, NomRiesgo) VALUES
        (1, 1, 'Sequia'), (2, 2, 'Helada'), (3, 3, 'Granizo');
      INSERT INTO CATRRIESGORAMO (pkriesgo, pkramo) VALUES (1, 1), (3, 1), (2, 2);
      INSERT INTO CATCCLIENTES (PkCedente, cveCte, cveFondo, NomCliente) VALUES
        (7, 70, 'F07', 'Fondo'), (8, 80, 'O''Brien', 'Fondo Q');
      INSERT INTO CATDCONSEJOCEDENTE (pkcedente, apPatPdte, apMatPdte, nomPdte) VALUES
        (7, 'Lopez', 'Diaz', 'Ana'), (8, 'Ruiz', NULL, 'Luis');
      INSERT INTO COTDPAQUETESRIESGOS (Cvepaquete, listariesgos) VALUES
        ('PQ1', '1,3'), ('PQ''X', '2'), ('NUL', NULL);
      INSERT INTO CATCTIPOCULTIVO (PKTipoCultivo, NomTipoCultivo, PKTipoPractica) VALUES (4, 'Riego', 2);
      INSERT INTO CATCLOCALIDAD (PkEstado, CveMunicipio, CveLocalidad, NomLocalidad, Agregada) VALUES
        (5, 7, '0001', 'Centro', 0), (5, 7, '0002', 'Nueva', 1), (5, 7, '00''3', 'Rara', 1),
        (5, 7, '0300', 'Mala', 300);
      INSERT INTO FONMPROGRAMAS (PkPrograma, PkCedente, CicloIni, CicloFin, PkProducto) VALUES
        (1, 7, 2006, 2007, 9);
      INSERT INTO SOLMCONSTANCIA (PkConstancia, CveConstancia, PkPrograma) VALUES (1, 55, 1);
    )");
    env.clearTrace();
  }
  std::shared_ptr<ScriptedConnection> scriptedSlot() {
    auto c = ScriptedConnection::create();
    slot::current() = c;
    return c;
  }

  Environment env{{.database = true, .demo = false, .registry = true}};
  clsCatValida cat;
};

TEST_F(Lookups, SubsidyPercentageIsAlwaysZeroWithoutAQuery) {
  EXPECT_EQ(cat.getPorcentajeSubsidio(5, 12), 0);
  EXPECT_EQ(cat.getPorcentajeSubsidio(-1, 0), 0);
  EXPECT_TRUE(env.statements().empty());
}

TEST_F(Lookups, QuotationRisksComeAsARecordSetEvenWhenEmpty) {
  RecordsetRef rs = cat.getRiesgosDeConstancias(100);
  ASSERT_NE(rs, nullptr);
  EXPECT_EQ(rowsOf(rs), (std::vector<std::string>{"1|100", "3|100"}));
  EXPECT_EQ(rs->lockType(), adLockOptimistic);
  RecordsetRef none = cat.getRiesgosDeConstancias(200);
  ASSERT_NE(none, nullptr);
  EXPECT_TRUE(none->eof() && none->bof());
  EXPECT_EQ(env.statements()[0],
            "select r.pkriesgo, t.pkcotizacion from cotccotizargo r, cotccotizagrl t Where "
            "t.pkcotizacion=100 and t.pkcotizacion = r.pkcotizacion  order by r.pkriesgo");
}

TEST_F(Lookups, FindQueryLookupsGiveNoObjectWithoutRows) {
  EXPECT_EQ(rowsOf(cat.getCatEndososCondition(1)),
            (std::vector<std::string>{"1|Aumento|4", "2|Baja|5"}));
  EXPECT_EQ(cat.getCatEndososCondition(9), nullptr);
  EXPECT_EQ(rowsOf(cat.getCatEspeciesCondition()), std::vector<std::string>{"1|Bovino|Cabeza"});
  EXPECT_EQ(rowsOf(cat.getUnidadMedidaEspecie(1)), std::vector<std::string>{"Cabeza"});
  EXPECT_EQ(cat.getUnidadMedidaEspecie(2), nullptr);
  RecordsetRef risks = cat.getListRiesgosRamo(1);
  EXPECT_EQ(rowsOf(risks), (std::vector<std::string>{"1|Sequia", "3|Granizo"}));
  EXPECT_EQ(risks->lockType(), adLockReadOnly);
  EXPECT_EQ(cat.getListRiesgosRamo(5), nullptr);
  EXPECT_EQ(env.statements(),
            (std::vector<std::string>{
                "SELECT  e.pkTipoEndoso, e.nomTipoEndoso, c.clasificacion FROM  catctipoendoso e, "
                "catrclasificaendoso c WHERE  e.pkTipoEndoso in ( select cveTipoEndoso from "
                "CATRENDOSORAMO where cveRamo = 1) and e.pkTipoEndoso = c.pkendoso ORDER BY "
                "e.pkTipoEndoso",
                "SELECT  e.pkTipoEndoso, e.nomTipoEndoso, c.clasificacion FROM  catctipoendoso e, "
                "catrclasificaendoso c WHERE  e.pkTipoEndoso in ( select cveTipoEndoso from "
                "CATRENDOSORAMO where cveRamo = 9) and e.pkTipoEndoso = c.pkendoso ORDER BY "
                "e.pkTipoEndoso",
                "SELECT  e.pkespecie, e.nomEspecie, u.unidadmedida FROM  catcespecies e, "
                "catrespecieumedida u WHERE  e.pkespecie = u.pkespecie ORDER BY e.pkespecie",
                "SELECT unidadmedida from CATRESPECIEUMEDIDA WHERE pkespecie=1",
                "SELECT unidadmedida from CATRESPECIEUMEDIDA WHERE pkespecie=2",
                "SELECT  PKRiesgo, NomRiesgo  FROM  CATCRIESGOS WHERE  pkriesgo in (select "
                "pkriesgo from CATRRIESGORAMO where pkramo=1) ORDER BY pkriesgo",
                "SELECT  PKRiesgo, NomRiesgo  FROM  CATCRIESGOS WHERE  pkriesgo in (select "
                "pkriesgo from CATRRIESGORAMO where pkramo=5) ORDER BY pkriesgo"}));
}

TEST_F(Lookups, CouncilPresidentByFundKeyWithQuotesKeptInside) {
  RecordsetRef rs = cat.getPresidenteConsejo("F07");
  ASSERT_NE(rs, nullptr);
  EXPECT_EQ(toText(rs->value("paterno")), "Lopez");
  EXPECT_EQ(toText(rs->value("materno")), "Diaz");
  EXPECT_EQ(toText(rs->value("nombre")), "Ana");
  EXPECT_EQ(rowsOf(cat.getPresidenteConsejo("O'Brien")), std::vector<std::string>{"Ruiz|<null>|Luis"});
  EXPECT_EQ(cat.getPresidenteConsejo("x' OR '1'='1"), nullptr);
  const std::string head =
      "SELECT t.apPatPdte as paterno, t.apMatPdte as materno, t.nomPdte as nombre  FROM "
      "CATDCONSEJOCEDENTE t, CATCCLIENTES c WHERE t.pkcedente = c.pkcedente AND c.cveFondo=";
  EXPECT_EQ(env.statements(), (std::vector<std::string>{head + "'F07'", head + "'O''Brien'",
                                                        head + "'x'' OR ''1''=''1'"}));
}

TEST_F(Lookups, RiskListTakesOnlyIntegerKeys) {
  EXPECT_EQ(rowsOf(cat.getListaRiesgosIN("1, 3")), (std::vector<std::string>{"1|1", "3|1"}));
  RecordsetRef none = cat.getListaRiesgosIN(" 2 ");
  ASSERT_NE(none, nullptr);
  EXPECT_TRUE(none->eof());
  EXPECT_EQ(env.statements(),
            (std::vector<std::string>{
                "select * from CATRRIESGORAMO where pkRiesgo in (1, 3) And pkramo = 1",
                "select * from CATRRIESGORAMO where pkRiesgo in ( 2 ) And pkramo = 1"}));
  env.clearTrace();

  Error empty = errorOf([&] { cat.getListaRiesgosIN(""); });
  EXPECT_EQ(empty.number(), kAppError1002);
  EXPECT_EQ(empty.source(), ".getListaRiesgosIN");
  EXPECT_EQ(empty.description(), "La lista de riesgos esta vacia");
  for (const char* bad : {"1) OR (1=1", "1,,2", "1,", ",1", "a", "1 2", "1;DROP TABLE CATCRIESGOS", "-"}) {
    Error e = errorOf([&] { cat.getListaRiesgosIN(bad); });
    EXPECT_EQ(e.number(), kAppError1002) << bad;
    EXPECT_EQ(e.source(), ".getListaRiesgosIN");
    EXPECT_NE(e.description().find(bad), std::string::npos) << e.description();
  }
  EXPECT_TRUE(env.statements().empty());
  auto log = env.logEntries();
  ASSERT_EQ(log.size(), 9u);
  EXPECT_EQ(log[0].label, "KORVANDA.clsCatValida.getListaRiesgosIN");
  EXPECT_EQ(log[0].description, "La lista de riesgos esta vacia");
}

TEST_F(Lookups, RiskPackageTextOrItsNoRowsText) {
  EXPECT_EQ(cat.SelectRiesgos("PQ1"), "1,3");
  EXPECT_EQ(cat.SelectRiesgos("nada"), "<< No existen >>");
  EXPECT_EQ(cat.SelectRiesgos("PQ'X"), "2");
  EXPECT_EQ(errorOf([&] { cat.SelectRiesgos("NUL"); }).number(), 94);
  auto s = env.statements();
  ASSERT_EQ(s.size(), 4u);
  EXPECT_EQ(s[0], "SELECT listariesgos FROM COTDPAQUETESRIESGOS WHERE Cvepaquete = 'PQ1'");
  EXPECT_EQ(s[2], "SELECT listariesgos FROM COTDPAQUETESRIESGOS WHERE Cvepaquete = 'PQ''X'");
}

TEST_F(Lookups, PracticeTypeAndEndorsementClassReadTheFirstRowUntested) {
  EXPECT_EQ(cat.SelectTipoCultivo(4), 2);
  EXPECT_EQ(cat.getClasEndoso(2), 5);
  EXPECT_EQ(errorOf([&] { cat.SelectTipoCultivo(99); }).number(), 3021);
  EXPECT_EQ(errorOf([&] { cat.getClasEndoso(99); }).number(), 3021);
  EXPECT_EQ(env.statements(),
            (std::vector<std::string>{
                "SELECT pktipopractica FROM CATCTIPOCULTIVO WHERE pktipocultivo = 4",
                "select clasificacion from CATRCLASIFICAENDOSO where pkendoso = 2",
                "SELECT pktipopractica FROM CATCTIPOCULTIVO WHERE pktipocultivo = 99",
                "select clasificacion from CATRCLASIFICAENDOSO where pkendoso = 99"}));
  auto log = env.logEntries();
  ASSERT_EQ(log.size(), 2u);
  EXPECT_EQ(log[0].label, "KORVANDA.clsCatValida.SelectTipoCultivo");
  EXPECT_EQ(log[0].description,
            "ADO La consulta no contiene registros y los valores de EOF ó BOF se han alcanzado ó "
            "el actual registro fue borrado.");
  EXPECT_EQ(log[1].label, "KORVANDA.clsCatValida.getClasEndoso");
}

TEST_F(Lookups, LocalityStatusIsZeroWithoutARow) {
  EXPECT_EQ(cat.getEstatusLocalidad(5, 7, "0002"), 1);
  EXPECT_EQ(cat.getEstatusLocalidad(5, 7, "0001"), 0);
  EXPECT_EQ(cat.getEstatusLocalidad(5, 7, "9999"), 0);
  EXPECT_EQ(cat.getEstatusLocalidad(5, 7, "00'3"), 1);
  EXPECT_EQ(errorOf([&] { cat.getEstatusLocalidad(5, 7, "0300"); }).number(), 6);
  auto s = env.statements();
  ASSERT_EQ(s.size(), 5u);
  EXPECT_EQ(s[0], "SELECT Agregada FROM CATCLOCALIDAD WHERE PkEstado = 5 AND CveMunicipio = 7 AND CveLocalidad = '0002'");
  EXPECT_EQ(s[3], "SELECT Agregada FROM CATCLOCALIDAD WHERE PkEstado = 5 AND CveMunicipio = 7 AND CveLocalidad = '00''3'");
}

TEST_F(Lookups, ProductKeyOfACertificatesProgramme) {
  EXPECT_EQ(cat.getPkProducto(55, 2006, 2007), 9);
  EXPECT_EQ(cat.getPkProducto(55, 2005, 2007), 0);
  EXPECT_EQ(env.statements()[0],
            "SELECT P.PkProducto FROM SOLMCONSTANCIA AS C INNER JOIN FONMPROGRAMAS AS P ON "
            "C.PkPrograma = P.PkPrograma WHERE C.CveConstancia = 55 AND P.CicloIni = 2006 AND "
            "P.CicloFin = 2007");
}

TEST_F(Lookups, RejectedStatementsLeaveTheInnerLineThenTheLookups) {
  auto conn = scriptedSlot();
  const Error rejected(-2147217900, "db", "rejected");
  conn->fail("select r.pkriesgo, t.pkcotizacion from cotccotizargo r, cotccotizagrl t Where "
             "t.pkcotizacion=1 and t.pkcotizacion = r.pkcotizacion  order by r.pkriesgo",
             rejected);
  conn->fail("SELECT  e.pkespecie, e.nomEspecie, u.unidadmedida FROM  catcespecies e, "
             "catrespecieumedida u WHERE  e.pkespecie = u.pkespecie ORDER BY e.pkespecie",
             rejected);
  EXPECT_EQ(errorOf([&] { cat.getRiesgosDeConstancias(1); }).number(), rejected.number());
  EXPECT_EQ(errorOf([&] { cat.getCatEspeciesCondition(); }).number(), rejected.number());
  auto log = env.logEntries();
  ASSERT_EQ(log.size(), 4u);
  EXPECT_EQ(log[0].label, "KORVANDA.clsCatValida.Seleccionar");
  EXPECT_EQ(log[1].label, "KORVANDA.clsCatValida.getRiesgos deConstancias");
  EXPECT_EQ(log[2].label, "KORVANDA.clsCatValida.FindQuery");
  EXPECT_EQ(log[3].label, "KORVANDA.clsCatValida.");
}

}  // namespace
}  // namespace korvanda
