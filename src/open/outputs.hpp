#pragma once
// Open outputs of a catalogue: a CSV point list, a GeoJSON feature
// collection of points, lines and areas, and LandXML 1.2 points. Each call
// is one complete run of the session, like the other conversions: the point
// filter applies, messages and error lines go to the session's host, and
// the closing line counts the points accepted.
//
// Coordinates are written in the catalogue's column order: the first
// column is the Y (east) value, the second the X (north) value, whatever
// order the coordinate system gives the internal one. Texts are written as
// UTF-8.
#include <string_view>

namespace kvtconv {

class Session;

// One line per point record: number,code,first_y_east,second_x_north,height;
// a missing value is an empty field.
void kvt2csv(Session& s, std::string_view parDir, std::string_view input, std::string_view output);

// Points with both coordinates, built into map objects from their code
// types (open/objects.hpp): single points, LineStrings and Polygons; text
// records become points carrying their text.
void kvt2geojson(Session& s, std::string_view parDir, std::string_view input,
                 std::string_view output);

// Points with both coordinates as LandXML 1.2 CgPoint elements
// ("northing easting elevation").
void kvt2landxml(Session& s, std::string_view parDir, std::string_view input,
                 std::string_view output);

}  // namespace kvtconv
