#include "catalogue/codetable.hpp"

#include <cmath>

#include "catalogue/fortran.hpp"
#include "catalogue/scan.hpp"
#include "frame/text.hpp"
#include "frame/textfile.hpp"

namespace kvtconv {

namespace {

constexpr std::size_t kLineWidth = 132;

enum Col { kCode, kDsfl, kAcc, kLevel, kColour, kStyle, kWeight, kFont, kCell, kSize, kSize2, kRemark, kTheme };

constexpr std::array<std::pair<int, int>, 13> kClassic = {{{1, 3}, {5, 14}, {17, 19}, {21, 22}, {24, 26}, {28, 28},
                                                           {30, 31}, {33, 35}, {37, 42}, {44, 50}, {52, 58}, {60, 78}, {80, 82}}};
constexpr std::array<std::pair<int, int>, 13> kWide = {{{1, 6}, {8, 17}, {20, 22}, {24, 25}, {27, 29}, {31, 31},
                                                        {33, 34}, {36, 38}, {40, 45}, {47, 53}, {55, 61}, {63, 81}, {83, 85}}};

struct Key {
  std::string_view name;
  int column;
};
constexpr Key kKeys[] = {{"TYP", kCode}, {"DSF", kDsfl}, {"LVL", kLevel}, {"COL", kColour},
                         {"STY", kStyle}, {"WGT", kWeight}, {"FON", kFont}, {"CEL", kCell},
                         {"TXT", kSize},  {"BEM", kRemark}, {"TEM", kTheme}};

std::string_view columnText(const CodeLayout& l, std::string_view line, int c) {
  const auto& col = l.columns[static_cast<std::size_t>(c)];
  if (col.first < 1 || col.last < col.first) return {};
  const auto first = static_cast<std::size_t>(col.first - 1);
  if (first >= line.size()) return {};
  return line.substr(first, static_cast<std::size_t>(col.last - col.first + 1));
}

std::int32_t readInt(std::string_view text) {
  std::size_t pos = 1;
  int err = 0;
  const std::int32_t v = rditas(text, pos, err);
  return err != 0 ? kMissingInt : v;
}

std::int32_t hundredths(std::string_view text) {
  std::size_t pos = 1;
  int err = 0;
  const double v = rdrtas(text, pos, err);
  if (err != 0 || missReal(v) || !std::isfinite(v) || std::fabs(v) > 2.0e7) return 100;
  return static_cast<std::int32_t>(std::lround(v * 100.0));
}

std::string token(std::string_view text, std::size_t width) {
  std::size_t pos = 1;
  int err = 0;
  return rdatas(text, pos, width, err);
}

}  // namespace

CodeLayout initCodeTab(TextFile* f) {
  CodeLayout l;
  std::string line;
  while (f && f->readLine(line, kLineWidth) == ReadStatus::Ok) {
    if (line.find("V6!") != std::string::npos) l.wide = true;
    if (line.empty() || line[0] != '!') continue;
    l.layoutLines = true;
    const std::string padded = fixed(line, 12);
    const std::string_view key = std::string_view(padded).substr(1, 3);
    for (const Key& k : kKeys) {
      if (key != k.name) continue;
      auto& col = l.columns[static_cast<std::size_t>(k.column)];
      col.first = readInt(std::string_view(padded).substr(5, 3));
      col.last = readInt(std::string_view(padded).substr(9, 3));
      col.present = true;
    }
  }
  if (f) f->rewind();
  if (!l.layoutLines) {
    const auto& positions = l.wide ? kWide : kClassic;
    for (std::size_t c = 0; c < CodeLayout::kColumns; ++c)
      l.columns[c] = {positions[c].first, positions[c].second, true};
  }
  return l;
}

bool rcode(const CodeLayout& l, std::string_view rawLine, CodeEntry& e) {
  const std::string line = fixed(rawLine, kLineWidth);
  if (!l.layoutLines && line.compare(0, 3, "999") == 0) return false;
  if (l.layoutLines && line[0] != '*') return false;
  const auto present = [&](int c) { return l.columns[static_cast<std::size_t>(c)].present; };
  const auto text = [&](int c) { return columnText(l, line, c); };

  if (present(kCode)) {
    const std::string code = token(text(kCode), 10);
    if (isBlank(code) || rtrim(code) == "0") return false;
    e.code = code;
  }
  if (present(kDsfl)) {
    if (!l.layoutLines) {
      const std::size_t p1 = l.wide ? 7 : 4, p2 = l.wide ? 10 : 7;
      e.k = line.substr(p1, 2);
      e.u = line.substr(p2, 7);
    } else {
      const std::string t = token(text(kDsfl), 10);
      if (t.find("%K") == std::string::npos) {
        e.k = fixed(t.substr(1, 1), 2);
        e.u = fixed(t.substr(2, 8), 7);
      } else {
        e.k = t.substr(2, 2);
        e.u = fixed(t.substr(6, 4), 7);
      }
    }
  }
  const auto integer = [&](int c, std::int32_t& out, bool keepMissing) {
    if (!present(c)) return;
    const std::int32_t v = readInt(text(c));
    out = missInt(v) && !keepMissing ? 0 : v;
  };
  integer(kAcc, e.acc, false);
  integer(kLevel, e.level, false);
  integer(kColour, e.colour, false);
  integer(kStyle, e.style, false);
  integer(kWeight, e.weight, true);
  integer(kFont, e.font, false);
  if (present(kCell)) e.cell = token(text(kCell), 6);
  if (present(kTheme)) e.theme = token(text(kTheme), 3);
  if (present(kSize)) e.textSize = hundredths(text(kSize));
  e.textSize2 = present(kSize2) ? hundredths(text(kSize2)) : e.textSize;
  if (present(kRemark)) e.remark = fixed(text(kRemark), 40);
  return true;
}

void wcode(TextFile* f, const CodeEntry& e) {
  if (!f) return;
  std::string line(85, ' ');
  const auto textField = [&](std::size_t col, std::string_view v, std::size_t width) {
    std::string t = fixed(v, width);
    if (isBlank(t)) t[0] = '-';
    putField(line, col, t, width);
  };
  textField(1, e.code, 3);
  textField(5, e.k, 2);
  textField(8, e.u, 7);
  putI(line, 17, 3, e.acc);
  putI(line, 21, 2, e.level);
  putI(line, 24, 3, e.colour);
  putI(line, 28, 1, e.style);
  putI(line, 30, 2, e.weight);
  putI(line, 33, 3, e.font);
  textField(37, e.cell, 6);
  putF(line, 44, 7, 2, e.textSize * 0.01);
  putF(line, 52, 7, 2, e.textSize2 * 0.01);
  textField(60, e.remark, 19);
  textField(80, e.theme, 3);
  f->writeLine(line);
}

}  // namespace kvtconv
