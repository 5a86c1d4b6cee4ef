// Zeiss REC 500 and M5 raw data into a catalogue.
#include <cmath>
#include <numbers>
#include <vector>

#include "catalogue/angles.hpp"
#include "catalogue/columns.hpp"
#include "catalogue/observations.hpp"
#include "catalogue/point.hpp"
#include "catalogue/record.hpp"
#include "frame/files.hpp"
#include "frame/run.hpp"
#include "frame/session.hpp"
#include "frame/text.hpp"

namespace kvtconv {

namespace {

constexpr int kIn = 12, kOut = 13;
constexpr std::size_t kLineWidth = 132;
constexpr std::size_t kHeldBack = 5000;  // M5 observations before the first station

constexpr long kHeaderLines = 7;

struct HeldObs {
  std::string number, code;
  double direction, zenith, distance, prismHeight;
  long line;
};

class ZeissImport {
 public:
  // `skipped`: lines of the file before the first data line.
  ZeissImport(Session& s, TextFile* out, int option, long skipped)
      : s_(s), out_(out), option_(option), fields_(s) {
    const std::string miss12 = s.par.missing(12), miss10 = s.par.missing(10);
    number_ = prevNumber_ = miss12;
    code_ = prevCode_ = miss10;
    for (long k = 0; k < skipped; ++k) fields_.nextLine();
  }

  long lineNumber() const { return fields_.lineNumber(); }

  // Observations still waiting for a station when the file ends are lost.
  void finish() {
    for (const auto& o : heldBack_)
      s_.diag(DiagKind::Dropped, o.line, "M5 observation without a following station dropped",
              "point " + std::string(trim(o.number)));
    heldBack_.clear();
  }

  void convert(std::string& line) {
    line.resize(kLineWidth, ' ');
    fields_.nextLine();
    if (!m5_ && isM5(line)) m5_ = true;
    if (m5_) m5Line(line);
    else rec500Line(line);
    prevNumber_ = number_;
    prevCode_ = code_;
  }

 private:
  double valueAt(std::string_view line, std::size_t col, std::size_t width) {
    return fields_.real(line, col, width);
  }

  double valueAfter(std::string_view text, std::size_t labelEnd) {
    return fields_.realAfter(text, labelEnd);
  }

  void unknown() { fields_.note(DiagKind::Unmatched, "unknown Zeiss line skipped"); }

  // "th" with "ih", or "ih" alone: the two heights carried to later records.
  // Returns 0 when neither is in the line, 1 for both, 2 for "ih" alone.
  // Whether the line holds "M5|": the bar is rare in other lines, so it
  // is looked for first.
  static bool isM5(std::string_view line) {
    for (auto bar = line.find('|'); bar != std::string_view::npos; bar = line.find('|', bar + 1))
      if (bar >= 2 && line[bar - 2] == 'M' && line[bar - 1] == '5') return true;
    return false;
  }

  int heights(std::string_view line) {
    const auto ih = line.find("ih");
    if (ih == std::string_view::npos) return 0;
    const auto th = line.find("th");
    if (th != std::string_view::npos) {
      prism_ = valueAfter(line, th + 2);
      instrument_ = valueAfter(line, ih + 2);
      return 1;
    }
    instrument_ = valueAfter(line, ih + 2);
    return 2;
  }

  void station() {
    if (option_ != 0) return;
    Setup st;
    st.station = number_;
    st.code = code_;
    st.instrumentHeight = instrument_;
    wsta(s_, out_, st);
  }

  void detail(const std::string& number, const std::string& code, double direction, double zenith,
              double distance, double prism) {
    DetailObs d;
    d.number = number;
    d.code = code;
    d.direction = direction;
    d.zenith = zenith;
    d.prismHeight = prism;
    d.distance = distance;
    d.valueA = fl_;
    d.valueB = ft_;
    wdet(s_, out_, d);
  }

  void point(double first, double second, double height) {
    if (option_ != 1) return;
    Point p;
    p.number = number_;
    p.code = code_;
    p.x = first;
    p.y = second;
    p.height = height;
    p.task = s_.adm.taskText;
    wpkt(s_, out_, p);
  }

