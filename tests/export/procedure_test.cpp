// What every export shares: state, refusals, progress, file rules and failures.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include "export/procedure.h"
#include "export_support.h"
#include "korvanda/clsControlFiles.h"
#include "platform/components/digest.h"

using namespace korvanda;
using namespace exporttest;

namespace {
const std::vector<std::string> kGan = {
    "Poliza", "Endoso", "CveTipoEndoso", "Inciso", "ApPaterno", "ApMaterno", "Nombres",
    "Identificacion", "CveEstado", "CveMunicipio", "cveespecie", "cvefuncion", "Aniocontrata",
    "VigenciaAsegIni", "VigenciaAsegFin", "CabezasAseg", "UnidadesAseg", "SumaAsegurada",
    "PrimaEaseg", "PrimaEgobFed", "totalemitido", "PrimaCaseg", "PrimaCGobFed", "totalcobrado",
    "NumPagoIni", "NumPagoFin", "FecPago", "TipoCambio"};

const std::string kRefusalNoObject =
    "La informaci\xC3\xB3n que desea exportar debe estar cargada en la pantalla,\r"
    "     capture la informaci\xC3\xB3n o use Abrir en el menu";

RecordsetRef livestock(size_t n) {
  std::vector<std::vector<Variant>> rows;
  for (size_t i = 0; i < n; ++i) rows.push_back(rowOf(kGan, {{"Poliza", std::to_string(i)}}));
  return makeRecordset(kGan, rows);
}
std::string livestockFile(size_t n) {
  std::string s;
  for (size_t i = 0; i < n; ++i) s += std::to_string(i) + std::string(27, '|') + "\r\n";
  return s;
}

class Procedure : public ExportTest {
 protected:
  clsControlFiles files;
};
}  // namespace

TEST_F(Procedure, NewObjectState) {
  EXPECT_EQ(files.getFileAdvance(), 1);
  EXPECT_TRUE(files.getCorrectFile());
}

TEST_F(Procedure, ProgressRule) {
  EXPECT_EQ(files.setPercentAdvanceExport(3, 1), 33);
  EXPECT_EQ(files.setPercentAdvanceExport(3, 2), 67);
  EXPECT_EQ(files.setPercentAdvanceExport(200, 1), 1);
  EXPECT_EQ(files.setPercentAdvanceExport(5, 5), 100);
  EXPECT_EQ(files.setPercentAdvanceExport(8, 1), 12);
  EXPECT_EQ(files.setPercentAdvanceExport(8, 3), 38);
  EXPECT_EQ(files.setPercentAdvanceExport(4, 9), 100);
  EXPECT_EQ(files.setPercentAdvanceExport(0, 5), 1);
  EXPECT_EQ(files.setPercentAdvanceExport(-1, 5), 1);
}

TEST_F(Procedure, ProgressOverOneFile) {
  std::vector<int16_t> seen;
  files.onProgress([&](int16_t v) { seen.push_back(v); });
  files.setFileAdvance(60);
  ASSERT_TRUE(files.ExportFileDat(path("g.dat"), livestock(4), 2));
  EXPECT_EQ(seen, (std::vector<int16_t>{1, 25, 50, 75, 100}));
  EXPECT_EQ(files.getFileAdvance(), 100);
}

TEST_F(Procedure, ProgressWithoutATotalStaysAtOne) {
  std::vector<int16_t> seen;
  ExportProgress progress([&](int32_t t, int32_t c) { return files.setPercentAdvanceExport(t, c); },
                          [&](int16_t v) { seen.push_back(v); });
  progress.start(-1);
  for (int i = 0; i < 3; ++i) progress.step();
  EXPECT_EQ(seen, (std::vector<int16_t>{1, 1, 1, 1}));
  EXPECT_EQ(progress.count(), 3);
}

TEST_F(Procedure, RefusalsLeaveTheFileAloneAndCorrectFileTrue) {
  writeFile(path("g.dat"), "previo\r\n");
  files.setCorrectFile(false);
  Error none = errorOf([&] { files.ExportFileDat(path("g.dat"), nullptr, 2); });
  EXPECT_EQ(none.number(), -2147220503);
  EXPECT_EQ(none.description(), kRefusalNoObject);
  EXPECT_TRUE(files.getCorrectFile());

  files.setCorrectFile(false);
  Error empty = errorOf([&] { files.ExportFileDat(path("g.dat"), livestock(0), 2); });
  EXPECT_EQ(empty.number(), -2147220503);
  EXPECT_EQ(empty.description(), "No hay informaci\xC3\xB3n para exportar");
  EXPECT_TRUE(files.getCorrectFile());
  EXPECT_EQ(readFile(path("g.dat")), "previo\r\n");

  EXPECT_EQ(errorOf([&] { files.ExportFileDatFormatoC(path("g.dat"), livestock(0), 1, "", 1, 1, 1); })
                .description(),
            "No hay informaci\xC3\xB3n para exportar");
  EXPECT_EQ(readFile(path("g.dat")), "previo\r\n");

  // One log line per failure, under each export's label.
  std::string log = logText();
  EXPECT_NE(log.find("|Modulo:KORVANDA.clsControlFiles.ExportFileDat|Numero:-2147220503|"),
            std::string::npos);
  EXPECT_NE(log.find("Desc Alt No hay informaci\xC3\xB3n para exportar\r\n"), std::string::npos);
  EXPECT_NE(log.find("|Modulo:KORVANDA.clsControlFiles.ExportFileDatFormatoC|"), std::string::npos);
}

TEST_F(Procedure, SuccessSetsCorrectFileTrue) {
  files.setCorrectFile(false);
  EXPECT_TRUE(files.ExportFileDat(path("g.dat"), livestock(1), 2));
  EXPECT_TRUE(files.getCorrectFile());
}

