#include "frame/filter.hpp"

#include "catalogue/codes.hpp"
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
