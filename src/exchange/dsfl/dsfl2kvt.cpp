// A DSFL map file into a catalogue. The file is a stream of "%"-tokens;
// coordinate data of an object may run on over the following lines. Point,
// line and area objects become coded point records, texts become text
// records; feature codes go back to point codes through the code table, or
// a new table is built from the codes met. The file is read, cut into
// tokens and its numbers read on a second thread; the tokens are turned into
// records on the caller's.
#include <algorithm>
#include <array>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <numbers>
#include <optional>
#include <unordered_map>
#include <vector>

#include "frame/bytes.hpp"
#include "catalogue/angles.hpp"
#include "catalogue/codes.hpp"
#include "catalogue/codetable.hpp"
#include "catalogue/fortran.hpp"
#include "catalogue/observations.hpp"
#include "catalogue/point.hpp"
#include "catalogue/record.hpp"
#include "exchange/dbase/dbase.hpp"
#include "frame/files.hpp"
#include "frame/relay.hpp"
#include "frame/run.hpp"
#include "frame/session.hpp"
#include "frame/text.hpp"

namespace kvtconv {

namespace {

constexpr int kIn = 17, kOut = 18, kCodes = 19, kReport = 20;
constexpr std::size_t kParsed = 80, kLineWidth = 132;
constexpr std::string_view kLetters = "HRKUDTPLFVBNS";

struct RunEnds {};

std::string i(std::int64_t v, int w) { return fieldI(v, w); }

// Position digits of a text as the export writes them, back to the
// catalogue's position codes.
std::int32_t positionCode(int digit) {
  switch (digit) {
    case 4: return 1;
    case 7: return 2;
    case 2: return 6;
    case 5: return 7;
    case 8: return 8;
    case 3: return 12;
    case 6: return 13;
    case 9: return 14;
    default: return 0;
  }
}

// The "%"-tokens of one line: a token runs to the next "%" outside double
// quotes. Text in front of the first "%" continues the last token's data.
// Whether any of the eight bytes at p is a "%" or a '"'.
inline bool markIn(const char* p) {
  const std::uint64_t x = bytes::load8(p);
  return (bytes::equal(x, '%') | bytes::equal(x, '"')) != 0;
}

template <class F>
void tokens(std::string_view line, F&& f) {
  std::size_t start = 0;
  bool quoted = false;
  std::size_t k = 0;
  for (;;) {
    // Coordinate lines hold neither mark: passed eight bytes at a time.
    while (k + 8 <= line.size() && !markIn(line.data() + k)) k += 8;
    if (k == line.size()) break;
    if (line[k] == '"') quoted = !quoted;
    if (line[k] == '%' && !quoted && k > start) {
      f(line.substr(start, k - start));
      start = k;
    }
    ++k;
  }
  f(line.substr(start));
}

// An item of coordinate data: a number (missing when unreadable) or the
// radius of the arc to the next point.
struct DataItem {
  double v;
  bool radius;
};
using DataItems = std::vector<DataItem>;

// The items of coordinate data, as they come: numbers between separators,
// and among them "R" with the radius after it and "H1"/"H2", passed over.
void dataItems(std::string_view text, DataItems& items) {
  items.clear();
  std::size_t pos = 1;
  for (;;) {
    const std::size_t start = skipSeparators(text, pos - 1);
    if (start >= text.size()) break;
    pos = start + 1;  // the readers need not pass the separators again
    const char lead = upperLatin1(text[start]);
    if (lead == 'R' || lead == 'H') {  // items among the numbers; read only these as words
      int err = 0;
      std::size_t before = pos;
      const std::string word = rdatas(text, before, 12, err);
      const std::string_view w = rtrim(word);
      if (w == "R") {
        pos = before;
        int e2 = 0;
        items.push_back({rdrtas(text, pos, e2), true});
        continue;
      }
      if (w == "H1" || w == "H2") {
        pos = before;
        continue;
      }
    }
    int e = 0;
    const double v = rdrtas(text, pos, e);
    if (e == -1) break;
    items.push_back({e != 0 ? kMissingReal : v, false});
  }
}

// A "%"-token's letter and what follows it.
struct Mark {
  char letter;
  std::string_view rest;
};
Mark markOf(std::string_view t) { return {t.size() > 1 ? t[1] : ' ', t.substr(std::min<std::size_t>(2, t.size()))}; }

// The coordinate data a token carries, if any: all of a data token, the
// part after the start code of a point or line, after the position digit
// of a text's position.
std::string_view dataOf(std::string_view t) {
  if (t[0] != '%') return t;
  const auto [letter, rest] = markOf(t);
  if (letter == 'P' || letter == 'L' || letter == 'F') {
    const std::size_t blank = rest.find(' ');
    return blank == std::string_view::npos ? std::string_view() : rest.substr(blank);
  }
  if (letter == 'T' && !rest.empty() && rest[0] != 'T') return rest.substr(1);
  return {};
}

// What the reading side hands on: a token with the items of its data, or
// that the file could not be read. Its head, its items, then its text.
struct Sent {
  std::uint32_t readError = 0, items = 0, length = 0, unused = 0;  // sixteen bytes: the items stay aligned
};

// The reading side: lines cut into tokens, their numbers read, up to the
// end of the file or "%S".
void readTokens(Relay& r, TextFile* in) {
  DataItems items;
  bool ended = false;
  std::string_view line;
  while (!ended && in) {
    const ReadStatus st = in->readLine(line, kLineWidth);
    if (st == ReadStatus::End) break;
    if (st == ReadStatus::Error) {
      r.room(Sent{1}, 0);
      r.send(sizeof(Sent));
      break;
    }
    tokens(line.substr(0, std::min(line.size(), kParsed)), [&](std::string_view t) {
      if (ended || t.empty()) return;
      dataItems(dataOf(t), items);
      const Sent head{0, static_cast<std::uint32_t>(items.size()), static_cast<std::uint32_t>(t.size())};
      const std::size_t itemBytes = items.size() * sizeof(DataItem);
      char* m = r.room(head, itemBytes + t.size());
      if (itemBytes != 0) std::memcpy(m, items.data(), itemBytes);
      std::memcpy(m + itemBytes, t.data(), t.size());
      r.send(sizeof head + itemBytes + t.size());
      ended = t[0] == '%' && markOf(t).letter == 'S';
    });
  }
}

class DsflImport {
 public:
  DsflImport(Session& s, const Dsfl2KvtArgs& a) : s_(s), a_(a) {}

