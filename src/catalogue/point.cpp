#include "catalogue/point.hpp"

#include <algorithm>
#include <cstring>
#include <utility>

#include "catalogue/fortran.hpp"
#include "catalogue/record.hpp"
#include "frame/bytes.hpp"
#include "frame/session.hpp"
#include "frame/text.hpp"

namespace kvtconv {

namespace {

const PointLayout& layout(Session& s) {
  PointLayout& l = s.pointLayout;
  if (l.version == s.par.version() && l.version != 0) return l;
  l.version = s.par.version();
  l.coordDecimals = s.par.digit(par::kCoordDecimals);
  l.levelDecimals = s.par.digit(par::kLevelDecimals);
  const std::string& format = s.par.text(par::kPointFormat);
  l.extent = sameText(format, "2D") ? 0 : sameText(format, "3D") ? 1 : sameText(format, "OPR") ? 2
             : sameText(format, "RVAL")                             ? 3
                                                                     : 4;
  l.rightJustify = s.par.yes(par::kRightJustify);
  l.missing = s.par.missing(std::max<std::size_t>(12, s.par.text(par::kMissingText).size()));
  l.missingStars = std::string_view(l.missing).substr(0, 12).find("***") != std::string_view::npos;
  return l;
}

// A number or code cut to its field, right-justified when asked; the field
// is blank already.
template <std::size_t width>
void putName(char* out, std::string_view text, bool right) {
  if (!right) {
    bytes::copyCut<width>(out, text.data(), text.size());
    return;
  }
  text = trim(text.substr(0, std::min(width, text.size())));
  std::memcpy(out + (width - text.size()), text.data(), text.size());
}

}  // namespace

// The record is formatted where it is written, in the output buffer; a
// missing value is its text copied, never formatted.
void wpkt(Session& s, TextFile* f, Point& p) {
  const PointLayout& l = layout(s);
  double a = p.x, b = p.y;
  if (s.exchange) std::swap(a, b);
  if (isBlank(p.number)) p.number = s.par.missing(p.number.size());
  if (isBlank(p.code)) p.code = s.par.missing(p.code.size());
  constexpr std::size_t kWidth = 128;
  char spare[kWidth];
  char* line = f ? f->lineSpace(kWidth) : spare;
  std::memset(line, ' ', kWidth);
  line[1] = '6';
  putName<12>(line + 3, p.number, l.rightJustify);
  putName<10>(line + 16, p.code, l.rightJustify);
  bool missed = false;  // a missing value written: its text may hold "***"
  auto real = [&](std::size_t col, int w, int d, double v) {
    if (missReal(v)) {
      std::memcpy(line + col - 1, l.missing.data(), static_cast<std::size_t>(w));
      missed = true;
      return true;
    }
    return formatF(line + col - 1, w, d, v);
  };
  bool fits = real(28, 12, l.coordDecimals, a);
  fits = real(42, 12, l.coordDecimals, b) && fits;
  std::size_t end = 53;
  if (l.extent >= 1) {
    fits = real(56, 12, l.levelDecimals, p.height) && fits;
    end = 67;
    if (!s.wideWarned && (!fits || (missed && l.missingStars)))
      checkWide(s, std::string_view(line, kWidth), 28, 67);
    if (l.extent >= 2) {
      putName<12>(line + 68, p.task, false);
      end = 80;
      if (l.extent >= 3) {
        real(82, 10, l.coordDecimals, p.extras.reals[0]);
        real(93, 10, l.coordDecimals, p.extras.reals[1]);
        real(104, 10, l.coordDecimals, p.extras.reals[2]);
        end = 113;
        if (l.extent >= 4) {
          for (std::size_t k = 0; k < 2; ++k) {
            char* at = line + (k == 0 ? 114 : 121);
            const std::int32_t v = p.extras.ints[k];
            if (missInt(v)) std::memcpy(at, l.missing.data(), 6);
            else formatI(at, 6, v);
          }
          end = 127;
        }
      }
    }
  }
  while (end > 0 && line[end - 1] == ' ') --end;
  if (f) f->commitLine(end);
}

void rpkt(Session& s, std::string_view line, Point& p, PointPart part) {
  rpkt(s, line, p, part, PointNumber::Read);
}

void rpkt(Session& s, std::string_view line, Point& p, PointPart part, PointNumber number) {
  FieldScanner sc(line, s.par.missingMark());
  if (number == PointNumber::Read) sc.word(p.number, 12);
  else sc.pass();
  sc.word(p.code, 10);
  p.x = sc.real();
  p.y = sc.real();
  p.height = part == PointPart::Plane ? kMissingReal : sc.real();
  if (part != PointPart::All) {
    p.task.assign(12, ' ');
    p.extras = PointExtras{};
  } else {
    sc.word(p.task, 12);
    for (double& r : p.extras.reals) r = sc.real();
    for (auto& i : p.extras.ints) i = sc.integer();
  }
  if (s.exchange) std::swap(p.x, p.y);
}

Point rpkt(Session& s, std::string_view line, PointPart part) {
  Point p;
  rpkt(s, line, p, part);
  return p;
}

}  // namespace kvtconv
