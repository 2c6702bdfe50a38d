// The certificate members on the embedded engine: their statements (fixed texts, checked in
// the golden file) select, mark and unmark the right rows of a small data set.
#include <gtest/gtest.h>

#include "fixture.h"
#include "korvanda/clsCatValida.h"
#include "korvanda/textform.h"
#include "support/fixture.h"

namespace korvanda::sqlite::test {
namespace {

std::string s(int v) { return std::to_string(v); }

// Certificate 1001 (fund 1, cycle Y/Y) with item 1: an initial movement and endorsements of
// type 1 numbered 5 and 6, all paid in March; certificate 1002 of the same fund with its initial
// movement paid; certificate 2001 of fund 2.
class Certificates : public ::testing::Test {
 protected:
  void SetUp() override {
    const std::string v = "'01/03/" + y_ + "'";
    auto movement = [&](int pk, int cons, int cve, int tipo, int cedente) {
      return "SET DATEFORMAT DMY INSERT INTO SOLDENDOSO (PkEndoso, pkconstancia, PkInciso, CveEndoso, "
             "PkTipoEndoso, PkCedente, PkEstado, PkMunicipio, PkCotizacion, PkSocioSubsidio, VigenciaIni, "
             "VigenciaFin, SuperficieAseg, SumaAsegTotal, PrimaAseg, PrimaGobFed, PrimaTotal) VALUES (" +
             s(pk) + ", " + s(cons) + ", " + s(cons) + ", " + s(cve) + ", " + s(tipo) + ", " + s(cedente) +
             ", 14, 53, 1, 1, " + v + ", " + v + ", 10.5, 100000, 1000.10, 500.05, 1500.15)";
    };
    auto payment = [&](int inciso, int endoso) {
      return "INSERT INTO SICIMCOBRANZA (PKInciso, PkEndoso, fechaPago, TipoCambio) VALUES (" + s(inciso) +
             ", " + s(endoso) + ", '15/03/" + y_ + "', 1)";
    };
    const std::string inciso = "INSERT INTO SOLDINCISO (PkInciso, PkConstancia, CveInciso, PkCedente, PkSocio, "
                               "PkEstado, PkMunicipio) VALUES ";
    for (const std::string& sql : std::vector<std::string>{
             "INSERT INTO FONMPROGRAMAS VALUES (10, 1, " + y_ + ", " + y_ + ", 1, 1, 1)",
             "INSERT INTO FONMPROGRAMAS VALUES (20, 2, " + y_ + ", " + y_ + ", 1, 1, 1)",
             "INSERT INTO COTCCOTIZAGRL VALUES (1, 'BASICO', " + y_ + ", " + y_ + ", 1, 1)",
             "INSERT INTO SOLMCONSTANCIA VALUES (1, 1001, 10, 1), (2, 1002, 10, 1), (3, 2001, 20, 1)",
             "INSERT INTO SICICSOCIOS (PkCedente, PkSocio, PkTipoSocio, Paterno, Materno, Nombre, CURP, RFC, "
             "NoExt, NoExtAlf, NoInt, NoIntAlf, TipoVialidad1, NomVialidad1, TipoVialidad2, NomVialidad2, "
             "TipoVialidadPosterior) VALUES (1, 1, 1, 'PEREZ', 'LOPEZ', 'JUAN', 'PELJ800101HJCRPN01', "
             "'PELJ800101AB1', '12', 'B', '3', '', 'AV', 'Juárez', 'CALL', 'Hidalgo', '')",
             "INSERT INTO SICICSOCIOS (PkCedente, PkSocio, PkTipoSocio, Paterno) VALUES (2, 1, 2, 'RUIZ')",
             inciso + "(1, 1, 1, 1, 1, 14, 53), (2, 2, 1, 1, 1, 14, 53), (3, 3, 1, 2, 1, 14, 53)",
             movement(11, 1, 0, 0, 1), movement(12, 1, 5, 1, 1), movement(13, 1, 6, 1, 1),
             movement(21, 2, 0, 0, 1), movement(31, 3, 0, 0, 2),
             payment(1, 0), payment(1, 12), payment(1, 13), payment(2, 0), payment(3, 0)})
      conn_->execute(sql);
  }
  // EnviadoSubsidio of the collection of an item and endorsement key.
  int sent(int inciso, int endoso) {
    return toBool(conn_->execute("SELECT EnviadoSubsidio FROM SICIMCOBRANZA WHERE PKInciso = " + s(inciso) +
                                 " AND PkEndoso = " + s(endoso))->value(size_t{0}));
  }
  // (certificate, endorsement number) of March's selection.
  std::vector<std::pair<int, int>> selected() {
    std::vector<std::pair<int, int>> out;
    for (auto rs = cat_->getConstanciasSubD(3, 1, year_, year_, 3); !rs->eof(); rs->moveNext())
      out.push_back({toInt32(rs->value("PkConstancia")), toInt32(rs->value(size_t{1}))});
    std::sort(out.begin(), out.end());
    return out;
  }

