#include <gtest/gtest.h>

#include <random>
#include <thread>

#include "helpers.hpp"
#include "kvtconv.hpp"

using kvttest::readFile;
using kvttest::rtrim;
using kvttest::writeFile;
namespace fs = std::filesystem;

namespace {

int openFiles() {
  int n = 0;
  for ([[maybe_unused]] const auto& e : fs::directory_iterator("/proc/self/fd")) ++n;
  return n;
}

std::string points(int n, double big = 1.0) {
  std::string s;
  for (int i = 1; i <= n; ++i)
    s += " 6 " + std::to_string(i) + " K " + std::to_string(1000.0 * big + i) + " 2000.5 3\n";
  return s;
}

}  // namespace

TEST(Kvt2Zeiss, HostStopEndsTheRunWithNothingMore) {
  kvttest::TempDir dir;
  const std::string par = kvttest::parDir(dir, "49 A\n49 B\n49 C\n");  // three error lines
  writeFile(dir / "in.kvt", points(3));
  kvttest::Recorder rec;
  rec.stopAfterMessages = 1;
  kvtconv::Session s(rec.hooks());
  const int before = openFiles();
  kvtconv::kvt2zeiss(s, par, dir / "in.kvt", dir / "out.zei");
  EXPECT_EQ(openFiles(), before);
  EXPECT_EQ(rec.messages.size(), 1u);
  EXPECT_EQ(rec.errors.size(), 3u);
  EXPECT_EQ(rtrim(rec.messages[0]), "     3 poster konverteret ...");
}

TEST(Kvt2Zeiss, SilencedErrorsLastOneRun) {
  kvttest::TempDir dir;
  const std::string par = kvttest::parDir(dir, "49 A\n49 B\n49 C\n49 D\n49 E\n");
  writeFile(dir / "in.kvt", points(5));
  kvttest::Recorder rec;
  rec.silenceAfterErrors = 1;
  kvtconv::Session s(rec.hooks());
  kvtconv::kvt2zeiss(s, par, dir / "in.kvt", dir / "out.zei");
  EXPECT_EQ(rec.errors.size(), 1u);
  EXPECT_EQ(rec.messages.size(), 1u);  // messages still go out
  EXPECT_EQ(kvtconv::errorCount(s), 5);
  rec.silenceAfterErrors = -1;
  kvtconv::kvt2zeiss(s, par, dir / "in.kvt", dir / "out.zei");
  EXPECT_EQ(rec.errors.size(), 6u);
}

TEST(Kvt2Zeiss, SecondRunGivesTheSameOutput) {
  kvttest::TempDir dir;
  const std::string par = kvttest::parDir(dir, "79 JA\n");
  writeFile(dir / "in.kvt", points(4));
  kvttest::Recorder rec;
  kvtconv::Session s(rec.hooks());
  kvtconv::kvt2zeiss(s, par, dir / "in.kvt", dir / "a.zei");
  kvtconv::kvt2zeiss(s, par, dir / "in.kvt", dir / "b.zei");
  EXPECT_EQ(readFile(dir / "a.zei"), readFile(dir / "b.zei"));
  ASSERT_EQ(rec.messages.size(), 2u);
  EXPECT_EQ(rec.messages[0], rec.messages[1]);
  EXPECT_TRUE(rec.errors.empty());
}

TEST(Kvt2Zeiss, EmptyCatalogue) {
  kvttest::TempDir dir;
  const std::string par = kvttest::parDir(dir);
  writeFile(dir / "in.kvt", "");
  writeFile(dir / "out.zei", "stale contents\n");
  kvttest::Recorder rec;
  kvtconv::Session s(rec.hooks());
  kvtconv::kvt2zeiss(s, par, dir / "in.kvt", dir / "out.zei");
  EXPECT_EQ(readFile(dir / "out.zei"), "");
  ASSERT_EQ(rec.messages.size(), 1u);
  EXPECT_EQ(rec.messages[0].substr(0, 6), "     0");
}

TEST(Kvt2Zeiss, FilesThatCannotBeUsed) {
  kvttest::TempDir dir;
  const std::string par = kvttest::parDir(dir);
  writeFile(dir / "in.kvt", points(2));
  // An unusable catalogue is this export's to report to the host; an output
  // that cannot be written is only a diagnostic.
  struct Case {
    std::string in, out, error, diagnostic;
  } const cases[] = {
      {dir / "missing.kvt", dir / "o1.zei", " Filen findes ikke: " + (dir / "missing.kvt"), ""},
      {dir.str(), dir / "o2.zei", " Filen kan ikke l\xE6ses: " + dir.str(), ""},
      {dir / "in.kvt", dir / "no/dir/o3.zei", "", "0 file cannot be written: " + (dir / "no/dir/o3.zei")},
  };
  for (const auto& c : cases) {
    kvttest::Recorder rec;
    kvtconv::Session s(rec.hooks());
    kvtconv::kvt2zeiss(s, par, c.in, c.out);
    if (c.error.empty()) {
      EXPECT_TRUE(rec.errors.empty()) << c.diagnostic;
      EXPECT_EQ(rec.diagnostics, std::vector<std::string>{c.diagnostic});
      EXPECT_EQ(kvtconv::writeFailures(s), 1);
    } else {
      ASSERT_EQ(rec.errors.size(), 1u) << c.error;
      EXPECT_EQ(rtrim(rec.errors[0]), c.error);
      EXPECT_TRUE(rec.diagnostics.empty());
    }
    EXPECT_EQ(rec.messages.size(), 1u);
  }
}

