// ASCII letter case: keywords, names, identifiers and keys compare with A-Z folded to a-z and
// every other byte as it is, whatever the process locale (std::tolower follows it).
#pragma once

#include <algorithm>
#include <string>
#include <string_view>

namespace korvanda::ascii {

constexpr char lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }
constexpr char upper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

inline std::string lower(std::string_view s) {
  std::string r(s);
  for (char& c : r) c = lower(c);
  return r;
}

inline std::string upper(std::string_view s) {
  std::string r(s);
  for (char& c : r) c = upper(c);
  return r;
}

constexpr bool equalsIgnoreCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() &&
         std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) { return lower(x) == lower(y); });
}

constexpr bool startsWithIgnoreCase(std::string_view text, std::string_view prefix) {
  return text.size() >= prefix.size() && equalsIgnoreCase(text.substr(0, prefix.size()), prefix);
}

inline bool containsIgnoreCase(std::string_view text, std::string_view part) {
  return std::search(text.begin(), text.end(), part.begin(), part.end(),
                     [](char x, char y) { return lower(x) == lower(y); }) != text.end();
}

}  // namespace korvanda::ascii
