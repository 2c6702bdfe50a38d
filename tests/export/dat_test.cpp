// The subscription data file, whole files byte by byte.
#include <gtest/gtest.h>

#include "export_support.h"
#include "korvanda/clsControlFiles.h"

using namespace korvanda;
using namespace exporttest;

namespace {
const std::vector<std::string> kAgr = {
    "Poliza", "Endoso", "CveTipoEndoso", "Inciso", "ApPaterno", "ApMaterno", "Nombres",
    "ApPaternoBenefic", "ApMaternoBenefic", "NombresBenefic", "CURP", "RFC", "SI_CURP",
    "SI_RFC", "SI_32DSAT", "Ciclo", "CveCultivo", "cvetipocultivo", "CveEstado",
    "CveMunicipio", "TipoSeguro", "Riesgos", "VigenciaAsegIni", "VigenciaAsegFin",
    "SuperficieAseg", "SumaAsegurada", "PrimaCaseg", "PrimaCGobFed", "totalcobrado",
    "NumPagoIni", "NumPagoFin", "FechaPago", "TipoCambio", "IdProAgrProd",
    "CoordenadasGeograficas", "TipoVialidad", "NomVialidad", "Carretera", "Camino", "NoExtNum",
    "NoExtAnt", "NoExtAlf", "NoIntNum", "NoIntAlf", "TipoAsentamiento", "NomAsentamiento",
    "CodPostal", "NomLocalidad", "CveLocalidad", "NomMunicipioDom", "CveMunicipioDom",
    "NomEstadoDom", "CveEstadoDom", "TipoVialidad1", "NomVialidad1", "TipoVialidad2",
    "NomVialidad2", "TipoVialidadPosterior", "NomVialidadPosterior", "DescUbicacion",
    "Discapacidad", "Indigena", "Edo_Civil"};


// A record with a value in every field of the agricultural layout.
std::vector<Variant> fullAgricola() {
  return {"AGR-0001", "E1", int32_t{2}, int32_t{15}, "PEÑA", "Muñoz", "José Ángel", "Pérez",
          "Güémez", "Ana", "PEMJ800101HDFRRN09", "PEMJ800101AB1", true, false, "S", "PV2026",
          int16_t{7}, int16_t{5}, int16_t{9}, int16_t{14}, int16_t{9}, "Sequía, helada",
          day(2026, 3, 1), day(2026, 9, 30, 12, 30, 0), 12.5, 150000.0, 0.1, 1234.5678,
          Decimal{123450, 2}, int16_t{1}, int16_t{3}, day(2026, 4, 15), 1.0,
          int64_t{1234567890123}, "19.4326,-99.1332", "CALLE", "Niño Artillero", "",
          Variant(Null{}), "12", "", "B", Variant(Null{}), "3-A", "COL", "Centro", "01234",
          "Santa María", "0001", "Coyoacán", int32_t{3}, "Ciudad de México", int32_t{9}, "AV",
          "Año Nuevo", "CALLE", "Ñandú", "CALLE", "Sur", "Frente al €uro café", "N", "S",
          "CASADO"};
}

// Its line in the file: CP1252, "Ñ"/"ñ" replaced, CR LF.
const std::string kFullAgricolaLine =
    "AGR-0001|E1|2|15|PENA|Munoz|Jos\xE9 \xC1ngel|P\xE9rez|G\xFC\xE9mez|Ana|PEMJ800101HDFRRN09|"
    "PEMJ800101AB1|True|False|S|PV2026|7|5|9|14|3|Sequ\xED" "a, helada|01/03/2026|"
    "30/09/2026 12:30:00|12.5|150000|0.1|1234.5678|1234.5|1|3|15/04/2026|1|1234567890123|"
    "19.4326,-99.1332|CALLE|Nino Artillero|||12||B||3-A|COL|Centro|01234|Santa Mar\xED" "a|"
    "0001|Coyoac\xE1n|3|Ciudad de M\xE9xico|9|AV|Ano Nuevo|CALLE|Nand\xFA|CALLE|Sur|"
    "Frente al \x80uro caf\xE9|N|S|CASADO\r\n";

class DatFile : public BothKinds {
 protected:
  clsControlFiles files;
};
}  // namespace

TEST_P(DatFile, AgriculturalRecordIsWrittenFieldByField) {
  auto rs = makeRecordset(kAgr, {fullAgricola()});
  ASSERT_TRUE(files.ExportFileDat(path("a.dat"), rs, 1));
  EXPECT_EQ(readFile(path("a.dat")), kFullAgricolaLine);
}

TEST_P(DatFile, ThreeRecordsGiveThreeLinesOf63Fields) {
  auto rs = makeRecordset(kAgr, {fullAgricola(), rowOf(kAgr, {{"Poliza", "B"}}),
                                 rowOf(kAgr, {{"Edo_Civil", "SOLTERO"}})});
  ASSERT_TRUE(files.ExportFileDat(path("a.dat"), rs, 1));
  EXPECT_EQ(readFile(path("a.dat")), kFullAgricolaLine + "B" + std::string(62, '|') + "\r\n" +
                                         std::string(62, '|') + "SOLTERO\r\n");
}

