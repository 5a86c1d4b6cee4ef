// Leica/WILD GSI raw data into a catalogue: the run, the labels file and
// the measurement line types.
#include <cmath>
#include <numbers>

#include "catalogue/angles.hpp"
#include "catalogue/fortran.hpp"
#include "frame/bytes.hpp"
#include "frame/files.hpp"
#include "frame/run.hpp"
#include "frame/session.hpp"
#include "frame/text.hpp"
#include "instruments/gsi/leica_import.hpp"

namespace kvtconv {

namespace gsi {

namespace {

constexpr std::size_t kMaxLabels = 50;
constexpr std::string_view kUnidentified = "Denne linie i input er ikke identificeret";
constexpr std::string_view kMoreCodes[3] = {"72", "73", "74"};  // words of further codes

}  // namespace

void CodeList::remove(const std::string& c) {
  for (auto it = codes_.begin(); it != codes_.end(); ++it) {
    if (*it == c) {
      codes_.erase(it);
      break;
    }
  }
  if (codes_.empty()) codes_.assign(1, std::string(10, ' '));
}

std::vector<Label> readLabels(Session& s, TextFile* f) {
  std::vector<Label> labels;
  std::size_t counted = 0;
  std::string line;
  while (f && f->readLine(line, 80) == ReadStatus::Ok) {
    line.resize(80, ' ');
    std::size_t pos = 1;
    int err = 0;
    const std::int32_t type = rditas(line, pos, err);
    if (err == -1) continue;  // a blank line holds no label
    if (type >= 101) {
      s.wrerr("Label type: " + fieldI(type, 3) + " ikke fundet");
      continue;
    }
    if (++counted > kMaxLabels) {
      s.wrerr("Der er for mange labels i labels-fil !");
      continue;
    }
    Label l;
    l.type = err == 0 ? type : 0;
    l.signature.assign(3 * kSlots, ' ');
    for (int k = 0; k < kSlots; ++k) {
      const std::string t = rdatas(line, pos, 3, err, ' ');
      if (err == -1) break;
      l.signature.replace(static_cast<std::size_t>(3 * k), 3, t);
    }
    labels.push_back(std::move(l));
  }
  return labels;
}

Import::Import(Session& s, TextFile* out, std::vector<Label> labels)
    : s_(s), out_(out), labels_(std::move(labels)), fields_(s), carry_(s.gsi) {}

// Sign and data of a word, as a diagnostic names them.
std::string_view Import::data(int slot) const {
  const std::string_view w = word(slot);
  return w.size() > 6 ? trim(w.substr(6)) : std::string_view{};
}

double Import::scaledAt(int slot) {
  bool ok = true, known = true;
  const double v = scaled(word(slot), line_.m(), ok, known);
  if (!ok) fields_.unreadable(data(slot));
  else if (!known) fields_.note(DiagKind::Note, "unknown unit digit, read as millimetres");
  return v;
}

double Import::rawAt(int slot) {
  bool ok = true;
  const double v = raw(word(slot), line_.m(), ok);
  if (!ok) fields_.unreadable(data(slot));
  return v;
}

std::int32_t Import::intAt(int slot) {
  bool ok = true;
  const std::int32_t v = integer(word(slot), line_.m(), ok);
  if (!ok && has(slot)) fields_.unreadable(data(slot));
  return v;
}

void Import::take(std::string_view index, double& v, bool isScaled) {
  if (const int slot = line_.find(index)) v = isScaled ? scaledAt(slot) : rawAt(slot);
}

int Import::lineType() const {
  // Signatures are 30 bytes: their first eight tell most apart.
  const std::string& sig = line_.signature();
  const std::uint64_t head = bytes::load8(sig.data());
  for (const auto& l : labels_)
    if (bytes::load8(l.signature.data()) == head && l.signature == sig) return l.type;
  return 0;
}

void Import::convert(std::string_view raw) {
  fields_.nextLine();
  line_.assign(raw);
  if (line_.blank()) return;
  const int type = lineType();
  switch (type) {
    case 2: setup(); break;
    case 3:
    case 4: observation(); break;
    case 6: points(); break;
    case 10: codeBlock(); break;
    case 11: levelling(); break;
    case 12: freeSetup(); break;
    case 13:
    case 14:
    case 15: supplement(type); break;
    case 16: pointFromWords(); break;
    case 17: heldCoordinates(); break;
    case 18: heldAttributes(); break;
    case 19: numberedPoint(); break;
    default: unidentified(type); break;
  }
}

void Import::stepBack() {
  if (out_) out_->stepBack();
}

void Import::writeObservation(const std::string& code) {
  DetailObs d;
  d.number = carry_.pointNumber;
  d.code = code;
  d.direction = carry_.hz;
  d.zenith = carry_.v;
  d.prismHeight = prism_;
  d.distance = carry_.slope;
  d.valueA = suppA_;
  d.valueB = suppB_;
  d.extras = extras_;
  wdet(s_, out_, d);
}

void Import::rewriteObservation() {
  stepBack();
  writeObservation(listA_.first());
}

void Import::writePoint(const std::string& number, const std::string& code, double e, double n,
                        double h) {
  Point p;
  p.number = number;
  p.code = code;
  p.x = e;
  p.y = n;
  p.height = h;
  p.task = s_.adm.taskText;
  p.extras = extras_;
  wpkt(s_, out_, p);
}

void Import::setup() {
  carry_.pointNumber = std::string(12, ' ');
  if (const int slot = line_.find("11")) carry_.pointNumber = textAt(slot, 12);
  take("84", carry_.east);
  take("85", carry_.north);
  take("86", carry_.height);
  take("88", instrument_);
  Setup st;
  st.station = carry_.pointNumber;
  st.code = stationCode_;
  st.instrumentHeight = instrument_;
  wsta(s_, out_, st);
  count();
}

void Import::observation() {
  carry_.pointNumber = std::string(12, ' ');
  std::string code(10, ' ');
  std::array<std::string, 3> more = {std::string(10, ' '), std::string(10, ' '), std::string(10, ' ')};
  if (const int slot = line_.find("11")) carry_.pointNumber = textAt(slot, 12);
  take("21", carry_.hz);
  take("22", carry_.v);
  take("31", carry_.slope);
  if (const int slot = line_.find("71")) code = textAt(slot, 10);
  for (int k = 0; k < 3; ++k)
    if (const int slot = line_.find(kMoreCodes[k])) more[static_cast<std::size_t>(k)] = textAt(slot, 10);
  if (const int slot = line_.find("87")) {
    double h = rawAt(slot);
    if (!missReal(h)) h = (h <= -1.5 || h >= -0.5) ? h * 0.001 : kMissingReal;
    prism_ = h;
  }
  if (const int slot = line_.find("51")) {
    // ppm and prism constant stand at fixed places of the word.
    const std::string_view w = word(slot);
    const std::string_view constant = line_.wide() ? w.substr(19, 4) : w.substr(11, 4);
    std::size_t pos = 1;
    int err = 0;
    const double c = rdrtas(constant, pos, err);
    if (err == 0) pendingPrism_ = c;
  }
  if (const int slot = line_.find("58")) {
    const double c = rawAt(slot);
    if (!missReal(c)) pendingPrism_ = c * static_cast<double>(0.1f);
  }
  if (!isBlank(code)) listA_.setFirst(code);

  const double full = frrad(s_, 2 * std::numbers::pi);
  if (offsetPending_) {
    hzOffset_ = carry_.hz - reference_;
    if (carry_.hz < reference_) hzOffset_ += full;
    offsetPending_ = false;
  }
  carry_.hz -= hzOffset_;
  if (carry_.hz < 0) carry_.hz += full;

  suppA_ = suppB_ = kMissingReal;
  if (carry_.slope >= static_cast<double>(0.001f)) carry_.slope *= distanceScale_;
  else carry_.slope = kMissingReal;
  bool used = false;
  if (!missReal(pendingPpm_)) {
    extras_.reals[1] = pendingPpm_;
    pendingPpm_ = kMissingReal;
    used = true;
  }
  if (!missReal(pendingPrism_)) {
    extras_.reals[0] = pendingPrism_ * 0.001;
    pendingPrism_ = kMissingReal;
    used = true;
  }
  const bool single = isBlank(more[0]) && isBlank(more[1]) && isBlank(more[2]);
  if (single)
    for (const auto& c : (activeB_ ? listB_ : listA_).all()) writeObservation(c);
  for (const auto& c : more)
    if (!isBlank(c)) writeObservation(c);
  if (used) extras_.reals[0] = extras_.reals[1] = kMissingReal;
  count();
}

void Import::points() {
  carry_.pointNumber = std::string(12, ' ');
  std::string code(10, ' ');
  std::array<std::string, 3> more = {std::string(10, ' '), std::string(10, ' '), std::string(10, ' ')};
  double dh = kMissingReal;
  if (const int slot = line_.find("11")) carry_.pointNumber = textAt(slot, 12);
  take("81", carry_.east);
  take("82", carry_.north);
  take("83", carry_.height);
  take("37", dh);
  if (const int slot = line_.find("71")) code = textAt(slot, 10);
  for (int k = 0; k < 3; ++k)
    if (const int slot = line_.find(kMoreCodes[k])) more[static_cast<std::size_t>(k)] = textAt(slot, 10);
  extras_.reals[0] = dh;
  if (isBlank(more[0]) && isBlank(more[1]) && isBlank(more[2])) {
    if (!isBlank(code)) listA_.setFirst(code);
    for (const auto& c : (activeB_ ? listB_ : listA_).all())
      writePoint(carry_.pointNumber, c, carry_.east, carry_.north, carry_.height);
  }
  for (const auto& c : more)
    if (!isBlank(c)) writePoint(carry_.pointNumber, c, carry_.east, carry_.north, carry_.height);
  count();
}

void Import::freeSetup() {
  const double value = has(2) ? scaledAt(2) : kMissingReal;
  if (line_.token(2) == "25 ") {
    hzOffset_ = missReal(value) ? 0 : value;
  } else {
    offsetPending_ = true;
    reference_ = carry_.hz;
  }
  wkom(out_, "NB: Fri opstilling, HZ-kreds forskudt!");
  count();
}

void Import::supplement(int type) {
  if (type == 14) {
    double a = kMissingReal, b = kMissingReal;
    take("44", a, false);
    take("47", b, false);
    if (!missReal(a)) extras_.ints[0] = static_cast<std::int32_t>(std::trunc(1000 * a));
    if (!missReal(b)) extras_.ints[1] = static_cast<std::int32_t>(std::trunc(1000 * b));
    rewriteObservation();
    extras_ = PointExtras{};
    return;
  }
  take("34", extras_.reals[0]);
  take("35", extras_.reals[1]);
  if (type == 13) {
    take("83", extras_.reals[2]);
    rewriteObservation();
    count();
    return;
  }
  double e = kMissingReal, n = kMissingReal;
  take("81", e);
  take("82", n);
  rewriteObservation();
  count();
  extras_.reals = {kMissingReal, kMissingReal, kMissingReal};
  writePoint(carry_.pointNumber, listA_.first(), e, n, kMissingReal);
}

void Import::pointFromWords() {
  double a = kMissingReal, b = kMissingReal;
  take("42", a, false);
  take("43", b, false);
  const double e = missReal(a) ? kMissingReal : std::trunc(1000 * a);
  const double n = missReal(b) ? kMissingReal : std::trunc(1000 * b);
  writePoint(carry_.pointNumber, listA_.first(), e, n, kMissingReal);
  count();
}

void Import::heldCoordinates() {
  take("81", carry_.east);
  take("82", carry_.north);
  take("83", carry_.height);
  take("87", extras_.reals[0]);
}

void Import::heldAttributes() {
  take("34", extras_.reals[2]);
  double v = kMissingReal;
  take("35", v);
  if (!missReal(v)) extras_.ints[0] = static_cast<std::int32_t>(std::lround(1000 * v));
}

void Import::numberedPoint() {
  take("44", extras_.reals[1], false);
  std::string number(12, ' ');
  formatI(number.data(), 10, s_.counter);
  carry_.pointNumber = number;
  writePoint(number, listA_.first(), carry_.east, carry_.north, carry_.height);
  count();
}

// The word indexes of the line as the labels file would list them.
std::string Import::words() const {
  int last = kSlots;
  while (last > 0 && isBlank(line_.token(last))) --last;
  std::string t = "words";
  for (int slot = 1; slot <= last; ++slot) {
    t += ' ';
    t += isBlank(line_.token(slot)) ? std::string("--") : shown(line_.token(slot));
  }
  return t;
}

void Import::unidentified(int type) {
  wkom(out_, kUnidentified);
  wkom(out_, rtrim(line_.text()));
  unidentified_ = true;
  if (type == 0)
    fields_.note(DiagKind::Unmatched, "line matched no label sequence", words());
  else
    fields_.note(DiagKind::Unmatched, "label type without a conversion",
                 "type " + std::to_string(type) + ", " + words());
  count();
}

}  // namespace gsi

namespace {

constexpr int kIn = 12, kOut = 13, kLabels = 14;

}  // namespace

void leica2kvt(Session& s, std::int32_t mode, std::string_view input, std::string_view output,
               std::string_view labels, std::string_view parDir) {
  guardedRun(s, [&] {
    startRun(s, "Leica/WILD --> KVT", parDir);
    expectInput(s, labels, 2);
    beginImport(s, kIn, kOut, input, output, mode, "Leica/WILD r\xE5" "data-fil: ", 52);
    TextFile* in = s.channel(kIn);
    TextFile* out = s.channel(kOut);
    reportOpen(s, opfile(s, kLabels, labels, 1, 2, Access::Read), labels, true, Report::Diagnostic);
    gsi::Import gsi(s, out, gsi::readLabels(s, s.channel(kLabels)));
    std::string line;
    for (long n = 1; in; ++n) {
      const ReadStatus st = in->readLine(line, gsi::kMaxLine);
      if (st == ReadStatus::End) break;
      if (st == ReadStatus::Error) {
        reportReadError(s, input, n);
        break;
      }
      // The end marker, also behind a leading '"' as every line may carry.
      std::string_view probe = line;
      if (!probe.empty() && probe.front() == '"') probe = trim(probe.substr(1));
      if (rtrim(probe) == "! ----+") break;
      gsi.convert(line);
    }
    // "En eller flere poster er ikke identificeret !" belongs to the console,
    // which this library does not have; each such line was a diagnostic.
    s.wrmsg(countLine(s.counter));
    endOutput(s, kOut);
    s.closeChannel(kIn);
    s.closeChannel(kLabels);
    s.closeChannel(kOut);
  });
}

}  // namespace kvtconv