  void run() {
    building_ = a_.buildCodeTable != 0;
    firstText_ = std::string(trim(a_.firstPoint));
    if (firstText_.size() == 1 && firstText_[0] == s_.par.missingMark()) firstText_.clear();
    constexpr Report quiet = Report::Diagnostic;
    if (!building_) expectInput(s_, a_.codeTable, 2);
    reportOpen(s_, opfile(s_, kIn, a_.input, 1, 13), a_.input, true, quiet);
    reportOpen(s_, opfile(s_, kOut, a_.output, -1, 8, Access::Write), a_.output, false, quiet);
    if (building_)
      reportOpen(s_, opfile(s_, kCodes, a_.codeTable, -1, 2, Access::Write), a_.codeTable, false, quiet);
    else
      reportOpen(s_, opfile(s_, kCodes, a_.codeTable, 1, 2), a_.codeTable, true, quiet);
    opfile(s_, kReport, a_.reportFile, a_.reportMode, 4, Access::Write);
    in_ = s_.channel(kIn);
    out_ = s_.channel(kOut);
    codes_ = s_.channel(kCodes);
    report_ = s_.channel(kReport);
    if (a_.linkCounter) *a_.linkCounter = 0;

    res(" DSFL Fil     : " + std::string(trim(a_.input)));
    res(" Punktkatalog : " + std::string(trim(a_.outputShown.empty() ? a_.output : a_.outputShown)));
    res(" Kode-tabel   : " + std::string(trim(a_.codeTable)));
    res(" Resultatfil  : " + std::string(trim(a_.reportFile)));
    res("");
    try {
      if (a_.registerElements != 0.0f) openDatabases();
      wfilhead(s_, out_);
      codeTable();
      mainLoop();
    } catch (const RunEnds&) {
    }
    endObject();
    finish();
  }

 private:
  // ----------------------------------------------------------- helpers