TEST_P(DatFile, AllNullRecordsAreOnlySeparators) {
  auto agr = makeRecordset(kAgr, {rowOf(kAgr, {})});
  ASSERT_TRUE(files.ExportFileDat(path("a.dat"), agr, 1));
  EXPECT_EQ(readFile(path("a.dat")), std::string(62, '|') + "\r\n");

  auto gan = makeRecordset(kGan, {rowOf(kGan, {}), rowOf(kGan, {})});
  ASSERT_TRUE(files.ExportFileDat(path("g.dat"), gan, 2));
  EXPECT_EQ(readFile(path("g.dat")), std::string(27, '|') + "\r\n" + std::string(27, '|') + "\r\n");
}

TEST_P(DatFile, LivestockRecordIsWrittenFieldByField) {
  std::vector<Variant> row = {"GAN-7", "0", int32_t{1}, int32_t{1}, "NUÑEZ", Variant(Null{}),
                              "María", "ID-55", int16_t{14}, int16_t{39}, int16_t{2},
                              int16_t{4}, int16_t{2026}, day(2026, 1, 1), day(2026, 12, 31),
                              int32_t{120}, 3.25, 960000.0, 100.0, 200.5, 300.5, 50.0, 75.25,
                              125.25, int16_t{1}, int16_t{1}, day(2026, 2, 28), 17.0};
  auto rs = makeRecordset(kGan, {row});
  ASSERT_TRUE(files.ExportFileDat(path("g.dat"), rs, 2));
  EXPECT_EQ(readFile(path("g.dat")),
            "GAN-7|0|1|1|NUNEZ||Mar\xED" "a|ID-55|14|39|2|4|2026|01/01/2026|31/12/2026|120|3.25|"
            "960000|100|200.5|300.5|50|75.25|125.25|1|1|28/02/2026|17\r\n");
}

TEST_P(DatFile, TipoSeguroNineIsWrittenThree) {
  const std::vector<Variant> values = {int16_t{9}, int16_t{3}, Variant(Null{}), "9", 9.0,
                                       int16_t{10}, " 9", "09x"};
  std::vector<std::vector<Variant>> rows;
  for (const auto& v : values) rows.push_back(rowOf(kAgr, {{"TipoSeguro", v}}));
  ASSERT_TRUE(files.ExportFileDat(path("a.dat"), makeRecordset(kAgr, rows), 1));
  std::string expected;
  for (const char* f21 : {"3", "3", "", "3", "3", "10", "3", "09x"})
    expected += std::string(20, '|') + f21 + std::string(42, '|') + "\r\n";
  EXPECT_EQ(readFile(path("a.dat")), expected);
}

TEST_P(DatFile, EnieIsReplacedAndOtherAccentsStay) {
  auto rs = makeRecordset(kGan, {rowOf(kGan, {{"ApPaterno", "PEÑA"}, {"ApMaterno", "Muñoz"},
                                              {"Nombres", "Pérez Ñuñez"}})});
  ASSERT_TRUE(files.ExportFileDat(path("g.dat"), rs, 2));
  EXPECT_EQ(readFile(path("g.dat")),
            "||||PENA|Munoz|P\xE9rez Nunez" + std::string(21, '|') + "\r\n");
}

TEST_P(DatFile, PipesAndLineBreaksInsideValuesAreWrittenAsBlanks) {
  auto rs = makeRecordset(kGan, {rowOf(kGan, {{"Poliza", "A|B"}, {"Endoso", "x\r\ny"},
                                              {"TipoCambio", "\n"}})});
  ASSERT_TRUE(files.ExportFileDat(path("g.dat"), rs, 2));
  EXPECT_EQ(readFile(path("g.dat")), "A B|x  y" + std::string(26, '|') + " \r\n");
}

TEST_P(DatFile, CharactersOutsideTheCodePageAreQuestionMarks) {
  auto rs = makeRecordset(kGan, {rowOf(kGan, {{"Nombres", "Zoë 李 Œ"}})});
  ASSERT_TRUE(files.ExportFileDat(path("g.dat"), rs, 2));
  EXPECT_EQ(readFile(path("g.dat")), "||||||Zo\xEB ? \x8C" + std::string(21, '|') + "\r\n");
}

TEST_P(DatFile, AnotherBranchWritesOneEmptyLinePerRecord) {
  auto rs = makeRecordset(kGan, {rowOf(kGan, {{"Poliza", "1"}}), rowOf(kGan, {{"Poliza", "2"}})});
  EXPECT_TRUE(files.ExportFileDat(path("x.dat"), rs, 3));
  EXPECT_EQ(readFile(path("x.dat")), "\r\n\r\n");
}

TEST_P(DatFile, AnExistingFileIsReplaced) {
  writeFile(path("a.dat"), std::string(5000, 'X'));
  auto rs = makeRecordset(kGan, {rowOf(kGan, {{"Poliza", "P"}})});
  ASSERT_TRUE(files.ExportFileDat(path("a.dat"), rs, 2));
  EXPECT_EQ(readFile(path("a.dat")), "P" + std::string(27, '|') + "\r\n");
}

TEST_P(DatFile, FieldNamesMatchWithoutLetterCase) {
  std::vector<std::string> lower;
  for (const auto& n : kGan) {
    std::string l;
    for (char c : n) l += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    lower.push_back(l);
  }
  auto rs = makeRecordset(lower, {rowOf(lower, {{"poliza", "P"}, {"tipocambio", 2.5}})});
  ASSERT_TRUE(files.ExportFileDat(path("g.dat"), rs, 2));
  EXPECT_EQ(readFile(path("g.dat")), "P" + std::string(27, '|') + "2.5\r\n");
}

KORVANDA_BOTH_KINDS(DatFile);
