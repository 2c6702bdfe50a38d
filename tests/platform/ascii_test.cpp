#include <gtest/gtest.h>

#include "core/ascii.h"

using namespace korvanda;

// Only A-Z and a-z fold; the bytes beside them and every byte of a UTF-8 or Latin-1 letter stay
// as they are.
TEST(Ascii, FoldsOnlyAsciiLetters) {
  struct Case {
    std::string_view a, b;
    bool equal;
  };
  const Case cases[] = {
      {"KORVANDA.clsCatValida", "korvanda.CLSCATVALIDA", true},
      {"@[`{", "@[`{", true},
      {"@", "`", false},  // 0x40 / 0x60 differ by 0x20 but are no letters
      {"[", "{", false},
      {"\xC3\x91", "\xC3\xB1", false},  // Ñ / ñ
      {"\xD1", "\xF1", false},          // Ñ / ñ in Latin-1
      {"abc", "ab", false},
      {"", "", true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.a) + " / " + std::string(c.b));
    EXPECT_EQ(ascii::equalsIgnoreCase(c.a, c.b), c.equal);
  }
  EXPECT_EQ(ascii::lower("Año ZETA_@[\xC3\x91\xD1"), "año zeta_@[\xC3\x91\xD1");
  EXPECT_EQ(ascii::upper("año zeta_`{\xC3\xB1\xF1"), "AñO ZETA_`{\xC3\xB1\xF1");
  EXPECT_TRUE(ascii::startsWithIgnoreCase("SQLite 3.40", "sqlite"));
  EXPECT_FALSE(ascii::startsWithIgnoreCase("sql", "sqlite"));
  EXPECT_TRUE(ascii::containsIgnoreCase("FreeTDS", "tds"));
  EXPECT_FALSE(ascii::containsIgnoreCase("FreeTD", "tds"));
}
