// kvtconv: the command-line host of the conversions.
#include <CLI/CLI.hpp>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>

#include <unistd.h>

#include "batch.hpp"
#include "frame/files.hpp"
#include "frame/pardir.hpp"
#include "frame/scratch.hpp"
#include "gis/cli_gis.hpp"
#include "kvtconv.hpp"
#include "open/outputs.hpp"
#include "staging.hpp"
#include "tables.hpp"
#include "terminal.hpp"

namespace {

namespace fs = std::filesystem;

struct Common {
  std::string par;
  std::string input;
  std::string output;
  std::string mode = "new";
  bool force = false;
  bool keepErrors = false;
};

const std::map<std::string, int> kModes = {{"new", 0}, {"replace", -1}, {"append", 2000}};

void addFiles(CLI::App* cmd, Common& c, const char* inHelp, const char* outHelp) {
  cmd->add_option("--par", c.par, "Parameter directory holding VOXA.PAR and VOXA.ADM")
      ->default_str("$KVTPAR, else $XDG_CONFIG_HOME/kvtconv");
  cmd->add_option("-i,--input,input", c.input, inHelp)->required();
  cmd->add_option("-o,--output,output", c.output, outHelp)->required();
  cmd->add_flag("-f,--force", c.force, "Replace the output if it exists");
  cmd->add_flag("--keep-errors", c.keepErrors, "Keep the output of a run that sent error lines");
}

void addMode(CLI::App* cmd, Common& c) {
  cmd->add_option("--mode", c.mode, "Catalogue output: new (refuse an existing file), replace or append")
      ->transform(CLI::IsMember(kModes))
      ->capture_default_str();
}

// The closest subcommand name to a mistyped one, if any is close.
std::string nearest(const CLI::App& app, const std::string& word) {
  std::string best;
  std::size_t bestDistance = 3;  // further than two edits is no suggestion
  for (const CLI::App* sub : app.get_subcommands([](const CLI::App*) { return true; })) {
    const std::string& name = sub->get_name();
    std::vector<std::size_t> row(name.size() + 1);
    for (std::size_t j = 0; j <= name.size(); ++j) row[j] = j;
    for (std::size_t i = 1; i <= word.size(); ++i) {
      std::size_t diagonal = row[0];
      row[0] = i;
      for (std::size_t j = 1; j <= name.size(); ++j) {
        const std::size_t up = row[j];
        row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (word[i - 1] == name[j - 1] ? 0 : 1)});
        diagonal = up;
      }
    }
    if (row[name.size()] < bestDistance) {
      bestDistance = row[name.size()];
      best = name;
    }
  }
  return best;
}

// Names what CLI11 would only call "A subcommand is required": an unknown
// option or subcommand before the subcommand. Returns false after saying so.
bool knownCommand(const CLI::App& app, int argc, char** argv) {
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    if (a.rfind('-', 0) == 0) {
      if (a == "-h" || a == "--help" || a == "--version" || a == "-q" || a == "--quiet") continue;
      if (a == "--tables") {
        ++i;  // its value
        continue;
      }
      if (a.rfind("--tables=", 0) == 0) continue;
      std::fprintf(stderr, "kvtconv: unknown option '%s'\nRun with --help for more information.\n", a.c_str());
      return false;
    }
    for (const CLI::App* sub : app.get_subcommands([](const CLI::App*) { return true; }))
      if (sub->check_name(a)) return true;
    const std::string near = nearest(app, a);
    std::fprintf(stderr, "kvtconv: unknown subcommand '%s'%s\nRun with --help for more information.\n", a.c_str(),
                 near.empty() ? "" : ("; did you mean '" + near + "'?").c_str());
    return false;
  }
  return true;
}

