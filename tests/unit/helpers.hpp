#pragma once
// Shared test fixtures: a scratch directory, whole-file I/O and a session
// that records every line it sends.
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "catalogue/point.hpp"
#include "catalogue/record.hpp"
#include "frame/session.hpp"
#include "frame/text.hpp"

namespace kvttest {

// A small deterministic generator (xorshift) for tests that compare a fast
// way with an exact one over many values.
class Numbers {
 public:
  explicit Numbers(std::uint64_t seed) : state_(seed) {}
  std::uint64_t operator()() {
    state_ ^= state_ << 13;
    state_ ^= state_ >> 7;
    state_ ^= state_ << 17;
    return state_;
  }

 private:
  std::uint64_t state_;
};

namespace fs = std::filesystem;

class TempDir {
 public:
  TempDir() {
    static int serial = 0;
    path_ = fs::temp_directory_path() /
            ("kvtconv-test-" + std::to_string(::getpid()) + "-" + std::to_string(++serial));
    fs::remove_all(path_);
    fs::create_directories(path_);
  }
  ~TempDir() {
    std::error_code ec;
    fs::permissions(path_, fs::perms::owner_all, fs::perm_options::add, ec);
    fs::remove_all(path_, ec);
  }
  std::string operator/(const std::string& name) const { return (path_ / name).string(); }
  std::string str() const { return path_.string(); }

 private:
  fs::path path_;
};

inline void writeFile(const std::string& path, const std::string& bytes) {
  std::ofstream f(path, std::ios::binary);
  f << bytes;
}

inline std::string readFile(const std::string& path) {
  std::ifstream f(path, std::ios::binary);
  std::ostringstream ss;
  ss << f.rdbuf();
  return ss.str();
}

// A session whose host keeps every line; answers can be scripted.
struct Recorder {
  std::vector<std::string> messages, errors;
  // Diagnostics as "LINE what: detail" (": detail" only when there is one).
  std::vector<std::string> diagnostics;
  int stopAfterMessages = -1;  // answer 1 to this message (1-based)
  int silenceAfterErrors = -1;
  kvtconv::Hooks hooks() {
    kvtconv::Hooks h;
    h.message = [this](std::string_view l) {
      messages.emplace_back(l);
      return static_cast<int>(messages.size()) == stopAfterMessages ? 1 : 0;
    };
    h.error = [this](std::string_view l) {
      errors.emplace_back(l);
      return static_cast<int>(errors.size()) == silenceAfterErrors ? 1 : 0;
    };
    h.diagnostic = [this](const kvtconv::Diagnostic& d) {
      std::string t = std::to_string(d.line) + " " + std::string(d.what);
      if (!d.detail.empty()) t += ": " + std::string(d.detail);
      diagnostics.push_back(std::move(t));
    };
    return h;
  }
};

// A parameter directory with a VOXA.PAR of the given lines and a default VOXA.ADM.
inline std::string parDir(const TempDir& dir, const std::string& parLines = "") {
  const std::string d = dir / "par";
  fs::create_directories(d);
  writeFile(d + "/VOXA.PAR", parLines);
  std::string adm;
  for (int i = 1; i <= 8; ++i) adm += i == 6 ? " 8  TEST\n" : " 8\n";
  writeFile(d + "/VOXA.ADM", adm);
  return d;
}

inline std::string rtrim(const std::string& s) {
  const auto e = s.find_last_not_of(' ');
  return e == std::string::npos ? std::string() : s.substr(0, e + 1);
}

}  // namespace kvttest

namespace kvttest {

inline std::vector<std::string> readLines(const std::string& path) {
  std::vector<std::string> out;
  std::string bytes = readFile(path), line;
  for (char c : bytes) {
    if (c == '\n') {
      out.push_back(line);
      line.clear();
    } else {
      line += c;
    }
  }
  if (!line.empty()) out.push_back(line);
  return out;
}

// The point records of a catalogue, decoded.
inline std::vector<kvtconv::Point> pointsOf(kvtconv::Session& s, const std::string& path) {
  std::error_code ec;
  auto f = kvtconv::TextFile::openRead(path, ec);
  std::vector<kvtconv::Point> out;
  std::string line;
  int type = 0;
  while (kvtconv::rdrec(f.get(), line, 80, type) == kvtconv::ReadStatus::Ok)
    if (type == 6) out.push_back(kvtconv::rpkt(s, line));
  return out;
}

// dBASE III tables built byte by byte: header, field descriptors, 0x0D,
// the records (each led by its deletion byte), 0x1A.
struct DbCol {
  std::string name;
  char type;
  int length;
};

inline std::string dbfRecord(const std::vector<DbCol>& cols, const std::vector<std::string>& values,
                             char deletion = ' ') {
  std::string r(1, deletion);
  for (std::size_t i = 0; i < cols.size(); ++i)
    r += kvtconv::fixed(i < values.size() ? values[i] : "", static_cast<std::size_t>(cols[i].length));
  return r;
}

inline std::string dbfTable(const std::vector<DbCol>& cols, const std::vector<std::string>& records) {
  auto put = [](std::string& t, std::size_t at, std::size_t v, int bytes) {
    for (int b = 0; b < bytes; ++b) t[at + static_cast<std::size_t>(b)] = static_cast<char>(v >> (8 * b) & 0xFF);
  };
  std::size_t recLength = 1;
  for (const auto& c : cols) recLength += static_cast<std::size_t>(c.length);
  std::string t(32, '\0');
  t[0] = 0x03, t[1] = 124, t[2] = 5, t[3] = 17;  // version, date of last update
  put(t, 4, records.size(), 4);
  put(t, 8, 32 + 32 * cols.size() + 1, 2);
  put(t, 10, recLength, 2);
  for (const auto& c : cols) {
    std::string d(32, '\0');
    c.name.copy(d.data(), 10);
    d[11] = c.type;
    d[16] = static_cast<char>(c.length);
    t += d;
  }
  t += '\x0D';
  for (const auto& r : records) t += r;
  return t + '\x1A';
}

}  // namespace kvttest
