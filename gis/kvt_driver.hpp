#pragma once
// The OGR vector driver "KVT": a catalogue or a DSFL map as layers (points,
// lines, areas, texts, setups), and a catalogue created from the points and
// vertices of any features.
#include <memory>
#include <string>

#include <gdal_priv.h>
#include <ogr_spatialref.h>

#include "kvtconv.hpp"

namespace kvtgis {

// Registers the driver with GDAL unless a driver of that name is there.
void registerKvtDriver();

struct OpenSpec {
  std::string path;
  std::string parDir;  // empty: the default parameter directory
  std::string crs;     // empty: from the coordinate system parameter
};

// The CRS of the catalogues of a parameter directory; null when its
// coordinate system has no known EPSG code.
std::unique_ptr<OGRSpatialReference> catalogueCrs(const std::string& parDir);

// Opens a catalogue or DSFL map with the session's hooks; null with `error`.
std::unique_ptr<GDALDataset> openMap(kvtconv::Session& s, const OpenSpec& spec, std::string& error);

}  // namespace kvtgis
