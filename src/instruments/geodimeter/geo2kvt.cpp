// Geodimeter raw data into a catalogue. The raw file is a stream of
// "label=value" words; a user's conversion file says which runs of labels
// form which kind of record. The words are first put one per line (moving
// point, code and prism words in front of the measurement they belong to),
// then grouped greedily into records, word by word as they come. Reading
// and grouping run on a second thread; the records are made and written on
// the caller's.
#include <algorithm>
#include <array>
#include <bit>
#include <charconv>
#include <cmath>
#include <cstring>
#include <memory>
#include <span>
#include <unordered_map>
#include <vector>

#include "catalogue/fortran.hpp"
#include "catalogue/observations.hpp"
#include "catalogue/point.hpp"
#include "catalogue/record.hpp"
#include "frame/bytes.hpp"
#include "frame/files.hpp"
#include "frame/relay.hpp"
#include "frame/run.hpp"
#include "frame/scratch.hpp"
#include "frame/session.hpp"
#include "frame/text.hpp"
#include "instruments/geodimeter/geodimeter.hpp"

namespace kvtconv {

namespace geo {

std::size_t valueEnd(std::string_view record, std::size_t from) {
  std::size_t end = from;
  while (end < record.size()) {
    if (record[end] == ' ' && ((end + 2 < record.size() && record[end + 2] == '=') ||
                               (end + 3 < record.size() && record[end + 3] == '=')))
      break;
    ++end;
  }
  return end;
}

}  // namespace geo

namespace {

constexpr int kIn = 12, kOut = 13, kConversion = 14, kNames = 15;
constexpr std::size_t kRawWidth = 128, kWordWidth = 40, kRecordWidth = 80;
constexpr std::size_t kMaxEntries = 50, kMaxLabels = 20;
constexpr std::string_view kUnidentified = "Denne linie i input er ikke identificeret";

bool near999(double v) { return !missReal(v) && std::fabs(v - 9.99) < 0.0001; }

// ---------------------------------------------------------------- set-up

struct Entry {
  int type = 0;
  std::vector<std::uint16_t> labels;  // two characters each, see labelKey
};

// Two label characters as one number; 0 is no label at all.
std::uint16_t labelKey(std::string_view code) {
  if (code.empty()) return 0;
  const auto c0 = static_cast<unsigned char>(code[0]);
  const auto c1 = static_cast<unsigned char>(code.size() > 1 ? code[1] : ' ');
  return static_cast<std::uint16_t>(c0 << 8 | c1);
}

// The key of a word's label code as the conversion file names it: a
// one-digit label with a blank after it, otherwise the two characters in
// front of the first "="; 0 for a word that has no label before its "=".
// `eq` is where the first "=" is (the word's size when there is none).
std::uint16_t labelKeyAt(std::string_view word, std::size_t eq) {
  if (eq == word.size() || eq == 0) return 0;
  if (eq == 1) return labelKey(std::string_view{word.data(), 1});
  return labelKey(word.substr(eq - 2, 2));
}

std::uint16_t twoChars(std::string_view token) { return labelKey(fixed(rtrim(token), 2)); }

std::vector<Entry> readConversion(Session& s, TextFile* f) {
  std::vector<Entry> entries;
  std::string line;
  while (f && f->readLine(line, kRecordWidth) == ReadStatus::Ok) {
    if (isBlank(line)) continue;
    std::size_t pos = 1;
    int err = 0;
    const std::int32_t type = rditas(line, pos, err);
    if (err != 0) {
      s.diag(DiagKind::Unreadable, 0, "conversion-file line without a record type, ignored",
             rtrim(line));
      continue;
    }
    if (type >= 101) {
      s.wrerr("Label type: " + fieldI(type, 3) + " ikke fundet");
      continue;
    }
    if (entries.size() >= kMaxEntries) {
      s.wrerr("Der er for mange labels i konverterings-fil !");
      continue;
    }
    Entry e;
    e.type = type;
    for (std::size_t k = 0; k < kMaxLabels; ++k) {
      const std::string token = rdatas(line, pos, 2, err);
      if (err == -1) break;
      e.labels.push_back(twoChars(token));
    }
    // A type without labels would match every word and never let go.
    if (!e.labels.empty()) entries.push_back(std::move(e));
  }
  return entries;
}

class LabelNames {
 public:
  void load(TextFile* f) {
    std::string line;
    while (f && f->readLine(line, kRecordWidth) == ReadStatus::Ok) {
      std::size_t pos = 1;
      int err = 0;
      const std::string token = rdatas(line, pos, 2, err);
      if (err == -1) continue;
      const std::size_t rest = std::min(pos - 1, line.size());
      names_.emplace(twoChars(token), fixed(trim(std::string_view(line).substr(rest)), 20));
    }
  }
  std::string name(std::uint16_t code) const {
    const auto it = names_.find(code);
    return it == names_.end() ? std::string(20, ' ') : it->second;
  }

