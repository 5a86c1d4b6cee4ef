// A catalogue as a DSFL map file. Point codes choose the feature codes
// through the code table; the code type of each point decides whether it is
// a single point, continues a line, changes its line type or ends the
// object (open or closed). Besides the DSFL file the run writes an overview
// report of the header and the feature codes used.
#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <limits>
#include <numbers>
#include <optional>
#include <unordered_map>
#include <vector>

#include "catalogue/angles.hpp"
#include "catalogue/codes.hpp"
#include "catalogue/codetable.hpp"
#include "catalogue/fortran.hpp"
#include "catalogue/observations.hpp"
#include "catalogue/point.hpp"
#include "catalogue/record.hpp"
#include "frame/files.hpp"
#include "frame/filter.hpp"
#include "frame/run.hpp"
#include "frame/session.hpp"
#include "frame/text.hpp"

namespace kvtconv {

namespace {

constexpr int kIn = 17, kOut = 18, kCodes = 19, kAnswer = 20, kReport = 21;
constexpr std::size_t kMaxEntries = 999, kBufferValues = 20000, kMaxObjectPoints = 20000,
                      kMaxMarks = 5000, kLineWidth = 132;

// Ends the run after a fatal error; the frame closes the files.
struct RunEnds {};

// Short names for the Iw and Fw.d fields every DSFL line is made of.
std::string i(std::int64_t v, int w) { return fieldI(v, w); }
std::string f(double v, int w, int d) { return fieldF(v, w, d); }

std::string trimmed(std::string_view s) { return std::string(trim(s)); }
std::string rtrimmed(std::string_view s) { return std::string(rtrim(s)); }

// Start codes of the object kinds 1-13.
constexpr std::string_view kStartCodes[] = {"%P1K  ", "%L1KR ", "%L1KS ", "%L1KC ", "%L3KR ",
                                            "%L3KS ", "%L3KC ", "%F1KR ", "%F1KS ", "%F1KC ",
                                            "%F3KR ", "%F3KS ", "%F3KC "};

// Action and object kind by new state t (rows) and previous state p (columns).
constexpr int kAction[6][6] = {{10, 4, 4, 4, 2, 11}, {2, 1, 3, 3, 2, 11}, {2, 3, 1, 3, 2, 11},
                               {2, 3, 3, 1, 2, 11},  {5, 1, 1, 1, 6, 9},  {7, 8, 8, 8, 7, 99}};
constexpr int kKind[6][6] = {{1, 1, 1, 1, 1, 1}, {2, 0, 5, 5, 2, 2}, {3, 6, 0, 6, 3, 3},
                             {4, 7, 7, 0, 4, 4}, {0, 0, 0, 0, 0, 0}, {0, 0, 0, 0, 0, 0}};

int positionDigit(std::int32_t position) {
  switch (position) {
    case 1: return 4;
    case 2: return 7;
    case 6: return 2;
    case 7: return 5;
    case 8: return 8;
    case 12: return 3;
    case 13: return 6;
    case 14: return 9;
    default: return 1;
  }
}

struct TableEntry {
  CodeEntry e;
  bool byPoint = false, byText = false;
  std::string kLine;  // its "%K..%U.." line, made when first written
};

class DsflExport {
 public:
  DsflExport(Session& s, const Kvt2DsflArgs& a) : s_(s), a_(a) {}

