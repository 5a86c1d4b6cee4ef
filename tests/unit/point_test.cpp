#include <gtest/gtest.h>

#include "catalogue/point.hpp"
#include "catalogue/record.hpp"
#include "helpers.hpp"

using namespace kvtconv;

namespace {

// Writes one point with the session's parameters and returns the line.
std::string written(Session& s, Point& p) {
  kvttest::TempDir dir;
  std::error_code ec;
  {
    auto f = TextFile::openWrite(dir / "p", WriteForm::Replace, ec);
    wpkt(s, f.get(), p);
  }
  std::string bytes = kvttest::readFile(dir / "p");
  if (!bytes.empty()) bytes.pop_back();
  return bytes;
}

Point sample();

std::string written(Session& s, Point&& p) { return written(s, p); }

Point sample() {
  Point p;
  p.number = fixed("101", 12);
  p.code = fixed("K1", 10);
  p.x = 612.789;
  p.y = 512.678;
  p.height = 12.5;
  p.task = fixed("TEST", 12);
  return p;
}

std::string cols(const std::string& line, std::size_t from, std::size_t to) {
  return line.size() < from ? std::string() : line.substr(from - 1, to - from + 1);
}

Point readBack(Session& s, std::string line) {
  line.resize(128, ' ');
  std::fill_n(line.begin(), 3, ' ');  // as rdrec leaves it
  return rpkt(s, line);
}

}  // namespace

TEST(Point, DefaultLayout) {
  Session s;
  const std::string line = written(s, sample());
  EXPECT_EQ(cols(line, 1, 3), " 6 ");
  EXPECT_EQ(cols(line, 4, 6), "101");
  EXPECT_EQ(cols(line, 17, 18), "K1");
  EXPECT_EQ(cols(line, 28, 39), "     612.789");
  EXPECT_EQ(cols(line, 42, 53), "     512.678");
  EXPECT_EQ(cols(line, 56, 67), "      12.500");
  EXPECT_EQ(cols(line, 69, 72), "TEST");
  EXPECT_EQ(line.size(), 72u);
}

TEST(Point, RightJustifiedNumberAndCode) {
  Session s;
  s.par.set(par::kRightJustify, "JA ");
  const std::string line = written(s, sample());
  EXPECT_EQ(cols(line, 4, 15), "         101");
  EXPECT_EQ(cols(line, 17, 26), "        K1");
  const Point back = readBack(s, line);
  EXPECT_EQ(back.number, fixed("101", 12));  // readers left-justify
}

TEST(Point, MissingValuesAndBlankNames) {
  Session s;
  Point p = sample();
  p.height = kMissingReal;
  p.number = std::string(12, ' ');
  const std::string line = written(s, p);
  EXPECT_EQ(cols(line, 56, 67), "------------");
  EXPECT_EQ(cols(line, 4, 15), "------------");
  EXPECT_EQ(p.number, "------------");  // the caller's field too
  const Point back = readBack(s, line);
  EXPECT_EQ(back.number, "------------");
  EXPECT_TRUE(missReal(back.height));
}

TEST(Point, EveryFormatRoundTrips) {
  struct Case {
    const char* format;
    std::size_t lastColumn;
  } const cases[] = {{"2D", 53}, {"3D", 67}, {"OPR", 72}, {"RVAL", 113}, {"FULDT", 127}};
  for (const auto& c : cases) {
    Session s;
    s.par.set(par::kPointFormat, c.format);
    s.par.set(par::kCoordDecimals, "4");
    s.par.set(par::kLevelDecimals, "1");
    Point p = sample();
    p.x = -1234.56789;
    p.extras.reals[0] = 1.25;
    p.extras.reals[2] = -7.5;
    p.extras.ints[0] = 42;
    p.extras.ints[1] = -3;
    const std::string line = written(s, p);
    EXPECT_EQ(line.size(), c.lastColumn) << c.format;
    const Point back = readBack(s, line);
    EXPECT_EQ(back.number, p.number);
    EXPECT_EQ(back.code, p.code);
    EXPECT_NEAR(back.x, -1234.5679, 1e-9) << c.format;
    EXPECT_NEAR(back.y, 512.678, 1e-9);
    const std::string f = c.format;
    if (f == "2D") {
      EXPECT_TRUE(missReal(back.height));
      continue;
    }
    EXPECT_NEAR(back.height, 12.5, 1e-9);
    if (f == "3D") continue;
    EXPECT_EQ(back.task, p.task);
    if (f == "OPR") continue;
    EXPECT_NEAR(back.extras.reals[0], 1.25, 1e-9);
    EXPECT_TRUE(missReal(back.extras.reals[1]));
    EXPECT_EQ(cols(line, 93, 102), "----------");
    EXPECT_NEAR(back.extras.reals[2], -7.5, 1e-9);
    if (f == "RVAL") continue;
    EXPECT_EQ(back.extras.ints[0], 42);
    EXPECT_EQ(back.extras.ints[1], -3);
  }
}

