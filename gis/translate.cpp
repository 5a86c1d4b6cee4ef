// kvt2gis and gis2kvt: GDAL writes and reads the GIS side, the core the
// catalogue side.
#include "gis/translate.hpp"

#include <cpl_error.h>
#include <cpl_string.h>
#include <gdal_priv.h>
#include <ogrsf_frmts.h>

#include <algorithm>
#include <filesystem>
#include <mutex>

#include "frame/session.hpp"
#include "gis/kvt_driver.hpp"
#include "gis/points.hpp"
#include "open/features.hpp"

namespace kvtgis {

namespace {

namespace fs = std::filesystem;

std::string lower(std::string s) {
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

bool writesVectors(GDALDriver* d) {
  return d->GetMetadataItem(GDAL_DCAP_VECTOR) && d->GetMetadataItem(GDAL_DCAP_CREATE);
}

// GDAL's failures and warnings during one conversion: failures make the
// error, warnings become diagnostics.
class Errors {
 public:
  explicit Errors(kvtconv::Session& s) : s_(s) { CPLPushErrorHandlerEx(handler, this); }
  ~Errors() { CPLPopErrorHandler(); }
  Errors(const Errors&) = delete;
  Errors& operator=(const Errors&) = delete;

  bool failed() const { return !first_.empty(); }
  const std::string& first() const { return first_; }

 private:
  static void CPL_STDCALL handler(CPLErr level, CPLErrorNum, const char* msg) {
    auto* self = static_cast<Errors*>(CPLGetErrorHandlerUserData());
    if (level >= CE_Failure && self->first_.empty()) self->first_ = msg;
    else if (level == CE_Warning) self->s_.diag(kvtconv::DiagKind::Note, 0, "GDAL", msg);
  }
  kvtconv::Session& s_;
  std::string first_;
};

void removeOutput(GDALDriver* d, const std::string& path) {
  QuietErrors quiet;
  std::error_code ec;
  if (!fs::exists(path, ec)) return;
  if (!d || d->Delete(path.c_str()) != CE_None) fs::remove_all(path, ec);
}

// Formats that hold one layer in a file of their extension.
bool oneLayerFile(const std::string& driver, const std::string& path) {
  static const char* kSingle[] = {"GeoJSON", "GeoJSONSeq", "CSV", "DXF", "DGN", "FlatGeobuf",
                                  "ESRI Shapefile", "MapInfo File", "GPSTrackMaker"};
  const bool single = std::any_of(std::begin(kSingle), std::end(kSingle),
                                  [&](const char* n) { return EQUAL(n, driver.c_str()); });
  return single && !fs::path(path).extension().empty();
}

struct Source {
  OGRLayer* layer;
  std::string name;
};

class Writer {
 public:
  Writer(kvtconv::Session& s, const ToGis& o, GDALDriver* d) : s_(s), o_(o), d_(d) {}

  bool run(std::string& error) {
    OpenSpec spec{o_.input, o_.parDir, o_.crs};
    src_ = openMap(s_, spec, error);
    if (!src_) return false;
    const OGRSpatialReference* from = src_->GetLayer(0)->GetSpatialRef();
    if (!o_.targetCrs.empty()) {
      target_ = crsFrom(o_.targetCrs, error);
      if (!target_) return false;
      if (!from) {
        error = "the catalogue has no CRS to transform from; give --crs";
        return false;
      }
      QuietErrors quiet;
      transform_.reset(OGRCreateCoordinateTransformation(from, target_.get()));
      if (!transform_) {
        error = "PROJ cannot transform from the catalogue's CRS to " + o_.targetCrs;
        return false;
      }
    }
    if (!choose(error)) return false;
    removeOutput(d_, o_.output);
    Errors errors(s_);
    const bool ok = write(error);
    if (ok && errors.failed()) error = errors.first();
    if (!ok || errors.failed()) {
      if (error.empty()) error = errors.failed() ? errors.first() : "could not write " + o_.output;
      removeOutput(d_, o_.output);
      return false;
    }
    return true;
  }

 private:
  bool choose(std::string& error) {
    for (int i = 0; i < src_->GetLayerCount(); ++i) {
      OGRLayer* l = src_->GetLayer(i);
      const std::string name = l->GetName();
      const bool named = std::find(o_.layers.begin(), o_.layers.end(), name) != o_.layers.end();
      if (o_.layers.empty() ? l->GetFeatureCount() > 0 : named) chosen_.push_back({l, name});
    }
    for (const std::string& n : o_.layers)
      if (!src_->GetLayerByName(n.c_str())) {
        error = "no layer \"" + n + "\" (points, lines, areas, texts, setups)";
        return false;
      }
    if (chosen_.empty()) chosen_.push_back({src_->GetLayerByName("points"), "points"});
    const std::string driver = d_->GetDescription();
    if (chosen_.size() > 1 && oneLayerFile(driver, o_.output)) {
      if (driver == "ESRI Shapefile") {
        // One geometry type per file: the points, or a directory of layers.
        s_.diag(kvtconv::DiagKind::Dropped, 0,
                "a shapefile holds one layer: only the points written; give a directory for all",
                o_.output);
        chosen_.resize(1);
      } else {
        combined_ = true;
      }
    }
    return true;
  }

  char** layerOptions(OGRwkbGeometryType type) const {
    char** lco = nullptr;
    const std::string driver = d_->GetDescription();
    const OGRSpatialReference* from = src_->GetLayer(0)->GetSpatialRef();
    if (driver == "GeoJSON") {
      // RFC 7946 (WGS84 lon/lat) whenever the CRS is known; 1e-9 degree and
      // a micrometre are finer than any survey.
      const bool rfc = from && !target_;
      if (rfc) lco = CSLSetNameValue(lco, "RFC7946", "YES");
      lco = CSLSetNameValue(lco, "COORDINATE_PRECISION", rfc ? "9" : "6");
    }
    if (driver == "CSV") {
      const bool points = wkbFlatten(type) == wkbPoint;
      lco = CSLSetNameValue(lco, "GEOMETRY", points ? (OGR_GT_HasZ(type) ? "AS_XYZ" : "AS_XY") : "AS_WKT");
      lco = CSLSetNameValue(lco, "CREATE_CSVT", "YES");
    }
    return lco;
  }

  OGRLayer* createLayer(const std::string& name, OGRwkbGeometryType type, std::string& error) {
    OGRSpatialReference* srs = target_ ? target_.get() : src_->GetLayer(0)->GetSpatialRef();
    char** lco = layerOptions(type);
    OGRLayer* l = out_->CreateLayer(name.c_str(), srs, type, lco);
    CSLDestroy(lco);
    if (!l) error = "could not create layer " + name + " in " + o_.output;
    return l;
  }

  // Fields the format cannot hold are left out.
  void addFields(OGRLayer* to, OGRFeatureDefn* from) {
    for (int i = 0; i < from->GetFieldCount(); ++i) {
      OGRFieldDefn* f = from->GetFieldDefn(i);
      if (to->GetLayerDefn()->GetFieldIndex(f->GetNameRef()) >= 0) continue;
      QuietErrors quiet;
      if (to->CreateField(f, TRUE) != OGRERR_NONE)
        s_.diag(kvtconv::DiagKind::Dropped, 0, "field the format cannot hold", f->GetNameRef());
    }
  }

  bool copy(const Source& src, OGRLayer* to, std::string& error) {
    OGRFeatureDefn* defn = to->GetLayerDefn();
    OGRFeatureDefn* sdefn = src.layer->GetLayerDefn();
    std::vector<int> map(static_cast<std::size_t>(sdefn->GetFieldCount()));
    for (int i = 0; i < sdefn->GetFieldCount(); ++i)
      map[static_cast<std::size_t>(i)] = defn->GetFieldIndex(sdefn->GetFieldDefn(i)->GetNameRef());
    const int kind = defn->GetFieldIndex("layer");
    src.layer->ResetReading();
    for (std::unique_ptr<OGRFeature> f(src.layer->GetNextFeature()); f; f.reset(src.layer->GetNextFeature())) {
      OGRFeature out(defn);
      out.SetFrom(f.get(), map.data(), TRUE);
      if (combined_ && kind >= 0) out.SetField(kind, src.name.c_str());
      if (transform_ && out.GetGeometryRef() && out.GetGeometryRef()->transform(transform_.get()) != OGRERR_NONE) {
        error = "PROJ could not transform a feature of layer " + src.name;
        return false;
      }
      if (to->CreateFeature(&out) != OGRERR_NONE) {
        error = "could not write a feature of layer " + src.name + " to " + o_.output;
        return false;
      }
    }
    return true;
  }

  bool write(std::string& error) {
    out_.reset(d_->Create(o_.output.c_str(), 0, 0, 0, GDT_Unknown, nullptr));
    if (!out_) {
      error = "could not create " + o_.output;
      return false;
    }
    bool ok = true;
    if (combined_) {
      bool z = false;
      for (const auto& c : chosen_) z = z || OGR_GT_HasZ(c.layer->GetGeomType());
      OGRLayer* l = createLayer("kvt", withZ(wkbUnknown, z), error);
      ok = l != nullptr;
      if (ok) {
        OGRFieldDefn kind("layer", OFTString);
        l->CreateField(&kind);
        for (const auto& c : chosen_) addFields(l, c.layer->GetLayerDefn());
      }
      for (std::size_t i = 0; ok && i < chosen_.size(); ++i) ok = copy(chosen_[i], l, error);
    } else {
      for (std::size_t i = 0; ok && i < chosen_.size(); ++i) {
        OGRLayer* l = createLayer(chosen_[i].name, chosen_[i].layer->GetGeomType(), error);
        ok = l != nullptr;
        if (ok) addFields(l, chosen_[i].layer->GetLayerDefn());
        ok = ok && copy(chosen_[i], l, error);
      }
    }
    out_.reset();  // closing writes what the format keeps back
    return ok;
  }

  static OGRwkbGeometryType withZ(OGRwkbGeometryType t, bool z) { return z ? OGR_GT_SetZ(t) : t; }

  kvtconv::Session& s_;
  const ToGis& o_;
  GDALDriver* d_;
  std::unique_ptr<GDALDataset> src_, out_;
  std::unique_ptr<OGRSpatialReference> target_;
  std::unique_ptr<OGRCoordinateTransformation> transform_;
  std::vector<Source> chosen_;
  bool combined_ = false;
};

GDALDriver* outputDriver(const std::string& format, const std::string& output, std::string& error) {
  const std::string name = format.empty() ? driverForPath(output) : driverByName(format);
  if (name.empty()) {
    error = format.empty() ? "the extension of " + output + " names no GIS format; give -f"
                           : "GDAL writes no vector format \"" + format + "\"";
    return nullptr;
  }
  return GetGDALDriverManager()->GetDriverByName(name.c_str());
}

}  // namespace

void initGdal() {
  static std::once_flag once;
  std::call_once(once, [] {
    registerKvtDriver();
    GDALAllRegister();
  });
}

std::string driverByName(const std::string& name) {
  initGdal();
  static const std::pair<const char*, const char*> kAliases[] = {
      {"geopackage", "GPKG"}, {"shapefile", "ESRI Shapefile"}, {"shp", "ESRI Shapefile"},
      {"fgb", "FlatGeobuf"},  {"json", "GeoJSON"},              {"mapinfo", "MapInfo File"}};
  for (const auto& [alias, driver] : kAliases)
    if (EQUAL(alias, name.c_str())) return driver;
  auto* m = GetGDALDriverManager();
  for (int i = 0; i < m->GetDriverCount(); ++i) {
    GDALDriver* d = m->GetDriver(i);
    const char* longName = d->GetMetadataItem(GDAL_DMD_LONGNAME);
    if (writesVectors(d) && (EQUAL(d->GetDescription(), name.c_str()) || (longName && EQUAL(longName, name.c_str()))))
      return d->GetDescription();
  }
  return driverForPath("file." + name);
}

std::string driverForPath(const std::string& path) {
  initGdal();
  std::string ext = lower(fs::path(path).extension().string());
  if (ext.size() < 2) return "";
  ext = ext.substr(1);
  if (ext == "json") return "GeoJSON";
  auto* m = GetGDALDriverManager();
  for (int i = 0; i < m->GetDriverCount(); ++i) {
    GDALDriver* d = m->GetDriver(i);
    if (!writesVectors(d) || EQUAL(d->GetDescription(), "KVT")) continue;
    const char* exts = d->GetMetadataItem(GDAL_DMD_EXTENSIONS);
    if (!exts) exts = d->GetMetadataItem(GDAL_DMD_EXTENSION);
    const CPLStringList list(CSLTokenizeString(exts ? exts : ""));
    for (int k = 0; k < list.size(); ++k)
      if (EQUAL(list[k], ext.c_str())) return d->GetDescription();
  }
  return "";
}

std::string extensionOf(const std::string& driver) {
  initGdal();
  if (EQUAL(driver.c_str(), "GeoJSON")) return "geojson";  // rather than the generic "json"
  GDALDriver* d = GetGDALDriverManager()->GetDriverByName(driver.c_str());
  const char* e = d ? d->GetMetadataItem(GDAL_DMD_EXTENSION) : nullptr;
  if (!e && d) {
    const CPLStringList list(CSLTokenizeString(d->GetMetadataItem(GDAL_DMD_EXTENSIONS)));
    if (list.size() > 0) return list[0];
  }
  return e ? e : "";
}

bool kvt2gis(kvtconv::Session& s, const ToGis& o, std::string& error) {
  initGdal();
  GDALDriver* d = outputDriver(o.format, o.output, error);
  return d && Writer(s, o, d).run(error);
}

bool gis2kvt(kvtconv::Session& s, const FromGis& o, std::string& error) {
  initGdal();
  std::unique_ptr<GDALDataset> in;
  {
    QuietErrors quiet;
    in.reset(GDALDataset::Open(o.input.c_str(), GDAL_OF_VECTOR | GDAL_OF_READONLY));
  }
  if (!in) {
    error = "GDAL cannot open " + o.input + " as vector data";
    return false;
  }
  std::unique_ptr<OGRSpatialReference> target, source;
  target = o.targetCrs.empty() ? catalogueCrs(o.parDir) : crsFrom(o.targetCrs, error);
  if (!o.targetCrs.empty() && !target) return false;
  if (!o.sourceCrs.empty() && !(source = crsFrom(o.sourceCrs, error))) return false;
  PointFields fields{o.numberField, o.codeField, o.firstNumber};
  PointCollector points(fields, target.get());
  for (const std::string& n : o.layers)
    if (!in->GetLayerByName(n.c_str())) {
      error = o.input + " has no layer \"" + n + "\"";
      return false;
    }
  for (int i = 0; i < in->GetLayerCount(); ++i) {
    OGRLayer* l = in->GetLayer(i);
    if (!o.layers.empty() && std::find(o.layers.begin(), o.layers.end(), l->GetName()) == o.layers.end())
      continue;
    std::unique_ptr<OGRSpatialReference> own;
    if (!source && l->GetSpatialRef()) {
      own.reset(l->GetSpatialRef()->Clone());
      own->SetAxisMappingStrategy(OAMS_TRADITIONAL_GIS_ORDER);
    }
    const OGRSpatialReference* from = source ? source.get() : own.get();
    if (from && !target)
      s.diag(kvtconv::DiagKind::Note, 0,
             "the catalogue's coordinate system has no EPSG code: coordinates taken as they are",
             l->GetName());
    if (!points.bind(*l->GetLayerDefn(), from, error)) return false;
    l->ResetReading();
    for (std::unique_ptr<OGRFeature> f(l->GetNextFeature()); f; f.reset(l->GetNextFeature())) points.add(*f);
  }
  if (points.points().empty()) {
    error = "no points in " + o.input;
    return false;
  }
  if (!kvtconv::open::writeCatalogue(s, o.parDir, o.mode, o.output, points.points())) {
    error = "the catalogue " + o.output + " was not written";
    return false;
  }
  return true;
}

}  // namespace kvtgis
