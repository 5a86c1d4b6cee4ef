#pragma once
// What the command-line host does with the library's lines: UTF-8 on a UTF-8
// terminal, a progress bar on an interactive stderr, and an error count.
#include <cstdint>
#include <string>
#include <string_view>

#include "kvtconv.hpp"

namespace kvtcli {

class Terminal {
 public:
  Terminal();
  kvtconv::Hooks hooks();
  int errors() const { return errors_; }

 private:
  void print(std::FILE* out, std::string_view line);
  void progress(std::uint64_t done, std::uint64_t total);
  void clearBar();

  bool utf8_ = false;
  bool bar_ = false;
  bool barShown_ = false;
  int lastPercent_ = -1;
  int errors_ = 0;
};

std::string latin1ToUtf8(std::string_view s);

}  // namespace kvtcli
