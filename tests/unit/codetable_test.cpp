#include <gtest/gtest.h>

#include "catalogue/codetable.hpp"
#include "helpers.hpp"

using kvtconv::CodeEntry;
using kvtconv::CodeLayout;
using kvttest::readFile;
using kvttest::writeFile;

namespace {

// Puts `text` at the 1-based column `col` of `line`, widening it as needed.
std::string& at(std::string& line, std::size_t col, const std::string& text) {
  if (line.size() < col - 1 + text.size()) line.resize(col - 1 + text.size(), ' ');
  line.replace(col - 1, text.size(), text);
  return line;
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

// A classic line with a value in every column.
std::string classicLine() {
  std::string l;
  at(l, 1, "K1");
  at(l, 5, "12");
  at(l, 8, "ABCDEFG");
  at(l, 17, "  3");
  at(l, 21, "14");
  at(l, 24, "  5");
  at(l, 28, "2");
  at(l, 30, " 6");
  at(l, 33, " 23");
  at(l, 37, "cel01");
  at(l, 44, "   2.50");
  at(l, 52, "   1.75");
  at(l, 60, "Skel mod vej");
  at(l, 80, "lin");
  return l;
}

}  // namespace

TEST(CodeTable, ClassicLineFieldByField) {
  const std::string header =
      "999 %K %U       ACC LV CO LC WT FT  AC     TH      TW      BESKRIVELSE         TM\n";
  Table t(header + classicLine() + "\n");
  EXPECT_FALSE(t.layout.layoutLines);
  EXPECT_FALSE(t.layout.wide);

  CodeEntry e = sentinel();
  ASSERT_TRUE(kvtconv::rcode(t.layout, classicLine(), e));
  EXPECT_EQ(e.code, "K1        ");
  EXPECT_EQ(e.k, "12");
  EXPECT_EQ(e.u, "ABCDEFG");
  EXPECT_EQ(e.acc, 3);
  EXPECT_EQ(e.level, 14);
  EXPECT_EQ(e.colour, 5);
  EXPECT_EQ(e.style, 2);
  EXPECT_EQ(e.weight, 6);
  EXPECT_EQ(e.font, 23);
  EXPECT_EQ(e.cell, "CEL01 ");  // a text token comes back upper-cased
  EXPECT_EQ(e.textSize, 250);
  EXPECT_EQ(e.textSize2, 175);
  EXPECT_EQ(e.remark, kvtconv::fixed("Skel mod vej", 40));
  EXPECT_EQ(e.theme, "LIN");
}

TEST(CodeTable, ClassicColumnsAreCutByPosition) {
  Table t("");
  // A code longer than its three columns is cut there; the feature code is
  // copied as it stands, lower case and inner blanks included.
  std::string l;
  at(l, 1, "HEGN");
  at(l, 5, "k ");
  at(l, 8, "ab cd");
  CodeEntry e;
  ASSERT_TRUE(kvtconv::rcode(t.layout, l, e));
  EXPECT_EQ(e.code, "HEG       ");
  EXPECT_EQ(e.k, "k ");
  EXPECT_EQ(e.u, "ab cd  ");
}

TEST(CodeTable, WideLayoutFieldByField) {
  std::string l;
  at(l, 1, "VEJKNT");
  at(l, 8, "21");
  at(l, 11, "VEJ0001");
  at(l, 20, " 12");
  at(l, 24, " 7");
  at(l, 27, "  8");
  at(l, 31, "3");
  at(l, 33, " 4");
  at(l, 36, "  9");
  at(l, 40, "SYM001");
  at(l, 47, "   3.00");
  at(l, 55, "   0.50");
  at(l, 63, "Vejkant");
  at(l, 83, "VEJ");
  Table t("999 kodetabel V6!\n" + l + "\n");
  EXPECT_TRUE(t.layout.wide);
  EXPECT_FALSE(t.layout.layoutLines);

  CodeEntry e = sentinel();
  ASSERT_TRUE(kvtconv::rcode(t.layout, l, e));
  EXPECT_EQ(e.code, "VEJKNT    ");
  EXPECT_EQ(e.k, "21");
  EXPECT_EQ(e.u, "VEJ0001");
  EXPECT_EQ(e.acc, 12);
  EXPECT_EQ(e.level, 7);
  EXPECT_EQ(e.colour, 8);
  EXPECT_EQ(e.style, 3);
  EXPECT_EQ(e.weight, 4);
  EXPECT_EQ(e.font, 9);
  EXPECT_EQ(e.cell, "SYM001");
  EXPECT_EQ(e.textSize, 300);
  EXPECT_EQ(e.textSize2, 50);
  EXPECT_EQ(e.remark, kvtconv::fixed("Vejkant", 40));
  EXPECT_EQ(e.theme, "VEJ");

  // The same line read by the classic positions gives other fields: the
  // layout really comes from the "V6!" mark.
  Table classic("");
  CodeEntry c;
  ASSERT_TRUE(kvtconv::rcode(classic.layout, l, c));
  EXPECT_EQ(c.code, "VEJ       ");
}

TEST(CodeTable, LayoutLinesDefineTheColumns) {
  const std::string table =
      "!TYP   2   7\n"
      "!DSF   9  18\n"
      "!LVL  20  22\n"
      "!COL  24  26\n"
      "!STY  28  28\n"
      "!WGT  30  31\n"
      "!FON  33  35\n"
      "!CEL  37  42\n"
      "!TXT  44  49\n"
      "!BEM  51  70\n"
      "!TEM  72  74\n"
      "Kodetabel med layoutlinier\n";
  std::string l;
  at(l, 1, "*");
  at(l, 2, "bro");
  at(l, 9, "%K31%U0042");
  at(l, 20, " 40");
  at(l, 24, " 11");
  at(l, 28, "1");
  at(l, 30, " 2");
  at(l, 33, "  5");
  at(l, 37, "BRO1");
  at(l, 44, "1.25");
  at(l, 51, "Bro over aa");
  at(l, 72, "TRF");
  Table t(table + l + "\n");
  ASSERT_TRUE(t.layout.layoutLines);
  EXPECT_FALSE(t.layout.columns[2].present);   // ACC has no key
  EXPECT_FALSE(t.layout.columns[10].present);  // nor the second text size
  EXPECT_EQ(t.layout.columns[0].first, 2);
  EXPECT_EQ(t.layout.columns[0].last, 7);
  EXPECT_EQ(t.layout.columns[11].first, 51);
  EXPECT_EQ(t.layout.columns[11].last, 70);

  CodeEntry e = sentinel();
  ASSERT_TRUE(kvtconv::rcode(t.layout, l, e));
  EXPECT_EQ(e.code, "BRO       ");
  EXPECT_EQ(e.k, "31");  // "%K" in the token: characters 3-4 and 7-10
  EXPECT_EQ(e.u, "0042   ");
  EXPECT_EQ(e.acc, 77);  // no column, left alone
  EXPECT_EQ(e.level, 40);
  EXPECT_EQ(e.colour, 11);
  EXPECT_EQ(e.style, 1);
  EXPECT_EQ(e.weight, 2);
  EXPECT_EQ(e.font, 5);
  EXPECT_EQ(e.cell, "BRO1  ");
  EXPECT_EQ(e.textSize, 125);
  EXPECT_EQ(e.textSize2, 125);  // no column of its own: the text size
  EXPECT_EQ(e.remark, kvtconv::fixed("Bro over aa", 40));
  EXPECT_EQ(e.theme, "TRF");

  // Only lines that begin with "*" are entries here; the layout lines, the
  // remark line and a "999" line are not.
  CodeEntry skipped = sentinel();
  EXPECT_FALSE(kvtconv::rcode(t.layout, "!TYP   2   7", skipped));
  EXPECT_FALSE(kvtconv::rcode(t.layout, "Kodetabel med layoutlinier", skipped));
  EXPECT_FALSE(kvtconv::rcode(t.layout, " bro     %K31%U0042", skipped));
  EXPECT_EQ(skipped.code, "ZZZZZZZZZZ");
}

TEST(CodeTable, FeatureCodeTokenWithoutTheKMark) {
  Table t("!TYP   2   4\n!DSF   6  15\n");
  std::string l;
  at(l, 1, "*");
  at(l, 2, "SKL");
  at(l, 6, "X7ABCDEFGH");
  CodeEntry e;
  ASSERT_TRUE(kvtconv::rcode(t.layout, l, e));
  // %K is the token's second character, %U its characters 3-10 cut to
  // seven.
  EXPECT_EQ(e.k, "7 ");
  EXPECT_EQ(e.u, "ABCDEFG");
}

TEST(CodeTable, OnlyTypAndDsfLayoutLinesLeaveTheOtherFieldsAlone) {
  Table t("!TYP   2   4\n!DSF   6  15\n");
  for (std::size_t c = 2; c < CodeLayout::kColumns; ++c) EXPECT_FALSE(t.layout.columns[c].present) << c;
  std::string l;
  at(l, 1, "*");
  at(l, 2, "HEG");
  at(l, 6, "%K12%U0004");
  // Numbers where the classic table would hold level, colour and sizes.
  at(l, 21, "99 99 9 99 999 ABCDEF    9.99");
  CodeEntry e = sentinel();
  ASSERT_TRUE(kvtconv::rcode(t.layout, l, e));
  EXPECT_EQ(e.code, "HEG       ");
  EXPECT_EQ(e.k, "12");
  EXPECT_EQ(e.u, "0004   ");
  EXPECT_EQ(e.acc, 77);
  EXPECT_EQ(e.level, 77);
  EXPECT_EQ(e.colour, 77);
  EXPECT_EQ(e.style, 77);
  EXPECT_EQ(e.weight, 77);
  EXPECT_EQ(e.font, 77);
  EXPECT_EQ(e.cell, "ZZZZZZ");
  EXPECT_EQ(e.textSize, 7777);
  EXPECT_EQ(e.textSize2, 7777);  // the text size it follows was left alone too
  EXPECT_EQ(e.remark, std::string(40, 'Z'));
  EXPECT_EQ(e.theme, "ZZZ");
}

TEST(CodeTable, NonEntriesOfAClassicTable) {
  Table t("");
  CodeEntry e = sentinel();
  EXPECT_FALSE(kvtconv::rcode(t.layout, "999 %K %U       ACC", e));
  EXPECT_FALSE(kvtconv::rcode(t.layout, "999", e));
  EXPECT_FALSE(kvtconv::rcode(t.layout, "", e));
  EXPECT_FALSE(kvtconv::rcode(t.layout, "    12 HEGN", e));  // blank code
  EXPECT_FALSE(kvtconv::rcode(t.layout, "0   12 HEGN", e));   // code "0"
  EXPECT_EQ(e.code, "ZZZZZZZZZZ");
  // "99" and "9999" are codes like any other.
  EXPECT_TRUE(kvtconv::rcode(t.layout, "99  12 HEGN", e));
  EXPECT_EQ(e.code, "99        ");
}

TEST(CodeTable, MissingNumbersAndTextSizes) {
  Table t("");
  std::string l;
  at(l, 1, "TRE");
  at(l, 5, "15");
  at(l, 8, "TRAE");
  at(l, 17, "  -");
  at(l, 21, "xx");
  at(l, 30, "--");
  at(l, 44, "    2.5");
  at(l, 52, "    abc");
  CodeEntry e = sentinel();
  ASSERT_TRUE(kvtconv::rcode(t.layout, l, e));
  EXPECT_EQ(e.acc, 0);
  EXPECT_EQ(e.level, 0);
  EXPECT_EQ(e.colour, 0);   // blank
  EXPECT_EQ(e.weight, -999);  // the weight keeps its missing value
  EXPECT_EQ(e.textSize, 250);
  EXPECT_EQ(e.textSize2, 100);  // unreadable
  EXPECT_EQ(e.cell, "      ");
  EXPECT_EQ(e.remark, std::string(40, ' '));
  EXPECT_EQ(e.theme, "   ");

  // A short line: everything after the code is absent from the line.
  CodeEntry s = sentinel();
  ASSERT_TRUE(kvtconv::rcode(t.layout, "TRE 15", s));
  EXPECT_EQ(s.k, "15");
  EXPECT_EQ(s.u, "       ");
  EXPECT_EQ(s.weight, -999);
  EXPECT_EQ(s.textSize, 100);
  EXPECT_EQ(s.textSize2, 100);
}

TEST(CodeTable, UnreadableLayoutNumbersLeaveTheColumnUseless) {
  Table t("!TYP   2   4\n!DSF   6  15\n!LVL  xx  yy\n");
  EXPECT_TRUE(t.layout.columns[3].present);
  EXPECT_EQ(t.layout.columns[3].first, -999);
  EXPECT_EQ(t.layout.columns[3].last, -999);
  std::string l;
  at(l, 1, "*HEG %K12%U0004 15");
  CodeEntry e = sentinel();
  ASSERT_TRUE(kvtconv::rcode(t.layout, l, e));  // still cut
  EXPECT_EQ(e.code, "HEG       ");
  EXPECT_EQ(e.level, 0);  // nothing to read: missing, which counts as 0
}

TEST(CodeTable, LearningTheLayoutRewindsTheTable) {
  Table t("HEG 12 HEGN\nSKL 12 SKEL\n");
  std::string line;
  ASSERT_EQ(t.file->readLine(line, 132), kvtconv::ReadStatus::Ok);
  EXPECT_EQ(line, "HEG 12 HEGN");
}

TEST(CodeTable, EmptyOrUnopenedTableIsClassic) {
  Table empty("");
  const CodeLayout none = kvtconv::initCodeTab(nullptr);
  for (const CodeLayout* l : {static_cast<const CodeLayout*>(&empty.layout), &none}) {
    EXPECT_FALSE(l->layoutLines);
    EXPECT_FALSE(l->wide);
    for (const auto& c : l->columns) EXPECT_TRUE(c.present);
    EXPECT_EQ(l->columns[1].first, 5);
    EXPECT_EQ(l->columns[1].last, 14);
    EXPECT_EQ(l->columns[12].first, 80);
    EXPECT_EQ(l->columns[12].last, 82);
  }
}

TEST(CodeTable, WcodeWritesTheClassicColumns) {
  kvttest::TempDir dir;
  std::error_code ec;
  auto f = kvtconv::TextFile::openWrite(dir / "out.tab", kvtconv::WriteForm::Replace, ec);
  ASSERT_TRUE(f);
  CodeEntry e;
  e.code = "SKL1234567";
  e.k = "12";
  e.u = "ABCDEFG";
  e.acc = 3;
  e.level = 14;
  e.colour = 255;
  e.style = 2;
  e.weight = 6;
  e.font = 23;
  e.cell = "SYM01 ";
  e.textSize = 250;
  e.textSize2 = 175;
  e.remark = kvtconv::fixed("Skel mod vej og sti langs aaen", 40);
  e.theme = "LIN";
  kvtconv::wcode(f.get(), e);

  CodeEntry blank;  // blank texts, missing weight
  blank.code = "TRE";
  blank.k = "  ";
  blank.u = "       ";
  blank.weight = -999;
  blank.cell = "      ";
  blank.remark = std::string(40, ' ');
  blank.theme = "   ";
  kvtconv::wcode(f.get(), blank);
  f->close();

  std::string expect1 = std::string(85, ' ');
  at(expect1, 1, "SKL");
  at(expect1, 5, "12");
  at(expect1, 8, "ABCDEFG");
  at(expect1, 17, "  3");
  at(expect1, 21, "14");
  at(expect1, 24, "255");
  at(expect1, 28, "2");
  at(expect1, 30, " 6");
  at(expect1, 33, " 23");
  at(expect1, 37, "SYM01 ");
  at(expect1, 44, "   2.50");
  at(expect1, 52, "   1.75");
  at(expect1, 60, "Skel mod vej og sti");
  at(expect1, 80, "LIN");
  std::string expect2 = std::string(85, ' ');
  at(expect2, 1, "TRE");
  at(expect2, 5, "-");
  at(expect2, 8, "-");
  at(expect2, 17, "  0");
  at(expect2, 21, " 0");
  at(expect2, 24, "  0");
  at(expect2, 28, "0");
  at(expect2, 30, "**");
  at(expect2, 33, "  0");
  at(expect2, 37, "-");
  at(expect2, 44, "   1.00");
  at(expect2, 52, "   1.00");
  at(expect2, 60, "-");
  at(expect2, 80, "-");
  // Written in full: 85 characters, trailing blanks included.
  EXPECT_EQ(readFile(dir / "out.tab"), expect1 + "\n" + expect2 + "\n");
}

TEST(CodeTable, WrittenEntriesReadBack) {
  kvttest::TempDir dir;
  std::error_code ec;
  auto f = kvtconv::TextFile::openWrite(dir / "codes.tab", kvtconv::WriteForm::Replace, ec);
  ASSERT_TRUE(f);
  CodeEntry e;
  e.code = kvtconv::fixed("BYG", 10);
  e.k = "14";
  e.u = "BYGNING";
  e.acc = 1;
  e.level = 10;
  e.colour = 4;
  e.style = 0;
  e.weight = 1;
  e.font = 0;
  e.cell = "FLADE ";
  e.textSize = 180;
  e.textSize2 = 90;
  e.remark = kvtconv::fixed("Bygning", 40);
  e.theme = "FLA";
  kvtconv::wcode(f.get(), e);
  f->close();

  f = kvtconv::TextFile::openRead(dir / "codes.tab", ec);
  const CodeLayout layout = kvtconv::initCodeTab(f.get());
  std::string line;
  ASSERT_EQ(f->readLine(line, 132), kvtconv::ReadStatus::Ok);
  CodeEntry back = sentinel();
  ASSERT_TRUE(kvtconv::rcode(layout, line, back));
  EXPECT_EQ(back.code, e.code);
  EXPECT_EQ(back.k, e.k);
  EXPECT_EQ(back.u, e.u);
  EXPECT_EQ(back.acc, e.acc);
  EXPECT_EQ(back.level, e.level);
  EXPECT_EQ(back.colour, e.colour);
  EXPECT_EQ(back.style, e.style);
  EXPECT_EQ(back.weight, e.weight);
  EXPECT_EQ(back.font, e.font);
  EXPECT_EQ(back.cell, e.cell);
  EXPECT_EQ(back.textSize, e.textSize);
  EXPECT_EQ(back.textSize2, e.textSize2);
  EXPECT_EQ(back.remark, e.remark);
  EXPECT_EQ(back.theme, e.theme);
}
