#include <gtest/gtest.h>

#include "catalogue/codetable.hpp"
#include "helpers.hpp"

using kvtconv::CodeEntry;
using kvtconv::CodeLayout;
using kvttest::readFile;
using kvttest::writeFile;

namespace {

// A line with each text put at its 1-based column, blank between.
std::string line(std::initializer_list<std::pair<std::size_t, std::string>> at, std::size_t width = 0) {
  std::string l(width, ' ');
  for (const auto& [col, text] : at) {
    if (l.size() < col - 1 + text.size()) l.resize(col - 1 + text.size(), ' ');
    l.replace(col - 1, text.size(), text);
  }
  return l;
}

// Learns the layout of a table written to a scratch file.
struct Table {
  kvttest::TempDir dir;
  std::unique_ptr<kvtconv::TextFile> file;
  CodeLayout layout;

  explicit Table(const std::string& text) {
    writeFile(dir / "codes.tab", text);
    std::error_code ec;
    file = kvtconv::TextFile::openRead(dir / "codes.tab", ec);
    layout = kvtconv::initCodeTab(file.get());
  }
};

// An entry whose every field holds a value that no table line below gives,
// so that a field left alone is seen.
CodeEntry sentinel() {
  CodeEntry e;
  e.code = "ZZZZZZZZZZ";
  e.k = "ZZ";
  e.u = "ZZZZZZZ";
  e.acc = e.level = e.colour = e.style = e.weight = e.font = 77;
  e.cell = "ZZZZZZ";
  e.textSize = e.textSize2 = 7777;
  e.remark = std::string(40, 'Z');
  e.theme = "ZZZ";
  return e;
}

// Every field of an entry, exactly: "code|k|u|acc level colour style weight
// font|cell|size size2|remark|theme". The remark is shown cut of its
// trailing blanks, with its length when that is not 40.
std::string show(const CodeEntry& e) {
  std::string s = e.code + "|" + e.k + "|" + e.u + "|";
  for (const std::int32_t v : {e.acc, e.level, e.colour, e.style, e.weight, e.font}) s += std::to_string(v) + " ";
  s.back() = '|';
  s += e.cell + "|" + std::to_string(e.textSize) + " " + std::to_string(e.textSize2) + "|" +
       kvttest::rtrim(e.remark);
  if (e.remark.size() != 40) s += "<" + std::to_string(e.remark.size()) + ">";
  return s + "|" + e.theme;
}

const std::string kZ = show(sentinel());

const std::string kClassicHeader =
    "999 %K %U       ACC LV CO LC WT FT  AC     TH      TW      BESKRIVELSE         TM\n";
const std::string kLayoutTable =
    "!TYP   2   7\n!DSF   9  18\n!LVL  20  22\n!COL  24  26\n!STY  28  28\n!WGT  30  31\n"
    "!FON  33  35\n!CEL  37  42\n!TXT  44  49\n!BEM  51  70\n!TEM  72  74\n"
    "Kodetabel med layoutlinier\n";
const std::string kTypDsf = "!TYP   2   4\n!DSF   6  15\n";

}  // namespace

