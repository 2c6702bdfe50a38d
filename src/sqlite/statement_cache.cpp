#include "statement_cache.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cstdint>
#include <limits>
#include <unordered_set>
#include <variant>

namespace korvanda::sqlite {
namespace {

using tsql::eqi;
using tsql::Tk;
using tsql::Token;

bool isWord(const Token& t, std::string_view w) { return t.kind == Tk::Word && eqi(t.text, w); }
bool isOp(const Token& t, std::string_view o) { return t.kind == Tk::Op && t.text == o; }
bool isName(const Token& t) { return t.kind == Tk::Word || t.kind == Tk::Quoted; }
bool isDigit(char c) { return c >= '0' && c <= '9'; }
bool isLiteral(const Token& t) { return t.kind == Tk::String || t.kind == Tk::Number; }

bool allDigits(std::string_view s) {
  return !s.empty() && std::all_of(s.begin(), s.end(), isDigit);
}

bool blank(std::string_view s) {
  return std::all_of(s.begin(), s.end(), [](char c) { return std::isspace(static_cast<unsigned char>(c)) != 0; });
}

// A number SQLite reads the same from a parameter: a whole number within int64 (longer ones it
// reads as a real, and -9223372036854775808 only as a literal), or a real that is not zero (a
// parameter under a unary minus gives +0.0 where the literal gives -0.0).
bool parameterNumber(std::string_view n) {
  if (allDigits(n)) return n.size() <= 18;
  std::string_view mantissa = n.substr(0, n.find_first_of("eE"));
  return mantissa.find_first_of("123456789") != std::string_view::npos;
}

// Calls whose literal arguments give the translation a length.
bool lengthCall(std::string_view name) {
  return eqi(name, "left") || eqi(name, "right") || eqi(name, "substring") || eqi(name, "substr");
}

// A size in the key: one byte below 128, else a marker byte, the digits and ':'.
void appendSize(std::string& key, size_t n) {
  if (n < 0x80) {
    key.push_back(static_cast<char>(n));
    return;
  }
  char digits[24];
  auto r = std::to_chars(digits, digits + sizeof digits, n);
  key.push_back('\x80');
  key.append(digits, r.ptr);
  key.push_back(':');
}

void appendPart(std::string& key, char kind, std::string_view text) {
  key.push_back(kind);
  appendSize(key, text.size());
  key.append(text);
}

char kindCode(Tk k) {
  switch (k) {
    case Tk::Word: return 'W';
    case Tk::Quoted: return 'Q';
    case Tk::String: return 'S';
    case Tk::Number: return 'N';
    case Tk::Op: return 'O';
    case Tk::Variable: return 'V';
  }
  return '?';
}

// coerce()'s reading of a quoted number for a numeric column: blanks around it and a plus sign
// dropped, digits with at most one point. The translation writes the result as a bare number.
std::optional<std::string> numericForm(std::string_view text) {
  size_t b = text.find_first_not_of(' ');
  if (b == std::string_view::npos) return std::nullopt;
  std::string_view t = text.substr(b, text.find_last_not_of(' ') + 1 - b);
  bool minus = t.front() == '-';
  if (t.front() == '-' || t.front() == '+') t.remove_prefix(1);
  bool digits = false, dot = false;
  for (char c : t) {
    if (isDigit(c)) digits = true;
    else if (c == '.' && !dot) dot = true;
    else return std::nullopt;
  }
  if (!digits) return std::nullopt;
  return (minus ? "-" : "") + std::string(t);
}

// The same reading when it gives a whole number within int64; other values the translation
// writes differently (reals, TRUE for a bit...), and they go through it.
std::optional<int64_t> wholeNumber(std::string_view text) {
  size_t b = text.find_first_not_of(' ');
  if (b == std::string_view::npos) return std::nullopt;
  std::string_view t = text.substr(b, text.find_last_not_of(' ') + 1 - b);
  bool minus = t.front() == '-';
  if (t.front() == '-' || t.front() == '+') t.remove_prefix(1);
  if (!allDigits(t) || t.size() > 18) return std::nullopt;
  int64_t v = 0;
  std::from_chars(t.data(), t.data() + t.size(), v);
  return minus ? -v : v;
}

// The output literal a transform makes of an input literal of that kind, or nullopt when the
// transform does not apply.
std::optional<std::string> apply(Transform how, Tk in, Tk out, const std::string& text, tsql::DateOrder order) {
  switch (how) {
    case Transform::Text:
      if (in == Tk::String && out == Tk::String) return text;
      break;
    case Transform::Integer:
      if (in == Tk::Number && out == Tk::Number && allDigits(text)) return text;
      break;
    case Transform::Real:
      if (in == Tk::Number && out == Tk::Number && !allDigits(text)) return text;
      break;
    case Transform::Date:
      if (in == Tk::String && out == Tk::String) return tsql::normalizeDate(text, order);
      break;
    case Transform::Numeric:
      if (in == Tk::String && out == Tk::Number) return numericForm(text);
      break;
  }
  return std::nullopt;
}

constexpr Transform kTransforms[] = {Transform::Text, Transform::Integer, Transform::Real, Transform::Date,
                                     Transform::Numeric};

const SqlStep* onlySqlStep(const Translation& t) {
  return t.steps.size() == 1 ? std::get_if<SqlStep>(&t.steps.front()) : nullptr;
}

// Other values for a literal, from its last character back: a digit becomes another digit; in a
// text a letter becomes another letter of the other case, and any other byte a letter. A date
// text only has its digits changed, to another valid date or time, never in ISO form (so that
// it cannot pass through a date unchanged).
class Candidates {
 public:
  Candidates(const Token& t, tsql::DateOrder order) : order_(order), kind_(t.kind), base_(t.text) {
    if (kind_ == Tk::String) {
      date_ = tsql::normalizeDate(base_, order_);
      // An ISO text passes through a date column as it is: written with slashes it does not.
      if (date_ && *date_ == base_) base_[4] = base_[7] = '/';
    }
    pos_ = base_.size();
  }

