#include <gtest/gtest.h>

#include "frame/filter.hpp"
#include "frame/session.hpp"
#include "frame/text.hpp"

using namespace kvtconv;

TEST(Filter, RangeRulesByLength) {
  struct Case {
    const char *value, *from, *to;
    bool match;
  } const cases[] = {
      {"150", "100", "199", true},   {"1234", "100", "199", false}, {"99", "100", "199", false},
      {"B2", "A", "C", false},       {"B", "A", "C", true},         {"K7", "K7", "K7", true},
      {"55", "1", "100", true},      {"7", "5", "100", true},       {"3", "5", "100", false},
      {"200", "5", "100", false},    {"099", "5", "100", true},     {"D", "A", "C", false},
  };
  for (const auto& c : cases)
    EXPECT_EQ(inRange(fixed(c.value, 12), fixed(c.from, 12), fixed(c.to, 12)), c.match)
        << c.value << " in " << c.from << ".." << c.to;
}

TEST(Filter, OffPassesEverything) {
  Session s;
  s.filter.numbers.emplace_back(fixed("1", 12), fixed("2", 12));
  EXPECT_FALSE(filter(s, fixed("99", 12), fixed("K", 10)));
}

TEST(Filter, OgAndEllerWithCodeKeys) {
  Session s;
  s.par.set(par::kFilterOn, "JA ");
  EXPECT_FALSE(filter(s, fixed("5", 12), fixed("X", 10)));  // no ranges: all pass
  s.filter.numbers.emplace_back(fixed("100", 12), fixed("199", 12));
  s.filter.codes.emplace_back(fixed("FS1", 10), fixed("FS1", 10));
  // Code system 1 with length 3: FS12 has the key FS1.
  EXPECT_FALSE(filter(s, fixed("150", 12), fixed("FS12", 10)));
  EXPECT_TRUE(filter(s, fixed("150", 12), fixed("VEJ", 10)));
  EXPECT_TRUE(filter(s, fixed("250", 12), fixed("FS1", 10)));
  EXPECT_FALSE(filter(s, fixed("IGRTABEL", 12), fixed("FS1", 10)));
  s.par.set(par::kFilterType, "ELLER");
  EXPECT_FALSE(filter(s, fixed("250", 12), fixed("FS1", 10)));
  EXPECT_TRUE(filter(s, fixed("250", 12), fixed("VEJ", 10)));
  s.filter.codes.clear();
  EXPECT_FALSE(filter(s, fixed("250", 12), fixed("VEJ", 10)));  // empty code list passes
}

TEST(Filter, SetfilClearsOnlyWhenFilteringIsOn) {
  Session s;
  s.filter.numbers.emplace_back(fixed("1", 12), fixed("2", 12));
  setfil(s);
  EXPECT_EQ(s.filter.numbers.size(), 1u);
  s.par.set(par::kFilterOn, "JA ");
  setfil(s);
  EXPECT_TRUE(s.filter.numbers.empty());
}
