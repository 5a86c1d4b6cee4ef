#include <gtest/gtest.h>

#include <cmath>

#include "catalogue/fortran.hpp"
#include "catalogue/point.hpp"
#include "catalogue/scan.hpp"
#include "instruments/gsi/gsi.hpp"
#include "helpers.hpp"
#include "kvtconv.hpp"

using kvttest::readFile;
using kvttest::readLines;
using kvttest::writeFile;

namespace {

// Point lines as the export writes them, with and without a height.
constexpr const char* kPointLabels = "6 11 81 82 83\n6 11 81 82\n";

void expectSamePoints(kvtconv::Session& s, const std::string& before, const std::string& after) {
  const auto a = kvttest::pointsOf(s, before);
  const auto b = kvttest::pointsOf(s, after);
  ASSERT_EQ(b.size(), a.size());
  for (std::size_t i = 0; i < a.size(); ++i) {
    SCOPED_TRACE(a[i].number);
    EXPECT_EQ(b[i].number, a[i].number);
    EXPECT_NEAR(b[i].x, a[i].x, 1e-9);
    EXPECT_NEAR(b[i].y, a[i].y, 1e-9);
    EXPECT_NEAR(b[i].height, a[i].height, 1e-9);
  }
}

}  // namespace

TEST(Gsi, RoundTripGsi8GivesBackThePoints) {
  // GSI-8 keeps eastings and northings below 100 km, so these stay below.
  kvttest::TempDir dir;
  const std::string par = kvttest::parDir(dir);
  writeFile(dir / "labels.txt", kPointLabels);
  writeFile(dir / "in.kvt",
            " 8  Punkter til totalstation\n"
            " 6 101 K1 512.678 612.789 12.5\n"
            " 2 100 - 1.55\n"
            " 6 A7 SKEL -45.001 0 -0.125\n"
            " 6 1001 FS1 61234.789 51234.678 999.999\n"
            " 6 P-3 HEGN 0.001 -99999.999 0\n");
  kvttest::Recorder host;
  kvtconv::Session s(host.hooks());
  kvtconv::kvt2leica(s, 0, par, dir / "in.kvt", dir / "mid.gsi");
  const auto mid = readLines(dir / "mid.gsi");
  ASSERT_EQ(mid.size(), 5u);
  EXPECT_EQ(mid[0], "110001+00000101 81...0+00512678 82...0+00612789 83...6+00125000 ");
  EXPECT_EQ(mid[4], "\x03");
  kvtconv::leica2kvt(s, -1, dir / "mid.gsi", dir / "back.kvt", dir / "labels.txt", par);
  expectSamePoints(s, dir / "in.kvt", dir / "back.kvt");
  // The closing end-of-text line is no GSI line: it comes back as an
  // unidentified line and is counted.
  const auto back = readLines(dir / "back.kvt");
  ASSERT_EQ(back.size(), 9u);
  EXPECT_EQ(kvttest::rtrim(back[7]), " 8  Denne linie i input er ikke identificeret");
  EXPECT_EQ(kvttest::rtrim(back[8]), " 8  \x03");
  // The unidentified line is no error line of the host's.
  EXPECT_TRUE(host.errors.empty());
  EXPECT_EQ(host.diagnostics.back(), "5 line matched no label sequence: words ?");
  EXPECT_EQ(kvttest::rtrim(host.messages.back()), "     5 poster konverteret ...");
}

TEST(Gsi, RoundTripGsi16GivesBackThePoints) {
  // GSI-16 carries whole coordinates and twelve-character point numbers.
  kvttest::TempDir dir;
  const std::string par = kvttest::parDir(dir);
  writeFile(dir / "labels.txt", kPointLabels);
  writeFile(dir / "in.kvt",
            " 6 101 K1 512345.678 6123456.789 12.5\n"
            " 6 KLINT1234567 SKEL -712345.001 0 -0.125\n"
            " 6 7 FS1 9876543.21 -1.002 1234.5678\n");
  kvtconv::Session s;
  kvtconv::kvt2leica(s, 1, par, dir / "in.kvt", dir / "mid.gsi");
  const auto mid = readLines(dir / "mid.gsi");
  ASSERT_EQ(mid.size(), 4u);
  EXPECT_EQ(mid[1].substr(0, 49), "*110002+0000KLINT1234567 81...0-0000000712345001 ");
  kvtconv::leica2kvt(s, -1, dir / "mid.gsi", dir / "back.kvt", dir / "labels.txt", par);
  EXPECT_EQ(kvtconv::errorCount(s), 0);  // the end-of-text line is no error line
  // The height 1234.5678 travels at 0.1 mm and comes back with the
  // catalogue's three decimals.
  const auto back = kvttest::pointsOf(s, dir / "back.kvt");
  ASSERT_EQ(back.size(), 3u);
  EXPECT_NEAR(back[2].height, 1234.568, 1e-9);
  writeFile(dir / "in.kvt",
            " 6 101 K1 512345.678 6123456.789 12.5\n"
            " 6 KLINT1234567 SKEL -712345.001 0 -0.125\n"
            " 6 7 FS1 9876543.21 -1.002 1234.568\n");
  expectSamePoints(s, dir / "in.kvt", dir / "back.kvt");
}

