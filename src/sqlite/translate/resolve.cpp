#include "translate/resolve.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <optional>

#include "sqlite/collation.h"
#include "sqlite/tsqldate.h"
#include "translate/emit.h"
#include "translate/types.h"

namespace korvanda::sqlite::tsql {
namespace {

const std::string kCollation = collation::kName;

// The tables (and derived tables) a query names, with their column types.
struct Scope {
  std::string alias;  // the alias, or the table name when there is none
  std::string table;  // empty for a derived table
  bool view = false;
  std::vector<std::pair<std::string, Type>> columns;
};
using Frame = std::vector<Scope>;
using Scopes = std::vector<Frame>;
// A FROM clause resolved: its sources, and the text of each derived table among them.
struct Sources {
  Frame frame;
  std::vector<Nodes> derived;
};

// An expression resolved: its SQLite tokens and what the decisions around it need to know.
struct Value {
  Nodes nodes;
  Type type;
  bool operand = true;   // a value (a term or a sum of terms), not a condition
  bool literal = false;  // a single string literal
  bool column = false;   // only a column name
  bool collate = false;  // has an explicit COLLATE (or was given one)
  bool collated() const { return column || collate; }
};

struct QueryResult {
  Nodes nodes;
  std::vector<Type> itemTypes;
  std::vector<std::string> itemNames;
  std::vector<std::string> textAliases;  // aliases of computed text items
  bool star = false;
};

// A literal value to put in a typed column.
struct Target {
  std::string column, table;
  Type type;
  std::string what() const { return "column " + column + " of " + table; }
};

Node nameNode(const Name& n) { return n.quoted ? quoted(n.text) : word(n.text); }

// a.b.c without a leading dbo.
Nodes dottedNodes(const std::vector<Name>& parts) {
  Nodes out;
  const size_t first = parts.size() > 1 && eqi(parts[0].text, "dbo") ? 1 : 0;
  for (size_t k = first; k < parts.size(); ++k) {
    if (k > first) out.push_back(op("."));
    out.push_back(nameNode(parts[k]));
  }
  return out;
}

// What COLLATE name becomes: nothing for DATABASE_DEFAULT (text columns already compare by it).
std::optional<std::string> collationFor(const std::string& written) {
  const std::string name = lower(written);
  if (name == "database_default") return std::nullopt;
  if (name.find("_ci") != std::string::npos && name.find("_ai") != std::string::npos)
    throw TranslationError("the accent-insensitive collation " + written + " is not supported");
  if (name.find("_ci") != std::string::npos || name == "kv_ci_as") return kCollation;
  if (name.find("_cs") != std::string::npos || name.find("_bin") != std::string::npos)
    return "BINARY";
  if (name == "nocase" || name == "binary" || name == "rtrim") return written;
  throw TranslationError("the collation " + written + " is not supported");
}

// SQLite compares an expression that is not a column by its bytes; SQL Server by the
// database's collation.
void collate(Value& v) {
  // COLLATE binds tighter than any operator: a name or a call takes it as it is.
  const Nodes& n = v.nodes;
  auto namePart = [](const Node& x) { return isName(x) || isOp(x, "."); };
  bool primary = n.size() == 1 || (std::all_of(n.begin(), n.end() - 1, namePart) &&
                                   (isName(n.back()) || n.back().group));
  if (!primary) v.nodes = Nodes{group(std::move(v.nodes))};
  v.nodes.push_back(word("COLLATE"));
  v.nodes.push_back(word(kCollation));
  v.collate = true;
  v.literal = false;
}
bool mayBeText(const Value& v) {
  return v.operand && !v.collated() &&
         (v.type.cat == Cat::Text || v.type.cat == Cat::Unknown || v.type.cat == Cat::Null);
}
bool computedText(const Value& v) { return v.type.cat == Cat::Text && mayBeText(v); }

Type functionType(const std::string& name, const std::vector<Type>& args, const Nodes& k) {
  std::string f = lower(name);
  auto arg0 = [&] { return args.empty() ? Type{} : args[0]; };
  if (f == "len" || f == "year" || f == "month" || f == "day" || f == "count" || f == "length")
    return Type{Cat::Int, "INT"};
  if (f == "getdate" || f == "obtenfechafinmes" || f == "tsql_datetime")
    return Type{Cat::Date, "DATETIME"};
  if (f == "getcoordenadasformatoc") return Type{Cat::Text, "VARCHAR(250)"};
  if (f == "substr" || f == "substring") {
    Type t = arg0();
    if (t.cat != Cat::Text) t = Type{Cat::Text, ""};
    if (k.size() >= 5 && !k.back().group && k.back().tok.kind == Tk::Number &&
        isOp(k[k.size() - 2], ","))
      t = textType(std::atoi(k.back().tok.text.c_str()));
    return t;
  }
  if (f == "upper" || f == "lower" || f == "ltrim" || f == "rtrim" || f == "trim" ||
      f == "replace") {
    Type t = arg0();
    return t.cat == Cat::Text ? t : Type{Cat::Text, ""};
  }
  if (f == "min" || f == "max" || f == "ifnull" || f == "coalesce" || f == "abs" || f == "round" ||
      f == "sum")
    return arg0();
  if (f == "avg") return Type{Cat::Float, "FLOAT"};
  return Type{};
}

// Whether an expression reads any column (or runs a subquery).
bool readsColumns(const Expr& e) {
  return std::visit(
      [](const auto& n) -> bool {
        using T = std::decay_t<decltype(n)>;
        if constexpr (std::is_same_v<T, Column>) {
          return !(n.parts.size() == 1 && eqi(n.parts[0].text, "current_timestamp"));
        } else if constexpr (std::is_same_v<T, Literal> || std::is_same_v<T, Star>) {
          return false;
        } else if constexpr (std::is_same_v<T, Subquery> || std::is_same_v<T, Exists>) {
          return true;
        } else if constexpr (std::is_same_v<T, Prefix>) {
          return readsColumns(*n.operand);
        } else if constexpr (std::is_same_v<T, Chain>) {
          if (readsColumns(*n.first)) return true;
          for (const auto& l : n.rest)
            if (readsColumns(*l.operand)) return true;
          return false;
        } else if constexpr (std::is_same_v<T, Compare>) {
          return readsColumns(*n.left) || readsColumns(*n.right);
        } else if constexpr (std::is_same_v<T, Between>) {
          return readsColumns(*n.value) || readsColumns(*n.low) || readsColumns(*n.high);
        } else if constexpr (std::is_same_v<T, In>) {
          if (n.query || readsColumns(*n.value)) return true;
          for (const auto& x : n.items)
            if (readsColumns(*x)) return true;
          return false;
        } else if constexpr (std::is_same_v<T, Like>) {
          return readsColumns(*n.value) || readsColumns(*n.pattern) ||
                 (n.escape && readsColumns(*n.escape));
        } else if constexpr (std::is_same_v<T, IsNull>) {
          return readsColumns(*n.value);
        } else if constexpr (std::is_same_v<T, Case>) {
          if (n.base && readsColumns(*n.base)) return true;
          for (const auto& [w, r] : n.whens)
            if (readsColumns(*w) || readsColumns(*r)) return true;
          return n.otherwise && readsColumns(*n.otherwise);
        } else if constexpr (std::is_same_v<T, Cast> || std::is_same_v<T, Collate>) {
          return readsColumns(*n.value);
        } else if constexpr (std::is_same_v<T, Call>) {
          for (const auto& a : n.args)
            if (readsColumns(*a)) return true;
          return false;
        } else {
          static_assert(std::is_same_v<T, Parens>);
          return readsColumns(*n.inner);
        }
      },
      e.node);
}

class Resolver {
 public:
  Resolver(const SchemaSnapshot& schema, std::vector<Token>& toks) : schema_(schema), toks_(toks) {}

