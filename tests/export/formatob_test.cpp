// The two Format B files.
#include <gtest/gtest.h>

#include <cstdio>

#include "export_support.h"
#include "korvanda/clsControlFiles.h"

using namespace korvanda;
using namespace exporttest;

namespace {
const std::vector<std::string> kB1 = {
    "Poliza", "Endoso", "CveTipoEndoso", "Inciso", "ApPaterno", "ApMaterno", "Nombres", "CURP",
    "RFC", "Ciclo", "CveCultivo", "cvetipocultivo", "CveEstado", "CveMunicipio", "TipoSeguro",
    "Riesgos", "VigenciaAsegIni", "VigenciaAsegFin", "SuperficieAseg", "SumaAsegurada",
    "PrimaEaseg", "PrimaEgobFed", "totalemitido", "PrimaCaseg", "PrimaCGobFed", "totalcobrado",
    "NumPagoIni", "NumPagoFin", "FecPago", "TipoCambio"};

const std::vector<std::string> kB2 = {
    "ApPaterno", "ApMaterno", "Nombre_PF", "FechaNacimiento", "PKEstado", "Sexo", "EstadoCivil",
    "CURP", "RFC_PF", "Nombre_PM", "FechaConstitucion", "RFC_PM", "CveActividad",
    "NoPersFisicas", "EstadoDom", "CveEstadoDom", "MunicipioDom", "CveMunicipioDom",
    "Localidad", "CveLocalidad", "TipoAsentamiento", "NomAsentamiento", "TipoLocalizacion",
    "TipoVialidad", "NomVialidad", "Carretera", "Camino", "NoExtNum", "NoExtAlf", "NoExtAnt",
    "NoIntNum", "NoIntAlf", "CodPostal", "TipoVialidad1", "NomVialidad1", "TipoVialidad2",
    "NomVialidad2", "TipoVialidadPosterior", "NomVialidadPosterior", "DescUbicacion"};

const std::string kAllNullPerson =
    "||||||||||||0|0|||||||NINGUNO|NINGUNO||NINGUNO|NINGUNO||||SN||||00000|||||||\r\n";

// Field n (1-based) of a persons line holding one value, the others as an all-Null record.
std::string personLineWith(size_t n, const std::string& text) {
  static const std::vector<std::string> nullFields = {
      "", "", "", "", "", "", "", "", "", "", "", "", "0", "0", "", "", "", "", "", "",
      "NINGUNO", "NINGUNO", "", "NINGUNO", "NINGUNO", "", "", "", "SN", "", "", "", "00000",
      "", "", "", "", "", "", ""};
  std::string line;
  for (size_t i = 0; i < nullFields.size(); ++i)
    line += (i ? "|" : "") + (i + 1 == n ? text : nullFields[i]);
  return line + "\r\n";
}

class FormatoB : public BothKinds {
 protected:
  bool run(RecordsetRef b1, RecordsetRef b2) {
    return files.ExportFilesFormatoB(path("b1.txt"), path("b2.txt"), b1, b2);
  }
  clsControlFiles files;
};
}  // namespace

TEST_P(FormatoB, PolicyLineKeepsEnieAndMapsTipoSeguro) {
  std::vector<Variant> policy = {"POL-1", "0", int32_t{1}, int32_t{2}, "PEÑA", "Muñoz", "Íñigo",
                                 "CURP1", "RFC1", "OI2026", int16_t{11}, int16_t{5}, int16_t{9},
                                 int16_t{4}, int16_t{9}, "GRANIZO", day(2026, 5, 1),
                                 day(2026, 11, 30), 7.75, 80000.0, 10.5, 20.25, 30.75, 5.0,
                                 6.0, 11.0, int16_t{1}, int16_t{2}, day(2026, 6, 10), 1.0};
  auto b1 = makeRecordset(kB1, {policy});
  auto b2 = makeRecordset(kB2, {rowOf(kB2, {{"ApPaterno", "PEÑA"}, {"ApMaterno", "Muñoz"}})});
  ASSERT_TRUE(run(b1, b2));
  EXPECT_EQ(readFile(path("b1.txt")),
            "POL-1|0|1|2|PE\xD1" "A|Mu\xF1oz|\xCD\xF1igo|CURP1|RFC1|OI2026|11|5|9|4|3|GRANIZO|"
            "01/05/2026|30/11/2026|7.75|80000|10.5|20.25|30.75|5|6|11|1|2|10/06/2026|1\r\n");
  EXPECT_EQ(readFile(path("b2.txt")), "PENA|Munoz" + kAllNullPerson.substr(1));
}

TEST_P(FormatoB, AllNullPersonGetsTheDefaults) {
  auto b1 = makeRecordset(kB1, {rowOf(kB1, {})});
  auto b2 = makeRecordset(kB2, {rowOf(kB2, {})});
  ASSERT_TRUE(run(b1, b2));
  EXPECT_EQ(readFile(path("b1.txt")), std::string(29, '|') + "\r\n");
  EXPECT_EQ(readFile(path("b2.txt")), kAllNullPerson);
}

