// The plan file and the range form: what a spreadsheet export may look like, and every
// fault refused with its line and column before anything could be sent.
#include <gtest/gtest.h>

#include "plan/address_plan.h"
#include "plan/address_range.h"

namespace {

using ravix::AddressPlan;
using ravix::PlanError;

std::vector<PlanError> Refused(const std::string& text) {
  AddressPlan plan;
  std::vector<PlanError> errors;
  EXPECT_FALSE(ravix::ParseAddressPlan(text, plan, errors)) << text;
  EXPECT_TRUE(plan.rows.empty());
  return errors;
}

// The first fault's place and whether its message holds a word.
void ExpectFault(const std::string& text, std::size_t line, std::size_t column, const std::string& word) {
  const std::vector<PlanError> errors = Refused(text);
  ASSERT_FALSE(errors.empty()) << text;
  EXPECT_EQ(errors[0].line, line) << ravix::FormatPlanError(errors[0]);
  EXPECT_EQ(errors[0].column, column) << ravix::FormatPlanError(errors[0]);
  EXPECT_NE(errors[0].message.find(word), std::string::npos) << ravix::FormatPlanError(errors[0]);
}

TEST(AddressPlan, ReadsSpreadsheetExportsInEveryUsualShape) {
  // BOM, CRLF, header in any case and order, quoted cells, extra columns, blank lines,
  // empty cells leaving a setting alone, MAC in any spelling, dhcp words.
  const std::string text =
      "\xEF\xBB\xBF" "Room,MAC,Serial,Address,Prefix,Gateway,NameServer,HostName,DHCP\r\n"
      "\"Gate, north\",,ZV1,192.168.5.20,24,192.168.5.1,192.168.5.2,gate-cam,\r\n"
      "\r\n"
      "Hall,00:1E:C0:00:01:0A,,\"192.168.5.21\",,,,,no\r\n"
      "Yard,001ec000010b,,,,,,yard,yes\r\n"
      ",,,,,,,,\r\n";
  AddressPlan plan;
  std::vector<PlanError> errors;
  ASSERT_TRUE(ravix::ParseAddressPlan(text, plan, errors)) << ravix::FormatPlanError(errors.at(0));
  ASSERT_EQ(plan.rows.size(), 3u);
  const ravix::PlanRow& gate = plan.rows[0];
  EXPECT_EQ(gate.line, 2u);
  EXPECT_EQ(gate.serial, "ZV1");
  EXPECT_EQ(gate.address.value_or(""), "192.168.5.20");
  EXPECT_EQ(gate.prefix.value_or(0), 24);
  EXPECT_EQ(gate.gateway.value_or(""), "192.168.5.1");
  EXPECT_EQ(gate.nameServer.value_or(""), "192.168.5.2");
  EXPECT_EQ(gate.hostName.value_or(""), "gate-cam");
  EXPECT_FALSE(gate.dhcp.has_value());
  const ravix::PlanRow& hall = plan.rows[1];
  EXPECT_EQ(hall.line, 4u);
  EXPECT_EQ(hall.mac, "00-1e-c0-00-01-0a");
  EXPECT_FALSE(hall.prefix.has_value()) << "an empty cell keeps the camera's value";
  EXPECT_EQ(hall.dhcp, std::optional<bool>(false));
  EXPECT_EQ(plan.rows[2].mac, "00-1e-c0-00-01-0b");
  EXPECT_EQ(plan.rows[2].dhcp, std::optional<bool>(true));

  // LF only, semicolons as a German spreadsheet writes them, no BOM.
  ASSERT_TRUE(ravix::ParseAddressPlan("serial;address\nZV2;10.0.0.5\n", plan, errors));
  ASSERT_EQ(plan.rows.size(), 1u);
  EXPECT_EQ(plan.rows[0].address.value_or(""), "10.0.0.5");
}

TEST(AddressPlan, RefusesMalformedInputNamingLineAndColumn) {
  ExpectFault("serial,address\nZV1,\"10.0.0.5\n", 2, 2, "never closed");
  ExpectFault("serial,address\nZV1,10.0.0.5\"x\"\n", 2, 2, "quote inside");
  ExpectFault("serial,address\n\"ZV1\"x,10.0.0.5\n", 2, 1, "after the closing quote");
  ExpectFault("name,address\ncam,10.0.0.5\n", 1, 0, "'serial' or 'mac'");
  ExpectFault("serial,address\nZV1,10.0.0.256\n", 2, 2, "not an IPv4");
  ExpectFault("serial,address\nZV1,10.0.0.5/24\n", 2, 2, "not an IPv4");
  ExpectFault("serial,address,prefix\nZV1,10.0.0.5,33\n", 2, 3, "1 to 32");
  ExpectFault("serial,address,prefix\nZV1,10.0.0.5,0\n", 2, 3, "1 to 32");
  ExpectFault("serial,address,prefix\nZV1,10.0.0.5,2x\n", 2, 3, "1 to 32");
  ExpectFault("serial,address\nZV1,10.0.0.5\nZV1,10.0.0.6\n", 3, 0, "also on line 2");
  ExpectFault("serial,address\nZV1,10.0.0.5\nZV2,10.0.0.5\n", 3, 0, "also on line 2");
  ExpectFault("mac,address\n00-1e-c0-00-01-0a,10.0.0.5\n001EC000010A,10.0.0.6\n", 3, 0, "MAC address");
  ExpectFault("mac\n00-1e-c0-00-01\n", 2, 1, "not a MAC");
  ExpectFault("serial,address,prefix\nZV1,10.0.0.0,24\n", 2, 2, "subnet's own");
  ExpectFault("serial,address,prefix\nZV1,10.0.0.255,24\n", 2, 2, "broadcast");
  ExpectFault("serial,address\nZV1,224.0.0.251\n", 2, 2, "multicast");
  ExpectFault("serial,address,prefix,gateway\nZV1,10.0.0.5,24,10.0.1.1\n", 2, 4, "not in the subnet");
  ExpectFault("serial,address,dhcp\nZV1,10.0.0.5,yes\n", 2, 2, "dhcp is on");
  ExpectFault("serial,address,gateway\nZV1,10.0.0.1,10.0.0.1\n", 2, 2, "gateway's");
  ExpectFault("serial,dhcp\nZV1,maybe\n", 2, 2, "not one of");
  ExpectFault("serial,hostname\nZV1,gate cam\n", 2, 2, "letters");
  ExpectFault("serial,hostname\nZV1,-gate\n", 2, 2, "start or end");
  ExpectFault("serial,address\n,10.0.0.5\n", 2, 0, "neither");
  ExpectFault("serial,Serial\nZV1,ZV2\n", 1, 2, "named twice");
  ExpectFault("", 0, 0, "empty");
  ExpectFault("serial,address\n", 0, 0, "no camera rows");
  ExpectFault(std::string(ravix::kMaxPlanBytes + 1, 'x'), 0, 0, "larger");

  // Every fault of the file is reported at once, not only the first.
  const auto errors = Refused("serial,address,prefix\nZV1,1.2.3,24\nZV2,10.0.0.6,40\nZV3,10.0.0.7,24\n");
  ASSERT_EQ(errors.size(), 2u);
  EXPECT_EQ(ravix::FormatPlanError(errors[0]).substr(0, 17), "line 2, column 2:");
  EXPECT_EQ(ravix::FormatPlanError(errors[1]).substr(0, 17), "line 3, column 3:");

  // Control characters from the file do not reach the message as they are.
  const auto shown = Refused("serial,address\nZV1,\x1b[2Jx\n");
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_EQ(shown[0].message.find('\x1b'), std::string::npos);
}

TEST(AddressPlan, RangeGivesConsecutiveAddressesAndPatternNamesInListOrder) {
  ravix::AddressRange range;
  range.firstAddress = "192.168.5.250";
  range.prefix = 24;
  range.gateway = "192.168.5.1";
  range.nameServer = "192.168.5.2";
  range.hostPattern = "cam-{n}-{serial}";
  std::vector<ravix::RangeCamera> cameras;
  for (uint32_t i = 1; i <= 4; ++i) cameras.push_back({i * 10, "ZV" + std::to_string(i), "00-1e-c0-00-00-0" + std::to_string(i)});
  AddressPlan plan;
  std::vector<PlanError> errors;
  ASSERT_TRUE(ravix::MakeRangePlan(range, cameras, plan, errors)) << errors.at(0).message;
  ASSERT_EQ(plan.rows.size(), 4u);
  EXPECT_EQ(plan.rows[0].cameraId, 10u);
  EXPECT_EQ(plan.rows[0].address.value_or(""), "192.168.5.250");
  EXPECT_EQ(plan.rows[3].address.value_or(""), "192.168.5.253");
  EXPECT_EQ(plan.rows[3].hostName.value_or(""), "cam-4-ZV4");
  EXPECT_EQ(plan.rows[3].dhcp, std::optional<bool>(false));
  EXPECT_EQ(plan.rows[3].gateway.value_or(""), "192.168.5.1");

  // The subnet runs out before the broadcast address.
  cameras.push_back({50, "ZV5", ""});
  cameras.push_back({60, "ZV6", ""});
  EXPECT_FALSE(ravix::MakeRangePlan(range, cameras, plan, errors));
  ASSERT_FALSE(errors.empty());
  EXPECT_NE(errors[0].message.find("camera 6 of 6"), std::string::npos) << errors[0].message;

  // Zero padding to the count's width or to a given one; the MAC as the camera gives it.
  std::string name, error;
  std::vector<ravix::RangeCamera> many(120);
  ASSERT_TRUE(ravix::ExpandHostPattern("cam{n}", many[0], 7, 120, name, error));
  EXPECT_EQ(name, "cam007");
  ASSERT_TRUE(ravix::ExpandHostPattern("cam{n:2}-{mac}", {1, "S", "00-1e-c0-00-00-01"}, 7, 120, name, error));
  EXPECT_EQ(name, "cam07-00-1e-c0-00-00-01");
  EXPECT_FALSE(ravix::ExpandHostPattern("cam{id}", many[0], 1, 1, name, error));
  EXPECT_NE(error.find("{id}"), std::string::npos);

  // Bad values, and a serial that makes no host name, are refused.
  range.hostPattern = "{serial}";
  cameras = {{1, "ZV 1", ""}};
  EXPECT_FALSE(ravix::MakeRangePlan(range, cameras, plan, errors));
  range.hostPattern.clear();
  range.gateway = "10.0.0.1";
  EXPECT_FALSE(ravix::MakeRangePlan(range, cameras, plan, errors));
  EXPECT_NE(errors.at(0).message.find("not in the subnet"), std::string::npos);
  range.gateway.clear();
  range.prefix = 0;
  EXPECT_FALSE(ravix::MakeRangePlan(range, cameras, plan, errors));
}

}  // namespace
