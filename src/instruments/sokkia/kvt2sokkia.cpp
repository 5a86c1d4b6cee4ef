// Catalogue points as an SDR2 or SDR33 coordinate file ("08KI" records).
#include <cstdint>
#include <cstring>

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

// Coordinates and a present height are zero-filled on the left, as the
// instruments read them.
bool putValue(RecordLine& line, const sdr::Field& f, double v) {
  char* at = line.field(f.col, f.width);
  if (!at) return false;
  // A value that does not fit is all stars: nothing to fill.
  const bool fits = formatF(at, static_cast<int>(f.width), 3, v);
  if (fits) sdr::zeroFillNumber(at, f.width);
  return fits;
}

// The coordinate record, made where the file will write it.
bool sdrLine(Session& s, TextFile* out, const Point& p, bool sdr33) {
  const sdr::Layout& l = sdr33 ? sdr::kSdr33 : sdr::kSdr2;
  RecordLine line(s, out, sdr33 ? 84 : 54, "08KI");
  // The number as twelve places right-aligned: SDR33 has four more in
  // front, SDR2 keeps the last four.
  const std::string_view number = trimField(std::string_view(p.number).substr(0, 12));
  if (sdr33) {
    line.rightText(l.point.col, number, l.point.width);
  } else {
    line.rightText(l.point.col, number, 4);
    if (char* at = line.field(l.point.col, 4)) sdr::zeroFill(at, 4);
  }
  bool fits = putValue(line, l.coord1, p.x);
  fits = putValue(line, l.coord2, p.y) && fits;
  if (!missReal(p.height)) fits = putValue(line, l.height, p.height) && fits;
  line.text(l.pointCode.col, p.code, l.pointCode.width);
  line.writeFull();
  return fits;
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
      if (!sdrLine(s, out, p, sdr33)) reportTooWide(s, "SDR", p.number);
      if (!sdr33 && trimField(p.number).size() > 4)
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
