// The second stage of the translation: tokens -> statements (ast.h). Recursive descent over the
// statements and expressions the translation accepts; anything else is refused with a
// TranslationError naming the token and its character position. Statements follow one another
// with or without ';' (a T-SQL batch). The tokens must have passed checkNesting: the parser
// recurses once per parenthesis, call, subquery and CASE.
#pragma once

#include <string>
#include <vector>

#include "translate/ast.h"
#include "translate/tokens.h"

namespace korvanda::sqlite::tsql {

std::vector<Statement> parse(const std::vector<Token>& toks);

// A statement as a one-line S-expression, for tests and diagnostics.
std::string print(const Statement& s);

}  // namespace korvanda::sqlite::tsql
