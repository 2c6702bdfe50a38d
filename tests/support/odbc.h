// Reaching test databases through unixODBC: SQLite files through SQLite's ODBC driver with the
// T-SQL functions loaded, so that a test runs the same statements embedded or over ODBC.
#pragma once

#include <optional>
#include <string>

#include "korvanda/connection.h"

namespace korvanda::testing::odbc {

// Installs and registers the drivers (tests/odbc/setup.sh) once per process, in an odbcinst.ini
// of its own that ODBCSYSINI then names. nullopt when ready, else why not (the test skips).
std::optional<std::string> prepare();

// The T-SQL extension built with the library; empty when this build has none.
std::string tsqlExtension();

// Field 0 of a registry value that reaches a SQLite file (field 3) through the SQLite ODBC
// driver with the extension loaded.
std::string sqliteServerField();

enum class Engine { Embedded, OdbcSqlite };
// KORVANDA_TEST_ENGINE=odbc selects OdbcSqlite; anything else, or nothing, Embedded.
Engine engineFromEnvironment();
// What field 0 of the registry value is for an engine: "sqlite", or sqliteServerField().
std::string serverField(Engine engine);
// A connection of its own to a SQLite database file, embedded or over ODBC.
ConnectionRef openDatabase(Engine engine, const std::string& file);

}  // namespace korvanda::testing::odbc

// Skips the current test, with the reason, when ODBC cannot be set up on this machine.
#define KORVANDA_REQUIRE_ODBC()                                                  \
  do {                                                                           \
    if (auto why = ::korvanda::testing::odbc::prepare()) GTEST_SKIP() << *why;   \
  } while (0)
