// CSV, GeoJSON and LandXML from a catalogue.
#include "open/outputs.hpp"

#include <algorithm>
#include <cstdint>
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
#include "open/emit.hpp"
#include "open/objects.hpp"

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
    if (s_.exchange) std::swap(p.x, p.y);
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

open::Vertex vertexOf(const Point& p, char mark) {
  open::Vertex v;
  v.first = p.x;
  v.second = p.y;
  v.hasHeight = open::present(p.height);
  v.height = v.hasHeight ? p.height : 0;
  v.number = open::fieldText(p.number, mark);
  v.code = open::fieldText(p.code, mark);
  return v;
}

bool placed(const Point& p) { return open::present(p.x) && open::present(p.y); }

// ----------------------------------------------------------------- CSV

void csvRun(Export& e) {
  e.write("number,code,first_y_east,second_x_north,height");
  std::string line, row;
  int type = 0;
  Point p;
  while (e.next(line, type)) {
    if (type != 6 || !e.point(line, p)) continue;
    row.clear();
    open::appendCsv(row, open::fieldText(p.number, e.mark()));
    row += ',';
    open::appendCsv(row, open::fieldText(p.code, e.mark()));
    for (const double v : {p.x, p.y, p.height}) {
      row += ',';
      if (open::present(v)) open::appendNumber(row, v);
    }
    e.write(row);
  }
}

// ------------------------------------------------------------- GeoJSON

class GeoJson {
 public:
  explicit GeoJson(Export& e) : e_(e) {}

  void run() {
    e_.write("{\"type\": \"FeatureCollection\", \"features\": [");
    open::ObjectBuilder objects([this](const open::MapObject& o) { feature(o); },
                                [this](const open::Vertex& v) { misplacedEnd(v); });
    std::string line;
    int type = 0;
    Point p;
    while (e_.next(line, type)) {
      if (type == 10) {
        objects.flush();
        text(line);
      } else if (type == 90 || type == 91 || type == 92) {
        objects.flush();
      } else if (type == 6 && e_.point(line, p)) {
        if (!placed(p)) {
          e_.unplaced();
          continue;
        }
        std::string code = p.code, base = p.code;
        int codeType = 0;
        const bool split = open::fieldText(p.code, e_.mark()).size() != 0 &&
                           findkod(e_.session(), code, base, codeType) == 0;
        objects.add(vertexOf(p, e_.mark()), std::string(trim(base)), codeType, split);
      }
    }
    objects.flush();
    e_.write("]}");
  }

 private:
  static void position(std::string& out, const open::Vertex& v, bool height) {
    out += '[';
    open::appendNumber(out, v.first);
    out += ", ";
    open::appendNumber(out, v.second);
    if (height) {
      out += ", ";
      open::appendNumber(out, v.height);
    }
    out += ']';
  }

  static void positions(std::string& out, const std::vector<open::Vertex>& vs, bool height) {
    out += '[';
    for (std::size_t i = 0; i < vs.size(); ++i) {
      if (i != 0) out += ", ";
      position(out, vs[i], height);
    }
    out += ']';
  }

  static bool allHeights(const std::vector<open::Vertex>& vs) {
    for (const auto& v : vs)
      if (!v.hasHeight) return false;
    return true;
  }

  static bool samePlace(const open::Vertex& a, const open::Vertex& b) {
    return a.first == b.first && a.second == b.second;
  }

  void begin(std::string& out) {
    out = first_ ? "" : ",";
    first_ = false;
    out += "{\"type\": \"Feature\", \"geometry\": ";
  }

  static void property(std::string& out, const char* name, std::string_view text) {
    out += ", \"";
    out += name;
    out += "\": ";
    if (text.empty()) out += "null";
    else open::appendJsonString(out, text);
  }

