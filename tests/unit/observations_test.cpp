#include <gtest/gtest.h>

#include "catalogue/observations.hpp"
#include "catalogue/record.hpp"
#include "helpers.hpp"

using namespace kvtconv;

namespace {

// Writes with `fn` and returns the lines of the file.
std::vector<std::string> written(const std::function<void(TextFile*)>& fn) {
  kvttest::TempDir dir;
  std::error_code ec;
  {
    auto f = TextFile::openWrite(dir / "c", WriteForm::Replace, ec);
    fn(f.get());
  }
  return kvttest::readLines(dir / "c");
}

// A line as a reader receives it: padded, type field blanked by rdrec.
std::string body(std::string line, std::size_t width = 132) {
  line.resize(width, ' ');
  std::size_t pos = 1;
  int err = 0;
  rditas(line, pos, err);
  std::fill_n(line.begin(), std::min<std::size_t>(pos, 80), ' ');
  return line;
}

std::string cols(const std::string& l, std::size_t a, std::size_t b) {
  return l.size() < a ? std::string() : l.substr(a - 1, std::min(l.size(), b) - a + 1);
}

std::unique_ptr<Session> session(std::initializer_list<std::pair<int, const char*>> pars) {
  auto s = std::make_unique<Session>();
  for (const auto& [no, v] : pars) s->par.set(no, v);
  return s;
}

}  // namespace

TEST(Observations, SetupRecord) {
  auto s = session({{par::kHeightDecimals, "3"}});
  kvtconv::Setup st;
  st.station = fixed("100", 12);
  st.instrumentHeight = 1.5555;
  const auto l = written([&](TextFile* f) { wsta(*s, f, st); });
  ASSERT_EQ(l.size(), 1u);
  EXPECT_EQ(l[0].size(), 80u);
  EXPECT_EQ(cols(l[0], 1, 3), " 2 ");
  EXPECT_EQ(cols(l[0], 17, 26), "----------");  // blank code
  EXPECT_EQ(cols(l[0], 28, 33), " 1.556");
  for (std::size_t c : {35, 39, 43, 47}) EXPECT_EQ(cols(l[0], c, c + 1), "--");
  const kvtconv::Setup back = rsta(*s, body(l[0]));
  EXPECT_EQ(back.station, st.station);
  EXPECT_NEAR(back.instrumentHeight, 1.556, 1e-9);
  EXPECT_EQ(back.ints[3], kMissingInt);
}

TEST(Observations, DetailRecordFollowsTheObservationFormat) {
  struct Case {
    const char* format;
    std::size_t maxLength;
  } const cases[] = {{"AFS", 62}, {"FT", 79}, {"RVAL", 112}, {"FULDT", 126}};
  for (const auto& c : cases) {
    auto s = session({{par::kObsFormat, c.format}, {par::kAngleDecimals, "5"},
                      {par::kDistanceDecimals, "2"}, {par::kCoordDecimals, "1"}});
    DetailObs d;
    d.number = fixed("2001", 12);
    d.code = fixed("SKEL", 10);
    d.direction = 123.45678;
    d.zenith = 99.87654;
    d.prismHeight = 1.6;
    d.valueA = 0.25;
    d.valueB = -1.5;
    d.extras.reals = {1.25, kMissingReal, 3.0};
    d.extras.ints = {5, kMissingInt};
    const auto l = written([&](TextFile* f) { wdet(*s, f, d); });
    ASSERT_EQ(l.size(), 1u);
    EXPECT_LE(l[0].size(), c.maxLength) << c.format;
    EXPECT_EQ(cols(l[0], 27, 35), "123.45678");
    EXPECT_EQ(cols(l[0], 54, 61), "--------");  // missing distance
    const DetailObs back = rdet(*s, body(l[0]));
    EXPECT_EQ(back.number, d.number);
    EXPECT_NEAR(back.zenith, 99.87654, 1e-9);
    EXPECT_TRUE(missReal(back.distance));
    const std::string f = c.format;
    if (f == "AFS") {
      EXPECT_TRUE(missReal(back.valueA));
      EXPECT_TRUE(missReal(back.extras.reals[0]));
      continue;
    }
    EXPECT_EQ(cols(l[0], 65, 71), "   0.25");
    EXPECT_NEAR(back.valueB, -1.5, 1e-9);
    if (f == "FT") continue;
    EXPECT_EQ(cols(l[0], 81, 90), "       1.2");  // 1.25 to one decimal: the binary value is a tie
    EXPECT_TRUE(missReal(back.extras.reals[1]));
    if (f == "RVAL") continue;
    EXPECT_EQ(cols(l[0], 114, 119), "     5");
    EXPECT_EQ(cols(l[0], 121, 126), "------");
    EXPECT_EQ(back.extras.ints[0], 5);
  }
}