 private:
  std::unordered_map<std::uint16_t, std::string> names_;
};

// ------------------------------------------------------------ first pass

// The label of a word (what stands before its first "=") as one number,
// for labels of up to three characters; 0 for any other word. A word's
// label is compared as a whole: "15=" is not "5=".
constexpr std::uint32_t tagOf(std::string_view label) {
  const auto byte = [&](std::size_t k) { return static_cast<std::uint32_t>(static_cast<unsigned char>(label[k])); };
  switch (label.size()) {
    case 1: return 1u << 8 | byte(0);
    case 2: return 2u << 16 | byte(0) << 8 | byte(1);
    case 3: return 3u << 24 | byte(0) << 16 | byte(1) << 8 | byte(2);
    default: return 0;
  }
}
constexpr std::uint32_t kCode = tagOf("4"), kPoint = tagOf("5"), kPrism = tagOf("6"),
                        kHeight = tagOf("3"), kDirection = tagOf("7"), kEast = tagOf("37"),
                        kNorth = tagOf("38");

// What a byte tells about the word it is in, as bits that are or-ed over
// the word: one look per byte says whether the word is blank, holds a byte
// no word may hold (it becomes a blank), holds a "=" and holds a blank.
// 0 stands for a word not looked at yet.
enum : std::uint8_t { kNotAllowed = 1, kEqualsSign = 2, kNotBlank = 4, kBlank = 8 };
struct ByteClasses {
  std::uint8_t bits[256] = {};
  // The same bits as counts, one byte lane per bit (bit k in lane k), so
  // that one addition per byte counts each class over a word: the count of
  // "=" is needed as well as whether there is one.
  std::uint32_t counts[256] = {};
  ByteClasses() {
    for (int c = 0; c < 256; ++c) {
      const bool ok = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9');
      bits[c] = static_cast<std::uint8_t>((ok ? 0 : kNotAllowed) | kNotBlank);
    }
    for (const char c : std::string_view("\xE6\xC6\xF8\xD8\xE5\xC5?/=,+-."))
      bits[static_cast<unsigned char>(c)] = kNotBlank;
    bits[static_cast<unsigned char>('=')] = kNotBlank | kEqualsSign;
    bits[static_cast<unsigned char>(' ')] = kBlank;
    for (int c = 0; c < 256; ++c)
      for (unsigned k = 0; k < 4; ++k)
        if (bits[c] & (1u << k)) counts[c] |= 1u << (8 * k);
  }
  // The bits of the classes counted in `lanes`.
  static unsigned bitsOf(std::uint32_t lanes) {
    // The top bit of each lane set when the lane is not 0, then the four
    // top bits gathered by one multiplication (no two products meet).
    const std::uint64_t top = (((lanes & 0x7F7F7F7Fu) + 0x7F7F7F7Fu) | lanes) & 0x80808080u;
    return static_cast<unsigned>(((top >> 7) * 0x204081u) >> 21) & 0xFu;
  }
  // The class counts of bytes [0, n) of p.
  std::uint32_t lanesOf(const char* p, std::size_t n) const {
    const auto at = [&](std::size_t k) { return counts[static_cast<unsigned char>(p[k])]; };
    std::uint32_t lanes = 0;
    std::size_t k = 0;
    for (; k + 4 <= n; k += 4) lanes += at(k) + at(k + 1) + at(k + 2) + at(k + 3);
    for (; k < n; ++k) lanes += at(k);
    return lanes;
  }
};
const ByteClasses kBytes;

// A word on its way from the raw line to the grouper, with what is known of
// it: its byte classes (0 when not looked at yet), where its first "=" is
// (its size when it has none) and its label as tagOf gives it. The label is
// found once, where the word is made.
struct Word {
  std::string_view text;
  unsigned bits = 0;
  std::uint32_t eq = 0;
  std::uint32_t tag = 0;
};

[[gnu::always_inline]] inline Word makeWord(std::string_view w, unsigned bits) {
  std::size_t eq = 0;
  while (eq < w.size() && w[eq] != '=') ++eq;
  return {w, bits, static_cast<std::uint32_t>(eq), tagOf(w.substr(0, eq))};
}

// One word per line. Instruments send a point number, code or prism height
// only when it changes; writing them in front of the next measurement word
// lets each measurement be grouped as a whole record. Words of a line that
// holds several are written where they stand, but they still tell which
// code, point and prism height the next measurement has already got.
// The words go one at a time to the sink's word(Word); the sink is a
// template parameter so that the word-by-word call is made inline.
template <class Sink>
class WordWriter {
 public:
  explicit WordWriter(Sink& out) : out_(out) {}

  void line(std::string_view raw) {
    // The count of "=" over the line and the byte classes of the word it
    // would be, in one look at the bytes. Blanks cut off by the trim only
    // add the class of a blank, which asks for a closer look later.
    const std::size_t width = std::min(raw.size(), kWordWidth);
    static_assert(kWordWidth < 256, "a class count must fit its lane");
    const std::uint32_t lanes = kBytes.lanesOf(raw.data(), width);
    std::size_t equals = (lanes >> 8) & 0xFF;
    const unsigned bits = ByteClasses::bitsOf(lanes);
    for (std::size_t k = width; k < raw.size(); ++k) equals += raw[k] == '=';
    if (equals == 1) {
      const std::string_view w = raw.substr(0, width);
      word(makeWord(bits & kBlank ? trim(w) : w, bits));  // no blank, nothing to trim
      return;
    }
    std::size_t pos = 1;
    for (;;) {
      // The token upper-cased and cut to a word's width, as rdatas gives it.
      std::string_view raw_token;
      if (!nextToken(raw, pos, raw_token)) break;
      const std::size_t n = std::min(raw_token.size(), kWordWidth);
      for (std::size_t k = 0; k < n; ++k) token_[k] = upperLatin1(raw_token[k]);
      const Word t = makeWord(rtrim(std::string_view(token_, n)), 0);
      if (t.tag == kCode) {
        code_.hold(t);
        codeWritten_ = true;
      } else if (t.tag == kPoint) {
        pointDue_ = false;
      } else if (t.tag == kPrism) {
        prismDue_ = false;
      }
      put(t);
    }
  }

