// Calls of the catalog and lookup members as data (tests/golden/catalogs/*.calls): each call
// by name as the application makes it, with the statements it sends, its result in one text
// and the labels of the log lines it leaves.
#pragma once

#include <gtest/gtest.h>

#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "korvanda/dispatch.h"
#include "korvanda/error.h"
#include "korvanda/recordset.h"
#include "korvanda/variant.h"
#include "support/fixture.h"

namespace korvanda::testing {

// A record set as "[lock L cursor C] a|b; c|d" (Null as <null>), "<closed>" or "<no object>".
inline std::string textOf(const RecordsetRef& rs) {
  if (!rs) return "<no object>";
  if (rs->state() == 0) return "<closed>";
  std::string out = "[lock " + std::to_string(rs->lockType()) + " cursor " +
                    std::to_string(rs->cursorType()) + "]";
  if (rs->recordCount() != 0) rs->moveFirst();
  for (; !rs->eof(); rs->moveNext()) {
    out += out.back() == ']' ? " " : "; ";
    for (size_t c = 0; c < rs->fieldCount(); ++c)
      out +=
          (c ? "|" : "") + (rs->value(c).isNull() ? std::string("<null>") : toText(rs->value(c)));
  }
  return out;
}
inline std::string textOf(const Variant& v) {
  return v.isObject() ? textOf(toObjectOf<Recordset>(v)) : toText(v);
}

struct Call {
  std::string member;
  std::vector<Variant> args;
  std::vector<std::string> statements;
  std::string result;  // or "error N source: description"
  std::vector<std::string> logged;
  int line = 0;
};

// Blocks of lines: the member and its arguments (tab-separated), then "> " and each statement
// sent, "= " and the result ("*" for any text), "! " and each log label; "#"
// starts a comment.
inline std::vector<Call> readCalls(const std::string& name) {
  std::ifstream in(KORVANDA_SOURCE_DIR "/tests/golden/catalogs/" + name);
  EXPECT_TRUE(in) << name;
  std::vector<Call> calls;
  int number = 0;
  for (std::string line; std::getline(in, line);) {
    ++number;
    if (line.empty() || line[0] == '#') continue;
    const std::string rest = line.size() > 2 ? line.substr(2) : "";
    if (line[0] == '>') calls.back().statements.push_back(rest);
    else if (line[0] == '=') calls.back().result = rest;
    else if (line[0] == '!') calls.back().logged.push_back(rest);
    else {
      Call c{.line = number};
      for (size_t from = 0, tab = 0; tab != std::string::npos; from = tab + 1) {
        tab = line.find('\t', from);
        const std::string word = line.substr(from, tab == std::string::npos ? tab : tab - from);
        if (c.member.empty()) c.member = word;
        else c.args.emplace_back(word);
      }
      calls.push_back(c);
    }
  }
  return calls;
}

// Whether text is pattern, each "*" in it standing for any text.
inline bool matches(const std::string& text, const std::string& pattern) {
  const size_t star = pattern.find('*');
  if (star == std::string::npos) return text == pattern;
  if (!text.starts_with(pattern.substr(0, star))) return false;
  for (size_t at = star; at <= text.size(); ++at)
    if (matches(text.substr(at), pattern.substr(star + 1))) return true;
  return false;
}

// Runs each call with the trace and the logs emptied before it; an error's log lines carry its
// number (the log has descriptions of its own).
inline void checkCalls(const Environment& env, Dispatchable& object, const std::string& file) {
  for (const Call& c : readCalls(file)) {
    SCOPED_TRACE(file + ":" + std::to_string(c.line) + " " + c.member);
    env.clearTrace();
    env.clearLogs();
    std::string result;
    try {
      result = textOf(object.invoke(c.member, kMethod, c.args));
    } catch (const Error& e) {
      result = "error " + std::to_string(e.number()) + " " + e.source() + ": " + e.description();
      for (const LogEntry& l : env.logEntries()) EXPECT_EQ(l.number, e.number());
    }
    EXPECT_TRUE(matches(result, c.result)) << result;
    EXPECT_EQ(env.statements(), c.statements);
    std::vector<std::string> labels;
    for (const LogEntry& l : env.logEntries()) labels.push_back(l.label);
    EXPECT_EQ(labels, c.logged);
  }
}

// Scripts a connection from a file of lines "statement<tab>value": the statement answers one
// row of one column with the value ("<null>" for Null), or "fail" rejects it.
inline void script(ScriptedConnection& db, const std::string& name) {
  std::ifstream in(KORVANDA_SOURCE_DIR "/tests/golden/catalogs/" + name);
  EXPECT_TRUE(in) << name;
  for (std::string line; std::getline(in, line);) {
    if (line.empty() || line[0] == '#') continue;
    const std::string statement = line.substr(0, line.find('\t')),
                      value = line.substr(line.find('\t') + 1);
    if (value == "fail")
      db.fail(statement, Error(-2147217900, "Microsoft OLE DB Provider for SQL Server",
                               "Incorrect syntax near 'x'."));
    else
      db.answer(statement,
                makeRecordset({"c"}, {{value == "<null>" ? Variant(Null{}) : Variant(value)}}));
  }
}

}  // namespace korvanda::testing
