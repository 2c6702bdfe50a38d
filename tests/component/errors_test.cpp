#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <thread>
#include <vector>

#include "catalogs/directory.h"
#include "component/ModGlobal.h"
#include "component/frame.h"
#include "component/modErrores.h"
#include "korvanda/clsControlFiles.h"

using namespace korvanda;
namespace fs = std::filesystem;

namespace {

// Points both logs at a fresh directory for the length of a test.
class LogDir : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() /
           ("korvanda-logs-" + std::to_string(::getpid()) + "-" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir_);
    fs::create_directories(dir_);
    ::setenv("KORVANDA_LOG_DIR", dir_.c_str(), 1);
  }
  void TearDown() override { fs::remove_all(dir_); }
  std::string read(const char* name) {
    std::ifstream in(dir_ / name, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
  }
  std::vector<std::string> lines(const char* name) {
    std::vector<std::string> out;
    std::string all = read(name);
    size_t start = 0, end;
    while ((end = all.find("\r\n", start)) != std::string::npos) {
      out.push_back(all.substr(start, end - start));
      start = end + 2;
    }
    EXPECT_EQ(start, all.size()) << "a line without CR LF";
    return out;
  }
  fs::path dir_;
};

Error caught(const std::function<void()>& f) {
  try {
    f();
  } catch (const Error& e) {
    return e;
  }
  ADD_FAILURE() << "no error raised";
  return Error(0, "", "");
}

const char* kStamp = R"(Fecha:\d\d/\d\d/\d{4} \d\d:\d\d:\d\d)";

}  // namespace

// The fixed messages live in tests/golden/error_messages.tsv, one "number<TAB>message" a line.
TEST(MessageTable, EveryFixedMessageToTheCharacter) {
  std::ifstream in(std::string(KORVANDA_SOURCE_DIR) + "/tests/golden/error_messages.tsv");
  ASSERT_TRUE(in) << "tests/golden/error_messages.tsv";
  size_t rows = 0;
  for (std::string line; std::getline(in, line);) {
    if (line.empty() || line[0] == '#') continue;
    const size_t tab = line.find('\t');
    ASSERT_NE(tab, std::string::npos) << line;
    const int32_t number = std::stoi(line.substr(0, tab));
    EXPECT_EQ(getDescError(Error(number, "s", "own")), line.substr(tab + 1)) << number;
    ++rows;
  }
  EXPECT_EQ(rows, 76u);
}

TEST(MessageTable, UnknownNumbersKeepTheirOwnDescription) {
  EXPECT_EQ(getDescError(Error(-2147220503, ".getCatalogos", "El catalogo solicitado no existe")),
            "El catalogo solicitado no existe");
  EXPECT_EQ(getDescError(Error(8, "x", "own text")), "own text");
  EXPECT_EQ(getDescError(Error(-2147217900, "x", "provider said no")), "provider said no");
}

TEST_F(LogDir, ManejaErrorWritesOneLineAndRaisesTheSameError) {
  Error in(-2147220503, ".getCatalogos", "El catalogo solicitado no existe");
  Error out = caught([&] { ManejaError(in, "KORVANDA.clsCatValida.getCatalogos"); });
  EXPECT_EQ(out.number(), in.number());
  EXPECT_EQ(out.source(), in.source());
  EXPECT_EQ(out.description(), in.description());
  auto l = lines("logFile.log");
  ASSERT_EQ(l.size(), 1u);
  EXPECT_TRUE(std::regex_match(
      l[0], std::regex(std::string(kStamp) +
                       R"(\|Modulo:KORVANDA\.clsCatValida\.getCatalogos\|Numero:-2147220503)"
                       R"(\|Source:\.getCatalogos\|LastDLLError:0\|Desc Alt El catalogo solicitado no existe)")))
      << l[0];
}

TEST_F(LogDir, NestedFramesLogInnermostFirstAndKeepTheInnerError) {
  Error out = caught([] {
    frame("KORVANDA.clsCatValida.outer", [] {
      frame("KORVANDA.ModGlobal.inner", [] { throw errors::subscriptOutOfRange(); });
    });
  });
  EXPECT_EQ(out.number(), 9);
  EXPECT_EQ(out.description(), "Subscript out of range");
  auto l = lines("logFile.log");
  ASSERT_EQ(l.size(), 2u);
  EXPECT_NE(l[0].find("|Modulo:KORVANDA.ModGlobal.inner|Numero:9|Source:KORVANDA|"),
            std::string::npos);
  EXPECT_NE(l[1].find("|Modulo:KORVANDA.clsCatValida.outer|Numero:9|"), std::string::npos);
  EXPECT_NE(l[1].find("|Desc Alt Se trato de acceder un elemento, no existente."),
            std::string::npos);
}