TEST(Point, ExchangedCoordinateSystems) {
  Session s;
  s.exchange = true;
  const std::string line = written(s, sample());
  EXPECT_EQ(cols(line, 28, 39), "     512.678");
  EXPECT_EQ(cols(line, 42, 53), "     612.789");
  const Point back = readBack(s, line);
  EXPECT_NEAR(back.x, 612.789, 1e-9);
  EXPECT_NEAR(back.y, 512.678, 1e-9);
}

TEST(Point, OverWideWarnsOncePerCatalogue) {
  kvttest::Recorder rec;
  Session s(rec.hooks());
  Point p = sample();
  p.x = 123456789.0;
  EXPECT_EQ(cols(written(s, p), 28, 39), "************");
  written(s, p);
  ASSERT_EQ(rec.errors.size(), 1u);
  EXPECT_EQ(kvttest::rtrim(rec.errors[0]),
            " NB: Koordinatudskrift for bred. Benyt evt. f\xE6rre decimaler!");
  wfilhead(s, nullptr);  // a new catalogue warns again
  written(s, p);
  EXPECT_EQ(rec.errors.size(), 2u);
  Session twoD(rec.hooks());
  twoD.par.set(par::kPointFormat, "2D");
  written(twoD, p);
  EXPECT_EQ(rec.errors.size(), 2u);  // a 2D catalogue never warns
}

TEST(Point, ShortLineGivesMissingFields) {
  Session s;
  const Point p = readBack(s, "    ab1 k 1.5 2.5");
  EXPECT_EQ(p.number, fixed("AB1", 12));
  EXPECT_EQ(p.code, fixed("K", 10));
  EXPECT_TRUE(missReal(p.height));
  EXPECT_EQ(p.task, std::string(12, ' '));
  EXPECT_TRUE(missInt(p.extras.ints[1]));
}

TEST(Point, LayoutFollowsParameterChangesWithinASession) {
  Session s;
  EXPECT_EQ(written(s, sample()).size(), 72u);
  s.par.set(par::kPointFormat, "2D");
  EXPECT_EQ(written(s, sample()).size(), 53u);
  s.par.set(par::kCoordDecimals, "1");
  EXPECT_EQ(cols(written(s, sample()), 28, 39), "       612.8");
  s.par.set(par::kRightJustify, "JA ");
  EXPECT_EQ(cols(written(s, sample()), 4, 15), "         101");
  s.par.reset();
  EXPECT_EQ(written(s, sample()), written(s, sample()));
  EXPECT_EQ(cols(written(s, sample()), 28, 39), "     612.789");
}

TEST(Point, MissingTextWithStarsWarnsAsWrittenColumnsDo) {
  kvttest::Recorder rec;
  Session s(rec.hooks());
  s.par.set(par::kMissingText, "***");
  Point p = sample();
  p.height = kMissingReal;
  const std::string line = written(s, p);
  EXPECT_EQ(cols(line, 56, 67), "***         ");
  EXPECT_EQ(rec.errors.size(), 1u);
}

TEST(Point, TextTokenAsItStands) {
  std::size_t pos = 1;
  int err = 0;
  EXPECT_EQ(rdatasView("  ab\xF8 cdefgh", pos, 4, err), "ab\xF8");
  EXPECT_EQ(err, 0);
  EXPECT_EQ(rdatasView("  ab\xF8 cdefgh", pos, 4, err), "cdef");
  EXPECT_EQ(rdatasView("  ab\xF8 cdefgh", pos, 4, err), "");
  EXPECT_EQ(err, -1);
  pos = 1;
  EXPECT_EQ(rdatasView(" - x", pos, 12, err), "-");
  EXPECT_EQ(err, 1);
  std::string field = "longer than the field";
  putWord(field, "ab\xF8", 5);
  EXPECT_EQ(field, "AB\xD8  ");
}

TEST(Point, NumberPassedWhenNotNeeded) {
  Session s;
  Point p;
  p.number = fixed("KEPT", 12);
  rpkt(s, "     101  kant,  6199339.786 527119.472 24.057", p, PointPart::Plane, PointNumber::Passed);
  EXPECT_EQ(p.number, fixed("KEPT", 12));
  EXPECT_EQ(p.code, fixed("KANT", 10));
  EXPECT_NEAR(p.x, 6199339.786, 1e-9);
  EXPECT_NEAR(p.y, 527119.472, 1e-9);
  EXPECT_TRUE(missReal(p.height));
  rpkt(s, "     101  kant,  6199339.786 527119.472 24.057", p, PointPart::Position, PointNumber::Read);
  EXPECT_EQ(p.number, fixed("101", 12));
  EXPECT_NEAR(p.height, 24.057, 1e-9);
}
