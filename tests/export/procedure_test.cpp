// What every export shares: state, refusals, progress, file rules and failures.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>

#include "export/procedure.h"
#include "export_support.h"
#include "korvanda/clsControlFiles.h"
#include "components/digest.h"

using namespace korvanda;
using namespace exporttest;

namespace {

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

TEST_F(Procedure, DeviceAtThePathIsRefusedAndKept) {
  int fds = openDescriptors();
  Error e = errorOf([&] { files.ExportFileDat("/dev/full", livestock(3), 2); });
  EXPECT_EQ(e.number(), 75);
  EXPECT_EQ(e.description(), "Path/File access error: /dev/full is a device, not a regular file");
  EXPECT_EQ(openDescriptors(), fds);
  struct stat st {};
  ASSERT_EQ(::stat("/dev/full", &st), 0);
  EXPECT_TRUE(S_ISCHR(st.st_mode));
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
  // The old file was deleted first; the new one never reached the path.
  EXPECT_FALSE(std::filesystem::exists(path("g.dat")));
  EXPECT_EQ(openDescriptors(), fds);
  EXPECT_NE(logText().find("|Numero:3265|"), std::string::npos);
}

TEST_F(Procedure, ClosedRecordsetFails) {
  auto rs = livestock(1);
  rs->close();
  EXPECT_EQ(errorOf([&] { files.ExportFileDat(path("g.dat"), rs, 2); }).number(), 3704);
}

// A write that fails halfway (here the file size limit) leaves neither a partial file at the
// path nor the temporary file beside it.
TEST_F(Procedure, AWriteFailureLeavesNoPartialFile) {
  const size_t rows = 20000;  // about 600 KB
  auto rs = livestock(rows);
  writeFile(path("g.dat"), "viejo\r\n");
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
  EXPECT_EQ(e.number(), 75);
  EXPECT_EQ(e.lastSystemError(), EFBIG);
  EXPECT_NE(e.description().find(path("g.dat")), std::string::npos) << e.description();
  EXPECT_EQ(openDescriptors(), fds);
  std::vector<std::string> left;
  for (const auto& entry : std::filesystem::directory_iterator(dir_))
    left.push_back(entry.path().filename().string());
  EXPECT_EQ(left, std::vector<std::string>{"logFile.log"});
  EXPECT_GT(files.getFileAdvance(), 1);
  EXPECT_LT(files.getFileAdvance(), 100);
}

// A "|", CR or LF inside a value would split the record or shift its fields: each is written
// as a blank, and the export says how many in one log line (none when there were none).
TEST_F(Procedure, SeparatorsInsideValuesAreBlankedAndCounted) {
  struct Case {
    const char* value;
    const char* written;
    int blanked;
  };
  const Case cases[] = {{"a|b", "a b", 1}, {"x\r\ny", "x  y", 2}, {"\n", " ", 1},
                        {"|||", "   ", 3}, {"Pe\xC3\xB1" "a|", "Pena ", 1}, {"sin", "sin", 0}};
  auto notice = [&](const std::string& label, int n, const std::string& file) {
    return "|Modulo:" + label + "|Numero:0|Source:KORVANDA|LastDLLError:0|Desc Alt " +
           std::to_string(n) + " separadores (|, CR o LF) dentro de valores se escribieron como " +
           "blancos en " + file + "\r\n";
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.value);
    ::unlink((dir_ + "/logFile.log").c_str());
    auto rs = makeRecordset(kGan, {rowOf(kGan, {{"Poliza", c.value}, {"TipoCambio", c.value}})});
    ASSERT_TRUE(files.ExportFileDat(path("g.dat"), rs, 2));
    EXPECT_EQ(readFile(path("g.dat")), c.written + std::string(27, '|') + c.written + "\r\n");
    const std::string log = logText();
    if (c.blanked == 0) {
      EXPECT_EQ(log, "");
    } else {
      EXPECT_TRUE(log.starts_with("Fecha:")) << log;
      EXPECT_TRUE(log.ends_with(notice("KORVANDA.clsControlFiles.ExportFileDat", 2 * c.blanked,
                                       path("g.dat"))))
          << log;
      EXPECT_EQ(std::count(log.begin(), log.end(), '\n'), 1);
    }
  }
  // The placeholder file's argument texts follow the same rule.
  ::unlink((dir_ + "/logFile.log").c_str());
  ASSERT_TRUE(files.ExportFileDatForCSta(path("p.dat"), 2, 1, "F|0\r\n1", 1, 2026, ""));
  EXPECT_EQ(readFile(path("p.dat")), "F 0  1|0|0||||0|0|0|0|0|0|0|0|0|0|0|0|0|1\r\n");
  EXPECT_TRUE(logText().ends_with(notice("KORVANDA.clsControlFiles.ExportFileDatforCst", 3, path("p.dat"))))
      << logText();
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