  void run() {
    heights_ = a_.heights != 0;
    // Flat output without height texts has no use for a point's height.
    part_ = heights_ || a_.heightTexts != 0 ? PointPart::Position : PointPart::Plane;
    coordDecimals_ = s_.par.digit(par::kPrintCoordDecimals);
    heightDecimals_ = s_.par.digit(par::kPrintLevelDecimals);
    origin1_ = origin(a_.origin1);
    origin2_ = origin(a_.origin2);
    setfil2(s_, a_.filterFile);
    constexpr Report quiet = Report::Diagnostic;
    expectInput(s_, a_.codeTable, 2);
    expectInput(s_, a_.answerFile, 2);
    reportOpen(s_, opfile(s_, kIn, a_.input, 1, 8), a_.input, true, quiet);
    reportOpen(s_, opfile(s_, kOut, a_.output, -1, 13), a_.output, false, quiet);
    reportOpen(s_, opfile(s_, kCodes, a_.codeTable, 1, 2), a_.codeTable, true, quiet);
    reportOpen(s_, opfile(s_, kAnswer, a_.answerFile, 1, 2), a_.answerFile, true, quiet);
    opfile(s_, kReport, a_.reportFile, -1, 4);
    in_ = s_.channel(kIn);
    out_ = s_.channel(kOut);
    report_ = s_.channel(kReport);

    try {
      reportTitle();
      loadCodeTable();
      headerTexts();
      extremesPass();
      extents();
      answerFile();
      objectPass();
      pointNumberTexts();
      heightTexts();
      put("%D");
      put("%S");
      codeList();
      std::string end = " " + i(converted_, 5) + " punkter l\xE6st fra " + trimmed(a_.input);
      s_.wrmsg(end);
      res(end);
    } catch (const RunEnds&) {
    }
    endOutput(s_, kReport);
    endOutput(s_, kOut);
  }

 private:
  // ------------------------------------------------------------ output

  void put(std::string_view line) {
    if (out_) out_->writeLine(rtrim(line));
  }
  void res(std::string_view line) {
    if (report_) report_->writeLine(rtrim(line));
  }
  // A header line goes to the report too, one blank in front.
  void header(std::string_view line) {
    put(line);
    std::string copy(1, ' ');
    copy += line;
    res(copy);
  }
  void problem(const std::string& line) {
    s_.wrerr(line);
    res(line);
  }
  [[noreturn]] void fatal(const std::string& line) {
    s_.wrerr(line);
    throw RunEnds{};
  }

  double origin(std::string_view text) {
    std::size_t pos = 1;
    int err = 0;
    const double v = rdrtas(text, pos, err);
    return err != 0 || missReal(v) ? 0.0 : v;
  }

  std::string coords(double x, double y, std::optional<double> z) const {
    std::string t = f(missReal(x) ? x : x - origin1_, 12, coordDecimals_) +
                    f(missReal(y) ? y : y - origin2_, 12, coordDecimals_);
    if (heights_) t += f(z.value_or(kMissingReal), 12, coordDecimals_);
    return t;
  }

  void reportTitle() {
    const std::string title =
        " DSFL Filoversigt, fil: " + trimmed(a_.outputShown.empty() ? a_.output : a_.outputShown);
    res(title);
    res(" " + std::string(static_cast<std::size_t>(chrnbl(title).last - chrnbl(title).first + 1), '*'));
    res("");
    res(" Hovedoplysninger");
    res(" ----------------");
    res("");
  }

  // --------------------------------------------------------- code table

  void loadCodeTable() {
    TextFile* t = s_.channel(kCodes);
    const CodeLayout layout = initCodeTab(t);
    std::string line;
    while (t) {
      const ReadStatus st = t->readLine(line, kLineWidth);
      if (st == ReadStatus::End) break;
      if (st == ReadStatus::Error) fatal("Fejl i data !");
      CodeEntry e;
      if (!rcode(layout, line, e)) continue;
      const std::string key = rtrimmed(e.code);
      if (table_.size() >= kMaxEntries) {
        s_.diag(DiagKind::Dropped, 0, "code table entry beyond the first 999, not used", key);
        continue;
      }
      if (index_.count(key) != 0) {
        s_.diag(DiagKind::Dropped, 0, "code repeated in the code table, the first entry is used", key);
        continue;
      }
      index_.emplace(key, table_.size());
      table_.push_back(TableEntry{e, false, false, {}});
    }
  }

  int lookup(std::string_view base) const {
    const auto it = index_.find(std::string(rtrim(base)));
    return it == index_.end() ? -1 : static_cast<int>(it->second);
  }

  // ------------------------------------------------------------ header

  void headerTexts() {
    header("%H1 " + fixed(a_.h1, 76));
    if (heights_) header("%H2 " + fixed(a_.h2, 76));
    header("%H3 " + fixed(a_.h3, 76));
  }