  void feature(const open::MapObject& o) {
    std::string out;
    begin(out);
    if (o.kind == open::MapObject::Point) {
      const open::Vertex& v = o.vertices.front();
      out += "{\"type\": \"Point\", \"coordinates\": ";
      position(out, v, v.hasHeight);
      out += "}, \"properties\": {\"kind\": \"point\"";
      property(out, "number", v.number);
      property(out, "code", v.code);
      property(out, "base", o.base);
      out += ", \"code_type\": ";
      out += o.codeType < 0 ? "null" : std::to_string(o.codeType);
      out += ", \"height\": ";
      if (v.hasHeight) open::appendNumber(out, v.height);
      else out += "null";
      out += "}}";
      e_.write(out);
      return;
    }
    std::vector<open::Vertex> ring = o.vertices;
    bool area = o.kind == open::MapObject::Area;
    if (area) {
      if (samePlace(ring.front(), ring.back())) ring.pop_back();
      std::size_t distinct = 0;
      for (std::size_t i = 0; i < ring.size() && distinct < 3; ++i)
        if (i == 0 || !samePlace(ring[i], ring[i - 1])) ++distinct;
      area = distinct >= 3;
    }
    const bool height = allHeights(o.vertices);
    if (area) {
      // The exterior ring runs anticlockwise, and ends where it begins.
      double twiceArea = 0;
      for (std::size_t i = 0; i < ring.size(); ++i) {
        const open::Vertex& a = ring[i];
        const open::Vertex& b = ring[(i + 1) % ring.size()];
        twiceArea += a.first * b.second - b.first * a.second;
      }
      if (twiceArea < 0) std::reverse(ring.begin(), ring.end());
      ring.push_back(ring.front());
      out += "{\"type\": \"Polygon\", \"coordinates\": [";
      positions(out, ring, height);
      out += "]}";
    } else {
      out += "{\"type\": \"LineString\", \"coordinates\": ";
      positions(out, o.vertices, height);
      out += '}';
    }
    out += ", \"properties\": {\"kind\": ";
    out += area ? "\"area\"" : "\"line\"";
    property(out, "code", o.base);
    property(out, "first", o.vertices.front().number);
    property(out, "last", o.vertices.back().number);
    out += ", \"points\": " + std::to_string(o.vertices.size());
    out += ", \"ended\": ";
    out += o.ended ? "true" : "false";
    out += "}}";
    e_.write(out);
  }

  void text(const std::string& line) {
    Session& s = e_.session();
    TextRecord t = rtext(s, line);
    if (filter(s, "IGRTABEL", t.code)) return;
    if (s.exchange) std::swap(t.x, t.y);
    if (!open::present(t.x) || !open::present(t.y)) return;
    open::Vertex v;
    v.first = t.x;
    v.second = t.y;
    std::string out;
    begin(out);
    out += "{\"type\": \"Point\", \"coordinates\": ";
    position(out, v, false);
    out += "}, \"properties\": {\"kind\": \"text\"";
    property(out, "code", open::fieldText(t.code, e_.mark()));
    property(out, "text", trim(t.text));
    out += "}}";
    e_.write(out);
  }

  void misplacedEnd(const open::Vertex& v) {
    e_.session().wrmsg(" Punkt nr.: " + v.number + " Objektafslutning uden objekt, kode: " + v.code);
  }

  Export& e_;
  bool first_ = true;
};

// ------------------------------------------------------------- LandXML

std::string isoDate(const std::string& d) {
  return d.substr(0, 4) + "-" + d.substr(4, 2) + "-" + d.substr(6, 2);
}

std::string isoTime(const std::string& t) { return t.substr(0, 2) + ":" + t.substr(2, 2) + ":00"; }

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
  e.write(cs + "\"/>");
  e.write("  <Application name=\"kvtconv\" version=\"" KVTCONV_VERSION "\"/>");
  e.write("  <CgPoints>");
  std::string line, out;
  int type = 0;
  Point p;
  while (e.next(line, type)) {
    if (type != 6 || !e.point(line, p)) continue;
    if (!placed(p)) {
      e.unplaced();
      continue;
    }
    out = "    <CgPoint name=\"";
    open::appendXml(out, open::fieldText(p.number, e.mark()));
    out += '"';
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

void kvt2csv(Session& s, std::string_view parDir, std::string_view input, std::string_view output) {
  guardedRun(s, [&] {
    startRun(s, "KVT --> CSV", parDir);
    Export e(s, input, output);
    csvRun(e);
    e.finish();
  });
}

void kvt2geojson(Session& s, std::string_view parDir, std::string_view input,
                 std::string_view output) {
  guardedRun(s, [&] {
    startRun(s, "KVT --> GeoJSON", parDir);
    Export e(s, input, output);
    GeoJson(e).run();
    e.finish();
  });
}

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
