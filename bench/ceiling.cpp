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

static double real(std::string_view t) {
  double v = -999.999;
  std::from_chars(t.data(), t.data() + t.size(), v);
  return v < 0 ? v - 1e-13 : v + 1e-13;  // the catalogue reader's nudge
}

static void put(char* out, std::string_view t, std::size_t w) {
  for (std::size_t k = 0; k < t.size() && k < w; ++k)
    out[k] = (t[k] >= 'a' && t[k] <= 'z') ? t[k] - 32 : t[k];
}

static void fixed3(char* out, int w, double v) {
  char b[64];
  const auto r = std::to_chars(b, b + sizeof b, v, std::chars_format::fixed, 3);
  const int n = static_cast<int>(r.ptr - b);
  std::memcpy(out + w - n, b, static_cast<std::size_t>(n));
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
