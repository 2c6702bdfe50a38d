// How many statements one statement text may hold. The generic statement members run the
// caller's own SQL and may run a batch; every other member builds its statements from fixed
// texts and the caller's values, so a second statement in its text can only have come from a
// value, and the engine refuses the text before running any of it. The outermost member
// running on a thread decides: a generic member called by another member (registration calls
// insertar) takes that member's rule. With no member running (the application's own
// Connection.Execute, the tools) a batch runs, as ADO runs one. The embedded engine and SQLite
// data sources over ODBC count statements; a text that goes to SQL Server as it is, is not
// parsed here, and there the members' own checks of their values are the defence.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace korvanda {

enum class Statements { one, batch };

// The rule of a member while it runs; label names the member in the refusal.
class MemberStatements {
 public:
  MemberStatements(std::string_view label, Statements rule);
  ~MemberStatements();
  MemberStatements(const MemberStatements&) = delete;
  MemberStatements& operator=(const MemberStatements&) = delete;

 private:
  bool outermost_;
};

// Called by an engine with the number of statements a text holds (SET options in front of a
// statement are not statements), before it runs any: refuses the text with the engine's
// error number and source when the running member allows one statement and there are more.
void requireStatementCount(size_t count, int32_t errorNumber, std::string_view source);

}  // namespace korvanda