  void statement(const Statement& s, Translation& t) {
    std::visit([&](const auto& n) { step(n, t); }, s.node);
  }

 private:
  const SchemaSnapshot& schema_;
  std::vector<Token>& toks_;
  DateOrder order_ = DateOrder::dmy;
  int depth_ = 0;  // nesting of the query being resolved

  // -- Statements ------------------------------------------------------------------------------

  void step(const SelectStatement& s, Translation& t) {
    Scopes sc;
    QueryResult q = query(s.query, sc);
    SqlStep st{emit(q.nodes), {}};
    if (!q.star)
      for (const Type& ty : q.itemTypes) st.resultTypes.push_back(hintFor(ty));
    t.steps.push_back(std::move(st));
  }
  void step(const CopyTable& c, Translation& t) {
    t.steps.push_back(CopyTableStep{c.target.text, c.source.text, c.file});
  }
  void step(const Exec& e, Translation& t) {
    t.steps.push_back(ProcedureStep{e.procedure, e.args});
  }
  void step(const Insert& s, Translation& t) { t.steps.push_back(SqlStep{emit(insert(s)), {}}); }
  void step(const Update& s, Translation& t) { t.steps.push_back(SqlStep{emit(update(s)), {}}); }
  void step(const Delete& s, Translation& t) { t.steps.push_back(SqlStep{emit(remove(s)), {}}); }

  void step(const SetOption& s, Translation&) {
    const std::string name = lower(s.option.text), value = lower(s.value.text);
    if (name == "dateformat") {
      auto o = dateOrderFromName(value);
      if (!o) throw TranslationError("SET DATEFORMAT " + s.value.text + " is not supported");
      order_ = *o;
      return;
    }
    if (name == "nocount" || name == "xact_abort" || name == "ansi_warnings" ||
        name == "concat_null_yields_null" || name == "quoted_identifier" || name == "arithabort")
      return;
    if (name == "ansi_nulls" && value == "on") return;
    throw TranslationError("SET " + s.option.text + " " + s.value.text + " is not supported");
  }

  // DDL and PRAGMA as written, less dbo. prefixes and with SQL Server's collations named as
  // SQLite knows them; TRUNCATE TABLE t as DELETE FROM t; BEGIN/COMMIT/ROLLBACK [TRAN].
  void step(const Verbatim& v, Translation& t) {
    if (v.keyword == "begin") return t.steps.push_back(SqlStep{"BEGIN", {}});
    if (v.keyword == "commit" || v.keyword == "rollback")
      return t.steps.push_back(SqlStep{toks_[v.first].text, {}});
    std::vector<Token> own(std::make_move_iterator(toks_.begin() + static_cast<long>(v.first)),
                           std::make_move_iterator(toks_.begin() + static_cast<long>(v.last)));
    size_t i = 0;
    Nodes tree = buildTree(own, i, false);
    rewriteVerbatim(tree);
    if (v.keyword == "truncate") tree.erase(tree.begin(), tree.begin() + 2);
    Nodes out;
    if (v.keyword == "truncate") out = {word("DELETE"), word("FROM")};
    append(out, std::move(tree));
    t.steps.push_back(SqlStep{emit(out), {}});
  }

  static void rewriteVerbatim(Nodes& ns) {
    for (auto& n : ns)
      if (n.group) rewriteVerbatim(n.kids);
    Nodes out;
    out.reserve(ns.size());
    for (size_t i = 0; i < ns.size(); ++i) {
      Node& n = ns[i];
      if (isName(n) && eqi(n.tok.text, "dbo") && i + 2 < ns.size() && isOp(ns[i + 1], ".") &&
          isName(ns[i + 2]) && !(i > 0 && isOp(ns[i - 1], "."))) {
        ++i;
        continue;
      }
      if (isWord(n, "collate") && i + 1 < ns.size() && isName(ns[i + 1])) {
        ++i;
        if (auto c = collationFor(ns[i].tok.text)) {
          out.push_back(word("COLLATE"));
          out.push_back(word(*c));
        }
        continue;
      }
      out.push_back(std::move(n));
    }
    ns = std::move(out);
  }

