// `korvanda demo`, run as a user runs it: what it prints, the files it leaves, the logs and the
// database afterwards, a second run in the same directory, and the directories it refuses.
#include <gtest/gtest.h>
#include <sqlite3.h>
#include <sys/wait.h>

#include <algorithm>
#include <ctime>
#include <fstream>
#include <iterator>
#include <regex>
#include <string>
#include <vector>

#include "sqlite/functions.h"
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
  std::string cmd = KORVANDA_BINARY_DIR "/bin/korvanda " + args + " 2>'" + err.string() + "'";
  Outcome run;
  FILE* p = ::popen(cmd.c_str(), "r");
  if (!p) return run;
  char buf[4096];
  for (size_t n; (n = fread(buf, 1, sizeof buf, p)) > 0;) run.out.append(buf, n);
  int status = ::pclose(p);
  run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  run.err = slurp(err);
  return run;
}

std::vector<std::string> lines(const std::string& text) {
  std::vector<std::string> out;
  size_t at = 0;
  for (size_t nl; (nl = text.find('\n', at)) != std::string::npos; at = nl + 1)
    out.push_back(text.substr(at, nl - at));
  return out;
}

bool hasLine(const std::string& text, const std::string& line) {
  auto all = lines(text);
  return std::find(all.begin(), all.end(), line) != all.end();
}

std::vector<std::string> split(const std::string& line) {
  std::vector<std::string> fields;
  size_t at = 0;
  for (size_t bar; (bar = line.find('|', at)) != std::string::npos; at = bar + 1)
    fields.push_back(line.substr(at, bar - at));
  fields.push_back(line.substr(at));
  return fields;
}

int currentYear() {
  std::time_t t = std::time(nullptr);
  std::tm local{};
  localtime_r(&t, &local);
  return local.tm_year + 1900;
}

std::string scalar(const fs::path& db, const std::string& sql) {
  sqlite3* raw = nullptr;
  sqlite3_open_v2(db.c_str(), &raw, SQLITE_OPEN_READONLY, nullptr);
  std::unique_ptr<sqlite3, int (*)(sqlite3*)> guard(raw, sqlite3_close);
  korvanda::sqlite::registerTsqlFunctions(raw);
  sqlite3_stmt* stmt = nullptr;
  if (sqlite3_prepare_v2(raw, sql.c_str(), -1, &stmt, nullptr) != SQLITE_OK)
    return std::string("(error) ") + sqlite3_errmsg(raw);
  std::unique_ptr<sqlite3_stmt, int (*)(sqlite3_stmt*)> finalize(stmt, sqlite3_finalize);
  if (sqlite3_step(stmt) != SQLITE_ROW) return "(none)";
  const unsigned char* v = sqlite3_column_text(stmt, 0);
  return v ? reinterpret_cast<const char*>(v) : "(null)";
}

// One demo run shared by the tests that only look at its results.
class DemoRun : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    temp_ = new TempDir();
    run_ = new Outcome(korvanda("demo --dir '" + dir().string() + "'", temp_->path()));
  }
  static void TearDownTestSuite() {
    delete run_;
    delete temp_;
  }
  static fs::path dir() { return temp_->path() / "demo"; }
  static const Outcome& run() { return *run_; }

  static inline TempDir* temp_ = nullptr;
  static inline Outcome* run_ = nullptr;
};

const std::string Y = std::to_string(currentYear());

TEST_F(DemoRun, ReportsEachStepWithItsCounts) {
  ASSERT_EQ(run().exitCode, 0) << run().out << run().err;
  EXPECT_EQ(run().err, "");
  const std::string& out = run().out;
  EXPECT_TRUE(hasLine(out, "   Registered 12 records: SUBMAGRICOLA 6, SUBMAGRICOLAFC 3, "
                           "SUBMGANADERO 3; 3 duplicates refused (1 raised, 2 logged)")) << out;
  EXPECT_TRUE(hasLine(out, "   getConstanciasSubD: 6 movements paid by the close of the month "
                           "and not sent yet"));
  EXPECT_TRUE(hasLine(out, "   insertEnviado: 6 entered in the sent register; "
                           "ActualizaStatusSubsidio: 6 marked as sent"));
  EXPECT_TRUE(hasLine(out, "   getConstanciasSubD again: 0 movements (the sent ones are no longer due)"));
  EXPECT_TRUE(hasLine(out, "   getDesmarcaConstanciasSubD: True"));
  EXPECT_TRUE(hasLine(out, "   getConstanciasSubD again: 6 movements (due again, as before the delivery)"));
  // The sent register: full after marking, empty after unmarking.
  const auto all = lines(out);
  std::vector<std::string> register_;
  for (const auto& l : all)
    if (l.starts_with("   getConstanciasEnviadas:")) register_.push_back(l.substr(l.rfind(" holds ")));
  EXPECT_EQ(register_, (std::vector<std::string>{" holds 6 rows", " holds 0 rows"}));
  // Every certificate of the portfolio that is due, once, and none that is not.
  for (const char* c : {"5001 item 1 endorsement 0", "5002 item 1 endorsement 0",
                        "5002 item 1 endorsement 1", "5003 item 1 endorsement 0",
                        "5004 item 1 endorsement 0", "5004 item 2 endorsement 0"})
    EXPECT_EQ(std::count_if(all.begin(), all.end(), [&](const std::string& l) {
                return l.starts_with(std::string("     certificate ") + c);
              }), 1) << c;
  EXPECT_EQ(out.find("certificate 5005"), std::string::npos);
  EXPECT_EQ(out.find("certificate 5006"), std::string::npos);
}

