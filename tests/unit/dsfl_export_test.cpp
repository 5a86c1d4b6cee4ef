#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>

#include "helpers.hpp"
#include "kvtconv.hpp"

using kvttest::readLines;
using kvttest::writeFile;

namespace {

// A classic code table line: code, %K, %U, ACC and remark in their columns.
std::string tableLine(const std::string& code, const std::string& k, const std::string& u, int acc,
                      const std::string& remark) {
  std::string l(82, ' ');
  l.replace(0, code.size(), code);
  l.replace(4, k.size(), k);
  l.replace(7, u.size(), u);
  char n[4];
  std::snprintf(n, sizeof n, "%3d", acc);
  l.replace(16, 3, n);
  l.replace(59, remark.size(), remark);
  return l + "\n";
}

const std::string kTable = "999 %K %U       ACC LV CO LC WT FT  AC     TH      TW      BESKRIVELSE         TM\n" +
                           tableLine("HEG", "12", "HEGN", 0, "Hegn") +
                           tableLine("BYG", "14", "BYGNING", 0, "Bygning") +
                           tableLine("FPK", "15", "FIXPKT", 2, "Fikspunkt") +
                           tableLine("PNR", "DT", "PNR", 0, "Punktnummer") +
                           tableLine("KOT", "DT", "KOTE", 0, "Kote");

std::string point(const std::string& number, const std::string& code, double x, double y,
                  const char* height = "------------") {
  char line[128];
  std::snprintf(line, sizeof line, " 6 %-12s %-10s %12.4f  %12.4f  %12s TEST\n", number.c_str(),
                code.c_str(), x, y, height);
  return line;
}

struct Export {
  kvttest::TempDir dir;
  std::string par;
  kvttest::Recorder host;
  kvtconv::Session s{host.hooks()};
  std::string in = dir / "in.kvt", out = dir / "out.dsf", codes = dir / "codes.tab", filterFile = "-";
  kvtconv::Kvt2DsflArgs a;

  explicit Export(const std::string& parLines = "") : par(kvttest::parDir(dir, parLines)) {
    writeFile(codes, kTable);
    a.parDir = par;
    a.output = out;
    a.input = in;
    a.codeTable = codes;
    a.answerFile = "-";
    a.reportFile = "-";
    a.filterFile = "-";
  }

  std::vector<std::string> run(const std::string& catalogue) {
    writeFile(in, catalogue);
    a.filterFile = filterFile;
    kvtconv::kvt2dsfl(s, a);
    return readLines(out);
  }
};

// The lines after the header records (the last one is "%H9").
std::vector<std::string> body(const std::vector<std::string>& lines) {
  auto it = std::find_if(lines.begin(), lines.end(), [](const std::string& l) { return l.rfind("%H9", 0) == 0; });
  return it == lines.end() ? lines : std::vector<std::string>(it + 1, lines.end());
}

std::string fields(std::initializer_list<double> values, int decimals) {
  char field[32];
  std::string line;
  for (double v : values) {
    std::snprintf(field, sizeof field, "%12.*f", decimals, v);
    line += field;
  }
  return line;
}

// A coordinate line: the start code in six columns, two blanks, the values.
std::string coordinates(const char* start, std::initializer_list<double> values, int decimals = 3) {
  std::string line = start;
  line.resize(8, ' ');
  return line + fields(values, decimals);
}

}  // namespace

TEST(DsflExport, AnObjectOfTwentyThousandPointsIsSplit) {
  Export e;
  std::string cat;
  for (int n = 1; n <= 20000; ++n) cat += point(std::to_string(n), "HEG1", n, 0.5);
  cat += point("20001", "HEG9", 20001, 0.5);
  const auto lines = body(e.run(cat));
  ASSERT_TRUE(e.host.errors.empty());

  // One code header, two start codes: the 20000th point ends the first
  // object and starts the next one.
  EXPECT_EQ(std::count(lines.begin(), lines.end(), "%K12%UHEGN %B Hegn"), 1);
  std::vector<std::size_t> starts;
  for (std::size_t k = 0; k < lines.size(); ++k)
    if (lines[k].rfind("%L1KR", 0) == 0) starts.push_back(k);
  ASSERT_EQ(starts.size(), 2u);
  EXPECT_EQ(lines[starts[0]], coordinates("%L1KR", {1, 0.5, 2, 0.5, 3, 0.5}));
  EXPECT_EQ(lines[starts[1] - 1], coordinates("", {20000, 0.5}));
  EXPECT_EQ(lines[starts[1]], coordinates("%L1KR", {20000, 0.5, 20001, 0.5}));
  // Half-way the full coordinate buffer (10000 points) is written out; the
  // lines after it carry no start code.
  EXPECT_EQ(lines[starts[0] + 3333], coordinates("", {10000, 0.5}));
  EXPECT_EQ(lines[starts[0] + 3334], coordinates("", {10001, 0.5, 10002, 0.5, 10003, 0.5}));
  EXPECT_EQ(std::vector<std::string>(lines.end() - 2, lines.end()), (std::vector<std::string>{"%D", "%S"}));
  ASSERT_EQ(e.host.messages.size(), 1u);
  EXPECT_EQ(kvttest::rtrim(e.host.messages[0]), " 20001 punkter l\xE6st fra " + e.in);
}

