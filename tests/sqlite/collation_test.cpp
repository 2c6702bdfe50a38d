// The KV_CI_AS rules themselves: order, case mapping and LIKE, on UTF-8 texts.
#include "sqlite/collation.h"

#include <gtest/gtest.h>

#include <fstream>

namespace korvanda::sqlite::collation {
namespace {

int sign(int v) { return (v > 0) - (v < 0); }

// A field of the golden file: \xNN, \t and \\ stand for their bytes.
std::string decoded(const std::string& s) {
  std::string out;
  for (size_t i = 0; i < s.size(); ++i) {
    if (s[i] == '\\' && i + 3 < s.size() && s[i + 1] == 'x') {
      out += static_cast<char>(std::stoi(s.substr(i + 2, 2), nullptr, 16));
      i += 3;
    } else if (s[i] == '\\' && i + 1 < s.size()) {
      out += s[++i] == 't' ? '\t' : s[i];
    } else {
      out += s[i];
    }
  }
  return out;
}

// The cases of tests/golden/sqlite/collation.txt.
TEST(Collation, EveryCaseOfTheGoldenFile) {
  std::ifstream in(KORVANDA_SOURCE_DIR "/tests/golden/sqlite/collation.txt");
  int cases = 0;
  for (std::string line; std::getline(in, line);) {
    if (line.empty() || line[0] == '#') continue;
    std::vector<std::string> f;
    const std::string rest = line.substr(line.find(' ') + 1);
    for (size_t at = 0, next; at <= rest.size(); at = next + 3) {
      next = std::min(rest.find(" | ", at), rest.size());
      f.push_back(decoded(rest.substr(at, next - at)));
    }
    SCOPED_TRACE(line);
    ++cases;
    if (line.starts_with("compare ")) {
      ASSERT_EQ(f.size(), 3u);
      EXPECT_EQ(sign(compare(f[0], f[1])), std::stoi(f[2]));
      EXPECT_EQ(sign(compare(f[1], f[0])), -std::stoi(f[2]));
    } else {
      ASSERT_GE(f.size(), 3u);
      std::optional<char32_t> escape;
      if (f.size() > 3) escape = singleCharacter(f[3]);
      EXPECT_EQ(LikePattern(f[1], escape).matches(f[0]), f[2] == "yes");
    }
  }
  EXPECT_GE(cases, 60);
}

TEST(Collation, UpperAndLowerMapEveryWindows1252Letter) {
  EXPECT_EQ(upper("ñandú àáâãäåæçèéêëìíîïðñòóôõöøùúûüýþÿ šœž ßƒµ 中 ok"),
            "ÑANDÚ ÀÁÂÃÄÅÆÇÈÉÊËÌÍÎÏÐÑÒÓÔÕÖØÙÚÛÜÝÞŸ ŠŒŽ ßƒµ 中 OK");
  EXPECT_EQ(lower("ÁRBOL ÀÁÂÃÄÅÆÇÈÉÊËÌÍÎÏÐÑÒÓÔÕÖØÙÚÛÜÝÞŸ ŠŒŽ ×÷ Ω"),
            "árbol àáâãäåæçèéêëìíîïðñòóôõöøùúûüýþÿ šœž ×÷ Ω");
  EXPECT_EQ(upper("a\xFF\xC3"), "A\xFF\xC3");  // bytes that are not UTF-8 stay
}

TEST(Collation, SingleCharacter) {
  EXPECT_EQ(singleCharacter("ñ"), U'ñ');
  EXPECT_FALSE(singleCharacter("ab"));
  EXPECT_FALSE(singleCharacter(""));
  EXPECT_FALSE(singleCharacter("\xFF"));
}

}  // namespace
}  // namespace korvanda::sqlite::collation