 private:
  // A word held back until the measurement it belongs to.
  struct Held {
    char text[kWordWidth];
    Word word;  // its text is in `text`, so a Held is not copied
    Held() = default;
    Held(const Held&) = delete;
    Held& operator=(const Held&) = delete;
    bool empty() const { return word.text.empty(); }
    void hold(const Word& w) {
      bytes::copy(text, w.text.data(), w.text.size());  // words are at most kWordWidth
      // Field by field: the word was just made by separate stores, which a
      // copy of the whole would have to wait for.
      word.text = std::string_view(text, w.text.size());
      word.bits = w.bits;
      word.eq = w.eq;
      word.tag = w.tag;
    }
    const Word& get() const { return word; }
  };

  void put(const Word& w) {
    out_.word(w);
    lastWasCoordinate_ = false;
  }
  void put(const Held& h) { put(h.get()); }

  void word(const Word& w) {
    // A new point number, code or prism height begins a new measurement.
    const std::uint32_t tag = w.tag;
    if (tag == kCode) {
      lastWasCoordinate_ = false;
      code_.hold(w);
      codeWritten_ = false;
      return;
    }
    if (tag == kPoint) {
      lastWasCoordinate_ = false;
      point_.hold(w);
      pointDue_ = true;
      return;
    }
    if (tag == kPrism) {
      lastWasCoordinate_ = false;
      prism_.hold(w);
      prismDue_ = true;
      return;
    }
    const bool coordinate = tag == kEast || tag == kNorth;
    if (coordinate || tag == kDirection || tag == kHeight) {
      // The second coordinate of a point belongs to the measurement the
      // first one began; every other such word begins a measurement, and
      // each measurement carries the code once.
      const bool sameMeasurement = coordinate && lastWasCoordinate_;
      if (pointDue_) put(point_);
      if (!code_.empty() && !codeWritten_ && !sameMeasurement) put(code_);
      if (prismDue_) put(prism_);
      pointDue_ = prismDue_ = false;
      put(w);
      codeWritten_ = false;
      lastWasCoordinate_ = coordinate;
      return;
    }
    put(w);
  }

  Sink& out_;
  char token_[kWordWidth];
  Held code_, point_, prism_;
  bool pointDue_ = false, prismDue_ = false, codeWritten_ = false, lastWasCoordinate_ = false;
};

// --------------------------------------------------------- record values


struct RealValue {
  double v = kMissingReal;
  bool notGiven = false;  // the instrument wrote "?"
};

// A word of a record: its label (as tagOf gives it; the labels we look up
// are all short, so a longer one, tag 0, is never asked for) and where its
// value begins in the record.
struct LabelledWord {
  std::uint32_t tag;
  std::uint32_t value;
};

// Values of one grouped record, looked up by their label ("50=").
class RecordValues {
 public:
  // The words as the record text shows them: every blank begins a word.
  RecordValues(Session& s, std::string_view text) : s_(s), text_(text) {
    words_ = own_.data();
    for (std::size_t i = 0; i < text_.size() && count_ < kMaxWords; ++i) {
      if (i != 0 && text_[i - 1] != ' ') continue;
      std::size_t e = i;
      while (e < text_.size() && text_[e] != '=' && text_[e] != ' ') ++e;
      if (e < text_.size() && text_[e] == '=')
        own_[count_++] = {tagOf(text_.substr(i, e - i)), static_cast<std::uint32_t>(e + 1)};
    }
  }
  // The words as the grouper found them, when none holds a blank (so the
  // scan above would find the same), in its record buffer, which has room
  // to read sixteen bytes from any place in the text.
  RecordValues(Session& s, std::string_view text, std::span<const LabelledWord> words)
      : s_(s), text_(text), words_(words.data()), count_(words.size()), padded_(true) {}

  // Where the value of `label` ("50=") begins, or npos; labels are found
  // only at the start of a word, so "5=" does not match inside "15=".
  std::size_t find(std::string_view label) const {
    const std::uint32_t tag = tagOf(label.substr(0, label.size() - 1));
    for (std::size_t k = 0; k < count_; ++k)
      if (words_[k].tag == tag) return words_[k].value;
    return std::string_view::npos;
  }
  bool has(std::string_view label) const { return find(label) != std::string_view::npos; }

  // The same for all the labels a record type reads, in one pass over the
  // words; the first word of a label counts, as with find.
  template <std::size_t N>
  std::array<std::size_t, N> findAll(const std::array<std::string_view, N>& labels) const {
    std::array<std::uint32_t, N> tags{};
    for (std::size_t i = 0; i < N; ++i) tags[i] = tagOf(labels[i].substr(0, labels[i].size() - 1));
    std::array<std::size_t, N> at;
    at.fill(std::string_view::npos);
    for (std::size_t k = 0; k < count_; ++k)
      for (std::size_t i = 0; i < N; ++i)
        if (words_[k].tag == tags[i] && at[i] == std::string_view::npos) at[i] = words_[k].value;
    return at;
  }
  // A value found by findAll: the first of the places that holds one.
  void textInto(std::string& field, std::size_t at, std::size_t other = std::string_view::npos) const {
    intoField(field, at != std::string_view::npos ? at : other);
  }
  RealValue realFound(std::string_view label, std::size_t at, std::string_view otherLabel = {},
                      std::size_t other = std::string_view::npos) const {
    return at != std::string_view::npos ? realAt(label, at) : realAt(otherLabel, other);
  }

  std::string text(std::string_view label, std::size_t width) const { return textAt(find(label), width); }
  // The first of the labels that is present, as text.
  std::string text(std::initializer_list<std::string_view> labels, std::size_t width) const {
    for (const auto l : labels)
      if (const std::size_t at = find(l); at != std::string_view::npos) return textAt(at, width);
    return textAt(std::string_view::npos, width);
  }

  RealValue real(std::string_view label) const { return realAt(label, find(label)); }