  void res(std::string_view line) {
    if (report_) report_->writeLine(rtrim(line));
  }
  [[noreturn]] void fatal(const std::string& line) {
    s_.wrerr(line);
    throw RunEnds{};
  }

  static std::string featureKey(std::string_view k, std::string_view u) {
    return fixed(k, 2) + fixed(u, 7);
  }

  // ------------------------------------------------------- code table

  void codeTable() {
    if (building_) {
      if (!codes_) return;
      codes_->writeLine("999   KVT <--> DSFL <--> Intergraph kodetabel (" + std::string(rtrim(s_.date)) + ")");
      codes_->writeLine("999");
      codes_->writeLine(
          "999 %K %U       ACC LV CO LC WT FT  AC     TH      TW      BESKRIVELSE         TM");
      codes_->writeLine("999");
      codes_->writeLine(
          "999 vv vvvvvvv  hhh hh hhh h hh hhh vvvvvv hhhh.hh hhhh.hh vvvvvvvvvvvvvvvvvvv vv");
      codes_->writeLine("999");
      return;
    }
    const CodeLayout layout = initCodeTab(codes_);
    std::string line;
    while (codes_) {
      const ReadStatus st = codes_->readLine(line, kLineWidth);
      if (st == ReadStatus::End) break;
      if (st == ReadStatus::Error) fatal("Fejl i data !");
      CodeEntry e;
      if (!rcode(layout, line, e)) continue;
      addEntry(e);
    }
  }

  void addEntry(const CodeEntry& e) {
    const std::string key = featureKey(e.k, e.u);
    byFeature_.emplace(key, table_.size());
    if (e.k[0] == 'D') byText_.emplace(fixed(e.u, 7), table_.size());
    table_.push_back(e);
  }

  // A new table's base codes are numbered, as a classic table holds three
  // characters of code.
  CodeEntry newEntry(std::string_view k, std::string_view u) {
    CodeEntry e;
    char digits[3];
    formatI(digits, 3, static_cast<std::int64_t>(table_.size() + 1));
    std::string code(digits, 3);
    for (char& c : code)
      if (c == ' ') c = '0';
    e.code = fixed(code, 10);
    e.k = fixed(k, 2);
    e.u = fixed(u, 7);
    e.remark = std::string(40, ' ');
    return e;
  }

  // The table entry of the current feature code, or -1.
  // The table entry of the current %K and %U; kept until either changes,
  // as every point of a run of point objects asks for it.
  int feature() {
    if (featureKnown_) return feature_;
    featureKnown_ = true;
    return feature_ = findFeature();
  }
  int findFeature() {
    const auto it = byFeature_.find(featureKey(k_, u_));
    if (it != byFeature_.end()) return static_cast<int>(it->second);
    if (building_) {
      CodeEntry e = newEntry(k_, u_);
      e.remark = fixed(remark_, 40);
      addEntry(e);
      wcode(codes_, e);
      return static_cast<int>(table_.size() - 1);
    }
    missing("%K" + std::string(rtrim(k_)) + "%U" + std::string(rtrim(u_)));
    return -1;
  }

  void missing(const std::string& code) {
    if (missingSeen_.emplace(code, true).second) missing_.push_back(code);
  }

  // The catalogue code of a table entry and code type, made once per pair:
  // every point of an object asks for the same one.
  const std::string& kvtCode(int entry, int type) {
    if (entry < 0) {
      missingCode_ = s_.par.missing(10);
      return missingCode_;
    }
    const std::size_t slot = static_cast<std::size_t>(entry) * 11 + (type >= 0 && type <= 9 ? static_cast<std::size_t>(type) : 10);
    if (kvtCodes_.size() <= slot) kvtCodes_.resize(table_.size() * 11);
    std::string& code = kvtCodes_[slot];
    if (code.empty()) {
      code.assign(10, ' ');
      dankod(s_, code, table_[static_cast<std::size_t>(entry)].code, type);
    }
    return code;
  }

  // -------------------------------------------------------- main loop

