#include <gtest/gtest.h>

#include <numbers>

#include "catalogue/angles.hpp"
#include "frame/session.hpp"

using namespace kvtconv;
constexpr double kPi = std::numbers::pi;

TEST(Angles, FrradForEveryUnit) {
  Session s;
  struct Case {
    const char* unit;
    double radians, want;
  } const cases[] = {
      {"400 GON", kPi / 2, 100.0},     {"360 GRAD", kPi / 2, 90.0}, {"RAD", kPi / 2, 0.5},
      {"360 GMS", 12.5 * kPi / 180, 12.3}, {"360 GMS", (10 + 20 / 60.0 + 30.5 / 3600) * kPi / 180, 10.20305},
  };
  for (const auto& c : cases) {
    s.par.set(1, c.unit);
    EXPECT_NEAR(frrad(s, c.radians), c.want, 1e-9) << c.unit;
  }
}

TEST(Angles, FrradRemembersTheLastFactor) {
  Session s;
  s.par.set(1, "BOGUS");
  EXPECT_EQ(frrad(s, kPi), 0.0);  // no unit known yet
  s.par.set(1, "360 GRAD");
  EXPECT_NEAR(frrad(s, kPi), 180.0, 1e-12);
  s.par.set(1, "BOGUS");
  EXPECT_NEAR(frrad(s, kPi), 180.0, 1e-12);
}

TEST(Angles, ConvGmsSplitsPackedAngles) {
  const Dms a = convGms(1234530.5);
  EXPECT_EQ(a.degrees, 123);
  EXPECT_EQ(a.minutes, 45);
  EXPECT_NEAR(a.seconds, 30.5, 1e-7);
  const Dms b = convGms(59.99999999);
  EXPECT_EQ(b.degrees, 0);
  EXPECT_EQ(b.minutes, 0);
  EXPECT_NEAR(b.seconds, 59.99999999, 1e-9);
  const Dms c = convGms(-1234530.5);
  EXPECT_EQ(c.degrees, -123);
  EXPECT_EQ(c.minutes, -45);
}

TEST(Angles, AlfaAndAfstan) {
  int err = -1;
  EXPECT_NEAR(alfa(0, 0, 1, 1, err), kPi / 4, 1e-12);
  EXPECT_EQ(err, 0);
  EXPECT_NEAR(alfa(0, 0, -1, 0, err), kPi, 1e-12);
  EXPECT_NEAR(alfa(0, 0, 0, -1, err), 3 * kPi / 2, 1e-12);
  EXPECT_NEAR(alfa(0, 0, 0, 1, err), kPi / 2, 1e-12);
  EXPECT_NEAR(alfa(0, 0, 1, -1, err), 7 * kPi / 4, 1e-12);
  EXPECT_EQ(alfa(0, 0, 0.000005, 0, err), 0.0);
  EXPECT_EQ(err, 1);
  EXPECT_DOUBLE_EQ(afstan(0, 0, 3, 4), 5.0);
}
