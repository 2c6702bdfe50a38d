// `korvanda demo`, run as a user runs it: what it prints, the files and logs it leaves, the
// database afterwards, a second run in the same directory, and the directories it refuses.
#include <gtest/gtest.h>

#include <algorithm>
#include <ctime>
#include <fstream>
#include <string>

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

// `korvanda demo` with these arguments; stdout is a pipe, so no progress bars.
Outcome demo(const std::string& args, const fs::path& scratch) {
  const fs::path err = scratch / "stderr.txt";
  const auto shell = korvanda::testing::runShell(KORVANDA_BINARY_DIR "/bin/korvanda demo " + args +
                                                 " 2>'" + err.string() + "'");
  return {shell.status, shell.out, slurp(err)};
}

std::string scalar(const fs::path& db, const std::string& sql) {
  return korvanda::toText(korvanda::openDatabase(db.string())->query(sql)->value(size_t{0}));
}

TEST(Demo, PrintsEachStepAndLeavesItsFilesLogsAndDatabase) {
  TempDir temp;
  const fs::path dir = temp.path() / "demo";
  const Outcome run = demo("--dir '" + dir.string() + "'", temp.path());
  ASSERT_EQ(run.exitCode, 0) << run.out << run.err;
  EXPECT_EQ(run.err, "");
  // Each block of the golden file as consecutive whole lines of the output.
  const std::time_t clock = std::time(nullptr);
  const std::tm now = *std::localtime(&clock);
  const auto twoDigits = [](int n) { return (n < 10 ? "0" : "") + std::to_string(n); };
  const std::string year = std::to_string(now.tm_year + 1900);
  // Payments fall on day N of the month, or today if that is earlier.
  std::vector<std::pair<std::string, std::string>> values = {
      {"{Y}", year}, {"{M}", twoDigits(now.tm_mon + 1)},
      {"{S}", now.tm_mon < 6 ? "1" : "2"}, {"{DIR}", dir.string()}};
  for (int day = 1; day <= 4; ++day)
    values.emplace_back("{D" + std::to_string(day) + "}", twoDigits(std::min(day, now.tm_mday)));
  const std::string out = "\n" + run.out;
  std::string block;
  auto golden = readLines(KORVANDA_SOURCE_DIR "/tests/golden/demo/output_blocks.txt");
  golden.emplace_back();
  for (auto line : golden) {
    for (const auto& [key, value] : values)
      for (size_t at; (at = line.find(key)) != std::string::npos;) line.replace(at, key.size(), value);
    if (!line.empty() && !line.starts_with("#")) block += line + "\n";
    if (line.empty() && !block.empty()) {
      EXPECT_NE(out.find("\n" + block), std::string::npos) << block;
    }
    if (line.empty()) block.clear();
  }
  // The duplicates log, printed as it reads (its lines are checked by the registration tests).
  const auto duplicates = readLines(dir / "Errores.log");
  ASSERT_EQ(duplicates.size(), 2u);
  for (const auto& line : duplicates)
    EXPECT_NE(run.out.find("\n      " + line + "\n"), std::string::npos) << line;
  const auto errors = readLines(dir / "logFile.log");
  ASSERT_EQ(errors.size(), 1u);
  EXPECT_EQ(korvanda::testing::parseLogLine(errors[0]).number, -2147220503);
  // The files hold the lines and fields the output reports, each line ending CR LF.
  for (auto [name, lines, fields] : {std::tuple{"suscripcion_agricola.dat", 6, 63},
                                     {"formatoB_polizas.txt", 6, 30},
                                     {"formatoB_personas.txt", 6, 40},
                                     {"formatoC_siniestros.txt", 3, 17},
                                     {"sin_siniestros_ganadero.txt", 1, 20}}) {
    const std::string data = slurp(dir / name);
    EXPECT_EQ(std::count(data.begin(), data.end(), '\n'), lines) << name;
    EXPECT_EQ(std::count(data.begin(), data.end(), '\r'), lines) << name;
    EXPECT_TRUE(data.ends_with("\r\n")) << name;
    EXPECT_EQ(std::count(data.begin(), data.end(), '|'), lines * (fields - 1)) << name;
  }
  // Windows-1252, filled by field name; the export tests check the layouts.
  EXPECT_EQ(slurp(dir / "sin_siniestros_ganadero.txt"),
            "F002|0|0||||0|0|0|0|0|0|0|0|0|0|0|0|0|2\r\n");
  const fs::path db = dir / "subsidios.db";
  // Only the payment sent before the demo stays marked.
  EXPECT_EQ(scalar(db,
                   "SELECT count(*) || '/' || max(PkCobranza) FROM SICIMCOBRANZA "
                   "WHERE EnviadoSubsidio <> 0"),
            "1/7");
  EXPECT_NE(slurp(dir / "registry.ini").find("DatosServerDos=sqlite|||" + db.string()),
            std::string::npos);

  // A second run starts afresh and keeps other files; others' directories are refused.
  std::ofstream(dir / "notas.txt") << "mis notas\n";
  ASSERT_EQ(demo("--dir '" + dir.string() + "'", temp.path()).exitCode, 0);
  EXPECT_EQ(readLines(dir / "Errores.log").size(), 2u);
  EXPECT_EQ(scalar(db, "SELECT count(*) FROM SUBMAGRICOLA"), "6");
  EXPECT_EQ(slurp(dir / "notas.txt"), "mis notas\n");
  const fs::path other = temp.path() / "datos";
  fs::create_directories(other);
  std::ofstream(other / "subsidios.db") << "not the demo's";
  const Outcome refused = demo("--dir '" + other.string() + "'", temp.path());
  EXPECT_EQ(refused.exitCode, 1);
  EXPECT_EQ(refused.err, "error 5: " + other.string() +
                             " holds files that a demo did not write; give a new or empty "
                             "directory with --dir\n  source: korvanda demo\n");
  EXPECT_EQ(slurp(other / "subsidios.db"), "not the demo's");
  EXPECT_NE(demo("--dir '" + (dir / "notas.txt").string() + "'", temp.path())
                .err.find("exists and is not a directory"),
            std::string::npos);
  EXPECT_NE(
      demo("--help", temp.path()).out.find("Example:\n  korvanda demo --dir /tmp/korvanda-demo"),
      std::string::npos);
}

}  // namespace
