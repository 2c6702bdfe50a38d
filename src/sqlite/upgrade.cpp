#include "sqlite/upgrade.h"

#include <sqlite3.h>

#include <algorithm>
#include <filesystem>

#include "korvanda/error.h"
#include "sqlite/engine.h"
#include "sqlite/schema_sql.h"
#include "sqlite/toolkit.h"
#include "sqlite/translate.h"

namespace korvanda::sqlite {
namespace {

// Every row's first column.
std::vector<std::string> column(sqlite3* db, std::string_view sql, const std::string& bind = {}) {
  Statement s = prepare(db, sql);
  if (!bind.empty()) s.bind(1, bind);
  std::vector<std::string> out;
  while (s.step()) out.emplace_back(s.text(0));
  return out;
}

// The current schema, as a new database gets it.
struct Reference {
  struct Table {
    std::string name, sql;
    std::vector<std::string> columns, indexes;   // indexes: CREATE INDEX texts
    std::vector<std::vector<std::string>> keys;  // unique keys, primary key included
  };
  std::vector<Table> tables;
  std::vector<std::pair<std::string, std::string>> views;  // name, CREATE VIEW text

  const Table* find(const std::string& name) const { return findIn(tables, name); }
  Table* find(const std::string& name) { return findIn(tables, name); }

