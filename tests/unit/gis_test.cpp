// The GIS layer: the KVT driver as GDAL sees it (ogrinfo, ogr2ogr with the
// plugin), kvt2gis and gis2kvt through the command line, read back with
// GDAL and compared with PROJ's own cs2cs.
#include <cpl_conv.h>
#include <gdal_priv.h>
#include <ogrsf_frmts.h>

#include <cmath>
#include <cstdio>

#include "gis/translate.hpp"
#include "helpers.hpp"
#include "frame/parfiles.hpp"
#include "open/crs.hpp"

namespace {

namespace fs = std::filesystem;
using kvttest::readFile;
using kvttest::TempDir;
using kvttest::writeFile;

#ifndef KVT_TOOL_ENV
#define KVT_TOOL_ENV ""
#endif

struct Ran {
  int status = -1;
  std::string out;  // stdout and stderr
};

Ran sh(const std::string& dir, const std::string& cmd) {
  Ran r;
  const std::string full = "cd '" + dir + "' && export " KVT_TOOL_ENV "SOURCE_DATE_EPOCH=1781618709 GDAL_DRIVER_PATH='" +
                           std::string(KVT_GIS_PLUGIN_DIR) + "' && " + cmd + " 2>&1";
  std::FILE* p = ::popen(full.c_str(), "r");
  if (!p) return r;
  char buf[4096];
  while (std::fgets(buf, sizeof buf, p)) r.out += buf;
  r.status = ::pclose(p);
  return r;
}

Ran cli(const std::string& dir, const std::string& args) { return sh(dir, std::string("'") + KVT_CLI + "' " + args); }

// A catalogue of every kind of object; the file order follows `system`.
struct Map {
  TempDir dir;
  std::string par;
  explicit Map(const std::string& system, bool exchanged, const std::string& more = "") {
    par = kvttest::parDir(dir, "  2 " + system + "\n 49 3\n" + more);
    std::string text = " 8  Kort\n 2 1001         ST           1.550\n";
    const char* rows[][4] = {{"1001", "FPK", "574100.123", "6172300.456"}, {"2001", "HEG1", "574110.000", "6172300.000"},
                             {"2002", "HEG9", "574120.000", "6172305.000"}, {"3001", "BYG1", "574200.000", "6172400.000"},
                             {"3002", "BYG1", "574200.000", "6172410.000"}, {"3003", "BYG8", "574210.000", "6172410.000"}};
    for (const auto& r : rows) {
      const std::string east = r[2], north = r[3];
      text += std::string(" 6 ") + r[0] + "  " + r[1] + "  " + (exchanged ? north + " " + east : east + " " + north) +
              " 12.500 T\n";
    }
    text += std::string("10 VNA  ") + (exchanged ? "6172350.000 574150.000" : "574150.000 6172350.000") +
            "  0  250  2 Skovvej\n";
    writeFile(dir / "map.kvt", text);
  }
  std::string operator/(const std::string& n) const { return dir / n; }
};

std::unique_ptr<GDALDataset> openVector(const std::string& path) {
  kvtgis::initGdal();
  return std::unique_ptr<GDALDataset>(GDALDataset::Open(path.c_str(), GDAL_OF_VECTOR | GDAL_OF_READONLY));
}

TEST(Crs, OneTableMapsTheSystems) {
  const std::pair<const char*, int> cases[] = {{"UTM", 25832},  {"KP2000J", 2196}, {"KP2000S", 2197},
                                               {"KP2000B", 2198}, {"UTM   ", 25832}, {"S34J", 0},
                                               {"NTM", 0},        {"", 0}};
  for (const auto& [system, epsg] : cases) EXPECT_EQ(kvtconv::open::epsgOfSystem(system), epsg) << system;
}

TEST(Driver, OgrinfoSeesTypedLayers) {
  Map m("UTM", true);
  const Ran r = sh(m.dir.str(), "ogrinfo -ro -so -al -oo PARDIR=par map.kvt");
  ASSERT_EQ(r.status, 0) << r.out;
  for (const char* want : {"using driver `KVT' successful", "Layer name: points\nGeometry: 3D Point\nFeature Count: 6",
                           "Layer name: lines\nGeometry: 3D Line String\nFeature Count: 1",
                           "Layer name: areas\nGeometry: 3D Polygon\nFeature Count: 1",
                           "Layer name: texts\nGeometry: Point\nFeature Count: 1",
                           "Layer name: setups\nGeometry: Point\nFeature Count: 1", "number: String", "code_type: Integer",
                           "height: Real", "instrument_height: Real", "ID[\"EPSG\",25832]",
                           "Extent: (574100.123000, 6172300.000000) - (574210.000000, 6172410.000000)"})
    EXPECT_NE(r.out.find(want), std::string::npos) << want << "\n" << r.out;
}

// The CRS each system gives, and where a UTM point lands in lon/lat.
TEST(KvtToGis, OutputsCarryTheSystemsCrs) {
  struct Case {
    const char* system;
    const char* output;
    const char* authority;  // "" : no CRS
  };
  const Case cases[] = {{"KP2000J", "map.gpkg", "2196"}, {"UTM", "map.fgb", "25832"}, {"S34J", "map.gpkg", ""}};
  for (const Case& c : cases) {
    Map m(c.system, std::string(c.system) != "S34J");
    const Ran r = cli(m.dir.str(), std::string("kvt2gis --par par map.kvt ") + c.output);
    ASSERT_EQ(r.status, 0) << r.out;
    EXPECT_EQ(r.out.find("without a known EPSG code") != std::string::npos, *c.authority == 0) << r.out;
    auto ds = openVector(m / c.output);
    ASSERT_TRUE(ds) << c.output;
    const OGRSpatialReference* srs = ds->GetLayer(0)->GetSpatialRef();
    const char* code = srs ? srs->GetAuthorityCode(nullptr) : nullptr;
    EXPECT_STREQ(code && *c.authority ? code : "", c.authority) << c.system;
  }
}

TEST(KvtToGis, GeoJsonIsLonLatWithinAMillimetreOfProj) {
  Map m("UTM", true);
  const Ran r = cli(m.dir.str(), "kvt2geojson --par par map.kvt map.geojson");
  ASSERT_EQ(r.status, 0) << r.out;
  const Ran proj = sh(m.dir.str(), "echo 574100.123 6172300.456 | cs2cs -f %.10f EPSG:25832 EPSG:4326");
  double lat = 0, lon = 0;
  ASSERT_EQ(std::sscanf(proj.out.c_str(), "%lf %lf", &lat, &lon), 2) << proj.out;
  auto ds = openVector(m / "map.geojson");
  ASSERT_TRUE(ds);
  OGRLayer* l = ds->GetLayer(0);
  std::unique_ptr<OGRFeature> f;
  for (f.reset(l->GetNextFeature()); f && std::string(f->GetFieldAsString("number")) != "1001";
       f.reset(l->GetNextFeature())) {
  }
  ASSERT_TRUE(f);
  const OGRPoint* p = f->GetGeometryRef()->toPoint();
  const double metresPerDegree = 111320.0;
  EXPECT_LT(std::fabs(p->getY() - lat) * metresPerDegree, 0.001);
  EXPECT_LT(std::fabs(p->getX() - lon) * metresPerDegree * std::cos(lat * M_PI / 180), 0.001);
}

TEST(KvtToGis, ExchangedAndPlainCataloguesGiveTheSameMap) {
  Map exchanged("UTM", true), plain("S34J", false);
  ASSERT_NE(readFile(exchanged / "map.kvt"), readFile(plain / "map.kvt"));
  ASSERT_EQ(cli(exchanged.dir.str(), "kvt2gis --par par map.kvt map.geojson").status, 0);
  ASSERT_EQ(cli(plain.dir.str(), "kvt2gis --par par --crs EPSG:25832 map.kvt map.geojson").status, 0);
  EXPECT_EQ(readFile(exchanged / "map.geojson"), readFile(plain / "map.geojson"));
}

TEST(KvtToGis, CatalogueToGeoPackageAndBackGivesEveryPoint) {
  for (const bool exchanged : {true, false}) {
    Map m(exchanged ? "UTM" : "S34J", exchanged);
    ASSERT_EQ(cli(m.dir.str(), "kvt2gis --par par map.kvt map.gpkg").status, 0);
    const Ran r = cli(m.dir.str(), "gis2kvt --par par --layer points map.gpkg back.kvt");
    ASSERT_EQ(r.status, 0) << r.out;
    auto s = kvtconv::newSession();
    kvtconv::getpar(*s, m.par);
    const auto before = kvttest::pointsOf(*s, m / "map.kvt"), after = kvttest::pointsOf(*s, m / "back.kvt");
    ASSERT_EQ(before.size(), after.size());
    for (std::size_t i = 0; i < before.size(); ++i) {
      EXPECT_EQ(before[i].number, after[i].number);
      EXPECT_EQ(before[i].code, after[i].code);
      EXPECT_EQ(before[i].x, after[i].x) << before[i].number;
      EXPECT_EQ(before[i].y, after[i].y) << before[i].number;
      EXPECT_EQ(before[i].height, after[i].height) << before[i].number;
    }
  }
}

TEST(Driver, DsflObjectsAndFeatureCodesInAGeoPackage) {
  TempDir dir;
  kvttest::parDir(dir, "  2 S34J\n");
  fs::copy_file(std::string(KVT_TEST_DATA) + "/dsfl/dsfl2kvt-objects/kort.dsf", dir / "kort.dsf");
  const Ran r = cli(dir.str(), "kvt2gis --par par kort.dsf kort.gpkg");
  ASSERT_EQ(r.status, 0) << r.out;
  const Ran info = sh(dir.str(), "ogrinfo -ro -al kort.gpkg");
  for (const char* want : {"Layer name: points", "Layer name: lines", "Layer name: areas", "Layer name: texts",
                           "dsfl_k (String) = 12", "dsfl_u (String) = 0000001", "description (String) = Skel",
                           "dsfl_u (String) = 0000004", "dsfl_k (String) = 31", "text (String) = Skovvej 12",
                           "POINT Z (1001 2002 10)", "POLYGON Z ((1100 2100 3,1110 2100 3,1110 2110 3,1100 2100 3))"})
    EXPECT_NE(info.out.find(want), std::string::npos) << want << "\n" << info.out;
  auto ds = openVector(dir / "kort.gpkg");
  ASSERT_TRUE(ds);
  const std::pair<const char*, GIntBig> counts[] = {{"points", 1}, {"lines", 2}, {"areas", 1}, {"texts", 1}};
  for (const auto& [layer, n] : counts) EXPECT_EQ(ds->GetLayerByName(layer)->GetFeatureCount(), n) << layer;
}

TEST(Driver, Ogr2ogrMakesACatalogueFromAShapefile) {
  TempDir dir;
  kvttest::parDir(dir, "  2 UTM\n");
  const std::string head = R"({"type": "FeatureCollection", "crs": {"type": "name", "properties": {"name": "EPSG:25832"}}, "features": [)";
  writeFile(dir / "points.geojson", head + R"({"type": "Feature", "properties": {"number": "P1", "code": "SKEL"},
      "geometry": {"type": "Point", "coordinates": [574100.5, 6172300.25, 10.0]}}]})");
  writeFile(dir / "lines.geojson", head + R"({"type": "Feature", "properties": {"number": null, "code": "HEG"},
      "geometry": {"type": "LineString", "coordinates": [[574110, 6172300], [574120, 6172305], [574130, 6172310]]}}]})");
  // A directory of two shapefiles, as CAD exports often give.
  for (const char* layer : {"points", "lines"})
    ASSERT_EQ(sh(dir.str(), std::string("mkdir -p design && ogr2ogr -f 'ESRI Shapefile' design/") + layer + ".shp " +
                                layer + ".geojson")
                  .status,
              0);
  const Ran r = sh(dir.str(), "ogr2ogr -f KVT -dsco PARDIR=par -dsco NUMBER_FIELD=number design.kvt design");
  ASSERT_EQ(r.status, 0) << r.out;
  const std::vector<std::string> lines = kvttest::readLines(dir / "design.kvt");
  std::vector<std::string> points;
  for (const auto& l : lines)
    if (l.rfind(" 6", 0) == 0) points.push_back(kvttest::rtrim(l));
  ASSERT_EQ(points.size(), 4u) << readFile(dir / "design.kvt");
  // UTM catalogues hold the north value first.
  for (const auto& p : points) EXPECT_LT(p.find(" 61723"), p.find(" 5741")) << p;
  std::string all;
  for (const auto& p : points) all += p + "\n";
  EXPECT_NE(all.find("P1"), std::string::npos) << all;
  EXPECT_NE(all.find("SKEL"), std::string::npos) << all;
  EXPECT_NE(all.find("6172310.000"), std::string::npos) << all;
  EXPECT_NE(sh(dir.str(), "ogrinfo -ro -so -oo PARDIR=par design.kvt").out.find("driver `KVT'"), std::string::npos);
}