TEST_F(LogDir, ALogThatCannotBeWrittenReplacesTheError) {
  ::setenv("KORVANDA_LOG_DIR", (dir_ / "missing" / "dir").c_str(), 1);
  Error out = caught([] { frame("KORVANDA.x.y", [] { throw errors::overflow(); }); });
  EXPECT_EQ(out.number(), 76);
  EXPECT_NE(out.lastSystemError(), 0);
  ::setenv("KORVANDA_LOG_DIR", "/dev/full", 1);  // not a directory
  EXPECT_NE(caught([] { ManejaError(errors::overflow(), "KORVANDA.x.y"); }).number(), 6);
}

TEST_F(LogDir, ConcurrentLinesNeverMix) {
  std::vector<std::thread> threads;
  for (int t = 0; t < 8; ++t)
    threads.emplace_back([t] {
      for (int i = 0; i < 150; ++i) {
        try {
          frame("KORVANDA.thread" + std::to_string(t),
                [&] { throw Error(1000 + t, "src", std::string(200, char('a' + t))); });
        } catch (const Error&) {
        }
      }
    });
  for (auto& th : threads) th.join();
  auto l = lines("logFile.log");
  ASSERT_EQ(l.size(), 8u * 150u);
  std::regex shape(std::string(kStamp) + R"(\|Modulo:KORVANDA\.thread(\d)\|Numero:100\d\|Source:src\|LastDLLError:0\|Desc Alt ([a-h])\2{199})");
  for (const auto& line : l) EXPECT_TRUE(std::regex_match(line, shape)) << line;
}

TEST_F(LogDir, DuplicatesLogLine) {
  GrabaFileErrores(1009, "El registro de constancia=123 esta duplicado", 0);
  GrabaFileErrores(2011, "El registro de constancia=O'Brien esta duplicado", 0);
  auto l = lines("Errores.log");
  ASSERT_EQ(l.size(), 2u);
  EXPECT_TRUE(std::regex_match(
      l[0], std::regex(R"(1009\|\d\d/\d\d/\d{4} \d\d:\d\d:\d\d\|0\|El registro de constancia=123 esta duplicado)")))
      << l[0];
  EXPECT_EQ(l[1].substr(0, 5), "2011|");
  EXPECT_TRUE(read("logFile.log").empty());
}

TEST_F(LogDir, DuplicatesLogFailureIsLoggedUnderItsLabel) {
  fs::create_directories(dir_ / "Errores.log");  // a directory where the file should be
  Error out = caught([] { GrabaFileErrores(1009, "m", 0); });
  EXPECT_EQ(out.number(), 75);
  auto l = lines("logFile.log");
  ASSERT_EQ(l.size(), 1u);
  EXPECT_NE(l[0].find("|Modulo:KORVANDA.ModGlobal.GrabaFileErrores|Numero:75|"),
            std::string::npos);
}

// Control characters in logged texts are escaped, so no text adds or breaks a line; a text
// longer than kLoggedTextLimit characters is cut with a marker; the rest is written as it is.
TEST(LoggedText, EscapesControlsAndCutsLongTexts) {
  const std::string ene = "\xC3\xB1";  // one character, two bytes
  std::string thousandEnes;
  std::string newlines;  // a thousand escaped LFs
  for (int i = 0; i < 1000; ++i) thousandEnes += ene, newlines += "\\n";
  const std::pair<std::string, std::string> cases[] = {
      {"P-1\r\n1009|01/01/2026 00:00:00|0|forjada", "P-1\\r\\n1009|01/01/2026 00:00:00|0|forjada"},
      {"a\tb\nc\rd", "a\\tb\\nc\\rd"},
      {std::string("\x00\x01\x1B\x1F\x7F", 5), "\\x00\\x01\\x1B\\x1F\\x7F"},
      {"NEL\xC2\x85" "fin\xC2\x9F", "NEL\\u0085fin\\u009F"},
      {"Pe" + ene + "a O'Brien \\r C:\\x \xC2\xA0", "Pe" + ene + "a O'Brien \\r C:\\x \xC2\xA0"},
      {std::string(1000, 'a'), std::string(1000, 'a')},
      {std::string(1001, 'a'), std::string(1000, 'a') + "[... 1 more characters]"},
      {std::string(1000000, '\n'), newlines + "[... 999000 more characters]"},
      {thousandEnes + ene + ene, thousandEnes + "[... 2 more characters]"},
      {"", ""},
  };
  for (const auto& [text, logged] : cases) EXPECT_EQ(loggedText(text), logged) << text.substr(0, 40);
}

