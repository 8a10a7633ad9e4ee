#include "platform/natural_compare.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

using ravix::NaturalCompare;

TEST(NaturalCompare, CaseIgnoredDigitsByValue) {
  std::vector<std::string> names = {"Cam10", "cam2", "Cam1"};
  std::sort(names.begin(), names.end(), [](const auto& a, const auto& b) { return NaturalCompare(a, b) < 0; });
  EXPECT_EQ(names, (std::vector<std::string>{"Cam1", "cam2", "Cam10"}));
  EXPECT_EQ(NaturalCompare("ABC", "abc"), 0);
  EXPECT_LT(NaturalCompare("a9b", "a10a"), 0);
  EXPECT_GT(NaturalCompare("v1.10.2", "v1.9.30"), 0);
}

TEST(NaturalCompare, LeadingZerosLongNumbersAndPrefixes) {
  EXPECT_EQ(NaturalCompare("cam007", "cam7"), 0);
  EXPECT_LT(NaturalCompare("x99999999999999999999998", "x99999999999999999999999"), 0);  // beyond 64 bits
  EXPECT_LT(NaturalCompare("cam", "cam1"), 0);
  EXPECT_GT(NaturalCompare("cam1", "cam"), 0);
  EXPECT_EQ(NaturalCompare("", ""), 0);
  EXPECT_LT(NaturalCompare("", "a"), 0);
}

}  // namespace
