// The harness behind KVT_FUZZ: scratch files, a checked session, the target
// chosen by name.
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>

#include "fuzz_common.hpp"

namespace fs = std::filesystem;

namespace kvtfuzz {

void check(bool ok, const char* what) {
  if (ok) return;
  std::fprintf(stderr, "kvtfuzz: broken promise: %s\n", what);
  std::abort();
}

namespace {

void write(const std::string& p, std::string_view bytes) {
  std::FILE* f = std::fopen(p.c_str(), "wb");
  check(f != nullptr, "scratch file could not be made");
  if (!bytes.empty()) std::fwrite(bytes.data(), 1, bytes.size(), f);
  std::fclose(f);
}

// libFuzzer ends with _Exit when its time is up, so no exit handler removes
// the directory; the next process removes those whose process is gone.
void removeStale(const fs::path& base) {
  std::error_code ec;
  for (const auto& e : fs::directory_iterator(base, ec)) {
    const std::string name = e.path().filename().string();
    if (name.rfind("kvtfuzz-", 0) != 0) continue;
    const long pid = std::strtol(name.c_str() + 8, nullptr, 10);
    if (pid > 0 && ::kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH) fs::remove_all(e.path(), ec);
  }
}

// Per process, in memory where the system has a tmpfs.
const fs::path& scratch() {
  static const fs::path dir = [] {
    std::error_code ec;
    const fs::path base = fs::is_directory("/dev/shm", ec) && ::access("/dev/shm", W_OK) == 0
                              ? fs::path("/dev/shm")
                              : fs::temp_directory_path();
    removeStale(base);
    const fs::path d = base / ("kvtfuzz-" + std::to_string(::getpid()));
    fs::create_directories(d / "par");
    // Filter on, both record formats full, the second directory (GEOLAB.TXT) here.
    write((d / "par/VOXA.PAR").string(), " 79 JA\n121 FULDT\n122 FULDT\n 52 " + d.string() + "\n");
    std::string adm;
    for (int i = 0; i < 8; ++i) adm += " 8  FUZZ\n";
    write((d / "par/VOXA.ADM").string(), adm);
    std::atexit([] { fs::remove_all(scratch()); });
    return d;
  }();
  return dir;
}

// Only what a run wrote goes; the parameter directory stays.
void clearScratch() {
  std::error_code ec;
  for (const auto& e : fs::directory_iterator(scratch(), ec))
    if (e.path().filename() != "par") fs::remove_all(e.path(), ec);
}

void checkLine(std::string_view line) {
  check(line.size() == 80, "a host line is 80 bytes");
  check(line.find('\n') == std::string_view::npos, "a host line holds no line break");
}

kvtconv::Hooks checkedHooks() {
  kvtconv::Hooks h;
  h.message = [](std::string_view line) {
    checkLine(line);
    return 0;
  };
  h.error = [](std::string_view line) {
    checkLine(line);
    return 0;
  };
  h.progress = [](std::uint64_t done, std::uint64_t total) {
    check(total == 0 || done <= total, "progress stays within the input");
  };
  h.diagnostic = [](const kvtconv::Diagnostic& d) {
    check(d.kind >= kvtconv::DiagKind::Unreadable && d.kind <= kvtconv::DiagKind::Note, "a known kind");
    check(d.line >= 0, "a line number is never negative");
    check(!d.what.empty(), "a diagnostic says what happened");
  };
  return h;
}

std::map<std::string_view, Target>& targets() {
  static std::map<std::string_view, Target> all;
  return all;
}

}  // namespace

Run::Run(const std::uint8_t* data, std::size_t size) : session_(kvtconv::newSession(checkedHooks())) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  if (size > 0) option_ = data[0];
  std::size_t from = 0;
  for (;;) {
    const std::size_t at = bytes.find(kSeparator, from);
    if (at == std::string_view::npos) break;
    // The line break before the separator ends the file it follows.
    parts_.push_back(bytes.substr(from, at + 1 - from));
    from = at + kSeparator.size();
  }
  parts_.push_back(bytes.substr(from));
  kvtconv::setTableDirectory(*session_, scratch().string());
}

Run::~Run() {
  session_.reset();
  clearScratch();
}

std::string Run::put(const char* name, std::string_view bytes) {
  const std::string p = path(name);
  write(p, bytes);
  return p;
}

std::string Run::path(const char* name) const { return (scratch() / name).string(); }

std::string Run::par() const { return (scratch() / "par").string(); }

bool add(const char* name, Target target) { return targets().emplace(name, target).second; }

int fuzz(std::string_view name, const std::uint8_t* data, std::size_t size) {
  static const Target target = [name] {
    const auto it = targets().find(name);
    check(it != targets().end(), "the target is defined");
    return it->second;
  }();
  Run run(data, size);
  target(run);
  return 0;
}

}  // namespace kvtfuzz
