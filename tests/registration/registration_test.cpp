// The three registration kinds on the database, one suite: the statements sent, the row stored,
// the duplicate key and both ways of reporting a duplicate; then what only one kind does.
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <limits>
#include <regex>
#include <sstream>

#include "component/ModGlobal.h"
#include "korvanda/clsCatValida.h"
#include "registration_support.h"
#include "support/fixture.h"

namespace korvanda {
namespace {

using testing::Environment;
using testing::errorOf;

constexpr int32_t kApp = -2147220503;
constexpr double kInf = std::numeric_limits<double>::infinity();

struct Agricola {
  using Record = RegistroAgricola;
  static constexpr const char *kCase = "agricola", *kDateField = "vigenciaAsegIni";
  static Record sample() { return test::sampleAgricola(); }
  static bool insert(clsCatValida& cv, ConnectionRef c, const Record& r,
                     std::optional<std::string> to) {
    return insertAgricola(cv, r, std::move(c), std::move(to));
  }
  // One change for each of the values that make the duplicate.
  static inline const std::vector<void (*)(Record&)> keys = {
      [](Record& r) { r.strPoliza = "AG-0002"; }, [](Record& r) { r.strEndoso = "1"; },
      [](Record& r) { r.intCveTipoEndoso = 2; },  [](Record& r) { r.intInciso = 4; },
      [](Record& r) { r.intcveCultivo = 6; },     [](Record& r) { r.pintPkCedente = 13; },
      [](Record& r) { r.strCiclo = "OI2026"; }};
  // Letter case does not tell two policies apart; the rest takes no part.
  static void others(Record& r) {
    r.strPoliza = "ag-0001", r.strapPaterno = "Otro", r.intCveTipoCult = 9, r.dblSumaAseg = 1;
    r.pintTipoSeguro = "x", r.intIdMunicipio = 99;
  }
  static void unstorable(Record& r) { r.dblSumaAseg = kInf; }
};

struct AgricolaFc {
  using Record = RegistroAgricolaFc;
  static constexpr const char *kCase = "agricolaFc", *kDateField = "FecPagoIndem";
  static Record sample() { return test::sampleAgricolaFc(); }
  static bool insert(clsCatValida& cv, ConnectionRef c, const Record& r,
                     std::optional<std::string> to) {
    return insertAgricolaFc(cv, r, std::move(c), std::move(to));
  }
  static inline const std::vector<void (*)(Record&)> keys = {
      [](Record& r) { r.intSemestre = 1; }, [](Record& r) { r.intAnnio = 2027; },
      [](Record& r) { r.strPoliza = "FC-10"; }, [](Record& r) { r.intInciso = 5; },
      [](Record& r) { r.pintPkCedente = 13; }};
  static void others(Record& r) {
    r.intcveCultivo = 9, r.strCiclo = "PV2026", r.dblIndemnizacion = 1, r.strPoliza = "fc-'9";
  }
  static void unstorable(Record& r) { r.dblSuperfSinies = std::numeric_limits<double>::quiet_NaN(); }
};

// The livestock kind takes no connection, generates its row key and logs no line of its own.
struct Ganadero {
  using Record = RegistroGanadero;
  static constexpr const char *kCase = "ganadero", *kDateField = "vigenciaAsegIni";
  static Record sample() { return test::sampleGanadero(); }
  static bool insert(clsCatValida& cv, ConnectionRef, const Record& r,
                     std::optional<std::string> to) {
    return insertGanadero(cv, r, std::move(to));
  }
  static inline const std::vector<void (*)(Record&)> keys = {
      [](Record& r) { r.strPoliza = "GA-0002"; }, [](Record& r) { r.strEndoso = "1"; },
      [](Record& r) { r.intCveTipoEndoso = 2; },  [](Record& r) { r.intInciso = 3; },
      [](Record& r) { r.intIdEspecie = 1; },      [](Record& r) { r.pstrIdFondo = "F02"; }};
  static void others(Record& r) {
    r.strPoliza = "ga-0001", r.lngCabezasAseg = 1, r.intIdMunicipio = 1, r.dblSumaAseg = 2;
  }
  static void unstorable(Record& r) { r.dblSumaAseg = kInf; }
};

template <class Kind>
class Registration : public ::testing::Test {
 protected:
  using Record = typename Kind::Record;
  void SetUp() override {
    cv = clsCatValida::create();
    conn = cv->getConexion();
    env.clearTrace();
  }
  bool insert(const Record& r, std::optional<std::string> to = std::nullopt) {
    return Kind::insert(*cv, conn, r, std::move(to));
  }
  RecordsetRef rows() { return env.openDatabase()->query("SELECT * FROM " + table); }
  std::vector<std::string> failureLabels() const {
    std::vector<std::string> out;
    std::stringstream in(kind.at(4));
    for (std::string label; std::getline(in, label, ',');) out.push_back(label);
    return out;
  }