  korvanda::testing::Environment env_;
  int16_t year_ = static_cast<int16_t>(splitDate(now()).year);
  std::string y_ = s(year_);
  std::shared_ptr<clsCatValida> cat_ = clsCatValida::create();
  ConnectionRef conn_ = cat_->getConexion();
};

TEST_F(Certificates, TheMonthlySelectionFindsThePaidMovementsNotSent) {
  EXPECT_EQ(selected(), (std::vector<std::pair<int, int>>{{1001, 0}, {1001, 5}, {1001, 6}, {1002, 0}}));
  auto rs = cat_->getConstanciasSubD(3, 1, year_, year_, 3);
  ASSERT_EQ(rs->fieldCount(), 54u);
  EXPECT_EQ(rs->field(29).name, "");
  EXPECT_EQ(rs->field(31).name, "PkEndoso");
  EXPECT_EQ(rs->field(52).name, "PkEndoso");
  EXPECT_EQ(rs->field(10).type, adVarChar);
  EXPECT_EQ(toText(rs->value("Ciclo")), y_ + "/" + y_);
  EXPECT_EQ(toText(rs->value("NumExterior1")), "12 B");
  EXPECT_EQ(toText(rs->value("EntreVialidades")), "Avenida Juárez Y Calle Hidalgo");
  EXPECT_EQ(toText(rs->value("VialidadPosterior")), "");
  EXPECT_EQ(toText(rs->value("Identificacion")), "PELJ800101HJCRPN01");
  EXPECT_EQ(formatDecimal(toDecimal(rs->value("PrimaEmitidoGobFederal"))), "500.05");
  EXPECT_EQ(toInt32(rs->value("AnioVigenciaMovInicial")), year_);
  // Payments after the close of the month asked for are not due yet.
  EXPECT_TRUE(cat_->getConstanciasSubD(2, 1, year_, year_, 2)->eof());
}

TEST_F(Certificates, TheProcedureMarksWhatTheUnmarkingUnmarks) {
  EXPECT_TRUE(cat_->ActualizaStatusSubsidio("1001", "1", 0, 1, year_, year_, conn_));
  EXPECT_EQ(sent(1, 0), 1);
  EXPECT_EQ(sent(1, 12) + sent(1, 13) + sent(2, 0) + sent(3, 0), 0);
  EXPECT_TRUE(cat_->ActualizaStatusSubsidio("1001", "1", 1, 1, year_, year_, conn_));
  EXPECT_EQ(sent(1, 12) + sent(1, 13), 2);
  EXPECT_EQ(selected(), (std::vector<std::pair<int, int>>{{1002, 0}}));
  // Another fund or cycle marks nothing.
  cat_->ActualizaStatusSubsidio("1002", "1", 0, 2, year_, year_, conn_);
  cat_->ActualizaStatusSubsidio("1002", "1", 0, 1, 1999, 1999, conn_);
  EXPECT_EQ(sent(2, 0), 0);
  // The register of March names the initial movement and endorsement number 5: number 6 stays.
  EXPECT_TRUE(cat_->insertEnviado("1001", "0", 0, 1, 3, year_, 1, year_, year_, conn_));
  EXPECT_TRUE(cat_->insertEnviado("1001", "5", 1, 1, 3, year_, 1, year_, year_, conn_));
  EXPECT_TRUE(cat_->getDesmarcaConstanciasSubD(3, 1, year_, year_, 3));
  EXPECT_EQ(sent(1, 0) + sent(1, 12), 0);
  EXPECT_EQ(sent(1, 13), 1);
  EXPECT_EQ(selected(), (std::vector<std::pair<int, int>>{{1001, 0}, {1001, 5}, {1002, 0}}));
  EXPECT_TRUE(cat_->getConstanciasEnviadas(1, 3, year_, year_)->eof());
}

TEST_F(Certificates, TheProcedureRefusesBadArguments) {
  auto failure = [&](const std::string& sql) { return korvanda::testing::errorOf([&] { conn_->execute(sql); }); };
  EXPECT_EQ(failure("EXEC EstatusEnviadoSubsidio 2026, 2026, 1001").description(),
            "Procedure or function 'EstatusEnviadoSubsidio' expects 6 arguments (cicloIni, cicloFin, "
            "cveConstancia, cveInciso, tipoEndoso, pkCedente); 3 were given.");
  Error e = failure("EXEC EstatusEnviadoSubsidio 2026, 2026, abc, 1, 0, 1");
  EXPECT_EQ(e.number(), kErrStatement);
  EXPECT_EQ(e.description(),
            "Error converting data type varchar to int: argument 3 of EstatusEnviadoSubsidio is 'abc'.");
  EXPECT_EQ(sent(1, 0), 0);
}

TEST_F(Certificates, ClaimsOfASemesterWithCoordinates) {
  const std::string adjust = "INSERT INTO SINMAJUSTESIN (PKInciso, PkRiesgo, SupSinPP, SupSinPT, IndemNetaPP, "
                             "IndemNetaPT, fechaPago, StatusAprobado) VALUES ";
  conn_->execute(adjust + "(1, 1, 1.1, 2.2, 1000.10, 0.20, '20/05/" + y_ + "', 1), (2, 1, 0, 0, 0, 0, '20/05/" +
                 y_ + "', 0), (2, 1, 0, 0, 0, 0, '20/08/" + y_ + "', 1)");
  conn_->execute("INSERT INTO SUBDCOORDENADASFC VALUES (" + y_ + ", " + y_ + ", 1001, 1, '20.66,-103.35')");
  auto rs = cat_->getConstanciasSinD(1, year_, 1);
  ASSERT_EQ(rs->recordCount(), 1);
  ASSERT_EQ(rs->fieldCount(), 23u);
  EXPECT_EQ(toInt32(rs->value("constancia")), 1001);
  EXPECT_EQ(toText(rs->value("NomEstado")), "Jalisco");
  EXPECT_EQ(toText(rs->value("NomMunicipio")), "Guadalajara");
  EXPECT_EQ(formatDecimal(toDecimal(rs->value("SupSiniestrada"))), "3.3");
  EXPECT_EQ(formatDecimal(toDecimal(rs->value("Indemnizacion"))), "1000.3");
  EXPECT_EQ(toText(rs->value("Coordenadas")), "20.66,-103.35");
  EXPECT_EQ(cat_->getConstanciasSinD(2, year_, 1)->recordCount(), 1);
}

}  // namespace
}  // namespace korvanda::sqlite::test
