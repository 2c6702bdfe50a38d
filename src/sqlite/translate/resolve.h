// The third stage of the translation: each parsed statement resolved against the schema (the
// scopes of its tables, aliases and derived tables, the type of each expression) and rewritten
// for SQLite as a token tree that emit.h writes out. Here it is decided which '+' concatenates,
// which text comparison takes the database's collation, which texts are dates for DATETIME
// columns and how literals convert to the types of the columns they reach.
#pragma once

#include <vector>

#include "sqlite/translate.h"
#include "translate/ast.h"
#include "translate/tokens.h"

namespace korvanda::sqlite::tsql {

// The steps of the statements of one text, in order; toks are the text's tokens, from which
// the statements passed on as written (DDL, PRAGMA..) are taken. SET DATEFORMAT applies to the
// statements after it.
Translation resolve(const std::vector<Statement>& statements, std::vector<Token>& toks,
                    const SchemaSnapshot& schema);

}  // namespace korvanda::sqlite::tsql
