// T-SQL statement texts turned into SQLite statements. Works on tokens (string literals,
// identifiers, [brackets] and comments are respected), never on raw text: the text is parsed
// into statements, which are resolved against the schema and written for SQLite. A token the
// grammar does not accept is refused with the token and its character position. Standard
// library only, so other engines and tools can reuse it.
//
// Rewrites: SET DATEFORMAT (and SET NOCOUNT/ANSI_NULLS ON) in front of a statement, dbo.
// prefixes, [brackets], N'' strings, '+' between texts as concatenation, COLLATE
// DATABASE_DEFAULT, CAST(.. AS varchar/int/datetime..), ISNULL, CURRENT_TIMESTAMP, TOP n,
// UPDATE/DELETE .. FROM with T-SQL's meaning, INSERT [INTO], EXEC procedure args,
// SELECT .. INTO t FROM t IN 'file', and day/month/year date texts reaching DATETIME columns
// (INSERT values by position, SET values, comparisons with date columns) as ISO text.
// "x = NULL" and "x <> NULL" keep their meaning unchanged: under ANSI_NULLS both are
// unknown in SQL Server as in SQLite. LEN, YEAR, MONTH, GETDATE and the database's own
// functions are SQLite functions (functions.h).
#pragma once

#include <map>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace korvanda::sqlite {

struct ColumnInfo {
  std::string name;
  std::string declType;    // as declared ("VARCHAR(30)", "DATETIME"...)
  bool generated = false;  // computed: not written by INSERT
};

struct TableInfo {
  std::string name;
  std::vector<ColumnInfo> columns;  // in table order
  bool view = false;
};

// The tables and columns the translation needs for types, by name without regard to case.
class SchemaSnapshot {
 public:
  void add(TableInfo table);
  const TableInfo* find(std::string_view name) const;
  bool empty() const { return tables_.empty(); }

 private:
  std::map<std::string, TableInfo, std::less<>> tables_;  // key in lower case
};

// A statement for SQLite. resultTypes suggests a declared type for each result column that
// SQLite cannot type itself (a computed column): "" where nothing is known.
struct SqlStep {
  std::string sql;
  std::vector<std::string> resultTypes;
};
// EXEC name args: arguments as literal texts (strings without quotes); NULL is nullopt.
struct ProcedureStep {
  std::string name;
  std::vector<std::optional<std::string>> args;
};
// SELECT t.* INTO target FROM source [IN 'file']: create target with source's definition and
// copy its rows. file is empty for a table of the same database.
struct CopyTableStep {
  std::string target;
  std::string source;
  std::string file;
};
using Step = std::variant<SqlStep, ProcedureStep, CopyTableStep>;

struct Translation {
  std::vector<Step> steps;
};

// Parentheses (subqueries and calls included) and CASE nest at most this deep in a statement
// text. The translation works through them recursively, up to 2.6 KB of stack a level in an
// optimised build; deeper texts are refused before any recursion starts, so that a text cannot
// exhaust a host thread's stack (32 levels take under 100 KB). SQLite's own parser refuses
// nesting sooner for most constructs (18 subqueries or CASE, 31 calls, 93 parentheses).
inline constexpr int kMaxNesting = 32;

// A construct the translation does not handle; the message says which.
class TranslationError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

Translation translate(std::string_view tsql, const SchemaSnapshot& schema);

// A CREATE TABLE text with its table name replaced (quoted).
std::string renameCreateTable(std::string_view createSql, std::string_view newName);

}  // namespace korvanda::sqlite
