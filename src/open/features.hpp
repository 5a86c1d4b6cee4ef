#pragma once
// A catalogue or a DSFL map as plain features for GIS layers and, the other
// way, plain points written as a catalogue. Coordinates are in the internal
// order: first the Y (east) value, then the X (north) value, whatever order
// the catalogue's file holds them in. Texts stay Latin-1.
#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "kvtconv.hpp"
#include "open/objects.hpp"

namespace kvtconv::open {

struct PointFeature {
  Vertex v;  // number, code, coordinates, height
  std::string task;
  std::string base;   // base code as the code system splits it, else empty
  int codeType = -1;  // -1 when the code does not split
  std::array<double, 3> extraReals{};
  std::array<bool, 3> hasExtraReal{};
};

struct TextFeature {
  double first = 0, second = 0;
  std::string code, text;
  double direction = 0, size = 0;
  bool hasDirection = false, hasSize = false;
  int position = 0;  // catalogue position code, 0 when missing
};

struct SetupFeature {
  std::string station, code;
  double instrumentHeight = 0;
  bool hasInstrumentHeight = false;
  // The station's place, when the catalogue holds it as a point.
  bool placed = false;
  double first = 0, second = 0;
};

struct MapContents {
  std::vector<PointFeature> points;  // every placed point record
  std::vector<MapObject> objects;    // built from the code types
  std::vector<TextFeature> texts;
  std::vector<SetupFeature> setups;
  std::string system;  // coordinate system parameter, trimmed
  int epsg = 0;        // 0: none known
  int decimals = 3;    // coordinate decimals of the catalogue
  // DSFL maps: the feature code ("%K..%U..") and description of each base code.
  struct Feature {
    std::string base, k, u, remark;
  };
  std::vector<Feature> features;
};

// Reads a catalogue as one run of `s` (parameters from `parDir`, the point
// filter applies). False when the run sent an error line.
bool readCatalogue(Session& s, std::string_view parDir, std::string_view input, MapContents& out);

// Reads a DSFL map through the DSFL import into a scratch catalogue, with a
// code table built from the feature codes met.
bool readDsfl(Session& s, std::string_view parDir, std::string_view input, MapContents& out);

// A point to write: coordinates in the internal order.
struct NewPoint {
  std::string number, code;  // UTF-8 is not expected here: Latin-1
  double first = 0, second = 0, height = 0;
  bool hasHeight = false;
};

// Writes the points as a catalogue with the catalogue's own point writer
// (decimals, exchange flag); `mode` is the open mode of the imports.
// False when the run sent an error line.
bool writeCatalogue(Session& s, std::string_view parDir, std::int32_t mode, std::string_view output,
                    std::vector<NewPoint>& points);

}  // namespace kvtconv::open
