// Leica SKI ASCII point and vector files, both ways. Every line begins with
// a two-character key: "@%" header keywords, "@#" points with "@1"/"@4"
// codes and "@&" accuracies after them, "@+"/"@-"/"@=" vectors.
#include <cmath>

#include "catalogue/angles.hpp"
#include "catalogue/columns.hpp"
#include "catalogue/fortran.hpp"
#include "catalogue/observations.hpp"
#include "catalogue/point.hpp"
#include "catalogue/record.hpp"
#include "frame/files.hpp"
#include "frame/run.hpp"
#include "frame/session.hpp"
#include "frame/text.hpp"

namespace kvtconv {

namespace {

constexpr int kIn = 12, kOut = 13;
constexpr std::size_t kLineWidth = 80;

double pack(double d, double m, double sec) { return d * 10000.0 + m * 100.0 + sec; }

double realAt(std::string_view line, std::size_t col, std::size_t& pos) {
  pos = col;
  int err = 0;
  const double v = rdrtas(line, pos, err);
  return err != 0 ? kMissingReal : v;
}

double realAt(std::string_view line, std::size_t col) {
  std::size_t pos = col;
  return realAt(line, col, pos);
}

// `width` characters from `col` on, then left-justified: a value aligned
// further right than the keyword's field loses its end.
std::string textAt(std::string_view line, std::size_t col, std::size_t width) {
  std::string field = fixed(columns(line, col, width), width);
  stgbln(field);
  return field;
}

// The header keywords both imports share, and the comment they give.
struct SkiHeader {
  std::string coordinateType = std::string(10, ' ');
  std::string ellipsoid = std::string(10, ' ');
  std::string projection = std::string(10, ' ');

