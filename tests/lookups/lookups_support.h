// Helpers of the lookup, key and replication tests: SQLite run directly on a file, so that
// fixture rows never pass through the library or its statement trace.
#pragma once

#include <string>
#include <vector>

namespace korvanda::testing {

// Runs SQL on a file (created when missing); fails the test when SQLite rejects it.
void sqliteExec(const std::string& file, const std::string& sql);

// Rows of a query as "a|b" texts, NULL as "<null>".
std::vector<std::string> sqliteRows(const std::string& file, const std::string& sql);

}  // namespace korvanda::testing