TEST_F(LogDir, LoggedTextsNeverForgeALine) {
  // A certificate text with CR LF cannot add a line to Errores.log.
  GrabaFileErrores(1009, "El registro de constancia=P-1\r\n1009|01/01/2026 00:00:00|0|X esta duplicado", 0);
  auto dup = lines("Errores.log");
  ASSERT_EQ(dup.size(), 1u);
  EXPECT_TRUE(dup[0].ends_with("|0|El registro de constancia=P-1\\r\\n1009|01/01/2026 00:00:00|0|X esta duplicado"))
      << dup[0];
  // Nor can a source or a description (here a megabyte of one) add one to logFile.log; the
  // error itself reaches the caller unchanged.
  const std::string huge = "Type mismatch: \"x\r\ny" + std::string(1000000, 'z') + "\"";
  Error out = caught([&] { frame("KORVANDA.x.y", [&] { throw Error(-7, "fuente\n", huge); }); });
  EXPECT_EQ(out.description(), huge);
  EXPECT_EQ(out.source(), "fuente\n");
  auto l = lines("logFile.log");
  ASSERT_EQ(l.size(), 1u);
  EXPECT_TRUE(std::regex_match(
      l[0], std::regex(std::string(kStamp) + R"(\|Modulo:KORVANDA\.x\.y\|Numero:-7\|Source:fuente\\n\|LastDLLError:0)"
                       R"(\|Desc Alt Type mismatch: "x\\r\\nyz{980}\[\.\.\. 999021 more characters\])")))
      << l[0].substr(0, 200);
}

TEST(ExisteArchivo, OnlyOrdinaryVisibleFiles) {
  fs::path d = fs::temp_directory_path() / ("korvanda-exists-" + std::to_string(::getpid()));
  fs::create_directories(d);
  std::ofstream(d / "a.txt") << "x";
  std::ofstream(d / ".hidden") << "x";
  EXPECT_TRUE(ExisteArchivo((d / "a.txt").string()));
  EXPECT_FALSE(ExisteArchivo((d / ".hidden").string()));
  EXPECT_FALSE(ExisteArchivo(d.string()));
  EXPECT_FALSE(ExisteArchivo((d / "none").string()));
  EXPECT_FALSE(ExisteArchivo(""));
  EXPECT_FALSE(ExisteArchivo(std::string("bad\0name", 8)));
  fs::remove_all(d);
}

TEST(CatalogDirectory, TablesAndCodeColumns) {
  EXPECT_EQ(nameTablesCat(13), "CATCTIPOPRACTICA");
  EXPECT_EQ(nameTablesCat(18), "SUBCTIPOSEG");
  EXPECT_EQ(nameTablesCat(19), "SUBCBIMESTRE");
  EXPECT_EQ(nameTablesCat(21), "SUBCSTATUS");
  EXPECT_EQ(nameClaveTablesCat(12), "cveCiclo");
  EXPECT_EQ(nameClaveTablesCat(17), "cveCiclo");
  EXPECT_EQ(nameClaveTablesCat(11), "cveMoneda");
  EXPECT_EQ(nameClaveTablesCat(14), "cveTipoendoso");
  for (int16_t id : {3, 7, 15, 16, 18, 19, 20, 21}) {
    EXPECT_FALSE(nameTablesCat(id).empty()) << id;
    EXPECT_EQ(nameClaveTablesCat(id), "") << id;
  }
  for (int16_t id : {0, 22, -1, 32767, -32768}) {
    EXPECT_EQ(nameTablesCat(id), "") << id;
    EXPECT_EQ(nameClaveTablesCat(id), "") << id;
  }
}

TEST(ProgressRule, ExamplesAndLimits) {
  clsControlFiles files;
  EXPECT_EQ(files.getFileAdvance(), 1);
  EXPECT_TRUE(files.getCorrectFile());
  EXPECT_EQ(files.setPercentAdvanceExport(3, 1), 33);
  EXPECT_EQ(files.setPercentAdvanceExport(3, 2), 67);
  EXPECT_EQ(files.setPercentAdvanceExport(200, 1), 1);  // 0.5 to even is 0, then the floor
  EXPECT_EQ(files.setPercentAdvanceExport(5, 5), 100);
  EXPECT_EQ(files.setPercentAdvanceExport(8, 1), 12);   // 12.5 to even
  EXPECT_EQ(files.setPercentAdvanceExport(8, 3), 38);   // 37.5 to even
  EXPECT_EQ(files.setPercentAdvanceExport(0, 5), 1);
  EXPECT_EQ(files.setPercentAdvanceExport(-1, 5), 1);
  EXPECT_EQ(files.setPercentAdvanceExport(4, 9), 100);
  EXPECT_EQ(files.setPercentAdvanceExport(4, 0), 1);
  for (int count = 1; count <= 4; ++count)
    EXPECT_EQ(files.setPercentAdvanceExport(4, count), 25 * count);
  EXPECT_EQ(files.setPercentAdvanceImport(3, 2), 67);
  EXPECT_EQ(files.setPercentAdvanceExport(INT32_MAX, INT32_MAX), 100);
}