TEST_P(FormatoB, BirthDateOfFirstJanuary1900IsNoDate) {
  struct Case { Variant value; std::string written; };
  const std::vector<Case> cases = {
      {Null{}, ""},
      {day(1900, 1, 1), ""},
      {day(1900, 1, 1, 8, 30, 0), ""},
      {"01/01/1900", ""},
      {"1/1/1900", ""},
      {day(1900, 1, 2), "02/01/1900"},
      {day(1985, 7, 4), "04/07/1985"},
      {"04/07/1985", "04/07/1985"},
      {"sin fecha", "sin fecha"},
  };
  std::vector<std::vector<Variant>> persons;
  for (const auto& c : cases)
    persons.push_back(rowOf(kB2, {{"FechaNacimiento", c.value}, {"FechaConstitucion", c.value}}));
  auto b1 = makeRecordset(kB1, std::vector<std::vector<Variant>>(cases.size(), rowOf(kB1, {})));
  ASSERT_TRUE(run(b1, makeRecordset(kB2, persons)));
  std::string expected;
  for (const auto& c : cases) {
    std::string line = personLineWith(4, c.written);
    // Field 11 carries the same value and rule.
    size_t at = 0;
    for (int pipes = 0; pipes < 10; ++at)
      if (line[at] == '|') ++pipes;
    line.insert(at, c.written);
    expected += line;
  }
  EXPECT_EQ(readFile(path("b2.txt")), expected);
}

TEST_P(FormatoB, PersonDefaultsAndTrimming) {
  struct Case { const char* field; Variant value; size_t pos; std::string written; };
  const std::vector<Case> cases = {
      {"CodPostal", "", 33, "00000"},
      {"CodPostal", "04100", 33, "04100"},
      {"NoExtAlf", "", 29, "SN"},
      {"NoExtAlf", " ", 29, " "},
      {"NomVialidad", "", 25, "NINGUNO"},
      {"NomVialidad", " Juárez ", 25, " Ju\xE1rez "},
      {"NomAsentamiento", "", 22, "NINGUNO"},
      {"TipoAsentamiento", "   ", 21, ""},
      {"TipoAsentamiento", " COL ", 21, "COL"},
      {"TipoVialidad", " AV", 24, "AV"},
      {"EstadoDom", " 12 ", 15, "12"},
      {"CveLocalidad", "\t7 ", 20, "\t7"},
      {"CveActividad", "", 13, "0"},
      {"CveActividad", int32_t{45}, 13, "45"},
      {"NoPersFisicas", int32_t{3}, 14, "3"},
      {"PKEstado", int32_t{0}, 5, "0"},
      {"PKEstado", "0.0", 5, "0"},
      {"PKEstado", int32_t{21}, 5, "21"},
      {"Sexo", "M", 6, "M"},
      {"DescUbicacion", "Cañada", 40, "Canada"},
  };
  std::vector<std::vector<Variant>> persons;
  std::string expected;
  for (const auto& c : cases) {
    persons.push_back(rowOf(kB2, {{c.field, c.value}}));
    expected += personLineWith(c.pos, c.written);
  }
  auto b1 = makeRecordset(kB1, std::vector<std::vector<Variant>>(cases.size(), rowOf(kB1, {})));
  ASSERT_TRUE(run(b1, makeRecordset(kB2, persons)));
  EXPECT_EQ(readFile(path("b2.txt")), expected);
}

TEST_P(FormatoB, ProgressRunsOverBothFiles) {
  std::vector<int16_t> seen;
  files.onProgress([&](int16_t v) { seen.push_back(v); });
  auto b1 = makeRecordset(kB1, std::vector<std::vector<Variant>>(4, rowOf(kB1, {})));
  auto b2 = makeRecordset(kB2, std::vector<std::vector<Variant>>(4, rowOf(kB2, {})));
  ASSERT_TRUE(run(b1, b2));
  EXPECT_EQ(seen, (std::vector<int16_t>{1, 12, 25, 38, 50, 62, 75, 88, 100}));
  EXPECT_EQ(files.getFileAdvance(), 100);
}

TEST_P(FormatoB, RefusedPersonsLeaveThePolicyFileWrittenAndThePersonsFileAlone) {
  // A forward-only record set is read once: each run gets its own.
  auto policies = [&] { return makeRecordset(kB1, {rowOf(kB1, {{"Poliza", "P1"}})}); };
  writeFile(path("b2.txt"), "anterior\r\n");

  Error none = errorOf([&] { run(policies(), nullptr); });
  EXPECT_EQ(none.number(), kAppError1001);
  EXPECT_EQ(none.description(),
            "La información que desea exportar debe estar cargada en la pantalla,\r"
            "     capture la información o use Abrir en el menu");
  EXPECT_EQ(readFile(path("b1.txt")), "P1" + std::string(29, '|') + "\r\n");
  EXPECT_EQ(readFile(path("b2.txt")), "anterior\r\n");
  EXPECT_EQ(files.getFileAdvance(), 50);

  std::remove(path("b1.txt").c_str());
  Error empty = errorOf([&] { run(policies(), makeRecordset(kB2, {})); });
  EXPECT_EQ(empty.number(), kAppError1001);
  EXPECT_EQ(empty.description(), "No hay información para exportar");
  EXPECT_EQ(readFile(path("b1.txt")), "P1" + std::string(29, '|') + "\r\n");
  EXPECT_EQ(readFile(path("b2.txt")), "anterior\r\n");
}

TEST_P(FormatoB, RefusedPoliciesTouchNeitherFile) {
  writeFile(path("b1.txt"), "uno");
  writeFile(path("b2.txt"), "dos");
  auto b2 = makeRecordset(kB2, {rowOf(kB2, {})});
  EXPECT_EQ(errorOf([&] { run(nullptr, b2); }).number(), kAppError1001);
  EXPECT_EQ(errorOf([&] { run(makeRecordset(kB1, {}), b2); }).description(),
            "No hay información para exportar");
  EXPECT_EQ(readFile(path("b1.txt")), "uno");
  EXPECT_EQ(readFile(path("b2.txt")), "dos");
  EXPECT_NE(logText().find("Modulo:KORVANDA.clsControlFiles.ExportFilesFormatoB|Numero:-2147220503"),
            std::string::npos);
}

KORVANDA_BOTH_KINDS(FormatoB);
