#include "translate/tokens.h"

#include <string>

#include "sqlite/translate.h"

namespace korvanda::sqlite::tsql {

namespace {

std::string at(size_t offset) { return " at character " + std::to_string(offset + 1); }

// ASCII classes, whatever locale the host application has set.
constexpr bool isDigit(unsigned char c) { return c >= '0' && c <= '9'; }
constexpr bool isLetter(unsigned char c) { return (c | 0x20) >= 'a' && (c | 0x20) <= 'z'; }
constexpr bool isSpace(unsigned char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

constexpr bool isWordChar(unsigned char c) {
  return isLetter(c) || isDigit(c) || c == '_' || c == '#' || c == '$' || c == '@' || c >= 0x80;
}

// The operators of two characters: <> != <= >= !< !> || and the compound assignments.
constexpr bool isTwoCharOp(char a, char b) {
  switch (a) {
    case '<': return b == '>' || b == '=';
    case '!': return b == '=' || b == '<' || b == '>';
    case '>': return b == '=';
    case '|': return b == '|' || b == '=';
    case '+': case '-': case '*': case '/': case '%': case '&': case '^': return b == '=';
    default: return false;
  }
}

}  // namespace

std::vector<Token> tokenize(std::string_view s) {
  std::vector<Token> out;
  out.reserve(s.size() / 4);
  size_t i = 0, n = s.size();
  auto quotedUntil = [&](char close, Tk kind, size_t begin, size_t from) {
    std::string text;
    size_t j = from;
    for (;;) {
      const size_t q = s.find(close, j);
      if (q == std::string_view::npos) {
        throw TranslationError((kind == Tk::String ? "unterminated string literal"
                                                   : "unterminated quoted identifier") +
                               at(begin));
      }
      text.append(s.substr(j, q - j));
      if (q + 1 < n && s[q + 1] == close) {  // a doubled quote stands for one
        text.push_back(close);
        j = q + 2;
        continue;
      }
      j = q + 1;
      break;
    }
    out.push_back(Token{kind, std::move(text), begin, j});
    i = j;
  };
  while (i < n) {
    const unsigned char c = static_cast<unsigned char>(s[i]);
    if (isSpace(c)) {
      ++i;
      continue;
    }
    if (c == '-' && i + 1 < n && s[i + 1] == '-') {
      while (i < n && s[i] != '\n') ++i;
      continue;
    }
    if (c == '/' && i + 1 < n && s[i + 1] == '*') {
      const size_t opened = i;
      int depth = 0;
      do {
        if (i + 1 < n && s[i] == '/' && s[i + 1] == '*') {
          ++depth;
          i += 2;
        } else if (i + 1 < n && s[i] == '*' && s[i + 1] == '/') {
          --depth;
          i += 2;
        } else if (i >= n) {
          throw TranslationError("unterminated comment" + at(opened));
        } else {
          ++i;
        }
      } while (depth > 0);
      continue;
    }
    size_t b = i;
    if ((c == 'N' || c == 'n') && i + 1 < n && s[i + 1] == '\'') {
      quotedUntil('\'', Tk::String, b, i + 2);
    } else if (c == '\'') {
      quotedUntil('\'', Tk::String, b, i + 1);
    } else if (c == '[') {
      quotedUntil(']', Tk::Quoted, b, i + 1);
    } else if (c == '"') {
      quotedUntil('"', Tk::Quoted, b, i + 1);
    } else if (c == '`') {
      quotedUntil('`', Tk::Quoted, b, i + 1);
    } else if (isDigit(c) || (c == '.' && i + 1 < n && isDigit(static_cast<unsigned char>(s[i + 1])))) {
      while (i < n && isDigit(static_cast<unsigned char>(s[i]))) ++i;
      if (i < n && s[i] == '.') {
        ++i;
        while (i < n && isDigit(static_cast<unsigned char>(s[i]))) ++i;
      }
      if (i < n && (s[i] == 'e' || s[i] == 'E')) {
        size_t j = i + 1;
        if (j < n && (s[j] == '+' || s[j] == '-')) ++j;
        if (j < n && isDigit(static_cast<unsigned char>(s[j]))) {
          i = j;
          while (i < n && isDigit(static_cast<unsigned char>(s[i]))) ++i;
        }
      }
      if (i < n && isWordChar(static_cast<unsigned char>(s[i])))
        throw TranslationError("malformed number '" + std::string(s.substr(b, i - b + 1)) + "'" + at(b));
      out.push_back(Token{Tk::Number, std::string(s.substr(b, i - b)), b, i});
    } else if (c == '@') {
      ++i;
      while (i < n && isWordChar(static_cast<unsigned char>(s[i]))) ++i;
      out.push_back(Token{Tk::Variable, std::string(s.substr(b, i - b)), b, i});
    } else if (isLetter(c) || c == '_' || c == '#' || c >= 0x80) {
      while (i < n && isWordChar(static_cast<unsigned char>(s[i]))) ++i;
      out.push_back(Token{Tk::Word, std::string(s.substr(b, i - b)), b, i});
    } else {
      const size_t len = i + 1 < n && isTwoCharOp(s[i], s[i + 1]) ? 2 : 1;
      i += len;
      out.push_back(Token{Tk::Op, std::string(s.substr(b, len)), b, i});
    }
  }
  return out;
}

void checkNesting(const std::vector<Token>& toks) {
  std::vector<bool> open;  // true: a CASE
  std::vector<size_t> parens;  // where each open parenthesis is
  const Token* stray = nullptr;  // the first ')' without '(', reported after any nesting fault
  for (const Token& t : toks) {
    bool paren = t.kind == Tk::Op && t.text == "(";
    if (paren || (t.kind == Tk::Word && eqi(t.text, "case"))) {
      open.push_back(!paren);
      if (paren) parens.push_back(t.begin);
      if (open.size() > static_cast<size_t>(kMaxNesting))
        throw TranslationError("the text nests parentheses, subqueries, calls and CASE deeper than " +
                               std::to_string(kMaxNesting) + " levels, at character " +
                               std::to_string(t.begin + 1));
    } else if (t.kind == Tk::Op && t.text == ")") {
      while (!open.empty() && open.back()) open.pop_back();
      if (!open.empty()) open.pop_back();
      if (!parens.empty()) parens.pop_back();
      else if (!stray) stray = &t;
    } else if (t.kind == Tk::Word && eqi(t.text, "end") && !open.empty() && open.back()) {
      open.pop_back();
    }
  }
  if (stray) throw TranslationError("unbalanced parenthesis: ')' without '('" + at(stray->begin));
  if (!parens.empty()) throw TranslationError("unbalanced parenthesis: '(' without ')'" + at(parens.back()));
}

size_t nestingOf(const Nodes& nodes) {
  size_t deepest = 0;
  std::vector<std::pair<const Nodes*, size_t>> pending{{&nodes, 0}};
  while (!pending.empty()) {
    auto [ns, depth] = pending.back();
    pending.pop_back();
    deepest = std::max(deepest, depth);
    for (const Node& n : *ns)
      if (n.group) pending.push_back({&n.kids, depth + 1});
  }
  return deepest;
}

Nodes buildTree(std::vector<Token>& toks, size_t& i, bool inGroup) {
  const size_t first = i;
  Nodes out;
  while (i < toks.size()) {
    Token& t = toks[i];
    if (t.kind == Tk::Op && t.text == "(") {
      ++i;
      Node g;
      g.group = true;
      g.tok = std::move(t);
      g.kids = buildTree(toks, i, true);
      out.push_back(std::move(g));
      continue;
    }
    if (t.kind == Tk::Op && t.text == ")") {
      if (!inGroup) throw TranslationError("unbalanced parenthesis: ')' without '('" + at(t.begin));
      ++i;
      return out;
    }
    out.push_back(Node{std::move(t), {}, false});
    ++i;
  }
  // The opening token was moved into its group; its position is still there.
  if (inGroup) throw TranslationError("unbalanced parenthesis: '(' without ')'" + at(toks[first - 1].begin));
  return out;
}

Node group(Nodes kids) {
  Node g;
  g.group = true;
  g.tok.text = "(";
  g.kids = std::move(kids);
  return g;
}
void append(Nodes& to, const Nodes& from) { to.insert(to.end(), from.begin(), from.end()); }
void append(Nodes& to, Nodes&& from) {
  if (to.empty()) to = std::move(from);
  else to.insert(to.end(), std::make_move_iterator(from.begin()), std::make_move_iterator(from.end()));
}

namespace {
constexpr std::string_view kKeywords[] = {
    "select", "from", "where", "and", "or", "not", "in", "is", "null", "like", "between", "case",
    "when", "then", "else", "end", "as", "on", "join", "inner", "left", "right", "full", "outer",
    "cross", "union", "all", "distinct", "group", "by", "order", "having", "asc", "desc", "exists",
    "into", "values", "set", "update", "delete", "insert", "top", "limit", "collate", "escape",
    "except", "intersect", "with", "offset", "percent", "ties", "glob", "regexp", "match"};

}  // namespace

bool isKeyword(std::string_view w) {
  for (std::string_view k : kKeywords)
    if (eqi(w, k)) return true;
  return false;
}

}  // namespace korvanda::sqlite::tsql