  std::int32_t integer(std::string_view label) const {
    const std::size_t at = find(label);
    if (at == std::string_view::npos) return kMissingInt;
    std::string_view token = numberToken(at);
    token = token.substr(0, token.find('.'));
    return toInteger(label, token);
  }

  // An integer from a text, as the information records carry them.
  std::int32_t integerOf(std::string_view label, std::string_view value) const {
    std::string_view t = trim(value);
    t = t.substr(0, t.find('.'));
    return toInteger(label, t);
  }
  double realOf(std::string_view label, std::string_view value) const {
    const std::string probe = std::string(label) + std::string(trim(value));
    return RecordValues(s_, probe).real(label).v;
  }

  std::string_view all() const { return text_; }

 private:
  void intoField(std::string& field, std::size_t at) const {
    if (at == std::string_view::npos) {
      const char mark = s_.par.missingMark();
      setFixed(field, std::string_view(&mark, 1));
      return;
    }
    setFixed(field, text_.substr(at, geo::valueEnd(text_, at) - at));
  }
  std::string textAt(std::size_t at, std::size_t width) const {
    std::string t(width, ' ');
    intoField(t, at);
    return t;
  }

  // The value of `label` found at `at` (npos: absent).
  RealValue realAt(std::string_view label, std::size_t at) const {
    RealValue r;
    if (at == std::string_view::npos) return r;
    if (at < text_.size() && text_[at] == '?') {
      r.notGiven = true;
      return r;
    }
    // The number read where it stands; only one that does not end its word
    // is looked at as a whole, to be told apart from a missing one.
    const bool negative = at < text_.size() && text_[at] == '-';
    const std::size_t body = at + (negative ? 1 : 0);
    double v = 0;
    const std::size_t n = padded_ ? readDecimalPrefixPadded(text_.substr(body), v)
                                  : readDecimalPrefix(text_.substr(body), v);
    if (n != 0 && (body + n == text_.size() || text_[body + n] == ' ')) {
      r.v = negative ? -v : v;
      return r;
    }
    const std::string_view token = numberToken(at);
    if (token.empty()) return r;
    if (!readDecimal(negative ? token.substr(1) : token, v)) {
      unreadable(label, token);
      return r;
    }
    r.v = negative ? -v : v;
    return r;
  }

  std::string_view numberToken(std::size_t at) const {
    std::size_t end = at;
    while (end < text_.size() && text_[end] != ' ') ++end;
    return text_.substr(at, end - at);
  }

  std::int32_t toInteger(std::string_view label, std::string_view token) const {
    if (token.empty()) return kMissingInt;
    std::int32_t v = 0;
    const auto r = std::from_chars(token.data(), token.data() + token.size(), v);
    if (r.ec != std::errc() || r.ptr != token.data() + token.size()) {
      unreadable(label, token);
      return kMissingInt;
    }
    return v;
  }

  void unreadable(std::string_view label, std::string_view token) const {
    s_.diag(DiagKind::Unreadable, 0, "value is not a number, read as missing",
            std::string(label) + std::string(token));
  }

  static constexpr std::size_t kMaxWords = 41;  // an 80-byte record holds no more
  Session& s_;
  std::string_view text_;
  const LabelledWord* words_;
  std::size_t count_ = 0;
  bool padded_ = false;
  std::array<LabelledWord, kMaxWords> own_;  // the scanned words
};

// ------------------------------------------------------------ the records

class GeoImport {
 public:
  GeoImport(Session& s, TextFile* out) : s_(s), out_(out) {
    lastCode_ = s.par.missing(10);
    job_.job = s.par.missing(10);
    job_.operatorName = s.par.missing(10);
    job_.date = s.par.missing(9);
    job_.time = s.par.missing(8);
    job_.instrument = s.par.missing(12);
  }

  void dispatch(int type, std::string_view record) { dispatch(type, RecordValues(s_, record)); }
  void dispatch(int type, std::string_view record, std::span<const LabelledWord> words) {
    dispatch(type, RecordValues(s_, record, words));
  }

  void dispatch(int type, const RecordValues& r) {
    const std::string_view record = r.all();
    switch (type) {
      case 1: jobData(r); break;
      case 2: station(r); break;
      case 3: case 4: observation(r); break;
      case 5: orientation(r); break;
      case 6: point(r); break;
      case 8: information(r); break;
      case 10: numbered(r); return;  // counts by its own rules
      default:
        unidentified(record);
        return;
    }
    ++s_.counter;
  }

  void unidentified(std::string_view record) {
    wkom(out_, kUnidentified);
    wkom(out_, record);
    ++notIdentified_;
    s_.diag(DiagKind::Unmatched, 0, "record not identified",
            record.empty() ? std::string_view("empty record") : record);
  }

  int notIdentified() const { return notIdentified_; }

 private:
  void adminRecord() {
    wakom(out_);
    wadm(s_, out_, job_);
  }

  void jobData(const RecordValues& r) {
    job_.job = r.text({"50=", "54=", "15="}, 10);
    job_.operatorName = r.text("53=", 10);
    job_.date = r.text("51=", 9);
    job_.time = r.text("52=", 8);
    job_.temperature = r.integer("56=");
    job_.pressure = r.integer("74=");
    job_.instrument = r.text("55=", 12);
    adminRecord();
  }

  void station(const RecordValues& r) {
    Setup st;
    st.station = r.text({"5=", "2="}, 12);
    stgbln(st.station);
    st.code = r.text("4=", 10);
    st.instrumentHeight = r.real("3=").v;
    if (near999(st.instrumentHeight)) st.instrumentHeight = kMissingReal;
    wsta(s_, out_, st);
    lastCode_ = s_.par.missing(10);
  }