  std::optional<std::string> next() {
    for (;;) {
      if (++step_ > 25 || pos_ == base_.size()) {
        if (pos_ == 0) return std::nullopt;
        --pos_;
        step_ = 1;
      }
      const char c = base_[pos_];
      std::string v = base_;
      if (isDigit(c)) {
        if (step_ > 9) continue;
        v[pos_] = static_cast<char>('0' + (c - '0' + step_) % 10);
      } else if (kind_ == Tk::String && !date_) {
        if (std::isalpha(static_cast<unsigned char>(c))) {
          const bool upper = c <= 'Z';
          v[pos_] = static_cast<char>((upper ? 'a' : 'A') + (ascii::lower(c) - 'a' + step_) % 26);
        } else {
          v[pos_] = static_cast<char>('a' + step_ - 1);  // punctuation, blanks, bytes of other letters
        }
      } else {
        step_ = 25;
        continue;
      }
      if (date_) {
        auto iso = tsql::normalizeDate(v, order_);
        if (!iso || *iso == *date_ || *iso == v) continue;
      }
      return v;
    }
  }

 private:
  tsql::DateOrder order_;
  Tk kind_;
  std::string base_;
  std::optional<std::string> date_;
  size_t pos_ = 0;
  int step_ = 25;
};

}  // namespace

std::optional<Shape> shapeOf(std::string_view text) {
  Shape s;
  try {
    s.tokens = tsql::tokenize(text);
  } catch (const TranslationError&) {
    return std::nullopt;
  }
  const std::vector<Token>& toks = s.tokens;
  // SET options in front, split off as the translation splits them: SET name value.
  size_t i = 0;
  while (i < toks.size()) {
    if (isOp(toks[i], ";")) {
      ++i;
    } else if (isWord(toks[i], "set") && i + 2 < toks.size() && isName(toks[i + 1]) && isName(toks[i + 2]) &&
               !(i + 3 < toks.size() && isOp(toks[i + 3], "="))) {
      if (eqi(toks[i + 1].text, "dateformat")) {
        auto o = tsql::dateOrderFromName(toks[i + 2].text);
        if (!o) return std::nullopt;
        s.order = *o;
      }
      i += 3;
    } else {
      break;
    }
  }
  if (i == toks.size()) return std::nullopt;
  const bool select = isWord(toks[i], "select");
  if (!select && !isWord(toks[i], "insert") && !isWord(toks[i], "update") && !isWord(toks[i], "delete"))
    return std::nullopt;

  // Literals stay in the key inside an ORDER BY or GROUP BY list (a number there names a
  // column), in the parentheses of TOP, of a type (AS varchar(4)) and of LEFT/RIGHT/SUBSTRING,
  // right after TOP, AS (a text alias), LIMIT or OFFSET. A SELECT's texts keep their length:
  // it types its computed columns.
  constexpr size_t kNone = std::numeric_limits<size_t>::max();
  size_t depth = 0, keepFrom = kNone, sortFrom = kNone;
  s.key.reserve(text.size() + 3 * toks.size());
  for (size_t k = 0; k < toks.size(); ++k) {
    const Token& t = toks[k];
    const Token* prev = k > 0 ? &toks[k - 1] : nullptr;
    if (isOp(t, "(")) {
      ++depth;
      const bool typeOrCall = prev && prev->kind == Tk::Word &&
                              (eqi(prev->text, "top") || lengthCall(prev->text) || (k > 1 && isWord(toks[k - 2], "as")));
      if (typeOrCall && keepFrom == kNone) keepFrom = depth;
    } else if (isOp(t, ")")) {
      if (keepFrom == depth) keepFrom = kNone;
      if (sortFrom == depth) sortFrom = kNone;
      if (depth > 0) --depth;
    } else if (isWord(t, "by") && prev && (isWord(*prev, "order") || isWord(*prev, "group"))) {
      if (sortFrom == kNone) sortFrom = depth;
    }
    if (isLiteral(t) && keepFrom == kNone && sortFrom == kNone &&
        !(prev && (isWord(*prev, "top") || isWord(*prev, "as") || isWord(*prev, "limit") || isWord(*prev, "offset")))) {
      if (t.kind == Tk::String && !blank(t.text)) {
        s.slots.push_back(k);
        s.key.push_back('s');
        if (select) appendSize(s.key, t.text.size());
        continue;
      }
      if (t.kind == Tk::Number && parameterNumber(t.text)) {
        s.slots.push_back(k);
        s.key.push_back(allDigits(t.text) ? 'i' : 'r');
        continue;
      }
    }
    appendPart(s.key, kindCode(t.kind), t.text);
  }
  return s;
}

std::optional<Perturbation> perturb(std::string_view text, const Shape& shape) {
  // An output literal must tell which slot it came from: no two slots may give the same pair of
  // outputs (original, perturbed) through any transform.
  std::unordered_set<std::string> taken;
  auto pairs = [&](const Token& t, const std::string& changed) {
    std::vector<std::string> out;
    for (Transform how : kTransforms) {
      const Tk to = how == Transform::Text || how == Transform::Date ? Tk::String : Tk::Number;
      auto a = apply(how, t.kind, to, t.text, shape.order), b = apply(how, t.kind, to, changed, shape.order);
      if (a && b) out.push_back(kindCode(to) + *a + '\0' + *b);
    }
    return out;
  };

  Perturbation p;
  size_t at = 0;
  for (size_t slot : shape.slots) {
    const Token& t = shape.tokens[slot];
    Candidates candidates(t, shape.order);
    std::optional<std::string> v;
    while ((v = candidates.next())) {
      auto outputs = pairs(t, *v);
      if (std::none_of(outputs.begin(), outputs.end(), [&](const std::string& x) { return taken.count(x) > 0; })) {
        for (std::string& x : outputs) taken.insert(std::move(x));
        break;
      }
    }
    if (!v) return std::nullopt;
    p.text.append(text, at, t.begin - at);
    if (t.kind == Tk::String) {
      p.text.push_back('\'');
      for (char c : *v) {
        if (c == '\'') p.text.push_back('\'');
        p.text.push_back(c);
      }
      p.text.push_back('\'');
    } else {
      p.text += *v;
    }
    at = t.end;
    p.values.push_back(std::move(*v));
  }
  p.text.append(text, at);
  return p;
}

std::optional<Template> templateOf(const Shape& shape, const Perturbation& changed,
                                   const Translation& original, const Translation& translated) {
  const SqlStep* a = onlySqlStep(original);
  const SqlStep* b = onlySqlStep(translated);
  if (!a || !b || a->resultTypes != b->resultTypes || changed.values.size() != shape.slots.size())
    return std::nullopt;
  std::vector<Token> ta, tb;
  try {
    ta = tsql::tokenize(a->sql);
    tb = tsql::tokenize(b->sql);
  } catch (const TranslationError&) {
    return std::nullopt;
  }
  if (ta.size() != tb.size()) return std::nullopt;
  Template t;
  t.resultTypes = a->resultTypes;
  std::vector<bool> used(shape.slots.size(), false);
  size_t at = 0;
  for (size_t k = 0; k < ta.size(); ++k) {
    const Token& x = ta[k];
    const Token& y = tb[k];
    if (x.kind != y.kind) return std::nullopt;
    if (x.text == y.text) continue;
    if (!isLiteral(x)) return std::nullopt;
    std::optional<Param> found;
    int matches = 0;
    for (size_t s = 0; s < shape.slots.size(); ++s) {
      const Token& in = shape.tokens[shape.slots[s]];
      for (Transform how : kTransforms) {
        if (apply(how, in.kind, x.kind, in.text, shape.order) == x.text &&
            apply(how, in.kind, x.kind, changed.values[s], shape.order) == y.text) {
          ++matches;
          found = Param{s, how};
        }
      }
    }
    if (matches != 1) return std::nullopt;
    used[found->slot] = true;
    size_t n = 0;
    while (n < t.params.size() && !(t.params[n].slot == found->slot && t.params[n].how == found->how)) ++n;
    if (n == t.params.size()) t.params.push_back(*found);
    const std::string param = "?" + std::to_string(n + 1);
    t.sql.append(a->sql, at, x.begin - at);
    // A real stays the parser's reading of its text: SQLite converts the bound text with the
    // same routine, and multiplying by 1.0 keeps it a real where the text is a whole number.
    t.sql += found->how == Transform::Real ? "(" + param + "*1.0)" : param;
    at = x.end;
  }
  t.sql.append(a->sql, at);
  if (std::find(used.begin(), used.end(), false) != used.end()) return std::nullopt;
  return t;
}

bool bindValues(sqlite3_stmt* stmt, const Template& t, const Shape& shape) {
  for (size_t n = 0; n < t.params.size(); ++n) {
    const Param& p = t.params[n];
    const std::string& v = shape.tokens[shape.slots[p.slot]].text;
    const int index = static_cast<int>(n + 1);
    int rc = SQLITE_OK;
    switch (p.how) {
      case Transform::Text:
      case Transform::Real:
        rc = sqlite3_bind_text(stmt, index, v.data(), static_cast<int>(v.size()), SQLITE_STATIC);
        break;
      case Transform::Integer:
      case Transform::Numeric: {
        auto whole = wholeNumber(v);
        if (!whole) return false;
        rc = sqlite3_bind_int64(stmt, index, *whole);
        break;
      }
      case Transform::Date: {
        auto iso = tsql::normalizeDate(v, shape.order);
        if (!iso) return false;
        rc = sqlite3_bind_text(stmt, index, iso->data(), static_cast<int>(iso->size()), SQLITE_TRANSIENT);
        break;
      }
    }
    if (rc != SQLITE_OK) throwSqlite(sqlite3_db_handle(stmt), rc);
  }
  return true;
}

StatementCache::Entry* StatementCache::find(const std::string& key) {
  auto it = index_.find(key);
  if (it == index_.end()) return nullptr;
  entries_.splice(entries_.begin(), entries_, it->second);
  return &it->second->second;
}

StatementCache::Entry& StatementCache::add(const std::string& key, Entry entry) {
  if (Entry* e = find(key)) return *e = std::move(entry);
  if (entries_.size() >= capacity_ && !entries_.empty()) {
    index_.erase(entries_.back().first);
    entries_.pop_back();
  }
  entries_.emplace_front(key, std::move(entry));
  index_.emplace(entries_.front().first, entries_.begin());
  return entries_.front().second;
}

void StatementCache::clear() {
  index_.clear();
  entries_.clear();
}

namespace {

bool sameText(const char* a, const char* b) { return a == b || (a && b && std::string_view(a) == b); }

// Whether the template reads as the literal statement does to whoever reads its rows.
bool sameColumns(sqlite3_stmt* a, sqlite3_stmt* b) {
  const int n = sqlite3_column_count(a);
  if (n != sqlite3_column_count(b) || sqlite3_stmt_readonly(a) != sqlite3_stmt_readonly(b)) return false;
  for (int c = 0; c < n; ++c)
    if (!sameText(sqlite3_column_name(a, c), sqlite3_column_name(b, c)) ||
        !sameText(sqlite3_column_decltype(a, c), sqlite3_column_decltype(b, c)))
      return false;
  return true;
}

}  // namespace

StatementCache::Entry learnShape(sqlite3* db, std::string_view tsql, const Shape& shape,
                                 const SchemaSnapshot& schema, const Translation& original) {
  StatementCache::Entry entry;
  const SqlStep* step = onlySqlStep(original);
  if (!step) return entry;
  // The statement as it runs today: a text SQLite refuses fails here, before anything is kept.
  Statement literal = prepare(db, step->sql);
  std::optional<Perturbation> changed = perturb(tsql, shape);
  if (!changed) return entry;
  std::optional<Template> t;
  try {
    t = templateOf(shape, *changed, original, translate(changed->text, schema));
  } catch (const TranslationError&) {
    return entry;  // another value is refused where this one was not: its value decides
  }
  if (!t) return entry;
  sqlite3_stmt* raw = nullptr;
  const char* tail = nullptr;
  const int rc = sqlite3_prepare_v3(db, t->sql.data(), static_cast<int>(t->sql.size()), SQLITE_PREPARE_PERSISTENT,
                                    &raw, &tail);
  Statement stmt(raw);
  if (rc != SQLITE_OK || !stmt || !blank(std::string_view(tail, t->sql.data() + t->sql.size() - tail)) ||
      sqlite3_bind_parameter_count(raw) != static_cast<int>(t->params.size()) ||
      !sameColumns(literal.get(), raw))
    return entry;
  entry.stmt = std::move(stmt);
  entry.shape = std::move(*t);
  return entry;
}

}  // namespace korvanda::sqlite
