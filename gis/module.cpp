// The entry point of kvtconv-gis.so.
#include "gis/module.hpp"

const kvtgis::Api* kvtgis_module_api() {
  static const kvtgis::Api api{KVTCONV_VERSION,     kvtgis::kLayout,         &kvtgis::kvt2gis,
                               &kvtgis::gis2kvt,    &kvtgis::driverByName,   &kvtgis::driverForPath,
                               &kvtgis::extensionOf};
  return &api;
}
