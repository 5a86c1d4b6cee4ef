// Catalogue points as an SDR2 or SDR33 coordinate file ("08KI" records).
#include "catalogue/columns.hpp"
#include "catalogue/fortran.hpp"
#include "catalogue/point.hpp"
#include "catalogue/record.hpp"
#include "frame/run.hpp"
#include "frame/session.hpp"
#include "frame/text.hpp"
#include "instruments/sokkia/sdr.hpp"

namespace kvtconv {

namespace {

constexpr int kIn = 17, kOut = 18;

// Blanks become zeros; a minus sign moves to the front of the field, so
// that "-00045.600" stays a number for the instruments and for us.
void zeroFill(std::string& line, std::size_t col, std::size_t width) {
  bool negative = false;
  for (std::size_t i = col - 1; i < col - 1 + width; ++i) {
    if (line[i] == '-') {
      negative = true;
      line[i] = '0';
    }
    if (line[i] == ' ') line[i] = '0';
  }
  if (negative) line[col - 1] = '-';
}

// Coordinates and a present height are zero-filled on the left, as the
// instruments read them.
bool putValue(std::string& line, const sdr::Field& f, double v) {
  const bool fits = putF(line, f.col, static_cast<int>(f.width), 3, v);
  zeroFill(line, f.col, f.width);
  return fits;
}

std::string sdrLine(const Point& p, bool sdr33, bool& fits) {
  const sdr::Layout& l = sdr33 ? sdr::kSdr33 : sdr::kSdr2;
  std::string line(sdr33 ? 84 : 54, ' ');
  putField(line, 1, "08KI", 4);
  std::string number = fixed(p.number, 12);
  hjuster(number);
  if (sdr33) {
    putField(line, l.point.col, std::string(4, ' ') + number, l.point.width);
  } else {
    putField(line, l.point.col, std::string_view(number).substr(8), 4);
    zeroFill(line, l.point.col, 4);
  }
  fits = putValue(line, l.coord1, p.x);
  fits = putValue(line, l.coord2, p.y) && fits;
  if (!missReal(p.height)) fits = putValue(line, l.height, p.height) && fits;
  putField(line, l.pointCode.col, p.code, l.pointCode.width);
  return line;
}

}  // namespace

void kvt2sokkia(Session& s, std::int32_t variant, std::string_view parDir, std::string_view input,
                std::string_view output) {
  guardedRun(s, [&] {
    startRun(s, "KVT --> Sokkia", parDir);
    beginExport(s, kIn, kOut, input, output, Report::Diagnostic);
    TextFile* in = s.channel(kIn);
    TextFile* out = s.channel(kOut);
    const bool sdr33 = variant != 0;
    writeFull(out, std::string(1, sdr::kStart));
    writeFull(out, sdr33 ? "00NMSDR33  V04-04.030000                211121"
                         : "00NMSDR2     V02-08S1169 Koord. fra KVT 213121");
    forEachPoint(s, in, input, Report::Diagnostic, PointPart::Position, [&](Point& p) {
      if (missReal(p.x) || missReal(p.y)) return;
      bool fits = true;
      writeFull(out, sdrLine(p, sdr33, fits));
      if (!fits) reportTooWide(s, "SDR", p.number);
      if (!sdr33 && trim(p.number).size() > 4)
        s.diag(DiagKind::Truncated, 0, "SDR2 point number cut to its last four characters",
               "point " + std::string(trim(p.number)));
    });
    writeFull(out, std::string(1, sdr::kEnd) + "00000");
    endOutput(s, kOut);
    s.wrmsg(countLine(s.counter));
    s.closeChannel(kIn);
    s.closeChannel(kOut);
  });
}

}  // namespace kvtconv
