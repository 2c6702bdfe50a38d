// The first stage of the translation: a T-SQL text as tokens (with their character positions).
// The SQLite text is built as a tree of such tokens in parenthesised groups (Node), which
// emit.h writes out.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "core/ascii.h"

namespace korvanda::sqlite::tsql {

enum class Tk { Word, Quoted, String, Number, Op, Variable };

struct Token {
  Tk kind = Tk::Op;
  std::string text;  // Quoted and String: the content, unquoted
  size_t begin = 0, end = 0;
};

struct Node {
  Token tok;
  std::vector<Node> kids;  // a group: the tokens between "(" and ")"
  bool group = false;
};
using Nodes = std::vector<Node>;

// Keywords and names compare in ASCII letter case.
using ascii::lower;
inline constexpr auto eqi = ascii::equalsIgnoreCase;

// Comments dropped; strings, [brackets], "quotes" and `backticks` unquoted. Throws
// TranslationError for an unterminated string, identifier or comment and a malformed number.
std::vector<Token> tokenize(std::string_view s);

// Refuses a text whose parentheses and CASE nest deeper than kMaxNesting, before anything
// recurses into it, then one whose parentheses do not pair. A ')' closes the CASEs left open
// inside its group; a stray END closes nothing.
void checkNesting(const std::vector<Token>& toks);

// Depth of the groups in nodes, without recursion.
size_t nestingOf(const Nodes& nodes);

// Moves the tokens from i into the tree; throws for an unbalanced parenthesis.
Nodes buildTree(std::vector<Token>& toks, size_t& i, bool inGroup);

// Node helpers.
inline bool isOp(const Node& n, std::string_view op) {
  return !n.group && n.tok.kind == Tk::Op && n.tok.text == op;
}
inline bool isWord(const Node& n, std::string_view w) {
  return !n.group && n.tok.kind == Tk::Word && eqi(n.tok.text, w);
}
inline bool isName(const Node& n) {
  return !n.group && (n.tok.kind == Tk::Word || n.tok.kind == Tk::Quoted);
}
inline bool isString(const Node& n) { return !n.group && n.tok.kind == Tk::String; }
inline Node word(std::string w) { return Node{Token{Tk::Word, std::move(w)}, {}, false}; }
inline Node op(std::string o) { return Node{Token{Tk::Op, std::move(o)}, {}, false}; }
inline Node quoted(std::string q) { return Node{Token{Tk::Quoted, std::move(q)}, {}, false}; }
inline Node str(std::string s) { return Node{Token{Tk::String, std::move(s)}, {}, false}; }
inline Node number(std::string s) { return Node{Token{Tk::Number, std::move(s)}, {}, false}; }
Node group(Nodes kids);
void append(Nodes& to, const Nodes& from);
void append(Nodes& to, Nodes&& from);

// SQL keywords that never name a column or a function.
bool isKeyword(std::string_view w);

}  // namespace korvanda::sqlite::tsql
