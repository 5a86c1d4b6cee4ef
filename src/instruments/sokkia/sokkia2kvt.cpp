// Sokkia SDR2 and SDR33 raw data into a catalogue.
#include <cstdint>
#include <cstring>

#include "frame/bytes.hpp"
#include "catalogue/columns.hpp"
#include "catalogue/fortran.hpp"
#include "catalogue/observations.hpp"
#include "catalogue/point.hpp"
#include "catalogue/record.hpp"
#include "frame/files.hpp"
#include "frame/run.hpp"
#include "frame/session.hpp"
#include "frame/text.hpp"
#include "instruments/sokkia/sdr.hpp"

namespace kvtconv {

namespace {

constexpr int kIn = 12, kOut = 13;
constexpr std::size_t kLineWidth = 160;

// The GNSS records use the wide layout in both generations.
constexpr sdr::Field kGnssPoint{5, 16}, kGnssPos1{21, 16}, kGnssPos2{37, 16}, kGnssHeight{53, 16},
    kGnssCode{69, 16}, kAntennaHeight{5, 16}, kAntennaRadius{78, 16}, kAntennaOffset{94, 16},
    kJob{5, 16};

bool isControl(char c) {
  const auto u = static_cast<unsigned char>(c);
  return u < 0x20 && u != '\t';
}

bool hasControlBytes(std::string_view line) {
  // Eight bytes at a time: only where one of them is below a blank is
  // each looked at (a tab is allowed).
  std::size_t i = 0;
  for (; i + 8 <= line.size(); i += 8) {
    if (bytes::below(bytes::load8(line.data() + i), 0x20) == 0) continue;
    for (std::size_t k = i; k < i + 8; ++k)
      if (isControl(line[k])) return true;
  }
  for (; i < line.size(); ++i)
    if (isControl(line[i])) return true;
  return false;
}

class SdrImport {
 public:
  SdrImport(Session& s, TextFile* out, bool keepUnknown)
      : s_(s), out_(out), keep_(keepUnknown), fields_(s) {
    job_ = s.par.missing(10);
    instrument_ = s.par.missing(12);
  }

  // A start-of-transmission line: skipped, but it is a line of the file.
  void skip() { fields_.nextLine(); }

  void convert(std::string& raw) {
    fields_.nextLine();
    if (hasControlBytes(raw)) fields_.note(DiagKind::Note, "control characters in the line");
    raw.resize(kLineWidth, ' ');
    line_ = raw;
    const std::string_view type = std::string_view(line_).substr(0, 2);
    if (type == "00") header();
    else if (type == "01") instrument();
    else if (type == "02") setup();
    else if (type == "03") prism_ = real(layout().prismHeight);
    else if (type == "04" || type == "06") comment();
    else if (type == "05") atmosphere();
    else if (type == "07") unidentified(" (EKB)");
    else if (type == "08") coordinates();
    else if (type == "09") observation();
    else if (type == "10") job_ = text(kJob, 10);
    else if (type == "11" || type == "12" || type == "14") return;
    else if (type == "13") note();
    else if (type == "52" || type == "53" || type == "54") position(type == "54");
    else if (type == "57") antenna();
    else if (type == "61") {
      antennaRadius_ = real(kAntennaRadius);
      antennaOffset_ = real(kAntennaOffset);
    } else {
      fields_.note(DiagKind::Unmatched, "record type not known", "type " + shown(type));
      unidentified("");
    }
  }

 private:
  const sdr::Layout& layout() const { return sdr33_ ? sdr::kSdr33 : sdr::kSdr2; }
  double real(const sdr::Field& f) { return fields_.real(line_, f.col, f.width); }
  std::string text(const sdr::Field& f, std::size_t width) {
    return fields_.text(line_, f.col, f.width, width);
  }
  std::string code(const sdr::Field& f) {
    std::string c = text(f, 10);
    return isBlank(c) ? s_.par.missing(10) : c;
  }

  // SDR2 point numbers are integers; SDR33 ones are texts.
  std::string number(const sdr::Field& f) {
    if (sdr33_ || f.width > 4) return text(f, 12);
    const std::int32_t n = fields_.integer(line_, f.col, f.width);
    if (missInt(n)) return s_.par.missing(12);
    char digits[4];
    formatI(digits, 4, n);
    return fixed(trim(std::string_view(digits, 4)), 12);
  }

