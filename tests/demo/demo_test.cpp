// `korvanda demo`, run as a user runs it: what it prints, the files and logs it leaves, the
// database afterwards, a second run in the same directory, and the directories it refuses.
#include <gtest/gtest.h>

#include <algorithm>
#include <ctime>
#include <fstream>
#include <regex>
#include <string>
#include <vector>

#include "korvanda/administration.h"
#include "korvanda/textform.h"
#include "support/fixture.h"

using korvanda::testing::readLines;
using korvanda::testing::TempDir;
namespace fs = std::filesystem;

namespace {

struct Outcome {
  int exitCode = -1;
  std::string out, err;
};

std::string slurp(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// The command-line host with these arguments; stdout is a pipe, so no progress bars.
Outcome korvanda(const std::string& args, const fs::path& scratch) {
  const fs::path err = scratch / "stderr.txt";
  const std::string cmd = KORVANDA_BINARY_DIR "/bin/korvanda " + args + " 2>'" + err.string() + "'";
  Outcome run;
  const auto shell = korvanda::testing::runShell(cmd);
  run.out = shell.out;
  run.exitCode = shell.status;
  run.err = slurp(err);
  return run;
}

std::string scalar(const fs::path& db, const std::string& sql) {
  return korvanda::toText(korvanda::openDatabase(db.string())->query(sql)->value(size_t{0}));
}

std::string replaceYear(std::string s, const std::string& year) {
  for (size_t at; (at = s.find("{Y}")) != std::string::npos;) s.replace(at, 3, year);
  return s;
}

std::time_t clock = std::time(nullptr);
const std::string Y = std::to_string(std::localtime(&clock)->tm_year + 1900);

// One demo run shared by the tests that only look at its results.
class DemoRun : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    temp_ = new TempDir();
    run_ = new Outcome(korvanda("demo --dir '" + dir().string() + "'", temp_->path()));
  }
  static void TearDownTestSuite() { delete run_, delete temp_; }
  static fs::path dir() { return temp_->path() / "demo"; }
  static const Outcome& run() { return *run_; }
  static inline TempDir* temp_ = nullptr;
  static inline Outcome* run_ = nullptr;
};

TEST_F(DemoRun, ReportsEachStepWithItsCounts) {
  ASSERT_EQ(run().exitCode, 0) << run().out << run().err;
  EXPECT_EQ(run().err, "");
  const std::string out = "\n" + run().out;
  // Each block of the golden file as consecutive whole lines of the output.
  std::string block;
  const auto check = [&] {
    if (!block.empty()) EXPECT_NE(out.find("\n" + block), std::string::npos) << block;
    block.clear();
  };
  for (const auto& line : readLines(KORVANDA_SOURCE_DIR "/tests/golden/demo/output_blocks.txt")) {
    if (line.starts_with("#")) continue;
    if (line.empty()) check();
    else block += replaceYear(line, Y) + "\n";
  }
  check();
  // The sent register: full after marking, empty after unmarking.
  const std::regex holds(R"(\n   getConstanciasEnviadas:[^\n]* holds (\d+) rows\n)");
  std::string counts;
  for (std::sregex_iterator m(out.begin(), out.end(), holds), end; m != end; ++m)
    counts += (*m)[1].str() + " ";
  EXPECT_EQ(counts, "6 0 ");
  // Every certificate of the portfolio that is due, once, and none that is not.
  for (const char* c : {"5001 item 1 endorsement 0", "5002 item 1 endorsement 0",
                        "5002 item 1 endorsement 1", "5003 item 1 endorsement 0",
                        "5004 item 1 endorsement 0", "5004 item 2 endorsement 0"}) {
    const std::string line = std::string("\n     certificate ") + c;
    EXPECT_NE(out.find(line), std::string::npos) << c;
    EXPECT_EQ(out.find(line, out.find(line) + 1), std::string::npos) << c;
  }
  EXPECT_EQ(out.find("certificate 5005"), std::string::npos);
  EXPECT_EQ(out.find("certificate 5006"), std::string::npos);
}

TEST_F(DemoRun, LogsEachDuplicateOnceAndPrintsTheLinesItLogged) {
  const auto duplicates = readLines(dir() / "Errores.log");
  ASSERT_EQ(duplicates.size(), 2u);
  const std::string when = R"(\|\d\d/\d\d/\d{4} \d\d:\d\d:\d\d\|0\|)";
  for (auto [line, number, poliza] : {std::tuple{duplicates[0], "1009", "AG-" + Y + "-0101"},
                                      {duplicates[1], "2011", "GA-" + Y + "-0201"}})
    EXPECT_TRUE(std::regex_match(line, std::regex(number + when + "El registro de constancia=" +
                                                  poliza + " esta duplicado")))
        << line;
  for (const auto& d : duplicates)  // printed as the log holds it
    EXPECT_NE(run().out.find("\n      " + d + "\n"), std::string::npos) << d;
  const auto errors = readLines(dir() / "logFile.log");
  ASSERT_EQ(errors.size(), 1u);
  const auto entry = korvanda::testing::parseLogLine(errors[0]);
  EXPECT_EQ(entry.label, "KORVANDA.clsCatValida.InsertAgricola");
  EXPECT_EQ(entry.number, -2147220503);
}