// Tables of every layout and the lines cut by them, field by field: a row
// with `entry` false is a line that is no entry and changes nothing.
TEST(CodeTable, LinesCutByTheLayoutOfTheirTable) {
  const std::string classic =
      line({{1, "K1"}, {5, "12"}, {8, "ABCDEFG"}, {17, "  3"}, {21, "14"}, {24, "  5"}, {28, "2"}, {30, " 6"},
            {33, " 23"}, {37, "cel01"}, {44, "   2.50"}, {52, "   1.75"}, {60, "Skel mod vej"}, {80, "lin"}});
  const std::string wide =
      line({{1, "VEJKNT"}, {8, "21"}, {11, "VEJ0001"}, {20, " 12"}, {24, " 7"}, {27, "  8"}, {31, "3"}, {33, " 4"},
            {36, "  9"}, {40, "SYM001"}, {47, "   3.00"}, {55, "   0.50"}, {63, "Vejkant"}, {83, "VEJ"}});
  const std::string bro =
      line({{1, "*"}, {2, "bro"}, {9, "%K31%U0042"}, {20, " 40"}, {24, " 11"}, {28, "1"}, {30, " 2"}, {33, "  5"},
            {37, "BRO1"}, {44, "1.25"}, {51, "Bro over aa"}, {72, "TRF"}});
  const std::string Z40(40, 'Z');
  struct Row {
    std::string table, line;
    bool entry;
    std::string want;  // show() of the sentinel after the line
  } const rows[] = {
      // Classic: a value in every column; a text token comes back upper-cased.
      {kClassicHeader + classic + "\n", classic, true,
       "K1        |12|ABCDEFG|3 14 5 2 6 23|CEL01 |250 175|Skel mod vej|LIN"},
      // A code longer than its three columns is cut there; the feature code
      // is copied as it stands, lower case and inner blanks included.
      {"", line({{1, "HEGN"}, {5, "k "}, {8, "ab cd"}}), true,
       "HEG       |k |ab cd  |0 0 0 0 -999 0|      |100 100||   "},
      // Missing numbers count as 0, the weight keeps its missing value, an
      // unreadable text size is 1.00.
      {"", line({{1, "TRE"}, {5, "15"}, {8, "TRAE"}, {17, "  -"}, {21, "xx"}, {30, "--"}, {44, "    2.5"},
                 {52, "    abc"}}),
       true, "TRE       |15|TRAE   |0 0 0 0 -999 0|      |250 100||   "},
      // A short line: everything after the code is absent from the line.
      {"", "TRE 15", true, "TRE       |15|       |0 0 0 0 -999 0|      |100 100||   "},
      // Not entries of a classic table: header, blank code, code "0".
      {"", "999 %K %U       ACC", false, kZ},
      {"", "999", false, kZ},
      {"", "", false, kZ},
      {"", "    12 HEGN", false, kZ},
      {"", "0   12 HEGN", false, kZ},
      // "99" and "9999" are codes like any other.
      {"", "99  12 HEGN", true, "99        |12|HEGN   |0 0 0 0 -999 0|      |100 100||   "},
      // Wide, by the "V6!" mark; the same line read by the classic positions.
      {"999 kodetabel V6!\n" + wide + "\n", wide, true,
       "VEJKNT    |21|VEJ0001|12 7 8 3 4 9|SYM001|300 50|Vejkant|VEJ"},
      {"", wide, true, "VEJ       |NT|21 VEJ0|1 12 7 0 3 4|9     |100 0|50 Vejkant|   "},
      // Layout lines: "%K" in the token gives characters 3-4 and 7-10; no
      // ACC column leaves it alone; no second text size: the text size.
      {kLayoutTable + bro + "\n", bro, true,
       "BRO       |31|0042   |77 40 11 1 2 5|BRO1  |125 125|Bro over aa|TRF"},
      // Only lines that begin with "*" are entries there.
      {kLayoutTable, "!TYP   2   7", false, kZ},
      {kLayoutTable, "Kodetabel med layoutlinier", false, kZ},
      {kLayoutTable, " bro     %K31%U0042", false, kZ},
      // Without the K mark %K is the token's second character, %U its
      // characters 3-10 cut to seven.
      {kTypDsf, line({{1, "*"}, {2, "SKL"}, {6, "X7ABCDEFGH"}}), true,
       "SKL       |7 |ABCDEFG|77 77 77 77 77 77|ZZZZZZ|7777 7777|" + Z40 + "|ZZZ"},
      // Only TYP and DSF: numbers where the classic table holds level,
      // colour and sizes are left alone, the second size with the first.
      {kTypDsf, line({{1, "*"}, {2, "HEG"}, {6, "%K12%U0004"}, {21, "99 99 9 99 999 ABCDEF    9.99"}}), true,
       "HEG       |12|0004   |77 77 77 77 77 77|ZZZZZZ|7777 7777|" + Z40 + "|ZZZ"},
      // An unreadable layout number leaves its column with nothing to read:
      // missing, which counts as 0.
      {kTypDsf + "!LVL  xx  yy\n", "*HEG %K12%U0004 15", true,
       "HEG       |12|0004   |77 0 77 77 77 77|ZZZZZZ|7777 7777|" + Z40 + "|ZZZ"},
  };
  for (const Row& r : rows) {
    Table t(r.table);
    CodeEntry e = sentinel();
    EXPECT_EQ(kvtconv::rcode(t.layout, r.line, e), r.entry) << r.line;
    EXPECT_EQ(show(e), r.want) << r.line;
  }
}