  // Points and texts as the passes see them.
  struct Item {
    int kind = 0;  // 6 point, 10 text
    Point p;
    TextRecord t;
  };

  // Reads the next point or text record with its filter and exchange
  // applied; false at the end. Other records are returned with kind 0.
  // `line` is the record after its type field, valid until the next read.
  // Both passes use a point's position only (its height only when the
  // output has heights), so its reading stops there.
  bool next(Item& item, int& type, std::string_view& line) {
    const ReadStatus st = rdrec(in_, line, kLineWidth, type);
    if (st == ReadStatus::End) return false;
    if (st == ReadStatus::Error) fatal("Fejl i format af punktkatalog !");
    item.kind = 0;
    if (type == 6) {
      rpkt(s_, line, item.p, part_, number_);
      if (s_.exchange) std::swap(item.p.x, item.p.y);
      item.kind = 6;
    } else if (type == 10) {
      item.t = rtext(s_, line);
      if (s_.exchange) std::swap(item.t.x, item.t.y);
      item.kind = 10;
    }
    return true;
  }

  void extremesPass() {
    // The pass looks at a point's number only for the filter.
    number_ = s_.par.yes(par::kFilterOn) ? PointNumber::Read : PointNumber::Passed;
    Item item;
    int type = 0;
    std::string_view line;
    // Reused from record to record: no new strings per point.
    const std::string tableNumber = fixed("IGRTABEL", 12);
    while (next(item, type, line)) {
      if (item.kind == 0) continue;
      const bool point = item.kind == 6;
      const std::string& number = point ? item.p.number : tableNumber;
      const std::string& code = point ? item.p.code : item.t.code;
      const double x = point ? item.p.x : item.t.x, y = point ? item.p.y : item.t.y;
      if (filter(s_, number, code) || missReal(x) || missReal(y)) continue;
      const int codeType = split(code).type;
      if ((codeType == 8 || codeType == 9) && marks_.size() < kMaxMarks)
        marks_.push_back(codeType == 8 ? '8' : '9');
      min_[0] = std::min(min_[0], x);
      max_[0] = std::max(max_[0], x);
      min_[1] = std::min(min_[1], y);
      max_[1] = std::max(max_[1], y);
      if (heights_ && point && !missReal(item.p.height)) {
        anyHeight_ = true;
        min_[2] = std::min(min_[2], item.p.height);
        max_[2] = std::max(max_[2], item.p.height);
      }
    }
    number_ = PointNumber::Read;
  }

  void extents() {
    const int n = heights_ ? 3 : 2;
    std::string hi = "%H4 ", lo = "%H5 ";
    for (int k = 0; k < n; ++k) {
      hi += f(max_[k], 12, coordDecimals_);
      lo += f(min_[k], 12, coordDecimals_);
    }
    header(hi);
    header(lo);
    if (heights_ && !anyHeight_) {
      const std::string warning = "Advarsel: Koter valgt, men ingen fundet i data !";
      s_.wrerr(warning);
      res(warning);
    }
    std::string o = "%H6 " + f(origin1_, 12, coordDecimals_) + f(origin2_, 12, coordDecimals_);
    if (heights_) o += f(0.0, 12, coordDecimals_);
    header(o);
    for (const char* h : {"%H7 ", "%H8 ", "%H9 "}) header(h + f(kMissingReal, 12, coordDecimals_));
  }

  void answerFile() {
    TextFile* t = s_.channel(kAnswer);
    const std::string stamp = "%H41" + std::string(4, ' ') + fixed(s_.date, 8) + " " + fixed(s_.time, 63);
    std::string line;
    int type = 0;
    for (;;) {
      const ReadStatus st = rdrec(t, line, kLineWidth, type);
      if (st == ReadStatus::End) break;
      if (st == ReadStatus::Error) fatal("Fejl i format af svarfil !");
      if (type == 4) header(stamp);
      else if (type == 2) header(fixed(std::string_view(line).substr(38), 94));
      // Questions (type 1) would be put to a console; none answers here.
    }
  }

