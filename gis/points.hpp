#pragma once
// Features of any GIS layer as catalogue points: a point feature is one
// point, the vertices of lines and areas are points carrying the feature's
// code. Shared by `gis2kvt` and the driver's create side.
#include <memory>
#include <string>
#include <vector>

#include <cpl_error.h>
#include <ogr_spatialref.h>
#include <ogrsf_frmts.h>

#include "open/features.hpp"

namespace kvtgis {

struct PointFields {
  std::string number;  // field names; empty: the usual names are looked for
  std::string code;
  int firstNumber = 1;  // numbers of points that bring none
};

class PointCollector {
 public:
  // `target` is the catalogue's CRS (may be null: no transformation).
  PointCollector(PointFields fields, const OGRSpatialReference* target);

  // Prepares for the features of a layer; false with `error` when a named
  // field is missing or the layer's CRS cannot be transformed to the target.
  bool bind(const OGRFeatureDefn& defn, const OGRSpatialReference* source, std::string& error) {
    return bindCrs(source, error) && bindFields(defn, error);
  }
  bool bindCrs(const OGRSpatialReference* source, std::string& error);
  // bind() for the layer `key`, unless it is the layer bound last.
  bool rebind(const void* key, const OGRFeatureDefn& defn, const OGRSpatialReference* source,
              std::string& error) {
    if (key == boundTo_) return true;
    boundTo_ = bind(defn, source, error) ? key : nullptr;
    return boundTo_ != nullptr;
  }
  bool bindFields(const OGRFeatureDefn& defn, std::string& error);
  void add(const OGRFeature& f);

  std::vector<kvtconv::open::NewPoint>& points() { return points_; }

 private:
  void addGeometry(const OGRGeometry& g, const std::string& number, const std::string& code,
                   double height, bool hasHeight);
  void addVertex(double x, double y, double z, bool hasZ, const std::string& number,
                 const std::string& code, double height, bool hasHeight);

  PointFields fields_;
  const OGRSpatialReference* target_;
  std::unique_ptr<OGRCoordinateTransformation> transform_;
  int numberField_ = -1, codeField_ = -1, heightField_ = -1;
  int next_;
  const void* boundTo_ = nullptr;
  std::vector<kvtconv::open::NewPoint> points_;
};

// GDAL's own messages kept back while it is asked something that may fail.
struct QuietErrors {
  QuietErrors() { CPLPushErrorHandler(CPLQuietErrorHandler); }
  ~QuietErrors() { CPLPopErrorHandler(); }
  QuietErrors(const QuietErrors&) = delete;
  QuietErrors& operator=(const QuietErrors&) = delete;
};

// Latin-1 text of a UTF-8 field value, and back.
std::string toLatin1(const char* utf8);
std::string toUtf8(const std::string& latin1);

// A CRS from "EPSG:n" or anything PROJ takes, in the GIS axis order
// (east first); null with `error` when PROJ does not know it.
std::unique_ptr<OGRSpatialReference> crsFrom(const std::string& text, std::string& error);
std::unique_ptr<OGRSpatialReference> crsOfEpsg(int epsg);

}  // namespace kvtgis
