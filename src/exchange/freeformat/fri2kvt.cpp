// Point lists in a column layout the user describes with keywords
// ("PKT K1 K2 K3 KOD", optionally with column ranges such as "PKT(1-8)"),
// into one catalogue. Until a layout is known, lines are taken to be
// catalogue records and copied record by record.
#include <algorithm>
#include <array>
#include <bit>
#include <cstdio>
#include <cstring>

#include "catalogue/fortran.hpp"
#include "catalogue/observations.hpp"
#include "catalogue/point.hpp"
#include "catalogue/record.hpp"
#include "frame/files.hpp"
#include "frame/run.hpp"
#include "frame/session.hpp"
#include "frame/text.hpp"

namespace kvtconv {

namespace {

constexpr int kList = 25, kFirstData = 12, kOut = 17;
constexpr std::size_t kMaxFiles = 5, kMaxTokens = 10, kLineWidth = 80;
using Key = FreeLayout::Key;

// Reads "(first-last)" into first and last; other texts leave them alone.
void decran(std::string_view range, int& first, int& last) {
  if (range.empty() || range[0] != '(') return;
  const std::size_t dash = range.find('-');
  if (dash == std::string_view::npos) return;
  const Span sp = chrnbl(range);
  const std::string_view a = range.substr(1, dash - 1);
  const std::string_view b = range.substr(dash + 1, static_cast<std::size_t>(std::max(0, sp.last - 1 - static_cast<int>(dash) - 1)));
  std::size_t pos = 1;
  int err = 0;
  const std::int32_t f = rditas(a, pos, err);
  if (err == 0) first = f;
  pos = 1;
  const std::int32_t l = rditas(b, pos, err);
  if (err == 0) last = l;
}

class FreeImport {
 public:
  FreeImport(Session& s, TextFile* out) : s_(s), l_(s.freeLayout), out_(out), text_(s.adm.taskText) {}

  // Reads a layout from `pos` on; tokens are numbered from 1.
  void readLayout(std::string_view line, std::size_t pos) {
    for (std::size_t k = 1; k <= kMaxTokens; ++k) {
      int err = 0;
      const std::string token = rdatas(line, pos, 20, err);
      if (err == -1) break;
      const std::string_view t = rtrim(token);
      int key = -1;
      std::size_t len = 3;
      if (t.substr(0, 3) == "PKT") key = Key::kPoint;
      else if (t.substr(0, 3) == "KOD") key = Key::kCode;
      else if (t.substr(0, 2) == "K1") key = Key::kFirst, len = 2;
      else if (t.substr(0, 2) == "K2") key = Key::kSecond, len = 2;
      else if (t.substr(0, 2) == "K3") key = Key::kHeight, len = 2;
      else if (t.substr(0, 3) == "OPR") key = Key::kText;
      if (key < 0) continue;
      const auto kk = static_cast<std::size_t>(key);
      l_.token[kk] = static_cast<int>(k);
      const std::string_view range = t.substr(std::min(len, t.size()));
      decran(range, l_.first[kk], l_.last[kk]);
      if (key == Key::kPoint) {
        l_.pointNumbers = true;
        if (!range.empty() && range[0] == '(') columns_ = true;
      }
    }
    known_ = true;
    tokenFields();
  }

  // A line as read, a view into the read buffer: it is padded to its
  // width in a buffer of our own, where columns and tokens are read.
  void line(std::string_view read) {
    const std::size_t n = std::min(read.size(), kLineWidth);
    std::memcpy(padded_, read.data(), n);
    std::memset(padded_ + n, ' ', kLineWidth - n);
    const std::string_view raw(padded_, kLineWidth);
    // A layout line is one whose first token begins with "!".
    const std::size_t first = skipSeparators(raw, 0);
    if (first < raw.size() && raw[first] == '!') {
      std::size_t pos = 1;
      skipToken(raw, pos);
      readLayout(raw, pos);
      return;
    }
    ++s_.counter;
    if (known_) point(raw);
    else record(raw);
  }