  void count() { ++s_.counter; }

  void comment() {
    wkom(out_, line_);
    count();
  }

  void unidentified(std::string_view suffix) {
    if (keep_) {
      wkom(out_, std::string("Denne linie i input er ikke identificeret") + std::string(suffix));
      wkom(out_, line_);
    }
    count();
  }

  void header() {
    const std::string_view name = std::string_view(line_).substr(4, 10);
    if (name.find("SDR2") != std::string_view::npos) sdr33_ = false;
    else if (name.find("SDR3") != std::string_view::npos) sdr33_ = true;
    comment();
  }

  void instrument() {
    instrument_ = fixed(std::string_view(line_).substr(4, 95), 12);
    count();
  }

  void setup() {
    const sdr::Layout& l = layout();
    setup_ = Setup{};
    setup_.station = number(l.station);
    setup_.code = code(l.setupCode);
    setup_.instrumentHeight = real(l.instrumentHeight);
    if (setup_.instrumentHeight < -999.0) setup_.instrumentHeight = prism_;
    wsta(s_, out_, setup_);
    setupLast_ = true;
    count();
  }

  void atmosphere() {
    const sdr::Layout& l = layout();
    AdminRecord a;
    a.job = job_;
    a.operatorName = s_.par.missing(10);
    a.date = s_.par.missing(9);
    a.time = s_.par.missing(8);
    a.pressure = fields_.integer(line_, l.pressure.col, l.pressure.width);
    a.temperature = fields_.integer(line_, l.temperature.col, l.temperature.width);
    a.instrument = instrument_;
    wakom(out_);
    wadm(s_, out_, a);
    count();
  }

  void coordinates() {
    const sdr::Layout& l = layout();
    Point p;
    p.number = number(l.point);
    p.x = real(l.coord1);
    p.y = real(l.coord2);
    p.height = real(l.height);
    p.code = code(l.pointCode);
    p.task = s_.adm.taskText;
    wpkt(s_, out_, p);
    count();
  }

  void writeDetail() {
    detail_.prismHeight = prism_;
    wdet(s_, out_, detail_);
  }

  void observation() {
    if (std::string_view(line_).substr(2, 2) == "MC") return;
    const sdr::Layout& l = layout();
    detail_ = DetailObs{};
    detail_.number = number(l.target);
    detail_.distance = real(l.slope);
    detail_.zenith = real(l.zenith);
    detail_.direction = real(l.direction);
    detail_.code = code(l.obsCode);
    writeDetail();
    setupLast_ = false;
    noteCounter_ = 0;
    count();
  }

  void position(bool reduceHeight) {
    Point p;
    p.number = text(kGnssPoint, 12);
    p.code = code(kGnssCode);
    p.x = real(kGnssPos1);
    p.y = real(kGnssPos2);
    p.height = real(kGnssHeight);
    if (!missReal(p.x)) p.x *= 10000.0;
    if (!missReal(p.y)) p.y *= 10000.0;
    if (reduceHeight && !missReal(p.height)) {
      if (!missReal(antennaHeight_)) p.height -= antennaHeight_;
      if (!missReal(antennaOffset_)) p.height -= antennaOffset_;
    }
    p.task = s_.adm.taskText;
    // Positions carry the decimals of geographic coordinates.
    const std::string saved = s_.par.text(par::kCoordDecimals);
    s_.par.set(par::kCoordDecimals, s_.par.text(par::kGeoDecimals));
    wpkt(s_, out_, p);
    s_.par.set(par::kCoordDecimals, saved);
    count();
  }

  static std::string value12(double v) {
    std::string f(12, ' ');
    if (missReal(v)) return std::string(12, '-');
    formatF(f.data(), 12, 4, v);
    return f;
  }

  void antenna() {
    antennaHeight_ = real(kAntennaHeight);
    wkom(out_, "Antennehd.: " + value12(antennaHeight_));
    wkom(out_, "Antennerad.: " + value12(antennaRadius_) + "; Antenne offset:" + value12(antennaOffset_));
  }