  void mainLoop() {
    TextFile* in = in_;
    Relay::run([in](Relay& r) { readTokens(r, in); },
               [&](std::string_view m) {
                 if (ended_) return;
                 const auto head = Relay::head<Sent>(m);
                 if (head.readError) fatal("Fejl i DSFL-fil");
                 items_ = m.data() + sizeof head;
                 itemCount_ = head.items;
                 token(m.substr(m.size() - head.length));
               },
               in_);
  }

  // A token, with the items of its data in items_.
  void token(std::string_view t) {
    if (t[0] != '%') {
      data();
      return;
    }
    const auto [letter, rest] = markOf(t);
    if (kLetters.find(letter) == std::string_view::npos || letter == ' ')
      fatal("%K-kode " + std::string(1, letter) + " findes ikke i formatet");
    const bool continuation = (letter == 'L' || letter == 'F') && rest.size() >= 1 && rest[0] == '3';
    if (!continuation) endObject();
    sink_ = Sink::None;
    switch (letter) {
      case 'H': headerToken(rest); break;
      case 'R': case 'N':
        if (a_.fieldRecords != 0.0f) wnfelt(out_, "%" + std::string(1, letter) + fixed(rest, 10));
        break;
      case 'K': k_ = fixed(trim(rest), 2); remark_.clear(); featureKnown_ = false; break;
      case 'U': u_ = fixed(trim(rest), 7); remark_.clear(); featureKnown_ = false; break;
      case 'B':
        remark_ = std::string(trim(rest));
        if (building_ && byFeature_.find(featureKey(k_, u_)) == byFeature_.end()) feature();
        break;
      case 'D': textToken(rest); break;
      case 'T': positionToken(rest); break;
      case 'V': direction(rest); break;
      case 'P': startObject(Sink::Point, 0); break;
      case 'L': case 'F': lineToken(letter, rest, continuation); break;
      case 'S': ended_ = true; break;
      default: break;
    }
  }

  // ----------------------------------------------------------- header

  void headerToken(std::string_view rest) {
    if (rest.empty()) return;
    const bool alone = rest.size() == 1 || !std::isdigit(static_cast<unsigned char>(rest[1]));
    if (!alone) return;  // %H41 and the like
    if (rest[0] == '3') order(rest.substr(1));
    else if (rest[0] == '6') originToken(rest.substr(1));
    else if (rest[0] == '2') sawH2_ = true;
  }

  void order(std::string_view letters) {
    int y = 0, x = 0, h = 0, position = 0;
    for (const char c : letters) {
      if (c == ' ') continue;
      if (++position > 3) break;
      const char u = upperLatin1(c);
      if (u == 'Y' || u == 'N') y = position;
      else if (u == 'X' || u == 'E') x = position;
      else if (u == 'Z' || u == 'H') h = position;
    }
    if (y == 0 && x == 0) return;  // not an order: keep the one we have
    positions_ = {y == 0 ? 1 : y, x == 0 ? 2 : x, h};
    if (positions_[0] == positions_[1] || positions_[1] == positions_[2])
      s_.wrerr("Fejl i %H3 - koordinatr\xE6kkef\xF8lgen");
    ordered_ = true;
  }

  std::size_t valuesPerPoint() const {
    if (ordered_) return positions_[2] != 0 ? 3 : 2;
    return sawH2_ ? 3 : 2;
  }

  void originToken(std::string_view rest) {
    std::vector<double> v;
    numbers(rest, v);
    for (std::size_t k = 0; k < v.size() && k < 3; ++k) {
      const int p = k < 2 || ordered_ ? positions_[k] : 3;
      if (p >= 1 && p <= 3 && !missReal(v[k])) origin_[static_cast<std::size_t>(p - 1)] = v[k];
    }
  }

  static void numbers(std::string_view text, std::vector<double>& out) {
    std::size_t pos = 1;
    for (;;) {
      int err = 0;
      const double v = rdrtas(text, pos, err);
      if (err == -1) break;
      out.push_back(err != 0 ? kMissingReal : v);
    }
  }

  // ------------------------------------------------------ coordinates

  enum class Sink { None, Point, Line, Position };

  // The start code ("%P1K", "%L1KR") runs to the first blank; the data
  // after it is in items_.
  void startObject(Sink sink, int type) {
    sink_ = sink;
    objectType_ = type;
    grouped_ = 0;
    data();
  }

