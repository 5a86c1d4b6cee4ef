#include <gtest/gtest.h>

#include "catalogue/observations.hpp"
#include "exchange/dbase/dbase.hpp"
#include "helpers.hpp"
#include "kvtconv.hpp"

using kvttest::readFile;
using kvttest::readLines;
using kvttest::writeFile;

namespace {

// A classic code table: code, %K, %U, ..., text size, remark.
std::string tableLine(const std::string& code, const std::string& k, const std::string& u,
                      const std::string& size, const std::string& remark) {
  std::string l(85, ' ');
  l.replace(0, code.size(), code);
  l.replace(4, k.size(), k);
  l.replace(7, u.size(), u);
  l.replace(16, 3, "  1");
  l.replace(43 + 7 - size.size(), size.size(), size);
  l.replace(59, remark.size(), remark);
  return l + "\n";
}

const std::string kTable = "999 %K %U       ACC LV CO LC WT FT  AC     TH      TW      BESKRIVELSE\n" +
                           tableLine("SKL", "12", "0000001", "2.50", "Skel") +
                           tableLine("HEG", "21", "0000004", "1.00", "Hegn") +
                           tableLine("BYG", "31", "0000010", "1.00", "Bygning") +
                           tableLine("TXT", "D ", "0000100", "2.50", "Tekst");

struct DsflRun {
  kvttest::TempDir dir;
  std::string par = kvttest::parDir(dir);
  kvttest::Recorder host;
  kvtconv::Session s{host.hooks()};
  // The arguments are views: the texts must outlive the call.
  std::string in = dir / "in.kvt", map = dir / "map.dsf", codes = dir / "codes.tab", back = dir / "back.kvt",
              report = dir / "report.txt";

  void toDsfl(const std::string& catalogue, const char* h3 = "YX") {
    writeFile(dir / "in.kvt", catalogue);
    writeFile(dir / "codes.tab", kTable);
    kvtconv::Kvt2DsflArgs a;
    a.h1 = "Kort";
    a.h3 = h3;
    a.parDir = par;
    a.output = map;
    a.input = in;
    a.codeTable = codes;
    a.answerFile = "-";
    a.reportFile = "-";
    a.filterFile = "-";
    kvtconv::kvt2dsfl(s, a);
  }

  std::string design;
  std::int32_t links = -5;
  void toKvt(const std::string table, bool build = false, bool registerElements = false) {
    kvtconv::Dsfl2KvtArgs a;
    a.parDir = par;
    a.input = map;
    a.codeTable = table;
    a.output = back;
    a.reportFile = report;
    a.buildCodeTable = build ? 1 : 0;
    a.registerElements = registerElements ? 1.0f : 0.0f;
    a.linkCounter = &links;
    a.designFile = &design;
    a.firstPoint = "-";
    kvtconv::dsfl2kvt(s, a);
  }

  std::vector<std::string> records(int type) {
    std::vector<std::string> out;
    for (const auto& l : readLines(dir / "back.kvt"))
      if (std::atoi(l.substr(0, 2).c_str()) == type) out.push_back(l);
    return out;
  }
};

const std::string kCatalogue =
    " 6 1 SKL0 1000.000 2000.000\n"
    " 6 2 HEG1 1010.000 2000.000\n"
    " 6 3 HEG1 1020.000 2005.000\n"
    " 6 5 HEG2 1025.000 2008.000\n"
    " 6 4 HEG9 1030.000 2010.000\n"
    " 6 10 BYG1 1100.000 2100.000\n"
    " 6 11 BYG1 1110.000 2100.000\n"
    " 6 12 BYG8 1100.000 2110.000\n"
    "10 TXT 1050.000 2050.000 90 250 7 Skovvej 12\n";

}  // namespace

TEST(DsflImport, ReadsBackWhatTheExportWrote) {
  DsflRun r;
  r.toDsfl(kCatalogue);
  r.toKvt(r.dir / "codes.tab");
  for (const auto& e : r.host.errors) ADD_FAILURE() << e;
  const auto before = kvttest::pointsOf(r.s, r.dir / "in.kvt");
  const auto after = kvttest::pointsOf(r.s, r.dir / "back.kvt");
  ASSERT_EQ(after.size(), before.size());
  for (std::size_t k = 0; k < before.size(); ++k) {
    EXPECT_EQ(after[k].code, before[k].code) << k;
    EXPECT_NEAR(after[k].x, before[k].x, 1e-9);
    EXPECT_NEAR(after[k].y, before[k].y, 1e-9);
    EXPECT_EQ(kvttest::rtrim(after[k].number), std::to_string(k + 1));  // elements are numbered
  }
  const auto texts = r.records(10);
  ASSERT_EQ(texts.size(), 1u);
  const kvtconv::TextRecord t = kvtconv::rtext(r.s, "  " + texts[0].substr(2));
  EXPECT_EQ(kvttest::rtrim(t.code), "TXT0");
  EXPECT_NEAR(t.x, 1050.0, 1e-9);
  EXPECT_NEAR(t.y, 2050.0, 1e-9);
  EXPECT_NEAR(t.valueA, 90.0, 1e-9);
  EXPECT_NEAR(t.valueB, 250.0, 1e-9);  // the table's text size
  EXPECT_EQ(t.valueC, 7);
  EXPECT_EQ(kvttest::rtrim(t.text), "Skovvej 12");
  EXPECT_EQ(r.host.messages.back().substr(0, 32), "           8 punkter konverteret");
}