  void rec500Line(std::string& line) {
    // Kept from line to line: the 27 bytes would be a heap copy each time.
    // Upper-cased in the line, then copied.
    std::string& info = info_;
    upperInPlace(line.data() + 8, 27);
    info.assign(line, 8, 27);
    FieldScanner sc(info, s_.par.missingMark());
    sc.word(number_, 12);
    sc.word(code_, 10);
    if (missReal(prism_)) prism_ = sc.real();
    if (isBlank(number_)) number_ = s_.par.missing(12);
    if (isBlank(code_)) code_ = s_.par.missing(10);

    // Most lines are measurements with no "=" in their text: one look
    // for it spares the four searches for a label.
    const bool labels = info.find('=') != std::string::npos;
    if (const auto at = labels ? info.find("IH=") : std::string::npos; at != std::string::npos) {
      instrument_ = valueAfter(info, at + 3);
      station();
      return;
    }
    if (const auto at = labels ? info.find("SH=") : std::string::npos; at != std::string::npos) {
      prism_ = valueAfter(info, at + 3);
      return;
    }
    if (const int h = heights(line); h != 0) {
      if (h == 2) station();
      return;
    }
    if (const auto at = labels ? info.find("FL=") : std::string::npos; at != std::string::npos) {
      fl_ = valueAfter(info, at + 3);
      return;
    }
    if (const auto at = labels ? info.find("FT=") : std::string::npos; at != std::string::npos) {
      ft_ = valueAfter(info, at + 3);
      return;
    }
    rec500Values(line, info);
  }

  void rec500Values(std::string_view line, std::string_view info) {
    const std::string_view label1 = line.substr(36, 2), label2 = line.substr(51, 3);
    const char label3 = line[67];
    if (label2 == "Hz " && (label1 == "D " || label1 == "  " || label1 == "E ")) {
      const double v1 = valueAt(line, 39, 12), direction = valueAt(line, 54, 13);
      double zenith = kMissingReal, distance = kMissingReal;
      if (label1 == "D ") {
        distance = v1;
        zenith = valueAt(line, 70, 9);
      } else if (label1 == "  ") {
        zenith = valueAt(line, 70, 9);
      } else if (label3 == 'V') {
        distance = v1;  // a horizontal sight
        zenith = frrad(s_, std::numbers::pi / 2);
      } else {
        slopeFromHeightDifference(v1, valueAt(line, 70, 9), zenith, distance);
      }
      if (option_ == 0 && !(number_ == prevNumber_ && code_ == prevCode_))
        detail(number_, code_, direction, zenith, distance, prism_);
      fl_ = ft_ = kMissingReal;
      return;
    }
    if ((label1 == "E " && label2 == "N  ") || (label1 == "Y " && label2 == "X  ")) {
      point(valueAt(line, 39, 12), valueAt(line, 54, 13), valueAt(line, 70, 9));
      return;
    }
    if (label1 == "X " && label2 == "Y  ") {
      const double x = valueAt(line, 39, 12), y = valueAt(line, 54, 13);
      point(y, x, valueAt(line, 70, 9));
      return;
    }
    if (label1 == "  " && label2 == "   ") {
      wkom(out_, info);
      return;
    }
    unknown();
  }

  // A horizontal distance and a height difference give the zenith angle
  // and the slope distance, in the session's angle unit.
  void slopeFromHeightDifference(double horizontal, double dh, double& zenith, double& distance) {
    if (missReal(horizontal) || missReal(dh)) {
      distance = horizontal;
      return;
    }
    zenith = frrad(s_, std::numbers::pi / 2 - std::atan2(dh, horizontal));
    distance = std::hypot(horizontal, dh);
  }

  void m5Line(const std::string& line) {
    FieldScanner sc(std::string_view(line).substr(21, 27), s_.par.missingMark());
    sc.word(number_, 12);
    sc.word(code_, 10);
    const std::string_view label1 = std::string_view(line).substr(49, 2);
    const std::string_view label2 = std::string_view(line).substr(72, 2);
    if (const int h = heights(line); h != 0) {
      if (h == 2) {
        station();
        releaseHeldBack();
        stationSeen_ = true;
      }
      return;
    }
    if ((label1 == "Y " && label2 == "X ") || (label1 == "X " && label2 == "Y ")) {
      const double v1 = valueAt(line, 52, 15), v2 = valueAt(line, 75, 15);
      const double h = valueAt(line, 98, 15);
      if (label1 == "Y ") point(v1, v2, h);
      else point(v2, v1, h);
      return;
    }
    if (label1 == "SD" && label2 == "Hz") {
      fl_ = ft_ = kMissingReal;
      const double distance = valueAt(line, 52, 15), direction = valueAt(line, 75, 15);
      const double zenith = valueAt(line, 98, 15);
      if (option_ != 0) return;
      if (stationSeen_) {
        detail(number_, code_, direction, zenith, distance, prism_);
      } else if (heldBack_.size() < kHeldBack) {
        heldBack_.push_back({number_, code_, direction, zenith, distance, prism_,
                             fields_.lineNumber()});
      } else {
        // The buffer is full: later observations go out at once, before
        // the station record they belong to.
        fields_.note(DiagKind::Note,
                     "more than 5000 M5 observations before the first station, written at once");
        detail(number_, code_, direction, zenith, distance, prism_);
      }
      return;
    }
    if (!isBlank(line)) unknown();
  }

