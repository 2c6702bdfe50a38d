#include "sqlite/translate.h"

#include <algorithm>
#include <cctype>
#include <optional>

#include "core/ascii.h"
#include "sqlite/collation.h"
#include "sqlite/tsqldate.h"
#include "translate/emit.h"
#include "translate/parser.h"
#include "translate/tokens.h"
#include "translate/types.h"

// The statement stage: walks the tree of each statement with the schema's types and rewrites it
// for SQLite (tokens.h reads the text, emit.h writes the result).
namespace korvanda::sqlite {
namespace {

using namespace tsql;

const std::string kCollation = collation::kName;

// ---------------------------------------------------------------------------------------------
// Scopes: the tables (and derived tables) a query names, with their column types.

struct Source {
  std::string alias;  // the alias, or the table name when there is none
  std::string table;  // empty for a derived table
  bool aliased = false;
  bool view = false;
  std::vector<std::pair<std::string, Type>> columns;
};
struct Frame {
  std::vector<Source> sources;
};
using Scopes = std::vector<Frame>;

struct QueryResult {
  Nodes nodes;
  std::vector<Type> itemTypes;
  std::vector<std::string> itemNames;
  std::vector<std::string> textAliases;  // aliases of computed text items
  bool star = false;
};

// A literal value to put in a typed column.
struct Coercion {
  std::string_view column, table;  // views into the statement being translated
  Type type;
  std::string what() const { return "column " + std::string(column) + " of " + std::string(table); }
};

const char* const kUnsupportedFunctions[] = {
    "convert", "dateadd", "datediff", "datepart", "datename", "charindex", "patindex",
    "stuff", "scope_identity", "newid", "datalength", "replicate", "space", "str", "iif",
    "try_convert", "try_cast", "format", "eomonth", "sysdatetime", "getutcdate", "object_id",
    "row_number", "rank", "dense_rank", "ntile", "string_agg"};

class Translator {
 public:
  Translator(const SchemaSnapshot& schema) : schema_(schema) {}

  Translation run(std::string_view text) {
    auto toks = tokenize(text);
    checkNesting(toks);
    const std::vector<Statement> statements = parse(toks);
    Translation t;
    for (const Statement& st : statements) {
      std::vector<Token> own(std::make_move_iterator(toks.begin() + static_cast<long>(st.firstToken)),
                             std::make_move_iterator(toks.begin() + static_cast<long>(st.lastToken)));
      size_t i = 0;
      Nodes tree = buildTree(own, i, false);
      prepass(tree);
      statement(tree, t);
    }
    return t;
  }

 private:
  const SchemaSnapshot& schema_;
  tsql::DateOrder order_ = tsql::DateOrder::dmy;
  int depth_ = 0;  // nesting of the query being translated

  // A piece of an expression: an additive chain of terms, or a node between chains (a keyword,
  // a comparison operator...).
  struct Segment {
    bool chain = false;
    Nodes nodes;
    Type type;
    bool literal = false;  // a single string literal
    bool collated = false;  // a column, or an explicit COLLATE: SQLite then needs no other
  };

  // SQLite compares an expression that is not a column by its bytes; SQL Server by the
  // database's collation.
  static void collate(Segment& seg) {
    // COLLATE binds tighter than any operator: a name or a call takes it as it is.
    const Nodes& n = seg.nodes;
    auto namePart = [](const Node& x) { return isName(x) || isOp(x, "."); };
    bool primary = n.size() == 1 ||
                   (std::all_of(n.begin(), n.end() - 1, namePart) && (isName(n.back()) || n.back().group));
    if (!primary) seg.nodes = Nodes{group(std::move(seg.nodes))};
    seg.nodes.push_back(word("COLLATE"));
    seg.nodes.push_back(word(kCollation));
    seg.collated = true;
    seg.literal = false;
  }
  static bool mayBeText(const Segment& seg) {
    return seg.chain && !seg.collated &&
           (seg.type.cat == Cat::Text || seg.type.cat == Cat::Unknown || seg.type.cat == Cat::Null);
  }

  struct FromClause {
    size_t b = 0, e = 0;
    Frame frame;
    std::vector<std::pair<size_t, size_t>> conditions;  // ON ranges
    std::vector<std::pair<size_t, Nodes>> derived;      // index of a derived table, its query
    std::vector<size_t> dropped;                        // table hints WITH (..)
  };


  // -- Statement splitting --------------------------------------------------------------------

  static std::vector<Nodes> splitStatements(Nodes&& tree) {
    std::vector<Nodes> out;
    Nodes cur;
    auto flush = [&] {
      if (!cur.empty()) out.push_back(std::move(cur));
      cur.clear();
    };
    static const char* const kStarters[] = {"insert", "update", "delete", "exec", "execute",
                                            "drop", "truncate", "set"};
    for (Node& n : tree) {
      if (isOp(n, ";")) {
        flush();
        continue;
      }
      // SET option value ends after its value.
      if (!cur.empty() && isWord(cur.front(), "set") && cur.size() == 3 && !isOp(n, "=")) flush();
      // INSERT .. VALUES (..) followed by a SELECT: two statements.
      if (!cur.empty() && isWord(n, "select") && isWord(cur.front(), "insert") && cur.back().group &&
          std::any_of(cur.begin(), cur.end(), [](const Node& x) { return isWord(x, "values"); }))
        flush();
      if (!cur.empty() && n.tok.kind == Tk::Word && !n.group) {
        bool starter = false;
        for (const char* s : kStarters)
          if (eqi(n.tok.text, s)) starter = true;
        bool insideDdl = isWord(cur.front(), "create") || isWord(cur.front(), "alter");
        bool setOfUpdate = isWord(n, "set") && isWord(cur.front(), "update");
        if (starter && !insideDdl && !setOfUpdate) flush();
      }
      cur.push_back(std::move(n));
    }
    flush();
    return out;
  }

  // -- Token-level rewrites, scope independent -------------------------------------------------

  void prepass(Nodes& ns) {
    for (auto& n : ns)
      if (n.group) prepass(n.kids);
    Nodes out;
    out.reserve(ns.size());
    for (size_t i = 0; i < ns.size(); ++i) {
      Node& n = ns[i];
      if (!n.group && n.tok.kind == Tk::Variable)
        throw TranslationError("variables are not supported (" + n.tok.text + ")");
      if (isOp(n, "!<") || isOp(n, "!>"))
        throw TranslationError("the operator " + n.tok.text + " is not supported");
      // dbo.name -> name
      if (isName(n) && eqi(n.tok.text, "dbo") && i + 2 < ns.size() && isOp(ns[i + 1], ".") &&
          isName(ns[i + 2]) && !(i > 0 && isOp(ns[i - 1], "."))) {
        ++i;  // skip "dbo" and "."
        continue;
      }
      if (isWord(n, "collate") && i + 1 < ns.size() && isName(ns[i + 1])) {
        std::string name = lower(ns[i + 1].tok.text);
        ++i;
        if (name == "database_default") continue;  // text columns already compare by its rules
        if (name.find("_ci") != std::string::npos && name.find("_ai") != std::string::npos) {
          throw TranslationError("the accent-insensitive collation " + ns[i].tok.text + " is not supported");
        } else if (name.find("_ci") != std::string::npos || name == "kv_ci_as") {
          out.push_back(word("COLLATE"));
          out.push_back(word(kCollation));
        } else if (name.find("_cs") != std::string::npos || name.find("_bin") != std::string::npos) {
          out.push_back(word("COLLATE"));
          out.push_back(word("BINARY"));
        } else if (name == "nocase" || name == "binary" || name == "rtrim") {
          out.push_back(word("COLLATE"));
          out.push_back(ns[i]);
        } else {
          throw TranslationError("the collation " + ns[i].tok.text + " is not supported");
        }
        continue;
      }
      bool call = n.tok.kind == Tk::Word && !n.group && i + 1 < ns.size() && ns[i + 1].group;
      if (call && eqi(n.tok.text, "isnull")) {
        out.push_back(word("IFNULL"));
        continue;
      }
      if (isWord(n, "current_timestamp")) {
        out.push_back(word("GETDATE"));
        out.push_back(group({}));
        continue;
      }
      if (call && eqi(n.tok.text, "cast")) {
        append(out, castExpression(ns[i + 1].kids));
        ++i;
        continue;
      }
      if (call && (eqi(n.tok.text, "left") || eqi(n.tok.text, "right")) &&
          !(i > 0 && (isWord(ns[i - 1], "join") || isWord(ns[i - 1], "outer")))) {
        auto args = splitCommas(ns[i + 1].kids, 0, ns[i + 1].kids.size());
        if (args.size() != 2) throw TranslationError(n.tok.text + " takes two arguments");
        const Nodes& k = ns[i + 1].kids;
        Nodes x(k.begin() + args[0].first, k.begin() + args[0].second);
        Nodes len(k.begin() + args[1].first, k.begin() + args[1].second);
        Nodes a = x;
        a.push_back(op(","));
        if (eqi(n.tok.text, "left")) {
          a.push_back(number("1"));
          a.push_back(op(","));
          append(a, len);
        } else {
          a.push_back(op("-"));
          a.push_back(group(len));
        }
        out.push_back(word("SUBSTR"));
        out.push_back(group(std::move(a)));
        ++i;
        continue;
      }
      if (call) {
        for (const char* f : kUnsupportedFunctions)
          if (eqi(n.tok.text, f))
            throw TranslationError("the function " + n.tok.text + " is not supported");
      }
      out.push_back(std::move(n));
    }
    ns = std::move(out);
  }

