#include "gis/cli_gis.hpp"

#include <filesystem>
#include <iostream>

#include "cli/batch.hpp"
#include "cli/terminal.hpp"
#include "gis/module.hpp"

namespace kvtcli {

struct GisCommands::Options {
  CLI::App *toGis = nullptr, *toGeoJson = nullptr, *toCsv = nullptr, *fromGis = nullptr;
  kvtgis::ToGis to;
  kvtgis::FromGis from;
  std::string mode = "new";
};

namespace {

void files(CLI::App* cmd, std::string& par, std::string& in, std::string& out, const char* inHelp,
           const char* outHelp) {
  cmd->add_option("--par", par, "Parameter directory holding VOXA.PAR and VOXA.ADM")
      ->default_str("$KVTPAR, else $XDG_CONFIG_HOME/kvtconv");
  cmd->add_option("-i,--input,input", in, inHelp)->required();
  cmd->add_option("-o,--output,output", out, outHelp)->required();
}

}  // namespace

GisCommands::GisCommands(CLI::App& app) : o_(std::make_unique<Options>()) {
  auto& to = o_->to;
  o_->toGis = app.add_subcommand("kvt2gis", "Catalogue or DSFL map to any GIS format GDAL writes");
  files(o_->toGis, to.parDir, to.input, to.output, "Catalogue or DSFL map", "GIS file to write");
  o_->toGis->add_option("-f,--format", to.format, "OGR format (GPKG, GeoJSON, \"ESRI Shapefile\", FlatGeobuf, DXF, KML, CSV, GML, ...)")
      ->default_str("from the output's extension");
  o_->toGis->add_option("--crs", to.crs, "CRS of the coordinates, e.g. EPSG:25832")
      ->default_str("from the coordinate system parameter");
  o_->toGis->add_option("--t-srs", to.targetCrs, "Transform to this CRS, e.g. EPSG:4326");
  o_->toGis->add_option("--layer", to.layers, "Layers to write (points, lines, areas, texts, setups)")
      ->default_str("every layer with features");

  o_->toGeoJson = app.add_subcommand("kvt2geojson", "Catalogue to GeoJSON (kvt2gis -f GeoJSON)");
  files(o_->toGeoJson, to.parDir, to.input, to.output, "Catalogue or DSFL map", "GeoJSON file to write");
  o_->toGeoJson->add_option("--crs", to.crs, "CRS of the coordinates, e.g. EPSG:25832");
  o_->toCsv = app.add_subcommand("kvt2csv", "Catalogue points to CSV (kvt2gis -f CSV --layer points)");
  files(o_->toCsv, to.parDir, to.input, to.output, "Catalogue", "CSV file to write");
  o_->toCsv->add_option("--crs", to.crs, "CRS of the coordinates, e.g. EPSG:25832");

  auto& from = o_->from;
  o_->fromGis = app.add_subcommand("gis2kvt", "Points, lines and areas of a GIS or CAD file to catalogue points");
  files(o_->fromGis, from.parDir, from.input, from.output, "Any vector file GDAL reads", "Catalogue to write");
  o_->fromGis->add_option("--mode", o_->mode, "Catalogue output: new (keep an existing file), replace or append")
      ->check(CLI::IsMember({"new", "replace", "append"}))
      ->capture_default_str();
  o_->fromGis->add_option("--s-srs", from.sourceCrs, "CRS of the input")->default_str("the layer's");
  o_->fromGis->add_option("--t-srs", from.targetCrs, "CRS of the catalogue")
      ->default_str("from the coordinate system parameter");
  o_->fromGis->add_option("--number-field", from.numberField, "Field of the point numbers")
      ->default_str("number, name, pnr, point or id");
  o_->fromGis->add_option("--code-field", from.codeField, "Field of the codes")->default_str("code, kode or Layer");
  o_->fromGis->add_option("--layer", from.layers, "Layers to read")->default_str("every layer");
  o_->fromGis->add_option("--first-number", from.firstNumber, "Number of the first point that has none")
      ->capture_default_str();
}

GisCommands::~GisCommands() = default;

bool GisCommands::selected() const {
  return *o_->toGis || *o_->toGeoJson || *o_->toCsv || *o_->fromGis;
}

int GisCommands::run(const std::string& par, bool quiet) {
  if (o_->from.parDir.empty()) o_->from.parDir = par;
  if (o_->to.parDir.empty()) o_->to.parDir = par;
  // A new parameter directory is made before the run, as for every subcommand.
  const std::string& dir = *o_->fromGis ? o_->from.parDir : o_->to.parDir;
  std::error_code ec;
  std::filesystem::create_directories(dir, ec);
  prepareParameters(dir);
  Terminal term(quiet);
  auto session = kvtconv::newSession(term.hooks());
  std::string error;
  bool ok;
  if (*o_->fromGis) {
    auto& from = o_->from;
    from.mode = o_->mode == "replace" ? -1 : o_->mode == "append" ? 2000 : 0;
    ok = kvtgis::gis2kvt(*session, from, error);
  } else {
    auto& to = o_->to;
    if (*o_->toGeoJson) to.format = "GeoJSON";
    if (*o_->toCsv) {
      to.format = "CSV";
      to.layers = {"points"};
    }
    ok = kvtgis::kvt2gis(*session, to, error);
  }
  term.flushWarnings();
  if (!ok) std::cerr << "kvtconv: " << error << "\n";
  return ok && term.errors() == 0 ? 0 : 1;
}

}  // namespace kvtcli
