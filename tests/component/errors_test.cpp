// The two logs and the error messages: the line each failure leaves, to the character.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <regex>
#include <thread>
#include <vector>

#include "catalogs/directory.h"
#include "component/ModGlobal.h"
#include "component/frame.h"
#include "component/modErrores.h"
#include "korvanda/clsControlFiles.h"
#include "support/fixture.h"

using namespace korvanda;
using korvanda::testing::Environment;
using korvanda::testing::errorOf;
using korvanda::testing::readLines;
namespace fs = std::filesystem;

namespace {

const std::string kStamp = R"(Fecha:\d\d/\d\d/\d{4} \d\d:\d\d:\d\d\|Modulo:)";
const std::string kDupStamp = R"(\|\d\d/\d\d/\d{4} \d\d:\d\d:\d\d\|0\|)";

std::string slurp(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// The fixed messages live in tests/golden/error_messages.tsv, one "number<TAB>message" a line.
TEST(MessageTable, EveryFixedMessageToTheCharacter) {
  size_t rows = 0;  // a missing file has none
  for (const std::string& line :
       readLines(KORVANDA_SOURCE_DIR "/tests/golden/error_messages.tsv")) {
    if (line.empty() || line[0] == '#') continue;
    const size_t tab = line.find('\t');
    ASSERT_NE(tab, std::string::npos) << line;
    const int32_t number = std::stoi(line.substr(0, tab));
    EXPECT_EQ(getDescError(Error(number, "s", "own")), line.substr(tab + 1)) << number;
    ++rows;
  }
  EXPECT_EQ(rows, 76u);
  // Other numbers keep their own description.
  for (int32_t number : {-2147220503, 8, -2147217900})
    EXPECT_EQ(getDescError(Error(number, "x", "own text")), "own text") << number;
}

TEST(ErrorLog, NestedFramesLogInnermostFirstAndRaiseTheInnerError) {
  Environment env{{.database = false}};
  Error out = errorOf([] {
    frame("KORVANDA.clsCatValida.outer", [] {
      frame("KORVANDA.ModGlobal.inner", [] { throw errors::subscriptOutOfRange(); });
    });
  });
  EXPECT_EQ(out.number(), 9);
  EXPECT_EQ(out.source(), "KORVANDA");
  EXPECT_EQ(out.description(), "Subscript out of range");
  const Error same = errorOf([] { ManejaError(Error(-7, ".s", "d"), "KORVANDA.a.b"); });
  EXPECT_EQ(same.number(), -7);
  EXPECT_EQ(same.source(), ".s");
  EXPECT_EQ(same.description(), "d");
  const std::string all = slurp(fs::path(env.logDir()) / "logFile.log");
  const std::regex lines(
      kStamp + R"(KORVANDA\.ModGlobal\.inner\|Numero:9\|Source:KORVANDA\|LastDLLError:0)"
               R"(\|Desc Alt Se trato de acceder un elemento, no existente\.\r\n)" +
      kStamp + R"(KORVANDA\.clsCatValida\.outer\|Numero:9\|Source:KORVANDA\|LastDLLError:0)"
               R"(\|Desc Alt Se trato de acceder un elemento, no existente\.\r\n)" +
      kStamp + R"(KORVANDA\.a\.b\|Numero:-7\|Source:\.s\|LastDLLError:0\|Desc Alt d\r\n)");
  EXPECT_TRUE(std::regex_match(all, lines)) << all;
}

TEST(DuplicatesLog, OneCrLfLineEach) {
  Environment env{{.database = false}};
  GrabaFileErrores(1009, "El registro de constancia=123 esta duplicado", 0);
  // A certificate text with CR LF cannot add a line.
  GrabaFileErrores(2011, "El registro de constancia=P-1\r\n1009|01/01/2026 00:00:00|0|X", 0);
  const std::string all = slurp(fs::path(env.logDir()) / "Errores.log");
  EXPECT_TRUE(std::regex_match(
      all, std::regex("1009" + kDupStamp + "El registro de constancia=123 esta duplicado\r\n"
                      "2011" + kDupStamp + R"(El registro de constancia=P-1\\r\\n1009\|)"
                      R"(01/01/2026 00:00:00\|0\|X\r\n)")))
      << all;
  EXPECT_TRUE(env.logLines().empty());
}

// Control characters in logged texts are escaped, so no text adds or breaks a line; a text
// longer than 1000 characters is cut with a marker; the rest is written as it is.
TEST(LoggedText, EscapesControlsAndCutsLongTexts) {
  const std::string ene = "\xC3\xB1";  // one character, two bytes
  std::string thousandEnes;
  std::string newlines;  // a thousand escaped LFs
  for (int i = 0; i < 1000; ++i) thousandEnes += ene, newlines += "\\n";
  const std::pair<std::string, std::string> cases[] = {
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
  for (const auto& [text, logged] : cases)
    EXPECT_EQ(loggedText(text), logged) << text.substr(0, 40);
  // The error itself reaches the caller unchanged; only its log line is escaped and cut.
  Environment env{{.database = false}};
  const std::string huge = "x\r\ny" + std::string(1000000, 'z');
  Error out = errorOf([&] { frame("KORVANDA.x.y", [&] { throw Error(-7, "fuente\n", huge); }); });
  EXPECT_EQ(out.description(), huge);
  EXPECT_EQ(out.source(), "fuente\n");
  ASSERT_EQ(env.logEntries().size(), 1u);
  EXPECT_EQ(env.logEntries()[0].source, "fuente\\n");
  EXPECT_EQ(env.logEntries()[0].description,
            "x\\r\\ny" + std::string(996, 'z') + "[... 999004 more characters]");
}

TEST(ExisteArchivo, OnlyOrdinaryVisibleFiles) {
  korvanda::testing::TempDir d;
  std::ofstream(d.path() / "a.txt") << "x";
  std::ofstream(d.path() / ".hidden") << "x";
  EXPECT_TRUE(ExisteArchivo((d.path() / "a.txt").string()));
  for (const std::string& name : {(d.path() / ".hidden").string(), d.path().string(),
                                  (d.path() / "none").string(), std::string(),
                                  std::string("bad\0name", 8)})
    EXPECT_FALSE(ExisteArchivo(name)) << name;
}

}  // namespace