TEST_F(DemoRun, ExportFilesHoldOneCrLfLinePerRecordFilledByFieldName) {
  for (auto [name, lines, fields] : {std::tuple{"suscripcion_agricola.dat", 6, 63},
                                     {"formatoB_polizas.txt", 6, 30},
                                     {"formatoB_personas.txt", 6, 40},
                                     {"formatoC_siniestros.txt", 3, 17},
                                     {"sin_siniestros_ganadero.txt", 1, 20}}) {
    const std::string data = slurp(dir() / name);
    std::string crlf = data;
    for (size_t at; (at = crlf.find("\r\n")) != std::string::npos;) crlf.replace(at, 2, "\n");
    EXPECT_EQ(std::count(crlf.begin(), crlf.end(), '\n'), lines) << name;
    EXPECT_EQ(std::count(data.begin(), data.end(), '\n'), lines) << name;
    EXPECT_EQ(std::count(data.begin(), data.end(), '|'), lines * (fields - 1)) << name;
    // Where the demo says so, with the same count.
    EXPECT_NE(run().out.find((dir() / name).string() + "\n                         " +
                             std::to_string(lines) + (lines == 1 ? " line, " : " lines, ")),
              std::string::npos) << name;
  }
  // Windows-1252, each record filled by field name; the export tests check the layouts.
  const auto claims = readLines(dir() / "formatoC_siniestros.txt");
  EXPECT_EQ(claims.at(0), "AG-" + Y + "-0101|1|Hern\xE1ndez|N\xFAnez|Mar\xED" "a Guadalupe|"
                          "HENG780412MJCRXD05|HENG780412QX3|PV" + Y + "|1|2|14|120|1|1|5.25|42187.5|"
                          "20.7214,-103.3918");
  EXPECT_EQ(slurp(dir() / "sin_siniestros_ganadero.txt"),
            "F002|0|0||||0|0|0|0|0|0|0|0|0|0|0|0|0|2\r\n");
}

TEST_F(DemoRun, DatabaseAfterTheRun) {
  const fs::path db = dir() / "subsidios.db";
  for (auto [sql, value] : {std::pair{"SELECT count(*) FROM SUBMAGRICOLA", "6"},
                            {"SELECT count(*) FROM SUBMAGRICOLAFC", "3"},
                            {"SELECT count(*) FROM SUBMGANADERO", "3"},
                            {"SELECT count(*) FROM SUBCONSENVIADAS", "0"},
                            // only the payment sent before the demo stays marked
                            {"SELECT max(PkCobranza) FROM SICIMCOBRANZA WHERE EnviadoSubsidio <> 0",
                             "7"},
                            {"SELECT count(*) FROM SICIMCOBRANZA WHERE EnviadoSubsidio <> 0", "1"}})
    EXPECT_EQ(scalar(db, sql), value) << sql;
  EXPECT_NE(slurp(dir() / "registry.ini").find("DatosServerDos=sqlite|||" + db.string()),
            std::string::npos);
}

TEST(Demo, ASecondRunStartsAfreshKeepsOtherFilesAndOthersDirectoriesAreRefused) {
  TempDir temp;
  const fs::path dir = temp.path() / "demo";
  ASSERT_EQ(korvanda("demo --dir '" + dir.string() + "'", temp.path()).exitCode, 0);
  std::ofstream(dir / "notas.txt") << "mis notas\n";
  const Outcome second = korvanda("demo --dir '" + dir.string() + "'", temp.path());
  ASSERT_EQ(second.exitCode, 0) << second.out << second.err;
  EXPECT_EQ(readLines(dir / "Errores.log").size(), 2u);
  EXPECT_EQ(readLines(dir / "logFile.log").size(), 1u);
  EXPECT_EQ(scalar(dir / "subsidios.db", "SELECT count(*) FROM SUBMAGRICOLA"), "6");
  EXPECT_EQ(slurp(dir / "notas.txt"), "mis notas\n");

  const fs::path other = temp.path() / "datos";
  fs::create_directories(other);
  std::ofstream(other / "subsidios.db") << "not the demo's";
  const Outcome refused = korvanda("demo --dir '" + other.string() + "'", temp.path());
  EXPECT_EQ(refused.exitCode, 1);
  EXPECT_EQ(refused.err, "error 5: " + other.string() +
                             " holds files that a demo did not write; give a new or empty "
                             "directory with --dir\n  source: korvanda demo\n");
  EXPECT_EQ(slurp(other / "subsidios.db"), "not the demo's");
  EXPECT_FALSE(fs::exists(other / "registry.ini"));
  const Outcome notADir = korvanda("demo --dir '" + (dir / "notas.txt").string() + "'", temp.path());
  EXPECT_EQ(notADir.exitCode, 1);
  EXPECT_NE(notADir.err.find("exists and is not a directory"), std::string::npos);

  const Outcome help = korvanda("demo --help", temp.path());
  EXPECT_EQ(help.exitCode, 0);
  EXPECT_NE(help.out.find("Example:\n  korvanda demo --dir /tmp/korvanda-demo"), std::string::npos);
  EXPECT_NE(help.out.find("removes the files an earlier demo wrote"), std::string::npos);
}

}  // namespace
