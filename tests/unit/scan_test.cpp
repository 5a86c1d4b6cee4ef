#include <gtest/gtest.h>

#include <charconv>
#include <cmath>
#include <string>
#include <cstdint>

#include "catalogue/scan.hpp"
#include "helpers.hpp"

using namespace kvtconv;

namespace {

struct Got {
  double value;
  int err;
  std::size_t pos;
};

Got real(std::string_view t, std::size_t pos = 1) {
  int err = 0;
  const double v = rdrtas(t, pos, err);
  return {v, err, pos};
}

Got integer(std::string_view t, std::size_t pos = 1) {
  int err = 0;
  const double v = rditas(t, pos, err);
  return {v, err, pos};
}

}  // namespace

TEST(Scan, RealsWithEverySeparatorAndMark) {
  struct Case {
    const char* text;
    double value;
    int err;
  } const cases[] = {
      {"12.5 ", 12.5, 0},     {"  -3.25,", -3.25, 0}, {"7 ", 7.0, 0},        {"+4.5 ", 4.5, 0},
      {".5 ", 0.5, 0},        {"12*5 ", 12.5, 0},     {"12/5 ", 12.5, 0},    {"-.25 ", -0.25, 0},
      {"- ", kMissingReal, 1}, {"------------ ", kMissingReal, 1},          {"-* ", kMissingReal, 1},
      {"++ ", kMissingReal, 1}, {"abc ", kMissingReal, 1},                  {"1e308 ", kMissingReal, 1},
      {"nan ", kMissingReal, 1}, {"12.", kMissingReal, 1},  // a mark as the last character
      {"        12.", kMissingReal, 1}, {"        12.5", 12.5, 0},  // the same at the end of a longer text
      {"   ", kMissingReal, -1}, {"", kMissingReal, -1},
  };
  for (const auto& c : cases) {
    const Got g = real(c.text);
    EXPECT_EQ(g.err, c.err) << '"' << c.text << '"';
    EXPECT_NEAR(g.value, c.value, 1e-9) << '"' << c.text << '"';
  }
}

TEST(Scan, SuccessiveRealsFollowTheSeparators) {
  std::size_t pos = 1;
  int err = 0;
  EXPECT_NEAR(rdrtas("12.5,3.25 ", pos, err), 12.5, 1e-12);
  EXPECT_NEAR(rdrtas("12.5,3.25 ", pos, err), 3.25, 1e-12);
  pos = 1;
  EXPECT_NEAR(rdrtas("12,5 ", pos, err), 12.0, 1e-12);
  EXPECT_NEAR(rdrtas("12,5 ", pos, err), 5.0, 1e-12);
  EXPECT_EQ(rdrtas("12,5 ", pos, err), kMissingReal);
  EXPECT_EQ(err, -1);
}

TEST(Scan, RealGuardAddsTinyAmount) {
  // The guard keeps 0.1+0.2 style values from rounding down at the last decimal.
  EXPECT_GT(real("2.675 ").value, 2.675);
  EXPECT_LT(real("2.675 ").value, 2.675 + 1e-12);
}

TEST(Scan, IntegersStopAtMarksAndRejectJunk) {
  EXPECT_EQ(integer("  42 ").value, 42);
  EXPECT_EQ(integer("  42 ").pos, 5u);
  EXPECT_EQ(integer("-17/").value, -17);
  EXPECT_EQ(integer("12.5").value, 12);
  EXPECT_EQ(integer("12.5").pos, 3u);  // stands on the "."
  const Got junk = integer("7a 9");
  EXPECT_EQ(junk.value, kMissingInt);
  EXPECT_EQ(junk.err, 1);
  EXPECT_EQ(integer("7a 9", junk.pos).value, 9);
  EXPECT_EQ(integer("- 3").err, 1);
  EXPECT_EQ(integer("x").err, 1);
  EXPECT_EQ(integer(" , / ").err, -1);
  EXPECT_EQ(integer("99999999999 ").err, 1);  // does not fit 32 bits
}

TEST(Scan, TextTokensAreUpperCasedAndCut) {
  std::size_t pos = 1;
  int err = 0;
  EXPECT_EQ(rdatas("  abc,def", pos, 5, err), "ABC  ");
  EXPECT_EQ(err, 0);
  EXPECT_EQ(rdatas("  abc,def", pos, 2, err), "DE");
  EXPECT_EQ(rdatas("  abc,def", pos, 2, err), "  ");
  EXPECT_EQ(err, -1);
  pos = 1;
  EXPECT_EQ(rdatas("\xF8 ", pos, 2, err), "\xD8 ");
  pos = 1;
  EXPECT_EQ(rdatas("- x", pos, 3, err), "-  ");  // the missing marker is taken but flagged
  EXPECT_EQ(err, 1);
  pos = 1;
  EXPECT_EQ(rdatas("a\tb", pos, 3, err), "A  ");
}