  // -------------------------------------------------------- object pass

  void addko(double x, double y, double z) {
    const std::size_t n = heights_ ? 3 : 2;
    if (buffer_.size() + n > kBufferValues) skrst();
    buffer_.push_back(missReal(x) ? x : x - origin1_);
    buffer_.push_back(missReal(y) ? y : y - origin2_);
    if (heights_) buffer_.push_back(z);
  }

  // The coordinates gathered so far, six to a line behind the start code
  // (on the first line only), formatted in the output buffer.
  void skrst() {
    for (std::size_t k = 0; k < buffer_.size() && out_; k += 6) {
      const std::size_t n = std::min<std::size_t>(6, buffer_.size() - k);
      char* line = out_->lineSpace(8 + 12 * 6);
      std::memset(line, ' ', 8);
      std::memcpy(line, startCode_.data(), std::min<std::size_t>(startCode_.size(), 6));
      for (std::size_t j = 0; j < n; ++j) formatF(line + 8 + 12 * j, 12, coordDecimals_, buffer_[k + j]);
      out_->commitLine(rtrim(std::string_view(line, 8 + 12 * n)).size());
      startCode_.clear();
    }
    buffer_.clear();
    startCode_.clear();
  }

  void danst(int kind) {
    if (closed_ && kind != 1 && a_.closedAsLines == 0.0f) kind += 6;
    if (kind < 1 || kind > 13) {
      s_.wrerr("Forkert r\xE6kkef\xF8lge af styrekoder");
      return;
    }
    startCode_ = std::string(kStartCodes[kind - 1]);
  }

  // The group line carries the whole 6-character cell name, as the line
  // that closes the group does.
  void groupLine(const std::string& cell) {
    std::string line(1, '%');
    line += fixed(cell, 6);
    line += ' ';
    line += rtrim(std::string_view(prevNumber_.data(), prevNumber_.size()));
    put(line);
  }

  void dankl(int index) {
    if (index == lastIndex_) return;
    const CodeEntry& e = table_[static_cast<std::size_t>(index)].e;
    if (a_.dGroupMode != 0.0f) {
      const bool d = e.cell[0] == 'D';
      if (!groupOpen_ && d) {
        groupLine(e.cell);
        groupOpen_ = true;
        group_ = e.cell;
      } else if (groupOpen_) {
        if (d) {
          groupLine(e.cell);
          group_ = e.cell;
        } else {
          put(std::string(1, '%') + group_);
          groupOpen_ = false;
        }
      }
    }
    if (e.acc != lastAcc_) {
      put("%N " + i(e.acc, 3));
      lastAcc_ = e.acc;
    }
    // Objects of one code come again and again: the line is made once.
    std::string& line = table_[static_cast<std::size_t>(index)].kLine;
    if (line.empty()) {
      line = "%K" + trimmed(e.k) + "%U" + trimmed(e.u);
      if (!isBlank(e.remark)) line += " %B " + rtrimmed(e.remark);
    }
    put(line);
    lastIndex_ = index;
  }

  std::string postNo() const { return "Post nr.:" + i(records_, 8); }

  // A code as findkod splits it, with its table entry (-1 for none).
  struct Split {
    std::string code;  // as the record gave it
    std::string base;
    int type = 0;
    int status = 0;  // findkod's answer
    int index = -1;
  };

