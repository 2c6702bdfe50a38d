// The sent register and the status procedure on the embedded database.
#include <gtest/gtest.h>

#include "component/ModGlobal.h"
#include "korvanda/clsCatValida.h"
#include "registration_support.h"
#include "support/fixture.h"

namespace korvanda {
namespace {

using testing::Environment;
using testing::errorOf;
using testing::ScriptedConnection;

class EnviadosTest : public ::testing::Test {
 protected:
  void SetUp() override {
    cv = clsCatValida::create();
    env.clearTrace();
  }
  int32_t count(const char* table) {
    return env.openDatabase()->query(std::string("SELECT * FROM ") + table)->recordCount();
  }

  Environment env;
  std::shared_ptr<clsCatValida> cv;
};

TEST_F(EnviadosTest, InsertEnviadoWritesARowEachTime) {
  ASSERT_TRUE(cv->insertEnviado("C'1", "E1", 2, 3, 4, 2026, 12, 2025, 2026, nullptr));
  ASSERT_TRUE(cv->insertEnviado("C'1", "E1", 2, 3, 4, 2026, 12, 2025, 2026, cv->getConexion()));
  const std::string insert =
      "INSERT INTO SUBCONSENVIADAS ( PkCedente ,poliza ,endoso ,TipoEndoso ,Inciso ,mes"
      " ,CicloIni ,CicloFin ,AnioSolic ) values(12 ,'C''1' ,'E1' ,2 ,3 ,4 ,2025 ,2026 ,2026 )";
  EXPECT_EQ(env.statements(), (std::vector<std::string>{insert, insert}));
  EXPECT_EQ(count("SUBCONSENVIADAS"), 2);

  RecordsetRef rs = cv->getConstanciasEnviadas(12, 4, 2025, 2026);
  EXPECT_EQ(env.statements().back(),
            "SELECT * FROM SUBCONSENVIADAS WHERE PkCedente = 12 AND Mes = 4 AND CicloIni = 2025"
            " AND CicloFin = 2026");
  ASSERT_EQ(rs->recordCount(), 2);
  EXPECT_EQ(toText(rs->value("poliza")), "C'1");
  EXPECT_EQ(toText(rs->value("AnioSolic")), "2026");
  EXPECT_TRUE(rs->findField("pkenviado").has_value());
  // Another month: an empty record set, not a failure.
  RecordsetRef none = cv->getConstanciasEnviadas(12, 5, 2025, 2026);
  ASSERT_TRUE(none);
  EXPECT_TRUE(none->bof() && none->eof());
}

TEST_F(EnviadosTest, GetEnviadaDuplicadaIgnoresTheRequestYear) {
  EXPECT_FALSE(cv->getEnviadaDuplicada(12, "C1", "E1", 2, 3, 4, 2025, 2026));
  EXPECT_EQ(env.statements().back(),
            "select pkenviado from subconsenviadas where PkCedente= 12 and poliza ='C1'"
            " and endoso ='E1' and tipoendoso=2 and inciso=3 and mes=4 and cicloIni=2025"
            " and cicloFin=2026");
  ASSERT_TRUE(cv->insertEnviado("C1", "E1", 2, 3, 4, 2027, 12, 2025, 2026, nullptr));
  EXPECT_TRUE(cv->getEnviadaDuplicada(12, "C1", "E1", 2, 3, 4, 2025, 2026));
  EXPECT_FALSE(cv->getEnviadaDuplicada(12, "C1", "E1", 2, 3, 5, 2025, 2026));
  EXPECT_FALSE(cv->getEnviadaDuplicada(13, "C1", "E1", 2, 3, 4, 2025, 2026));
  EXPECT_FALSE(cv->getEnviadaDuplicada(12, "C1' OR ''='", "E1", 2, 3, 4, 2025, 2026));
}

TEST_F(EnviadosTest, ClaimsRegister) {
  EXPECT_FALSE(cv->getEnviadaDuplicadaFc(1, 2026, "C1", 7, 12));
  ASSERT_TRUE(cv->insertEnviadoFc(1, 2026, "C1", 7, 12, nullptr));
  EXPECT_TRUE(cv->getEnviadaDuplicadaFc(1, 2026, "C1", 7, 12));
  EXPECT_FALSE(cv->getEnviadaDuplicadaFc(2, 2026, "C1", 7, 12));
  RecordsetRef rs = cv->getConstanciasEnviadasFc(12, 1, 2026);
  ASSERT_EQ(rs->recordCount(), 1);
  EXPECT_EQ(toText(rs->value("Inciso")), "7");
  EXPECT_EQ(env.statements(),
            (std::vector<std::string>{
                "select pkenviadaFc from subconsenviadasFc where PkCedente= 12 and Periodo = 1"
                " and Anio = 2026 and poliza = 'C1' and inciso = 7",
                "INSERT INTO SUBCONSENVIADASFC ( PkCedente ,Periodo ,Anio ,poliza ,Inciso )"
                " values(12 ,1 ,2026 ,'C1' ,7 )",
                "select pkenviadaFc from subconsenviadasFc where PkCedente= 12 and Periodo = 1"
                " and Anio = 2026 and poliza = 'C1' and inciso = 7",
                "select pkenviadaFc from subconsenviadasFc where PkCedente= 12 and Periodo = 2"
                " and Anio = 2026 and poliza = 'C1' and inciso = 7",
                "SELECT * FROM SUBCONSENVIADASFC WHERE PkCedente = 12 AND Periodo = 1"
                " AND Anio = 2026"}));
}

TEST_F(EnviadosTest, TheStatusProcedureRunsOnTheSharedConnection) {
  auto passed = ScriptedConnection::create();
  EXPECT_TRUE(cv->ActualizaStatusSubsidio("123", "4", 1, 12, 2025, 2026, passed));
  EXPECT_TRUE(passed->received().empty());
  EXPECT_EQ(env.statements(),
            std::vector<std::string>{"EXEC EstatusEnviadoSubsidio 2025, 2026, 123, 4, 1, 12"});
}

TEST_F(EnviadosTest, TheStatusProcedureTakesOnlyIntegerKeys) {
  const std::pair<const char*, const char*> refused[] = {
      {"123; DELETE FROM SUBCONSENVIADAS", "4"}, {"123", ""}, {"'123'", "4"}, {"1.5", "4"}};
  for (auto [constancia, inciso] : refused) {
    env.clearLogs();
    env.clearTrace();
    Error e = errorOf([&] {
      cv->ActualizaStatusSubsidio(constancia, inciso, 1, 12, 2025, 2026, nullptr);
    });
    EXPECT_EQ(e.number(), 13) << constancia;
    EXPECT_TRUE(env.statements().empty());
    ASSERT_EQ(env.logEntries().size(), 1u);
    EXPECT_EQ(env.logEntries()[0].label, "KORVANDA.clsCatValida.ActualizaStatusSubsidio");
  }
}

TEST_F(EnviadosTest, FailuresCarryTheirRoutinesLabels) {
  // Without the claims register every call fails, logged at each level.
  getOpenConnection()->execute("DROP TABLE SUBCONSENVIADASFC");
  env.clearLogs();
  EXPECT_NE(errorOf([&] { cv->insertEnviadoFc(1, 2026, "C1", 7, 12, nullptr); }).number(), 0);
  EXPECT_NE(errorOf([&] { cv->getEnviadaDuplicadaFc(1, 2026, "C1", 7, 12); }).number(), 0);
  EXPECT_NE(errorOf([&] { cv->getConstanciasEnviadasFc(12, 1, 2026); }).number(), 0);
  std::vector<std::string> labels;
  for (const auto& e : env.logEntries()) labels.push_back(e.label);
  EXPECT_EQ(labels, (std::vector<std::string>{
                        "KORVANDA.clsCatValida.Insertar",
                        "KORVANDA.clsCatValida.insertEnviadoFc",
                        "KORVANDA.clsCatValida.Seleccionar",
                        "KORVANDA.clsCatValida.getEnviadaDuplicadafc",
                        "KORVANDA.clsCatValida.Seleccionar",
                        "KORVANDA.clsCatValida.getConstanciasEnviadasFc"}));
}

}  // namespace
}  // namespace korvanda
