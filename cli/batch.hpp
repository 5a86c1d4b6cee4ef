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
  std::string gisDriver;  // OGR driver of GIS outputs
  unsigned jobs = 0;      // 0: the number of cores
  bool keepErrors = false;
  bool quiet = false;     // no warnings from the library's diagnostics
};
int runConvert(ConvertOptions o);

// Makes the parameter files of a new parameter directory before any run, so
// that parallel runs never race to make them and a first run is not taken
// for a failed one (it says so on standard error). Returns whether
// parameter 75 asks to keep existing files.
bool prepareParameters(const std::string& par);


}  // namespace kvtcli
