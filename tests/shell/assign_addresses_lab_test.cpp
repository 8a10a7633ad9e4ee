// ravixfinder --assign-addresses end to end in the lab: the real program in the pc
// namespace, simulated cameras in the camera namespace that move when they commit a new
// address, and the finder's own listing afterwards.
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <net/if.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <string>

#include "camera/camera_connect.h"
#include "net/network_tools.h"
#include "plan/plan_apply.h"
#include "plan/plan_preview.h"
#include "tests/support/camsim_process.h"

namespace {

std::string Env(const std::string& name) {
  const char* v = std::getenv(name.c_str());
  return v != nullptr ? v : "";
}

std::string FinderBinary() {
  const std::string dir = Env("RAVIX_BINARY_DIR");
  return dir.empty() ? RAVIX_FINDER_BINARY : dir + "/shell/ravixfinder";
}

struct FinderRun {
  int code = -1;
  std::string out;
};

class AssignAddresses : public ::testing::Test {
 protected:
  void SetUp() override {
    if (Env("NETLAB_ID").empty()) GTEST_SKIP() << "not inside tools/netlab";
    char pattern[] = "/tmp/assign-addresses-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    home_ = pattern;
  }
  void TearDown() override {
    sim_.reset();
    if (!home_.empty()) std::filesystem::remove_all(home_);
  }

  void StartSimulator(const std::string& json, const std::vector<std::string>& addresses) {
    CamsimProcess::Options options;
    options.camerasJson = json;
    options.addresses = addresses;
    options.extraArgs = {"--restart-ms", "300"};
    sim_ = std::make_unique<CamsimProcess>(options);
    std::string error;
    ASSERT_TRUE(sim_->Start(&error)) << error;
  }

  std::string WritePlan(const std::string& text) {
    const std::string path = home_ + "/plan.csv";
    std::ofstream(path) << text;
    return path;
  }

  FinderRun Finder(const std::string& args) {
    const std::string command = "env HOME=" + home_ + " XDG_CONFIG_HOME=" + home_ + "/config XDG_DATA_HOME=" + home_ +
                                "/data " + FinderBinary() + " " + args + " 2>&1";
    FinderRun run;
    FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr) return run;
    char buffer[4096];
    for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) run.out.append(buffer, n);
    const int status = pclose(pipe);
    run.code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
  }

  // The parameter writes and commands the cameras received.
  std::size_t Writes() const {
    std::size_t writes = 0;
    for (const nlohmann::json& request : sim_->RequestLog()) {
      const std::string query = request.value("query", "");
      if (query.find("SetValue") != std::string::npos || query.find(".Execute") != std::string::npos) ++writes;
    }
    return writes;
  }

  // The finder's listing by serial number.
  std::map<std::string, nlohmann::json> Listing() {
    const FinderRun run = Finder("--list --seconds 3 --format json");
    std::map<std::string, nlohmann::json> bySerial;
    const auto begin = run.out.find('['), end = run.out.rfind(']');
    const std::string text = begin == std::string::npos || end == std::string::npos ? "" : run.out.substr(begin, end - begin + 1);
    const nlohmann::json list = nlohmann::json::parse(text, nullptr, false);
    if (!list.is_array()) {
      ADD_FAILURE() << run.out;
      return bySerial;
    }
    for (const nlohmann::json& row : list) bySerial[row.value("Serial", "")] = row;
    return bySerial;
  }

  std::string home_;
  std::unique_ptr<CamsimProcess> sim_;
};

std::string Serial(int n) {
  char text[16];
  std::snprintf(text, sizeof text, "ZV%06d", n);
  return text;
}

