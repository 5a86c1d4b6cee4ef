#include <gtest/gtest.h>

#include <thread>

#include "frame/scratch.hpp"
#include "helpers.hpp"
#include "kvtconv.hpp"

using kvttest::readFile;
using kvttest::readLines;
using kvttest::writeFile;
namespace fs = std::filesystem;

namespace {

// A parameter directory that also holds the label names and a conversion
// file for points with and without height.
std::string geoPar(const kvttest::TempDir& dir) {
  const std::string par = kvttest::parDir(dir);
  writeFile(dir / "GEOLAB.TXT", "5  Punktnr.\n");
  writeFile(dir / "conv.txt", "6 5 4 38 37\n6 5 4 38 37 39\n4 5 4 7 8 9\n");
  return par;
}

bool scratchLeft(const std::string& dir) {
  for (const auto& e : fs::directory_iterator(dir))
    if (e.path().filename().string().rfind("KVT3", 0) == 0) return true;
  return false;
}

// Runs in `dir` so that GEOLAB.TXT is found by its bare name.
struct InDir {
  explicit InDir(const std::string& d) : old(fs::current_path()) { fs::current_path(d); }
  ~InDir() { fs::current_path(old); }
  fs::path old;
};

}  // namespace

TEST(Geodimeter, RoundTripGivesBackThePoints) {
  kvttest::TempDir dir;
  const std::string par = geoPar(dir);
  InDir here(dir.str());
  writeFile(dir / "in.kvt",
            " 6 101 K1 512.678 612.789 12.5\n"
            " 4 200 FS 0.0 99.8765 1.6 125.431\n"
            " 6 102 K2 -100.25 0.001 -\n"
            " 6 A-7 HJ.1 6123456.789 512345.678 -0.5\n");
  kvtconv::Session s;
  kvtconv::kvt2geo(s, par, dir / "in.kvt", dir / "mid.geo");
  kvtconv::geo2kvt(s, -1, dir / "mid.geo", dir / "back.kvt", dir / "conv.txt", par);
  const auto before = kvttest::pointsOf(s, dir / "in.kvt");
  const auto after = kvttest::pointsOf(s, dir / "back.kvt");
  ASSERT_EQ(after.size(), before.size());
  for (std::size_t i = 0; i < before.size(); ++i) {
    EXPECT_EQ(after[i].number, before[i].number);
    EXPECT_EQ(after[i].code, before[i].code);
    EXPECT_NEAR(after[i].x, before[i].x, 1e-9);
    EXPECT_NEAR(after[i].y, before[i].y, 1e-9);
    EXPECT_EQ(kvtconv::missReal(after[i].height), kvtconv::missReal(before[i].height));
  }
  EXPECT_FALSE(scratchLeft(par));
}

TEST(Geodimeter, TwoSessionsAtOnceShareTheParameterDirectory) {
  kvttest::TempDir dir;
  const std::string par = geoPar(dir);
  InDir here(dir.str());
  std::string raw;
  for (int i = 1; i <= 20000; ++i)
    raw += "5=" + std::to_string(i) + "\n4=K\n38=" + std::to_string(i) + ".5\n37=2.25\n";
  writeFile(dir / "big.geo", raw);
  // A file of that name left by someone else is neither used nor removed.
  writeFile(par + "/KVT3.TMP", "not ours\n");
  auto run = [&](const std::string& out, int& errors) {
    kvtconv::Session s;
    kvtconv::geo2kvt(s, -1, dir / "big.geo", out, dir / "conv.txt", par);
    errors = s.errorCount();
  };
  int e1 = -1, e2 = -1;
  std::thread a(run, dir / "a.kvt", std::ref(e1));
  std::thread b(run, dir / "b.kvt", std::ref(e2));
  a.join();
  b.join();
  EXPECT_EQ(e1, 0);
  EXPECT_EQ(e2, 0);
  kvtconv::Session s;
  EXPECT_EQ(kvttest::pointsOf(s, dir / "a.kvt").size(), 20000u);
  EXPECT_EQ(readFile(dir / "a.kvt"), readFile(dir / "b.kvt"));
  EXPECT_EQ(readFile(par + "/KVT3.TMP"), "not ours\n");
  fs::remove(par + "/KVT3.TMP");
  EXPECT_FALSE(scratchLeft(par));
}

