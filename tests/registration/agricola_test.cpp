// Agricultural subscription records on the embedded database: the statements sent, the row
// stored, the duplicate key, both ways of reporting a duplicate and the failures.
#include <gtest/gtest.h>

#include <regex>

#include "component/ModGlobal.h"
#include "korvanda/clsCatValida.h"
#include "registration_support.h"
#include "support/fixture.h"

namespace korvanda {
namespace {

using testing::Environment;
using testing::errorOf;

constexpr int32_t kApp = -2147220503;
constexpr const char* kSampleDuplicateTest =
    "select pkagricola from submagricola where poliza ='AG-0001' and endoso ='0'"
    " and cvetipoendoso=1 and inciso=3 and cvecultivo=5 and PkCedente= 12"
    " and Ciclo = 'PV2026'";
constexpr const char* kSampleMunicipio =
    "select pkmunicipio from CATCMUNICIPIO  where cveEstado=1 and cvemunicipio=5";

class AgricolaTest : public ::testing::Test {
 protected:
  void SetUp() override {
    cv = clsCatValida::create();
    conn = cv->getConexion();
    env.clearTrace();
  }
  bool insert(const RegistroAgricola& a, std::optional<std::string> sendTo = std::nullopt) {
    return insertAgricola(*cv, a, conn, std::move(sendTo));
  }
  RecordsetRef rows(const std::string& where = "") {
    return env.openDatabase()->query("SELECT * FROM SUBMAGRICOLA " + where +
                                     " ORDER BY pkagricola");
  }
  int32_t count() { return rows()->recordCount(); }