// Bad input: a clear error, exit status 1 and no output.
TEST(GisErrors, ClearErrorAndNothingWritten) {
  struct Case {
    const char* args;
    const char* output;
    const char* message;
  };
  const Case cases[] = {
      {"gis2kvt --par par empty.geojson out.kvt", "out.kvt", "no points in empty.geojson"},
      {"gis2kvt --par par --number-field PNR design.geojson out.kvt", "out.kvt", "has no field \"PNR\""},
      {"kvt2gis --par par --t-srs EPSG:999999 map.kvt out.gpkg", "out.gpkg", "unknown coordinate reference system"},
      {"kvt2gis --par par --crs 'ENGCRS[\"site\",EDATUM[\"site\"],CS[Cartesian,2],AXIS[\"x\",east],AXIS[\"y\",north],"
       "LENGTHUNIT[\"metre\",1]]' --t-srs EPSG:4326 map.kvt out.gpkg",
       "out.gpkg", "PROJ cannot transform"},
      {"kvt2gis --par par map.kvt out.unknown", "out.unknown", "names no GIS format"},
      {"kvt2gis --par par -f NoSuchFormat map.kvt out.gpkg", "out.gpkg", "GDAL writes no vector format"},
  };
  Map m("UTM", true);
  writeFile(m / "empty.geojson", R"({"type": "FeatureCollection", "features": []})");
  writeFile(m / "design.geojson",
            R"({"type": "FeatureCollection", "features": [{"type": "Feature", "properties": {"n": 1}, "geometry": {"type": "Point", "coordinates": [1, 2]}}]})");
  for (const Case& c : cases) {
    const Ran r = cli(m.dir.str(), c.args);
    EXPECT_EQ(WEXITSTATUS(r.status), 1) << c.args << "\n" << r.out;
    EXPECT_NE(r.out.find(c.message), std::string::npos) << c.args << "\n" << r.out;
    EXPECT_FALSE(fs::exists(m / c.output)) << c.args;
  }
  // The program opens GDAL only through its GIS module: without the module
  // a GIS run says why, and nothing else of the program needs GDAL.
  const Ran missing = sh(m.dir.str(), std::string("KVTCONV_GIS_MODULE=/nonexistent/kvtconv-gis.so '") + KVT_CLI +
                                          "' kvt2gis --par par map.kvt out.gpkg");
  EXPECT_EQ(WEXITSTATUS(missing.status), 1) << missing.out;
  EXPECT_NE(missing.out.find("/nonexistent/kvtconv-gis.so: not found"), std::string::npos) << missing.out;
  EXPECT_FALSE(fs::exists(m / "out.gpkg"));
  const Ran linked = sh(m.dir.str(), std::string("ldd '") + KVT_CLI + "'");
  EXPECT_EQ(linked.out.find("libgdal"), std::string::npos) << linked.out;
}

}  // namespace