TEST(Scan, MissingTolerance) {
  EXPECT_TRUE(missReal(-999.999));
  EXPECT_TRUE(missReal(-999.99905));
  EXPECT_FALSE(missReal(-999.9985));
  EXPECT_TRUE(missInt(-999));
}

TEST(Scan, RealsAgreeWithExactConversion) {
  // The fast path must give the same double as a correctly rounded parse.
  kvttest::Numbers next(0x9E3779B97F4A7C15ull);
  for (int k = 0; k < 100000; ++k) {
    std::string digits(next() % 20, '0');  // leading zeros as GSI data has them
    const int intLen = static_cast<int>(next() % 12), fracLen = static_cast<int>(next() % 10);
    for (int i = 0; i < intLen; ++i) digits += static_cast<char>('0' + next() % 10);
    std::string token = digits;
    if (fracLen > 0) {
      token += '.';
      for (int i = 0; i < fracLen; ++i) token += static_cast<char>('0' + next() % 10);
    }
    if (token.empty() || token == ".") continue;
    double want = 0;
    std::from_chars(token.data(), token.data() + token.size(), want);
    const Got g = real(token + " ");
    ASSERT_EQ(g.err, 0) << token;
    ASSERT_EQ(g.value, want + 1e-13) << token;
    double bare = -1;
    ASSERT_TRUE(readDecimal(token, bare)) << token;
    ASSERT_EQ(bare, want) << token;
    // Sixteen bytes at a time, with digits behind the text that must not be
    // taken, and with a byte after the number inside it.
    static constexpr const char* kAfter[] = {"x9999999", ".9999999", "9x999999", " 9999999", ",9999999", "\t9999999"};
    const std::string padded = token + kAfter[k % 6] + std::string(16, k % 4 < 2 ? ' ' : '7');  // sixteen bytes readable
    double fast = -1, plain = -2;
    ASSERT_EQ(readDecimalPrefixPadded(std::string_view(padded.data(), token.size()), fast), token.size()) << token;
    ASSERT_EQ(fast, want) << token;
    const std::string_view longer(padded.data(), token.size() + 1);
    ASSERT_EQ(readDecimalPrefixPadded(longer, fast), readDecimalPrefix(longer, plain)) << padded;
    ASSERT_EQ(fast, plain) << padded;
  }
  // Bare decimals take digits and one point, nothing else.
  for (const std::string_view bad : {"", ".", "1.2.3", "1a", "-1", " 1", "1 ", "1e5"}) {
    double v = 0;
    EXPECT_FALSE(readDecimal(bad, v)) << bad;
  }
}

namespace {

// Separators and digits as the plain byte-by-byte readings below see them.
bool sep(char c) { return c == ' ' || c == ',' || c == '\t'; }
bool intSep(char c) { return sep(c) || c == '/'; }
bool digit(char c) { return c >= '0' && c <= '9'; }

// Random catalogue-like lines: fields of digits, marks, letters and signs
// between runs of separators, so that tokens end anywhere, also within
// the last eight bytes of a line.
std::string randomLine(kvttest::Numbers& next) {
  static constexpr char kBytes[] = "0123456789012345678901234567890123456789..*/-+aZ\xF8\xE6Q_";
  static constexpr char kSeps[] = "  ,\t";
  std::string line;
  const std::size_t fields = next() % 6;
  for (std::size_t f = 0; f < fields; ++f) {
    // Now and then a column's long run of blanks, longer than a word.
    const std::size_t gap = next() % 4 == 0 ? next() % 16 : 1;
    const bool blanks = next() % 2 == 0;
    for (std::size_t k = 0; k < gap; ++k) line += blanks ? ' ' : kSeps[next() % 4];
    const std::size_t len = next() % 3 == 0 ? next() % 24 : 1 + next() % 12;
    for (std::size_t k = 0; k < len; ++k) line += kBytes[next() % (sizeof kBytes - 1)];
  }
  if (next() % 3 == 0) line += std::string(next() % 10, ' ');
  return line;
}

// rdrtas as a plain byte-by-byte reading, for comparison.
double plainReal(std::string_view t, std::size_t& pos, int& err) {
  std::size_t i = pos == 0 ? 0 : pos - 1;
  while (i < t.size() && sep(t[i])) ++i;
  auto fail = [&](std::size_t at) {
    while (at < t.size() && !sep(t[at])) ++at;
    err = 1;
    pos = at + 1;
    return kMissingReal;
  };
  if (i >= t.size()) {
    err = -1;
    pos = t.size() + 1;
    return kMissingReal;
  }
  bool negative = false;
  if (t[i] == '+' || t[i] == '-') {
    if (i + 1 >= t.size()) return fail(i);
    const char n = t[i + 1];
    if (n == t[i] || sep(n) || (t[i] == '-' && n == '*')) return fail(i);
    negative = t[i] == '-';
    ++i;
  } else if (!digit(t[i]) && t[i] != '.') {
    return fail(i);
  }
  std::string digits;
  std::size_t frac = 0;
  while (i < t.size() && digit(t[i])) digits += t[i++];
  if (i < t.size() && !(sep(t[i]) || t[i] == '.' || t[i] == '*' || t[i] == '/')) return fail(i);
  bool mark = false;
  if (i < t.size() && (t[i] == '.' || t[i] == '*' || t[i] == '/')) {
    if (i + 1 >= t.size()) return fail(i);
    mark = true;
    digits += '.';
    ++i;
    while (i < t.size() && digit(t[i])) {
      digits += t[i++];
      ++frac;
    }
    if (i < t.size() && !(sep(t[i]) || t[i] == '*')) return fail(i);
  }
  if (digits.size() == (mark ? 1u : 0u) || digits.size() > 63) return fail(i);
  double v = 0;
  const auto r = std::from_chars(digits.data(), digits.data() + digits.size(), v);
  if (r.ec != std::errc{} || !std::isfinite(v)) return fail(i);
  err = 0;
  pos = i + 1;
  v += 1e-13;
  return negative ? -v : v;
}

// Four numbers read from `start` on both ways: the same values, flags and
// places.
void expectSameReals(const std::string& line, std::size_t start) {
  std::size_t a = start, b = start;
  for (int field = 0; field < 4; ++field) {
    int ea = 0, eb = 0;
    const double va = rdrtas(line, a, ea), vb = plainReal(line, b, eb);
    ASSERT_EQ(ea, eb) << '"' << line << '"';
    ASSERT_EQ(a, b) << '"' << line << '"';
    ASSERT_EQ(va, vb) << '"' << line << '"';
  }
}

}  // namespace