TEST_F(AssignAddresses, DryRunSendsNothingThenTwentyCamerasMoveAndAreFoundAtTheirPlannedAddresses) {
  nlohmann::json cameras = nlohmann::json::array();
  std::vector<std::string> addresses;
  std::string plan = "Room,serial,address,prefix,gateway,hostname\r\n";
  for (int n = 1; n <= 20; ++n) {
    cameras.push_back({{"serial", Serial(n)}, {"mac", "00-1e-c0-00-03-" + std::to_string(10 + n)}});
    addresses.push_back("192.168.77." + std::to_string(9 + n));
    plan += "Room " + std::to_string(n) + "," + Serial(n) + ",192.168.77." + std::to_string(109 + n) +
            ",24,192.168.77.1,site-cam-" + std::to_string(n) + "\r\n";
  }
  StartSimulator(nlohmann::json{{"cameras", cameras}}.dump(), addresses);
  const std::string path = WritePlan("\xEF\xBB\xBF" + plan);

  sim_->ClearRequestLog();
  const FinderRun dry = Finder("--assign-addresses " + path + " --dry-run");
  EXPECT_EQ(dry.code, 0) << dry.out;
  EXPECT_NE(dry.out.find("address 192.168.77.10 -> 192.168.77.110, gateway (none) -> 192.168.77.1, "
                          "host name ravix-zv000001 -> site-cam-1"),
            std::string::npos) << dry.out;
  EXPECT_NE(dry.out.find("Dry run: nothing was sent"), std::string::npos);
  EXPECT_EQ(Writes(), 0u) << "a dry run sends no write and no Commit";
  EXPECT_EQ(sim_->List()[0].value("address", ""), "192.168.77.10");

  const FinderRun run = Finder("--assign-addresses " + path);
  EXPECT_EQ(run.code, 0) << run.out;
  EXPECT_NE(run.out.find("Found at the planned address: 20 of 20 cameras"), std::string::npos) << run.out;

  const auto listed = Listing();
  for (int n = 1; n <= 20; ++n) {
    SCOPED_TRACE(Serial(n));
    const auto row = listed.find(Serial(n));
    ASSERT_NE(row, listed.end());
    EXPECT_EQ(row->second.value("IP Address(es)", ""), "192.168.77." + std::to_string(109 + n));
    EXPECT_EQ(row->second.value("Reachable", ""), "yes");
    EXPECT_EQ(row->second.value("Hostname", "").substr(0, 10), "site-cam-" + std::to_string(n).substr(0, 1));
  }
  // The old addresses are gone from the camera's link.
  const nlohmann::json devices = sim_->List();
  for (const nlohmann::json& device : devices) EXPECT_GE(device.value("address", "").size(), 14u) << device.dump();
  EXPECT_NE(system(("ip netns exec " + Env("NETLAB_CAM0") + " ip -4 addr show | grep -q ' 192.168.77.10/'").c_str()), 0);
}

TEST_F(AssignAddresses, MixedPlanReportsEachCameraAndTheOthersGoOn) {
  // A login camera (no stored credentials), a silent one, one planned onto an address
  // that answers ARP on the link, one that moves, and a plan row for a camera not there.
  const char* json = R"({"cameras": [
    {"serial": "ZV000401", "login": {"username": "admin", "password": "zorvik"}},
    {"serial": "ZV000402", "faults": {"no_answer": true}},
    {"serial": "ZV000403"},
    {"serial": "ZV000404"}]})";
  StartSimulator(json, {"192.168.77.30", "192.168.77.31", "192.168.77.32", "192.168.77.33"});
  // 192.168.77.34 is on the camera link (the lab gave it) but no camera serves there.
  const std::string path = WritePlan(
      "serial,address,prefix\n"
      "ZV000401,192.168.77.130,24\n"
      "ZV000402,192.168.77.131,24\n"
      "ZV000403,192.168.77.34,24\n"
      "ZV000404,192.168.77.133,24\n"
      "ZV000499,192.168.77.199,24\n");
  const FinderRun run = Finder("--assign-addresses " + path + " --seconds 8");
  EXPECT_EQ(run.code, 1) << run.out;
  const auto resultOf = [&](const std::string& serial) {
    const auto results = run.out.find("\nResults\n");
    const auto at = run.out.find(serial.substr(2), results == std::string::npos ? 0 : results);
    return at == std::string::npos ? std::string() : run.out.substr(at, run.out.find('\n', at) - at);
  };
  EXPECT_NE(resultOf("ZV000401").find("Login failed"), std::string::npos) << run.out;
  EXPECT_NE(resultOf("ZV000402").find("Not reachable"), std::string::npos) << run.out;
  EXPECT_NE(resultOf("ZV000403").find("Not sent"), std::string::npos) << run.out;
  EXPECT_NE(resultOf("ZV000404").find("Success"), std::string::npos) << run.out;
  EXPECT_NE(run.out.find("address 192.168.77.34 is in use on the link"), std::string::npos) << run.out;
  EXPECT_NE(run.out.find("line 6: no camera found with serial number ZV000499"), std::string::npos) << run.out;
  EXPECT_NE(run.out.find("Found at the planned address: 1 of 1"), std::string::npos) << run.out;
  EXPECT_EQ(sim_->GetParameter("192.168.77.32", "Network.IPAddress").value_or(""), "192.168.77.32")
      << "nothing was sent to the camera in conflict";
}