  void observation(const RecordValues& r) {
    // Made in the slot beside the last observation: its number and code
    // have their widths, and every other field is set here.
    DetailObs& d = details_[lastAt_ ^ 1];
    d.extras = PointExtras{};
    static constexpr std::array<std::string_view, 10> kLabels = {"5=", "62=", "4=", "7=", "21=",
                                                                 "8=", "9=",  "72=", "73=", "6="};
    const auto at = r.findAll(kLabels);
    r.textInto(d.number, at[0], at[1]);
    r.textInto(d.code, at[2]);
    stgbln(d.number);
    stgbln(d.code);
    d.direction = r.realFound(kLabels[3], at[3], kLabels[4], at[4]).v;
    d.zenith = r.realFound(kLabels[5], at[5]).v;
    d.distance = r.realFound(kLabels[6], at[6]).v;
    d.valueA = r.realFound(kLabels[7], at[7]).v;
    d.valueB = r.realFound(kLabels[8], at[8]).v;

    const RealValue prism = r.realFound(kLabels[9], at[9]);
    if (prism.notGiven || near999(prism.v)) {
      d.prismHeight = lastPrism_ = kMissingReal;
    } else if (missReal(prism.v)) {
      d.prismHeight = lastPrism_;
    } else {
      d.prismHeight = lastPrism_ = prism.v;
    }
    if (d.code[0] == '-') d.code = lastCode_;
    else lastCode_ = d.code;
    if (d.number[0] == '-') d.number = generatedNumber(nextObservationNumber_++);

    // A pointing without distance followed by the distance to the same
    // point and code is one observation measured in two goes.
    const DetailObs& last = details_[lastAt_];
    if (haveDetail_ && d.number == last.number && d.code == last.code &&
        missReal(last.distance) && !missReal(d.distance)) {
      if (out_) out_->stepBack();
      d.direction = last.direction;
      wkom(out_, " NB: Observationer flettet !");
    }
    writeDetail(d);
  }

  // The observation written becomes the last one: made in the slot beside
  // the last it only changes places with it, anything else is copied there.
  void writeDetail(DetailObs& d) {
    wdet(s_, out_, d);
    DetailObs& next = details_[lastAt_ ^ 1];
    if (&d == &next) {
      lastAt_ ^= 1;
    } else if (&d != &details_[lastAt_]) {
      next = d;
      lastAt_ ^= 1;
    }
    haveDetail_ = true;
  }
  DetailObs& last() { return details_[lastAt_]; }

  void rewriteLastDetail() {
    if (!haveDetail_) return;  // nothing of ours to correct
    if (out_) out_->stepBack();
    writeDetail(last());
  }

  void orientation(const RecordValues& r) {
    Orientation o;
    o.number = r.text("5=", 12);
    o.code = r.text("4=", 10);
    o.values = {r.real("72=").v, r.real("73=").v, r.real("67=").v};
    wort(s_, out_, o);
  }

  void point(const RecordValues& r) {
    Point p;
    static constexpr std::array<std::string_view, 8> kLabels = {"5=", "2=", "4=", "38=", "41=", "37=", "40=", "39="};
    const auto at = r.findAll(kLabels);
    r.textInto(p.number, at[0], at[1]);
    r.textInto(p.code, at[2]);
    p.x = r.realFound(kLabels[3], at[3], kLabels[4], at[4]).v;
    p.y = r.realFound(kLabels[5], at[5], kLabels[6], at[6]).v;
    p.height = r.realFound(kLabels[7], at[7]).v;
    p.task = s_.adm.taskText;
    wpkt(s_, out_, p);
  }

  void information(const RecordValues& r) {
    wkom(out_, r.has("0=") ? r.text("0=", 76) : fixed(r.all(), 76));
  }

  void numbered(const RecordValues& r) {
    const std::int32_t number = r.integer("0=");
    const std::string text = r.text("1=", kRecordWidth);
    switch (number) {
      case 1: job_.date = fixed(text, 9); break;
      case 2: job_.job = fixed(text, 10); break;
      case 3: job_.pressure = r.integerOf("1=", text); break;
      case 4:
        job_.temperature = r.integerOf("1=", text);
        adminRecord();
        ++s_.counter;
        break;
      case 5:
        wkom(out_, text);
        ++s_.counter;
        break;
      case 6: case 12:
        last().valueA = r.realOf("1=", text);
        rewriteLastDetail();
        break;
      case 7: case 13:
        last().valueB = r.realOf("1=", text);
        rewriteLastDetail();
        break;
      case 8: job_.operatorName = fixed(text, 10); break;
      case 9:
        if (out_) out_->stepBack();
        --s_.counter;
        break;
      case 10:
        writeTrimmed(out_, "20 " + fixed(text, 77));
        lineDue_ = true;
        break;
      case 11:
        if (lineDue_) {
          writeTrimmed(out_, "21 " + fixed(text, 77));
          lineDue_ = false;
        } else {
          DetailObs d = last();
          d.code = fixed(text, 10);
          d.number = generatedNumber(nextInformationNumber_++);
          writeDetail(d);
          ++s_.counter;
        }
        break;
      default:
        ++notIdentified_;
        ++s_.counter;
        wkom(out_, fixed(" INFO", 20) + ":" + std::string(r.all()));
        s_.diag(DiagKind::Unmatched, 0, "information number not known",
                "number " + std::to_string(number));
        break;
    }
  }

  static std::string generatedNumber(std::int32_t n) {
    std::string t = fieldI(n, 12);
    stgbln(t);
    return t;
  }