 private:
  std::string_view columns(std::string_view line, Key k) const {
    const auto kk = static_cast<std::size_t>(k);
    const int f = std::clamp(l_.first[kk], 1, static_cast<int>(kLineWidth));
    const int last = std::clamp(l_.last[kk], f, static_cast<int>(kLineWidth));
    return line.substr(static_cast<std::size_t>(f - 1), static_cast<std::size_t>(last - f + 1));
  }

  // Which fields each token of a line holds (a bit per key), and the last
  // token any field needs: worked out when the layout changes.
  void tokenFields() {
    readers_.fill(0);
    named_ = 0;
    for (int k = 0; k < Key::kKeys; ++k) {
      const int t = l_.token[static_cast<std::size_t>(k)];
      if (t < 1 || t > static_cast<int>(kMaxTokens) || !wanted(static_cast<Key>(k))) continue;
      readers_[static_cast<std::size_t>(t)] |= 1u << k;
      named_ = std::max(named_, static_cast<std::size_t>(t));
    }
  }

  bool wanted(Key k) const {
    if (k == Key::kPoint) return l_.pointNumbers;
    if (k == Key::kText) return l_.token[Key::kText] != 0 || columns_;
    return true;
  }

  // Reads the field of key `k` from `pos` on in `src`, as its kind reads.
  void field(Key k, std::string_view src, std::size_t& pos) {
    Point& p = point_;
    int err = 0;
    const char mark = s_.par.missingMark();
    switch (k) {
      case Key::kPoint: readWord(src, pos, p.number, 12, err, mark); return;
      case Key::kCode: readWord(src, pos, p.code, 10, err, mark); return;
      case Key::kText:
        readWord(src, pos, p.task, 12, err, mark);
        taskIsText_ = false;
        return;
      default: {
        const double v = rdrtas(src, pos, err);
        (k == Key::kFirst ? p.x : k == Key::kSecond ? p.y : p.height) = err != 0 ? kMissingReal : v;
        return;
      }
    }
  }

  void point(std::string_view line) {
    Point& p = point_;  // one point, its fields reused from line to line
    if (columns_) {
      for (int k = 0; k < Key::kKeys; ++k) {
        const auto key = static_cast<Key>(k);
        if (!wanted(key)) continue;
        std::size_t pos = 1;
        field(key, columns(line, key), pos);
      }
    } else {
      // The tokens in turn, each read where it stands by the fields it
      // holds and passed once; a field no token holds reads from the
      // last column.
      std::size_t pos = 1;
      for (std::size_t t = 1; t <= named_; ++t) {
        unsigned keys = readers_[t];
        if (keys == 0) {
          skipToken(line, pos);
          continue;
        }
        std::size_t end = pos;
        for (; keys != 0; keys &= keys - 1) {
          end = pos;
          field(static_cast<Key>(std::countr_zero(keys)), line, end);
        }
        // A number may stop at a mark within its token: the token goes on
        // to its separator.
        if (end - 1 < line.size() && !isSeparator(line[end - 1])) skipToken(line, end);
        pos = end;
      }
      for (int k = 0; k < Key::kKeys; ++k) {
        const int t = l_.token[static_cast<std::size_t>(k)];
        if ((t < 1 || t > static_cast<int>(kMaxTokens)) && wanted(static_cast<Key>(k))) {
          std::size_t last = kLineWidth;
          field(static_cast<Key>(k), line, last);
        }
      }
    }
    if (!l_.pointNumbers) {
      p.number = fieldI(++automatic_, 12);
      stgbln(p.number);
    }
    // The task text stays in the point from line to line until a field
    // of its own is read (the point writer leaves it as it is).
    if ((!wanted(Key::kText) || isBlank(p.task)) && !taskIsText_) {
      p.task = text_;
      taskIsText_ = true;
    }
    p.extras = PointExtras{};
    wpkt(s_, out_, p);
  }

