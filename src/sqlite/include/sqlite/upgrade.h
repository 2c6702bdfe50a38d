// Embedded databases made before the schema's text columns compared by SQL Server's rules
// (KV_CI_AS): found when a connection opens, converted by `korvanda db upgrade`.
#pragma once

#include <string>
#include <vector>

struct sqlite3;

namespace korvanda::sqlite {

// The schema's tables that this database still declares with the earlier collation (NOCASE).
std::vector<std::string> outdatedTables(sqlite3* db);

// Rebuilds the outdated tables with the current definitions, their rows, indexes and the views,
// all in one transaction, and returns their names (none when the file is current). Refuses,
// changing nothing, when rows would share a unique key under the new rules (naming them) or a
// table holds a column the current schema does not have.
std::vector<std::string> upgradeDatabase(const std::string& file);

}  // namespace korvanda::sqlite