  Session& s_;
  TextFile* out_;
  AdminRecord job_;
  std::string lastCode_;
  double lastPrism_ = kMissingReal;
  DetailObs details_[2];  // the last observation written and the slot beside it
  int lastAt_ = 0;
  bool haveDetail_ = false, lineDue_ = false;
  std::int32_t nextObservationNumber_ = 1, nextInformationNumber_ = 10000;
  int notIdentified_ = 0;
};

// ----------------------------------------------------------- second pass

// What the grouping hands on, in order, as messages of the relay: a
// record for the type of its entry, or something to be written or told on
// the way. Nothing on the reading side speaks to the session or the output.
// A message is its head, then what its kind needs (a record's labelled
// words; two numbers for the others), then the text.
struct Sent {
  enum class Kind : std::uint8_t { Record, Unidentified, Comment, Diagnostic, ReadError };
  Kind kind;
  std::uint8_t words = 0;    // Record: labelled words after the head; 0: found from the text
  std::int32_t type = 0;     // Record: the entry's type, as the conversion file gives it; Diagnostic: its kind
  std::uint32_t length = 0;  // of the text at the message's end
};
// The numbers of the other kinds: ReadError: the line; Diagnostic: what it
// says, as the address of a literal.
using Numbers = std::array<std::uint64_t, 2>;

class Sender {
 public:
  explicit Sender(Relay& r) : r_(r) {}

  // A record whose text has a blank after it in its buffer; its words as
  // found by the grouping, or none when they are to be found from the text.
  void record(int type, std::string_view text, std::span<const LabelledWord> words) {
    Sent head{Sent::Kind::Record};
    head.type = type;
    head.words = static_cast<std::uint8_t>(words.size());
    const std::size_t wordBytes = words.size() * sizeof(LabelledWord);
    head.length = static_cast<std::uint32_t>(text.size());
    // Room for reading sixteen bytes from any place in the text.
    char* at = r_.room(head, wordBytes + text.size() + 16);
    std::memcpy(at, words.data(), wordBytes);
    std::memcpy(at + wordBytes, text.data(), text.size() + 16);
    r_.send(sizeof(Sent) + wordBytes + text.size() + 1);
  }
  void text(Sent::Kind kind, std::string_view text) { send(Sent{kind}, {}, text); }
  void diagnostic(DiagKind kind, const char* what, std::string_view detail) {
    Sent head{Sent::Kind::Diagnostic};
    head.type = static_cast<std::int32_t>(kind);
    send(head, {reinterpret_cast<std::uintptr_t>(what), 0}, detail);
  }
  void readError(long line) { send(Sent{Sent::Kind::ReadError}, {static_cast<std::uint64_t>(line), 0}, {}); }

 private:
  void send(Sent head, Numbers numbers, std::string_view text) {
    text = text.substr(0, Relay::kLargest - sizeof(Sent) - sizeof numbers);
    head.length = static_cast<std::uint32_t>(text.size());
    char* at = r_.room(head, sizeof numbers + text.size());
    std::memcpy(at, numbers.data(), sizeof numbers);
    std::memcpy(at + sizeof numbers, text.data(), text.size());
    r_.send(sizeof(Sent) + sizeof numbers + text.size());
  }
  Relay& r_;
};

// The conversion-file entries as bit sets (one bit per entry, at most 50):
// which are longer than k labels, and which have a given label at place k.
class EntrySets {
 public:
  explicit EntrySets(const std::vector<Entry>& entries) {
    static_assert(kMaxEntries <= 64);
    for (std::size_t i = 0; i < entries.size(); ++i) {
      const auto& l = entries[i].labels;
      const std::uint64_t bit = std::uint64_t{1} << i;
      all_ |= bit;
      for (std::size_t k = 0; k < l.size(); ++k) {
        longer_[k] |= bit;
        auto& at = labelsAt_[k];
        auto it = std::find_if(at.begin(), at.end(), [&](const auto& e) { return e.first == l[k]; });
        if (it == at.end()) at.emplace_back(l[k], bit);
        else it->second |= bit;
      }
    }
  }
  std::uint64_t all() const { return all_; }
  // k is at most kMaxLabels + 1: a group never holds more words than one
  // past the longest entry.
  std::uint64_t longerThan(std::size_t k) const { return longer_[k]; }
  std::uint64_t withLabel(std::size_t k, std::uint16_t label) const {
    if (k >= kMaxLabels || label == 0) return 0;
    for (const auto& [l, bits] : labelsAt_[k])
      if (l == label) return bits;
    return 0;
  }

 private:
  std::uint64_t all_ = 0;
  std::array<std::uint64_t, kMaxLabels + 2> longer_{};  // 0 past kMaxLabels
  std::array<std::vector<std::pair<std::uint16_t, std::uint64_t>>, kMaxLabels> labelsAt_;
};

class Grouper {
 public:
  Grouper(const std::vector<Entry>& entries, const LabelNames& names, Sender& out)
      : sets_(entries), names_(names), out_(out), alive_(sets_.all()) {
    for (const Entry& e : entries) types_.push_back(e.type);
  }

  // The words as one per line of the scratch file gave them back: a word
  // that is a lone Ctrl-Z ended that file, so it ends the words here.
  // A word is handled by its fields, never copied whole: it was just made
  // by separate stores, and a copy of the whole would wait for them.
  void word(const Word& w) {
    if (ended_) return;
    if (w.text.size() == 1 && w.text[0] == '\x1A') {
      ended_ = true;
      return;
    }
    take(w.text, w.bits, w.eq, w.tag);  // at most kWordWidth bytes, as the writer makes them
    while (pushedBack_) {
      pushedBack_ = false;
      // The word is taken from one buffer while the next pushed back word,
      // if any, goes to the other.
      const std::string_view text(held_[heldAt_], pending_.text.size());
      heldAt_ ^= 1;
      take(text, pending_.bits, pending_.eq, pending_.tag);
    }
  }