TEST_F(DemoRun, DuplicatesAreReportedBothWays) {
  const std::string& out = run().out;
  // Raised: number, source and the description, its CR shown as a new line.
  const std::string raised =
      "   insertAgricola    AG-" + Y + "-0102 end. 0 item 1  O'Farrill Peña José Ángel\n"
      "      reported to \"Window\": raised error -2147220503 (source .insertAgricola)\n"
      "        El registro que intenta insertar esta duplicado\n"
      "              , verifique e intente nuevamente\n";
  EXPECT_NE(out.find(raised), std::string::npos) << out;

  const auto duplicates = readLines(dir() / "Errores.log");
  ASSERT_EQ(duplicates.size(), 2u);
  const std::string when = R"(\|\d\d/\d\d/\d{4} \d\d:\d\d:\d\d\|0\|)";
  EXPECT_TRUE(std::regex_match(duplicates[0], std::regex("1009" + when + "El registro de constancia=AG-" +
                                                         Y + "-0101 esta duplicado")))
      << duplicates[0];
  EXPECT_TRUE(std::regex_match(duplicates[1], std::regex("2011" + when + "El registro de constancia=GA-" +
                                                         Y + "-0201 esta duplicado")))
      << duplicates[1];
  // The demo prints each logged line as the log holds it.
  EXPECT_TRUE(hasLine(out, "      " + duplicates[0]));
  EXPECT_TRUE(hasLine(out, "      " + duplicates[1]));

  // The raised duplicate is the one line of the error log.
  const auto errors = readLines(dir() / "logFile.log");
  ASSERT_EQ(errors.size(), 1u);
  const auto entry = korvanda::testing::parseLogLine(errors[0]);
  EXPECT_EQ(entry.label, "KORVANDA.clsCatValida.InsertAgricola");
  EXPECT_EQ(entry.number, -2147220503);
  EXPECT_EQ(entry.source, ".insertAgricola");
  // The description's CR is written escaped in the log.
  EXPECT_EQ(entry.description,
            "El registro que intenta insertar esta duplicado\\r      , verifique e intente nuevamente");
}

TEST_F(DemoRun, ExportFilesHaveOneCrLfLinePerRecord) {
  struct Expected {
    const char* name;
    size_t lines, fields;
  };
  for (const Expected& e : {Expected{"suscripcion_agricola.dat", 6, 63},
                            Expected{"formatoB_polizas.txt", 6, 30},
                            Expected{"formatoB_personas.txt", 6, 40},
                            Expected{"formatoC_siniestros.txt", 3, 17},
                            Expected{"sin_siniestros_ganadero.txt", 1, 20}}) {
    SCOPED_TRACE(e.name);
    const fs::path file = dir() / e.name;
    const std::string data = slurp(file);
    ASSERT_TRUE(data.ends_with("\r\n"));
    EXPECT_EQ(std::count(data.begin(), data.end(), '\n'), static_cast<long>(e.lines));
    size_t crlf = 0;
    for (size_t at = 0; (at = data.find("\r\n", at)) != std::string::npos; at += 2) ++crlf;
    EXPECT_EQ(crlf, e.lines);
    for (const auto& line : readLines(file)) EXPECT_EQ(split(line).size(), e.fields) << line;
    // Where the demo says so, with the same count.
    EXPECT_NE(run().out.find(file.string() + "\n                         " +
                             std::to_string(e.lines) + (e.lines == 1 ? " line, " : " lines, ")),
              std::string::npos);
  }
}

