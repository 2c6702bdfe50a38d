#include "translate/parser.h"

#include <string>

#include "sqlite/translate.h"
#include "translate/emit.h"

namespace korvanda::sqlite::tsql {
namespace {

constexpr std::string_view kUnsupportedFunctions[] = {
    "convert",        "dateadd",   "datediff",   "datepart",
    "datename",       "charindex", "patindex",   "stuff",
    "scope_identity", "newid",     "datalength", "replicate",
    "space",          "str",       "iif",        "try_convert",
    "try_cast",       "format",    "eomonth",    "sysdatetime",
    "getutcdate",     "object_id", "row_number", "rank",
    "dense_rank",     "ntile",     "string_agg"};

// Words that begin a statement of a batch.
constexpr std::string_view kStatementWords[] = {
    "select", "insert", "update", "delete",   "exec",  "execute", "set",     "drop",
    "create", "alter",  "pragma", "truncate", "begin", "commit",  "rollback"};
// Words that end a DROP or PRAGMA text, which is passed on as written.
constexpr std::string_view kVerbatimEnds[] = {"insert",  "update", "delete",   "exec",
                                              "execute", "drop",   "truncate", "set"};

// w in lower case among words.
template <size_t N> bool oneOf(std::string_view w, const std::string_view (&words)[N]) {
  for (std::string_view k : words)
    if (w == k) return true;
  return false;
}

std::string at(size_t pos) { return " at character " + std::to_string(pos + 1); }

// A token as written in a message.
std::string shown(const Token& t) { return emit(Nodes{Node{t, {}, false}}); }

[[gnu::noinline]] ExprPtr make(size_t pos, auto node) {
  return std::make_unique<Expr>(Expr{pos, std::move(node)});
}

class Parser {
 public:
  // Each word in lower case, and whether it is a keyword, once: the grammar asks many times.
  explicit Parser(const std::vector<Token>& toks)
      : t_(toks), lower_(toks.size()), keyword_(toks.size()) {
    for (size_t k = 0; k < toks.size(); ++k) {
      if (toks[k].kind != Tk::Word) continue;
      lower_[k] = lower(toks[k].text);
      keyword_[k] = isKeyword(lower_[k]);
    }
  }

  std::vector<Statement> statements() {
    for (const Token& t : t_) {
      if (t.kind == Tk::Variable)
        throw TranslationError("variables are not supported (" + t.text + ")");
      if (t.kind == Tk::Op && (t.text == "!<" || t.text == "!>"))
        throw TranslationError("the operator " + t.text + " is not supported");
    }
    std::vector<Statement> out;
    bool separated = true;  // at the start, or after ';'
    while (i_ < t_.size()) {
      if (op(";")) {
        ++i_;
        separated = true;
        continue;
      }
      if (!separated && !statementWord()) unexpected();
      out.push_back(statement());
      separated = false;
    }
    return out;
  }

 private:
  const std::vector<Token>& t_;
  std::vector<std::string> lower_;
  std::vector<bool> keyword_;
  size_t i_ = 0;

  // -- Tokens ----------------------------------------------------------------------------------

  bool is(Tk kind, size_t k = 0) const { return i_ + k < t_.size() && t_[i_ + k].kind == kind; }
  // w in lower case
  bool word(std::string_view w, size_t k = 0) const {
    return is(Tk::Word, k) && lower_[i_ + k] == w;
  }
  bool op(std::string_view o, size_t k = 0) const { return is(Tk::Op, k) && t_[i_ + k].text == o; }
  bool name(size_t k = 0) const {
    return is(Tk::Quoted, k) || (is(Tk::Word, k) && !keyword_[i_ + k]);
  }
  bool statementWord(size_t k = 0) const {
    return is(Tk::Word, k) && oneOf(lower_[i_ + k], kStatementWords);
  }
  // An alias: a name that does not begin the next statement of the batch.
  bool alias() const { return name() && !statementWord(); }
  bool accept(std::string_view w) {
    if (!word(w)) return false;
    ++i_;
    return true;
  }
  bool acceptOp(std::string_view o) {
    if (!op(o)) return false;
    ++i_;
    return true;
  }
  size_t pos() const { return i_ < t_.size() ? t_[i_].begin : t_.empty() ? 0 : t_.back().end; }

