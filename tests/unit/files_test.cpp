#include <gtest/gtest.h>
#include <functional>
#include <map>

#include "frame/files.hpp"
#include "helpers.hpp"
#include "kvtconv.hpp"
#include "frame/session.hpp"

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
  // A file the run has read is no output of the same run.
  EXPECT_EQ(opfile(s, 2, existing, -1, 7), st::kAlreadyOpen);
  s.beginRun();

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

// An output named like any file the run reads (by its name or through a
// link) is refused and that file is left as it was.
TEST(Outputs, NoOutputIsAnInputOfTheRun) {
  kvttest::TempDir dir;
  const std::string d = dir.str() + "/";
  // Directory entry 2 (tables) holds GEOLAB.TXT.
  const std::string par = kvttest::parDir(dir, "52 " + d + "\n");
  const std::map<std::string, std::string> files = {
      {"in.kvt", " 6 1 K 1 2 3\n"}, {"in.gsi", "110001+00000001 81..00+00001000 \n"},
      {"labels.txt", "6 11 81\n"}, {"in.geo", "5=1\n4=K\n"}, {"conv.txt", "6 5 4\n"},
      {"GEOLAB.TXT", "5  Punktnr.\n"}, {"codes.tab", "999 %K\n"}, {"answer.kvt", " 8 a\n"},
      {"filter.kvt", "47 1 9\n"}, {"in.dsf", "%H1 x\n"}};
  for (const auto& [name, text] : files) kvttest::writeFile(d + name, text);
  std::filesystem::create_symlink(d + "labels.txt", d + "link.txt");
  const std::string input = d + "in.kvt", codes = d + "codes.tab", answer = d + "answer.kvt",
                    filter = d + "filter.kvt";
  auto dsflOut = [&](Session& s, const std::string& out) {
    kvtconv::Kvt2DsflArgs a;
    a.parDir = par;
    a.input = input;
    a.output = out;
    a.codeTable = codes;
    a.answerFile = answer;
    a.reportFile = "-";
    a.filterFile = filter;
    kvtconv::kvt2dsfl(s, a);
  };
  const std::string dsf = d + "in.dsf";
  auto dsflIn = [&](Session& s, const std::string& out) {
    kvtconv::Dsfl2KvtArgs a;
    a.parDir = par;
    a.input = dsf;
    a.output = out;
    a.codeTable = codes;
    a.reportFile = "-";
    a.firstPoint = "-";
    kvtconv::dsfl2kvt(s, a);
  };
  struct Case {
    std::string output;
    std::function<void(Session&, const std::string&)> run;
  };
  const Case cases[] = {
      {"labels.txt", [&](Session& s, const std::string& o) { kvtconv::leica2kvt(s, -1, d + "in.gsi", o, d + "labels.txt", par); }},
      {"link.txt", [&](Session& s, const std::string& o) { kvtconv::leica2kvt(s, -1, d + "in.gsi", o, d + "labels.txt", par); }},
      {"conv.txt", [&](Session& s, const std::string& o) { kvtconv::geo2kvt(s, -1, d + "in.geo", o, d + "conv.txt", par); }},
      {"GEOLAB.TXT", [&](Session& s, const std::string& o) { kvtconv::geo2kvt(s, -1, d + "in.geo", o, d + "conv.txt", par); }},
      {"codes.tab", dsflOut},
      {"codes.tab", dsflIn},
      {"answer.kvt", dsflOut},
      {"filter.kvt", dsflOut},
      {"par/VOXA.PAR", [&](Session& s, const std::string& o) { kvtconv::kvt2zeiss(s, par, d + "in.kvt", o); }},
      {"par/VOXA.ADM", [&](Session& s, const std::string& o) { kvtconv::sokkia2kvt(s, -1, d + "in.kvt", o, par, 0); }},
  };
  for (const Case& c : cases) {
    const std::string target = std::filesystem::canonical(d + c.output).string();
    const std::string before = kvttest::readFile(target);
    Session s;
    c.run(s, d + c.output);
    EXPECT_EQ(kvttest::readFile(target), before) << c.output;
  }
}
