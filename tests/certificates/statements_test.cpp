// The statements that members send, to the character: every call of
// tests/golden/statements/calls.txt is made by name, as the application makes it, on a scripted
// connection, and the trace must hold exactly the lines written under it. The few behaviours
// that no line of that file can state (record set arguments, the shared slot) follow it.
#include <gtest/gtest.h>

#include <climits>
#include <fstream>
#include <nlohmann/json.hpp>

#include "certificates/statements.h"
#include "component/ModGlobal.h"
#include "korvanda/administration.h"
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

// Arguments: texts in single quotes (a quote doubled inside), anything else up to the comma.
std::vector<std::string> arguments(std::string_view s) {
  std::vector<std::string> out;
  for (size_t i = 0; i < s.size();) {
    while (i < s.size() && (s[i] == ' ' || s[i] == ',')) ++i;
    if (i == s.size()) break;
    size_t start = i;
    if (s[i] == '\'')
      for (++i; i < s.size(); ++i)
        if (s[i] == '\'' && !(i + 1 < s.size() && s[i + 1] == '\'' && ++i)) break;
    while (i < s.size() && s[i] != ',') ++i;
    out.emplace_back(s.substr(start, s.find_last_not_of(' ', i - 1) - start + 1));
  }
  return out;
}

// An argument or a value of an answer row as the file writes it.
Variant value(const std::string& text, const ConnectionRef& db) {
  if (text == "conn") return Variant(db);
  if (text == "NULL" || text == "Null") return Variant(Null{});
  if (!text.starts_with('\'')) return text;
  std::string unquoted = text.substr(1, text.size() - 2);
  for (size_t at = 0; (at = unquoted.find("''", at)) != std::string::npos; ++at) unquoted.erase(at, 1);
  return unquoted;
}

TEST(Statements, EachCallSendsTheStatementsOfTheGoldenFile) {
  Environment env{{.demo = false}};
  std::map<std::string, ObjectRef> objects;
  std::ifstream in(KORVANDA_SOURCE_DIR "/tests/golden/statements/calls.txt");
  std::string line, call, where, logs;
  std::shared_ptr<ScriptedConnection> db;
  std::vector<std::string> expected, fields, sent;
  std::vector<std::vector<Variant>> rows;
  std::optional<std::string> returns;
  int32_t raises = 0, calls = 0;
  auto answer = [&] {  // the rows read for the last statement
    if (!fields.empty()) db->answer(sent.back(), makeRecordset(fields, rows));
    fields.clear();
    rows.clear();
  };
  auto run = [&] {  // the call read so far
    if (call.empty()) return;
    answer();
    SCOPED_TRACE(where);
    const size_t dot = call.find('.'), open = call.find('(');
    ObjectRef& object = objects[call.substr(0, dot)];
    if (!object) object = createObject("KORVANDA." + call.substr(0, dot));
    std::vector<Variant> args;
    for (const std::string& a : arguments(std::string_view(call).substr(open + 1, call.size() - open - 2)))
      args.push_back(value(a, db));
    env.clearTrace();
    env.clearLogs();
    slot::current() = db;
    Variant result;
    try {
      result = object->invoke(call.substr(dot + 1, open - dot - 1), kMethod | kPropertyGet, args);
      EXPECT_EQ(raises, 0);
    } catch (const Error& e) {
      EXPECT_EQ(e.number(), raises) << e.description();
    }
    EXPECT_EQ(korvanda::testing::readLines(env.tracePath()), expected);
    if (returns) {
      EXPECT_EQ(toText(result), *returns);
    }
    std::string logged;
    for (const auto& entry : env.logEntries()) logged += (logged.empty() ? "" : ", ") + entry.label;
    EXPECT_EQ(logged, logs);
    ++calls;
  };
  const std::string year = std::to_string(splitDate(now()).year);
  const std::string before = std::to_string(splitDate(now()).year - 1);
  for (int n = 1; std::getline(in, line); ++n) {
    for (size_t at; (at = line.find("${Y}")) != std::string::npos;) line.replace(at, 4, year);
    for (size_t at; (at = line.find("${Y-1}")) != std::string::npos;) line.replace(at, 6, before);
    const std::string rest = line.substr(line.find(' ') + 1);
    if (line.empty() || line[0] == '#' || line == "refused") continue;
    if (line.starts_with("{\"sql\":")) {
      answer();
      expected.push_back(line);
      sent.push_back(nlohmann::json::parse(line).at("sql"));
    } else if (line.starts_with("rows ")) {
      fields = arguments(rest);
    } else if (line.starts_with("row ")) {
      rows.emplace_back();
      for (const std::string& v : arguments(rest)) rows.back().push_back(value(v, db));
    } else if (line.starts_with("fails ")) {
      const size_t blank = rest.find(' ');
      db->fail(sent.back(), Error(std::stoi(rest.substr(0, blank)), "Provider", rest.substr(blank + 1)));
    } else if (line.starts_with("raises ")) {
      raises = std::stoi(rest);
    } else if (line.starts_with("returns ")) {
      returns = rest;
    } else if (line.starts_with("logs ")) {
      logs = rest;
    } else {
      run();
      where = "calls.txt line " + std::to_string(n) + ": " + line;
      call = line;
      db = ScriptedConnection::create();
      expected.clear();
      sent.clear();
      returns.reset();
      logs.clear();
      raises = 0;
    }
  }
  run();
  EXPECT_GE(calls, 140);
}