TEST_F(Procedure, LateBoundCallsReachTheExports) {
  std::vector<Variant> args = {path("g.dat"), Variant(livestock(2)), "2"};
  EXPECT_EQ(files.invoke("exportfiledat", kMethod, args), Variant(true));
  EXPECT_EQ(readFile(path("g.dat")), livestockFile(2));
  std::vector<Variant> noObject = {path("h.dat"), Variant(), int16_t{2}};
  EXPECT_EQ(errorOf([&] { files.invoke("ExportFileDat", kMethod, noObject); }).description(),
            kRefusalNoObject);
}

TEST_F(Procedure, MissingDirectoryFails) {
  int fds = openDescriptors();
  Error e = errorOf([&] { files.ExportFileDat(path("nodir/g.dat"), livestock(1), 2); });
  EXPECT_EQ(e.number(), 76);
  EXPECT_NE(e.description().find("nodir/g.dat"), std::string::npos);
  EXPECT_EQ(openDescriptors(), fds);
  EXPECT_NE(logText().find("|Modulo:KORVANDA.clsControlFiles.ExportFileDat|Numero:76|"),
            std::string::npos);
}

TEST_F(Procedure, FullDiskFailsAndReleasesTheFile) {
  int fds = openDescriptors();
  Error e = errorOf([&] { files.ExportFileDat("/dev/full", livestock(3), 2); });
  EXPECT_EQ(e.number(), 61);
  EXPECT_EQ(openDescriptors(), fds);
  struct stat st {};
  ASSERT_EQ(::stat("/dev/full", &st), 0);
  EXPECT_TRUE(S_ISCHR(st.st_mode));  // a device at the path is written to, never deleted
}

TEST_F(Procedure, ReadOnlyFileIsRefusedAndKept) {
  writeFile(path("g.dat"), "protegido");
  ::chmod(path("g.dat").c_str(), 0444);
  int fds = openDescriptors();
  Error e = errorOf([&] { files.ExportFileDat(path("g.dat"), livestock(1), 2); });
  EXPECT_EQ(e.number(), 70);
  EXPECT_EQ(readFile(path("g.dat")), "protegido");
  EXPECT_EQ(openDescriptors(), fds);
}

TEST_F(Procedure, DirectoryAtThePathFails) {
  ASSERT_EQ(::mkdir(path("d.dat").c_str(), 0755), 0);
  EXPECT_EQ(errorOf([&] { files.ExportFileDat(path("d.dat"), livestock(1), 2); }).number(), 75);
}

TEST_F(Procedure, MissingFieldFailsAfterTheFileIsMade) {
  writeFile(path("g.dat"), "viejo\r\n");
  std::vector<std::string> names(kGan.begin(), kGan.end() - 1);  // no TipoCambio
  int fds = openDescriptors();
  Error e = errorOf([&] {
    files.ExportFileDat(path("g.dat"), makeRecordset(names, {rowOf(names, {})}), 2);
  });
  EXPECT_EQ(e.number(), 3265);
  EXPECT_NE(e.description().find("TipoCambio"), std::string::npos);
  EXPECT_EQ(readFile(path("g.dat")), "");
  EXPECT_EQ(openDescriptors(), fds);
  EXPECT_NE(logText().find("|Numero:3265|"), std::string::npos);
}

TEST_F(Procedure, ClosedRecordsetFails) {
  auto rs = livestock(1);
  rs->close();
  EXPECT_EQ(errorOf([&] { files.ExportFileDat(path("g.dat"), rs, 2); }).number(), 3704);
}

TEST_F(Procedure, LinesWrittenBeforeAWriteFailureStay) {
  const size_t rows = 20000;  // about 600 KB
  auto rs = livestock(rows);
  std::string full = livestockFile(rows);
  rlimit old{};
  ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &old), 0);
  auto previous = ::signal(SIGXFSZ, SIG_IGN);
  rlimit limited = old;
  limited.rlim_cur = 200 * 1024;
  ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &limited), 0);
  int fds = openDescriptors();
  Error e = errorOf([&] { files.ExportFileDat(path("g.dat"), rs, 2); });
  ::setrlimit(RLIMIT_FSIZE, &old);
  ::signal(SIGXFSZ, previous);
  EXPECT_NE(e.number(), 0);
  EXPECT_EQ(openDescriptors(), fds);
  std::string written = readFile(path("g.dat"));
  EXPECT_GE(written.size(), 64u * 1024);
  EXPECT_LT(written.size(), full.size());
  EXPECT_EQ(full.compare(0, written.size(), written), 0);
  EXPECT_GT(files.getFileAdvance(), 1);
  EXPECT_LT(files.getFileAdvance(), 100);
}

TEST_F(Procedure, HiddenFileIsEmptiedNotAppended) {
  writeFile(path(".g.dat"), std::string(1000, 'V'));
  ASSERT_TRUE(files.ExportFileDat(path(".g.dat"), livestock(1), 2));
  EXPECT_EQ(readFile(path(".g.dat")), livestockFile(1));
}

TEST_F(Procedure, LargeExportIsWholeAndInOrder) {
  ASSERT_TRUE(files.ExportFileDat(path("g.dat"), livestock(50000), 2));
  EXPECT_EQ(readFile(path("g.dat")), livestockFile(50000));
}

TEST(Digest, ObtainingOneMakesAContext) {
  components::CSHA256 digest;
  EXPECT_TRUE(digest.ready());
  components::CSHA256 moved = std::move(digest);
  EXPECT_TRUE(moved.ready());
  EXPECT_STREQ(components::CSHA256::kProgId, "SEGURIDAD.CSHA256");
}
