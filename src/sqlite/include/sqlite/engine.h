// The embedded engine: SQLite files that run the library's T-SQL statement texts.
//
// Errors carry SQLite's own message in the description, the source "SQLite", and one of
// these numbers (the numbers SQL Server's provider gives for the same kinds of failure):
//   -2147217900 (0x80040E14)  a statement the database rejects, or one the translation to
//                             SQLite cannot handle
//   -2147217873 (0x80040E2F)  a constraint is violated (a unique key, NOT NULL...)
//   -2147217871 (0x80040E31)  timeout: the file stayed locked by another connection past the
//                             busy timeout
//   -2147467259 (0x80004005)  the file is missing, is not a database, or cannot be read or
//                             written
//   -2147168242 (0x8004D00E)  CommitTrans/RollbackTrans without a transaction
//   -2147168237 (0x8004D013)  BeginTrans inside a transaction
// and the data-access numbers 3704 (closed connection), 3705 (open again while open) and
// 3246 (close inside a transaction).
#pragma once

#include <chrono>
#include <cstdint>
#include <string>

#include "korvanda/connection.h"

struct sqlite3;

namespace korvanda::sqlite {

class SchemaSnapshot;

inline constexpr int32_t kErrStatement = -2147217900;
inline constexpr int32_t kErrIntegrity = -2147217873;
inline constexpr int32_t kErrTimeout = -2147217871;
inline constexpr int32_t kErrConnection = -2147467259;
inline constexpr int32_t kErrNoTransaction = -2147168242;
inline constexpr int32_t kErrNestedTransaction = -2147168237;
inline constexpr const char* kErrorSource = "SQLite";

inline constexpr std::chrono::milliseconds kDefaultBusyTimeout{5000};

// SQLite's limit on an expression's depth (its default is 1000). Its parser does not recurse,
// but what follows the parser does, about 400 bytes of stack a level: at 200 levels a long
// chain like a+b+c+.. is refused with SQLite's own error before it takes 100 KB of stack.
inline constexpr int kMaxExpressionDepth = 200;

// Opens an existing database file (a missing file is a connection failure, never a new empty
// database). WAL mode, a busy timeout, the T-SQL functions registered.
ConnectionRef openEmbedded(const std::string& file);
ConnectionRef openEmbedded(const std::string& file, std::chrono::milliseconds busyTimeout);

// The tables, views and columns of an open database, as the translation needs them.
SchemaSnapshot readSchema(sqlite3* db);

// Creates a database file with the schema (and the demo data when asked). Fails if it exists.
void createDatabase(const std::string& file, bool withDemoData);

}  // namespace korvanda::sqlite
