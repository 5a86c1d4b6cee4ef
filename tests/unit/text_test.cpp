#include <gtest/gtest.h>

#include "frame/text.hpp"

using namespace kvtconv;

TEST(Text, ChrnblFindsFirstAndLast) {
  EXPECT_EQ(chrnbl("  ab c  ").first, 3);
  EXPECT_EQ(chrnbl("  ab c  ").last, 6);
  EXPECT_EQ(chrnbl("    ").first, 1);
  EXPECT_EQ(chrnbl("    ").last, 1);
}

TEST(Text, JustifyKeepsInnerBlanks) {
  std::string s = " a b   ";
  hjuster(s);
  EXPECT_EQ(s, "    a b");
  stgbln(s);
  EXPECT_EQ(s, "a b    ");
  std::string blank = "   ";
  hjuster(blank);
  EXPECT_EQ(blank, "   ");
}

TEST(Text, CaseMapsDanishLettersOnly) {
  std::string s = "abz\xE5\xE6\xF8\xE9-1";
  low2up(s);
  EXPECT_EQ(s, "ABZ\xC5\xC6\xD8\xE9-1");
  up2low(s);
  EXPECT_EQ(s, "abz\xE5\xE6\xF8\xE9-1");
}

TEST(Text, DkdoswinConvertsCodePage865) {
  std::string s = "\x91\x9B\x86\x92\x9D\x8F\xE6x";
  dkdoswin(s);
  EXPECT_EQ(s, "\xE6\xF8\xE5\xC6\xD8\xC5\xE6x");
}

TEST(Text, PutFieldCutsAndPads) {
  std::string line(10, '.');
  putField(line, 3, "abcdef", 3);
  EXPECT_EQ(line, "..abc.....");
  putField(line, 9, "xyz", 5);  // clipped at the line end
  EXPECT_EQ(line, "..abc...xy");
  putField(line, 1, "q", 2);
  EXPECT_EQ(line, "q abc...xy");
}
