// Faults around the library: a full device, an export killed, pipes and links where a file is
// opened. Each ends in its error, leaves no descriptor open and nothing half-written.
// (Elsewhere: an unwritable log in the error tests; a database file locked, replaced, missing
// or no database in the engine's, connector's and connection slot's tests; registry values and
// key files in the slot's and the key-file tests.)
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>

#include "component/ModGlobal.h"
#include "korvanda/automation.h"
#include "korvanda/clsCatValida.h"
#include "korvanda/clsControlFiles.h"
#include "reliability_support.h"
#include "support/fixture.h"

namespace korvanda {
namespace {

using reliability::AgricolaTexts;
using reliability::openDescriptors;
using testing::Environment;
using testing::errorOf;

// The livestock data-file layout, every field a text.
RecordsetRef livestockRecords(size_t rows) {
  static const std::vector<std::string> fields = {
      "Poliza", "Endoso", "CveTipoEndoso", "Inciso", "ApPaterno", "ApMaterno", "Nombres",
      "Identificacion", "CveEstado", "CveMunicipio", "cveespecie", "cvefuncion", "Aniocontrata",
      "VigenciaAsegIni", "VigenciaAsegFin", "CabezasAseg", "UnidadesAseg", "SumaAsegurada",
      "PrimaEaseg", "PrimaEgobFed", "totalemitido", "PrimaCaseg", "PrimaCGobFed",
      "totalcobrado", "NumPagoIni", "NumPagoFin", "FecPago", "TipoCambio"};
  std::vector<std::vector<Variant>> values;
  for (size_t r = 0; r < rows; ++r) {
    std::vector<Variant> row;
    for (size_t c = 0; c < fields.size(); ++c)
      row.emplace_back("GA-" + std::to_string(r) + "-" + std::to_string(c));
    values.push_back(std::move(row));
  }
  return testing::makeRecordset(fields, values);
}

// ---- a full device: a small file system of its own, filled up

class FullDevice : public ::testing::Test {
 protected:
  void SetUp() override {
    std::filesystem::create_directory(mount_);
    if (::mount("tmpfs", mount_.c_str(), "tmpfs", 0, "size=64k") != 0)
      GTEST_SKIP() << "cannot mount a file system here (" << std::strerror(errno) << ")";
    mounted_ = true;
    // Fill every block: a new file can still be made, but not a byte written into it.
    int fd = ::open((mount_ + "/relleno").c_str(), O_WRONLY | O_CREAT, 0644);
    const std::string block(4096, 'x');
    while (::write(fd, block.data(), block.size()) > 0) {
    }
    ::close(fd);
  }
  void TearDown() override {
    if (mounted_) ::umount(mount_.c_str());
  }
  std::string target() const { return mount_ + "/entrega.dat"; }
  std::vector<std::string> entries() const {
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(mount_)) names.push_back(e.path().filename());
    std::sort(names.begin(), names.end());
    return names;
  }
  void expectDiskFull(const std::function<void(clsControlFiles&)>& exportTo, const std::string& label) {
    clsControlFiles cf;
    cf.setCorrectFile(false);
    const size_t fds = openDescriptors();
    Error e = errorOf([&] { exportTo(cf); });
    EXPECT_EQ(e.number(), 61);
    EXPECT_EQ(e.source(), "KORVANDA");
    EXPECT_EQ(e.lastSystemError(), ENOSPC);
    EXPECT_EQ(e.description(), "Disk full: " + target() + " (No space left on device)");
    EXPECT_EQ(openDescriptors(), fds);
    EXPECT_TRUE(cf.getCorrectFile());
    const auto logs = env.logEntries();
    ASSERT_EQ(logs.size(), 1u);
    EXPECT_EQ(logs[0].label, label);
    EXPECT_EQ(logs[0].number, 61);
    EXPECT_EQ(logs[0].description, "El disco esta lleno");
    // No partial file and no temporary file stay.
    EXPECT_EQ(entries(), std::vector<std::string>{"relleno"});
  }
  Environment env{Environment::Options{.database = false, .demo = false, .registry = false}};
  std::string mount_ = env.dir().string() + "/full";
  bool mounted_ = false;
};

// Few lines fail when the file is closed, many while writing; the placeholder file the same way.
TEST_F(FullDevice, ExportsFailWithDiskFullAndLeaveNoFile) {
  for (size_t rows : {3, 3000}) {
    env.clearLogs();
    expectDiskFull([&](clsControlFiles& cf) { cf.ExportFileDat(target(), livestockRecords(rows), 2); },
                   "KORVANDA.clsControlFiles.ExportFileDat");
  }
  env.clearLogs();
  expectDiskFull(
      [&](clsControlFiles& cf) {
        cf.ExportFileDatForCSta(target(), 2, 1, "F01", 1, 2026, "PV2026");
      },
      "KORVANDA.clsControlFiles.ExportFileDatforCst");
}

// ---- an export killed halfway

TEST(KilledExport, LeavesNoPartialFileAtThePath) {
  Environment env{Environment::Options{.database = false, .demo = false, .registry = false}};
  const std::string target = env.dir().string() + "/entrega.dat";
  std::ofstream(target, std::ios::binary) << "la entrega anterior\r\n";
  RecordsetRef records = livestockRecords(20000);
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    clsControlFiles cf;
    // Killed at half the lines, after several buffers went to the file.
    cf.onProgress([](int16_t advance) {
      if (advance >= 50) ::raise(SIGKILL);
    });
    cf.ExportFileDat(target, records, 2);
    ::_exit(0);
  }
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFSIGNALED(status));
  // The old file was deleted first; nothing was ever put in its place.
  EXPECT_FALSE(std::filesystem::exists(target));
}