TEST(Gsi, MegabyteLineIsCutAndReportedAsUnidentified) {
  kvttest::TempDir dir;
  const std::string par = kvttest::parDir(dir);
  writeFile(dir / "labels.txt", kPointLabels);
  std::string big;
  while (big.size() < (1u << 20)) big += "110001+00000101 81..10+00012345 82..10+00054321 83..10+00001000 ";
  writeFile(dir / "big.gsi", big + "\n110002+00000102 81..10+00001000 82..10+00002000 83..10+00000500 \n");
  kvttest::Recorder host;
  kvtconv::Session s(host.hooks());
  kvtconv::leica2kvt(s, -1, dir / "big.gsi", dir / "out.kvt", dir / "labels.txt", par);
  // Only the first 255 characters are looked at: sixteen words that fit no label.
  const auto lines = readLines(dir / "out.kvt");
  ASSERT_EQ(lines.size(), 6u);
  EXPECT_EQ(kvttest::rtrim(lines[3]), " 8  Denne linie i input er ikke identificeret");
  EXPECT_EQ(lines[4], " 8  " + big.substr(0, 76));
  EXPECT_EQ(lines[5].substr(0, 16), " 6 102          ");
  EXPECT_TRUE(host.errors.empty());
  ASSERT_EQ(host.diagnostics.size(), 1u);
  EXPECT_EQ(host.diagnostics[0], "1 line matched no label sequence: words 11 81 82 83 110 81 82 83 110 81");
  EXPECT_EQ(kvttest::rtrim(host.messages.back()), "     2 poster konverteret ...");
}

TEST(Gsi, MegabyteCatalogueLineIsCutToItsRecord) {
  kvttest::TempDir dir;
  const std::string par = kvttest::parDir(dir);
  writeFile(dir / "in.kvt", " 6 12 K1 345.678 123.456 12.346 TEST" + std::string(1u << 20, 'x') + "\n");
  kvtconv::Session s;
  kvtconv::kvt2leica(s, 0, par, dir / "in.kvt", dir / "out.gsi");
  EXPECT_EQ(readFile(dir / "out.gsi"),
            "110001+00000012 81...0+00345678 82...0+00123456 83...6+00123460 \n\x03\n");
}

TEST(Gsi, QuotedEndMarkerEndsTheRun) {
  kvttest::TempDir dir;
  const std::string par = kvttest::parDir(dir);
  writeFile(dir / "labels.txt", kPointLabels);
  writeFile(dir / "in.gsi",
            "110001+00000101 81..10+00012345 82..10+00054321 83..10+00001000 \n"
            "\"  ! ----+\n"
            "110002+00000102 81..10+00001000 82..10+00002000 83..10+00000500 \n");
  kvtconv::Session s;
  kvtconv::leica2kvt(s, -1, dir / "in.gsi", dir / "out.kvt", dir / "labels.txt", par);
  const auto lines = readLines(dir / "out.kvt");
  ASSERT_EQ(lines.size(), 4u);
  EXPECT_EQ(lines[3].substr(0, 16), " 6 101          ");
  EXPECT_EQ(kvtconv::errorCount(s), 0);
}