TEST(Observations, ReferenceOrientationLevelling) {
  auto s = session({{par::kDistanceDecimals, "4"}, {par::kLevelDecimals, "2"}});
  ReferenceObs r;
  r.number = fixed("10", 12);
  r.code = fixed("ABCDEFGHIJ", 10);
  r.direction = 0.5;
  r.distance = 12.34567;
  Orientation o;
  o.number = fixed("11", 12);
  o.code = fixed("OR", 10);  // a blank code would shift the fields read back
  o.values = {1.0, kMissingReal, -2.5};
  Levelling n;
  n.number = fixed("12", 12);
  n.code = fixed("NIV", 10);
  n.height = 10.005;
  n.distance = 35.0;
  const auto l = written([&](TextFile* f) {
    wken(*s, f, r);
    wort(*s, f, o);
    wniv(*s, f, n);
  });
  ASSERT_EQ(l.size(), 3u);
  for (const auto& line : l) EXPECT_EQ(line.size(), 80u);
  EXPECT_EQ(cols(l[0], 17, 26), "ABCDEFGHI ");  // nine characters of code
  EXPECT_EQ(cols(l[0], 54, 62), "  12.3457");
  EXPECT_EQ(cols(l[1], 41, 52), "------------");
  EXPECT_EQ(cols(l[2], 28, 35), "   10.01");
  const ReferenceObs rb = rken(*s, body(l[0]));
  EXPECT_EQ(rb.code, fixed("ABCDEFGHI", 10));
  EXPECT_TRUE(missReal(rb.zenith));
  EXPECT_NEAR(rb.distance, 12.3457, 1e-9);
  const Orientation ob = rort(*s, body(l[1]));
  EXPECT_NEAR(ob.values[2], -2.5, 1e-9);
  EXPECT_TRUE(missReal(ob.values[1]));
  const Levelling nb = rniv(*s, body(l[2]));
  EXPECT_NEAR(nb.distance, 35.0, 1e-9);
}

TEST(Observations, MeanValuesUseTheLooseTolerance) {
  auto s = session({});
  MeanValues m;
  m.values = {12.34, -999.995, 1.0, 2.0, 3.0, 4.0, 5.555};
  const auto l = written([&](TextFile* f) { wmidf(*s, f, m); });
  ASSERT_EQ(l.size(), 1u);
  EXPECT_EQ(cols(l[0], 5, 9), " 12.3");
  EXPECT_EQ(cols(l[0], 12, 16), "-----");
  EXPECT_EQ(cols(l[0], 47, 51), " 5.55");  // 5.555 lies just below the tie
  const MeanValues back = rmidf(*s, body(l[0]));
  EXPECT_NEAR(back.values[0], 12.3, 1e-9);
  EXPECT_TRUE(missReal(back.values[1]));
}

TEST(Observations, TextRecordKeepsItsTextWhole) {
  auto s = session({});
  s->exchange = true;
  TextRecord t;
  t.x = 1000.5;
  t.y = 2000.25;
  t.valueA = 2.5;
  t.valueB = -3.5;
  t.valueC = 7;
  t.text = fixed("Skovvej 12, st. tv.", 80);
  const auto l = written([&](TextFile* f) { wtext(*s, f, t); });
  ASSERT_EQ(l.size(), 1u);
  EXPECT_EQ(cols(l[0], 1, 2), "10");
  EXPECT_EQ(t.code, std::string(10, '-'));  // the caller's blank code too
  EXPECT_EQ(cols(l[0], 15, 26), "    2000.250");
  EXPECT_EQ(cols(l[0], 41, 43), "  3");   // halves away from zero
  EXPECT_EQ(cols(l[0], 45, 51), "     -4");
  EXPECT_EQ(cols(l[0], 56, 74), "Skovvej 12, st. tv.");
  const TextRecord back = rtext(*s, body(l[0]));
  EXPECT_NEAR(back.x, 1000.5, 1e-9);
  EXPECT_EQ(back.valueC, 7);
  EXPECT_EQ(kvttest::rtrim(back.text), "Skovvej 12, st. tv.");
}