TEST(Geodimeter, HooksAreCalledOnTheCallersThreadAndMayEndTheRun) {
  kvttest::TempDir dir;
  const std::string par = geoPar(dir);
  InDir here(dir.str());
  // Over a megabyte, so that progress is told, with words no entry takes
  // (a diagnostic each) all through it.
  std::string raw;
  for (int i = 1; i <= 60000; ++i)
    raw += "5=" + std::to_string(i) + "\n4=K\n38=" + std::to_string(i) + ".5\n37=2.25\n" +
           (i % 1000 == 0 ? "99=1\n" : "");
  writeFile(dir / "big.geo", raw);
  const auto caller = std::this_thread::get_id();
  int progress = 0, diagnostics = 0, elsewhere = 0;
  std::uint64_t lastDone = 0;
  kvtconv::Hooks h;
  h.progress = [&](std::uint64_t done, std::uint64_t total) {
    elsewhere += std::this_thread::get_id() != caller;
    if (total != raw.size()) return;  // the small files read before it
    ++progress;
    elsewhere += done < lastDone;
    lastDone = done;
  };
  h.diagnostic = [&](const kvtconv::Diagnostic&) {
    ++diagnostics;
    elsewhere += std::this_thread::get_id() != caller;
  };
  {
    kvtconv::Session s(h);
    kvtconv::geo2kvt(s, -1, dir / "big.geo", dir / "out.kvt", dir / "conv.txt", par);
  }
  EXPECT_GE(progress, 2);
  EXPECT_EQ(diagnostics, 61);  // and the empty group at the end
  EXPECT_EQ(elsewhere, 0);
  const std::size_t whole = kvttest::readLines(dir / "out.kvt").size();
  EXPECT_GT(whole, 60000u);
  // A hook that fails in the middle ends the run, reading included, and the
  // scratch file goes.
  std::vector<std::string> told;
  h.progress = [&](std::uint64_t done, std::uint64_t total) {
    if (total == raw.size() && done > 0) throw std::runtime_error("host gone");
  };
  h.diagnostic = [&](const kvtconv::Diagnostic& d) { told.emplace_back(d.detail); };
  kvtconv::Session s(h);
  kvtconv::geo2kvt(s, -1, dir / "big.geo", dir / "cut.kvt", dir / "conv.txt", par);
  ASSERT_FALSE(told.empty());
  EXPECT_EQ(told.back(), "host gone");
  EXPECT_LT(kvttest::readLines(dir / "cut.kvt").size(), whole);
  EXPECT_FALSE(scratchLeft(par));
}

TEST(Geodimeter, ScratchFileGoesWhenTheHostStopsTheRun) {
  kvttest::TempDir dir;
  const std::string par = geoPar(dir);
  InDir here(dir.str());
  writeFile(dir / "raw.geo", "5=1\n4=K\n38=1\n37=2\n9=12a\n");
  kvttest::Recorder host;
  host.stopAfterMessages = 1;  // the count line
  kvtconv::Session s(host.hooks());
  kvtconv::geo2kvt(s, -1, dir / "raw.geo", dir / "out.kvt", dir / "conv.txt", par);
  EXPECT_EQ(host.messages.size(), 1u);
  EXPECT_FALSE(scratchLeft(par));
  // The word that fits no entry is kept as a comment; the empty group left
  // at the end is reported as not identified.
  ASSERT_EQ(host.errors.size(), 0u);
  const auto lines = readLines(dir / "out.kvt");
  ASSERT_GE(lines.size(), 3u);
  EXPECT_NE(lines[lines.size() - 3].find("9=12a"), std::string::npos) << lines[lines.size() - 3];
  EXPECT_EQ(kvttest::rtrim(lines[lines.size() - 2]), " 8  Denne linie i input er ikke identificeret");
  EXPECT_EQ(kvttest::rtrim(lines.back()), " 8");
}

