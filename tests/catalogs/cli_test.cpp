// The command-line host, step by step as tests/golden/catalogs/cli.transcript has it.
#include <gtest/gtest.h>

#include <fstream>

#include "support/fixture.h"

namespace {

using korvanda::testing::Outcome;

std::string replaced(std::string s, const std::string& dir) {
  for (size_t at = 0; (at = s.find("{dir}", at)) != std::string::npos; at += dir.size()) s.replace(at, 5, dir);
  return s;
}

struct Step {
  std::string command, whole;
  std::vector<std::string> parts, absent;
  int status = 0;
  bool checkWhole = false;
};

TEST(Cli, Transcript) {
  korvanda::testing::TempDir temp;
  const std::string dir = temp.path().string();
  // Another installation's key, for the step that must not decrypt with it.
  ASSERT_EQ(korvanda::testing::runShell("cd '" + dir + "' && mkdir c && env -u KORVANDA_KEY_FILE " KORVANDA_BINARY_DIR
                                        "/bin/korvanda registry set --server s --database d --file c/r.ini"
                                        " && mv c/registry.key key.other").status, 0);
  std::vector<Step> steps;
  std::ifstream in(KORVANDA_SOURCE_DIR "/tests/golden/catalogs/cli.transcript");
  for (std::string line; std::getline(in, line);) {
    line = replaced(line, dir);
    if (line.empty() || line[0] == '#') continue;
    if (line.starts_with("$ ")) steps.push_back(Step{line.substr(2)});
    else if (line.starts_with("? ")) steps.back().status = std::stoi(line.substr(2));
    else if (line.starts_with("~ ")) steps.back().parts.push_back(line.substr(2));
    else if (line.starts_with("!~ ")) steps.back().absent.push_back(line.substr(3));
    else steps.back().whole += line + "\n", steps.back().checkWhole = true;
  }
  ASSERT_GT(steps.size(), 20u);
  for (const Step& s : steps) {
    SCOPED_TRACE(s.command);
    Outcome o = korvanda::testing::runShell("cd '" + dir + "' && PATH=" KORVANDA_BINARY_DIR "/bin:$PATH; (" +
                                            s.command + ") </dev/null 2>&1");
    EXPECT_EQ(o.status, s.status) << o.out;
    if (s.checkWhole) EXPECT_EQ(o.out, s.whole);
    for (const auto& part : s.parts) EXPECT_NE(o.out.find(part), std::string::npos) << part << "\n" << o.out;
    for (const auto& part : s.absent) EXPECT_EQ(o.out.find(part), std::string::npos) << part << "\n" << o.out;
  }
}

}  // namespace