TEST_F(AssignAddresses, BadPlanIsRefusedWithLineAndColumnAndNothingSent) {
  StartSimulator(R"({"cameras": [{"serial": "ZV000501"}]})", {"192.168.77.35"});
  sim_->ClearRequestLog();
  const FinderRun run = Finder("--assign-addresses " + WritePlan("serial,address,prefix\nZV000501,192.168.77.135,33\n"));
  EXPECT_EQ(run.code, 2) << run.out;
  EXPECT_NE(run.out.find("line 2, column 3: prefix '33' is not a whole number from 1 to 32"), std::string::npos) << run.out;
  EXPECT_NE(run.out.find("nothing was sent"), std::string::npos);
  EXPECT_TRUE(sim_->RequestLog().empty());
}

TEST_F(AssignAddresses, CameraGoneMidApplyGetsItsRowAndTheRestGoOn) {
  StartSimulator(R"({"cameras": [{"serial": "ZV000601"}, {"serial": "ZV000602"}, {"serial": "ZV000603"}]})",
                 {"192.168.77.36", "192.168.77.37", "192.168.77.38"});
  CNetworkTools tools;
  CameraConnectContext context{tools, true, nullptr, nullptr, {}};
  std::vector<CBrowseRecord> found;
  for (int i = 0; i < 3; ++i) {
    CBrowseRecord record;
    record.ID = static_cast<uint32_t>(i + 1);
    record.InterfaceIndex = if_nametoindex(Env("NETLAB_PC0_IF").c_str());
    record.ServiceName = "Camera " + std::to_string(i + 1);
    record.Port = 80;
    const std::string address = "192.168.77." + std::to_string(36 + i);
    const std::string serial = "ZV00060" + std::to_string(i + 1);
    record.AddTxtValue(txtkey::kVendor, "Zorvik");
    record.AddTxtValue(txtkey::kIpv4Net, address.c_str());
    record.AddTxtValue(txtkey::kSerial, serial.c_str());
    found.push_back(record);
  }
  ravix::AddressPlan plan;
  std::vector<ravix::PlanError> errors;
  ASSERT_TRUE(ravix::ParseAddressPlan(
      "serial,hostname\nZV000601,gone-a\nZV000602,gone-b\nZV000603,gone-c\n", plan, errors));
  const ravix::PlanPreview preview = ravix::BuildPlanPreview(plan, found, {}, tools, ravix::NeighbourProbe(tools));
  ravix::PlanApplyOptions options;
  options.parallel = 1;  // in order: the second camera goes while the first is done
  options.done = [&](std::size_t index, const ravix::PlanOutcome&) {
    if (index == 0) sim_->RemoveCamera("192.168.77.37");
  };
  const std::vector<ravix::PlanOutcome> outcomes = ravix::ApplyPlan(preview.rows, context, options);
  ASSERT_EQ(outcomes.size(), 3u);
  EXPECT_EQ(outcomes[0].result, ravix::PlanResult::Success) << outcomes[0].detail;
  EXPECT_EQ(outcomes[1].result, ravix::PlanResult::NotReachable) << outcomes[1].detail;
  EXPECT_EQ(outcomes[2].result, ravix::PlanResult::Success) << outcomes[2].detail;
  EXPECT_EQ(sim_->GetParameter("192.168.77.38", "Network.HostName").value_or(""), "gone-c");
}

}  // namespace
