#include <gtest/gtest.h>

#include "frame/text.hpp"

TEST(Smoke, Fixed) { EXPECT_EQ(kvtconv::fixed("ab", 4), "ab  "); }
