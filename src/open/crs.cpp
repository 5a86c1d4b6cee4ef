#include "open/crs.hpp"

#include <string>

#include "frame/session.hpp"
#include "frame/text.hpp"

namespace kvtconv::open {

namespace {

struct SystemCrs {
  std::string_view system;
  int epsg;
};

// ETRS89 / UTM zone 32N and the three Danish transverse Mercator zones.
constexpr SystemCrs kSystems[] = {
    {"UTM", 25832},
    {"KP2000J", 2196},
    {"KP2000S", 2197},
    {"KP2000B", 2198},
};

}  // namespace

int epsgOfSystem(std::string_view system) {
  const std::string_view name = trim(system);
  for (const auto& e : kSystems)
    if (e.system == name) return e.epsg;
  return 0;
}

int catalogueEpsg(Session& s) {
  const std::string_view system = trim(s.par.text(par::kCoordSystem));
  const int epsg = epsgOfSystem(system);
  if (epsg == 0)
    s.diag(DiagKind::Note, 0, "coordinate system without a known EPSG code: no CRS written",
           system);
  return epsg;
}

}  // namespace kvtconv::open
