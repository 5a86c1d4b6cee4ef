// Catalogue points as Zeiss REC 500 coordinate lines.
#include "catalogue/columns.hpp"
#include "catalogue/fortran.hpp"
#include "catalogue/point.hpp"
#include "catalogue/record.hpp"
#include "frame/run.hpp"
#include "frame/session.hpp"
#include "frame/text.hpp"

namespace kvtconv {

namespace {

constexpr int kIn = 17, kOut = 18;

std::string zeissLine(const Point& p, std::int32_t counter, bool& fits) {
  std::string line(80, ' ');
  putI(line, 1, 7, counter);
  putField(line, 9, p.number, 12);
  putField(line, 22, p.code, 9);
  putField(line, 37, "Y ", 2);
  fits = putF(line, 39, 12, 3, p.x);
  putField(line, 52, "X ", 2);
  fits = putF(line, 54, 13, 3, p.y) && fits;
  putField(line, 68, "Z ", 2);
  if (!missReal(p.height)) fits = putF(line, 70, 9, 3, p.height) && fits;
  return line;
}

}  // namespace

void kvt2zeiss(Session& s, std::string_view parDir, std::string_view input,
               std::string_view output) {
  guardedRun(s, [&] {
    startRun(s, "KVT --> Zeiss REC 500", parDir);
    // How an unusable catalogue is reported is this export's own choice:
    // the host hears of it, as it does from the other exports of the frame.
    beginExport(s, kIn, kOut, input, output, Report::Host);
    TextFile* in = s.channel(kIn);
    TextFile* out = s.channel(kOut);
    forEachPoint(s, in, input, Report::Host, [&](Point& p) {
      if (missReal(p.x) || missReal(p.y)) return;
      bool fits = true;
      writeFull(out, zeissLine(p, s.counter, fits));
      if (!fits) reportTooWide(s, "Zeiss", p.number);
      if (p.code.size() > 9 && p.code[9] != ' ')
        s.diag(DiagKind::Truncated, 0, "code cut to its first nine characters",
               "point " + std::string(trim(p.number)));
    });
    endOutput(s, kOut);
    s.wrmsg(countLine(s.counter));
    s.closeChannel(kIn);
    s.closeChannel(kOut);
  });
}

}  // namespace kvtconv
