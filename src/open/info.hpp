#pragma once
// A summary of a catalogue: records by type, the extent of the points, the
// point codes used and the lines that are no record. One pass; only the
// code counts grow with the file.
#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace kvtconv {

class Session;

struct CatalogueInfo {
  // Line numbers of lines that are no record; only the first kKeptLines
  // are kept, `unparsed` counts them all.
  static constexpr std::size_t kKeptLines = 1000;
  // Distinct record types counted one by one; the rest go to `otherTypes`.
  static constexpr std::size_t kKeptTypes = 200;

  std::uint64_t lines = 0;
  std::uint64_t blank = 0;
  std::map<int, std::uint64_t> types;  // parsed records by record type
  std::uint64_t otherTypes = 0;
  std::uint64_t unparsed = 0;
  std::vector<std::uint64_t> unparsedLines;

  std::uint64_t points = 0;
  std::uint64_t placed = 0;     // points with both plane coordinates
  std::uint64_t withHeight = 0;
  // Extent in the catalogue's column order: first column, second column, height.
  double min[3] = {0, 0, 0}, max[3] = {0, 0, 0};
  std::map<std::string, std::uint64_t> codes;  // point codes, trimmed
  std::uint64_t uncoded = 0;                   // points whose code is missing
  bool readError = false;
};

// Reads the catalogue `input` as one run of `s` (parameters from `parDir`:
// missing-value text, coordinate order). Open and read failures are error
// lines of the run.
CatalogueInfo catalogueInfo(Session& s, std::string_view parDir, std::string_view input);

// The summary as UTF-8 text for a terminal and as a JSON object; `name` is
// the file name as given (UTF-8).
std::string infoText(const CatalogueInfo& info, std::string_view name);
std::string infoJson(const CatalogueInfo& info, std::string_view name);

}  // namespace kvtconv
