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

// Every field width to 24 (the short ones by fixed stores) against every
// text length to 24: the text cut to the field, blanks after it.
TEST(Text, SetFixedCutsAndPadsAtEveryWidth) {
  const std::string text = "ABCDEFGHIJKLMNOPQRSTUVWX";
  for (std::size_t w = 0; w <= 24; ++w) {
    for (std::size_t n = 0; n <= 24; ++n) {
      std::string field(w, '#');
      setFixed(field, std::string_view(text).substr(0, n));
      std::string want = text.substr(0, std::min(w, n));
      want.resize(w, ' ');
      ASSERT_EQ(field, want) << w << " " << n;
    }
  }
}

// Blank checks and trims, which look at eight bytes at a time, against one
// byte at a time: every length to 40, with one other byte (or none) at
// every place, also one that differs from a blank by a single bit.
TEST(Text, BlankAndTrimAsByteByByte) {
  for (std::size_t n = 0; n <= 40; ++n) {
    for (std::size_t at = 0; at <= n; ++at) {
      for (const char other : {'x', '\0', '\x60', '\xA0'}) {
        std::string s(n, ' ');
        if (at < n) s[at] = other;
        const bool blank = at == n;
        ASSERT_EQ(isBlank(s), blank) << n << " " << at;
        const std::string_view want = blank ? std::string_view() : std::string_view(s).substr(at, 1);
        ASSERT_EQ(trim(s), want) << n << " " << at;
        ASSERT_EQ(rtrim(s).size(), blank ? 0 : at + 1) << n << " " << at;
      }
    }
  }
}