  [[noreturn]] void unexpected() const {
    if (i_ < t_.size())
      throw TranslationError("unexpected '" + shown(t_[i_]) + "'" + at(t_[i_].begin));
    throw TranslationError("the text ends after '" + shown(t_.back()) + "'" + at(t_.back().begin));
  }
  void expectOp(std::string_view o) {
    if (!acceptOp(o)) unexpected();
  }
  void expect(std::string_view w) {
    if (!accept(w)) unexpected();
  }
  // item (, item)*: what each call of item gives, in order.
  template <class F>
  auto commaList(F&& item) {
    std::vector<decltype(item())> out;
    do out.push_back(item());
    while (acceptOp(","));
    return out;
  }
  // The tokens from first to the current one as the text shows them (for messages).
  std::string writtenFrom(size_t first) const {
    std::vector<Token> written(t_.begin() + static_cast<long>(first),
                               t_.begin() + static_cast<long>(i_));
    size_t k = 0;
    return emit(buildTree(written, k, false));
  }
  Name takeName() {
    if (!name()) unexpected();
    const Token& t = t_[i_++];
    return Name{t.text, t.kind == Tk::Quoted, t.begin};
  }
  std::vector<Name> dotted() {
    std::vector<Name> parts{takeName()};
    while (op(".") && name(1)) {
      ++i_;
      parts.push_back(takeName());
    }
    return parts;
  }

  // Whether the token at k can begin a value.
  bool startsValue(size_t k = 0) const {
    if (is(Tk::String, k) || is(Tk::Number, k) || is(Tk::Quoted, k) || is(Tk::Variable, k))
      return true;
    if (op("(", k) || op("-", k) || op("+", k) || op("~", k)) return true;
    if (!is(Tk::Word, k)) return false;
    if (!keyword_[i_ + k]) return true;
    const std::string& w = lower_[i_ + k];
    return w == "null" || w == "case" || w == "not" || w == "exists" ||
           ((w == "left" || w == "right") && op("(", k + 1));
  }

  // -- Statements ------------------------------------------------------------------------------

  Statement statement() {
    Statement s;
    s.firstToken = i_;
    s.pos = t_[i_].begin;
    const std::string w = lower_[i_];
    if (!is(Tk::Word))
      throw TranslationError("the statement beginning with '" + shown(t_[i_]) +
                             "' is not supported");
    if (w == "select") s.node = selectStatement();
    else if (w == "insert") s.node = insert();
    else if (w == "update") s.node = update();
    else if (w == "delete") s.node = remove();
    else if (w == "exec" || w == "execute") s.node = exec();
    else if (w == "set") s.node = setOption();
    else if (w == "create" || w == "alter") s.node = verbatim(w, false);
    else if (w == "drop" || w == "pragma") s.node = verbatim(w, true);
    else if (w == "truncate" && word("table", 1) && name(2)) {
      const size_t first = i_;
      i_ += 2;
      dotted();
      s.node = Verbatim{w, first, i_};
    } else if (w == "begin" || w == "commit" || w == "rollback") {
      const size_t first = i_++;
      if (word("tran") || word("transaction")) ++i_;
      s.node = Verbatim{w, first, i_};
    } else {
      throw TranslationError("the statement beginning with '" + shown(t_[i_]) +
                             "' is not supported");
    }
    s.lastToken = i_;
    return s;
  }

  Verbatim verbatim(const std::string& w, bool endsAtStatement) {
    const size_t first = i_++;
    while (i_ < t_.size() && !op(";") &&
           !(endsAtStatement && is(Tk::Word) && oneOf(lower_[i_], kVerbatimEnds)))
      ++i_;
    return Verbatim{w, first, i_};
  }

  SetOption setOption() {
    const size_t first = i_++;
    if (name() && (name(1) || is(Tk::Word, 1))) {
      Name option = takeName();
      const Token& v = t_[i_++];
      return SetOption{std::move(option), Name{v.text, v.kind == Tk::Quoted, v.begin}};
    }
    std::string text = "SET";
    for (size_t k = first + 1;
         k < t_.size() && k < first + 3 && !(t_[k].kind == Tk::Op && t_[k].text == ";"); ++k)
      text += " " + shown(t_[k]);
    throw TranslationError("the SET statement '" + text + "' is not supported");
  }

