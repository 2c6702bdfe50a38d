// Runs a transcript of command-line steps (tests/golden/*/*.transcript): each "$ " line runs
// in one new directory ({dir}; {golden} is tests/golden), also its log directory, with the
// host on the PATH and standard input /dev/null. The lines after it are its output, stdout and
// stderr: "~ " a part of it, "!~ " a text it must not hold, "? " its exit status (0 when not
// given); plain lines are the whole output. "#" starts a comment.
#pragma once

#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

#include "support/fixture.h"

namespace korvanda::testing {

inline void runTranscript(const std::string& file) {
  TempDir temp;
  const std::string dir = temp.path().string();
  auto replaced = [&](std::string s) {
    for (const auto& [key, value] : {std::pair<std::string, std::string>{"{dir}", dir},
                                     {"{golden}", KORVANDA_SOURCE_DIR "/tests/golden"}})
      for (size_t at = 0; (at = s.find(key, at)) != std::string::npos; at += value.size())
        s.replace(at, key.size(), value);
    return s;
  };
  struct Step {
    std::string command, whole;
    std::vector<std::string> parts, absent;
    int status = 0;
    bool checkWhole = false;
  };
  std::vector<Step> steps;
  std::ifstream in(KORVANDA_SOURCE_DIR "/tests/golden/" + file);
  for (std::string line; std::getline(in, line);) {
    line = replaced(line);
    if (line.empty() || line[0] == '#') continue;
    if (line.starts_with("$ ")) steps.push_back(Step{line.substr(2)});
    else if (line.starts_with("? ")) steps.back().status = std::stoi(line.substr(2));
    else if (line.starts_with("~ ")) steps.back().parts.push_back(line.substr(2));
    else if (line.starts_with("!~ ")) steps.back().absent.push_back(line.substr(3));
    else steps.back().whole += line + "\n", steps.back().checkWhole = true;
  }
  ASSERT_GT(steps.size(), 5u) << file;
  for (const Step& s : steps) {
    SCOPED_TRACE(s.command);
    Outcome o =
        runShell("cd '" + dir + "' && export KORVANDA_LOG_DIR='" + dir +
                 "' PATH=" KORVANDA_BINARY_DIR "/bin:$PATH; (" + s.command + ") </dev/null 2>&1");
    EXPECT_EQ(o.status, s.status) << o.out;
    if (s.checkWhole) {
      EXPECT_EQ(o.out, s.whole);
    }
    for (const auto& part : s.parts)
      EXPECT_NE(o.out.find(part), std::string::npos) << part << "\n" << o.out;
    for (const auto& part : s.absent)
      EXPECT_EQ(o.out.find(part), std::string::npos) << part << "\n" << o.out;
  }
}

}  // namespace korvanda::testing
