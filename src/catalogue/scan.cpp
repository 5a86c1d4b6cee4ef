#include "catalogue/scan.hpp"

#include <charconv>
#include <cmath>

#include "frame/text.hpp"

namespace kvtconv {

namespace {

bool isDigit(char c) { return c >= '0' && c <= '9'; }

// Index of the first character at or after i that is one of `seps`.
std::size_t findAny(std::string_view t, std::size_t i, std::string_view seps) {
  const auto j = t.find_first_of(seps, i);
  return j == std::string_view::npos ? t.size() : j;
}

std::size_t skipAny(std::string_view t, std::size_t i, std::string_view seps) {
  const auto j = t.find_first_not_of(seps, i);
  return j == std::string_view::npos ? t.size() : j;
}

constexpr std::string_view kIntSeps = " ,/\t";
constexpr std::string_view kTextSeps = " ,\t";

}  // namespace

bool missReal(double v) { return std::fabs(v - kMissingReal) < 0.0001; }

std::int32_t rditas(std::string_view t, std::size_t& pos, int& err) {
  std::size_t i = skipAny(t, pos == 0 ? 0 : pos - 1, kIntSeps);
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
    if (i + 1 >= t.size() || !isDigit(t[i + 1])) return fail(findAny(t, i, kIntSeps));
    negative = (c == '-');
    ++i;
  } else if (!isDigit(c) && c != '.') {
    return fail(findAny(t, i, kIntSeps));
  }
  std::int64_t value = 0;
  for (; i < t.size(); ++i) {
    const char d = t[i];
    if (d == ' ' || d == '.' || d == ',' || d == '*' || d == '\t' || d == '/') break;
    if (!isDigit(d)) return fail(findAny(t, i, kIntSeps));
    value = value * 10 + (d - '0');
    if (value > 2147483647) return fail(findAny(t, i, kIntSeps));
  }
  err = 0;
  pos = i + 1;
  return static_cast<std::int32_t>(negative ? -value : value);
}

double rdrtas(std::string_view t, std::size_t& pos, int& err) {
  std::size_t i = skipAny(t, pos == 0 ? 0 : pos - 1, kTextSeps);
  auto fail = [&](std::size_t at) {
    err = 1;
    pos = findAny(t, at, kTextSeps) + 1;
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
  // Digits are gathered as "int.frac" and converted once, exactly.
  char digits[64];
  std::size_t nd = 0;
  bool overlong = false;
  auto take = [&](char d) {
    if (nd < sizeof digits - 1) digits[nd++] = d;
    else overlong = true;
  };
  std::size_t intDigits = 0, fracDigits = 0;
  for (; i < t.size(); ++i) {
    const char d = t[i];
    if (d == ' ' || d == '.' || d == ',' || d == '*' || d == '\t' || d == '/') break;
    if (!isDigit(d)) return fail(i);
    take(d);
    ++intDigits;
  }
  if (i < t.size() && (t[i] == '.' || t[i] == '*' || t[i] == '/')) {
    if (i + 1 >= t.size()) return fail(i);  // a mark as the last character
    take('.');
    for (++i; i < t.size(); ++i) {
      const char d = t[i];
      if (d == ' ' || d == ',' || d == '*' || d == '\t') break;
      if (!isDigit(d)) return fail(i);
      take(d);
      ++fracDigits;
    }
  }
  if (intDigits + fracDigits == 0 || overlong) return fail(i);
  double value = 0.0;
  const auto res = std::from_chars(digits, digits + nd, value);
  if (res.ec != std::errc{} || !std::isfinite(value)) return fail(i);
  err = 0;
  pos = i + 1;
  value += 1e-13;
  return negative ? -value : value;
}

std::string rdatas(std::string_view t, std::size_t& pos, std::size_t width, int& err,
                   char missingMark) {
  std::string field(width, ' ');
  std::size_t i = skipAny(t, pos == 0 ? 0 : pos - 1, kTextSeps);
  if (i >= t.size()) {
    err = -1;
    pos = t.size() + 1;
    return field;
  }
  const std::size_t end = findAny(t, i, kTextSeps);
  err = (end - i == 1 && t[i] == missingMark) ? 1 : 0;
  const std::size_t n = std::min(width, end - i);
  for (std::size_t k = 0; k < n; ++k) field[k] = upperLatin1(t[i + k]);
  pos = end + 1;
  return field;
}

}  // namespace kvtconv
