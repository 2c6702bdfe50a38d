// The Format C claims file.
#include <gtest/gtest.h>

#include <set>

#include "core/recordset_store.h"
#include "export/layouts.h"
#include "export_support.h"
#include "korvanda/clsControlFiles.h"

using namespace korvanda;
using namespace exporttest;

namespace {
const std::vector<std::string> kC = {
    "Poliza", "Inciso", "ApPaterno", "ApMaterno", "Nombres", "CURP", "RFC", "Ciclo",
    "CveCultivo", "cvetipocultivo", "CveEstado", "CveMunicipio", "TipoSeguro", "pkRiesgo",
    "SuperfSinies", "Indemnizacion", "Coordenadas"};

class FormatoC : public BothKinds {
 protected:
  bool run(RecordsetRef rs, int16_t ramo = 1, const std::string& file = "c.txt") {
    return files.ExportFileDatFormatoC(path(file), rs, ramo, "F01", 1, 2026, 1);
  }
  clsControlFiles files;
};
}  // namespace

TEST_P(FormatoC, ClaimRecordIsWrittenFieldByField) {
  std::vector<Variant> claim = {"POL-9", int32_t{4}, "IBÁÑEZ", "Peña", "Luis", "CURP9", "RFC9",
                                "PV2025", int16_t{3}, int16_t{5}, int16_t{21}, int16_t{114},
                                int16_t{9}, int16_t{12}, 3.5, 17250.75, "19.04,-98.2"};
  ASSERT_TRUE(run(makeRecordset(kC, {claim})));
  EXPECT_EQ(readFile(path("c.txt")),
            "POL-9|4|IB\xC1NEZ|Pena|Luis|CURP9|RFC9|PV2025|3|1|21|114|9|12|3.5|17250.75|"
            "19.04,-98.2\r\n");
}

TEST_P(FormatoC, CropTypeIndicatorDependsOnTheRecordAlone) {
  const std::vector<Variant> codes = {int16_t{5}, Variant(Null{}), int16_t{3}, "5", 5.0, "x",
                                      int16_t{5}};
  std::vector<std::vector<Variant>> rows;
  for (const auto& v : codes) rows.push_back(rowOf(kC, {{"cvetipocultivo", v}}));
  ASSERT_TRUE(run(makeRecordset(kC, rows)));
  std::string expected;
  for (const char* f10 : {"1", "", "2", "1", "1", "2", "1"})
    expected += std::string(9, '|') + f10 + std::string(7, '|') + "\r\n";
  EXPECT_EQ(readFile(path("c.txt")), expected);
}

TEST_P(FormatoC, NullsAndUnmappedTipoSeguro) {
  ASSERT_TRUE(run(makeRecordset(kC, {rowOf(kC, {}), rowOf(kC, {{"TipoSeguro", int16_t{9}}}),
                                     rowOf(kC, {{"SuperfSinies", 2.0}})})));
  EXPECT_EQ(readFile(path("c.txt")), std::string(16, '|') + "\r\n" + std::string(12, '|') +
                                         "9" + std::string(4, '|') + "\r\n" +
                                         std::string(14, '|') + "2||\r\n");
}

TEST_P(FormatoC, OtherBranchesWriteEmptyLines) {
  auto rs = makeRecordset(kC, {rowOf(kC, {{"Poliza", "1"}}), rowOf(kC, {}), rowOf(kC, {})});
  EXPECT_TRUE(run(rs, 2));
  EXPECT_EQ(readFile(path("c.txt")), "\r\n\r\n\r\n");
}

TEST_P(FormatoC, UnusedArgumentsDoNotChangeTheFile) {
  auto rs = [&] { return makeRecordset(kC, {rowOf(kC, {{"Poliza", "P"}, {"Coordenadas", "1,2"}})}); };
  ASSERT_TRUE(files.ExportFileDatFormatoC(path("a.txt"), rs(), 1, "F01", 1, 2025, 0));
  ASSERT_TRUE(files.ExportFileDatFormatoC(path("b.txt"), rs(), 1, "ZZ9", 2, 2031, -4));
  EXPECT_EQ(readFile(path("a.txt")), "P" + std::string(16, '|') + "1,2\r\n");
  EXPECT_EQ(readFile(path("a.txt")), readFile(path("b.txt")));
}

TEST_P(FormatoC, NoCurrentRecordWhileReadingDropsTheFieldAndItsSeparator) {
  auto rs = makeRecordset(kC, {rowOf(kC, {{"Poliza", "P"}, {"Inciso", int32_t{1}},
                                          {"ApPaterno", "A"}, {"Coordenadas", "C"}})});
  auto columns = resolveColumns(*rs, exportLayouts::kFormatoC);
  auto failing = [&](std::set<size_t> gone) {
    return [&, gone](size_t col) -> const Cell& {
      if (gone.count(col)) throw errors::noCurrentRecord();
      return rs->cell(0, col);
    };
  };
  std::string line;
  buildLine(line, *rs, exportLayouts::kFormatoC, columns, failing({1}));
  EXPECT_EQ(line, "P|A" + std::string(14, '|') + "C");
  buildLine(line, *rs, exportLayouts::kFormatoC, columns, failing({0}));
  EXPECT_EQ(line, "|1|A" + std::string(14, '|') + "C");
  // Any other layout, or any other error, stops the line.
  ExportLayout strict = exportLayouts::kFormatoC;
  strict.passNoCurrentRecord = false;
  EXPECT_EQ(errorOf([&] { buildLine(line, *rs, strict, columns, failing({1})); }).number(), 3021);
  auto otherError = [&](size_t col) -> const Cell& {
    if (col == 1) throw errors::typeMismatch();
    return rs->cell(0, col);
  };
  EXPECT_EQ(errorOf([&] { buildLine(line, *rs, exportLayouts::kFormatoC, columns, otherError); })
                .number(),
            13);
}

KORVANDA_BOTH_KINDS(FormatoC);