TEST(DsflExport, ADashFilterKeepsTheRangesOfTheLastRun) {
  Export e("79 JA\n");
  writeFile(e.dir / "flt.kvt", "47 1>3\n");
  const std::string cat = point("1", "FPK", 1, 1) + point("2", "FPK", 2, 2) + point("7", "FPK", 7, 7);
  e.filterFile = e.dir / "flt.kvt";
  const auto first = e.run(cat);
  e.filterFile = "-";
  const auto second = e.run(cat);
  EXPECT_EQ(first, second);
  EXPECT_EQ(std::count_if(second.begin(), second.end(), [](const std::string& l) { return l.rfind("%P1K", 0) == 0; }), 2);

  // A new session has no ranges to keep: every point goes through.
  Export fresh("79 JA\n");
  const auto all = fresh.run(cat);
  EXPECT_EQ(std::count_if(all.begin(), all.end(), [](const std::string& l) { return l.rfind("%P1K", 0) == 0; }), 3);
}

TEST(DsflExport, PointNumberTextsAreNotFilteredByTheFilterCatalogue) {
  // The point-number texts set the filter up again without ranges, so every
  // point gets its text while only the filtered ones are drawn.
  Export e;
  writeFile(e.dir / "flt.kvt", "47 1\n");
  e.filterFile = e.dir / "flt.kvt";
  e.a.pointNumberTexts = 1;
  const auto lines = body(e.run(point("1", "FPK", 1, 1) + point("2", "FPK", 2, 2)));
  EXPECT_EQ(std::count_if(lines.begin(), lines.end(), [](const std::string& l) { return l.rfind("%P1K", 0) == 0; }), 1);
  EXPECT_EQ(std::count_if(lines.begin(), lines.end(), [](const std::string& l) { return l.rfind("%DPNR ", 0) == 0; }), 2);
}

TEST(DsflExport, TextDirectionsOfAnySizeGiveTheirTurn) {
  // 90 degrees is 100 gon, turned as "%VV" counts; a direction no field can
  // hold shows the overflow mark instead of wrapping around.
  Export e;
  const auto lines = body(e.run("10 PNR 1.000 2.000 90 0 0 Skovvej\n"
                                "10 PNR 1.000 2.000 10000000000000000000000000 0 0 Far\n"
                                "10 PNR 1.000 2.000 -10000000000000000000000000 0 0 Far\n"));
  EXPECT_EQ(std::count(lines.begin(), lines.end(), "%VV 300"), 1);
  EXPECT_EQ(std::count(lines.begin(), lines.end(), "%VV ***"), 2);
}

TEST(DsflExport, MissingCodeTableLeavesEveryCodeUnknown) {
  Export e;
  e.a.codeTable = "-";
  const auto lines = body(e.run(point("1", "FPK", 1, 1) + point("2", "HEG1", 2, 2)));
  EXPECT_EQ(lines, (std::vector<std::string>{"%D", "%S"}));
  ASSERT_EQ(e.host.errors.size(), 2u);
  EXPECT_NE(e.host.errors[1].find("Fejl: Kode HEG1       findes ikke"), std::string::npos);
}

TEST(DsflExport, ASecondRunInTheSameSessionWritesTheSameFiles) {
  Export e;
  const std::string reportFile = e.dir / "rep.txt";  // the arguments are views
  e.a.reportFile = reportFile;
  const std::string cat = point("1", "FPK", 1, 1) + point("2", "HEG1", 2, 2) + point("3", "HEG9", 3, 2) +
                          "10 PNR  5.0 5.0 0 100 0 Tekst\n";
  const auto first = e.run(cat);
  const std::string report = kvttest::readFile(e.dir / "rep.txt");
  const auto second = e.run(cat);
  EXPECT_EQ(first, second);
  EXPECT_EQ(kvttest::readFile(e.dir / "rep.txt"), report);
  EXPECT_NE(report.find(" %DPNR          Punktnummer\n"), std::string::npos);
  EXPECT_NE(report.find(" %K12  %UHEGN   Hegn\n"), std::string::npos);
  EXPECT_EQ(report.find("BYGNING"), std::string::npos);  // not used
}
