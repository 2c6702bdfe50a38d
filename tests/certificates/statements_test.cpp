// The statements that members send, to the character: every call of
// tests/golden/statements/calls.txt is made by name, as the application makes it, on a scripted
// connection, and the trace must hold exactly the lines written under it; each statement also
// runs on the embedded engine.
#include <gtest/gtest.h>

#include <fmt/core.h>

#include <cstring>
#include <fstream>
#include <nlohmann/json.hpp>
#include <set>

#include "component/ModGlobal.h"
#include "korvanda/administration.h"
#include "korvanda/clsCatValida.h"
#include "korvanda/textform.h"
#include "sqlite/engine.h"
#include "support/fixture.h"

using namespace korvanda;
using korvanda::testing::Environment;
using korvanda::testing::makeRecordset;
using korvanda::testing::ScriptedConnection;
std::string withYears(std::string text);  // database_test.cpp

namespace {

// Arguments: texts in single quotes (a quote doubled inside), anything else up to the comma.
std::vector<std::string> arguments(std::string_view s) {
  std::vector<std::string> out;
  for (size_t i = 0; i < s.size();) {
    while (i < s.size() && (s[i] == ' ' || s[i] == ',')) ++i;
    if (i == s.size()) break;
    size_t start = i;
    if (s[i] == '\'')
      for (++i; i < s.size(); ++i)
        if (s[i] == '\'' && !(i + 1 < s.size() && s[i + 1] == '\'' && ++i)) break;
    while (i < s.size() && s[i] != ',') ++i;
    out.emplace_back(s.substr(start, s.find_last_not_of(' ', i - 1) - start + 1));
  }
  return out;
}

// An argument or a value of an answer row as the file writes it: unquoted values are texts,
// for the member to coerce, except in a record set of one row, rs(field=value; ...), where each
// value is typed as it is written (integer, decimal, #date#).
Variant value(const std::string& text, const ConnectionRef& db, bool typed = false) {
  if (text == "conn") return Variant(db);
  if (text == "NULL" || text == "Null") return Variant(Null{});
  if (text == "Nothing") return Variant(nullptr);
  if (text.starts_with("rs(")) {
    std::vector<std::string> fields;
    std::vector<Variant> row;
    for (size_t at = 3, end; at < text.size(); at = end + 2) {
      end = std::min(text.find("; ", at), text.size() - 1);
      const std::string field = text.substr(at, end - at);
      fields.push_back(field.substr(0, field.find('=')));
      row.push_back(value(field.substr(field.find('=') + 1), db, true));
    }
    return Variant(makeRecordset(fields, {row}));
  }
  if (typed && text.starts_with('#')) return *parseDate(text.substr(1, text.size() - 2));
  if (typed && text.find_first_not_of("-0123456789") == std::string::npos) return std::stoi(text);
  if (typed && text.find_first_not_of("-0123456789.") == std::string::npos) return std::stod(text);
  if (!text.starts_with('\'')) return text;
  std::string unquoted = text.substr(1, text.size() - 2);
  for (size_t at = 0; (at = unquoted.find("''", at)) != std::string::npos; ++at)
    unquoted.erase(at, 1);
  return unquoted;
}

// What a call gives, as the golden file writes it: a record set by its lock and cursor types.
std::string shown(const Variant& result) {
  auto rs = result.isObject() ? std::dynamic_pointer_cast<Recordset>(toObject(result)) : nullptr;
  if (!rs) return result.isObject() ? (toObject(result) ? "object" : "Nothing") : toText(result);
  return fmt::format("recordset lock {} cursor {}", rs->lockType(), rs->cursorType());
}

// A call of the golden file and the statements listed under it, with their lines.
struct Call {
  std::string where, text;
  std::vector<std::vector<std::string>> sent;  // the trace line, then rows, row, fails, refused
  std::map<std::string, std::string> outcome;  // raises, returns, logs
};

std::vector<Call> readCalls() {
  std::ifstream in(KORVANDA_SOURCE_DIR "/tests/golden/statements/calls.txt");
  std::vector<Call> calls;
  std::string line;
  for (int n = 1; std::getline(in, line); ++n) {
    line = withYears(line);
    const std::string word = line.substr(0, line.find(' '));
    if (line.empty() || line[0] == '#') continue;
    if (line.starts_with("{\"sql\":")) calls.back().sent.push_back({line});
    else if (word == "raises" || word == "returns" || word == "logs")
      calls.back().outcome[word] = line.substr(word.size() + 1);
    else if (line.find('(') < line.find(' '))
      calls.push_back({"calls.txt line " + std::to_string(n) + ": " + line, line});
    else calls.back().sent.back().push_back(line);
  }
  return calls;
}

// Each call, on a scripted connection answering as the file says, sends exactly the lines
// written under it; each statement then runs on the embedded engine with the demo data in a
// rolled-back transaction, or is refused where the file says so.
TEST(Statements, EachCallSendsTheStatementsOfTheGoldenFile) {
  Environment env;
  ConnectionRef engine = sqlite::openEmbedded(env.databasePath());
  std::map<std::string, ObjectRef> objects;
  std::set<std::string> ran;
  const std::vector<Call> calls = readCalls();
  EXPECT_GE(calls.size(), 140u);
  for (const Call& call : calls) {
    SCOPED_TRACE(call.where);
    auto db = ScriptedConnection::create();
    std::vector<std::string> expected;
    for (const std::vector<std::string>& sent : call.sent) {
      expected.push_back(sent[0]);
      const std::string sql = nlohmann::json::parse(sent[0]).at("sql");
      std::vector<std::string> fields;
      std::vector<std::vector<Variant>> rows;
      bool refused = false;
      for (const std::string& line : sent) {
        const std::string rest = line.substr(line.find(' ') + 1);
        if (line.starts_with("rows ")) fields = arguments(rest);
        if (line.starts_with("row ")) rows.emplace_back();
        if (line.starts_with("row "))
          for (const std::string& v : arguments(rest)) rows.back().push_back(value(v, db));
        if (line.starts_with("fails "))
          db->fail(sql, Error(std::stoi(rest), "Provider", rest.substr(rest.find(' ') + 1)));
        refused = refused || line == "refused";
      }
      if (!fields.empty()) db->answer(sql, makeRecordset(fields, rows));
      if (!ran.insert(sql).second) continue;
      engine->beginTrans();
      try {
        engine->execute(sql);
        EXPECT_FALSE(refused) << sql;
      } catch (const Error& e) {
        EXPECT_TRUE(refused) << sql << ": " << e.number() << " " << e.description();
      }
      engine->rollbackTrans();
    }
    const std::string& text = call.text;
    const size_t dot = text.find('.'), open = text.find('(');
    ObjectRef& object = objects[text.substr(0, dot)];
    if (!object) object = createObject("KORVANDA." + text.substr(0, dot));
    std::vector<Variant> args;
    for (const std::string& a :
         arguments(std::string_view(text).substr(open + 1, text.size() - open - 2)))
      args.push_back(value(a, db));
    env.clearTrace();
    env.clearLogs();
    slot::current() = db;
    std::map<std::string, std::string> outcome;
    try {
      const Variant result =
          object->invoke(text.substr(dot + 1, open - dot - 1), kMethod | kPropertyGet, args);
      if (call.outcome.contains("returns")) outcome["returns"] = shown(result);
    } catch (const Error& e) {
      outcome["raises"] = std::to_string(e.number());
    }
    EXPECT_EQ(korvanda::testing::readLines(env.tracePath()), expected);
    for (const auto& entry : env.logEntries())
      outcome["logs"] += (outcome["logs"].empty() ? "" : ", ") + entry.label;
    std::erase_if(outcome, [](const auto& kv) { return kv.second.empty(); });
    EXPECT_EQ(outcome, call.outcome);
  }
}

}  // namespace
