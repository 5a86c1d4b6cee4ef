#include <gtest/gtest.h>

#include "frame/files.hpp"
#include "helpers.hpp"

using namespace kvtconv;
namespace st = kvtconv::open_status;

TEST(Getnavn, DirectoryByExtensionKindOrFirstEntry) {
  Params p;
  EXPECT_EQ(getnavn(p, "job.sdr", 6), "job.sdr");  // all entries blank
  p.set(56, "/raw");     // entry 6
  p.set(58, "/points/");  // entry 8
  p.set(51, "/std");     // entry 1
  EXPECT_EQ(getnavn(p, "job.SDR", 7), "/rawjob.SDR");  // nothing put between
  EXPECT_EQ(getnavn(p, "a.pkt", 0), "/points/a.pkt");
  EXPECT_EQ(getnavn(p, "a.obs", 8), "/points/a.obs");  // entry 7 blank: the kind
  EXPECT_EQ(getnavn(p, "a.obs", 0), "/stda.obs");
  EXPECT_EQ(getnavn(p, "VOXA.PAR", 8), "VOXA.PAR");
  EXPECT_EQ(getnavn(p, "sub/a.pkt", 8), "sub/a.pkt");
  EXPECT_EQ(getnavn(p, "c:a.pkt", 8), "c:a.pkt");
  p.set(159, "XYZ");  // standard extension 10 selects entry 10
  p.set(60, "/igs/");
  EXPECT_EQ(getnavn(p, "f.xyz", 0), "/igs/f.xyz");
  EXPECT_EQ(getnavn(p, "-", 0), "/std-");
}

TEST(Opfile, StatusesAndSwitches) {
  kvttest::TempDir dir;
  Session s;
  const std::string existing = dir / "old.kvt";
  kvttest::writeFile(existing, "keep me\n");
  EXPECT_EQ(opfile(s, 1, "-", -1, 0), st::kOpened);
  EXPECT_EQ(s.channel(1), nullptr);
  EXPECT_EQ(opfile(s, 1, dir / "none.kvt", 1, 8), st::kMissing);
  EXPECT_EQ(opfile(s, 1, dir.str(), 1, 8), st::kFailed);  // a directory
  EXPECT_EQ(opfile(s, 2, existing, 0, 7), st::kExists);
  EXPECT_EQ(kvttest::readFile(existing), "keep me\n");
  EXPECT_EQ(opfile(s, 3, existing, 1, 8), st::kOpened);
  EXPECT_EQ(opfile(s, 4, existing, 1, 8), st::kAlreadyOpen);
  s.closeAll();

  EXPECT_EQ(opfile(s, 2, existing + " /OW", 0, 7), st::kOpened);
  s.channel(2)->writeLine("new");
  s.closeAll();
  EXPECT_EQ(kvttest::readFile(existing), "new\n");

  EXPECT_EQ(opfile(s, 2, existing + " /append", 1, 7), st::kMissing);  // not the switch
  EXPECT_EQ(opfile(s, 2, existing + " /APPEND", 1, 7), st::kOpened);
  s.channel(2)->writeLine("more");
  s.closeAll();
  EXPECT_EQ(kvttest::readFile(existing), "new\nmore\n");

  s.par.set(par::kOverwriteWarning, "NEJ");
  EXPECT_EQ(opfile(s, 2, existing, 0, 7), st::kOpened);
  s.closeAll();
  EXPECT_EQ(kvttest::readFile(existing), "");

  // Without a blank before it, "/OW" is part of an ordinary path.
  EXPECT_EQ(opfile(s, 2, dir / "x/OW", -1, 7), st::kFailed);

  // A name longer than its field is not cut and opened: the file the cut
  // name happens to be is left alone.
  const std::string cut = dir / std::string(255 - dir.str().size() - 1, 'n');
  kvttest::writeFile(cut, "not ours\n");
  EXPECT_EQ(opfile(s, 2, cut + "x", -1, 7), st::kFailed);
  EXPECT_EQ(opfile(s, 2, cut + "x", 1, 7), st::kFailed);
  EXPECT_EQ(kvttest::readFile(cut), "not ours\n");
  EXPECT_FALSE(kvttest::fs::exists(cut + "x"));
}

TEST(Opfile, UnwritableOutput) {
  kvttest::TempDir dir;
  Session s;
  EXPECT_EQ(opfile(s, 1, dir / "no/such/dir/out.zei", -1, 6), st::kFailed);
}
