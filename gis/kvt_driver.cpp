// The "KVT" OGR driver: reading builds layers in memory from the core's
// reading of the file; creating collects points and writes the catalogue
// when the dataset closes.
#include "gis/kvt_driver.hpp"

#include <cpl_string.h>
#include <ogrsf_frmts.h>

#include <algorithm>
#include <vector>

#include "frame/pardir.hpp"
#include "frame/parfiles.hpp"
#include "frame/session.hpp"
#include "gis/points.hpp"
#include "open/crs.hpp"
#include "open/detect.hpp"
#include "open/features.hpp"

namespace kvtgis {

namespace {

using kvtconv::open::MapContents;
using kvtconv::open::MapObject;
using kvtconv::open::Vertex;

// ------------------------------------------------------------ reading

class MemoryLayer final : public OGRLayer {
 public:
  MemoryLayer(const char* name, OGRwkbGeometryType type, const OGRSpatialReference* srs)
      : defn_(new OGRFeatureDefn(name)) {
    SetDescription(name);
    defn_->Reference();
    defn_->SetGeomType(type);
    if (type != wkbNone && srs) {
      auto* copy = srs->Clone();
      defn_->GetGeomFieldDefn(0)->SetSpatialRef(copy);
      copy->Release();
    }
  }
  ~MemoryLayer() override { defn_->Release(); }

  void field(const char* name, OGRFieldType type, OGRFieldSubType sub = OFSTNone) {
    OGRFieldDefn f(name, type);
    f.SetSubType(sub);
    defn_->AddFieldDefn(&f);
  }
  OGRFeature* make() { return new OGRFeature(defn_); }
  void keep(OGRFeature* f) {
    f->SetFID(static_cast<GIntBig>(features_.size()));
    features_.emplace_back(f);
  }
  bool empty() const { return features_.empty(); }

  void ResetReading() override { next_ = 0; }
  OGRFeature* GetNextFeature() override {
    while (next_ < features_.size()) {
      const OGRFeature* f = features_[next_++].get();
      if ((!m_poFilterGeom || FilterGeometry(const_cast<OGRGeometry*>(f->GetGeometryRef()))) &&
          (!m_poAttrQuery || m_poAttrQuery->Evaluate(const_cast<OGRFeature*>(f))))
        return f->Clone();
    }
    return nullptr;
  }
  OGRFeature* GetFeature(GIntBig fid) override {
    if (fid < 0 || static_cast<std::size_t>(fid) >= features_.size()) return nullptr;
    return features_[static_cast<std::size_t>(fid)]->Clone();
  }
  GIntBig GetFeatureCount(int force) override {
    if (!m_poFilterGeom && !m_poAttrQuery) return static_cast<GIntBig>(features_.size());
    return OGRLayer::GetFeatureCount(force);
  }
  OGRFeatureDefn* GetLayerDefn() override { return defn_; }
  int TestCapability(const char* cap) override {
    if (EQUAL(cap, OLCRandomRead) || EQUAL(cap, OLCStringsAsUTF8)) return TRUE;
    if (EQUAL(cap, OLCFastFeatureCount)) return !m_poFilterGeom && !m_poAttrQuery;
    return FALSE;
  }

 private:
  OGRFeatureDefn* defn_;
  std::vector<std::unique_ptr<OGRFeature>> features_;
  std::size_t next_ = 0;
};

OGRwkbGeometryType withZ(OGRwkbGeometryType t, bool z) { return z ? OGR_GT_SetZ(t) : t; }

void setText(OGRFeature& f, const char* field, const std::string& latin1) {
  if (!latin1.empty()) f.SetField(field, toUtf8(latin1).c_str());
}

OGRPoint pointOf(const Vertex& v) {
  return v.hasHeight ? OGRPoint(v.first, v.second, v.height) : OGRPoint(v.first, v.second);
}

bool allHeights(const std::vector<Vertex>& vs) {
  return std::all_of(vs.begin(), vs.end(), [](const Vertex& v) { return v.hasHeight; });
}

bool samePlace(const Vertex& a, const Vertex& b) { return a.first == b.first && a.second == b.second; }

// An area needs three distinct corners; otherwise it is drawn as a line.
bool isArea(const MapObject& o) {
  if (o.kind != MapObject::Area) return false;
  std::size_t distinct = 0;
  for (std::size_t i = 0; i < o.vertices.size() && distinct < 3; ++i)
    if (i == 0 || !samePlace(o.vertices[i], o.vertices[i - 1])) ++distinct;
  return distinct >= 3;
}

class MapDataset final : public GDALDataset {
 public:
  MapDataset(const MapContents& c, bool dsfl, std::unique_ptr<OGRSpatialReference> srs)
      : c_(c), dsfl_(dsfl), srs_(std::move(srs)) {
    for (const auto& f : c_.features) features_[f.base] = &f;
    points();
    objects();
    texts();
    if (!dsfl_) setups();
  }