  Exec exec() {
    ++i_;
    if (!name() || statementWord()) throw TranslationError("EXEC without a procedure name");
    Exec e{dotted().back().text, {}};
    if (!startsValue() || statementWord()) return e;
    do {
      const size_t first = i_;
      ExprPtr arg = expr();
      const Token& a = t_[first];
      const size_t count = i_ - first;
      if (count == 1 && (a.kind == Tk::String || a.kind == Tk::Number)) e.args.push_back(a.text);
      else if (count == 2 && a.kind == Tk::Op && (a.text == "-" || a.text == "+") &&
               t_[first + 1].kind == Tk::Number)
        e.args.push_back((a.text == "-" ? "-" : "") + t_[first + 1].text);
      else if (count == 1 && a.kind == Tk::Word && eqi(a.text, "null"))
        e.args.push_back(std::nullopt);
      else if (count == 1 && a.kind == Tk::Word) e.args.push_back(a.text);
      else
        throw TranslationError("the argument '" + writtenFrom(first) + "' of EXEC " +
                               e.procedure + " is not a literal value");
    } while (acceptOp(","));
    return e;
  }

  StatementNode selectStatement() {
    // SELECT [t.]* INTO target FROM source [IN 'file']: a copy of a whole table.
    const size_t star = op("*", 1) ? 1 : name(1) && op(".", 2) && op("*", 3) ? 3 : 0;
    bool into = false;
    for (size_t k = i_ + 1; k < t_.size() && !into; ++k) {
      const Token& t = t_[k];
      if (t.kind == Tk::Op && (t.text == "(" || t.text == ";")) break;
      if (t.kind == Tk::Word &&
          (lower_[k] == "from" || lower_[k] == "union" || oneOf(lower_[k], kStatementWords)))
        break;
      into = t.kind == Tk::Word && lower_[k] == "into";
    }
    if (!into) return SelectStatement{query()};
    const auto copyOnly = [] {
      return TranslationError(
          "SELECT .. INTO is supported only as a copy of a whole table "
          "(SELECT t.* INTO t FROM t [IN 'file'])");
    };
    if (!star || !word("into", star + 1) || !name(star + 2) || !word("from", star + 3) ||
        !name(star + 4))
      throw copyOnly();
    i_ += star + 2;
    CopyTable c;
    c.target = takeName();
    ++i_;
    c.source = takeName();
    if (accept("in")) {
      if (!is(Tk::String) || t_[i_].text.empty()) throw copyOnly();
      c.file = t_[i_++].text;
    }
    if (i_ < t_.size() && !op(";") && !statementWord()) throw copyOnly();
    return c;
  }

  // The table named after the statement's keyword and an optional INTO or FROM.
  Name statementTable(std::string_view optional, const std::string& statement) {
    ++i_;
    if (!optional.empty()) accept(optional);
    if (!name()) throw TranslationError(statement + " without a table name");
    return dotted().back();
  }

  Insert insert() {
    Insert ins;
    ins.table = statementTable("into", "INSERT");
    if (acceptOp("(")) {
      ins.columns = commaList([&] { return takeName(); });
      expectOp(")");
    }
    if (accept("values")) {
      ins.rows = commaList([&] {
        expectOp("(");
        auto row = commaList([&] { return expr(); });
        expectOp(")");
        return row;
      });
    } else if (word("select")) {
      ins.query = std::make_unique<Query>(query());
    } else if (word("default") && word("values", 1)) {
      i_ += 2;
      ins.defaultValues = true;
    } else {
      throw TranslationError("INSERT without VALUES or SELECT");
    }
    return ins;
  }

  Update update() {
    if (word("top", 1)) throw TranslationError("UPDATE TOP is not supported");
    Update u;
    u.target = statementTable("", "UPDATE");
    if (word("with") && op("(", 1)) skipHints();
    if (!accept("set")) throw TranslationError("UPDATE without SET");
    do {
      Assignment a;
      const size_t first = i_;
      if (name()) a.column = dotted();
      if (!acceptOp("=")) {
        while (i_ < t_.size() && !op("=") && !op(",") && !op(";")) ++i_;
        if (!op("=")) throw TranslationError("UPDATE assignment without '='");
        throw TranslationError("UPDATE assignment to '" + writtenFrom(first) +
                               "' is not supported");
      }
      if (a.column.size() > 2) {
        std::string written;
        for (const Name& n : a.column) written += (written.empty() ? "" : ".") + n.text;
        throw TranslationError("UPDATE assignment to '" + written + "' is not supported");
      }
      a.value = expr();
      u.assignments.push_back(std::move(a));
    } while (acceptOp(","));
    if (accept("from")) u.from = from();
    if (accept("where")) u.where = expr();
    if (word("output")) throw TranslationError("UPDATE .. OUTPUT is not supported");
    return u;
  }