  // CAST(x AS type) with a SQL Server type.
  Nodes castExpression(const Nodes& kids) {
    size_t as = kids.size();
    for (size_t i = 0; i < kids.size(); ++i)
      if (isWord(kids[i], "as")) as = i;
    if (as == kids.size() || as + 1 >= kids.size() || !isName(kids[as + 1]))
      throw TranslationError("CAST without a target type");
    Nodes x(kids.begin(), kids.begin() + static_cast<long>(as));
    std::string type = lower(kids[as + 1].tok.text);
    std::vector<std::string> params;
    if (as + 2 < kids.size() && kids[as + 2].group)
      for (const Node& p : kids[as + 2].kids)
        if (!isOp(p, ",")) params.push_back(lower(p.tok.text));
    auto cast = [&](const char* to) {
      Nodes g = x;
      g.push_back(word("AS"));
      g.push_back(word(to));
      return Nodes{word("CAST"), group(std::move(g))};
    };
    if (type == "varchar" || type == "char" || type == "nvarchar" || type == "nchar" ||
        type == "text" || type == "ntext" || type == "sysname") {
      if (type == "text" || type == "ntext" || (!params.empty() && params[0] == "max"))
        return cast("TEXT");
      std::string n = params.empty() ? "30" : params[0];
      Nodes g = cast("TEXT");
      g.push_back(op(","));
      g.push_back(number("1"));
      g.push_back(op(","));
      g.push_back(number(n));
      return {word("SUBSTR"), group(std::move(g))};
    }
    if (type == "int" || type == "integer" || type == "smallint" || type == "tinyint" ||
        type == "bigint" || type == "bit")
      return cast("INTEGER");
    if (type == "float" || type == "real") return cast("REAL");
    if (type == "decimal" || type == "numeric" || type == "money" || type == "smallmoney") {
      Nodes c = cast("NUMERIC");
      std::string scale = type == "money" || type == "smallmoney" ? "4" : params.size() > 1 ? params[1] : "";
      if (scale.empty()) return c;
      Nodes g = c;
      g.push_back(op(","));
      g.push_back(number(scale));
      return {word("ROUND"), group(std::move(g))};
    }
    if (type == "datetime" || type == "date" || type == "smalldatetime" || type == "datetime2") {
      Nodes g = x;
      g.push_back(op(","));
      g.push_back(str(tsql::dateOrderName(order_)));
      return {word("TSQL_DATETIME"), group(std::move(g))};
    }
    throw TranslationError("CAST to " + kids[as + 1].tok.text + " is not supported");
  }

  // -- Statements ------------------------------------------------------------------------------

  void statement(Nodes& s, Translation& t) {
    const Node& first = s.front();
    if (isWord(first, "set")) return setOption(s);
    if (isWord(first, "exec") || isWord(first, "execute")) return t.steps.push_back(exec(s));
    if (isWord(first, "select")) {
      if (auto copy = selectInto(s)) return t.steps.push_back(*copy);
      Scopes sc;
      QueryResult q = query(s, 0, s.size(), sc);
      SqlStep step{emit(q.nodes), {}};
      if (!q.star)
        for (const Type& ty : q.itemTypes) step.resultTypes.push_back(hintFor(ty));
      return t.steps.push_back(std::move(step));
    }
    if (isWord(first, "insert")) return t.steps.push_back(SqlStep{emit(insert(s)), {}});
    if (isWord(first, "update")) return t.steps.push_back(SqlStep{emit(update(s)), {}});
    if (isWord(first, "delete")) return t.steps.push_back(SqlStep{emit(remove(s)), {}});
    if (isWord(first, "drop") || isWord(first, "create") || isWord(first, "alter") || isWord(first, "pragma"))
      return t.steps.push_back(SqlStep{emit(s), {}});
    if (isWord(first, "truncate") && s.size() >= 3 && isWord(s[1], "table")) {
      Nodes d{word("DELETE"), word("FROM")};
      d.insert(d.end(), s.begin() + 2, s.end());
      return t.steps.push_back(SqlStep{emit(d), {}});
    }
    if (isWord(first, "begin") || isWord(first, "commit") || isWord(first, "rollback")) {
      bool tran = s.size() == 1 || (s.size() == 2 && (isWord(s[1], "tran") || isWord(s[1], "transaction")));
      if (tran) return t.steps.push_back(SqlStep{lower(first.tok.text) == "begin" ? "BEGIN" : first.tok.text, {}});
    }
    throw TranslationError("the statement beginning with '" + emit(Nodes{first}) + "' is not supported");
  }

  void setOption(const Nodes& s) {
    if (s.size() != 3 || !isName(s[1]) || !isName(s[2]))
      throw TranslationError("the SET statement '" + emit(s) + "' is not supported");
    std::string name = lower(s[1].tok.text), value = lower(s[2].tok.text);
    if (name == "dateformat") {
      auto o = tsql::dateOrderFromName(value);
      if (!o) throw TranslationError("SET DATEFORMAT " + s[2].tok.text + " is not supported");
      order_ = *o;
      return;
    }
    if (name == "nocount" || name == "xact_abort" || name == "ansi_warnings" ||
        name == "concat_null_yields_null" || name == "quoted_identifier" || name == "arithabort")
      return;
    if (name == "ansi_nulls" && value == "on") return;
    throw TranslationError("SET " + s[1].tok.text + " " + s[2].tok.text + " is not supported");
  }

  ProcedureStep exec(const Nodes& s) {
    if (s.size() < 2 || !isName(s[1])) throw TranslationError("EXEC without a procedure name");
    size_t i = 1;
    std::string name = s[i].tok.text;
    while (i + 2 < s.size() && isOp(s[i + 1], ".") && isName(s[i + 2])) {
      i += 2;
      name = s[i].tok.text;
    }
    ProcedureStep p{name, {}};
    if (i + 1 >= s.size()) return p;
    for (auto [b, e] : splitCommas(s, i + 1, s.size())) {
      if (e - b == 1 && isString(s[b])) p.args.push_back(s[b].tok.text);
      else if (e - b == 1 && s[b].tok.kind == Tk::Number && !s[b].group) p.args.push_back(s[b].tok.text);
      else if (e - b == 2 && (isOp(s[b], "-") || isOp(s[b], "+")) && !s[b + 1].group && s[b + 1].tok.kind == Tk::Number)
        p.args.push_back((s[b].tok.text == "-" ? "-" : "") + s[b + 1].tok.text);
      else if (e - b == 1 && isWord(s[b], "null")) p.args.push_back(std::nullopt);
      else if (e - b == 1 && s[b].tok.kind == Tk::Word && !s[b].group) p.args.push_back(s[b].tok.text);
      else throw TranslationError("the argument '" + emit(Nodes(s.begin() + b, s.begin() + e)) + "' of EXEC " + name + " is not a literal value");
    }
    return p;
  }