  int GetLayerCount() override { return static_cast<int>(layers_.size()); }
  OGRLayer* GetLayer(int i) override {
    return i < 0 || i >= GetLayerCount() ? nullptr : layers_[static_cast<std::size_t>(i)].get();
  }
  int TestCapability(const char*) override { return FALSE; }

 private:
  MemoryLayer* layer(const char* name, OGRwkbGeometryType type) {
    layers_.push_back(std::make_unique<MemoryLayer>(name, type, srs_.get()));
    return layers_.back().get();
  }

  // DSFL maps name the feature code of each base code.
  void featureFields(MemoryLayer* l) {
    if (!dsfl_) return;
    l->field("dsfl_k", OFTString);
    l->field("dsfl_u", OFTString);
    l->field("description", OFTString);
  }
  void setFeature(OGRFeature& f, const std::string& base) {
    const auto it = features_.find(base);
    if (!dsfl_ || it == features_.end()) return;
    setText(f, "dsfl_k", it->second->k);
    setText(f, "dsfl_u", it->second->u);
    setText(f, "description", it->second->remark);
  }

  // A catalogue's points are all its point records; a DSFL map's are its
  // point objects (the others are vertices).
  void points() {
    std::vector<const kvtconv::open::PointFeature*> chosen;
    std::vector<kvtconv::open::PointFeature> fromObjects;
    if (dsfl_) {
      for (const auto& o : c_.objects)
        if (o.kind == MapObject::Point) {
          kvtconv::open::PointFeature p;
          p.v = o.vertices.front();
          p.base = o.base;
          p.codeType = o.codeType;
          fromObjects.push_back(p);
        }
      for (const auto& p : fromObjects) chosen.push_back(&p);
    } else {
      for (const auto& p : c_.points) chosen.push_back(&p);
    }
    const bool z = std::any_of(chosen.begin(), chosen.end(), [](auto* p) { return p->v.hasHeight; });
    MemoryLayer* l = layer("points", withZ(wkbPoint, z));
    l->field("number", OFTString);
    l->field("code", OFTString);
    l->field("base", OFTString);
    l->field("code_type", OFTInteger);
    l->field("height", OFTReal);
    if (!dsfl_) l->field("task", OFTString);
    featureFields(l);
    for (const auto* p : chosen) {
      OGRFeature* f = l->make();
      setText(*f, "number", p->v.number);
      setText(*f, "code", p->v.code);
      setText(*f, "base", p->base);
      if (p->codeType >= 0) f->SetField("code_type", p->codeType);
      if (p->v.hasHeight) f->SetField("height", p->v.height);
      if (!dsfl_) setText(*f, "task", p->task);
      setFeature(*f, p->base);
      f->SetGeometryDirectly(new OGRPoint(pointOf(p->v)));
      l->keep(f);
    }
  }

  void objects() {
    bool lineZ = false, areaZ = false;
    for (const auto& o : c_.objects) {
      if (o.kind == MapObject::Point) continue;
      (isArea(o) ? areaZ : lineZ) |= allHeights(o.vertices);
    }
    MemoryLayer* lines = layer("lines", withZ(wkbLineString, lineZ));
    MemoryLayer* areas = layer("areas", withZ(wkbPolygon, areaZ));
    for (MemoryLayer* l : {lines, areas}) {
      l->field("code", OFTString);
      l->field("first", OFTString);
      l->field("last", OFTString);
      l->field("points", OFTInteger);
      l->field("ended", OFTInteger, OFSTBoolean);
      featureFields(l);
    }
    for (const auto& o : c_.objects) {
      if (o.kind == MapObject::Point) continue;
      const bool area = isArea(o);
      MemoryLayer* l = area ? areas : lines;
      const bool z = allHeights(o.vertices) && (area ? areaZ : lineZ);
      auto* ring = area ? new OGRLinearRing() : nullptr;
      auto* line = area ? nullptr : new OGRLineString();
      OGRSimpleCurve* curve = area ? static_cast<OGRSimpleCurve*>(ring) : line;
      for (const Vertex& v : o.vertices) {
        if (z) curve->addPoint(v.first, v.second, v.height);
        else curve->addPoint(v.first, v.second);
      }
      OGRFeature* f = l->make();
      if (area) {
        ring->closeRings();
        auto* poly = new OGRPolygon();
        poly->addRingDirectly(ring);
        f->SetGeometryDirectly(poly);
      } else {
        f->SetGeometryDirectly(line);
      }
      setText(*f, "code", o.base);
      setText(*f, "first", o.vertices.front().number);
      setText(*f, "last", o.vertices.back().number);
      f->SetField("points", static_cast<int>(o.vertices.size()));
      f->SetField("ended", o.ended ? 1 : 0);
      setFeature(*f, o.base);
      l->keep(f);
    }
  }

