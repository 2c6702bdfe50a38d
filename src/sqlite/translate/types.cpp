#include "translate/types.h"

#include <algorithm>
#include <cctype>

#include "core/ascii.h"

namespace korvanda::sqlite::tsql {

using ascii::lower;

Type typeFromDecl(std::string_view decl) {
  std::string d = lower(decl);
  Type t{Cat::Unknown, std::string(decl)};
  auto has = [&](const char* s) { return d.find(s) != std::string::npos; };
  if (d.empty()) t.cat = Cat::Unknown;
  else if (has("char") || has("text") || has("clob")) t.cat = Cat::Text;
  else if (has("date") || has("time")) t.cat = Cat::Date;
  else if (d == "bit") t.cat = Cat::Bool;
  else if (has("int")) t.cat = Cat::Int;
  else if (has("float") || has("real") || has("doub")) t.cat = Cat::Float;
  else if (has("dec") || has("numeric") || has("money")) t.cat = Cat::Decimal;
  return t;
}

int textLength(const Type& t) {
  if (t.cat != Cat::Text) return 0;
  auto open = t.decl.find('(');
  if (open == std::string::npos) return 0;
  int n = 0;
  for (size_t i = open + 1; i < t.decl.size() && std::isdigit(static_cast<unsigned char>(t.decl[i])); ++i)
    n = n * 10 + (t.decl[i] - '0');
  return n;
}

Type textType(int length) {
  return Type{Cat::Text, "VARCHAR(" + std::to_string(std::clamp(length, 1, 8000)) + ")"};
}

std::string hintFor(const Type& t) {
  if (!t.decl.empty()) return t.decl;
  switch (t.cat) {
    case Cat::Text: return "VARCHAR(8000)";
    case Cat::Int: return "INT";
    case Cat::Float: return "FLOAT";
    case Cat::Decimal: return "DECIMAL(38,10)";
    case Cat::Date: return "DATETIME";
    case Cat::Bool: return "BIT";
    default: return "";
  }
}

}  // namespace korvanda::sqlite::tsql
