#pragma once
// The library's diagnostics as a few warning lines: occurrences of the same
// thing are counted under the first line where they happened.
#include <cstddef>
#include <map>
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
  // Only the groups that are shown are kept, found by their kind; the
  // occurrences of the others are summed by kind. One group per point
  // number would otherwise cost memory and a search per diagnostic.
  struct Kind {
    std::vector<std::size_t> groups;  // into groups_
    long rest = 0;                    // occurrences beyond the groups shown
  };
  std::vector<Group> groups_;
  std::map<std::string, Kind, std::less<>> byWhat_;
  // The kind of the last diagnostic: a conversion that reports one thing
  // for every record sends the same text again and again.
  Kind* last_ = nullptr;
  std::string lastWhat_;
  bool incomplete_ = false;
};

}  // namespace kvtcli
