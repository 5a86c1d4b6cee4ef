#include "tables.hpp"

#include <cstdio>
#include <cstdlib>
#include <filesystem>

namespace kvtcli {

namespace fs = std::filesystem;

namespace {
std::string chosen;  // set once from the command line, before any run
}  // namespace

void useTableDirectory(const std::string& dir) { chosen = dir; }

std::vector<std::string> tableDirectories() {
  if (!chosen.empty()) return {chosen};
  std::vector<std::string> dirs;
  if (const char* e = std::getenv("KVTCONV_TABLES"); e && *e) dirs.emplace_back(e);
  std::error_code ec;
  const fs::path exe = fs::read_symlink("/proc/self/exe", ec);
  if (!ec) dirs.push_back((exe.parent_path().parent_path() / "share" / "kvtconv").string());
#ifdef KVTCONV_SOURCE_TABLES
  // A program run from its build tree uses the tables of its sources.
  dirs.emplace_back(KVTCONV_SOURCE_TABLES);
#endif
  return dirs;
}

std::string tableDirectory() {
  std::error_code ec;
  if (!chosen.empty()) return chosen;
  for (const std::string& d : tableDirectories())
    if (fs::is_regular_file(fs::path(d) / kGsiLabels, ec)) return d;
  return "";
}

std::string tableOr(const std::string& given, const char* name) {
  if (!given.empty()) return given;
  const std::string dir = tableDirectory();
  return dir.empty() ? std::string() : (fs::path(dir) / name).string();
}

int runTables() {
  const std::string dir = tableDirectory();
  if (dir.empty()) {
    std::fputs("kvtconv: no default tables found; looked in:\n", stderr);
    for (const std::string& d : tableDirectories()) std::fprintf(stderr, "  %s\n", d.c_str());
    return 1;
  }
  std::printf("%s\n", dir.c_str());
  struct Row {
    const char* name;
    const char* use;
  };
  static constexpr Row kRows[] = {
      {kGsiLabels, "GSI labels (leica2kvt --labels)"},
      {kGeoConversion, "Geodimeter label conversion (geo2kvt --labels)"},
      {kGeoNames, "Geodimeter label names, used when the parameter directories hold none"},
      {kDsflCodes, "DSFL code table (kvt2dsfl, dsfl2kvt --code-table)"},
  };
  for (const Row& r : kRows) {
    const fs::path p = fs::path(dir) / r.name;
    std::error_code ec;
    std::printf("  %-16s %s%s\n", r.name, r.use, fs::is_regular_file(p, ec) ? "" : " (missing)");
  }
  return 0;
}

}  // namespace kvtcli
