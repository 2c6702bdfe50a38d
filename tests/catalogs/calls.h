// Calls of the catalog and lookup members as tables: each call's result in one text, so a
// table row can say what a call sends, answers and logs.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "korvanda/error.h"
#include "korvanda/recordset.h"
#include "korvanda/variant.h"
#include "support/fixture.h"

namespace korvanda::testing {

// A record set as "[lock L cursor C] a|b; c|d" (Null as <null>), "<closed>" or "<no object>".
inline std::string textOf(const RecordsetRef& rs) {
  if (!rs) return "<no object>";
  if (rs->state() == 0) return "<closed>";
  std::string out = "[lock " + std::to_string(rs->lockType()) + " cursor " + std::to_string(rs->cursorType()) + "]";
  if (rs->recordCount() != 0) rs->moveFirst();
  for (; !rs->eof(); rs->moveNext()) {
    out += out.back() == ']' ? " " : "; ";
    for (size_t c = 0; c < rs->fieldCount(); ++c)
      out += (c ? "|" : "") + (rs->value(c).isNull() ? std::string("<null>") : toText(rs->value(c)));
  }
  return out;
}
inline std::string textOf(const std::string& s) { return s; }
inline std::string textOf(bool b) { return b ? "True" : "False"; }
inline std::string textOf(int64_t n) { return std::to_string(n); }

// Two calls in this order, their results joined by a blank.
inline std::string inOrder(const std::function<std::string()>& a, const std::function<std::string()>& b) {
  std::string first = a();
  return first + " " + b();
}

// One call: the statements it hands to connections, in order; its result, or the error it
// raises as "error N source: description"; and the labels of the log lines it leaves (each
// with the error's number; the log has descriptions of its own).
struct Call {
  std::string name;
  std::function<std::string()> run;
  std::vector<std::string> statements;
  std::string result;
  std::vector<std::string> logged = {};
};

// Runs each call with the trace and the logs emptied before it.
inline void checkCalls(const Environment& env, const std::vector<Call>& calls) {
  for (const Call& c : calls) {
    SCOPED_TRACE(c.name);
    env.clearTrace();
    env.clearLogs();
    std::string result;
    try {
      result = c.run();
    } catch (const Error& e) {
      result = "error " + std::to_string(e.number()) + " " + e.source() + ": " + e.description();
      for (const LogEntry& l : env.logEntries()) EXPECT_EQ(l.number, e.number());
    }
    EXPECT_EQ(result, c.result);
    EXPECT_EQ(env.statements(), c.statements);
    std::vector<std::string> labels;
    for (const LogEntry& l : env.logEntries()) labels.push_back(l.label);
    EXPECT_EQ(labels, c.logged);
  }
}

}  // namespace korvanda::testing
