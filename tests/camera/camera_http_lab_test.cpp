// Runs inside tools/netlab: the camera client against the camera simulator in camera
// namespace 0 over the lab link, checked through the simulator's request log; and name
// resolution that fails inside the lab without any query leaving it.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "camera/camera_client.h"
#include "camera/camera_handle_map.h"
#include "tests/support/camsim_process.h"

namespace {

const std::vector<std::string> kNetworkNames{"Network.DHCP",     "Network.HTTPPort", "Network.NetPrefix",
                                             "Network.IPAddress", "Network.Gateway",  "Network.HostName",
                                             "Network.NameServer"};

class CameraHttpLabTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (std::getenv("NETLAB_ID") == nullptr) GTEST_SKIP() << "not inside tools/netlab";
    pcAddress_ = std::getenv("NETLAB_PC0_ADDR");
  }
  std::string pcAddress_;
};

// The lab's resolver configuration names only the lab's own loopback, so a lookup fails
// at once inside the lab.
TEST_F(CameraHttpLabTest, UnresolvableHostGivesHostNotFound) {
  std::ifstream resolv("/etc/resolv.conf");
  std::stringstream text;
  text << resolv.rdbuf();
  ASSERT_NE(text.str().find("nameserver 127."), std::string::npos) << "lab resolv.conf: " << text.str();

  CCurlRequest request;
  EXPECT_EQ(PerformRequest("http://ravix-no-such-camera.invalid/", 2000, request, nullptr), CamHostNotFound);
  int id = 0;
  EXPECT_EQ(CameraOpen("http://ravix-no-such-camera.invalid", &id, nullptr), CamHostNotFound);
  EXPECT_EQ(CameraOpen("http://u:p@ravix-no-such-camera.invalid", &id, nullptr), CamLoginFailed);
}

TEST_F(CameraHttpLabTest, SessionWithSimulatedCamera) {
  CamsimProcess::Options options;
  options.mdns = false;
  options.camerasJson = R"({"cameras": [{"host": "gate-cam", "login": {"username": "admin", "password": "se cret"},
                                          "parameters": {"Network.HostName": "gate-cam"}}]})";
  CamsimProcess sim(options);
  std::string error;
  ASSERT_TRUE(sim.Start(&error)) << error;
  const std::string address = sim.List()[0]["address"];

  int id = 0;
  EXPECT_EQ(CameraOpen(("http://" + address).c_str(), &id, pcAddress_.c_str()), 401);
  EXPECT_EQ(CameraOpen(("http://admin:wrong@" + address).c_str(), &id, pcAddress_.c_str()), CamLoginFailed);
  sim.ClearRequestLog();

  ASSERT_EQ(CameraOpen(("http://admin:se cret@" + address).c_str(), &id, pcAddress_.c_str()), CamOk);
  std::vector<std::string> values;
  ASSERT_EQ(CameraGetValues(kNetworkNames, values, id), CamOk);
  ASSERT_EQ(values.size(), 7u);
  EXPECT_EQ(values[3], address);
  EXPECT_EQ(values[5], "gate-cam");
  EXPECT_EQ(CameraSetIntValue("Network.HTTPPort", id, 8080), CamOk);
  EXPECT_EQ(CameraSetValue("Network.HostName", "gate cam", id), CamInvalidParameter);
  EXPECT_EQ(CameraGetValues({"Network.NoSuchThing"}, values, id), CamCameraException);
  EXPECT_EQ(CameraClose(id), CamOk);
  EXPECT_EQ(sim.GetStagedParameter(address, "Network.HTTPPort").value_or(""), "8080");

  const std::vector<nlohmann::json> log = sim.RequestLog();
  ASSERT_EQ(log.size(), 6u);
  EXPECT_EQ(log[0]["path"], "/cgi-bin/auth_if.cgi");
  EXPECT_EQ(log[0]["query"], "Login&username=admin&password=se%20cret");
  const std::string query = log[1]["query"];
  const std::string session = query.substr(query.find("&session_id="));
  EXPECT_EQ(query, "NumActions=1&Action_0=Global.OperationMode.GetIntValue" + session);
  EXPECT_EQ(log[2]["query"],
            "NumActions=7&Action_0=Network.DHCP.GetValue&Action_1=Network.HTTPPort.GetValue"
            "&Action_2=Network.NetPrefix.GetValue&Action_3=Network.IPAddress.GetValue"
            "&Action_4=Network.Gateway.GetValue&Action_5=Network.HostName.GetValue"
            "&Action_6=Network.NameServer.GetValue" + session);
  EXPECT_EQ(log[3]["query"], "NumActions=1&Action_0=Network.HTTPPort.SetValue&Parameter_0_0=8080" + session);
  EXPECT_EQ(log[4]["query"], "NumActions=1&Action_0=Network.NoSuchThing.GetValue" + session);
  EXPECT_EQ(log[5]["path"], "/cgi-bin/auth_if.cgi");
  EXPECT_EQ(log[5]["query"], "Logout" + session);
  for (const nlohmann::json& entry : log) {
    EXPECT_EQ(entry["remote"].get<std::string>().rfind(pcAddress_, 0), 0u) << entry.dump();
  }
}

TEST_F(CameraHttpLabTest, CameraFaultsAsResults) {
  CamsimProcess::Options options;
  options.mdns = false;
  options.cameras = 1;
  CamsimProcess sim(options);
  std::string error;
  ASSERT_TRUE(sim.Start(&error)) << error;
  const std::string address = sim.List()[0]["address"];
  int id = 0;
  ASSERT_EQ(CameraOpen(("http://" + address + "/").c_str(), &id, nullptr), CamOk);
  std::vector<std::string> values;

  ASSERT_TRUE(sim.SetFaults(address, {{"oversize", true}}));
  EXPECT_EQ(CameraGetValues(kNetworkNames, values, id), CamResponseTooLarge);
  ASSERT_TRUE(sim.SetFaults(address, {{"malformed", true}}));
  EXPECT_EQ(CameraGetValues(kNetworkNames, values, id), CamUnexpectedResponse);
  ASSERT_TRUE(sim.SetFaults(address, {{"no_answer", true}}));
  EXPECT_EQ(CameraGetValues(kNetworkNames, values, id), CamTimedOut);
  ASSERT_TRUE(sim.SetFaults(address, {{"http_status", 500}}));
  EXPECT_EQ(CameraSetIntValue("Network.HTTPPort", id, 80), 500);
  ASSERT_TRUE(sim.SetFaults(address, {{"refuse", true}}));
  EXPECT_EQ(CameraGetValues(kNetworkNames, values, id), CamTransferFailed);
  EXPECT_TRUE(values.empty());
  EXPECT_EQ(CameraClose(id), CamOk);
}

}  // namespace
