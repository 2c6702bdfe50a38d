// The types the translation gives columns and expressions, read from the declared types of the
// schema: enough to tell texts (concatenation, collation, lengths) from numbers and dates.
#pragma once

#include <string>
#include <string_view>

namespace korvanda::sqlite::tsql {

enum class Cat { Unknown, Null, Text, Int, Float, Decimal, Date, Bool };

struct Type {
  Cat cat = Cat::Unknown;
  std::string decl;
};

Type typeFromDecl(std::string_view decl);
inline bool isNumeric(Cat c) {
  return c == Cat::Int || c == Cat::Float || c == Cat::Decimal || c == Cat::Bool;
}
// Characters a text type holds: VARCHAR(30) -> 30; 0 when unknown.
int textLength(const Type& t);
// VARCHAR(length), length kept within 1..8000.
Type textType(int length);
// The declared type suggested for a result column of this type ("" when nothing is known).
std::string hintFor(const Type& t);

}  // namespace korvanda::sqlite::tsql