TEST(Gsi, FiftyFirstLabelIsReportedAndIgnored) {
  kvttest::TempDir dir;
  const std::string par = kvttest::parDir(dir);
  std::string labels;
  for (int i = 0; i < 50; ++i) labels += "6 11 81 82 83\n";
  labels += "6 11 81 82\n";
  writeFile(dir / "labels.txt", labels);
  writeFile(dir / "in.gsi",
            "110001+00000101 81..10+00012345 82..10+00054321 83..10+00001000 \n"
            "110002+00000102 81..10+00001000 82..10+00002000 \n");
  kvttest::Recorder host;
  kvtconv::Session s(host.hooks());
  kvtconv::leica2kvt(s, -1, dir / "in.gsi", dir / "out.kvt", dir / "labels.txt", par);
  const auto lines = readLines(dir / "out.kvt");
  ASSERT_EQ(lines.size(), 6u);
  EXPECT_EQ(lines[3].substr(0, 16), " 6 101          ");
  EXPECT_EQ(kvttest::rtrim(lines[4]), " 8  Denne linie i input er ikke identificeret");
  ASSERT_EQ(host.errors.size(), 1u);
  EXPECT_EQ(kvttest::rtrim(host.errors[0]), "Der er for mange labels i labels-fil !");
  EXPECT_EQ(host.diagnostics, std::vector<std::string>{"2 line matched no label sequence: words 11 81 82"});
}

TEST(Gsi, EmptyCatalogueGivesOnlyTheEndOfText) {
  kvttest::TempDir dir;
  const std::string par = kvttest::parDir(dir);
  writeFile(dir / "in.kvt", " 8  Ingen punkter\n 2 100 - 1.55\n");
  for (const int option : {0, 1}) {
    kvttest::Recorder host;
    kvtconv::Session s(host.hooks());
    kvtconv::kvt2leica(s, option, par, dir / "in.kvt", dir / "out.gsi");
    EXPECT_EQ(readFile(dir / "out.gsi"), "\x03\n");
    ASSERT_EQ(host.messages.size(), 1u);
    EXPECT_EQ(kvttest::rtrim(host.messages[0]), "     0 poster konverteret ...");
  }
}

TEST(Gsi, BlockNumberBeyondFourDigitsLeavesThePointWordBlank) {
  kvttest::TempDir dir;
  const std::string par = kvttest::parDir(dir);
  std::string cat;
  for (int i = 1; i <= 10000; ++i) cat += " 6 " + std::to_string(i) + " K1 1 2 3\n";
  writeFile(dir / "in.kvt", cat);
  for (const int option : {0, 1}) {
    kvttest::Recorder host;
    kvtconv::Session s(host.hooks());
    kvtconv::kvt2leica(s, option, par, dir / "in.kvt", dir / "out.gsi");
    const auto lines = readLines(dir / "out.gsi");
    ASSERT_EQ(lines.size(), 10001u);
    if (option == 0) {
      EXPECT_EQ(lines[9998].substr(0, 17), "119999+00009999 8");
      EXPECT_EQ(lines[9999].substr(0, 17), std::string(16, ' ') + "8");
    } else {
      EXPECT_EQ(lines[9998].substr(0, 26), "*119999+0000000000009999 8");
      EXPECT_EQ(lines[9999].substr(0, 26), std::string(1, '*').append(24, ' ') + "8");
    }
    // The host hears nothing of the blank word.
    EXPECT_TRUE(host.errors.empty());
    EXPECT_EQ(host.diagnostics,
              std::vector<std::string>{"0 point number not written, block number above 9999: point 10000"});
  }
}

// Measurement words against their definition: index, unit, sign and the
// data as the number fields write it (GSI-8 an integer rounded half away
// from zero, GSI-16 an F field without decimals), blanks read as zeros.
TEST(Gsi, MeasurementWordsAreTheirNumberFieldsZeroFilled) {
  kvttest::Numbers next(0x2545F4914F6CDD1Dull);
  const double fixedValues[] = {0.0, -0.0, 1e-13, -1e-13, 0.0005, 0.0015, 2.5e-3, 99999.9995,
                                99999999.5, 1e8, 1e12, 5e12, -12345.6785, 0.4999999};
  constexpr int kFixed = sizeof fixedValues / sizeof fixedValues[0];
  for (int k = 0; k < 100000; ++k) {
    double v = k < kFixed ? fixedValues[k] : static_cast<double>(next() % 2000000000) / 1000.0;
    if (k >= kFixed && (next() & 1)) v = -v;
    if (k >= kFixed && k % 4 == 0) v += 0.0005;  // near ties at the millimetre
    const int unit = k % 3 == 0 ? 6 : 0;         // tenths of a millimetre or millimetres
    const double magnitude = std::fabs(v * (unit == 6 ? 10000.0 : 1000.0));
    for (const int m : {1, 2}) {
      const std::size_t w = m == 2 ? 24 : 16;
      std::string data(static_cast<std::size_t>(8 * m + 1), ' ');
      if (m == 1) {
        const double r = std::round(magnitude);
        kvtconv::formatI(data.data(), 8, r < 1e15 ? static_cast<std::int64_t>(r) : std::int64_t{1} << 62);
        data.pop_back();
      } else {
        kvtconv::formatF(data.data(), 17, 0, magnitude);
        data.pop_back();  // the point
      }
      for (char& c : data)
        if (c == ' ') c = '0';
      const char sign = v > 0 && std::round(magnitude) >= 1 ? '+' : '-';
      std::string word(w, '?');
      ASSERT_TRUE(kvtconv::gsi::measureWord(word.data(), m, 81, unit, v));
      ASSERT_EQ(word, std::string(unit == 6 ? "81...6" : "81...0") + sign + data + " ") << v << " GSI-" << 8 * m;
    }
  }
  std::string word(16, '?');
  ASSERT_TRUE(kvtconv::gsi::measureWord(word.data(), 1, 9, 1234, 1.5));
  EXPECT_EQ(word, "091234+00150000 ");  // unit digit 4: hundredths of a millimetre
}