TEST(CodeTable, LayoutsLearnt) {
  Table classic(kClassicHeader), wide("999 kodetabel V6!\n"), lines(kLayoutTable), typDsf(kTypDsf),
      bad(kTypDsf + "!LVL  xx  yy\n"), empty("");
  const CodeLayout none = kvtconv::initCodeTab(nullptr);
  EXPECT_FALSE(classic.layout.layoutLines || classic.layout.wide);
  EXPECT_TRUE(wide.layout.wide);
  EXPECT_FALSE(wide.layout.layoutLines);
  ASSERT_TRUE(lines.layout.layoutLines);
  EXPECT_FALSE(lines.layout.columns[2].present);   // ACC has no key
  EXPECT_FALSE(lines.layout.columns[10].present);  // nor the second text size
  EXPECT_EQ(lines.layout.columns[0].first, 2);
  EXPECT_EQ(lines.layout.columns[0].last, 7);
  EXPECT_EQ(lines.layout.columns[11].first, 51);
  EXPECT_EQ(lines.layout.columns[11].last, 70);
  for (std::size_t c = 2; c < CodeLayout::kColumns; ++c) EXPECT_FALSE(typDsf.layout.columns[c].present) << c;
  EXPECT_TRUE(bad.layout.columns[3].present);
  EXPECT_EQ(bad.layout.columns[3].first, -999);
  EXPECT_EQ(bad.layout.columns[3].last, -999);
  // An empty or unopened table is classic.
  for (const CodeLayout* l : {static_cast<const CodeLayout*>(&empty.layout), &none}) {
    EXPECT_FALSE(l->layoutLines || l->wide);
    for (const auto& c : l->columns) EXPECT_TRUE(c.present);
    EXPECT_EQ(l->columns[1].first, 5);
    EXPECT_EQ(l->columns[1].last, 14);
    EXPECT_EQ(l->columns[12].first, 80);
    EXPECT_EQ(l->columns[12].last, 82);
  }
}

TEST(CodeTable, LearningTheLayoutRewindsTheTable) {
  Table t("HEG 12 HEGN\nSKL 12 SKEL\n");
  std::string l;
  ASSERT_EQ(t.file->readLine(l, 132), kvtconv::ReadStatus::Ok);
  EXPECT_EQ(l, "HEG 12 HEGN");
}

// Written in full in the classic columns, 85 characters with trailing
// blanks; blank texts as "-", a missing weight as "**"; read back the same.
TEST(CodeTable, WcodeWritesTheClassicColumnsAndRcodeReadsThemBack) {
  kvttest::TempDir dir;
  std::error_code ec;
  auto f = kvtconv::TextFile::openWrite(dir / "out.tab", kvtconv::WriteForm::Replace, ec);
  ASSERT_TRUE(f);
  const CodeEntry e{"SKL1234567", "12", "ABCDEFG", 3, 14, 255, 2, 6, 23, "SYM01 ", 250, 175,
              kvtconv::fixed("Skel mod vej og sti langs aaen", 40), "LIN"};
  const CodeEntry blank{"TRE", "  ", "       ", 0, 0, 0, 0, -999, 0, "      ", 100, 100, std::string(40, ' '), "   "};
  const CodeEntry byg{kvtconv::fixed("BYG", 10), "14", "BYGNING", 1, 10, 4, 0, 1, 0, "FLADE ", 180, 90,
                      kvtconv::fixed("Bygning", 40), "FLA"};
  for (const CodeEntry* c : {&e, &blank, &byg}) kvtconv::wcode(f.get(), *c);
  f->close();
  const std::string want1 =
      line({{1, "SKL"}, {5, "12"}, {8, "ABCDEFG"}, {17, "  3"}, {21, "14"}, {24, "255"}, {28, "2"}, {30, " 6"},
            {33, " 23"}, {37, "SYM01 "}, {44, "   2.50"}, {52, "   1.75"}, {60, "Skel mod vej og sti"}, {80, "LIN"}},
           85);
  const std::string want2 =
      line({{1, "TRE"}, {5, "-"}, {8, "-"}, {17, "  0"}, {21, " 0"}, {24, "  0"}, {28, "0"}, {30, "**"},
            {33, "  0"}, {37, "-"}, {44, "   1.00"}, {52, "   1.00"}, {60, "-"}, {80, "-"}},
           85);
  const auto lines = kvttest::readLines(dir / "out.tab");
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines[0], want1);
  EXPECT_EQ(lines[1], want2);
  EXPECT_EQ(readFile(dir / "out.tab").size(), 3 * 86u);

  Table t(readFile(dir / "out.tab"));
  CodeEntry back = sentinel();
  ASSERT_TRUE(kvtconv::rcode(t.layout, lines[2], back));
  EXPECT_EQ(show(back), show(byg));
}
