#pragma once
// The GIS conversions of the command line: a catalogue (or DSFL map) to
// any OGR vector format, and the points of any GIS file to a catalogue.
// Both check everything they can before they write, and leave no output
// behind when they fail.
#include <string>
#include <vector>

#include "kvtconv.hpp"

namespace kvtgis {

// GDAL with the KVT driver registered in-process; safe to call repeatedly.
void initGdal();

struct ToGis {
  std::string parDir, input, output;
  std::string format;  // OGR driver name; empty: from the output's extension
  std::string crs;     // overrides the coordinate system parameter
  std::string targetCrs;
  std::vector<std::string> layers;  // empty: every layer that has features
  bool csvPointsOnly = false;
};
// False with `error` when nothing (or only part) could be written; the
// output is then removed.
bool kvt2gis(kvtconv::Session& s, const ToGis& o, std::string& error);

struct FromGis {
  std::string parDir, input, output;
  std::int32_t mode = 0;  // open mode of the catalogue, as the imports take it
  std::string sourceCrs, targetCrs;
  std::string numberField, codeField;
  std::vector<std::string> layers;
  int firstNumber = 1;
};
bool gis2kvt(kvtconv::Session& s, const FromGis& o, std::string& error);

// The OGR driver that writes `name` (a driver name, case-insensitive), or
// that the extension of `path` calls for; empty when none.
std::string driverByName(const std::string& name);
std::string driverForPath(const std::string& path);
// The extension of the files a driver writes ("gpkg"), empty when unknown.
std::string extensionOf(const std::string& driver);

}  // namespace kvtgis
