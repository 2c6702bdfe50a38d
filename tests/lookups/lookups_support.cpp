#include "sqlite/functions.h"
#include "lookups/lookups_support.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

namespace korvanda::testing {

void sqliteExec(const std::string& file, const std::string& sql) {
  sqlite3* db = nullptr;
  ASSERT_EQ(sqlite3_open(file.c_str(), &db), SQLITE_OK);
  ASSERT_EQ(korvanda::sqlite::registerTsqlFunctions(db), SQLITE_OK);
  sqlite3_busy_timeout(db, 5000);
  char* err = nullptr;
  int rc = sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &err);
  std::string message = err ? err : "";
  sqlite3_free(err);
  sqlite3_close(db);
  ASSERT_EQ(rc, SQLITE_OK) << message << "\n" << sql;
}

std::vector<std::string> sqliteRows(const std::string& file, const std::string& sql) {
  sqlite3* db = nullptr;
  std::vector<std::string> out;
  EXPECT_EQ(sqlite3_open_v2(file.c_str(), &db, SQLITE_OPEN_READONLY, nullptr), SQLITE_OK);
  EXPECT_EQ(korvanda::sqlite::registerTsqlFunctions(db), SQLITE_OK);
  sqlite3_stmt* stmt = nullptr;
  EXPECT_EQ(sqlite3_prepare_v2(db, sql.c_str(), -1, &stmt, nullptr), SQLITE_OK)
      << sqlite3_errmsg(db);
  while (stmt && sqlite3_step(stmt) == SQLITE_ROW) {
    std::string row;
    for (int c = 0; c < sqlite3_column_count(stmt); ++c) {
      if (c) row += "|";
      const auto* t = sqlite3_column_text(stmt, c);
      row += t ? reinterpret_cast<const char*>(t) : "<null>";
    }
    out.push_back(row);
  }
  sqlite3_finalize(stmt);
  sqlite3_close(db);
  return out;
}

}  // namespace korvanda::testing
