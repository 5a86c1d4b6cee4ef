// The dBASE III table layer against tables built byte by byte here, and the
// tables it writes read back by an independent reader (Python dbfread).
#include "exchange/dbase/dbase.hpp"

#include <cstdio>
#include <cstdlib>

#include "helpers.hpp"

namespace {

using kvtconv::DbTable;
using kvttest::readFile;
using kvttest::TempDir;
using kvttest::writeFile;

using Col = kvttest::DbCol;
const std::vector<Col> kCols = {{"DBFILE", 'C', 8}, {"ENTITY", 'N', 4}, {"KEY1", 'C', 10}};
constexpr std::size_t kHead = 32 + 3 * 32 + 1, kRec = 1 + 8 + 4 + 10;

void put(std::string& s, std::size_t at, std::uint32_t v, int bytes) {
  for (int i = 0; i < bytes; ++i) s[at + static_cast<std::size_t>(i)] = static_cast<char>(v >> (8 * i) & 0xFF);
}

// One record: the deletion byte, then every value blank padded to its column.
std::string rec(const std::vector<std::string>& values, char deletion = ' ') {
  return kvttest::dbfRecord(kCols, values, deletion);
}

std::string table(const std::vector<std::string>& records, const std::vector<Col>& cols = kCols) {
  return kvttest::dbfTable(cols, records);
}

const std::vector<std::string> kRows = {rec({"KORT1", "  12", "A"}), rec({"KORT2", "   7", "B"}),
                                        rec({"KORT1", "  99", "B"}, '*')};

TEST(DbOpen, StatusFieldsAndErrorTexts) {
  TempDir dir;
  DbTable db;
  EXPECT_EQ(db.open(dir / "none.dbf"), 2);
  EXPECT_EQ(db.error(), "findes ikke");
  EXPECT_EQ(db.open(dir.str()), 2);  // a directory is no table
  writeFile(dir / "t.dbf", table(kRows));
  ASSERT_EQ(db.open(dir / "t.dbf"), 0) << db.error();
  EXPECT_TRUE(db.isOpen());
  EXPECT_EQ(db.records(), 3u);
  ASSERT_EQ(db.fields().size(), 3u);
  EXPECT_EQ(db.fields()[1].name, "ENTITY");
  EXPECT_EQ(db.fields()[1].type, 'N');
  EXPECT_EQ(db.fields()[2].length, 10u);
  EXPECT_EQ(db.fields()[2].start, 12u);
  db.close();
  EXPECT_FALSE(db.isOpen());
  EXPECT_EQ(db.read("DBFILE", 1), "");
  EXPECT_EQ(db.seek("DBFILE", "KORT1"), 0u);
  EXPECT_FALSE(db.write("DBFILE", 1, "X"));
  EXPECT_EQ(db.append(), 0u);
  EXPECT_EQ(readFile(dir / "t.dbf"), table(kRows));
}

TEST(DbOpen, PaddingAfterTheDescriptorsIsSkipped) {
  TempDir dir;
  std::string t = table(kRows);
  t.insert(kHead, 40, '\0');  // header length now covers 40 bytes of padding
  put(t, 8, kHead + 40, 2);
  writeFile(dir / "t.dbf", t);
  DbTable db;
  ASSERT_EQ(db.open(dir / "t.dbf"), 0) << db.error();
  EXPECT_EQ(db.read("KEY1", 3), "B         ");
}

TEST(DbRead, ByNameAndRecord) {
  TempDir dir;
  writeFile(dir / "t.dbf", table(kRows));
  DbTable db;
  ASSERT_EQ(db.open(dir / "t.dbf"), 0);
  EXPECT_EQ(db.read("DBFILE", 2), "KORT2   ");
  EXPECT_EQ(db.read("ENTITY", 1), "  12");
  EXPECT_EQ(db.read(" ent ", 3), "  99");  // trimmed, case-blind prefix
  EXPECT_EQ(db.read("KEY1", 3), "B         ");  // deleted records stay readable
  EXPECT_EQ(db.read("NOSUCH", 1), "");
  EXPECT_EQ(db.read("DBFILE", 0), "");
  EXPECT_EQ(db.read("DBFILE", 4), "");
}

TEST(DbSeek, KeysStartsAndPairs) {
  TempDir dir;
  writeFile(dir / "t.dbf", table(kRows));
  DbTable db;
  ASSERT_EQ(db.open(dir / "t.dbf"), 0);
  EXPECT_EQ(db.seek("DBFILE", "KORT2"), 2u);
  EXPECT_EQ(db.seek("DBFILE", "KORT2     "), 2u);  // trailing blanks do not count
  EXPECT_EQ(db.seek("DBFILE", "KORT"), 0u);        // no prefix match
  EXPECT_EQ(db.seek("DBFILE", "KORT22"), 0u);
  EXPECT_EQ(db.seek("DBFILE", "KORT1"), 1u);
  EXPECT_EQ(db.seek("DBFILE", "KORT1", 2), 3u);
  EXPECT_EQ(db.seek("DBFILE", "KORT1", 4), 0u);
  EXPECT_EQ(db.seek("DBFILE", "KORT1", 0), 1u);
  EXPECT_EQ(db.seek("NOSUCH", ""), 0u);
  EXPECT_EQ(db.seek2("DBFILE", "KORT1", "KEY1", "B"), 3u);
  EXPECT_EQ(db.seek2("DBFILE", "KORT1", "KEY1", "A "), 1u);
  EXPECT_EQ(db.seek2("DBFILE", "KORT1", "KEY1", "A", 2), 0u);
  EXPECT_EQ(db.seek2("DBFILE", "KORT2", "KEY1", "A"), 0u);

  writeFile(dir / "empty.dbf", table({}));
  ASSERT_EQ(db.open(dir / "empty.dbf"), 0);
  EXPECT_EQ(db.seek("DBFILE", ""), 0u);
}

TEST(DbWrite, InPlaceJustifiedAndBounded) {
  TempDir dir;
  writeFile(dir / "t.dbf", table(kRows));
  DbTable db;
  ASSERT_EQ(db.open(dir / "t.dbf"), 0);
  EXPECT_TRUE(db.write("DBFILE", 2, "NY"));
  EXPECT_TRUE(db.write("ENTITY", 2, " 5 "));  // numbers right-justified
  EXPECT_TRUE(db.write("KEY1", 1, "LANGT-NAVN-HER"));  // cut to the width
  EXPECT_EQ(db.read("DBFILE", 2), "NY      ");
  EXPECT_FALSE(db.write("DBFILE", 0, "X"));
  EXPECT_FALSE(db.write("DBFILE", 4, "X"));
  EXPECT_FALSE(db.write("NOSUCH", 1, "X"));
  db.close();
  EXPECT_EQ(readFile(dir / "t.dbf"),
            table({rec({"KORT1", "  12", "LANGT-NAVN"}), rec({"NY", "   5", "B"}), kRows[2]}));
  ASSERT_EQ(db.open(dir / "t.dbf"), 0);
  EXPECT_EQ(db.read("ENTITY", 2), "   5");
}

TEST(DbAppend, BlankRecordCountAndEndByte) {
  TempDir dir;
  writeFile(dir / "t.dbf", table(kRows));
  DbTable db;
  ASSERT_EQ(db.open(dir / "t.dbf"), 0);
  EXPECT_EQ(db.append(), 4u);
  EXPECT_EQ(db.records(), 4u);
  EXPECT_EQ(db.read("DBFILE", 4), "        ");
  std::vector<std::string> rows = kRows;
  rows.push_back(rec({"", "", ""}));
  EXPECT_EQ(readFile(dir / "t.dbf"), table(rows));  // only the record count changed
  EXPECT_TRUE(db.write("KEY1", 4, "C"));
  EXPECT_EQ(db.seek("KEY1", "C"), 4u);

  writeFile(dir / "empty.dbf", table({}));
  ASSERT_EQ(db.open(dir / "empty.dbf"), 0);
  EXPECT_EQ(db.append(), 1u);
  EXPECT_EQ(db.append(), 2u);
  db.close();
  EXPECT_EQ(readFile(dir / "empty.dbf"), table({rec({"", "", ""}), rec({"", "", ""})}));
}

TEST(DbInterop, DbfreadReadsWhatWeWrote) {
  if (std::system("/usr/bin/python3 -c \"import dbfread\" >/dev/null 2>&1") != 0)
    GTEST_SKIP() << "Python dbfread is not available";
  TempDir dir;
  const std::string path = dir / "t.dbf";
  writeFile(path, table(kRows));
  {
    DbTable db;
    ASSERT_EQ(db.open(path), 0);
    ASSERT_TRUE(db.write("ENTITY", 1, "1234"));
    ASSERT_EQ(db.append(), 4u);
    ASSERT_TRUE(db.write("DBFILE", 4, "NYFIL"));
    ASSERT_TRUE(db.write("ENTITY", 4, "8"));
    ASSERT_EQ(db.append(), 5u);
  }
  const std::string cmd =
      "/usr/bin/python3 -c 'import sys, dbfread\n"
      "t = dbfread.DBF(sys.argv[1], encoding=\"latin-1\", load=True)\n"
      "print(len(t.records), len(t.deleted))\n"
      "for r in t.records: print(\"|\".join(str(v) for v in r.values()))' " + path + " 2>&1";
  std::FILE* p = ::popen(cmd.c_str(), "r");
  ASSERT_NE(p, nullptr);
  std::string out;
  char buf[256];
  while (std::fgets(buf, sizeof buf, p)) out += buf;
  EXPECT_EQ(::pclose(p), 0) << out;
  EXPECT_EQ(out, "4 1\nKORT1|1234|A\nKORT2|7|B\nNYFIL|8|\n|None|\n");
}

// Tables that disagree with themselves: never opened, never written.
TEST(DbDamaged, RejectedAndLeftUntouched) {
  const std::string good = table(kRows);
  std::vector<std::pair<const char*, std::string>> cases;
  cases.emplace_back("empty file", "");
  cases.emplace_back("header cut short", good.substr(0, 20));
  cases.emplace_back("descriptors cut off", good.substr(0, 80));
  cases.emplace_back("last record cut off", good.substr(0, kHead + 2 * kRec + 5));
  std::string t = good;
  put(t, 4, 5, 4);
  cases.emplace_back("count beyond the file", t);
  t = good, put(t, 8, kHead - 32, 2);
  cases.emplace_back("header length short of the descriptors", t);
  t = good, put(t, 8, kHead - 1, 2);
  cases.emplace_back("header length ending at the terminator", t);
  t = good, put(t, 10, kRec + 1, 2);
  cases.emplace_back("record length longer than the fields", t);
  t = good, put(t, 10, kRec - 4, 2);
  cases.emplace_back("record length shorter than the fields", t);
  t = good, t[kHead - 1] = ' ';
  cases.emplace_back("no descriptor terminator", t);
  cases.emplace_back("31 fields", table({}, std::vector<Col>(31, Col{"F", 'C', 1})));
  TempDir dir;
  for (const auto& [what, bytes] : cases) {
    SCOPED_TRACE(what);
    const std::string path = dir / "bad.dbf";
    writeFile(path, bytes);
    DbTable db;
    EXPECT_EQ(db.open(path), 3);
    EXPECT_FALSE(db.error().empty());
    EXPECT_FALSE(db.isOpen());
    EXPECT_EQ(db.read("DBFILE", 1), "");
    EXPECT_FALSE(db.write("DBFILE", 1, "X"));
    EXPECT_FALSE(db.write("DBFILE", 3, "X"));
    EXPECT_EQ(db.append(), 0u);
    EXPECT_EQ(readFile(path), bytes);
  }
}

}  // namespace
