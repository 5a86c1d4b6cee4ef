#pragma once
// The coordinate reference system of a catalogue, from its coordinate
// system parameter. One table maps the systems that have an EPSG code.
#include <string_view>

namespace kvtconv {

class Session;

namespace open {

// The EPSG code of a coordinate system name ("UTM", "KP2000J", ...), or 0
// when the name has none (the default "S34J", local systems).
int epsgOfSystem(std::string_view system);

// The EPSG code of the session's coordinate system (parameter 2); 0 with a
// diagnostic saying so when it has none.
int catalogueEpsg(Session& s);

}  // namespace open
}  // namespace kvtconv
