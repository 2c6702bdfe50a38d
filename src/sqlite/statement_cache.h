// Statements prepared once per shape. Texts that differ only in literal values (every record's
// INSERT, every lookup by key) share one translation, kept as a prepared SQLite statement with a
// parameter where each value was. A shape is trusted only after its translation was seen to
// carry each value through unchanged, or through the translation's own date or number
// conversion; anything else translates every time.
#pragma once

#include <cstddef>
#include <list>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "sqlite/toolkit.h"
#include "sqlite/translate.h"
#include "sqlite/tsqldate.h"
#include "translate/tokens.h"

namespace korvanda::sqlite {

// A text as its key and its literals. Literals the translation reads for structure (ORDER BY 1,
// TOP 5, varchar(4), empty texts...) stay in the key; the others are slots.
struct Shape {
  std::string key;
  std::vector<tsql::Token> tokens;
  std::vector<size_t> slots;  // indexes in tokens, in text order
  tsql::DateOrder order = tsql::DateOrder::dmy;  // of the SET DATEFORMAT in front
};

// The shape of one plain SELECT, INSERT, UPDATE or DELETE (SET options in front allowed);
// nullopt for anything else, and for a text that does not tokenize.
std::optional<Shape> shapeOf(std::string_view tsql);

// How a slot's literal becomes its parameter, as the translation would have written it.
enum class Transform {
  Text,     // a string, as it is
  Integer,  // a whole number, as an integer
  Real,     // a number with a fraction or exponent: SQLite reads the text as its parser would
  Date,     // a date text reaching a date: ISO text in the batch's date order
  Numeric,  // a quoted whole number reaching a numeric column: the number
};

struct Param {
  size_t slot;  // index in Shape::slots
  Transform how;
};

// A shape's statement: SQLite text with ?N for params[N-1].
struct Template {
  std::string sql;
  std::vector<Param> params;
  std::vector<std::string> resultTypes;
};

// The text with each slot changed to another valid value of its kind (the values returned in
// slot order too); nullopt when the values cannot be told apart.
struct Perturbation {
  std::string text;
  std::vector<std::string> values;
};
std::optional<Perturbation> perturb(std::string_view tsql, const Shape& shape);

// The template when the translations of a text and of its perturbation are the same but for
// literals, each explained by exactly one slot and transform, every slot used; else nullopt.
std::optional<Template> templateOf(const Shape& shape, const Perturbation& changed,
                                   const Translation& original, const Translation& translated);

// Binds the shape's slot values; false when one does not convert the way the template expects
// (a bad date, a number the translation would write otherwise): the caller translates then.
bool bindValues(sqlite3_stmt* stmt, const Template& t, const Shape& shape);

// The prepared shapes of one connection, least recently used evicted first.
class StatementCache {
 public:
  struct Entry {
    Statement stmt;  // empty: the shape translates every time
    Template shape;
  };

  explicit StatementCache(size_t capacity) : capacity_(capacity) {}
  Entry* find(const std::string& key);
  Entry& add(const std::string& key, Entry entry);
  void clear();
  size_t size() const { return entries_.size(); }

 private:
  using List = std::list<std::pair<std::string, Entry>>;
  size_t capacity_;
  List entries_;  // most recently used first
  std::unordered_map<std::string_view, List::iterator> index_;
};

// Learns a shape: the entry for its text, given the text's translation. Prepares the template
// persistently; a shape whose template does not prepare, or whose result columns differ from
// those of the literal statement, is stored as one that translates every time.
StatementCache::Entry learnShape(sqlite3* db, std::string_view tsql, const Shape& shape,
                                 const SchemaSnapshot& schema, const Translation& original);

}  // namespace korvanda::sqlite
