// kvtconv: the command-line host of the conversions.
#include <CLI/CLI.hpp>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <string>

#include "kvtconv.hpp"
#include "terminal.hpp"

namespace {

namespace fs = std::filesystem;

std::string defaultParDir() {
  if (const char* p = std::getenv("KVTPAR"); p && *p) return p;
  fs::path base;
  if (const char* x = std::getenv("XDG_CONFIG_HOME"); x && *x) base = x;
  else if (const char* h = std::getenv("HOME"); h && *h) base = fs::path(h) / ".config";
  else base = ".";
  return (base / "kvtconv").string();
}

struct Common {
  std::string par;
  std::string input;
  std::string output;
  std::string mode = "new";
};

const std::map<std::string, int> kModes = {{"new", 0}, {"replace", -1}, {"append", 2000}};

void addFiles(CLI::App* cmd, Common& c, const char* inHelp, const char* outHelp) {
  cmd->add_option("--par", c.par, "Parameter directory holding VOXA.PAR and VOXA.ADM")
      ->default_str("$KVTPAR, else $XDG_CONFIG_HOME/kvtconv");
  cmd->add_option("-i,--input,input", c.input, inHelp)->required();
  cmd->add_option("-o,--output,output", c.output, outHelp)->required();
}

void addMode(CLI::App* cmd, Common& c) {
  cmd->add_option("--mode", c.mode, "Catalogue output: new (keep an existing file), replace or append")
      ->transform(CLI::IsMember(kModes))
      ->capture_default_str();
}

}  // namespace

int main(int argc, char** argv) {
  CLI::App app{"kvtconv: survey data between the KVT catalogue and instrument and exchange formats"};
  app.set_version_flag("--version", std::string("kvtconv ") + KVTCONV_VERSION);
  app.require_subcommand(1);

  Common c;
  int variant = 0, option = 0, keep = 0;
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
  kvt2sokkia->add_option("--variant", variant, "0 = SDR2, other = SDR33")->capture_default_str();

  auto* leica2kvt = app.add_subcommand("leica2kvt", "Leica/WILD GSI file to a catalogue");
  addFiles(leica2kvt, c, "GSI file", "Catalogue to write");
  addMode(leica2kvt, c);
  leica2kvt->add_option("--labels", labels, "GSI labels file")->required();

  auto* kvt2leica = app.add_subcommand("kvt2leica", "Catalogue points to a GSI file");
  addFiles(kvt2leica, c, "Input catalogue", "GSI file to write");
  kvt2leica->add_option("--option", option, "Word length option")->capture_default_str();

  auto* geo2kvt = app.add_subcommand("geo2kvt", "Geodimeter file to a catalogue");
  addFiles(geo2kvt, c, "Geodimeter file", "Catalogue to write");
  addMode(geo2kvt, c);
  geo2kvt->add_option("--labels", labels, "Label conversion file")->required();

  auto* kvt2geo = app.add_subcommand("kvt2geo", "Catalogue points to a Geodimeter file");
  addFiles(kvt2geo, c, "Input catalogue", "Geodimeter file to write");

  auto* ski2kvt = app.add_subcommand("ski2kvt", "Leica SKI point file to a catalogue");
  addFiles(ski2kvt, c, "SKI point file", "Catalogue to write");
  auto* skivec2kvt = app.add_subcommand("skivec2kvt", "Leica SKI vector file to a catalogue");
  addFiles(skivec2kvt, c, "SKI vector file", "Catalogue to write");

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

  if (c.par.empty()) {
    c.par = defaultParDir();
    std::error_code ec;
    fs::create_directories(c.par, ec);
  }
  kvtcli::Terminal term;
  auto session = kvtconv::newSession(term.hooks());
  kvtconv::Session& s = *session;
  const int mode = kModes.at(c.mode);

  if (*kvt2zeiss) kvtconv::kvt2zeiss(s, c.par, c.input, c.output);
  else if (*zeiss2kvt) kvtconv::zeiss2kvt(s, mode, header ? 1 : 0, coordinates ? 1 : 0, c.input, c.output, c.par);
  else if (*sokkia2kvt) kvtconv::sokkia2kvt(s, mode, c.input, c.output, c.par, keep ? 1 : 0);
  else if (*kvt2sokkia) kvtconv::kvt2sokkia(s, variant, c.par, c.input, c.output);
  else if (*leica2kvt) kvtconv::leica2kvt(s, mode, c.input, c.output, labels, c.par);
  else if (*kvt2leica) kvtconv::kvt2leica(s, option, c.par, c.input, c.output);
  else if (*geo2kvt) kvtconv::geo2kvt(s, mode, c.input, c.output, labels, c.par);
  else if (*kvt2geo) kvtconv::kvt2geo(s, c.par, c.input, c.output);
  else if (*ski2kvt) kvtconv::ski2kvt(s, c.input, c.output, c.par);
  else if (*skivec2kvt) kvtconv::skivec2kvt(s, c.input, c.output, c.par);
  return term.errors() > 0 ? 1 : 0;
}
