#include <gtest/gtest.h>

#include "helpers.hpp"
#include "kvtconv.hpp"

using kvttest::readLines;
using kvttest::writeFile;
namespace fs = std::filesystem;

namespace {

struct FreeRun {
  kvttest::TempDir dir;
  std::string par = kvttest::parDir(dir);
  kvttest::Recorder host;
  kvtconv::Session s{host.hooks()};
  std::string list = dir / "list.tmp", out = dir / "out.kvt";

  void run(const std::vector<std::string>& files, const std::string& layout = "") {
    std::string names;
    for (const auto& f : files) names += (dir / f) + "\n";
    writeFile(list, names);
    host.errors.clear();
    host.diagnostics.clear();
    kvtconv::fri2kvt(s, static_cast<std::int32_t>(files.size()), layout.empty() ? 0 : 1, par, layout, list, out);
  }
};

}  // namespace

TEST(FreeFormat, LayoutOfOneRunHoldsInTheNext) {
  FreeRun r;
  writeFile(r.dir / "a.txt", "SKEL 7 1.5 2.5\n");
  r.run({"a.txt"}, "KOD PKT K1 K2");
  ASSERT_EQ(kvttest::pointsOf(r.s, r.out).size(), 1u);
  // The second run names only the code: the other places are remembered.
  writeFile(r.dir / "b.txt", "HJ 8 3.5 4.5\n");
  r.run({"b.txt"}, "KOD");
  const auto p = kvttest::pointsOf(r.s, r.out);
  ASSERT_EQ(p.size(), 1u);
  EXPECT_EQ(kvttest::rtrim(p[0].number), "8");
  EXPECT_EQ(kvttest::rtrim(p[0].code), "HJ");
  EXPECT_NEAR(p[0].x, 3.5, 1e-9);
  EXPECT_NEAR(p[0].y, 4.5, 1e-9);
  // A fresh session knows nothing of it: points are numbered, no coordinates.
  kvtconv::Session fresh;
  writeFile(r.list, (r.dir / "b.txt") + "\n");
  kvtconv::fri2kvt(fresh, 1, 1, r.par, "KOD", r.list, r.out);
  const auto q = kvttest::pointsOf(fresh, r.out);
  ASSERT_EQ(q.size(), 1u);
  EXPECT_EQ(kvttest::rtrim(q[0].number), "1");
  EXPECT_TRUE(kvtconv::missReal(q[0].x));
}

TEST(FreeFormat, ListFileIsRemovedAndBadListsRefused) {
  FreeRun r;
  writeFile(r.dir / "a.txt", "1 2 3\n");
  r.run({"a.txt", "missing.txt"}, "K1 K2 K3");
  EXPECT_FALSE(fs::exists(r.list));
  // The host hears nothing of a data file that is not there.
  EXPECT_TRUE(r.host.errors.empty());
  EXPECT_EQ(r.host.diagnostics, std::vector<std::string>{"0 file does not exist: " + (r.dir / "missing.txt")});
  EXPECT_EQ(kvtconv::readFailures(r.s), 1);
  EXPECT_EQ(kvttest::pointsOf(r.s, r.out).size(), 1u);

  r.run({"a.txt", "a.txt", "a.txt", "a.txt", "a.txt", "a.txt"}, "K1 K2 K3");
  EXPECT_FALSE(fs::exists(r.list));
  ASSERT_EQ(r.host.errors.size(), 1u);
  EXPECT_NE(r.host.errors[0].find("1 til 5"), std::string::npos);

  r.host.errors.clear();
  kvtconv::fri2kvt(r.s, 1, 0, r.par, "", r.dir / "no-list.tmp", r.out);
  ASSERT_EQ(r.host.errors.size(), 1u);
  EXPECT_EQ(kvttest::rtrim(r.host.errors[0]), "TMP fil kan ikke findes !");
}

TEST(FreeFormat, ACatalogueThatCannotBeWrittenGetsNoCountLine) {
  if (!fs::exists("/dev/full")) GTEST_SKIP() << "no /dev/full";
  FreeRun r;
  r.out = "/dev/full";
  writeFile(r.dir / "a.txt", "1 2 3\n");
  r.run({"a.txt"}, "K1 K2 K3");
  EXPECT_TRUE(r.host.messages.empty());
  EXPECT_TRUE(r.host.errors.empty());
  EXPECT_EQ(kvtconv::writeFailures(r.s), 1);
}

TEST(FreeFormat, ShortLinesAndNoiseGiveMissingValues) {
  FreeRun r;
  writeFile(r.dir / "a.txt", std::string("! PKT(1-4) K1(5-12) K2(60-70)\n12  abc\n\x01\xff\x7f 9\n"));
  r.run({"a.txt"});
  const auto p = kvttest::pointsOf(r.s, r.out);
  ASSERT_EQ(p.size(), 2u);
  EXPECT_TRUE(kvtconv::missReal(p[0].x));  // letters in a number
  EXPECT_TRUE(kvtconv::missReal(p[0].y));  // columns beyond the line end
  EXPECT_TRUE(kvtconv::missReal(p[1].y));
}

TEST(Ski, PointsRoundTripForEachCoordinateType) {
  kvttest::TempDir dir;
  const std::string par = kvttest::parDir(dir);
  writeFile(dir / "in.kvt",
            " 6 101 K1 6123456.789 512345.678 12.345\n"
            " 6 102 K2 -100.5 0.25 -\n"
            " 6 103 K3 - - 7.5\n");
  for (const char* type : {"2", "3"}) {
    kvtconv::Session s;
    std::string ellipsoid = "x", projection = "y";
    kvtconv::kvt2ski(s, ellipsoid, projection, type, dir / "mid.ski", dir / "in.kvt", par);
    EXPECT_EQ(ellipsoid, "WGS 1984");
    EXPECT_EQ(projection, "undefined");
    kvtconv::ski2kvt(s, dir / "mid.ski", dir / "back.kvt", par);
    const auto before = kvttest::pointsOf(s, dir / "in.kvt");
    const auto after = kvttest::pointsOf(s, dir / "back.kvt");
    ASSERT_EQ(after.size(), before.size()) << type;
    for (std::size_t k = 0; k < before.size(); ++k) {
      EXPECT_EQ(after[k].number, before[k].number);
      EXPECT_EQ(kvtconv::missReal(after[k].x), kvtconv::missReal(before[k].x));
      if (!kvtconv::missReal(before[k].x)) {
        EXPECT_NEAR(after[k].x, before[k].x, 1e-9);
        EXPECT_NEAR(after[k].y, before[k].y, 1e-9);
      }
      EXPECT_EQ(kvtconv::missReal(after[k].height), kvtconv::missReal(before[k].height));
    }
  }
}

TEST(Ski, CodesBeforeAnyPointDoNotTouchTheHeader) {
  kvttest::TempDir dir;
  const std::string par = kvttest::parDir(dir);
  writeFile(dir / "in.ski", "@1SKEL\n@&  1 1 0 0 1 0 1\n\x01\x02 noise\n@#P1                 1.0 2.0 3.0" +
                                std::string(40, ' ') + "15\n");
  kvtconv::Session s;
  kvtconv::ski2kvt(s, dir / "in.ski", dir / "out.kvt", par);
  const auto lines = readLines(dir / "out.kvt");
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines[0].substr(0, 9), " 8  1==> ");
  const auto p = kvttest::pointsOf(s, dir / "out.kvt");
  ASSERT_EQ(p.size(), 1u);
  EXPECT_EQ(kvttest::rtrim(p[0].code), "SKEL");  // the code stays current
}
