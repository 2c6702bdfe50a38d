// The one-line placeholder file.
#include <gtest/gtest.h>

#include "export_support.h"
#include "korvanda/clsControlFiles.h"

using namespace korvanda;
using namespace exporttest;

namespace {
class Placeholder : public ExportTest {
 protected:
  std::string write(int16_t ramo, int16_t status, const std::string& fondo,
                    const std::string& ciclo, int16_t semestre = 1, int16_t anio = 2026) {
    EXPECT_TRUE(files.ExportFileDatForCSta(path("p.txt"), ramo, status, fondo, semestre, anio, ciclo));
    return readFile(path("p.txt"));
  }
  clsControlFiles files;
};
}  // namespace

TEST_F(Placeholder, AgriculturalLineCarriesTheCycle) {
  EXPECT_EQ(write(1, 7, "FONDO", "CICLO"), "0|0||||||CICLO|0|0|0|0|0|0|0|0|\r\n");
  EXPECT_EQ(write(1, 7, "FONDO", ""), "0|0|||||||0|0|0|0|0|0|0|0|\r\n");
}

TEST_F(Placeholder, LivestockLineCarriesFundAndStatus) {
  EXPECT_EQ(write(2, 2, "FONDO", "CICLO"), "FONDO|0|0||||0|0|0|0|0|0|0|0|0|0|0|0|0|2\r\n");
  EXPECT_EQ(write(2, -1, "F", "C"), "F|0|0||||0|0|0|0|0|0|0|0|0|0|0|0|0|-1\r\n");
  EXPECT_EQ(write(2, 0, "", ""), "|0|0||||0|0|0|0|0|0|0|0|0|0|0|0|0|0\r\n");
}

TEST_F(Placeholder, OtherBranchesWriteOneEmptyLine) { EXPECT_EQ(write(0, 1, "F", "C"), "\r\n"); }

TEST_F(Placeholder, ArgumentTextsAreWrittenAsGivenButForSeparators) {
  EXPECT_EQ(write(1, 0, "", "OTOÑO-2026"), "0|0||||||OTO\xD1O-2026|0|0|0|0|0|0|0|0|\r\n");
  EXPECT_EQ(write(2, 3, "AÑO|X", ""), "A\xD1O X|0|0||||0|0|0|0|0|0|0|0|0|0|0|0|0|3\r\n");
}

TEST_F(Placeholder, ReplacesAnExistingFileAndIgnoresSemesterAndYear) {
  writeFile(path("p.txt"), std::string(300, 'x'));
  std::string a = write(1, 0, "", "PV", 1, 2020);
  EXPECT_EQ(a, "0|0||||||PV|0|0|0|0|0|0|0|0|\r\n");
  EXPECT_EQ(write(1, 0, "", "PV", 2, 2031), a);
}

TEST_F(Placeholder, ProgressIsOneThroughout) {
  std::vector<int16_t> seen;
  files.onProgress([&](int16_t v) { seen.push_back(v); });
  files.setFileAdvance(77);
  files.setCorrectFile(false);
  write(2, 1, "F", "");
  EXPECT_EQ(seen, (std::vector<int16_t>{1, 1}));
  EXPECT_EQ(files.getFileAdvance(), 1);
  EXPECT_TRUE(files.getCorrectFile());
}

TEST_F(Placeholder, FailureIsLoggedUnderItsOwnLabel) {
  Error e = errorOf([&] {
    files.ExportFileDatForCSta(path("no/such/dir/p.txt"), 1, 0, "", 1, 2026, "PV");
  });
  EXPECT_EQ(e.number(), 76);
  EXPECT_NE(logText().find("|Modulo:KORVANDA.clsControlFiles.ExportFileDatforCst|Numero:76|"),
            std::string::npos);
}
