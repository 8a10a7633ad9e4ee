#include "net/address_block.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "net/ipv4_text.h"

namespace {

std::vector<std::string> Expand(const std::string& text, std::string* error = nullptr) {
  std::vector<uint32_t> addresses;
  std::string message;
  std::vector<std::string> out;
  if (!ravix::ParseAddressBlock(text, addresses, message)) {
    if (error != nullptr) *error = message;
    return {"refused"};
  }
  for (uint32_t a : addresses) out.push_back(ravix::FormatIPv4(a));
  return out;
}

TEST(AddressBlock, AddressesRangesAndBlocksExpandToTheirHosts) {
  EXPECT_EQ(Expand("192.0.2.10"), (std::vector<std::string>{"192.0.2.10"}));
  EXPECT_EQ(Expand("192.0.2.254-255"), (std::vector<std::string>{"192.0.2.254", "192.0.2.255"}));
  EXPECT_EQ(Expand("192.0.2.7/30"), (std::vector<std::string>{"192.0.2.5", "192.0.2.6"}));  // no network, broadcast
  EXPECT_EQ(Expand("192.0.2.8/31"), (std::vector<std::string>{"192.0.2.8", "192.0.2.9"}));
  EXPECT_EQ(Expand("192.0.2.9/32"), (std::vector<std::string>{"192.0.2.9"}));
  const auto block = Expand("10.41.3.77/22");
  ASSERT_EQ(block.size(), 1022u);
  EXPECT_EQ(block.front(), "10.41.0.1");
  EXPECT_EQ(block.back(), "10.41.3.254");
}

TEST(AddressBlock, RefusedInputsNameWhatIsWrong) {
  const struct {
    const char* text;
    const char* reason;
  } cases[] = {
      {"", "not an IPv4 address"},
      {"cam01", "not an IPv4 address"},
      {"10.1.1", "not an IPv4 address"},
      {"10.1.1.300", "not an IPv4 address"},
      {"10.1.1.1/21", "wider than /22"},
      {"10.1.1.1/33", "prefix length"},
      {"10.1.1.1/", "prefix length"},
      {"10.1.1.9-3", "ends before it starts"},
      {"10.1.1.9-256", "0 to 255"},
      {"10.1.1.1-5/24", "not both"},
      {"/tmp/ravix-keys/shown.csv", "not an IPv4 address"},  // a path is no address at all
      {"224.0.0.251", "multicast"},
      {"239.1.1.0/24", "multicast"},
      {"255.255.255.255", "broadcast"},
      {"127.0.0.1", "loopback"},
      {"0.0.0.0", "0.0.0.0/8"},
      {"240.0.0.1", "reserved"},
      {"10.1.1.1\n", "control characters"},
  };
  for (const auto& c : cases) {
    std::string error;
    EXPECT_EQ(Expand(c.text, &error), (std::vector<std::string>{"refused"})) << c.text;
    EXPECT_NE(error.find(c.reason), std::string::npos) << c.text << ": " << error;
  }
}

}  // namespace
