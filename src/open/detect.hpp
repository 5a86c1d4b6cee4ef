#pragma once
// Naming the format of a file from its first few kilobytes: each format's
// line shapes are counted, and the format that explains most lines wins.
#include <cstddef>
#include <string>
#include <string_view>

namespace kvtconv {

enum class Format {
  Unknown,
  Empty,
  Catalogue,
  Rec500,
  M5,
  Sdr2,
  Sdr33,
  Gsi8,
  Gsi16,
  Geodimeter,
  Dsfl,
  SkiPoints,
  SkiVectors,
  DBase,
  FreeFormat,
};

// "KVT catalogue", "REC 500", "GSI-16", ...
const char* formatName(Format f);
// A short lower-case key for scripts: "kvt", "rec500", "gsi16", ...
const char* formatKey(Format f);

struct Detection {
  Format format = Format::Unknown;
  int confidence = 0;  // 0-100
  std::string reason;
  // What the import needs to know beyond the format.
  bool zeissHeader = false;       // REC 500 / M5: the file begins with a header block
  bool zeissCoordinates = false;  // REC 500 / M5: coordinate lines rather than observations
  bool freeLayout = false;        // free format: a "!" layout line is present
};

inline constexpr std::size_t kDetectBytes = 8192;

// `head` is the start of the file; `whole` says it is all of it (otherwise
// its last, possibly cut, line is not judged).
Detection detectFormat(std::string_view head, bool whole);
// Reads the first kDetectBytes of `path`; an unreadable file is Unknown
// with the reason.
Detection detectFile(const std::string& path);

}  // namespace kvtconv