// A payment comes as a record set, which no line of the golden file can hold.
class Payments : public ::testing::Test {
 protected:
  void SetUp() override {
    cat = clsCatValida::create();
    slot::current() = db;
    env.clearTrace();
    env.clearLogs();
  }
  // Field order and extra fields do not matter.
  static RecordsetRef pago(Variant poliza, Variant fecha) {
    return makeRecordset(
        {"intNumPago", "extra", "pkpagoendoso", "intpkendoso", "strpkpoliza", "intpkinciso",
         "dblPrimaCaseg", "dblPrimaCgobFed", "dblPrimaCtotal", "dteFechaPago", "dblHectareas",
         "dblTipoCambio", "intMoneda"},
        {{int32_t{2}, "x", int32_t{17}, int32_t{3}, std::move(poliza), int32_t{1}, 1250.5, 3000.25,
          4250.75, std::move(fecha), 12.5, 1.0, int32_t{1}}});
  }
  std::vector<std::string> logged() const {
    std::vector<std::string> out;
    for (const auto& e : env.logEntries()) out.push_back(e.label);
    return out;
  }

  Environment env{{.demo = false}};
  std::shared_ptr<clsCatValida> cat;
  std::shared_ptr<ScriptedConnection> db = ScriptedConnection::create();
};

TEST_F(Payments, EachValueIsWrittenByItsType) {
  const std::string head = "INSERT INTO solrpagoendoso  values( 17, ";
  const std::string tail = ", 3, 1, 1250.5, 3000.25, 4250.75, ";
  const std::pair<RecordsetRef, std::string> cases[] = {
      {pago(int32_t{1001}, dateFromParts(2026, 3, 5)), "1001" + tail + "'05/03/2026'"},
      {pago("1001", dateFromParts(2026, 3, 5)), "'1001'" + tail + "'05/03/2026'"},
      {pago("10'01", "2026-03-05"), "'10''01'" + tail + "'05/03/2026'"},
      {pago(Null{}, dateFromParts(2026, 3, 5, 14, 30, 0)), "NULL" + tail + "'05/03/2026 14:30:00'"},
      // A text that reads as no date is left to the database, quoted.
      {pago(int32_t{1001}, "el 5 de marzo"), "1001" + tail + "'el 5 de marzo'"}};
  for (const auto& [rs, values] : cases) {
    env.clearTrace();
    EXPECT_TRUE(cat->savePagoEndoso(rs));
    EXPECT_EQ(env.statements(), std::vector<std::string>{head + values + ", 12.5, 1, 1, 2 )"});
  }
}

