#include <gtest/gtest.h>

#include <memory>

#include "catalogue/codes.hpp"
#include "frame/session.hpp"
#include "frame/text.hpp"

using namespace kvtconv;

namespace {

struct Split {
  std::string base;
  int type;
  int err;
};

Split split(Session& s, const char* code) {
  std::string c = fixed(code, 10), base = fixed("?", 10);
  int type = -1;
  const int err = findkod(s, c, base, type);
  return {std::string(rtrim(base)), type, err};
}

std::unique_ptr<Session> withSystem(const char* system) {
  auto s = std::make_unique<Session>();
  s->par.set(par::kCodeSystem, system);
  return s;
}

}  // namespace

TEST(Codes, SystemOneByLength) {
  auto ps = withSystem("1");
  Session& s = *ps;
  struct Case {
    const char* code;
    const char* base;
    int type, err;
  } const cases[] = {{"ABC", "ABC", 0, 0}, {"ABC5", "ABC", 5, 0}, {"ABC51", "ABC", 5, 0},
                     {"  ABC5", "ABC", 5, 0}, {"AB", "?", 0, 1}, {"ABCDEF", "?", 0, 1},
                     {"ABCX", "?", 0, 1}};
  for (const auto& c : cases) {
    const Split got = split(s, c.code);
    EXPECT_EQ(got.err, c.err) << c.code;
    EXPECT_EQ(got.type, c.type) << c.code;
    if (c.err == 0) {
      EXPECT_EQ(got.base, c.base) << c.code;
    }
  }
}

TEST(Codes, SystemsThreeAndFour) {
  auto p3 = withSystem("3");
  Session& three = *p3;
  EXPECT_EQ(split(three, "KANT.8").type, 8);
  EXPECT_EQ(split(three, "KANT.8").base, "KANT");
  EXPECT_EQ(split(three, "KANT.").type, 0);
  EXPECT_EQ(split(three, "KANT.X").err, 1);
  EXPECT_EQ(split(three, "KANT").base, "KANT");
  auto p4 = withSystem("4");
  Session& four = *p4;
  EXPECT_EQ(split(four, "KANT.99").type, 8);
  EXPECT_EQ(split(four, "KANT.98").type, 9);
  EXPECT_EQ(split(four, "KANT.10").type, 1);
}

TEST(Codes, SystemTwoSuffixesAndPendingFlag) {
  auto ps = withSystem("2");
  Session& s = *ps;
  EXPECT_EQ(split(s, "VEJ").type, 0);
  const Split abc = split(s, "VEJ.ABC");
  EXPECT_EQ(abc.type, 1);
  EXPECT_EQ(abc.base, "VEJ    ABC");
  EXPECT_EQ(split(s, "VEJ.ABC6").type, 8);
  EXPECT_EQ(split(s, "VEJ.ABC8").type, 2);  // no pending start
  EXPECT_EQ(split(s, "VEJ.ABC9").type, 2);
  EXPECT_EQ(s.codePending, 1);
  EXPECT_EQ(split(s, "VEJ.ABC8").type, 1);
  EXPECT_EQ(s.codePending, 0);
}

// Only the suffixes that start or end a pending pair depend on the codes
// before them; a split of any other may be kept and used again.
TEST(Codes, SplitsThatDependOnEarlierCodesAreTold) {
  auto ps = withSystem("2");
  Session& s = *ps;
  auto ordered = [&](const char* code) {
    std::string c = fixed(code, 10), base = c;
    int type = 0;
    bool o = true;
    findkod(s, c, base, type, o);
    return o;
  };
  EXPECT_FALSE(ordered("VEJ"));
  EXPECT_FALSE(ordered("VEJ.ABC"));
  EXPECT_FALSE(ordered("VEJ.ABC6"));
  EXPECT_FALSE(ordered("VEJ.ABC4"));
  EXPECT_TRUE(ordered("VEJ.ABC9"));
  EXPECT_TRUE(ordered("VEJ.ABC8"));
  for (const char* system : {"1", "3", "4", "7"}) {
    auto other = withSystem(system);
    std::string c = fixed("KANT.98", 10), base = c;
    int type = 0;
    bool o = true;
    findkod(*other, c, base, type, o);
    EXPECT_FALSE(o) << system;
  }
}

TEST(Codes, UnknownSystemLeavesBase) {
  auto ps = withSystem("7");
  Session& s = *ps;
  const Split got = split(s, "ABC5");
  EXPECT_EQ(got.base, "?");
  EXPECT_EQ(got.type, 0);
  EXPECT_EQ(got.err, 0);
}

TEST(Codes, DankodPerSystem) {
  auto build = [](const char* system, const char* base, int type) {
    auto s = withSystem(system);
    std::string code = fixed("KEEP", 10);
    dankod(*s, code, fixed(base, 10), type);
    return std::string(rtrim(code));
  };
  EXPECT_EQ(build("1", "ABC", 9), "ABC9");
  EXPECT_EQ(build("3", "ABC", 9), "ABC.9");
  EXPECT_EQ(build("4", "ABC", 9), "ABC.98");
  EXPECT_EQ(build("4", "ABC", 8), "ABC.89");
  EXPECT_EQ(build("4", "ABC", 3), "ABC.30");
  EXPECT_EQ(build("2", "ABC", 3), "KEEP");
  EXPECT_EQ(build("1", "ABC", 12), "ABC*");
  EXPECT_EQ(build("3", "ABCDEFGHIJ", 1), "ABCDEFGHIJ");  // cut at ten
}