  void releaseHeldBack() {
    for (const auto& o : heldBack_)
      detail(o.number, o.code, o.direction, o.zenith, o.distance, o.prismHeight);
    heldBack_.clear();
  }

  Session& s_;
  TextFile* out_;
  int option_;
  ColumnReader fields_;
  bool m5_ = false, stationSeen_ = false;
  std::string number_, code_, prevNumber_, prevCode_;
  std::string info_;  // the upper-cased text columns of the line at hand
  double instrument_ = kMissingReal, prism_ = kMissingReal, fl_ = kMissingReal,
         ft_ = kMissingReal;
  std::vector<HeldObs> heldBack_;
};

std::string firstToken(const Session& s, std::string_view line, std::size_t col, std::size_t width) {
  std::size_t pos = col;
  int err = 0;
  return rdatas(line, pos, width, err, s.par.missingMark());
}

std::int32_t firstInt(std::string_view line, std::size_t col) {
  std::size_t pos = col;
  int err = 0;
  return rditas(line, pos, err);
}

// The seven header lines; false when the file ends inside them.
bool readHeader(Session& s, TextFile* in, TextFile* out, std::string_view name) {
  std::string lines[kHeaderLines];
  long n = 0;
  for (auto& l : lines) {
    ++n;
    const ReadStatus st = in ? in->readLine(l, kLineWidth) : ReadStatus::End;
    if (st == ReadStatus::Error) reportReadError(s, name, n);
    if (st != ReadStatus::Ok) return false;
    l.resize(kLineWidth, ' ');
  }
  // Fields the header does not give keep the missing-value text; a field
  // that is read takes its token, blank when the line holds none.
  AdminRecord a;
  for (std::string* f : {&a.job, &a.operatorName, &a.date, &a.time, &a.instrument})
    *f = s.par.missing(f->size());
  if (lines[0].find("Projekt") != std::string::npos) {
    a.job = firstToken(s, lines[0], 19, 10);
    a.operatorName = firstToken(s, lines[1], 19, 10);
    a.date = firstToken(s, lines[3], 19, 9);
  } else {
    a.job = firstToken(s, lines[0], 9, 10);
    a.operatorName = firstToken(s, lines[1], 9, 10);
    a.date = firstToken(s, lines[2], 9, 9);
    a.time = fixed(firstToken(s, lines[3], 9, 9), 8);
    a.temperature = firstInt(lines[4], 9);
    a.pressure = firstInt(lines[5], 9);
    a.instrument = firstToken(s, lines[6], 9, 12);
  }
  wakom(out);
  wadm(s, out, a);
  return true;
}

}  // namespace

void zeiss2kvt(Session& s, std::int32_t mode, std::int32_t variant, std::int32_t option,
               std::string_view input, std::string_view output, std::string_view parDir) {
  guardedRun(s, [&] {
    startRun(s, "Zeiss --> KVT", parDir);
    beginImport(s, kIn, kOut, input, output, mode);
    TextFile* in = s.channel(kIn);
    TextFile* out = s.channel(kOut);
    if (variant != 1 || readHeader(s, in, out, input)) {
      ZeissImport zeiss(s, out, option, variant == 1 ? kHeaderLines : 0);
      std::string line;
      for (;;) {
        // A view into the read buffer, copied once into the line that is
        // padded and changed.
        std::string_view read;
        const ReadStatus st = in ? in->readLine(read, kLineWidth) : ReadStatus::End;
        if (st == ReadStatus::End) break;
        if (st == ReadStatus::Error) {
          reportReadError(s, input, zeiss.lineNumber() + 1);
          break;
        }
        line.assign(read);
        zeiss.convert(line);
        ++s.counter;
      }
      zeiss.finish();
    }
    s.wrmsg(countLine(s.counter));
    endOutput(s, kOut);
    s.closeChannel(kIn);
    s.closeChannel(kOut);
  });
}

}  // namespace kvtconv
