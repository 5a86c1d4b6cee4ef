// Entry points GDAL calls when it loads ogr_KVT.so from its plugin path.
#include <cpl_port.h>

#include "gis/kvt_driver.hpp"

extern "C" {
__attribute__((visibility("default"))) void GDALRegister_KVT();
__attribute__((visibility("default"))) void GDALRegisterMe();
}

void GDALRegister_KVT() { kvtgis::registerKvtDriver(); }
void GDALRegisterMe() { kvtgis::registerKvtDriver(); }
