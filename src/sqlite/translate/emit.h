// The last stage of the translation: the tree as SQLite text, identifiers in double quotes and
// strings in single quotes with their quotes doubled, spaced as the library's statements are.
#pragma once

#include <string>

#include "translate/tokens.h"

namespace korvanda::sqlite::tsql {

void emitNode(const Node& n, std::string& out);
void emitNodes(const Nodes& ns, std::string& out);
std::string emit(const Nodes& ns);

}  // namespace korvanda::sqlite::tsql
