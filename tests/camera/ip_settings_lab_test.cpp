// Reading and writing the Network.* block against simulated cameras (request log and the
// camera's values tell what happened), and the reading of odd values from a camera the
// test plays itself on 127.0.0.1.
#include <httplib.h>

#include <algorithm>
#include <cstring>
#include <map>
#include <mutex>
#include <thread>

#include "camera/camera_client.h"
#include "camera/ip_settings_exchange.h"
#include "camera_lab_fixture.h"

namespace {

using finder_lab::kLoginCamera;
using finder_lab::kSettingsCamera;
using finder_lab::Request;

constexpr const char* kSettingsHost = "settings-cam";

using IpSettingsLab = CameraLab;

// The parameter requests after the opening probe, as "Name.Method=argument".
std::vector<std::string> ParameterActions(const char* address) {
  std::vector<std::string> actions;
  const auto requests = finder_lab::Summarise(finder_lab::RequestsOf(address));
  for (std::size_t i = 1; i < requests.size(); ++i) {
    if (requests[i].cgi != "param_if") continue;
    std::string action;
    for (const char* key : {"Action_0=", "Parameter_0_0="}) {
      const auto at = requests[i].query.find(key);
      if (at == std::string::npos) continue;
      const auto start = at + std::strlen(key);
      if (!action.empty()) action += '=';
      action += requests[i].query.substr(start, requests[i].query.find('&', start) - start);
    }
    actions.push_back(action);
  }
  return actions;
}

NetworkSettings StaticSettings() {
  NetworkSettings s;
  s.HostName = "yard-cam";
  s.DHCP = false;
  s.IPAddress = kSettingsCamera;  // the camera stays where the lab put it
  s.NetPrefix = 24;
  s.Gateway = "192.168.77.1";
  s.NameServer = "192.168.77.2";
  s.HTTPPort = 80;
  return s;
}

std::string Applied(const char* name) { return finder_lab::Simulator()->GetParameter(kSettingsHost, name).value_or("?"); }

TEST_F(IpSettingsLab, DhcpOnWritesThreeValuesThenCommitsAndReadsBackAsOn) {
  NetworkSettings settings = StaticSettings();
  settings.HostName = "lobby-cam";
  settings.DHCP = true;
  settings.IPAddress = "10.9.9.9";  // not sent with DHCP on
  CBrowseRecord record = finder_lab::RecordFor(kSettingsCamera, "ZV0012");
  record.NetworkSettingsValid = true;
  ASSERT_TRUE(WriteNetworkSettings(settings, Context(), record));
  EXPECT_EQ(ParameterActions(kSettingsCamera),
            (std::vector<std::string>{"Network.HostName.SetValue=lobby-cam", "Network.HTTPPort.SetValue=80",
                                      "Network.DHCP.SetValue=1", "Network.Commit.Execute"}));
  EXPECT_EQ(record.NetworkSettings, settings);
  EXPECT_EQ(Applied("Network.DHCP"), "1");
  EXPECT_EQ(Applied("Network.HostName"), "lobby-cam");
  EXPECT_EQ(Applied("Network.IPAddress"), kSettingsCamera);

  CBrowseRecord fresh = finder_lab::RecordFor(kSettingsCamera, "ZV0012");
  ReadNetworkSettings(Context(), fresh);
  EXPECT_TRUE(fresh.NetworkSettingsValid);
  EXPECT_TRUE(fresh.NetworkSettings.DHCP);
  EXPECT_EQ(fresh.NetworkSettings.HostName, "lobby-cam");
  EXPECT_EQ(fresh.NetworkSettings.HTTPPort, 80);
}

TEST_F(IpSettingsLab, DhcpOffWritesSevenValuesInOrderThenCommitsAndReadsBack) {
  CBrowseRecord record = finder_lab::RecordFor(kSettingsCamera, "ZV0012");
  const NetworkSettings settings = StaticSettings();
  ASSERT_TRUE(WriteNetworkSettings(settings, Context(), record));
  EXPECT_EQ(ParameterActions(kSettingsCamera),
            (std::vector<std::string>{"Network.HostName.SetValue=yard-cam", "Network.HTTPPort.SetValue=80",
                                      "Network.DHCP.SetValue=0", "Network.IPAddress.SetValue=192.168.77.12",
                                      "Network.NetPrefix.SetValue=24", "Network.Gateway.SetValue=192.168.77.1",
                                      "Network.NameServer.SetValue=192.168.77.2", "Network.Commit.Execute"}));
  EXPECT_EQ(record.NetworkSettings, settings);

  CBrowseRecord fresh = finder_lab::RecordFor(kSettingsCamera, "ZV0012");
  ReadNetworkSettings(Context(), fresh);
  EXPECT_TRUE(fresh.NetworkSettingsValid);
  EXPECT_EQ(fresh.NetworkSettings, settings);
}

TEST_F(IpSettingsLab, FailingLastWriteRevertsAndEmptiesTheBlock) {
  CBrowseRecord record = finder_lab::RecordFor(kSettingsCamera, "ZV0012");
  ASSERT_TRUE(WriteNetworkSettings(StaticSettings(), Context(), record));
  finder_lab::Simulator()->ClearRequestLog();

  NetworkSettings settings = StaticSettings();
  settings.HostName = "reverted-cam";
  settings.NameServer = "192.168.177.200x";  // 16 characters: the camera keeps at most 15
  record.NetworkSettingsValid = true;
  EXPECT_TRUE(WriteNetworkSettings(settings, Context(), record)) << "the session opened and closed fine";
  const auto actions = ParameterActions(kSettingsCamera);
  ASSERT_FALSE(actions.empty());
  EXPECT_EQ(actions.back(), "Network.Revert.Execute");
  EXPECT_EQ(std::count(actions.begin(), actions.end(), "Network.Commit.Execute"), 0);
  EXPECT_EQ(record.NetworkSettings, NetworkSettings{});
  EXPECT_TRUE(record.NetworkSettingsValid);
  EXPECT_EQ(Applied("Network.HostName"), "yard-cam") << "the staged host name was dropped";
  EXPECT_FALSE(finder_lab::Simulator()->GetStagedParameter(kSettingsHost, "Network.HostName").has_value());
}

TEST_F(IpSettingsLab, OnlyTheLastWriteDecidesCommit) {
  // A host name over the camera's 63 characters fails, the DHCP write after it does not.
  NetworkSettings settings = StaticSettings();
  settings.DHCP = true;
  settings.HostName = std::string(70, 'h');
  CBrowseRecord record = finder_lab::RecordFor(kSettingsCamera, "ZV0012");
  EXPECT_TRUE(WriteNetworkSettings(settings, Context(), record));
  const auto actions = ParameterActions(kSettingsCamera);
  ASSERT_FALSE(actions.empty());
  EXPECT_EQ(actions.back(), "Network.Commit.Execute");
  EXPECT_EQ(Applied("Network.DHCP"), "1");
  ASSERT_TRUE(finder_lab::Simulator()->SetParameter(kSettingsHost, "Network.DHCP", "0"));
}

TEST_F(IpSettingsLab, CancelledPromptKeepsTheBlockAndTheValidFlag) {
  CBrowseRecord record = finder_lab::RecordFor(kLoginCamera, "ZV0011");
  record.NetworkSettings.HostName = "known-before";
  record.NetworkSettings.HTTPPort = 8080;
  const NetworkSettings before = record.NetworkSettings;
  prompt_.Cancel();
  ReadNetworkSettings(Context(), record);
  EXPECT_TRUE(record.NetworkSettingsValid);
  EXPECT_EQ(record.NetworkSettings, before);
  EXPECT_EQ(prompt_.shown.size(), 1u);

  // A write refused the same way leaves the record alone and fails.
  prompt_.Cancel();
  EXPECT_FALSE(WriteNetworkSettings(StaticSettings(), Context(), record));
  EXPECT_TRUE(record.NetworkSettingsValid);
  EXPECT_EQ(record.NetworkSettings, before);
  for (const Request& r : finder_lab::Summarise(finder_lab::RequestsOf(kLoginCamera)))
    EXPECT_EQ(r.query.find("Network."), std::string::npos) << r.query;
}

TEST_F(IpSettingsLab, UnreachableCameraClearsTheValidFlagOnReadAndWrite) {
  CBrowseRecord record = finder_lab::RecordFor(finder_lab::kRefusingCamera, "ZV0013");
  record.NetworkSettings.HostName = "known-before";
  ReadNetworkSettings(Context(), record);
  EXPECT_FALSE(record.NetworkSettingsValid);
  EXPECT_EQ(record.NetworkSettings.HostName, "known-before");

  record.NetworkSettingsValid = true;
  EXPECT_FALSE(WriteNetworkSettings(StaticSettings(), Context(), record));
  EXPECT_FALSE(record.NetworkSettingsValid);
  EXPECT_TRUE(prompt_.shown.empty());
}

// A camera on 127.0.0.1:80 (in the lab's pc namespace) whose Network values the test sets.
class FakeParameterCamera {
 public:
  FakeParameterCamera() {
    server_.Get("/cgi-bin/param_if.cgi", [this](const httplib::Request& request, httplib::Response& response) {
      std::lock_guard<std::mutex> lock(mutex_);
      const int actions = std::atoi(request.get_param_value("NumActions").c_str());
      std::string body;
      for (int i = 0; i < actions; ++i) {
        std::string action = request.get_param_value("Action_" + std::to_string(i));
        const std::string parameter = action.substr(0, action.rfind('.'));
        const auto found = values_.find(parameter);
        body += "Return_" + std::to_string(i) + "=" + (found != values_.end() ? found->second : "0") + "\n";
      }
      response.set_content(body, "text/plain");
    });
    listening_ = server_.bind_to_port("127.0.0.1", 80);
    if (listening_) thread_ = std::thread([this] { server_.listen_after_bind(); });
  }
  ~FakeParameterCamera() {
    server_.stop();
    if (thread_.joinable()) thread_.join();
  }
  bool Listening() const { return listening_; }
  void Set(const std::string& parameter, const std::string& value) {
    std::lock_guard<std::mutex> lock(mutex_);
    values_[parameter] = value;
  }

