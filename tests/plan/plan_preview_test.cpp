// The preview's conflicts over a fixed adapter table: the link's answers to ARP are
// given by the test (the lab test meets a real one), everything else is the real code.
#include <gtest/gtest.h>

#include <arpa/inet.h>

#include <algorithm>
#include <mutex>
#include <set>

#include "plan/plan_apply.h"
#include "plan/plan_preview.h"
#include "plan/plan_results_csv.h"

namespace {

using ravix::PreviewRow;

constexpr uint32_t kLink = 5;

std::vector<AdapterEntry> OneLink() {
  AdapterEntry adapter;
  adapter.IfIndex = kLink;
  adapter.AddressCount = 1;
  inet_pton(AF_INET, "192.168.77.1", &adapter.Addresses[0]);
  inet_pton(AF_INET, "255.255.255.0", &adapter.Masks[0]);
  return {adapter};
}

CBrowseRecord Camera(uint32_t id, const std::string& serial, const std::string& address) {
  CBrowseRecord record;
  record.ID = id;
  record.InterfaceIndex = kLink;
  record.ServiceName = "Cam " + serial;
  record.AddTxtValue(txtkey::kVendor, "Zorvik");
  record.AddTxtValue(txtkey::kSerial, serial.c_str());
  record.AddTxtValue(txtkey::kIpv4Net, address.c_str());
  record.NetworkSettingsValid = true;
  record.NetworkSettings = {"cam-" + serial, false, address, 24, "192.168.77.2", "192.168.77.1", 80};
  return record;
}

ravix::AddressPlan Plan(const std::string& text) {
  ravix::AddressPlan plan;
  std::vector<ravix::PlanError> errors;
  EXPECT_TRUE(ravix::ParseAddressPlan(text, plan, errors)) << (errors.empty() ? "" : ravix::FormatPlanError(errors[0]));
  return plan;
}

const PreviewRow& RowOf(const ravix::PlanPreview& preview, const std::string& serial) {
  const auto it = std::find_if(preview.rows.begin(), preview.rows.end(), [&](const PreviewRow& row) {
    return row.record.GetTxtValueOrEmpty(txtkey::kSerial) == serial;
  });
  if (it == preview.rows.end()) throw std::runtime_error("no row for " + serial);
  return *it;
}

bool Mentions(const std::vector<std::string>& texts, const std::string& word) {
  return std::any_of(texts.begin(), texts.end(), [&](const std::string& t) { return t.find(word) != std::string::npos; });
}

TEST(PlanPreview, FlagsEveryConflictAndListsWhatDoesNotMatch) {
  const CNetworkTools tools(OneLink());
  const std::vector<CBrowseRecord> found = {
      Camera(1, "A", "192.168.77.10"), Camera(2, "B", "192.168.77.11"), Camera(3, "C", "192.168.77.12"),
      Camera(4, "D", "192.168.77.50"),  // not selected: holds .50
      Camera(5, "E", "192.168.77.13"), Camera(6, "F", "192.168.77.14"), Camera(7, "G", "192.168.77.15"),
      Camera(8, "H", "192.168.77.16"), Camera(9, "I", "192.168.77.17"), Camera(10, "J", "192.168.77.18"),
      Camera(11, "K", "192.168.77.19"), Camera(12, "M", "192.168.77.20"),
      Camera(13, "L", "192.168.77.21")};
  ravix::AddressPlan plan = Plan(
      "serial,address,prefix,dhcp,hostname\n"
      "A,192.168.77.110,24,,\n"
      "B,192.168.77.120,24,,\n"
      "C,192.168.77.50,24,,\n"
      "E,192.168.77.60,24,,\n"
      "F,192.168.77.11,24,,\n"      // B's address, which B leaves
      "M,192.168.77.10,24,,\n"      // A's address, but A is not sent and keeps it
      "G,10.9.9.9,24,,\n"           // off this PC's links
      "I,,,yes,\n"                  // DHCP on, no zeroconf address
      "L,192.168.77.1,24,,\n"        // this PC's own address
      "J,192.168.77.18,24,,cam-J\n"  // as it is
      "ZV99,192.168.77.99,24,,\n");  // no such camera; H has no plan row
  // A file cannot plan an address twice; a range over cameras already in use can.
  plan.rows.push_back(plan.rows[0]);
  plan.rows.back().serial = "K";
  std::mutex lock;
  std::set<std::string> probed;
  const ravix::AddressProbe probe = [&](const std::string& address, std::string& by) {
    std::lock_guard<std::mutex> guard(lock);
    probed.insert(address);
    if (address != "192.168.77.60") return false;
    by = "02-aa-bb-cc-dd-ee";
    return true;
  };
  const ravix::PlanPreview preview =
      ravix::BuildPlanPreview(plan, found, {1, 2, 3, 5, 6, 7, 8, 9, 10, 11, 12, 13}, tools, probe);

  ASSERT_EQ(preview.rows.size(), 12u);
  EXPECT_TRUE(Mentions(RowOf(preview, "L").conflicts, "192.168.77.1 is in use by this PC"));
  EXPECT_TRUE(Mentions(RowOf(preview, "A").conflicts, "same address 192.168.77.110 as Cam K"));
  EXPECT_TRUE(Mentions(RowOf(preview, "K").conflicts, "same address 192.168.77.110 as Cam A"));
  EXPECT_TRUE(RowOf(preview, "B").conflicts.empty());
  EXPECT_TRUE(Mentions(RowOf(preview, "C").conflicts, "in use by the camera Cam D"));
  EXPECT_TRUE(Mentions(RowOf(preview, "E").conflicts, "in use on the link (02-aa-bb-cc-dd-ee)"));
  EXPECT_TRUE(RowOf(preview, "F").conflicts.empty()) << "B leaves the address F takes";
  EXPECT_TRUE(Mentions(RowOf(preview, "M").conflicts, "in use by the camera Cam A"));
  EXPECT_EQ(probed, (std::set<std::string>{"192.168.77.60", "192.168.77.120", "10.9.9.9"}))
      << "addresses of found cameras, and rows already in conflict, need no probe";
  EXPECT_TRUE(RowOf(preview, "G").conflicts.empty());
  EXPECT_TRUE(Mentions(RowOf(preview, "G").warnings, "no longer be reachable"));
  EXPECT_TRUE(RowOf(preview, "I").after.DHCP);
  EXPECT_TRUE(Mentions(RowOf(preview, "I").warnings, "DHCP"));
  EXPECT_FALSE(RowOf(preview, "H").hasPlan);
  EXPECT_FALSE(RowOf(preview, "H").WillSend());
  EXPECT_FALSE(RowOf(preview, "J").Changes());
  ASSERT_EQ(preview.unmatchedRows.size(), 1u);
  EXPECT_EQ(preview.unmatchedRows[0].serial, "ZV99");
  EXPECT_EQ(preview.unmatchedRows[0].line, 12u);

  // Old -> new values: only what the row names changes; an address means DHCP off.
  const PreviewRow& a = RowOf(preview, "A");
  EXPECT_EQ(a.before.IPAddress, "192.168.77.10");
  EXPECT_EQ(a.after.IPAddress, "192.168.77.110");
  EXPECT_EQ(a.after.HostName, "cam-A");
  EXPECT_EQ(a.after.HTTPPort, 80);

  // Unticking A: K's address is no longer planned twice, but A keeps its own, so M
  // stays in conflict; nothing else is probed again for rows already decided.
  ravix::PlanPreview unticked = preview;
  for (PreviewRow& row : unticked.rows) row.ticked = row.record.GetTxtValueOrEmpty(txtkey::kSerial) != "A";
  ravix::CheckPlanPreview(unticked, found, tools, probe);
  EXPECT_TRUE(RowOf(unticked, "A").conflicts.empty());
  EXPECT_FALSE(RowOf(unticked, "A").WillSend());
  EXPECT_TRUE(RowOf(unticked, "K").conflicts.empty());
  EXPECT_TRUE(RowOf(unticked, "K").WillSend());
  EXPECT_TRUE(Mentions(RowOf(unticked, "M").conflicts, "in use by the camera Cam A"));
  EXPECT_EQ(RowOf(unticked, "G").warnings.size(), 1u) << "warnings are not repeated";
}

TEST(PlanPreview, RowsNotToBeSentGetTheirResultsWithoutTouchingAnyCamera) {
  const CNetworkTools tools(OneLink());
  const std::vector<CBrowseRecord> found = {Camera(1, "A", "192.168.77.10"), Camera(2, "B", "192.168.77.11"),
                                            Camera(3, "C", "192.168.77.12"), Camera(4, "D", "192.168.77.13")};
  ravix::AddressPlan plan = Plan("serial,address\nA,192.168.77.30\nC,192.168.77.12\n");
  plan.rows.push_back(plan.rows[0]);
  plan.rows.back().serial = "B";
  ravix::PlanPreview preview =
      ravix::BuildPlanPreview(plan, found, {1, 2, 3, 4}, tools, [](const std::string&, std::string&) { return false; });
  CameraConnectContext context{const_cast<CNetworkTools&>(tools), true, nullptr, nullptr, {}};
  std::vector<std::size_t> reported;
  std::mutex lock;
  ravix::PlanApplyOptions options;
  options.done = [&](std::size_t index, const ravix::PlanOutcome&) {
    std::lock_guard<std::mutex> guard(lock);
    reported.push_back(index);
  };
  const std::vector<ravix::PlanOutcome> outcomes = ravix::ApplyPlan(preview.rows, context, options);
  ASSERT_EQ(outcomes.size(), 4u);
  EXPECT_EQ(outcomes[0].result, ravix::PlanResult::NotSent);
  EXPECT_NE(outcomes[0].detail.find("same address"), std::string::npos);
  EXPECT_EQ(outcomes[1].result, ravix::PlanResult::NotSent);
  EXPECT_EQ(outcomes[2].result, ravix::PlanResult::AlreadySet);
  EXPECT_TRUE(ravix::IsPlanSuccess(outcomes[2].result));
  EXPECT_EQ(outcomes[3].result, ravix::PlanResult::NotSent);
  EXPECT_NE(outcomes[3].detail.find("no plan row"), std::string::npos);
  EXPECT_EQ(reported.size(), 4u) << "every row is reported once";

  // The saved results keep camera texts as data: no live formula, quotes doubled.
  preview.rows[3].record.ServiceName = "=HYPERLINK(\"http://x\",\"y\")";
  const std::string csv = ravix::PlanResultsCsv(preview.rows, outcomes);
  EXPECT_EQ(csv.substr(0, csv.find("\r\n")),
            "Camera,Serial,MAC,Old address,New address,Old host name,New host name,Result,Detail");
  EXPECT_NE(csv.find("\r\nCam A,A,,192.168.77.10,192.168.77.30,cam-A,cam-A,Not sent,"), std::string::npos) << csv;
  EXPECT_NE(csv.find("\r\n\"'=HYPERLINK(\"\"http://x\"\",\"\"y\"\")\",D,"), std::string::npos) << csv;
  EXPECT_EQ(ravix::PlanCsvCell("-1+2"), "'-1+2");
  EXPECT_EQ(ravix::PlanCsvCell("a\nb"), "\"a\nb\"");
}

}  // namespace