// ---- named pipes and symbolic links where the library opens a file

// Each file the library opens, met as a named pipe (with and without a reader), a symbolic
// link to an ordinary file, or a link to nowhere: nothing waits, nothing is written through a
// link and no file appears elsewhere.
TEST(HostileFiles, PipesAndLinksAreRefusedOrSkipped) {
  int rows = 0;
  for (const auto& row : testing::goldenTable("reliability/hostile_files.tsv")) {
    ++rows;
    ASSERT_EQ(row.size(), 4u) << row[0];
    const std::string &target = row[0], &kind = row[1], &what = row[3];
    SCOPED_TRACE(target + " met as " + kind);
    Environment env;
    const std::string dir = env.dir().string();
    const std::string path = target == "registry"         ? env.registryPath()
                             : target == "export"         ? dir + "/entrega.dat"
                             : target == "error-log"      ? env.logDir() + "/logFile.log"
                             : target == "duplicates-log" ? env.logDir() + "/Errores.log"
                                                          : env.tracePath();
    // A registry link leads to a copy of the registry file; other links to a file to keep.
    const std::string linked = dir + "/linked";
    const std::string nowhere = dir + "/nowhere";
    if (target == "registry") std::filesystem::copy_file(path, linked);
    else std::ofstream(linked, std::ios::binary) << "keep\n";
    const auto linkedBefore = testing::readLines(linked);
    std::filesystem::remove(path);
    const bool pipe = kind.starts_with("pipe");
    int reader = -1;
    ASSERT_TRUE(!pipe || ::mkfifo(path.c_str(), 0644) == 0);
    if (kind == "pipe-with-reader") reader = ::open(path.c_str(), O_RDONLY | O_NONBLOCK);
    ASSERT_TRUE(kind != "pipe-with-reader" || reader >= 0);
    ASSERT_TRUE(pipe || ::symlink((kind == "link" ? linked : nowhere).c_str(), path.c_str()) == 0);

    const int expected = std::stoi(row[2]);
    ::alarm(20);  // an open that waits on the pipe ends the test program here
    Error e(0, "", "");
    if (target == "registry") {
      e = testing::raised([] { clsCatValida::create(); });
    } else if (target == "export") {
      clsControlFiles cf;
      e = testing::raised([&] { cf.ExportFileDat(path, livestockRecords(2), 2); });
    } else {
      auto cv = clsCatValida::create();
      const AgricolaTexts record("DUP-1");
      ASSERT_TRUE(target != "duplicates-log" ||
                  reliability::insertAgricola(*cv, record, cv->getConexion()));
      e = testing::raised([&] {
        if (target == "error-log") cv->getCatalogos(0);
        if (target == "duplicates-log")
          reliability::insertAgricola(*cv, record, cv->getConexion(), "Archivo");
        if (target == "trace") cv->getCatalogos(5);
      });
    }
    ::alarm(0);
    EXPECT_EQ(e.number(), expected) << e.description();
    if (!what.empty()) {
      EXPECT_NE(e.description().find(path + what), std::string::npos) << e.description();
    }

    // What was at the path is still there, unchanged; nothing went through a link.
    struct stat st {};
    ASSERT_EQ(::lstat(path.c_str(), &st), 0);
    EXPECT_TRUE(pipe ? S_ISFIFO(st.st_mode) : S_ISLNK(st.st_mode));
    EXPECT_EQ(testing::readLines(linked), linkedBefore);
    EXPECT_FALSE(std::filesystem::exists(nowhere));
    if (reader >= 0) {
      char byte;
      EXPECT_LE(::read(reader, &byte, 1), 0);  // nothing was written into the pipe
      ::close(reader);
    }
    slot::current().reset();
  }
  EXPECT_EQ(rows, 20);
}

}  // namespace
}  // namespace korvanda