  Delete remove() {
    Delete d;
    d.target = statementTable("from", "DELETE");
    if (accept("from")) d.from = from();
    if (accept("where")) d.where = expr();
    return d;
  }

  void skipHints() {
    i_ += 2;
    while (i_ < t_.size() && !op(")")) ++i_;
    expectOp(")");
  }

  // -- Queries ---------------------------------------------------------------------------------

  Query query() {
    Query q;
    q.members.push_back(select());
    while (word("union") || word("except") || word("intersect")) {
      std::string joiner = t_[i_++].text;
      if (word("all")) joiner += " " + t_[i_++].text;
      q.joiners.push_back(std::move(joiner));
      q.members.push_back(select());
    }
    if (q.members.size() > 1)
      for (const Select& s : q.members)
        if (s.top) throw TranslationError("TOP inside UNION is not supported");
    return q;
  }

  ExprPtr top() {
    if (!accept("top")) return nullptr;
    ExprPtr n;
    if (is(Tk::Number)) n = make(pos(), Literal{Literal::Number, t_[i_++].text});
    else if (op("(")) n = primary();
    else throw TranslationError("TOP without a number");
    if (word("percent") || word("with"))
      throw TranslationError("TOP .. " + t_[i_].text + " is not supported");
    return n;
  }

  Select select() {
    if (!word("select")) {
      if (i_ < t_.size()) unexpected();
      throw TranslationError("SELECT expected near 'end'");
    }
    Select s;
    s.pos = t_[i_++].begin;
    s.top = top();
    if (word("distinct") || word("all")) s.quantifier = t_[i_++].text;
    if (!s.top) s.top = top();
    if (word("from") || word("where") || word("group") || word("order") || word("having") ||
        i_ == t_.size() || op(";"))
      throw TranslationError("SELECT without a column list");
    s.items = commaList([&] { return selectItem(); });
    if (word("into"))
      throw TranslationError("SELECT .. INTO is supported only as a copy of a whole table");
    if (accept("from")) s.from = from();
    if (accept("where")) s.where = expr();
    if (word("group") && word("by", 1)) {
      i_ += 2;
      s.groupBy = sortList();
    }
    if (accept("having")) s.having = expr();
    if (word("order") && word("by", 1)) {
      i_ += 2;
      s.orderBy = sortList();
    }
    if (accept("limit")) {
      s.limit = expr();
      if (accept("offset")) s.offset = expr();
    }
    return s;
  }

  SelectItem selectItem() {
    SelectItem item;
    const size_t p = pos();
    if (op("*")) {
      ++i_;
      item.value = make(p, Star{});
      return item;
    }
    if (name() && op(".", 1) && op("*", 2)) {
      Star st{{takeName()}};
      i_ += 2;
      item.value = make(p, std::move(st));
      return item;
    }
    if (name() && op("=", 1)) {  // alias = value
      item.alias = takeName();
      item.aliasFirst = true;
      ++i_;
      item.value = expr();
      return item;
    }
    item.value = expr();
    if (accept("as")) {
      if (is(Tk::String)) {
        item.alias = Name{t_[i_].text, true, t_[i_].begin};
        item.stringAlias = true;
        ++i_;
      } else {
        item.alias = takeName();
      }
    } else if (alias()) {
      item.alias = takeName();
    }
    return item;
  }

  std::vector<SortItem> sortList() {
    return commaList([&] {
      SortItem it{expr(), ""};
      if (word("asc") || word("desc")) it.direction = t_[i_++].text;
      return it;
    });
  }

  bool joinWord(size_t k = 0) const {
    return word("inner", k) || word("left", k) || word("right", k) || word("full", k) ||
           word("cross", k) || word("join", k) || word("outer", k);
  }

  From from() {
    From f;
    f.first = source();
    for (;;) {
      Join j;
      if (acceptOp(",")) {
        j.words = {","};
      } else if (joinWord()) {
        if ((word("cross") || word("outer")) && word("apply", 1))
          throw TranslationError(word("outer") ? "OUTER APPLY is not supported"
                                               : "CROSS APPLY is not supported");
        while (joinWord() && !word("join")) j.words.push_back(t_[i_++].text);
        if (!word("join")) throw TranslationError("JOIN expected in FROM");
        j.words.push_back(t_[i_++].text);
      } else {
        return f;
      }
      j.source = source();
      if (accept("on")) {
        if (!startsValue()) throw TranslationError("ON without a condition in FROM");
        j.on = expr();
      }
      f.joins.push_back(std::move(j));
    }
  }