TEST(Scan, RealsReadWordsAtATimeAsByteByByte) {
  kvttest::Numbers next(0xD1B54A32D192ED03ull);
  for (int k = 0; k < 200000; ++k) {
    const std::string line = randomLine(next);
    expectSameReals(line, 1 + next() % (line.size() + 2));
    if (HasFatalFailure()) return;
  }
}

// Coordinates as catalogues mostly hold them, digits around a point, with
// a byte now and then that ends or spoils them.
TEST(Scan, PlainDecimalsAsByteByByte) {
  kvttest::Numbers next(0xBF58476D1CE4E5B9ull);
  static constexpr char kOdd[] = " ,\t.*/-+x0";
  for (int k = 0; k < 200000; ++k) {
    std::string line(next() % 3, ' ');
    for (int field = 0; field < 3; ++field) {
      line += std::string(next() % 10, '7');
      for (char& c : line) c = c == '7' ? static_cast<char>('0' + next() % 10) : c;
      if (next() % 4 != 0) line += '.';
      for (std::size_t d = next() % 10; d > 0; --d) line += static_cast<char>('0' + next() % 10);
      line += next() % 8 == 0 ? kOdd[next() % (sizeof kOdd - 1)] : ' ';
    }
    line += std::string(next() % 12, next() % 2 ? ' ' : '5');
    expectSameReals(line, 1);
    if (HasFatalFailure()) return;
  }
}

TEST(Scan, WordsReadInPlaceAsTheTokenReaderGivesThem) {
  kvttest::Numbers next(0x94D049BB133111EBull);
  for (int k = 0; k < 200000; ++k) {
    const std::string line = randomLine(next);
    const std::size_t width = 1 + next() % 20;
    std::size_t a = 1 + next() % (line.size() + 2), b = a;
    std::string field(next() % 2 == 0 ? width : next() % 30, 'x');
    for (int token = 0; token < 4; ++token) {
      int ea = 0, eb = 0;
      readWord(line, a, field, width, ea, '-');
      const std::string want = rdatas(line, b, width, eb, '-');
      ASSERT_EQ(field, want) << '"' << line << "\" " << width;
      ASSERT_EQ(ea, eb) << '"' << line << '"';
      ASSERT_EQ(a, b) << '"' << line << '"';
    }
  }
}

