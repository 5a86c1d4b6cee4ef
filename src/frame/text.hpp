#pragma once
// Fixed-width Latin-1 text helpers. Texts are byte strings; a field of
// width w is a std::string of exactly w bytes, blank padded.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

#include "frame/bytes.hpp"

namespace kvtconv {

// Cut or blank-pad to exactly `width` bytes.
std::string fixed(std::string_view s, std::size_t width);
void setFixed(std::string& field, std::string_view s);  // keeps field.size()

// Blanks off the ends; inline, as every reader calls them per field.
inline std::string_view rtrim(std::string_view s) {
  std::size_t n = s.size();
  // Record lines end in long runs of blanks: eight at a time first.
  while (n >= 8 && bytes::load8(s.data() + n - 8) == bytes::every(' ')) n -= 8;
  while (n > 0 && s[n - 1] == ' ') --n;
  return s.substr(0, n);
}
inline std::string_view trim(std::string_view s) {
  s = rtrim(s);
  std::size_t k = 0;
  while (k < s.size() && s[k] == ' ') ++k;
  return s.substr(k);
}
// Fields are mostly 8 to 16 bytes: two looks at eight bytes that may
// overlap answer for them.
inline bool isBlank(std::string_view s) {
  constexpr std::uint64_t kBlanks = bytes::every(' ');
  const char* p = s.data();
  std::size_t n = s.size();
  if (n >= 8) {
    for (; n > 16; p += 8, n -= 8)
      if (bytes::load8(p) != kBlanks) return false;
    return bytes::load8(p) == kBlanks && bytes::load8(p + n - 8) == kBlanks;
  }
  for (; n > 0; ++p, --n)
    if (*p != ' ') return false;
  return true;
}

// Text comparison that ignores trailing blanks, as fixed fields compare.
inline bool sameText(std::string_view a, std::string_view b) { return rtrim(a) == rtrim(b); }

// 1-based positions of the first and last non-blank byte; (1,1) when blank.
struct Span {
  int first;
  int last;
};
Span chrnbl(std::string_view s);

void hjuster(std::string& s);  // right-justify in place
void stgbln(std::string& s);   // left-justify in place
void fill(std::string& s, char c);

// The Danish letters in Latin-1.
inline constexpr unsigned char kLowerAa = 0xE5, kLowerAe = 0xE6, kLowerOe = 0xF8;
inline constexpr unsigned char kUpperAa = 0xC5, kUpperAe = 0xC6, kUpperOe = 0xD8;

// Upper case of every Latin-1 byte, the Danish letters included, by one
// table: readers upper-case text tokens byte by byte.
struct UpperLatin1 {
  char t[256] = {};
  constexpr UpperLatin1() {
    for (int c = 0; c < 256; ++c) {
      const auto u = static_cast<unsigned char>(c);
      t[c] = static_cast<char>(u >= 'a' && u <= 'z' ? u - 32
                               : u == kLowerAa      ? kUpperAa
                               : u == kLowerAe      ? kUpperAe
                               : u == kLowerOe      ? kUpperOe
                                                    : u);
    }
  }
};
inline constexpr UpperLatin1 kUpperLatin1{};
inline char upperLatin1(char c) { return kUpperLatin1.t[static_cast<unsigned char>(c)]; }
char lowerLatin1(char c);
void low2up(std::string& s);
void up2low(std::string& s);
// DOS code page 865 Danish letters to Latin-1.
void dkdoswin(std::string& s);

// Place `text` at 1-based column `col` of `line`, cut or padded to `width`.
void putField(std::string& line, std::size_t col, std::string_view text, std::size_t width);

}  // namespace kvtconv
