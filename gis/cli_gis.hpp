#pragma once
// The GIS subcommands of the command line: kvt2gis (with its aliases
// kvt2geojson and kvt2csv) and gis2kvt.
#include <CLI/CLI.hpp>
#include <memory>
#include <string>

namespace kvtcli {

class GisCommands {
 public:
  explicit GisCommands(CLI::App& app);
  ~GisCommands();
  bool selected() const;
  // Runs the chosen subcommand; `par` is the parameter directory when the
  // subcommand was given none. Returns the exit status.
  int run(const std::string& par, bool quiet);

 private:
  struct Options;
  std::unique_ptr<Options> o_;
};

}  // namespace kvtcli
