#include <gtest/gtest.h>

#include "frame/filter.hpp"
#include "frame/session.hpp"
#include "frame/text.hpp"
#include "helpers.hpp"

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

// ------------------------------------------------------ filter catalogues

namespace {

std::pair<std::string, std::string> range(const char* from, const char* to, std::size_t width) {
  return {fixed(from, width), fixed(to, width)};
}

}  // namespace

TEST(Filter, Setfil2ReadsNumberAndCodeRanges) {
  kvttest::TempDir dir;
  kvttest::writeFile(dir / "flt.kvt",
                     " 8  Filter for vejprojektet\n"
                     "47 100>199\n"
                     "47 K7\n"
                     " 6 500          HEG1           1.000         2.000\n"
                     "48 HEG\n"
                     "10 VNA  1.0 2.0 0 250 1 Tekst\n"
                     "48 BYG>SKL\n"
                     "47 A12345678901234>B12345678901234\n");
  kvttest::Recorder rec;
  Session s(rec.hooks());
  EXPECT_EQ(setfil2(s, dir / "flt.kvt"), 0);
  EXPECT_TRUE(s.par.yes(par::kFilterOn));
  ASSERT_EQ(s.filter.numbers.size(), 3u);
  EXPECT_EQ(s.filter.numbers[0], range("100", "199", 12));
  EXPECT_EQ(s.filter.numbers[1], range("K7", "K7", 12));
  EXPECT_EQ(s.filter.numbers[2], range("A12345678901", "B12345678901", 12));  // cut to 12
  ASSERT_EQ(s.filter.codes.size(), 2u);
  EXPECT_EQ(s.filter.codes[0], range("HEG", "HEG", 10));
  EXPECT_EQ(s.filter.codes[1], range("BYG", "SKL", 10));
  EXPECT_TRUE(rec.errors.empty());

  // Both tests must pass ("OG"): the number by its ranges, the code by its
  // base code.
  EXPECT_FALSE(filter(s, fixed("150", 12), fixed("HEG1", 10)));
  EXPECT_FALSE(filter(s, fixed("K7", 12), fixed("SKL9", 10)));
  EXPECT_TRUE(filter(s, fixed("150", 12), fixed("TRE", 10)));
  EXPECT_TRUE(filter(s, fixed("1234", 12), fixed("HEG1", 10)));
  EXPECT_FALSE(filter(s, fixed("IGRTABEL", 12), fixed("BYG", 10)));
}

TEST(Filter, Setfil2ReplacesTheRangesOfTheLastCatalogue) {
  kvttest::TempDir dir;
  kvttest::writeFile(dir / "a.kvt", "47 1>5\n48 HEG\n");
  kvttest::writeFile(dir / "b.kvt", "47 7\n");
  Session s;
  ASSERT_EQ(setfil2(s, dir / "a.kvt"), 0);
  ASSERT_EQ(setfil2(s, dir / "b.kvt"), 0);
  ASSERT_EQ(s.filter.numbers.size(), 1u);
  EXPECT_EQ(s.filter.numbers[0], range("7", "7", 12));
  EXPECT_TRUE(s.filter.codes.empty());
}

TEST(Filter, Setfil2DashKeepsThePreviousRanges) {
  Session s;
  s.filter.numbers.push_back(range("100", "199", 12));
  s.filter.codes.push_back(range("HEG", "HEG", 10));
  for (const char* name : {"-", " -  "}) {
    EXPECT_EQ(setfil2(s, name), 0);
    EXPECT_FALSE(s.par.yes(par::kFilterOn));  // the switch is not touched either
    ASSERT_EQ(s.filter.numbers.size(), 1u);
    ASSERT_EQ(s.filter.codes.size(), 1u);
  }
  s.par.set(par::kFilterOn, "JA ");
  EXPECT_EQ(setfil2(s, "-"), 0);
  EXPECT_TRUE(s.par.yes(par::kFilterOn));
  EXPECT_TRUE(filter(s, fixed("200", 12), fixed("HEG", 10)));
}

TEST(Filter, Setfil2UnopenableCatalogueTurnsFilteringOff) {
  kvttest::TempDir dir;
  std::filesystem::create_directories(dir / "adir");
  for (const std::string& name : {dir / "missing.kvt", dir / "adir"}) {
    kvttest::Recorder rec;
    Session s(rec.hooks());
    s.par.set(par::kFilterOn, "JA ");
    s.filter.numbers.push_back(range("1", "2", 12));
    s.filter.codes.push_back(range("HEG", "HEG", 10));
    EXPECT_EQ(setfil2(s, name), 1) << name;
    EXPECT_FALSE(s.par.yes(par::kFilterOn));
    EXPECT_TRUE(s.filter.numbers.empty());
    EXPECT_TRUE(s.filter.codes.empty());
    EXPECT_FALSE(filter(s, fixed("99", 12), fixed("TRE", 10)));
    EXPECT_TRUE(rec.errors.empty());  // no message
  }
  EXPECT_FALSE(std::filesystem::exists(dir / "missing.kvt"));  // not created
}

TEST(Filter, Setfil2StopsAtTheTwentyFirstRange) {
  for (const int type : {47, 48}) {
    kvttest::TempDir dir;
    std::string text;
    for (int n = 1; n <= 21; ++n) text += std::to_string(type) + " K" + std::to_string(n) + "\n";
    text += type == 47 ? "48 HEG\n" : "47 1\n";  // never read
    kvttest::writeFile(dir / "flt.kvt", text);
    kvttest::Recorder rec;
    Session s(rec.hooks());
    EXPECT_EQ(setfil2(s, dir / "flt.kvt"), 2);
    ASSERT_EQ(rec.errors.size(), 1u);
    EXPECT_EQ(kvttest::rtrim(rec.errors[0]), "FEJL: For mange punkter i katalog (max.    20 punkter i alt)");
    const auto& full = type == 47 ? s.filter.numbers : s.filter.codes;
    const auto& other = type == 47 ? s.filter.codes : s.filter.numbers;
    ASSERT_EQ(full.size(), 20u);
    EXPECT_EQ(full.back().first, fixed("K20", type == 47 ? 12 : 10));
    EXPECT_TRUE(other.empty());
    EXPECT_TRUE(s.par.yes(par::kFilterOn));  // the twenty ranges stay in force
  }
}

TEST(Filter, EllerWithOnlyNumberRangesPassesEveryPoint) {
  Session s;
  s.par.set(par::kFilterOn, "JA ");
  s.par.set(par::kFilterType, "ELLER");
  s.filter.numbers.push_back(range("100", "199", 12));
  EXPECT_FALSE(filter(s, fixed("5000", 12), fixed("HEG", 10)));
  s.par.set(par::kFilterType, "OG");
  EXPECT_TRUE(filter(s, fixed("5000", 12), fixed("HEG", 10)));
}
