// The conversion of the export files' lines, as tests/golden/export/cp1252.* have it.
#include <gtest/gtest.h>

#include <sstream>

#include "export/cp1252.h"
#include "export_support.h"

TEST(Cp1252, GoldenTexts) {
  for (bool enie : {false, true}) {
    std::istringstream in(exporttest::readFile(exporttest::golden("cp1252.in")));
    std::istringstream expected(
        exporttest::readFile(exporttest::golden(enie ? "cp1252-enie.out" : "cp1252.out")));
    int lines = 0;
    for (std::string text, written; std::getline(in, text) && std::getline(expected, written);
         ++lines) {
      std::string out;
      korvanda::appendCp1252(out, text, enie);
      EXPECT_EQ(out, written) << "line " << lines + 1;
    }
    EXPECT_EQ(lines, 16);
  }
}
