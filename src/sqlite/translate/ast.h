// The second stage's result: the statements of a T-SQL text as typed nodes, each with the
// character offset where it starts (for messages). Chains of one precedence level (a + b - c,
// x AND y AND z), runs of prefix operators (- - x, NOT NOT p) and of COLLATE clauses are flat
// lists, so that long ones neither recurse nor nest: only parentheses, subqueries, calls and
// CASE make the tree deeper, and checkNesting bounds those before the parser starts.
#pragma once

#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <variant>
#include <vector>

namespace korvanda::sqlite::tsql {

struct Expr;
struct Query;
using ExprPtr = std::unique_ptr<Expr>;
using QueryPtr = std::unique_ptr<Query>;

// An identifier as written: bracketed or quoted ones keep their quotes apart from words.
struct Name {
  std::string text;
  bool quoted = false;
  size_t pos = 0;
};

struct Literal {
  enum Kind { String, Number, Null } kind = Null;
  std::string text;  // a string without its quotes
};
struct Column {
  std::vector<Name> parts;  // [schema.][table.]column, as written (dbo. included)
};
struct Star {  // * or t.* (a select item, COUNT(*))
  std::vector<Name> qualifier;
};
struct Prefix {  // - + ~ NOT, innermost last
  std::vector<std::string> ops;
  ExprPtr operand;
};
struct Chain {  // operands of one precedence level joined left to right
  struct Link {
    std::string op;  // + - * / % || & | ^ AND OR
    size_t pos = 0;
    ExprPtr operand;
  };
  ExprPtr first;
  std::vector<Link> rest;
};
struct Compare {
  std::string op;  // = <> != < <= > >=
  ExprPtr left, right;
};
struct Between {
  bool negated = false;
  ExprPtr value, low, high;
};
struct In {
  bool negated = false;
  ExprPtr value;
  std::vector<ExprPtr> items;  // empty when a subquery is given
  QueryPtr query;
};
struct Like {
  bool negated = false;
  ExprPtr value, pattern, escape;  // escape may be null
};
struct IsNull {
  bool negated = false;
  ExprPtr value;
};
struct Exists {
  QueryPtr query;
};
struct Case {
  ExprPtr base;  // CASE base WHEN value ..; null for CASE WHEN condition ..
  std::vector<std::pair<ExprPtr, ExprPtr>> whens;
  ExprPtr otherwise;
};
struct Cast {
  ExprPtr value;
  Name type;
  std::vector<std::string> params;  // varchar(30) -> {"30"}, decimal(10,2) -> {"10","2"}
};
struct Call {
  std::vector<Name> name;  // [dbo.]function
  bool distinct = false;
  std::vector<ExprPtr> args;  // COUNT(*) holds a Star
};
struct Subquery {
  QueryPtr query;
};
struct Parens {
  ExprPtr inner;
};
struct Collate {  // x COLLATE a [COLLATE b ..]
  ExprPtr value;
  std::vector<Name> collations;
};

struct Expr {
  size_t pos = 0;
  std::variant<Literal, Column, Star, Prefix, Chain, Compare, Between, In, Like, IsNull, Exists,
               Case, Cast, Call, Subquery, Parens, Collate>
      node;
};

// FROM: the first source, then each joined one with the words that join it.
struct Source {
  std::vector<Name> table;  // empty for a derived table
  QueryPtr derived;
  std::optional<Name> alias;
  bool as = false;     // the alias follows AS
  bool hints = false;  // WITH (NOLOCK ..), dropped
  size_t pos = 0;
};
struct Join {
  std::vector<std::string> words;  // {","} or {"INNER", "JOIN"}, {"LEFT", "OUTER", "JOIN"} ..
  Source source;
  ExprPtr on;
};
struct From {
  Source first;
  std::vector<Join> joins;
};

struct SelectItem {
  ExprPtr value;
  std::optional<Name> alias;
  bool aliasFirst = false;   // alias = value
  bool stringAlias = false;  // AS 'text'
};
struct SortItem {
  ExprPtr value;
  std::string direction;  // "", ASC or DESC as written
};
struct Select {
  size_t pos = 0;
  ExprPtr top;             // TOP n or TOP (n)
  std::string quantifier;  // "", DISTINCT or ALL as written
  std::vector<SelectItem> items;
  std::optional<From> from;
  ExprPtr where;
  std::vector<SortItem> groupBy;
  ExprPtr having;
  std::vector<SortItem> orderBy;
  ExprPtr limit, offset;  // SQLite's own LIMIT n [OFFSET m]
};
// Members joined by UNION [ALL], EXCEPT or INTERSECT (the words as written).
struct Query {
  std::vector<Select> members;
  std::vector<std::string> joiners;
};

struct SelectStatement {
  Query query;
};
// SELECT t.* INTO target FROM source [IN 'file']
struct CopyTable {
  Name target, source;
  std::string file;
};
struct Insert {
  Name table;
  std::optional<std::vector<Name>> columns;
  std::vector<std::vector<ExprPtr>> rows;  // VALUES
  QueryPtr query;                          // INSERT .. SELECT
  bool defaultValues = false;
};
struct Assignment {
  std::vector<Name> column;  // [alias.]column
  ExprPtr value;
};
struct Update {
  Name target;
  std::vector<Assignment> assignments;
  std::optional<From> from;
  ExprPtr where;
};
struct Delete {
  Name target;
  std::optional<From> from;
  ExprPtr where;
};
struct Exec {
  std::string procedure;                         // without its schema
  std::vector<std::optional<std::string>> args;  // literal texts; NULL is nullopt
};
struct SetOption {
  Name option, value;
};
// DDL, PRAGMA, TRUNCATE TABLE, BEGIN/COMMIT/ROLLBACK: their tokens [first, last) in the text.
struct Verbatim {
  std::string keyword;  // the first word, lower case
  size_t first = 0, last = 0;
};

using StatementNode =
    std::variant<SelectStatement, CopyTable, Insert, Update, Delete, Exec, SetOption, Verbatim>;
struct Statement {
  size_t pos = 0;
  size_t firstToken = 0, lastToken = 0;  // the tokens it was read from, [first, last)
  StatementNode node;
};

}  // namespace korvanda::sqlite::tsql
