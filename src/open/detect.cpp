// Format detection: every candidate format counts the lines of the head
// that have its shape; the best explained file wins, and the counts are the
// reason given.
#include "open/detect.hpp"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <vector>

namespace kvtconv {

namespace {

constexpr std::size_t kMaxLines = 400;

struct Line {
  std::string_view text;
  std::size_t number;  // 1-based
};

bool isDigit(char c) { return c >= '0' && c <= '9'; }
bool isUpper(char c) { return c >= 'A' && c <= 'Z'; }
char upperAscii(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

bool startsWith(std::string_view s, std::string_view p) { return s.substr(0, p.size()) == p; }

std::vector<std::string_view> tokens(std::string_view s, std::string_view seps) {
  std::vector<std::string_view> out;
  std::size_t i = 0;
  while (i < s.size()) {
    while (i < s.size() && seps.find(s[i]) != std::string_view::npos) ++i;
    const std::size_t b = i;
    while (i < s.size() && seps.find(s[i]) == std::string_view::npos) ++i;
    if (i > b) out.push_back(s.substr(b, i - b));
  }
  return out;
}

std::string_view firstToken(std::string_view s, std::string_view seps) {
  std::size_t i = 0;
  while (i < s.size() && seps.find(s[i]) != std::string_view::npos) ++i;
  const std::size_t b = i;
  while (i < s.size() && seps.find(s[i]) == std::string_view::npos) ++i;
  return s.substr(b, i - b);
}

bool isInteger(std::string_view t) {
  if (!t.empty() && (t[0] == '+' || t[0] == '-')) t.remove_prefix(1);
  if (t.empty()) return false;
  return std::all_of(t.begin(), t.end(), isDigit);
}

// A decimal number as survey lists write them: sign, digits, point, exponent.
bool isNumber(std::string_view t) {
  std::size_t i = 0;
  if (i < t.size() && (t[i] == '+' || t[i] == '-')) ++i;
  std::size_t digits = 0;
  while (i < t.size() && isDigit(t[i])) ++i, ++digits;
  if (i < t.size() && t[i] == '.') {
    ++i;
    while (i < t.size() && isDigit(t[i])) ++i, ++digits;
  }
  if (digits == 0) return false;
  if (i < t.size() && (t[i] == 'e' || t[i] == 'E')) {
    ++i;
    if (i < t.size() && (t[i] == '+' || t[i] == '-')) ++i;
    const std::size_t e = i;
    while (i < t.size() && isDigit(t[i])) ++i;
    if (i == e) return false;
  }
  return i == t.size();
}

// A line with nothing but blanks and transmission control characters.
bool isEmptyLine(std::string_view s) {
  return std::all_of(s.begin(), s.end(), [](char c) {
    return c == ' ' || c == '\t' || c == '\x02' || c == '\x03' || c == '\x1A';
  });
}

std::string lineList(const std::vector<std::size_t>& lines) {
  std::string out;
  for (std::size_t i = 0; i < lines.size() && i < 3; ++i) out += (i ? ", " : "") + std::to_string(lines[i]);
  if (lines.size() > 3) out += ", ...";
  return out;
}

struct Candidate {
  Format format = Format::Unknown;
  double score = 0;     // share of the lines explained
  int confidence = 0;
  std::string reason;
  Detection hints;
};

// "7 of 9 lines are ...; not: lines 3, 8".
std::string counted(std::size_t n, std::size_t of, std::string_view what, const std::vector<std::size_t>& misses) {
  std::string r = std::to_string(n) + " of " + std::to_string(of) + " lines " + std::string(what);
  if (!misses.empty()) r += " (not line" + std::string(misses.size() == 1 ? " " : "s ") + lineList(misses) + ")";
  return r;
}

int percent(double score) { return static_cast<int>(std::lround(score * 100.0)); }

// ---------------------------------------------------------- catalogue

bool knownRecordType(std::int64_t t) {
  return (t >= 1 && t <= 11) || t == 47 || t == 48 || t == 60 || t == 90 || t == 91 || t == 92;
}

Candidate catalogue(const std::vector<Line>& lines) {
  std::size_t strict = 0, loose = 0, headers = 0;
  std::vector<std::size_t> misses;
  for (const Line& l : lines) {
    const std::string_view s = l.text;
    // As the writers put it: the type right-aligned in columns 1-2, column 3 blank.
    const bool columns = s.size() >= 2 && isDigit(s[1]) && (s[0] == ' ' || isDigit(s[0])) &&
                         (s.size() == 2 || s[2] == ' ');
    const std::string_view t = firstToken(s, " ,\t/");
    if (isInteger(t) && t.size() <= 3 && knownRecordType(std::stoll(std::string(t)))) {
      if (columns) {
        ++strict;
        if (s.size() > 8 && s.substr(4, 4).find("==>") != std::string_view::npos) ++headers;
      } else {
        ++loose;
      }
    } else {
      misses.push_back(l.number);
    }
  }
  Candidate c;
  c.format = Format::Catalogue;
  if (lines.empty() || strict == 0) return c;
  c.score = (static_cast<double>(strict) + 0.5 * static_cast<double>(loose)) / static_cast<double>(lines.size());
  c.confidence = percent(c.score);
  if (headers != 0) c.confidence = std::min(100, c.confidence + 10);
  c.reason = counted(strict + loose, lines.size(), "begin with a catalogue record type", misses);
  if (headers != 0) c.reason += "; catalogue header lines (\"==>\")";
  return c;
}

// ------------------------------------------------------ Zeiss REC 500 / M5

bool recLine(std::string_view s) {
  if (s.size() < 7) return false;
  std::size_t i = 0;
  while (i < 7 && s[i] == ' ') ++i;
  if (i == 7) return false;
  for (std::size_t k = i; k < 7; ++k)
    if (!isDigit(s[k])) return false;
  return s.size() == 7 || s[7] == ' ';
}

bool zeissHeaderLine(std::string_view s) {
  std::string t(firstToken(s, " \t"));
  for (char& ch : t) ch = upperAscii(ch);
  static constexpr std::string_view kWords[] = {"JOBNR.", "OPER.",      "DATO",       "TID",
                                                "TEMP",   "TRYK",       "INSTR.",     "PROJEKT",
                                                "INSTRUMENT", "TEMPERATUR"};
  if (startsWith(t, "LANDM")) return true;
  return std::find(std::begin(kWords), std::end(kWords), t) != std::end(kWords);
}

bool coordinateLabel(std::string_view two) {
  return two == "Y " || two == "X " || two == "E " || two == "N ";
}

Candidate zeiss(const std::vector<Line>& lines) {
  std::size_t rec = 0, m5 = 0, header = 0, coords = 0, obs = 0;
  std::vector<std::size_t> misses;
  bool dataSeen = false;
  for (const Line& l : lines) {
    const std::string_view s = l.text;
    if (startsWith(s, "For M5|")) {
      ++m5;
      dataSeen = true;
      const auto fields = tokens(s, "|");
      if (fields.size() > 3) {
        const std::string_view f = fields[3].substr(0, 2);
        if (coordinateLabel(f)) ++coords;
        else if (f == "SD" || f == "HD" || f == "Hz" || f == "ih" || f == "th") ++obs;
      }
    } else if (recLine(s)) {
      ++rec;
      dataSeen = true;
      if (s.size() > 53 && coordinateLabel(s.substr(51, 2))) ++coords;
      else if ((s.size() > 53 && s.substr(51, 2) == "Hz") || s.find("IH=") != std::string_view::npos ||
               (s.size() > 37 && (s.substr(36, 2) == "ih" || s.substr(36, 2) == "th")))
        ++obs;
    } else if (!dataSeen && zeissHeaderLine(s)) {
      ++header;
    } else {
      misses.push_back(l.number);
    }
  }
  Candidate c;
  c.format = m5 != 0 ? Format::M5 : Format::Rec500;
  if (lines.empty() || rec + m5 == 0) return c;
  c.score = static_cast<double>(rec + m5 + header) / static_cast<double>(lines.size());
  c.confidence = percent(c.score);
  // Running numbers alone could be any numbered list.
  if (m5 == 0 && coords + obs == 0) c.confidence = std::min(c.confidence, 55);
  c.reason = counted(rec + m5 + header, lines.size(), "are Zeiss lines", misses);
  c.reason += " (";
  if (m5 != 0) c.reason += std::to_string(m5) + " \"For M5|\" records, ";
  c.reason += std::to_string(rec) + " numbered REC 500 lines";
  if (header != 0) c.reason += ", a " + std::to_string(header) + "-line header block";
  c.reason += "; " + std::to_string(coords) + " coordinate and " + std::to_string(obs) + " observation lines)";
  c.hints.zeissHeader = header != 0;
  c.hints.zeissCoordinates = coords > obs;
  return c;
}

// --------------------------------------------------------------- Sokkia

bool sdrLine(std::string_view s) {
  if (s.size() < 4 || !isDigit(s[0]) || !isDigit(s[1])) return false;
  const auto ok = [](char ch) { return isUpper(ch) || isDigit(ch); };
  return ok(s[2]) && ok(s[3]) && (isUpper(s[2]) || isUpper(s[3]));
}

Candidate sokkia(const std::vector<Line>& lines) {
  std::size_t n = 0, wide = 0, narrow = 0;
  int variant = 0;  // from the header record
  std::vector<std::size_t> misses;
  for (const Line& l : lines) {
    std::string_view s = l.text;
    if (!s.empty() && s[0] == '\x02') s.remove_prefix(1);
    if (!sdrLine(s)) {
      misses.push_back(l.number);
      continue;
    }
    ++n;
    if (startsWith(s, "00NMSDR3")) variant = 33;
    else if (startsWith(s, "00NMSDR2")) variant = 2;
    if (startsWith(s, "08KI") || startsWith(s, "02TP") || startsWith(s, "09F1")) {
      if (s.size() > 60) ++wide;
      else ++narrow;
    }
  }
  Candidate c;
  if (lines.empty() || n == 0) return c;
  c.score = static_cast<double>(n) / static_cast<double>(lines.size());
  c.confidence = percent(c.score);
  c.reason = counted(n, lines.size(), "are SDR records", misses);
  if (variant != 0) {
    c.format = variant == 33 ? Format::Sdr33 : Format::Sdr2;
    c.reason += "; header record 00NMSDR" + std::to_string(variant);
  } else {
    c.format = wide > narrow ? Format::Sdr33 : Format::Sdr2;
    c.confidence = std::min(c.confidence, 70);
    c.reason += "; no 00NM header record, variant told by the field widths";
  }
  return c;
}

// ------------------------------------------------------------------ GSI

// A GSI word: word index, four information characters, sign, data. The
// data may be blank (an empty value).
bool gsiWord(std::string_view w) {
  if (w.size() < 8 || !isDigit(w[0]) || !isDigit(w[1])) return false;
  for (std::size_t i = 2; i < 6; ++i)
    if (!isDigit(w[i]) && w[i] != '.') return false;
  if (w[6] != '+' && w[6] != '-') return false;
  for (std::size_t i = 7; i < w.size(); ++i)
    if (static_cast<unsigned char>(w[i]) < 0x20 || static_cast<unsigned char>(w[i]) > 0x7E) return false;
  return true;
}

// 8 or 16 for a line of GSI words of that data width, else 0. The words
// stand at fixed places, each followed by a blank.
std::size_t gsiLine(std::string_view s) {
  // Any line may carry a leading '"'.
  if (!s.empty() && s[0] == '"') {
    s.remove_prefix(1);
    while (!s.empty() && s[0] == ' ') s.remove_prefix(1);
  }
  const bool wide = !s.empty() && s[0] == '*';
  if (wide) s.remove_prefix(1);
  while (!s.empty() && s.back() == ' ') s.remove_suffix(1);
  const std::size_t data = wide ? 16 : 8, step = data + 8;
  if (s.empty()) return 0;
  for (std::size_t at = 0; at < s.size(); at += step) {
    if (at + step - 1 > s.size()) return 0;
    if (!gsiWord(s.substr(at, step - 1))) return 0;
    if (at + step - 1 < s.size() && s[at + step - 1] != ' ') return 0;
  }
  return data;
}

Candidate gsi(const std::vector<Line>& lines) {
  std::size_t n8 = 0, n16 = 0, seen = 0;
  bool endMarker = false;
  std::vector<std::size_t> misses;
  for (const Line& l : lines) {
    ++seen;
    std::string_view probe = l.text;
    if (!probe.empty() && probe[0] == '"') probe.remove_prefix(1);
    while (!probe.empty() && probe[0] == ' ') probe.remove_prefix(1);
    while (!probe.empty() && probe.back() == ' ') probe.remove_suffix(1);
    if (probe == "! ----+") {
      // The end marker: the import reads no further.
      endMarker = true;
      break;
    }
    const std::size_t w = gsiLine(l.text);
    if (w == 8) ++n8;
    else if (w == 16) ++n16;
    else misses.push_back(l.number);
  }
  Candidate c;
  if (lines.empty() || n8 + n16 == 0) return c;
  const bool wide = n16 > n8;
  c.format = wide ? Format::Gsi16 : Format::Gsi8;
  const std::size_t n = (wide ? n16 : n8) + (endMarker ? 1 : 0);
  c.score = static_cast<double>(n) / static_cast<double>(seen);
  c.confidence = percent(c.score);
  c.reason = counted(n, seen, wide ? "are blocks of GSI-16 words (\"*\", 16 data characters)"
                                           : "are blocks of GSI-8 words (8 data characters)",
                     misses);
  if (endMarker) c.reason += "; end marker \"! ----+\"";
  return c;
}

// ----------------------------------------------------------- Geodimeter

bool geoWord(std::string_view w) {
  std::size_t i = 0;
  while (i < w.size() && i < 4 && isDigit(w[i])) ++i;
  return i >= 1 && i <= 3 && i < w.size() && w[i] == '=';
}

Candidate geodimeter(const std::vector<Line>& lines) {
  std::size_t n = 0;
  std::vector<std::size_t> misses;
  for (const Line& l : lines) {
    if (geoWord(firstToken(l.text, " \t"))) ++n;
    else misses.push_back(l.number);
  }
  Candidate c;
  c.format = Format::Geodimeter;
  if (lines.empty() || n == 0) return c;
  c.score = static_cast<double>(n) / static_cast<double>(lines.size());
  c.confidence = percent(c.score);
  c.reason = counted(n, lines.size(), "are \"label=value\" words", misses);
  return c;
}

// ----------------------------------------------------------------- DSFL

Candidate dsfl(const std::vector<Line>& lines) {
  std::size_t marked = 0, continued = 0, headers = 0;
  bool inObject = false;
  std::vector<std::size_t> misses;
  for (const Line& l : lines) {
    const std::string_view s = l.text;
    if (s.size() >= 2 && s[0] == '%' && (isUpper(s[1]) || isDigit(s[1]))) {
      ++marked;
      if (s[1] == 'H') ++headers;
      inObject = true;
      continue;
    }
    const auto t = tokens(s, " \t");
    if (inObject && !t.empty() && std::all_of(t.begin(), t.end(), isNumber)) {
      ++continued;
      continue;
    }
    misses.push_back(l.number);
  }
  Candidate c;
  c.format = Format::Dsfl;
  if (lines.empty() || marked == 0) return c;
  c.score = static_cast<double>(marked + continued) / static_cast<double>(lines.size());
  c.confidence = percent(c.score);
  if (headers == 0) c.confidence = std::min(c.confidence, 80);
  c.reason = counted(marked + continued, lines.size(), "are DSFL tokens (\"%\") or their coordinates", misses);
  if (headers != 0) c.reason += "; " + std::to_string(headers) + " header tokens (%H)";
  return c;
}

// ------------------------------------------------------------------ SKI

Candidate ski(const std::vector<Line>& lines) {
  std::size_t n = 0, points = 0, vectors = 0;
  std::vector<std::size_t> misses;
  for (const Line& l : lines) {
    const std::string_view s = l.text;
    if (s.size() >= 2 && s[0] == '@' && std::string_view("%#&+-=0123456789").find(s[1]) != std::string_view::npos) {
      ++n;
      if (s[1] == '#') ++points;
      if (s[1] == '+' || s[1] == '-' || s[1] == '=') ++vectors;
    } else {
      misses.push_back(l.number);
    }
  }
  Candidate c;
  if (lines.empty() || n == 0) return c;
  c.format = vectors > points ? Format::SkiVectors : Format::SkiPoints;
  c.score = static_cast<double>(n) / static_cast<double>(lines.size());
  c.confidence = percent(c.score);
  if (points + vectors == 0) c.confidence = std::min(c.confidence, 60);
  c.reason = counted(n, lines.size(), "are SKI records (\"@\")", misses) + "; " + std::to_string(points) +
             " point records (@#), " + std::to_string(vectors) + " vector records (@+ @- @=)";
  return c;
}

// ---------------------------------------------------------- free format

bool layoutKeyword(std::string_view t) {
  return startsWith(t, "PKT") || startsWith(t, "KOD") || startsWith(t, "K1") || startsWith(t, "K2") ||
         startsWith(t, "K3") || startsWith(t, "OPR");
}

Candidate freeFormat(const std::vector<Line>& lines) {
  Candidate c;
  c.format = Format::FreeFormat;
  if (lines.empty()) return c;
  // A layout line: "!" and then the keywords of the columns.
  for (const Line& l : lines) {
    const auto t = tokens(l.text, " ,\t");
    if (t.empty() || t[0][0] != '!') continue;
    std::size_t keys = 0;
    for (std::size_t i = 1; i < t.size(); ++i) {
      std::string u(t[i]);
      for (char& ch : u) ch = upperAscii(ch);
      if (layoutKeyword(u)) ++keys;
    }
    if (keys == 0) continue;
    c.score = 0.9;
    c.confidence = 90;
    c.reason = "layout line at line " + std::to_string(l.number) + ": \"" + std::string(l.text.substr(0, 60)) + "\"";
    c.hints.freeLayout = true;
    return c;
  }
  // Otherwise lists whose lines hold two or more numbers (the coordinates).
  std::size_t n = 0;
  std::vector<std::size_t> misses;
  for (const Line& l : lines) {
    const auto t = tokens(l.text, " ,;\t");
    std::size_t numbers = 0;
    for (const auto tok : t)
      if (isNumber(tok)) ++numbers;
    if (t.size() >= 2 && numbers >= 2 && numbers * 2 >= t.size()) ++n;
    else misses.push_back(l.number);
  }
  if (n == 0) return c;
  c.score = static_cast<double>(n) / static_cast<double>(lines.size());
  c.confidence = std::min(60, percent(c.score));
  c.reason = counted(n, lines.size(), "are lists of numbers", misses) +
             "; no layout line (\"!\"), the layout must be given (--format)";
  return c;
}

// ---------------------------------------------------------------- dBASE

std::uint32_t le(std::string_view s, std::size_t at, int bytes) {
  std::uint32_t v = 0;
  for (int i = bytes - 1; i >= 0; --i) v = v << 8 | static_cast<unsigned char>(s[at + static_cast<std::size_t>(i)]);
  return v;
}

Candidate dbase(std::string_view head) {
  Candidate c;
  c.format = Format::DBase;
  if (head.size() < 33) return c;
  const auto version = static_cast<unsigned char>(head[0]);
  if ((version & 0x07) != 0x03 && version != 0x30 && version != 0x31) return c;
  const auto month = static_cast<unsigned char>(head[2]), day = static_cast<unsigned char>(head[3]);
  if (month < 1 || month > 12 || day < 1 || day > 31) return c;
  const std::uint32_t records = le(head, 4, 4), headerLength = le(head, 8, 2), recordLength = le(head, 10, 2);
  if (headerLength < 33 || recordLength < 1) return c;
  std::size_t fields = 0;
  std::uint32_t sum = 1;
  std::size_t at = 32;
  for (; at + 32 <= head.size() && at + 1 < headerLength; at += 32) {
    if (head[at] == '\x0D') break;
    const char type = head[at + 11];
    if (std::string_view("CNDLMFBGIOTY@+0").find(type) == std::string_view::npos) return c;
    if (!isUpper(head[at]) && head[at] != '_') return c;
    sum += static_cast<unsigned char>(head[at + 16]);
    ++fields;
  }
  if (fields == 0) return c;
  const bool terminated = at < head.size() && head[at] == '\x0D';
  c.score = 1.0;
  c.confidence = terminated && sum == recordLength ? 100 : 80;
  c.reason = "dBASE table header: " + std::to_string(fields) + " fields, " + std::to_string(records) +
             " records of " + std::to_string(recordLength) + " bytes";
  if (sum != recordLength) c.reason += " (the fields do not add up to the record length)";
  return c;
}

bool binary(std::string_view head) {
  std::size_t odd = 0;
  for (const char ch : head) {
    const auto u = static_cast<unsigned char>(ch);
    if (u == 0 || (u < 0x20 && ch != '\n' && ch != '\r' && ch != '\t' && ch != '\x02' && ch != '\x03' &&
                   ch != '\x1A' && ch != '\x0C'))
      ++odd;
  }
  return odd * 10 > head.size();
}

}  // namespace

const char* formatName(Format f) {
  switch (f) {
    case Format::Unknown: return "unknown";
    case Format::Empty: return "empty";
    case Format::Catalogue: return "KVT catalogue";
    case Format::Rec500: return "REC 500";
    case Format::M5: return "M5";
    case Format::Sdr2: return "SDR2";
    case Format::Sdr33: return "SDR33";
    case Format::Gsi8: return "GSI-8";
    case Format::Gsi16: return "GSI-16";
    case Format::Geodimeter: return "Geodimeter";
    case Format::Dsfl: return "DSFL";
    case Format::SkiPoints: return "SKI points";
    case Format::SkiVectors: return "SKI vectors";
    case Format::DBase: return "dBASE";
    case Format::FreeFormat: return "free format";
  }
  return "unknown";
}

const char* formatKey(Format f) {
  switch (f) {
    case Format::Unknown: return "unknown";
    case Format::Empty: return "empty";
    case Format::Catalogue: return "kvt";
    case Format::Rec500: return "rec500";
    case Format::M5: return "m5";
    case Format::Sdr2: return "sdr2";
    case Format::Sdr33: return "sdr33";
    case Format::Gsi8: return "gsi8";
    case Format::Gsi16: return "gsi16";
    case Format::Geodimeter: return "geodimeter";
    case Format::Dsfl: return "dsfl";
    case Format::SkiPoints: return "ski";
    case Format::SkiVectors: return "skivec";
    case Format::DBase: return "dbase";
    case Format::FreeFormat: return "free";
  }
  return "unknown";
}

Detection detectFormat(std::string_view head, bool whole) {
  Detection d;
  if (head.empty()) {
    d.format = Format::Empty;
    d.reason = "the file is empty";
    return d;
  }
  if (const Candidate db = dbase(head); db.confidence != 0) {
    d.format = db.format;
    d.confidence = db.confidence;
    d.reason = db.reason;
    return d;
  }

  std::vector<Line> lines;
  std::size_t number = 0, start = 0;
  while (start < head.size() && lines.size() < kMaxLines) {
    // LF, CR LF or CR alone ends a line.
    const std::size_t nl = head.find_first_of("\r\n", start);
    if (nl == std::string_view::npos && !whole) break;  // cut by the head's end
    const std::size_t end = nl == std::string_view::npos ? head.size() : nl;
    const std::string_view text = head.substr(start, end - start);
    ++number;
    if (!isEmptyLine(text)) lines.push_back({text, number});
    if (nl == std::string_view::npos) break;
    start = nl + 1;
    if (head[nl] == '\r' && start < head.size() && head[start] == '\n') ++start;
  }
  if (lines.empty()) {
    d.format = Format::Empty;
    d.reason = "no line holds anything but blanks";
    return d;
  }

  const Candidate all[] = {catalogue(lines), zeiss(lines), sokkia(lines), gsi(lines), geodimeter(lines),
                           dsfl(lines), ski(lines), freeFormat(lines)};
  const Candidate* best = nullptr;
  for (const Candidate& c : all) {
    if (c.confidence == 0) continue;
    if (!best || c.score > best->score || (c.score == best->score && c.confidence > best->confidence)) best = &c;
  }
  if (!best || best->score < 0.5) {
    d.format = Format::Unknown;
    d.confidence = 0;
    d.reason = best ? std::string("no format fits most lines; nearest ") + formatName(best->format) + ": " + best->reason
                    : "no line has the shape of a known format";
    if (binary(head)) d.reason += "; the file holds binary data";
    return d;
  }
  d = best->hints;
  d.format = best->format;
  d.confidence = best->confidence;
  d.reason = best->reason;
  return d;
}

Detection detectFile(const std::string& path) {
  std::error_code ec;
  if (std::filesystem::is_directory(path, ec)) {
    Detection d;
    d.reason = "a directory, not a file";
    return d;
  }
  std::ifstream f(path, std::ios::binary);
  if (!f) {
    Detection d;
    d.reason = "the file cannot be read";
    return d;
  }
  std::string head(kDetectBytes, '\0');
  f.read(head.data(), static_cast<std::streamsize>(head.size()));
  head.resize(static_cast<std::size_t>(f.gcount()));
  const bool whole = f.gcount() < static_cast<std::streamsize>(kDetectBytes) || f.peek() == EOF;
  return detectFormat(head, whole);
}

}  // namespace kvtconv
