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
// The declarations are part of the public C++ interface.
#include "kvtconv.hpp"
