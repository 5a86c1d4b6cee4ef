#include "catalogue/observations.hpp"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <utility>

#include "catalogue/fortran.hpp"
#include "catalogue/record.hpp"
#include "frame/bytes.hpp"
#include "frame/session.hpp"
#include "frame/text.hpp"

namespace kvtconv {

namespace {

constexpr std::string_view kWideHeight =
    " NB: Instr.hd. udskrift for bred. Benyt evt. f\xE6rre decimaler!";
constexpr std::string_view kWideObs = " NB: Obs.udskrift for bred. Benyt evt. f\xE6rre decimaler!";
constexpr std::string_view kMissingDistance = "-------- ";

struct Decimals {
  int angle, distance, height, coord, level;
};

Decimals decimals(const Session& s) {
  return {s.par.digit(par::kAngleDecimals), s.par.digit(par::kDistanceDecimals),
          s.par.digit(par::kHeightDecimals), s.par.digit(par::kCoordDecimals),
          s.par.digit(par::kLevelDecimals)};
}

// The four values every theodolite observation record shares.
void observationColumns(RecordLine& r, const Decimals& d, double direction, double zenith,
                        double prismHeight, double distance) {
  r.real(27, 9, d.angle, direction).real(37, 9, d.angle, zenith);
  r.real(47, 6, d.height, prismHeight).realOr(54, 9, d.distance, distance, kMissingDistance);
}

void textRecord(TextFile* f, std::string_view type, std::string_view text) {
  std::string line(80, ' ');
  putField(line, 1, type, 2);
  putField(line, 5, text, 76);
  writeFull(f, line);
}

// An integer field holding a real rounded half away from zero; a value far
// too wide for any field shows as the overflow mark without a cast overflow.
void putRounded(RecordLine& r, std::size_t col, int w, double v) {
  if (missReal(v)) {
    r.real(col, w, 0, kMissingReal);  // the missing text, as every missing number
    return;
  }
  const double rounded = std::round(v);
  const std::int64_t n = std::fabs(rounded) < 1e15 ? static_cast<std::int64_t>(rounded) : std::int64_t{1} << 62;
  r.count(col, w, n);
}

}  // namespace

void wsta(Session& s, TextFile* f, Setup& r) {
  const Decimals d = decimals(s);
  if (isBlank(r.code)) r.code = s.par.missing(r.code.size());
  RecordLine line(s, f, 80, "2");
  line.text(4, r.station, 12).text(17, r.code, 10).real(28, 6, d.height, r.instrumentHeight);
  for (std::size_t k = 0; k < 4; ++k) line.integer(35 + 4 * k, 2, r.ints[k]);
  checkWide(s, line.str(), 28, 33, kWideHeight);
  line.writeFull();
}

void wken(Session& s, TextFile* f, const ReferenceObs& r) {
  RecordLine line(s, f, 80, "3");
  line.text(4, r.number, 12).text(17, r.code, 9);
  observationColumns(line, decimals(s), r.direction, r.zenith, r.prismHeight, r.distance);
  checkWide(s, line.str(), 28, 62, kWideObs);
  line.writeFull();
}

// Detail observations are most of what the instrument imports write, so
// their record is formatted where it is written, with what the parameters
// decide worked out once per parameter set.
namespace {

const DetailLayout& detailLayout(Session& s) {
  DetailLayout& l = s.detailLayout;
  if (l.version == s.par.version() && l.version != 0) return l;
  l.version = s.par.version();
  const Decimals d = decimals(s);
  l.angle = d.angle;
  l.distance = d.distance;
  l.height = d.height;
  l.coord = d.coord;
  const std::string& format = s.par.text(par::kObsFormat);
  l.extent = sameText(format, "AFS") ? 0 : sameText(format, "FT") ? 1 : sameText(format, "RVAL") ? 2 : 3;
  l.missing = s.par.text(par::kMissingText);
  l.missingStars = l.missing.find('*') != std::string::npos;
  return l;
}

// A field of a blank line: the number, or the missing text cut to the
// field. False when the number did not fit.
bool detailField(char* line, std::size_t col, int w, int d, double v, std::string_view missing) {
  char* out = line + col - 1;
  if (missReal(v)) {
    const std::size_t n = std::min(missing.size(), static_cast<std::size_t>(w));
    for (std::size_t k = 0; k < n; ++k) out[k] = missing[k];
    return true;
  }
  return formatF(out, w, d, v);
}

}  // namespace

void wdet(Session& s, TextFile* f, DetailObs& r) {
  const DetailLayout& l = detailLayout(s);
  // The code cut to nine characters; a blank one shows the missing text.
  std::string_view code = std::string_view(r.code).substr(0, 9);
  if (isBlank(code)) code = std::string_view(l.missing).substr(0, 9);
  // The line ends after the last field the format has.
  static constexpr std::size_t kEnds[4] = {62, 79, 112, 126};
  const std::size_t end = kEnds[l.extent];
  // Room for the widest form, blanked by stores of a known count rather
  // than a call; only `end` bytes are written.
  constexpr std::size_t kWidth = 128;
  char spare[kWidth];
  char* line = f ? f->lineSpace(kWidth) : spare;
  std::memset(line, ' ', kWidth);
  line[1] = '4';
  bytes::copyCut<12>(line + 3, r.number.data(), r.number.size());
  bytes::copyCut<9>(line + 16, code.data(), code.size());
  const std::string_view missing = l.missing;
  bool fits = detailField(line, 27, 9, l.angle, r.direction, missing);
  fits &= detailField(line, 37, 9, l.angle, r.zenith, missing);
  fits &= detailField(line, 47, 6, l.height, r.prismHeight, missing);
  fits &= detailField(line, 54, 9, l.distance, r.distance, kMissingDistance);
  if (l.extent >= 1) {
    detailField(line, 65, 7, l.distance, r.valueA, missing);
    detailField(line, 73, 7, l.distance, r.valueB, missing);
  }
  if (l.extent >= 2)
    for (std::size_t k = 0; k < 3; ++k) detailField(line, 81 + 11 * k, 10, l.coord, r.extras.reals[k], missing);
  if (l.extent >= 3) {
    for (std::size_t k = 0; k < 2; ++k) {
      char* out = line + 113 + 7 * k;
      if (missInt(r.extras.ints[k])) {
        const std::size_t n = std::min<std::size_t>(missing.size(), 6);
        std::memcpy(out, missing.data(), n);
      } else {
        formatI(out, 6, r.extras.ints[k]);
      }
    }
  }
  // Only an overflowing number, or a missing text with stars, can put
  // "***" where the check looks.
  if (!fits || l.missingStars) checkWide(s, std::string_view(line, end), 28, 62, kWideObs);
  if (f) f->commitLine(rtrim(std::string_view(line, end)).size());
}

void wort(Session& s, TextFile* f, const Orientation& r) {
  const int d = decimals(s).distance;
  RecordLine line(s, f, 80, "5");
  line.text(4, r.number, 12).text(17, r.code, 10);
  for (std::size_t k = 0; k < 3; ++k) line.real(28 + 13 * k, 12, d, r.values[k]);
  line.writeFull();
}

void wniv(Session& s, TextFile* f, const Levelling& r) {
  const Decimals d = decimals(s);
  RecordLine line(s, f, 80, "7");
  line.text(4, r.number, 12).text(17, r.code, 10);
  line.real(28, 8, d.level, r.height).real(37, 9, d.distance, r.distance);
  line.writeFull();
}

void wmidf(Session& s, TextFile* f, const MeanValues& r) {
  static constexpr std::size_t kCols[7] = {5, 12, 19, 26, 33, 40, 47};
  static constexpr int kDecimals[7] = {1, 2, 1, 2, 1, 2, 2};
  RecordLine line(s, f, 80, "9");
  for (std::size_t k = 0; k < 7; ++k) {
    // Mean values count as missing within a looser tolerance.
    const bool missing = std::fabs(r.values[k] - kMissingReal) < 0.01;
    line.real(kCols[k], 5, kDecimals[k], missing ? kMissingReal : r.values[k]);
  }
  line.writeFull();
}

void wtext(Session& s, TextFile* f, TextRecord& r) {
  const int c = decimals(s).coord;
  double a = r.x, b = r.y;
  if (s.exchange) std::swap(a, b);
  if (isBlank(r.code)) r.code = s.par.missing(r.code.size());
  RecordLine line(s, f, 132, "10");
  line.text(4, r.code, 10).real(15, 12, c, a).real(28, 12, c, b);
  putRounded(line, 41, 3, r.valueA);
  putRounded(line, 45, 7, r.valueB);
  line.integer(53, 2, r.valueC).text(56, r.text, 77);
  checkWide(s, line.str(), 15, 39);
  line.writeTrimmed();
}

void wna2000(Session& s, TextFile* f, const LevelReadings& r) {
  const Decimals d = decimals(s);
  RecordLine line(s, f, 128, "11");
  line.text(4, r.number, 12);
  for (std::size_t k = 0; k < 3; ++k) line.real(18 + 10 * k, 8, d.level, r.readings[k]);
  line.real(48, 8, d.distance, r.distance).real(58, 9, d.level, r.height).text(68, r.code, 10);
  for (std::size_t k = 3; k < 5; ++k)
    line.realOr(79 + 9 * (k - 3), 8, d.level, r.readings[k], "");
  line.writeTrimmed();
}

void wvector(Session& s, TextFile* f, const Vector& r) {
  const Decimals d = decimals(s);
  RecordLine line(s, f, 128, "60");
  line.text(4, r.from, 12).text(17, r.to, 12);
  line.real(30, 10, d.coord, r.components[0]).real(41, 10, d.coord, r.components[1]);
  line.real(52, 10, d.level, r.components[2]);
  line.real(63, 8, d.coord, r.spreads[0]).real(72, 8, d.coord, r.spreads[1]);
  line.real(81, 8, d.level, r.spreads[2]);
  line.writeTrimmed();
}

void wdfelt(TextFile* f, std::string_view text) { textRecord(f, "90", text); }
void wnfelt(TextFile* f, std::string_view text) { textRecord(f, "91", text); }

Setup rsta(const Session& s, std::string_view line) {
  FieldScanner sc(line, s.par.missingMark());
  Setup r;
  sc.word(r.station, 12);
  sc.word(r.code, 10);
  r.instrumentHeight = sc.real();
  for (auto& i : r.ints) i = sc.integer();
  return r;
}

ReferenceObs rken(const Session& s, std::string_view line) {
  FieldScanner sc(line, s.par.missingMark());
  ReferenceObs r;
  sc.word(r.number, 12);
  sc.word(r.code, 10);
  r.direction = sc.real();
  r.zenith = sc.real();
  r.prismHeight = sc.real();
  r.distance = sc.real();
  return r;
}

DetailObs rdet(const Session& s, std::string_view line) {
  FieldScanner sc(line, s.par.missingMark());
  DetailObs r;
  sc.word(r.number, 12);
  sc.word(r.code, 10);
  for (double* v : {&r.direction, &r.zenith, &r.prismHeight, &r.distance, &r.valueA, &r.valueB})
    *v = sc.real();
  for (double& v : r.extras.reals) v = sc.real();
  for (auto& i : r.extras.ints) i = sc.integer();
  return r;
}

Orientation rort(const Session& s, std::string_view line) {
  FieldScanner sc(line, s.par.missingMark());
  Orientation r;
  sc.word(r.number, 12);
  sc.word(r.code, 10);
  for (double& v : r.values) v = sc.real();
  return r;
}

Levelling rniv(const Session& s, std::string_view line) {
  FieldScanner sc(line, s.par.missingMark());
  Levelling r;
  sc.word(r.number, 12);
  sc.word(r.code, 10);
  r.height = sc.real();
  r.distance = sc.real();
  return r;
}

MeanValues rmidf(const Session& s, std::string_view line) {
  FieldScanner sc(line, s.par.missingMark());
  MeanValues r;
  for (double& v : r.values) v = sc.real();
  return r;
}

TextRecord rtext(const Session& s, std::string_view line) {
  FieldScanner sc(line, s.par.missingMark());
  TextRecord r;
  sc.word(r.code, 10);
  r.x = sc.real();
  r.y = sc.real();
  r.valueA = sc.real();
  r.valueB = sc.real();
  r.valueC = sc.integer();
  // The text is the rest of the line after the character that ended the integer.
  const std::size_t from = std::min(sc.pos(), line.size());
  r.text = fixed(line.substr(from), 80);
  if (s.exchange) std::swap(r.x, r.y);
  return r;
}

LevelReadings rna2000(const Session& s, std::string_view line) {
  FieldScanner sc(line, s.par.missingMark());
  LevelReadings r;
  sc.word(r.number, 12);
  for (std::size_t k = 0; k < 3; ++k) r.readings[k] = sc.real();
  r.distance = sc.real();
  r.height = sc.real();
  sc.word(r.code, 10);
  return r;
}

Vector rvector(const Session& s, std::string_view line) {
  FieldScanner sc(line, s.par.missingMark());
  Vector r;
  sc.word(r.from, 12);
  sc.word(r.to, 12);
  for (double& v : r.components) v = sc.real();
  for (double& v : r.spreads) v = sc.real();
  return r;
}

}  // namespace kvtconv