  void lineToken(char letter, std::string_view rest, bool continuation) {
    const char kind = rest.size() >= 3 ? rest[2] : 'R';
    const int type = kind == 'S' ? 2 : kind == 'C' ? 3 : 1;
    if (continuation && pending_) {
      pendingType_ = type;  // where the line type changes, the point has the new type
    } else {
      endObject();
      endType_ = letter == 'F' ? 8 : 9;
      objectCode_ = feature();
    }
    startObject(Sink::Line, type);
  }

  // Coordinate data (items_): numbers in groups of two or three, with radius items.
  void data() {
    if (sink_ == Sink::None) return;
    for (std::size_t at = 0; at < itemCount_; ++at) {
      DataItem item;
      std::memcpy(&item, items_ + at * sizeof item, sizeof item);
      if (item.radius) {
        radius_ = item.v;
        continue;
      }
      group_[grouped_++] = item.v;
      if (grouped_ == valuesPerPoint()) {
        std::array<double, 3> c = {kMissingReal, kMissingReal, kMissingReal};
        for (std::size_t k = 0; k < grouped_; ++k) {
          const int p = positions_[k] != 0 ? positions_[k] : static_cast<int>(k + 1);
          const auto idx = static_cast<std::size_t>(p - 1);
          const bool miss = std::fabs(group_[k] - kMissingReal) < 0.01;
          c[idx] = miss ? kMissingReal : group_[k] + origin_[idx];
        }
        grouped_ = 0;
        coordinate(c);
      }
    }
  }

  void coordinate(const std::array<double, 3>& c) {
    switch (sink_) {
      case Sink::Point: pointObject(c); break;
      case Sink::Line: linePoint(c); break;
      case Sink::Position:
        if (text_) {
          text_->x = c[0];
          text_->y = c[1];
          haveTextPosition_ = true;
        }
        sink_ = Sink::None;
        break;
      default: break;
    }
  }

  // The next element's point number, into `n` (cut or padded to 12).
  void nextNumber(std::string& n) {
    ++elements_;
    const std::int64_t v = elements_ + a_.elementOffset;
    // Numbers run on by one: the last one's digits are counted up in place.
    if (v == number_ + 1 && countUp()) {
      number_ = v;
      assign(n, numberText_);
      return;
    }
    // The first text, the number (stars past seven places), blanks up to 12.
    std::memset(numberText_, ' ', 12);
    const std::size_t first = std::min<std::size_t>(firstText_.size(), 12);
    std::memcpy(numberText_, firstText_.data(), first);
    char* const digits = numberText_ + first;
    char* const end = std::to_chars(digits, numberText_ + sizeof numberText_, v).ptr;
    const auto count = static_cast<std::size_t>(end - digits);
    number_ = v;
    digits_ = {first, first + count};
    if (count > 7) {
      std::memset(digits, '*', 7);
      std::memset(digits + 7, ' ', count - 7);
      number_ = -1;  // not to be counted up
    }
    assign(n, numberText_);
  }
  // A field of twelve set from twelve bytes: copied in place, as it
  // always has its width.
  static void assign(std::string& field, const char* twelve) {
    if (field.size() == 12) bytes::copy(field.data(), twelve, 12);
    else field.assign(twelve, 12);
  }
  // The digits of the last number plus one, when they stay as many, not
  // negative and within the 12 places.
  bool countUp() {
    if (number_ < 0 || digits_.second > 12 || digits_.second - digits_.first >= 7) return false;
    for (std::size_t k = digits_.second; k-- > digits_.first;) {
      if (numberText_[k] != '9') {
        ++numberText_[k];
        return true;
      }
      numberText_[k] = '0';
    }
    return false;  // all nines: one digit more, made anew
  }

  void writePoint(const std::array<double, 3>& c, const std::string& code) {
    Point& p = point_;  // one point, its fields reused from point to point
    nextNumber(p.number);
    if (p.code.size() == code.size()) bytes::copy(p.code.data(), code.data(), code.size());  // one width
    else p.code = code;
    p.x = c[0];
    p.y = c[1];
    p.height = c[2];
    if (s_.exchange) std::swap(p.x, p.y);
    if (points_ == 0) p.task = s_.adm.taskText;  // the same for the whole run
    p.extras = PointExtras{};
    wpkt(s_, out_, p);
    ++points_;
  }