  // Table, source, duplicate's log label, duplicates log number, failure labels.
  const std::vector<std::string> kind = test::golden("registration/kinds.tsv", Kind::kCase).at(0);
  const std::string& table = kind.at(0);
  const std::string& source = kind.at(1);
  const std::string& duplicateLabel = kind.at(2);
  const std::string& logNumber = kind.at(3);
  int32_t count() { return rows()->recordCount(); }

  Environment env;
  std::shared_ptr<clsCatValida> cv;
  ConnectionRef conn;
};

using Kinds = ::testing::Types<Agricola, AgricolaFc, Ganadero>;
TYPED_TEST_SUITE(Registration, Kinds);

TYPED_TEST(Registration, SendsItsStatementsAndStoresEveryValue) {
  const auto sample = TypeParam::sample();
  ASSERT_TRUE(this->insert(sample));
  EXPECT_EQ(this->env.statements(), test::goldenStatements(TypeParam::kCase));
  RecordsetRef rs = this->rows();
  ASSERT_EQ(rs->recordCount(), 1);
  const auto expected = test::golden("registration/stored_rows.tsv", TypeParam::kCase);
  ASSERT_FALSE(expected.empty());
  for (const auto& f : expected) EXPECT_EQ(toText(rs->value(f.at(0))), f.at(1)) << f.at(0);
  // Dates come back as dates, day first whatever their text.
  EXPECT_EQ(rs->value(TypeParam::kDateField).type(), VarType::Date);
  EXPECT_EQ(splitDate(toDate(rs->value(TypeParam::kDateField))).month,
            std::stoi(toText(rs->value(TypeParam::kDateField)).substr(3, 2)));
  EXPECT_TRUE(this->env.logLines().empty());
  EXPECT_TRUE(this->env.duplicateLines().empty());
}

TYPED_TEST(Registration, TheKeyValuesMakeTheDuplicate) {
  const auto sample = TypeParam::sample();
  ASSERT_TRUE(this->insert(sample, "Archivo"));
  for (auto change : TypeParam::keys) {
    auto other = sample;
    change(other);
    EXPECT_TRUE(this->insert(other, "Archivo"));
  }
  auto same = sample;
  TypeParam::others(same);
  EXPECT_FALSE(this->insert(same, "Archivo"));
  EXPECT_EQ(this->count(), static_cast<int32_t>(TypeParam::keys.size() + 1));
  EXPECT_EQ(this->env.duplicateLines().size(), 1u);
}

TYPED_TEST(Registration, ADuplicateIsRaisedForWindowAndWrittenOtherwise) {
  const auto sample = TypeParam::sample();
  ASSERT_TRUE(this->insert(sample));
  for (std::optional<std::string> to : {std::optional<std::string>(), {"Window"}}) {
    this->env.clearLogs();
    Error e = errorOf([&] { this->insert(sample, to); });
    EXPECT_EQ(e.number(), kApp);
    EXPECT_EQ(e.source(), this->source);
    EXPECT_EQ(e.description(), test::kDuplicado);
    const auto logs = this->env.logEntries();
    ASSERT_EQ(logs.size(), this->duplicateLabel.empty() ? 0u : 1u);
    for (const auto& log : logs) {
      EXPECT_EQ(log.label, this->duplicateLabel);
      EXPECT_EQ(log.number, kApp);
      EXPECT_EQ(log.source, this->source);
      // The raised description keeps its CR; the log writes it escaped.
      EXPECT_EQ(log.description, "El registro que intenta insertar esta duplicado\\r      , "
                                 "verifique e intente nuevamente");
    }
    EXPECT_TRUE(this->env.duplicateLines().empty());
  }
  const std::string tail = "|0|El registro de constancia=" + sample.strPoliza + " esta duplicado";
  const std::regex stamp(this->logNumber +
                         R"(\|\d\d/\d\d/\d{4} \d\d:\d\d:\d\d)");
  for (const char* to : {"window", "WINDOW", "Window ", "", "Archivo"}) {
    this->env.clearLogs();
    EXPECT_FALSE(this->insert(sample, to)) << to;
    ASSERT_EQ(this->env.duplicateLines().size(), 1u) << to;
    const std::string line = this->env.duplicateLines()[0];
    ASSERT_TRUE(line.ends_with(tail)) << line;
    EXPECT_TRUE(std::regex_match(line.substr(0, line.size() - tail.size()), stamp)) << line;
    EXPECT_TRUE(this->env.logLines().empty()) << to;
  }
  EXPECT_EQ(this->count(), 1);
}

TYPED_TEST(Registration, AValueTheStatementCannotHoldStoresNothing) {
  auto record = TypeParam::sample();
  TypeParam::unstorable(record);
  EXPECT_EQ(errorOf([&] { this->insert(record); }).number(), 5);
  std::vector<std::string> labels;
  for (const auto& e : this->env.logEntries()) labels.push_back(e.label);
  EXPECT_EQ(labels, this->failureLabels());
  EXPECT_EQ(this->count(), 0);
}

// ---- agricultural subscriptions only

using AgricolaTest = Registration<Agricola>;

TEST_F(AgricolaTest, TheInsuranceTypeIsReadAsANumberRoundedHalfToEven) {
  RegistroAgricola a = test::sampleAgricola();
  for (auto [tipo, number] : {std::pair{"", 13}, {"dos", 13}, {"40000", 6}}) {
    env.clearLogs();
    env.clearTrace();
    a.pintTipoSeguro = tipo;
    EXPECT_EQ(errorOf([&] { insert(a); }).number(), number) << tipo;
    ASSERT_EQ(env.logEntries().size(), 1u);
    EXPECT_EQ(env.logEntries()[0].label, "KORVANDA.clsCatValida.InsertAgricola");
    EXPECT_EQ(env.logEntries()[0].number, number);
    EXPECT_EQ(env.statements(), std::vector{test::goldenStatements("agricola")[0]});
  }
  for (auto [tipo, stored] : {std::pair{"2", "2"}, {"2.5", "2"}, {"3.5", "4"}}) {
    a.pintTipoSeguro = tipo;
    a.strPoliza = std::string("T-") + tipo;
    ASSERT_TRUE(insert(a));
    EXPECT_EQ(toText(env.openDatabase()
                         ->query("SELECT TipoSeguro FROM SUBMAGRICOLA WHERE poliza = '" +
                                 a.strPoliza + "'")
                         ->value(size_t{0})),
              stored);
  }
}

TEST_F(AgricolaTest, HostileTextIsStoredAsGivenAndAnUnknownMunicipalityAsKeyZero) {
  RegistroAgricola a = test::sampleAgricola();
  a.strPoliza = "P'; DELETE FROM SUBMAGRICOLA; --";
  a.strCiclo = "'PV'";
  a.strNombres = "  María  José  ";
  a.strObservaciones = "línea 1\tlínea 2 \"comillas\" ÑÁÉÍÓÚÜ ñáéíóúü";
  a.intIdEstado = 99;
  a.intIdMunicipio = -1;
  ASSERT_TRUE(insert(a));
  EXPECT_EQ(env.statements()[1], test::goldenStatements("agricola.unknownMunicipality")[0]);
  ASSERT_TRUE(insert(test::sampleAgricola()));
  RecordsetRef rs = env.openDatabase()->query("SELECT * FROM SUBMAGRICOLA ORDER BY pkagricola");
  ASSERT_EQ(rs->recordCount(), 2);
  for (auto [field, value] : {std::pair{"poliza", a.strPoliza}, {"ciclo", a.strCiclo},
                              {"Nombres", a.strNombres}, {"observaciones", a.strObservaciones},
                              {"pkmunicipio", std::string("0")}})
    EXPECT_EQ(toText(rs->value(field)), value) << field;
  EXPECT_FALSE(insert(a, "Archivo"));  // the quoted values find it again
  EXPECT_EQ(count(), 2);
  env.clearTrace();
  EXPECT_FALSE(cv->getDuplicado("x' OR '1'='1", "0", 1, 3, 5, 12, "PV2026", conn));
  EXPECT_EQ(env.statements(), test::goldenStatements("agricola.quotedDuplicateTest"));
}

TEST_F(AgricolaTest, WithoutAnOpenConnectionNothingIsStored) {
  Error e = errorOf([&] { insertAgricola(*cv, test::sampleAgricola(), nullptr); });
  EXPECT_EQ(e.number(), 91);
  std::vector<std::string> labels;
  for (const auto& log : env.logEntries()) labels.push_back(log.label);
  EXPECT_EQ(labels, (std::vector<std::string>{"KORVANDA.clsCatValida.getDuplicado",
                                              "KORVANDA.clsCatValida.InsertAgricola"}));
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

// A policy number is the same whatever the letter case of any letter or the trailing blanks,
// for the duplicate test and for the unique key behind it; accents keep two apart.
TEST_F(AgricolaTest, SqlServerRulesMakeTheDuplicate) {
  const struct {
    const char *first, *second;
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
    // Past the duplicate test (another station in between), the unique key refuses the row.
    errorOf([&] { conn->execute(registration::insertAgricolaText(a, 2, 4)); });
    EXPECT_EQ(count(), rows) << c.second;
  }
}

// ---- claims and livestock only

TEST(AgricolaFcOnly, WithoutCoordinatesTheColumnIsEmptyText) {
  Environment env;
  auto cv = clsCatValida::create();
  RegistroAgricolaFc a = test::sampleAgricolaFc();
  a.pstrCoordenadas.reset();
  ASSERT_TRUE(insertAgricolaFc(*cv, a, cv->getConexion()));
  EXPECT_TRUE(env.statements().back().ends_with(" ,'CURP01' ,'RFC01' ,'' )"));
  EXPECT_EQ(env.openDatabase()->query("SELECT Coordenadas FROM SUBMAGRICOLAFC")->value(size_t{0}),
            Variant(std::string()));
}

using GanaderoTest = Registration<Ganadero>;

TEST_F(GanaderoTest, KeysFollowTheMaximumAndAnUnknownSpeciesPairIsKeyZero) {
  RegistroGanadero a = test::sampleGanadero();
  ASSERT_TRUE(insert(a));
  a.intInciso = 3;
  a.intIdEspecie = a.intIdFuncion = 99;
  ASSERT_TRUE(insert(a));
  // The duplicate test looks for the pair among the known ones: it finds no earlier row.
  ASSERT_TRUE(insert(a));
  RecordsetRef rs = env.openDatabase()->query(
      "SELECT pkGanadero || ':' || pkespfun FROM SUBMGANADERO ORDER BY pkGanadero");
  std::vector<std::string> keys;
  for (; !rs->eof(); rs->moveNext()) keys.push_back(toText(rs->value(size_t{0})));
  EXPECT_EQ(keys, (std::vector<std::string>{"1:4", "2:0", "3:0"}));
  EXPECT_TRUE(cv->getDuplicadoGanadero("GA-0001", "0", 1, 2, 2, 1, "F01"));
  EXPECT_FALSE(cv->getDuplicadoGanadero("GA-0001", "0", 1, 2, 2, 1, "F03"));
}

TEST_F(GanaderoTest, NoStationWritesBetweenTheKeyAndTheInsert) {
  // The key is read and the record stored in one transaction that holds the write lock:
  // another station that tries to write meanwhile waits (here: gives up at once).
  sqlite3* raw = nullptr;
  ASSERT_EQ(sqlite3_open(env.databasePath().c_str(), &raw), SQLITE_OK);
  std::unique_ptr<sqlite3, decltype(&sqlite3_close)> other(raw, &sqlite3_close);
  sqlite3_busy_timeout(other.get(), 1);
  int theirs = SQLITE_OK;
  auto racing = std::make_shared<test::InterposedConnection>(
      getOpenConnection(), "INSERT INTO SUBMGANADERO", [&] {
        theirs = sqlite3_exec(other.get(), "UPDATE SUBRESPFUN SET cveFuncion = cveFuncion",
                              nullptr, nullptr, nullptr);
      });
  slot::current() = racing;
  ASSERT_TRUE(insert(test::sampleGanadero()));
  EXPECT_TRUE(racing->fired());
  EXPECT_EQ(theirs, SQLITE_BUSY);
  EXPECT_TRUE(env.logEntries().empty());
}

TEST_F(GanaderoTest, AKeyTakenByAnotherStationIsTakenAgain) {
  // Where transactions let two stations read one maximum, another station stores a different
  // record under the key this call has just read.
  ConnectionRef other = env.openDatabase();
  RegistroGanadero theirs = test::sampleGanadero();
  theirs.strPoliza = "GA-OTRA";
  const std::string theirInsert = registration::insertGanaderoText(theirs, 1, 4, 4);
  auto racing = std::make_shared<test::InterposedConnection>(
      getOpenConnection(), "INSERT INTO SUBMGANADERO", [&] { other->execute(theirInsert); },
      false);
  slot::current() = racing;
  ASSERT_TRUE(insert(test::sampleGanadero()));
  EXPECT_TRUE(racing->fired());
  RecordsetRef rs = env.openDatabase()->query(
      "SELECT poliza || ':' || pkGanadero FROM SUBMGANADERO ORDER BY pkGanadero");
  ASSERT_EQ(rs->recordCount(), 2);
  EXPECT_EQ(toText(rs->value(size_t{0})), "GA-OTRA:1");
  rs->moveNext();
  EXPECT_EQ(toText(rs->value(size_t{0})), "GA-0001:2");
  // The refused INSERT leaves its line under the generic statement, nothing else.
  const auto logs = env.logEntries();
  ASSERT_EQ(logs.size(), 1u);
  EXPECT_EQ(logs[0].label, "KORVANDA.clsCatValida.Insertar");
  EXPECT_NE(logs[0].description.find("UNIQUE constraint failed"), std::string::npos);
}

TEST_F(GanaderoTest, TheSameRecordStoredByAnotherStationMeanwhileIsTheDuplicate) {
  // Stored after this call's first test, before its key was read: it gets key 2 otherwise.
  ConnectionRef other = env.openDatabase();
  auto racing = std::make_shared<test::InterposedConnection>(
      getOpenConnection(), "select max(pkganadero)",
      [&] { other->execute(test::kSampleGanaderoInsert); }, false);
  slot::current() = racing;
  EXPECT_FALSE(insert(test::sampleGanadero(), "Archivo"));
  EXPECT_TRUE(racing->fired());
  EXPECT_EQ(count(), 1);
  EXPECT_EQ(env.duplicateLines().size(), 1u);
}

}  // namespace
}  // namespace korvanda
