#pragma once
// The GIS layer as the command line uses it: a module, kvtconv-gis.so, that
// the program opens only when a GIS conversion runs. GDAL and PROJ bring
// about a hundred libraries; loading them on every start cost each run of
// every other subcommand a tenth of a second.
#include <cstddef>
#include <string>

#include "gis/translate.hpp"

namespace kvtgis {

struct Api {
  // Program and module share these types, so they must come from one
  // build: the version and the sizes of the shared structures must agree.
  const char* version;
  std::size_t layout;
  bool (*kvt2gis)(kvtconv::Session&, const ToGis&, std::string&);
  bool (*gis2kvt)(kvtconv::Session&, const FromGis&, std::string&);
  std::string (*driverByName)(const std::string&);
  std::string (*driverForPath)(const std::string&);
  std::string (*extensionOf)(const std::string&);
};

// On the program's side: why the module could not be loaded, empty when it
// was (loading it if it has not been tried yet).
std::string moduleError();

constexpr std::size_t kLayout = sizeof(Api) * 1000000 + sizeof(ToGis) * 1000 + sizeof(FromGis);

}  // namespace kvtgis

// The module's one entry point.
extern "C" __attribute__((visibility("default"))) const kvtgis::Api* kvtgis_module_api();
