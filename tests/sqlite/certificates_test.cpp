#include <gtest/gtest.h>

#include "fixture.h"
#include "korvanda/textform.h"
#include "statements.h"

namespace korvanda::sqlite::test {
namespace {

// Certificate 1001 (fund 1, cycle Y/Y) with item 1: an initial movement and an endorsement of
// type 1 (number 5) paid in March, and a second endorsement of type 1 (number 6) paid too;
// certificate 1002 of the same fund with its initial movement paid; certificate 2001 of fund 2.
class Certificates : public DemoDatabaseTest {
 protected:
  void SetUp() override {
    DemoDatabaseTest::SetUp();
    year_ = splitDate(now()).year;
    y_ = std::to_string(year_);
    const std::string v = "'01/03/" + y_ + "'";
    for (const std::string& sql : std::vector<std::string>{
             "INSERT INTO FONMPROGRAMAS VALUES (10, 1, " + y_ + ", " + y_ + ", 1, 1, 1)",
             "INSERT INTO FONMPROGRAMAS VALUES (20, 2, " + y_ + ", " + y_ + ", 1, 1, 1)",
             "INSERT INTO COTCCOTIZAGRL VALUES (1, 'BASICO', " + y_ + ", " + y_ + ", 1, 1)",
             "INSERT INTO SOLMCONSTANCIA VALUES (1, 1001, 10, 1)",
             "INSERT INTO SOLMCONSTANCIA VALUES (2, 1002, 10, 1)",
             "INSERT INTO SOLMCONSTANCIA VALUES (3, 2001, 20, 1)",
             "INSERT INTO SICICSOCIOS (PkCedente, PkSocio, PkTipoSocio, Paterno, Materno, Nombre, CURP, RFC, NoExt, NoExtAlf, "
             "NoInt, NoIntAlf, TipoVialidad1, NomVialidad1, TipoVialidad2, NomVialidad2, TipoVialidadPosterior) VALUES "
             "(1, 1, 1, 'PEREZ', 'LOPEZ', 'JUAN', 'PELJ800101HJCRPN01', 'PELJ800101AB1', '12', 'B', '3', '', 'AV', 'Juárez', "
             "'CALL', 'Hidalgo', '')",
             "INSERT INTO SICICSOCIOS (PkCedente, PkSocio, PkTipoSocio, Paterno) VALUES (2, 1, 2, 'RUIZ')",
             "INSERT INTO SOLDINCISO (PkInciso, PkConstancia, CveInciso, PkCedente, PkSocio, PkEstado, PkMunicipio) VALUES (1, 1, 1, 1, 1, 14, 53)",
             "INSERT INTO SOLDINCISO (PkInciso, PkConstancia, CveInciso, PkCedente, PkSocio, PkEstado, PkMunicipio) VALUES (2, 2, 1, 1, 1, 14, 53)",
             "INSERT INTO SOLDINCISO (PkInciso, PkConstancia, CveInciso, PkCedente, PkSocio, PkEstado, PkMunicipio) VALUES (3, 3, 1, 2, 1, 14, 53)",
             movement(11, 1, 1, 0, 0, 1, v), movement(12, 1, 1, 5, 1, 1, v), movement(13, 1, 1, 6, 1, 1, v),
             movement(21, 2, 2, 0, 0, 1, v), movement(31, 3, 3, 0, 0, 2, v),
             payment(1, 0), payment(1, 12), payment(1, 13), payment(2, 0), payment(3, 0),
         })
      conn_->execute(sql);
  }
  static std::string movement(int pk, int constancia, int inciso, int cve, int tipo, int cedente, const std::string& vigencia) {
    return "SET DATEFORMAT DMY INSERT INTO SOLDENDOSO (PkEndoso, pkconstancia, PkInciso, CveEndoso, PkTipoEndoso, PkCedente, "
           "PkEstado, PkMunicipio, PkCotizacion, PkSocioSubsidio, VigenciaIni, VigenciaFin, SuperficieAseg, SumaAsegTotal, "
           "PrimaAseg, PrimaGobFed, PrimaTotal) VALUES (" + std::to_string(pk) + ", " + std::to_string(constancia) + ", " +
           std::to_string(inciso) + ", " + std::to_string(cve) + ", " + std::to_string(tipo) + ", " + std::to_string(cedente) +
           ", 14, 53, 1, 1, " + vigencia + ", " + vigencia + ", 10.5, 100000, 1000.10, 500.05, 1500.15)";
  }
  std::string payment(int inciso, int endoso) const {
    return "INSERT INTO SICIMCOBRANZA (PKInciso, PkEndoso, fechaPago, TipoCambio) VALUES (" + std::to_string(inciso) + ", " +
           std::to_string(endoso) + ", '15/03/" + y_ + "', 1)";
  }
  // EnviadoSubsidio of the collection of an item and endorsement key.
  int sent(int inciso, int endoso) {
    return toBool(scalar("SELECT EnviadoSubsidio FROM SICIMCOBRANZA WHERE PKInciso = " + std::to_string(inciso) +
                         " AND PkEndoso = " + std::to_string(endoso))) ? 1 : 0;
  }
  std::vector<std::pair<int, int>> selected() {  // (certificate, endorsement number) of the month's selection
    auto rs = rows(constanciasSubD(3, 1, year_, year_, year_));
    std::vector<std::pair<int, int>> out;
    for (rs->moveFirst(); !rs->eof(); rs->moveNext())
      out.push_back({toInt32(rs->value("PkConstancia")), toInt32(rs->value(size_t{1}))});
    std::sort(out.begin(), out.end());
    return out;
  }
  int year_ = 0;
  std::string y_;
};

TEST_F(Certificates, TheMonthlySelectionFindsThePaidMovementsNotSent) {
  EXPECT_EQ(selected(), (std::vector<std::pair<int, int>>{{1001, 0}, {1001, 5}, {1001, 6}, {1002, 0}}));
  auto rs = rows(constanciasSubD(3, 1, year_, year_, year_));
  ASSERT_EQ(rs->fieldCount(), 54u);
  EXPECT_EQ(rs->field(29).name, "");
  EXPECT_EQ(rs->field(31).name, "PkEndoso");
  EXPECT_EQ(rs->field(52).name, "PkEndoso");
  EXPECT_EQ(rs->field(10).type, adVarChar);
  rs->moveFirst();
  EXPECT_EQ(toText(rs->value("Ciclo")), y_ + "/" + y_);
  EXPECT_EQ(toText(rs->value("NumExterior1")), "12 B");
  EXPECT_EQ(toText(rs->value("EntreVialidades")), "Avenida Juárez Y Calle Hidalgo");
  EXPECT_EQ(toText(rs->value("VialidadPosterior")), "");
  EXPECT_EQ(toText(rs->value("Identificacion")), "PELJ800101HJCRPN01");
  EXPECT_EQ(formatDecimal(toDecimal(rs->value("PrimaEmitidoGobFederal"))), "500.05");
  EXPECT_EQ(toInt32(rs->value("AnioVigenciaMovInicial")), year_);
  // Payments after the close of the month asked for are not due yet.
  EXPECT_TRUE(rows(constanciasSubD(2, 1, year_, year_, year_))->eof());
}

TEST_F(Certificates, TheProcedureMarksWhatTheUnmarkingUnmarks) {
  // The initial movement of item 1 of certificate 1001.
  conn_->execute("EXEC EstatusEnviadoSubsidio " + y_ + ", " + y_ + ", 1001, 1, 0, 1");
  EXPECT_EQ(sent(1, 0), 1);
  EXPECT_EQ(sent(1, 12) + sent(1, 13) + sent(2, 0) + sent(3, 0), 0);
  // The endorsements of type 1 of that item.
  conn_->execute("EXEC EstatusEnviadoSubsidio " + y_ + ", " + y_ + ", 1001, 1, 1, 1");
  EXPECT_EQ(sent(1, 12) + sent(1, 13), 2);
  EXPECT_EQ(sent(2, 0) + sent(3, 0), 0);
  EXPECT_EQ(selected(), (std::vector<std::pair<int, int>>{{1002, 0}}));
  // Another fund or cycle marks nothing.
  conn_->execute("EXEC EstatusEnviadoSubsidio " + y_ + ", " + y_ + ", 1002, 1, 0, 2");
  conn_->execute("EXEC EstatusEnviadoSubsidio 1999, 1999, 1002, 1, 0, 1");
  EXPECT_EQ(sent(2, 0), 0);

  // Unmarking the register row of the initial movement touches only its collection.
  conn_->execute(desmarcaUpdate(year_, year_, "1001", "1", "0", "0", 1));
  EXPECT_EQ(sent(1, 0), 0);
  EXPECT_EQ(sent(1, 12) + sent(1, 13), 2);
  // Unmarking endorsement number 5 leaves number 6 marked.
  conn_->execute(desmarcaUpdate(year_, year_, "1001", "1", "1", "5", 1));
  EXPECT_EQ(sent(1, 12), 0);
  EXPECT_EQ(sent(1, 13), 1);
  EXPECT_EQ(selected(), (std::vector<std::pair<int, int>>{{1001, 0}, {1001, 5}, {1002, 0}}));
}

TEST_F(Certificates, TheProcedureRefusesBadArguments) {
  EXPECT_EQ(failure("EXEC EstatusEnviadoSubsidio 2026, 2026, 1001").description(),
            "Procedure or function 'EstatusEnviadoSubsidio' expects 6 arguments (cicloIni, cicloFin, cveConstancia, "
            "cveInciso, tipoEndoso, pkCedente); 3 were given.");
  Error e = failure("EXEC EstatusEnviadoSubsidio 2026, 2026, abc, 1, 0, 1");
  EXPECT_EQ(e.number(), kErrStatement);
  EXPECT_EQ(e.description(), "Error converting data type varchar to int: argument 3 of EstatusEnviadoSubsidio is 'abc'.");
  EXPECT_EQ(sent(1, 0), 0);
}

TEST_F(Certificates, ClaimsOfASemesterWithCoordinates) {
  for (const std::string& sql : std::vector<std::string>{
           "INSERT INTO SINMAJUSTESIN (PKInciso, PkRiesgo, SupSinPP, SupSinPT, IndemNetaPP, IndemNetaPT, fechaPago, StatusAprobado) "
           "VALUES (1, 1, 1.1, 2.2, 1000.10, 0.20, '20/05/" + y_ + "', 1)",
           "INSERT INTO SINMAJUSTESIN (PKInciso, PkRiesgo, fechaPago, StatusAprobado) VALUES (2, 1, '20/05/" + y_ + "', 0)",
           "INSERT INTO SINMAJUSTESIN (PKInciso, PkRiesgo, fechaPago, StatusAprobado) VALUES (2, 1, '20/08/" + y_ + "', 1)",
           "INSERT INTO SUBDCOORDENADASFC VALUES (" + y_ + ", " + y_ + ", 1001, 1, '20.66,-103.35')"})
    conn_->execute(sql);
  auto rs = rows(constanciasSinD(1, year_, 1));
  ASSERT_EQ(rs->recordCount(), 1);
  ASSERT_EQ(rs->fieldCount(), 23u);
  EXPECT_EQ(toInt32(rs->value("constancia")), 1001);
  EXPECT_EQ(toText(rs->value("NomEstado")), "Jalisco");
  EXPECT_EQ(toText(rs->value("NomMunicipio")), "Guadalajara");
  EXPECT_EQ(formatDecimal(toDecimal(rs->value("SupSiniestrada"))), "3.3");
  EXPECT_EQ(formatDecimal(toDecimal(rs->value("Indemnizacion"))), "1000.3");
  EXPECT_EQ(toText(rs->value("Coordenadas")), "20.66,-103.35");
  EXPECT_EQ(rows(constanciasSinD(2, year_, 1))->recordCount(), 1);
}

}  // namespace
}  // namespace korvanda::sqlite::test