  Source source() {
    Source s;
    s.pos = pos();
    if (op("(")) {
      if (!word("select", 1)) throw TranslationError("a parenthesised join is not supported");
      ++i_;
      s.derived = std::make_unique<Query>(query());
      expectOp(")");
    } else {
      s.table = dotted();
      if (word("in") && is(Tk::String, 1))
        throw TranslationError(
            "FROM .. IN 'file' is supported only in SELECT t.* INTO t FROM t IN 'file'");
    }
    s.as = accept("as");
    if (s.as || alias()) s.alias = takeName();
    else if (s.derived) throw TranslationError("a derived table needs an alias");
    if (word("with") && op("(", 1)) {
      skipHints();
      s.hints = true;
    }
    return s;
  }

  // -- Expressions -----------------------------------------------------------------------------

  // The levels of precedence, loosest first. Each paren, call, subquery and CASE passes through
  // all of them, so their frames are kept small: what needs locals is out of line.
  enum Level { kOr, kAnd, kNot, kPredicate, kAdditive, kMultiplicative, kPrefix };

  ExprPtr expr() { return level(kOr); }

  ExprPtr level(int at) {
    if (at == kNot) return negation();
    if (at == kPredicate) return predicate();
    if (at == kPrefix) return unary();
    const size_t p = pos();
    ExprPtr first = level(at + 1);
    if (!linkAt(at)) return first;
    return chain(at, p, std::move(first));
  }

  bool linkAt(int at) const {
    switch (at) {
      case kOr: return word("or");
      case kAnd: return word("and");
      case kAdditive: return op("+") || op("-") || op("||") || op("&") || op("|") || op("^");
      default: return op("*") || op("/") || op("%");
    }
  }

  // first {op operand} at one level, flat.
  [[gnu::noinline]] ExprPtr chain(int at, size_t p, ExprPtr first) {
    Chain c{std::move(first), {}};
    while (linkAt(at)) {
      const Token& t = t_[i_++];
      if (!startsValue()) {
        if (t.text == "+" || t.text == "-") noValueAfter(t);
        unexpected();
      }
      c.rest.push_back(Chain::Link{t.text, t.begin, level(at + 1)});
    }
    return make(p, std::move(c));
  }

  [[noreturn, gnu::noinline]] static void noValueAfter(const Token& t) {
    throw TranslationError("'" + t.text + "' without a value after it," + at(t.begin));
  }

  ExprPtr negation() {
    const size_t first = i_;
    while (word("not")) ++i_;
    const size_t ops = i_;
    ExprPtr e = predicate();
    return ops == first ? std::move(e) : prefixed(first, ops, std::move(e));
  }
  // The prefix operators [first, end) on operand.
  [[gnu::noinline]] ExprPtr prefixed(size_t first, size_t end, ExprPtr operand) {
    Prefix pre{{}, std::move(operand)};
    for (size_t k = first; k < end; ++k) pre.ops.push_back(t_[k].text);
    return make(t_[first].begin, std::move(pre));
  }

  ExprPtr predicate() {
    const size_t p = pos();
    ExprPtr left = level(kAdditive);
    return is(Tk::Op) || is(Tk::Word) ? predicateOf(p, std::move(left)) : std::move(left);
  }

  [[gnu::noinline]] ExprPtr predicateOf(size_t p, ExprPtr left) {
    static const char* const kComparisons[] = {"=", "<>", "!=", "<", "<=", ">", ">="};
    for (const char* c : kComparisons) {
      if (!op(c)) continue;
      ++i_;
      return make(p, Compare{c, std::move(left), level(kAdditive)});
    }
    const bool negated = word("not") && (word("between", 1) || word("in", 1) || word("like", 1));
    if (negated) ++i_;
    if (accept("between")) {
      ExprPtr low = level(kAdditive);
      expect("and");
      return make(p, Between{negated, std::move(left), std::move(low), level(kAdditive)});
    }
    if (accept("in")) {
      In in{negated, std::move(left), {}, nullptr};
      expectOp("(");
      if (word("select")) {
        in.query = std::make_unique<Query>(query());
      } else {
        in.items = commaList([&] { return expr(); });
      }
      expectOp(")");
      return make(p, std::move(in));
    }
    if (accept("like")) {
      Like l{negated, std::move(left), level(kAdditive), nullptr};
      if (accept("escape")) l.escape = level(kAdditive);
      return make(p, std::move(l));
    }
    if (accept("is")) {
      const bool no = accept("not");
      expect("null");
      return make(p, IsNull{no, std::move(left)});
    }
    return left;
  }