  // Codes come in runs and the same few codes come back again and again,
  // so each is split and looked up once: the last one is checked first,
  // then those seen before. A split that depends on the codes before it is
  // not remembered, nor any beyond a bound whatever the input; such a split
  // is made in one slot, valid until the next split.
  static constexpr std::size_t kMaxSplits = 4096;
  // Code fields are 8 to 16 bytes: compared as two words, not by memcmp.
  static bool sameCode(const std::string& a, const std::string& b) {
    const std::size_t n = a.size();
    if (n != b.size()) return false;
    if (n < 8 || n > 16) return a == b;
    std::uint64_t a0, a1, b0, b1;
    std::memcpy(&a0, a.data(), 8);
    std::memcpy(&b0, b.data(), 8);
    std::memcpy(&a1, a.data() + n - 8, 8);
    std::memcpy(&b1, b.data() + n - 8, 8);
    return ((a0 ^ b0) | (a1 ^ b1)) == 0;
  }
  // Code fields are 8 to 16 bytes: hashed from their two words, not byte
  // by byte. Kept splits are also found by that hash in a table of recent
  // ones, before the map: a run of codes that take turns is found with one
  // look.
  static std::size_t codeHash(const std::string& code) {
    const std::size_t n = code.size();
    if (n < 8 || n > 16) return std::hash<std::string>{}(code);
    std::uint64_t a0, a1;
    std::memcpy(&a0, code.data(), 8);
    std::memcpy(&a1, code.data() + n - 8, 8);
    return static_cast<std::size_t>((a0 * 0x9E3779B97F4A7C15ull) ^ (a1 * 0xC2B2AE3D27D4EB4Full));
  }
  struct CodeHash {
    std::size_t operator()(const std::string& code) const { return codeHash(code); }
  };
  static constexpr std::size_t kRecentBits = 12;
  const Split& split(const std::string& code) {
    if (last_ && sameCode(last_->code, code)) return *last_;
    const std::size_t slot = codeHash(code) >> (std::numeric_limits<std::size_t>::digits - kRecentBits);
    if (const Split* recent = recent_[slot]; recent && sameCode(recent->code, code)) return *(last_ = recent);
    return newSplit(code, slot);
  }
  // A code not among the recent ones: from the map, else split now.
  [[gnu::noinline]] const Split& newSplit(const std::string& code, std::size_t slot) {
    const Split*& recent = recent_[slot];
    if (const auto it = splits_.find(code); it != splits_.end()) return *(last_ = recent = &it->second);
    Split sp;
    sp.code = code;
    sp.base = code;
    std::string normal = code;
    bool ordered = false;
    sp.status = findkod(s_, normal, sp.base, sp.type, ordered);
    sp.index = sp.status == 0 ? lookup(sp.base) : -1;
    if (!ordered && splits_.size() < kMaxSplits) {
      last_ = recent = &splits_.emplace(code, std::move(sp)).first->second;
    } else {
      once_ = std::move(sp);
      last_ = &once_;
    }
    return *last_;
  }

  // A point of the object pass with its split, both where they are kept:
  // the point until the record after the next one is read, the split for
  // the run (a split made once is copied).
  struct Coded {
    const Point* p = nullptr;
    const Split* sp = nullptr;
    Split own;
    int type() const { return sp->type; }
    int index() const { return sp->index; }
    const std::string& base() const { return sp->base; }
  };

  // Checks and splits a point; false (after its message) when it is left out.
  bool codePoint(const Point& p, Coded& c) {
    if (p.code[0] == s_.par.missingMark()) {
      problem("Fejl i post nr.:" + i(records_, 8) + " Fejl: Kode mangler");
      return false;
    }
    const Split& sp = split(p.code);
    c.p = &p;
    if (&sp == &once_) {
      c.own = sp;
      c.sp = &c.own;
    } else {
      c.sp = &sp;
    }
    if (sp.status != 0) {
      problem(postNo() + " Punkt nr.: " + fixed(p.number, 12) + " Fejl: Kode " + fixed(p.code, 10) +
              ", forkert l\xE6ngde");
      return false;
    }
    if (sp.index < 0) {
      problem(postNo() + " Pkt nr.: " + fixed(p.number, 12) + " Fejl: Kode " + fixed(p.code, 10) +
              " findes ikke");
      return false;
    }
    return true;
  }

  // The number of the point placed last, for the group lines.
  void keepNumber(std::string_view number) {
    if (number.size() >= prevNumber_.size()) {  // a number field: one copy of fixed size
      std::memcpy(prevNumber_.data(), number.data(), prevNumber_.size());
      return;
    }
    prevNumber_.fill(' ');
    std::memcpy(prevNumber_.data(), number.data(), number.size());
  }

