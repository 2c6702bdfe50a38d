// Reaching test databases through unixODBC: SQLite files through SQLite's ODBC driver with the
// T-SQL functions loaded, so that a test runs the same statements embedded or over ODBC.
#pragma once

#include <optional>
#include <string>

#include "odbc/dialect.h"

namespace korvanda::testing::odbc {

// Installs and registers the drivers (tests/odbc/setup.sh) once per process, in an odbcinst.ini
// of its own that ODBCSYSINI then names, and registers sqliteDialect(true) for the data sources
// whose DBMS is SQLite. nullopt when ready, else why not (the test skips).
std::optional<std::string> prepare();

// How the library's statements reach SQLite through its ODBC driver: T-SQL translated as the
// embedded engine translates it (translate), or SQLite's own SQL as it is. Either way a batch
// goes one statement a call (the driver runs one), EXEC calls the extension's TSQL_EXEC, values
// are read as text (a column holds any value), and a transaction begins IMMEDIATE: the driver's
// deferred BEGIN would let two sessions that both read and then write fail with "database is
// locked", where the embedded engine takes the write lock first.
korvanda::odbc::DialectFactory sqliteDialect(bool translate);

// What field 0 of the registry value is for the test database: "sqlite"; with
// KORVANDA_TEST_ENGINE=odbc, SQLite's ODBC driver with the T-SQL extension built with the
// library loaded (an error when ODBC cannot be set up).
std::string serverField();

}  // namespace korvanda::testing::odbc

// Skips the current test, with the reason, when ODBC cannot be set up on this machine.
#define KORVANDA_REQUIRE_ODBC()                                                  \
  do {                                                                           \
    if (auto why = ::korvanda::testing::odbc::prepare()) GTEST_SKIP() << *why;   \
  } while (0)
