#include "catalogue/codes.hpp"

#include "frame/session.hpp"
#include "frame/text.hpp"

namespace kvtconv {

namespace {

bool digitAt(const std::string& s, std::size_t i, int& out) {
  const char c = i < s.size() ? s[i] : ' ';
  if (c == ' ') {
    out = 0;
    return true;
  }
  if (c < '0' || c > '9') return false;
  out = c - '0';
  return true;
}

int splitFixedLength(const std::string& code, int len, int n, std::string& base, int& type) {
  if (len == n) {
    base = fixed(std::string_view(code).substr(0, static_cast<std::size_t>(len)), 10);
    return 0;
  }
  if (len == n + 1 || len == n + 2) {
    const auto at = static_cast<std::size_t>(n);  // the type digit follows the base
    if (!digitAt(code, at, type)) return 1;
    base = fixed(std::string_view(code).substr(0, at), 10);
    return 0;
  }
  return 1;
}

int splitSuffix2(Session& s, const std::string& code, std::size_t dot, int len, std::string& base,
                 int& type, bool& ordered) {
  const std::string suffix =
      fixed(std::string_view(code).substr(dot + 1, static_cast<std::size_t>(len) - dot - 1), 5);
  base = fixed(std::string_view(code).substr(0, dot), 10);
  base.replace(7, 3, suffix.substr(0, 3));
  const int last = isBlank(suffix) ? 0 : chrnbl(suffix).last;
  if (last == 3) type = 1;
  else if (last == 4) {
    switch (suffix[3]) {
      case '4': type = 1; break;
      case '6': type = 8; break;
      case '9':
        ordered = true;
        type = 2;
        s.codePending = 1;
        break;
      case '8':
        ordered = true;
        type = s.codePending == 1 ? 1 : 2;
        if (s.codePending == 1) s.codePending = 0;
        break;
      default: type = 0; break;
    }
  }
  return 0;
}

int splitSuffixDigit(bool system4, const std::string& code, std::size_t dot, int len,
                     std::string& base, int& type) {
  base = fixed(std::string_view(code).substr(0, dot), 10);
  const std::string suffix =
      fixed(std::string_view(code).substr(dot + 1, static_cast<std::size_t>(len) - dot - 1), 5);
  if (isBlank(suffix)) return 0;
  if (suffix[0] < '0' || suffix[0] > '9') return 1;
  type = suffix[0] - '0';
  if (system4 && type == 9 && chrnbl(suffix).last == 2 && suffix[1] == '9') type = 8;
  return 0;
}

}  // namespace

int findkod(Session& s, std::string& code, std::string& base, int& type) {
  bool ordered = false;
  return findkod(s, code, base, type, ordered);
}

int findkod(Session& s, std::string& code, std::string& base, int& type, bool& ordered) {
  type = 0;
  ordered = false;
  code = fixed(code, 10);
  stgbln(code);
  const int len = chrnbl(code).last;
  const char system = s.par.text(par::kCodeSystem)[0];
  if (system == '1') return splitFixedLength(code, len, s.par.digit(par::kCodeLength), base, type);
  if (system != '2' && system != '3' && system != '4') return 0;
  const auto dot = std::string_view(code).substr(0, static_cast<std::size_t>(len)).find('.');
  if (dot == std::string_view::npos) {
    base = code;
    return 0;
  }
  if (system == '2') return splitSuffix2(s, code, dot, len, base, type, ordered);
  return splitSuffixDigit(system == '4', code, dot, len, base, type);
}

void dankod(const Session& s, std::string& code, const std::string& base, int type) {
  const char system = s.par.text(par::kCodeSystem)[0];
  if (system != '1' && system != '3' && system != '4') return;
  const char t = (type >= 0 && type <= 9) ? static_cast<char>('0' + type) : '*';
  std::string out(trim(base.substr(0, std::min<std::size_t>(base.size(), 10))));
  if (system != '1') out += '.';
  out += t;
  if (system == '4') out += (t == '8') ? '9' : (t == '9') ? '8' : '0';
  code = fixed(out, 10);
}

}  // namespace kvtconv
