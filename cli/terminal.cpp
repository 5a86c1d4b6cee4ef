#include "terminal.hpp"

#include <cstdio>
#include <cstring>
#include <langinfo.h>
#include <locale.h>
#include <unistd.h>

namespace kvtcli {

bool localeIsUtf8() {
  // Read the user's locale without making it the process locale, so no
  // library routine ever formats or classifies our bytes by it.
  locale_t loc = newlocale(LC_CTYPE_MASK, "", static_cast<locale_t>(nullptr));
  if (!loc) return false;
  const char* cs = nl_langinfo_l(CODESET, loc);
  const bool utf8 = cs && (std::strcmp(cs, "UTF-8") == 0 || std::strcmp(cs, "utf8") == 0);
  freelocale(loc);
  return utf8;
}

namespace {

// Inputs smaller than this finish before a bar would help.
constexpr std::uint64_t kBarMinimum = 8u << 20;

}  // namespace

std::string latin1ToUtf8(std::string_view s) {
  std::string out;
  out.reserve(s.size() + 8);
  for (const char ch : s) {
    const auto c = static_cast<unsigned char>(ch);
    if (c < 0x80) {
      out += ch;
    } else {
      out += static_cast<char>(0xC0 | (c >> 6));
      out += static_cast<char>(0x80 | (c & 0x3F));
    }
  }
  return out;
}

Terminal::Terminal(bool quiet, bool messagesToStderr)
    : utf8_(localeIsUtf8()),
      bar_(isatty(STDERR_FILENO) != 0),
      quiet_(quiet),
      messagesToStderr_(messagesToStderr) {}

kvtconv::Hooks Terminal::hooks() {
  kvtconv::Hooks h;
  h.message = [this](std::string_view line) {
    print(messagesToStderr_ ? stderr : stdout, line);
    return 0;
  };
  h.error = [this](std::string_view line) {
    ++errors_;
    print(stderr, line);
    return 0;
  };
  h.diagnostic = [this](const kvtconv::Diagnostic& d) { warnings_.add(d); };
  if (bar_) h.progress = [this](std::uint64_t done, std::uint64_t total) { progress(done, total); };
  return h;
}

void Terminal::print(std::FILE* out, std::string_view line) {
  clearBar();
  const auto end = line.find_last_not_of(' ');
  line = end == std::string_view::npos ? std::string_view{} : line.substr(0, end + 1);
  const std::string text = utf8_ ? latin1ToUtf8(line) : std::string(line);
  std::fwrite(text.data(), 1, text.size(), out);
  std::fputc('\n', out);
  std::fflush(out);
}

bool Terminal::flushWarnings() {
  if (!quiet_)
    for (const std::string& w : warnings_.lines()) print(stderr, w);
  const bool incomplete = warnings_.incomplete();
  warnings_.clear();
  if (incomplete) ++errors_;
  return incomplete;
}

void Terminal::progress(std::uint64_t done, std::uint64_t total) {
  if (total < kBarMinimum || done > total) return;
  const int percent = static_cast<int>(done * 100 / total);
  if (percent == lastPercent_) return;
  lastPercent_ = percent;
  char bar[64];
  const int filled = percent * 40 / 100;
  std::memset(bar, '#', static_cast<std::size_t>(filled));
  std::memset(bar + filled, '.', static_cast<std::size_t>(40 - filled));
  bar[40] = '\0';
  std::fprintf(stderr, "\r[%s] %3d%%", bar, percent);
  std::fflush(stderr);
  barShown_ = percent < 100;
  if (!barShown_) std::fputs("\r\033[K", stderr);
}

void Terminal::clearBar() {
  if (!barShown_) return;
  std::fputs("\r\033[K", stderr);
  barShown_ = false;
}

}  // namespace kvtcli