TEST(Geodimeter, BadValuesAndConversionLines) {
  kvttest::TempDir dir;
  const std::string par = geoPar(dir);
  InDir here(dir.str());
  std::string conv = "x y\n4 5 4 7 8 9\n";
  for (int i = 0; i < 50; ++i) conv += "6 5 4 38 37\n";
  writeFile(dir / "conv.txt", conv);
  writeFile(dir / "raw.geo", std::string("5=7\n4=K\n7=1.5.5\n8=abc\n9=-12.5\n\x01\xff=\x02\n"));
  kvttest::Recorder host;
  kvtconv::Session s(host.hooks());
  kvtconv::geo2kvt(s, -1, dir / "raw.geo", dir / "out.kvt", dir / "conv.txt", par);
  // Only the line the format quotes reaches the host; the rest are
  // diagnostics naming what was read as missing.
  ASSERT_EQ(host.errors.size(), 1u);
  EXPECT_EQ(kvttest::rtrim(host.errors[0]), "Der er for mange labels i konverterings-fil !");
  ASSERT_GE(host.diagnostics.size(), 3u);
  EXPECT_EQ(host.diagnostics[0], "0 conversion-file line without a record type, ignored: x y");
  EXPECT_EQ(host.diagnostics[1], "0 value is not a number, read as missing: 7=1.5.5");
  EXPECT_EQ(host.diagnostics[2], "0 value is not a number, read as missing: 8=abc");
  const auto lines = readLines(dir / "out.kvt");
  const auto detail = std::find_if(lines.begin(), lines.end(),
                                   [](const std::string& l) { return l.rfind(" 4", 0) == 0; });
  ASSERT_NE(detail, lines.end());
  EXPECT_EQ(detail->substr(26, 19), "--------- ---------");
  EXPECT_EQ(detail->substr(53, 9), "  -12.500");
  EXPECT_FALSE(scratchLeft(par));
  // A type no record has (below 101, so not refused) leaves its records
  // unidentified, however far below 0 it is.
  writeFile(dir / "conv.txt", "-253 5 4 38 37\n");
  writeFile(dir / "raw.geo", "5=1\n4=K\n38=1\n37=2\n");
  kvtconv::geo2kvt(s, -1, dir / "raw.geo", dir / "odd.kvt", dir / "conv.txt", par);
  const auto odd = readLines(dir / "odd.kvt");
  EXPECT_EQ(std::count_if(odd.begin(), odd.end(),
                          [](const std::string& l) {
                            return kvttest::rtrim(l) == " 8  Denne linie i input er ikke identificeret";
                          }),
            1);
  EXPECT_EQ(std::count_if(odd.begin(), odd.end(), [](const std::string& l) { return l.rfind(" 4", 0) == 0; }), 0);
}

TEST(Geodimeter, ScratchNamesAreTakenInTurn) {
  kvttest::TempDir dir;
  auto a = std::make_unique<kvtconv::ScratchFile>(dir.str(), "KVT3", "TMP");
  kvtconv::ScratchFile b(dir.str(), "KVT3", "TMP");
  EXPECT_EQ(fs::path(a->path()).filename(), "KVT3.TMP");
  EXPECT_EQ(fs::path(b.path()).filename(), "KVT3_2.TMP");
  a.reset();
  EXPECT_FALSE(fs::exists(dir / "KVT3.TMP"));
  kvtconv::ScratchFile none(dir / "no-such-dir", "KVT3", "TMP");
  EXPECT_TRUE(none.path().empty());
}
