// Splitting a batch into statements for a driver that runs one statement per call.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace korvanda::odbc {

// The SQLite statements of a batch, cut at the semicolons that end a statement (SQLite's own
// lexer decides: semicolons inside literals, comments and trigger bodies stay where they are).
// Pieces that hold only blanks are dropped.
std::vector<std::string> splitSqliteStatements(std::string_view batch);

}  // namespace korvanda::odbc
