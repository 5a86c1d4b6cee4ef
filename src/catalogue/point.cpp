#include "catalogue/point.hpp"

#include <utility>

#include "catalogue/fortran.hpp"
#include "catalogue/record.hpp"
#include "frame/session.hpp"
#include "frame/text.hpp"

namespace kvtconv {

namespace {

std::string nameField(const Session& s, const std::string& text, std::size_t width) {
  std::string field = fixed(text, width);
  if (s.par.yes(par::kRightJustify)) hjuster(field);
  return field;
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
  RecordLine r(s, 128, "6");
  r.text(4, nameField(s, p.number, 12), 12).text(17, nameField(s, p.code, 10), 10);
  r.real(28, 12, c, a).real(42, 12, c, b);
  if (!sameText(format, "2D")) {
    r.real(56, 12, h, p.height);
    checkWide(s, r.str(), 28, 67);
    if (!sameText(format, "3D")) {
      r.text(69, p.task, 12);
      if (!sameText(format, "OPR")) {
        r.real(82, 10, c, p.extras.reals[0]).real(93, 10, c, p.extras.reals[1]);
        r.real(104, 10, c, p.extras.reals[2]);
        if (!sameText(format, "RVAL")) r.integer(115, 6, p.extras.ints[0]).integer(122, 6, p.extras.ints[1]);
      }
    }
  }
  writeTrimmed(f, r.str());
}

Point rpkt(Session& s, std::string_view line, PointPart part) {
  FieldScanner sc(line, s.par.missingMark());
  Point p;
  p.number = sc.word(12);
  p.code = sc.word(10);
  p.x = sc.real();
  p.y = sc.real();
  p.height = sc.real();
  if (part == PointPart::Position) {
    if (s.exchange) std::swap(p.x, p.y);
    return p;
  }
  p.task = sc.word(12);
  for (double& r : p.extras.reals) r = sc.real();
  for (auto& i : p.extras.ints) i = sc.integer();
  if (s.exchange) std::swap(p.x, p.y);
  return p;
}

}  // namespace kvtconv