  // SELECT x.* INTO t FROM s [IN 'file']
  std::optional<CopyTableStep> selectInto(const Nodes& s) {
    size_t into = 0;
    for (size_t i = 1; i < s.size(); ++i) {
      if (isWord(s[i], "into")) {
        into = i;
        break;
      }
      if (isWord(s[i], "from") || isWord(s[i], "union")) return std::nullopt;
    }
    if (!into) return std::nullopt;
    auto fail = [&]() -> std::optional<CopyTableStep> {
      throw TranslationError("SELECT .. INTO is supported only as a copy of a whole table "
                             "(SELECT t.* INTO t FROM t [IN 'file'])");
    };
    bool star = (into == 2 && isOp(s[1], "*")) ||
                (into == 4 && isName(s[1]) && isOp(s[2], ".") && isOp(s[3], "*"));
    if (!star || into + 3 >= s.size() || !isName(s[into + 1]) || !isWord(s[into + 2], "from") ||
        !isName(s[into + 3]))
      return fail();
    CopyTableStep c{s[into + 1].tok.text, s[into + 3].tok.text, ""};
    size_t i = into + 4;
    if (i < s.size()) {
      if (i + 2 == s.size() && isWord(s[i], "in") && isString(s[i + 1])) c.file = s[i + 1].tok.text;
      else return fail();
      if (c.file.empty()) return fail();
    }
    return c;
  }

  // INSERT [INTO] t [(cols)] VALUES (..), (..) | SELECT ..
  Nodes insert(const Nodes& s) {
    size_t i = 1;
    if (i < s.size() && isWord(s[i], "into")) ++i;
    if (i >= s.size() || !isName(s[i])) throw TranslationError("INSERT without a table name");
    std::string tableName = s[i].tok.text;
    Nodes out{word("INSERT"), word("INTO"), s[i]};
    ++i;
    const TableInfo* table = schema_.find(tableName);
    std::vector<Coercion> targets;
    if (i < s.size() && s[i].group) {
      out.push_back(s[i]);
      for (const Node& n : s[i].kids) {
        if (isOp(n, ",")) continue;
        if (!isName(n)) throw TranslationError("unexpected '" + emit(Nodes{n}) + "' in the column list of INSERT");
        targets.push_back(columnCoercion(table, tableName, n.tok.text));
      }
      ++i;
    } else if (table) {
      for (const auto& c : table->columns)
        if (!c.generated) targets.push_back(Coercion{c.name, tableName, typeFromDecl(c.declType)});
    }
    if (i < s.size() && isWord(s[i], "values")) {
      out.push_back(word("VALUES"));
      ++i;
      bool firstRow = true;
      for (; i < s.size(); ++i) {
        if (isOp(s[i], ",") && !firstRow) {
          out.push_back(op(","));
          continue;
        }
        if (!s[i].group) throw TranslationError("unexpected '" + emit(Nodes{s[i]}) + "' after VALUES");
        firstRow = false;
        const Nodes& row = s[i].kids;
        auto parts = splitCommas(row, 0, row.size());
        if (!targets.empty() && parts.size() != targets.size())
          throw TranslationError("INSERT into " + tableName + " gives " + std::to_string(parts.size()) +
                                 " values for " + std::to_string(targets.size()) + " columns");
        Nodes g;
        Scopes sc;
        for (size_t k = 0; k < parts.size(); ++k) {
          if (k) g.push_back(op(","));
          Segment v = single(row, parts[k].first, parts[k].second, sc);
          if (k < targets.size()) coerce(v, targets[k]);
          append(g, std::move(v.nodes));
        }
        out.push_back(group(std::move(g)));
      }
      return out;
    }
    if (i < s.size() && isWord(s[i], "select")) {
      Scopes sc;
      append(out, query(s, i, s.size(), sc).nodes);
      return out;
    }
    if (i + 1 < s.size() && isWord(s[i], "default") && isWord(s[i + 1], "values")) {
      out.insert(out.end(), s.begin() + static_cast<long>(i), s.end());
      return out;
    }
    throw TranslationError("INSERT without VALUES or SELECT");
  }

  Coercion columnCoercion(const TableInfo* table, std::string_view tableName, std::string_view col) {
    Coercion c{col, tableName, {}};
    if (table)
      for (const auto& ci : table->columns)
        if (eqi(ci.name, col)) c.type = typeFromDecl(ci.declType);
    return c;
  }

