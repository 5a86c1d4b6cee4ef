#include "catalogue/fortran.hpp"

#include <algorithm>
#include <bit>
#include <charconv>
#include <cfloat>
#include <cmath>
#include <cstdint>
#include <cstring>

#include "frame/bytes.hpp"

namespace kvtconv {

namespace {

void stars(char* out, int w) { std::fill_n(out, w, '*'); }

constexpr double kPow10[] = {1e0, 1e1, 1e2, 1e3, 1e4, 1e5, 1e6, 1e7, 1e8, 1e9};

constexpr std::uint64_t kPow10Int[] = {
    1ULL,           10ULL,           100ULL,           1000ULL,           10000ULL,           100000ULL,
    1000000ULL,     10000000ULL,     100000000ULL,     1000000000ULL,     10000000000ULL,     100000000000ULL,
    1000000000000ULL, 10000000000000ULL, 100000000000000ULL, 1000000000000000ULL, 10000000000000000ULL,
    100000000000000000ULL, 1000000000000000000ULL, 10000000000000000000ULL};

// "00" to "99", so that digits go out two at a time.
constexpr char kDigitPairs[] =
    "0001020304050607080910111213141516171819202122232425262728293031323334353637383940414243444546474849"
    "5051525354555657585960616263646566676869707172737475767778798081828384858687888990919293949596979899";

// Writes the last `count` decimal digits of q in front of p and takes them
// off q; returns where they begin. (For 32 or 64 bits: divisions of 32
// bits are the cheaper.) Inline, so that a constant count unrolls.
template <class Unsigned>
[[gnu::always_inline]] inline char* digitsBefore(char* p, Unsigned& q, int count) {
  for (; count >= 2; count -= 2) {
    const auto pair = static_cast<std::size_t>(q % 100) * 2;
    q /= 100;
    p -= 2;
    std::memcpy(p, kDigitPairs + pair, 2);
  }
  if (count != 0) {
    *--p = static_cast<char>('0' + q % 10);
    q /= 10;
  }
  return p;
}

// Writes all decimal digits of q (at least one) in front of p.
template <class Unsigned>
char* allDigitsBefore(char* p, Unsigned q) {
  while (q >= 100) {
    const auto pair = static_cast<std::size_t>(q % 100) * 2;
    q /= 100;
    p -= 2;
    std::memcpy(p, kDigitPairs + pair, 2);
  }
  if (q >= 10) {
    p -= 2;
    std::memcpy(p, kDigitPairs + q * 2, 2);
    return p;
  }
  *--p = static_cast<char>('0' + q);
  return p;
}

// The nearest integer (ties to even, as nearbyint in the default rounding
// mode) of |x| < 2^52 without a library call; only where doubles are
// evaluated as doubles, not in wider registers.
double nearestInteger(double x) {
#if FLT_EVAL_METHOD == 0
  constexpr double kShift = 0x1p52;
  return x >= 0 ? (x + kShift) - kShift : -((kShift - x) - kShift);
#else
  return std::nearbyint(x);
#endif
}

// Blanks over out[0, w).
void blanks(char* out, int w) { bytes::fill(out, ' ', static_cast<std::size_t>(w)); }

// A text right-aligned in out[0, w), blanks before it.
void rightAlign(char* out, int w, const char* text, int len) {
  blanks(out, w - len);
  bytes::copy(out + (w - len), text, static_cast<std::size_t>(len));
}

// a * b - p exactly, for p the rounded product of a and b (no overflow or
// underflow): one fused multiply-add where the machine has it, Dekker's
// splitting otherwise (then nothing can be fused behind our back).
double productError(double a, double b, double p) {
#ifdef __FMA__
  return std::fma(a, b, -p);
#else
  const auto split = [](double x, double& hi, double& lo) {
    const double c = 134217729.0 * x;  // 2^27 + 1
    hi = c - (c - x);
    lo = x - hi;
  };
  double ah, al, bh, bl;
  split(a, ah, al);
  split(b, bh, bl);
  return ((ah * bh - p) + ah * bl + al * bh) + al * bl;
#endif
}

// Where the exact product v * power (rounded: scaled) lies against the
// halves around rounded (the nearest integer of scaled, |scaled| < 2^52): 1 above the
// upper half, -1 below the lower one, 0 between them, 2 on a half. The
// differences to the halves are exact, and a sum of two doubles keeps the
// sign of its exact value, so the side is decided without rounding doubt.
[[gnu::noinline]] int sideOfHalf(double v, double power, double scaled, double rounded) {
  const double error = productError(v, power, scaled);
  const double frac = scaled - rounded;
  const double above = (frac - 0.5) + error, below = (frac + 0.5) + error;
  if (above == 0 || below == 0) return 2;
  return above > 0 ? 1 : below < 0 ? -1 : 0;
}

// v rounded to d decimals, right-aligned in out[0, w), when one
// multiplication settles the digits: the product is within half an ulp of
// the exact one, so unless it lies that close to a half the rounding is the
// exact value's rounding. The digits are written from the right straight
// into the blanked field. Returns 1 when written, -1 when the value did not
// fit (stars written), 0 to leave the value to to_chars (also for values
// that are not finite).
// The decimals are a constant of each instance: the digit steps unrolled
// and the divisions by constants.
template <int D>
int fastField(char* out, int w, double v) {
  constexpr int d = D;
  const double scaled = v * kPow10[d];
  const double mag = std::fabs(scaled);
  if (!(mag < 4e15)) return 0;  // also what is not a number
  double rounded = nearestInteger(scaled);
  // At least two ulps of the product without asking for them: an ulp is at
  // most mag * 2^-52, and the tiny term covers subnormals.
  const double margin = mag * 0x1p-51 + 0x1p-1060;
  if (std::fabs(std::fabs(scaled - rounded) - 0.5) <= margin) {
    // So close to a half that the product's rounding error decides: a
    // value read with one decimal more than the field, ending in 5. The
    // error is found exactly and settles the side.
    const int step = sideOfHalf(v, kPow10[d], scaled, rounded);
    if (step == 2) return 0;  // on the half itself: to_chars rounds it to even
    rounded += step;
  }
  const auto n = static_cast<std::uint64_t>(std::fabs(rounded));
  const bool negative = n != 0 && rounded < 0;  // a value that rounds to zero carries no sign
  // Room for the whole digits: they fit when n < 10^(room + d), and n < 4e15
  // always fits 16 places.
  const int room = w - d - 1 - static_cast<int>(negative);
  const bool fits = room >= 1 && (room + d >= 16 || n < kPow10Int[room + d]);
  // The optional leading zero goes first when room is short.
  const bool dropZero = !fits && room == 0 && n < kPow10Int[d];
  if (!fits && !dropZero) {
    stars(out, w);
    return -1;
  }
  blanks(out, w);
  char* p;
  if (n <= 0xFFFFFFFFu) {  // the usual: digits by 32-bit steps
    std::uint32_t whole = static_cast<std::uint32_t>(n);
    p = digitsBefore(out + w, whole, D);
    *--p = '.';
    if (!dropZero) p = allDigitsBefore(p, whole);
  } else if (const std::uint64_t whole = n / kPow10Int[d]; whole <= 0xFFFFFFFFu) {
    // Coordinates: the decimals and the whole part apart, each of 32 bits.
    auto decimals = static_cast<std::uint32_t>(n - whole * kPow10Int[d]);
    p = digitsBefore(out + w, decimals, D);
    *--p = '.';
    if (!dropZero) p = allDigitsBefore(p, static_cast<std::uint32_t>(whole));
  } else {
    std::uint64_t rest = n;
    p = digitsBefore(out + w, rest, D);
    *--p = '.';
    if (!dropZero) p = allDigitsBefore(p, rest);
  }
  if (negative) *--p = '-';
  return 1;
}

}  // namespace

namespace {

// The general way, by the exact digits of to_chars: values the fast way
// leaves, in a function of its own so that the fast way's calls do not pay
// for this one's buffer.
[[gnu::noinline]] bool formatExact(char* out, int w, int d, double v) {
  if (!std::isfinite(v)) {
    stars(out, w);
    return false;
  }
  // Large enough for the widest double in fixed notation with 9 decimals.
  char buf[400];
  char* text = buf + 1;
  auto res = std::to_chars(text, buf + sizeof buf - 1, v, std::chars_format::fixed, d);
  if (res.ec != std::errc{}) {
    stars(out, w);
    return false;
  }
  if (d == 0) *res.ptr++ = '.';  // the point is always written, as F editing does
  int len = static_cast<int>(res.ptr - text);
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

}  // namespace

bool formatF(char* out, int w, int d, double v) {
  if (w <= 0) return false;
  int fast = 0;
  switch (d) {
    case 0: fast = fastField<0>(out, w, v); break;
    case 1: fast = fastField<1>(out, w, v); break;
    case 2: fast = fastField<2>(out, w, v); break;
    case 3: fast = fastField<3>(out, w, v); break;
    case 4: fast = fastField<4>(out, w, v); break;
    case 5: fast = fastField<5>(out, w, v); break;
    case 6: fast = fastField<6>(out, w, v); break;
    case 7: fast = fastField<7>(out, w, v); break;
    case 8: fast = fastField<8>(out, w, v); break;
    case 9: fast = fastField<9>(out, w, v); break;
    default: break;
  }
  if (fast != 0) return fast > 0;
  return formatExact(out, w, d, v);
}

namespace {

// The eight decimal digits of x < 10^8, leading zeros included, as the
// bytes of a word in memory order (the first digit lowest): four-digit
// halves, then pairs, then digits, each step one multiplication for all
// lanes at once.
std::uint64_t eightDigits(std::uint32_t x) {
  const std::uint64_t halves = (x / 10000) | (static_cast<std::uint64_t>(x % 10000) << 32);
  const std::uint64_t high = ((halves * 10486) >> 20) & 0x0000007F0000007Full;  // each half / 100
  const std::uint64_t pairs = ((halves - 100 * high) << 16) + high;
  const std::uint64_t tens = ((pairs * 103) >> 10) & 0x000F000F000F000Full;  // each pair / 10
  return (((pairs - 10 * tens) << 8) + tens) | 0x3030303030303030ull;
}

}  // namespace

bool formatZeroFilled(char* out, int w, std::uint64_t v) {
  if (w <= 0) return false;
  if (w < 20 && v >= kPow10Int[w]) {
    stars(out, w);
    return false;
  }
  if (w <= 2) {  // an index or a unit
    if (w == 2) *out++ = static_cast<char>('0' + v / 10);
    *out = static_cast<char>('0' + v % 10);
    return true;
  }
  if (w <= 16 && std::endian::native == std::endian::little) {
    // All sixteen digits at once (eight when the field has no more), then
    // the last w of them.
    char digits[16];
    // (Most values, angles and distances, have no digits in the first eight.)
    const std::uint64_t first = w <= 8 ? 0 : v < 100000000 ? bytes::every('0') : eightDigits(static_cast<std::uint32_t>(v / 100000000));
    const std::uint64_t last = eightDigits(static_cast<std::uint32_t>(v % 100000000));
    std::memcpy(digits, &first, 8);
    std::memcpy(digits + 8, &last, 8);
    const char* from = digits + (16 - w);
    if (w >= 8) {  // two copies that may overlap
      std::memcpy(out, from, 8);
      std::memcpy(out + w - 8, digits + 8, 8);
    } else if (w >= 4) {
      std::memcpy(out, from, 4);
      std::memcpy(out + w - 4, digits + 12, 4);
    } else {
      for (int k = 0; k < w; ++k) out[k] = from[k];
    }
    return true;
  }
  std::uint64_t q = v;
  digitsBefore(out + w, q, w);
  return true;
}

double nearestWhole(double v) { return nearestInteger(v); }

bool formatI(char* out, int w, std::int64_t v) {
  if (w <= 0) return false;
  // The digits from the right, two at a time, as the F fields do.
  char buf[24];
  char* const end = buf + sizeof buf;
  const std::uint64_t magnitude = v < 0 ? 0 - static_cast<std::uint64_t>(v) : static_cast<std::uint64_t>(v);
  char* p = magnitude <= 0xFFFFFFFFu ? allDigitsBefore(end, static_cast<std::uint32_t>(magnitude))
                                     : allDigitsBefore(end, magnitude);
  if (v < 0) *--p = '-';
  const int len = static_cast<int>(end - p);
  if (len > w) {
    stars(out, w);
    return false;
  }
  rightAlign(out, w, p, len);
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