  // Whether a point's base code is the one before: at once when both come
  // from the same kept split.
  bool samePrevBase(const Coded& c) const {
    if (prevSplit_ != nullptr && c.sp == prevSplit_) return true;
    // Of one length, the texts are the same only byte for byte.
    const std::string& base = c.base();
    return base.size() == prevBase_.size() ? sameCode(base, prevBase_) : sameText(base, prevBase_);
  }

  void restartObject() {
    p_ = 6;
    firstPending_ = true;
  }

  void objectPass() {
    if (in_) in_->rewind();
    records_ = 0;
    closed_ = !marks_.empty() && marks_[0] == '8';
    restartObject();
    // The point being placed and the record read after it: two items in
    // turn, so that neither is copied.
    Item items[2];
    Item* item = &items[0];
    Item* after = &items[1];
    int type = 0;
    std::string_view line;
    bool ahead = false;  // `item` holds a record read ahead and stepped back over
    for (;;) {
      if (!ahead) {
        if (!next(*item, type, line)) break;
        if (type == 6) ++records_;
      }
      ahead = false;
      if (type == 90 || type == 91 || type == 92) {
        skrst();
        if (a_.copyFeatureText != 0) put(trim(line));
        restartObject();
        continue;
      }
      if (item->kind == 10) {
        text(item->t);
        records_ = 0;  // messages count the points since the last text
        continue;
      }
      if (item->kind != 6) continue;
      const Point& p = item->p;
      if (filter(s_, p.number, p.code)) continue;
      if (!havePrev_) {
        keepNumber(p.number);
        havePrev_ = true;
      }
      Coded& c = current_;
      if (!codePoint(p, c)) continue;
      table_[static_cast<std::size_t>(c.index())].byPoint = true;
      ++converted_;
      int t = c.type() + 1;
      if (!samePrevBase(c)) p_ = 1;
      if (c.type() != 0 && firstPending_) {
        first_ = {p.x, p.y, p.height};
        firstPending_ = false;
      }
      if (t == 9 || t == 10) {
        ++markIndex_;
        closedNext_ = markIndex_ < marks_.size() && marks_[markIndex_] == '8';
        t = 5;
      }
      bool endOfFile = false;
      if (t == 1) endOfFile = !lookAhead(c, *after, type, line, ahead);
      act(c, t);
      if (ahead) std::swap(item, after);
      if (t == 5) {
        closed_ = closedNext_;
        firstPending_ = true;
      }
      if (t == 6 || endOfFile) break;
    }
    skrst();
  }

  // Whether the point after a single point gives it a direction; the record
  // read is kept in `item` (with `ahead`) unless it was that direction point.
  bool lookAhead(const Coded& c, Item& item, int& type, std::string_view& line, bool& ahead) {
    for (;;) {
      if (!next(item, type, line)) return false;
      if (type == 6) ++records_;
      if (type == 10 || type == 90 || type == 91 || type == 92) {
        ahead = true;
        return true;
      }
      if (item.kind != 6) continue;
      if (filter(s_, item.p.number, item.p.code)) continue;
      // A faulty point is reported like any other and left out.
      Coded& following = following_;
      if (!codePoint(item.p, following)) continue;
      if (following.type() != 7) {
        ahead = true;
        return true;
      }
      int err = 0;
      double d = alfa(c.p->x, c.p->y, item.p.x, item.p.y, err);
      if (d < 0) d += 2.0 * std::numbers::pi;
      const auto g = static_cast<std::int64_t>(d * 200.0 / std::numbers::pi);
      skrst();
      put("%VV " + i(g, 3));
      return true;
    }
  }

  void append(const Coded& c) { addko(c.p->x, c.p->y, c.p->height); }

  void beginObject(const Coded& c, int kind) {
    dankl(c.index());
    danst(kind);
    append(c);
    objectPoints_ = 1;
  }

