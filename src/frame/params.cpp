#include "frame/params.hpp"

#include <algorithm>
#include <atomic>

#include "catalogue/scan.hpp"
#include "frame/text.hpp"

namespace kvtconv {

namespace {

using K = ParKind;

constexpr ParDef kDefs[] = {
    {1, K::Angle, 10, "400 GON"},
    {2, K::Text, 20, "S34J"},
    {3, K::Miss, 20, "--------------------"},
    {7, K::Digit, 1, "3", 0, 9},
    {11, K::Digit, 1, "3", 1, 6},
    {42, K::YesNo, 3, "NEJ"},
    {46, K::Digit, 1, "2", 0, 4},
    {47, K::Digit, 1, "4", 0, 5},
    {48, K::Digit, 1, "3", 0, 4},
    {49, K::Digit, 1, "3", 0, 9},
    {51, K::Path, 50, ""},
    {52, K::Path, 50, ""},
    {53, K::Path, 50, ""},
    {54, K::Path, 50, ""},
    {55, K::Path, 50, ""},
    {56, K::Path, 50, ""},
    {57, K::Path, 50, ""},
    {58, K::Path, 50, ""},
    {59, K::Path, 50, ""},
    {60, K::Path, 50, ""},
    {70, K::Digit, 1, "1", 1, 4},
    {72, K::YesNo, 3, "JA "},
    {73, K::YesNo, 3, "JA "},
    {74, K::YesNo, 3, "JA "},
    {75, K::YesNo, 3, "JA "},
    {76, K::Path, 50, ""},
    {77, K::Path, 50, ""},
    {79, K::YesNo, 3, "NEJ"},
    {121, K::Text, 10, "OPR"},
    {122, K::Text, 10, "FT"},
    {123, K::Digit, 1, "3", 0, 5},
    {124, K::Digit, 1, "3", 0, 5},
    {145, K::Text, 6, "OG"},
    {146, K::Text, 10, "PNR"},
    {147, K::Text, 10, "KOTE"},
    {150, K::Text, 3, ""},
    {151, K::Text, 3, ""},
    {152, K::Text, 3, "TMP"},
    {153, K::Text, 3, "RES"},
    {154, K::Text, 3, "PLT"},
    {155, K::Text, 3, "GEO"},
    {156, K::Text, 3, "OBS"},
    {157, K::Text, 3, "PKT"},
    {158, K::Text, 3, "FIX"},
    {159, K::Text, 3, "DGN"},
    {163, K::Path, 50, ""},
    {169, K::Digit, 1, "5", 1, 9},
    {171, K::Text, 10, "31"},
    {208, K::Text, 10, "1"},
};

constexpr int kDirectoryParams[13] = {51, 52, 53, 54, 55, 56, 57, 58, 59, 60, 76, 77, 163};

constexpr std::string_view kAngleWords7[] = {"400 GON", "RAD    ", "360 GMS"};

}  // namespace

const ParDef* Params::find(int no) {
  for (const auto& d : kDefs)
    if (d.no == no) return &d;
  return nullptr;
}

namespace {
std::atomic<std::uint64_t> lastVersion{0};
}  // namespace

void Params::changed() { version_ = ++lastVersion; }

void Params::reset() {
  changed();
  for (auto& v : values_) v.clear();
  for (const auto& d : kDefs) values_[static_cast<std::size_t>(d.no)] = fixed(d.def, static_cast<std::size_t>(d.width));
}

std::string Params::missing(std::size_t width) const { return fixed(text(par::kMissingText), width); }

const std::string& Params::blankField() {
  static const std::string blank;
  return blank;
}

const std::string& Params::directory(int entry) const {
  if (entry < 1 || entry > 13) return blankField();
  return text(kDirectoryParams[entry - 1]);
}

const std::string& Params::extension(int n) const {
  if (n < 1 || n > 10) return blankField();
  return text(149 + n);
}

void Params::set(int no, std::string_view value) {
  changed();
  const ParDef* d = find(no);
  if (d) values_[static_cast<std::size_t>(no)] = fixed(value, static_cast<std::size_t>(d->width));
}

Params::Assign Params::assign(int no, std::string_view rest, std::string& shown) {
  const ParDef* d = find(no);
  if (!d) return Assign::Skipped;
  changed();
  auto& field = values_[static_cast<std::size_t>(no)];
  const auto width = static_cast<std::size_t>(d->width);
  if (d->kind == K::Angle) {
    std::string line(trim(rest));
    low2up(line);
    shown = line;
    const std::string head = fixed(line, 8);
    const bool ok = std::find(std::begin(kAngleWords7), std::end(kAngleWords7),
                              std::string_view(head).substr(0, 7)) != std::end(kAngleWords7) ||
                    head == "360 GRAD";
    field = fixed(head, width);
    return ok ? Assign::Ok : Assign::Bad;
  }
  if (d->kind == K::Path) {
    shown = std::string(trim(rest));
    field = fixed(shown, width);
    return Assign::Ok;
  }
  std::size_t pos = 1;
  int err = 0;
  const std::string read(rtrim(rdatas(rest, pos, 80, err, ' ')));
  shown = read;
  if (err == -1) return Assign::Bad;
  // The token is cut to the field before it is checked: "YESSIR" in a
  // three-character yes/no field is "YES".
  field = fixed(read, width);
  const std::string_view token = rtrim(field);
  switch (d->kind) {
    case K::Digit:
      return token.size() == 1 && token[0] >= '0' + d->lo && token[0] <= '0' + d->hi ? Assign::Ok
                                                                                      : Assign::Bad;
    case K::YesNo: {
      std::string word;
      if (!chkSprog(token, word)) return Assign::Bad;
      field = fixed(word, width);
      return Assign::Ok;
    }
    case K::Miss:
      return (!token.empty() && token[0] >= '0' && token[0] <= '9') ? Assign::Bad : Assign::Ok;
    default:
      return Assign::Ok;
  }
}

bool chkSprog(std::string_view answer, std::string& word) {
  const std::string_view a = rtrim(answer);
  if (a == "JA" || a == "YES") {
    word = std::string(kYes);
    return true;
  }
  if (a == "NEJ" || a == "NO") {
    word = std::string(kNo);
    return true;
  }
  word = std::string(answer);
  return false;
}

void AdminData::reset() {
  for (auto& l : lines) l = fixed("", 80);
  lines[5] = fixed("TEST", 80);
  taskName = fixed("TEST", 80);
  taskText = fixed("TEST", 12);
}

// The design leaves the lines of journal number and initials to us: the two
// lines after the task name.
std::string AdminData::journal() const { return fixed(lines[6], 8); }
std::string AdminData::initials() const { return fixed(lines[7], 8); }

}  // namespace kvtconv
