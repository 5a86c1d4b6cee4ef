// The ceiling of kvt2zeiss: only what the conversion must do at least, with
// no checks, messages or parameters. Reads a catalogue's point records and
// writes their REC 500 coordinate lines, the same bytes kvt2zeiss writes
// for the generated benchmark catalogues.
// usage: ceiling IN OUT
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string_view>
#include <vector>

static bool sep(char c) { return c == ' ' || c == ',' || c == '\t'; }

static std::string_view token(const char*& p, const char* e) {
  while (p < e && sep(*p)) ++p;
  const char* b = p;
  while (p < e && !sep(*p)) ++p;
  return {b, static_cast<std::size_t>(p - b)};
}

// Digits with one point, as an exact mantissa over a power of ten: the
// least a reader of these coordinates can do.
static double real(std::string_view t) {
  static constexpr double kPow10[] = {1, 1e1, 1e2, 1e3, 1e4, 1e5, 1e6, 1e7, 1e8, 1e9};
  std::size_t i = 0;
  const bool negative = !t.empty() && t[0] == '-';
  i += negative;
  unsigned long long m = 0;
  std::size_t frac = 0;
  bool dot = false, any = false;
  for (; i < t.size(); ++i) {
    const char c = t[i];
    if (c == '.') dot = true;
    else if (c >= '0' && c <= '9') m = m * 10 + static_cast<unsigned>(c - '0'), frac += dot, any = true;
    else return -999.999;
  }
  if (!any || frac > 9) return -999.999;
  const double v = static_cast<double>(m) / kPow10[frac];
  return negative ? -v - 1e-13 : v + 1e-13;  // the catalogue reader's nudge
}

static void put(char* out, std::string_view t, std::size_t w) {
  for (std::size_t k = 0; k < t.size() && k < w; ++k)
    out[k] = (t[k] >= 'a' && t[k] <= 'z') ? t[k] - 32 : t[k];
}

// Three decimals, right-aligned in w places, digits from the right.
static void fixed3(char* out, int w, double v) {
  const bool negative = v < 0;
  auto n = static_cast<unsigned long long>((negative ? -v : v) * 1000 + 0.5);
  char* p = out + w;
  for (int k = 0; k < 3; ++k, n /= 10) *--p = static_cast<char>('0' + n % 10);
  *--p = '.';
  do *--p = static_cast<char>('0' + n % 10); while ((n /= 10) != 0);
  if (negative) *--p = '-';
}

int main(int argc, char** argv) {
  if (argc != 3) return 2;
  std::FILE* in = std::fopen(argv[1], "rb");
  std::FILE* out = std::fopen(argv[2], "wb");
  if (!in || !out) return 1;
  std::vector<char> buf(1 << 16), ob;
  ob.reserve(1 << 17);
  std::size_t have = 0, got;
  long counter = 0;
  while ((got = std::fread(buf.data() + have, 1, buf.size() - have, in)) > 0 || have > 0) {
    const char* p = buf.data();
    const char* end = p + have + got;
    for (const char* nl; (nl = static_cast<const char*>(std::memchr(p, '\n', end - p))) || (got == 0 && p < end); p = nl + 1) {
      if (!nl) nl = end;
      const char* q = p;
      if (token(q, nl) != "6") continue;
      ++counter;
      const std::string_view number = token(q, nl), code = token(q, nl);
      const double x = real(token(q, nl)), y = real(token(q, nl)), h = real(token(q, nl));
      if (std::fabs(x + 999.999) < 1e-4 || std::fabs(y + 999.999) < 1e-4) continue;
      char l[81];
      std::memset(l, ' ', 80);
      l[80] = '\n';
      const int digits = static_cast<int>(std::to_chars(l, l + 7, counter).ptr - l);
      std::memmove(l + 7 - digits, l, static_cast<std::size_t>(digits));
      std::memset(l, ' ', static_cast<std::size_t>(7 - digits));
      put(l + 8, number, 12);
      put(l + 21, code, 9);
      std::memcpy(l + 36, "Y ", 2);
      fixed3(l + 38, 12, x);
      std::memcpy(l + 51, "X ", 2);
      fixed3(l + 53, 13, y);
      std::memcpy(l + 67, "Z ", 2);
      if (std::fabs(h + 999.999) >= 1e-4) fixed3(l + 69, 9, h);
      ob.insert(ob.end(), l, l + 81);
      if (ob.size() > (1 << 16)) std::fwrite(ob.data(), 1, ob.size(), out), ob.clear();
    }
    have = static_cast<std::size_t>(end - p);
    std::memmove(buf.data(), p, have);
    if (got == 0) break;
  }
  std::fwrite(ob.data(), 1, ob.size(), out);
  return std::fclose(out) == 0 ? 0 : 1;
}
