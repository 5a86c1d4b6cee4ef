#include "catalogue/fortran.hpp"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>

namespace kvtconv {

namespace {

void stars(char* out, int w) { std::fill_n(out, w, '*'); }

void rightAlign(char* out, int w, const char* text, int len) {
  std::fill_n(out, w - len, ' ');
  std::memcpy(out + (w - len), text, static_cast<std::size_t>(len));
}

constexpr double kPow10[] = {1e0, 1e1, 1e2, 1e3, 1e4, 1e5, 1e6, 1e7, 1e8, 1e9};

// The digits of v rounded to d decimals, when one multiplication settles
// them: the product is within half an ulp of the exact one, so unless it
// lies that close to a half the rounding is the exact value's rounding.
// Returns the text length, or 0 to leave the value to to_chars.
int fastFixed(char* text, int d, double v) {
  if (d > 9 || !(std::fabs(v) < 1e15)) return 0;
  const double scaled = v * kPow10[d];
  const double mag = std::fabs(scaled);
  if (!(mag < 4e15)) return 0;
  const double rounded = std::nearbyint(scaled);
  // At least two ulps of the product without asking for them: an ulp is at
  // most mag * 2^-52, and the tiny term covers subnormals. A wider margin
  // only sends more values to to_chars, which is exact too.
  const double margin = mag * 0x1p-51 + 0x1p-1060;
  if (std::fabs(std::fabs(scaled - rounded) - 0.5) <= margin) return 0;
  auto n = static_cast<std::int64_t>(rounded);
  char* p = text;
  if (n < 0) {
    *p++ = '-';
    n = -n;
  }
  char digits[24];
  auto res = std::to_chars(digits, digits + sizeof digits, n);
  int nd = static_cast<int>(res.ptr - digits);
  const int intDigits = nd > d ? nd - d : 1;
  const int pad = nd > d ? 0 : d + 1 - nd;  // leading zeros of "0.00x"
  int k = 0;
  for (int i = 0; i < intDigits; ++i) *p++ = i < pad ? '0' : digits[k++];
  *p++ = '.';
  for (int i = 0; i < d; ++i) *p++ = (intDigits + i < pad) ? '0' : digits[k++];
  return static_cast<int>(p - text);
}

}  // namespace

bool formatF(char* out, int w, int d, double v) {
  if (w <= 0) return false;
  if (!std::isfinite(v)) {
    stars(out, w);
    return false;
  }
  // Large enough for the widest double in fixed notation with 9 decimals.
  char buf[400];
  char* text = buf + 1;
  int len = fastFixed(text, d, v);
  if (len == 0) {
    auto res = std::to_chars(text, buf + sizeof buf - 1, v, std::chars_format::fixed, d);
    if (res.ec != std::errc{}) {
      stars(out, w);
      return false;
    }
    if (d == 0) *res.ptr++ = '.';  // the point is always written, as F editing does
    len = static_cast<int>(res.ptr - text);
  }
  if (text[0] == '-') {
    // A value that rounds to zero carries no sign.
    bool allZero = true;
    for (int i = 1; i < len && allZero; ++i) allZero = (text[i] == '0' || text[i] == '.');
    if (allZero) {
      ++text;
      --len;
    }
  }
  if (len > w) {
    // The optional leading zero goes first when room is short.
    if (len - 1 <= w && text[0] == '0' && text[1] == '.') {
      ++text;
      --len;
    } else if (len - 1 <= w && text[0] == '-' && text[1] == '0' && text[2] == '.') {
      text[1] = '-';
      ++text;
      --len;
    } else {
      stars(out, w);
      return false;
    }
  }
  rightAlign(out, w, text, len);
  return true;
}

bool formatI(char* out, int w, std::int64_t v) {
  if (w <= 0) return false;
  char buf[24];
  auto res = std::to_chars(buf, buf + sizeof buf, v);
  const int len = static_cast<int>(res.ptr - buf);
  if (len > w) {
    stars(out, w);
    return false;
  }
  rightAlign(out, w, buf, len);
  return true;
}

bool putF(std::string& line, std::size_t col, int w, int d, double v) {
  if (col == 0 || col - 1 + static_cast<std::size_t>(w) > line.size()) return false;
  return formatF(line.data() + col - 1, w, d, v);
}

std::string fieldF(double v, int w, int d) {
  std::string t(static_cast<std::size_t>(w), ' ');
  formatF(t.data(), w, d, v);
  return t;
}

std::string fieldI(std::int64_t v, int w) {
  std::string t(static_cast<std::size_t>(w), ' ');
  formatI(t.data(), w, v);
  return t;
}

bool putI(std::string& line, std::size_t col, int w, std::int64_t v) {
  if (col == 0 || col - 1 + static_cast<std::size_t>(w) > line.size()) return false;
  return formatI(line.data() + col - 1, w, v);
}

}  // namespace kvtconv