  // INSERT [INTO] t [(cols)] VALUES (..), (..) | SELECT .. | DEFAULT VALUES
  Nodes insert(const Insert& s) {
    const std::string& tableName = s.table.text;
    Nodes out{word("INSERT"), word("INTO"), nameNode(s.table)};
    const TableInfo* table = schema_.find(tableName);
    std::vector<Target> targets;
    if (s.columns) {
      Nodes cols;
      for (const Name& c : *s.columns) {
        if (!cols.empty()) cols.push_back(op(","));
        cols.push_back(nameNode(c));
        targets.push_back(target(table, tableName, c.text));
      }
      out.push_back(group(std::move(cols)));
    } else if (table) {
      for (const auto& c : table->columns)
        if (!c.generated) targets.push_back(Target{c.name, tableName, typeFromDecl(c.declType)});
    }
    if (s.query) {
      Scopes sc;
      append(out, query(*s.query, sc).nodes);
      return out;
    }
    if (s.defaultValues) {
      out.push_back(word("DEFAULT"));
      out.push_back(word("VALUES"));
      return out;
    }
    out.push_back(word("VALUES"));
    for (const auto& row : s.rows) {
      if (!targets.empty() && row.size() != targets.size())
        throw TranslationError("INSERT into " + tableName + " gives " + std::to_string(row.size()) +
                               " values for " + std::to_string(targets.size()) + " columns");
      if (out.back().group) out.push_back(op(","));
      Nodes g;
      Scopes sc;
      for (size_t k = 0; k < row.size(); ++k) {
        if (k) g.push_back(op(","));
        Value v = single(*row[k], sc);
        if (k < targets.size()) coerce(v, targets[k]);
        append(g, std::move(v.nodes));
      }
      out.push_back(group(std::move(g)));
    }
    return out;
  }

  Target target(const TableInfo* table, const std::string& tableName, const std::string& col) {
    Target c{col, tableName, {}};
    if (table)
      for (const auto& ci : table->columns)
        if (eqi(ci.name, col)) c.type = typeFromDecl(ci.declType);
    return c;
  }

  // A string literal written into a typed column: SQL Server converts it.
  void coerce(Value& v, const Target& target) {
    if (!v.literal) return;
    std::string& text = v.nodes.front().tok.text;
    switch (target.type.cat) {
      case Cat::Date: {
        auto iso = normalizeDate(text, order_);
        if (!iso)
          throw TranslationError(
              "Conversion failed when converting date and/or time from character "
              "string '" +
              text + "' for " + target.what());
        text = *iso;
        break;
      }
      case Cat::Int:
      case Cat::Bool:
      case Cat::Float:
      case Cat::Decimal: {
        std::string t = text;
        t.erase(0, t.find_first_not_of(' '));
        t.erase(t.find_last_not_of(' ') + 1);
        if (target.type.cat == Cat::Bool && (eqi(t, "true") || eqi(t, "false")))
          t = eqi(t, "true") ? "1" : "0";
        if (t.empty() && target.type.cat != Cat::Decimal) t = "0";
        bool ok = !t.empty();
        size_t k = ok && (t[0] == '-' || t[0] == '+') ? 1 : 0;
        bool digits = false, dot = false;
        for (; ok && k < t.size(); ++k) {
          if (std::isdigit(static_cast<unsigned char>(t[k]))) digits = true;
          else if (t[k] == '.' && !dot && target.type.cat != Cat::Int &&
                   target.type.cat != Cat::Bool)
            dot = true;
          else ok = false;
        }
        if (!ok || !digits)
          throw TranslationError("Conversion failed when converting the value '" + text + "' to " +
                                 target.type.decl + " for " + target.what());
        if (t[0] == '+') t.erase(0, 1);
        v.nodes = Nodes{number(t)};
        v.literal = false;
        break;
      }
      default: break;
    }
  }

  // UPDATE target SET .. [FROM ..] [WHERE ..]
  Nodes update(const Update& s) {
    const std::string& target = s.target.text;
    const TableInfo* table = schema_.find(target);
    auto assignValue = [&](const Assignment& a, Scopes& sc) {
      Value v = single(*a.value, sc);
      coerce(v, this->target(table, target, a.column.back().text));
      return v;
    };
    // The SET list, each value given by value(assignment).
    auto setList = [&](Nodes& out, auto&& value) {
      out.push_back(word("SET"));
      for (size_t k = 0; k < s.assignments.size(); ++k) {
        if (k) out.push_back(op(","));
        out.push_back(quoted(s.assignments[k].column.back().text));
        out.push_back(op("="));
        append(out, value(s.assignments[k]));
      }
    };

    Scopes sc;
    Nodes out{word("UPDATE")};
    Sources from;
    const Scope* match = nullptr;
    if (s.from) {
      from = sources(*s.from, sc);
      match = findTarget(from.frame, target);
    }
    if (!match) {
      // No FROM, or a FROM that does not name the target: SQLite's UPDATE .. FROM means the same.
      Frame f = from.frame;
      f.insert(f.begin(), tableScope(target, target));
      sc.push_back(std::move(f));
      out.push_back(nameNode(s.target));
      setList(out, [&](const Assignment& a) { return assignValue(a, sc).nodes; });
      if (s.from) {
        out.push_back(word("FROM"));
        append(out, fromNodes(*s.from, from, sc));
      }
      if (s.where) {
        out.push_back(word("WHERE"));
        append(out, expr(*s.where, sc).nodes);
      }
      return out;
    }
    if (match->table.empty() || match->view)
      throw TranslationError("UPDATE of " + target + ", which is not a table, is not supported");
    // The target is one of the joined tables: update the rows of it that the join finds.
    const std::string kOuter = "korvanda_target";
    const std::string matchTable = match->table, matchAlias = match->alias;
    sc.push_back(from.frame);
    Nodes joins = fromNodes(*s.from, from, sc);
    Nodes cond;
    if (s.where) cond = expr(*s.where, sc).nodes;
    Nodes rowidOfMatch{quoted(matchAlias), op("."), word("rowid")};
    out.push_back(quoted(matchTable));
    out.push_back(word("AS"));
    out.push_back(quoted(kOuter));
    setList(out, [&](const Assignment& a) {
      Value v = assignValue(a, sc);
      if (!readsColumns(*a.value)) return std::move(v.nodes);
      // A value read from the joined rows: the first joined row of this target row.
      Nodes sub{word("SELECT")};
      append(sub, v.nodes);
      sub.push_back(word("FROM"));
      append(sub, joins);
      sub.push_back(word("WHERE"));
      if (!cond.empty()) {
        sub.push_back(group(cond));
        sub.push_back(word("AND"));
      }
      append(sub, rowidOfMatch);
      append(sub,
             Nodes{op("="), quoted(kOuter), op("."), word("rowid"), word("LIMIT"), number("1")});
      return Nodes{group(std::move(sub))};
    });
    sc.pop_back();
    append(out, Nodes{word("WHERE"), quoted(kOuter), op("."), word("rowid"), word("IN")});
    out.push_back(joinedRows(std::move(rowidOfMatch), joins, cond));
    return out;
  }