  void act(const Coded& c, int t) {
    const bool known = t >= 1 && t <= 6;
    const int action = known ? kAction[t - 1][p_ - 1] : 1;
    int kind = known ? kKind[t - 1][p_ - 1] : 0;
    const auto code = [&] { return fixed(c.p->code, 10); };  // for the messages only
    switch (action) {
      case 2: case 4: case 8:
        skrst();
        beginObject(c, kind);
        break;
      case 11:
        beginObject(c, kind);
        break;
      case 3:
        append(c);
        ++objectPoints_;
        skrst();
        danst(kind);
        break;
      case 5:
        skrst();
        problem(postNo() + " Fejl: Objektafslutning forkert, kode:" + code());
        break;
      case 9:
        problem(postNo() + " Fejl: Objektafslutning forkert, kode:" + code());
        break;
      case 6: {
        const std::string msg = postNo() + " Fejl: Dobb. afslutning p\xE5 objekt, kode:" + code();
        res(msg);
        s_.wrerr(msg);
        res(msg);
        break;
      }
      case 7:
        skrst();
        break;
      case 10:
        skrst();
        if (samePrevBase(c)) {
          const CodeEntry& e = table_[static_cast<std::size_t>(c.index())].e;
          if (a_.dGroupMode != 0.0f && e.cell[0] == 'D') groupLine(e.cell);
        } else {
          dankl(c.index());
        }
        danst(kind);
        append(c);
        objectPoints_ = 1;
        break;
      default:  // 1: the object goes on
        append(c);
        if (t == 5 && a_.closedAsLines != 0.0f && closed_ &&
            afstan(c.p->x, c.p->y, first_.x, first_.y) > 0.001)
          addko(first_.x, first_.y, first_.height);
        if (++objectPoints_ >= kMaxObjectPoints && t != 5) {
          skrst();
          beginObject(c, t);
        }
        break;
    }
    p_ = known ? t : p_;
    if (c.sp != prevSplit_) {
      if (prevBase_ != c.base()) prevBase_ = c.base();
      // A kept split stays as it is; a split made once is the point's copy.
      prevSplit_ = c.sp == &c.own ? nullptr : c.sp;
    }
    keepNumber(c.p->number);
  }

  void text(TextRecord& r) {
    skrst();
    restartObject();
    if (filter(s_, "IGRTABEL", r.code)) return;
    const Split& sp = split(r.code);
    if (sp.status != 0) {
      problem(postNo() + " Punkt nr.: " + fixed("IGRTABEL", 12) + " Fejl: Kode " + fixed(r.code, 10) +
              ", forkert l\xE6ngde");
      return;
    }
    const int index = sp.index;
    if (index < 0) {
      problem(postNo() + " (tekst) " + " Fejl: Kode " + fixed(r.code, 10) + " findes ikke");
      return;
    }
    TableEntry& te = table_[static_cast<std::size_t>(index)];
    te.byText = true;
    const CodeEntry& e = te.e;
    const bool dx = e.k == "DX";
    if (!dx) {
      const double direction = missReal(r.valueA) ? 0.0 : r.valueA;
      const double gon = direction * 200.0 * (1.0 / 180.0);
      // A direction far beyond any the field shows is kept where the
      // arithmetic stays defined; the field then shows its overflow mark.
      constexpr double kFar = 1e15;
      const auto g = std::fabs(gon) < kFar ? static_cast<std::int64_t>(std::llround(gon))
                                           : static_cast<std::int64_t>(gon < 0 ? -kFar : kFar);
      put("%VV " + i(g > 400 ? 800 - g : 400 - g, 3));
    }
    std::string d = "%D" + trimmed(e.u) + " \"" + trimmed(r.text) + "\"";
    if (!isBlank(e.remark)) d += " %B " + rtrimmed(e.remark);
    put(d);
    if (a_.textHeights == 1) {
      const double size = missReal(r.valueB) ? 0.0 : r.valueB;
      const std::string h = f(size * 0.01 * a_.scale * 0.001, 5, 1);
      put("%TT5 " + h);
      put("%TT6 " + h);
    }
    if (!dx) {
      put("%T" + i(positionDigit(missInt(r.valueC) ? 0 : r.valueC), 1) + "     " +
          coords(r.x, r.y, std::nullopt));
    }
    put("%D");
  }

