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

struct Sent {
  std::string trace;
  std::vector<std::string> fields;
  std::vector<std::vector<Variant>> rows;
  std::optional<Error> failure;
};

struct Call {
  int line = 0;
  std::string object, member;
  std::vector<std::string> args;  // as written
  std::vector<Sent> sent;
  std::optional<int32_t> raises;
  std::optional<std::string> returns, logs;
};

// Comma-separated fields; a field in double quotes may hold commas.
std::vector<std::string> csv(std::string_view s) {
  std::vector<std::string> out(1);
  for (size_t i = 0; i < s.size(); ++i) {
    if (s[i] == '"') {
      for (++i; i < s.size() && s[i] != '"'; ++i) out.back() += s[i];
    } else if (s[i] == ',') {
      out.emplace_back();
    } else {
      out.back() += s[i];
    }
  }
  return out;
}

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

std::string unquoted(const std::string& quoted) {
  std::string text = quoted.substr(1, quoted.size() - 2);
  for (size_t at = 0; (at = text.find("''", at)) != std::string::npos; ++at) text.erase(at, 1);
  return text;
}

std::string withYears(std::string s) {
  const int32_t y = splitDate(now()).year;
  for (auto [mark, value] : {std::pair{"${Y}", y}, std::pair{"${Y-1}", y - 1}})
    for (size_t at; (at = s.find(mark)) != std::string::npos;)
      s.replace(at, std::string_view(mark).size(), std::to_string(value));
  return s;
}

std::vector<Call> readCalls(const std::string& path) {
  std::ifstream in(path);
  EXPECT_TRUE(in) << path;
  std::vector<Call> calls;
  std::string line;
  for (int n = 1; std::getline(in, line); ++n) {
    line = withYears(line);
    auto word = [&](std::string_view w) { return line.starts_with(w) ? line.substr(w.size()) : ""; };
    if (line.empty() || line[0] == '#' || line == "refused") continue;
    if (line.starts_with("{\"sql\":")) {
      calls.back().sent.emplace_back().trace = line;
    } else if (line.starts_with("rows ")) {
      calls.back().sent.back().fields = csv(word("rows "));
    } else if (line.starts_with("row ")) {
      std::vector<Variant> row;
      for (const std::string& v : csv(word("row "))) row.push_back(v == "NULL" ? Variant(Null{}) : v);
      calls.back().sent.back().rows.push_back(row);
    } else if (line.starts_with("fails ")) {
      const size_t blank = line.find(' ', 6);
      calls.back().sent.back().failure =
          Error(std::stoi(line.substr(6, blank - 6)), "Provider", line.substr(blank + 1));
    } else if (line.starts_with("raises ")) {
      calls.back().raises = std::stoi(word("raises "));
    } else if (line.starts_with("returns ")) {
      calls.back().returns = word("returns ");
    } else if (line.starts_with("logs ")) {
      calls.back().logs = word("logs ");
    } else {
      const size_t dot = line.find('.'), open = line.find('(');
      EXPECT_TRUE(dot < open && line.ends_with(")")) << "line " << n << ": " << line;
      Call& call = calls.emplace_back();
      call.line = n;
      call.object = line.substr(0, dot);
      call.member = line.substr(dot + 1, open - dot - 1);
      call.args = arguments(std::string_view(line).substr(open + 1, line.size() - open - 2));
    }
  }
  return calls;
}

TEST(Statements, EachCallSendsTheStatementsOfTheGoldenFile) {
  Environment env{{.demo = false}};
  const std::vector<Call> calls = readCalls(KORVANDA_SOURCE_DIR "/tests/golden/statements/calls.txt");
  EXPECT_GE(calls.size(), 140u);
  std::map<std::string, ObjectRef> objects;
  for (const Call& call : calls) {
    SCOPED_TRACE("calls.txt line " + std::to_string(call.line) + ": " + call.member);
    ObjectRef& object = objects["KORVANDA." + call.object];
    if (!object) object = createObject("KORVANDA." + call.object);
    auto db = ScriptedConnection::create();
    slot::current() = db;
    std::vector<Variant> args;
    for (const std::string& a : call.args) {
      if (a == "conn") args.emplace_back(db);
      else if (a == "Null") args.emplace_back(Null{});
      else if (a.starts_with('\'')) args.emplace_back(unquoted(a));
      else args.emplace_back(a);
    }
    std::vector<std::string> expected;
    for (const Sent& s : call.sent) {
      expected.push_back(s.trace);
      const std::string sql = nlohmann::json::parse(s.trace).at("sql");
      if (!s.fields.empty()) db->answer(sql, makeRecordset(s.fields, s.rows));
      if (s.failure) db->fail(sql, *s.failure);
    }
    env.clearTrace();
    env.clearLogs();
    Variant result;
    int32_t raised = 0;
    try {
      result = object->invoke(call.member, kMethod | kPropertyGet, args);
    } catch (const Error& e) {
      raised = e.number();
    }
    EXPECT_EQ(raised, call.raises.value_or(0));
    EXPECT_EQ(korvanda::testing::readLines(env.tracePath()), expected);
    if (call.returns) {
      EXPECT_EQ(toText(result), *call.returns);
    }
    std::string logged;
    for (const auto& e : env.logEntries()) logged += (logged.empty() ? "" : ", ") + e.label;
    EXPECT_EQ(logged, call.logs.value_or(""));
  }
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