  // (SELECT what FROM joins [WHERE cond]): the rows UPDATE and DELETE .. FROM find.
  static Node joinedRows(Nodes what, const Nodes& joins, const Nodes& cond) {
    Nodes sub{word("SELECT")};
    append(sub, std::move(what));
    sub.push_back(word("FROM"));
    append(sub, joins);
    if (!cond.empty()) {
      sub.push_back(word("WHERE"));
      append(sub, cond);
    }
    return group(std::move(sub));
  }

  // DELETE [FROM] target [FROM ..] [WHERE ..]
  Nodes remove(const Delete& s) {
    const std::string& target = s.target.text;
    Scopes sc;
    Nodes out{word("DELETE"), word("FROM")};
    if (!s.from) {
      sc.push_back(Frame{tableScope(target, target)});
      out.push_back(nameNode(s.target));
      if (s.where) {
        out.push_back(word("WHERE"));
        append(out, expr(*s.where, sc).nodes);
      }
      return out;
    }
    Sources from = sources(*s.from, sc);
    const Scope* match = findTarget(from.frame, target);
    if (match && (match->table.empty() || match->view))
      throw TranslationError("DELETE from " + target + ", which is not a table, is not supported");
    const std::string matchTable = match ? match->table : "",
                      matchAlias = match ? match->alias : "";
    if (!match) sc.push_back(Frame{tableScope(target, target)});
    sc.push_back(from.frame);
    Nodes joins = fromNodes(*s.from, from, sc);
    Nodes cond;
    if (s.where) cond = expr(*s.where, sc).nodes;
    Nodes what;
    if (match) {
      append(out, Nodes{quoted(matchTable), word("WHERE"), word("rowid"), word("IN")});
      what = Nodes{quoted(matchAlias), op("."), word("rowid")};
    } else {
      append(out, Nodes{nameNode(s.target), word("WHERE"), word("EXISTS")});
      what = Nodes{number("1")};
    }
    out.push_back(joinedRows(std::move(what), joins, cond));
    return out;
  }

  static const Scope* findTarget(const Frame& f, const std::string& target) {
    for (const Scope& src : f)
      if (eqi(src.alias, target)) return &src;
    const Scope* found = nullptr;
    for (const Scope& src : f) {
      if (!src.table.empty() && eqi(src.table, target)) {
        if (found)
          throw TranslationError("the target " + target +
                                 " is joined more than once; name it by its alias");
        found = &src;
      }
    }
    return found;
  }

  Scope tableScope(const std::string& table, const std::string& alias) {
    Scope src{alias, table, false, {}};
    if (const TableInfo* t = schema_.find(table)) {
      src.view = t->view;
      for (const auto& c : t->columns) src.columns.push_back({c.name, typeFromDecl(c.declType)});
    }
    return src;
  }

  // -- FROM clauses ----------------------------------------------------------------------------

  // The sources of a FROM clause with their columns; derived tables are resolved here, in the
  // scopes around the clause, before the clause's conditions.
  Sources sources(const From& f, Scopes& sc) {
    Sources s;
    s.frame.push_back(sourceScope(f.first, sc, s));
    for (const Join& j : f.joins) s.frame.push_back(sourceScope(j.source, sc, s));
    return s;
  }

  Scope sourceScope(const Source& s, Scopes& sc, Sources& out) {
    Scope src;
    if (s.derived) {
      QueryResult q = query(*s.derived, sc);
      for (size_t c = 0; c < q.itemNames.size(); ++c)
        src.columns.push_back({q.itemNames[c], q.itemTypes[c]});
      out.derived.push_back(std::move(q.nodes));
    } else {
      src = tableScope(s.table.back().text, s.table.back().text);
    }
    if (s.alias) src.alias = s.alias->text;
    return src;
  }

  // The FROM clause with its ON conditions and derived tables translated.
  Nodes fromNodes(const From& f, const Sources& s, Scopes& sc) {
    Nodes out;
    size_t derived = 0;
    sourceNodes(f.first, s, derived, out);
    for (const Join& j : f.joins) {
      if (j.words.size() == 1 && j.words[0] == ",") out.push_back(op(","));
      else
        for (const auto& w : j.words) out.push_back(word(w));
      sourceNodes(j.source, s, derived, out);
      if (j.on) {
        out.push_back(word("ON"));
        append(out, expr(*j.on, sc).nodes);
      }
    }
    return out;
  }

  static void sourceNodes(const Source& s, const Sources& resolved, size_t& derived, Nodes& out) {
    if (s.derived) {
      out.push_back(group(resolved.derived[derived++]));
    } else {
      append(out, dottedNodes(s.table));
    }
    if (s.alias) {
      if (s.as) out.push_back(word("AS"));
      out.push_back(nameNode(*s.alias));
    }
  }

  // -- Queries ---------------------------------------------------------------------------------

  QueryResult query(const Query& q, Scopes& sc) {
    ++depth_;
    struct Leave {
      int& d;
      ~Leave() { --d; }
    } leave{depth_};
    QueryResult result;
    const bool compound = q.members.size() > 1;
    for (size_t m = 0; m < q.members.size(); ++m) {
      if (m) result.nodes.push_back(word(q.joiners[m - 1]));
      QueryResult r = select(q.members[m], sc, compound);
      append(result.nodes, std::move(r.nodes));
      if (m == 0) {
        result.itemTypes = std::move(r.itemTypes);
        result.itemNames = std::move(r.itemNames);
        result.star = r.star;
      } else {
        for (size_t k = 0; k < result.itemTypes.size() && k < r.itemTypes.size(); ++k)
          if (result.itemTypes[k].cat == Cat::Null || result.itemTypes[k].cat == Cat::Unknown)
            result.itemTypes[k] = r.itemTypes[k];
      }
    }
    return result;
  }

