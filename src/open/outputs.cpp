// LandXML from a catalogue.
#include "open/outputs.hpp"

#include <algorithm>
#include <cstdint>
#include <string>
#include <unordered_set>
#include <utility>

#include "catalogue/codes.hpp"
#include "catalogue/observations.hpp"
#include "catalogue/point.hpp"
#include "catalogue/record.hpp"
#include "frame/files.hpp"
#include "frame/filter.hpp"
#include "frame/run.hpp"
#include "frame/session.hpp"
#include "frame/text.hpp"
#include "open/crs.hpp"
#include "open/emit.hpp"

namespace kvtconv {

namespace {

constexpr int kIn = 17, kOut = 18;
constexpr std::size_t kWidth = 132;

// The input and output of an export run, and its record loop.
class Export {
 public:
  Export(Session& s, std::string_view input, std::string_view output) : s_(s), input_(input) {
    setfil(s);
    reportOpen(s, opfile(s, kIn, input, 1, 8), input, true);
    reportOpen(s, opfile(s, kOut, output, -1, 6), output, false);
    in_ = s.channel(kIn);
    out_ = s.channel(kOut);
  }

  // The next record; false at the end of the catalogue or after a read error.
  bool next(std::string& line, int& type) {
    const ReadStatus st = rdrec(in_, line, kWidth, type);
    if (st == ReadStatus::Error) s_.wrerr(" Fejl ved l\xE6sning af katalog: " + std::string(trim(input_)));
    return st == ReadStatus::Ok;
  }

  // A point record in column order; false when the filter rejects it.
  bool point(const std::string& line, Point& p) {
    p = rpkt(s_, line);
    if (filter(s_, p.number, p.code)) return false;
    ++s_.counter;
    return true;
  }

  void write(std::string_view text) {
    if (out_) out_->writeLine(text);
  }

  void finish() {
    if (unplaced_ != 0) {
      std::string line(1, ' ');
      line += std::to_string(unplaced_);
      line += " punkter uden koordinater er udeladt";
      s_.wrmsg(line);
    }
    endOutput(s_, kOut);
    s_.wrmsg(countLine(s_.counter));
    s_.closeChannel(kIn);
    s_.closeChannel(kOut);
  }

  void unplaced() { ++unplaced_; }
  char mark() const { return s_.par.missingMark(); }
  Session& session() { return s_; }

 private:
  Session& s_;
  std::string_view input_;
  TextFile *in_ = nullptr, *out_ = nullptr;
  std::uint64_t unplaced_ = 0;
};

bool placed(const Point& p) { return open::present(p.x) && open::present(p.y); }

// ------------------------------------------------------------- LandXML

std::string isoDate(const std::string& d) {
  return d.substr(0, 4) + "-" + d.substr(4, 2) + "-" + d.substr(6, 2);
}

std::string isoTime(const std::string& t) { return t.substr(0, 2) + ":" + t.substr(2, 2) + ":00"; }

// CgPoint names are unique: a repeated number takes the next free
// "number_k" and keeps the number in its description.
std::string uniqueName(std::unordered_set<std::string>& used, const std::string& number) {
  std::string name = number;
  for (int k = 2; !used.insert(name).second; ++k) name = number + "_" + std::to_string(k);
  return name;
}

void landXmlRun(Export& e) {
  Session& s = e.session();
  e.write("<?xml version=\"1.0\" encoding=\"UTF-8\"?>");
  e.write("<LandXML xmlns=\"http://www.landxml.org/schema/LandXML-1.2\""
          " xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\""
          " xsi:schemaLocation=\"http://www.landxml.org/schema/LandXML-1.2"
          " http://www.landxml.org/schema/LandXML-1.2/LandXML-1.2.xsd\""
          " version=\"1.2\" date=\"" + isoDate(s.date) + "\" time=\"" + isoTime(s.time) + "\">");
  e.write("  <Units><Metric areaUnit=\"squareMeter\" linearUnit=\"meter\" volumeUnit=\"cubicMeter\""
          " temperatureUnit=\"celsius\" pressureUnit=\"milliBars\"/></Units>");
  std::string cs = "  <CoordinateSystem name=\"";
  open::appendXml(cs, trim(s.par.text(par::kCoordSystem)));
  cs += '"';
  if (const int epsg = open::catalogueEpsg(s); epsg != 0) cs += " epsgCode=\"" + std::to_string(epsg) + '"';
  e.write(cs + "/>");
  e.write("  <Application name=\"kvtconv\" version=\"" KVTCONV_VERSION "\"/>");
  e.write("  <CgPoints>");
  std::string line, out;
  int type = 0;
  Point p;
  std::unordered_set<std::string> used;
  while (e.next(line, type)) {
    if (type != 6 || !e.point(line, p)) continue;
    if (!placed(p)) {
      e.unplaced();
      continue;
    }
    const std::string number = open::fieldText(p.number, e.mark());
    const std::string name = uniqueName(used, number);
    out = "    <CgPoint name=\"";
    open::appendXml(out, name);
    out += '"';
    if (name != number) {
      out += " desc=\"";
      open::appendXml(out, number);
      out += '"';
    }
    const std::string code = open::fieldText(p.code, e.mark());
    if (!code.empty()) {
      out += " code=\"";
      open::appendXml(out, code);
      out += '"';
    }
    out += '>';
    open::appendNumber(out, p.y);
    out += ' ';
    open::appendNumber(out, p.x);
    if (open::present(p.height)) {
      out += ' ';
      open::appendNumber(out, p.height);
    }
    out += "</CgPoint>";
    e.write(out);
  }
  e.write("  </CgPoints>");
  e.write("</LandXML>");
}

}  // namespace

void kvt2landxml(Session& s, std::string_view parDir, std::string_view input,
                 std::string_view output) {
  guardedRun(s, [&] {
    startRun(s, "KVT --> LandXML", parDir);
    Export e(s, input, output);
    landXmlRun(e);
    e.finish();
  });
}

}  // namespace kvtconv
