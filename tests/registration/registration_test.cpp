// The three registration kinds on the database, one suite: the statements sent, the row stored,
// the duplicate key and both ways of reporting a duplicate; then what only one kind does.
#include <gtest/gtest.h>

#include <limits>
#include <regex>
#include <tuple>

#include "component/ModGlobal.h"
#include "korvanda/clsCatValida.h"
#include "registration_support.h"
#include "support/fixture.h"

namespace korvanda {
namespace {

using testing::Environment;
using testing::errorOf;

constexpr int32_t kApp = -2147220503;
const std::string kEscaped =
    "El registro que intenta insertar esta duplicado\\r      , verifique e intente nuevamente";
constexpr double kInf = std::numeric_limits<double>::infinity();

struct Agricola {
  using Record = RegistroAgricola;
  static constexpr const char *kCase = "agricola", *kDateField = "vigenciaAsegIni";
  static Record sample() { return test::sampleAgricola(); }
  static bool insert(clsCatValida& cv, ConnectionRef c, const Record& r,
                     std::optional<std::string> to) {
    return insertAgricola(cv, r, std::move(c), std::move(to));
  }
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
  static void others(Record& r) {
    r.intcveCultivo = 9, r.strCiclo = "PV2026", r.dblIndemnizacion = 1, r.strPoliza = "fc-'9";
  }
  static void unstorable(Record& r) {
    r.dblSuperfSinies = std::numeric_limits<double>::quiet_NaN();
  }
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
  static void others(Record& r) {
    r.strPoliza = "ga-0001", r.lngCabezasAseg = 1, r.intIdMunicipio = 1, r.dblSumaAseg = 2;
  }
  static void unstorable(Record& r) { r.dblSumaAseg = kInf; }
};

template <class Kind> class Registration : public ::testing::Test {
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
  // Dates come back as dates (the golden texts are day first).
  EXPECT_EQ(rs->value(TypeParam::kDateField).type(), VarType::Date);
  EXPECT_TRUE(this->env.logLines().empty());
  EXPECT_TRUE(this->env.duplicateLines().empty());
}

// The values the duplicate test compares are in its statement: a record that differs only in
// the letter case of its policy and in values the statement leaves out is the duplicate.
TYPED_TEST(Registration, ADuplicateIsRaisedForWindowAndWrittenOtherwise) {
  auto sample = TypeParam::sample();
  ASSERT_TRUE(this->insert(sample));
  TypeParam::others(sample);
  for (std::optional<std::string> to : {std::optional<std::string>(), {"Window"}}) {
    this->env.clearLogs();
    Error e = errorOf([&] { this->insert(sample, to); });
    EXPECT_EQ(e.number(), kApp);
    EXPECT_EQ(e.source(), this->source);
    EXPECT_EQ(e.description(), test::kDuplicado);
    const auto logs = this->env.logEntries();
    ASSERT_EQ(logs.size(), this->duplicateLabel.empty() ? 0u : 1u);
    for (const auto& log : logs)  // the raised description keeps its CR; the log escapes it
      EXPECT_EQ(std::tie(log.label, log.number, log.source, log.description),
                std::tie(this->duplicateLabel, kApp, this->source, kEscaped));
    EXPECT_TRUE(this->env.duplicateLines().empty());
  }
  const std::regex line(this->logNumber + R"(\|\d\d/\d\d/\d{4} \d\d:\d\d:\d\d\|0\|)" +
                        "El registro de constancia=" + sample.strPoliza + " esta duplicado");
  for (const char* to : {"window", "WINDOW", "Window ", "", "Archivo"}) {
    this->env.clearLogs();
    EXPECT_FALSE(this->insert(sample, to)) << to;
    ASSERT_EQ(this->env.duplicateLines().size(), 1u) << to;
    EXPECT_TRUE(std::regex_match(this->env.duplicateLines()[0], line)) << to;
    EXPECT_TRUE(this->env.logLines().empty()) << to;
  }
  EXPECT_EQ(this->count(), 1);
}

TYPED_TEST(Registration, AValueTheStatementCannotHoldStoresNothing) {
  auto record = TypeParam::sample();
  TypeParam::unstorable(record);
  EXPECT_EQ(errorOf([&] { this->insert(record); }).number(), 5);
  std::string labels;
  for (const auto& e : this->env.logEntries()) labels += (labels.empty() ? "" : ",") + e.label;
  EXPECT_EQ(labels, this->kind.at(4));
  EXPECT_EQ(this->count(), 0);
}

// ---- agricultural subscriptions only

using AgricolaTest = Registration<Agricola>;

TEST_F(AgricolaTest, TheInsuranceTypeIsReadAsANumberRoundedHalfToEven) {
  RegistroAgricola a = test::sampleAgricola();
  for (auto [tipo, number] : {std::pair{"", 13}, {"dos", 13}, {"40000", 6}}) {
    a.pintTipoSeguro = tipo;
    EXPECT_EQ(errorOf([&] { insert(a); }).number(), number) << tipo;
  }
  EXPECT_EQ(env.logEntries().size(), 3u);  // one line each, under InsertAgricola
  EXPECT_EQ(count(), 0);
  for (auto [tipo, stored] : {std::pair{"2.5", "2"}, {"3.5", "4"}}) {
    a.pintTipoSeguro = tipo;
    a.strPoliza = std::string("T-") + tipo;
    ASSERT_TRUE(insert(a));
    EXPECT_EQ(toText(rows()->value("TipoSeguro")), stored);
    env.openDatabase()->execute("DELETE FROM SUBMAGRICOLA");
  }
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

// ---- livestock only

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
}

// Where transactions let two stations read one maximum, another station's record lands
// between this call's reading of a maximum and its INSERT.
TEST_F(GanaderoTest, AKeyTakenByAnotherStationIsTakenAgain) {
  RegistroGanadero theirs = test::sampleGanadero();
  theirs.strPoliza = "GA-OTRA";
  for (auto [trigger, insert, stored] :
       {std::tuple{"INSERT INTO SUBMGANADERO", registration::insertGanaderoText(theirs, 1, 4, 4),
                   "GA-OTRA:1,GA-0001:2"},
        // the same record, stored before the key is read: this call's second test finds it
        {"select max(pkganadero)", test::goldenStatements("ganadero").back(), "GA-0001:1"}}) {
    env.openDatabase()->execute("DELETE FROM SUBMGANADERO");
    env.clearLogs();
    ConnectionRef other = env.openDatabase();
    auto racing = std::make_shared<test::InterposedConnection>(getOpenConnection(), trigger,
                                                               [&] { other->execute(insert); });
    slot::current() = racing;
    EXPECT_EQ(this->insert(test::sampleGanadero(), "Archivo"), stored != std::string("GA-0001:1"));
    EXPECT_TRUE(racing->fired());
    RecordsetRef rs = env.openDatabase()->query(
        "SELECT group_concat(poliza || ':' || pkGanadero) FROM (SELECT * FROM SUBMGANADERO "
        "ORDER BY pkGanadero) AS x");
    EXPECT_EQ(toText(rs->value(size_t{0})), stored);
    // A refused INSERT leaves its line under the generic statement, nothing else.
    for (const auto& log : env.logEntries()) EXPECT_EQ(log.label, "KORVANDA.clsCatValida.Insertar");
    EXPECT_EQ(env.duplicateLines().size(), stored == std::string("GA-0001:1") ? 1u : 0u);
  }
}

}  // namespace
}  // namespace korvanda
