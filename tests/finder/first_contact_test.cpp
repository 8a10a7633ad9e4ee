// What reaches a camera no adapter reaches: which cameras get a proposal, the adapter it
// is for, link-local or candidates in the camera's subnet (its own prefix when known),
// and the check of an address the user types instead.
#include "finder/first_contact.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "net/ipv4_text.h"

namespace {

AdapterEntry Adapter(uint32_t ifIndex, const char* name, const char* address = nullptr, const char* mask = nullptr) {
  AdapterEntry adapter;
  adapter.IfIndex = ifIndex;
  std::snprintf(adapter.Name, sizeof adapter.Name, "%s", name);
  if (address != nullptr) {
    ravix::ParseIPv4(address, adapter.Addresses[0]);
    ravix::ParseIPv4(mask, adapter.Masks[0]);
    adapter.AddressCount = 1;
  }
  return adapter;
}

CBrowseRecord Camera(uint32_t ifIndex, const char* net, const char* zeroconf = nullptr) {
  CBrowseRecord record;
  record.ID = 1;
  record.ServiceName = "Camera";
  record.InterfaceIndex = ifIndex;
  record.AddTxtValue(txtkey::kVendor, "Zorvik");
  if (net != nullptr) record.AddTxtValue(txtkey::kIpv4Net, net);
  if (zeroconf != nullptr) record.AddTxtValue(txtkey::kIpv4Zc, zeroconf);
  return record;
}

std::vector<std::string> Texts(const std::vector<ravix::AddressWithPrefix>& values) {
  std::vector<std::string> texts;
  for (const ravix::AddressWithPrefix& value : values) texts.push_back(ravix::FormatAddressWithPrefix(value));
  return texts;
}

class FirstContactTest : public ::testing::Test {
 protected:
  // eth0 10.20.0.1/24, wlan0 172.16.4.2/24, eth1 up without IPv4 address.
  CNetworkTools tools_{std::vector<AdapterEntry>{Adapter(2, "eth0", "10.20.0.1", "255.255.255.0"),
                                                 Adapter(3, "wlan0", "172.16.4.2", "255.255.255.0"),
                                                 Adapter(4, "eth1")}};
};

TEST_F(FirstContactTest, WhichCamerasGetAProposal) {
  // A factory address on an adapter of another subnet: /24 candidates from the top down.
  auto proposal = ProposeFirstContact(Camera(2, "192.168.0.90"), tools_, 3);
  ASSERT_TRUE(proposal);
  EXPECT_EQ(proposal->CameraName, "Camera");
  EXPECT_EQ(proposal->Adapter, "eth0");
  EXPECT_EQ(proposal->IfIndex, 2u);
  EXPECT_EQ(proposal->CameraAddress, "192.168.0.90");
  EXPECT_FALSE(proposal->LinkLocal);
  EXPECT_EQ(Texts(proposal->Candidates),
            (std::vector<std::string>{"192.168.0.254/24", "192.168.0.253/24", "192.168.0.252/24"}));

  // Link-local only, on the adapter without IPv4: the helper picks the address.
  proposal = ProposeFirstContact(Camera(4, nullptr, "169.254.3.4"), tools_);
  ASSERT_TRUE(proposal);
  EXPECT_EQ(proposal->Adapter, "eth1");
  EXPECT_TRUE(proposal->LinkLocal);
  EXPECT_TRUE(proposal->Candidates.empty());

  // Its own prefix once its settings were read (a camera that moved away); one the helper
  // would refuse falls back to /24.
  CBrowseRecord known = Camera(2, "192.168.8.9");
  known.NetworkSettingsValid = true;
  known.NetworkSettings.NetPrefix = 22;
  EXPECT_EQ(Texts(ProposeFirstContact(known, tools_, 1)->Candidates), std::vector<std::string>{"192.168.11.254/22"});
  known.NetworkSettings.NetPrefix = 8;
  EXPECT_EQ(Texts(ProposeFirstContact(known, tools_, 1)->Candidates), std::vector<std::string>{"192.168.8.254/24"});

  // None: reached on its adapter, or on another one; no usable address; not the maker's;
  // an adapter that is not up (unknown index).
  EXPECT_FALSE(ProposeFirstContact(Camera(2, "10.20.0.10"), tools_));
  EXPECT_FALSE(ProposeFirstContact(Camera(2, "172.16.4.9"), tools_));
  EXPECT_FALSE(ProposeFirstContact(Camera(2, "192.168.0.90", "10.20.0.77"), tools_)) << "the zeroconf one reaches it";
  EXPECT_FALSE(ProposeFirstContact(Camera(2, nullptr), tools_));
  EXPECT_FALSE(ProposeFirstContact(Camera(2, "224.0.0.251"), tools_));
  EXPECT_FALSE(ProposeFirstContact(Camera(2, "not an address"), tools_));
  EXPECT_FALSE(ProposeFirstContact(Camera(9, "192.168.0.90"), tools_));
  CBrowseRecord other = Camera(2, "192.168.0.90");
  other.TxtRecord.erase(txtkey::kVendor);
  EXPECT_FALSE(ProposeFirstContact(other, tools_));
  CBrowseRecord far = Camera(2, "192.168.0.90");
  far.ContactSource = CBrowseRecord::AddressSource::Dns;  // a browse domain's camera beyond a router
  far.ContactAddress = "192.168.0.90";
  EXPECT_FALSE(ProposeFirstContact(far, tools_));

  // The first advertised host address counts: a broken configured one is skipped.
  proposal = ProposeFirstContact(Camera(2, "0.0.0.0", "192.168.1.20"), tools_, 1);
  ASSERT_TRUE(proposal);
  EXPECT_EQ(proposal->CameraAddress, "192.168.1.20");
}

TEST_F(FirstContactTest, TypedAddressMustReachTheCamera) {
  const auto proposal = ProposeFirstContact(Camera(2, "192.168.0.90"), tools_);
  ASSERT_TRUE(proposal);
  ravix::AddressWithPrefix value;
  std::string why;
  EXPECT_TRUE(IsAddressForCamera(*proposal, "192.168.0.7/24", value, why)) << why;
  EXPECT_TRUE(IsAddressForCamera(*proposal, "192.168.1.7/16", value, why)) << "a wider subnet holds it: " << why;
  EXPECT_EQ(value.Prefix, 16u);
  for (const char* refused : {"192.168.1.7/24", "192.168.0.90/24", "192.168.0.255/24", "192.168.0.0/24",
                              "192.168.0.7", "192.168.0.7/8", "192.168.0.7/31", " 192.168.0.7/24", "x/24", ""}) {
    why.clear();
    EXPECT_FALSE(IsAddressForCamera(*proposal, refused, value, why)) << refused;
    EXPECT_FALSE(why.empty()) << refused;
  }
}

}  // namespace