TEST(Kvt2Zeiss, HostileInputNeverCrashesNorChanges) {
  kvttest::TempDir dir;
  const std::string par = kvttest::parDir(dir);
  std::mt19937 rng(12345);
  std::string noise(1 << 18, '\0');
  for (char& c : noise) c = static_cast<char>(rng());
  const std::string inputs[] = {
      noise,
      std::string("\0\0 6 1 K 1 2 3\n\0", 17),
      " 6 1 K " + std::string(1 << 20, '7') + " 2 3\n 6 2 K 5 6 7\n",
      " 6 1 K 1e308 2 3\n 6 2 K nan inf -inf\n 6 3 K -- - 1\n",
      std::string(1 << 20, ' ') + "\n 6 9 K 1 2 3",
  };
  for (const auto& in : inputs) {
    writeFile(dir / "in.kvt", in);
    kvttest::Recorder rec;
    kvtconv::Session s(rec.hooks());
    kvtconv::kvt2zeiss(s, par, dir / "in.kvt", dir / "out.zei");
    EXPECT_EQ(readFile(dir / "in.kvt"), in);
    EXPECT_EQ(rec.messages.size(), 1u);
    for (const auto& line : kvttest::readLines(dir / "out.zei")) EXPECT_EQ(line.size(), 80u);
  }
}

TEST(Kvt2Zeiss, IndependentSessionsOnTwoThreads) {
  kvttest::TempDir dir;
  const std::string par = kvttest::parDir(dir);
  writeFile(dir / "a.kvt", points(20000));
  writeFile(dir / "b.kvt", points(20000, 7));
  auto run = [&](const std::string& in, const std::string& out) {
    kvtconv::Session s;
    kvtconv::kvt2zeiss(s, par, in, out);
  };
  run(dir / "a.kvt", dir / "a1.zei");
  run(dir / "b.kvt", dir / "b1.zei");
  std::thread t1(run, dir / "a.kvt", dir / "a2.zei");
  std::thread t2(run, dir / "b.kvt", dir / "b2.zei");
  t1.join();
  t2.join();
  EXPECT_EQ(readFile(dir / "a1.zei"), readFile(dir / "a2.zei"));
  EXPECT_EQ(readFile(dir / "b1.zei"), readFile(dir / "b2.zei"));
  EXPECT_NE(readFile(dir / "a1.zei"), readFile(dir / "b1.zei"));
}

TEST(ZeissRoundTrip, CoordinatesComeBackAtTheConfiguredDecimals) {
  kvttest::TempDir dir;
  const std::string par = kvttest::parDir(dir, "49 2\n124 1\n121 3D\n");
  writeFile(dir / "in.kvt",
            " 6 1001 FS1 6123456.789 512345.678 12.345\n"
            " 6 P-17 skel -1234.5 0.004 -\n"
            " 6 1003 HEGN9 - 5 5\n"
            " 6 ABCDEFGHIJKL LONGCODE99 10 20 30\n");
  kvtconv::Session s;
  kvtconv::kvt2zeiss(s, par, dir / "in.kvt", dir / "mid.zei");
  kvtconv::zeiss2kvt(s, -1, 0, 1, dir / "mid.zei", dir / "back.kvt", par);
  const auto lines = kvttest::readLines(dir / "back.kvt");
  ASSERT_EQ(lines.size(), 5u);  // two header lines and three points
  EXPECT_EQ(lines[2], " 6 1001         FS1          6123456.79     512345.68          12.3");
  EXPECT_EQ(lines[3], " 6 P-17         SKEL           -1234.50          0.00  ------------");
  // The Zeiss code field holds nine characters.
  EXPECT_EQ(lines[4], " 6 ABCDEFGHIJKL LONGCODE9         10.00         20.00          30.0");
}

TEST(Zeiss2Kvt, M5ObservationsWithoutAStationAreNoErrorLines) {
  // 5001 observations and no station: the buffer holds 5000, the last one
  // is written at once, and the 5000 are lost when the file ends. The host
  // hears only the count; the diagnostics say what happened.
  kvttest::TempDir dir;
  const std::string par = kvttest::parDir(dir);
  std::string m5;
  const std::string obs = "For M5|Adr 00001|    7 K7                        SD          5.000      Hz"
                          "        10.0000               100.0000\n";
  for (int i = 0; i < 5001; ++i) m5 += obs;
  writeFile(dir / "raw.m5", m5);
  kvttest::Recorder host;
  kvtconv::Session s(host.hooks());
  kvtconv::zeiss2kvt(s, -1, 0, 0, dir / "raw.m5", dir / "out.kvt", par);
  EXPECT_TRUE(host.errors.empty());
  ASSERT_EQ(host.messages.size(), 1u);
  EXPECT_EQ(rtrim(host.messages[0]), "  5001 poster konverteret ...");
  ASSERT_EQ(host.diagnostics.size(), 5001u);
  EXPECT_EQ(host.diagnostics[0],
            "5001 more than 5000 M5 observations before the first station, written at once");
  EXPECT_EQ(host.diagnostics[1], "1 M5 observation without a following station dropped: point 7");
  EXPECT_EQ(host.diagnostics[5000], "5000 M5 observation without a following station dropped: point 7");
  EXPECT_EQ(kvttest::readLines(dir / "out.kvt").size(), 3u);  // header and one detail record
}