TEST(DsflImport, BuildsACodeTableThatTranslatesTheSameWay) {
  DsflRun r;
  r.toDsfl(kCatalogue);
  r.toKvt(r.dir / "built.tab", true);
  const auto firstRun = kvttest::pointsOf(r.s, r.dir / "back.kvt");
  const auto table = readLines(r.dir / "built.tab");
  ASSERT_GE(table.size(), 10u);
  EXPECT_EQ(table[2], "999 %K %U       ACC LV CO LC WT FT  AC     TH      TW      BESKRIVELSE         TM");
  EXPECT_EQ(table[6].substr(0, 14), "001 12 0000001");
  EXPECT_NE(table[6].find("Skel"), std::string::npos);
  // Reading with the table just built gives the same codes.
  r.toKvt(r.dir / "built.tab");
  const auto secondRun = kvttest::pointsOf(r.s, r.dir / "back.kvt");
  ASSERT_EQ(secondRun.size(), firstRun.size());
  for (std::size_t k = 0; k < firstRun.size(); ++k) EXPECT_EQ(secondRun[k].code, firstRun[k].code);
  EXPECT_EQ(kvttest::rtrim(firstRun[1].code), "0021");
  EXPECT_EQ(kvttest::rtrim(firstRun[4].code), "0029");
}

namespace {

using Col = kvttest::DbCol;

std::string dbf(const std::vector<Col>& cols, const std::vector<std::vector<std::string>>& rows) {
  std::vector<std::string> records;
  for (const auto& r : rows) records.push_back(kvttest::dbfRecord(cols, r));
  return kvttest::dbfTable(cols, records);
}

}  // namespace

TEST(DsflImport, RegistersTextsInTheAttributeDatabase) {
  DsflRun r;
  r.toDsfl(" 6 1 SKL0 1000.000 2000.000\n10 TXT 1050.000 2050.000 90 250 7 Skovvej 12\n");
  const std::vector<Col> ctrl = {{"DBFILE", 'C', 8}, {"ENTITY", 'N', 8}, {"DBTYPE", 'C', 3}, {"NUMKEYS", 'N', 8},
                                 {"KEY1", 'C', 10},  {"DSFL1", 'C', 10}, {"KEY2", 'C', 10},  {"DSFL2", 'C', 10},
                                 {"KEY3", 'C', 10},  {"DSFL3", 'C', 10}, {"DBIDX", 'C', 8}};
  // A record keyed "KORT1" is another design file than kort1.dgn: keys are
  // compared as given, not case-folded.
  writeFile(r.dir / "kvtctrl.dbf",
            dbf(ctrl, {{"KORT1", "       3", "ATT", "       1", "ANDET", "0000200", "", "", "", "", "KORT1"},
                       {"ANDET", "       5", "ATT", "       1", "VEJNAVN", "0000100", "", "", "", "", "ANDET"}}));
  writeFile(r.dir / "kort1.dbf", dbf({{"MSLINK", 'N', 8}, {"C1", 'C', 12}, {"C2", 'C', 12}, {"VEJNAVN", 'C', 20}}, {}));
  r.design = r.dir / "kort1.dgn";
  r.toKvt(r.dir / "codes.tab", false, true);
  for (const auto& e : r.host.errors) ADD_FAILURE() << e;
  EXPECT_EQ(r.links, 1);
  EXPECT_EQ(r.design, r.dir / "kort1.dbf");

  kvtconv::DbTable c;
  ASSERT_EQ(c.open(r.dir / "kvtctrl.dbf"), 0);
  ASSERT_EQ(c.records(), 3u);  // a control record for the new design file, copied from the last
  EXPECT_EQ(c.read("DBFILE", 1), "KORT1   ");
  EXPECT_EQ(c.read("DBFILE", 3), "kort1   ");
  EXPECT_EQ(c.read("ENTITY", 3), "       6");
  EXPECT_EQ(kvttest::rtrim(c.read("KEY1", 3)), "VEJNAVN");
  EXPECT_EQ(c.read("DBIDX", 3), "kort1   ");
  c.close();

  kvtconv::DbTable a;
  ASSERT_EQ(a.open(r.dir / "kort1.dbf"), 0);
  ASSERT_EQ(a.records(), 1u);
  EXPECT_EQ(a.read("MSLINK", 1), "       1");
  EXPECT_EQ(kvttest::rtrim(a.read("VEJNAVN", 1)), "Skovvej 12");
  EXPECT_EQ(a.read("C1", 1), "    1050.000");
  EXPECT_EQ(a.read("C2", 1), "    2050.000");
  // The link point ties the element to its record.
  const auto points = kvttest::pointsOf(r.s, r.dir / "back.kvt");
  ASSERT_EQ(points.size(), 2u);
  EXPECT_EQ(kvttest::rtrim(points[1].code), "DBF0");
  EXPECT_EQ(kvttest::rtrim(points[1].task), "1");

  // Given the same way again, the design file finds the record made for it.
  r.design = r.dir / "kort1.dgn";
  r.toKvt(r.dir / "codes.tab", false, true);
  ASSERT_EQ(c.open(r.dir / "kvtctrl.dbf"), 0);
  EXPECT_EQ(c.records(), 3u);
}
