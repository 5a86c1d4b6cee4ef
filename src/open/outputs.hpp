#pragma once
// LandXML 1.2 points of a catalogue, one complete run of the session like
// the other conversions: the point filter applies, messages and error lines
// go to the session's host, and the closing line counts the points
// accepted. Coordinates are in the internal order whatever order the
// catalogue's file holds them in; texts are written as UTF-8. The GIS
// formats are written through GDAL (gis/).
// The declarations are part of the public C++ interface.
#include "kvtconv.hpp"