  void texts() {
    MemoryLayer* l = layer("texts", wkbPoint);
    l->field("code", OFTString);
    l->field("text", OFTString);
    l->field("direction", OFTReal);
    l->field("size", OFTReal);
    l->field("position", OFTInteger);
    for (const auto& t : c_.texts) {
      OGRFeature* f = l->make();
      setText(*f, "code", t.code);
      setText(*f, "text", t.text);
      if (t.hasDirection) f->SetField("direction", t.direction);
      if (t.hasSize) f->SetField("size", t.size);
      if (t.position != 0) f->SetField("position", t.position);
      f->SetGeometryDirectly(new OGRPoint(t.first, t.second));
      l->keep(f);
    }
  }

  void setups() {
    MemoryLayer* l = layer("setups", wkbPoint);
    l->field("station", OFTString);
    l->field("code", OFTString);
    l->field("instrument_height", OFTReal);
    for (const auto& st : c_.setups) {
      OGRFeature* f = l->make();
      setText(*f, "station", st.station);
      setText(*f, "code", st.code);
      if (st.hasInstrumentHeight) f->SetField("instrument_height", st.instrumentHeight);
      if (st.placed) f->SetGeometryDirectly(new OGRPoint(st.first, st.second));
      l->keep(f);
    }
  }

  MapContents c_;
  bool dsfl_;
  std::unique_ptr<OGRSpatialReference> srs_;
  std::map<std::string, const MapContents::Feature*> features_;
  std::vector<std::unique_ptr<MemoryLayer>> layers_;
};

// ------------------------------------------------------------ creating

class CollectLayer final : public OGRLayer {
 public:
  CollectLayer(const char* name, PointCollector& points) : defn_(new OGRFeatureDefn(name)), points_(points) {
    SetDescription(name);
    defn_->Reference();
  }
  ~CollectLayer() override { defn_->Release(); }

  // The fields come after the layer: they are looked up at the first
  // feature, and again whenever features of another layer came between.
  bool bind(const OGRSpatialReference* srs, std::string& error) {
    srs_ = srs;
    return points_.bindCrs(srs, error);
  }

  OGRErr CreateField(OGRFieldDefn* field, int) override {
    defn_->AddFieldDefn(field);
    return OGRERR_NONE;
  }
  OGRErr ICreateFeature(OGRFeature* f) override {
    std::string error;
    if (!points_.rebind(this, *defn_, srs_, error)) {
      CPLError(CE_Failure, CPLE_AppDefined, "KVT: %s", error.c_str());
      return OGRERR_FAILURE;
    }
    points_.add(*f);
    return OGRERR_NONE;
  }
  void ResetReading() override {}
  OGRFeature* GetNextFeature() override { return nullptr; }
  OGRFeatureDefn* GetLayerDefn() override { return defn_; }
  int TestCapability(const char* cap) override {
    return EQUAL(cap, OLCSequentialWrite) || EQUAL(cap, OLCCreateField) || EQUAL(cap, OLCStringsAsUTF8);
  }

 private:
  OGRFeatureDefn* defn_;
  PointCollector& points_;
  const OGRSpatialReference* srs_ = nullptr;
};

kvtconv::Hooks cplHooks() {
  kvtconv::Hooks h;
  auto clean = [](std::string_view line) {
    const auto end = line.find_last_not_of(' ');
    return toUtf8(std::string(line.substr(0, end == std::string_view::npos ? 0 : end + 1)));
  };
  h.message = [clean](std::string_view line) {
    CPLDebug("KVT", "%s", clean(line).c_str());
    return 0;
  };
  h.error = [clean](std::string_view line) {
    CPLError(CE_Failure, CPLE_AppDefined, "%s", clean(line).c_str());
    return 0;
  };
  h.diagnostic = [](const kvtconv::Diagnostic& d) {
    CPLError(CE_Warning, CPLE_AppDefined, "%.*s: %s", static_cast<int>(d.what.size()), d.what.data(),
             toUtf8(std::string(d.detail)).c_str());
  };
  return h;
}

class CatalogueWriter final : public GDALDataset {
 public:
  CatalogueWriter(std::string path, std::string parDir, std::unique_ptr<OGRSpatialReference> crs,
                  PointFields fields)
      : path_(std::move(path)), parDir_(std::move(parDir)), crs_(std::move(crs)),
        points_(std::move(fields), crs_.get()) {}
  ~CatalogueWriter() override { CatalogueWriter::FlushCache(true); }