  void pointObject(const std::array<double, 3>& c) {
    const int e = feature();
    writePoint(c, kvtCode(e, 0));
    const std::string_view system = trim(s_.par.text(par::kCodeSystem));
    if (a_.directionPoints != 0.0f && directionPending_ && (system == "1" || system == "3") &&
        !missReal(c[0]) && !missReal(c[1])) {
      std::array<double, 3> d = c;
      d[0] += std::sin(direction_);
      d[1] += std::cos(direction_);
      writePoint(d, kvtCode(e, 7));
    }
    directionPending_ = false;
  }

  // Points of a line wait for the next one: only then is it known whether
  // they end the object.
  void linePoint(const std::array<double, 3>& c) {
    if (pending_) {
      writePoint(*pending_, kvtCode(objectCode_, pendingType_));
      if (!std::isnan(radius_)) arcPoint(*pending_, c);
    }
    pending_ = c;
    pendingType_ = objectType_;
    radius_ = std::nan("");
  }

  // A point half way along the arc of the given radius from a to b; a
  // positive radius bends to the left of the chord.
  void arcPoint(const std::array<double, 3>& a, const std::array<double, 3>& b) {
    const double r = radius_;
    radius_ = std::nan("");
    if (missReal(a[0]) || missReal(b[0]) || missReal(a[1]) || missReal(b[1]) || r == 0) return;
    const double chord = afstan(a[0], a[1], b[0], b[1]);
    if (chord < 1e-9 || chord > 2 * std::fabs(r)) return;
    int err = 0;
    const double dir = alfa(a[0], a[1], b[0], b[1], err);
    const double sagitta = std::fabs(r) - std::sqrt(r * r - chord * chord / 4);
    const double side = r > 0 ? 1.0 : -1.0;
    const double mx = (a[0] + b[0]) / 2 - side * sagitta * std::sin(dir);
    const double my = (a[1] + b[1]) / 2 + side * sagitta * std::cos(dir);
    std::array<double, 3> m = {mx, my, kMissingReal};
    if (!missReal(a[2]) && !missReal(b[2])) m[2] = (a[2] + b[2]) / 2;
    writePoint(m, kvtCode(objectCode_, pendingType_));
  }

  void endObject() {
    if (pending_) {
      writePoint(*pending_, kvtCode(objectCode_, endType_));
      pending_.reset();
    }
  }

  // ------------------------------------------------------------ texts

  void textToken(std::string_view rest) {
    flushText();
    const std::string u = fixed(rest.substr(0, std::min<std::size_t>(7, rest.size())), 7);
    if (isBlank(u)) return;  // "%D" alone closes a text
    if (a_.fieldRecords != 0.0f) wdfelt(out_, "%D" + fixed(rest, 10));
    const std::size_t q1 = rest.find('"');
    if (q1 == std::string_view::npos) {
      registerItem(u, trim(rest.substr(std::min<std::size_t>(7, rest.size()))));
      return;
    }
    std::size_t q2 = rest.find('"', q1 + 1);
    if (q2 == std::string_view::npos) q2 = rest.size();
    int e = -1;
    const auto it = byText_.find(u);
    if (it != byText_.end()) {
      e = static_cast<int>(it->second);
    } else if (building_) {
      CodeEntry n = newEntry("D ", u);
      addEntry(n);
      wcode(codes_, n);
      e = static_cast<int>(table_.size() - 1);
    } else {
      missing("%D" + std::string(rtrim(u)));
    }
    TextRecord t;
    t.code = kvtCode(e, 0);
    t.text = fixed(rest.substr(q1 + 1, q2 - q1 - 1), 80);
    t.valueA = textDirection_;
    t.valueB = e >= 0 ? table_[static_cast<std::size_t>(e)].textSize : kMissingReal;
    text_ = t;
    haveTextPosition_ = false;
    registerItem(u, trim(t.text));
  }

  void positionToken(std::string_view rest) {
    if (rest.empty() || rest[0] == 'T' || !text_) return;  // text heights come from the table
    const int digit = std::isdigit(static_cast<unsigned char>(rest[0])) ? rest[0] - '0' : 1;
    text_->valueC = positionCode(digit);
    sink_ = Sink::Position;
    grouped_ = 0;
    data();
  }