  // Notes correct the record written last: stepping the catalogue back one
  // record lets the corrected record take its place.
  void note() {
    if (std::string_view(line_).substr(2, 2) != "NM") {
      if (keep_) wkom(out_, line_);
      count();
      return;
    }
    const std::string_view body = std::string_view(line_).substr(4, 60);
    const char command = body[0];
    const std::string_view rest = body.substr(1);
    switch (command) {
      case 'A': adjust(detail_.distance, rest); break;
      case 'H': adjust(detail_.direction, rest); break;
      case 'S':
        prism_ = noteValue(rest);
        if (!setupLast_) rewriteDetail();
        break;
      case 'T':
        detail_.code = noteText(rest, 10);
        if (!setupLast_) rewriteDetail();
        break;
      case 'I':
        setup_.instrumentHeight = noteValue(rest);
        if (setupLast_) rewriteSetup();
        break;
      case 'P':
        if (setupLast_) {
          setup_.station = noteText(rest, 12);
          rewriteSetup();
        } else {
          detail_.number = noteText(rest, 12);
          rewriteDetail();
        }
        break;
      case 'Q':
        if (s_.counter > 1) {
          if (out_) out_->stepBack();
          --s_.counter;
        }
        break;
      case 'D': extraDetail(rest); break;
      case 'X':
      case ' ':
        wkom(out_, std::string_view(line_).substr(5, 75));
        count();
        break;
      default:
        if (keep_) wkom(out_, line_);
        break;
    }
  }

  double noteValue(std::string_view rest) {
    std::size_t pos = 1;
    int err = 0;
    const double v = rdrtas(rest, pos, err);
    if (err != 0) fields_.unreadable();
    return v;
  }

  std::string noteText(std::string_view rest, std::size_t width) {
    const std::string t = fixed(trim(rest), width);
    return isBlank(t) ? s_.par.missing(width) : t;
  }

  void adjust(double& value, std::string_view rest) {
    const double delta = noteValue(rest);
    if (!missReal(value) && !missReal(delta)) value += delta;
    if (!setupLast_) rewriteDetail();
  }

  void rewriteDetail() {
    if (out_) out_->stepBack();
    writeDetail();
  }

  void rewriteSetup() {
    if (out_) out_->stepBack();
    wsta(s_, out_, setup_);
  }

  void extraDetail(std::string_view rest) {
    detail_.code = noteText(rest, 10);
    ++noteCounter_;
    const char digit = noteCounter_ <= 9 ? static_cast<char>('0' + noteCounter_) : '*';
    std::string n(rtrim(detail_.number));
    if (n.find('.') != std::string::npos) n.back() = digit;
    else n += std::string(".") + digit;
    detail_.number = fixed(n, 12);
    writeDetail();
    count();
  }

  Session& s_;
  TextFile* out_;
  bool keep_;
  ColumnReader fields_;
  std::string line_;
  bool sdr33_ = false, setupLast_ = false;
  int noteCounter_ = 0;
  std::string job_, instrument_;
  double prism_ = kMissingReal, antennaHeight_ = kMissingReal, antennaRadius_ = kMissingReal,
         antennaOffset_ = kMissingReal;
  Setup setup_;
  DetailObs detail_;
};

}  // namespace

void sokkia2kvt(Session& s, std::int32_t mode, std::string_view input, std::string_view output,
                std::string_view parDir, std::int32_t keepUnknown) {
  guardedRun(s, [&] {
    startRun(s, "Sokkia SDR --> KVT", parDir);
    beginImport(s, kIn, kOut, input, output, mode, "Sokkia r\xE5" "data-fil: ", 56);
    TextFile* in = s.channel(kIn);
    TextFile* out = s.channel(kOut);
    SdrImport sdr(s, out, keepUnknown == 1);
    std::string line;
    for (long n = 1; in; ++n) {
      const ReadStatus st = in->readLine(line, kLineWidth);
      if (st == ReadStatus::End) break;
      if (st == ReadStatus::Error) {
        reportReadError(s, input, n);
        break;
      }
      if (!line.empty() && line[0] == sdr::kEnd) break;
      if (!line.empty() && line[0] == sdr::kStart) {
        sdr.skip();
        continue;
      }
      sdr.convert(line);
    }
    s.wrmsg(countLine(s.counter));
    endOutput(s, kOut);
    s.closeChannel(kIn);
    s.closeChannel(kOut);
  });
}

}  // namespace kvtconv