// A word is found by its index as the tokens show it: the last slot wins,
// a '.' in the third place reads as a blank, three-character indexes are
// compared whole and "00" is no index.
TEST(Gsi, LineFindsTheLastSlotOfAnIndex) {
  kvtconv::gsi::Line line;
  line.assign("110001+00000001 81..00+00001000 21.104+00001234 81..00+00002000 001.00+00000005 "
              "812.00+00000006 ");
  const struct {
    const char* index;
    int slot;
  } cases[] = {{"11", 1}, {"81", 4}, {"21", 3}, {"001", 5}, {"1", 0}, {"812", 6}, {"81 ", 4}, {"00", 0}, {"99", 0},
      {"", 10}};  // the blank slots at the end
  for (const auto& c : cases) EXPECT_EQ(line.find(c.index), c.slot) << c.index;
  line.assign("*110001+0000000000000001 22.104+0000000000001234 ");
  EXPECT_TRUE(line.wide());
  EXPECT_EQ(line.find("22"), 2);
  EXPECT_EQ(line.find("81"), 0);  // nothing of the line before is left
}

// Data words as the general number reader reads them: signs, every digit
// count up to past 2^53, and now and then a byte that is no digit.
TEST(Gsi, DataWordsReadAsTheNumberReader) {
  kvttest::Numbers next(0x9FB21C651E98DF25ull);
  static constexpr char kOdd[] = " .x-+*";
  for (int k = 0; k < 100000; ++k) {
    const int m = 1 + static_cast<int>(next() % 2);
    const std::size_t n = static_cast<std::size_t>(8 * m);
    std::string word = "81...";
    word += static_cast<char>('0' + next() % 10);
    word += k % 7 == 0 ? ' ' : (next() & 1) ? '+' : '-';
    const std::size_t significant = next() % (n + 1);
    for (std::size_t i = 0; i < n; ++i) word += i + significant < n ? '0' : static_cast<char>('0' + next() % 10);
    if (k % 5 == 0) word[7 + next() % n] = kOdd[next() % (sizeof kOdd - 1)];
    word += ' ';
    std::size_t pos = 1;
    int err = 0;
    const double v = kvtconv::rdrtas(std::string_view(word).substr(6, n + 1), pos, err);
    double scale = kvtconv::gsi::unitScale(word[5]);
    if (scale == 0) scale = 1000.0;
    bool ok = false, known = false;
    const double got = kvtconv::gsi::scaled(word, m, ok, known);
    ASSERT_EQ(ok, err == 0) << word;
    if (ok) {
      ASSERT_EQ(got, v / scale) << word;
    }
    // Unscaled, a minus anywhere read as a zero and the value negated.
    std::string data = word.substr(6, n + 1);
    const std::size_t minus = data.find('-');
    if (minus != std::string::npos) data[minus] = '0';
    pos = 1;
    const double plain = kvtconv::rdrtas(data, pos, err);
    const double rawGot = kvtconv::gsi::raw(word, m, ok);
    ASSERT_EQ(ok, err == 0) << word;
    if (ok) {
      ASSERT_EQ(rawGot, minus != std::string::npos ? -plain : plain) << word;
    }
  }
}