  QueryResult select(const Select& s, Scopes& sc, bool compound) {
    QueryResult r;
    r.nodes.push_back(word("SELECT"));
    // Rows that differ only by letter case or trailing blanks are one row to SQL Server.
    const bool distinct = compound || eqi(s.quantifier, "distinct");
    if (!s.quantifier.empty()) r.nodes.push_back(word(s.quantifier));
    Sources from;
    if (s.from) from = sources(*s.from, sc);
    sc.push_back(from.frame);
    for (size_t k = 0; k < s.items.size(); ++k) {
      if (k) r.nodes.push_back(op(","));
      selectItem(s.items[k], sc, r, distinct);
    }
    if (s.from) {
      r.nodes.push_back(word("FROM"));
      append(r.nodes, fromNodes(*s.from, from, sc));
    }
    // A clause the statement has: its keyword and its expression or list.
    auto clause = [&](const char* keyword, const ExprPtr& e) {
      if (!e) return;
      r.nodes.push_back(word(keyword));
      append(r.nodes, expr(*e, sc).nodes);
    };
    auto sorting = [&](const char* keyword, const auto& list) {
      if (list.empty()) return;
      append(r.nodes, Nodes{word(keyword), word("BY")});
      append(r.nodes, sortList(list, sc, r));
    };
    clause("WHERE", s.where);
    sorting("GROUP", s.groupBy);
    clause("HAVING", s.having);
    sorting("ORDER", s.orderBy);
    if (s.limit) {
      clause("LIMIT", s.limit);
      clause("OFFSET", s.offset);
    }
    sc.pop_back();
    if (s.top) {
      r.nodes.push_back(word("LIMIT"));
      append(r.nodes, expr(*s.top, sc).nodes);
    }
    return r;
  }

  void selectItem(const SelectItem& item, Scopes& sc, QueryResult& r, bool distinct) {
    if (const auto* star = std::get_if<Star>(&item.value->node)) {
      r.star = true;
      for (const Name& q : star->qualifier) {
        r.nodes.push_back(nameNode(q));
        r.nodes.push_back(op("."));
      }
      r.nodes.push_back(op("*"));
      return;
    }
    Value v = single(*item.value, sc);
    const bool text = computedText(v);
    if (text && distinct) collate(v);
    append(r.nodes, std::move(v.nodes));
    r.itemTypes.push_back(v.type);
    std::string name;
    const Column* col = columnOf(*item.value);
    if (item.alias) {
      name = item.alias->text;
      if (text) r.textAliases.push_back(name);
      r.nodes.push_back(word("AS"));
      r.nodes.push_back(quoted(name));
    } else if (col && !isCurrentTimestamp(*col)) {
      name = col->parts.back().text;
    }
    if (!item.alias && name.empty() && depth_ == 1) {
      // SQL Server leaves a computed column without a name.
      r.nodes.push_back(word("AS"));
      r.nodes.push_back(quoted(""));
    }
    r.itemNames.push_back(name);
  }

  // GROUP BY and ORDER BY items: a text that is not a column groups and sorts by SQL Server's
  // rules too, also when named by the alias of a select item.
  Nodes sortList(const std::vector<SortItem>& items, Scopes& sc, const QueryResult& r) {
    Nodes out;
    for (const SortItem& it : items) {
      if (!out.empty()) out.push_back(op(","));
      Value v = expr(*it.value, sc);
      const Column* col = columnOf(*it.value);
      bool aliasOfText =
          col && col->parts.size() == 1 && v.type.cat == Cat::Unknown &&
          std::any_of(r.textAliases.begin(), r.textAliases.end(),
                      [&](const std::string& a) { return eqi(a, col->parts[0].text); });
      if (aliasOfText || computedText(v)) collate(v);
      append(out, std::move(v.nodes));
      if (!it.direction.empty()) out.push_back(word(it.direction));
    }
    return out;
  }

  // -- Expressions -----------------------------------------------------------------------------

  // The column an expression names, seen through COLLATE DATABASE_DEFAULT (which changes nothing).
  static const Column* columnOf(const Expr& e) {
    const Expr* x = &e;
    if (const auto* c = std::get_if<Collate>(&x->node)) {
      for (const Name& n : c->collations)
        if (!eqi(n.text, "database_default")) return nullptr;
      x = c->value.get();
    }
    return std::get_if<Column>(&x->node);
  }

  static bool isCurrentTimestamp(const Column& c) {
    return c.parts.size() == 1 && !c.parts[0].quoted && eqi(c.parts[0].text, "current_timestamp");
  }

  // An expression where a value stands alone (a select item, an argument, a CASE part).
  Value single(const Expr& e, Scopes& sc) {
    Value v = expr(e, sc);
    if (!v.operand) {
      v.operand = true;
      v.type = Type{};
      v.literal = v.column = v.collate = false;
    }
    return v;
  }

  Value expr(const Expr& e, Scopes& sc) {
    return std::visit([&](const auto& n) { return node(n, sc); }, e.node);
  }

  Value node(const Literal& l, Scopes&) {
    Value v;
    switch (l.kind) {
      case Literal::String:
        v.nodes = {str(l.text)};
        v.type = textType(static_cast<int>(l.text.size()));
        v.literal = true;
        break;
      case Literal::Number:
        v.nodes = {number(l.text)};
        v.type = l.text.find_first_of(".eE") != std::string::npos ? Type{Cat::Decimal, ""}
                                                                  : Type{Cat::Int, "INT"};
        break;
      case Literal::Null:
        v.nodes = {word(l.text)};
        v.type = Type{Cat::Null, ""};
        break;
    }
    return v;
  }

