// The embedded engine: SQLite files that run the library's T-SQL statement texts.
#pragma once

#include <string>

#include "korvanda/connection.h"

namespace korvanda::sqlite {

// Opens an existing database file (a missing file is a connection failure, never a new empty
// database). WAL mode, a busy timeout, the T-SQL functions registered.
ConnectionRef openEmbedded(const std::string& file);

// Creates a database file with the schema (and the demo data when asked). Fails if it exists.
void createDatabase(const std::string& file, bool withDemoData);

}  // namespace korvanda::sqlite