  void flushText() {
    if (!text_) return;
    if (s_.exchange) std::swap(text_->x, text_->y);
    wtext(s_, out_, *text_);
    ++texts_;
    if (haveTextPosition_) registerElement(text_->x, text_->y);
    text_.reset();
  }

  void direction(std::string_view rest) {
    std::size_t k = 0;
    while (k < rest.size() && std::isalpha(static_cast<unsigned char>(rest[k]))) ++k;
    std::size_t pos = 1;
    int err = 0;
    const double gon = rdrtas(rest.substr(k), pos, err);
    if (err != 0) return;
    double r = gon * std::numbers::pi * 0.005;
    if (r < -0.0001) r += 2 * std::numbers::pi;
    direction_ = r;
    directionPending_ = true;
    // A text's direction in degrees, counted the other way round.
    textDirection_ = std::fmod(400.0 - gon + 800.0, 400.0) * 0.9;
  }

  // --------------------------------------------------------- database

  void openDatabases() {
    const std::string design(trim(a_.designFile ? *a_.designFile : std::string()));
    const std::size_t slash = design.find_last_of("/\\");
    const std::string dir = slash == std::string::npos ? std::string() : design.substr(0, slash + 1);
    std::string key = design.substr(slash == std::string::npos ? 0 : slash + 1);
    // The key is the name as given: "map2" and "MAP2" are different design files.
    key = fixed(key.substr(0, key.find('.')), 8);
    DbTable ctrl;
    if (ctrl.open(findFixedName(dir.empty() ? "." : dir.substr(0, dir.size() - 1), "kvtctrl.dbf")) != 0) {
      s_.wrerr("KVT kontrol database ikke fundet.");
      return;
    }
    std::uint32_t rec = ctrl.seek("DBFILE", key);
    const char* names[] = {"ENTITY", "DBTYPE", "NUMKEYS", "KEY1", "DSFL1", "KEY2", "DSFL2", "KEY3", "DSFL3"};
    std::array<std::string, 9> v;
    const std::uint32_t from = rec != 0 ? rec : ctrl.records();
    if (from != 0)
      for (std::size_t k = 0; k < 9; ++k) v[k] = ctrl.read(names[k], from);
    if (rec == 0) {
      std::size_t pos = 1;
      int err = 0;
      const std::int32_t entity = rditas(v[0], pos, err);
      v[0] = i((err != 0 ? 0 : entity) + 1, 8);
      rec = ctrl.append();
      ctrl.write("ENTITY", rec, v[0]);
      ctrl.write("DBTYPE", rec, v[1]);
      ctrl.write("DBFILE", rec, key);
      ctrl.write("DBIDX", rec, key);
      for (std::size_t k = 2; k < 9; ++k) ctrl.write(names[k], rec, v[k]);
    }
    ctrl.close();
    std::size_t pos = 1;
    int err = 0;
    numKeys_ = std::clamp(rditas(v[2], pos, err), 0, 3);
    for (std::size_t k = 0; k < 3; ++k) {
      keyField_[k] = std::string(trim(v[3 + 2 * k]));
      dsflItem_[k] = fixed(trim(v[4 + 2 * k]), 7);
    }
    const std::string found = findFixedName(dir.empty() ? "." : dir.substr(0, dir.size() - 1),
                                            std::string(rtrim(key)) + ".dbf");
    if (db_.open(found) != 0) {
      s_.wrerr("Database ikke fundet");
      return;
    }
    dbPath_ = found;
    if (a_.designFile) *a_.designFile = found;
  }

  void registerItem(const std::string& u, std::string_view value) {
    if (!db_.isOpen()) return;
    for (int k = 0; k < numKeys_; ++k)
      if (sameText(dsflItem_[static_cast<std::size_t>(k)], u)) values_[static_cast<std::size_t>(k)] = std::string(value);
  }