  Environment env;
  std::shared_ptr<clsCatValida> cv;
  ConnectionRef conn;
};

std::string text(const RecordsetRef& rs, const char* field) { return toText(rs->value(field)); }

TEST_F(AgricolaTest, RegistersTheRowThroughTheTestTheLookupAndTheInsert) {
  const RegistroAgricola a = test::sampleAgricola();
  EXPECT_TRUE(insert(a));
  EXPECT_EQ(env.statements(), (std::vector<std::string>{kSampleDuplicateTest, kSampleMunicipio,
                                                        test::kSampleAgricolaInsert}));

  RecordsetRef rs = rows();
  ASSERT_EQ(rs->recordCount(), 1);
  const std::pair<const char*, const char*> expected[] = {
      {"poliza", "AG-0001"}, {"endoso", "0"}, {"cveTipoEndoso", "1"}, {"Inciso", "3"},
      {"apPaterno", "O'Brien"}, {"apMaterno", "Núñez"}, {"Nombres", "José María"},
      {"identificacion", "ID-1"}, {"pkmunicipio", "4"}, {"ciclo", "PV2026"},
      {"cveCultivo", "5"}, {"cveTipoCultivo", "2"}, {"vigenciaAsegIni", "01/04/2026"},
      {"vigenciaAsegFin", "31/10/2026 13:05:09"}, {"superficieAseg", "12.5"},
      {"sumaAsegurada", "150000"}, {"primaEaseg", "1234.56"}, {"primaEgobFed", "0.1"},
      {"primaCaseg", "-3.25"}, {"primaCgobFed", "2000"}, {"totalemitido", "100"},
      {"totalcobrado", "99.99"}, {"numPagoIni", "1"}, {"numPagoFin", "-2"},
      {"fecPago", "15/05/2026"}, {"tipoCambio", "17.1234"}, {"riesgos", "1,2,3"},
      {"observaciones", ""}, {"mesSolicitud", "4"}, {"anioSolicitud", "2026"},
      {"PkCedente", "12"}, {"TipoSeguro", "2"}, {"RFC", "XAXX010101000"},
      {"TipoVialidad", "CALLE"}, {"NomVialidad", "Niños Héroes"}, {"NumExterior1", "12"},
      {"NumExterior2", ""}, {"NumInterior", "B"}, {"TipoAsentamiento", "COL"},
      {"NomAsentamiento", "Centro"}, {"CodPostal", "01000"}, {"Localidad", "0001"},
      {"MunicipioDom", "15"}, {"EstadoDom", "9"}, {"EntreVialidades", "a y b"},
      {"VialidadPosterior", "c"}, {"DescUbicacion", "d"}, {"TipoLocalizacion", "U"},
      {"Carretera", ""}, {"Camino", ""}, {"PkSocio", "7"}, {"PkEndoso", "123456"},
      {"AnioVigenciaMovInicial", "2026"},
  };
  for (auto [field, value] : expected) EXPECT_EQ(text(rs, field), value) << field;
  // Dates come back as dates, day first, whatever their text.
  EXPECT_EQ(rs->value("vigenciaAsegIni").type(), VarType::Date);
  EXPECT_EQ(toDate(rs->value("vigenciaAsegIni")), a.dteVigenciaAsegIni);
  EXPECT_TRUE(env.logLines().empty());
  EXPECT_TRUE(env.duplicateLines().empty());
}

TEST_F(AgricolaTest, TheSevenKeyValuesMakeTheDuplicate) {
  const RegistroAgricola a = test::sampleAgricola();
  ASSERT_TRUE(insert(a, "Archivo"));
  // Changing any one of the seven admits the record.
  std::vector<RegistroAgricola> variants(7, a);
  variants[0].strPoliza = "AG-0002";
  variants[1].strEndoso = "1";
  variants[2].intCveTipoEndoso = 2;
  variants[3].intInciso = 4;
  variants[4].intcveCultivo = 6;
  variants[5].pintPkCedente = 13;
  variants[6].strCiclo = "OI2026";
  for (const auto& v : variants) EXPECT_TRUE(insert(v, "Archivo"));
  EXPECT_EQ(count(), 8);
  // Everything else may change: it is still the same registration. Letter case does not
  // tell two policies apart.
  RegistroAgricola same = a;
  same.strapPaterno = "Otro";
  same.intCveTipoCult = 9;
  same.dblSumaAseg = 1;
  same.pintTipoSeguro = "x";  // never read for a duplicate
  same.intIdMunicipio = 99;
  EXPECT_FALSE(insert(same, "Archivo"));
  same.strPoliza = "ag-0001";
  EXPECT_FALSE(insert(same, "Archivo"));
  EXPECT_EQ(count(), 8);
  EXPECT_EQ(env.duplicateLines().size(), 2u);
}

TEST_F(AgricolaTest, ADuplicateWithWindowIsRaisedAndLogged) {
  const RegistroAgricola a = test::sampleAgricola();
  ASSERT_TRUE(insert(a));
  for (std::optional<std::string> sendTo : {std::optional<std::string>(), {"Window"}}) {
    env.clearLogs();
    env.clearTrace();
    Error e = errorOf([&] { insert(a, sendTo); });
    EXPECT_EQ(e.number(), kApp);
    EXPECT_EQ(e.source(), ".insertAgricola");
    EXPECT_EQ(e.description(), test::kDuplicado);
    ASSERT_EQ(env.logEntries().size(), 1u);
    testing::LogEntry log = env.logEntries()[0];
    EXPECT_EQ(log.label, "KORVANDA.clsCatValida.InsertAgricola");
    EXPECT_EQ(log.number, kApp);
    EXPECT_EQ(log.source, ".insertAgricola");
    // The raised description keeps its CR; the log writes it escaped.
    EXPECT_EQ(log.description,
              "El registro que intenta insertar esta duplicado\\r      , verifique e intente nuevamente");
    EXPECT_TRUE(env.duplicateLines().empty());
    EXPECT_EQ(env.statements(), std::vector<std::string>{kSampleDuplicateTest});
  }
  EXPECT_EQ(count(), 1);
}

TEST_F(AgricolaTest, AnyOtherValueWritesTheDuplicatesLogAndAnswersFalse) {
  RegistroAgricola a = test::sampleAgricola();
  a.strPoliza = "Ñ'1";
  ASSERT_TRUE(insert(a));
  const std::regex line(R"(1009\|\d\d/\d\d/\d{4} \d\d:\d\d:\d\d\|0\|)"
                        "El registro de constancia=Ñ'1 esta duplicado");
  for (const char* sendTo : {"window", "WINDOW", "Window ", "", "Archivo"}) {
    env.clearLogs();
    EXPECT_FALSE(insert(a, sendTo)) << sendTo;
    ASSERT_EQ(env.duplicateLines().size(), 1u) << sendTo;
    EXPECT_TRUE(std::regex_match(env.duplicateLines()[0], line)) << env.duplicateLines()[0];
    EXPECT_TRUE(env.logLines().empty()) << sendTo;
  }
  EXPECT_EQ(count(), 1);
}

TEST_F(AgricolaTest, TheInsuranceTypeIsReadAsANumber) {
  RegistroAgricola a = test::sampleAgricola();
  const std::pair<const char*, int32_t> refused[] = {{"", 13}, {"dos", 13}, {"40000", 6}};
  for (auto [tipo, number] : refused) {
    env.clearLogs();
    env.clearTrace();
    a.pintTipoSeguro = tipo;
    EXPECT_EQ(errorOf([&] { insert(a); }).number(), number) << tipo;
    ASSERT_EQ(env.logEntries().size(), 1u);
    EXPECT_EQ(env.logEntries()[0].label, "KORVANDA.clsCatValida.InsertAgricola");
    EXPECT_EQ(env.logEntries()[0].number, number);
    // Only the duplicate test ran.
    EXPECT_EQ(env.statements(), std::vector<std::string>{kSampleDuplicateTest});
  }
  EXPECT_EQ(count(), 0);
  // Rounded half to even.
  const std::pair<const char*, const char*> stored[] = {{"2", "2"}, {"2.5", "2"}, {"3.5", "4"}};
  for (auto [tipo, value] : stored) {
    a.pintTipoSeguro = tipo;
    a.strPoliza = std::string("T-") + tipo;
    ASSERT_TRUE(insert(a));
    EXPECT_EQ(text(rows("WHERE poliza = '" + a.strPoliza + "'"), "TipoSeguro"), value);
  }
}

TEST_F(AgricolaTest, AnUnknownMunicipalityIsStoredAsKeyZero) {
  RegistroAgricola a = test::sampleAgricola();
  a.intIdEstado = 99;
  a.intIdMunicipio = -1;
  ASSERT_TRUE(insert(a));
  EXPECT_EQ(env.statements()[1],
            "select pkmunicipio from CATCMUNICIPIO  where cveEstado=99 and cvemunicipio=-1");
  EXPECT_EQ(text(rows(), "pkmunicipio"), "0");
}

TEST_F(AgricolaTest, QuotesAndTextAreStoredAsGiven) {
  RegistroAgricola a = test::sampleAgricola();
  a.strPoliza = "P'; DELETE FROM SUBMAGRICOLA; --";
  a.strEndoso = "'";
  a.strCiclo = "'PV'";
  a.strNombres = "  María  José  ";
  a.strObservaciones = "línea 1\tlínea 2 \"comillas\" ÑÁÉÍÓÚÜ ñáéíóúü";
  ASSERT_TRUE(insert(a));
  ASSERT_TRUE(insert(test::sampleAgricola()));
  RecordsetRef rs = rows();
  ASSERT_EQ(rs->recordCount(), 2);
  EXPECT_EQ(text(rs, "poliza"), a.strPoliza);
  EXPECT_EQ(text(rs, "endoso"), "'");
  EXPECT_EQ(text(rs, "ciclo"), "'PV'");
  EXPECT_EQ(text(rs, "Nombres"), "  María  José  ");
  EXPECT_EQ(text(rs, "observaciones"), a.strObservaciones);
  // The quoted values also find it again.
  EXPECT_FALSE(insert(a, "Archivo"));
  EXPECT_EQ(count(), 2);
}

TEST_F(AgricolaTest, TheMaternalSurnameComesBackUnchanged) {
  RegistroAgricola a = test::sampleAgricola();
  std::string materno = "Núñez";
  a.strapMaterno = materno;
  ASSERT_TRUE(insert(a));
  EXPECT_EQ(a.strapMaterno, materno);
}

TEST_F(AgricolaTest, WithoutAConnectionNothingIsStored) {
  Error e = errorOf([&] { insertAgricola(*cv, test::sampleAgricola(), nullptr); });
  EXPECT_EQ(e.number(), 91);
  const auto logs = env.logEntries();
  ASSERT_EQ(logs.size(), 2u);
  EXPECT_EQ(logs[0].label, "KORVANDA.clsCatValida.getDuplicado");
  EXPECT_EQ(logs[1].label, "KORVANDA.clsCatValida.InsertAgricola");
  EXPECT_EQ(logs[1].number, 91);

  // A closed connection fails the same way, with the data-access error.
  conn->close();
  env.clearLogs();
  EXPECT_EQ(errorOf([&] { insert(test::sampleAgricola()); }).number(), 3704);
  EXPECT_EQ(env.logEntries().size(), 2u);
  EXPECT_EQ(count(), 0);
}

TEST_F(AgricolaTest, RunsInTheCallersTransaction) {
  conn->beginTrans();
  ASSERT_TRUE(insert(test::sampleAgricola()));
  conn->rollbackTrans();
  EXPECT_EQ(count(), 0);
  conn->beginTrans();
  ASSERT_TRUE(insert(test::sampleAgricola()));
  EXPECT_FALSE(insert(test::sampleAgricola(), "Archivo"));  // sees its own row
  conn->commitTrans();
  EXPECT_EQ(count(), 1);
}

TEST_F(AgricolaTest, GetDuplicadoAnswersForTheSevenValues) {
  ASSERT_TRUE(insert(test::sampleAgricola()));
  env.clearTrace();
  EXPECT_TRUE(cv->getDuplicado("AG-0001", "0", 1, 3, 5, 12, "PV2026", conn));
  EXPECT_FALSE(cv->getDuplicado("AG-0001", "0", 1, 3, 5, 12, "PV2027", conn));
  EXPECT_FALSE(cv->getDuplicado("x' OR '1'='1", "0", 1, 3, 5, 12, "PV2026", conn));
  EXPECT_EQ(env.statements()[0], kSampleDuplicateTest);
  EXPECT_EQ(env.statements()[2],
            "select pkagricola from submagricola where poliza ='x'' OR ''1''=''1' and endoso ='0'"
            " and cvetipoendoso=1 and inciso=3 and cvecultivo=5 and PkCedente= 12"
            " and Ciclo = 'PV2026'");
}

// A policy number is the same whatever the letter case of any letter or the trailing blanks,
// for the duplicate test and for the unique key behind it; accents keep two apart.
TEST_F(AgricolaTest, SqlServerRulesMakeTheDuplicate) {
  const struct {
    const char* first;
    const char* second;
    bool same;
  } cases[] = {{"PÓLIZA-Ñ", "póliza-ñ", true}, {"ÄÖÜ", "äöü", true}, {"TRAIL", "TRAIL  ", true},
               {"ÇŒŠŽŸ", "çœšžÿ", true}, {"CANON", "CAÑON", false}, {"POLIZA", "PÓLIZA", false}};
  RegistroAgricola a = test::sampleAgricola();
  int32_t rows = 0;
  for (const auto& c : cases) {
    a.strPoliza = c.first;
    EXPECT_TRUE(insert(a, "Archivo")) << c.first;
    a.strPoliza = c.second;
    EXPECT_EQ(cv->getDuplicado(c.second, "0", 1, 3, 5, 12, "pv2026 ", conn), c.same) << c.second;
    EXPECT_EQ(insert(a, "Archivo"), !c.same) << c.second;
    rows += c.same ? 1 : 2;
    EXPECT_EQ(count(), rows) << c.second;
    if (!c.same) continue;
    // Past the duplicate test (another station between its test and its insert), the unique
    // key refuses the row.
    errorOf([&] { conn->execute(registration::insertAgricolaText(a, 2, 4)); });
    EXPECT_EQ(count(), rows) << c.second;
  }
}

}  // namespace
}  // namespace korvanda