  // The catalogue is written when the dataset closes.
  void FlushCache(bool atClosing) override {
    if (!atClosing || written_) return;
    written_ = true;
    if (points_.points().empty()) {
      CPLError(CE_Failure, CPLE_AppDefined, "KVT: no points to write to %s", path_.c_str());
      return;
    }
    auto s = kvtconv::newSession(cplHooks());
    kvtconv::open::writeCatalogue(*s, parDir_, -1, path_, points_.points());
  }

  int GetLayerCount() override { return static_cast<int>(layers_.size()); }
  OGRLayer* GetLayer(int i) override {
    return i < 0 || i >= GetLayerCount() ? nullptr : layers_[static_cast<std::size_t>(i)].get();
  }
  int TestCapability(const char* cap) override { return EQUAL(cap, ODsCCreateLayer); }

  OGRLayer* ICreateLayer(const char* name, OGRSpatialReference* srs, OGRwkbGeometryType,
                         char**) override {
    layers_.push_back(std::make_unique<CollectLayer>(name, points_));
    std::string error;
    const OGRSpatialReference* source = srs;
    if (srs) {
      srcs_.emplace_back(srs->Clone());
      srcs_.back()->SetAxisMappingStrategy(OAMS_TRADITIONAL_GIS_ORDER);
      source = srcs_.back().get();
    }
    if (!layers_.back()->bind(source, error)) {
      CPLError(CE_Failure, CPLE_AppDefined, "KVT: %s", error.c_str());
      layers_.pop_back();
      return nullptr;
    }
    return layers_.back().get();
  }

