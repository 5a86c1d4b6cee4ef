#include "catalogue/scan.hpp"

#include <algorithm>
#include <bit>
#include <cstring>
#include <charconv>
#include <cmath>

#include "frame/text.hpp"

namespace kvtconv {

namespace {

bool isDigit(char c) { return c >= '0' && c <= '9'; }

// Separator sets as predicates: these loops run for every byte of a
// catalogue, so they stay simple.
struct IntSeps {
  static bool is(char c) { return c == ' ' || c == ',' || c == '/' || c == '\t'; }
};
struct TextSeps {
  static bool is(char c) { return c == ' ' || c == ',' || c == '\t'; }
};

// Index of the first separator at or after i (the end if none).
template <class Seps>
std::size_t findSep(std::string_view t, std::size_t i) {
  while (i < t.size() && !Seps::is(t[i])) ++i;
  return i;
}

// Catalogue columns are padded with runs of blanks: those are passed eight
// bytes at a time, up to the first byte that is not a blank.
template <class Seps>
std::size_t skipSeps(std::string_view t, std::size_t i) {
  if constexpr (std::endian::native == std::endian::little) {
    constexpr std::uint64_t kBlanks = 0x2020202020202020ull;
    while (i + 8 <= t.size() && t[i] == ' ' && t[i + 1] == ' ') {
      std::uint64_t w;
      std::memcpy(&w, t.data() + i, 8);
      const std::uint64_t other = w ^ kBlanks;
      if (other != 0) {
        i += static_cast<std::size_t>(std::countr_zero(other)) / 8;
        break;
      }
      i += 8;
    }
  }
  while (i < t.size() && Seps::is(t[i])) ++i;
  return i;
}

// Upper case of every Latin-1 byte (the Danish letters included), as a
// table: text tokens are upper-cased byte by byte.
struct UpperTable {
  char t[256];
  UpperTable() {
    for (int c = 0; c < 256; ++c) t[c] = upperLatin1(static_cast<char>(c));
  }
};
const UpperTable kUpper;

constexpr double kPow10[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8,  1e9,  1e10, 1e11,
                             1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};

// The digits from t[i] on gathered into m, two at a time where two follow;
// returns where they end. m wraps past 19 digits: callers count the digits
// and do not use m then.
inline std::size_t gatherDigits(std::string_view t, std::size_t i, std::uint64_t& m) {
  const std::size_t n = t.size();
  while (i + 2 <= n) {
    const auto a = static_cast<unsigned>(static_cast<unsigned char>(t[i]) - '0');
    if (a > 9) return i;
    const auto b = static_cast<unsigned>(static_cast<unsigned char>(t[i + 1]) - '0');
    if (b > 9) {
      m = m * 10 + a;
      return i + 1;
    }
    m = m * 100 + a * 10 + b;
    i += 2;
  }
  if (i < n && isDigit(t[i])) m = m * 10 + static_cast<std::uint64_t>(t[i++] - '0');
  return i;
}

// Exact decimal digits to the nearest double. Up to 15 significant digits
// and 22 decimals, mantissa and power are exact doubles and one division
// rounds correctly; longer tokens go the general way.
bool digitsToDouble(const char* digits, std::size_t n, std::size_t fracDigits, double& out) {
  std::size_t lead = 0;  // leading zeros carry no precision
  while (lead < n && (digits[lead] == '0' || digits[lead] == '.')) ++lead;
  const std::size_t significant = n - lead - (fracDigits && lead < n - fracDigits ? 1 : 0);
  if (significant <= 15 && fracDigits <= 22) {
    std::uint64_t m = 0;
    for (std::size_t k = 0; k < n; ++k)
      if (digits[k] != '.') m = m * 10 + static_cast<std::uint64_t>(digits[k] - '0');
    out = static_cast<double>(m) / kPow10[fracDigits];
    return true;
  }
  const auto res = std::from_chars(digits, digits + n, out);
  return res.ec == std::errc{} && std::isfinite(out);
}

}  // namespace

std::size_t readDecimalPrefix(std::string_view t, double& out) {
  // The whole digits, then the decimals, gathered into one mantissa as
  // rdrtas does; long ones go the general way.
  std::uint64_t m = 0;
  std::size_t i = gatherDigits(t, 0, m);
  std::size_t digits = i, frac = 0;
  if (i < t.size() && t[i] == '.') {
    const std::size_t fracStart = i + 1;
    i = gatherDigits(t, fracStart, m);
    frac = i - fracStart;
    digits += frac;
  }
  if (digits == 0) return 0;
  if (digits <= 19 && m <= (std::uint64_t{1} << 53) && frac <= 22) {
    out = static_cast<double>(m) / kPow10[frac];
    return i;
  }
  return digitsToDouble(t.data(), i, frac, out) ? i : 0;
}

bool readDecimal(std::string_view t, double& out) {
  return !t.empty() && readDecimalPrefix(t, out) == t.size();
}

std::int32_t rditas(std::string_view t, std::size_t& pos, int& err) {
  std::size_t i = skipSeps<IntSeps>(t, pos == 0 ? 0 : pos - 1);
  auto fail = [&](std::size_t at) {
    err = 1;
    pos = at + 1;
    return kMissingInt;
  };
  if (i >= t.size()) {
    err = -1;
    pos = t.size() + 1;
    return kMissingInt;
  }
  const char c = t[i];
  bool negative = false;
  if (c == '+' || c == '-') {
    if (i + 1 >= t.size() || !isDigit(t[i + 1])) return fail(findSep<IntSeps>(t, i));
    negative = (c == '-');
    ++i;
  } else if (!isDigit(c) && c != '.') {
    return fail(findSep<IntSeps>(t, i));
  }
  std::int64_t value = 0;
  // Digits first: they are most of the bytes, and no digit ends a token.
  for (; i < t.size(); ++i) {
    const char d = t[i];
    if (isDigit(d)) {
      value = value * 10 + (d - '0');
      if (value > 2147483647) return fail(findSep<IntSeps>(t, i));
      continue;
    }
    if (d == ' ' || d == '.' || d == ',' || d == '*' || d == '\t' || d == '/') break;
    return fail(findSep<IntSeps>(t, i));
  }
  err = 0;
  pos = i + 1;
  return static_cast<std::int32_t>(negative ? -value : value);
}

double rdrtas(std::string_view t, std::size_t& pos, int& err) {
  std::size_t i = skipSeps<TextSeps>(t, pos == 0 ? 0 : pos - 1);
  auto fail = [&](std::size_t at) {
    err = 1;
    pos = findSep<TextSeps>(t, at) + 1;
    return kMissingReal;
  };
  if (i >= t.size()) {
    err = -1;
    pos = t.size() + 1;
    return kMissingReal;
  }
  const std::size_t start = i;
  const char c = t[i];
  bool negative = false;
  if (c == '+' || c == '-') {
    if (i + 1 >= t.size()) return fail(start);
    const char n = t[i + 1];
    const bool marker = (c == '-') ? (n == '-' || n == ' ' || n == ',' || n == '*' || n == '\t')
                                   : (n == '+' || n == ' ' || n == ',' || n == '\t');
    if (marker) return fail(start);
    negative = (c == '-');
    ++i;
  } else if (!isDigit(c) && c != '.') {
    return fail(start);
  }
  // The digits are read where they stand and gathered into one mantissa;
  // up to 19 digits it cannot overflow, and while it is at most 2^53 it is
  // an exact double, so one division by an exact power of ten rounds
  // correctly. Anything longer goes the general way.
  const std::size_t n = t.size();
  const std::size_t first = i;
  std::uint64_t m = 0;
  // Instrument words pad their data with zeros: those add nothing to the
  // mantissa and are passed eight at a time.
  if (i < n && t[i] == '0') {
    while (i + 8 <= n && std::memcmp(t.data() + i, "00000000", 8) == 0) i += 8;
  }
  i = gatherDigits(t, i, m);
  const std::size_t intDigits = i - first;
  if (i < n) {
    const char d = t[i];
    if (!(d == ' ' || d == '.' || d == ',' || d == '*' || d == '\t' || d == '/')) return fail(i);
  }
  std::size_t fracDigits = 0, mark = std::string_view::npos;
  if (i < n && (t[i] == '.' || t[i] == '*' || t[i] == '/')) {
    if (i + 1 >= n) return fail(i);  // a mark as the last character
    mark = i++;
    const std::size_t fracStart = i;
    i = gatherDigits(t, i, m);
    fracDigits = i - fracStart;
    if (i < n) {
      const char d = t[i];
      if (!(d == ' ' || d == ',' || d == '*' || d == '\t')) return fail(i);
    }
  }
  // At most 63 digits and mark, as the general conversion's buffer holds.
  const std::size_t digitCount = intDigits + fracDigits;
  const std::size_t taken = digitCount + (mark != std::string_view::npos);
  if (digitCount == 0 || taken > 63) return fail(i);
  double value = 0.0;
  if (digitCount <= 19 && m <= (std::uint64_t{1} << 53) && fracDigits <= 22) {
    value = static_cast<double>(m) / kPow10[fracDigits];
  } else {
    char digits[64];
    std::size_t nd = 0;
    for (std::size_t k = first; k < i; ++k) digits[nd++] = k == mark ? '.' : t[k];
    if (!digitsToDouble(digits, nd, fracDigits, value)) return fail(i);
  }
  err = 0;
  pos = i + 1;
  value += 1e-13;
  return negative ? -value : value;
}

bool skipToken(std::string_view t, std::size_t& pos) {
  const std::size_t i = skipSeps<TextSeps>(t, pos == 0 ? 0 : pos - 1);
  if (i >= t.size()) {
    pos = t.size() + 1;
    return false;
  }
  pos = findSep<TextSeps>(t, i) + 1;
  return true;
}

bool nextToken(std::string_view t, std::size_t& pos, std::string_view& token) {
  const std::size_t i = skipSeps<TextSeps>(t, pos == 0 ? 0 : pos - 1);
  if (i >= t.size()) {
    pos = t.size() + 1;
    return false;
  }
  const std::size_t end = findSep<TextSeps>(t, i);
  token = t.substr(i, end - i);
  pos = end + 1;
  return true;
}

std::string_view rdatasView(std::string_view t, std::size_t& pos, std::size_t width, int& err,
                            char missingMark) {
  std::size_t i = skipSeps<TextSeps>(t, pos == 0 ? 0 : pos - 1);
  if (i >= t.size()) {
    err = -1;
    pos = t.size() + 1;
    return {};
  }
  const std::size_t end = findSep<TextSeps>(t, i);
  err = (end - i == 1 && t[i] == missingMark) ? 1 : 0;
  pos = end + 1;
  return t.substr(i, std::min(width, end - i));
}

void putWord(std::string& field, std::string_view token, std::size_t width) {
  field.resize(width);
  const std::size_t n = std::min(width, token.size());
  for (std::size_t k = 0; k < n; ++k) field[k] = kUpper.t[static_cast<unsigned char>(token[k])];
  std::fill(field.begin() + static_cast<std::ptrdiff_t>(n), field.end(), ' ');
}

std::string rdatas(std::string_view t, std::size_t& pos, std::size_t width, int& err,
                   char missingMark) {
  std::string field;
  putWord(field, rdatasView(t, pos, width, err, missingMark), width);
  return field;
}

}  // namespace kvtconv
