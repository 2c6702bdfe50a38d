#include "sqlite/collation.h"

#include <array>
#include <cstdint>

namespace korvanda::sqlite::collation {
namespace {

// A character's weights. Texts compare by their primary weights first (letters without case or
// accent), and by the secondary ones (accents) only where all primary weights are equal.
struct Key {
  uint32_t primary = 0;
  uint32_t secondary = 0;
  friend bool operator==(const Key&, const Key&) = default;
};

int compareKeys(Key a, Key b) {
  if (a.primary != b.primary) return a.primary < b.primary ? -1 : 1;
  if (a.secondary != b.secondary) return a.secondary < b.secondary ? -1 : 1;
  return 0;
}

// Primary weight bands: symbols and digits by code point, then letters, then characters
// outside Windows-1252 by code point, then bytes that are not UTF-8.
constexpr uint32_t kLetters = 0x10000;
constexpr uint32_t kOutside = 0x20000;
constexpr uint32_t kInvalid = 0x200000;

// Accents, in the order their letters follow the base letter.
enum Accent : uint32_t {
  kBase, kAcute, kGrave, kCircumflex, kDiaeresis, kTilde, kRing, kLigature, kCedilla, kCaron,
  kStroke, kHook
};

// Letters in order: a..n, ñ, o..z, þ.
constexpr uint32_t kRankEnye = 14, kRankThorn = 27;
constexpr Key letter(char base, Accent accent = kBase) {
  uint32_t rank = static_cast<uint32_t>(base - 'a');
  if (base > 'n') ++rank;
  return Key{kLetters + rank, accent};
}

// The lower-case partner of a Windows-1252 upper-case letter; other characters unchanged.
constexpr char32_t toLower(char32_t c) {
  if ((c >= 'A' && c <= 'Z') || (c >= 0xC0 && c <= 0xDE && c != 0xD7)) return c + 32;
  switch (c) {
    case 0x0160: return 0x0161;  // Š
    case 0x0152: return 0x0153;  // Œ
    case 0x017D: return 0x017E;  // Ž
    case 0x0178: return 0x00FF;  // Ÿ
    default: return c;
  }
}

constexpr char32_t toUpper(char32_t c) {
  if ((c >= 'a' && c <= 'z') || (c >= 0xE0 && c <= 0xFE && c != 0xF7)) return c - 32;
  switch (c) {
    case 0x0161: return 0x0160;
    case 0x0153: return 0x0152;
    case 0x017E: return 0x017D;
    case 0x00FF: return 0x0178;
    default: return c;
  }
}

// Weights of a lower-case (or caseless) character.
constexpr Key keyOfLower(char32_t c) {
  if (c >= 'a' && c <= 'z') return letter(static_cast<char>(c));
  switch (c) {
    case 0xDF: return letter('s', kLigature);  // ß
    case 0xE0: return letter('a', kGrave);
    case 0xE1: return letter('a', kAcute);
    case 0xE2: return letter('a', kCircumflex);
    case 0xE3: return letter('a', kTilde);
    case 0xE4: return letter('a', kDiaeresis);
    case 0xE5: return letter('a', kRing);
    case 0xE6: return letter('a', kLigature);  // æ
    case 0xE7: return letter('c', kCedilla);
    case 0xE8: return letter('e', kGrave);
    case 0xE9: return letter('e', kAcute);
    case 0xEA: return letter('e', kCircumflex);
    case 0xEB: return letter('e', kDiaeresis);
    case 0xEC: return letter('i', kGrave);
    case 0xED: return letter('i', kAcute);
    case 0xEE: return letter('i', kCircumflex);
    case 0xEF: return letter('i', kDiaeresis);
    case 0xF0: return letter('d', kStroke);  // ð
    case 0xF1: return Key{kLetters + kRankEnye, kBase};
    case 0xF2: return letter('o', kGrave);
    case 0xF3: return letter('o', kAcute);
    case 0xF4: return letter('o', kCircumflex);
    case 0xF5: return letter('o', kTilde);
    case 0xF6: return letter('o', kDiaeresis);
    case 0xF8: return letter('o', kStroke);
    case 0xF9: return letter('u', kGrave);
    case 0xFA: return letter('u', kAcute);
    case 0xFB: return letter('u', kCircumflex);
    case 0xFC: return letter('u', kDiaeresis);
    case 0xFD: return letter('y', kAcute);
    case 0xFE: return Key{kLetters + kRankThorn, kBase};
    case 0xFF: return letter('y', kDiaeresis);
    case 0x0161: return letter('s', kCaron);
    case 0x0153: return letter('o', kLigature);  // œ
    case 0x017E: return letter('z', kCaron);
    case 0x0192: return letter('f', kHook);  // ƒ
    // The symbols Windows-1252 places in 0x80-0x9F.
    case 0x20AC: case 0x201A: case 0x201E: case 0x2026: case 0x2020: case 0x2021: case 0x02C6:
    case 0x2030: case 0x2039: case 0x2018: case 0x2019: case 0x201C: case 0x201D: case 0x2022:
    case 0x2013: case 0x2014: case 0x02DC: case 0x2122: case 0x203A:
      return Key{c, kBase};
    default:
      return c < 0x100 ? Key{c, kBase} : Key{kOutside + c, kBase};
  }
}

constexpr Key keyOf(char32_t c) { return keyOfLower(toLower(c)); }

constexpr std::array<Key, 128> kAscii = [] {
  std::array<Key, 128> t{};
  for (char32_t c = 0; c < 128; ++c) t[c] = keyOf(c);
  return t;
}();

constexpr Key kBlank = kAscii[' '];

// The character at s[i], advancing i. A byte that does not begin a well-formed UTF-8 sequence
// is a character of its own (valid false, cp the byte).
struct Char {
  char32_t cp;
  bool valid;
};

Char next(std::string_view s, size_t& i) {
  const auto c = static_cast<unsigned char>(s[i]);
  if (c < 0x80) {
    ++i;
    return {c, true};
  }
  size_t len;
  char32_t cp, min;
  if ((c & 0xE0) == 0xC0) len = 2, cp = c & 0x1F, min = 0x80;
  else if ((c & 0xF0) == 0xE0) len = 3, cp = c & 0x0F, min = 0x800;
  else if ((c & 0xF8) == 0xF0) len = 4, cp = c & 0x07, min = 0x10000;
  else len = 0, cp = 0, min = 0;
  bool ok = len != 0 && i + len <= s.size();
  for (size_t k = 1; ok && k < len; ++k) {
    const auto d = static_cast<unsigned char>(s[i + k]);
    ok = (d & 0xC0) == 0x80;
    cp = (cp << 6) | (d & 0x3F);
  }
  if (!ok || cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
    ++i;
    return {c, false};
  }
  i += len;
  return {cp, true};
}

Key keyOf(Char ch) { return ch.valid ? keyOf(ch.cp) : Key{kInvalid + ch.cp, kBase}; }

Key keyAt(std::string_view s, size_t& i) {
  const auto c = static_cast<unsigned char>(s[i]);
  if (c < 0x80) {
    ++i;
    return kAscii[c];
  }
  return keyOf(next(s, i));
}

void appendUtf8(std::string& out, char32_t cp) {
  if (cp < 0x80) {
    out.push_back(static_cast<char>(cp));
  } else if (cp < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else if (cp < 0x10000) {
    out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  }
}

template <char32_t (*Map)(char32_t)>
std::string mapLetters(std::string_view s) {
  std::string out;
  out.reserve(s.size());
  for (size_t i = 0; i < s.size();) {
    const size_t at = i;
    Char ch = next(s, i);
    if (ch.valid) appendUtf8(out, Map(ch.cp));
    else out.append(s.substr(at, i - at));
  }
  return out;
}

}  // namespace

int compare(std::string_view a, std::string_view b) {
  // A text that ends compares as blanks from there on.
  int accents = 0;
  size_t i = 0, j = 0;
  while (i < a.size() || j < b.size()) {
    const Key x = i < a.size() ? keyAt(a, i) : kBlank;
    const Key y = j < b.size() ? keyAt(b, j) : kBlank;
    if (x.primary != y.primary) return x.primary < y.primary ? -1 : 1;
    if (accents == 0 && x.secondary != y.secondary) accents = x.secondary < y.secondary ? -1 : 1;
  }
  return accents;
}

std::string upper(std::string_view s) { return mapLetters<toUpper>(s); }
std::string lower(std::string_view s) { return mapLetters<toLower>(s); }

std::optional<char32_t> singleCharacter(std::string_view s) {
  if (s.empty()) return std::nullopt;
  size_t i = 0;
  Char ch = next(s, i);
  if (!ch.valid || i != s.size()) return std::nullopt;
  return ch.cp;
}

// ---- LIKE

struct LikePattern::Item {
  enum Kind { kRun, kOne, kChar, kSet } kind = kChar;
  Key key;                                  // kChar
  bool negated = false;                     // kSet
  std::vector<std::pair<Key, Key>> ranges;  // kSet: inclusive; a single character is lo == hi