  void finish() {
    if (count_ == 0 && sent_) return;  // the last group went as soon as it was whole
    // What is left goes to its candidate; without one it is not identified,
    // even when nothing is left (a file ending in words that fit no entry).
    if (candidate_ >= 0) dispatch();
    else out_.text(Sent::Kind::Unidentified, record());
  }

 private:
  [[gnu::always_inline]] void take(std::string_view text, unsigned bits, std::uint32_t eq, std::uint32_t tag) {
    // One look at the word, unless the words' writer took it. Most words
    // hold only allowed bytes and are used where they stand.
    if (bits == 0)
      for (const char c : text) bits |= kBytes.bits[static_cast<unsigned char>(c)];
    if (!(bits & kNotBlank)) return;
    if (bits & kNotAllowed) {
      word_.assign(text);
      for (char& c : word_)
        if (kBytes.bits[static_cast<unsigned char>(c)] & kNotAllowed) c = ' ';
      text = word_;
      bits |= kBlank;
    }
    if (!(bits & kEqualsSign)) {
      say(DiagKind::Dropped, "word without \"=\" skipped", trim(text));
      return;
    }
    // A word with a blank is looked at again as trimmed: its label may
    // have changed.
    if (bits & kBlank) {
      const Word t = makeWord(trim(text), bits);
      text = t.text;
      eq = t.eq;
      tag = t.tag;
    }
    add(text, bits, eq, tag);
  }

  void restart() {
    count_ = 0;
    recordLength_ = 0;
    alive_ = sets_.all();
    candidate_ = -1;
    recordWords_ = 0;
    blankInWord_ = false;
  }

  void dispatch() {
    record_[recordLength_] = ' ';  // a number at the end ends there when read eight bytes at a time
    out_.record(types_[static_cast<std::size_t>(candidate_)], record(),
                std::span(words_.data(), blankInWord_ ? 0 : recordWords_));
  }

  void say(DiagKind kind, const char* what, std::string_view detail) { out_.diagnostic(kind, what, detail); }

  // Every entry whose labels agree with those collected so far stays alive;
  // the last complete one is the candidate, and any longer one keeps the
  // group open.
  [[gnu::always_inline]] void add(std::string_view w, unsigned bits, std::uint32_t eq, std::uint32_t tag) {
    sent_ = false;
    const std::uint16_t label = labelKeyAt(w, eq);
    const std::size_t k = count_;
    labels_[count_++] = label;
    alive_ &= ~sets_.longerThan(k) | sets_.withLabel(k, label);
    const std::uint64_t complete = alive_ & ~sets_.longerThan(k + 1);
    if (complete != 0) candidate_ = 63 - std::countl_zero(complete);  // the last such entry
    const bool open = (alive_ & sets_.longerThan(k)) != 0;
    if (!open) return close(w, bits, eq, tag);
    const std::size_t grown = recordLength_ + (recordLength_ == 0 ? 0 : 1) + w.size();
    if (grown > kRecordWidth) return tooLong();  // no record is that long
    if (recordLength_ != 0) record_[recordLength_++] = ' ';
    spans_[k] = {recordLength_, w.size()};
    words_[k] = {tag, static_cast<std::uint32_t>(recordLength_ + eq + 1)};
    recordWords_ = k + 1;
    blankInWord_ |= (bits & kBlank) && w.find(' ') != std::string_view::npos;
    bytes::copy(record_ + recordLength_, w.data(), w.size());
    recordLength_ += w.size();
    // When no entry can take another word, the next one would only close
    // the group: it goes to its candidate now, and the next word begins a
    // group without being taken twice.
    if ((alive_ & sets_.longerThan(k + 1)) == 0 && candidate_ >= 0) {
      dispatch();
      restart();
      sent_ = true;
    }
  }

  // A word that no entry of the group takes: the group goes to its
  // candidate and the word begins the next one, or without a candidate the
  // group's words are written as they came.
  [[gnu::noinline]] void close(std::string_view w, unsigned bits, std::uint32_t eq, std::uint32_t tag) {
    if (candidate_ >= 0) {
      bytes::copy(held_[heldAt_], w.data(), w.size());
      pending_ = {std::string_view(held_[heldAt_], w.size()), bits, eq, tag};
      pushedBack_ = true;
      dispatch();
    } else {
      // The earlier words of the group are in the record, the last is this one.
      for (std::size_t i = 0; i < count_; ++i) {
        const std::string_view word = i + 1 < count_ ? record().substr(spans_[i].first, spans_[i].second) : w;
        out_.text(Sent::Kind::Comment, names_.name(labels_[i]) + " " + std::string(word));
      }
      say(DiagKind::Unmatched, "words fit no conversion-file entry", labelList());
    }
    restart();
  }

  [[gnu::noinline]] void tooLong() {
    say(DiagKind::Dropped, "group of words longer than 80 characters dropped", labelList());
    restart();
  }

  // The labels of the group, as the conversion file would list them.
  std::string labelList() const {
    std::string t = "labels";
    for (const std::uint16_t l : std::span(labels_.data(), count_)) {
      const char two[2] = {static_cast<char>(l >> 8), static_cast<char>(l & 0xFF)};
      t += ' ';
      t += l == 0 ? std::string_view("(none)") : rtrim(std::string_view(two, 2));
    }
    return t;
  }

  std::vector<int> types_;  // of the entries, kept here: read for every record
  const EntrySets sets_;
  const LabelNames& names_;
  Sender& out_;
  std::string_view record() const { return {record_, recordLength_}; }

