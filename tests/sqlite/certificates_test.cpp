// The certificate members on the embedded engine: their statements (fixed texts, checked in
// the golden file) select, mark and unmark the right rows of a small data set.
#include <gtest/gtest.h>

#include <fstream>

#include "fixture.h"
#include "korvanda/clsCatValida.h"
#include "korvanda/textform.h"
#include "support/fixture.h"

namespace korvanda::sqlite::test {
namespace {

std::string s(int v) { return std::to_string(v); }

// The data set of tests/golden/sqlite/certificates.sql.
class Certificates : public ::testing::Test {
 protected:
  void SetUp() override {
    std::ifstream in(KORVANDA_SOURCE_DIR "/tests/golden/sqlite/certificates.sql");
    for (std::string line; std::getline(in, line);) {
      for (size_t at; (at = line.find("${Y}")) != std::string::npos;) line.replace(at, 4, y_);
      if (!line.empty() && !line.starts_with("--")) conn_->execute(line);
    }
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
  auto failure = [&](const std::string& sql) {
    return korvanda::testing::errorOf([&] { conn_->execute(sql); });
  };
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
