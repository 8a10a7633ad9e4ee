// The addresses one search covers: every entry's addresses once, in order, at most 4096
// over all entries, and a warning that says what was left out.
#include <gtest/gtest.h>

#include <arpa/inet.h>

#include <string>
#include <vector>

#include "finder/address_finder.h"

namespace {

uint32_t Ip(const char* text) {
  in_addr a{};
  inet_pton(AF_INET, text, &a);
  return a.s_addr;
}

TEST(AddressSearchTargets, AllEntriesTogetherStopAtTheCapWithAWarning) {
  std::string warning;
  const std::vector<uint32_t> few = AddressSearchTargets({"10.0.0.5", "bad entry", "10.0.0.4-6", "10.0.0.5"}, warning);
  EXPECT_EQ(few, (std::vector<uint32_t>{Ip("10.0.0.5"), Ip("10.0.0.4"), Ip("10.0.0.6")}));
  EXPECT_EQ(warning, "");

  // Four /22 blocks (a repeated one counts once) fit; a fifth goes beyond the cap.
  const std::vector<std::string> blocks = {"10.1.0.0/22", "10.1.4.0/22", "10.1.8.0/22", "10.1.12.0/22",
                                           "10.1.0.0/22"};
  const std::vector<uint32_t> many = AddressSearchTargets(blocks, warning);
  ASSERT_EQ(many.size(), kMaxAddressTargets - 8);  // each /22 leaves out its network and broadcast address
  EXPECT_EQ(warning, "");
  const std::vector<std::string> more = {"10.1.0.0/22", "10.1.4.0/22", "10.1.8.0/22", "10.1.12.0/22", "10.1.16.0/22"};
  const std::vector<uint32_t> capped = AddressSearchTargets(more, warning);
  ASSERT_EQ(capped.size(), kMaxAddressTargets);
  EXPECT_EQ(capped.front(), Ip("10.1.0.1"));
  EXPECT_EQ(capped.back(), Ip("10.1.16.8")) << "the first addresses of the last entry fill the rest";
  EXPECT_EQ(warning, "the added addresses come to 5110; only the first 4096 are searched");
}

}  // namespace
