// The statements that members send, to the character: every call of
// tests/golden/statements/calls.txt is made by name, as the application makes it, on a scripted
// connection, and the trace must hold exactly the lines written under it. The few behaviours
// that no line of that file can state (the shared slot, the cursor of what is delivered, the
// rules computed apart) follow it.
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

Variant value(const std::string& text, const ConnectionRef& db);

// A record set of one row: rs(field=value; ...), each value typed as it is written.
RecordsetRef recordset(const std::string& text, const ConnectionRef& db) {
  std::vector<std::string> fields;
  std::vector<Variant> row;
  for (size_t at = 3, end; at < text.size(); at = end + 2) {
    end = std::min(text.find("; ", at), text.size() - 1);
    const std::string field = text.substr(at, end - at), v = field.substr(field.find('=') + 1);
    fields.push_back(field.substr(0, field.find('=')));
    if (v.starts_with('#')) row.emplace_back(*parseDate(v.substr(1, v.size() - 2)));
    else if (v.find_first_not_of("-0123456789") == std::string::npos) row.emplace_back(std::stoi(v));
    else if (v.find_first_not_of("-0123456789.") == std::string::npos) row.emplace_back(std::stod(v));
    else row.push_back(value(v, db));
  }
  return makeRecordset(fields, {row});
}

// An argument or a value of an answer row as the file writes it.
Variant value(const std::string& text, const ConnectionRef& db) {
  if (text == "conn") return Variant(db);
  if (text == "NULL" || text == "Null") return Variant(Null{});
  if (text == "Nothing") return Variant(nullptr);
  if (text.starts_with("rs(")) return Variant(recordset(text, db));
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

// What no line of the golden file can state: the slot, the properties of what is delivered.
class Delivery : public ::testing::Test {
 protected:
  void SetUp() override {
    cat = clsCatValida::create();
    slot::current() = db;
    env.clearTrace();
    env.clearLogs();
  }
  Environment env{{.demo = false}};
  std::shared_ptr<clsCatValida> cat;
  std::shared_ptr<ScriptedConnection> db = ScriptedConnection::create();
};

TEST_F(Delivery, RecordSetsAreDeliveredAsTheirSelectionsDeliverThem) {
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
TEST_F(Delivery, TheConsecutiveEmptiesTheSlotBelowTwoRows) {
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
