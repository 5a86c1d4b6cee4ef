// Catalogue points as a Geodimeter label file.
#include <bit>
#include <cstdint>
#include <cstring>
#include <string>

#include "catalogue/columns.hpp"
#include "catalogue/fortran.hpp"
#include "catalogue/point.hpp"
#include "catalogue/record.hpp"
#include "frame/bytes.hpp"
#include "frame/run.hpp"
#include "frame/session.hpp"
#include "frame/text.hpp"
#include "instruments/geodimeter/geodimeter.hpp"

namespace kvtconv {

namespace {

constexpr int kIn = 17, kOut = 18;

// A label that is not one or two digits, as a two-column integer.
[[gnu::noinline]] std::size_t putOddLabel(char* line, int label) {
  char digits[2];
  formatI(digits, 2, label);
  const std::string_view l = trim(std::string_view(digits, 2));
  std::memcpy(line, l.data(), l.size());
  line[l.size()] = '=';
  return l.size() + 1;
}

// The label's digits and "=" at `line`; how many bytes they took.
inline std::size_t putLabel(char* line, int label) {
  if (label >= 0 && label <= 9) {
    line[0] = static_cast<char>('0' + label);
    line[1] = '=';
    return 2;
  }
  if (label >= 10 && label <= 99) {
    line[0] = static_cast<char>('0' + label / 10);
    line[1] = static_cast<char>('0' + label % 10);
    line[2] = '=';
    return 3;
  }
  return putOddLabel(line, label);
}

// "label=value", made in the file's write buffer.
void labelLine(TextFile* f, int label, std::string_view value) {
  if (!f) return;
  if (value.size() > 1024) {  // longer than any field: not worth the buffer's room
    char head[4];
    const std::size_t n = putLabel(head, label);
    f->writeLine(std::string(head, n) + std::string(value));
    return;
  }
  char* line = f->lineSpace(3 + value.size());
  const std::size_t n = putLabel(line, label);
  bytes::copy(line + n, value.data(), value.size());
  f->commitLine(n + value.size());
}

}  // namespace

void wgChar(TextFile* f, int label, std::string_view text) {
  const std::string_view t = trimField(text);
  labelLine(f, label, t.empty() ? std::string_view(" ") : t);
}

// The F16.3 field is formatted in the write buffer behind the label, and
// its leading blanks are then taken out by shifting the sixteen bytes as
// two words: a right-aligned field has no others.
bool wgReal(TextFile* f, int label, double value) {
  if (!f) {
    char field[16];
    return formatF(field, 16, 3, value);
  }
  char* line = f->lineSpace(3 + 16);
  const std::size_t n = putLabel(line, label);
  char* at = line + n;
  const bool fits = formatF(at, 16, 3, value);
  if constexpr (std::endian::native == std::endian::little) {
    const std::uint64_t lo = bytes::load8(at), hi = bytes::load8(at + 8);
    const std::uint64_t blanks = bytes::every(' ');
    // The last byte is a digit or a star, so some byte is no blank.
    const std::size_t lead = lo != blanks ? bytes::first(lo ^ blanks) : 8 + bytes::first(hi ^ blanks);
    if (lead >= 8) {
      const std::uint64_t a = hi >> (8 * (lead - 8));
      std::memcpy(at, &a, 8);
    } else if (lead != 0) {
      const std::uint64_t a = (lo >> (8 * lead)) | (hi << (64 - 8 * lead)), b = hi >> (8 * lead);
      std::memcpy(at, &a, 8);
      std::memcpy(at + 8, &b, 8);
    }
    f->commitLine(n + 16 - lead);
  } else {
    const std::string_view t = trim(std::string_view(at, 16));
    std::memmove(at, t.data(), t.size());
    f->commitLine(n + t.size());
  }
  return fits;
}

void wgInt(TextFile* f, int label, std::int32_t value) {
  char field[16];
  formatI(field, 16, value);
  labelLine(f, label, trim(std::string_view(field, 16)));
}

void kvt2geo(Session& s, std::string_view parDir, std::string_view input, std::string_view output) {
  guardedRun(s, [&] {
    startRun(s, "KVT --> GEODAT", parDir);
    beginExport(s, kIn, kOut, input, output, Report::Diagnostic);
    TextFile* in = s.channel(kIn);
    TextFile* out = s.channel(kOut);
    forEachPoint(s, in, input, Report::Diagnostic, PointPart::Position, [&](Point& p) {
      wgChar(out, 5, p.number);
      wgChar(out, 4, p.code);
      bool fits = true;
      if (!missReal(p.x)) fits = wgReal(out, 38, p.x);
      if (!missReal(p.y)) fits = wgReal(out, 37, p.y) && fits;
      if (!missReal(p.height)) fits = wgReal(out, 39, p.height) && fits;
      if (!fits) reportTooWide(s, "Geodimeter", p.number);
    });
    if (out) out->writeLine(">");
    s.wrmsg(countLine(s.counter));
    endOutput(s, kOut);
    s.closeChannel(kIn);
    s.closeChannel(kOut);
  });
}

}  // namespace kvtconv