  // A string literal written into a typed column: SQL Server converts it.
  void coerce(Segment& v, const Coercion& target) {
    if (!v.literal) return;
    std::string& text = v.nodes.front().tok.text;
    switch (target.type.cat) {
      case Cat::Date: {
        auto iso = tsql::normalizeDate(text, order_);
        if (!iso)
          throw TranslationError("Conversion failed when converting date and/or time from character "
                                 "string '" + text + "' for " + target.what());
        text = *iso;
        break;
      }
      case Cat::Int: case Cat::Bool: case Cat::Float: case Cat::Decimal: {
        std::string t = text;
        t.erase(0, t.find_first_not_of(' '));
        t.erase(t.find_last_not_of(' ') + 1);
        if (target.type.cat == Cat::Bool && (eqi(t, "true") || eqi(t, "false"))) t = eqi(t, "true") ? "1" : "0";
        if (t.empty() && target.type.cat != Cat::Decimal) t = "0";
        bool ok = !t.empty();
        size_t k = (t[0] == '-' || t[0] == '+') ? 1 : 0;
        bool digits = false, dot = false;
        for (; ok && k < t.size(); ++k) {
          if (std::isdigit(static_cast<unsigned char>(t[k]))) digits = true;
          else if (t[k] == '.' && !dot && target.type.cat != Cat::Int && target.type.cat != Cat::Bool) dot = true;
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
      default:
        break;
    }
  }

  // UPDATE target SET .. [FROM ..] [WHERE ..]
  Nodes update(const Nodes& s) {
    if (s.size() < 4 || !isName(s[1])) throw TranslationError("UPDATE without a table name");
    if (isWord(s[1], "top")) throw TranslationError("UPDATE TOP is not supported");
    std::string target = s[1].tok.text;
    size_t i = 2;
    if (i < s.size() && isWord(s[i], "with") && i + 1 < s.size() && s[i + 1].group) i += 2;  // table hints
    if (i >= s.size() || !isWord(s[i], "set")) throw TranslationError("UPDATE without SET");
    size_t set = i, from = 0, where = 0;
    for (size_t k = set + 1; k < s.size(); ++k) {
      if (!from && !where && isWord(s[k], "from")) from = k;
      else if (!where && isWord(s[k], "where")) where = k;
      else if (isWord(s[k], "output")) throw TranslationError("UPDATE .. OUTPUT is not supported");
    }
    size_t setEnd = from ? from : where ? where : s.size();
    size_t fromEnd = where ? where : s.size();
    const TableInfo* table = schema_.find(target);

    struct Assignment {
      std::string column;
      size_t b, e;
    };
    std::vector<Assignment> assigns;
    for (auto [b, e] : splitCommas(s, set + 1, setEnd)) {
      size_t eq = b;
      while (eq < e && !isOp(s[eq], "=")) ++eq;
      if (eq == e) throw TranslationError("UPDATE assignment without '='");
      if (eq - b == 1 && isName(s[b])) assigns.push_back({s[b].tok.text, eq + 1, e});
      else if (eq - b == 3 && isName(s[b]) && isOp(s[b + 1], ".") && isName(s[b + 2]))
        assigns.push_back({s[b + 2].tok.text, eq + 1, e});
      else throw TranslationError("UPDATE assignment to '" + emit(Nodes(s.begin() + b, s.begin() + eq)) + "' is not supported");
    }
    auto assignValue = [&](const Assignment& a, Scopes& sc) {
      Segment v = single(s, a.b, a.e, sc);
      coerce(v, columnCoercion(table, target, a.column));
      return v;
    };

    // The SET list, each value given by value(assignment).
    auto setList = [&](Nodes& out, auto&& value) {
      out.push_back(word("SET"));
      for (size_t k = 0; k < assigns.size(); ++k) {
        if (k) out.push_back(op(","));
        out.push_back(quoted(assigns[k].column));
        out.push_back(op("="));
        append(out, value(assigns[k]));
      }
    };

    Scopes sc;
    Nodes out{word("UPDATE")};
    std::optional<FromClause> fc;
    const Source* match = nullptr;
    if (from) {
      fc = parseFrom(s, from + 1, fromEnd, sc);
      match = findTarget(fc->frame, target);
    }
    if (!match) {
      // No FROM, or a FROM that does not name the target: SQLite's UPDATE .. FROM means the same.
      Frame f = fc ? fc->frame : Frame{};
      f.sources.insert(f.sources.begin(), tableSource(target, target, false));
      sc.push_back(std::move(f));
      out.push_back(s[1]);
      setList(out, [&](const Assignment& a) { return assignValue(a, sc).nodes; });
      if (fc) {
        out.push_back(word("FROM"));
        append(out, emitFrom(s, *fc, sc));
      }
      if (where) {
        out.push_back(word("WHERE"));
        append(out, expr(s, where + 1, s.size(), sc));
      }
      return out;
    }
    if (match->table.empty() || match->view)
      throw TranslationError("UPDATE of " + target + ", which is not a table, is not supported");
    // The target is one of the joined tables: update the rows of it that the join finds.
    const std::string kOuter = "korvanda_target";
    sc.push_back(fc->frame);
    Nodes joins = emitFrom(s, *fc, sc);
    Nodes cond;
    if (where) cond = expr(s, where + 1, s.size(), sc);
    Nodes rowidOfMatch{quoted(match->alias), op("."), word("rowid")};
    out.push_back(quoted(match->table));
    out.push_back(word("AS"));
    out.push_back(quoted(kOuter));
    setList(out, [&](const Assignment& a) {
      Segment v = assignValue(a, sc);
      if (!referencesColumns(s, a.b, a.e)) return std::move(v.nodes);
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
      sub.push_back(op("="));
      sub.push_back(quoted(kOuter));
      sub.push_back(op("."));
      sub.push_back(word("rowid"));
      sub.push_back(word("LIMIT"));
      sub.push_back(number("1"));
      return Nodes{group(std::move(sub))};
    });
    sc.pop_back();
    out.push_back(word("WHERE"));
    out.push_back(quoted(kOuter));
    out.push_back(op("."));
    out.push_back(word("rowid"));
    out.push_back(word("IN"));
    Nodes sub{word("SELECT")};
    append(sub, rowidOfMatch);
    sub.push_back(word("FROM"));
    append(sub, joins);
    if (!cond.empty()) {
      sub.push_back(word("WHERE"));
      append(sub, cond);
    }
    out.push_back(group(std::move(sub)));
    return out;
  }

  // DELETE [FROM] target [FROM ..] [WHERE ..]
  Nodes remove(const Nodes& s) {
    size_t i = 1;
    if (i < s.size() && isWord(s[i], "from")) ++i;
    if (i >= s.size() || !isName(s[i])) throw TranslationError("DELETE without a table name");
    std::string target = s[i].tok.text;
    Node targetNode = s[i];
    ++i;
    size_t from = 0, where = 0;
    for (size_t k = i; k < s.size(); ++k) {
      if (!from && !where && isWord(s[k], "from")) from = k;
      else if (!where && isWord(s[k], "where")) where = k;
    }
    if ((from && from != i) || (!from && where && where != i) || (!from && !where && i != s.size()))
      throw TranslationError("unexpected '" + emit(Nodes{s[i]}) + "' after DELETE " + target);
    Scopes sc;
    Nodes out{word("DELETE"), word("FROM")};
    if (!from) {
      sc.push_back(Frame{{tableSource(target, target, false)}});
      out.push_back(targetNode);
      if (where) {
        out.push_back(word("WHERE"));
        append(out, expr(s, where + 1, s.size(), sc));
      }
      return out;
    }
    size_t fromEnd = where ? where : s.size();
    FromClause fc = parseFrom(s, from + 1, fromEnd, sc);
    const Source* match = findTarget(fc.frame, target);
    if (match && (match->table.empty() || match->view))
      throw TranslationError("DELETE from " + target + ", which is not a table, is not supported");
    if (!match) sc.push_back(Frame{{tableSource(target, target, false)}});
    sc.push_back(fc.frame);
    Nodes joins = emitFrom(s, fc, sc);
    Nodes cond;
    if (where) cond = expr(s, where + 1, s.size(), sc);
    Nodes sub{word("SELECT")};
    if (match) {
      out.push_back(quoted(match->table));
      out.push_back(word("WHERE"));
      out.push_back(word("rowid"));
      out.push_back(word("IN"));
      sub.push_back(quoted(match->alias));
      sub.push_back(op("."));
      sub.push_back(word("rowid"));
    } else {
      out.push_back(targetNode);
      out.push_back(word("WHERE"));
      out.push_back(word("EXISTS"));
      sub.push_back(number("1"));
    }
    sub.push_back(word("FROM"));
    append(sub, joins);
    if (!cond.empty()) {
      sub.push_back(word("WHERE"));
      append(sub, cond);
    }
    out.push_back(group(std::move(sub)));
    return out;
  }

  // Whether an expression reads any column (or runs a subquery).
  static bool referencesColumns(const Nodes& s, size_t b, size_t e) {
    for (size_t i = b; i < e; ++i) {
      const Node& n = s[i];
      if (n.group) {
        if (!n.kids.empty() && isWord(n.kids.front(), "select")) return true;
        if (referencesColumns(n.kids, 0, n.kids.size())) return true;
        continue;
      }
      bool call = i + 1 < e && s[i + 1].group;
      if (n.tok.kind == Tk::Quoted) return true;
      if (n.tok.kind == Tk::Word && !call && !isKeyword(n.tok.text)) return true;
    }
    return false;
  }

  static const Source* findTarget(const Frame& f, const std::string& target) {
    for (const Source& src : f.sources)
      if (eqi(src.alias, target)) return &src;
    const Source* found = nullptr;
    for (const Source& src : f.sources) {
      if (!src.table.empty() && eqi(src.table, target)) {
        if (found) throw TranslationError("the target " + target + " is joined more than once; name it by its alias");
        found = &src;
      }
    }
    return found;
  }

  Source tableSource(const std::string& table, const std::string& alias, bool aliased) {
    Source src{alias, table, aliased, false, {}};
    if (const TableInfo* t = schema_.find(table)) {
      src.view = t->view;
      for (const auto& c : t->columns) src.columns.push_back({c.name, typeFromDecl(c.declType)});
    }
    return src;
  }

  // -- FROM clauses ----------------------------------------------------------------------------

  FromClause parseFrom(const Nodes& s, size_t b, size_t e, Scopes& sc) {
    FromClause fc{b, e, {}, {}, {}, {}};
    size_t i = b;
    auto joinWord = [&](const Node& n) {
      return isWord(n, "inner") || isWord(n, "left") || isWord(n, "right") || isWord(n, "full") ||
             isWord(n, "cross") || isWord(n, "join") || isWord(n, "outer");
    };
    while (i < e) {
      Source src;
      if (s[i].group) {
        const Nodes& k = s[i].kids;
        if (k.empty() || !isWord(k.front(), "select")) throw TranslationError("a parenthesised join is not supported");
        QueryResult q = query(k, 0, k.size(), sc);
        fc.derived.push_back({i, group(q.nodes).kids});
        for (size_t c = 0; c < q.itemNames.size(); ++c) src.columns.push_back({q.itemNames[c], q.itemTypes[c]});
        ++i;
      } else if (isName(s[i])) {
        size_t j = i;
        while (j + 2 < e && isOp(s[j + 1], ".") && isName(s[j + 2])) j += 2;
        src = tableSource(s[j].tok.text, s[j].tok.text, false);
        i = j + 1;
        if (i + 1 < e && isWord(s[i], "in") && isString(s[i + 1]))
          throw TranslationError("FROM .. IN 'file' is supported only in SELECT t.* INTO t FROM t IN 'file'");
      } else {
        throw TranslationError("unexpected '" + emit(Nodes{s[i]}) + "' in FROM");
      }
      if (i < e && isWord(s[i], "as")) ++i;
      if (i < e && isName(s[i]) && !(s[i].tok.kind == Tk::Word && isKeyword(s[i].tok.text))) {
        src.alias = s[i].tok.text;
        src.aliased = true;
        ++i;
      } else if (src.table.empty()) {
        throw TranslationError("a derived table needs an alias");
      }
      if (i + 1 < e && isWord(s[i], "with") && s[i + 1].group) {
        fc.dropped.push_back(i);
        fc.dropped.push_back(i + 1);
        i += 2;
      }
      fc.frame.sources.push_back(std::move(src));
      if (i < e && isWord(s[i], "on")) {
        size_t c = i + 1;
        while (c < e && !joinWord(s[c]) && !isOp(s[c], ",")) ++c;
        // An empty condition would leave the FROM clause's writer where it stands, for ever.
        if (c == i + 1) throw TranslationError("ON without a condition in FROM");
        fc.conditions.push_back({i + 1, c});
        i = c;
      }
      if (i < e && isOp(s[i], ",")) {
        ++i;
        continue;
      }
      if (i < e && joinWord(s[i])) {
        if (isWord(s[i], "cross") && i + 1 < e && isWord(s[i + 1], "apply"))
          throw TranslationError("CROSS APPLY is not supported");
        while (i < e && joinWord(s[i]) && !isWord(s[i], "join")) ++i;
        if (i >= e || !isWord(s[i], "join")) throw TranslationError("JOIN expected in FROM");
        ++i;
        continue;
      }
      if (i < e) throw TranslationError("unexpected '" + emit(Nodes{s[i]}) + "' in FROM");
    }
    return fc;
  }

  // The FROM clause with its ON conditions and derived tables translated.
  Nodes emitFrom(const Nodes& s, const FromClause& fc, Scopes& sc) {
    Nodes out;
    size_t i = fc.b;
    while (i < fc.e) {
      if (std::find(fc.dropped.begin(), fc.dropped.end(), i) != fc.dropped.end()) {
        ++i;
        continue;
      }
      auto d = std::find_if(fc.derived.begin(), fc.derived.end(), [&](const auto& p) { return p.first == i; });
      if (d != fc.derived.end()) {
        out.push_back(group(d->second));
        ++i;
        continue;
      }
      auto c = std::find_if(fc.conditions.begin(), fc.conditions.end(), [&](const auto& p) { return p.first == i; });
      if (c != fc.conditions.end()) {
        append(out, expr(s, c->first, c->second, sc));
        i = c->second;
        continue;
      }
      out.push_back(s[i]);
      ++i;
    }
    return out;
  }

  // -- Queries ---------------------------------------------------------------------------------

  QueryResult query(const Nodes& s, size_t b, size_t e, Scopes& sc) {
    ++depth_;
    struct Leave {
      int& d;
      ~Leave() { --d; }
    } leave{depth_};
    // Members of a compound select.
    std::vector<std::pair<size_t, size_t>> members;
    std::vector<Nodes> joiners;
    size_t start = b;
    for (size_t i = b; i < e; ++i) {
      if (isWord(s[i], "union") || isWord(s[i], "except") || isWord(s[i], "intersect")) {
        members.push_back({start, i});
        Nodes j{s[i]};
        size_t k = i + 1;
        if (k < e && isWord(s[k], "all")) j.push_back(s[k++]);
        joiners.push_back(std::move(j));
        start = k;
        i = k - 1;
      }
    }
    members.push_back({start, e});
    QueryResult result;
    for (size_t m = 0; m < members.size(); ++m) {
      if (m) append(result.nodes, joiners[m - 1]);
      QueryResult r = selectMember(s, members[m].first, members[m].second, sc, members.size() > 1);
      append(result.nodes, r.nodes);
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

  QueryResult selectMember(const Nodes& s, size_t b, size_t e, Scopes& sc, bool compound) {
    if (b >= e || !isWord(s[b], "select"))
      throw TranslationError("SELECT expected near '" + (b < e ? emit(Nodes{s[b]}) : std::string("end")) + "'");
    QueryResult r;
    r.nodes.push_back(word("SELECT"));
    size_t i = b + 1;
    Nodes limit;
    auto top = [&] {
      if (i < e && isWord(s[i], "top")) {
        if (i + 1 >= e) throw TranslationError("TOP without a number");
        limit.push_back(s[i + 1]);
        i += 2;
        if (i < e && (isWord(s[i], "percent") || isWord(s[i], "with")))
          throw TranslationError("TOP .. " + s[i].tok.text + " is not supported");
      }
    };
    top();
    // Rows that differ only by letter case or trailing blanks are one row to SQL Server.
    bool distinct = compound || (i < e && isWord(s[i], "distinct"));
    if (i < e && (isWord(s[i], "distinct") || isWord(s[i], "all"))) r.nodes.push_back(s[i++]);
    top();
    if (!limit.empty() && compound) throw TranslationError("TOP inside UNION is not supported");
    // Clauses at depth 0.
    size_t from = 0, where = 0, groupBy = 0, having = 0, orderBy = 0;
    for (size_t k = i; k < e; ++k) {
      if (isWord(s[k], "into")) throw TranslationError("SELECT .. INTO is supported only as a copy of a whole table");
      if (!from && !where && isWord(s[k], "from")) from = k;
      else if (!where && !groupBy && !orderBy && isWord(s[k], "where")) where = k;
      else if (!groupBy && !orderBy && isWord(s[k], "group") && k + 1 < e && isWord(s[k + 1], "by")) groupBy = k;
      else if (!having && !orderBy && isWord(s[k], "having")) having = k;
      else if (!orderBy && isWord(s[k], "order") && k + 1 < e && isWord(s[k + 1], "by")) orderBy = k;
    }
    auto next = [&](size_t after) {
      size_t best = e;
      for (size_t c : {from, where, groupBy, having, orderBy})
        if (c > after && c < best) best = c;
      return best;
    };
    size_t listEnd = next(i - 1);
    if (listEnd == i) throw TranslationError("SELECT without a column list");
    FromClause fc;
    if (from) fc = parseFrom(s, from + 1, next(from), sc);
    sc.push_back(fc.frame);
    // Select list.
    bool firstItem = true;
    for (auto [ib, ie] : splitCommas(s, i, listEnd)) {
      if (!firstItem) r.nodes.push_back(op(","));
      firstItem = false;
      selectItem(s, ib, ie, sc, r, distinct);
    }
    if (from) {
      r.nodes.push_back(word("FROM"));
      append(r.nodes, emitFrom(s, fc, sc));
    }
    if (where) {
      r.nodes.push_back(word("WHERE"));
      append(r.nodes, expr(s, where + 1, next(where), sc));
    }
    if (groupBy) {
      r.nodes.push_back(word("GROUP"));
      r.nodes.push_back(word("BY"));
      append(r.nodes, sortList(s, groupBy + 2, next(groupBy), sc, r));
    }
    if (having) {
      r.nodes.push_back(word("HAVING"));
      append(r.nodes, expr(s, having + 1, next(having), sc));
    }
    if (orderBy) {
      r.nodes.push_back(word("ORDER"));
      r.nodes.push_back(word("BY"));
      append(r.nodes, sortList(s, orderBy + 2, e, sc, r));
    }
    sc.pop_back();
    if (!limit.empty()) {
      r.nodes.push_back(word("LIMIT"));
      append(r.nodes, limit);
    }
    return r;
  }

  void selectItem(const Nodes& s, size_t b, size_t e, Scopes& sc, QueryResult& r, bool distinct) {
    if (b == e) throw TranslationError("empty item in a select list");
    // Stars.
    if (e - b == 1 && isOp(s[b], "*")) {
      r.star = true;
      r.nodes.push_back(s[b]);
      return;
    }
    if (e - b == 3 && isName(s[b]) && isOp(s[b + 1], ".") && isOp(s[b + 2], "*")) {
      r.star = true;
      r.nodes.insert(r.nodes.end(), s.begin() + static_cast<long>(b), s.begin() + static_cast<long>(e));
      return;
    }
    // Alias.
    std::optional<Node> alias;
    size_t exprEnd = e;
    if (e - b >= 3 && isName(s[b]) && isOp(s[b + 1], "=")) {
      // T-SQL's "alias = expression".
      alias = s[b];
      b += 2;
    } else if (e - b >= 3 && isWord(s[e - 2], "as") && (isName(s[e - 1]) || isString(s[e - 1]))) {
      alias = s[e - 1];
      exprEnd = e - 2;
    } else if (e - b >= 2 && isName(s[e - 1]) && !(s[e - 1].tok.kind == Tk::Word && isKeyword(s[e - 1].tok.text)) &&
               !isOp(s[e - 2], ".") && !isWord(s[e - 2], "collate") &&
               !(s[e - 2].tok.kind == Tk::Op && !s[e - 2].group)) {
      alias = s[e - 1];
      exprEnd = e - 1;
    }
    Segment v = single(s, b, exprEnd, sc);
    bool computedText = v.type.cat == Cat::Text && mayBeText(v);
    if (computedText && distinct) collate(v);
    append(r.nodes, v.nodes);
    r.itemTypes.push_back(v.type);
    std::string name;
    if (alias) {
      name = alias->tok.text;
      if (computedText) r.textAliases.push_back(name);
      r.nodes.push_back(word("AS"));
      r.nodes.push_back(quoted(name));
    } else if (exprEnd - b == 1 && isName(s[b])) {
      name = s[b].tok.text;
    } else if (exprEnd - b >= 3 && isName(s[exprEnd - 1]) && isOp(s[exprEnd - 2], ".")) {
      bool plain = true;
      for (size_t k = b; k < exprEnd; ++k)
        if (!(isName(s[k]) || isOp(s[k], "."))) plain = false;
      if (plain) name = s[exprEnd - 1].tok.text;
    }
    if (!alias && name.empty() && depth_ == 1) {
      // SQL Server leaves a computed column without a name.
      r.nodes.push_back(word("AS"));
      r.nodes.push_back(quoted(""));
    }
    r.itemNames.push_back(name);
  }

  // GROUP BY and ORDER BY items: a text that is not a column groups and sorts by SQL Server's
  // rules too, also when named by the alias of a select item.
  Nodes sortList(const Nodes& s, size_t b, size_t e, Scopes& sc, const QueryResult& r) {
    Nodes out;
    for (auto [pb, pe] : splitCommas(s, b, e)) {
      if (!out.empty()) out.push_back(op(","));
      std::vector<Segment> segs = segments(s, pb, pe, sc);
      if (segs.empty()) throw TranslationError("an empty item in GROUP BY or ORDER BY");
      Segment& item = segs.front();
      bool aliasOfText = item.chain && item.nodes.size() == 1 && isName(item.nodes[0]) &&
                         item.type.cat == Cat::Unknown &&
                         std::any_of(r.textAliases.begin(), r.textAliases.end(),
                                     [&](const std::string& a) { return eqi(a, item.nodes[0].tok.text); });
      if (aliasOfText || (item.type.cat == Cat::Text && mayBeText(item))) collate(item);
      for (Segment& seg : segs) append(out, std::move(seg.nodes));
    }
    return out;
  }

  Nodes list(const Nodes& s, size_t b, size_t e, Scopes& sc) {
    Nodes out;
    bool first = true;
    for (auto [pb, pe] : splitCommas(s, b, e)) {
      if (!first) out.push_back(op(","));
      first = false;
      append(out, expr(s, pb, pe, sc));
    }
    return out;
  }

  // -- Expressions -----------------------------------------------------------------------------

  Nodes expr(const Nodes& s, size_t b, size_t e, Scopes& sc) {
    Nodes out;
    for (auto& seg : segments(s, b, e, sc)) append(out, seg.nodes);
    return out;
  }

  // A whole expression as one segment, with its type when it is one chain.
  Segment single(const Nodes& s, size_t b, size_t e, Scopes& sc) {
    auto segs = segments(s, b, e, sc);
    if (segs.size() == 1 && segs[0].chain) return std::move(segs[0]);
    Segment r;
    r.chain = true;
    for (auto& seg : segs) append(r.nodes, std::move(seg.nodes));
    // CASE, NOT, comparisons: a boolean or the type of a CASE when that is all there is.
    return r;
  }

  std::vector<Segment> segments(const Nodes& s, size_t b, size_t e, Scopes& sc) {
    std::vector<Segment> segs;
    size_t i = b;
    while (i < e) {
      size_t t = termEnd(s, i, e);
      if (t == i) {
        Segment sg;
        sg.nodes.push_back(s[i]);
        segs.push_back(std::move(sg));
        ++i;
        continue;
      }
      std::vector<std::pair<size_t, size_t>> terms{{i, t}};
      std::vector<std::string> ops;
      size_t j = t;
      while (j < e && (isOp(s[j], "+") || isOp(s[j], "-"))) {
        if (j + 1 == e)
          throw TranslationError("'" + s[j].tok.text + "' without a value after it, at character " +
                                 std::to_string(s[j].tok.begin + 1));
        size_t t2 = termEnd(s, j + 1, e);
        if (t2 == j + 1) break;
        ops.push_back(s[j].tok.text);
        terms.push_back({j + 1, t2});
        j = t2;
      }
      segs.push_back(chain(s, terms, ops, sc));
      i = j;
    }
    comparisons(segs);
    return segs;
  }

  // End of the term that starts at i (i when there is none).
  size_t termEnd(const Nodes& s, size_t i, size_t e) {
    size_t j = i;
    while (j < e && (isOp(s[j], "-") || isOp(s[j], "+") || isOp(s[j], "~"))) ++j;
    size_t k = primaryEnd(s, j, e);
    if (k == j) return i;
    auto postfix = [&] {
      while (k + 1 < e && isWord(s[k], "collate")) k += 2;
    };
    postfix();
    while (k < e && (isOp(s[k], "*") || isOp(s[k], "/") || isOp(s[k], "%"))) {
      size_t m = k + 1;
      while (m < e && (isOp(s[m], "-") || isOp(s[m], "+"))) ++m;
      size_t p = primaryEnd(s, m, e);
      if (p == m) break;
      k = p;
      postfix();
    }
    return k;
  }

  size_t primaryEnd(const Nodes& s, size_t i, size_t e) {
    if (i >= e) return i;
    const Node& n = s[i];
    if (n.group) return i + 1;
    switch (n.tok.kind) {
      case Tk::String:
      case Tk::Number:
        return i + 1;
      case Tk::Word:
        if (eqi(n.tok.text, "case")) return caseEnd(s, i, e) + 1;
        if (eqi(n.tok.text, "null")) return i + 1;
        if (isKeyword(n.tok.text)) return i;
        [[fallthrough]];
      case Tk::Quoted: {
        size_t j = i + 1;
        while (j + 1 < e && isOp(s[j], ".") && isName(s[j + 1])) j += 2;
        if (j < e && s[j].group) ++j;
        return j;
      }
      default:
        return i;
    }
  }

  // Index of the END of the CASE at i.
  static size_t caseEnd(const Nodes& s, size_t i, size_t e) {
    int depth = 0;
    for (size_t k = i; k < e; ++k) {
      if (isWord(s[k], "case")) ++depth;
      else if (isWord(s[k], "end") && --depth == 0) return k;
    }
    throw TranslationError("CASE without END");
  }

  struct Term {
    Nodes nodes;
    Type type;
    bool literal = false;
    bool column = false;   // only a column name
    bool collate = false;  // has an explicit COLLATE
  };

  Term term(const Nodes& s, size_t b, size_t e, Scopes& sc) {
    Term t;
    bool firstPrimary = true, multiplied = false, anyOp = false, onlyName = false;
    size_t i = b;
    while (i < e) {
      const Node& n = s[i];
      if (isOp(n, "*") || isOp(n, "/") || isOp(n, "%")) multiplied = true;
      if (!n.group && n.tok.kind == Tk::Op) {
        anyOp = true;
        t.nodes.push_back(n);
        ++i;
        continue;
      }
      if (isWord(n, "collate")) {
        t.collate = true;
        t.nodes.push_back(n);
        t.nodes.push_back(s[i + 1]);
        i += 2;
        continue;
      }
      Type pt;
      size_t pe = primaryEnd(s, i, e);
      if (n.group) {
        Node g = n;
        pt = groupNode(g, sc);
        t.nodes.push_back(std::move(g));
      } else if (isWord(n, "case")) {
        pt = caseExpr(s, i, pe - 1, sc, t.nodes);
      } else if (n.tok.kind == Tk::String) {
        pt = textType(static_cast<int>(n.tok.text.size()));
        t.nodes.push_back(n);
        t.literal = pe == e && i == b;
      } else if (n.tok.kind == Tk::Number) {
        bool frac = n.tok.text.find_first_of(".eE") != std::string::npos;
        pt = frac ? Type{Cat::Decimal, ""} : Type{Cat::Int, "INT"};
        t.nodes.push_back(n);
      } else if (isWord(n, "null")) {
        pt = Type{Cat::Null, ""};
        t.nodes.push_back(n);
      } else {
        // Name, qualified name or function call.
        bool call = pe > i && s[pe - 1].group;
        size_t nameEnd = call ? pe - 1 : pe;
        t.nodes.insert(t.nodes.end(), s.begin() + static_cast<long>(i), s.begin() + static_cast<long>(nameEnd));
        if (call) {
          Node g = s[pe - 1];
          std::vector<Type> args = callArguments(g, sc, s[nameEnd - 1].tok.text);
          pt = functionType(s[nameEnd - 1].tok.text, args, g);
          t.nodes.push_back(std::move(g));
        } else {
          pt = columnType(sc, nameEnd - i >= 3 ? std::string_view(s[nameEnd - 3].tok.text) : std::string_view(),
                          s[nameEnd - 1].tok.text);
          onlyName = firstPrimary;
        }
      }
      if (firstPrimary) t.type = pt;
      else if (multiplied && isNumeric(pt.cat) && t.type.cat == Cat::Int && pt.cat != Cat::Int) t.type = pt;
      firstPrimary = false;
      i = pe;
    }
    if (multiplied && !isNumeric(t.type.cat)) t.type = Type{};
    if (multiplied) t.literal = false;
    t.column = onlyName && !anyOp && !multiplied && primaryEnd(s, b, e) == e;
    return t;
  }

  // A parenthesised group: a subquery, an expression, or a list.
  Type groupNode(Node& g, Scopes& sc) {
    Nodes& k = g.kids;
    if (!k.empty() && isWord(k.front(), "select")) {
      QueryResult q = query(k, 0, k.size(), sc);
      k = std::move(q.nodes);
      return q.itemTypes.size() == 1 ? q.itemTypes[0] : Type{};
    }
    auto parts = splitCommas(k, 0, k.size());
    if (parts.size() == 1) {
      Segment seg = single(k, 0, k.size(), sc);
      k = std::move(seg.nodes);
      return seg.type;
    }
    k = list(k, 0, k.size(), sc);
    return Type{};
  }

  std::vector<Type> callArguments(Node& g, Scopes& sc, std::string_view function) {
    // MIN and MAX order their argument: a computed text takes the database's collation.
    const bool ordering = eqi(function, "min") || eqi(function, "max");
    std::vector<Type> types;
    Nodes& k = g.kids;
    if (!k.empty() && isWord(k.front(), "select")) {
      groupNode(g, sc);
      return types;
    }
    Nodes out;
    bool first = true;
    for (auto [b, e] : splitCommas(k, 0, k.size())) {
      if (!first) out.push_back(op(","));
      first = false;
      // CAST's "x AS TYPE" and COUNT(DISTINCT x) keep their words.
      if (e - b > 1 && isWord(k[b], "distinct")) {
        out.push_back(k[b++]);
        Segment seg = single(k, b, e, sc);
        if (seg.type.cat == Cat::Text && mayBeText(seg)) collate(seg);
        types.push_back(seg.type);
        append(out, seg.nodes);
        continue;
      }
      Segment seg = single(k, b, e, sc);
      if (ordering && seg.type.cat == Cat::Text && mayBeText(seg)) collate(seg);
      types.push_back(seg.type);
      append(out, seg.nodes);
    }
    k = std::move(out);
    return types;
  }

  [[gnu::noinline]] static Type functionType(const std::string& name, const std::vector<Type>& args, const Node& g) {
    std::string f = lower(name);
    auto arg0 = [&] { return args.empty() ? Type{} : args[0]; };
    if (f == "len" || f == "year" || f == "month" || f == "day" || f == "count" || f == "length")
      return Type{Cat::Int, "INT"};
    if (f == "getdate" || f == "obtenfechafinmes" || f == "tsql_datetime") return Type{Cat::Date, "DATETIME"};
    if (f == "getcoordenadasformatoc") return Type{Cat::Text, "VARCHAR(250)"};
    if (f == "cast") {
      const Nodes& k = g.kids;
      std::string to = k.empty() ? "" : lower(k.back().tok.text);
      if (to == "text") return Type{Cat::Text, "VARCHAR(30)"};
      if (to == "integer") return Type{Cat::Int, "INT"};
      if (to == "real") return Type{Cat::Float, "FLOAT"};
      if (to == "numeric") return Type{Cat::Decimal, ""};
      return Type{};
    }
    if (f == "substr" || f == "substring") {
      Type t = arg0();
      if (t.cat != Cat::Text) t = Type{Cat::Text, ""};
      const Nodes& k = g.kids;
      if (k.size() >= 5 && !k.back().group && k.back().tok.kind == Tk::Number && isOp(k[k.size() - 2], ","))
        t = textType(std::atoi(k.back().tok.text.c_str()));
      return t;
    }
    if (f == "upper" || f == "lower" || f == "ltrim" || f == "rtrim" || f == "trim" || f == "replace") {
      Type t = arg0();
      return t.cat == Cat::Text ? t : Type{Cat::Text, ""};
    }
    if (f == "min" || f == "max" || f == "ifnull" || f == "coalesce" || f == "abs" || f == "round" || f == "sum")
      return arg0();
    if (f == "avg") return Type{Cat::Float, "FLOAT"};
    return Type{};
  }

  [[gnu::noinline]] static Type columnType(const Scopes& sc, std::string_view qualifier, std::string_view column) {
    for (auto f = sc.rbegin(); f != sc.rend(); ++f) {
      for (const Source& src : f->sources) {
        if (!qualifier.empty() && !eqi(src.alias, qualifier)) continue;
        for (const auto& [name, type] : src.columns)
          if (eqi(name, column)) return type;
        if (!qualifier.empty()) return Type{};
      }
    }
    return Type{};
  }

  // CASE .. END: its parts translated, its type that of its first typed result.
  Type caseExpr(const Nodes& s, size_t b, size_t end, Scopes& sc, Nodes& out) {
    out.push_back(s[b]);
    Type result;
    size_t start = b + 1;
    bool resultPart = false;
    bool base = true;  // CASE x WHEN ..: x is compared with each WHEN value
    auto flush = [&](size_t stop) {
      if (stop > start) {
        Segment seg = single(s, start, stop, sc);
        if (base && seg.type.cat == Cat::Text && mayBeText(seg)) collate(seg);
        if (resultPart && (result.cat == Cat::Unknown || result.cat == Cat::Null)) result = seg.type;
        append(out, seg.nodes);
      }
    };
    for (size_t k = b + 1; k < end; ++k) {
      if (isWord(s[k], "case")) {
        k = caseEnd(s, k, end);
        continue;
      }
      if (isWord(s[k], "when") || isWord(s[k], "then") || isWord(s[k], "else")) {
        flush(k);
        base = false;
        out.push_back(s[k]);
        resultPart = isWord(s[k], "then") || isWord(s[k], "else");
        start = k + 1;
      }
    }
    flush(end);
    out.push_back(s[end]);
    return result;
  }

  Segment chain(const Nodes& s, const std::vector<std::pair<size_t, size_t>>& ranges,
                const std::vector<std::string>& ops, Scopes& sc) {
    std::vector<Term> terms;
    for (auto [b, e] : ranges) terms.push_back(term(s, b, e, sc));
    return combine(std::move(terms), ops, s[ranges[0].first].tok.begin);
  }

  // The terms of a chain joined by their operators. Kept out of line: chain() recurses, and its
  // frame should not carry the locals of this.
  [[gnu::noinline]] Segment combine(std::vector<Term> terms, const std::vector<std::string>& ops,
                                    size_t position) {
    Segment seg;
    seg.chain = true;
    if (ops.empty()) {
      seg.nodes = std::move(terms[0].nodes);
      seg.type = terms[0].type;
      seg.literal = terms[0].literal;
      seg.collated = terms[0].column || terms[0].collate;
      return seg;
    }
    seg.collated = std::any_of(terms.begin(), terms.end(), [](const Term& t) { return t.collate; });
    bool anyText = false, allText = true, anyDate = false, allKnown = true, anyPlus = false;
    for (const Term& t : terms) {
      anyText |= t.type.cat == Cat::Text;
      allText &= t.type.cat == Cat::Text || t.type.cat == Cat::Null;
      anyDate |= t.type.cat == Cat::Date;
      allKnown &= isNumeric(t.type.cat) || t.type.cat == Cat::Null;
    }
    for (const auto& o : ops) anyPlus |= o == "+";
    auto wrapped = [](Term& t) { return t.nodes.size() > 1 ? Nodes{group(std::move(t.nodes))} : std::move(t.nodes); };
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
      for (const Term& t : terms) {
        if (t.type.cat == Cat::Decimal && result.cat != Cat::Decimal) result = t.type;
        else if (t.type.cat == Cat::Float && result.cat == Cat::Int) result = t.type;
        else if (result.cat == Cat::Null) result = t.type;
      }
      for (size_t k = 0; k < terms.size(); ++k) {
        if (k) seg.nodes.push_back(op(ops[k - 1]));
        append(seg.nodes, terms[k].nodes);
      }
      seg.type = allKnown ? result : Type{};
      return seg;
    }
    // Types unknown here, or text meeting numbers (SQL Server then adds, converting the text):
    // decide on the values. Each operator nests the sum so far one group deeper, and what
    // follows the translation recurses through groups: that depth has the texts' limit too.
    size_t deepest = 0;
    for (const Term& t : terms) deepest = std::max(deepest, nestingOf(t.nodes) + 1);
    if (deepest + ops.size() > static_cast<size_t>(kMaxNesting))
      throw TranslationError("a sum of " + std::to_string(terms.size()) +
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
  void comparisons(std::vector<Segment>& segs) {
    auto isCmp = [](const Segment& s) {
      if (s.chain || s.nodes.size() != 1) return false;
      const Node& n = s.nodes[0];
      return isOp(n, "=") || isOp(n, "<>") || isOp(n, "!=") || isOp(n, "<") || isOp(n, "<=") ||
             isOp(n, ">") || isOp(n, ">=");
    };
    auto kw = [](const Segment& s, const char* w) { return !s.chain && s.nodes.size() == 1 && isWord(s.nodes[0], w); };
    auto leftOf = [&](size_t k) -> Segment* {
      if (k == 0) return nullptr;
      size_t l = k - 1;
      if (kw(segs[l], "not") && l > 0) --l;
      return segs[l].chain ? &segs[l] : nullptr;
    };
    for (size_t k = 0; k < segs.size(); ++k) {
      if (isCmp(segs[k]) && k > 0 && k + 1 < segs.size() && segs[k - 1].chain && segs[k + 1].chain) {
        if (segs[k - 1].type.cat == Cat::Date) toDate(segs[k + 1]);
        else if (segs[k + 1].type.cat == Cat::Date) toDate(segs[k - 1]);
        else if (mayBeText(segs[k - 1]) && mayBeText(segs[k + 1])) collate(segs[k - 1]);
      } else if (kw(segs[k], "between")) {
        Segment* left = leftOf(k);
        bool bounds = k + 3 < segs.size() && kw(segs[k + 2], "and");
        if (left && left->type.cat == Cat::Date && bounds) {
          if (segs[k + 1].chain) toDate(segs[k + 1]);
          if (segs[k + 3].chain) toDate(segs[k + 3]);
        } else if (left && bounds && mayBeText(*left) && mayBeText(segs[k + 1]) && mayBeText(segs[k + 3])) {
          collate(*left);
        }
      } else if (kw(segs[k], "in")) {
        Segment* left = leftOf(k);
        if (left && mayBeText(*left)) collate(*left);
        if (left && left->type.cat == Cat::Date && k + 1 < segs.size() && segs[k + 1].chain &&
            segs[k + 1].nodes.size() == 1 && segs[k + 1].nodes[0].group) {
          Nodes& items = segs[k + 1].nodes[0].kids;
          if (!items.empty() && isWord(items.front(), "select")) continue;
          for (auto [b, e] : splitCommas(items, 0, items.size()))
            if (e - b == 1 && isString(items[b])) items[b].tok.text = dateLiteral(items[b].tok.text);
        }
      }
    }
  }

  void toDate(Segment& seg) {
    if (seg.literal) {
      seg.nodes.front().tok.text = dateLiteral(seg.nodes.front().tok.text);
    } else if (seg.type.cat == Cat::Text) {
      Nodes args = std::move(seg.nodes);
      args.push_back(op(","));
      args.push_back(str(tsql::dateOrderName(order_)));
      seg.nodes = Nodes{word("TSQL_DATETIME"), group(std::move(args))};
    } else {
      return;
    }
    seg.type = Type{Cat::Date, "DATETIME"};
  }

  std::string dateLiteral(const std::string& text) {
    auto iso = tsql::normalizeDate(text, order_);
    if (!iso)
      throw TranslationError("Conversion failed when converting date and/or time from character string '" + text + "'");
    return *iso;
  }
};

}  // namespace

void SchemaSnapshot::add(TableInfo table) {
  std::string key = lower(table.name);
  tables_[key] = std::move(table);
}

const TableInfo* SchemaSnapshot::find(std::string_view name) const {
  auto it = tables_.find(lower(name));
  return it == tables_.end() ? nullptr : &it->second;
}

Translation translate(std::string_view tsql, const SchemaSnapshot& schema) {
  return Translator(schema).run(tsql);
}

std::string renameCreateTable(std::string_view createSql, std::string_view newName) {
  auto toks = tokenize(createSql);
  size_t i = 0;
  auto is = [&](const char* w) { return i < toks.size() && toks[i].kind == Tk::Word && eqi(toks[i].text, w); };
  if (!is("create")) throw TranslationError("not a CREATE TABLE statement");
  ++i;
  if (is("temp") || is("temporary")) ++i;
  if (!is("table")) throw TranslationError("not a CREATE TABLE statement");
  ++i;
  if (is("if")) i += 3;  // IF NOT EXISTS
  if (i >= toks.size() || (toks[i].kind != Tk::Word && toks[i].kind != Tk::Quoted && toks[i].kind != Tk::String))
    throw TranslationError("CREATE TABLE without a name");
  size_t nameBegin = toks[i].begin, nameEnd = toks[i].end;
  if (i + 2 < toks.size() && toks[i + 1].kind == Tk::Op && toks[i + 1].text == ".") nameEnd = toks[i + 2].end;
  std::string q = "\"";
  for (char c : newName) {
    if (c == '"') q.push_back('"');
    q.push_back(c);
  }
  q.push_back('"');
  return std::string(createSql.substr(0, nameBegin)) + q + std::string(createSql.substr(nameEnd));
}

}  // namespace korvanda::sqlite
