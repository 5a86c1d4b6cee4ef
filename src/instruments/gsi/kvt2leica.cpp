// Catalogue points as GSI-8 or GSI-16 lines of words 11, 81, 82 and 83.
#include <bit>
#include <cmath>
#include <cstring>
#include <utility>

#include "catalogue/columns.hpp"
#include "catalogue/point.hpp"
#include "catalogue/record.hpp"
#include "frame/bytes.hpp"
#include "frame/run.hpp"
#include "frame/session.hpp"
#include "frame/text.hpp"
#include "instruments/gsi/gsi.hpp"

namespace kvtconv {

namespace {

constexpr int kIn = 17, kOut = 18;

// GSI-8 data holds eight digits: eastings and northings keep only their
// part below 100 km, with their sign.
double belowHundredKm(double v) { return v - 100000.0 * std::trunc(v / 100000.0); }

// "point NNN" as a diagnostic's detail, without a new string for every
// point of a run that reports one per point.
class PointDetail {
 public:
  explicit PointDetail(std::string_view number) {
    const std::string_view n = trim(number).substr(0, sizeof text_ - 6);
    std::memcpy(text_, "point ", 6);
    std::memcpy(text_ + 6, n.data(), n.size());
    size_ = 6 + n.size();
  }
  std::string_view view() const { return {text_, size_}; }

 private:
  char text_[64];
  std::size_t size_;
};

// A GSI-8 easting or northing of 100 km or more loses its leading digits.
double gsi8Coordinate(Session& s, const Point& p, double v) {
  const double kept = belowHundredKm(v);
  if (kept != v)
    s.diag(DiagKind::Truncated, 0, "GSI-8 coordinate cut to its last eight digits",
           PointDetail(p.number).view());
  return kept;
}

// Whether a number field holds a "*": two words for the usual field.
bool holdsStar(std::string_view t) {
  if (std::endian::native == std::endian::little && t.size() - 8 <= 8)
    return (bytes::equal(bytes::load8(t.data()), '*') | bytes::equal(bytes::load8(t.data() + t.size() - 8), '*')) != 0;
  return t.find('*') != std::string_view::npos;
}

// The GSI line of a point: a "*" in front of GSI-16 lines, then four words.
std::size_t lineWidth(bool wide) { return wide ? 1 + 4 * 24 : 4 * 16; }

// Fills the GSI line of a point into `line`, a blank record line of
// lineWidth(wide). Returns whether a value did not fit: a "*" in the line
// past the wide lines' mark. Only two places can hold one: the data of a
// measurement word (all stars then) and the point number's characters.
bool gsiLine(Session& s, const Point& p, int block, bool wide, RecordLine& line) {
  const int m = wide ? 2 : 1;
  const std::size_t w = wide ? 24 : 16;
  if (wide) line.text(1, "*", 1);
  char* buf = line.field(wide ? 2 : 1, 4 * w);
  const std::string_view number = trimField(p.number);
  bool stars = false;
  if (!gsi::pointWord(buf, m, 11, block, p.number))
    s.diag(DiagKind::Dropped, 0, "point number not written, block number above 9999",
           PointDetail(number).view());
  else if (number.size() > static_cast<std::size_t>(8 * m))
    s.diag(DiagKind::Truncated, 0,
           wide ? "point number cut to its last sixteen characters"
                : "point number cut to its last eight characters",
           PointDetail(number).view());
  if (holdsStar(p.number))  // rare: then the word itself is looked at
    stars = std::string_view(buf, w).find('*') != std::string_view::npos;
  const auto measure = [&](std::size_t k, int index, int unit, double v) {
    gsi::measureWord(buf + k * w, m, index, unit, v);
    stars |= buf[k * w + 7] == '*';
  };
  if (!missReal(p.x)) measure(1, 81, 0, wide ? p.x : gsi8Coordinate(s, p, p.x));
  if (!missReal(p.y)) measure(2, 82, 0, wide ? p.y : gsi8Coordinate(s, p, p.y));
  if (!missReal(p.height)) measure(3, 83, 6, p.height);
  return stars;
}

}  // namespace

void kvt2leica(Session& s, std::int32_t option, std::string_view parDir, std::string_view input,
               std::string_view output) {
  guardedRun(s, [&] {
    startRun(s, "KVT --> Leica/WILD", parDir);
    beginExport(s, kIn, kOut, input, output, Report::Diagnostic);
    TextFile* in = s.channel(kIn);
    TextFile* out = s.channel(kOut);
    const bool wide = option == 1;
    forEachPoint(s, in, input, Report::Diagnostic, PointPart::Position, [&](Point& p) {
      if (s.exchange) std::swap(p.x, p.y);  // the words carry easting first
      // Made in the output buffer; a "*" past the wide lines' mark is a
      // value that did not fit.
      RecordLine line(s, out, lineWidth(wide), "");
      const bool tooWide = gsiLine(s, p, s.counter, wide, line);
      line.writeFull();
      if (tooWide) reportTooWide(s, "GSI", p.number);
    });
    writeFull(out, "\x03");
    s.wrmsg(countLine(s.counter));
    endOutput(s, kOut);
    s.closeChannel(kIn);
    s.closeChannel(kOut);
  });
}

}  // namespace kvtconv
