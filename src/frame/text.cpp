#include "frame/text.hpp"

#include <algorithm>

#include "frame/bytes.hpp"

namespace kvtconv {

std::string fixed(std::string_view s, std::size_t width) {
  std::string out(width, ' ');
  s.copy(out.data(), std::min(width, s.size()));
  return out;
}

void setFixed(std::string& field, std::string_view s) {
  // Names and codes (up to 16 bytes) by fixed stores, no calls.
  bytes::fill(field.data(), ' ', field.size());
  bytes::copy(field.data(), s.data(), std::min(field.size(), s.size()));
}

Span chrnbl(std::string_view s) {
  const auto first = s.find_first_not_of(' ');
  if (first == std::string_view::npos) return {1, 1};
  const auto last = s.find_last_not_of(' ');
  return {static_cast<int>(first) + 1, static_cast<int>(last) + 1};
}

void hjuster(std::string& s) {
  const std::string_view body = trim(s);
  if (body.empty()) return;
  std::string out(s.size(), ' ');
  body.copy(out.data() + (s.size() - body.size()), body.size());
  s = std::move(out);
}

void stgbln(std::string& s) {
  std::size_t k = 0;
  while (k < s.size() && s[k] == ' ') ++k;
  if (k == 0 || k == s.size()) return;
  std::memmove(s.data(), s.data() + k, s.size() - k);
  std::fill(s.end() - static_cast<std::ptrdiff_t>(k), s.end(), ' ');
}

void fill(std::string& s, char c) { std::fill(s.begin(), s.end(), c); }

char lowerLatin1(char c) {
  const auto u = static_cast<unsigned char>(c);
  if (u >= 'A' && u <= 'Z') return static_cast<char>(u + 32);
  if (u == kUpperAa) return static_cast<char>(kLowerAa);
  if (u == kUpperAe) return static_cast<char>(kLowerAe);
  if (u == kUpperOe) return static_cast<char>(kLowerOe);
  return c;
}

void low2up(std::string& s) {
  for (char& c : s) c = upperLatin1(c);
}

void up2low(std::string& s) {
  for (char& c : s) c = lowerLatin1(c);
}

void dkdoswin(std::string& s) {
  for (char& c : s) {
    switch (static_cast<unsigned char>(c)) {
      case 145: c = static_cast<char>(0xE6); break;  // æ
      case 155: c = static_cast<char>(0xF8); break;  // ø
      case 134: c = static_cast<char>(0xE5); break;  // å
      case 146: c = static_cast<char>(0xC6); break;  // Æ
      case 157: c = static_cast<char>(0xD8); break;  // Ø
      case 143: c = static_cast<char>(0xC5); break;  // Å
      default: break;
    }
  }
}

void putField(std::string& line, std::size_t col, std::string_view text, std::size_t width) {
  if (col == 0 || col > line.size()) return;
  const std::size_t start = col - 1;
  const std::size_t room = std::min(width, line.size() - start);
  const std::size_t n = std::min(room, text.size());
  std::copy_n(text.begin(), n, line.begin() + static_cast<std::ptrdiff_t>(start));
  std::fill_n(line.begin() + static_cast<std::ptrdiff_t>(start + n), room - n, ' ');
}

}  // namespace kvtconv
