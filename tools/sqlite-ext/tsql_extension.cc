// The T-SQL functions of the embedded engine as a SQLite loadable extension, so that the sqlite3
// shell (".load libkorvanda_tsql") and SQLite's ODBC driver (LoadExt=) run the library's
// statements too, and its stored procedures through TSQL_EXEC. The functions are compiled into
// it through SQLite's extension interface, with their own entry point sqlite3_korvandatsql_init
// (the one SQLite looks for first for this file name); this adds the generic entry point, used
// when the file is loaded under another name.
#include <sqlite3ext.h>

#define KORVANDA_EXPORT extern "C" __attribute__((visibility("default")))

KORVANDA_EXPORT int sqlite3_korvandatsql_init(sqlite3* db, char** errorMessage,
                                              const sqlite3_api_routines* api);

KORVANDA_EXPORT int sqlite3_extension_init(sqlite3* db, char** errorMessage,
                                           const sqlite3_api_routines* api) {
  return sqlite3_korvandatsql_init(db, errorMessage, api);
}
