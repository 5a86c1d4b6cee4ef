// `kvtconv convert`: many inputs, each converted by the conversion its
// detected format calls for, on independent sessions in parallel. Every
// output is written under a temporary name beside its final one and renamed
// only when its run has finished without an error line; otherwise it is
// removed, so an output that exists is always complete.
#include "batch.hpp"

#include <unistd.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <thread>

#include "frame/files.hpp"
#include "frame/parfiles.hpp"
#include "frame/scratch.hpp"
#include "frame/session.hpp"
#include "gis/module.hpp"
#include "kvtconv.hpp"
#include "open/detect.hpp"
#include "open/outputs.hpp"
#include "terminal.hpp"
#include "staging.hpp"
#include "tables.hpp"
#include "warnings.hpp"

namespace kvtcli {

namespace fs = std::filesystem;
using kvtconv::Format;

namespace {

// ------------------------------------------------------------- targets

enum class Target { None, Catalogue, Zeiss, Sdr2, Sdr33, Gsi8, Gsi16, Geodimeter, Dsfl, Ski, Gis, LandXml };

struct TargetInfo {
  Target target;
  const char* name;
  const char* ext;  // of the outputs it names
};

constexpr TargetInfo kTargets[] = {
    {Target::Catalogue, "KVT catalogue", ".kvt"}, {Target::Zeiss, "REC 500", ".zei"},
    {Target::Sdr2, "SDR2", ".sdr"},               {Target::Sdr33, "SDR33", ".sdr"},
    {Target::Gsi8, "GSI-8", ".gsi"},              {Target::Gsi16, "GSI-16", ".gsi"},
    {Target::Geodimeter, "Geodimeter", ".geo"},   {Target::Dsfl, "DSFL", ".dsf"},
    {Target::Ski, "SKI", ".ski"},                 {Target::Gis, "GIS", ""},
    {Target::LandXml, "LandXML", ".xml"},
};

const TargetInfo& info(Target t) {
  for (const auto& i : kTargets)
    if (i.target == t) return i;
  return kTargets[0];
}

std::string lower(std::string s) {
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

const std::map<std::string, Target>& targetNames() {
  static const std::map<std::string, Target> names = {
      {"kvt", Target::Catalogue},      {"catalogue", Target::Catalogue}, {"zeiss", Target::Zeiss},
      {"rec500", Target::Zeiss},       {"sdr", Target::Sdr2},            {"sdr2", Target::Sdr2},
      {"sdr33", Target::Sdr33},        {"gsi", Target::Gsi8},            {"gsi8", Target::Gsi8},
      {"gsi16", Target::Gsi16},        {"geo", Target::Geodimeter},      {"geodimeter", Target::Geodimeter},
      {"dsfl", Target::Dsfl},          {"ski", Target::Ski},             {"landxml", Target::LandXml},
      {"xml", Target::LandXml}};
  return names;
}

Target targetOfExtension(const fs::path& p) {
  static const std::map<std::string, Target> exts = {
      {".kvt", Target::Catalogue}, {".zei", Target::Zeiss},     {".rec", Target::Zeiss},
      {".sdr", Target::Sdr2},      {".gsi", Target::Gsi8},      {".geo", Target::Geodimeter},
      {".dsf", Target::Dsfl},      {".dsfl", Target::Dsfl},     {".ski", Target::Ski},
      {".xml", Target::LandXml},   {".landxml", Target::LandXml}};
  const auto it = exts.find(lower(p.extension().string()));
  if (it == exts.end()) return kvtgis::driverForPath(p.string()).empty() ? Target::None : Target::Gis;
  return it->second;
}

bool importable(Format f) {
  switch (f) {
    case Format::Rec500: case Format::M5: case Format::Sdr2: case Format::Sdr33: case Format::Gsi8:
    case Format::Gsi16: case Format::Geodimeter: case Format::Dsfl: case Format::SkiPoints:
    case Format::SkiVectors: case Format::FreeFormat:
      return true;
    default:
      return false;
  }
}

// ------------------------------------------------------------- console

// Error lines of all runs, each named by its file, and one progress line
// on an interactive stderr.
class Console {
 public:
  Console() : utf8_(localeIsUtf8()), bar_(isatty(STDERR_FILENO) != 0) {}

  void error(const std::string& file, std::string_view line) {
    const std::lock_guard<std::mutex> lock(m_);
    clear();
    const auto end = line.find_last_not_of(' ');
    line = end == std::string_view::npos ? std::string_view{} : line.substr(0, end + 1);
    const auto begin = line.find_first_not_of(' ');
    line = begin == std::string_view::npos ? std::string_view{} : line.substr(begin);
    const std::string text = utf8_ ? latin1ToUtf8(line) : std::string(line);
    std::fprintf(stderr, "%s: %s\n", file.c_str(), text.c_str());
    std::fflush(stderr);
    draw();
  }

  void update(std::uint64_t done, std::uint64_t total, std::size_t finished, std::size_t count) {
    if (!bar_) return;
    const std::lock_guard<std::mutex> lock(m_);
    int percent = total == 0 ? 100 : static_cast<int>(std::min<std::uint64_t>(done, total) * 100 / total);
    percent = std::max(percent, percent_);  // the line never goes back
    if (percent == percent_ && finished == finished_) return;
    percent_ = percent;
    finished_ = finished;
    count_ = count;
    draw();
  }

  void done() {
    const std::lock_guard<std::mutex> lock(m_);
    clear();
  }

 private:
  void draw() {
    if (!bar_ || percent_ < 0) return;
    char bar[41];
    const int filled = percent_ * 40 / 100;
    std::memset(bar, '#', static_cast<std::size_t>(filled));
    std::memset(bar + filled, '.', static_cast<std::size_t>(40 - filled));
    bar[40] = '\0';
    std::fprintf(stderr, "\r[%s] %3d%%  %zu/%zu files", bar, percent_, finished_, count_);
    std::fflush(stderr);
    shown_ = true;
  }
  void clear() {
    if (!shown_) return;
    std::fputs("\r\033[K", stderr);
    shown_ = false;
  }

  std::mutex m_;
  bool utf8_, bar_, shown_ = false;
  int percent_ = -1;
  std::size_t finished_ = 0, count_ = 0;
};

// ----------------------------------------------------------------- jobs

struct Job {
  std::size_t index = 0;
  std::string input;
  std::string label;  // the input as shown
  kvtconv::Detection det;
  Target target = Target::None;
  std::string output;     // final output; empty when only the merged catalogue is wanted
  std::string catalogue;  // catalogue of an import kept for the merge
  std::string problem;    // why the job cannot run, found before it starts
  bool installed = false; // `output` was written
  std::uint64_t size = 0;
  std::atomic<std::uint64_t> done{0};
  bool measuring = true;  // the first run of the job feeds the progress line

  int errors = 0;
  std::int64_t counter = 0;  // the last run's own count
  WarningGroups warnings;
  std::string lastMessage;
  bool ok = false;
  std::string result;
};


// The count a closing line begins with; a count too wide for its columns
// ("******") is taken from the run's counter instead.
std::string leadingCount(const std::string& message, std::int64_t counter) {
  std::size_t i = message.find_first_not_of(' ');
  if (i == std::string::npos) return "";
  if (message[i] == '*') return std::to_string(counter);
  const std::size_t b = i;
  while (i < message.size() && std::isdigit(static_cast<unsigned char>(message[i]))) ++i;
  return i > b ? message.substr(b, i - b) : "";
}

class Batch {
 public:
  explicit Batch(ConvertOptions o) : o_(std::move(o)) {}

  int run(std::vector<std::unique_ptr<Job>>& jobs) {
    jobs_ = &jobs;
    for (auto& j : jobs) {
      std::error_code ec;
      j->size = fs::is_regular_file(j->input, ec) ? fs::file_size(j->input, ec) : 0;
      total_ += j->size;
    }
    unsigned n = o_.jobs != 0 ? o_.jobs : std::max(1u, std::thread::hardware_concurrency());
    n = static_cast<unsigned>(std::min<std::size_t>(n, jobs.size()));
    std::vector<std::thread> workers;
    for (unsigned w = 0; w < n; ++w)
      workers.emplace_back([this] {
        for (;;) {
          const std::size_t i = next_++;
          if (i >= jobs_->size()) return;
          Job& j = *(*jobs_)[i];
          runJob(j);
          j.done = j.size;
          ++finished_;
          progress();
        }
      });
    for (auto& w : workers) w.join();
    console_.done();
    return 0;
  }

  Console& console() { return console_; }

 private:
  void progress() {
    std::uint64_t done = 0;
    for (const auto& j : *jobs_) done += j->done.load();
    console_.update(done, total_, finished_.load(), jobs_->size());
  }

  kvtconv::Hooks hooks(Job& j) {
    kvtconv::Hooks h;
    h.message = [&j](std::string_view line) {
      j.lastMessage = std::string(line);
      return 0;
    };
    h.error = [this, &j](std::string_view line) {
      console_.error(j.label, line);
      return 0;
    };
    h.diagnostic = [&j](const kvtconv::Diagnostic& d) { j.warnings.add(d); };
    h.progress = [this, &j](std::uint64_t done, std::uint64_t total) {
      // Only the main input counts, not the parameter or table files.
      if (!j.measuring || total != j.size) return;
      j.done = std::min(done, j.size);
      progress();
    };
    return h;
  }

  std::string option(const std::string& given, const char* table) const { return tableOr(given, table); }

  // Runs the import of `j` into the catalogue `out`; false when it cannot.
  bool runImport(kvtconv::Session& s, Job& j, const std::string& out) {
    const std::string& par = o_.par;
    const std::int32_t mode = -1;  // the catalogue is a fresh temporary file
    switch (j.det.format) {
      case Format::Rec500:
      case Format::M5:
        kvtconv::zeiss2kvt(s, mode, j.det.zeissHeader ? 1 : 0, j.det.zeissCoordinates ? 1 : 0, j.input, out, par);
        return true;
      case Format::Sdr2:
      case Format::Sdr33:
        kvtconv::sokkia2kvt(s, mode, j.input, out, par, 0);
        return true;
      case Format::Gsi8:
      case Format::Gsi16: {
        const std::string labels = option(o_.gsiLabels, kGsiLabels);
        if (labels.empty()) return fail(j, "a GSI import needs a labels file (--labels)");
        kvtconv::leica2kvt(s, mode, j.input, out, labels, par);
        return true;
      }
      case Format::Geodimeter: {
        const std::string labels = option(o_.geoLabels, kGeoConversion);
        if (labels.empty()) return fail(j, "a Geodimeter import needs a conversion file (--geo-labels)");
        kvtconv::setTableDirectory(s, tableDirectory());
        kvtconv::geo2kvt(s, mode, j.input, out, labels, par);
        return true;
      }
      case Format::Dsfl: {
        const std::string table = option(o_.codeTable, kDsflCodes);
        if (table.empty()) return fail(j, "a DSFL import needs a code table (--code-table)");
        std::int32_t links = 0;
        std::string design = "-";
        kvtconv::Dsfl2KvtArgs a;
        a.reportMode = -1;
        a.linkCounter = &links;
        a.parDir = par;
        a.input = j.input;
        a.codeTable = table;
        a.output = out;
        a.reportFile = "-";
        a.designFile = &design;
        a.firstPoint = "-";
        kvtconv::dsfl2kvt(s, a);
        return true;
      }
      case Format::SkiPoints:
        kvtconv::ski2kvt(s, j.input, out, par);
        return true;
      case Format::SkiVectors:
        kvtconv::skivec2kvt(s, j.input, out, par);
        return true;
      case Format::FreeFormat: {
        if (!j.det.freeLayout && o_.layout.empty())
          return fail(j, "a point list without a layout line needs --format");
        // The conversion takes its data files from a list file that it removes;
        // each job creates its own exclusively.
        const kvtconv::ScratchFile list(fs::temp_directory_path().string(),
                                        "kvtconv-list-" + std::to_string(::getpid()) + "-" + std::to_string(j.index),
                                        "tmp");
        bool listed = false;
        if (!list.path().empty()) {
          std::ofstream f(list.path(), std::ios::binary);
          f << j.input << "\n";
          f.close();
          listed = !f.fail();
        }
        if (!listed) return fail(j, "the list of data files could not be written");
        kvtconv::fri2kvt(s, 1, o_.layout.empty() ? 0 : 1, par, o_.layout, list.path(), out);
        return true;
      }
      default:
        return fail(j, std::string("no conversion reads ") + kvtconv::formatName(j.det.format) + " files");
    }
  }

  bool runExport(kvtconv::Session& s, Job& j, const std::string& in, const std::string& out) {
    const std::string& par = o_.par;
    switch (j.target) {
      case Target::Zeiss: kvtconv::kvt2zeiss(s, par, in, out); return true;
      case Target::Sdr2: kvtconv::kvt2sokkia(s, 0, par, in, out); return true;
      case Target::Sdr33: kvtconv::kvt2sokkia(s, 1, par, in, out); return true;
      case Target::Gsi8: kvtconv::kvt2leica(s, 0, par, in, out); return true;
      case Target::Gsi16: kvtconv::kvt2leica(s, 1, par, in, out); return true;
      case Target::Geodimeter: kvtconv::kvt2geo(s, par, in, out); return true;
      case Target::Ski: {
        std::string ellipsoid = "WGS 1984", projection = "undefined";
        kvtconv::kvt2ski(s, ellipsoid, projection, "3", out, in, par);
        return true;
      }
      case Target::Dsfl: {
        const std::string table = option(o_.codeTable, kDsflCodes);
        if (table.empty()) return fail(j, "a DSFL export needs a code table (--code-table)");
        kvtconv::Kvt2DsflArgs a;
        a.origin1 = "0";
        a.origin2 = "0";
        a.parDir = par;
        a.output = out;
        a.input = in;
        a.codeTable = table;
        a.answerFile = "-";
        a.reportFile = "-";
        a.filterFile = "-";
        kvtconv::kvt2dsfl(s, a);
        return true;
      }
      case Target::Gis: {
        kvtgis::ToGis g;
        g.parDir = par;
        g.input = in;
        g.output = (fs::path(out) / fs::path(j.output).filename()).string();
        g.format = o_.gisDriver;
        std::error_code ec;
        fs::create_directory(out, ec);
        std::string why;
        return kvtgis::kvt2gis(s, g, why) || fail(j, why);
      }
      case Target::LandXml: kvtconv::kvt2landxml(s, par, in, out); return true;
      default: return fail(j, "no conversion to that format");
    }
  }

  bool fail(Job& j, const std::string& why) {
    j.problem = why;
    console_.error(j.label, " " + why);
    return false;
  }

  void runJob(Job& j) {
    if (!j.problem.empty()) {
      console_.error(j.label, " " + j.problem);
      j.result = j.problem;
      return;
    }
    const bool imports = j.det.format != Format::Catalogue;
    const bool exports = j.target != Target::Catalogue;
    if (!imports && !exports) {
      // A catalogue joins the merge as it is.
      j.catalogue = j.input;
      j.ok = true;
      j.result = "ok";
      return;
    }
    auto session = kvtconv::newSession(hooks(j));
    kvtconv::Session& s = *session;
    // Temporary files of the job: the catalogue of an import, the export.
    std::string catTemp, outTemp;
    bool keepCatalogue = false;
    bool ran = true;
    if (imports) {
      keepCatalogue = !exports && !j.output.empty();
      catTemp = keepCatalogue ? temporaryBeside(j.output, j.index)
                              : (fs::path(work_) / ("job" + std::to_string(j.index) + ".kvt")).string();
      ran = runImport(s, j, catTemp);
      j.counter = s.counter;
      j.errors += kvtconv::errorCount(s) + kvtconv::writeFailures(s) + kvtconv::readFailures(s);
      j.measuring = false;
    }
    if (ran && exports) {
      outTemp = temporaryBeside(j.output, j.index);
      ran = runExport(s, j, imports ? catTemp : j.input, outTemp);
      j.counter = s.counter;
      j.errors += kvtconv::errorCount(s) + kvtconv::writeFailures(s) + kvtconv::readFailures(s);
    }
    if (!o_.quiet)
      for (const std::string& w : j.warnings.lines()) console_.error(j.label, w);
    const std::string made = exports ? outTemp : catTemp;
    std::error_code ec;
    if (ran && !fs::exists(made, ec)) {
      ran = false;
      j.problem = "no output was written";
    }
    if (!ran || (j.errors != 0 && !o_.keepErrors) || j.warnings.incomplete()) {
      removeQuietly(outTemp);
      removeQuietly(catTemp);
      j.result = !ran ? j.problem : std::to_string(j.errors) + " error line" + (j.errors == 1 ? "" : "s") + ", no output";
      return;
    }
    const bool append = o_.mode == "append";
    std::string why;
    if (exports) {
      if (!install(outTemp, j.output, append && j.target == Target::Catalogue, why)) {
        removeQuietly(catTemp);
        j.result = why;
        return;
      }
      j.installed = true;
      // A chained import's catalogue serves the merge only.
      if (imports && !o_.merge.empty()) j.catalogue = catTemp;
      else removeQuietly(catTemp);
    } else if (keepCatalogue) {
      if (!install(catTemp, j.output, append, why)) {
        j.result = why;
        return;
      }
      j.installed = true;
      j.catalogue = j.output;
    } else {
      j.catalogue = catTemp;  // only for the merge
    }
    if (!imports) j.catalogue = j.input;
    j.ok = j.errors == 0;
    j.result = j.errors == 0 ? "ok"
                             : std::to_string(j.errors) + " error line" + (j.errors == 1 ? "" : "s") +
                                   ", output kept";
  }

 public:
  std::string work_;

 private:
  ConvertOptions o_;
  Console console_;
  std::vector<std::unique_ptr<Job>>* jobs_ = nullptr;
  std::atomic<std::size_t> next_{0}, finished_{0};
  std::uint64_t total_ = 0;
};

std::string pad(const std::string& s, std::size_t w) { return s.size() >= w ? s : s + std::string(w - s.size(), ' '); }
std::string padLeft(const std::string& s, std::size_t w) { return s.size() >= w ? s : std::string(w - s.size(), ' ') + s; }

void summary(const std::vector<std::unique_ptr<Job>>& jobs, const std::string& merged, const std::string& mergeResult) {
  std::vector<std::array<std::string, 6>> rows;
  rows.push_back({"input", "format", "output", "records", "errors", "result"});
  for (const auto& j : jobs) {
    const std::string format = j->det.format == Format::Unknown || j->det.format == Format::Empty
                                   ? kvtconv::formatName(j->det.format)
                                   : std::string(kvtconv::formatName(j->det.format)) + " " +
                                         std::to_string(j->det.confidence) + "%";
    const std::string out = j->installed ? j->output : j->catalogue.empty() ? "-" : "(merged)";
    rows.push_back({j->label, format, out, leadingCount(j->lastMessage, j->counter), std::to_string(j->errors), j->result});
  }
  if (!merged.empty()) rows.push_back({"(merge)", "KVT catalogue", merged, "", "", mergeResult});
  std::array<std::size_t, 6> w{};
  for (const auto& r : rows)
    for (std::size_t i = 0; i < r.size(); ++i) w[i] = std::max(w[i], r[i].size());
  for (const auto& r : rows) {
    std::string line = pad(r[0], w[0]) + "  " + pad(r[1], w[1]) + "  " + pad(r[2], w[2]) + "  " +
                       padLeft(r[3], w[3]) + "  " + padLeft(r[4], w[4]) + "  " + r[5];
    while (!line.empty() && line.back() == ' ') line.pop_back();
    std::cout << line << "\n";
  }
  std::cout.flush();
}

}  // namespace

bool prepareParameters(const std::string& par) {
  const bool missing = !fs::exists(kvtconv::findFixedName(par, "VOXA.PAR")) ||
                       !fs::exists(kvtconv::findFixedName(par, "VOXA.ADM"));
  auto s = kvtconv::newSession();
  kvtconv::getpar(*s, par);
  s->closeAll();
  if (missing && fs::exists(kvtconv::findFixedName(par, "VOXA.PAR")) &&
      fs::exists(kvtconv::findFixedName(par, "VOXA.ADM")))
    std::fprintf(stderr, "kvtconv: made the parameter files VOXA.ADM and VOXA.PAR in %s\n", par.c_str());
  return s->par.yes(75);
}

int runConvert(ConvertOptions o) {
  // "convert IN OUT": one input and the file it becomes.
  std::string single;
  if (o.outDir.empty() && o.merge.empty() && o.inputs.size() == 2) {
    const std::string& second = o.inputs[1];
    std::error_code ec;
    const bool exists = fs::exists(second, ec);
    const Target t = targetOfExtension(second);
    bool output = !exists;
    if (exists && !fs::is_directory(second, ec) && t != Target::None) {
      // An existing file is the output when it has the extension the first
      // input would be converted to.
      const Format f = kvtconv::detectFile(o.inputs[0]).format;
      output = (f == Format::Catalogue) != (t == Target::Catalogue);
    }
    if (exists && fs::is_directory(second, ec)) {
      o.outDir = second;
      o.inputs.pop_back();
    } else if (output) {
      single = second;
      o.inputs.pop_back();
    }
  }
  Target to = Target::None;
  if (!o.to.empty()) {
    const auto it = targetNames().find(lower(o.to));
    o.gisDriver = it == targetNames().end() ? kvtgis::driverByName(o.to) : "";
    if (it == targetNames().end() && !o.gisDriver.empty()) {
      to = Target::Gis;
    } else if (it == targetNames().end()) {
      std::cerr << "kvtconv: unknown output format \"" << o.to << "\" (kvt, zeiss, sdr2, sdr33, gsi8, gsi16, geo, "
                   "dsfl, ski, landxml, or a GIS format GDAL writes)\n";
      if (const std::string why = kvtgis::moduleError(); !why.empty()) std::cerr << "kvtconv: " << why << "\n";
      return 2;
    } else {
      to = it->second;
    }
  }
  if (!single.empty() && to == Target::None) {
    to = targetOfExtension(single);
    if (to == Target::Gis) o.gisDriver = kvtgis::driverForPath(single);
    if (to == Target::None) {
      std::cerr << "kvtconv: the extension of " << single << " names no format; give --to\n";
      if (const std::string why = kvtgis::moduleError(); !why.empty()) std::cerr << "kvtconv: " << why << "\n";
      return 2;
    }
  }
  if (o.mode != "new" && o.mode != "replace" && o.mode != "append") {
    std::cerr << "kvtconv: --mode is new, replace or append\n";
    return 2;
  }
  const std::string outDir = o.outDir.empty() ? "." : o.outDir;
  if (!o.outDir.empty()) {
    std::error_code ec;
    fs::create_directories(o.outDir, ec);
    if (!fs::is_directory(o.outDir, ec)) {
      std::cerr << "kvtconv: cannot make the output directory " << o.outDir << "\n";
      return 2;
    }
  }

  const bool overwriteWarning = prepareParameters(o.par);

  // The jobs, with their formats, targets and outputs.
  std::vector<std::unique_ptr<Job>> jobs;
  std::set<std::string> taken;
  std::map<std::string, int> stemCount;
  for (const auto& in : o.inputs) ++stemCount[fs::path(in).stem().string()];
  for (std::size_t i = 0; i < o.inputs.size(); ++i) {
    auto j = std::make_unique<Job>();
    j->index = i;
    j->input = o.inputs[i];
    j->label = o.inputs[i];
    j->det = kvtconv::detectFile(j->input);
    const bool catalogue = j->det.format == Format::Catalogue;
    if (catalogue) j->target = to == Target::None ? (o.merge.empty() ? Target::None : Target::Catalogue) : to;
    else j->target = to == Target::None ? Target::Catalogue : to;

    if (j->det.format == Format::Unknown || j->det.format == Format::Empty) {
      j->problem = "format not recognised: " + j->det.reason;
    } else if (!catalogue && !importable(j->det.format)) {
      j->problem = std::string("no conversion reads ") + kvtconv::formatName(j->det.format) + " files";
    } else if (catalogue && j->target == Target::None) {
      j->problem = "a catalogue needs --to or an output extension";
    } else if (catalogue && j->target == Target::Catalogue && o.merge.empty()) {
      j->problem = "the file is a catalogue already";
    }
    // Where the output goes.
    const bool mergeOnly = !o.merge.empty() && o.outDir.empty() && j->target == Target::Catalogue;
    if (catalogue && j->target == Target::Catalogue) {
      // A catalogue joins the merge as it is.
    } else if (!single.empty()) {
      j->output = single;
    } else if (!mergeOnly) {
      const fs::path p(j->input);
      const std::string base = stemCount[p.stem().string()] > 1 ? p.filename().string() : p.stem().string();
      j->output = (fs::path(outDir) / (base + (j->target == Target::Gis ? "." + kvtgis::extensionOf(o.gisDriver) : info(j->target).ext))).string();
    }
    if (!j->output.empty() && j->problem.empty()) {
      std::error_code ec;
      if (!taken.insert(fs::weakly_canonical(j->output, ec).string()).second)
        j->problem = "another input has the same output " + j->output;
      else if (o.mode == "new" && overwriteWarning && fs::exists(j->output, ec))
        j->problem = "the output exists and is not overwritten (--mode replace): " + j->output;
      else if (o.mode == "append" && j->target != Target::Catalogue)
        j->problem = "append applies to catalogue outputs only";
    }
    jobs.push_back(std::move(j));
  }

  std::error_code ec;
  const fs::path work = fs::temp_directory_path() /
                        ("kvtconv-batch-" + std::to_string(::getpid()) + "-" +
                         std::to_string(std::chrono::steady_clock::now().time_since_epoch().count()));
  fs::create_directories(work, ec);

  Batch batch(o);
  batch.work_ = work.string();
  batch.run(jobs);

  // The merged catalogue: every catalogue made, in input order.
  std::string mergeResult;
  bool mergeFailed = false;
  if (!o.merge.empty()) {
    const bool exists = fs::exists(o.merge, ec);
    if (o.mode == "new" && overwriteWarning && exists) {
      mergeResult = "exists and is not overwritten (--mode replace)";
      mergeFailed = true;
    } else {
      const std::string temp = temporaryBeside(o.merge, jobs.size());
      std::size_t parts = 0;
      bool good = true;
      {
        std::ofstream out(temp, std::ios::binary);
        good = static_cast<bool>(out);
        for (const auto& j : jobs) {
          if (j->catalogue.empty() || !good) continue;
          good = appendFile(j->catalogue, out);
          ++parts;
        }
        out.close();
        good = good && !out.fail();
      }
      std::string why;
      if (!good) {
        removeQuietly(temp);
        mergeResult = "could not be written";
        mergeFailed = true;
      } else if (!install(temp, o.merge, o.mode == "append", why)) {
        mergeResult = why;
        mergeFailed = true;
      } else {
        mergeResult = std::to_string(parts) + " of " + std::to_string(jobs.size()) + " files merged";
        mergeFailed = parts != jobs.size();
      }
    }
  }
  fs::remove_all(work, ec);

  summary(jobs, o.merge, mergeResult);
  for (const auto& j : jobs)
    if (!o.keepErrors && j->problem.empty() && j->errors != 0 && !j->installed) {
      std::cout << "Outputs of runs that sent error lines were removed; --keep-errors keeps them.\n";
      break;
    }
  bool failed = mergeFailed;
  for (const auto& j : jobs)
    if (!j->ok) failed = true;
  return failed ? 1 : 0;
}

}  // namespace kvtcli
