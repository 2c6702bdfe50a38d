#include "export/cp1252.h"

#include <cstdint>
#include <cstring>

namespace korvanda {
namespace {

// Code points of the bytes 0x80..0x9F. The five positions the code page leaves unassigned
// keep their C1 control (as Windows and the WHATWG encoding do), so they round-trip.
constexpr char16_t kHigh[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

char toCp1252(uint32_t cp) {
  if (cp < 0x80 || (cp >= 0xA0 && cp <= 0xFF)) return static_cast<char>(cp);
  for (int i = 0; i < 32; ++i)
    if (kHigh[i] == cp) return static_cast<char>(0x80 + i);
  return '?';
}

// Decodes one UTF-8 sequence at s[i]; returns its length, or 0 when it is malformed
// (overlong forms, surrogates and values past U+10FFFF included).
size_t decode(std::string_view s, size_t i, uint32_t& cp) {
  auto c = static_cast<unsigned char>(s[i]);
  size_t len;
  uint32_t min;
  if ((c & 0xE0) == 0xC0) len = 2, cp = c & 0x1F, min = 0x80;
  else if ((c & 0xF0) == 0xE0) len = 3, cp = c & 0x0F, min = 0x800;
  else if ((c & 0xF8) == 0xF0) len = 4, cp = c & 0x07, min = 0x10000;
  else return 0;
  if (i + len > s.size()) return 0;
  for (size_t k = 1; k < len; ++k) {
    auto cc = static_cast<unsigned char>(s[i + k]);
    if ((cc & 0xC0) != 0x80) return 0;
    cp = (cp << 6) | (cc & 0x3F);
  }
  if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return 0;
  return len;
}

}  // namespace

void appendCp1252(std::string& out, std::string_view s, bool replaceEnie) {
  size_t i = 0;
  const size_t n = s.size();
  while (i < n) {
    // Runs of ASCII are copied as they are; they are found eight bytes at a time.
    size_t run = i;
    for (uint64_t word; run + 8 <= n; run += 8) {
      std::memcpy(&word, s.data() + run, 8);
      if (word & 0x8080808080808080u) break;
    }
    while (run < n && static_cast<unsigned char>(s[run]) < 0x80) ++run;
    if (run > i) {
      out.append(s.data() + i, run - i);
      i = run;
      if (i == n) break;
    }
    uint32_t cp = 0;
    size_t len = decode(s, i, cp);
    if (len == 0) {
      out.push_back('?');
      ++i;
      continue;
    }
    i += len;
    if (replaceEnie && cp == 0xD1) out.push_back('N');
    else if (replaceEnie && cp == 0xF1) out.push_back('n');
    else out.push_back(toCp1252(cp));
  }
}

}  // namespace korvanda
