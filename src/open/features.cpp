// Catalogues and DSFL maps as features, and points back to a catalogue.
#include "open/features.hpp"

#include <cmath>
#include <filesystem>
#include <map>
#include <utility>

#include "catalogue/codes.hpp"
#include "catalogue/codetable.hpp"
#include "catalogue/observations.hpp"
#include "catalogue/point.hpp"
#include "catalogue/record.hpp"
#include "frame/files.hpp"
#include "frame/filter.hpp"
#include "frame/run.hpp"
#include "frame/scratch.hpp"
#include "frame/session.hpp"
#include "frame/text.hpp"
#include "open/crs.hpp"
#include "open/emit.hpp"

namespace kvtconv::open {

namespace {

constexpr int kIn = 17, kOut = 18;
constexpr std::size_t kWidth = 132;

// The reader's guard against representation error (1e-13) stays out of the
// maps: values to the micrometre, finer than any survey.
double clean(double v) { return std::round(v * 1e6) / 1e6; }

class CatalogueReader {
 public:
  CatalogueReader(Session& s, MapContents& out) : s_(s), out_(out) {}

  void run(std::string_view input) {
    setfil(s_);
    reportOpen(s_, opfile(s_, kIn, input, 1, 8), input, true);
    TextFile* in = s_.channel(kIn);
    ObjectBuilder objects([this](const MapObject& o) { out_.objects.push_back(o); },
                          [this](const Vertex& v) {
                            s_.wrmsg(" Punkt nr.: " + v.number +
                                     " Objektafslutning uden objekt, kode: " + v.code);
                          });
    std::string line;
    int type = 0;
    for (;;) {
      const ReadStatus st = rdrec(in, line, kWidth, type);
      if (st == ReadStatus::Error) s_.wrerr(" Fejl ved l\xE6sning af katalog: " + std::string(trim(input)));
      if (st != ReadStatus::Ok) break;
      if (type == 6) {
        point(line, objects);
      } else if (type == 10) {
        objects.flush();
        text(line);
      } else if (type == 2) {
        setup(line);
      } else if (type == 90 || type == 91 || type == 92) {
        objects.flush();
      }
    }
    objects.flush();
    placeSetups();
    if (unplaced_ != 0) {
      std::string note = " ";  // built in steps: g++ 12 warns falsely on one expression
      note += std::to_string(unplaced_);
      note += " punkter uden koordinater er udeladt";
      s_.wrmsg(note);
    }
    s_.wrmsg(countLine(s_.counter));
    s_.closeChannel(kIn);
  }

 private:
  char mark() const { return s_.par.missingMark(); }

  void point(const std::string& line, ObjectBuilder& objects) {
    const Point p = rpkt(s_, line);  // internal order
    if (filter(s_, p.number, p.code)) return;
    ++s_.counter;
    if (!present(p.x) || !present(p.y)) {
      ++unplaced_;
      return;
    }
    PointFeature f;
    f.v.first = clean(p.x);
    f.v.second = clean(p.y);
    f.v.hasHeight = present(p.height);
    f.v.height = f.v.hasHeight ? clean(p.height) : 0;
    f.v.number = fieldText(p.number, mark());
    f.v.code = fieldText(p.code, mark());
    f.task = fieldText(p.task, mark());
    for (std::size_t k = 0; k < 3; ++k) {
      f.hasExtraReal[k] = present(p.extras.reals[k]);
      f.extraReals[k] = f.hasExtraReal[k] ? clean(p.extras.reals[k]) : 0;
    }
    std::string code = p.code, base = p.code;
    int codeType = 0;
    const bool split = !f.v.code.empty() && findkod(s_, code, base, codeType) == 0;
    if (split) {
      f.base = std::string(trim(base));
      f.codeType = codeType;
    }
    objects.add(f.v, f.base, codeType, split);
    out_.points.push_back(std::move(f));
  }

  void text(const std::string& line) {
    const TextRecord t = rtext(s_, line);  // internal order
    if (filter(s_, "IGRTABEL", t.code)) return;
    if (!present(t.x) || !present(t.y)) return;
    TextFeature f;
    f.first = clean(t.x);
    f.second = clean(t.y);
    f.code = fieldText(t.code, mark());
    f.text = std::string(trim(t.text));
    f.hasDirection = present(t.valueA);
    f.direction = f.hasDirection ? clean(t.valueA) : 0;
    f.hasSize = present(t.valueB);
    f.size = f.hasSize ? clean(t.valueB) : 0;
    f.position = t.valueC == kMissingInt ? 0 : t.valueC;
    out_.texts.push_back(std::move(f));
  }

