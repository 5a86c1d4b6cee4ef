#include "warnings.hpp"

#include <algorithm>
#include <map>

namespace kvtcli {

namespace {

// Beyond this many different details of one kind, the rest are summed up.
constexpr std::size_t kDetailsShown = 5;

std::string plural(long n, const char* one, const char* many) {
  return std::to_string(n) + " " + (n == 1 ? one : many);
}

}  // namespace

void WarningGroups::add(const kvtconv::Diagnostic& d) {
  if (d.kind == kvtconv::DiagKind::WriteFailed || d.kind == kvtconv::DiagKind::ReadFailed)
    incomplete_ = true;
  const auto it = std::find_if(groups_.begin(), groups_.end(), [&](const Group& g) {
    return g.what == d.what && g.detail == d.detail;
  });
  if (it != groups_.end()) {
    ++it->count;
    if (it->first == 0) it->first = d.line;
    return;
  }
  groups_.push_back(Group{std::string(d.what), std::string(d.detail), 1, d.line});
}

std::vector<std::string> WarningGroups::lines() const {
  std::vector<std::string> out;
  std::map<std::string, std::size_t> shown;
  std::map<std::string, long> rest;
  for (const Group& g : groups_) {
    if (shown[g.what]++ >= kDetailsShown) {
      rest[g.what] += g.count;
      continue;
    }
    std::string line = "warning: ";
    if (g.count == 1) {
      if (g.first != 0) line += "line " + std::to_string(g.first) + ": ";
      line += g.what;
    } else {
      line += std::to_string(g.count) + (g.first != 0 ? " lines: " : " times: ") + g.what;
    }
    if (!g.detail.empty()) line += ": " + g.detail;
    if (g.count > 1 && g.first != 0) line += " (first at line " + std::to_string(g.first) + ")";
    out.push_back(std::move(line));
  }
  for (const auto& [what, count] : rest)
    out.push_back("warning: " + plural(count, "more line", "more lines") + ": " + what);
  return out;
}

void WarningGroups::clear() {
  groups_.clear();
  incomplete_ = false;
}

}  // namespace kvtcli
