// The KV_CI_AS rules themselves: order, case mapping and LIKE, on UTF-8 texts.
#include "sqlite/collation.h"

#include <gtest/gtest.h>

#include <fstream>

#include "support/fixture.h"

namespace korvanda::sqlite::collation {
namespace {

int sign(int v) { return (v > 0) - (v < 0); }

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
      f.push_back(korvanda::testing::unescaped(rest.substr(at, next - at)));
    }
    SCOPED_TRACE(line);
    ++cases;
    if (line.starts_with("compare ")) {
      ASSERT_EQ(f.size(), 3u);
      EXPECT_EQ(sign(compare(f[0], f[1])), std::stoi(f[2]));
      EXPECT_EQ(sign(compare(f[1], f[0])), -std::stoi(f[2]));
    } else if (line.starts_with("upper ") || line.starts_with("lower ")) {
      EXPECT_EQ(line[0] == 'u' ? upper(f[0]) : lower(f[0]), f.at(1));
    } else if (line.starts_with("single ")) {
      const auto c = singleCharacter(f[0]);
      EXPECT_EQ(c ? std::to_string(static_cast<uint32_t>(*c)) : "no", f.at(1));
    } else {
      ASSERT_GE(f.size(), 3u);
      std::optional<char32_t> escape;
      if (f.size() > 3) escape = singleCharacter(f[3]);
      EXPECT_EQ(LikePattern(f[1], escape).matches(f[0]), f[2] == "yes");
    }
  }
  EXPECT_GE(cases, 60);
}

}  // namespace
}  // namespace korvanda::sqlite::collation
