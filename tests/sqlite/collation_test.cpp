// The KV_CI_AS rules themselves: order, case mapping and LIKE, on UTF-8 texts.
#include "sqlite/collation.h"

#include <gtest/gtest.h>

namespace korvanda::sqlite::collation {
namespace {

int sign(int v) { return (v > 0) - (v < 0); }

TEST(Collation, OrdersAndEqualsAsSqlServer) {
  using namespace std::string_literals;
  const struct {
    std::string a, b;
    int order;  // a against b
  } cases[] = {
      {"abc", "ABC", 0}, {"PÓLIZA-Ñ", "póliza-ñ", 0}, {"ÄÖÜ", "äöü", 0}, {"TRAIL", "TRAIL  ", 0},
      {"çœšžÿæøþð", "ÇŒŠŽŸÆØÞÐ", 0}, {"ñandú", "ÑANDÚ", 0}, {"", "", 0}, {"", "   ", 0},
      {"a", "B", -1}, {"a", "á", -1}, {"á", "b", -1}, {"n", "ñ", -1}, {"ñ", "o", -1},
      {"nz", "ña", -1},        // ñ is a letter of its own
      {"áa", "ab", -1},        // accents decide only between the same letters
      {"cote", "coté", -1}, {"coté", "côte", -1},
      {"z", "Árbol", 1},       // accented letters beside their base letter, not after z
      {"", "a", -1}, {" ", "a", -1}, {"a", "a b", -1}, {"a ", "a!", -1},
      {"a\t", "a", -1},        // a shorter text compares as if padded with blanks
      {"9", "a", -1}, {"-", "0", -1}, {"z", "€", 1}, {"é", "É ", 0},
      {"z", "Ω", -1}, {"Ω", "中", -1},  // outside Windows-1252: after the rest, by code point
      {"\xC3", "\xC3\xA1", 1}, {"a\xFF", "a\xFE", 1}, {"\xE2\x82", "\xE2\x82\xAC", 1},  // not UTF-8
      {"\xED\xA0\x80", "\xED\xA0\x80", 0}, {"\xC0\xAF", "/", 1},  // surrogate, overlong
  };
  for (const auto& c : cases) {
    EXPECT_EQ(sign(compare(c.a, c.b)), c.order) << c.a << " / " << c.b;
    EXPECT_EQ(sign(compare(c.b, c.a)), -c.order) << c.b << " / " << c.a;
  }
}

TEST(Collation, UpperAndLowerMapEveryWindows1252Letter) {
  EXPECT_EQ(upper("ñandú àáâãäåæçèéêëìíîïðñòóôõöøùúûüýþÿ šœž ßƒµ 中 ok"),
            "ÑANDÚ ÀÁÂÃÄÅÆÇÈÉÊËÌÍÎÏÐÑÒÓÔÕÖØÙÚÛÜÝÞŸ ŠŒŽ ßƒµ 中 OK");
  EXPECT_EQ(lower("ÁRBOL ÀÁÂÃÄÅÆÇÈÉÊËÌÍÎÏÐÑÒÓÔÕÖØÙÚÛÜÝÞŸ ŠŒŽ ×÷ Ω"),
            "árbol àáâãäåæçèéêëìíîïðñòóôõöøùúûüýþÿ šœž ×÷ Ω");
  EXPECT_EQ(upper("a\xFF\xC3"), "A\xFF\xC3");  // bytes that are not UTF-8 stay
}

TEST(Collation, LikeAsTsql) {
  const struct {
    const char* text;
    const char* pattern;
    bool match;
    std::optional<char32_t> escape = std::nullopt;
  } cases[] = {
      {"ÁRBOL", "árbol", true}, {"arbol", "árbol", false}, {"Peña", "pe_a", true},
      {"abc   ", "abc", true}, {"abc ", "abc_", true}, {"abc", "abc ", false},
      {"abc", "%", true}, {"", "%", true}, {"", "_", false}, {"", "", true},
      {"xaxbx", "%a%b%", true}, {"aaa", "%a%a%a%a%", false}, {"ab", "a%%b", true},
      {"mañana", "ma[ñn]ana", true}, {"manana", "ma[^ñ]ana", true}, {"mañana", "ma[^Ñ]ana", false},
      {"c", "[a-d]", true}, {"á", "[a-b]", true}, {"ñ", "[a-n]", false}, {"-", "[a-]", true},
      {"[x", "[x", true}, {"%", "[%]", true}, {"a", "[%]", false},
      {"10%", "10!%", true, U'!'}, {"100", "10!%", false, U'!'}, {"a_b", "a\\_b", true, U'\\'},
      {"axb", "a\\_b", false, U'\\'}, {"a", "a!", false, U'!'}, {"ñ!", "Ñ¡!", true, U'¡'},
      {"x\xFFy", "x_y", true}, {"中文", "_文", true},
  };
  for (const auto& c : cases)
    EXPECT_EQ(LikePattern(c.pattern, c.escape).matches(c.text), c.match) << c.text << " LIKE " << c.pattern;
  EXPECT_EQ(singleCharacter("ñ"), U'ñ');
  EXPECT_FALSE(singleCharacter("ab"));
  EXPECT_FALSE(singleCharacter(""));
  EXPECT_FALSE(singleCharacter("\xFF"));
}

}  // namespace
}  // namespace korvanda::sqlite::collation
