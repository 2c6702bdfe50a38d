// The two sent registers (subscriptions and claims), one suite, and the status procedure.
#include <gtest/gtest.h>

#include <functional>

#include "component/ModGlobal.h"
#include "korvanda/clsCatValida.h"
#include "registration_support.h"
#include "support/fixture.h"

namespace korvanda {
namespace {

using testing::Environment;
using testing::errorOf;

// Each member of a register bound to one entry (policy C'1) and a variation of its key; its
// table and the labels its failures log are its case in registration/kinds.tsv.
struct Register {
  const char* name;  // its case in registration/statements.tsv
  std::function<bool(clsCatValida&, ConnectionRef)> insert;
  std::function<bool(clsCatValida&)> duplicate;  // the duplicate test of that entry
  std::function<RecordsetRef(clsCatValida&)> list;
};
void PrintTo(const Register& r, std::ostream* os) { *os << r.name; }

const Register kRegisters[] = {
    {"enviadas",
     [](clsCatValida& cv, ConnectionRef c) {
       return cv.insertEnviado("C'1", "E1", 2, 3, 4, 2026, 12, 2025, 2026, std::move(c));
     },
     [](clsCatValida& cv) { return cv.getEnviadaDuplicada(12, "C'1", "E1", 2, 3, 4, 2025, 2026); },
     [](clsCatValida& cv) { return cv.getConstanciasEnviadas(12, 4, 2025, 2026); }},
    {"enviadasFc",
     [](clsCatValida& cv, ConnectionRef c) {
       return cv.insertEnviadoFc(1, 2026, "C'1", 7, 12, std::move(c));
     },
     [](clsCatValida& cv) { return cv.getEnviadaDuplicadaFc(1, 2026, "C'1", 7, 12); },
     [](clsCatValida& cv) { return cv.getConstanciasEnviadasFc(12, 1, 2026); }},
};

class SentRegister : public ::testing::TestWithParam<Register> {
 protected:
  void SetUp() override {
    cv = clsCatValida::create();
    env.clearTrace();
  }
  const std::vector<std::string> kind =
      test::golden("registration/kinds.tsv", GetParam().name).at(0);
  Environment env;
  std::shared_ptr<clsCatValida> cv;
};

INSTANTIATE_TEST_SUITE_P(Both, SentRegister, ::testing::ValuesIn(kRegisters),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_P(SentRegister, EntriesAreFoundByTheirKeyAndListed) {
  const Register& r = GetParam();
  EXPECT_FALSE(r.duplicate(*cv));
  ASSERT_TRUE(r.insert(*cv, nullptr));
  EXPECT_TRUE(r.duplicate(*cv));
  RecordsetRef rs = r.list(*cv);
  EXPECT_EQ(env.statements(), test::goldenStatements(r.name));
  ASSERT_EQ(rs->recordCount(), 1);
  EXPECT_EQ(toText(rs->value("poliza")), "C'1");
  // On the caller's connection too, a row each time.
  ASSERT_TRUE(r.insert(*cv, cv->getConexion()));
  EXPECT_EQ(r.list(*cv)->recordCount(), 2);
  // Nothing of another period: an empty record set, not a failure.
  getOpenConnection()->execute("DELETE FROM " + kind.at(0));
  RecordsetRef none = r.list(*cv);
  ASSERT_TRUE(none);
  EXPECT_TRUE(none->bof() && none->eof());
}

TEST_P(SentRegister, FailuresAreLoggedAtEachLevel) {
  const Register& r = GetParam();
  getOpenConnection()->execute("DROP TABLE " + kind.at(0));
  env.clearLogs();
  EXPECT_NE(errorOf([&] { r.insert(*cv, nullptr); }).number(), 0);
  EXPECT_NE(errorOf([&] { r.duplicate(*cv); }).number(), 0);
  EXPECT_NE(errorOf([&] { r.list(*cv); }).number(), 0);
  std::string labels;
  for (const auto& e : env.logEntries()) labels += (labels.empty() ? "" : ",") + e.label;
  EXPECT_EQ(labels, kind.at(4));
}

// The statement runs on the shared connection, never the one passed; its keys must be integers.
TEST(StatusProcedure, RunsOnTheSharedConnectionWithIntegerKeysOnly) {
  Environment env;
  auto cv = clsCatValida::create();
  auto passed = testing::ScriptedConnection::create();
  env.clearTrace();
  EXPECT_TRUE(cv->ActualizaStatusSubsidio("123", "4", 1, 12, 2025, 2026, passed));
  EXPECT_TRUE(passed->received().empty());
  EXPECT_EQ(env.statements(), test::goldenStatements("status"));
  env.clearTrace();
  for (auto [constancia, inciso] : {std::pair{"123", ""}, {"'123'", "4"}, {"1.5", "4"}}) {
    Error e = errorOf(
        [&] { cv->ActualizaStatusSubsidio(constancia, inciso, 1, 12, 2025, 2026, nullptr); });
    EXPECT_EQ(e.number(), 13) << constancia;
  }
  EXPECT_TRUE(env.statements().empty());
  EXPECT_EQ(env.logEntries().size(), 3u);
}
}  // namespace
}  // namespace korvanda