  void read(TextFile* out, std::string_view line) {
    const std::string_view body = line.substr(2);
    if (body.substr(0, 16) == "Coordinate type:") {
      coordinateType = textAt(line, 19, 10);
    } else if (body.substr(0, 20) == "Reference ellipsoid:") {
      ellipsoid = textAt(line, 23, 10);
    } else if (body.substr(0, 15) == "Projection set:") {
      projection = textAt(line, 18, 10);
      std::string c(80, ' ');
      putField(c, 1, "3==> Koordinatsystem: ", 22);
      putField(c, 23, projection, 10);
      putField(c, 33, "Datum: ", 7);
      putField(c, 40, ellipsoid, 41);
      wkom(out, c);
    }
  }
};

// m0 and the six cofactors of an accuracy line.
std::array<double, 7> accuracy(std::string_view line) {
  std::array<double, 7> v{};
  std::size_t pos = 3;
  for (double& x : v) {
    int err = 0;
    x = rdrtas(line, pos, err);
    if (err != 0) x = kMissingReal;
  }
  return v;
}

double spread(double m0, double q, bool absolute) {
  if (missReal(m0) || missReal(q)) return kMissingReal;
  const double v = absolute ? std::fabs(q) : q;
  return v < 0 ? kMissingReal : m0 * std::sqrt(v);
}

using LineFn = std::function<void(std::string&)>;

void eachLine(TextFile* in, const LineFn& fn) {
  std::string line;
  // A read error ends the file as its end does.
  while (in && in->readLine(line, kLineWidth) == ReadStatus::Ok) {
    if (isBlank(line)) continue;
    line.resize(kLineWidth, ' ');
    fn(line);
  }
}

// Both imports: the SKI file, the catalogue and its header.
TextFile* openImport(Session& s, std::string_view input, std::string_view output) {
  reportOpen(s, opfile(s, kIn, input, 1, 6), input, true, Report::Diagnostic);
  reportOpen(s, opfile(s, kOut, output, -1, 8, Access::Write), output, false, Report::Diagnostic);
  TextFile* out = s.channel(kOut);
  wfilhead(s, out);
  return out;
}

}  // namespace

void ski2kvt(Session& s, std::string_view input, std::string_view output, std::string_view parDir) {
  guardedRun(s, [&] {
    startRun(s, "Leica SKI --> KVT", parDir);
    TextFile* out = openImport(s, input, output);
    const std::string decimals = s.par.text(par::kCoordDecimals);
    SkiHeader header;
    std::string code = fixed("GPS", 10);
    Point last;
    bool havePoint = false;
    eachLine(s.channel(kIn), [&](std::string& line) {
      const std::string_view key = std::string_view(line).substr(0, 2);
      if (key == "@%") {
        header.read(out, line);
      } else if (key == "@#") {
        Point p;
        const std::string_view body = rtrim(line);
        int cls = 0;
        if (body.size() >= 2) {
          const char a = body[body.size() - 2], b = body[body.size() - 1];
          if (std::isdigit(static_cast<unsigned char>(a)) && std::isdigit(static_cast<unsigned char>(b)))
            cls = (a - '0') * 10 + (b - '0');
        }
        p.number = fixed(trim(std::string_view(line).substr(2, 16)), 12);
        if (cls >= 11 && cls <= 19) {
          std::size_t pos = 19;
          int err = 0;
          p.x = rdrtas(line, pos, err);
          if (err) p.x = kMissingReal;
          p.y = rdrtas(line, pos, err);
          if (err) p.y = kMissingReal;
          p.height = rdrtas(line, pos, err);
          if (err) p.height = kMissingReal;
          if (cls == 19) p.height = p.x;  // a height alone stands first
        } else if (cls >= 21 && cls <= 29) {
          auto dms = [&](std::size_t col) {
            std::size_t pos = col;
            int e1 = 0, e2 = 0, e3 = 0;
            const double d = rdrtas(line, pos, e1), m = rdrtas(line, pos, e2), sec = rdrtas(line, pos, e3);
            return e1 || e2 || e3 ? kMissingReal : pack(d, m, sec);
          };
          p.x = dms(19);
          p.y = dms(38);
          p.height = realAt(std::string_view(line).substr(56, 20), 1);
          // Packed angles need the decimals of geographic coordinates.
          s.par.set(par::kCoordDecimals, s.par.text(par::kGeoDecimals));
        } else if (cls >= 31 && cls <= 39) {
          p.x = realAt(std::string_view(line).substr(21, 12), 1);
          p.y = realAt(std::string_view(line).substr(36, 12), 1);
          p.height = realAt(std::string_view(line).substr(55, 21), 1);
        }
        // The units digit tells which of the values are there at all.
        if (cls % 10 == 3) p.height = kMissingReal;
        if (cls % 10 == 9) p.x = p.y = kMissingReal;
        p.code = code;
        p.task = s.adm.taskText;
        wpkt(s, out, p);
        last = p;
        havePoint = true;
        ++s.counter;
      } else if (key == "@1" || key == "@4") {
        code = fixed(std::string_view(line).substr(2, 10), 10);
        stgbln(code);
        if (havePoint) {  // before any point there is nothing to correct
          if (out) out->stepBack();
          last.code = code;
          wpkt(s, out, last);
        }
      } else if (key == "@&") {
        const auto a = accuracy(line);
        if (havePoint) {
          last.extras.reals = {spread(a[0], a[1], false), spread(a[0], a[4], false), spread(a[0], a[6], false)};
          if (out) out->stepBack();
          wpkt(s, out, last);
        }
      }
    });
    s.par.set(par::kCoordDecimals, decimals);
    s.wrmsg(countLine(s.counter, " punkter konverteret ..."));
    endOutput(s, kOut);
    s.closeAll();
  });
}

void skivec2kvt(Session& s, std::string_view input, std::string_view output, std::string_view parDir) {
  guardedRun(s, [&] {
    startRun(s, "Leica SKI --> KVT vektor", parDir);
    TextFile* out = openImport(s, input, output);
    SkiHeader header;
    Vector v;
    eachLine(s.channel(kIn), [&](std::string& line) {
      const std::string_view key = std::string_view(line).substr(0, 2);
      if (key == "@%") {
        header.read(out, line);
      } else if (key == "@+") {
        v = Vector{};
        v.from = fixed(trim(std::string_view(line).substr(2, 16)), 12);
      } else if (key == "@-") {
        v.to = fixed(trim(std::string_view(line).substr(2, 16)), 12);
        std::size_t pos = 19;
        for (double& c : v.components) {
          int err = 0;
          c = rdrtas(line, pos, err);
          if (err) c = kMissingReal;
        }
        if (sameText(header.coordinateType, "Geodetic")) {
          for (std::size_t k = 0; k < 2; ++k) {
            if (missReal(v.components[k])) continue;
            const Dms d = convGms(v.components[k]);
            v.components[k] = pack(d.degrees, d.minutes, d.seconds);
          }
        }
      } else if (key == "@=") {
        const auto a = accuracy(line);
        v.spreads = {spread(a[0], a[1], true), spread(a[0], a[4], true), spread(a[0], a[6], true)};
        wvector(s, out, v);
        ++s.counter;
      }
    });
    s.wrmsg(countLine(s.counter, " vektorer konverteret ..."));
    endOutput(s, kOut);
    s.closeAll();
  });
}

void kvt2ski(Session& s, std::string& ellipsoid, std::string& projection, std::string_view coordType,
             std::string_view output, std::string_view input, std::string_view parDir) {
  guardedRun(s, [&] {
    startRun(s, "KVT --> Leica SKI", parDir);
    ellipsoid = "WGS 1984";
    projection = "undefined";
    reportOpen(s, opfile(s, kIn, input, 1, 8), input, true, Report::Diagnostic);
    reportOpen(s, opfile(s, kOut, output, -1, 6, Access::Write), output, false, Report::Diagnostic);
    TextFile* in = s.channel(kIn);
    TextFile* out = s.channel(kOut);
    const std::string_view type = trim(coordType);
    const char kind = type.empty() ? '1' : type[0];
    const std::string word = kind == '2' ? "Cartesian" : kind == '3' ? "Grid" : "Geodetic";
    const int tens = kind == '2' ? 1 : kind == '3' ? 3 : 2;
    auto put = [&](const std::string& l) {
      if (out) out->writeLine(rtrim(l));
    };
    put("@%Unit:" + std::string(16, ' ') + "m");
    put("@%Coordinate type:     " + word);
    put("@%Reference ellipsoid: " + ellipsoid);
    put("@%Projection set:      " + projection);
    // The record, the point and the line are kept from record to record:
    // nothing is allocated per point.
    std::string_view rec;
    int recType = 0;
    Point p;
    std::string line;
    for (;;) {
      const ReadStatus st = rdrec(in, rec, 80, recType);
      if (st == ReadStatus::End) break;
      if (st == ReadStatus::Error) {
        s.diag(DiagKind::WriteFailed, 0, "catalogue could not be read to its end", trim(input));
        break;
      }
      if (recType != 6) continue;
      rpkt(s, rec, p, PointPart::Position);
      ++s.counter;
      const bool first = !missReal(p.x), second = !missReal(p.y), height = !missReal(p.height);
      if (!height && !(first && second)) continue;
      line.assign(80, ' ');
      putField(line, 1, "@#", 2);
      putField(line, 3, p.number, 16);
      // Each value that is there is written, whatever is missing beside it.
      if (kind == '2' || kind == '3') {
        if (first) putF(line, 19, 15, 4, p.x);
        if (second) putF(line, 34, 15, 4, p.y);
        if (height) putF(line, 49, 15, 4, p.height);
      } else if (kind == '1') {
        if (first) {
          const Dms a = convGms(p.x);
          putI(line, 19, 3, a.degrees);
          putI(line, 23, 2, a.minutes);
          putF(line, 26, 9, 6, a.seconds);
          putField(line, 36, "N", 1);  // the north letter of the system
        }
        if (second) {
          const Dms b = convGms(p.y);
          putI(line, 38, 3, b.degrees);
          putI(line, 42, 2, b.minutes);
          putF(line, 45, 9, 6, b.seconds);
          putField(line, 55, "E", 1);
        }
        if (height) putF(line, 57, 10, 4, p.height);
      }
      const int units = !height ? 3 : !first && !second ? 9 : 5;
      putI(line, 77, 2, tens * 10 + units);
      put(line);
    }
    endOutput(s, kOut);
    s.wrmsg(countLine(s.counter));
    s.closeAll();
  });
}

}  // namespace kvtconv
