#include "odbc/statements.h"

#include <sqlite3.h>

namespace korvanda::odbc {
namespace {
bool blank(std::string_view s) {
  return s.find_first_not_of(" \t\r\n;") == std::string_view::npos;
}
}  // namespace

std::vector<std::string> splitSqliteStatements(std::string_view batch) {
  std::vector<std::string> out;
  size_t start = 0;
  for (size_t i = batch.find(';'); i != std::string_view::npos; i = batch.find(';', i + 1)) {
    std::string piece(batch.substr(start, i + 1 - start));
    if (!sqlite3_complete(piece.c_str())) continue;
    if (!blank(piece)) out.push_back(std::move(piece));
    start = i + 1;
  }
  if (start < batch.size() && !blank(batch.substr(start))) out.emplace_back(batch.substr(start));
  return out;
}

}  // namespace korvanda::odbc