  void record(std::string_view line) {
    std::size_t pos = 1;
    int err = 0;
    const std::int32_t type = rditas(line, pos, err);
    if (err != 0) {
      writeFull(out_, line);
      return;
    }
    std::string rest(line);
    for (std::size_t k = 0; k + 1 < pos && k < rest.size(); ++k) rest[k] = ' ';
    switch (type) {
      case 8: wkom(out_, trim(rest)); return;
      case 1: wadm(s_, out_, radm(s_, rest)); return;
      case 2: {
        Setup st = rsta(s_, rest);
        writeFull(out_, fixed(" 8  " + std::string(55, '-'), 80));
        wsta(s_, out_, st);
        return;
      }
      case 3: wken(s_, out_, rken(s_, rest)); return;
      case 4: {
        DetailObs d = rdet(s_, rest);
        wdet(s_, out_, d);
        return;
      }
      case 5: wort(s_, out_, rort(s_, rest)); return;
      case 6: {
        Point p = rpkt(s_, rest);
        wpkt(s_, out_, p);
        return;
      }
      case 7: wniv(s_, out_, rniv(s_, rest)); return;
      case 9: wmidf(s_, out_, rmidf(s_, rest)); return;
      case 10: return;
      case 11: wna2000(s_, out_, rna2000(s_, rest)); return;
      default:
        if (type >= 80 && type <= 89) {
          wkom(out_, trim(rest));
          return;
        }
        s_.wrerr("Post type: " + fieldI(type, 2) + " ikke fundet");
        --s_.counter;
        return;
    }
  }

  Session& s_;
  FreeLayout& l_;
  TextFile* out_;
  std::string text_;
  Point point_;
  char padded_[kLineWidth];  // the line at hand, blank to its width
  bool columns_ = false, known_ = false;
  std::array<unsigned, kMaxTokens + 1> readers_{};
  std::size_t named_ = 0;
  bool taskIsText_ = false;  // point_.task holds text_
  std::int64_t automatic_ = 0;
};

}  // namespace

void fri2kvt(Session& s, std::int32_t nfiles, std::int32_t option, std::string_view parDir,
             std::string_view fourth, std::string_view listFile, std::string_view output) {
  guardedRun(s, [&] {
    startRun(s, "Frit format --> KVT", parDir);
    if (opfile(s, kList, listFile, 1, 0, Access::Read) != open_status::kOpened || !s.channel(kList)) {
      s.wrerr("TMP fil kan ikke findes !");
      return;
    }
    std::vector<std::string> names;
    if (nfiles < 1 || static_cast<std::size_t>(nfiles) > kMaxFiles) {
      s.wrerr(" Antal datafiler skal v\xE6re 1 til 5, ikke " + std::to_string(nfiles));
    } else {
      std::string name;
      for (std::int32_t k = 0; k < nfiles; ++k) {
        if (s.channel(kList)->readLine(name, 255) != ReadStatus::Ok) break;
        names.emplace_back(rtrim(name));
      }
    }
    const std::string listPath = s.channel(kList)->path();
    s.closeChannel(kList);
    std::remove(listPath.c_str());
    if (names.empty()) return;
    for (std::size_t k = 0; k < names.size(); ++k)
      reportOpen(s, opfile(s, kFirstData + static_cast<int>(k), names[k], 1, 6), names[k], true,
                 Report::Diagnostic);
    reportOpen(s, opfile(s, kOut, output, -1, 8, Access::Write), output, false, Report::Diagnostic);
    TextFile* out = s.channel(kOut);
    FreeImport free(s, out);
    if (option == 1) free.readLayout(fourth.substr(0, std::min<std::size_t>(80, fourth.size())), 1);
    wfilhead(s, out);
    for (const std::string& n : names) wkom(out, "3==> Data fil: " + fixed(n, 65));
    // A catalogue that cannot be written ends the run at once, and the host
    // gets no count of records that are not there; closing it tells.
    auto failed = [&] { return out && out->writeFailed(); };
    std::string_view line;
    for (std::size_t k = 0; k < names.size(); ++k) {
      TextFile* in = s.channel(kFirstData + static_cast<int>(k));
      while (in && in->readLine(line, kLineWidth) == ReadStatus::Ok) {
        free.line(line);
        if (failed()) return;
      }
    }
    // Ended before the count is sent, so that a failure on the last lines is known.
    endOutput(s, kOut);
    if (failed()) return;
    s.wrmsg(countLine(s.counter));
    s.closeAll();
  });
}

}  // namespace kvtconv
