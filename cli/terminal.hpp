#pragma once
// What the command-line host does with the library's lines: UTF-8 on a UTF-8
// terminal, a progress bar on an interactive stderr, and an error count.
#include <cstdint>
#include <string>
#include <string_view>

#include "kvtconv.hpp"
#include "warnings.hpp"

namespace kvtcli {

class Terminal {
 public:
  // `messagesToStderr`: standard output carries the converted file.
  explicit Terminal(bool quiet = false, bool messagesToStderr = false);
  kvtconv::Hooks hooks();
  int errors() const { return errors_; }
  // Prints the warnings gathered since the last call (unless quiet). A file
  // that could not be written or read among them counts as an error, and
  // the result says so: such an output is never kept.
  bool flushWarnings();

 private:
  void print(std::FILE* out, std::string_view line);
  void progress(std::uint64_t done, std::uint64_t total);
  void clearBar();

  bool utf8_ = false;
  bool bar_ = false;
  bool barShown_ = false;
  int lastPercent_ = -1;
  int errors_ = 0;
  bool quiet_ = false;
  bool messagesToStderr_ = false;
  WarningGroups warnings_;
};

std::string latin1ToUtf8(std::string_view s);
// Whether the user's locale is UTF-8, read without making it the process's.
bool localeIsUtf8();

}  // namespace kvtcli