 private:
  struct Release {
    void operator()(OGRSpatialReference* s) const { s->Release(); }
  };
  std::string path_, parDir_;
  std::unique_ptr<OGRSpatialReference> crs_;
  PointCollector points_;
  std::vector<std::unique_ptr<OGRSpatialReference, Release>> srcs_;
  std::vector<std::unique_ptr<CollectLayer>> layers_;
  bool written_ = false;
};

// ------------------------------------------------------------- driver

kvtconv::Format formatOf(GDALOpenInfo* info) {
  if (!info->fpL || info->nHeaderBytes == 0) return kvtconv::Format::Unknown;
  info->TryToIngest(static_cast<int>(kvtconv::kDetectBytes));
  const std::string_view head(reinterpret_cast<const char*>(info->pabyHeader),
                              static_cast<std::size_t>(info->nHeaderBytes));
  const bool whole = static_cast<std::size_t>(info->nHeaderBytes) < kvtconv::kDetectBytes;
  return kvtconv::detectFormat(head, whole).format;
}

int identify(GDALOpenInfo* info) {
  const kvtconv::Format f = formatOf(info);
  return f == kvtconv::Format::Catalogue || f == kvtconv::Format::Dsfl;
}

std::string option(char** options, const char* name, const std::string& fallback) {
  const char* v = CSLFetchNameValue(options, name);
  return v && *v ? v : fallback;
}

GDALDataset* open(GDALOpenInfo* info) {
  if (info->eAccess == GA_Update || !identify(info)) return nullptr;
  auto s = kvtconv::newSession(cplHooks());
  OpenSpec spec;
  spec.path = info->pszFilename;
  spec.parDir = option(info->papszOpenOptions, "PARDIR", "");
  spec.crs = option(info->papszOpenOptions, "CRS", "");
  std::string error;
  auto ds = openMap(*s, spec, error);
  if (!ds) {
    CPLError(CE_Failure, CPLE_AppDefined, "KVT: %s", error.c_str());
    return nullptr;
  }
  return ds.release();
}

GDALDataset* create(const char* name, int, int, int, GDALDataType, char** options) {
  std::unique_ptr<OGRSpatialReference> crs;
  const std::string parDir = option(options, "PARDIR", kvtconv::defaultParDir());
  std::string error;
  if (const std::string text = option(options, "CRS", ""); !text.empty()) {
    crs = crsFrom(text, error);
    if (!crs) {
      CPLError(CE_Failure, CPLE_AppDefined, "KVT: %s", error.c_str());
      return nullptr;
    }
  } else {
    crs = catalogueCrs(parDir);
  }
  PointFields fields;
  fields.number = option(options, "NUMBER_FIELD", "");
  fields.code = option(options, "CODE_FIELD", "");
  fields.firstNumber = std::atoi(option(options, "FIRST_NUMBER", "1").c_str());
  auto* ds = new CatalogueWriter(name, parDir, std::move(crs), fields);
  ds->SetDescription(name);
  return ds;
}

}  // namespace

std::unique_ptr<OGRSpatialReference> catalogueCrs(const std::string& parDir) {
  auto s = kvtconv::newSession();
  kvtconv::getpar(*s, parDir);
  s->closeAll();
  return crsOfEpsg(kvtconv::open::epsgOfSystem(s->par.text(kvtconv::par::kCoordSystem)));
}

std::unique_ptr<GDALDataset> openMap(kvtconv::Session& s, const OpenSpec& spec, std::string& error) {
  const kvtconv::Format format = kvtconv::detectFile(spec.path).format;
  if (format != kvtconv::Format::Catalogue && format != kvtconv::Format::Dsfl) {
    error = spec.path + " is neither a KVT catalogue nor a DSFL map";
    return nullptr;
  }
  std::unique_ptr<OGRSpatialReference> srs;
  if (!spec.crs.empty()) {
    srs = crsFrom(spec.crs, error);
    if (!srs) return nullptr;
  }
  const std::string parDir = spec.parDir.empty() ? kvtconv::defaultParDir() : spec.parDir;
  MapContents c;
  const bool dsfl = format == kvtconv::Format::Dsfl;
  const bool ok = dsfl ? kvtconv::open::readDsfl(s, parDir, spec.path, c)
                       : kvtconv::open::readCatalogue(s, parDir, spec.path, c);
  if (!ok) {
    error = "could not read " + spec.path;
    return nullptr;
  }
  if (!srs) {
    if (c.epsg == 0) s.diag(kvtconv::DiagKind::Note, 0, "coordinate system without a known EPSG code: no CRS written", c.system);
    srs = crsOfEpsg(c.epsg);
  }
  auto ds = std::make_unique<MapDataset>(c, dsfl, std::move(srs));
  ds->SetDescription(spec.path.c_str());
  return ds;
}

void registerKvtDriver() {
  if (GDALGetDriverByName("KVT") != nullptr) return;
  auto* d = new GDALDriver();
  d->SetDescription("KVT");
  d->SetMetadataItem(GDAL_DCAP_VECTOR, "YES");
  d->SetMetadataItem(GDAL_DMD_LONGNAME, "KVT survey catalogue and DSFL map");
  d->SetMetadataItem(GDAL_DMD_EXTENSIONS, "kvt dsf dsfl");
  d->SetMetadataItem(GDAL_DCAP_CREATE, "YES");
  d->SetMetadataItem(GDAL_DMD_CREATIONFIELDDATATYPES, "String Integer Real");
  d->SetMetadataItem(GDAL_DMD_OPENOPTIONLIST,
                     "<OpenOptionList>"
                     "<Option name='PARDIR' type='string' description='Directory of VOXA.PAR and VOXA.ADM'/>"
                     "<Option name='CRS' type='string' description='CRS of the coordinates, e.g. EPSG:25832'/>"
                     "</OpenOptionList>");
  d->SetMetadataItem(GDAL_DMD_CREATIONOPTIONLIST,
                     "<CreationOptionList>"
                     "<Option name='PARDIR' type='string' description='Directory of VOXA.PAR and VOXA.ADM'/>"
                     "<Option name='CRS' type='string' description='CRS of the catalogue, e.g. EPSG:25832'/>"
                     "<Option name='NUMBER_FIELD' type='string' description='Field of the point numbers'/>"
                     "<Option name='CODE_FIELD' type='string' description='Field of the codes'/>"
                     "<Option name='FIRST_NUMBER' type='int' description='Number of the first point without one' default='1'/>"
                     "</CreationOptionList>");
  d->pfnIdentify = identify;
  d->pfnOpen = open;
  d->pfnCreate = create;
  GetGDALDriverManager()->RegisterDriver(d);
}

}  // namespace kvtgis