  Value node(const Column& c, Scopes& sc) {
    Value v;
    if (isCurrentTimestamp(c)) {
      v.nodes = {word("GETDATE"), group({})};
      v.type = Type{Cat::Date, "DATETIME"};
      return v;
    }
    v.nodes = dottedNodes(c.parts);
    const size_t n = c.parts.size();
    v.type = columnType(sc, n >= 2 ? std::string_view(c.parts[n - 2].text) : std::string_view(),
                        c.parts.back().text);
    v.column = true;
    return v;
  }

  static Type columnType(const Scopes& sc, std::string_view qualifier, std::string_view column) {
    for (auto f = sc.rbegin(); f != sc.rend(); ++f) {
      for (const Scope& src : *f) {
        if (!qualifier.empty() && !eqi(src.alias, qualifier)) continue;
        for (const auto& [name, type] : src.columns)
          if (eqi(name, column)) return type;
        if (!qualifier.empty()) return Type{};
      }
    }
    return Type{};
  }

  Value node(const Star&, Scopes&) {
    Value v;
    v.nodes = {op("*")};
    return v;
  }

  Value node(const Prefix& p, Scopes& sc) {
    Value inner = expr(*p.operand, sc);
    Value v;
    for (const auto& o : p.ops)
      v.nodes.push_back(o == "-" || o == "+" || o == "~" ? op(o) : word(o));
    append(v.nodes, std::move(inner.nodes));
    if (p.ops.front() == "-" || p.ops.front() == "+" || p.ops.front() == "~") {
      v.type = inner.type;
      v.collate = inner.collate;
    } else {
      v.operand = false;
    }
    return v;
  }

  static bool additiveOp(const std::string& o) { return o == "+" || o == "-"; }

  Value node(const Chain& c, Scopes& sc) {
    const std::string& first = c.rest.front().op;
    if (first == "*" || first == "/" || first == "%") return product(c, sc);
    if (!additiveOp(first) && first != "||" && first != "&" && first != "|" && first != "^") {
      // AND, OR
      Value v;
      v.operand = false;
      v.nodes = expr(*c.first, sc).nodes;
      for (const auto& l : c.rest) {
        v.nodes.push_back(word(l.op));
        append(v.nodes, expr(*l.operand, sc).nodes);
      }
      return v;
    }
    // Runs of + and - are sums; || & | ^ join them as they are.
    std::vector<Value> runs;
    std::vector<std::string> joins;
    std::vector<Value> terms{expr(*c.first, sc)};
    std::vector<std::string> ops;
    size_t position = c.first->pos;
    for (const auto& l : c.rest) {
      if (additiveOp(l.op)) {
        ops.push_back(l.op);
        terms.push_back(expr(*l.operand, sc));
        continue;
      }
      runs.push_back(combine(std::move(terms), ops, position));
      joins.push_back(l.op);
      terms.clear();
      ops.clear();
      position = l.operand->pos;
      terms.push_back(expr(*l.operand, sc));
    }
    runs.push_back(combine(std::move(terms), ops, position));
    if (runs.size() == 1) return std::move(runs[0]);
    Value v;
    v.operand = false;
    for (size_t k = 0; k < runs.size(); ++k) {
      if (k) v.nodes.push_back(op(joins[k - 1]));
      append(v.nodes, std::move(runs[k].nodes));
    }
    return v;
  }

  // a * b / c: the type of its first operand, widened by the others; unknown unless numeric.
  Value product(const Chain& c, Scopes& sc) {
    Value v = expr(*c.first, sc);
    v.column = v.literal = false;
    for (const auto& l : c.rest) {
      Value x = expr(*l.operand, sc);
      v.nodes.push_back(op(l.op));
      append(v.nodes, std::move(x.nodes));
      if (isNumeric(x.type.cat) && v.type.cat == Cat::Int && x.type.cat != Cat::Int)
        v.type = x.type;
      v.collate = v.collate || x.collate;
    }
    if (!isNumeric(v.type.cat)) v.type = Type{};
    return v;
  }

  // The terms of a sum joined by their operators: texts concatenate, numbers add, and where
  // the types are known only from the values TSQL_ADD decides.
  Value combine(std::vector<Value> terms, const std::vector<std::string>& ops, size_t position) {
    if (ops.empty()) return std::move(terms[0]);
    Value seg;
    seg.collate = std::any_of(terms.begin(), terms.end(), [](const Value& t) { return t.collate; });
    bool anyText = false, allText = true, anyDate = false, allKnown = true, anyPlus = false;
    for (const Value& t : terms) {
      anyText |= t.type.cat == Cat::Text;
      allText &= t.type.cat == Cat::Text || t.type.cat == Cat::Null;
      anyDate |= t.type.cat == Cat::Date;
      allKnown &= isNumeric(t.type.cat) || t.type.cat == Cat::Null;
    }
    for (const auto& o : ops) anyPlus |= o == "+";
    auto wrapped = [](Value& t) {
      return t.nodes.size() > 1 ? Nodes{group(std::move(t.nodes))} : std::move(t.nodes);
    };
    if (anyText && allText) {
      // '+' between texts: concatenation.
      int length = 0;
      bool lengthKnown = true;
      for (size_t k = 0; k < terms.size(); ++k) {
        if (k) {
          if (ops[k - 1] != "+") throw TranslationError("'-' cannot be applied to text");
          seg.nodes.push_back(op("||"));
        }
        int n = textLength(terms[k].type);
        if (n == 0 && terms[k].type.cat != Cat::Null) lengthKnown = false;
        length += n;
        append(seg.nodes, wrapped(terms[k]));
      }
      seg.type = lengthKnown ? textType(length) : Type{Cat::Text, "VARCHAR(8000)"};
      return seg;
    }
    if (anyDate && anyPlus) throw TranslationError("adding to a date with '+' is not supported");
    if (allKnown || !anyPlus) {
      Type result = terms[0].type;
      for (const Value& t : terms) {
        if (t.type.cat == Cat::Decimal && result.cat != Cat::Decimal) result = t.type;
        else if (t.type.cat == Cat::Float && result.cat == Cat::Int) result = t.type;
        else if (result.cat == Cat::Null) result = t.type;
      }
      for (size_t k = 0; k < terms.size(); ++k) {
        if (k) seg.nodes.push_back(op(ops[k - 1]));
        append(seg.nodes, std::move(terms[k].nodes));
      }
      seg.type = allKnown ? result : Type{};
      return seg;
    }
    // Types unknown here, or text meeting numbers (SQL Server then adds, converting the text):
    // decide on the values. Each operator nests the sum so far one group deeper, and emitting
    // recurses through groups: that depth has the texts' limit too.
    size_t deepest = 0;
    for (const Value& t : terms) deepest = std::max(deepest, nestingOf(t.nodes) + 1);
    if (deepest + ops.size() > static_cast<size_t>(kMaxNesting))
      throw TranslationError(
          "a sum of " + std::to_string(terms.size()) +
          " terms whose types are known only from their values nests deeper than " +
          std::to_string(kMaxNesting) + " levels once translated, at character " +
          std::to_string(position + 1));
    Nodes acc = wrapped(terms[0]);
    for (size_t k = 1; k < terms.size(); ++k) {
      Nodes next = wrapped(terms[k]);
      if (ops[k - 1] == "+") {
        Nodes args = std::move(acc);
        args.push_back(op(","));
        append(args, std::move(next));
        acc = Nodes{word("TSQL_ADD"), group(std::move(args))};
      } else {
        Nodes g = std::move(acc);
        g.push_back(op("-"));
        append(g, std::move(next));
        acc = Nodes{group(std::move(g))};
      }
    }
    seg.nodes = std::move(acc);
    return seg;
  }