  void setup(const std::string& line) {
    const Setup r = rsta(s_, line);
    SetupFeature f;
    f.station = fieldText(r.station, mark());
    f.code = fieldText(r.code, mark());
    f.hasInstrumentHeight = present(r.instrumentHeight);
    f.instrumentHeight = f.hasInstrumentHeight ? clean(r.instrumentHeight) : 0;
    out_.setups.push_back(std::move(f));
  }

  // A station is placed where the catalogue's last point of that number is.
  void placeSetups() {
    std::map<std::string, const PointFeature*> byNumber;
    for (const auto& p : out_.points) byNumber[p.v.number] = &p;
    for (auto& f : out_.setups) {
      const auto it = byNumber.find(f.station);
      if (f.station.empty() || it == byNumber.end()) continue;
      f.placed = true;
      f.first = it->second->v.first;
      f.second = it->second->v.second;
    }
  }

  Session& s_;
  MapContents& out_;
  std::uint64_t unplaced_ = 0;
};

void describe(Session& s, MapContents& out) {
  out.system = std::string(trim(s.par.text(par::kCoordSystem)));
  out.epsg = epsgOfSystem(out.system);
  out.decimals = s.par.digit(par::kCoordDecimals);
}

// The feature codes of a code table built by the DSFL import.
void readFeatures(const std::string& path, char missingMark, MapContents& out) {
  std::error_code ec;
  auto f = TextFile::openRead(path, ec);
  if (!f) return;
  const CodeLayout layout = initCodeTab(f.get());
  std::string line;
  while (f->readLine(line, kWidth) == ReadStatus::Ok) {
    CodeEntry e;
    if (!rcode(layout, line, e)) continue;
    out.features.push_back({fieldText(e.code, missingMark), fieldText(e.k, missingMark),
                            fieldText(e.u, missingMark), fieldText(e.remark, missingMark)});
  }
}

}  // namespace

bool readCatalogue(Session& s, std::string_view parDir, std::string_view input, MapContents& out) {
  guardedRun(s, [&] {
    startRun(s, "KVT --> GIS", parDir);
    describe(s, out);
    CatalogueReader(s, out).run(input);
  });
  return errorCount(s) == 0;
}

bool readDsfl(Session& s, std::string_view parDir, std::string_view input, MapContents& out) {
  const std::string dir = std::filesystem::temp_directory_path().string();
  // Scratch files take the next free name, so runs side by side never meet.
  const ScratchFile catalogue(dir, "kvtconv-dsfl", "kvt"), table(dir, "kvtconv-dsfl", "tab");
  if (catalogue.path().empty() || table.path().empty()) return false;
  std::int32_t links = 0;
  std::string design = "-";
  Dsfl2KvtArgs a;
  a.reportMode = -1;
  a.linkCounter = &links;
  a.buildCodeTable = 1;
  a.parDir = parDir;
  a.input = input;
  a.codeTable = table.path();
  a.output = catalogue.path();
  a.reportFile = "-";
  a.designFile = &design;
  a.firstPoint = "-";
  dsfl2kvt(s, a);
  if (errorCount(s) != 0) return false;
  readFeatures(table.path(), s.par.missingMark(), out);
  return readCatalogue(s, parDir, catalogue.path(), out);
}

bool writeCatalogue(Session& s, std::string_view parDir, std::int32_t mode, std::string_view output,
                    std::vector<NewPoint>& points) {
  guardedRun(s, [&] {
    startRun(s, "GIS --> KVT", parDir);
    reportOpen(s, opfile(s, kOut, output, mode, 7, Access::Write), output, false);
    TextFile* out = s.channel(kOut);
    if (!out) return;
    wfilhead(s, out);
    for (const NewPoint& n : points) {
      Point p;
      if (n.number.size() > 12) s.diag(DiagKind::Truncated, 0, "point number cut to 12 characters", n.number);
      if (n.code.size() > 10) s.diag(DiagKind::Truncated, 0, "code cut to 10 characters", n.code);
      p.number = fixed(n.number, 12);
      p.code = fixed(n.code, 10);
      p.x = n.first;  // wpkt puts them in the catalogue's order
      p.y = n.second;
      p.height = n.hasHeight ? n.height : kMissingReal;
      p.task = s.adm.taskText;
      wpkt(s, out, p);
      ++s.counter;
    }
    endOutput(s, kOut);
    s.wrmsg(countLine(s.counter, " punkter konverteret ..."));
    s.closeAll();
  });
  return errorCount(s) == 0;
}

}  // namespace kvtconv::open
