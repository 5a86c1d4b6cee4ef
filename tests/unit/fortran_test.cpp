#include <gtest/gtest.h>

#include <cmath>
#include <charconv>
#include <cstdint>
#include <limits>

#include "catalogue/fortran.hpp"
#include "helpers.hpp"

using namespace kvtconv;

namespace {

std::string f(int w, int d, double v) {
  std::string out(static_cast<std::size_t>(w), '?');
  formatF(out.data(), w, d, v);
  return out;
}

std::string i(int w, long long v) {
  std::string out(static_cast<std::size_t>(w), '?');
  formatI(out.data(), w, v);
  return out;
}

std::string trimLeft(const std::string& s) { return s.substr(s.find_first_not_of(" ")); }

}  // namespace

TEST(Fortran, FixedPointTable) {
  struct Case {
    int w, d;
    double v;
    const char* want;
  } const cases[] = {
      {12, 3, 612.789, "     612.789"},
      {12, 3, 12.5, "      12.500"},
      {8, 3, -1.5, "  -1.500"},
      {8, 2, 2.675, "    2.67"},     // the binary value lies below the tie
      {8, 2, 0.125, "    0.12"},     // an exact tie rounds to even, as the exact value does
      {8, 2, 0.375, "    0.38"},
      {6, 0, 12.0, "   12."},        // the point is always written
      {6, 0, 2.5, "    2."},
      {5, 3, 0.5, "0.500"},
      {4, 3, 0.5, ".500"},           // the optional zero goes when room is short
      {5, 3, -0.5, "-.500"},
      {8, 3, -0.0004, "   0.000"},   // rounds to zero: no sign
      {8, 3, -0.0, "   0.000"},
      {12, 3, 99999999.999, "99999999.999"},
      {12, 3, 100000000.0, "************"},
      {12, 3, 1e308, "************"},
      {9, 3, -99999.9996, "*********"},
  };
  for (const auto& c : cases) EXPECT_EQ(f(c.w, c.d, c.v), c.want) << c.v << " F" << c.w << "." << c.d;
}

TEST(Fortran, NonFiniteBecomesStars) {
  EXPECT_EQ(f(6, 2, std::numeric_limits<double>::quiet_NaN()), "******");
  EXPECT_EQ(f(6, 2, std::numeric_limits<double>::infinity()), "******");
  std::string out(4, ' ');
  EXPECT_FALSE(formatF(out.data(), 4, 2, 1000.0));
  EXPECT_TRUE(formatF(out.data(), 4, 2, 1.0));
}

TEST(Fortran, IntegerTable) {
  EXPECT_EQ(i(6, 42), "    42");
  EXPECT_EQ(i(6, -999), "  -999");
  EXPECT_EQ(i(3, 1000), "***");
  EXPECT_EQ(i(3, -99), "-99");
  EXPECT_EQ(i(2, -100), "**");
}

// Zero-filled fields against to_chars padded with zeros: every width, the
// largest value that fits and the smallest that does not, and values with
// every digit count.
TEST(Fortran, ZeroFilledAgreesWithPaddedDigits) {
  kvttest::Numbers next(0x9E3779B97F4A7C15ull);
  for (int w = 1; w <= 19; ++w) {
    std::uint64_t limit = 1;
    for (int k = 0; k < w; ++k) limit *= 10;
    std::vector<std::uint64_t> values = {0, 1, limit - 1, limit, limit / 10, limit / 10 - 1};
    for (int k = 0; k < 2000; ++k) values.push_back(next() % (limit / (next() % limit + 1) + 1) + next() % limit);
    for (const std::uint64_t v : values) {
      std::string got(static_cast<std::size_t>(w) + 2, '#');
      const bool fits = formatZeroFilled(got.data() + 1, w, v);
      std::string want(static_cast<std::size_t>(w), '*');
      if (v < limit) {
        char buf[24];
        const auto end = std::to_chars(buf, buf + sizeof buf, v).ptr;
        want = std::string(static_cast<std::size_t>(w) - static_cast<std::size_t>(end - buf), '0') + std::string(buf, end);
      }
      ASSERT_EQ(fits, v < limit) << w << " " << v;
      ASSERT_EQ(got, "#" + want + "#") << w << " " << v;  // nothing outside the field
    }
  }
}

