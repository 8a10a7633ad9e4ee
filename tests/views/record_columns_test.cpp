#include "views/record_columns.h"
#include "views/tree_tooltips.h"
#include "net/network_tools.h"

#include <gtest/gtest.h>

#include <QDateTime>
#include <QLocale>

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
  EXPECT_EQ(CellText(Column::Type, Vendor("a", "Ravix-"), nullptr), "Box");
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
  EXPECT_EQ(CellText(Column::Type, printer, nullptr), "Box");
  EXPECT_EQ(CellText(Column::Reachable, printer, nullptr), "no");
  EXPECT_EQ(CellText(Column::DHCP, printer, nullptr), "");
  EXPECT_EQ(CellText(Column::Prefix, printer, nullptr), "");
  EXPECT_EQ(CellText(Column::Port, printer, nullptr), "");
  EXPECT_EQ(CellText(Column::NameServer, printer, nullptr), "10.0.0.53");
  EXPECT_FALSE(ColumnAt(17));
  EXPECT_FALSE(ColumnAt(-1));
  EXPECT_EQ(ColumnAt(16), Column::Gateway);
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
  EXPECT_EQ(CellText(Column::Reachable, cam, adapters), "yes");
  EXPECT_EQ(CellText(Column::IPAddresses, cam, adapters), "192.168.5.20, 169.254.3.4");
  EXPECT_EQ(CellText(Column::Port, cam, adapters), "80");
  EXPECT_EQ(CellText(Column::ConnectedTo, cam, adapters), "eth1");
  EXPECT_EQ(CellText(Column::DHCP, cam, adapters), "enabled");
  EXPECT_EQ(CellText(Column::Prefix, cam, adapters), "24");
  cam.InterfaceIndex = 8;
  EXPECT_EQ(CellText(Column::ConnectedTo, cam, adapters), "");
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

// A camera found by address (or in a browse domain) shows and is reached at its contact
// address; what its TXT record claims appears in the tooltip only, and is never a
// candidate for a connection.
TEST(CellText, ContactAddressIsShownAndTheClaimedOnesOnlyInTheTooltip) {
  CBrowseRecord liar = Vendor("liar");
  liar.AddTxtValue(txtkey::kIpv4Net, "10.91.0.7");
  liar.AddTxtValue(txtkey::kIpv4Zc, "169.254.9.9");
  liar.ContactSource = CBrowseRecord::AddressSource::Asked;
  liar.ContactAddress = "10.91.0.8";
  EXPECT_EQ(CNetworkTools::CollectCameraAddresses(liar), std::vector<std::string>{"10.91.0.8"});
  EXPECT_EQ(CellText(Column::IPAddresses, liar, Adapters({})), "10.91.0.8");
  const std::string tip = CameraTooltip(liar);
  EXPECT_NE(tip.find("\nIP:\t\t10.91.0.8\n"), std::string::npos) << tip;
  EXPECT_NE(tip.find("\nClaims:\t\t10.91.0.7, 169.254.9.9\n"), std::string::npos) << tip;
  // Not yet given an address by DNS: nothing to contact, nothing claimed believed.
  CBrowseRecord far = Vendor("far");
  far.AddTxtValue(txtkey::kIpv4Net, "10.91.0.7");
  far.ContactSource = CBrowseRecord::AddressSource::Dns;
  EXPECT_EQ(CNetworkTools::CollectCameraAddresses(far), std::vector<std::string>{""});
  CBrowseRecord near = Vendor("near");
  near.AddTxtValue(txtkey::kIpv4Net, "10.91.0.7");
  EXPECT_EQ(CameraTooltip(near).find("Claims"), std::string::npos) << "heard on its link: its own word counts";
  EXPECT_EQ(CompareByColumn(Column::IPAddresses, liar, near, Adapters({})), 1) << "sorted by the address shown";
}

TEST(CellText, DiscoveredShowsShortDateAndTimeWithoutZone) {
  const std::string text = FormatDiscoveredTime(1700000000);  // 14 Nov 2023, 22:13:20 UTC
  const QDateTime local = QDateTime::fromSecsSinceEpoch(1700000000).toLocalTime();
  EXPECT_EQ(text.rfind(QLocale::system().toString(local.date(), QLocale::ShortFormat).toStdString(), 0), 0u) << text;
  EXPECT_NE(text.find(local.time().toString(QStringLiteral("mm:ss")).toStdString()), std::string::npos) << text;
  for (const QString& zone : {local.timeZoneAbbreviation(), QStringLiteral("UTC"), QStringLiteral("GMT")}) {
    if (zone.isEmpty()) continue;
    EXPECT_EQ(text.find(zone.toStdString()), std::string::npos) << text;
  }
}

TEST(CompareByColumn, Orders) {
  CBrowseRecord a = Vendor("Cam2"), b = Vendor("cam10");
  EXPECT_EQ(CompareByColumn(Column::Name, a, b, nullptr), -1);
  EXPECT_EQ(CompareByColumn(Column::Name, b, a, nullptr), 1);
  a.AddTxtValue(txtkey::kIpv4Net, "10.0.0.9");
  b.AddTxtValue(txtkey::kIpv4Net, "9.255.0.1");
  EXPECT_EQ(CompareByColumn(Column::IPAddresses, a, b, nullptr), 1);  // numeric, not textual
  CBrowseRecord noAddress = Vendor("c");
  EXPECT_EQ(CompareByColumn(Column::IPAddresses, a, noAddress, nullptr), -1);  // missing counts as 255.255.255.255
  a.Port = 8080;
  b.Port = 80;
  EXPECT_EQ(CompareByColumn(Column::Port, a, b, nullptr), 1);
  a.DiscoveredTime = -5;
  b.DiscoveredTime = 3;
  EXPECT_EQ(CompareByColumn(Column::Discovered, a, b, nullptr), -1);
  EXPECT_EQ(CompareByColumn(Column::Type, Vendor("x", "Ravix-D"), Vendor("y"), nullptr), 1);  // box before dome
  a.InterfaceIndex = 1;
  b.InterfaceIndex = 2;
  EXPECT_EQ(CompareByColumn(Column::ConnectedTo, a, b, Adapters({{1, "eth10"}, {2, "eth9"}})), 1);
  EXPECT_EQ(CompareByColumn(Column::ConnectedTo, a, b, Adapters({{1, "eth10"}})), 0);  // one adapter unknown: equal
}

}  // namespace
