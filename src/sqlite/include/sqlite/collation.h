// SQL Server's default text comparison rules (Modern_Spanish_CI_AS), as the embedded engine's
// collation KV_CI_AS and the UPPER, LOWER and LIKE it registers. Standard library only: the
// loadable T-SQL extension compiles it too.
//
// Texts are UTF-8. Letter case is ignored for every letter of Windows-1252, accents are not
// (n and ñ differ), and a shorter text compares as if padded with blanks, so trailing blanks
// never matter. Order: everything that is not a letter (blanks, punctuation, digits, symbols) by
// code point, then the letters, each accented letter right after its base letter
// (a < á < à < â < ä < ã < å < æ < b) and ñ a letter of its own between n and o. Accents decide
// only between texts whose letters are otherwise the same, the first from the left deciding
// (cote < coté < côte). Characters outside Windows-1252 follow by code point, and bytes that
// are not UTF-8 last, by value.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace korvanda::sqlite::collation {

inline constexpr const char* kName = "KV_CI_AS";

// <0, 0 or >0 as a sorts before, equal to or after b.
int compare(std::string_view a, std::string_view b);

// Every Windows-1252 letter in the other case (ß, ƒ and characters outside Windows-1252 stay).
std::string upper(std::string_view s);
std::string lower(std::string_view s);

// T-SQL's LIKE: % any run, _ one character, [abc] [a-f] [^abc] one character of a set,
// letters compared as by compare(); trailing blanks of text are ignored, the pattern's are not.
// escape makes the character after it literal.
class LikePattern {
 public:
  explicit LikePattern(std::string_view pattern, std::optional<char32_t> escape = std::nullopt);
  ~LikePattern();
  LikePattern(LikePattern&&) noexcept;
  LikePattern& operator=(LikePattern&&) noexcept;
  bool matches(std::string_view text) const;
  std::optional<char32_t> escape() const { return escape_; }

 private:
  struct Item;
  bool matchesPrefix(std::string_view text, size_t length) const;
  std::vector<Item> items_;
  std::optional<char32_t> escape_;
};

// The single character an ESCAPE text holds; nullopt when it is not exactly one.
std::optional<char32_t> singleCharacter(std::string_view s);

}  // namespace korvanda::sqlite::collation