  ExprPtr unary() {
    const size_t first = i_;
    while (op("-") || op("+") || op("~")) ++i_;
    const size_t ops = i_;
    ExprPtr e = primary();
    if (word("collate")) e = collated(std::move(e));
    return ops == first ? std::move(e) : prefixed(first, ops, std::move(e));
  }

  [[gnu::noinline]] ExprPtr collated(ExprPtr e) {
    const size_t at = e->pos;
    Collate c{std::move(e), {}};
    while (accept("collate")) c.collations.push_back(takeName());
    return make(at, std::move(c));
  }

  ExprPtr primary() {
    if (i_ == t_.size()) unexpected();
    const Token& t = t_[i_];
    switch (t.kind) {
      case Tk::String:
      case Tk::Number: return literal();
      case Tk::Variable: variable(t);
      case Tk::Op:
        if (t.text != "(") unexpected();
        return parenthesised();
      default: break;
    }
    if (word("null")) return literal();
    if (word("case")) return caseExpr();
    if (word("exists")) return exists();
    if (!name() && !((word("left") || word("right")) && op("(", 1))) unexpected();
    return named();
  }

  [[gnu::noinline]] ExprPtr literal() {
    const Token& t = t_[i_++];
    const auto kind = t.kind == Tk::String   ? Literal::String
                      : t.kind == Tk::Number ? Literal::Number
                                             : Literal::Null;
    return make(t.begin, Literal{kind, t.text});
  }
  [[noreturn, gnu::noinline]] static void variable(const Token& t) {
    throw TranslationError("variables are not supported (" + t.text + ")");
  }

  // ( subquery ) or ( expression )
  ExprPtr parenthesised() {
    const size_t p = t_[i_++].begin;
    const bool select = word("select");
    ExprPtr e = select ? subquery(p) : expr();
    expectOp(")");
    return select ? std::move(e) : parens(p, std::move(e));
  }
  [[gnu::noinline]] ExprPtr subquery(size_t p) {
    return make(p, Subquery{std::make_unique<Query>(query())});
  }
  [[gnu::noinline]] ExprPtr parens(size_t p, ExprPtr inner) {
    return make(p, Parens{std::move(inner)});
  }

  [[gnu::noinline]] ExprPtr exists() {
    const size_t p = t_[i_++].begin;
    expectOp("(");
    if (!word("select")) unexpected();
    ExprPtr e = make(p, Exists{std::make_unique<Query>(query())});
    expectOp(")");
    return e;
  }

  // A column, or a call: name(..), CAST(.. AS type); LEFT and RIGHT are keywords elsewhere.
  [[gnu::noinline]] ExprPtr named() {
    const size_t p = pos();
    std::vector<Name> parts;
    if (word("left") || word("right")) parts.push_back(Name{t_[i_++].text, false, p});
    else parts = dotted();
    if (!op("(")) return make(p, Column{std::move(parts)});
    if (parts.size() == 1 && eqi(parts[0].text, "cast")) return cast(p);
    for (std::string_view f : kUnsupportedFunctions)
      if (eqi(parts.back().text, f))
        throw TranslationError("the function " + parts.back().text + " is not supported");
    return call(p, std::move(parts));
  }

  ExprPtr call(size_t p, std::vector<Name> name) {
    ++i_;  // (
    Call c{std::move(name), false, {}};
    if (!acceptOp(")")) {
      c.distinct = accept("distinct");
      c.args = commaList([&] {
        return op("*") && (op(")", 1) || op(",", 1)) ? make(t_[i_++].begin, Star{}) : expr();
      });
      expectOp(")");
    }
    return make(p, std::move(c));
  }