TEST(Observations, DigitalLevelAndVector) {
  auto s = session({{par::kLevelDecimals, "4"}});
  LevelReadings n;
  n.number = fixed("BM1", 12);
  n.readings = {1.2345, kMissingReal, 1.5, kMissingReal, 0.9};
  n.distance = 25.5;
  n.height = 12.0;
  n.code = fixed("NIV", 10);
  Vector v;
  v.from = fixed("A", 12);
  v.to = fixed("B", 12);
  v.components = {10.0, -20.0, 0.5};
  v.spreads = {0.001, 0.002, 0.003};
  const auto l = written([&](TextFile* f) {
    wna2000(*s, f, n);
    wvector(*s, f, v);
  });
  ASSERT_EQ(l.size(), 2u);
  EXPECT_EQ(cols(l[0], 1, 2), "11");
  EXPECT_EQ(cols(l[0], 28, 35), "--------");
  EXPECT_EQ(cols(l[0], 79, 86), "        ");  // missing reading 4 stays blank
  EXPECT_EQ(cols(l[0], 88, 95), "  0.9000");
  const LevelReadings nb = rna2000(*s, body(l[0]));
  EXPECT_NEAR(nb.readings[0], 1.2345, 1e-9);
  EXPECT_NEAR(nb.height, 12.0, 1e-9);
  EXPECT_EQ(nb.code, n.code);
  EXPECT_EQ(cols(l[1], 1, 2), "60");
  EXPECT_EQ(cols(l[1], 52, 61), "    0.5000");
  const Vector vb = rvector(*s, body(l[1]));
  EXPECT_EQ(vb.to, v.to);
  EXPECT_NEAR(vb.components[1], -20.0, 1e-9);
  EXPECT_NEAR(vb.spreads[2], 0.003, 1e-9);
}

TEST(Observations, WideValuesWarnOnceWithTheirOwnText) {
  kvttest::Recorder rec;
  Session s(rec.hooks());
  kvtconv::Setup st;
  st.instrumentHeight = 12345.0;
  DetailObs d;
  d.distance = 1e9;
  written([&](TextFile* f) {
    wsta(s, f, st);
    wdet(s, f, d);
  });
  ASSERT_EQ(rec.errors.size(), 1u);  // one flag for every record type
  EXPECT_EQ(kvttest::rtrim(rec.errors[0]),
            " NB: Instr.hd. udskrift for bred. Benyt evt. f\xE6rre decimaler!");
  kvttest::Recorder rec2;
  Session s2(rec2.hooks());
  written([&](TextFile* f) { wdet(s2, f, d); });
  ASSERT_EQ(rec2.errors.size(), 1u);
  EXPECT_EQ(kvttest::rtrim(rec2.errors[0]),
            " NB: Obs.udskrift for bred. Benyt evt. f\xE6rre decimaler!");
  // A missing text of stars warns too, but only where the check looks: a
  // missing direction begins one column before it.
  for (const bool zenithMissing : {false, true}) {
    kvttest::Recorder rec3;
    Session s3(rec3.hooks());
    s3.par.set(par::kMissingText, "***");
    DetailObs m;
    m.zenith = zenithMissing ? kMissingReal : 99.0;
    m.prismHeight = 1.5;
    m.distance = 10.0;
    written([&](TextFile* f) { wdet(s3, f, m); });
    EXPECT_EQ(rec3.errors.size(), zenithMissing ? 1u : 0u);
  }
}

TEST(Observations, DsflTextLines) {
  const auto l = written([](TextFile* f) {
    wdfelt(f, "%F1 KANT");
    wnfelt(f, "%N note");
  });
  EXPECT_EQ(l[0], fixed("90  %F1 KANT", 80));
  EXPECT_EQ(l[1], fixed("91  %N note", 80));
}