  // Date columns compared with texts: literals become ISO text, other texts are read as dates.
  // Texts compared where neither side is a column take SQL Server's rules.
  Value node(const Compare& c, Scopes& sc) {
    Value l = expr(*c.left, sc), r = expr(*c.right, sc);
    if (l.operand && r.operand) {
      if (l.type.cat == Cat::Date) toDate(r);
      else if (r.type.cat == Cat::Date) toDate(l);
      else if (mayBeText(l) && mayBeText(r)) collate(l);
    }
    Value v;
    v.operand = false;
    v.nodes = std::move(l.nodes);
    v.nodes.push_back(op(c.op));
    append(v.nodes, std::move(r.nodes));
    return v;
  }

  Value node(const Between& b, Scopes& sc) {
    Value x = expr(*b.value, sc), lo = expr(*b.low, sc), hi = expr(*b.high, sc);
    if (x.operand && x.type.cat == Cat::Date) {
      if (lo.operand) toDate(lo);
      if (hi.operand) toDate(hi);
    } else if (mayBeText(x) && mayBeText(lo) && mayBeText(hi)) {
      collate(x);
    }
    Value v;
    v.operand = false;
    v.nodes = std::move(x.nodes);
    if (b.negated) v.nodes.push_back(word("NOT"));
    v.nodes.push_back(word("BETWEEN"));
    append(v.nodes, std::move(lo.nodes));
    v.nodes.push_back(word("AND"));
    append(v.nodes, std::move(hi.nodes));
    return v;
  }

  Value node(const In& in, Scopes& sc) {
    Value x = expr(*in.value, sc);
    if (mayBeText(x)) collate(x);
    Nodes items;
    if (in.query) {
      items = query(*in.query, sc).nodes;
    } else {
      for (const auto& item : in.items) {
        if (!items.empty()) items.push_back(op(","));
        Value iv = expr(*item, sc);
        if (x.operand && x.type.cat == Cat::Date && iv.literal && iv.nodes.size() == 1)
          iv.nodes[0].tok.text = dateLiteral(iv.nodes[0].tok.text);
        append(items, std::move(iv.nodes));
      }
    }
    Value v;
    v.operand = false;
    v.nodes = std::move(x.nodes);
    if (in.negated) v.nodes.push_back(word("NOT"));
    v.nodes.push_back(word("IN"));
    v.nodes.push_back(group(std::move(items)));
    return v;
  }

  Value node(const Like& l, Scopes& sc) {
    Value v;
    v.operand = false;
    v.nodes = expr(*l.value, sc).nodes;
    if (l.negated) v.nodes.push_back(word("NOT"));
    v.nodes.push_back(word("LIKE"));
    append(v.nodes, expr(*l.pattern, sc).nodes);
    if (l.escape) {
      v.nodes.push_back(word("ESCAPE"));
      append(v.nodes, expr(*l.escape, sc).nodes);
    }
    return v;
  }

  Value node(const IsNull& n, Scopes& sc) {
    Value v;
    v.operand = false;
    v.nodes = expr(*n.value, sc).nodes;
    v.nodes.push_back(word("IS"));
    if (n.negated) v.nodes.push_back(word("NOT"));
    v.nodes.push_back(word("NULL"));
    return v;
  }

  Value node(const Exists& e, Scopes& sc) {
    Value v;
    v.operand = false;
    v.nodes = {word("EXISTS"), group(query(*e.query, sc).nodes)};
    return v;
  }

  // CASE .. END: its parts translated, its type that of its first typed result.
  Value node(const Case& c, Scopes& sc) {
    Value v;
    v.nodes.push_back(word("CASE"));
    auto result = [&](const Expr& e) {
      Value r = single(e, sc);
      if (v.type.cat == Cat::Unknown || v.type.cat == Cat::Null) v.type = r.type;
      append(v.nodes, std::move(r.nodes));
    };
    if (c.base) {
      Value b = single(*c.base, sc);
      if (computedText(b)) collate(b);
      append(v.nodes, std::move(b.nodes));
    }
    for (const auto& [when, then] : c.whens) {
      v.nodes.push_back(word("WHEN"));
      append(v.nodes, single(*when, sc).nodes);
      v.nodes.push_back(word("THEN"));
      result(*then);
    }
    if (c.otherwise) {
      v.nodes.push_back(word("ELSE"));
      result(*c.otherwise);
    }
    v.nodes.push_back(word("END"));
    return v;
  }

