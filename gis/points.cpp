#include "gis/points.hpp"

#include <cpl_conv.h>
#include <cpl_error.h>
#include <cpl_string.h>

#include <cmath>

namespace kvtgis {

namespace {

int findField(const OGRFeatureDefn& defn, const std::string& named,
              std::initializer_list<const char*> usual) {
  if (!named.empty()) return defn.GetFieldIndex(named.c_str());
  for (const char* n : usual)
    if (const int i = defn.GetFieldIndex(n); i >= 0) return i;
  return -1;
}

}  // namespace

std::string toLatin1(const char* utf8) {
  char* r = CPLRecode(utf8 ? utf8 : "", CPL_ENC_UTF8, CPL_ENC_ISO8859_1);
  std::string s(r);
  CPLFree(r);
  return s;
}

std::string toUtf8(const std::string& latin1) {
  char* r = CPLRecode(latin1.c_str(), CPL_ENC_ISO8859_1, CPL_ENC_UTF8);
  std::string s(r);
  CPLFree(r);
  return s;
}

std::unique_ptr<OGRSpatialReference> crsFrom(const std::string& text, std::string& error) {
  auto srs = std::make_unique<OGRSpatialReference>();
  QuietErrors quiet;
  if (srs->SetFromUserInput(text.c_str(), OGRSpatialReference::SET_FROM_USER_INPUT_LIMITATIONS) !=
      OGRERR_NONE) {
    error = "unknown coordinate reference system \"" + text + "\"";
    return nullptr;
  }
  srs->SetAxisMappingStrategy(OAMS_TRADITIONAL_GIS_ORDER);
  return srs;
}

std::unique_ptr<OGRSpatialReference> crsOfEpsg(int epsg) {
  std::string error;
  return epsg == 0 ? nullptr : crsFrom("EPSG:" + std::to_string(epsg), error);
}

PointCollector::PointCollector(PointFields fields, const OGRSpatialReference* target)
    : fields_(std::move(fields)), target_(target), next_(fields_.firstNumber) {}

bool PointCollector::bindFields(const OGRFeatureDefn& defn, std::string& error) {
  numberField_ = findField(defn, fields_.number, {"number", "NUMBER", "name", "NAME", "pnr", "PNR", "point", "id"});
  codeField_ = findField(defn, fields_.code, {"code", "CODE", "kode", "KODE", "Layer", "layer"});
  heightField_ = findField(defn, "", {"height", "HEIGHT", "elevation", "z", "Z"});
  const std::string layer = defn.GetName();
  for (const auto& [named, index] : {std::pair{fields_.number, numberField_}, std::pair{fields_.code, codeField_}})
    if (!named.empty() && index < 0) {
      error = "layer " + layer + " has no field \"" + named + "\"";
      return false;
    }
  return true;
}

bool PointCollector::bindCrs(const OGRSpatialReference* source, std::string& error) {
  boundTo_ = nullptr;
  transform_.reset();
  if (!source || !target_ || source->IsSame(target_)) return true;
  QuietErrors quiet;
  transform_.reset(OGRCreateCoordinateTransformation(source, target_));
  if (!transform_) error = "PROJ cannot transform the layer's CRS to the catalogue's";
  return transform_ != nullptr;
}

void PointCollector::add(const OGRFeature& f) {
  const OGRGeometry* g = f.GetGeometryRef();
  if (!g || g->IsEmpty()) return;
  const std::string number =
      numberField_ >= 0 && f.IsFieldSetAndNotNull(numberField_) ? toLatin1(f.GetFieldAsString(numberField_)) : "";
  const std::string code =
      codeField_ >= 0 && f.IsFieldSetAndNotNull(codeField_) ? toLatin1(f.GetFieldAsString(codeField_)) : "";
  const bool hasHeight = heightField_ >= 0 && f.IsFieldSetAndNotNull(heightField_);
  const double height = hasHeight ? f.GetFieldAsDouble(heightField_) : 0;
  std::unique_ptr<OGRGeometry> moved;
  if (transform_) {
    moved.reset(g->clone());
    if (moved->transform(transform_.get()) != OGRERR_NONE) return;
    g = moved.get();
  }
  // A feature's own number names one point; vertices are numbered.
  const bool single = wkbFlatten(g->getGeometryType()) == wkbPoint;
  addGeometry(*g, single ? number : "", code, height, hasHeight);
}

void PointCollector::addGeometry(const OGRGeometry& g, const std::string& number,
                                 const std::string& code, double height, bool hasHeight) {
  switch (wkbFlatten(g.getGeometryType())) {
    case wkbPoint: {
      const auto& p = *g.toPoint();
      addVertex(p.getX(), p.getY(), p.getZ(), p.Is3D(), number, code, height, hasHeight);
      return;
    }
    case wkbLineString:
    case wkbLinearRing:
    case wkbCircularString: {
      const auto& l = *g.toSimpleCurve();
      int n = l.getNumPoints();
      // A closed ring's last vertex is its first.
      if (n > 1 && l.get_IsClosed()) --n;
      for (int i = 0; i < n; ++i)
        addVertex(l.getX(i), l.getY(i), l.getZ(i), l.Is3D(), "", code, height, hasHeight);
      return;
    }
    case wkbPolygon:
    case wkbCurvePolygon:
      for (const auto* ring : *g.toCurvePolygon()) addGeometry(*ring, "", code, height, hasHeight);
      return;
    case wkbCompoundCurve:
      for (const auto* part : *g.toCompoundCurve()) addGeometry(*part, "", code, height, hasHeight);
      return;
    default:
      if (OGR_GT_IsSubClassOf(g.getGeometryType(), wkbGeometryCollection))
        for (const auto* part : *g.toGeometryCollection()) addGeometry(*part, "", code, height, hasHeight);
  }
}

void PointCollector::addVertex(double x, double y, double z, bool hasZ, const std::string& number,
                               const std::string& code, double height, bool hasHeight) {
  if (!std::isfinite(x) || !std::isfinite(y)) return;
  kvtconv::open::NewPoint p;
  p.number = number.empty() ? std::to_string(next_++) : number;
  p.code = code;
  p.first = x;   // east: the GIS axis order
  p.second = y;  // north
  p.hasHeight = hasZ || hasHeight;
  p.height = hasZ ? z : height;
  points_.push_back(std::move(p));
}

}  // namespace kvtgis