 private:
  httplib::Server server_;
  std::thread thread_;
  std::mutex mutex_;
  std::map<std::string, std::string> values_;
  bool listening_ = false;
};

TEST_F(IpSettingsLab, OddCameraValuesAreReadSafely) {
  FakeParameterCamera camera;
  ASSERT_TRUE(camera.Listening()) << "127.0.0.1:80 is taken";
  camera.Set("Network.IPAddress", "10.1.2.3");
  camera.Set("Network.HostName", "odd-cam");
  MutableContext().AlwaysUseIPAddress = false;
  CBrowseRecord record;
  record.SetHostTarget("127.0.0.1");

  struct Case {
    const char* dhcp;
    const char* port;
    const char* prefix;
    bool dhcpOn;
    int expectedPort;
    int expectedPrefix;
  };
  const Case cases[] = {
      {"0", "80", "24", false, 80, 24},
      {"true", "8080abc", "-8", false, 8080, -8},  // only "1" is on; reading stops at the first non-digit
      {"1", "none", "99999999999", true, 0, 0},   // no digits or beyond 32 bits: 0
      {"01", "  443", "+16", false, 443, 16},
  };
  for (const Case& c : cases) {
    camera.Set("Network.DHCP", c.dhcp);
    camera.Set("Network.HTTPPort", c.port);
    camera.Set("Network.NetPrefix", c.prefix);
    record.NetworkSettingsValid = false;
    ReadNetworkSettings(Context(), record);
    SCOPED_TRACE(std::string("DHCP '") + c.dhcp + "', port '" + c.port + "', prefix '" + c.prefix + "'");
    EXPECT_TRUE(record.NetworkSettingsValid);
    EXPECT_EQ(record.NetworkSettings.DHCP, c.dhcpOn);
    EXPECT_EQ(record.NetworkSettings.HTTPPort, c.expectedPort);
    EXPECT_EQ(record.NetworkSettings.NetPrefix, c.expectedPrefix);
    EXPECT_EQ(record.NetworkSettings.IPAddress, "10.1.2.3");
    EXPECT_EQ(record.NetworkSettings.HostName, "odd-cam");
  }
}

}  // namespace