 private:
  template <class Tables>
  static auto findIn(Tables& tables, const std::string& name) -> decltype(&tables.front()) {
    for (auto& t : tables)
      if (sqlite3_stricmp(t.name.c_str(), name.c_str()) == 0) return &t;
    return nullptr;
  }
};

Reference build() {
  Database db = Database::open(":memory:", SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE);
  if (int rc = sqlite3_exec(db.get(), embedded::kTablesSql, nullptr, nullptr, nullptr); rc != SQLITE_OK)
    throwSqlite(db.get(), rc, "Reading the current schema");
  Reference ref;
  Statement s = prepare(db.get(), "SELECT type, name, tbl_name, sql FROM sqlite_schema WHERE sql IS NOT NULL ORDER BY rowid");
  while (s.step()) {
    std::string type(s.text(0)), name(s.text(1)), sql(s.text(3));
    if (type == "table") ref.tables.push_back({name, sql, {}, {}, {}});
    else if (type == "view") ref.views.emplace_back(name, sql);
    else if (auto* t = type == "index" ? ref.find(std::string(s.text(2))) : nullptr) t->indexes.push_back(sql);
  }
  for (Reference::Table& t : ref.tables) {
    t.columns = column(db.get(), "SELECT name FROM pragma_table_info(?1) ORDER BY cid", t.name);
    for (const std::string& index : column(db.get(), "SELECT name FROM pragma_index_list(?1) WHERE \"unique\"", t.name))
      t.keys.push_back(column(db.get(), "SELECT name FROM pragma_index_info(?1) ORDER BY seqno", index));
  }
  return ref;
}

const Reference& reference() {
  static const Reference ref = build();
  return ref;
}

// Key groups of a table that the new unique keys would refuse, one line each.
std::vector<std::string> collisions(sqlite3* db, const Reference::Table& t, const std::vector<std::string>& have) {
  std::vector<std::string> lines;
  for (const auto& key : t.keys) {
    if (!std::all_of(key.begin(), key.end(), [&](const std::string& c) {
          return std::find(have.begin(), have.end(), c) != have.end();
        }))
      continue;
    std::string row = "'row ' || rowid || ' ('", groupBy;
    for (size_t k = 0; k < key.size(); ++k) {
      row += std::string(k ? " || ', " : " || '") + key[k] + " ' || quote(" + quoteName(key[k]) + ")";
      groupBy += (k ? ", " : "") + quoteName(key[k]) + " COLLATE KV_CI_AS";
    }
    row += " || ')'";
    for (std::string& line : column(db, "SELECT group_concat(" + row + ", ' and ') FROM " + quoteName(t.name) +
                                            " GROUP BY " + groupBy + " HAVING count(*) > 1"))
      lines.push_back(t.name + ": " + line);
  }
  return lines;
}

}  // namespace

std::vector<std::string> outdatedTables(sqlite3* db) {
  std::vector<std::string> found = column(db,
      "SELECT name FROM sqlite_schema WHERE type = 'table' AND instr(upper(sql), 'COLLATE NOCASE') > 0 ORDER BY name");
  if (found.empty()) return found;
  std::erase_if(found, [](const std::string& name) { return !reference().find(name); });
  return found;
}

std::vector<std::string> upgradeDatabase(const std::string& file) {
  std::error_code ec;
  if (!std::filesystem::is_regular_file(file, ec))
    throw Error(kErrConnection, kErrorSource, "Cannot upgrade \"" + file + "\": the file does not exist.");
  Database db;
  try {
    db = Database::open(file, SQLITE_OPEN_READWRITE);
  } catch (const Error& e) {
    throw Error(e.number(), e.source(), "Cannot upgrade \"" + file + "\": " + e.description());
  }
  // A rename leaves the views alone (they are made again at the end).
  execute(db.get(), "PRAGMA legacy_alter_table = ON");
  execute(db.get(), "BEGIN IMMEDIATE");
  try {
    std::vector<std::string> tables = outdatedTables(db.get());
    if (tables.empty()) {
      execute(db.get(), "ROLLBACK");
      return tables;
    }
    const Reference& ref = reference();
    std::vector<std::string> refused;
    std::vector<std::vector<std::string>> have;
    for (const std::string& name : tables) {
      const Reference::Table& t = *ref.find(name);
      have.push_back(column(db.get(), "SELECT name FROM pragma_table_info(?1)", name));
      for (const std::string& c : have.back())
        if (std::find_if(t.columns.begin(), t.columns.end(), [&](const std::string& x) {
              return sqlite3_stricmp(x.c_str(), c.c_str()) == 0;
            }) == t.columns.end())
          refused.push_back(name + ": the column " + c + " is not in the current schema");
      for (std::string& line : collisions(db.get(), t, have.back())) refused.push_back(std::move(line));
    }
    if (!refused.empty()) {
      std::string msg = "Cannot upgrade \"" + file + "\": under the new comparison rules (letter case "
                        "and trailing blanks ignored) these rows would share a unique key, or the "
                        "table cannot be rebuilt. Correct or remove them and upgrade again; nothing "
                        "was changed.";
      for (const std::string& line : refused) msg += "\n  " + line;
      throw Error(kErrIntegrity, kErrorSource, msg);
    }
    for (const auto& [view, sql] : ref.views) execute(db.get(), "DROP VIEW IF EXISTS " + quoteName(view));
    for (size_t i = 0; i < tables.size(); ++i) {
      const Reference::Table& t = *ref.find(tables[i]);
      std::string columns;
      for (const std::string& c : have[i]) columns += (columns.empty() ? "" : ", ") + quoteName(c);
      const std::string scratch = "korvanda_upgrade";
      execute(db.get(), "DROP TABLE IF EXISTS " + quoteName(scratch));
      execute(db.get(), renameCreateTable(t.sql, scratch));
      execute(db.get(), "INSERT INTO " + quoteName(scratch) + " (" + columns + ") SELECT " + columns +
                            " FROM " + quoteName(tables[i]));
      execute(db.get(), "DROP TABLE " + quoteName(tables[i]));
      execute(db.get(), "ALTER TABLE " + quoteName(scratch) + " RENAME TO " + quoteName(t.name));
      for (const std::string& index : t.indexes) execute(db.get(), index);
      tables[i] = t.name;
    }
    for (const auto& [view, sql] : ref.views) execute(db.get(), sql);
    execute(db.get(), "COMMIT");
    return tables;
  } catch (...) {
    sqlite3_exec(db.get(), "ROLLBACK", nullptr, nullptr, nullptr);
    throw;
  }
}

}  // namespace korvanda::sqlite
