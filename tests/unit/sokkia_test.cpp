#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "catalogue/point.hpp"
#include "catalogue/fortran.hpp"
#include "catalogue/record.hpp"
#include "helpers.hpp"
#include "instruments/sokkia/sdr.hpp"
#include "kvtconv.hpp"

using kvttest::readLines;
using kvttest::writeFile;

using kvttest::pointsOf;

TEST(Sokkia, RoundTripBothVariants) {
  kvttest::TempDir dir;
  const std::string par = kvttest::parDir(dir);
  writeFile(dir / "in.kvt",
            " 6 7 KANT1 123.456 -45.6 -\n"
            " 6 1001 FS1 61234.789 51234.678 12.345\n"
            " 6 0012 SKEL 0 0.001 -0.5\n");
  for (const int variant : {0, 1}) {
    kvtconv::Session s;
    kvtconv::kvt2sokkia(s, variant, par, dir / "in.kvt", dir / "mid.sdr");
    kvtconv::sokkia2kvt(s, -1, dir / "mid.sdr", dir / "back.kvt", par, 0);
    const auto before = pointsOf(s, dir / "in.kvt");
    const auto after = pointsOf(s, dir / "back.kvt");
    ASSERT_EQ(after.size(), before.size()) << variant;
    for (std::size_t i = 0; i < before.size(); ++i) {
      // SDR2 point numbers are integers: "0012" comes back as 12.
      const std::string want = variant == 0 && i == 2 ? kvtconv::fixed("12", 12) : before[i].number;
      EXPECT_EQ(after[i].number, want);
      EXPECT_EQ(after[i].code, before[i].code);
      EXPECT_NEAR(after[i].x, before[i].x, 1e-9);
      EXPECT_NEAR(after[i].y, before[i].y, 1e-9);
      EXPECT_EQ(kvtconv::missReal(after[i].height), kvtconv::missReal(before[i].height));
      if (!kvtconv::missReal(before[i].height)) {
        EXPECT_NEAR(after[i].height, before[i].height, 1e-9);
      }
    }
  }
}

TEST(Sokkia, NotesRewriteAcrossAFlushedBuffer) {
  // Enough records that the detail to correct has left the write buffer.
  kvttest::TempDir dir;
  const std::string par = kvttest::parDir(dir);
  std::string sdr = "00NMSDR2     V02-08\n";
  for (int i = 0; i < 2000; ++i) sdr += "08KI   1     1.000     2.000     3.000FS1\n";
  sdr += "09F1       2    10.000   100.000    50.000KODE\n13NMA0.5\n13NMA0.25\n";
  writeFile(dir / "job.sdr", sdr);
  kvtconv::Session s;
  kvtconv::sokkia2kvt(s, -1, dir / "job.sdr", dir / "out.kvt", par, 0);
  const auto lines = readLines(dir / "out.kvt");
  ASSERT_EQ(lines.size(), 2005u);
  EXPECT_EQ(lines.back().substr(53, 9), "   10.750");
  EXPECT_EQ(kvtconv::errorCount(s), 0);
}

TEST(Sokkia, ExistingCatalogueIsKeptInModeNew) {
  kvttest::TempDir dir;
  const std::string par = kvttest::parDir(dir);
  writeFile(dir / "job.sdr", "08KI   1     1.000     2.000     3.000FS1\n");
  writeFile(dir / "out.kvt", "precious\n");
  kvttest::Recorder rec;
  kvtconv::Session s(rec.hooks());
  kvtconv::sokkia2kvt(s, 0, dir / "job.sdr", dir / "out.kvt", par, 0);
  EXPECT_EQ(kvttest::readFile(dir / "out.kvt"), "precious\n");
  // The import sends no error lines of its own: the refusal is a diagnostic
  // that marks the run as incomplete.
  EXPECT_TRUE(rec.errors.empty());
  ASSERT_EQ(rec.diagnostics.size(), 1u);
  EXPECT_EQ(rec.diagnostics[0], "0 file exists and is not overwritten: " + (dir / "out.kvt"));
  EXPECT_EQ(kvtconv::writeFailures(s), 1);
  kvtconv::sokkia2kvt(s, 2000, dir / "job.sdr", dir / "out.kvt", par, 0);
  EXPECT_EQ(readLines(dir / "out.kvt").size(), 5u);  // appended: header, name, point
}

TEST(Sokkia, FullDiskIsADiagnosticNotAnErrorLine) {
  // Closing errors are no line of the host's; the run is still marked
  // incomplete for callers that look.
  kvttest::TempDir dir;
  const std::string par = kvttest::parDir(dir);
  writeFile(dir / "in.kvt", " 6 1 K 1 2 3\n");
  kvttest::Recorder rec;
  kvtconv::Session s(rec.hooks());
  kvtconv::kvt2sokkia(s, 1, par, dir / "in.kvt", "/dev/full");
  EXPECT_TRUE(rec.errors.empty());
  EXPECT_EQ(rec.diagnostics, std::vector<std::string>{"0 file could not be written: /dev/full"});
  EXPECT_EQ(kvtconv::writeFailures(s), 1);
  EXPECT_EQ(rec.messages.size(), 1u);
}

TEST(Sokkia, NumberFieldsFillAsEveryByteWould) {
  // The word-wise fill of a formatted number against the byte-wise one,
  // over both field widths, signs, sizes and fields of stars left alone.
  kvttest::Numbers next(0x5D12);
  for (int k = 0; k < 20000; ++k) {
    const std::size_t width = k % 2 == 0 ? 16 : 10;
    const int digits = static_cast<int>(next() % 16);
    double v = static_cast<double>(next() % 1000000007) / 1000.0;
    v = std::ldexp(v, digits - 10);
    if (next() % 2) v = -v;
    if (k % 97 == 0) v = 0.0;
    char fast[16], slow[16];
    const bool fits = kvtconv::formatF(fast, static_cast<int>(width), 3, v);
    std::memcpy(slow, fast, width);
    if (fits) kvtconv::sdr::zeroFillNumber(fast, width);
    kvtconv::sdr::zeroFill(slow, width);
    ASSERT_EQ(std::string(fast, width), std::string(slow, width)) << v << " " << width;
  }
}
