#include "frame/filter.hpp"

#include "catalogue/codes.hpp"
#include "catalogue/fortran.hpp"
#include "catalogue/record.hpp"
#include "frame/files.hpp"
#include "frame/session.hpp"
#include "frame/text.hpp"

namespace kvtconv {

namespace {

int lengthOf(std::string_view s) { return isBlank(s) ? 0 : chrnbl(s).last; }

bool anyRange(const std::vector<std::pair<std::string, std::string>>& ranges,
              std::string_view value) {
  for (const auto& [from, to] : ranges)
    if (inRange(value, from, to)) return true;
  return false;
}

}  // namespace

int setfil(Session& s) {
  if (!s.par.yes(par::kFilterOn)) return 0;
  s.filter.numbers.clear();
  s.filter.codes.clear();
  return 0;
}

int setfil2(Session& s, std::string_view name) {
  constexpr int kCh = 14;
  const std::string_view n = trim(name);
  if (n == "-") return 0;
  s.filter.numbers.clear();
  s.filter.codes.clear();
  if (n.empty() || opfile(s, kCh, n, -1, 0, Access::Read) != open_status::kOpened || !s.channel(kCh)) {
    s.par.set(par::kFilterOn, "NEJ");
    return 1;
  }
  s.par.set(par::kFilterOn, "JA ");
  TextFile* f = s.channel(kCh);
  std::string line;
  int type = 0;
  int status = 0;
  for (;;) {
    const ReadStatus st = rdrec(f, line, 80, type);
    if (st == ReadStatus::End) break;
    if (st == ReadStatus::Error) {
      s.wrerr("Fejl i format af katalog");
      status = 2;
      break;
    }
    if (type != 47 && type != 48) continue;
    auto& ranges = type == 47 ? s.filter.numbers : s.filter.codes;
    const std::size_t width = type == 47 ? 12 : 10;
    if (ranges.size() >= kMaxRanges) {
      s.wrerr("FEJL: For mange punkter i katalog (max. " + fieldI(static_cast<std::int64_t>(kMaxRanges), 5) +
              " punkter i alt)");
      status = 2;
      break;
    }
    const std::string_view body = trim(line);
    const std::size_t gt = body.find('>');
    if (gt == std::string_view::npos) {
      ranges.emplace_back(fixed(body, width), fixed(body, width));
    } else {
      ranges.emplace_back(fixed(trim(body.substr(0, gt)), width), fixed(trim(body.substr(gt + 1)), width));
    }
  }
  s.closeChannel(kCh);
  return status;
}

bool inRange(std::string_view value, std::string_view from, std::string_view to) {
  const std::string_view v = rtrim(value), f = rtrim(from), t = rtrim(to);
  if (f == t && v == f) return true;
  const int lv = lengthOf(value), lf = lengthOf(from), lt = lengthOf(to);
  if (lv > lf && lv < lt) return true;
  if (lv == lf && lv == lt) return v >= f && v <= t;
  if (lv == lf) return v >= f;
  if (lv == lt) return v <= t;
  return false;
}

bool filter(Session& s, std::string_view number, std::string_view code) {
  if (!s.par.yes(par::kFilterOn)) return false;
  const bool both = sameText(s.par.text(par::kFilterType), "OG");
  bool numberPassed = true, codePassed = true;
  if (!s.filter.numbers.empty() && !sameText(number, "IGRTABEL"))
    numberPassed = anyRange(s.filter.numbers, fixed(number, 12));
  if (!s.filter.codes.empty() && !(both && !numberPassed)) {
    std::string c = fixed(code, 10), base = c;
    int type = 0;
    findkod(s, c, base, type);
    codePassed = anyRange(s.filter.codes, base);
  }
  return both ? !(numberPassed && codePassed) : !(numberPassed || codePassed);
}

}  // namespace kvtconv
