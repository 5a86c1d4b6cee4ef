// Catalogue points as a Geodimeter label file.
#include <cstring>

#include "catalogue/columns.hpp"
#include "catalogue/fortran.hpp"
#include "catalogue/point.hpp"
#include "catalogue/record.hpp"
#include "frame/run.hpp"
#include "frame/session.hpp"
#include "frame/text.hpp"
#include "instruments/geodimeter/geodimeter.hpp"

namespace kvtconv {

namespace {

constexpr int kIn = 17, kOut = 18;

// "label=value", made in the file's write buffer.
void labelLine(TextFile* f, int label, std::string_view value) {
  if (!f) return;
  // Labels are one or two digits; anything else as a two-column integer.
  char digits[2];
  std::string_view l;
  if (label >= 0 && label <= 9) {
    digits[0] = static_cast<char>('0' + label);
    l = std::string_view(digits, 1);
  } else if (label >= 10 && label <= 99) {
    digits[0] = static_cast<char>('0' + label / 10);
    digits[1] = static_cast<char>('0' + label % 10);
    l = std::string_view(digits, 2);
  } else {
    formatI(digits, 2, label);
    l = trim(std::string_view(digits, 2));
  }
  if (value.size() > 1024) {  // longer than any field: not worth the buffer's room
    f->writeLine(std::string(l) + "=" + std::string(value));
    return;
  }
  char* line = f->lineSpace(l.size() + 1 + value.size());
  std::memcpy(line, l.data(), l.size());
  line[l.size()] = '=';
  std::memcpy(line + l.size() + 1, value.data(), value.size());
  f->commitLine(l.size() + 1 + value.size());
}

}  // namespace

void wgChar(TextFile* f, int label, std::string_view text) {
  const std::string_view t = trim(text);
  labelLine(f, label, t.empty() ? std::string_view(" ") : t);
}

bool wgReal(TextFile* f, int label, double value) {
  char field[16];
  const bool fits = formatF(field, 16, 3, value);
  labelLine(f, label, trim(std::string_view(field, 16)));
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
