#include "net/ipv4_text.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>

namespace {

using namespace ravix;

uint32_t Ip(const char* text) { return inet_addr(text); }

TEST(Ipv4Text, OnlyDottedDecimalParses) {
  uint32_t a = 7;
  EXPECT_TRUE(ParseIPv4("169.254.3.4", a));
  EXPECT_EQ(a, Ip("169.254.3.4"));
  EXPECT_TRUE(ParseIPv4("255.255.255.255", a));
  EXPECT_EQ(a, 0xFFFFFFFFu);
  // Short, hexadecimal and empty forms that the C library's inet_addr would accept or
  // turn into INADDR_NONE must never become an address.
  for (const char* bad : {"", "169.254.3", "10", "0x7f.0.0.1", "1.2.3.4 ", " 1.2.3.4", "1.2.3.256", "cam.local"}) {
    uint32_t b = 7;
    EXPECT_FALSE(ParseIPv4(bad, b)) << bad;
    EXPECT_EQ(b, 7u) << bad;
  }
  EXPECT_EQ(FormatIPv4(Ip("192.168.5.20")), "192.168.5.20");
}

TEST(Ipv4Text, MasksAndSubnets) {
  EXPECT_EQ(MaskFromPrefix(0), 0u);
  EXPECT_EQ(MaskFromPrefix(16), Ip("255.255.0.0"));
  EXPECT_EQ(MaskFromPrefix(23), Ip("255.255.254.0"));
  EXPECT_EQ(MaskFromPrefix(32), Ip("255.255.255.255"));
  for (unsigned p = 0; p <= 32; ++p) EXPECT_EQ(PrefixFromMask(MaskFromPrefix(p)), p);

  const uint32_t mask = Ip("255.255.0.0");
  EXPECT_TRUE(InSubnet(Ip("169.254.3.4"), Ip("169.254.10.1"), mask));
  EXPECT_FALSE(InSubnet(Ip("169.253.3.4"), Ip("169.254.10.1"), mask));
  EXPECT_TRUE(InSubnet(Ip("10.0.0.1"), Ip("192.168.1.1"), 0));  // a /0 holds everything
}

TEST(Ipv4Text, HardwareAddressText) {
  const uint8_t mac[] = {0x02, 0x1A, 0x2B, 0x3C, 0x4D, 0x5E, 0xF0, 0x0F};
  EXPECT_EQ(FormatHardwareAddress(mac, 6), "02-1a-2b-3c-4d-5e");
  EXPECT_EQ(FormatHardwareAddress(mac, 6).size(), 17u);
  EXPECT_EQ(FormatHardwareAddress(mac, 8), "02-1a-2b-3c-4d-5e-f0-0f");
  EXPECT_EQ(FormatHardwareAddress(mac, 1), "02");
  EXPECT_EQ(FormatHardwareAddress(mac, 0), "");
}

}  // namespace