TEST_F(Payments, AMissingFieldOrARefusedInsert) {
  RecordsetRef rs = makeRecordset({"pkpagoendoso", "strpkpoliza"}, {{int32_t{1}, "5"}});
  EXPECT_EQ(errorOf([&] { cat->savePagoEndoso(rs); }).number(), 3265);
  EXPECT_TRUE(env.statements().empty());
  EXPECT_EQ(logged(), std::vector<std::string>{"KORVANDA.clsCatValida.savePagoEndoso"});
  EXPECT_EQ(errorOf([&] { cat->savePagoEndoso(nullptr); }).number(), 424);
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

TEST_F(Payments, RecordSetsAreDeliveredAsTheirSelectionsDeliverThem) {
  auto one = [](const char* field) { return makeRecordset({field}, {{int32_t{5}}}); };
  db->answer("SELECT * from SOLRPAGOSENDOSO WHERE pkconstancia=1 AND pkendoso=0 AND pkinciso=1 "
             "AND numeroPago=1", one("x"));
  EXPECT_EQ(cat->findPagoEndoso("1", 0, 1, 2), nullptr);  // nothing found: no object
  EXPECT_EQ(cat->findPagoEndoso("1", 0, 1, 1)->lockType(), adLockReadOnly);
  RecordsetRef rs = cat->getConstanciasSubD(12, 7, 2025, 2026, 12);
  EXPECT_EQ(rs->lockType(), adLockOptimistic);
  EXPECT_EQ(rs->cursorType(), adOpenDynamic);
  EXPECT_EQ(cat->getPolizasCobroD(), nullptr);
}

// The consecutive empties the shared slot when it counts fewer than two rows; the staging
// insert still runs on the connection it took.
TEST_F(Payments, TheConsecutiveEmptiesTheSlotBelowTwoRows) {
  const std::string count = "select count(pkConsec) as maxConsec from SUBMCONSECEXPFC ";
  for (auto [rows, emptied] : {std::pair{0, true}, {1, true}, {2, false}}) {
    slot::current() = db;
    db->answer(count, makeRecordset({"maxConsec"}, {{int32_t{rows}}}));
    EXPECT_EQ(cat->getPkConsecFc(), rows + 1);
    EXPECT_EQ(slot::current() == nullptr, emptied) << rows;
  }
  slot::current() = db;
  db->answer(count, makeRecordset({"maxConsec"}, {{int32_t{1}}}));
  EXPECT_TRUE(cat->InsertDatosExpFc(ConsecutivoFc, "F01", 1, 2, 2020));
  EXPECT_EQ(slot::current(), nullptr);
  EXPECT_EQ(db->received().back(), "INSERT INTO SUBMCONSECEXPFC VALUES ( 2,'F01',1,2,2020,1)");
}

TEST(CertificateRules, SemesterMonthsAndThePaymentYear) {
  for (int16_t semestre : {1, 2, 0, 3, -1, 32767, -32768}) {
    const MesesSemestre meses = getMesesdeSemestre(semestre);
    for (int i = 1; i <= 6; ++i) EXPECT_EQ(meses[i], semestre == 1 ? i : i + 6) << semestre;
  }
  // month asked for, month of the query: the year before when the month is still to come
  for (auto [mes, consulta, anio] : {std::tuple{12, 1, 2026}, {12, 12, 2027}, {1, 1, 2027},
                                     {1, 12, 2027}, {6, 5, 2026}, {5, 6, 2027}})
    EXPECT_EQ(anioPago(mes, consulta, 2027), anio) << mes << "/" << consulta;
  EXPECT_EQ(siguientePkPago(Variant("99")), 100);
  EXPECT_EQ(errorOf([] { siguientePkPago(Variant(int32_t{INT32_MAX})); }).number(), 6);
}

}  // namespace
