#include "catalogue/scan.hpp"

#include <algorithm>
#include <bit>
#include <cstring>
#include <charconv>
#include <cmath>

#include "frame/bytes.hpp"
#include "frame/text.hpp"

namespace kvtconv {

namespace {

bool isDigit(char c) { return c >= '0' && c <= '9'; }

// Separator sets as predicates: these loops run for every byte of a
// catalogue, so they stay simple. `maybe` marks, eight bytes at a time, the
// bytes that may be separators: every byte below '-' (signs and a few
// marks too, rare in tokens); the first marked one is exact and is then
// looked at.
struct IntSeps {
  static bool is(char c) { return c == ' ' || c == ',' || c == '/' || c == '\t'; }
  static std::uint64_t maybe(std::uint64_t w) { return bytes::below(w, '-') | bytes::equal(w, '/'); }
};
struct TextSeps {
  static bool is(char c) { return isSeparator(c); }
  static std::uint64_t maybe(std::uint64_t w) { return bytes::below(w, '-'); }
};

// Index of the first separator at or after i (the end if none). Tokens are
// passed eight bytes at a time; a byte marked on the way that is no
// separator is stepped over.
template <class Seps>
std::size_t findSep(std::string_view t, std::size_t i) {
  const std::size_t n = t.size();
  if constexpr (std::endian::native == std::endian::little) {
    while (i + 8 <= n) {
      const std::uint64_t m = Seps::maybe(bytes::load8(t.data() + i));
      if (m == 0) {
        i += 8;
        continue;
      }
      i += bytes::first(m);
      if (Seps::is(t[i])) return i;
      ++i;
    }
  }
  while (i < n && !Seps::is(t[i])) ++i;
  return i;
}

// Catalogue columns are padded with runs of blanks: those are passed eight
// bytes at a time, up to the first byte that is not a blank.
template <class Seps>
std::size_t skipSeps(std::string_view t, std::size_t i) {
  if constexpr (std::endian::native == std::endian::little) {
    while (i + 8 <= t.size() && t[i] == ' ' && t[i + 1] == ' ') {
      const std::uint64_t other = bytes::load8(t.data() + i) ^ bytes::every(' ');
      if (other != 0) {
        i += bytes::first(other);
        break;
      }
      i += 8;
    }
  }
  while (i < t.size() && Seps::is(t[i])) ++i;
  return i;
}

// Where the token after `i` most likely starts, for the fast paths: past
// the separator at i (if it is one) and the blanks after it. Needs eight
// bytes from i + 1. The byte there may still be a separator (a second
// comma, eight blanks): the fast paths then take the general way, which
// skips separators fully.
template <class Seps>
inline std::size_t likelyStart(const char* b, std::size_t i) {
  i += Seps::is(b[i]);
  if (b[i] == ' ') i += bytes::first(bytes::load8(b + i) ^ bytes::every(' '));
  return i;
}

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

constexpr std::uint64_t kPow10Int[] = {1, 10, 100, 1000, 10000, 100000, 1000000, 10000000, 100000000};

// The value of eight digit bytes less '0' each, the first digit in the
// lowest byte: pairs, then fours, then the eight, each by one multiply.
inline std::uint64_t digitsValue(std::uint64_t d) {
  constexpr std::uint64_t kMask = 0x000000FF000000FFull;
  constexpr std::uint64_t kMul1 = 100 + (1000000ull << 32), kMul2 = 1 + (10000ull << 32);
  d = d * 10 + (d >> 8);
  return (((d & kMask) * kMul1) + (((d >> 16) & kMask) * kMul2)) >> 32;
}

// The digits that begin the eight bytes at p (little-endian machines): how
// many (0-8) and their value.
struct DigitRun {
  unsigned count;
  std::uint64_t value;
};
// The bytes of w that are no digit, marked exactly up to the first: a byte
// below '0' borrows into its high bit, one above '9' carries into it.
inline std::uint64_t nonDigits(std::uint64_t w) {
  return ((w - bytes::every('0')) | (w + bytes::every(0x46))) & bytes::every(0x80);
}

inline DigitRun digitRun(const char* p) {
  const std::uint64_t w = bytes::load8(p);
  const std::uint64_t d = w - bytes::every('0');
  const auto k = static_cast<unsigned>(bytes::first(nonDigits(w)));  // 8 when all are digits
  // The k digits shifted up as the last of eight, behind zeros.
  return {k, k == 0 ? 0 : digitsValue(d << (64 - 8 * k))};
}

// The same with the digits kept where they stand, as the first of eight
// with zeros after them (a mask below the first other byte, no shift by
// the count): how many, and the digit bytes for digitsValue, whose value
// then comes times 10^(8 - count).
struct LeftDigits {
  unsigned count;
  std::uint64_t digits;
};
inline LeftDigits digitsLeft(const char* p) {
  const std::uint64_t w = bytes::load8(p);
  const std::uint64_t d = w - bytes::every('0');
  const std::uint64_t other = nonDigits(w);
  const std::uint64_t below = ((other & (0 - other)) >> 7) - 1;  // all of it when no byte is other
  return {static_cast<unsigned>(bytes::first(other)), d & below};
}

// As gatherDigits, eight bytes at a time while eight can be read: a
// coordinate's whole part or decimals take one step instead of a loop.
inline std::size_t gatherDigitsWide(std::string_view t, std::size_t i, std::uint64_t& m) {
  if constexpr (std::endian::native == std::endian::little) {
    while (i + 8 <= t.size()) {
      const DigitRun run = digitRun(t.data() + i);
      if (run.count != 0) m = m * kPow10Int[run.count] + run.value;
      i += run.count;
      if (run.count < 8) return i;
    }
  }
  return gatherDigits(t, i, m);
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

bool allDigits(std::string_view t, std::uint64_t& value) {
  if (t.size() > 19) return false;
  std::uint64_t m = 0;
  std::size_t i = 0;
  if constexpr (std::endian::native == std::endian::little) {
    for (; i + 8 <= t.size(); i += 8) {
      const DigitRun run = digitRun(t.data() + i);
      if (run.count != 8) return false;
      m = m * 100000000 + run.value;
    }
  }
  for (; i < t.size(); ++i) {
    if (!isDigit(t[i])) return false;
    m = m * 10 + static_cast<std::uint64_t>(t[i] - '0');
  }
  value = m;
  return true;
}

bool readDecimal(std::string_view t, double& out) {
  return !t.empty() && readDecimalPrefix(t, out) == t.size();
}

namespace {

// rditas from `from` on: any token, the general way (out of line, as
// realToken).
[[gnu::noinline]] std::int32_t intToken(std::string_view t, std::size_t from, std::size_t& pos, int& err) {
  std::size_t i = skipSeps<IntSeps>(t, from);
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

}  // namespace

std::int32_t rditas(std::string_view t, std::size_t& pos, int& err) {
  const std::size_t from = pos == 0 ? 0 : pos - 1;
  // Record types and counts: a few digits after a separator (and perhaps a
  // column's blanks), read in one step where eight bytes can be; up to
  // seven digits always fit. Anything else goes the general way.
  if constexpr (std::endian::native == std::endian::little) {
    const char* const b = t.data();
    if (from + 9 <= t.size()) {
      const std::size_t i = likelyStart<IntSeps>(b, from);
      if (i + 8 <= t.size()) {
        auto ends = [](char c) { return IntSeps::is(c) || c == '.' || c == '*'; };
        // One digit, as record types mostly are, by a look at two bytes.
        const auto first = static_cast<unsigned>(static_cast<unsigned char>(b[i]) - '0');
        if (first <= 9 && ends(b[i + 1])) {
          err = 0;
          pos = i + 2;
          return static_cast<std::int32_t>(first);
        }
        const DigitRun run = digitRun(b + i);
        if (run.count - 1 < 7 && ends(b[i + run.count])) {
          err = 0;
          pos = i + run.count + 1;
          return static_cast<std::int32_t>(run.value);
        }
      }
    }
  }
  return intToken(t, from, pos, err);
}

namespace {

// A token rdrtas does not take, from `at` on: flagged and passed.
[[gnu::noinline]] double notReal(std::string_view t, std::size_t at, std::size_t& pos, int& err) {
  err = 1;
  pos = findSep<TextSeps>(t, at) + 1;
  return kMissingReal;
}

// The digits from `first` to `end` (the mark at `mark`, if any) the general
// way, for those the exact fast path does not take.
[[gnu::noinline]] bool longDecimal(std::string_view t, std::size_t first, std::size_t end, std::size_t mark,
                 std::size_t fracDigits, double& value) {
  char digits[64];
  std::size_t nd = 0;
  for (std::size_t k = first; k < end; ++k) digits[nd++] = k == mark ? '.' : t[k];
  return digitsToDouble(digits, nd, fracDigits, value);
}

}  // namespace

// rdrtas from `from` on: any token, the general way (out of line, so
// that the fast path needs no registers saved).
[[gnu::noinline]] static double realToken(std::string_view t, std::size_t from, std::size_t& pos, int& err) {
  std::size_t i = skipSeps<TextSeps>(t, from);
  const std::size_t n = t.size();
  if (i >= n) {
    err = -1;
    pos = n + 1;
    return kMissingReal;
  }
  const char c = t[i];
  bool negative = false;
  if (c == '+' || c == '-') {
    if (i + 1 >= n) return notReal(t, i, pos, err);
    const char next = t[i + 1];
    const bool marker = (c == '-') ? (next == '-' || next == ' ' || next == ',' || next == '*' || next == '\t')
                                   : (next == '+' || next == ' ' || next == ',' || next == '\t');
    if (marker) return notReal(t, i, pos, err);
    negative = (c == '-');
    ++i;
  } else if (!isDigit(c) && c != '.') {
    return notReal(t, i, pos, err);
  }
  // The digits are read where they stand and gathered into one mantissa;
  // up to 19 digits it cannot overflow, and while it is at most 2^53 it is
  // an exact double, so one division by an exact power of ten rounds
  // correctly. Anything longer goes the general way.
  const std::size_t first = i;
  std::uint64_t m = 0;
  // Instrument words pad their data with zeros: those add nothing to the
  // mantissa and are passed eight at a time.
  if (t[i] == '0') {
    while (i + 8 <= n && std::memcmp(t.data() + i, "00000000", 8) == 0) i += 8;
  }
  i = gatherDigitsWide(t, i, m);
  const std::size_t intDigits = i - first;
  std::size_t fracDigits = 0, mark = std::string_view::npos;
  if (i < n) {
    const char d = t[i];
    if (d == '.' || d == '*' || d == '/') {
      if (i + 1 >= n) return notReal(t, i, pos, err);  // a mark as the last character
      mark = i++;
      const std::size_t fracStart = i;
      i = gatherDigitsWide(t, i, m);
      fracDigits = i - fracStart;
      if (i < n) {
        const char e = t[i];
        if (!(e == ' ' || e == ',' || e == '*' || e == '\t')) return notReal(t, i, pos, err);
      }
    } else if (!(d == ' ' || d == ',' || d == '\t')) {
      return notReal(t, i, pos, err);
    }
  }
  // At most 63 digits and mark, as the general conversion's buffer holds.
  const std::size_t digitCount = intDigits + fracDigits;
  const std::size_t taken = digitCount + (mark != std::string_view::npos);
  if (digitCount == 0 || taken > 63) return notReal(t, i, pos, err);
  double value = 0.0;
  if (digitCount <= 19 && m <= (std::uint64_t{1} << 53) && fracDigits <= 22) {
    value = static_cast<double>(m) / kPow10[fracDigits];
  } else if (!longDecimal(t, first, i, mark, fracDigits, value)) {
    return notReal(t, i, pos, err);
  }
  err = 0;
  pos = i + 1;
  value += 1e-13;
  return negative ? -value : value;
}

namespace {

// The plain-decimal shape, "6199339.786" or "27", at p (sixteen bytes
// readable, the first `avail` of them the text's, blanks after): up to
// seven whole digits and seven decimals, then a separator. Its length and
// value (without rdrtas's guard) when it is one, length 0 when not:
// anything else (signs, other marks, longer digit runs) is left to the
// general way, which reads the same to the same result.
struct Plain {
  std::size_t len;  // 0: not the shape
  double value;
};
inline Plain plainDecimal(const char* p, std::size_t avail) {
  // Both parts come as eight-digit numbers, the digits first: whole *
  // 10^(8 - k) and decimals * 10^(8 - f). The whole part times 10^k and the
  // decimals make the value times 10^8, an exact integer below 10^15, so
  // one division by 10^8 rounds correctly (as division by 10^f would).
  const LeftDigits whole = digitsLeft(p);
  const unsigned k = whole.count;
  const char c = p[k];
  // Seven whole digits at most (the decimals are read from the byte after
  // the point); a mark as the text's last byte is no number.
  if (c == '.' && k < 8 && k + 1 < avail) {
    const LeftDigits frac = digitsLeft(p + k + 1);
    const unsigned f = frac.count;
    if (f < 8 && (k | f) != 0 && TextSeps::is(p[k + 1 + f])) {
      const std::uint64_t scaled = digitsValue(whole.digits) * kPow10Int[k] + digitsValue(frac.digits);
      return {k + 1 + f, static_cast<double>(static_cast<std::int64_t>(scaled)) / 1e8};
    }
  } else if (k - 1 < 7 && TextSeps::is(c)) {
    return {k, static_cast<double>(static_cast<std::int64_t>(digitsValue(whole.digits))) / kPow10[8 - k]};
  }
  return {0, 0.0};
}

// Length plainDecimalAtEnd gives for a text that ends in blanks only, as
// a field's unused end or a line's blank tail: nothing to read.
constexpr std::size_t kBlankRest = ~std::size_t{0};

// The same for a token in the last sixteen bytes of a text (a field cut
// from a line, the last of a line): the bytes from s to the end, blanks
// after them, by two words. The text has at least eight bytes.
inline Plain plainDecimalAtEnd(const char* b, std::size_t s, std::size_t n) {
  const std::size_t left = n - s;  // below 16
  constexpr std::uint64_t kBlanks = bytes::every(' ');
  const std::uint64_t last = bytes::load8(b + n - 8);  // the text's last eight bytes
  std::uint64_t lo = kBlanks, hi = kBlanks;
  if (left >= 8) {
    lo = bytes::load8(b + s);
    if (left > 8) hi = (last >> (8 * (16 - left))) | (kBlanks << (8 * (left - 8)));
  } else if (left > 0) {
    lo = (last >> (8 * (8 - left))) | (kBlanks << (8 * left));
  }
  if (lo == kBlanks && hi == kBlanks) return {kBlankRest, 0.0};
  char buf[16];
  std::memcpy(buf, &lo, 8);
  std::memcpy(buf + 8, &hi, 8);
  return plainDecimal(buf, left);
}

}  // namespace

std::size_t readDecimalPrefixPadded(std::string_view t, double& out) {
  if constexpr (std::endian::native == std::endian::little) {
    // The plain shape followed by a separator, as the number reader takes
    // it; anything else goes the general way.
    if (const Plain plain = plainDecimal(t.data(), t.size()); plain.len != 0) {
      out = plain.value;
      return plain.len;
    }
  }
  return readDecimalPrefix(t, out);
}

double rdrtas(std::string_view t, std::size_t& pos, int& err) {
  const std::size_t from = pos == 0 ? 0 : pos - 1;
  // Most values are plain decimals after a separator and perhaps a
  // column's blanks: read in place where sixteen bytes can be, else from
  // a copy of the text's end.
  if constexpr (std::endian::native == std::endian::little) {
    const char* const b = t.data();
    const std::size_t n = t.size();
    if (from + 9 <= n) {
      const std::size_t s = likelyStart<TextSeps>(b, from);
      // (Each way with its own ending, so that the usual one stays short.)
      if (s + 16 <= n) {
        if (const Plain plain = plainDecimal(b + s, 16); plain.len != 0) {
          err = 0;
          pos = s + plain.len + 1;
          return plain.value + 1e-13;
        }
      } else if (const Plain plain = plainDecimalAtEnd(b, s, n); plain.len != 0) {
        if (plain.len == kBlankRest) {  // only blanks left, as the general way finds
          err = -1;
          pos = n + 1;
          return kMissingReal;
        }
        err = 0;
        pos = s + plain.len + 1;
        return plain.value + 1e-13;
      }
    }
  }
  return realToken(t, from, pos, err);
}

std::size_t skipSeparators(std::string_view t, std::size_t i) { return skipSeps<TextSeps>(t, i); }

bool skipToken(std::string_view t, std::size_t& pos) {
  const std::size_t from = pos == 0 ? 0 : pos - 1;
  // A short token after a separator, as numbers and codes mostly are: its
  // end found in one word.
  if constexpr (std::endian::native == std::endian::little) {
    const char* const b = t.data();
    if (from + 9 <= t.size()) {
      const std::size_t i = likelyStart<TextSeps>(b, from);
      if (i + 8 <= t.size()) {
        const std::size_t len = bytes::first(TextSeps::maybe(bytes::load8(b + i)));
        if (len - 1 < 7 && TextSeps::is(b[i + len])) {
          pos = i + len + 1;
          return true;
        }
      }
    }
  }
  const std::size_t i = skipSeps<TextSeps>(t, from);
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

namespace {

// Whether any of eight bytes may change in upper case: one from 'a' up
// (some below it are counted too, which only costs the slow way).
inline bool mayChangeCase(std::uint64_t w) { return ((w + bytes::every(0x1F)) | w) & bytes::every(0x80); }

// The first `k` bytes of `w` (0-8), blanks after them.
inline std::uint64_t keepFirst(std::uint64_t w, std::size_t k) {
  if (k >= 8) return w;
  const std::uint64_t keep = k == 0 ? 0 : ~std::uint64_t{0} >> (64 - 8 * k);
  return (w & keep) | (bytes::every(' ') & ~keep);
}

// readWord byte by byte, from `from` on (out of line, as realToken).
[[gnu::noinline]] void readWordBytes(std::string_view t, std::size_t from, std::size_t& pos,
                                     std::string& field, std::size_t width, int& err, char missingMark) {
  std::size_t at = from + 1;
  putWord(field, rdatasView(t, at, width, err, missingMark), width);
  pos = at;
}

// readWord for a token of eight bytes or more, or one the short path does
// not take: where 16 bytes can be read and the token ends within them, the
// field is filled by words; else byte by byte. Out of line, as realToken.
// Takes what readWord takes, so that readWord passes its call on as it is.
[[gnu::noinline]] void readLongWord(std::string_view t, std::size_t& pos, std::string& field, std::size_t width,
                                    int& err, char missingMark) {
  const std::size_t from = pos == 0 ? 0 : pos - 1;
  if constexpr (std::endian::native == std::endian::little) {
    const char* const b = t.data();
    if (width - 8 <= 8 && from + 9 <= t.size() && field.size() == width) {
      const std::size_t i = likelyStart<TextSeps>(b, from);
      if (i + 16 <= t.size() && TextSeps::maybe(bytes::load8(b + i)) == 0) {
        if (const std::uint64_t m1 = TextSeps::maybe(bytes::load8(b + i + 8))) {
          const std::size_t len = 8 + bytes::first(m1);
          if (TextSeps::is(b[i + len])) {
            char* out = field.data();
            const std::size_t kept = std::min(width, len);
            const std::uint64_t w0 = bytes::load8(b + i), w1 = keepFirst(bytes::load8(b + i + 8), kept - 8);
            // Bytes 0-7, then the eight that end the field (overlapping them).
            std::memcpy(out, &w0, 8);
            if (width > 8) {
              const unsigned shift = static_cast<unsigned>(8 * (width - 8));
              const std::uint64_t tail = shift == 64 ? w1 : (w0 >> shift) | (w1 << (64 - shift));
              std::memcpy(out + width - 8, &tail, 8);
            }
            if (mayChangeCase(w0) || mayChangeCase(w1))
              for (std::size_t k = 0; k < kept; ++k) out[k] = upperLatin1(out[k]);
            err = 0;
            pos = i + len + 1;
            return;
          }
        }
      }
    }
  }
  readWordBytes(t, from, pos, field, width, err, missingMark);
}

}  // namespace

void readWord(std::string_view t, std::size_t& pos, std::string& field, std::size_t width, int& err,
              char missingMark) {
  const std::size_t from = pos == 0 ? 0 : pos - 1;
  // Number and code fields are 8 to 16 bytes and their tokens mostly
  // shorter than eight: where 16 bytes can be read, such a token is found
  // and put in the field by one word, blanks behind it (stored first, the
  // word over their start).
  if constexpr (std::endian::native == std::endian::little) {
    const char* const b = t.data();
    if (width - 8 <= 8 && from + 9 <= t.size() && field.size() == width) {
      const std::size_t i = likelyStart<TextSeps>(b, from);
      const std::uint64_t w = i + 16 <= t.size() ? bytes::load8(b + i) : 0;  // 0: len 0, the long way
      const std::size_t len = bytes::first(TextSeps::maybe(w));
      if (len - 1 < 7 && TextSeps::is(b[i + len])) {
        const std::uint64_t word = keepFirst(w, len);
        const std::uint64_t blanks = bytes::every(' ');
        char* out = field.data();
        std::memcpy(out + width - 8, &blanks, 8);
        std::memcpy(out, &word, 8);
        if (mayChangeCase(word))
          for (std::size_t k = 0; k < len; ++k) out[k] = upperLatin1(out[k]);
        err = (len == 1 && b[i] == missingMark) ? 1 : 0;
        pos = i + len + 1;
        return;
      }
    }
  }
  readLongWord(t, pos, field, width, err, missingMark);
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

void upperInPlace(char* p, std::size_t n) {
  std::size_t k = 0;
  if constexpr (std::endian::native == std::endian::little) {
    for (; k + 8 <= n; k += 8)
      if (mayChangeCase(bytes::load8(p + k))) break;
  }
  for (; k < n; ++k) p[k] = upperLatin1(p[k]);
}

void putWord(std::string& field, std::string_view token, std::size_t width) {
  field.resize(width);
  const std::size_t n = std::min(width, token.size());
  for (std::size_t k = 0; k < n; ++k) field[k] = upperLatin1(token[k]);
  std::fill(field.begin() + static_cast<std::ptrdiff_t>(n), field.end(), ' ');
}

std::string rdatas(std::string_view t, std::size_t& pos, std::size_t width, int& err,
                   char missingMark) {
  std::string field;
  putWord(field, rdatasView(t, pos, width, err, missingMark), width);
  return field;
}

}  // namespace kvtconv
