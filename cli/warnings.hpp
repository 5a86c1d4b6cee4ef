#pragma once
// The library's diagnostics as a few warning lines: occurrences of the same
// thing are counted under the first line where they happened.
#include <cstddef>
#include <string>
#include <vector>

#include "kvtconv.hpp"

namespace kvtcli {

class WarningGroups {
 public:
  void add(const kvtconv::Diagnostic& d);
  // One line per group, "warning: " included, without a line end.
  std::vector<std::string> lines() const;
  // A file could not be read or written: the output is incomplete.
  bool incomplete() const { return incomplete_; }
  bool empty() const { return groups_.empty(); }
  void clear();

 private:
  struct Group {
    std::string what, detail;
    long count = 0;
    long first = 0;  // first line, 0 when none
  };
  std::vector<Group> groups_;
  bool incomplete_ = false;
};

}  // namespace kvtcli
