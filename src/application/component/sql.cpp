#include "component/sql.h"

#include <cmath>

#include "korvanda/error.h"
#include "korvanda/textform.h"

namespace korvanda::sql {

std::string escaped(std::string_view text) {
  std::string out;
  out.reserve(text.size() + 2);
  for (char c : text) {
    out.push_back(c);
    if (c == '\'') out.push_back('\'');
  }
  return out;
}

std::string quoted(std::string_view text) { return "'" + escaped(text) + "'"; }

std::string integer(int64_t v) { return std::to_string(v); }

std::string decimal(double v) {
  // NaN and the infinities have no number text: they would be names in the statement.
  if (!std::isfinite(v)) throw errors::invalidArgument("the value is not a finite number");
  return formatDouble(v);
}

std::string date(Date d) { return formatDate(d); }

std::string requireInteger(std::string_view text, std::string_view argumentName) {
  std::string_view s = text;
  while (!s.empty() && s.front() == ' ') s.remove_prefix(1);
  while (!s.empty() && s.back() == ' ') s.remove_suffix(1);
  std::string_view digits = s;
  if (!digits.empty() && (digits.front() == '-' || digits.front() == '+')) digits.remove_prefix(1);
  bool ok = !digits.empty() && digits.size() <= 18;
  for (char c : digits) ok = ok && c >= '0' && c <= '9';
  if (!ok)
    throw errors::typeMismatch(std::string(argumentName) + " must be an integer, not \"" +
                               std::string(text) + "\"");
  return std::string(s.front() == '+' ? s.substr(1) : s);
}

}  // namespace korvanda::sql
