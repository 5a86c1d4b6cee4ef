// Catalogue points as Zeiss REC 500 coordinate lines.
#include <algorithm>
#include <cstring>

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

// The line is formatted where it is written: in the output buffer.
bool writeZeiss(TextFile* out, const Point& p, std::int32_t counter) {
  constexpr std::size_t kWidth = 80;
  char spare[kWidth];
  char* l = out ? out->lineSpace(kWidth) : spare;
  std::memset(l, ' ', kWidth);
  auto text = [&](std::size_t col, std::string_view t, std::size_t w) {
    std::memcpy(l + col - 1, t.data(), std::min(w, t.size()));
  };
  formatI(l, 7, counter);
  text(9, p.number, 12);
  text(22, p.code, 9);
  text(37, "Y ", 2);
  bool fits = formatF(l + 38, 12, 3, p.x);
  text(52, "X ", 2);
  fits = formatF(l + 53, 13, 3, p.y) && fits;
  text(68, "Z ", 2);
  if (!missReal(p.height)) fits = formatF(l + 69, 9, 3, p.height) && fits;
  if (out) out->commitLine(kWidth);
  return fits;
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
    forEachPoint(s, in, input, Report::Host, PointPart::Position, [&](Point& p) {
      if (missReal(p.x) || missReal(p.y)) return;
      const bool fits = writeZeiss(out, p, s.counter);
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