namespace {

// The integer, skip and token readers as plain byte-by-byte readings.

std::int32_t plainInt(std::string_view t, std::size_t& pos, int& err) {
  std::size_t i = pos == 0 ? 0 : pos - 1;
  while (i < t.size() && intSep(t[i])) ++i;
  auto fail = [&](std::size_t at) {
    while (at < t.size() && !intSep(t[at])) ++at;
    err = 1;
    pos = at + 1;
    return kMissingInt;
  };
  if (i >= t.size()) {
    err = -1;
    pos = t.size() + 1;
    return kMissingInt;
  }
  const bool negative = t[i] == '-';
  if (t[i] == '+' || t[i] == '-') {
    if (i + 1 >= t.size() || t[i + 1] < '0' || t[i + 1] > '9') return fail(i);
    ++i;
  } else if ((t[i] < '0' || t[i] > '9') && t[i] != '.') {
    return fail(i);
  }
  std::int64_t v = 0;
  for (; i < t.size() && t[i] >= '0' && t[i] <= '9'; ++i)
    if ((v = v * 10 + (t[i] - '0')) > 2147483647) return fail(i);
  if (i < t.size() && !intSep(t[i]) && t[i] != '.' && t[i] != '*') return fail(i);
  err = 0;
  pos = i + 1;
  return static_cast<std::int32_t>(negative ? -v : v);
}

// The next token and where it leaves the position; empty and n + 1 when
// only separators are left.
std::string_view plainToken(std::string_view t, std::size_t& pos) {
  std::size_t i = pos == 0 ? 0 : pos - 1;
  while (i < t.size() && sep(t[i])) ++i;
  std::size_t end = i;
  while (end < t.size() && !sep(t[end])) ++end;
  pos = end + (i < t.size() ? 1 : t.size() + 1 - end);
  return t.substr(std::min(i, t.size()), end - std::min(i, t.size()));
}

}  // namespace

// Each fast reader against its plain reading over random lines, from
// random places, several fields on.
TEST(Scan, ReadersAsByteByByte) {
  kvttest::Numbers next(0x2545F4914F6CDD1Dull);
  for (int k = 0; k < 200000; ++k) {
    std::string line = randomLine(next);
    if (next() % 4 == 0) line += std::string(next() % 9, ' ') + std::to_string(next() % 100000000);
    const std::size_t start = 1 + next() % (line.size() + 2);
    std::size_t a = start, b = start, c = start, d = start, e = start;
    for (int field = 0; field < 4; ++field) {
      int ea = 0, eb = 0;
      ASSERT_EQ(rditas(line, a, ea), plainInt(line, b, eb)) << '"' << line << '"';
      ASSERT_EQ(ea, eb) << '"' << line << '"';
      ASSERT_EQ(a, b) << '"' << line << '"';
      const std::string_view want = plainToken(line, c);
      std::string_view got;
      const std::size_t before = d;
      ASSERT_EQ(nextToken(line, d, got), !want.empty()) << '"' << line << '"';
      if (!want.empty()) {
        ASSERT_EQ(got, want) << '"' << line << '"';
      }
      ASSERT_EQ(d, c) << '"' << line << '"';
      std::size_t skipped = before;
      ASSERT_EQ(skipToken(line, skipped), !want.empty()) << '"' << line << '"';
      ASSERT_EQ(skipped, c) << '"' << line << '"';
      int ee = 0;
      const std::string_view view = rdatasView(line, e, 12, ee, '-');
      ASSERT_EQ(view, want.substr(0, 12)) << '"' << line << '"';
      ASSERT_EQ(ee, want.empty() ? -1 : want == "-" ? 1 : 0) << '"' << line << '"';
      ASSERT_EQ(e, c) << '"' << line << '"';
    }
  }
}

// The word-wise field trim against trim: every length to 20, with up to
// two other bytes anywhere, some a single bit from a blank.
TEST(Scan, FieldTrimAsTrim) {
  for (std::size_t n = 0; n <= 20; ++n) {
    for (std::size_t a = 0; a <= n; ++a) {
      for (std::size_t b = a; b <= n; ++b) {
        for (const char other : {'x', '\0', '\x60', '\xA0', '\x21', '\xE5'}) {
          std::string s(n, ' ');
          if (a < n) s[a] = other;
          if (b < n) s[b] = 'y';
          const std::string_view want = kvtconv::trim(s), got = kvtconv::trimField(s);
          ASSERT_EQ(got, want) << n << " " << a << " " << b;
          if (!want.empty()) {
            ASSERT_EQ(got.data(), want.data()) << n << " " << a << " " << b;
          }
        }
      }
    }
  }
}

// In-place upper case against upperLatin1 byte by byte: every length to
// 40, with one byte that changes (or none) anywhere among ones that do not.
TEST(Scan, UpperInPlaceAsByteByByte) {
  for (std::size_t n = 0; n <= 40; ++n) {
    for (std::size_t at = 0; at <= n; ++at) {
      for (const char c : {'a', 'z', '\xE5', '\xF8', '`', '{', '\xFF'}) {
        std::string s(n, 'Q'), want;
        for (std::size_t k = 0; k < n; ++k) s[k] = "AZ 09.,=\xC5"[k % 9];
        if (at < n) s[at] = c;
        for (const char b : s) want += kvtconv::upperLatin1(b);
        kvtconv::upperInPlace(s.data(), s.size());
        ASSERT_EQ(s, want) << n << " " << at << " " << int(c);
      }
    }
  }
}