TEST_F(DemoRun, ExportRecordsAreFilledByFieldName) {
  // Windows-1252, the "Ñ" rule in the subscription data file, not in the Format B policy file.
  const auto dat = readLines(dir() / "suscripcion_agricola.dat");
  ASSERT_EQ(dat.size(), 6u);
  auto f = split(dat[0]);
  EXPECT_EQ(f[0], "AG-" + Y + "-0101");
  EXPECT_EQ(f[4], "Hern\xE1ndez");
  EXPECT_EQ(f[5], "N\xFAnez");  // "Ñúñez"
  EXPECT_EQ(f[10], "HENG780412MJCRXD05");  // CURP, from the record's identification
  EXPECT_EQ(f[18] + "|" + f[19], "14|120");  // state and municipality codes of the record
  EXPECT_TRUE(std::regex_match(f[31], std::regex(R"(\d\d/\d\d/)" + Y)));  // paid, day first
  EXPECT_EQ(f[49] + "|" + f[50] + "|" + f[51] + "|" + f[52], "Zapopan|120|Jalisco|14");
  EXPECT_EQ(f[7] + f[8] + f[9] + f[33] + f[34], "");  // fields no record carries are empty
  EXPECT_EQ(split(dat[1])[4], "O'Farrill");
  EXPECT_EQ(split(dat[2])[1] + "|" + split(dat[2])[2], "1|1");  // the endorsement of 0102

  const auto polizas = readLines(dir() / "formatoB_polizas.txt");
  EXPECT_EQ(split(polizas[0])[5], "\xD1\xFA\xF1" "ez");

  const auto personas = readLines(dir() / "formatoB_personas.txt");
  f = split(personas[0]);
  EXPECT_EQ(f[2], "Mar\xED" "a Guadalupe");  // Nombre_PF
  EXPECT_EQ(f[12] + "|" + f[13], "0|0");  // defaults of the persons file
  EXPECT_EQ(f[14] + "|" + f[15] + "|" + f[16] + "|" + f[17], "Jalisco|14|Zapopan|120");
  EXPECT_EQ(f[28], "SN");

  const auto claims = readLines(dir() / "formatoC_siniestros.txt");
  ASSERT_EQ(claims.size(), 3u);
  EXPECT_EQ(claims[0], "AG-" + Y + "-0101|1|Hern\xE1ndez|N\xFAnez|Mar\xED" "a Guadalupe|"
                       "HENG780412MJCRXD05|HENG780412QX3|PV" + Y + "|1|2|14|120|1|1|5.25|42187.5|"
                       "20.7214,-103.3918");
  EXPECT_EQ(claims[2], "AG-" + Y + "-0104|1|Castaneda|Orduna|Jes\xFAs|CAOJ720118HMNSRS01|"
                       "CAOJ720118AB2|PV" + Y + "|3|1|11|17|1|5|6|28800|20.6767,-101.3563");

  EXPECT_EQ(slurp(dir() / "sin_siniestros_ganadero.txt"),
            "F002|0|0||||0|0|0|0|0|0|0|0|0|0|0|0|0|2\r\n");
}

TEST_F(DemoRun, DatabaseAfterTheRun) {
  const fs::path db = dir() / "subsidios.db";
  EXPECT_EQ(scalar(db, "SELECT count(*) FROM SUBMAGRICOLA"), "6");
  EXPECT_EQ(scalar(db, "SELECT count(*) FROM SUBMAGRICOLAFC"), "3");
  EXPECT_EQ(scalar(db, "SELECT count(*) FROM SUBMGANADERO"), "3");
  EXPECT_EQ(scalar(db, "SELECT apPaterno FROM SUBMAGRICOLA WHERE poliza = 'AG-" + Y +
                           "-0102' AND endoso = '0'"),
            "O'Farrill");
  // Unmarked: the register is empty and only the payment sent before the demo stays marked.
  EXPECT_EQ(scalar(db, "SELECT count(*) FROM SUBCONSENVIADAS"), "0");
  EXPECT_EQ(scalar(db, "SELECT group_concat(PkCobranza) FROM SICIMCOBRANZA WHERE EnviadoSubsidio <> 0"),
            "7");
  // The registry file names this database on the embedded engine.
  EXPECT_NE(slurp(dir() / "registry.ini").find("DatosServerDos=sqlite|||" + db.string()),
            std::string::npos);
}

TEST(Demo, ASecondRunStartsAfreshAndKeepsOtherFiles) {
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
}

TEST(Demo, RefusesADirectoryWithOtherFiles) {
  TempDir temp;
  const fs::path dir = temp.path() / "datos";
  fs::create_directories(dir);
  std::ofstream(dir / "subsidios.db") << "not the demo's";
  const Outcome run = korvanda("demo --dir '" + dir.string() + "'", temp.path());
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_EQ(run.err, "error 5: " + dir.string() +
                         " holds files that a demo did not write; give a new or empty directory "
                         "with --dir\n  source: korvanda demo\n");
  EXPECT_EQ(slurp(dir / "subsidios.db"), "not the demo's");
  EXPECT_FALSE(fs::exists(dir / "registry.ini"));

  std::ofstream(temp.path() / "archivo") << "x";
  const Outcome notADir = korvanda("demo --dir '" + (temp.path() / "archivo").string() + "'", temp.path());
  EXPECT_EQ(notADir.exitCode, 1);
  EXPECT_NE(notADir.err.find("exists and is not a directory"), std::string::npos);
}

TEST(Demo, HelpSaysWhatItDoesWithAnExample) {
  TempDir temp;
  const Outcome help = korvanda("demo --help", temp.path());
  EXPECT_EQ(help.exitCode, 0);
  EXPECT_NE(help.out.find("Example:\n  korvanda demo --dir /tmp/korvanda-demo"), std::string::npos)
      << help.out;
  EXPECT_NE(help.out.find("removes the files an earlier demo wrote"), std::string::npos);
}

}  // namespace
