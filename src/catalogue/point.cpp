#include "catalogue/point.hpp"

#include <utility>

#include "catalogue/fortran.hpp"
#include "catalogue/record.hpp"
#include "frame/session.hpp"
#include "frame/text.hpp"

namespace kvtconv {

namespace {

void putReal(const Session& s, std::string& line, std::size_t col, int w, int d, double v) {
  if (missReal(v)) putField(line, col, s.par.missing(static_cast<std::size_t>(w)), static_cast<std::size_t>(w));
  else putF(line, col, w, d, v);
}

void putInt(const Session& s, std::string& line, std::size_t col, int w, std::int32_t v) {
  if (missInt(v)) putField(line, col, s.par.missing(static_cast<std::size_t>(w)), static_cast<std::size_t>(w));
  else putI(line, col, w, v);
}

void putName(const Session& s, std::string& line, std::size_t col, const std::string& text,
             std::size_t width) {
  std::string field = fixed(text, width);
  if (s.par.yes(par::kRightJustify)) hjuster(field);
  putField(line, col, field, width);
}

}  // namespace

void wpkt(Session& s, TextFile* f, Point& p) {
  double a = p.x, b = p.y;
  if (s.exchange) std::swap(a, b);
  if (isBlank(p.number)) p.number = s.par.missing(p.number.size());
  if (isBlank(p.code)) p.code = s.par.missing(p.code.size());
  const int c = s.par.digit(par::kCoordDecimals);
  const int h = s.par.digit(par::kLevelDecimals);
  const std::string& format = s.par.text(par::kPointFormat);
  std::string line(128, ' ');
  line[1] = '6';
  putName(s, line, 4, p.number, 12);
  putName(s, line, 17, p.code, 10);
  putReal(s, line, 28, 12, c, a);
  putReal(s, line, 42, 12, c, b);
  if (!sameText(format, "2D")) {
    putReal(s, line, 56, 12, h, p.height);
    checkWide(s, line, 28, 67);
    if (!sameText(format, "3D")) {
      putField(line, 69, p.task, 12);
      if (!sameText(format, "OPR")) {
        putReal(s, line, 82, 10, c, p.extras.reals[0]);
        putReal(s, line, 93, 10, c, p.extras.reals[1]);
        putReal(s, line, 104, 10, c, p.extras.reals[2]);
        if (!sameText(format, "RVAL")) {
          putInt(s, line, 115, 6, p.extras.ints[0]);
          putInt(s, line, 122, 6, p.extras.ints[1]);
        }
      }
    }
  }
  writeTrimmed(f, line);
}

Point rpkt(Session& s, std::string_view line) {
  FieldScanner sc(line, s.par.missingMark());
  Point p;
  p.number = sc.word(12);
  p.code = sc.word(10);
  p.x = sc.real();
  p.y = sc.real();
  p.height = sc.real();
  p.task = sc.word(12);
  for (double& r : p.extras.reals) r = sc.real();
  for (auto& i : p.extras.ints) i = sc.integer();
  if (s.exchange) std::swap(p.x, p.y);
  return p;
}

}  // namespace kvtconv