// Integer fields against to_chars, right-aligned or stars, over the whole
// range of the type.
TEST(Fortran, IntegerFieldsAgreeWithToChars) {
  kvttest::Numbers next(0xD1B54A32D192ED03ull);
  std::vector<std::int64_t> values = {0, -1, 9, -9, 10, -10, std::numeric_limits<std::int64_t>::min(),
                                      std::numeric_limits<std::int64_t>::max()};
  for (int k = 0; k < 3000; ++k) values.push_back(static_cast<std::int64_t>(next()) >> (next() % 64));
  for (const std::int64_t v : values) {
    char buf[24];
    const std::string digits(buf, std::to_chars(buf, buf + sizeof buf, v).ptr);
    for (int w = 1; w <= 21; ++w) {
      const bool fits = static_cast<int>(digits.size()) <= w;
      const std::string want = fits ? std::string(static_cast<std::size_t>(w) - digits.size(), ' ') + digits
                                    : std::string(static_cast<std::size_t>(w), '*');
      ASSERT_EQ(i(w, v), want) << v;
      std::string out(static_cast<std::size_t>(w), '#');
      ASSERT_EQ(formatI(out.data(), w, v), fits) << v;
    }
  }
}

TEST(Fortran, FastPathAgreesWithExactRounding) {
  // Every value is also formatted by the exact general path of to_chars.
  kvttest::Numbers next(88172645463325252ull);
  for (int k = 0; k < 200000; ++k) {
    const int d = static_cast<int>(next() % 10);
    // Magnitudes from a millionth to 10^12, so that whole parts of every
    // length are met, short and long.
    const double scale = static_cast<double>(next() % 1000000000) / std::pow(10.0, static_cast<int>(next() % 16) - 3);
    double v = scale * ((next() & 1) ? 1 : -1);
    if (k % 3 == 0) v = std::round(v * 1000.0) / 1000.0 + 0.0005;  // near ties
    const double p = std::pow(10.0, d);
    if (k % 3 == 1) v = (std::round(v * p) + 0.5) / p;                   // decimal ties at d
    if (k % 7 == 2) v = std::ldexp(static_cast<double>(next() % 4096), -static_cast<int>(next() % 12));  // binary ties
    char want[400];
    auto res = std::to_chars(want, want + sizeof want, v, std::chars_format::fixed, d);
    std::string exact(want, res.ptr);
    if (d == 0) exact += '.';
    if (exact.find_first_not_of("-0.") == std::string::npos && exact[0] == '-') exact.erase(0, 1);
    ASSERT_EQ(trimLeft(f(30, d, v)), exact) << v << " d=" << d;
    // In a narrow field: the optional zero goes first, then stars.
    const int w = 1 + static_cast<int>(next() % 20);
    std::string narrow = exact;
    if (static_cast<int>(narrow.size()) > w && narrow.size() - 1 <= static_cast<std::size_t>(w)) {
      if (narrow.rfind("0.", 0) == 0) narrow.erase(0, 1);
      else if (narrow.rfind("-0.", 0) == 0) narrow.erase(1, 1);
    }
    const auto width = static_cast<std::size_t>(w);
    narrow = narrow.size() > width ? std::string(width, '*') : std::string(width - narrow.size(), ' ') + narrow;
    std::string got(width + 2, '#');  // nothing written outside the field
    formatF(got.data() + 1, w, d, v);
    ASSERT_EQ(got, "#" + narrow + "#") << v << " F" << w << "." << d;
  }
}
