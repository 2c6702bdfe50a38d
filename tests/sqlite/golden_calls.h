// The member calls of tests/golden/statements/calls.txt and the statements listed under each,
// read in one place for the statement test of certificates and the engine run of sqlite.
#pragma once

#include <algorithm>
#include <cstring>
#include <fstream>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <vector>

#include "korvanda/textform.h"

namespace korvanda::golden {

struct Sent {
  std::string line, sql;  // the trace line and the statement in it
  std::string fields;     // "rows": how it is answered
  std::vector<std::string> rows;
  std::string fails;  // "<number> <text>"
  bool refused = false;
};

struct Call {
  std::string where, text;
  std::vector<Sent> sent;
  int32_t raises = 0;
  std::optional<std::string> returns;
  std::string logs;
};

inline std::vector<Call> readCalls() {
  std::ifstream in(KORVANDA_SOURCE_DIR "/tests/golden/statements/calls.txt");
  const int year = splitDate(now()).year;
  std::vector<Call> calls;
  std::string line;
  for (int n = 1; std::getline(in, line); ++n) {
    for (auto [mark, y] : {std::pair{"${Y}", year}, {"${Y-1}", year - 1}})
      for (size_t at; (at = line.find(mark)) != std::string::npos;)
        line.replace(at, strlen(mark), std::to_string(y));
    if (line.empty() || line[0] == '#') continue;
    const std::string word = line.substr(0, line.find(' ')),
                      rest = line.substr(std::min(line.size(), word.size() + 1));
    if (word.find('.') != std::string::npos && !line.starts_with("{")) {
      calls.push_back({"calls.txt line " + std::to_string(n) + ": " + line, line});
      continue;
    }
    Call& call = calls.back();
    if (line.starts_with("{\"sql\":"))
      call.sent.push_back({line, nlohmann::json::parse(line).at("sql")});
    else if (word == "rows") call.sent.back().fields = rest;
    else if (word == "row") call.sent.back().rows.push_back(rest);
    else if (word == "fails") call.sent.back().fails = rest;
    else if (word == "refused") call.sent.back().refused = true;
    else if (word == "raises") call.raises = std::stoi(rest);
    else if (word == "returns") call.returns = rest;
    else if (word == "logs") call.logs = rest;
  }
  return calls;
}

}  // namespace korvanda::golden
