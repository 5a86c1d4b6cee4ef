#pragma once
// The commands that work on whole files rather than one conversion:
// `info`, `detect` and the batch `convert`.
#include <string>
#include <vector>

namespace kvtcli {

struct InfoOptions {
  std::vector<std::string> files;
  std::string par;
  bool json = false;
};
int runInfo(const InfoOptions& o);

struct DetectOptions {
  std::vector<std::string> files;
  bool json = false;
};
int runDetect(const DetectOptions& o);

struct ConvertOptions {
  std::vector<std::string> inputs;
  std::string outDir;     // -o; empty: next to nothing given, the working directory
  std::string to;         // target format of catalogue inputs (and of imports, chained)
  std::string merge;      // one catalogue of every import, in input order
  std::string par;
  std::string mode = "new";
  std::string gsiLabels, geoLabels, codeTable, layout;
  unsigned jobs = 0;      // 0: the number of cores
  bool keepErrors = false;
  bool quiet = false;     // no warnings from the library's diagnostics
};
int runConvert(ConvertOptions o);

// A file shipped in examples/ beside the program (or $KVTCONV_EXAMPLES);
// empty when none is found.
std::string shippedExample(const std::string& relative);

}  // namespace kvtcli