  // ------------------------------------------------------ texts of points

  void pointTexts(int parameter, bool heightsOnly) {
    const int index = lookup(s_.par.text(parameter));
    if (index < 0) return;
    setfil(s_);
    const CodeEntry& e = table_[static_cast<std::size_t>(index)].e;
    if (in_) in_->rewind();
    Item item;
    int type = 0;
    std::string_view line;
    while (next(item, type, line)) {
      if (item.kind != 6 || filter(s_, item.p.number, item.p.code)) continue;
      std::string label = fixed(item.p.number, 12);
      if (heightsOnly) {
        if (missReal(item.p.height)) continue;  // a height text needs a height
        label = trimmed(f(item.p.height, 12, heightDecimals_));
      }
      put("%D" + trimmed(e.u) + " " + label + "   %B   " + rtrimmed(e.remark));
      put("%T7     " + coords(item.p.x, item.p.y, kMissingReal));
    }
  }

  void pointNumberTexts() {
    if (a_.pointNumberTexts == 0 || a_.dGroupMode != 0.0f) return;
    put("%VV " + i(200, 3));
    pointTexts(par::kPointTextCode, false);
  }

  void heightTexts() {
    if (a_.heightTexts == 0) return;
    put("%D");
    put("%VV " + i(200, 3));
    pointTexts(par::kHeightTextCode, true);
  }

  void codeList() {
    res("");
    res(" Kode liste");
    res(" ----------");
    res("");
    res(" Kode           Kode tekst");
    res("");
    for (const TableEntry& te : table_) {
      if (te.byText) res(" %D" + fixed(te.e.u, 7) + std::string(6, ' ') + rtrimmed(te.e.remark));
      else if (te.byPoint) res(" %K" + fixed(te.e.k, 2) + "  %U" + fixed(te.e.u, 7) + rtrimmed(te.e.remark));
    }
    res("");
  }

  Session& s_;
  const Kvt2DsflArgs& a_;
  TextFile *in_ = nullptr, *out_ = nullptr, *report_ = nullptr;
  bool heights_ = false;
  PointPart part_ = PointPart::Position;
  PointNumber number_ = PointNumber::Read;
  int coordDecimals_ = 3, heightDecimals_ = 3;
  double origin1_ = 0, origin2_ = 0;
  std::vector<TableEntry> table_;
  std::unordered_map<std::string, std::size_t> index_;
  double min_[3] = {99999999.0, 99999999.0, 99999999.0};
  double max_[3] = {-99999999.0, -99999999.0, -99999999.0};
  bool anyHeight_ = false;
  std::vector<char> marks_;
  std::size_t markIndex_ = 0;
  bool closed_ = false, closedNext_ = false;
  std::int64_t records_ = 0;  // point records since the start or the last text: "Post nr."
  std::int32_t converted_ = 0;
  // Object state.
  int p_ = 6;
  std::string prevBase_;
  const Split* prevSplit_ = nullptr;  // the kept split prevBase_ came from, if any
  std::array<char, 12> prevNumber_ = {' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' '};
  bool havePrev_ = false, firstPending_ = true;
  struct Place {
    double x, y, height;
  } first_ = {kMissingReal, kMissingReal, kMissingReal};
  std::unordered_map<std::string, Split, CodeHash> splits_;
  Split once_;
  const Split* last_ = nullptr;
  std::array<const Split*, std::size_t{1} << kRecentBits> recent_{};
  // The point being placed and the one looked at after it.
  Coded current_, following_;
  std::size_t objectPoints_ = 0;
  std::vector<double> buffer_;
  std::string startCode_;
  int lastIndex_ = -1;
  std::int32_t lastAcc_ = std::numeric_limits<std::int32_t>::min();
  bool groupOpen_ = false;
  std::string group_;
};

}  // namespace

void kvt2dsfl(Session& s, const Kvt2DsflArgs& a) {
  guardedRun(s, [&] {
    startRun(s, "KVT --> DSFL", a.parDir);
    DsflExport(s, a).run();
    s.closeAll();
  });
}

}  // namespace kvtconv
