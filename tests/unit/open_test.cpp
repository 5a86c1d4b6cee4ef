// Format detection, the catalogue summary, map objects from code types and
// the open outputs. The outputs are read back by independent readers:
// Python's json and xml.etree. The GIS outputs are tested in gis_test.cpp.
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <map>

#include "helpers.hpp"
#include "open/detect.hpp"
#include "open/emit.hpp"
#include "open/info.hpp"
#include "open/objects.hpp"
#include "open/outputs.hpp"

namespace {

namespace fs = std::filesystem;
using kvtconv::Format;
using kvttest::readFile;
using kvttest::TempDir;
using kvttest::writeFile;

// ------------------------------------------------------------ helpers

struct Ran {
  int status = -1;
  std::string out;
};

Ran capture(const std::string& cmd) {
  Ran r;
  std::FILE* p = ::popen((cmd + " 2>&1").c_str(), "r");
  if (!p) return r;
  char buf[4096];
  while (std::fgets(buf, sizeof buf, p)) r.out += buf;
  r.status = ::pclose(p);
  return r;
}


const char* python() { return fs::exists("/usr/bin/python3") ? "/usr/bin/python3" : "python3"; }

// A Python script run on `path`; its output.
Ran py(const std::string& script, const std::string& path) {
  TempDir dir;
  writeFile(dir / "check.py", script);
  return capture(std::string(python()) + " '" + dir / "check.py" + "' '" + path + "'");
}

// --------------------------------------------------- detection: golden

// Splits a cmd line as the shell would for these files: blanks, and
// double quotes around arguments with blanks.
std::vector<std::string> words(const std::string& line) {
  std::vector<std::string> out;
  std::string cur;
  bool quoted = false, any = false;
  for (const char c : line) {
    if (c == '"') {
      quoted = !quoted;
      any = true;
    } else if ((c == ' ' || c == '\n' || c == '\r') && !quoted) {
      if (any) out.push_back(cur);
      cur.clear();
      any = false;
    } else {
      cur += c;
      any = true;
    }
  }
  if (any) out.push_back(cur);
  return out;
}

// The input files of a golden case's command and the format its
// conversion reads.
struct GoldenInput {
  std::string file;
  Format format;
};

std::vector<GoldenInput> goldenInputs(const fs::path& dir) {
  static const std::vector<std::string> flags = {
      "--heights",      "--closed-as-lines", "--d-group",      "--point-numbers",  "--height-texts",
      "--text-heights", "--copy-feature-text", "--keep-unknown", "--header",       "--coordinates",
      "--filter-prompts", "--direction-points", "--field-records", "--register", "--build-code-table",
      "--keep-errors", "--force", "-f"};
  auto w = words(readFile((dir / "cmd").string()));
  while (w.size() > 2 && w[0].rfind("--", 0) == 0) w.erase(w.begin(), w.begin() + 2);  // --tables DIR
  std::vector<std::string> positional;
  for (std::size_t i = 1; i < w.size(); ++i) {
    if (w[i].rfind("-", 0) == 0) {
      if (std::find(flags.begin(), flags.end(), w[i]) == flags.end()) ++i;  // skip its value
      continue;
    }
    positional.push_back(w[i]);
  }
  const std::string cmd = w.empty() ? "" : w[0];
  const std::string name = dir.filename().string();
  std::vector<GoldenInput> out;
  auto add = [&](const std::string& file, Format f) {
    out.push_back({(dir / file).string(), fs::file_size(dir / file) == 0 ? Format::Empty : f});
  };
  if (cmd == "fri2kvt") {
    for (const auto& p : positional) add(p, Format::FreeFormat);
    return out;
  }
  if (positional.empty()) return out;
  const std::string& in = positional[0];
  if (cmd.rfind("kvt2", 0) == 0) add(in, Format::Catalogue);
  else if (cmd == "zeiss2kvt") add(in, name.find("m5") != std::string::npos ? Format::M5 : Format::Rec500);
  else if (cmd == "sokkia2kvt") add(in, name.find("sdr2") != std::string::npos ? Format::Sdr2 : Format::Sdr33);
  else if (cmd == "leica2kvt") add(in, name.find("gsi16") != std::string::npos ? Format::Gsi16 : Format::Gsi8);
  else if (cmd == "geo2kvt") add(in, Format::Geodimeter);
  else if (cmd == "dsfl2kvt") add(in, Format::Dsfl);
  else if (cmd == "ski2kvt") add(in, Format::SkiPoints);
  else if (cmd == "skivec2kvt") add(in, Format::SkiVectors);
  return out;
}

TEST(Detect, EveryGoldenInputIsNamedByTheConversionThatReadsIt) {
  std::size_t checked = 0;
  std::map<Format, int> seen;
  for (const auto& group : fs::directory_iterator(KVT_TEST_DATA)) {
    if (!group.is_directory()) continue;
    for (const auto& c : fs::directory_iterator(group.path())) {
      if (!fs::exists(c.path() / "cmd")) continue;
      for (const auto& g : goldenInputs(c.path())) {
        const kvtconv::Detection d = kvtconv::detectFile(g.file);
        EXPECT_EQ(kvtconv::formatName(d.format), std::string(kvtconv::formatName(g.format)))
            << g.file << ": " << d.reason;
        if (g.format != Format::Empty) {
          EXPECT_GT(d.confidence, 50) << g.file << ": " << d.reason;
        }
        EXPECT_FALSE(d.reason.empty()) << g.file;
        ++seen[g.format];
        ++checked;
      }
    }
  }
  EXPECT_GT(checked, 50u);
  // Every format the conversions read has at least one golden input.
  for (const Format f : {Format::Catalogue, Format::Rec500, Format::M5, Format::Sdr2, Format::Sdr33, Format::Gsi8,
                         Format::Gsi16, Format::Geodimeter, Format::Dsfl, Format::SkiPoints, Format::SkiVectors,
                         Format::FreeFormat})
    EXPECT_GT(seen[f], 0) << kvtconv::formatName(f);
}

TEST(Detect, ZeissHintsForTheImport) {
  const auto obs = kvtconv::detectFile(std::string(KVT_TEST_DATA) + "/zeiss/zeiss2kvt-rec500-obs/traverse.rec");
  EXPECT_FALSE(obs.zeissHeader);
  EXPECT_FALSE(obs.zeissCoordinates);
  const auto fix =
      kvtconv::detectFile(std::string(KVT_TEST_DATA) + "/zeiss/zeiss2kvt-rec500-coord-header/fix.rec");
  EXPECT_TRUE(fix.zeissHeader);
  EXPECT_TRUE(fix.zeissCoordinates);
  const auto m5 = kvtconv::detectFile(std::string(KVT_TEST_DATA) + "/zeiss/zeiss2kvt-m5-obs-projekt/m5job.dat");
  EXPECT_EQ(m5.format, Format::M5);
  EXPECT_TRUE(m5.zeissHeader);
  EXPECT_FALSE(m5.zeissCoordinates);
}

// --------------------------------------------------- detection: near misses

TEST(Detect, NearMisses) {
  struct Row {
    std::string text;
    bool complete;
    Format format;
    int minConfidence, maxConfidence;
    std::string reason;  // a part of the reason
    int freeLayout;      // -1: not asked
  } const rows[] = {
      // A CSV that is no point list.
      {"name,date,amount,city\nAlice,2024-01-02,12.50,Aarhus\nBob,2024-01-03,7.25,Odense\n"
       "Carl,2024-02-11,99.00,Vejle\nDora,2024-03-01,5.10,Kolding\n",
       true, Format::Unknown, 0, 0, "no line has the shape of a known format", -1},
      // A CSV point list without layout is a free-format guess.
      {"101,6123456.789,512345.678,12.5,SKEL\n102,6123460.1,512350.0,12.4,SKEL\n", true, Format::FreeFormat, 0, 60,
       "--format", 0},
      // GSI word widths tell GSI-8 from GSI-16; words of the wrong width in
      // a GSI-16 block are no GSI.
      {"110001+00000100 81..10+00012345 \n", true, Format::Gsi8, 0, 100, "", -1},
      {"*110001+0000000000000100 81..10+0000000000012345 \n", true, Format::Gsi16, 0, 100, "", -1},
      {"*110001+00000100 81..10+00012345 \n", true, Format::Unknown, 0, 100, "", -1},
      // SDR without a header is told.
      {"08KI          ABCDEF000006123456.789000000512345.678000000000012.345SKEL            \n"
       "08KI               7000000000123.456-00000000045.600                KANT1           \n",
       true, Format::Sdr33, 0, 70, "no 00NM header", -1},
      // Prose and emptiness are no format.
      {"Dear surveyor,\nthe job is done.\nRegards\n", true, Format::Unknown, 0, 100, "", -1},
      {"", true, Format::Empty, 0, 100, "", -1},
      {"   \n\x02\n\x03\n", true, Format::Empty, 0, 100, "", -1},
      // A head that ends inside a line: the part line is no evidence.
      {" 6 1 K 1 2 3\n 6 2 K 4 5 6\n%H1 cut her", false, Format::Catalogue, 100, 100, "", -1},
      // Free-format layout lines anywhere.
      {" 8 copied first\n! PKT K1 K2 KOD\n1 2 3 K\n", true, Format::FreeFormat, 0, 100, "line 2", 1},
  };
  for (const Row& r : rows) {
    const auto d = kvtconv::detectFormat(r.text, r.complete);
    EXPECT_EQ(kvtconv::formatName(d.format), std::string(kvtconv::formatName(r.format))) << r.text << d.reason;
    EXPECT_GE(d.confidence, r.minConfidence) << r.text << d.reason;
    EXPECT_LE(d.confidence, r.maxConfidence) << r.text << d.reason;
    EXPECT_NE(d.reason.find(r.reason), std::string::npos) << r.text << d.reason;
    if (r.freeLayout >= 0) {
      EXPECT_EQ(d.freeLayout, r.freeLayout == 1) << r.text;
    }
  }
  TempDir dir;
  EXPECT_EQ(kvtconv::detectFile(dir / "missing").format, Format::Unknown);
  EXPECT_EQ(kvtconv::detectFile(dir / "missing").reason, "the file cannot be read");
}

TEST(Detect, AGsiFileWithOneBadLineIsStillGsi) {
  std::string gsi = readFile(std::string(KVT_TEST_DATA) + "/gsi/leica2kvt-supplements/detail.gsi");
  const auto good = kvtconv::detectFormat(gsi, true);
  ASSERT_EQ(good.format, Format::Gsi8);
  ASSERT_EQ(good.confidence, 100);
  // Line 3 loses a digit of its point number.
  std::size_t at = 0;
  for (int k = 0; k < 2; ++k) at = gsi.find('\n', at) + 1;
  gsi.erase(at + 8, 1);
  const auto bad = kvtconv::detectFormat(gsi, true);
  EXPECT_EQ(bad.format, Format::Gsi8) << bad.reason;
  EXPECT_LT(bad.confidence, 100);
  EXPECT_GE(bad.confidence, 80);
  EXPECT_NE(bad.reason.find("not line 3"), std::string::npos) << bad.reason;
}

TEST(Detect, DbaseTablesByTheirHeader) {
  const std::vector<kvttest::DbCol> cols = {{"DBFILE", 'C', 8}, {"ENTITY", 'N', 4}};
  std::string t = kvttest::dbfTable(
      cols, {kvttest::dbfRecord(cols, {"KORT1", "  12"}), kvttest::dbfRecord(cols, {"KORT2", "   7"})});
  const auto d = kvtconv::detectFormat(t, true);
  EXPECT_EQ(d.format, Format::DBase) << d.reason;
  EXPECT_EQ(d.confidence, 100);
  EXPECT_NE(d.reason.find("2 fields, 2 records of 13 bytes"), std::string::npos) << d.reason;
  // A byte of another month is no dBASE header.
  t[2] = 13;
  EXPECT_NE(kvtconv::detectFormat(t, true).format, Format::DBase);
}

// -------------------------------------------------------------- info

TEST(Info, CountsExtentCodesAndLinesThatAreNoRecord) {
  TempDir dir;
  const std::string par = kvttest::parDir(dir);
  writeFile(dir / "in.kvt",
            " 8  1==> test\n"
            " 6 1 FS1 100.5 200.25 10\n"
            " 6 2 FS1 90 210 -\n"
            "\n"
            "a line of text\n"
            " 6 3 HEG1 - 205 3\n"
            " 2 1 FS1 1.5\n"
            " 6 4 - 95 199 12.5\n"
            "another\n");
  auto s = kvtconv::newSession();
  const kvtconv::CatalogueInfo info = kvtconv::catalogueInfo(*s, par, dir / "in.kvt");
  EXPECT_EQ(kvtconv::errorCount(*s), 0);
  EXPECT_EQ(info.lines, 9u);
  EXPECT_EQ(info.blank, 1u);
  EXPECT_EQ((std::map<int, std::uint64_t>(info.types)), (std::map<int, std::uint64_t>{{2, 1}, {6, 4}, {8, 1}}));
  EXPECT_EQ(info.points, 4u);
  EXPECT_EQ(info.placed, 3u);
  EXPECT_EQ(info.withHeight, 2u);
  EXPECT_NEAR(info.min[0], 90, 1e-9);
  EXPECT_NEAR(info.max[0], 100.5, 1e-9);
  EXPECT_NEAR(info.min[1], 199, 1e-9);
  EXPECT_NEAR(info.max[1], 210, 1e-9);
  EXPECT_NEAR(info.min[2], 10, 1e-9);
  EXPECT_NEAR(info.max[2], 12.5, 1e-9);
  EXPECT_EQ((std::map<std::string, std::uint64_t>(info.codes)),
            (std::map<std::string, std::uint64_t>{{"FS1", 2}, {"HEG1", 1}}));
  EXPECT_EQ(info.uncoded, 1u);
  EXPECT_EQ(info.unparsed, 2u);
  EXPECT_EQ(info.unparsedLines, (std::vector<std::uint64_t>{5, 9}));
  const std::string text = kvtconv::infoText(info, "in.kvt");
  EXPECT_NE(text.find("Lines that are no record: 2 (lines 5, 9)"), std::string::npos) << text;
  EXPECT_NE(text.find("first column   90 .. 100.5"), std::string::npos) << text;
}

TEST(Info, ExtentInColumnOrderUnderAnExchangingSystem) {
  TempDir dir;
  const std::string par = kvttest::parDir(dir, "  2 UTM\n");
  writeFile(dir / "in.kvt", " 6 1 K 6100000 500000 1\n 6 2 K 6100010 500020 1\n");
  auto s = kvtconv::newSession();
  const auto info = kvtconv::catalogueInfo(*s, par, dir / "in.kvt");
  EXPECT_NEAR(info.min[0], 6100000, 1e-9);
  EXPECT_NEAR(info.max[1], 500020, 1e-9);
}

TEST(Info, MissingFileIsAnErrorLine) {
  TempDir dir;
  const std::string par = kvttest::parDir(dir);
  kvttest::Recorder rec;
  auto s = kvtconv::newSession(rec.hooks());
  const auto info = kvtconv::catalogueInfo(*s, par, dir / "nothere.kvt");
  EXPECT_TRUE(info.readError);
  ASSERT_EQ(rec.errors.size(), 1u);
  EXPECT_NE(rec.errors[0].find("Filen findes ikke"), std::string::npos);
}

TEST(Info, JsonIsReadByPython) {
  TempDir dir;
  const std::string par = kvttest::parDir(dir);
  writeFile(dir / "in.kvt", " 6 1 H\xC6K1 1 2 3\n 6 2 \"Q\" 1 2\nbad\n");
  auto s = kvtconv::newSession();
  const auto info = kvtconv::catalogueInfo(*s, par, dir / "in.kvt");
  writeFile(dir / "info.json", kvtconv::infoJson(info, "in \"x\".kvt"));
  const Ran r = py(
      "import json, sys\n"
      "d = json.load(open(sys.argv[1], encoding='utf-8'))\n"
      "print(d['file'], d['records'], d['points'], sorted(d['codes'].items()), d['unparsed'], d['extent'])\n",
      dir / "info.json");
  EXPECT_EQ(r.status, 0) << r.out;
  EXPECT_EQ(r.out,
            "in \"x\".kvt {'6': 2} {'count': 2, 'with_coordinates': 2, 'with_height': 1} "
            "[('\"Q\"', 1), ('H\xC3\x86K1', 1)] {'count': 1, 'lines': [3], 'complete': True} "
            "{'first': [1, 1], 'second': [2, 2], 'height': [3, 3]}\n");
}

// ------------------------------------------------------------ objects

struct Collected {
  std::vector<kvtconv::open::MapObject> objects;
  std::vector<std::string> misplaced;
};

// Feeds "number code-base type" triples; type -1 is a code that did not split.
Collected build(const std::vector<std::tuple<std::string, std::string, int>>& points) {
  Collected c;
  kvtconv::open::ObjectBuilder b([&](const kvtconv::open::MapObject& o) { c.objects.push_back(o); },
                                 [&](const kvtconv::open::Vertex& v) { c.misplaced.push_back(v.number); });
  double x = 0;
  for (const auto& [number, base, type] : points) {
    kvtconv::open::Vertex v;
    v.first = x;
    v.second = x * 2;
    x += 1;
    v.number = number;
    v.code = base + (type >= 0 ? std::to_string(type) : "");
    b.add(v, base, type, type >= 0);
  }
  b.flush();
  return c;
}

std::string shape(const Collected& c) {
  std::string out;
  for (const auto& o : c.objects) {
    out += o.kind == kvtconv::open::MapObject::Point ? "P" : o.kind == kvtconv::open::MapObject::Line ? "L" : "A";
    out += "(" + o.base + ":";
    for (const auto& v : o.vertices) out += v.number;
    out += o.ended ? ")! " : ") ";
  }
  return out;
}

// Code types build points, lines and areas; a base change or a single
// point ends an open line; an end without an object is reported and kept;
// direction points and unsplit codes stay points.
TEST(Objects, FromCodeTypes) {
  struct Row {
    std::vector<std::tuple<std::string, std::string, int>> points;
    std::string shape;
    std::vector<std::string> misplaced;
  } const rows[] = {
      {{{"1", "FPK", 0}, {"2", "HEG", 1}, {"3", "HEG", 2}, {"4", "HEG", 9}, {"5", "BYG", 1}, {"6", "BYG", 1},
        {"7", "BYG", 8}},
       "P(FPK:1) L(HEG:234)! A(BYG:567)! ", {}},
      {{{"1", "HEG", 1}, {"2", "HEG", 1}, {"3", "SKL", 1}, {"4", "SKL", 3}, {"5", "TRE", 0}, {"6", "SKL", 1}},
       "L(HEG:12) L(SKL:34) P(TRE:5) P(SKL:6) ", {}},
      {{{"1", "HEG", 9}, {"2", "HEG", 1}, {"3", "SKL", 8}}, "P(HEG:1) P(HEG:2) P(SKL:3) ", {"1", "3"}},
      {{{"1", "FPK", 0}, {"2", "FPK", 7}, {"3", "SKELPUNKT", -1}}, "P(FPK:1) P(FPK:2) P(SKELPUNKT:3) ", {}},
  };
  for (const Row& r : rows) {
    const Collected c = build(r.points);
    EXPECT_EQ(shape(c), r.shape);
    EXPECT_EQ(c.misplaced, r.misplaced) << r.shape;
  }
  const Collected c = build(rows[3].points);
  EXPECT_EQ(c.objects[1].codeType, 7);
  EXPECT_EQ(c.objects[2].codeType, -1);
}

// ---------------------------------------------------------- outputs

// A small map: a single point, a direction point, an open line, an area
// (given clockwise), a text, a point without coordinates, a Latin-1 code.
constexpr const char* kMap =
    " 8  Kort\n"
    " 6 1001         FPK         1000.000      2000.000        12.514 T\n"
    " 6 1002         FPK7        1001.000      2001.000        12.514 T\n"
    " 6 2001         HEG1        1010.000      2000.000        12.000 T\n"
    " 6 2002         HEG2        1020.000      2005.000        12.100 T\n"
    " 6 2003         HEG9        1030.000      2010.000  ------------ T\n"
    " 6 3001         BYG1        1100.000      2100.000        13.000 T\n"
    " 6 3002         BYG1        1100.000      2110.000        13.000 T\n"
    " 6 3003         BYG1        1110.000      2110.000        13.000 T\n"
    " 6 3004         BYG8        1110.000      2100.000        13.000 T\n"
    "10 VNA         1050.000      2050.000   0   250  2 Skovvej\n"
    " 6 4001         TRE        ------------    2200.000  ------------ T\n"
    " 6 5001         H\xC6K0        1200.000      2200.000         1.000 T\n";

struct MapFiles {
  TempDir dir;
  std::string par, in;
  kvttest::Recorder rec;
  explicit MapFiles(const std::string& parLines = "") {
    par = kvttest::parDir(dir, parLines);
    in = dir / "map.kvt";
    writeFile(in, kMap);
  }
};

TEST(Emit, NumbersHaveAtMostSixDecimals) {
  std::string out;
  kvtconv::open::appendNumber(out, -0.0);
  out += ' ';
  kvtconv::open::appendNumber(out, 512345.678 + 1e-13);
  out += ' ';
  kvtconv::open::appendNumber(out, -12.5);
  EXPECT_EQ(out, "0 512345.678 -12.5");
}

TEST(LandXml, ReadBackByPythonXmlEtree) {
  MapFiles m;
  auto s = kvtconv::newSession(m.rec.hooks());
  const std::string out = m.dir / "map.xml";
  kvtconv::kvt2landxml(*s, m.par, m.in, out);
  EXPECT_EQ(kvtconv::errorCount(*s), 0);
  const Ran r = py(
      "import sys, re\n"
      "import xml.etree.ElementTree as ET\n"
      "ns = {'l': 'http://www.landxml.org/schema/LandXML-1.2'}\n"
      "root = ET.parse(sys.argv[1]).getroot()\n"
      "assert root.tag == '{http://www.landxml.org/schema/LandXML-1.2}LandXML', root.tag\n"
      "assert root.get('version') == '1.2'\n"
      "assert re.fullmatch(r'\\d{4}-\\d\\d-\\d\\d', root.get('date')), root.get('date')\n"
      "assert re.fullmatch(r'\\d\\d:\\d\\d:\\d\\d', root.get('time')), root.get('time')\n"
      "m = root.find('l:Units/l:Metric', ns)\n"
      "for a in ('areaUnit', 'linearUnit', 'volumeUnit', 'temperatureUnit', 'pressureUnit'):\n"
      "  assert m.get(a), a\n"
      "assert m.get('linearUnit') == 'meter'\n"
      "groups = root.findall('l:CgPoints', ns)\n"
      "assert len(groups) == 1\n"
      "for p in groups[0]:\n"
      "  assert p.tag.endswith('}CgPoint'), p.tag\n"
      "  values = [float(v) for v in p.text.split()]\n"
      "  assert len(values) in (2, 3)\n"
      "  print(p.get('name'), p.get('code'), values)\n",
      out);
  EXPECT_EQ(r.status, 0) << r.out;
  // Northing (the second column) first, then easting, then elevation.
  EXPECT_EQ(r.out,
            "1001 FPK [2000.0, 1000.0, 12.514]\n"
            "1002 FPK7 [2001.0, 1001.0, 12.514]\n"
            "2001 HEG1 [2000.0, 1010.0, 12.0]\n"
            "2002 HEG2 [2005.0, 1020.0, 12.1]\n"
            "2003 HEG9 [2010.0, 1030.0]\n"
            "3001 BYG1 [2100.0, 1100.0, 13.0]\n"
            "3002 BYG1 [2110.0, 1100.0, 13.0]\n"
            "3003 BYG1 [2110.0, 1110.0, 13.0]\n"
            "3004 BYG8 [2100.0, 1110.0, 13.0]\n"
            "5001 H\xC3\x86K0 [2200.0, 1200.0, 1.0]\n");
}

TEST(LandXml, EscapesMarkup) {
  MapFiles m;
  writeFile(m.in, " 6 A<&>B K\"1 1 2 3\n");
  auto s = kvtconv::newSession(m.rec.hooks());
  kvtconv::kvt2landxml(*s, m.par, m.in, m.dir / "o.xml");
  const Ran r = py(
      "import sys\nimport xml.etree.ElementTree as ET\n"
      "p = ET.parse(sys.argv[1]).getroot().find('.//{http://www.landxml.org/schema/LandXML-1.2}CgPoint')\n"
      "print(p.get('name'), p.get('code'), p.text)\n",
      m.dir / "o.xml");
  EXPECT_EQ(r.status, 0) << r.out;
  EXPECT_EQ(r.out, "A<&>B K\"1 2 1 3\n");
}

// The internal order whatever the catalogue's column order; the EPSG code
// of the system when it has one.
TEST(LandXml, InternalOrderAndEpsgCode) {
  struct Case {
    const char* system;
    const char* line;
    const char* coordinateSystem;
  };
  const Case cases[] = {
      {"UTM", " 6 1 K 6100000 500000 1\n", "<CoordinateSystem name=\"UTM\" epsgCode=\"25832\"/>"},
      {"KP2000J", " 6 1 K 6100000 500000 1\n", "<CoordinateSystem name=\"KP2000J\" epsgCode=\"2196\"/>"},
      {"S34J", " 6 1 K 500000 6100000 1\n", "<CoordinateSystem name=\"S34J\"/>"},
  };
  for (const Case& c : cases) {
    MapFiles m(std::string("  2 ") + c.system + "\n");
    writeFile(m.in, c.line);
    auto s = kvtconv::newSession(m.rec.hooks());
    kvtconv::kvt2landxml(*s, m.par, m.in, m.dir / "o.xml");
    const std::string xml = readFile(m.dir / "o.xml");
    EXPECT_NE(xml.find(">6100000 500000 1</CgPoint>"), std::string::npos) << c.system << "\n" << xml;
    EXPECT_NE(xml.find(c.coordinateSystem), std::string::npos) << c.system << "\n" << xml;
  }
}

TEST(LandXml, RepeatedNumbersGetUniqueNamesAndKeepTheNumber) {
  MapFiles m;
  writeFile(m.in, " 6 7 K 1 2\n 6 7 K 3 4\n 6 7_2 K 5 6\n");
  auto s = kvtconv::newSession(m.rec.hooks());
  kvtconv::kvt2landxml(*s, m.par, m.in, m.dir / "o.xml");
  const Ran r = py(
      "import sys\nimport xml.etree.ElementTree as ET\n"
      "for p in ET.parse(sys.argv[1]).getroot().iter('{http://www.landxml.org/schema/LandXML-1.2}CgPoint'):\n"
      "  print(p.get('name'), p.get('desc'))\n",
      m.dir / "o.xml");
  EXPECT_EQ(r.status, 0) << r.out;
  EXPECT_EQ(r.out, "7 None\n7_2 7\n7_2_2 7_2\n");
}

TEST(OpenOutputs, AMissingInputIsAnErrorLine) {
  MapFiles m;
  auto s = kvtconv::newSession(m.rec.hooks());
  kvtconv::kvt2landxml(*s, m.par, m.dir / "nothere.kvt", m.dir / "o.xml");
  EXPECT_EQ(kvtconv::errorCount(*s), 1);
  ASSERT_EQ(m.rec.errors.size(), 1u);
  EXPECT_NE(m.rec.errors[0].find("Filen findes ikke"), std::string::npos);
}

}  // namespace