  ExprPtr cast(size_t p) {
    ++i_;  // (
    Cast c;
    c.value = expr();
    if (!accept("as") || !(is(Tk::Word) || is(Tk::Quoted)))
      throw TranslationError("CAST without a target type");
    const Token& type = t_[i_++];
    c.type = Name{type.text, type.kind == Tk::Quoted, type.begin};
    if (acceptOp("(")) {
      c.params = commaList([&] {
        if (!is(Tk::Number) && !is(Tk::Word)) unexpected();
        return t_[i_++].text;
      });
      expectOp(")");
    }
    expectOp(")");
    return make(p, std::move(c));
  }

  ExprPtr caseExpr() {
    const size_t p = t_[i_++].begin;
    Case c;
    if (!word("when")) c.base = expr();
    while (accept("when")) {
      ExprPtr when = expr();
      if (!accept("then")) {
        if (i_ == t_.size()) throw TranslationError("CASE without END");
        unexpected();
      }
      c.whens.emplace_back(std::move(when), expr());
    }
    if (c.whens.empty()) unexpected();
    if (accept("else")) c.otherwise = expr();
    if (!accept("end")) {
      if (i_ == t_.size()) throw TranslationError("CASE without END");
      unexpected();
    }
    return make(p, std::move(c));
  }
};

// -- Printing --------------------------------------------------------------------------------

class Printer {
 public:
  std::string out;

  void name(const Name& n) {
    if (n.quoted) out += "[" + n.text + "]";
    else out += n.text;
  }
  void names(const std::vector<Name>& ns) {
    for (size_t k = 0; k < ns.size(); ++k) {
      if (k) out += '.';
      name(ns[k]);
    }
  }
  void open(std::string_view head) {
    out += '(';
    out += head;
  }
  void sub(const ExprPtr& e) {
    out += ' ';
    expr(*e);
  }

  void expr(const Expr& e) {
    std::visit([&](const auto& n) { node(n); }, e.node);
  }
  void node(const Literal& l) {
    if (l.kind == Literal::String) out += shown(Token{Tk::String, l.text, 0, 0});
    else out += l.text;
  }
  void node(const Column& c) { names(c.parts); }
  void node(const Star& s) {
    names(s.qualifier);
    out += s.qualifier.empty() ? "*" : ".*";
  }
  void node(const Prefix& p) {
    out += '(';
    for (const auto& o : p.ops) out += o + " ";
    expr(*p.operand);
    out += ')';
  }
  void node(const Chain& c) {
    out += '(';
    expr(*c.first);
    for (const auto& l : c.rest) {
      out += " " + l.op;
      sub(l.operand);
    }
    out += ')';
  }
  void node(const Compare& c) {
    out += '(';
    expr(*c.left);
    out += " " + c.op;
    sub(c.right);
    out += ')';
  }
  void node(const Between& b) {
    open(b.negated ? "not-between" : "between");
    sub(b.value);
    sub(b.low);
    sub(b.high);
    out += ')';
  }
  void node(const In& in) {
    open(in.negated ? "not-in" : "in");
    sub(in.value);
    if (in.query) {
      out += ' ';
      query(*in.query);
    }
    for (const auto& x : in.items) sub(x);
    out += ')';
  }
  void node(const Like& l) {
    open(l.negated ? "not-like" : "like");
    sub(l.value);
    sub(l.pattern);
    if (l.escape) {
      out += " escape";
      sub(l.escape);
    }
    out += ')';
  }
  void node(const IsNull& n) {
    open(n.negated ? "is-not-null" : "is-null");
    sub(n.value);
    out += ')';
  }
  void node(const Exists& e) {
    open("exists ");
    query(*e.query);
    out += ')';
  }
  void node(const Case& c) {
    open("case");
    if (c.base) sub(c.base);
    for (const auto& [w, r] : c.whens) {
      out += " (when";
      sub(w);
      sub(r);
      out += ')';
    }
    if (c.otherwise) {
      out += " (else";
      sub(c.otherwise);
      out += ')';
    }
    out += ')';
  }
  void node(const Cast& c) {
    open("cast");
    sub(c.value);
    out += ' ';
    name(c.type);
    for (const auto& p : c.params) out += " " + p;
    out += ')';
  }
  void node(const Call& c) {
    open("call ");
    names(c.name);
    if (c.distinct) out += " distinct";
    for (const auto& a : c.args) sub(a);
    out += ')';
  }
  void node(const Subquery& s) { query(*s.query); }
  void node(const Parens& p) {
    open("parens");
    sub(p.inner);
    out += ')';
  }
  void node(const Collate& c) {
    open("collate");
    sub(c.value);
    for (const Name& n : c.collations) {
      out += ' ';
      name(n);
    }
    out += ')';
  }