  bool accepts(Key k) const {
    switch (kind) {
      case kOne: return true;
      case kChar: return k == key;
      case kSet: {
        bool in = false;
        for (const auto& [lo, hi] : ranges) in |= compareKeys(lo, k) <= 0 && compareKeys(k, hi) <= 0;
        return in != negated;
      }
      default: return false;
    }
  }
};

LikePattern::~LikePattern() = default;
LikePattern::LikePattern(LikePattern&&) noexcept = default;
LikePattern& LikePattern::operator=(LikePattern&&) noexcept = default;

LikePattern::LikePattern(std::string_view p, std::optional<char32_t> escape) : escape_(escape) {
  auto isEscape = [&](Char c) { return escape && c.valid && c.cp == *escape; };
  size_t i = 0;
  while (i < p.size()) {
    Char c = next(p, i);
    Item item;
    if (isEscape(c)) {
      if (i == p.size()) {  // an escape with nothing after it matches nothing
        item.kind = Item::kSet;
      } else {
        item.key = keyOf(next(p, i));
      }
    } else if (c.valid && c.cp == '%') {
      if (!items_.empty() && items_.back().kind == Item::kRun) continue;
      item.kind = Item::kRun;
    } else if (c.valid && c.cp == '_') {
      item.kind = Item::kOne;
    } else if (c.valid && c.cp == '[') {
      // A set up to the next ']'; without one, '[' is itself.
      size_t j = i;
      Item set;
      set.kind = Item::kSet;
      bool closed = false;
      if (j < p.size() && p[j] == '^') set.negated = true, ++j;
      while (j < p.size()) {
        Char m = next(p, j);
        if (m.valid && m.cp == ']') {
          closed = true;
          break;
        }
        if (isEscape(m) && j < p.size()) m = next(p, j);
        Key lo = keyOf(m), hi = lo;
        if (j + 1 < p.size() && p[j] == '-' && p[j + 1] != ']') {
          ++j;
          Char h = next(p, j);
          if (isEscape(h) && j < p.size()) h = next(p, j);
          hi = keyOf(h);
        }
        set.ranges.emplace_back(lo, hi);
      }
      if (closed) {
        item = std::move(set);
        i = j;
      } else {
        item.key = keyOf(c);
      }
    } else {
      item.key = keyOf(c);
    }
    items_.push_back(std::move(item));
  }
}

bool LikePattern::matches(std::string_view text) const {
  size_t trimmed = text.size();
  while (trimmed > 0 && text[trimmed - 1] == ' ') --trimmed;
  for (size_t n = text.size();; --n) {
    if (matchesPrefix(text, n)) return true;
    if (n == trimmed) return false;
  }
}

// Whether the first n bytes match: a run (%) takes as few characters as it can and one more
// each time what follows it fails.
bool LikePattern::matchesPrefix(std::string_view text, size_t n) const {
  const std::string_view t = text.substr(0, n);
  const size_t m = items_.size();
  size_t ti = 0, pi = 0, runItem = m, runText = 0;
  while (ti < t.size()) {
    if (pi < m && items_[pi].kind == Item::kRun) {
      runItem = pi++;
      runText = ti;
      continue;
    }
    if (pi < m) {
      size_t after = ti;
      if (items_[pi].accepts(keyAt(t, after))) {
        ++pi;
        ti = after;
        continue;
      }
    }
    if (runItem == m) return false;
    pi = runItem + 1;
    keyAt(t, runText);
    ti = runText;
  }
  while (pi < m && items_[pi].kind == Item::kRun) ++pi;
  return pi == m;
}

}  // namespace korvanda::sqlite::collation
