// Agricultural claim records on the embedded database.
#include <gtest/gtest.h>

#include <regex>

#include "korvanda/clsCatValida.h"
#include "registration_support.h"
#include "support/fixture.h"

namespace korvanda {
namespace {

using testing::Environment;
using testing::errorOf;

constexpr const char* kSampleDuplicateTest =
    "select pkagricolaFc from submagricolaFc where poliza = 'FC-''9' and inciso = 4"
    " and Periodo = 2 and Anio = 2026 and PkCedente = 12";

class AgricolaFcTest : public ::testing::Test {
 protected:
  void SetUp() override {
    cv = clsCatValida::create();
    conn = cv->getConexion();
    env.clearTrace();
  }
  bool insert(const RegistroAgricolaFc& a, std::optional<std::string> sendTo = std::nullopt) {
    return insertAgricolaFc(*cv, a, conn, std::move(sendTo));
  }
  RecordsetRef rows() {
    return env.openDatabase()->query("SELECT * FROM SUBMAGRICOLAFC ORDER BY pkagricolaFc");
  }

  Environment env;
  std::shared_ptr<clsCatValida> cv;
  ConnectionRef conn;
};

std::string text(const RecordsetRef& rs, const char* field) { return toText(rs->value(field)); }

TEST_F(AgricolaFcTest, RegistersTheRow) {
  ASSERT_TRUE(insert(test::sampleAgricolaFc()));
  EXPECT_EQ(env.statements(),
            (std::vector<std::string>{
                kSampleDuplicateTest,
                "select pkmunicipio from CATCMUNICIPIO  where cveEstado=1 and cvemunicipio=5",
                test::kSampleAgricolaFcInsert}));
  RecordsetRef rs = rows();
  ASSERT_EQ(rs->recordCount(), 1);
  const std::pair<const char*, const char*> expected[] = {
      {"Periodo", "2"}, {"Anio", "2026"}, {"poliza", "FC-'9"}, {"Inciso", "4"},
      {"apPaterno", "Peña"}, {"apMaterno", "Ibáñez"}, {"Nombres", "Ana"},
      {"pkmunicipio", "4"}, {"cveCultivo", "5"}, {"cveTipoCultivo", "2"},
      {"ciclo", "OI2025"}, {"FecPagoIndem", "30/09/2026 08:30:00"},
      {"Indemnizacion", "45678.9"}, {"PkRiesgo", "3"}, {"SuperfSinies", "7.25"},
      {"mesSolicitud", "10"}, {"anioSolicitud", "2026"}, {"PkCedente", "12"},
      {"TipoSeguro", "1"}, {"CURP", "CURP01"}, {"RFC", "RFC01"},
      {"Coordenadas", "19.4,-99.1"},
  };
  for (auto [field, value] : expected) EXPECT_EQ(text(rs, field), value) << field;
}

TEST_F(AgricolaFcTest, TheDuplicateIsTheItemOfTheSemester) {
  const RegistroAgricolaFc a = test::sampleAgricolaFc();
  ASSERT_TRUE(insert(a));
  // Crop, cycle and amounts do not take part.
  RegistroAgricolaFc same = a;
  same.intcveCultivo = 9;
  same.strCiclo = "PV2026";
  same.dblIndemnizacion = 1;
  EXPECT_FALSE(insert(same, "archivo"));
  // Each of the five key values admits it.
  std::vector<RegistroAgricolaFc> variants(5, a);
  variants[0].intSemestre = 1;
  variants[1].intAnnio = 2027;
  variants[2].strPoliza = "FC-10";
  variants[3].intInciso = 5;
  variants[4].pintPkCedente = 13;
  for (const auto& v : variants) EXPECT_TRUE(insert(v));
  EXPECT_EQ(rows()->recordCount(), 6);
  EXPECT_TRUE(cv->getDuplicadoFc("FC-'9", 4, 1, 2026, 12, conn));
  EXPECT_FALSE(cv->getDuplicadoFc("FC-'9", 4, 1, 2025, 12, conn));
}

TEST_F(AgricolaFcTest, BothWaysOfReportingADuplicate) {
  const RegistroAgricolaFc a = test::sampleAgricolaFc();
  ASSERT_TRUE(insert(a));
  Error e = errorOf([&] { insert(a); });
  EXPECT_EQ(e.number(), -2147220503);
  EXPECT_EQ(e.source(), ".insertAgricolaFc");
  EXPECT_EQ(e.description(), test::kDuplicado);
  ASSERT_EQ(env.logEntries().size(), 1u);
  EXPECT_EQ(env.logEntries()[0].label, "KORVANDA.clsCatValida.InsertAgricolaFc");
  EXPECT_EQ(env.logEntries()[0].source, ".insertAgricolaFc");

  env.clearLogs();
  EXPECT_FALSE(insert(a, "Pantalla"));
  ASSERT_EQ(env.duplicateLines().size(), 1u);
  EXPECT_TRUE(std::regex_match(env.duplicateLines()[0],
                               std::regex(R"(1009\|\S+ \S+\|0\|El registro de constancia=FC-'9 esta duplicado)")))
      << env.duplicateLines()[0];
  EXPECT_TRUE(env.logLines().empty());
  EXPECT_EQ(rows()->recordCount(), 1);
}

TEST_F(AgricolaFcTest, WithoutCoordinatesTheColumnIsEmptyText) {
  RegistroAgricolaFc a = test::sampleAgricolaFc();
  a.pstrCoordenadas.reset();
  a.intIdEstado = 0;  // no such municipality: key 0
  ASSERT_TRUE(insert(a));
  EXPECT_TRUE(env.statements().back().ends_with(" ,'CURP01' ,'RFC01' ,'' )"));
  RecordsetRef rs = rows();
  EXPECT_EQ(rs->value("Coordenadas"), Variant(std::string()));
  EXPECT_EQ(text(rs, "pkmunicipio"), "0");
}

TEST_F(AgricolaFcTest, AFailedStatementIsLoggedAtEachLevel) {
  RegistroAgricolaFc a = test::sampleAgricolaFc();
  a.dblSuperfSinies = std::numeric_limits<double>::quiet_NaN();
  EXPECT_EQ(errorOf([&] { insert(a); }).number(), 5);
  const auto logs = env.logEntries();
  ASSERT_EQ(logs.size(), 2u);
  EXPECT_EQ(logs[0].label, "KORVANDA.clsCatValida.setSqlInsertAgricolaFc");
  EXPECT_EQ(logs[1].label, "KORVANDA.clsCatValida.InsertAgricolaFc");
  EXPECT_EQ(rows()->recordCount(), 0);
}

}  // namespace
}  // namespace korvanda