  void query(const Query& q) {
    if (q.members.size() > 1) open("query ");
    for (size_t k = 0; k < q.members.size(); ++k) {
      if (k) out += " " + q.joiners[k - 1] + " ";
      select(q.members[k]);
    }
    if (q.members.size() > 1) out += ')';
  }
  void select(const Select& s) {
    open("select");
    if (s.top) {
      out += " (top";
      sub(s.top);
      out += ')';
    }
    if (!s.quantifier.empty()) out += " " + s.quantifier;
    for (const auto& it : s.items) {
      out += " (item";
      sub(it.value);
      if (it.alias && it.stringAlias) {
        out += " ";
        node(Literal{Literal::String, it.alias->text});
      } else if (it.alias) {
        out += " ";
        name(*it.alias);
      }
      out += ')';
    }
    if (s.from) from(*s.from);
    clause("where", s.where);
    sorts("group-by", s.groupBy);
    clause("having", s.having);
    sorts("order-by", s.orderBy);
    clause("limit", s.limit);
    clause("offset", s.offset);
    out += ')';
  }
  void clause(std::string_view head, const ExprPtr& e) {
    if (!e) return;
    out += " ";
    open(head);
    sub(e);
    out += ')';
  }
  void sorts(std::string_view head, const std::vector<SortItem>& items) {
    if (items.empty()) return;
    out += " ";
    open(head);
    for (const auto& it : items) {
      sub(it.value);
      if (!it.direction.empty()) out += " " + it.direction;
    }
    out += ')';
  }
  void from(const From& f) {
    out += " (from ";
    source(f.first);
    for (const auto& j : f.joins) {
      out += " (";
      for (size_t k = 0; k < j.words.size(); ++k) out += (k ? " " : "") + j.words[k];
      out += ' ';
      source(j.source);
      if (j.on) {
        out += " on";
        sub(j.on);
      }
      out += ')';
    }
    out += ')';
  }
  void source(const Source& s) {
    if (s.derived) query(*s.derived);
    else names(s.table);
    if (s.alias) {
      out += ' ';
      name(*s.alias);
    }
    if (s.hints) out += " hints";
  }

  void statement(const Statement& s) {
    std::visit([&](const auto& n) { stmt(n); }, s.node);
  }
  void stmt(const SelectStatement& s) { query(s.query); }
  void stmt(const CopyTable& c) {
    open("copy ");
    name(c.source);
    out += " '" + c.file + "' ";
    name(c.target);
    out += ')';
  }
  void stmt(const Insert& ins) {
    open("insert ");
    name(ins.table);
    if (ins.columns) {
      out += " (columns";
      for (const auto& c : *ins.columns) {
        out += ' ';
        name(c);
      }
      out += ')';
    }
    for (const auto& row : ins.rows) {
      out += " (values";
      for (const auto& v : row) sub(v);
      out += ')';
    }
    if (ins.query) {
      out += ' ';
      query(*ins.query);
    }
    if (ins.defaultValues) out += " default-values";
    out += ')';
  }
  void stmt(const Update& u) {
    open("update ");
    name(u.target);
    for (const auto& a : u.assignments) {
      out += " (set ";
      names(a.column);
      sub(a.value);
      out += ')';
    }
    if (u.from) from(*u.from);
    clause("where", u.where);
    out += ')';
  }
  void stmt(const Delete& d) {
    open("delete ");
    name(d.target);
    if (d.from) from(*d.from);
    clause("where", d.where);
    out += ')';
  }
  void stmt(const Exec& e) {
    open("exec " + e.procedure);
    for (const auto& a : e.args) out += a ? " '" + *a + "'" : " NULL";
    out += ')';
  }
  void stmt(const SetOption& s) {
    open("set ");
    name(s.option);
    out += ' ';
    name(s.value);
    out += ')';
  }
  void stmt(const Verbatim& v) {
    open("verbatim " + v.keyword + " " + std::to_string(v.last - v.first));
    out += ')';
  }
};

}  // namespace

std::vector<Statement> parse(const std::vector<Token>& toks) { return Parser(toks).statements(); }

std::string print(const Statement& s) {
  Printer p;
  p.statement(s);
  return p.out;
}

}  // namespace korvanda::sqlite::tsql
