#include "views/record_columns.h"

#include <gtest/gtest.h>

#include <map>

namespace {

using namespace views;

CBrowseRecord Vendor(const char* name, const char* model = "Ravix-B100") {
  CBrowseRecord r;
  r.ServiceName = name;
  r.ServiceType = "_http._tcp.";
  r.Domain = "local";
  r.AddTxtValue(txtkey::kVendor, "Zorvik");
  r.AddTxtValue(txtkey::kModel, model);
  return r;
}

AdapterNameLookup Adapters(std::map<uint32_t, std::string> table) {
  return [table](uint32_t index) -> std::optional<std::string> {
    const auto it = table.find(index);
    if (it == table.end()) return std::nullopt;
    return it->second;
  };
}

TEST(RecordTests, DomeModelsAndImages) {
  EXPECT_TRUE(IsDomeModel(Vendor("a", "ravix2-d300 outdoor")));
  EXPECT_EQ(RecordImage(Vendor("a", "RAVIX-D1")), kImageDomeCamera);
  EXPECT_FALSE(IsDomeModel(Vendor("a", "Ravix-")));
  EXPECT_EQ(CellText(0, Vendor("a", "Ravix-"), nullptr), "Box");
  EXPECT_EQ(RecordImage(Vendor("a", "Ravix-B")), kImageBoxCamera);
  CBrowseRecord printer;
  printer.AddTxtValue(txtkey::kModel, "Ravix-D-lookalike");
  EXPECT_EQ(RecordImage(printer), kImageOtherDevice);
  EXPECT_FALSE(IsDomeModel(CBrowseRecord{}));
}

TEST(CellText, OtherServiceShowsBoxNotReachableAndNoSettings) {
  CBrowseRecord printer;
  printer.ServiceName = "Office Printer";
  printer.NetworkSettings.NameServer = "10.0.0.53";  // shown whatever the flag says
  EXPECT_EQ(CellText(0, printer, nullptr), "Box");
  EXPECT_EQ(CellText(1, printer, nullptr), "no");
  EXPECT_EQ(CellText(13, printer, nullptr), "");
  EXPECT_EQ(CellText(14, printer, nullptr), "");
  EXPECT_EQ(CellText(11, printer, nullptr), "");
  EXPECT_EQ(CellText(15, printer, nullptr), "10.0.0.53");
  EXPECT_EQ(CellText(17, printer, nullptr), "");
}

TEST(CellText, ReachableCameraColumns) {
  CBrowseRecord cam = Vendor("Cam 1");
  cam.AddTxtValue(txtkey::kIpv4Net, "192.168.5.20");
  cam.AddTxtValue(txtkey::kIpv4Zc, "169.254.3.4");
  cam.Port = 80;
  cam.InterfaceIndex = 7;
  cam.NetworkSettingsValid = true;
  cam.NetworkSettings.DHCP = true;
  cam.NetworkSettings.NetPrefix = 24;
  const auto adapters = Adapters({{7, "eth1"}});
  EXPECT_EQ(CellText(1, cam, adapters), "yes");
  EXPECT_EQ(CellText(10, cam, adapters), "192.168.5.20, 169.254.3.4");
  EXPECT_EQ(CellText(11, cam, adapters), "80");
  EXPECT_EQ(CellText(12, cam, adapters), "eth1");
  EXPECT_EQ(CellText(13, cam, adapters), "enabled");
  EXPECT_EQ(CellText(14, cam, adapters), "24");
  cam.InterfaceIndex = 8;
  EXPECT_EQ(CellText(12, cam, adapters), "");
}

TEST(CellText, AddressJoiningKeepsSeparatorAfterFirst) {
  CBrowseRecord onlyNet = Vendor("a");
  onlyNet.AddTxtValue(txtkey::kIpv4Net, "10.1.2.3");
  EXPECT_EQ(JoinCameraAddresses(onlyNet, ", "), "10.1.2.3, ");
  CBrowseRecord onlyZc = Vendor("b");
  onlyZc.AddTxtValue(txtkey::kIpv4Zc, "169.254.1.1");
  EXPECT_EQ(JoinCameraAddresses(onlyZc, ", "), "169.254.1.1");
  EXPECT_EQ(JoinCameraAddresses(Vendor("c"), ", "), "");
}

TEST(CompareByColumn, Orders) {
  CBrowseRecord a = Vendor("Cam2"), b = Vendor("cam10");
  EXPECT_EQ(CompareByColumn(2, a, b, nullptr), -1);
  EXPECT_EQ(CompareByColumn(2, b, a, nullptr), 1);
  a.AddTxtValue(txtkey::kIpv4Net, "10.0.0.9");
  b.AddTxtValue(txtkey::kIpv4Net, "9.255.0.1");
  EXPECT_EQ(CompareByColumn(10, a, b, nullptr), 1);  // numeric, not textual
  CBrowseRecord noAddress = Vendor("c");
  EXPECT_EQ(CompareByColumn(10, a, noAddress, nullptr), -1);  // missing counts as 255.255.255.255
  a.Port = 8080;
  b.Port = 80;
  EXPECT_EQ(CompareByColumn(11, a, b, nullptr), 1);
  a.DiscoveredTime = -5;
  b.DiscoveredTime = 3;
  EXPECT_EQ(CompareByColumn(7, a, b, nullptr), -1);
  EXPECT_EQ(CompareByColumn(0, Vendor("x", "Ravix-D"), Vendor("y"), nullptr), 1);  // box before dome
  a.InterfaceIndex = 1;
  b.InterfaceIndex = 2;
  EXPECT_EQ(CompareByColumn(12, a, b, Adapters({{1, "eth10"}, {2, "eth9"}})), 1);
  EXPECT_EQ(CompareByColumn(12, a, b, Adapters({{1, "eth10"}})), 0);  // one adapter unknown: equal
  EXPECT_EQ(CompareByColumn(99, a, b, nullptr), 0);
}

}  // namespace
