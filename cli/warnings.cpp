#include "warnings.hpp"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <map>

namespace kvtcli {

namespace {

// Beyond this many different details of one kind, the rest are summed up.
constexpr std::size_t kDetailsShown = 5;

// Equal texts, looking at the last eight bytes first: the details of one
// kind differ mostly at their end (point numbers, line contents), and a
// conversion may report one for every record.
bool sameDetail(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  if (a.size() >= 8) {
    std::uint64_t x, y;
    std::memcpy(&x, a.data() + a.size() - 8, 8);
    std::memcpy(&y, b.data() + b.size() - 8, 8);
    if (x != y) return false;
  }
  return a == b;
}

std::string plural(long n, const char* one, const char* many) {
  return std::to_string(n) + " " + (n == 1 ? one : many);
}

}  // namespace

void WarningGroups::add(const kvtconv::Diagnostic& d) {
  if (d.kind == kvtconv::DiagKind::WriteFailed || d.kind == kvtconv::DiagKind::ReadFailed)
    incomplete_ = true;
  if (!last_ || d.what != lastWhat_) {
    auto it = byWhat_.find(d.what);
    if (it == byWhat_.end()) it = byWhat_.emplace(std::string(d.what), Kind{}).first;
    last_ = &it->second;
    lastWhat_.assign(d.what);
  }
  Kind& kind = *last_;
  for (const std::size_t i : kind.groups) {
    Group& g = groups_[i];
    if (!sameDetail(g.detail, d.detail)) continue;
    ++g.count;
    if (g.first == 0) g.first = d.line;
    return;
  }
  if (kind.groups.size() >= kDetailsShown) {
    ++kind.rest;
    return;
  }
  kind.groups.push_back(groups_.size());
  groups_.push_back(Group{std::string(d.what), std::string(d.detail), 1, d.line});
}

std::vector<std::string> WarningGroups::lines() const {
  std::vector<std::string> out;
  for (const Group& g : groups_) {
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
  for (const auto& [what, kind] : byWhat_)
    if (kind.rest != 0) out.push_back("warning: " + plural(kind.rest, "more line", "more lines") + ": " + what);
  return out;
}

void WarningGroups::clear() {
  groups_.clear();
  byWhat_.clear();
  last_ = nullptr;
  incomplete_ = false;
}

}  // namespace kvtcli
