#include "frame/parfiles.hpp"

#include <charconv>
#include <cstdlib>
#include <ctime>

#include "catalogue/fortran.hpp"
#include "catalogue/record.hpp"
#include "frame/files.hpp"
#include "frame/session.hpp"
#include "frame/text.hpp"

namespace kvtconv {

namespace {

// Channels of the parameter files; distinct from every conversion's own.
constexpr int kAdmChannel = 90;
constexpr int kParChannel = 91;

void readAdmin(Session& s, const std::string& path) {
  int st = opfile(s, kAdmChannel, path, 1, 0, Access::Read);
  if (st == open_status::kMissing) {
    s.wrerr(" Fil med adm. oplysninger (VOXA.ADM) findes ikke");
    if (opfile(s, kAdmChannel, path, 0, 0) == open_status::kOpened) {
      TextFile* f = s.channel(kAdmChannel);
      for (const auto& l : s.adm.lines) wkom(f, l);
      f->endHere();
    }
    s.closeChannel(kAdmChannel);
    return;
  }
  if (st != open_status::kOpened) return;
  TextFile* f = s.channel(kAdmChannel);
  std::string line;
  for (auto& admLine : s.adm.lines) {
    int type = 0;
    const ReadStatus rs = rdrec(f, line, 80, type);
    if (rs == ReadStatus::End) break;
    if (rs != ReadStatus::Ok) {
      s.wrerr(" Fejl i adm. oplysninger (VOXA.ADM)");
      break;
    }
    admLine = fixed(std::string_view(line).substr(4), 80);
    dkdoswin(admLine);
  }
  s.adm.taskName = fixed(rtrim(s.adm.lines[5]), 80);
  s.closeChannel(kAdmChannel);
}

bool isExchangeSystem(const std::string& coordSystem) {
  static constexpr std::string_view kSystems[] = {"UTM",     "NTM",     "DKS", "KP2000J",
                                                  "KP2000S", "KP2000B", "NE"};
  for (auto sys : kSystems)
    if (coordSystem == fixed(sys, 20)) return true;
  return false;
}

}  // namespace

void dattid(Session& s) {
  std::time_t now = std::time(nullptr);
  bool utc = false;
  if (const char* epoch = std::getenv("SOURCE_DATE_EPOCH")) {
    long long v = 0;
    const char* end = epoch + std::char_traits<char>::length(epoch);
    if (auto r = std::from_chars(epoch, end, v); r.ec == std::errc{} && r.ptr == end) {
      now = static_cast<std::time_t>(v);
      utc = true;
    }
  }
  std::tm tm{};
#ifdef _WIN32
  utc ? gmtime_s(&tm, &now) : localtime_s(&tm, &now);
#else
  utc ? gmtime_r(&now, &tm) : localtime_r(&now, &tm);
#endif
  char d[9];
  formatI(d, 4, tm.tm_year + 1900);
  formatI(d + 4, 2, tm.tm_mon + 1);
  formatI(d + 6, 2, tm.tm_mday);
  char t[8] = {' ', ' ', ' ', ' ', ' ', ' ', ' ', ' '};
  formatI(t, 2, tm.tm_hour);
  formatI(t + 2, 2, tm.tm_min);
  for (char* p = d; p != d + 8; ++p)
    if (*p == ' ') *p = '0';
  for (char* p = t; p != t + 4; ++p)
    if (*p == ' ') *p = '0';
  s.date.assign(d, 8);
  s.time.assign(t, 8);
}

void rpar(Session& s, const std::string& path) {
  s.parameterError = false;
  const int st = opfile(s, kParChannel, path, 1, 0, Access::Read);
  if (st == open_status::kMissing) {
    s.wrerr("Fil med systemparametre (VOXA.PAR) findes ikke");
    if (opfile(s, kParChannel, path, 0, 0) == open_status::kOpened) s.channel(kParChannel)->endHere();
    s.closeChannel(kParChannel);
    s.parameterError = true;
    return;
  }
  if (st != open_status::kOpened) {
    s.parameterError = true;
    return;
  }
  TextFile* f = s.channel(kParChannel);
  std::string line;
  for (;;) {
    int no = 0;
    const ReadStatus rs = rdrec(f, line, 80, no);
    if (rs == ReadStatus::End) break;
    if (rs != ReadStatus::Ok) {
      s.wrerr(" Der er fejl i parameterfil format: VOXA.PAR");
      s.parameterError = true;
      break;
    }
    if (isBlank(line) && no == 8) continue;
    if (no < 1 || no > Params::kMaxNumber) continue;
    std::string shown;
    if (s.par.assign(no, line, shown) != Params::Assign::Bad) continue;
    std::string msg = " Fejl i parameterfil: VOXA.PAR, linie: ";
    char num[3];
    formatI(num, 3, no);
    msg.append(num, 3);
    msg += " ,v\xE6rdi: ";
    msg += fixed(shown, 25);
    s.wrerr(msg);
    s.parameterError = true;
  }
  s.closeChannel(kParChannel);
}

void getpar(Session& s, std::string_view dir) {
  s.par.reset();
  s.adm.reset();
  s.errorsSilenced = false;
  const std::string_view d = rtrim(dir.substr(0, std::min<std::size_t>(dir.size(), 255)));
  const std::string admPath = findFixedName(d, "VOXA.ADM");
  const std::string parPath = findFixedName(d, "VOXA.PAR");
  dattid(s);
  readAdmin(s, admPath);
  dkdoswin(s.title);
  s.adm.taskText = fixed(s.adm.taskName, 12);
  rpar(s, parPath);
  s.exchange = isExchangeSystem(s.par.text(par::kCoordSystem));
  s.axisMark = s.exchange ? 'E' : 'W';
}

}  // namespace kvtconv
