// Reference lookups, code-to-key lookups and key generators against fixture rows, on either
// engine: statement texts, results, where "no object" and "empty record set" come back, and
// the log lines of failures.
#include <gtest/gtest.h>

#include <climits>
#include <fstream>
#include <iterator>

#include "catalogs/calls.h"
#include "component/ModGlobal.h"
#include "component/rows.h"
#include "korvanda/clsCatValida.h"
#include "lookups/lookups_support.h"
#include "registration/keys.h"

namespace korvanda {
namespace {

using namespace testing;

TEST(KeyReading, NullAndBlankReadAsZeroEverythingElseIsConverted) {
  const std::pair<Variant, std::string> cases[] = {
      {Null{}, "0"},      {Variant(), "0"},    {"", "0"},           {"  ", "0"},
      {"17", "17"},       {int64_t{17}, "17"}, {int32_t{-3}, "-3"}, {int32_t{40000}, "error 6"},
      {"abc", "error 13"}};
  for (const auto& [value, expected] : cases) {
    std::string got;
    try {
      got = std::to_string(rows::keyInt16(value));
    } catch (const Error& e) {
      got = "error " + std::to_string(e.number());
    }
    EXPECT_EQ(got, expected) << toText(value);
  }
  EXPECT_EQ(rows::keyInt32(Variant(int64_t{INT32_MAX})), INT32_MAX);
  EXPECT_EQ(errorOf([] { rows::keyInt32(Variant(int64_t{INT32_MAX} + 1)); }).number(), 6);
  EXPECT_FALSE(rows::firstKeyInt32(nullptr, "x").has_value());
  EXPECT_FALSE(rows::firstKeyInt32(makeRecordset({"x"}, {}), "x").has_value());
  EXPECT_EQ(rows::firstKeyInt32(makeRecordset({"x"}, {{Null{}}}), "X"), 0);
  // The digits of a cycle text's leading number.
  const std::pair<const char*, size_t> cycles[] = {
      {"2006", 4}, {" 2006 ", 4}, {"2006abc", 4}, {"06", 1},   {"0006", 1},
      {"", 1},     {"abc", 1},    {"-200", 4},    {"20.5", 4}, {"1e3", 4}};
  for (const auto& [text, digits] : cycles) EXPECT_EQ(keys::cycleDigits(text), digits) << text;
}

class Lookups : public ::testing::Test {
 protected:
  void SetUp() override {
    std::ifstream in(KORVANDA_SOURCE_DIR "/tests/golden/catalogs/lookups.sql");
    sqliteExec(env.databasePath(), {std::istreambuf_iterator<char>(in), {}});
  }
  void addAgricola(int64_t key) {
    sqliteExec(env.databasePath(),
               "INSERT INTO SUBMAGRICOLA (pkagricola, poliza, endoso, cveTipoEndoso, Inciso, "
               "ciclo, cveCultivo, PkCedente) VALUES (" +
                   std::to_string(key) + ", 'P" + std::to_string(key) +
                   "', '0', 0, 1, 'PV2006', 1, 1)");
  }

  Environment env{{.database = true, .demo = false, .registry = true}};
  clsCatValida cat;
};

TEST_F(Lookups, GoldenCalls) { checkCalls(env, cat, "lookups.calls"); }

// The generators release the shared connection while the maximum is below two (the livestock
// one keeps it); on the caller's connection they still release the shared one.
TEST_F(Lookups, GeneratorsAndTheSharedConnection) {
  std::vector<std::string> seen;
  auto next = [&](int32_t key) {
    seen.push_back(std::to_string(key) + (slot::current() ? " kept" : " released"));
  };
  next(cat.getPkAgricola());
  addAgricola(1);
  next(cat.getPkAgricola());
  addAgricola(2);
  next(cat.getPkAgricola());
  next(cat.getPkAgricolaFc());
  next(cat.getPkEnviado());
  next(cat.getPkEnviadoFc());
  next(cat.getPkGanadero());
  EXPECT_EQ(seen, (std::vector<std::string>{"1 released", "2 released", "3 kept", "1 released",
                                            "1 released", "1 released", "1 kept"}));

  auto caller = ScriptedConnection::create();
  caller->answer("select max(pkenviado) as maxenviado from SUBCONSENVIADAS",
                 makeRecordset({"maxenviado"}, {{int32_t{1}}}));
  caller->answer("select max(pkenviadaFc) as maxenviado from SUBCONSENVIADASFc",
                 makeRecordset({"maxenviado"}, {{int32_t{7}}}));
  ConnectionRef shared = getOpenConnection();
  EXPECT_EQ(cat.getPkEnviadoFc(ConnectionRef(caller)), 8);
  EXPECT_EQ(slot::current(), shared);
  EXPECT_EQ(cat.getPkEnviado(ConnectionRef(caller)), 2);
  EXPECT_EQ(slot::current(), nullptr);
  EXPECT_EQ(cat.getPkAgricola(ConnectionRef(ScriptedConnection::create())),
            1);  // no rows: a maximum of 0
}

TEST_F(Lookups, RejectedStatementsLogEachLevel) {
  auto conn = ScriptedConnection::create();
  slot::current() = conn;
  script(*conn, "rejected.answers");
  checkCalls(env, cat, "rejected.calls");
  env.clearLogs();
  EXPECT_EQ(errorOf([&] { getPkMunicipio(cat, 1, 2); }).number(), -2147217900);
  std::vector<std::string> labels;
  for (const auto& entry : env.logEntries()) labels.push_back(entry.label);
  EXPECT_EQ(labels, (std::vector<std::string>{"KORVANDA.clsCatValida.Seleccionar",
                                              "KORVANDA.clsCatValida.getPkMunicipio"}));
}

}  // namespace
}  // namespace korvanda
