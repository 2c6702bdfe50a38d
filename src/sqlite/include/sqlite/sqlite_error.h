// SQLite result codes as the library's errors (numbers documented in engine.h).
#pragma once

#include <sqlite3.h>

#include <memory>
#include <string>
#include <string_view>

#include "korvanda/error.h"

namespace korvanda::sqlite {

Error sqliteError(sqlite3* db, int rc, std::string_view context = {});
[[noreturn]] inline void throwSqlite(sqlite3* db, int rc, std::string_view context = {}) {
  throw sqliteError(db, rc, context);
}

struct StatementFinalizer {
  void operator()(sqlite3_stmt* s) const { sqlite3_finalize(s); }
};
using Statement = std::unique_ptr<sqlite3_stmt, StatementFinalizer>;

// Prepares one statement; the whole text must be that statement.
Statement prepare(sqlite3* db, std::string_view sql);
// Runs a statement without rows (or ignores them).
void execute(sqlite3* db, std::string_view sql);
// A name as a quoted identifier.
std::string quoteName(std::string_view name);

}  // namespace korvanda::sqlite