  // The group so far: its labels, and its words in the record text. No
  // entry has more than kMaxLabels labels, so a group never holds more
  // words than one past that, and its record no more than kRecordWidth.
  std::array<std::uint16_t, kMaxLabels + 1> labels_{};
  std::array<std::pair<std::size_t, std::size_t>, kMaxLabels + 1> spans_{};
  std::array<LabelledWord, kMaxLabels + 1> words_{};
  std::size_t count_ = 0, recordLength_ = 0, recordWords_ = 0;
  bool blankInWord_ = false;  // then the record's words are found as its text shows them
  char record_[kRecordWidth + 16] = {};  // room for reading a number sixteen bytes at a time
  std::uint64_t alive_;  // entries that agree with the group so far
  std::string word_;
  // The word that closed a group, to be taken again: two buffers in turn.
  char held_[2][kWordWidth];
  std::size_t heldAt_ = 0;
  Word pending_;
  int candidate_ = -1;
  bool pushedBack_ = false, ended_ = false;
  bool sent_ = false;  // the group was dispatched when it was whole, no word since
};

// The reading side: what it uses for every line is its own, on its own stack.
void readAndGroup(Relay& r, TextFile* in, const std::vector<Entry>& entries, const LabelNames& names) {
  Sender send(r);
  Grouper grouper(entries, names, send);
  WordWriter words(grouper);
  std::string_view raw;
  for (long n = 1; in; ++n) {
    const ReadStatus st = in->readLine(raw, kRawWidth);
    if (st == ReadStatus::End) break;
    if (st == ReadStatus::Error) {
      send.readError(n);
      break;
    }
    words.line(raw);
  }
  grouper.finish();
}

// Both passes at once: the raw file's words are grouped as they come, on a
// second thread, and the records made of them are written on this one.
void convertWords(Session& s, TextFile* in, std::string_view input, const std::vector<Entry>& entries,
                  const LabelNames& names, GeoImport& import, TextFile* out) {
  const auto make = [&](Relay& r) { readAndGroup(r, in, entries, names); };
  std::array<LabelledWord, kMaxLabels + 1> labelled;
  const auto use = [&](std::string_view m) {
    const auto head = Relay::head<Sent>(m);
    const std::string_view text = m.substr(m.size() - head.length - (head.kind == Sent::Kind::Record), head.length);
    Numbers n{};
    if (head.kind != Sent::Kind::Record) std::memcpy(n.data(), m.data() + sizeof head, sizeof n);
    switch (head.kind) {
      case Sent::Kind::Record:
        if (head.words == 0) {
          import.dispatch(head.type, text);
        } else {
          std::memcpy(labelled.data(), m.data() + sizeof head, head.words * sizeof(LabelledWord));
          import.dispatch(head.type, text, std::span(labelled.data(), head.words));
        }
        break;
      case Sent::Kind::Unidentified: import.unidentified(text); break;
      case Sent::Kind::Comment: wkom(out, text); break;
      case Sent::Kind::Diagnostic:
        s.diag(static_cast<DiagKind>(head.type), 0, reinterpret_cast<const char*>(static_cast<std::uintptr_t>(n[0])),
               text);
        break;
      case Sent::Kind::ReadError: reportReadError(s, input, static_cast<long>(n[0])); break;
    }
  };
  Relay::run(make, use, in);
}

}  // namespace

void geo2kvt(Session& s, std::int32_t mode, std::string_view input, std::string_view output,
             std::string_view labels, std::string_view parDir) {
  guardedRun(s, [&] {
    startRun(s, "Geodimeter --> KVT", parDir);
    expectInput(s, labels, 2);
    expectInput(s, "GEOLAB.TXT", 2);
    if (!s.tableDir.empty()) expectInput(s, joinPath(s.tableDir, "GEOLAB.TXT"), 2);
    beginImport(s, kIn, kOut, input, output, mode, "GEODIMETER r\xE5" "data-fil: ", 52);
    TextFile* out = s.channel(kOut);

    reportOpen(s, opfile(s, kConversion, labels, 1, 2), labels, true, Report::Diagnostic);
    const std::string namesFile = getnavn(s.par, "GEOLAB.TXT", 2);
    int namesStatus = opfile(s, kNames, "GEOLAB.TXT", 1, 2);
    if (namesStatus == open_status::kMissing && !s.tableDir.empty())
      namesStatus = opfile(s, kNames, joinPath(s.tableDir, "GEOLAB.TXT"), 1, 2);
    if (namesStatus == open_status::kMissing) {
      s.wrerr("Fil :<" + fixed(namesFile, 255) + "> findes ikke !");
      return;
    }
    if (namesStatus != open_status::kOpened) {
      // Any other reason ends the run without a line for the host.
      reportOpen(s, namesStatus, namesFile, true, Report::Diagnostic);
      return;
    }
    LabelNames names;
    names.load(s.channel(kNames));
    const std::vector<Entry> entries = readConversion(s, s.channel(kConversion));

    // The scratch file is ours, not the host's: when it cannot be made, the
    // host gets the catalogue written so far and the usual closing line.
    // The words no longer pass through it, but it is made and removed as
    // before, so that runs sharing the directory see what they always saw.
    ScratchFile scratch(trim(parDir), "KVT3", "TMP");
    if (scratch.path().empty()) {
      s.diag(DiagKind::WriteFailed, 0, "scratch file cannot be made, nothing converted",
             trim(parDir));
    } else {
      GeoImport import(s, out);
      convertWords(s, s.channel(kIn), input, entries, names, import, out);
    }

    s.wrmsg(countLine(s.counter));
    endOutput(s, kOut);
    for (const int ch : {kIn, kConversion, kNames, kOut}) s.closeChannel(ch);
  });
}

}  // namespace kvtconv
