#include <gtest/gtest.h>

#include <string>

#include "export/cp1252.h"

using korvanda::appendCp1252;

namespace {
std::string cp(std::string_view utf8, bool enie = false) {
  std::string out;
  appendCp1252(out, utf8, enie);
  return out;
}

std::string utf8Of(char32_t c) {
  std::string s;
  if (c < 0x80) {
    s += static_cast<char>(c);
  } else if (c < 0x800) {
    s += static_cast<char>(0xC0 | (c >> 6));
    s += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    s += static_cast<char>(0xE0 | (c >> 12));
    s += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    s += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    s += static_cast<char>(0xF0 | (c >> 18));
    s += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    s += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    s += static_cast<char>(0x80 | (c & 0x3F));
  }
  return s;
}
}  // namespace

TEST(Cp1252, AsciiAndLatin1AreTheirOwnBytes) {
  EXPECT_EQ(cp("Poliza 123|x\r\n"), "Poliza 123|x\r\n");
  for (char32_t c = 0xA0; c <= 0xFF; ++c)
    EXPECT_EQ(cp(utf8Of(c)), std::string(1, static_cast<char>(c))) << std::hex << static_cast<uint32_t>(c);
}

TEST(Cp1252, TheHighRowMapsToItsOwnCharacters) {
  EXPECT_EQ(cp("\u20AC"), "\x80");
  EXPECT_EQ(cp("\u201A\u0192\u201E\u2026"), "\x82\x83\x84\x85");
  EXPECT_EQ(cp("\u0160\u0152\u017D"), "\x8A\x8C\x8E");
  EXPECT_EQ(cp("\u2018\u2019\u201C\u201D\u2022\u2013\u2014"), "\x91\x92\x93\x94\x95\x96\x97");
  EXPECT_EQ(cp("\u02DC\u2122\u0161\u203A\u0153\u017E\u0178"), "\x98\x99\x9A\x9B\x9C\x9E\x9F");
  // The unassigned positions keep their C1 controls; the other C1 controls do not fit.
  EXPECT_EQ(cp("\u0081\u008D\u008F\u0090\u009D"), "\x81\x8D\x8F\x90\x9D");
  EXPECT_EQ(cp("\u0080\u0085\u009F"), "???");
}

TEST(Cp1252, CharactersOutsideTheCodePageBecomeQuestionMarks) {
  EXPECT_EQ(cp("Zo\u00EB \u65E5\u672C \U0001F600!"), "Zo\xEB ?? ?!");
  EXPECT_EQ(cp("\u0101\u0107"), "??");  // no best-fit to "a" and "c"
}

TEST(Cp1252, MalformedBytesBecomeOneQuestionMarkEach) {
  EXPECT_EQ(cp("a\xC3("), "a?(");
  EXPECT_EQ(cp("\xE2\x82"), "??");
  EXPECT_EQ(cp("\xC0\xAF"), "??");          // overlong "/"
  EXPECT_EQ(cp("\xED\xA0\x80"), "???");     // a surrogate
  EXPECT_EQ(cp("\xF4\x90\x80\x80"), "????");  // past U+10FFFF
  EXPECT_EQ(cp("\xFF"), "?");
}

TEST(Cp1252, EnieRuleTouchesOnlyEnie) {
  EXPECT_EQ(cp("PEÑA Muñoz", true), "PENA Munoz");
  EXPECT_EQ(cp("PEÑA Muñoz", false), "PE\xD1" "A Mu\xF1oz");
  EXPECT_EQ(cp("Pérez Güémez ÁÉÍÓÚÜ", true), "P\xE9rez G\xFC\xE9mez \xC1\xC9\xCD\xD3\xDA\xDC");
  EXPECT_EQ(cp("ÑÑññ", true), "NNnn");
}