// The checks every conversion makes before it starts: an input that can be
// read, an output that is no directory and is replaced only when asked.
bool readyToRun(const Common& c, const std::string& input, const std::string& output, bool hasMode,
                const std::vector<std::string>& otherInputs = {}) {
  std::error_code ec;
  if (!input.empty() && input != "-") {
    if (!fs::exists(input, ec)) {
      std::fprintf(stderr, "kvtconv: %s: no such file\n", input.c_str());
      return false;
    }
    if (fs::is_directory(input, ec)) {
      std::fprintf(stderr, "kvtconv: %s: is a directory, not a file\n", input.c_str());
      return false;
    }
  }
  if (output == "-") return true;
  if (output.size() > 255) {
    std::fprintf(stderr, "kvtconv: %s: the name is longer than 255 characters\n", output.c_str());
    return false;
  }
  for (const std::string& in : otherInputs) {
    if (in.empty() || in == "-") continue;
    if (in == output || fs::equivalent(in, output, ec)) {
      std::fprintf(stderr, "kvtconv: %s is an input of this run; name another output\n", output.c_str());
      return false;
    }
  }
  if (fs::is_directory(output, ec)) {
    std::fprintf(stderr, "kvtconv: %s: is a directory; name the file to write\n", output.c_str());
    return false;
  }
  if (fs::exists(output, ec) && !c.force && c.mode == "new") {
    std::fprintf(stderr, "kvtconv: %s exists; %s\n", output.c_str(),
                 hasMode ? "--force or --mode replace replaces it, --mode append adds to it" : "--force replaces it");
    return false;
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  CLI::App app{"kvtconv: survey data between the KVT catalogue and instrument and exchange formats"};
  app.set_version_flag("--version", std::string("kvtconv ") + KVTCONV_VERSION);
  app.require_subcommand(1);
  bool quiet = false;
  app.add_flag("-q,--quiet", quiet, "No warnings about values read as missing, unmatched lines and the like");
  std::string tablesDir;
  app.add_option("--tables", tablesDir, "Directory of the default tables")->default_str("the shipped ones");

  Common c;
  int keep = 0;
  bool header = false, coordinates = false;
  std::string labels;

  auto* kvt2zeiss = app.add_subcommand("kvt2zeiss", "Catalogue points to Zeiss REC 500 coordinate lines");
  addFiles(kvt2zeiss, c, "Input catalogue", "Zeiss file to write");

  auto* zeiss2kvt = app.add_subcommand("zeiss2kvt", "Zeiss REC 500 / M5 raw data to a catalogue");
  addFiles(zeiss2kvt, c, "Zeiss file", "Catalogue to write");
  addMode(zeiss2kvt, c);
  zeiss2kvt->add_flag("--header", header, "The file begins with a header block");
  zeiss2kvt->add_flag("--coordinates", coordinates, "Convert coordinates instead of observations");

  auto* sokkia2kvt = app.add_subcommand("sokkia2kvt", "Sokkia SDR2/SDR33 file to a catalogue");
  addFiles(sokkia2kvt, c, "SDR file", "Catalogue to write");
  addMode(sokkia2kvt, c);
  sokkia2kvt->add_flag("--keep-unknown", keep, "Copy unidentified lines as comments");

  auto* kvt2sokkia = app.add_subcommand("kvt2sokkia", "Catalogue points to an SDR coordinate file");
  addFiles(kvt2sokkia, c, "Input catalogue", "SDR file to write");
  std::string sdr = "2";
  kvt2sokkia->add_option("--sdr,--variant", sdr, "SDR2 or SDR33 (the old 0 = SDR2, 1 = SDR33 still work)")
      ->check(CLI::IsMember({"2", "33", "0", "1"}))
      ->capture_default_str();

  auto* leica2kvt = app.add_subcommand("leica2kvt", "Leica/WILD GSI file to a catalogue");
  addFiles(leica2kvt, c, "GSI file", "Catalogue to write");
  addMode(leica2kvt, c);
  leica2kvt->add_option("--labels", labels, "GSI labels file")->default_str("the shipped table (kvtconv tables)");

  auto* kvt2leica = app.add_subcommand("kvt2leica", "Catalogue points to a GSI file");
  addFiles(kvt2leica, c, "Input catalogue", "GSI file to write");
  std::string gsi = "8";
  kvt2leica->add_option("--gsi,--option", gsi, "GSI-8 or GSI-16 words (the old 0 = GSI-8, 1 = GSI-16 still work)")
      ->check(CLI::IsMember({"8", "16", "0", "1"}))
      ->capture_default_str();

  auto* geo2kvt = app.add_subcommand("geo2kvt", "Geodimeter file to a catalogue");
  addFiles(geo2kvt, c, "Geodimeter file", "Catalogue to write");
  addMode(geo2kvt, c);
  geo2kvt->add_option("--labels", labels, "Label conversion file")->default_str("the shipped table (kvtconv tables)");

  auto* kvt2geo = app.add_subcommand("kvt2geo", "Catalogue points to a Geodimeter file");
  addFiles(kvt2geo, c, "Input catalogue", "Geodimeter file to write");

  auto* ski2kvt = app.add_subcommand("ski2kvt", "Leica SKI point file to a catalogue");
  addFiles(ski2kvt, c, "SKI point file", "Catalogue to write");
  auto* skivec2kvt = app.add_subcommand("skivec2kvt", "Leica SKI vector file to a catalogue");
  addFiles(skivec2kvt, c, "SKI vector file", "Catalogue to write");

  kvtconv::Kvt2DsflArgs dsflOut;
  std::string origin1 = "0", origin2 = "0", h1, h2, h3, codeTable, answer = "-", report = "-",
              filterFile = "-";
  auto* kvt2dsfl = app.add_subcommand("kvt2dsfl", "Catalogue to a DSFL map file");
  addFiles(kvt2dsfl, c, "Input catalogue", "DSFL file to write");
  kvt2dsfl->add_option("--code-table", codeTable, "Code table file (- for none)")
      ->default_str("the shipped table (kvtconv tables)");
  kvt2dsfl->add_option("--answer", answer, "Answer file")->capture_default_str();
  kvt2dsfl->add_option("--report", report, "Overview report file")->capture_default_str();
  kvt2dsfl->add_option("--filter", filterFile, "Filter catalogue (record types 47, 48)")->capture_default_str();
  kvt2dsfl->add_option("--origin1", origin1, "Origin of the first coordinate")->capture_default_str();
  kvt2dsfl->add_option("--origin2", origin2, "Origin of the second coordinate")->capture_default_str();
  kvt2dsfl->add_option("--h1", h1, "Contents of %H1");
  kvt2dsfl->add_option("--h2", h2, "Contents of %H2 (with heights)");
  kvt2dsfl->add_option("--h3", h3, "Contents of %H3");
  kvt2dsfl->add_flag("--heights", dsflOut.heights, "Three-dimensional output");
  kvt2dsfl->add_flag("--copy-feature-text", dsflOut.copyFeatureText, "Copy record types 90-92 unchanged");
  bool closedAsLines = false, dGroup = false;
  kvt2dsfl->add_flag("--closed-as-lines", closedAsLines, "Closed objects as lines, first point repeated");
  kvt2dsfl->add_flag("--point-numbers", dsflOut.pointNumberTexts, "Write point-number texts");
  kvt2dsfl->add_flag("--d-group", dGroup, "D-group mode");
  kvt2dsfl->add_flag("--height-texts", dsflOut.heightTexts, "Write height texts");
  kvt2dsfl->add_flag("--text-heights", dsflOut.textHeights, "Write text heights for catalogue texts");
  kvt2dsfl->add_option("--scale", dsflOut.scale, "Map scale denominator for text heights")->capture_default_str();
  kvt2dsfl->add_flag("--filter-prompts", dsflOut.filterPrompts, "Filter prompts wanted");

  kvtconv::Dsfl2KvtArgs dsflIn;
  std::string design = "-", firstPoint = "-";
  int reportMode = -1;
  bool directionPoints = false, fieldRecords = false, registerElements = false;
  auto* dsfl2kvt = app.add_subcommand("dsfl2kvt", "DSFL map file to a catalogue");
  addFiles(dsfl2kvt, c, "DSFL file", "Catalogue to write");
  dsfl2kvt->add_option("--code-table", codeTable, "Code table file (read, or written with --build-code-table)")
      ->default_str("the shipped table (kvtconv tables)");
  dsfl2kvt->add_option("--report", report, "Report file")->capture_default_str();
  dsfl2kvt->add_option("--report-mode", reportMode, "Open mode of the report file")->capture_default_str();
  dsfl2kvt->add_option("--design-file", design, "Design file whose databases register the elements")->capture_default_str();
  dsfl2kvt->add_option("--first-point", firstPoint, "First point number")->capture_default_str();
  dsfl2kvt->add_option("--element-offset", dsflIn.elementOffset, "Offset of the running element number")->capture_default_str();
  dsfl2kvt->add_flag("--direction-points", directionPoints, "Write a direction point after points with %V");
  dsfl2kvt->add_flag("--field-records", fieldRecords, "Write %R, %N and %D tokens as field records");
  dsfl2kvt->add_flag("--register", registerElements, "Register elements in the attribute databases");
  dsfl2kvt->add_flag("--build-code-table", dsflIn.buildCodeTable, "Build a new code table from the codes met");

  std::vector<std::string> dataFiles;
  std::string freeLayout, outputFree;
  auto* fri2kvt = app.add_subcommand("fri2kvt", "Point lists in a described column layout to a catalogue");
  fri2kvt->add_option("--par", c.par, "Parameter directory holding VOXA.PAR and VOXA.ADM");
  fri2kvt->add_option("-o,--output", outputFree, "Catalogue to write")->required();
  fri2kvt->add_flag("-f,--force", c.force, "Replace the output if it exists");
  fri2kvt->add_flag("--keep-errors", c.keepErrors, "Keep the output of a run that sent error lines");
  fri2kvt->add_option("files", dataFiles, "Data files (at most 5), read in this order")->required();
  fri2kvt->add_option("--format", freeLayout, "Column layout, e.g. \"PKT K1 K2 K3 KOD\" (else from \"!\" lines in the files)");

  std::string ellipsoid = "WGS 1984", projection = "undefined", coordType = "grid";
  auto* kvt2ski = app.add_subcommand("kvt2ski", "Catalogue points to a Leica SKI file");
  addFiles(kvt2ski, c, "Input catalogue", "SKI file to write");
  kvt2ski->add_option("--ellipsoid", ellipsoid, "Reference ellipsoid")->capture_default_str();
  kvt2ski->add_option("--projection", projection, "Projection set")->capture_default_str();
  kvt2ski->add_option("--coordinate-type", coordType, "geodetic (packed degrees), cartesian or grid")
      ->transform(CLI::IsMember({"geodetic", "cartesian", "grid"}, CLI::ignore_case))
      ->capture_default_str();

  auto* kvt2landxml = app.add_subcommand("kvt2landxml", "Catalogue points to LandXML 1.2 CgPoints");
  addFiles(kvt2landxml, c, "Input catalogue", "LandXML file to write");

  kvtcli::GisCommands gis(app);

  kvtcli::InfoOptions infoOpts;
  auto* info = app.add_subcommand("info", "Summary of a catalogue: records by type, extent, codes, bad lines");
  info->add_option("--par", c.par, "Parameter directory holding VOXA.PAR and VOXA.ADM");
  info->add_flag("--json", infoOpts.json, "One JSON object per catalogue");
  info->add_option("files", infoOpts.files, "Catalogues")->required();

  kvtcli::DetectOptions detectOpts;
  auto* detect = app.add_subcommand("detect", "Name the format of each file, with a confidence and the reason");
  detect->add_flag("--json", detectOpts.json, "A JSON array");
  detect->add_option("files", detectOpts.files, "Files")->required();

  kvtcli::ConvertOptions conv;
  auto* convert = app.add_subcommand(
      "convert", "Convert files by their detected format: IN OUT, or IN... [-o DIR] in parallel");
  convert->add_option("--par", c.par, "Parameter directory holding VOXA.PAR and VOXA.ADM");
  convert->add_option("inputs", conv.inputs, "Input files; or one input and its output file")->required();
  convert->add_option("-o,--output-dir", conv.outDir, "Directory of the outputs (default: the working directory)");
  convert->add_option("--to", conv.to,
                      "Output format: kvt, zeiss, sdr2, sdr33, gsi8, gsi16, geo, dsfl, ski, landxml or any GIS format GDAL writes (GPKG, GeoJSON, CSV, ...) "
                      "(default: kvt for instrument files; for catalogues the output's extension)");
  convert->add_option("-j,--jobs", conv.jobs, "Parallel runs")->default_str("the number of cores");
  convert->add_option("--merge", conv.merge, "Join every catalogue made (and catalogue inputs) into this one, in input order");
  convert->add_option("--mode", conv.mode, "Existing outputs: new (keep them), replace or append")
      ->check(CLI::IsMember({"new", "replace", "append"}))
      ->capture_default_str();
  convert->add_option("--labels", conv.gsiLabels, "GSI labels file")->default_str("the shipped table");
  convert->add_option("--geo-labels", conv.geoLabels, "Geodimeter label conversion file")->default_str("the shipped table");
  convert->add_option("--code-table", conv.codeTable, "DSFL code table")->default_str("the shipped table");
  convert->add_option("--format", conv.layout, "Column layout of point lists without a \"!\" line, e.g. \"PKT K1 K2 K3 KOD\"");
  convert->add_flag("--keep-errors", conv.keepErrors, "Keep the outputs of runs that sent error lines");

  auto* tables = app.add_subcommand("tables", "Where the shipped GSI, Geodimeter and DSFL tables are");

  if (!knownCommand(app, argc, argv)) return 2;
  try {
    app.parse(argc, argv);
  } catch (const CLI::CallForHelp& e) {
    return app.exit(e);
  } catch (const CLI::CallForAllHelp& e) {
    return app.exit(e);
  } catch (const CLI::CallForVersion& e) {
    return app.exit(e);
  } catch (const CLI::ParseError& e) {
    app.exit(e);
    return 2;
  }

  kvtcli::useTableDirectory(tablesDir);
  if (*detect) return kvtcli::runDetect(detectOpts);
  if (*tables) return kvtcli::runTables();
  if (c.par.empty()) c.par = kvtconv::defaultParDir();
  std::error_code ec;
  fs::create_directories(c.par, ec);
  kvtcli::prepareParameters(c.par);
  if (gis.selected()) return gis.run(c.par, quiet);
  if (*info) {
    infoOpts.par = c.par;
    return kvtcli::runInfo(infoOpts);
  }
  if (*convert) {
    conv.par = c.par;
    conv.quiet = quiet;
    return kvtcli::runConvert(conv);
  }
  // What the conversion reads and writes: "-" is standard input or output,
  // and the output is put in place only when the run sent no error line.
  const bool isFree = fri2kvt->parsed();
  const std::string outputName = isFree ? outputFree : c.output;
  const bool hasMode = isFree || zeiss2kvt->parsed() || sokkia2kvt->parsed() || leica2kvt->parsed() ||
                       geo2kvt->parsed();
  // Every file the run reads: the output may be none of them.
  std::vector<std::string> inputs = {c.input, kvtconv::findFixedName(c.par, "VOXA.PAR"),
                                     kvtconv::findFixedName(c.par, "VOXA.ADM")};
  if (leica2kvt->parsed()) inputs.push_back(kvtcli::tableOr(labels, kvtcli::kGsiLabels));
  if (geo2kvt->parsed()) inputs.push_back(kvtcli::tableOr(labels, kvtcli::kGeoConversion));
  if (kvt2dsfl->parsed()) inputs.insert(inputs.end(), {kvtcli::tableOr(codeTable, kvtcli::kDsflCodes), answer, filterFile});
  if (dsfl2kvt->parsed() && !dsflIn.buildCodeTable) inputs.push_back(kvtcli::tableOr(codeTable, kvtcli::kDsflCodes));
  if (isFree) inputs.insert(inputs.end(), dataFiles.begin(), dataFiles.end());
  if (!readyToRun(c, isFree ? std::string() : c.input, outputName, hasMode, inputs)) return 1;
  if (isFree)
    for (const std::string& d : dataFiles)
      if (!readyToRun(c, d, "-", false)) return 1;
  kvtcli::StagedInput in(isFree ? std::string() : c.input);
  if (!isFree && !in.ok()) {
    std::fputs("kvtconv: standard input could not be read\n", stderr);
    return 1;
  }
  const bool append = c.mode == "append";
  kvtcli::StagedOutput out(outputName, append);
  const std::string& input = in.path();
  const std::string& output = out.path();
  const int mode = -1;  // the staged output is always a new file

  // With the output on standard output, messages go to standard error.
  kvtcli::Terminal term(quiet, outputName == "-");
  auto session = kvtconv::newSession(term.hooks());
  kvtconv::Session& s = *session;

  if (*kvt2zeiss) kvtconv::kvt2zeiss(s, c.par, input, output);
  else if (*zeiss2kvt) kvtconv::zeiss2kvt(s, mode, header ? 1 : 0, coordinates ? 1 : 0, input, output, c.par);
  else if (*sokkia2kvt) kvtconv::sokkia2kvt(s, mode, input, output, c.par, keep ? 1 : 0);
  else if (*kvt2sokkia) kvtconv::kvt2sokkia(s, sdr == "2" || sdr == "0" ? 0 : 1, c.par, input, output);
  else if (*leica2kvt) kvtconv::leica2kvt(s, mode, input, output, kvtcli::tableOr(labels, kvtcli::kGsiLabels), c.par);
  else if (*kvt2leica) kvtconv::kvt2leica(s, gsi == "16" || gsi == "1" ? 1 : 0, c.par, input, output);
  else if (*geo2kvt) {
    kvtconv::setTableDirectory(s, kvtcli::tableDirectory());
    kvtconv::geo2kvt(s, mode, input, output, kvtcli::tableOr(labels, kvtcli::kGeoConversion), c.par);
  }
  else if (*kvt2geo) kvtconv::kvt2geo(s, c.par, input, output);
  else if (*ski2kvt) kvtconv::ski2kvt(s, input, output, c.par);
  else if (*skivec2kvt) kvtconv::skivec2kvt(s, input, output, c.par);
  else if (*kvt2landxml) kvtconv::kvt2landxml(s, c.par, input, output);
  else if (*kvt2ski) {
    const std::string kind = coordType == "geodetic" ? "1" : coordType == "cartesian" ? "2" : "3";
    kvtconv::kvt2ski(s, ellipsoid, projection, kind, output, input, c.par);
  }
  else if (*fri2kvt) {
    // The conversion takes its data files from a list file that it removes.
    // The file is created exclusively under a name of this process, so runs
    // side by side never read each other's list.
    const kvtconv::ScratchFile list(fs::temp_directory_path().string(),
                                    "kvtconv-list-" + std::to_string(::getpid()), "tmp");
    bool listed = false;
    if (!list.path().empty()) {
      std::ofstream f(list.path(), std::ios::binary);
      for (const auto& d : dataFiles) f << d << "\n";
      f.close();
      listed = !f.fail();
    }
    if (!listed) {
      std::fputs("kvtconv: the list of data files could not be written\n", stderr);
      return 1;
    }
    kvtconv::fri2kvt(s, static_cast<std::int32_t>(dataFiles.size()), freeLayout.empty() ? 0 : 1, c.par, freeLayout,
                     list.path(), output);
  }
  else if (*kvt2dsfl) {
    dsflOut.closedAsLines = closedAsLines ? 1.0f : 0.0f;
    dsflOut.dGroupMode = dGroup ? 1.0f : 0.0f;
    dsflOut.origin1 = origin1;
    dsflOut.origin2 = origin2;
    dsflOut.h1 = h1;
    dsflOut.h2 = h2;
    dsflOut.h3 = h3;
    dsflOut.parDir = c.par;
    dsflOut.output = output;
    dsflOut.outputShown = outputName;
    dsflOut.input = input;
    codeTable = kvtcli::tableOr(codeTable, kvtcli::kDsflCodes);
    dsflOut.codeTable = codeTable;
    dsflOut.answerFile = answer;
    dsflOut.reportFile = report;
    dsflOut.filterFile = filterFile;
    kvtconv::kvt2dsfl(s, dsflOut);
  } else if (*dsfl2kvt) {
    if (codeTable.empty() && dsflIn.buildCodeTable) {
      std::fputs("kvtconv: --build-code-table needs --code-table naming the table to write\n", stderr);
      return 2;
    }
    std::int32_t links = 0;
    dsflIn.reportMode = reportMode;
    dsflIn.directionPoints = directionPoints ? 1.0f : 0.0f;
    dsflIn.fieldRecords = fieldRecords ? 1.0f : 0.0f;
    dsflIn.registerElements = registerElements ? 1.0f : 0.0f;
    dsflIn.linkCounter = &links;
    dsflIn.parDir = c.par;
    dsflIn.input = input;
    codeTable = kvtcli::tableOr(codeTable, kvtcli::kDsflCodes);
    dsflIn.codeTable = codeTable;
    dsflIn.output = output;
    dsflIn.outputShown = outputName;
    dsflIn.reportFile = report;
    dsflIn.designFile = &design;
    dsflIn.firstPoint = firstPoint;
    kvtconv::dsfl2kvt(s, dsflIn);
  }
  const bool broken = term.flushWarnings();
  const bool failed = term.errors() > 0;
  if (broken || (failed && !c.keepErrors)) return 1;
  std::string why;
  if (!out.commit(why)) {
    std::fprintf(stderr, "kvtconv: %s: %s\n", outputName.c_str(), why.c_str());
    return 1;
  }
  return failed ? 1 : 0;
}
