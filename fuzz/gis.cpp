// The KVT driver as GDAL's tools meet it: a catalogue (or, with the first
// byte odd, a DSFL map) opened through OGR and every feature of every layer
// read, fields and geometry.
#include <gdal.h>
#include <ogr_api.h>

#include <string>

#include "fuzz_common.hpp"
#include "gis/kvt_driver.hpp"

KVT_FUZZ(gdal_driver) {
  static const bool registered = [] {
    kvtgis::registerKvtDriver();
    CPLSetErrorHandler(CPLQuietErrorHandler);
    return true;
  }();
  (void)registered;
  const std::string name = (in.option() & 1) ? in.file(0, "in.dsf") : in.file(0, "in.kvt");
  const std::string parDir = "PARDIR=" + in.par();
  const char* const drivers[] = {"KVT", nullptr};
  const char* const options[] = {parDir.c_str(), nullptr};
  GDALDatasetH ds = GDALOpenEx(name.c_str(), GDAL_OF_VECTOR, drivers, options, nullptr);
  if (!ds) return;
  for (int i = 0; i < GDALDatasetGetLayerCount(ds); ++i) {
    OGRLayerH layer = GDALDatasetGetLayer(ds, i);
    OGR_L_ResetReading(layer);
    while (OGRFeatureH f = OGR_L_GetNextFeature(layer)) {
      for (int k = 0; k < OGR_F_GetFieldCount(f); ++k) (void)OGR_F_GetFieldAsString(f, k);
      if (OGRGeometryH g = OGR_F_GetGeometryRef(f)) {
        char* wkt = nullptr;
        OGR_G_ExportToWkt(g, &wkt);
        CPLFree(wkt);
      }
      OGR_F_Destroy(f);
    }
  }
  GDALClose(ds);
}