  // CAST(x AS type) with a SQL Server type.
  Value node(const Cast& c, Scopes& sc) {
    Nodes x = single(*c.value, sc).nodes;
    const std::string type = lower(c.type.text);
    std::vector<std::string> params;
    for (const auto& p : c.params) params.push_back(lower(p));
    auto cast = [&](const char* to) {
      Nodes g = x;
      g.push_back(word("AS"));
      g.push_back(word(to));
      return Nodes{word("CAST"), group(std::move(g))};
    };
    Value v;
    if (type == "varchar" || type == "char" || type == "nvarchar" || type == "nchar" ||
        type == "text" || type == "ntext" || type == "sysname") {
      v.type = Type{Cat::Text, "VARCHAR(30)"};
      if (type == "text" || type == "ntext" || (!params.empty() && params[0] == "max")) {
        v.nodes = cast("TEXT");
        return v;
      }
      std::string n = params.empty() ? "30" : params[0];
      Nodes g = cast("TEXT");
      append(g, Nodes{op(","), number("1"), op(","), number(n)});
      v.nodes = {word("SUBSTR"), group(std::move(g))};
      v.type = functionType("substr", {v.type}, v.nodes.back().kids);
      return v;
    }
    if (type == "int" || type == "integer" || type == "smallint" || type == "tinyint" ||
        type == "bigint" || type == "bit") {
      v.nodes = cast("INTEGER");
      v.type = Type{Cat::Int, "INT"};
      return v;
    }
    if (type == "float" || type == "real") {
      v.nodes = cast("REAL");
      v.type = Type{Cat::Float, "FLOAT"};
      return v;
    }
    if (type == "decimal" || type == "numeric" || type == "money" || type == "smallmoney") {
      v.nodes = cast("NUMERIC");
      v.type = Type{Cat::Decimal, ""};
      std::string scale = type == "money" || type == "smallmoney" ? "4"
                          : params.size() > 1                     ? params[1]
                                                                  : "";
      if (scale.empty()) return v;
      Nodes g = std::move(v.nodes);
      g.push_back(op(","));
      g.push_back(number(scale));
      v.nodes = {word("ROUND"), group(std::move(g))};
      return v;
    }
    if (type == "datetime" || type == "date" || type == "smalldatetime" || type == "datetime2") {
      Nodes g = std::move(x);
      g.push_back(op(","));
      g.push_back(str(dateOrderName(order_)));
      v.nodes = {word("TSQL_DATETIME"), group(std::move(g))};
      v.type = Type{Cat::Date, "DATETIME"};
      return v;
    }
    throw TranslationError("CAST to " + c.type.text + " is not supported");
  }

  Value node(const Call& c, Scopes& sc) {
    Nodes name = dottedNodes(c.name);
    std::string f = c.name.back().text;
    std::vector<const Expr*> args;
    for (const auto& a : c.args) args.push_back(a.get());
    Nodes k;
    std::vector<Type> types;
    // MIN and MAX order their argument: a computed text takes the database's collation.
    const bool ordering = eqi(f, "min") || eqi(f, "max");
    auto argument = [&](Value a, bool orders) {
      if (!types.empty()) k.push_back(op(","));
      if (orders && computedText(a)) collate(a);
      types.push_back(a.type);
      append(k, std::move(a.nodes));
    };
    if (eqi(f, "left") || eqi(f, "right")) {
      if (args.size() != 2 || c.distinct) throw TranslationError(f + " takes two arguments");
      const bool left = eqi(f, "left");
      name = {word("SUBSTR")};
      f = "SUBSTR";
      argument(single(*args[0], sc), false);
      Value len = single(*args[1], sc);
      if (left) {
        argument(node(Literal{Literal::Number, "1"}, sc), false);
        argument(std::move(len), false);
      } else {
        // - (len): a prefix minus on a parenthesised value
        Value neg;
        neg.type = len.type;
        neg.nodes = {op("-"), group(std::move(len.nodes))};
        argument(std::move(neg), false);
      }
    } else {
      if (eqi(f, "isnull")) {
        f = "IFNULL";
        name.back() = word("IFNULL");
      }
      for (size_t n = 0; n < args.size(); ++n) {
        const bool distinct = n == 0 && c.distinct;
        if (distinct) k.push_back(word("DISTINCT"));  // as COUNT(DISTINCT x) is written
        argument(single(*args[n], sc), ordering || distinct);
      }
    }
    Value v;
    v.type = functionType(f, types, k);
    v.nodes = std::move(name);
    v.nodes.push_back(group(std::move(k)));
    return v;
  }

  Value node(const Subquery& s, Scopes& sc) {
    QueryResult q = query(*s.query, sc);
    Value v;
    v.type = q.itemTypes.size() == 1 ? q.itemTypes[0] : Type{};
    v.nodes = {group(std::move(q.nodes))};
    return v;
  }

  Value node(const Parens& p, Scopes& sc) {
    Value inner = single(*p.inner, sc);
    Value v;
    v.type = inner.type;
    v.nodes = {group(std::move(inner.nodes))};
    return v;
  }

  Value node(const Collate& c, Scopes& sc) {
    Value v = expr(*c.value, sc);
    for (const Name& n : c.collations) {
      auto to = collationFor(n.text);
      if (!to) continue;
      v.nodes.push_back(word("COLLATE"));
      v.nodes.push_back(word(*to));
      v.collate = true;
      v.column = v.literal = false;
    }
    return v;
  }

  void toDate(Value& v) {
    if (v.literal) {
      v.nodes.front().tok.text = dateLiteral(v.nodes.front().tok.text);
    } else if (v.type.cat == Cat::Text) {
      Nodes args = std::move(v.nodes);
      args.push_back(op(","));
      args.push_back(str(dateOrderName(order_)));
      v.nodes = Nodes{word("TSQL_DATETIME"), group(std::move(args))};
    } else {
      return;
    }
    v.type = Type{Cat::Date, "DATETIME"};
  }

  std::string dateLiteral(const std::string& text) {
    auto iso = normalizeDate(text, order_);
    if (!iso)
      throw TranslationError(
          "Conversion failed when converting date and/or time from character string '" + text +
          "'");
    return *iso;
  }
};

}  // namespace

Translation resolve(const std::vector<Statement>& statements, std::vector<Token>& toks,
                    const SchemaSnapshot& schema) {
  Resolver r(schema, toks);
  Translation t;
  for (const Statement& s : statements) r.statement(s, t);
  return t;
}

}  // namespace korvanda::sqlite::tsql