  void registerElement(double x, double y) {
    if (!db_.isOpen()) return;
    bool any = false;
    for (int k = 0; k < numKeys_; ++k) any = any || !values_[static_cast<std::size_t>(k)].empty();
    if (!any) return;
    const std::uint32_t rec = db_.append();
    if (rec == 0) {
      s_.diag(DiagKind::WriteFailed, 0, "attribute database could not be extended", dbPath_);
      return;
    }
    const std::int32_t link = a_.linkCounter ? ++*a_.linkCounter : ++links_;
    for (int k = 0; k < numKeys_; ++k) {
      const auto kk = static_cast<std::size_t>(k);
      if (!values_[kk].empty()) db_.write(keyField_[kk], rec, values_[kk]);
      values_[kk].clear();
    }
    db_.write("MSLINK", rec, i(link, 8));
    const int d = s_.par.digit(par::kCoordDecimals);
    char field[12];
    formatF(field, 12, d, x);
    db_.write("C1", rec, std::string_view(field, 12));
    formatF(field, 12, d, y);
    db_.write("C2", rec, std::string_view(field, 12));
    Point p;
    p.number = fixed(std::string(1, s_.par.missingMark()), 12);
    std::string code(10, ' ');
    dankod(s_, code, fixed("DBF", 10), 0);
    p.code = code;
    p.x = x;
    p.y = y;
    p.task = fixed(trim(i(link, 12)), 12);
    wpkt(s_, out_, p);
  }

  // -------------------------------------------------------------- end

  void finish() {
    flushText();
    if (!missing_.empty()) {
      res("");
      res(" F\xF8lgende koder findes ikke i kodetabel:");
      for (const std::string& m : missing_) res(" " + m);
      s_.wrerr("En eller flere koder kunne ikke findes i tabel");
    }
    s_.wrmsg(i(points_, 12) + " punkter konverteret");
    res(i(texts_, 12) + " tekster konverteret");
    db_.close();
    endOutput(s_, kOut);
    endOutput(s_, kReport);
    endOutput(s_, kCodes);
  }

  Session& s_;
  const Dsfl2KvtArgs& a_;
  TextFile *in_ = nullptr, *out_ = nullptr, *codes_ = nullptr, *report_ = nullptr;
  bool building_ = false, ended_ = false, ordered_ = false, sawH2_ = false;
  std::string firstText_;
  // The last element number made: its text, value (-1: none to count up
  // from) and where its digits stand.
  char numberText_[40] = {};
  std::int64_t number_ = -1;
  std::pair<std::size_t, std::size_t> digits_{};
  std::vector<CodeEntry> table_;
  std::vector<std::string> kvtCodes_;  // kvtCode's, by entry and type
  std::string missingCode_;
  Point point_;
  std::unordered_map<std::string, std::size_t> byFeature_, byText_;
  std::vector<std::string> missing_;
  std::unordered_map<std::string, bool> missingSeen_;
  std::string k_ = "  ", u_ = std::string(7, ' '), remark_;
  bool featureKnown_ = false;
  int feature_ = -1;
  std::array<int, 3> positions_ = {1, 2, 0};
  std::array<double, 3> origin_ = {0, 0, 0};
  Sink sink_ = Sink::None;
  std::array<double, 3> group_{};  // the numbers of a point so far
  std::size_t grouped_ = 0;
  int objectType_ = 0, endType_ = 9, pendingType_ = 0;
  int objectCode_ = -1;
  std::optional<std::array<double, 3>> pending_;
  double radius_ = std::nan("");
  double direction_ = 0, textDirection_ = 0;
  bool directionPending_ = false;
  std::optional<TextRecord> text_;
  bool haveTextPosition_ = false;
  const char* items_ = nullptr;  // the token at hand's data items, in its message
  std::size_t itemCount_ = 0;
  std::int64_t elements_ = 0;
  std::int64_t points_ = 0, texts_ = 0;
  DbTable db_;
  std::string dbPath_;
  int numKeys_ = 0;
  std::array<std::string, 3> keyField_, dsflItem_, values_;
  std::int32_t links_ = 0;
};

}  // namespace

void dsfl2kvt(Session& s, const Dsfl2KvtArgs& a) {
  guardedRun(s, [&] {
    startRun(s, "DSFL --> KVT", a.parDir);
    DsflImport(s, a).run();
    s.closeAll();
  });
}

}  // namespace kvtconv
